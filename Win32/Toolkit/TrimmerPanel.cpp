#include "Win32/Toolkit/TrimmerPanel.h"

#include <algorithm>
#include <utility>

#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/ElementMessage.h"
#include "Win32/Toolkit/ShuttleMapping.h"
#include "Win32/Toolkit/SliderElement.h"

namespace {

using SP = SliderElementProperties;

// The preview transport's commands, which the trimmer answers the same
// way: the message, its wParam, and the wParam while Shift is held. Ids
// not listed (all of the trimmer's own but the marks) go as WM_COMMAND.
struct TransportCommand {
    INT id;
    UINT message;
    WPARAM plain;
    WPARAM shifted;
};

constexpr UINT kPlayer = QKLTrimmerPanel::kPlayerMessage;
constexpr UINT kMark = QKLTrimmerPanel::kMarkMessage;
constexpr INT kLoopId = 53365;

constexpr TransportCommand kTransportCommands[] = {
    {53363, kPlayer, 0, 0}, {53364, kPlayer, 1, 1}, {53375, kPlayer, 2, 2}, {53367, kPlayer, 3, 3},
    {53373, kPlayer, 4, 4}, {53371, kPlayer, 5, 5}, {53369, kPlayer, 6, 6}, {kLoopId, kPlayer, 7, 7},
    {53380, kMark, 0, 2},   {53381, kMark, 1, 3},   {53377, kMark, 4, 4},
};


} // namespace

QKLTrimmerPanel::QKLTrimmerPanel()
{
    SetTable(kRows.data(), static_cast<INT>(kRows.size()));
    SetPaneRect(0, 19, 34, 64, 16);
    SetPaneRect(1, 19, 58, 64, 16);
    SetPaneRect(2, 150, 58, 64, 16);
    SetPaneRect(3, 106, 30, 129, 22);
}

QKLTrimmerPanel::~QKLTrimmerPanel() = default;

bool QKLTrimmerPanel::OnPanelMessage(ElementMessage* message, LRESULT* result)
{
    return ReportShuttleScroll(message, result, kShuttleSpan, kPlayerMessage);
}

bool QKLTrimmerPanel::OnCommand(UINT id, UINT, void*)
{
    HWND owner = OwnerHwnd();
    const auto* found = std::find_if(std::begin(kTransportCommands), std::end(kTransportCommands),
                                     [id](const TransportCommand& c) { return c.id == static_cast<INT>(id); });
    if (found == std::end(kTransportCommands)) {
        ::SendMessageA(owner, WM_COMMAND, id, 0);
        return true;
    }
    if (found->id == kLoopId)
        SetLoop(GetLoop() ? 0 : 1);
    const bool shift = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
    ::SendMessageA(owner, found->message, shift ? found->shifted : found->plain, 0);
    return true;
}

bool QKLTrimmerPanel::CreateWindow()
{
    TableBuild build(*this);
    if (!StartTableBuild(build, kBackground, FALSE) || !LoadPanelFont() || !CreateShuttle(build))
        return false;
    m_pShuttle->SetProperty(SP::kMaximum, CTaggedValue(kShuttleSpan), nullptr);
    if (!BuildRows(build, LabelUse::AsText, "QKLTrimmerPanel"))
        return false;
    LoadPanelFontNormal();
    EnableButtonsByMask(0xFFFF);
    SetButtonState(kPlay, 0);
    SetButtonState(kPause, 1);
    return true;
}

bool QKLTrimmerPanel::OnPaint(CDrawContext* context, const CGfxRect&)
{
    if (HasWindow())
        for (INT pane = 0; pane < 3; ++pane)
            DrawPaneText(context, GetLabel(pane + 1), pane);
    return true;
}

void QKLTrimmerPanel::DrawPaneText(CDrawContext* context, const CGfxString& text, INT pane)
{
    if (pane >= 0 && pane <= 2)
        DrawPane(context, text, pane, kCentredPaneFormat);
}

void QKLTrimmerPanel::SetPaneText(const CGfxString& text, INT pane)
{
    if (!HasWindow() || pane < 0 || pane > 2)
        return;
    CGfxString* labels[] = {&m_strLabel1, &m_strLabel2, &m_strLabel3};
    *labels[pane] = text;
    DrawPaneNow(text, pane);
}

void QKLTrimmerPanel::SetShuttlePosition(double time)
{
    shuttle::Widen(m_dRangeStart, m_dRangeEnd, time);
    if (!m_pShuttle || !m_pShuttle->HasWindow())
        return;
    const LONG position = shuttle::PositionOf(time, m_dRangeStart, m_dRangeEnd, kShuttleSpan);
    m_pShuttle->SetProperty(SP::kPosition, CTaggedValue(position), nullptr);
}

bool QKLTrimmerPanel::SetShuttleRange(double start, double end)
{
    shuttle::SetRange(m_dRangeStart, m_dRangeEnd, start, end);
    return EnableShuttle(true);
}

void QKLTrimmerPanel::SetPlayState(bool playing)
{
    // The preview transport's play, pause, end and start buttons; none is
    // in this panel's table, so nothing changes unless a caller gave rows
    // with those ids.
    const std::pair<INT, INT> states[] = {{53363, playing ? 1 : 0}, {53364, playing ? 0 : 1}, {53369, 0}, {53367, 0}};
    for (const auto& [id, state] : states)
        SetButtonState(id, state);
}

INT QKLTrimmerPanel::GetLoop()
{
    return GetButtonState(kLoopId);
}

void QKLTrimmerPanel::SetLoop(INT loop)
{
    SetButtonState(kLoopId, loop);
}

void QKLTrimmerPanel::SetShuttleMarker(INT marker, INT from, INT to)
{
    if (!m_pShuttle || !m_pShuttle->HasWindow())
        return;
    m_pShuttle->SetRangeMarker(marker, shuttle::MarkerAt(from, m_dRangeStart, m_dRangeEnd, kShuttleSpan),
                               shuttle::MarkerAt(to, m_dRangeStart, m_dRangeEnd, kShuttleSpan));
}

void QKLTrimmerPanel::ClearShuttleMarker(INT marker)
{
    if (m_pShuttle && m_pShuttle->HasWindow())
        m_pShuttle->SetRangeMarker(marker, 0, 0);
}
