#pragma once
// QKLPlayCtrlPanel: the transport under the preview video: go to start,
// previous frame, play, pause, stop, next frame, go to end and loop, the
// shuttle mapped onto the previewed time range (milliseconds, kept in the
// base's range start and end), three text panes, and four hidden strips of
// extra buttons (klFourButton) that the editing-mode panels show when they
// need them. Its owner window, the preview area, receives the player
// commands as 0x401 (wParam 0 to 9, lParam milliseconds for 8 and 9) and
// the in and out points as 0x402 (0 to 4), always sent.
//
// Times from callers that are not finite count as the range start; no
// time is ever cast to an integer outside the integer's range. After its
// painting the panel asks its owner, through the preview-area link, to
// refresh the progress display, and only when the link knows the owner as
// a preview area. UI thread only.

#include <array>

#include "Win32/Toolkit/FourButton.h"

class QKLPlayCtrlPanel : public QKLCtrlPanel {
public:
    static constexpr UINT kPlayerMessage = WM_USER + 1; // 0x401
    static constexpr UINT kMarkMessage = WM_USER + 2;   // 0x402
    static constexpr UINT kBackground = 330;
    static constexpr INT kLoopButton = 53365;
    static constexpr INT kOneButtonStripId = 53404;
    static constexpr INT kTwoButtonStripId = 53405;
    static constexpr INT kThreeButtonStripId = 53406;
    static constexpr INT kFourButtonStripId = 53407;
    static constexpr RECT kStripRect{0, 60, 320, 110};

    static constexpr std::array<ButtonTableRow, 8> kRows = {{
        {53367, -1, 2, 22, 9, 22, 33, 0, 351, 352, 353, 354, 0},  // go to start
        {53373, -1, 1, 55, 9, 22, 33, 1, 359, 360, 361, 362, 0},  // previous frame
        {53363, -1, 2, 88, 9, 22, 33, 0, 331, 332, 333, 334, 0},  // play
        {53364, -1, 2, 158, 9, 22, 33, 0, 335, 336, 337, 338, 0}, // pause
        {53375, -1, 1, 191, 9, 22, 33, 0, 967, 968, 969, 970, 0}, // stop
        {53371, -1, 1, 224, 9, 22, 33, 1, 355, 356, 357, 358, 0}, // next frame
        {53369, -1, 2, 257, 9, 22, 33, 0, 347, 348, 349, 350, 0}, // go to end
        {53365, -1, 2, 306, 9, 22, 33, 0, 339, 340, 341, 342, 0}, // loop
    }};
    static constexpr std::array<ButtonTableRow, 1> kOneButtonStrip = {{
        {53400, -1, 1, 108, 2, 62, 26, 0, 846, 845, 847, 858, 0},
    }};
    static constexpr std::array<ButtonTableRow, 2> kTwoButtonStrip = {{
        {53400, -1, 1, 109, 2, 22, 33, 0, 363, 364, 365, 0, 0},
        {53401, -1, 1, 262, 2, 22, 33, 0, 367, 368, 369, 0, 0},
    }};
    static constexpr std::array<ButtonTableRow, 3> kThreeButtonStrip = {{
        {53380, -1, 1, 109, 2, 22, 33, 0, 363, 364, 365, 0, 0},
        {53381, -1, 1, 262, 2, 22, 33, 0, 367, 368, 369, 0, 0},
        {53377, -1, 1, 306, 2, 22, 33, 0, 941, 945, 944, 941, 0},
    }};
    static constexpr std::array<ButtonTableRow, 4> kFourButtonStrip = {{
        {53400, -1, 1, 115, 2, 55, 22, 0, 383, 841, 384, 0, 0},
        {53402, -1, 1, 171, 2, 55, 22, 0, 387, 842, 388, 0, 0},
        {53403, -1, 1, 227, 2, 55, 22, 0, 389, 843, 390, 0, 0},
        {53401, -1, 1, 283, 2, 55, 22, 0, 391, 844, 392, 0, 0},
    }};

    QKLPlayCtrlPanel();
    ~QKLPlayCtrlPanel() override;

    // WM_HSCROLL of the shuttle: 0x401 with 8 (tracking) or 9 (the end of
    // the scroll) and the time under the thumb.
    bool OnPanelMessage(ElementMessage* message, LRESULT* result) override;
    bool OnCommand(UINT id, UINT code, void* extra) override;
    bool CreateWindow() override;
    bool OnPaint(CDrawContext* context, const CGfxRect& clip) override;
    // Panes 0 and 1 only.
    void DrawPaneText(CDrawContext* context, const CGfxString& text, INT pane) override;
    // Pane 0 here; panes 1 and 2 in the two- and three-button strips; pane
    // 3 in label 3, the four-button strip's pane 1, and pane 1 here while
    // no strip with panes shows.
    void SetPaneText(const CGfxString& text, INT pane) override;
    // The range widens to take the time; the thumb goes to its place.
    void SetShuttlePosition(double time) override;
    // The smaller and the larger (at least 10 ms apart); enables the
    // shuttle and answers whether it is enabled.
    bool SetShuttleRange(double start, double end) override;
    void SetPlayState(bool playing) override;
    // The loop button's checked state (0 without it).
    INT GetLoop() override;
    void SetLoop(INT loop) override;
    void SetShuttleMarker(INT marker, INT from, INT to) override;
    void ClearShuttleMarker(INT marker) override;

    klFourButton& GetOneButtonStrip() { return m_oneButton; }
    klFourButton& GetTwoButtonStrip() { return m_twoButton; }
    klFourButton& GetThreeButtonStrip() { return m_threeButton; }
    klFourButton& GetFourButtonStrip() { return m_fourButton; }

private:
    bool CreateStrips();
    // Whether a strip's window is shown.
    static bool IsShown(klFourButton& strip);

    klFourButton m_twoButton;
    klFourButton m_fourButton;
    klFourButton m_oneButton;
    klFourButton m_threeButton;
    RECT m_rcStrip = kStripRect;
};
