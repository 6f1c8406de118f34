#pragma once
// klFourButton: a strip of up to four buttons placed inside another window,
// on one of three backgrounds chosen by its number of rows (four 835, two
// or three 849, one 848), with two text panes. Its users pass their own
// rows to Create (the preview transport embeds four such strips; device
// panels and the video player one each). Ids 53377, 53380 and 53381 are
// sent to the owner window as WM_COMMAND; every other click is posted to
// it as 0x401 with the button id. UI thread only.

#include <array>

#include "Win32/Toolkit/CtrlPanel.h"

class klFourButton : public QKLCtrlPanel {
public:
    static constexpr UINT kStripMessage = WM_USER + 1; // 0x401
    static constexpr std::array<ButtonTableRow, 4> kDefaultRows = {{
        {53416, -1, 2, 2, 2, 30, 26, 0, 827, 828, 829, 830, 0},
        {53415, -1, 2, 34, 2, 30, 26, 0, 831, 832, 833, 834, 0},
        {53363, -1, 1, 66, 2, 30, 26, 0, 331, 332, 333, 334, 0},
        {53375, -1, 1, 98, 2, 30, 26, 0, 967, 968, 969, 970, 0},
    }};

    klFourButton();
    ~klFourButton() override;

    bool OnCommand(UINT id, UINT code, void* extra) override;
    bool CreateWindow() override;
    // Label 2 in pane 1 and label 3 in pane 2.
    bool OnPaint(CDrawContext* context, const CGfxRect& clip) override;
    // Panes 1 and 2 only.
    void DrawPaneText(CDrawContext* context, const CGfxString& text, INT pane) override;
    // Pane 1 keeps its text in label 2, pane 2 in label 3; drawn at once.
    void SetPaneText(const CGfxString& text, INT pane) override;

    // The background of a strip of `rows` rows; 0 (none) for other counts.
    static UINT BackgroundFor(INT rows);
};
