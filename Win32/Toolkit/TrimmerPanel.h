#pragma once
// QKLTrimmerPanel: the transport of the audio recording and motion preview
// dialogs: eleven buttons (go to start and end, previous and next frame,
// play and pause, seek to the mark-in and mark-out points, mark in, mark
// out, clear both), a shuttle of positions 0 to 100 over the clip's time
// range (milliseconds, kept in the base's range start and end) and three
// panes of centred text. The owner window, the dialog, receives the
// commands: the panel's own ids as WM_COMMAND, the marks as 0x402 (0 to 4,
// Shift clears a mark) and the shuttle's times as 0x401 (8 while tracking,
// 9 at the end of a scroll, lParam milliseconds), always sent.
//
// After creation every button is enabled, pause (53428) is checked and the
// shuttle stays disabled until the owner gives a range. The panel has no
// play, pause-state or loop buttons of the preview transport's ids, so
// SetPlayState and SetLoop change nothing and GetLoop answers 0. Times from
// callers that are not finite count as the range start. UI thread only.

#include <array>

#include "Win32/Toolkit/CtrlPanel.h"

class QKLTrimmerPanel : public QKLCtrlPanel {
public:
    static constexpr UINT kPlayerMessage = WM_USER + 1; // 0x401
    static constexpr UINT kMarkMessage = WM_USER + 2;   // 0x402
    static constexpr UINT kBackground = 899;
    static constexpr LONG kShuttleSpan = 100;
    static constexpr UINT kCentredPaneFormat = DT_CENTER | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX; // 0x921
    static constexpr INT kSeekToMarkIn = 53430;
    static constexpr INT kPlay = 53427;
    static constexpr INT kPause = 53428;

    static constexpr std::array<ButtonTableRow, 11> kRows = {{
        {53423, -1, 1, 15, 5, 22, 33, 0, 351, 352, 353, 354, 0},    // go to start
        {53425, -1, 1, 48, 5, 22, 33, 0, 359, 360, 361, 362, 0},    // previous frame
        {53430, -1, 1, 81, 5, 22, 33, 1, 920, 924, 919, 0, 0},      // seek to the mark-in point
        {53427, -1, 2, 114, 5, 22, 33, 0, 331, 332, 333, 334, 0},   // play
        {53428, -1, 2, 184, 5, 22, 33, 0, 335, 336, 337, 338, 0},   // pause
        {53431, -1, 1, 217, 5, 22, 33, 0, 917, 921, 923, 0, 0},     // seek to the mark-out point
        {53426, -1, 1, 250, 5, 22, 33, 1, 355, 356, 357, 358, 0},   // next frame
        {53424, -1, 1, 283, 5, 22, 33, 0, 347, 348, 349, 350, 0},   // go to end
        {53380, -1, 1, 100, 54, 22, 33, 0, 363, 364, 365, 1121, 0}, // mark in
        {53381, -1, 1, 231, 54, 22, 33, 0, 367, 368, 369, 1122, 0}, // mark out
        {53377, -1, 1, 283, 54, 22, 33, 0, 941, 945, 944, 943, 0},  // clear both marks
    }};

    QKLTrimmerPanel();
    ~QKLTrimmerPanel() override;

    // WM_HSCROLL of the shuttle: 0x401 with 8 (tracking) or 9 (the end of
    // the scroll) and the time under the thumb.
    bool OnPanelMessage(ElementMessage* message, LRESULT* result) override;
    bool OnCommand(UINT id, UINT code, void* extra) override;
    bool CreateWindow() override;
    // Labels 1 to 3 in panes 0 to 2.
    bool OnPaint(CDrawContext* context, const CGfxRect& clip) override;
    // Panes 0 to 2, the text centred.
    void DrawPaneText(CDrawContext* context, const CGfxString& text, INT pane) override;
    // Pane 0 to 2 keeps the text as label 1 to 3 and draws it; nothing
    // while the panel has no window, nothing for other panes.
    void SetPaneText(const CGfxString& text, INT pane) override;
    // The range widens to take the time; the thumb goes to its place.
    void SetShuttlePosition(double time) override;
    // The smaller and the larger (at least 10 ms apart); enables the
    // shuttle and answers whether it is enabled.
    bool SetShuttleRange(double start, double end) override;
    void SetPlayState(bool playing) override;
    INT GetLoop() override;
    void SetLoop(INT loop) override;
    void SetShuttleMarker(INT marker, INT from, INT to) override;
    void ClearShuttleMarker(INT marker) override;
};
