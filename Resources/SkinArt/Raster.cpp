#include "Resources/SkinArt/Raster.h"

#include <algorithm>

namespace skinart {

namespace {

std::int64_t Square(std::int64_t v) { return v * v; }

// The pixel rectangle that holds every sample point of a sub-pixel box.
Rect PixelBounds(int left, int top, int right, int bottom)
{
    auto down = [](int v) { return v >= 0 ? v / kSub : -((-v + kSub - 1) / kSub); };
    return {down(left), down(top), down(right) + 1, down(bottom) + 1};
}

} // namespace

Canvas::Canvas(int width, int height, Rgb background)
    : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width * height), background)
{
}

Canvas Canvas::Keyed(int width, int height, Rgb key)
{
    Canvas canvas(width, height, key);
    canvas.m_keyed = true;
    canvas.m_key = key;
    return canvas;
}

void Canvas::Set(int x, int y, Rgb colour)
{
    if (x >= 0 && y >= 0 && x < m_width && y < m_height)
        m_pixels[static_cast<size_t>(y * m_width + x)] = colour;
}

void Canvas::Cover(int x, int y, Rgb colour, int coverage)
{
    if (coverage <= 0 || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    Rgb& pixel = m_pixels[static_cast<size_t>(y * m_width + x)];
    if (coverage >= 16)
        pixel = colour;
    else if (m_keyed && pixel == m_key)
        pixel = coverage * 2 >= 16 ? colour : pixel;
    else
        pixel = Mix(pixel, colour, coverage * 16);
}

void Canvas::Paste(const Canvas& source, int x, int y)
{
    for (int row = 0; row < source.m_height; ++row)
        for (int column = 0; column < source.m_width; ++column)
            Set(x + column, y + row, source.At(column, row));
}

Canvas Canvas::Cut(const Rect& area) const
{
    Canvas cut(area.Width(), area.Height(), Rgb{});
    cut.m_keyed = m_keyed;
    cut.m_key = m_key;
    for (int y = 0; y < area.Height(); ++y)
        for (int x = 0; x < area.Width(); ++x)
            cut.Set(x, y, At(area.left + x, area.top + y));
    return cut;
}

void FillRect(Canvas& canvas, const Rect& rect, Rgb colour)
{
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            canvas.Set(x, y, colour);
}

void VerticalGradient(Canvas& canvas, const Rect& rect, Rgb top, Rgb bottom)
{
    const int last = std::max(rect.Height() - 1, 1);
    for (int y = rect.top; y < rect.bottom; ++y)
        FillRect(canvas, {rect.left, y, rect.right, y + 1}, Mix(top, bottom, (y - rect.top) * 256 / last));
}

void HorizontalGradient(Canvas& canvas, const Rect& rect, Rgb left, Rgb right)
{
    const int last = std::max(rect.Width() - 1, 1);
    for (int x = rect.left; x < rect.right; ++x)
        FillRect(canvas, {x, rect.top, x + 1, rect.bottom}, Mix(left, right, (x - rect.left) * 256 / last));
}

void BevelLines(Canvas& canvas, const Rect& rect, Rgb light, Rgb dark)
{
    FillRect(canvas, {rect.left, rect.top, rect.right, rect.top + 1}, light);
    FillRect(canvas, {rect.left, rect.top, rect.left + 1, rect.bottom}, light);
    FillRect(canvas, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, dark);
    FillRect(canvas, {rect.right - 1, rect.top, rect.right, rect.bottom}, dark);
}

bool InRoundedRect(const Rect& rect, int radius, int sx, int sy)
{
    const int left = rect.left * kSub, top = rect.top * kSub;
    const int right = rect.right * kSub, bottom = rect.bottom * kSub;
    if (sx < left || sx >= right || sy < top || sy >= bottom)
        return false;
    const int r = radius * kSub;
    // The nearest corner circle's centre, when the point lies in a corner square.
    const int cx = sx < left + r ? left + r : sx >= right - r ? right - r : sx;
    const int cy = sy < top + r ? top + r : sy >= bottom - r ? bottom - r : sy;
    return Square(sx - cx) + Square(sy - cy) <= Square(r);
}

bool InPolygon(std::span<const SubPoint> points, int sx, int sy)
{
    int winding = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const SubPoint a = points[i];
        const SubPoint b = points[(i + 1) % points.size()];
        const std::int64_t side =
            static_cast<std::int64_t>(b.x - a.x) * (sy - a.y) - static_cast<std::int64_t>(sx - a.x) * (b.y - a.y);
        if (a.y <= sy && b.y > sy && side > 0)
            ++winding;
        else if (a.y > sy && b.y <= sy && side < 0)
            --winding;
    }
    return winding != 0;
}

bool InCircle(SubPoint centre, int radius, int sx, int sy)
{
    return Square(sx - centre.x) + Square(sy - centre.y) <= Square(radius);
}

void FillRoundedRect(Canvas& canvas, const Rect& rect, int radius, Rgb colour)
{
    FillShape(canvas, rect, colour, [&](int sx, int sy) { return InRoundedRect(rect, radius, sx, sy); });
}

void StrokeRoundedRect(Canvas& canvas, const Rect& rect, int radius, int width, Rgb colour)
{
    const Rect inner = rect.Inset(width, width);
    const int innerRadius = std::max(radius - width, 0);
    FillShape(canvas, rect, colour, [&](int sx, int sy) {
        return InRoundedRect(rect, radius, sx, sy) && !InRoundedRect(inner, innerRadius, sx, sy);
    });
}

void FillPolygon(Canvas& canvas, std::span<const SubPoint> points, Rgb colour)
{
    if (points.empty())
        return;
    int left = points[0].x, right = left, top = points[0].y, bottom = top;
    for (const SubPoint& p : points) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    FillShape(canvas, PixelBounds(left, top, right, bottom), colour,
              [&](int sx, int sy) { return InPolygon(points, sx, sy); });
}

void FillCircle(Canvas& canvas, SubPoint centre, int radius, Rgb colour)
{
    FillShape(canvas, PixelBounds(centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius), colour,
              [&](int sx, int sy) { return InCircle(centre, radius, sx, sy); });
}

void FillRing(Canvas& canvas, SubPoint centre, int outer, int inner, Rgb colour)
{
    FillShape(canvas, PixelBounds(centre.x - outer, centre.y - outer, centre.x + outer, centre.y + outer), colour,
              [&](int sx, int sy) { return InCircle(centre, outer, sx, sy) && !InCircle(centre, inner, sx, sy); });
}

} // namespace skinart
