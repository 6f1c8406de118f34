#include "Resources/SkinArt/Looks.h"

#include <algorithm>

namespace skinart {

using namespace palette;

void PaintFrameStrip(Canvas& canvas, const SkinRow& row, BoxPainter box)
{
    // Column and row of each cell in the box, in frame order.
    struct Place {
        int column, row;
    };
    static constexpr Place kFrame[] = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {0, 2}, {2, 1}, {1, 2}, {2, 2}};
    static constexpr Place kTopBar[] = {{0, 0}, {1, 0}, {2, 0}};
    const int cell = row.CellWidth();
    const int bands = row.cells == 8 ? 3 : 1;
    Canvas whole(cell * 3, row.height * bands, Rgb{});
    box(whole, {0, 0, whole.Width(), whole.Height()});
    const std::span<const Place> places = row.cells == 8 ? std::span<const Place>(kFrame) : kTopBar;
    for (size_t i = 0; i < places.size(); ++i) {
        const Rect from{places[i].column * cell, places[i].row * row.height, (places[i].column + 1) * cell,
                        (places[i].row + 1) * row.height};
        canvas.Paste(whole.Cut(from), static_cast<int>(i) * cell, 0);
    }
}

void PanelBox(Canvas& canvas, const Rect& box)
{
    // Quiet enough that the strip also serves as a tiled fill.
    FillRect(canvas, box, kPanelLine);
    FillRect(canvas, box.Inset(1, 1), kPanelBack);
}

void ButtonBox(Canvas& canvas, const Rect& box)
{
    FillRect(canvas, box, kDialogBack);
    FillRoundedRect(canvas, box, 2, kOutline);
    const Rect face = box.Inset(1, 1);
    FillRoundedRect(canvas, face, 1, kButtonLight);
    FillRoundedRect(canvas, {face.left, face.top + 1, face.right, face.bottom}, 1, kButtonShade);
    FillRoundedRect(canvas, {face.left, face.top + 1, face.right, face.bottom - 1}, 1, kButtonFace);
}

void PressedButtonBox(Canvas& canvas, const Rect& box)
{
    // Pushed in: a shade along the inner top and left, the light face below.
    FillRect(canvas, box, kDialogBack);
    FillRoundedRect(canvas, box, 2, kOutline);
    const Rect face = box.Inset(1, 1);
    FillRoundedRect(canvas, face, 1, kPressedShade);
    FillRoundedRect(canvas, {face.left + 1, face.top + 2, face.right, face.bottom}, 1, kEditBack);
}

void CaptionButtonBox(Canvas& canvas, const Rect& box)
{
    FillRect(canvas, box, kInactiveCaption);
    FillRoundedRect(canvas, box, 2, kWindowLine);
    FillRoundedRect(canvas, box.Inset(1, 1), 1, kCaptionBoxFace);
}

void GroupBox(Canvas& canvas, const Rect& box)
{
    // Only the line differs from the dialog's background, so the frame
    // looks drawn straight onto it.
    FillRect(canvas, box, kDialogBack);
    StrokeRoundedRect(canvas, box, 3, 1, kGroupLine);
}

void ControlWellBox(Canvas& canvas, const Rect& box)
{
    FillRect(canvas, box, kDialogBack);
    FillRoundedRect(canvas, box, 2, kOutline);
    const Rect face = box.Inset(1, 1);
    FillRoundedRect(canvas, face, 1, kWellShade);
    FillRect(canvas, {face.left + 1, face.top + 1, face.right, face.bottom}, kWellFace);
}

void TabBox(Canvas& canvas, const Rect& box)
{
    // Rounded on top and open below, where the tab joins the body; the
    // shapes run past the box's bottom and are clipped there.
    const int below = 4;
    FillRect(canvas, box, kDialogBack);
    FillRoundedRect(canvas, {box.left, box.top, box.right, box.bottom + below}, 3, kOutline);
    FillRoundedRect(canvas, {box.left + 1, box.top + 1, box.right - 1, box.bottom + below}, 2, kTabLight);
    FillRoundedRect(canvas, {box.left + 1, box.top + 2, box.right - 1, box.bottom + below}, 2, kTabFace);
}

void WindowFrameBox(Canvas& canvas, const Rect& box)
{
    FillRect(canvas, box, kWindowLine);
    FillRect(canvas, box.Inset(1, 1), kFrameShade);
}

void CaptionBox(Canvas& canvas, const Rect& box, Rgb band, Rgb shade)
{
    FillRect(canvas, box, kWindowLine);
    FillRect(canvas, {box.left + 1, box.top + 1, box.right - 1, box.bottom}, shade);
    FillRect(canvas, {box.left + 2, box.top + 3, box.right - 2, box.bottom - 3}, band);
    // The window frame's top band, drawn below the caption, starts the same;
    // in the bottom corner cells the frame's outer line and shade run on
    // down, so the border reads as one line past the caption.
    FillRect(canvas, {box.left + 3, box.bottom - 3, box.right - 3, box.bottom - 2}, kWindowLine);
}

void PaintPictureFrame(Canvas& canvas, Rgb back)
{
    const int width = canvas.Width(), height = canvas.Height();
    constexpr int kDepth = 8;
    constexpr int kOffset = 4;
    FillRect(canvas, {0, 0, width, height}, back);
    const Rect picture{0, 0, width - kDepth, height - kDepth};
    FillRect(canvas, picture, kPictureLine);
    FillRect(canvas, {1, 1, picture.right - 1, picture.bottom - 1}, kPictureBack);
    // The shadow fades from the picture's edge to the background.
    for (int y = kOffset; y < height; ++y)
        for (int x = kOffset; x < width; ++x) {
            const int depth = std::max(x - (picture.right - 1), y - (picture.bottom - 1));
            if (depth > 0)
                canvas.Set(x, y, Mix(kPictureShadow, back, (depth - 1) * 256 / kDepth));
        }
}

} // namespace skinart
