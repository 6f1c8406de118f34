#include "Resources/SkinArt/Glyphs.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

void HelpBadge(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    FillRing(canvas, s.At(32, 32), s.Length(28), s.Length(22), colour);
    FillCircle(canvas, s.At(32, 18), s.Length(5), colour);
    PolygonIn(canvas, s, colour, {{{28, 28}}, {{36, 28}}, {{36, 48}}, {{28, 48}}});
}

void MinimiseBar(Canvas& canvas, const Rect& box, Rgb colour)
{
    PolygonIn(canvas, Square(box), colour, {{{14, 42}}, {{50, 42}}, {{50, 50}}, {{14, 50}}});
}

void TextLines(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    PolygonIn(canvas, s, colour, {{{8, 12}}, {{56, 12}}, {{56, 20}}, {{8, 20}}});
    PolygonIn(canvas, s, colour, {{{8, 28}}, {{48, 28}}, {{48, 36}}, {{8, 36}}});
    PolygonIn(canvas, s, colour, {{{8, 44}}, {{36, 44}}, {{36, 52}}, {{8, 52}}});
}

void PictureOverPicture(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    // The large picture's outline, and a filled small one over its corner.
    PolygonIn(canvas, s, colour, {{{6, 10}}, {{46, 10}}, {{46, 16}}, {{6, 16}}});
    PolygonIn(canvas, s, colour, {{{6, 10}}, {{12, 10}}, {{12, 42}}, {{6, 42}}});
    PolygonIn(canvas, s, colour, {{{6, 36}}, {{24, 36}}, {{24, 42}}, {{6, 42}}});
    PolygonIn(canvas, s, colour, {{{40, 10}}, {{46, 10}}, {{46, 22}}, {{40, 22}}});
    PolygonIn(canvas, s, colour, {{{26, 26}}, {{58, 26}}, {{58, 54}}, {{26, 54}}});
}

void DiagonalSplit(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    PolygonIn(canvas, s, colour, {{{6, 12}}, {{42, 12}}, {{18, 52}}, {{6, 52}}});
    PolygonIn(canvas, s, colour, {{{48, 12}}, {{58, 12}}, {{58, 52}}, {{24, 52}}});
}

void SpectrumBars(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    constexpr int kTops[] = {34, 18, 8, 26, 40};
    for (int i = 0; i < 5; ++i) {
        const int left = 6 + i * 11;
        PolygonIn(canvas, s, colour, {{{left, kTops[i]}}, {{left + 8, kTops[i]}}, {{left + 8, 56}}, {{left, 56}}});
    }
}

void MusicNote(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    FillCircle(canvas, s.At(22, 48), s.Length(10), colour);
    PolygonIn(canvas, s, colour, {{{27, 8}}, {{33, 8}}, {{33, 48}}, {{27, 48}}});
    PolygonIn(canvas, s, colour, {{{33, 8}}, {{50, 18}}, {{50, 26}}, {{33, 16}}});
}

void ColourDrop(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    FillCircle(canvas, s.At(32, 40), s.Length(16), colour);
    PolygonIn(canvas, s, colour, {{{32, 6}}, {{46, 32}}, {{18, 32}}});
}

void Camera(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    const SubPoint lens = s.At(28, 34);
    // The body with the lens left open in it, and the viewfinder on top.
    FillShape(canvas, box, colour, [&](int sx, int sy) {
        const SubPoint a = s.At(6, 18), b = s.At(50, 50);
        const bool body = sx >= a.x && sx < b.x && sy >= a.y && sy < b.y;
        return body && !InCircle(lens, s.Length(10), sx, sy);
    });
    FillCircle(canvas, lens, s.Length(5), colour);
    PolygonIn(canvas, s, colour, {{{50, 26}}, {{60, 18}}, {{60, 50}}, {{50, 42}}});
    PolygonIn(canvas, s, colour, {{{12, 12}}, {{26, 12}}, {{26, 18}}, {{12, 18}}});
}

void Scissors(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    FillRing(canvas, s.At(16, 46), s.Length(10), s.Length(5), colour);
    FillRing(canvas, s.At(48, 46), s.Length(10), s.Length(5), colour);
    PolygonIn(canvas, s, colour, {{{20, 36}}, {{46, 6}}, {{50, 10}}, {{26, 40}}});
    PolygonIn(canvas, s, colour, {{{44, 36}}, {{18, 6}}, {{14, 10}}, {{38, 40}}});
}

