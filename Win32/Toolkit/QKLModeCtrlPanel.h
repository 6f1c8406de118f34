#pragma once
// The column of buttons down the left edge of the editing screen: one
// button per editing mode of the storyboard view, the file and library
// command buttons, the animated produce button, and a marker beside six of
// the mode buttons showing which kinds of effect the previewed scene
// already carries.
//
// The preview area creates it in the view's mode column (the view is its
// parent and owner window), places its bottom buttons (MoveTo) and drives
// its states, enable states and markers. A click on a mode button sends the
// owner exactly one message: 0x411 with the mode when the button was not
// checked (it alone becomes checked), or 0x410 with 1006 (close the open
// tool) when it was (every button is unchecked). The command buttons send
// their ids to the main window as WM_COMMAND.
//
// The scene is the document's; the markers read it through
// CSceneEffectQuery. The second library button (32789) exists only when
// COM can create the optional import filter. UI thread only; both messages
// to the view are sent, not posted.

#include <iterator>
#include <memory>

#include "Win32/Toolkit/CtrlPanel.h"

class CGdiBitmap;
class Scene;

class QKLModeCtrlPanel : public QKLCtrlPanel {
public:
    static constexpr UINT kCloseToolMessage = 0x410;
    static constexpr UINT kModeMessage = 0x411;
    static constexpr WPARAM kCloseTool = 1006;
    static constexpr INT kFlagCount = 10;
    static constexpr UINT kBackground = 463;
    static constexpr UINT kMarkerClear = 640; // the scene carries the mode's effect
    static constexpr UINT kMarkerSet = 641;   // it does not
    static constexpr INT kOptionalLibraryId = 32789;
    static constexpr INT kProduceId = 107;
    static constexpr UINT kProduceStrip = 417;
    static constexpr WORD kProduceTimer = 107;
    static constexpr WORD kProduceTick = 30;
    // The produce animation's key colour, (192, 160, 128).
    static constexpr COLORREF kProduceKey = 0x0080A0C0;
    // The mode strip lies left of the mode buttons, from y 150 down.
    static constexpr LONG kModeStripWidth = 9;
    static constexpr LONG kModeStripTop = 150;

    // The column's table; the user value of a mode row indexes the mode
    // flags. Rows 1 and 14 are never built; 1128, 107 and 1129 are placed
    // by LayoutRightButtons.
    static constexpr ButtonTableRow kRows[] = {
        {200, 0, 1, 0, 0, 67, 47, 0, 462, 462, 462, 462, 0},
        {166, 1, 1, 0, 47, 59, 103, 0, 607, 605, 604, 607, 0},
        {53320, 2, 2, 9, 150, 59, 36, 0, 618, 616, 617, 662, 0},
        {53321, 3, 2, 9, 186, 59, 36, 0, 805, 803, 804, 806, 0},
        {53322, 4, 2, 9, 222, 59, 36, 0, 621, 619, 620, 663, 0},
        {53324, 5, 2, 9, 258, 59, 36, 0, 633, 631, 632, 667, 0},
        {53323, 6, 2, 9, 294, 59, 36, 0, 630, 628, 629, 666, 0},
        {53325, 7, 2, 9, 330, 59, 36, 0, 636, 634, 635, 668, 0},
        {53326, 8, 2, 9, 366, 59, 36, 0, 624, 622, 623, 664, 0},
        {53327, 9, 2, 9, 402, 59, 36, 0, 809, 807, 808, 810, 0},
        {53328, 10, 2, 9, 438, 59, 36, 0, 627, 625, 626, 665, 0},
        {53331, 11, 2, 9, 474, 59, 36, 0, 1036, 1034, 1035, 1037, 0},
        {32786, 12, 1, 9, 510, 59, 36, 0, 1040, 1039, 1041, 1042, 0},
        {32789, 13, 1, 9, 546, 59, 36, 0, 1045, 1044, 1046, 1047, 0},
        {165, 14, 1, 9, 582, 59, 36, 0, 860, 860, 861, 860, 0},
        {101, 15, 1, 0, 47, 59, 25, 0, 1101, 1102, 1103, 1104, 0},
        {102, 16, 1, 0, 72, 59, 25, 0, 1097, 1098, 1099, 1100, 0},
        {104, 17, 1, 0, 97, 59, 25, 0, 1105, 1106, 1107, 1108, 0},
        {120, 18, 1, 0, 122, 59, 25, 0, 1109, 1110, 1111, 1112, 0},
        {107, 20, 1, 0, 669, 59, 54, 0, 414, 413, 415, 416, 0},
        {1128, 19, 1, 0, 618, 59, 51, 0, 1128, 1128, 1128, 1128, 0},
        {1129, 21, 1, 0, 722, 59, 15, 0, 1129, 1129, 1129, 1129, 0},
    };
    static constexpr INT kRowCount = static_cast<INT>(std::size(kRows));

    QKLModeCtrlPanel();
    ~QKLModeCtrlPanel() override;

    bool OnCommand(UINT id, UINT code, void* extra) override;
    bool CreateWindow() override;
    // The markers beside the rows 3 to 8.
    bool OnPaint(CDrawContext* context, const CGfxRect& clip) override;

    // Every row's button: `value` for the id, 0 for the others.
    void SelectOnly(INT id, INT value);
    // index < 0: the flags of user values 3 to 8; 0 to 8: the flag of the
    // user value of row index + 2, when that is 1 to 9. No repaint.
    void SetModeEnabled(INT index, INT flag);
    // All flags set, then those of the effects the scene carries cleared
    // (null: none), and the marker strip repainted.
    void SetSceneMarkers(Scene* scene);
    void InvalidateModeStrip();
    // Moves the column (exclusive right and bottom) and places its bottom
    // buttons.
    using ContainerElement::MoveTo;
    void MoveTo(const RECT* rect);
    void LayoutRightButtons(const RECT* rect);
    // Whether COM can create the optional import filter.
    static bool HasOptionalFilter();

    // The flag of a user value (0 to 9); 0 outside.
    INT GetModeFlag(INT user) const;

private:
    // The mode a button id switches to, or -1 for an id of no mode button.
    static INT ModeOf(UINT id);
    // Builds one row's button; false when its element cannot be made.
    bool BuildModeRow(TableBuild& build, INT index, const ButtonTableRow& row);

    std::unique_ptr<CGdiBitmap> m_pMarkerClear;
    std::unique_ptr<CGdiBitmap> m_pMarkerSet;
    std::unique_ptr<INT[]> m_pModeFlags;
    INT m_nFlagCount = kFlagCount;
};
