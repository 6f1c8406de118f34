#include "Resources/SkinArt/SliderAndTrimmerArt.h"

#include <algorithm>

#include "Resources/SkinArt/Looks.h"

namespace skinart {

namespace {

constexpr Rgb kGroove{30, 31, 36};
constexpr Rgb kThumbFace{200, 202, 210};
constexpr Rgb kThumbDisabled{120, 121, 130};
constexpr Rgb kPaneFill{214, 216, 222};
constexpr Rgb kPaneLine{150, 152, 162};

// The glyph colour of a panel face in each state, as the transport's faces
// draw theirs.
Rgb GlyphColour(ButtonState state)
{
    switch (state) {
    case ButtonState::Down:
        return Rgb{255, 255, 255};
    case ButtonState::Disabled:
        return Rgb{112, 113, 122};
    default:
        return Rgb{225, 225, 225};
    }
}

// The square the transport's faces put their glyph in.
Rect GlyphBox(const Canvas& canvas)
{
    const int side = std::min(canvas.Width(), canvas.Height()) - 6;
    const int x = (canvas.Width() - side) / 2, y = (canvas.Height() - side) / 2;
    return {x, y, x + side, y + side};
}

} // namespace

void PaintSliderTrack(Canvas& canvas, const SkinRow&, int)
{
    const int w = canvas.Width(), h = canvas.Height();
    FillRect(canvas, {0, 0, w, h}, palette::kPanelBack);
    if (w >= h) {
        FillRect(canvas, {3, h / 2 - 2, w - 3, h / 2 + 2}, kGroove);
        FillRect(canvas, {4, h / 2 - 1, w - 4, h / 2 + 1}, palette::kPictureLine);
    } else {
        FillRect(canvas, {w / 2 - 2, 3, w / 2 + 2, h - 3}, kGroove);
        FillRect(canvas, {w / 2 - 1, 4, w / 2 + 1, h - 4}, palette::kPictureLine);
    }
}

void PaintSliderThumb(Canvas& canvas, const SkinRow& row, int)
{
    const Rect all{0, 0, canvas.Width(), canvas.Height()};
    // The disabled thumbs are the odd rows (745, 749).
    const bool disabled = row.id % 2 != 0;
    FillRoundedRect(canvas, all, 3, palette::kOutline);
    FillRoundedRect(canvas, all.Inset(1, 1), 2, disabled ? kThumbDisabled : kThumbFace);
    if (canvas.Width() < canvas.Height())
        FillRect(canvas, {canvas.Width() / 2, 4, canvas.Width() / 2 + 1, canvas.Height() - 4}, palette::kOutline);
    else
        FillRect(canvas, {4, canvas.Height() / 2, canvas.Width() - 4, canvas.Height() / 2 + 1}, palette::kOutline);
}

void PaintTrimmerBack(Canvas& canvas, const SkinRow&, int)
{
    FillRect(canvas, {0, 0, canvas.Width(), canvas.Height()}, palette::kPanelLine);
    FillRect(canvas, {1, 1, canvas.Width() - 1, canvas.Height() - 1}, palette::kPanelBack);
    // Panes 0 to 2 (x, y, width, height), one pixel more each way as the
    // inclusive pane rectangles reach, framed by a line.
    const int panes[3][4] = {{19, 34, 64, 16}, {19, 58, 64, 16}, {150, 58, 64, 16}};
    for (const auto& p : panes) {
        FillRect(canvas, {p[0] - 1, p[1] - 1, p[0] + p[2] + 2, p[1] + p[3] + 2}, kPaneLine);
        FillRect(canvas, {p[0], p[1], p[0] + p[2] + 1, p[1] + p[3] + 1}, kPaneFill);
    }
}

void PaintArrowFace(Canvas& canvas, const SkinRow& row, Heading heading)
{
    PaintPanelFace(canvas, row, PanelGlyph::None);
    ArrowHead(canvas, GlyphBox(canvas), heading, GlyphColour(row.state));
}

void PaintSeekFace(Canvas& canvas, const SkinRow& row, Direction direction)
{
    PaintPanelFace(canvas, row, PanelGlyph::None);
    SeekToMark(canvas, GlyphBox(canvas), direction, GlyphColour(row.state));
}

} // namespace skinart