void ScreenOut(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    PolygonIn(canvas, s, colour, {{{6, 10}}, {{50, 10}}, {{50, 16}}, {{6, 16}}});
    PolygonIn(canvas, s, colour, {{{6, 10}}, {{12, 10}}, {{12, 42}}, {{6, 42}}});
    PolygonIn(canvas, s, colour, {{{6, 36}}, {{50, 36}}, {{50, 42}}, {{6, 42}}});
    PolygonIn(canvas, s, colour, {{{44, 10}}, {{50, 10}}, {{50, 22}}, {{44, 22}}});
    PolygonIn(canvas, s, colour, {{{24, 42}}, {{32, 42}}, {{36, 54}}, {{20, 54}}});
    PolygonIn(canvas, s, colour, {{{36, 26}}, {{48, 26}}, {{48, 20}}, {{60, 30}}, {{48, 40}}, {{48, 34}}, {{36, 34}}});
}

void Globe(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    const SubPoint centre = s.At(32, 32);
    FillRing(canvas, centre, s.Length(26), s.Length(21), colour);
    PolygonIn(canvas, s, colour, {{{8, 29}}, {{56, 29}}, {{56, 35}}, {{8, 35}}});
    PolygonIn(canvas, s, colour, {{{29, 8}}, {{35, 8}}, {{35, 56}}, {{29, 56}}});
    // The meridians bowing out either side of the axis.
    FillShape(canvas, box, colour, [&](int sx, int sy) {
        const std::int64_t dx = sx - centre.x, dy = sy - centre.y;
        const std::int64_t rx = s.Length(14), ry = s.Length(24), inner = s.Length(10);
        const bool outer = dx * dx * ry * ry + dy * dy * rx * rx <= rx * rx * ry * ry;
        const bool hole = dx * dx * ry * ry + dy * dy * inner * inner <= inner * inner * ry * ry;
        return outer && !hole;
    });
}

void CardStack(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    PolygonIn(canvas, s, colour, {{{18, 8}}, {{56, 8}}, {{56, 40}}, {{52, 40}}, {{52, 12}}, {{18, 12}}});
    PolygonIn(canvas, s, colour, {{{12, 16}}, {{50, 16}}, {{50, 48}}, {{46, 48}}, {{46, 20}}, {{12, 20}}});
    PolygonIn(canvas, s, colour, {{{6, 24}}, {{44, 24}}, {{44, 56}}, {{6, 56}}});
}

void Disc(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    FillRing(canvas, s.At(32, 32), s.Length(26), s.Length(6), colour);
}

void NewPage(Canvas& canvas, const Rect& box, Rgb colour)
{
    PolygonIn(canvas, Square(box), colour, {{{14, 6}}, {{38, 6}}, {{52, 20}}, {{52, 58}}, {{14, 58}}});
}

void OpenFolder(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    PolygonIn(canvas, s, colour, {{{6, 14}}, {{24, 14}}, {{30, 20}}, {{52, 20}}, {{52, 26}}, {{6, 26}}});
    PolygonIn(canvas, s, colour, {{{6, 30}}, {{60, 30}}, {{52, 54}}, {{6, 54}}});
}

void SaveDisk(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    // The case with its label window left open.
    FillShape(canvas, box, colour, [&](int sx, int sy) {
        const SubPoint a = s.At(8, 8), b = s.At(56, 56), la = s.At(18, 12), lb = s.At(46, 26);
        const bool body = sx >= a.x && sx < b.x && sy >= a.y && sy < b.y;
        const bool label = sx >= la.x && sx < lb.x && sy >= la.y && sy < lb.y;
        return body && !label;
    });
}

void UndoArrow(Canvas& canvas, const Rect& box, Rgb colour)
{
    const Square s(box);
    const SubPoint centre = s.At(34, 36);
    const int outer = s.Length(20), inner = s.Length(13);
    // The lower half of a ring, then the head pointing left at its top end.
    FillShape(canvas, box, colour, [&](int sx, int sy) {
        const bool half = sy >= centre.y || sx >= centre.x;
        return half && InCircle(centre, outer, sx, sy) && !InCircle(centre, inner, sx, sy);
    });
    PolygonIn(canvas, s, colour, {{{34, 8}}, {{34, 31}}, {{14, 20}}});
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
