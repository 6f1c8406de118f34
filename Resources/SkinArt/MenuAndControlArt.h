#pragma once
// The art of the skinned popup menu, the decimal spin and the button strip.
//
// The menu's selected item is filled with the selection colour and framed
// by 554, so the frame is as light as that fill and its text is black; the
// check marks are copied opaque, each on the colour of the surface it lands
// on (939 on the selection, 910 on the dialog background 473). The spin's
// arrows stand at both ends of its edit, as high as an edit line. The
// strip's nine pictures are keyed over its faces: eight arrows toward the
// corners and sides of the grid and a mark for its centre.

#include <array>

#include "Resources/SkinArt/Glyphs.h"
#include "Resources/SkinArt/Looks.h"
#include "Resources/SkinArt/SkinRow.h"

namespace skinart {

namespace menu_art {
// The selection brush of the menu (COLORREF 0xBBBBA6).
inline constexpr Rgb kSelection{166, 187, 187};
inline constexpr Rgb kSelectionRim{92, 116, 120};
inline constexpr Rgb kSelectionLight{206, 220, 220};
inline constexpr Rgb kGrooveDark{46, 47, 54};
inline constexpr Rgb kGrooveLight{118, 120, 134};
inline constexpr Rgb kCheckOnSelection{24, 40, 44};
inline constexpr Rgb kCheckOnDialog{207, 207, 207};
inline constexpr Rgb kArrowInk{214, 216, 226};
inline constexpr Rgb kPressedInk{28, 29, 34};
inline constexpr Rgb kPictureInk{232, 234, 240};
// The check marks' copies are 11 pixels wide and as high as the item's
// text less 7 pixels; the mark sits in the top rows.
inline constexpr int kCheckWidth = 11;
inline constexpr int kCheckHeight = 16;
inline constexpr int kCheckInkHeight = 9;
inline constexpr int kSpinArrowWidth = 12;
inline constexpr int kSpinArrowHeight = 20;
inline constexpr int kStripFaceWidth = 27;
inline constexpr int kStripFaceHeight = 21;
} // namespace menu_art

inline void MenuSelectionBox(Canvas& canvas, const Rect& box)
{
    using namespace menu_art;
    FillRect(canvas, box, kSelectionRim);
    FillRect(canvas, box.Inset(1, 1), kSelectionLight);
    FillRect(canvas, {box.left + 2, box.top + 2, box.right - 1, box.bottom - 1}, kSelection);
}

// A groove: a dark row over a light one.
inline void SeparatorGroove(Canvas& canvas, const SkinRow&, int)
{
    using namespace menu_art;
    FillRect(canvas, {0, 0, canvas.Width(), 1}, kGrooveDark);
    FillRect(canvas, {0, 1, canvas.Width(), canvas.Height()}, kGrooveLight);
}

template <Rgb back, Rgb ink>
void CheckOn(Canvas& canvas, const SkinRow&, int)
{
    FillRect(canvas, {0, 0, canvas.Width(), canvas.Height()}, back);
    CheckMark(canvas, {0, 0, canvas.Width(), menu_art::kCheckInkHeight}, ink);
}

// A spin arrow: style 0 on a push-button face, the other style in a well
// like the tool dialogs' controls; pressed, the face turns light and the
// arrow dark.
template <int eighths, bool well, bool pressed>
void SpinArrow(Canvas& canvas, const SkinRow&, int)
{
    using namespace menu_art;
    const Rect all{0, 0, canvas.Width(), canvas.Height()};
    if (pressed)
        PressedButtonBox(canvas, all);
    else if (well)
        ControlWellBox(canvas, all);
    else
        ButtonBox(canvas, all);
    PointingTriangle(canvas, all.Inset(2, 4), eighths, pressed ? kPressedInk : kArrowInk);
}

// The strip's background: a panel with a sunken well under the 3 x 3 grid
// of buttons (at 3, 3 to 84, 66).
inline void StripBackground(Canvas& canvas, const SkinRow&, int)
{
    const Rect all{0, 0, canvas.Width(), canvas.Height()};
    PanelBox(canvas, all);
    FillRect(canvas, {2, 2, 85, 67}, palette::kOutline);
}

inline void StripFace(Canvas& canvas, const SkinRow&, int)
{
    ButtonBox(canvas, {0, 0, canvas.Width(), canvas.Height()});
}

// `eighths` below 0 draws the centre mark.
template <int eighths>
void StripPicture(Canvas& canvas, const SkinRow&, int)
{
    const Rect box{3, 1, canvas.Width() - 3, canvas.Height() - 1};
    if (eighths < 0)
        RecordDot(canvas, box.Inset(3, 3), menu_art::kPictureInk);
    else
        CompassArrow(canvas, box, eighths, menu_art::kPictureInk);
}

inline constexpr SkinRow StripFaceRow(int id)
{
    return SkinRow{.id = id, .kind = Kind::ButtonFace, .width = menu_art::kStripFaceWidth,
                   .height = menu_art::kStripFaceHeight, .paint = StripFace,
                   .use = "a button of the 3 x 3 strip, up and down alike"};
}

template <int eighths>
constexpr SkinRow StripPictureRow(int id, const char* use)
{
    return SkinRow{.id = id, .kind = Kind::KeyedImage, .width = menu_art::kStripFaceWidth,
                   .height = menu_art::kStripFaceHeight, .keyed = true, .key = kMagentaKey,
                   .paint = StripPicture<eighths>, .use = use};
}

template <int eighths, bool well, bool pressed>
constexpr SkinRow SpinArrowRow(int id, const char* use)
{
    return SkinRow{.id = id, .kind = Kind::ButtonFace, .width = menu_art::kSpinArrowWidth,
                   .height = menu_art::kSpinArrowHeight,
                   .state = pressed ? ButtonState::Down : ButtonState::Up,
                   .paint = SpinArrow<eighths, well, pressed>, .use = use};
}

inline constexpr std::array kMenuAndControlArt = {
    SkinRow{.id = 554, .kind = Kind::FrameStrip, .width = 32, .height = 4, .cells = 8,
            .paint = FrameStrip<MenuSelectionBox>, .use = "the frame of a menu's selected item (black text)"},
    SkinRow{.id = 611, .kind = Kind::FillTile, .width = 16, .height = 2, .paint = SeparatorGroove,
            .use = "a menu separator, tiled from left to right"},
    SkinRow{.id = 910, .kind = Kind::Picture, .width = menu_art::kCheckWidth, .height = menu_art::kCheckHeight,
            .paint = CheckOn<palette::kDialogBack, menu_art::kCheckOnDialog>,
            .use = "the check mark of a menu item that is not selected"},
    SkinRow{.id = 939, .kind = Kind::Picture, .width = menu_art::kCheckWidth, .height = menu_art::kCheckHeight,
            .paint = CheckOn<menu_art::kSelection, menu_art::kCheckOnSelection>,
            .use = "the check mark of a selected menu item"},
    SpinArrowRow<0, false, false>(592, "the spin's right arrow"),
    SpinArrowRow<0, false, true>(593, "the spin's right arrow, pressed"),
    SpinArrowRow<4, false, false>(594, "the spin's left arrow"),
    SpinArrowRow<4, false, true>(595, "the spin's left arrow, pressed"),
    SpinArrowRow<4, true, false>(946, "the spin's left arrow in a well"),
    SpinArrowRow<4, true, true>(947, "the spin's left arrow in a well, pressed"),
    SpinArrowRow<0, true, false>(948, "the spin's right arrow in a well"),
    SpinArrowRow<0, true, true>(949, "the spin's right arrow in a well, pressed"),
    SkinRow{.id = 1071, .kind = Kind::Picture, .width = 87, .height = 69, .paint = StripBackground,
            .use = "the background of the 3 x 3 button strip"},
    StripFaceRow(1072), StripFaceRow(1073), StripFaceRow(1074), StripFaceRow(1075), StripFaceRow(1076),
    StripFaceRow(1077), StripFaceRow(1078), StripFaceRow(1079), StripFaceRow(1080),
    StripPictureRow<2>(286, "the strip's picture: down"),
    StripPictureRow<1>(287, "the strip's picture: down and right"),
    StripPictureRow<3>(288, "the strip's picture: down and left"),
    StripPictureRow<-1>(289, "the strip's picture: the centre"),
    StripPictureRow<6>(290, "the strip's picture: up"),
    StripPictureRow<5>(291, "the strip's picture: up and left"),
    StripPictureRow<7>(292, "the strip's picture: up and right"),
    StripPictureRow<0>(293, "the strip's picture: right"),
    StripPictureRow<4>(294, "the strip's picture: left"),
};

} // namespace skinart
