#include "Platform/Display/Desktop.h"

#include <algorithm>

#include "Platform/Win/User/DesktopHost.h"

namespace display {

void Desktop::Compose()
{
    SIZE size = win::user::GetScreenSize();
    if (size.cx != m_width || size.cy != m_height) {
        m_width = size.cx;
        m_height = size.cy;
        m_pixels.assign(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), 0);
    }
    for (const win::user::ScreenLayer& layer : win::user::ScreenLayers()) {
        std::lock_guard<std::mutex> guard(layer.surface->Mutex());
        const win::Surface& surface = *layer.surface;
        // The part of the layer on screen and on its own surface.
        LONG left = std::max<LONG>(layer.screenRect.left, 0);
        LONG top = std::max<LONG>(layer.screenRect.top, 0);
        LONG right = std::min({layer.screenRect.right, m_width, layer.screenRect.left + surface.Width()});
        LONG bottom = std::min({layer.screenRect.bottom, m_height, layer.screenRect.top + surface.Height()});
        if (left >= right || top >= bottom)
            continue;
        for (LONG y = top; y < bottom; ++y) {
            const DWORD* from = surface.Row(y - layer.screenRect.top) + (left - layer.screenRect.left);
            std::copy(from, from + (right - left), m_pixels.data() + static_cast<size_t>(y) * m_width + left);
        }
    }
}

DWORD Desktop::PixelAt(LONG x, LONG y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    return m_pixels[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
}

} // namespace display
