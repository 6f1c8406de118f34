#pragma once
// The art of the mode column (QKLModeCtrlPanel) and of the two bars
// (QKLToolBar): button faces at exactly their table's size, one bitmap a
// state, the produce button's still and animation, the effect markers and
// the fitted backgrounds. The mode column keys its faces with magenta and
// the produce button with its warm grey; the bars load their faces without
// a key, so theirs are opaque. Captions and the bars' texts are drawn by
// code in the skin's light dialog text colour, so the faces and the bars'
// backgrounds under them are dark.

#include <array>

#include "Resources/SkinArt/Glyphs.h"
#include "Resources/SkinArt/SkinRow.h"

namespace skinart {

using Glyph = void (*)(Canvas& canvas, const Rect& box, Rgb colour);

// A button face in the row's state with `glyph` in its middle.
void PaintGlyphFace(Canvas& canvas, const SkinRow& row, Glyph glyph);

template <Glyph glyph>
void GlyphFace(Canvas& canvas, const SkinRow& row, int)
{
    PaintGlyphFace(canvas, row, glyph);
}

// A face without a glyph: the tool bar's tabs, under their captions.
void PlainFace(Canvas& canvas, const SkinRow& row, int);
void ProduceFace(Canvas& canvas, const SkinRow& row, int);
// One frame of the produce button's run: film moves through the face and a
// bar below fills, full on the last frame.
void ProduceFrame(Canvas& canvas, const SkinRow& row, int frame);
void ModeEmblem(Canvas& canvas, const SkinRow& row, int);
void ModeColumnBack(Canvas& canvas, const SkinRow& row, int);
void ColumnDecoration(Canvas& canvas, const SkinRow& row, int);
// The marker beside a mode button: lit when the scene carries that kind of
// effect, dim when it does not.
void EffectMarkerLit(Canvas& canvas, const SkinRow& row, int);
void EffectMarkerDim(Canvas& canvas, const SkinRow& row, int);
void TopBarBack(Canvas& canvas, const SkinRow& row, int);
void StatusBarBack(Canvas& canvas, const SkinRow& row, int);
void BarDecoration(Canvas& canvas, const SkinRow& row, int);
void StatusSeparator(Canvas& canvas, const SkinRow& row, int);
void AboutFace(Canvas& canvas, const SkinRow& row, int);

namespace mode_and_bar_art {

constexpr SkinRow Face(int id, ButtonState state, int width, int height, Painter paint, const char* use,
                       bool keyed, Rgb key = kMagentaKey)
{
    return SkinRow{.id = id, .kind = Kind::ButtonFace, .width = width, .height = height, .state = state,
                   .keyed = keyed, .key = keyed ? key : Rgb{}, .paint = paint, .use = use};
}

// The four faces of a button, given as up, down, focus and disabled.
constexpr std::array<SkinRow, 4> Faces(std::array<int, 4> ids, int width, int height, Painter paint, const char* use,
                                       bool keyed = true, Rgb key = kMagentaKey)
{
    return {Face(ids[0], ButtonState::Up, width, height, paint, use, keyed, key),
            Face(ids[1], ButtonState::Down, width, height, paint, use, keyed, key),
            Face(ids[2], ButtonState::Focus, width, height, paint, use, keyed, key),
            Face(ids[3], ButtonState::Disabled, width, height, paint, use, keyed, key)};
}

constexpr SkinRow Whole(int id, Kind kind, int width, int height, Painter paint, const char* use)
{
    return SkinRow{.id = id, .kind = kind, .width = width, .height = height, .paint = paint, .use = use};
}

inline constexpr int kModeWidth = 59;
inline constexpr int kModeHeight = 36;
inline constexpr int kFileHeight = 25;
inline constexpr int kProduceHeight = 54;

} // namespace mode_and_bar_art

// The mode column: the emblem, the ten mode buttons and the two library
// buttons, the four file buttons, the produce button, the decorations,
// the markers and the column's background.
inline constexpr auto kModeColumnArt = [] {
    using namespace mode_and_bar_art;
    constexpr int w = kModeWidth, h = kModeHeight, fh = kFileHeight;
    return JoinRows(
        std::array{Whole(462, Kind::Picture, 67, 47, ModeEmblem, "the emblem at the top of the mode column")},
        Faces({618, 616, 617, 662}, w, h, GlyphFace<Scissors>, "the cutting-room mode button"),
        Faces({805, 803, 804, 806}, w, h, GlyphFace<ColourDrop>, "the colour mode button"),
        Faces({621, 619, 620, 663}, w, h, GlyphFace<SpectrumBars>, "the spectrum mode button"),
        Faces({633, 631, 632, 667}, w, h, GlyphFace<TextLines>, "the text mode button"),
        Faces({630, 628, 629, 666}, w, h, GlyphFace<DiagonalSplit>, "the transitions mode button"),
        Faces({636, 634, 635, 668}, w, h, GlyphFace<PictureOverPicture>, "the motion mode button"),
        Faces({624, 622, 623, 664}, w, h, GlyphFace<MusicNote>, "the audio mode button"),
        Faces({809, 807, 808, 810}, w, h, GlyphFace<ScreenOut>, "the video output mode button"),
        Faces({627, 625, 626, 665}, w, h, GlyphFace<Camera>, "the capture mode button"),
        Faces({1036, 1034, 1035, 1037}, w, h, GlyphFace<Globe>, "the web publishing mode button"),
        Faces({1040, 1039, 1041, 1042}, w, h, GlyphFace<CardStack>, "the mode column's library button"),
        Faces({1045, 1044, 1046, 1047}, w, h, GlyphFace<Disc>, "the mode column's optional library button"),
        Faces({1101, 1102, 1103, 1104}, w, fh, GlyphFace<NewPage>, "the new storyboard button"),
        Faces({1097, 1098, 1099, 1100}, w, fh, GlyphFace<OpenFolder>, "the open storyboard button"),
        Faces({1105, 1106, 1107, 1108}, w, fh, GlyphFace<SaveDisk>, "the save button"),
        Faces({1109, 1110, 1111, 1112}, w, fh, GlyphFace<UndoArrow>, "the undo button"),
        Faces({414, 413, 415, 416}, w, kProduceHeight, ProduceFace, "the produce button's still faces", true,
              kProduceKey),
        std::array{
            SkinRow{.id = 417, .kind = Kind::AnimationStrip, .width = 15 * w, .height = 2 * kProduceHeight,
                    .columns = 15, .rows = 2, .keyed = true, .key = kProduceKey, .paint = ProduceFrame,
                    .use = "the produce button's animation, 2 rows of 15 frames"},
            Whole(1128, Kind::Picture, w, 51, ColumnDecoration, "the decoration above the produce button"),
            Whole(1129, Kind::Picture, w, 15, ColumnDecoration, "the decoration at the foot of the mode column"),
            Whole(640, Kind::Picture, 9, 20, EffectMarkerLit, "the marker of a mode whose effect the scene carries"),
            Whole(641, Kind::Picture, 9, 20, EffectMarkerDim, "the marker of a mode whose effect the scene lacks"),
            Whole(463, Kind::Picture, 68, 2048, ModeColumnBack, "the mode column's background, fitted to it"),
        });
}();

// The tool bar: the top bar's window buttons, decoration and menu tabs, the
// status bar's button and separators, and both backgrounds.
inline constexpr auto kToolBarArt = [] {
    using namespace mode_and_bar_art;
    return JoinRows(
        Faces({549, 548, 550, 551}, 23, 31, GlyphFace<HelpBadge>, "the top bar's help button", false),
        Faces({374, 375, 376, 378}, 23, 31, GlyphFace<MinimiseBar>, "the top bar's minimise button", false),
        Faces({379, 380, 381, 382}, 47, 31, GlyphFace<CrossMark>, "the top bar's close button", false),
        std::array{
            Face(1131, ButtonState::Up, 292, 31, BarDecoration, "the top bar's decoration", false),
            Face(1130, ButtonState::Down, 292, 31, BarDecoration, "the top bar's decoration, pressed", false),
            Face(1132, ButtonState::Focus, 292, 31, BarDecoration, "the top bar's decoration, hovered", false),
            Face(1049, ButtonState::Up, 74, 21, PlainFace, "the top bar's menu tabs", false),
            Face(1048, ButtonState::Down, 74, 21, PlainFace, "the top bar's menu tab whose menu is open", false),
            Face(1050, ButtonState::Focus, 74, 21, PlainFace, "the top bar's menu tabs, hovered", false),
            Face(860, ButtonState::Up, 69, 24, AboutFace, "the status bar's about button", false),
            Face(861, ButtonState::Focus, 69, 24, AboutFace, "the status bar's about button, hovered", false),
            Whole(1113, Kind::Picture, 1, 24, StatusSeparator, "the status bar's separators"),
            Whole(461, Kind::Picture, 4096, 56, TopBarBack, "the top bar's background, fitted to it"),
            Whole(1052, Kind::Picture, 4096, 24, StatusBarBack, "the status bar's background, fitted to it"),
        });
}();

} // namespace skinart
