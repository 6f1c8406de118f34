#include "Win32/Toolkit/CtrlPanel.h"

#include <algorithm>
#include <cstring>

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiObjects.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/ButtonElementProperties.h"
#include "Win32/Toolkit/ElementGeometry.h"
#include "Win32/Toolkit/ElementMessage.h"
#include "Win32/Toolkit/ShuttleMapping.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Toolkit/SliderElement.h"
#include "Win32/Toolkit/SliderElementProperties.h"
#include "Win32/Toolkit/WinPanel.h"

namespace {

using EP = ElementProperties;
using BP = ButtonElementProperties;
using SP = SliderElementProperties;

const CRGBColor kCaptionColour(255, 255, 255);
const CRGBColor kPaneTextColour(0, 0, 0);

bool IsButtonKind(INT kind)
{
    return kind == PanelElement::kButtonKind || kind == PanelElement::kAnimateButtonKind ||
           kind == PanelElement::kBitmapButtonKind;
}

// (x, y, x + width, y + height), the inclusive rectangle the tables mean.
CGfxRect RowRect(LONG x, LONG y, LONG width, LONG height)
{
    return CGfxRect(x, y, x + width, y + height);
}

} // namespace

QKLCtrlPanel::TableBuild::TableBuild(QKLCtrlPanel& panel) : panelRef(static_cast<CWnd*>(nullptr), &panel)
{
}

QKLCtrlPanel::QKLCtrlPanel() = default;

QKLCtrlPanel::~QKLCtrlPanel()
{
    m_pRows.reset();
    m_nRowCount = 0;
    m_pPanelFont.reset();
    m_strLabel1 = m_strLabel2 = m_strLabel3 = CGfxString();
    m_pShuttle = nullptr;
}

void QKLCtrlPanel::SetTable(const ButtonTableRow* rows, INT count)
{
    m_nRowCount = std::max<INT>(count, 0);
    m_pRows = std::make_unique<ButtonTableRow[]>(static_cast<size_t>(m_nRowCount));
    if (rows)
        std::copy(rows, rows + m_nRowCount, m_pRows.get());
}

void QKLCtrlPanel::SetPaneRect(INT pane, LONG x, LONG y, LONG width, LONG height)
{
    if (pane >= 0 && pane < kPaneCount)
        m_rcPanes[pane] = RECT{x, y, width, height};
}

bool QKLCtrlPanel::OnPanelMessage(ElementMessage*, LRESULT* result)
{
    if (result)
        *result = 0;
    return false;
}

bool QKLCtrlPanel::OnCommand(UINT id, UINT, void*)
{
    if (HWND main = MainWindow())
        ::SendMessageA(main, WM_COMMAND, id, 0);
    return true;
}

bool QKLCtrlPanel::OnPaint(CDrawContext*, const CGfxRect&)
{
    return true;
}

bool QKLCtrlPanel::Create(CWnd* parent, UINT id, const RECT* bounds, INT rowCount, const ButtonTableRow* rows)
{
    m_pOwnerWnd = parent;
    if (rowCount > 0) {
        const INT kept = std::min(rowCount, m_nRowCount);
        if (rows)
            std::copy(rows, rows + kept, m_pRows.get());
        m_nRowCount = kept;
    }
    const RECT area = bounds ? *bounds : RECT{0, 0, 0, 0};
    WindowRef parentRef(parent);
    ElementProperties list;
    list.SetProperty(EP::kControlId, CTaggedValue(static_cast<LONG>(id)));
    list.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(kPanelStyle)));
    list.SetProperty(EP::kBounds, CTaggedValue(CGfxRect(area.left, area.top, area.right - 1, area.bottom - 1)));
    list.SetProperty(EP::kParent, WindowRefValue(&parentRef));
    list.SetProperty(EP::kOwner, WindowRefValue(&parentRef));
    list.SetProperty(EP::kDrag, CTaggedValue(LONG{1}));
    list.SetProperty(EP::kFixed, CTaggedValue(LONG{0}));
    if (!PanelElement::Create(list)) {
        DiscardBuild();
        return false;
    }
    Show(true);
    return true;
}

void QKLCtrlPanel::DiscardBuild()
{
    m_pShuttle = nullptr;
    DeleteChildren();
    m_pPanelFont.reset();
    if (WinPanel* panel = GetPanel())
        panel->m_pElement = nullptr;
    ReleaseWindow();
}

ButtonElement* QKLCtrlPanel::FindButton(INT id)
{
    PanelElement* child = m_children.FindByKey(id);
    if (!child || !IsButtonKind(child->GetKind()))
        return nullptr;
    return static_cast<ButtonElement*>(child);
}

