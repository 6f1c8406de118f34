#include "Win32/Sb/Document/TransitionRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr BYTE kPenLevel = 0;

RECT Normalized(const RECT& rect)
{
    return RECT{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), std::max(rect.left, rect.right),
                std::max(rect.top, rect.bottom)};
}

// First pixel whose centre lies at or right of `x`.
INT FirstCentreAtOrAfter(double x)
{
    return static_cast<INT>(std::ceil(x - 0.5));
}

} // namespace

TransitionRaster::TransitionRaster(BYTE* pixels, INT width, INT height, INT stride, POINT origin)
    : m_pixels(pixels), m_width(std::max(width, 0)), m_height(std::max(height, 0)), m_stride(stride), m_origin(origin)
{
    if (m_pixels == nullptr)
        m_width = m_height = 0;
    m_clip = RECT{origin.x, origin.y, origin.x + m_width, origin.y + m_height};
}

TransitionRaster::TransitionRaster(INT width, INT height, POINT origin)
    : m_own(static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0)), 0),
      m_pixels(m_own.data()), m_width(std::max(width, 0)), m_height(std::max(height, 0)), m_stride(m_width),
      m_origin(origin)
{
    m_clip = RECT{origin.x, origin.y, origin.x + m_width, origin.y + m_height};
}

BYTE TransitionRaster::At(INT x, INT y) const
{
    x -= m_origin.x;
    y -= m_origin.y;
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    return m_pixels[static_cast<std::ptrdiff_t>(y) * m_stride + x];
}

void TransitionRaster::Plot(INT x, INT y, BYTE level)
{
    Span(y, x, x + 1, level);
}

void TransitionRaster::Span(INT y, INT x0, INT x1, BYTE level)
{
    m_drawn = true;
    if (y < m_clip.top || y >= m_clip.bottom)
        return;
    x0 = std::max(x0, m_clip.left);
    x1 = std::min(x1, m_clip.right);
    if (x0 >= x1)
        return;
    BYTE* row = m_pixels + static_cast<std::ptrdiff_t>(y - m_origin.y) * m_stride - m_origin.x;
    std::fill(row + x0, row + x1, level);
}

void TransitionRaster::FillRect(const RECT& rect, BYTE level)
{
    m_drawn = true;
    const INT top = std::max(rect.top, m_clip.top);
    const INT bottom = std::min(rect.bottom, m_clip.bottom);
    for (INT y = top; y < bottom; ++y)
        Span(y, rect.left, rect.right, level);
}

void TransitionRaster::Rectangle(const RECT& rect, BYTE level, bool withPen)
{
    const RECT r = Normalized(rect);
    if (!withPen) {
        // Without a pen GDI leaves out one more column and row.
        FillRect(RECT{r.left, r.top, r.right - 1, r.bottom - 1}, level);
        return;
    }
    FillRect(r, level);
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    FillRect(RECT{r.left, r.top, r.right, r.top + 1}, kPenLevel);
    FillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom}, kPenLevel);
    FillRect(RECT{r.left, r.top, r.left + 1, r.bottom}, kPenLevel);
    FillRect(RECT{r.right - 1, r.top, r.right, r.bottom}, kPenLevel);
}

void TransitionRaster::Ellipse(const RECT& rect, BYTE level, bool withPen)
{
    m_drawn = true;
    const RECT r = Normalized(rect);
    const INT rows = r.bottom - r.top;
    if (r.right - r.left <= 0 || rows <= 0)
        return;
    const double cx = (r.left + r.right) * 0.5;
    const double cy = (r.top + r.bottom) * 0.5;
    const double rx = (r.right - r.left) * 0.5;
    const double ry = rows * 0.5;
    // Pixels whose centres lie inside the ellipse, as one span per row.
    std::vector<POINT> spans(static_cast<std::size_t>(rows));
    for (INT i = 0; i < rows; ++i) {
        const double dy = (r.top + i + 0.5 - cy) / ry;
        const double inside = 1.0 - dy * dy;
        if (inside < 0.0) {
            spans[i] = POINT{0, 0};
            continue;
        }
        const double half = rx * std::sqrt(inside);
        spans[i] = POINT{FirstCentreAtOrAfter(cx - half), FirstCentreAtOrAfter(cx + half + 1e-9)};
    }
    auto covers = [&](INT i, INT x) {
        return i >= 0 && i < rows && x >= spans[i].x && x < spans[i].y;
    };
    for (INT i = 0; i < rows; ++i) {
        const POINT s = spans[i];
        if (s.x >= s.y)
            continue;
        Span(r.top + i, s.x, s.y, level);
        if (!withPen)
            continue;
        // The outline: covered pixels with an uncovered neighbour.
        for (INT x = s.x; x < s.y; ++x) {
            if (x == s.x || x == s.y - 1 || !covers(i - 1, x) || !covers(i + 1, x))
                Plot(x, r.top + i, kPenLevel);
        }
    }
}

void TransitionRaster::Polygon(const POINT* points, INT count, BYTE level, bool withPen)
{
    m_drawn = true;
    if (points == nullptr || count < 2)
        return;
    INT top = points[0].y;
    INT bottom = points[0].y;
    for (INT i = 1; i < count; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
    }
    top = std::max(top, m_clip.top);
    bottom = std::min(bottom, m_clip.bottom);
    std::vector<double> crossings;
    for (INT y = top; y < bottom; ++y) {
        const double yc = y + 0.5;
        crossings.clear();
        for (INT i = 0; i < count; ++i) {
            const POINT a = points[i];
            const POINT b = points[(i + 1) % count];
            if ((a.y <= yc && yc < b.y) || (b.y <= yc && yc < a.y))
                crossings.push_back(a.x + (yc - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y));
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2)
            Span(y, FirstCentreAtOrAfter(crossings[i]), FirstCentreAtOrAfter(crossings[i + 1]), level);
    }
    if (withPen) {
        for (INT i = 0; i < count; ++i)
            Line(points[i], points[(i + 1) % count], kPenLevel);
    }
}

void TransitionRaster::Line(POINT from, POINT to, BYTE level)
{
    const INT dx = std::abs(to.x - from.x);
    const INT dy = -std::abs(to.y - from.y);
    const INT sx = from.x < to.x ? 1 : -1;
    const INT sy = from.y < to.y ? 1 : -1;
    INT error = dx + dy;
    POINT p = from;
    // Bresenham; the end point is left to the next edge, as GDI's lines
    // leave out their last pixel.
    while (p.x != to.x || p.y != to.y) {
        Plot(p.x, p.y, level);
        const INT twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.x += sx;
        }
        if (twice <= dx) {
            error += dx;
            p.y += sy;
        }
    }
}

void TransitionRaster::PushClip(const RECT& rect)
{
    m_savedClips.push_back(m_clip);
    const RECT r = Normalized(rect);
    m_clip = RECT{std::max(m_clip.left, r.left), std::max(m_clip.top, r.top), std::min(m_clip.right, r.right),
                  std::min(m_clip.bottom, r.bottom)};
    if (m_clip.right < m_clip.left)
        m_clip.right = m_clip.left;
    if (m_clip.bottom < m_clip.top)
        m_clip.bottom = m_clip.top;
}

void TransitionRaster::PopClip()
{
    if (m_savedClips.empty())
        return;
    m_clip = m_savedClips.back();
    m_savedClips.pop_back();
}
