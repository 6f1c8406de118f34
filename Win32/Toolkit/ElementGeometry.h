#pragma once
// Inclusive element rectangles at the Win32 boundary: right and bottom plus
// one on the way in, minus one on the way back, and sizes never negative.

#include <algorithm>

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Utils/GfxTypes.h"

inline LONG InclusiveExtent(LONG low, LONG high)
{
    return std::max<LONG>(high - low + 1, 0);
}

inline RECT ToWin32Rect(const CGfxRect& rect)
{
    return RECT{rect.left, rect.top, rect.left + InclusiveExtent(rect.left, rect.right),
                rect.top + InclusiveExtent(rect.top, rect.bottom)};
}

inline CGfxRect FromWin32Rect(const RECT& rect)
{
    return CGfxRect(rect.left, rect.top, rect.right - 1, rect.bottom - 1);
}
