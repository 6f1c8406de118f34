#pragma once
// A GDI palette made from the colour table of a CDIB, which can draw itself
// as a grid of swatches. (The MFC CPalette it stands on is not part of our
// MFC subset, so the class holds its palette handle itself, as CPalette
// would, and deletes it with the object.)

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Gdi/Gdi.h"

class CDIB;

class CDIBPAL {
public:
    CDIBPAL() = default;
    ~CDIBPAL();
    CDIBPAL(const CDIBPAL&) = delete;
    CDIBPAL& operator=(const CDIBPAL&) = delete;

    // A palette of the bitmap's colour table (flags 0), replacing any held
    // before. 0 for a bitmap without a colour table or when GDI fails.
    BOOL Create(CDIB* pDIB);
    // The palette's entry count; 0 without a palette.
    int GetNumColors() const;
    // Draws up to 256 swatches in a 16 x 16 grid over (0, 0) to the
    // rectangle's right and bottom, with the palette selected (as a
    // background palette when asked) and realised; returns the palette that
    // was selected before, which is selected back.
    HPALETTE Draw(HDC hdc, const RECT* rect, BOOL background);

    HPALETTE GetSafeHandle() const { return m_hObject; }
    operator HPALETTE() const { return m_hObject; }

    HPALETTE m_hObject = nullptr;
};
