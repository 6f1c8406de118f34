#include "Platform/Win/Gdi/Surface.h"

#include <algorithm>

namespace win {

namespace {

LONG ClampSide(LONG side) { return std::clamp<LONG>(side, 0, Surface::kMaxSide); }

} // namespace

Surface::Surface(LONG width, LONG height, DWORD fill)
    : m_width(ClampSide(width)), m_height(ClampSide(height)),
      m_pixels(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), fill)
{
}

void Surface::FillLocked(const RECT& rect, DWORD pixel)
{
    LONG left = std::max<LONG>(rect.left, 0);
    LONG top = std::max<LONG>(rect.top, 0);
    LONG right = std::min(rect.right, m_width);
    LONG bottom = std::min(rect.bottom, m_height);
    if (left >= right || top >= bottom)
        return;
    for (LONG y = top; y < bottom; ++y)
        std::fill(Row(y) + left, Row(y) + right, pixel);
}

void Surface::Resize(LONG width, LONG height, DWORD fill)
{
    width = ClampSide(width);
    height = ClampSide(height);
    std::lock_guard<std::mutex> guard(m_mutex);
    if (width == m_width && height == m_height)
        return;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
    LONG keepWidth = std::min(width, m_width);
    LONG keepHeight = std::min(height, m_height);
    for (LONG y = 0; y < keepHeight; ++y)
        std::copy(Row(y), Row(y) + keepWidth, pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width));
    m_pixels = std::move(pixels);
    m_width = width;
    m_height = height;
}

SIZE Surface::Size() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return SIZE{m_width, m_height};
}

void Surface::Fill(const RECT& rect, DWORD pixel)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    FillLocked(rect, pixel);
}

DWORD Surface::PixelAt(LONG x, LONG y) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    return Row(y)[x];
}

} // namespace win
