#pragma once
// The program's skin art: every bitmap and cursor of the bitmap module that
// the generator draws. Identifiers are bitmap resource identifiers of the
// bitmap module. To add one, add a row to its family's table (see
// Resources/README.md); a new family is a header of its own joined below.
//
// Sizes that follow from the window metrics of our USER layer: captions are
// 19 pixels high and dialog frames 3 pixels wide and high, so a caption
// rectangle (caption and top frame) is 22 pixels high and the caption
// frames are 22 high with 3-pixel cells; the window frame is 3 x 3 a cell.
// Buttons are 24 high: a 23-pixel button shows the top 12 rows of the top
// cells and the bottom 11 of the bottom cells, a 15-pixel caption box 8 and
// 7, and the faces are flat between their top and bottom rows.

#include <array>

#include "Resources/SkinArt/ControlPanelArt.h"
#include "Resources/SkinArt/Looks.h"
#include "Resources/SkinArt/MenuAndControlArt.h"
#include "Resources/SkinArt/ModeAndBarArt.h"
#include "Resources/SkinArt/SkinRow.h"
#include "Resources/SkinArt/SliderAndTrimmerArt.h"

namespace skinart {

// Dialogs, sheets, captions and the common frames.
inline constexpr std::array kDialogArt = {
    SkinRow{.id = 396, .kind = Kind::FrameStrip, .width = 64, .height = 16, .cells = 8,
            .paint = FrameStrip<PanelBox>,
            .use = "the background of panels and pages, framed or tiled as a fill"},
    SkinRow{.id = 473, .kind = Kind::FillTile, .width = 128, .height = 128,
            .paint = FlatTile<palette::kDialogBack>, .use = "the background of skinned dialogs"},
    SkinRow{.id = 485, .kind = Kind::FrameStrip, .width = 32, .height = 24, .cells = 8,
            .paint = FrameStrip<PressedButtonBox>, .use = "push buttons while pressed (black caption)"},
    SkinRow{.id = 487, .kind = Kind::FrameStrip, .width = 32, .height = 24, .cells = 8,
            .paint = FrameStrip<ButtonBox>, .use = "push buttons and the active caption's boxes"},
    SkinRow{.id = 517, .kind = Kind::FrameStrip, .width = 32, .height = 4, .cells = 8,
            .paint = FrameStrip<GroupBox>, .use = "group boxes, over the dialog background"},
    SkinRow{.id = 518, .kind = Kind::FrameStrip, .width = 32, .height = 12, .cells = 8,
            .paint = FrameStrip<ControlWellBox>, .use = "the controls of the tool dialogs"},
    SkinRow{.id = 543, .kind = Kind::FillTile, .width = 128, .height = 16,
            .paint = FlatTile<palette::kActiveCaption>, .use = "the band of an active caption"},
    SkinRow{.id = 544, .kind = Kind::FrameStrip, .width = 24, .height = 22, .cells = 8,
            .paint = FrameStrip<CaptionFrameBox<palette::kActiveCaption, palette::kFrameShade>>,
            .use = "the caption rectangle of an active dialog or sheet"},
    SkinRow{.id = 545, .kind = Kind::FrameStrip, .width = 24, .height = 3, .cells = 8,
            .paint = FrameStrip<WindowFrameBox>, .use = "the border of dialogs and sheets, and the tab body"},
    SkinRow{.id = 556, .kind = Kind::FrameStrip, .width = 32, .height = 12, .cells = 8,
            .paint = FrameStrip<TabBox>, .use = "each tab of a skinned tab control"},
    SkinRow{.id = 559, .kind = Kind::FillTile, .width = 128, .height = 16,
            .paint = FlatTile<palette::kInactiveCaption>, .use = "the band of an inactive caption"},
    SkinRow{.id = 560, .kind = Kind::FrameStrip, .width = 24, .height = 22, .cells = 8,
            .paint = FrameStrip<CaptionFrameBox<palette::kInactiveCaption, palette::kInactiveShade>>,
            .use = "the caption rectangle of an inactive dialog or sheet"},
    SkinRow{.id = 586, .kind = Kind::FrameStrip, .width = 32, .height = 24, .cells = 8,
            .paint = FrameStrip<CaptionButtonBox>, .use = "the boxes of an inactive caption (grey text)"},
    SkinRow{.id = 972, .kind = Kind::Picture, .width = 96, .height = 72,
            .paint = PictureFrame<palette::kPanelBack>, .use = "the frame stretched behind a panel's picture"},
    SkinRow{.id = 974, .kind = Kind::Picture, .width = 96, .height = 72,
            .paint = PictureFrame<palette::kDialogBack>, .use = "the frame stretched behind a dialog's picture"},
};

inline constexpr auto kSkinTable = JoinRows(kDialogArt, kControlPanelArt, kModeColumnArt, kToolBarArt,
                                            kMenuAndControlArt, kSliderAndTrimmerArt);
static_assert(TableIsSound(kSkinTable));

} // namespace skinart
