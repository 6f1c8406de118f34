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

void ArrowHead(Canvas& canvas, const Rect& box, Heading heading, Rgb colour)
{
    // Drawn pointing right and turned: left mirrors x, up and down swap the
    // axes of the right and left forms.
    const Square s(box);
    const std::array<std::array<int, 2>, 3> right = {{{{22, 14}}, {{46, 32}}, {{22, 50}}}};
    const bool across = heading == Heading::Up || heading == Heading::Down;
    const bool back = heading == Heading::Left || heading == Heading::Up;
    std::vector<SubPoint> points;
    for (const auto& p : right) {
        const int along = back ? 64 - p[0] : p[0];
        points.push_back(across ? s.At(p[1], along) : s.At(along, p[1]));
    }
    FillPolygon(canvas, points, colour);
}

void SeekToMark(Canvas& canvas, const Rect& box, Direction direction, Rgb colour)
{
    // Drawn for the out point and mirrored for the in point.
    const Square s(box);
    PolygonIn(canvas, s, colour, {{{40, 10}}, {{54, 10}}, {{54, 54}}, {{40, 54}}, {{40, 46}}, {{47, 46}}, {{47, 18}},
                                  {{40, 18}}},
              direction);
    PolygonIn(canvas, s, colour, {{{10, 16}}, {{34, 32}}, {{10, 48}}}, direction);
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

void MarkBracket(Canvas& canvas, const Rect& box, Direction direction, Rgb colour)
{
    // Drawn as the out point and mirrored for the in point, with a small
    // triangle pointing into the bracket.
    const Square s(box);
    PolygonIn(canvas, s, colour, {{{18, 10}}, {{46, 10}}, {{46, 54}}, {{18, 54}}, {{18, 46}}, {{38, 46}}, {{38, 18}},
                                  {{18, 18}}},
              direction);
    PolygonIn(canvas, s, colour, {{{10, 22}}, {{30, 32}}, {{10, 42}}}, direction);
}

void CrossMark(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    PolygonIn(canvas, s, colour, {{{12, 18}}, {{18, 12}}, {{52, 46}}, {{46, 52}}});
    PolygonIn(canvas, s, colour, {{{46, 12}}, {{52, 18}}, {{18, 52}}, {{12, 46}}});
}

} // namespace skinart
