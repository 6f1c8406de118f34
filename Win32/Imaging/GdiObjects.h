#pragma once
// Thin owners of GDI fonts, pens and brushes: each keeps its handle, the
// attributes it was made with and an owned flag, so an object either owns
// its handle (and deletes it) or only describes a handle something else
// owns, as the drawing context's records of displaced objects do.

#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/Gdi/GdiText.h"
#include "Platform/Win/Gdi/LogFont.h"
#include "Win32/Imaging/Color.h"

class CGdiFont {
public:
    // Owned when a font was made.
    explicit CGdiFont(const LOGFONTA* logFont);
    CGdiFont(HFONT font, BOOL owned) : m_hFont(font), m_bOwned(owned) {}
    ~CGdiFont() { Delete(); }
    CGdiFont(const CGdiFont&) = delete;
    CGdiFont& operator=(const CGdiFont&) = delete;

    // False without a handle or buffer (GDI is not asked) or when GDI
    // cannot describe the font.
    bool GetLogFont(LOGFONTA* out) const;
    // Deletes an owned handle; the object then holds none.
    void Delete();
    HFONT GetHandle() const { return m_hFont; }

    HFONT m_hFont = nullptr;
    BOOL m_bOwned = FALSE;
};

class CGdiPen {
public:
    // Null and unowned when CreatePen fails.
    CGdiPen(const CColor& color, int width, int style);
    // Describes the handle from GetObject; null and unowned when GetObject
    // fails.
    CGdiPen(HPEN pen, BOOL owned);
    ~CGdiPen();
    CGdiPen(const CGdiPen&) = delete;
    CGdiPen& operator=(const CGdiPen&) = delete;

    HPEN GetHandle() const { return m_hPen; }

    HPEN m_hPen = nullptr;
    CRGBColor m_color;
    int m_nWidth = 0;
    int m_nStyle = 0;
    BOOL m_bOwned = FALSE;
};

class CGdiBrush {
public:
    // A solid brush; null and unowned when it cannot be made.
    explicit CGdiBrush(const CColor& color);
    CGdiBrush(HBRUSH brush, BOOL owned) { Attach(brush, owned); }
    virtual ~CGdiBrush();
    CGdiBrush(const CGdiBrush&) = delete;
    CGdiBrush& operator=(const CGdiBrush&) = delete;

    // Takes the brush's style, colour and hatch from GetObject; 0 (handle
    // null, not owned) when GetObject fails. An owned handle held before is
    // not deleted.
    BOOL Attach(HBRUSH brush, BOOL owned);
    HBRUSH GetHandle() const { return m_hBrush; }

    HBRUSH m_hBrush = nullptr;
    UINT m_nStyle = 0;
    CRGBColor m_color;
    ULONG_PTR m_nHatch = 0;
    BOOL m_bOwned = FALSE;
};

// The stock null pen and null brush, described once on first use (the GDI
// must exist before they are asked for, so they are not made during static
// initialisation) and never deleted.
CGdiPen* GfxNullPen();
CGdiBrush* GfxNullBrush();
