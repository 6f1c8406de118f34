#pragma once
// The composed screen: the desktop's own surface with every visible
// top-level window's surface over it, bottom to top.

#include <vector>

#include "Platform/Win/Base/WinTypes.h"

namespace display {

class Desktop {
public:
    // Composes the screen at the window system's screen size.
    void Compose();
    LONG Width() const { return m_width; }
    LONG Height() const { return m_height; }
    // Rows of Width() pixels, 0x00RRGGBB.
    const std::vector<DWORD>& Pixels() const { return m_pixels; }
    DWORD PixelAt(LONG x, LONG y) const;

private:
    LONG m_width = 0;
    LONG m_height = 0;
    std::vector<DWORD> m_pixels;
};

} // namespace display
