#include "Win32/Toolkit/PlayCtrlPanel.h"

#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/ElementMessage.h"
#include "Win32/Toolkit/PreviewAreaLink.h"
#include "Win32/Toolkit/ShuttleMapping.h"
#include "Win32/Toolkit/SliderElement.h"

namespace {

// What each button sends its owner: the message, its wParam, and the
// wParam while Shift is held.
struct CommandRow {
    INT id;
    UINT message;
    WPARAM wParam;
    WPARAM shifted;
};

constexpr CommandRow kCommands[] = {
    {53363, QKLPlayCtrlPanel::kPlayerMessage, 0, 0}, // play
    {53364, QKLPlayCtrlPanel::kPlayerMessage, 1, 1}, // pause
    {53375, QKLPlayCtrlPanel::kPlayerMessage, 2, 2}, // stop and go to start
    {53367, QKLPlayCtrlPanel::kPlayerMessage, 3, 3}, // go to start
    {53373, QKLPlayCtrlPanel::kPlayerMessage, 4, 4}, // previous frame
    {53371, QKLPlayCtrlPanel::kPlayerMessage, 5, 5}, // next frame
    {53369, QKLPlayCtrlPanel::kPlayerMessage, 6, 6}, // go to end
    {53365, QKLPlayCtrlPanel::kPlayerMessage, 7, 7}, // loop changed
    {53380, QKLPlayCtrlPanel::kMarkMessage, 0, 2},   // mark (Shift: clear) the in point
    {53381, QKLPlayCtrlPanel::kMarkMessage, 1, 3},   // mark (Shift: clear) the out point
    {53377, QKLPlayCtrlPanel::kMarkMessage, 4, 4},   // clear both points
};

// The shuttle's positions run from 0 to this.
constexpr LONG kSpan = QKLPlayCtrlPanel::ShuttleMaximum;
static_assert(QKLPlayCtrlPanel::ShuttleMinimum == 0);

bool ShiftHeld()
{
    return (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

} // namespace

QKLPlayCtrlPanel::QKLPlayCtrlPanel()
{
    SetTable(kRows.data(), static_cast<INT>(kRows.size()));
    SetPaneRect(0, 34, 38, 64, 16);
    SetPaneRect(1, 34, 64, 98, 16);
    SetPaneRect(2, 124, 64, 188, 16);
    SetPaneRect(3, 130, 35, 129, 22);
}

QKLPlayCtrlPanel::~QKLPlayCtrlPanel() = default;

bool QKLPlayCtrlPanel::OnPanelMessage(ElementMessage* message, LRESULT* result)
{
    return ReportShuttleScroll(message, result, kSpan, kPlayerMessage);
}

bool QKLPlayCtrlPanel::OnCommand(UINT id, UINT, void*)
{
    HWND owner = OwnerHwnd();
    for (const CommandRow& row : kCommands) {
        if (row.id != static_cast<INT>(id))
            continue;
        if (row.id == kLoopButton)
            SetLoop(GetLoop() ? 0 : 1);
        ::SendMessageA(owner, row.message, ShiftHeld() ? row.shifted : row.wParam, 0);
        return true;
    }
    ::SendMessageA(owner, WM_COMMAND, id, 0);
    return true;
}

bool QKLPlayCtrlPanel::CreateWindow()
{
    TableBuild build(*this);
    if (!StartTableBuild(build, kBackground, FALSE) || !LoadPanelFont() || !CreateShuttle(build) ||
        !BuildRows(build, LabelUse::AsText, "QKLControlPanel") || !LoadPanelFontNormal())
        return false;
    CreateStrips();
    LoadPanelFontNormal();
    EnableButtons(0, -1);
    return true;
}

bool QKLPlayCtrlPanel::CreateStrips()
{
    struct Strip {
        klFourButton& panel;
        INT id;
        const ButtonTableRow* rows;
        INT count;
    } const strips[] = {
        {m_oneButton, kOneButtonStripId, kOneButtonStrip.data(), static_cast<INT>(kOneButtonStrip.size())},
        {m_twoButton, kTwoButtonStripId, kTwoButtonStrip.data(), static_cast<INT>(kTwoButtonStrip.size())},
        {m_threeButton, kThreeButtonStripId, kThreeButtonStrip.data(), static_cast<INT>(kThreeButtonStrip.size())},
        {m_fourButton, kFourButtonStripId, kFourButtonStrip.data(), static_cast<INT>(kFourButtonStrip.size())},
    };
    bool all = true;
    for (const Strip& strip : strips) {
        // A strip that cannot be made stays without a window; its operations
        // then do nothing.
        if (!strip.panel.Create(m_pWnd, static_cast<UINT>(strip.id), &m_rcStrip, strip.count, strip.rows)) {
            all = false;
            continue;
        }
        strip.panel.Show(false);
        strip.panel.EnableToolTipsFor(true, GetLanguageResourceModule());
    }
    m_threeButton.ShowButton(53377, false);
    return all;
}

bool QKLPlayCtrlPanel::IsShown(klFourButton& strip)
{
    HWND window = strip.GetHwnd();
    return window && ::IsWindowVisible(window);
}

bool QKLPlayCtrlPanel::OnPaint(CDrawContext* context, const CGfxRect&)
{
    if (!HasWindow())
        return true;
    DrawPaneText(context, m_strLabel1, 0);
    if (!IsShown(m_threeButton))
        DrawPaneText(context, m_strLabel3, 1);
    CPreviewAreaLink& previewArea = CPreviewAreaLink::Get();
    if (m_pOwnerWnd && previewArea.IsPreviewArea(m_pOwnerWnd))
        previewArea.Refresh(m_pOwnerWnd, 1);
    return true;
}

void QKLPlayCtrlPanel::DrawPaneText(CDrawContext* context, const CGfxString& text, INT pane)
{
    if (pane == 0 || pane == 1)
        DrawPane(context, text, pane);
}

void QKLPlayCtrlPanel::SetPaneText(const CGfxString& text, INT pane)
{
    if (!HasWindow())
        return;
    switch (pane) {
    case 0:
        m_strLabel1 = text;
        DrawPaneNow(text, 0);
        break;
    case 1:
    case 2:
        m_threeButton.SetPaneText(text, pane);
        m_twoButton.SetPaneText(text, pane);
        break;
    case 3:
        m_strLabel3 = text;
        m_fourButton.SetPaneText(text, 1);
        if (!IsShown(m_threeButton) && !IsShown(m_twoButton) && !IsShown(m_fourButton))
            DrawPaneNow(text, 1);
        break;
    default:
        break;
    }
}

void QKLPlayCtrlPanel::SetShuttlePosition(double time)
{
    shuttle::Widen(m_dRangeStart, m_dRangeEnd, time);
    if (!m_pShuttle || !m_pShuttle->HasWindow())
        return;
    const LONG position = shuttle::PositionOf(time, m_dRangeStart, m_dRangeEnd, kSpan);
    m_pShuttle->SetProperty(SliderElementProperties::kPosition, CTaggedValue(position), nullptr);
}

bool QKLPlayCtrlPanel::SetShuttleRange(double start, double end)
{
    shuttle::SetRange(m_dRangeStart, m_dRangeEnd, start, end);
    return EnableShuttle(true);
}

void QKLPlayCtrlPanel::SetPlayState(bool playing)
{
    SetButtonState(53363, playing ? 1 : 0);
    SetButtonState(53364, playing ? 0 : 1);
    SetButtonState(53369, 0);
    SetButtonState(53367, 0);
}

INT QKLPlayCtrlPanel::GetLoop()
{
    return GetButtonState(kLoopButton);
}

void QKLPlayCtrlPanel::SetLoop(INT loop)
{
    SetButtonState(kLoopButton, loop);
}

void QKLPlayCtrlPanel::SetShuttleMarker(INT marker, INT from, INT to)
{
    if (!m_pShuttle || !m_pShuttle->HasWindow())
        return;
    m_pShuttle->SetRangeMarker(marker, shuttle::MarkerAt(from, m_dRangeStart, m_dRangeEnd, kSpan),
                               shuttle::MarkerAt(to, m_dRangeStart, m_dRangeEnd, kSpan));
}

void QKLPlayCtrlPanel::ClearShuttleMarker(INT marker)
{
    if (m_pShuttle && m_pShuttle->HasWindow())
        m_pShuttle->SetRangeMarker(marker, 0, 0);
}
