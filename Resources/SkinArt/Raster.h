#pragma once
// The skin art's rasteriser: an RGB canvas and the shapes the looks and
// glyphs are made of. Every decision about a pixel is integer maths, so the
// art comes out byte-identical on every machine.
//
// Shapes with curved or slanted edges are anti-aliased by sampling each
// pixel on a 4 x 4 grid; geometry for them is given in sixteenths of a
// pixel (kSub units). A canvas may carry a key colour (the transparent
// colour of a keyed image): a partly covered pixel blends the shape's colour
// with what lies under it only when that is not the key; over the key it is
// either the shape's colour (half covered or more) or stays the key, so a
// mask made by exact match never shows a fringe.

#include <cstdint>
#include <span>
#include <vector>

namespace skinart {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    constexpr bool operator==(const Rgb&) const = default;
};

// `a` mixed with `b` by weight / 256 of `b`, rounded.
constexpr Rgb Mix(Rgb a, Rgb b, int weight)
{
    auto channel = [weight](int from, int to) {
        return static_cast<std::uint8_t>((from * (256 - weight) + to * weight + 128) >> 8);
    };
    return Rgb{channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

// Half-open pixel rectangle.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr Rect Inset(int dx, int dy) const { return {left + dx, top + dy, right - dx, bottom - dy}; }
};

// Sub-pixel units per pixel for anti-aliased geometry.
constexpr int kSub = 16;

struct SubPoint {
    int x = 0, y = 0; // in kSub units
};

class Canvas {
public:
    Canvas(int width, int height, Rgb background);
    // A canvas whose every pixel starts as the key colour.
    static Canvas Keyed(int width, int height, Rgb key);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool IsKeyed() const { return m_keyed; }
    Rgb Key() const { return m_key; }
    Rgb At(int x, int y) const { return m_pixels[static_cast<size_t>(y * m_width + x)]; }
    void Set(int x, int y, Rgb colour);
    // Lays `coverage` sixteenths of `colour` over the pixel, by the key rule
    // above; pixels outside the canvas are left alone.
    void Cover(int x, int y, Rgb colour, int coverage);
    // Copies `source` with its top left at (x, y).
    void Paste(const Canvas& source, int x, int y);
    // The pixels of `area` as a canvas of their own.
    Canvas Cut(const Rect& area) const;

private:
    int m_width;
    int m_height;
    bool m_keyed = false;
    Rgb m_key;
    std::vector<Rgb> m_pixels;
};

void FillRect(Canvas& canvas, const Rect& rect, Rgb colour);
// Linear gradients from the first pixel row (column) to the last.
void VerticalGradient(Canvas& canvas, const Rect& rect, Rgb top, Rgb bottom);
void HorizontalGradient(Canvas& canvas, const Rect& rect, Rgb left, Rgb right);
// One-pixel bevel: `light` along the top and left, `dark` along the bottom
// and right.
void BevelLines(Canvas& canvas, const Rect& rect, Rgb light, Rgb dark);

// Covers the pixels of `bounds` with `colour` by the share of their 4 x 4
// sample points (in kSub units) for which `inside(x, y)` holds.
template <typename Inside>
void FillShape(Canvas& canvas, const Rect& bounds, Rgb colour, Inside inside)
{
    for (int y = bounds.top; y < bounds.bottom; ++y)
        for (int x = bounds.left; x < bounds.right; ++x) {
            int covered = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    covered += inside(x * kSub + sx * 4 + 2, y * kSub + sy * 4 + 2) ? 1 : 0;
            canvas.Cover(x, y, colour, covered);
        }
}

// Whether a sample point lies in a rectangle with corners of `radius`
// pixels, clipped to nothing beyond the rectangle.
bool InRoundedRect(const Rect& rect, int radius, int sx, int sy);
// Whether a sample point lies inside the polygon (non-zero winding).
bool InPolygon(std::span<const SubPoint> points, int sx, int sy);
bool InCircle(SubPoint centre, int radius, int sx, int sy);

void FillRoundedRect(Canvas& canvas, const Rect& rect, int radius, Rgb colour);
// A rounded rectangle's outline `width` pixels thick, inside the rectangle.
void StrokeRoundedRect(Canvas& canvas, const Rect& rect, int radius, int width, Rgb colour);
void FillPolygon(Canvas& canvas, std::span<const SubPoint> points, Rgb colour);
void FillCircle(Canvas& canvas, SubPoint centre, int radius, Rgb colour);
// The ring between two radii (kSub units) about one centre.
void FillRing(Canvas& canvas, SubPoint centre, int outer, int inner, Rgb colour);

} // namespace skinart
