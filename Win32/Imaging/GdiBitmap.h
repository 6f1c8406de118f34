#pragma once
// The graphics library's GDI bitmap: an HBITMAP with ownership, an optional
// transparent colour read at a sample point, and a prepared transparency
// mask (a monochrome bitmap plus one bit a pixel kept in memory) that makes
// hit tests and shadows free of GDI calls. Constructors never fail loudly:
// the handle stays null and later operations answer 0, null or an empty
// size.

#include <memory>

#include "Platform/Win/Gdi/Gdi.h"
#include "Win32/Imaging/Color.h"
#include "Win32/Imaging/PackedRows.h"
#include "Win32/Utils/GfxTypes.h"

class CDrawContext;

class CGdiBitmap {
public:
    // Each constructor takes an optional transparent colour (which switches
    // transparency on) and an optional sample point.
    CGdiBitmap(HBITMAP bitmap, BOOL owned, const CColor* transparent = nullptr, const CGfxPoint* point = nullptr);
    // Bitmap resource `id` of `module`.
    CGdiBitmap(HINSTANCE module, UINT id, const CColor* transparent = nullptr, const CGfxPoint* point = nullptr);
    // A named bitmap of the program's module (the only module a null handle
    // means here); null when there is none.
    explicit CGdiBitmap(const CGfxString& name, const CColor* transparent = nullptr,
                        const CGfxPoint* point = nullptr);
    // CreateBitmap of size.x x size.y; one plane of one bit makes a mask.
    CGdiBitmap(const CGfxPoint& size, UINT planes, UINT bitsPerPixel, const void* bits,
               const CColor* transparent = nullptr, const CGfxPoint* point = nullptr);
    // A bitmap compatible with the context's DC.
    CGdiBitmap(CDrawContext* context, const CGfxPoint& size, const CColor* transparent = nullptr,
               const CGfxPoint* point = nullptr);
    ~CGdiBitmap();
    CGdiBitmap(const CGdiBitmap&) = delete;
    CGdiBitmap& operator=(const CGdiBitmap&) = delete;

    BOOL IsValid() const { return m_hBitmap != nullptr; }
    HBITMAP GetHandle() const { return m_hBitmap; }
    BOOL GetBitmap(BITMAP* out) const;
    CGfxSize GetSize() const;
    BOOL IsTransparent() const { return m_bTransparent; }
    BOOL HasPreparedMask() const { return m_pMask != nullptr; }
    CGdiBitmap* GetMask() const { return m_pMask; }
    const CGfxRect& GetOpaqueRect() const { return m_rcOpaque; }
    const CGfxPoint& GetSamplePoint() const { return m_ptTransparent; }

    // With `fromContext`, the context's pixel at the sample point (the
    // context holding this bitmap); otherwise the stored colour.
    CRGBColor GetTransparentColor(BOOL fromContext, CDrawContext* context) const;
    // Stores a colour and switches transparency on, or switches it off for
    // null; returns the colour stored before.
    CRGBColor SetTransparentColor(const CColor* color, const CGfxPoint* point);
    // 0 outside the bitmap; 1 without mask bits; otherwise from the bits.
    BOOL IsOpaqueAt(const CGfxPoint& point) const;
    // Drops the mask bits and switches transparency off.
    void ClearMask();

    // A W x H bitmap compatible with `context` holding copies of this one
    // tiled from the top left. Null on failure.
    CGdiBitmap* CreateTiled(CDrawContext* context, const CGfxSize& size);
    // The monochrome mask (1 where the pixel equals the one at the sample
    // point), which also blackens those pixels in this bitmap. Null without
    // transparency or on failure.
    CGdiBitmap* CreateMask(CDrawContext* context);
    // Makes the mask bitmap, the mask bits and the opaque rectangle; 0 on
    // failure. Preparing again replaces the earlier mask.
    BOOL PrepareTransparency(CDrawContext* context);
    // Paints a shadow of the opaque pixels, offset by (dx, dy), into the
    // transparent ones. Blur (sigma above 1.0) needs the planar imaging
    // library, which is not there yet: such calls return 0 and paint
    // nothing.
    BOOL DrawDropShadow(CDrawContext* context, const CColor& color, int percent, int dx, int dy, double sigma);

    HBITMAP m_hBitmap = nullptr;
    BOOL m_bOwned = FALSE;
    CRGBColor m_crTransparent;
    CGfxPoint m_ptTransparent;
    BOOL m_bTransparent = FALSE;
    CPackedRows1* m_pMaskBits = nullptr;
    CGdiBitmap* m_pMask = nullptr;
    CGfxRect m_rcOpaque;

private:
    void SetTransparency(const CColor* transparent, const CGfxPoint* point);
    void DestroyMask();
};

// The library's pixel types and their DIB forms.
int BitsPerPixelOfPixelType(int pixelType);
int PaletteSizeOfPixelType(int pixelType);
int SamplesOfPixelType(int pixelType);
int PixelTypeOfBitCount(int bitCount);
