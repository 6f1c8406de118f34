#include "Win32/Sb/Document/TransitionRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Platform/Win/User/User.h"

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

// The pixels of each row of the ellipse in `r` whose centres lie inside
// it, as [x, y) column ranges, one per row from r.top.
std::vector<POINT> EllipseSpans(const RECT& r)
{
    std::vector<POINT> spans;
    if (r.right <= r.left || r.bottom <= r.top)
        return spans;
    const double rx = (r.right - r.left) / 2.0;
    const double ry = (r.bottom - r.top) / 2.0;
    for (INT y = r.top; y < r.bottom; ++y) {
        const double cy = y + 0.5;
        double dy = 0;
        if (cy < r.top + ry)
            dy = r.top + ry - cy;
        else if (cy > r.bottom - ry)
            dy = cy - (r.bottom - ry);
        const double f = 1.0 - (dy * dy) / (ry * ry);
        const double inset = rx - rx * std::sqrt(std::max(0.0, f));
        const INT x0 = static_cast<INT>(std::ceil(r.left + inset - 0.5));
        const INT x1 = static_cast<INT>(std::ceil(r.right - inset - 0.5));
        spans.push_back(x1 > x0 ? POINT{x0, x1} : POINT{0, 0});
    }
    return spans;
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

TransitionRaster::TransitionRaster(HDC dc)
    : m_pixels(nullptr), m_width(0), m_height(0), m_stride(0), m_origin{0, 0}, m_clip{0, 0, 0, 0}, m_hDC(dc)
{
}

TransitionRaster::TransitionRaster(TransitionRaster&& other) noexcept
    : m_own(std::move(other.m_own)), m_pixels(other.m_pixels), m_width(other.m_width), m_height(other.m_height),
      m_stride(other.m_stride), m_origin(other.m_origin), m_clip(other.m_clip),
      m_savedClips(std::move(other.m_savedClips)), m_drawn(other.m_drawn), m_hDC(other.m_hDC),
      m_brushes(std::move(other.m_brushes))
{
    if (!m_own.empty())
        m_pixels = m_own.data();
    other.m_pixels = nullptr;
    other.m_width = other.m_height = 0;
    other.m_brushes.clear();
}

TransitionRaster::~TransitionRaster()
{
    for (const auto& entry : m_brushes)
        ::DeleteObject(entry.second);
}

HBRUSH TransitionRaster::Brush(BYTE level)
{
    for (const auto& entry : m_brushes) {
        if (entry.first == level)
            return entry.second;
    }
    HBRUSH brush = ::CreateSolidBrush(RGB(level, level, level));
    if (brush != nullptr)
        m_brushes.emplace_back(level, brush);
    return brush;
}

void TransitionRaster::GdiShape(Shape shape, const RECT& rect, BYTE level, bool withPen)
{
    HGDIOBJ oldBrush = ::SelectObject(m_hDC, Brush(level));
    HGDIOBJ oldPen = withPen ? nullptr : ::SelectObject(m_hDC, ::GetStockObject(NULL_PEN));
    if (shape == Shape::Rectangle)
        ::Rectangle(m_hDC, rect.left, rect.top, rect.right, rect.bottom);
    else
        ::Ellipse(m_hDC, rect.left, rect.top, rect.right, rect.bottom);
    if (oldPen != nullptr)
        ::SelectObject(m_hDC, oldPen);
    ::SelectObject(m_hDC, oldBrush);
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
    if (m_hDC != nullptr) {
        ::FillRect(m_hDC, &rect, Brush(level));
        return;
    }
    const INT top = std::max(rect.top, m_clip.top);
    const INT bottom = std::min(rect.bottom, m_clip.bottom);
    for (INT y = top; y < bottom; ++y)
        Span(y, rect.left, rect.right, level);
}

void TransitionRaster::Rectangle(const RECT& rect, BYTE level, bool withPen)
{
    if (m_hDC != nullptr) {
        m_drawn = true;
        GdiShape(Shape::Rectangle, rect, level, withPen);
        return;
    }
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
    if (m_hDC != nullptr) {
        GdiShape(Shape::Ellipse, rect, level, withPen);
        return;
    }
    RECT r = Normalized(rect);
    if (!withPen) {
        // Without a pen GDI leaves out one more column and row.
        --r.right;
        --r.bottom;
    }
    const INT rows = r.bottom - r.top;
    if (r.right <= r.left || rows <= 0)
        return;
    const std::vector<POINT> outer = EllipseSpans(r);
    // The pen is the part of the ellipse outside the one inset by a pixel.
    const std::vector<POINT> inner =
        withPen ? EllipseSpans(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}) : std::vector<POINT>{};
    for (INT i = 0; i < rows; ++i) {
        const INT y = r.top + i;
        const POINT o = outer[static_cast<std::size_t>(i)];
        if (!withPen) {
            Span(y, o.x, o.y, level);
            continue;
        }
        const POINT in = (i >= 1 && i + 1 < rows) ? inner[static_cast<std::size_t>(i - 1)] : POINT{0, 0};
        if (in.y <= in.x) {
            Span(y, o.x, o.y, kPenLevel);
            continue;
        }
        Span(y, o.x, std::min(in.x, o.y), kPenLevel);
        Span(y, in.x, in.y, level);
        Span(y, std::max(in.y, o.x), o.y, kPenLevel);
    }
}

void TransitionRaster::Polygon(const POINT* points, INT count, BYTE level, bool withPen)
{
    m_drawn = true;
    if (points == nullptr || count < 2)
        return;
    if (m_hDC != nullptr) {
        HGDIOBJ oldBrush = ::SelectObject(m_hDC, Brush(level));
        HGDIOBJ oldPen = withPen ? nullptr : ::SelectObject(m_hDC, ::GetStockObject(NULL_PEN));
        ::Polygon(m_hDC, points, count);
        if (oldPen != nullptr)
            ::SelectObject(m_hDC, oldPen);
        ::SelectObject(m_hDC, oldBrush);
        return;
    }
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
    if (m_hDC != nullptr) {
        ::SaveDC(m_hDC);
        ::IntersectClipRect(m_hDC, rect.left, rect.top, rect.right, rect.bottom);
        return;
    }
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
    if (m_hDC != nullptr) {
        ::RestoreDC(m_hDC, -1);
        return;
    }
    if (m_savedClips.empty())
        return;
    m_clip = m_savedClips.back();
    m_savedClips.pop_back();
}
