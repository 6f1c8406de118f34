#include "Resources/SkinArt/Glyphs.h"

#include <algorithm>
#include <array>
#include <vector>

namespace skinart {

namespace {

// The glyph's square in sub-pixel units: a side of `size` with its origin
// at the top left, centred in the box. Points are given on a 0..64 grid of
// the square.
struct Square {
    int x = 0, y = 0, size = 0;

    explicit Square(const Rect& box)
    {
        const int side = std::min(box.Width(), box.Height()) * kSub;
        x = box.left * kSub + (box.Width() * kSub - side) / 2;
        y = box.top * kSub + (box.Height() * kSub - side) / 2;
        size = side;
    }
    SubPoint At(int gx, int gy) const { return {x + gx * size / 64, y + gy * size / 64}; }
    int Length(int grid) const { return grid * size / 64; }
    // Mirrors a grid x for glyphs that point left.
    static int Flip(int gx, Direction direction) { return direction == Direction::Left ? 64 - gx : gx; }
};

void PolygonIn(Canvas& canvas, const Square& square, Rgb colour, std::initializer_list<std::array<int, 2>> grid,
               Direction direction = Direction::Right)
{
    std::vector<SubPoint> points;
    for (const auto& p : grid)
        points.push_back(square.At(Square::Flip(p[0], direction), p[1]));
    FillPolygon(canvas, points, colour);
}

// A polygon given pointing right, turned about the square's centre by
// `eighths` of a turn clockwise. The diagonal turns use 181/256 for the
// square root of one half, so the points stay integer maths.
void TurnedPolygonIn(Canvas& canvas, const Square& square, Rgb colour, std::initializer_list<std::array<int, 2>> grid,
                     int eighths)
{
    static constexpr int kCos[8] = {256, 181, 0, -181, -256, -181, 0, 181};
    const int turn = ((eighths % 8) + 8) % 8;
    const int cos = kCos[turn];
    const int sin = kCos[(turn + 6) % 8];
    std::vector<SubPoint> points;
    for (const auto& p : grid) {
        const int x = p[0] - 32, y = p[1] - 32;
        // In kSub units of the grid (64 per side), rounded to nearest.
        const int gx = 32 * 256 + x * cos - y * sin;
        const int gy = 32 * 256 + x * sin + y * cos;
        points.push_back({square.x + (gx * square.size / 64 + 128) / 256, square.y + (gy * square.size / 64 + 128) / 256});
    }
    FillPolygon(canvas, points, colour);
}

} // namespace

void PlayTriangle(Canvas& canvas, const Rect& box, Rgb colour)
{
    PolygonIn(canvas, Square(box), colour, {{{18, 10}}, {{54, 32}}, {{18, 54}}});
}

void PauseBars(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    PolygonIn(canvas, s, colour, {{{16, 12}}, {{28, 12}}, {{28, 52}}, {{16, 52}}});
    PolygonIn(canvas, s, colour, {{{36, 12}}, {{48, 12}}, {{48, 52}}, {{36, 52}}});
}

void StopSquare(Canvas& canvas, const Rect& box, Rgb colour)
{
    PolygonIn(canvas, Square(box), colour, {{{14, 14}}, {{50, 14}}, {{50, 50}}, {{14, 50}}});
}

void StepArrow(Canvas& canvas, const Rect& box, Direction direction, Rgb colour)
{
    const Square s(box);
    PolygonIn(canvas, s, colour, {{{14, 12}}, {{42, 32}}, {{14, 52}}}, direction);
    PolygonIn(canvas, s, colour, {{{42, 12}}, {{50, 12}}, {{50, 52}}, {{42, 52}}}, direction);
}

void SkipArrow(Canvas& canvas, const Rect& box, Direction direction, Rgb colour)
{
    const Square s(box);
    PolygonIn(canvas, s, colour, {{{8, 14}}, {{28, 32}}, {{8, 50}}}, direction);
    PolygonIn(canvas, s, colour, {{{28, 14}}, {{48, 32}}, {{28, 50}}}, direction);
    PolygonIn(canvas, s, colour, {{{48, 14}}, {{56, 14}}, {{56, 50}}, {{48, 50}}}, direction);
}

void LoopArrow(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    const SubPoint centre = s.At(32, 34);
    const int outer = s.Length(22), inner = s.Length(15);
    // The ring is open in its top right quarter's upper half, where the
    // arrow head sits pointing into the gap.
    const Rect bounds{centre.x / kSub - outer / kSub - 1, centre.y / kSub - outer / kSub - 1,
                      centre.x / kSub + outer / kSub + 2, centre.y / kSub + outer / kSub + 2};
    FillShape(canvas, bounds, colour, [&](int sx, int sy) {
        const bool inGap = sx >= centre.x && sy < centre.y && centre.y - sy > sx - centre.x;
        return InCircle(centre, outer, sx, sy) && !InCircle(centre, inner, sx, sy) && !inGap;
    });
    PolygonIn(canvas, s, colour, {{{24, 6}}, {{38, 16}}, {{24, 26}}});
}

void RecordDot(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    FillCircle(canvas, s.At(32, 32), s.Length(20), colour);
}

void Eyedropper(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    // The bulb, the collar and the tube, along the diagonal.
    FillCircle(canvas, s.At(48, 16), s.Length(10), colour);
    PolygonIn(canvas, s, colour, {{{34, 22}}, {{42, 14}}, {{50, 22}}, {{42, 30}}});
    PolygonIn(canvas, s, colour, {{{38, 22}}, {{42, 26}}, {{16, 52}}, {{10, 54}}, {{12, 48}}});
}

void CheckMark(Canvas& canvas, const Rect& box, Rgb colour)
{
    PolygonIn(canvas, Square(box), colour, {{{8, 34}}, {{16, 26}}, {{26, 36}}, {{48, 12}}, {{56, 20}}, {{26, 52}}});
}

void PointingTriangle(Canvas& canvas, const Rect& box, int eighths, Rgb colour)
{
    TurnedPolygonIn(canvas, Square(box), colour, {{{20, 12}}, {{48, 32}}, {{20, 52}}}, eighths);
}

void CompassArrow(Canvas& canvas, const Rect& box, int eighths, Rgb colour)
{
    const Square s(box);
    TurnedPolygonIn(canvas, s, colour, {{{28, 8}}, {{58, 32}}, {{28, 56}}}, eighths);
    TurnedPolygonIn(canvas, s, colour, {{{10, 27}}, {{30, 27}}, {{30, 37}}, {{10, 37}}}, eighths);
}

} // namespace skinart