INT QKLCtrlPanel::EnableButtons(DWORD mask, INT count)
{
    const INT rows = count < 0 ? m_nRowCount : std::min(count, m_nRowCount);
    const DWORD allowed = mask & m_dwEnableMask;
    for (INT i = 0; i < rows; ++i) {
        if (ButtonElement* button = FindButton(m_pRows[i].id)) {
            button->Enable(((allowed >> (i % 32)) & 1) != 0);
            button->Redraw();
        }
    }
    return rows;
}

void QKLCtrlPanel::ShowButton(INT id, bool show)
{
    if (ButtonElement* button = FindButton(id))
        button->Show(show);
}

void QKLCtrlPanel::DrawPaneText(CDrawContext*, const CGfxString&, INT) {}

void QKLCtrlPanel::SetPaneText(const CGfxString&, INT) {}

void QKLCtrlPanel::SetShuttlePosition(double) {}

bool QKLCtrlPanel::SetShuttleRange(double, double)
{
    return false;
}

bool QKLCtrlPanel::EnableShuttle(bool enable)
{
    if (!m_pShuttle || !m_pShuttle->HasWindow())
        return false;
    const bool enabled = enable && (m_dwEnableMask & kShuttleBit) != 0;
    m_pShuttle->Enable(enabled);
    return enabled;
}

void QKLCtrlPanel::ShowShuttle(bool show)
{
    if (m_pShuttle && m_pShuttle->HasWindow())
        m_pShuttle->Show(show);
}

void QKLCtrlPanel::SetPlayState(bool) {}

INT QKLCtrlPanel::GetLoop()
{
    return 1;
}

void QKLCtrlPanel::SetLoop(INT) {}

void QKLCtrlPanel::EnableButton(INT id, bool enable)
{
    if (ButtonElement* button = FindButton(id)) {
        button->Enable(enable);
        button->Redraw();
    }
}

void QKLCtrlPanel::SetButtonState(INT id, INT value)
{
    if (ButtonElement* button = FindButton(id)) {
        button->SetProperty(BP::kChecked, CTaggedValue(static_cast<LONG>(value)), nullptr);
        button->Redraw();
    }
}

INT QKLCtrlPanel::GetButtonState(INT id)
{
    LONG value = 0;
    if (ButtonElement* button = FindButton(id))
        if (const CTaggedValue* stored = button->GetProperty(BP::kChecked))
            stored->CopyLong(value);
    return value;
}

void QKLCtrlPanel::SetButtonLabel(INT id, UINT stringId)
{
    ButtonElement* button = FindButton(id);
    if (!button)
        return;
    CResourceLoader current;
    CGfxString text;
    int length = 0;
    current.LoadString(stringId, text, &length);
    button->SetProperty(EP::kText, CTaggedValue(text), nullptr);
    button->Redraw();
}

void QKLCtrlPanel::SetShuttleMarker(INT, INT, INT) {}

void QKLCtrlPanel::ClearShuttleMarker(INT) {}

void QKLCtrlPanel::SetShuttleMarker2(INT from, INT to)
{
    SetShuttleMarker(2, from, to);
}

void QKLCtrlPanel::ClearShuttleMarker2()
{
    ClearShuttleMarker(2);
}

void QKLCtrlPanel::SetShuttleMarker1(INT from, INT to)
{
    SetShuttleMarker(1, from, to);
}

void QKLCtrlPanel::ClearShuttleMarker1()
{
    ClearShuttleMarker(1);
}

INT QKLCtrlPanel::PanelRequest(INT)
{
    return 0;
}

INT QKLCtrlPanel::TransmitFileToTape(INT, const CGfxString&)
{
    return 0;
}

void QKLCtrlPanel::EnableButtonsByMask(DWORD mask)
{
    EnableButtons(mask, -1);
}

void QKLCtrlPanel::DisableMaskedButtons()
{
    if ((m_dwEnableMask & kShuttleBit) == 0)
        EnableShuttle(false);
    for (INT i = 0; i < m_nRowCount; ++i) {
        if ((m_dwEnableMask >> (i % 32)) & 1)
            continue;
        if (ButtonElement* button = FindButton(m_pRows[i].id)) {
            button->Enable(false);
            button->Redraw();
        }
    }
}

void QKLCtrlPanel::SetEnableMask(DWORD mask)
{
    m_dwEnableMask = mask & m_dwSavedMask;
    DisableMaskedButtons();
}

void QKLCtrlPanel::ResetEnableMask()
{
    m_dwEnableMask = m_dwSavedMask;
    DisableMaskedButtons();
}

