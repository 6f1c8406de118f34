#pragma once
// The skin's look: one dark, flat palette and the painters the skin table's
// rows name. A frame strip is cut from one box drawn three cells wide (and
// three cells high for 8 cells, one for a 3-cell top bar), so its corners
// and edges always meet; box painters keep their middle column and middle
// row uniform, which makes the edge cells tile.

#include "Resources/SkinArt/SkinRow.h"

namespace skinart {

namespace palette {
inline constexpr Rgb kDialogBack{87, 87, 94};
inline constexpr Rgb kFrameShade{84, 86, 107};
inline constexpr Rgb kEditBack{148, 173, 173};
inline constexpr Rgb kPanelBack{74, 75, 84};
inline constexpr Rgb kPanelLine{70, 71, 80};
// Outer line of windows and captions, and outline of buttons and tabs.
inline constexpr Rgb kWindowLine{28, 29, 34};
inline constexpr Rgb kOutline{38, 39, 46};
inline constexpr Rgb kButtonFace{66, 68, 79};
inline constexpr Rgb kButtonLight{92, 95, 108};
inline constexpr Rgb kButtonShade{56, 58, 67};
inline constexpr Rgb kPressedShade{112, 134, 136};
inline constexpr Rgb kActiveCaption{40, 66, 74};
inline constexpr Rgb kInactiveCaption{62, 63, 71};
inline constexpr Rgb kInactiveShade{74, 75, 88};
inline constexpr Rgb kCaptionBoxFace{48, 49, 56};
inline constexpr Rgb kGroupLine{118, 120, 136};
inline constexpr Rgb kWellFace{72, 73, 81};
inline constexpr Rgb kWellShade{58, 59, 66};
inline constexpr Rgb kTabFace{60, 62, 72};
inline constexpr Rgb kTabLight{80, 83, 96};
inline constexpr Rgb kPictureLine{120, 122, 136};
inline constexpr Rgb kPictureBack{30, 30, 34};
inline constexpr Rgb kPictureShadow{24, 24, 28};
} // namespace palette

// Draws a frame's whole box into `box`.
using BoxPainter = void (*)(Canvas& canvas, const Rect& box);

// Draws the box once and cuts the row's cells from it in frame order.
void PaintFrameStrip(Canvas& canvas, const SkinRow& row, BoxPainter box);

template <BoxPainter box>
void FrameStrip(Canvas& canvas, const SkinRow& row, int)
{
    PaintFrameStrip(canvas, row, box);
}

template <Rgb colour>
void FlatTile(Canvas& canvas, const SkinRow&, int)
{
    FillRect(canvas, {0, 0, canvas.Width(), canvas.Height()}, colour);
}

void PanelBox(Canvas& canvas, const Rect& box);
void ButtonBox(Canvas& canvas, const Rect& box);
void PressedButtonBox(Canvas& canvas, const Rect& box);
void CaptionButtonBox(Canvas& canvas, const Rect& box);
void GroupBox(Canvas& canvas, const Rect& box);
void ControlWellBox(Canvas& canvas, const Rect& box);
void TabBox(Canvas& canvas, const Rect& box);
void WindowFrameBox(Canvas& canvas, const Rect& box);
// A caption band framed by the window's outer line and shade on the top and
// sides, and below by the same line and shade the window frame starts with.
void CaptionBox(Canvas& canvas, const Rect& box, Rgb band, Rgb shade);

template <Rgb band, Rgb shade>
void CaptionFrameBox(Canvas& canvas, const Rect& box)
{
    CaptionBox(canvas, box, band, shade);
}

// A picture's frame: a one-pixel line on the left and top, and a shadow
// eight pixels deep on the right and bottom falling onto `back`.
void PaintPictureFrame(Canvas& canvas, Rgb back);

template <Rgb back>
void PictureFrame(Canvas& canvas, const SkinRow&, int)
{
    PaintPictureFrame(canvas, back);
}

} // namespace skinart
