#pragma once
// The control panels' art: the shuttle, the four-button strips, the tool
// dialogs' button strip and the preview transport. Every face is exactly
// the size its panel's table gives the button (the panels size each button
// to its image), one bitmap per state, keyed with magenta at its rounded
// corners; glyphs are light on dark faces, and the light areas of the
// backgrounds lie under the panes where the panels draw black text.

#include <array>

#include "Resources/SkinArt/SkinRow.h"

namespace skinart {

enum class PanelGlyph {
    None, Play, Pause, Stop, StepBack, StepForward, SkipBack, SkipForward, Loop, Record, InPoint, OutPoint, Clear
};

// A keyed face of the row's state with the glyph in its middle.
void PaintPanelFace(Canvas& canvas, const SkinRow& row, PanelGlyph glyph);

template <PanelGlyph glyph>
void PanelFace(Canvas& canvas, const SkinRow& row, int)
{
    PaintPanelFace(canvas, row, glyph);
}

// The backgrounds: the preview transport (panes 0 to 2 light, the strips'
// place below), the four-button strips (panes 1 and 2 light), the tool
// strip, the shuttle's track and thumb.
void PaintTransportBack(Canvas& canvas, const SkinRow& row, int);
void PaintStripBack(Canvas& canvas, const SkinRow& row, int);
void PaintToolStripBack(Canvas& canvas, const SkinRow& row, int);
void PaintShuttleTrack(Canvas& canvas, const SkinRow& row, int);
void PaintShuttleThumb(Canvas& canvas, const SkinRow& row, int);

// The faces of one button, in the order up, down, focus, disabled; a 0 id
// leaves a state out (its row repeats the up face and is dropped by
// FaceSet3).
template <PanelGlyph glyph>
constexpr std::array<SkinRow, 4> FaceSet(int up, int down, int focus, int disabled, int width, int height,
                                         const char* use)
{
    const int ids[4] = {up, down, focus, disabled};
    const ButtonState states[4] = {ButtonState::Up, ButtonState::Down, ButtonState::Focus, ButtonState::Disabled};
    std::array<SkinRow, 4> rows{};
    for (int i = 0; i < 4; ++i)
        rows[i] = SkinRow{.id = ids[i], .kind = Kind::ButtonFace, .width = width, .height = height,
                          .state = states[i], .keyed = true, .key = kMagentaKey, .paint = PanelFace<glyph>,
                          .use = use};
    return rows;
}

template <PanelGlyph glyph>
constexpr std::array<SkinRow, 3> FaceSet3(int up, int down, int focus, int width, int height, const char* use)
{
    const auto four = FaceSet<glyph>(up, down, focus, up, width, height, use);
    return {four[0], four[1], four[2]};
}

inline constexpr std::array kPanelBackgrounds = {
    SkinRow{.id = 330, .kind = Kind::Picture, .width = 340, .height = 112, .paint = PaintTransportBack,
            .use = "the preview transport panel: buttons, panes 0 to 2 and the strips' place at (0, 60)"},
    SkinRow{.id = 835, .kind = Kind::Picture, .width = 340, .height = 50, .paint = PaintStripBack,
            .use = "a strip of four buttons"},
    SkinRow{.id = 849, .kind = Kind::Picture, .width = 340, .height = 50, .paint = PaintStripBack,
            .use = "a strip of two or three buttons"},
    SkinRow{.id = 848, .kind = Kind::Picture, .width = 340, .height = 50, .paint = PaintStripBack,
            .use = "a strip of one button"},
    SkinRow{.id = 1053, .kind = Kind::Picture, .width = 504, .height = 30, .paint = PaintToolStripBack,
            .use = "the tool dialogs' strip, four-button form"},
    SkinRow{.id = 1070, .kind = Kind::Picture, .width = 162, .height = 30, .paint = PaintToolStripBack,
            .use = "the tool dialogs' strip, one-button form"},
    SkinRow{.id = 911, .kind = Kind::Picture, .width = 130, .height = 23, .paint = PaintShuttleTrack,
            .use = "the control panels' shuttle track (pane 3)"},
    // Ten wide: the thumb then travels 120 pixels of the 130-pixel track,
    // 0.6 a position, so that the middle position lies on a whole pixel.
    SkinRow{.id = 372, .kind = Kind::KeyedImage, .width = 10, .height = 21, .keyed = true, .key = kMagentaKey,
            .paint = PaintShuttleThumb, .use = "the shuttle's thumb, up and down"},
};

inline constexpr auto kControlPanelArt = JoinRows(
    kPanelBackgrounds,
    FaceSet<PanelGlyph::SkipBack>(351, 352, 353, 354, 22, 33, "transport: go to start"),
    FaceSet<PanelGlyph::StepBack>(359, 360, 361, 362, 22, 33, "transport: previous frame"),
    FaceSet<PanelGlyph::Play>(331, 332, 333, 334, 22, 33, "transport: play"),
    FaceSet<PanelGlyph::Pause>(335, 336, 337, 338, 22, 33, "transport: pause"),
    FaceSet<PanelGlyph::Stop>(967, 968, 969, 970, 22, 33, "transport: stop"),
    FaceSet<PanelGlyph::StepForward>(355, 356, 357, 358, 22, 33, "transport: next frame"),
    FaceSet<PanelGlyph::SkipForward>(347, 348, 349, 350, 22, 33, "transport: go to end"),
    FaceSet<PanelGlyph::Loop>(339, 340, 341, 342, 22, 33, "transport: loop"),
    FaceSet<PanelGlyph::None>(846, 845, 847, 858, 62, 26, "the transport's one-button strip (captioned by its user)"),
    FaceSet3<PanelGlyph::InPoint>(363, 364, 365, 22, 33, "the transport's strips: mark in"),
    FaceSet3<PanelGlyph::OutPoint>(367, 368, 369, 22, 33, "the transport's strips: mark out"),
    FaceSet3<PanelGlyph::Clear>(941, 945, 944, 22, 33, "the transport's strips: clear both marks"),
    FaceSet3<PanelGlyph::InPoint>(383, 841, 384, 55, 22, "the transport's four-button strip: first time"),
    FaceSet3<PanelGlyph::OutPoint>(387, 842, 388, 55, 22, "the transport's four-button strip: second time"),
    FaceSet3<PanelGlyph::InPoint>(389, 843, 390, 55, 22, "the transport's four-button strip: third time"),
    FaceSet3<PanelGlyph::OutPoint>(391, 844, 392, 55, 22, "the transport's four-button strip: last time"),
    FaceSet<PanelGlyph::Record>(827, 828, 829, 830, 30, 26, "the default strip: record"),
    FaceSet<PanelGlyph::Play>(831, 832, 833, 834, 30, 26, "the default strip: capture"),
    FaceSet<PanelGlyph::None>(1055, 1054, 1056, 1057, 114, 30, "the tool strip: first state (captioned)"),
    FaceSet<PanelGlyph::None>(1063, 1062, 1064, 1065, 114, 30, "the tool strip: second state (captioned)"),
    FaceSet<PanelGlyph::None>(1067, 1066, 1068, 1069, 114, 30, "the tool strip: third state (captioned)"),
    FaceSet<PanelGlyph::None>(1058, 1059, 1060, 1061, 70, 22, "the tool strip: push button (captioned)"));

} // namespace skinart
