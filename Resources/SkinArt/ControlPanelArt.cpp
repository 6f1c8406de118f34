#include "Resources/SkinArt/ControlPanelArt.h"

#include <algorithm>

#include "Resources/SkinArt/Glyphs.h"
#include "Resources/SkinArt/Looks.h"

namespace skinart {

namespace {

constexpr Rgb kGlyph{225, 225, 225};
constexpr Rgb kGlyphDisabled{112, 113, 122};
constexpr Rgb kPaneFill{214, 216, 222};
constexpr Rgb kPaneLine{150, 152, 162};
constexpr Rgb kGroove{30, 31, 36};

struct FaceLook {
    Rgb outline, light, face, glyph;
};

FaceLook LookOf(ButtonState state)
{
    using namespace palette;
    switch (state) {
    case ButtonState::Down:
        return {kOutline, kPressedShade, Rgb{52, 78, 88}, Rgb{255, 255, 255}};
    case ButtonState::Focus:
        return {Rgb{120, 150, 170}, kTabLight, Rgb{76, 79, 92}, kGlyph};
    case ButtonState::Disabled:
        return {kOutline, kButtonShade, Rgb{58, 59, 66}, kGlyphDisabled};
    default:
        return {kOutline, kButtonLight, kButtonFace, kGlyph};
    }
}

void DrawGlyph(Canvas& canvas, const Rect& box, PanelGlyph glyph, Rgb colour)
{
    switch (glyph) {
    case PanelGlyph::Play: PlayTriangle(canvas, box, colour); break;
    case PanelGlyph::Pause: PauseBars(canvas, box, colour); break;
    case PanelGlyph::Stop: StopSquare(canvas, box, colour); break;
    case PanelGlyph::StepBack: StepArrow(canvas, box, Direction::Left, colour); break;
    case PanelGlyph::StepForward: StepArrow(canvas, box, Direction::Right, colour); break;
    case PanelGlyph::SkipBack: SkipArrow(canvas, box, Direction::Left, colour); break;
    case PanelGlyph::SkipForward: SkipArrow(canvas, box, Direction::Right, colour); break;
    case PanelGlyph::Loop: LoopArrow(canvas, box, colour); break;
    case PanelGlyph::Record: RecordDot(canvas, box, Rgb{220, 60, 60}); break;
    case PanelGlyph::InPoint: MarkBracket(canvas, box, Direction::Left, colour); break;
    case PanelGlyph::OutPoint: MarkBracket(canvas, box, Direction::Right, colour); break;
    case PanelGlyph::Clear: CrossMark(canvas, box, colour); break;
    case PanelGlyph::None: break;
    }
}

// A light pane framed by a line, at (x, y) of `width` x `height` and one
// pixel more each way, as the panels' inclusive pane rectangles reach.
void Pane(Canvas& canvas, int x, int y, int width, int height)
{
    FillRect(canvas, {x - 1, y - 1, x + width + 2, y + height + 2}, kPaneLine);
    FillRect(canvas, {x, y, x + width + 1, y + height + 1}, kPaneFill);
}

void PanelFill(Canvas& canvas)
{
    FillRect(canvas, {0, 0, canvas.Width(), canvas.Height()}, palette::kPanelLine);
    FillRect(canvas, {1, 1, canvas.Width() - 1, canvas.Height() - 1}, palette::kPanelBack);
}

} // namespace

void PaintPanelFace(Canvas& canvas, const SkinRow& row, PanelGlyph glyph)
{
    const FaceLook look = LookOf(row.state);
    const Rect all{0, 0, canvas.Width(), canvas.Height()};
    FillRoundedRect(canvas, all, 3, look.outline);
    const Rect face = all.Inset(1, 1);
    FillRoundedRect(canvas, face, 2, look.light);
    FillRoundedRect(canvas, {face.left, face.top + 1, face.right, face.bottom}, 2, look.face);
    const int side = std::min(canvas.Width(), canvas.Height()) - 6;
    const int x = (canvas.Width() - side) / 2, y = (canvas.Height() - side) / 2;
    DrawGlyph(canvas, {x, y, x + side, y + side}, glyph, look.glyph);
}

void PaintTransportBack(Canvas& canvas, const SkinRow&, int)
{
    PanelFill(canvas);
    Pane(canvas, 34, 38, 64, 16);
    Pane(canvas, 34, 64, 98, 16);
    Pane(canvas, 124, 64, 188, 16);
    // Panes 1 and 2 meet: no line between them.
    FillRect(canvas, {34, 64, 124 + 188 + 1, 64 + 16 + 1}, kPaneFill);
}

void PaintStripBack(Canvas& canvas, const SkinRow&, int)
{
    PanelFill(canvas);
    Pane(canvas, 34, 4, 64, 16);
    Pane(canvas, 187, 4, 64, 16);
}

void PaintToolStripBack(Canvas& canvas, const SkinRow&, int)
{
    PanelFill(canvas);
}

void PaintShuttleTrack(Canvas& canvas, const SkinRow&, int)
{
    FillRect(canvas, {0, 0, canvas.Width(), canvas.Height()}, palette::kPanelBack);
    const int middle = canvas.Height() / 2;
    FillRect(canvas, {4, middle - 2, canvas.Width() - 4, middle + 2}, kGroove);
    FillRect(canvas, {5, middle - 1, canvas.Width() - 5, middle + 1}, palette::kPictureLine);
}

void PaintShuttleThumb(Canvas& canvas, const SkinRow&, int)
{
    const Rect all{0, 0, canvas.Width(), canvas.Height()};
    FillRoundedRect(canvas, all, 3, palette::kOutline);
    FillRoundedRect(canvas, all.Inset(1, 1), 2, Rgb{200, 202, 210});
    FillRect(canvas, {canvas.Width() / 2, 4, canvas.Width() / 2 + 1, canvas.Height() - 4}, palette::kOutline);
}

} // namespace skinart
