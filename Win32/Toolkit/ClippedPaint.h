#pragma once
// Painting into a DC clipped to its clip box, as the host and button
// windows paint: `paint` gets a drawing context over the DC and the clip box
// as an inclusive rectangle; nothing happens (and `otherwise` is answered)
// when the box is empty or cannot be had.

#include "Platform/Win/Gdi/Gdi.h"
#include "Win32/Imaging/DrawContext.h"
#include "Win32/Toolkit/ElementGeometry.h"

template <typename Paint>
BOOL PaintClipped(HDC dc, Paint paint, BOOL otherwise = FALSE)
{
    RECT clip{};
    const int kind = dc ? ::GetClipBox(dc, &clip) : ERROR;
    if (kind == ERROR || kind == NULLREGION)
        return otherwise;
    HRGN region = ::CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom);
    ::SelectClipRgn(dc, region);
    BOOL result;
    {
        CDrawContext context(dc);
        result = paint(&context, FromWin32Rect(clip)) ? TRUE : FALSE;
    }
    ::DeleteObject(region);
    return result;
}