void QKLCtrlPanel::SetOwnerWindow(CWnd* owner)
{
    m_pOwnerWnd = owner;
}

void QKLCtrlPanel::EnableToolTipsFor(bool enable, HINSTANCE module)
{
    WinPanel* panel = GetPanel();
    if (!panel || !GetHwnd())
        return;
    panel->m_hToolTipModule = module;
    panel->EnableToolTips(enable ? TRUE : FALSE);
}

bool QKLCtrlPanel::StartTableBuild(TableBuild& build, UINT background, BOOL fit)
{
    if (!ContainerElement::CreateWindow())
        return false;
    build.panelRef = WindowRef(m_pWnd, this);
    if (background != 0 && !SetBackgroundBitmap(background, &build.loader, nullptr, fit))
        return false;
    SizeToBackground();
    return true;
}

void QKLCtrlPanel::DescribeRow(TableBuild& build, ButtonElementProperties& list, const ButtonTableRow& row,
                               LabelUse labels)
{
    list.SetProperty(EP::kParent, WindowRefValue(&build.panelRef));
    list.SetProperty(EP::kOwner, WindowRefValue(&build.panelRef));
    list.SetProperty(EP::kControlId, CTaggedValue(static_cast<LONG>(row.id)));
    list.SetProperty(EP::kBounds, CTaggedValue(RowRect(row.x, row.y, row.width, row.height)));
    if (row.autoRepeat != 0) {
        list.SetProperty(BP::kAutoRepeat, CTaggedValue(LONG{1}));
        list.SetProperty(BP::kRepeatInterval, CTaggedValue(static_cast<LONG>(kRepeatMilliseconds)));
    }
    list.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(kButtonStyle)));
    list.SetProperty(BP::kStateCount, CTaggedValue(static_cast<LONG>(row.states)));
    if (row.label != 0 && labels == LabelUse::AsText) {
        build.modules.Switch(kResourceLanguage);
        CResourceLoader language;
        CGfxString caption;
        int length = 0;
        language.LoadString(static_cast<UINT>(row.label), caption, &length);
        build.modules.Switch(kResourceBitmaps);
        list.SetProperty(EP::kText, CTaggedValue(caption));
    }
}

QKLCtrlPanel::RowResult QKLCtrlPanel::BuildRow(TableBuild& build, INT index, const ButtonTableRow& row,
                                               LabelUse labels, const char* traceName)
{
    ButtonElementProperties list;
    DescribeRow(build, list, row, labels);
    auto button = std::make_unique<BitmapButtonElement>();
    if (!button->Create(list))
        return RowResult::Failed;
    const CColor* key = &build.key;
    if (!button->LoadBitmaps(static_cast<UINT>(row.up), static_cast<UINT>(row.down), static_cast<UINT>(row.focus),
                             static_cast<UINT>(row.disabled), key, key, key, key)) {
        TRACE("%s: Unable to load bitmaps (button %d)\n", traceName, index);
        return RowResult::Skipped;
    }
    button->SizeToBackground();
    BitmapButtonElement* added = button.get();
    if (!AddChild(button.release()))
        return RowResult::Failed;
    if (row.label != 0)
        added->SetFont(m_pPanelFont.get(), kCaptionColour, TRUE);
    return RowResult::Added;
}

bool QKLCtrlPanel::BuildRows(TableBuild& build, LabelUse labels, const char* traceName)
{
    for (INT i = 0; i < m_nRowCount; ++i)
        if (BuildRow(build, i, m_pRows[i], labels, traceName) == RowResult::Failed)
            return false;
    return true;
}

bool QKLCtrlPanel::MakePanelFont(bool normalWeight)
{
    m_pPanelFont.reset();
    LOGFONTA logFont{};
    CFont* uiFont = GetSkinState().GetUIFont();
    if (uiFont && uiFont->GetSafeHandle() && uiFont->GetLogFont(&logFont)) {
        if (normalWeight)
            logFont.lfWeight = FW_NORMAL;
        auto font = std::make_unique<CGdiFont>(&logFont);
        if (font->GetHandle())
            m_pPanelFont = std::move(font);
    }
    if (!m_pPanelFont)
        TRACE("QKLCtrlPanel: Unable to load font.\n");
    return m_pPanelFont != nullptr;
}

bool QKLCtrlPanel::LoadPanelFont()
{
    return MakePanelFont(false);
}

bool QKLCtrlPanel::LoadPanelFontNormal()
{
    return MakePanelFont(true);
}

