#pragma once
// The art of the slider with value label and of the trimmer panel. The
// slider's tracks are exactly as long as the room between its step buttons
// (89 pixels: the buttons sit at 0 and 106 of a 123-pixel control), its
// thumbs are keyed; each step button shows the way it moves the value (a
// vertical slider's minimum is at its top). The trimmer's background holds
// its eleven buttons, its three light panes (where it draws black text) and
// its shuttle; the trimmer shares the preview transport's faces and adds
// the seek-to-mark faces and the marks' disabled faces.

#include <array>

#include "Resources/SkinArt/ControlPanelArt.h"
#include "Resources/SkinArt/Glyphs.h"

namespace skinart {

void PaintSliderTrack(Canvas& canvas, const SkinRow& row, int);
void PaintSliderThumb(Canvas& canvas, const SkinRow& row, int);
void PaintTrimmerBack(Canvas& canvas, const SkinRow& row, int);
// A panel face of the row's state with an arrow or a seek-to-mark glyph.
void PaintArrowFace(Canvas& canvas, const SkinRow& row, Heading heading);
void PaintSeekFace(Canvas& canvas, const SkinRow& row, Direction direction);

template <Heading heading>
void ArrowFace(Canvas& canvas, const SkinRow& row, int)
{
    PaintArrowFace(canvas, row, heading);
}

template <Direction direction>
void SeekFace(Canvas& canvas, const SkinRow& row, int)
{
    PaintSeekFace(canvas, row, direction);
}

// The four states of one face painted by `paint`.
constexpr std::array<SkinRow, 4> FaceStates(int up, int down, int focus, int disabled, int width, int height,
                                            Painter paint, const char* use)
{
    const int ids[4] = {up, down, focus, disabled};
    const ButtonState states[4] = {ButtonState::Up, ButtonState::Down, ButtonState::Focus, ButtonState::Disabled};
    std::array<SkinRow, 4> rows{};
    for (int i = 0; i < 4; ++i)
        rows[i] = SkinRow{.id = ids[i], .kind = Kind::ButtonFace, .width = width, .height = height,
                          .state = states[i], .keyed = true, .key = kMagentaKey, .paint = paint, .use = use};
    return rows;
}

// The up, down and focus faces of a button without a disabled face.
constexpr std::array<SkinRow, 3> FirstThree(const std::array<SkinRow, 4>& four)
{
    return {four[0], four[1], four[2]};
}

// One disabled face.
constexpr std::array<SkinRow, 1> DisabledFace(int id, int width, int height, Painter paint, const char* use)
{
    return {SkinRow{.id = id, .kind = Kind::ButtonFace, .width = width, .height = height,
                    .state = ButtonState::Disabled, .keyed = true, .key = kMagentaKey, .paint = paint, .use = use}};
}

inline constexpr std::array kSliderAndTrimmerPictures = {
    SkinRow{.id = 750, .kind = Kind::Picture, .width = 89, .height = 19, .paint = PaintSliderTrack,
            .use = "the slider's horizontal track"},
    SkinRow{.id = 752, .kind = Kind::Picture, .width = 25, .height = 89, .paint = PaintSliderTrack,
            .use = "the slider's vertical track"},
    SkinRow{.id = 742, .kind = Kind::KeyedImage, .width = 9, .height = 17, .keyed = true, .key = kMagentaKey,
            .paint = PaintSliderThumb, .use = "the horizontal slider's thumb: up, down and focus"},
    SkinRow{.id = 745, .kind = Kind::KeyedImage, .width = 9, .height = 17, .keyed = true, .key = kMagentaKey,
            .paint = PaintSliderThumb, .use = "the horizontal slider's thumb, disabled"},
    SkinRow{.id = 746, .kind = Kind::KeyedImage, .width = 21, .height = 9, .keyed = true, .key = kMagentaKey,
            .paint = PaintSliderThumb, .use = "the vertical slider's thumb: up, down and focus"},
    SkinRow{.id = 749, .kind = Kind::KeyedImage, .width = 21, .height = 9, .keyed = true, .key = kMagentaKey,
            .paint = PaintSliderThumb, .use = "the vertical slider's thumb, disabled"},
    SkinRow{.id = 899, .kind = Kind::Picture, .width = 320, .height = 92, .paint = PaintTrimmerBack,
            .use = "the trimmer panel: eleven buttons, panes 0 to 2 and the shuttle"},
};

inline constexpr auto kSliderAndTrimmerArt = JoinRows(
    kSliderAndTrimmerPictures,
    FaceStates(726, 727, 728, 729, 17, 19, ArrowFace<Heading::Left>, "slider step: down, horizontal"),
    FaceStates(734, 735, 736, 737, 17, 19, ArrowFace<Heading::Right>, "slider step: up, horizontal"),
    FaceStates(738, 739, 740, 741, 25, 17, ArrowFace<Heading::Up>, "slider step: toward the top"),
    FaceStates(730, 731, 732, 733, 25, 17, ArrowFace<Heading::Down>, "slider step: toward the bottom"),
    FaceStates(1088, 1089, 1090, 1091, 17, 19, ArrowFace<Heading::Left>, "slider step of the second tables: down"),
    FaceStates(1092, 1093, 1094, 1095, 17, 19, ArrowFace<Heading::Right>, "slider step of the second tables: up"),
    FirstThree(FaceStates(920, 924, 919, 920, 22, 33, SeekFace<Direction::Left>, "trimmer: seek to the mark-in point")),
    FirstThree(FaceStates(917, 921, 923, 917, 22, 33, SeekFace<Direction::Right>, "trimmer: seek to the mark-out point")),
    DisabledFace(1121, 22, 33, PanelFace<PanelGlyph::InPoint>, "trimmer: mark in, disabled"),
    DisabledFace(1122, 22, 33, PanelFace<PanelGlyph::OutPoint>, "trimmer: mark out, disabled"),
    DisabledFace(943, 22, 33, PanelFace<PanelGlyph::Clear>, "trimmer: clear both marks, disabled"));

} // namespace skinart