bool QKLCtrlPanel::ReportShuttleScroll(ElementMessage* message, LRESULT* result, LONG span, UINT playerMessage)
{
    constexpr WPARAM kTracking = 8;
    constexpr WPARAM kScrollEnded = 9;
    if (result)
        *result = 0;
    if (!message || message->GetMessage() != WM_HSCROLL || !m_pShuttle)
        return false;
    HWND from = reinterpret_cast<HWND>(message->GetLParam());
    if (!from || ::GetDlgCtrlID(from) != kShuttleId)
        return false;
    LONG position = 0;
    if (const CTaggedValue* stored = m_pShuttle->GetProperty(SliderElementProperties::kPosition))
        stored->CopyLong(position);
    position = std::clamp<LONG>(position, 0, span);
    const WPARAM code = LOWORD(message->GetWParam()) == SB_ENDSCROLL ? kScrollEnded : kTracking;
    const double time = shuttle::TimeAt(position, m_dRangeStart, m_dRangeEnd, span);
    ::SendMessageA(OwnerHwnd(), playerMessage, code, shuttle::Milliseconds(time));
    return true;
}

bool QKLCtrlPanel::CreateShuttle(TableBuild& build)
{
    const RECT& pane = m_rcPanes[3];
    SliderElementProperties list;
    list.SetProperty(EP::kControlId, CTaggedValue(static_cast<LONG>(kShuttleId)));
    list.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(kShuttleStyle)));
    list.SetProperty(EP::kBounds, CTaggedValue(RowRect(pane.left, pane.top, pane.right, pane.bottom)));
    list.SetProperty(EP::kParent, WindowRefValue(&build.panelRef));
    list.SetProperty(EP::kOwner, WindowRefValue(&build.panelRef));
    list.SetProperty(SP::kOrientation, CTaggedValue(LONG{0}));
    list.SetProperty(SP::kMinimum, CTaggedValue(ShuttleMinimum));
    list.SetProperty(SP::kMaximum, CTaggedValue(ShuttleMaximum));
    list.SetProperty(SP::kPosition, CTaggedValue(LONG{0}));
    auto slider = std::make_unique<SliderElement>();
    if (!slider->Create(list) ||
        !slider->SetBitmaps(kShuttleTrack, kShuttleThumb, kShuttleThumb, 0, 0, nullptr, &build.key, &build.key,
                            nullptr, nullptr))
        return false;
    SliderElement* shuttle = slider.get();
    if (!AddChild(slider.release()))
        return false;
    m_pShuttle = shuttle;
    shuttle->SetProperty(SP::kMinimum, CTaggedValue(ShuttleMinimum), nullptr);
    shuttle->SetProperty(SP::kMaximum, CTaggedValue(ShuttleMaximum), nullptr);
    shuttle->SetProperty(SP::kPosition, CTaggedValue(LONG{0}), nullptr);
    shuttle->Enable(false);
    return true;
}

void QKLCtrlPanel::DrawPane(CDrawContext* context, const CGfxString& text, INT pane, UINT format)
{
    if (!context || pane < 0 || pane >= kPaneCount)
        return;
    const RECT& r = m_rcPanes[pane];
    const CGfxRect area = RowRect(r.left, r.top, r.right, r.bottom);
    // DT_NOCLIP draws past the rectangle; the clip keeps a long text in its
    // pane.
    HDC dc = context->GetHDC();
    const int saved = ::SaveDC(dc);
    const RECT clip = ToWin32Rect(area);
    ::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    CGdiFont* previousFont = m_pPanelFont ? context->SelectFont(m_pPanelFont.get()) : nullptr;
    const CRGBColor previousColour = context->SetTextColor(kPaneTextColour);
    const int previousMode = context->SetBkMode(TRANSPARENT);
    Paint(context, area, CGfxPoint(r.left, r.top));
    context->DrawText(text, area, format);
    if (previousFont)
        context->SelectFont(previousFont);
    context->SetTextColor(previousColour);
    context->SetBkMode(previousMode);
    ::RestoreDC(dc, saved);
}

void QKLCtrlPanel::DrawPaneNow(const CGfxString& text, INT pane)
{
    if (CDrawContext* context = GetDrawContext()) {
        DrawPaneText(context, text, pane);
        ReleaseDrawContext(context);
    }
}

HWND QKLCtrlPanel::MainWindow()
{
    CWnd* main = AfxGetMainWnd();
    return main ? main->GetSafeHwnd() : nullptr;
}

HWND QKLCtrlPanel::OwnerHwnd() const
{
    return m_pOwnerWnd ? m_pOwnerWnd->GetSafeHwnd() : nullptr;
}
