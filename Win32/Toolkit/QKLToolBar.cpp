#include "Win32/Toolkit/QKLToolBar.h"

#include <algorithm>
#include <span>

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiObjects.h"
#include "Win32/Imaging/ResourceLoader.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/ButtonElementProperties.h"
#include "Win32/Toolkit/ElementGeometry.h"
#include "Win32/Toolkit/PopupMenuService.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Toolkit/WindowRef.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

constexpr DWORD kBarStyle = 0x52000000;    // WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN
constexpr DWORD kFirstButtonStyle = 0x5003000B; // WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_OWNERDRAW
constexpr UINT kTopTextFlags = DT_SINGLELINE | DT_NOPREFIX;
constexpr UINT kStatusTextFlags = DT_SINGLELINE | DT_WORD_ELLIPSIS;
constexpr UINT kTabMenuFlags = 0xFFFF;

// The buttons that send the main window a message of their own.
struct WindowCommand {
    UINT id;
    UINT message;
    WPARAM wParam;
};
constexpr WindowCommand kWindowCommands[] = {
    {165, WM_COMMAND, 165},
    {522, WM_COMMAND, 162},
    {40009, WM_SYSCOMMAND, 0xF020}, // SC_MINIMIZE
    {521, WM_SYSCOMMAND, 0xF060},   // SC_CLOSE
};

// The tabs' hit band and menu points, from the bar's top-left corner on the
// screen: tab c lies between x 74 (c + 1) and 74 (c + 2), y 25 to 44, and
// its menu drops at (74 (c + 1), 46).
constexpr LONG kTabPitch = 74;
constexpr LONG kTabTop = 25;
constexpr LONG kTabBottom = 44;
constexpr LONG kMenuTop = 46;

// The labels' rectangles (inclusive) in each layout.
constexpr RECT kTopLabels[3] = {{4, 4, 400, 16}, {0, 0, 0, 0}, {0, 0, 0, 0}};
constexpr RECT kStatusLabels[3] = {{73, 4, 317, 16}, {325, 4, 809, 16}, {817, 4, 1065, 16}};

// The menu tabs: id, menu, bit in the open-tab state, command posted when
// a closing menu leaves the cursor over the tab.
struct Tab {
    UINT id;
    UINT menu;
    INT bit;
    UINT command;
};
constexpr Tab kTabs[] = {
    {60450, 402, 1, 40010},
    {60451, 404, 2, 40004},
    {32850, 403, 4, 40005},
    {60453, 405, 8, 40006},
};
} // namespace

QKLToolBar::QKLToolBar(BOOL statusLayout)
    : m_crText(GetSkinState().m_crDialogText), m_nTextFlags(statusLayout ? kStatusTextFlags : kTopTextFlags),
      m_nStatusLayout(statusLayout), m_nBackgroundId(statusLayout ? kStatusBackground : kTopBackground)
{
    const std::span<const ToolBarRow> rows = statusLayout ? std::span<const ToolBarRow>(kStatusRows) : kTopRows;
    m_nRowCount = static_cast<INT>(rows.size());
    m_pRows = std::make_unique<ToolBarRow[]>(rows.size());
    std::copy(rows.begin(), rows.end(), m_pRows.get());
    const RECT* labels = statusLayout ? kStatusLabels : kTopLabels;
    for (int i = 0; i < 3; ++i) {
        m_rcLabel[i] = CGfxRect(labels[i].left, labels[i].top, labels[i].right, labels[i].bottom);
        m_ptLabelOrigin[i] = CGfxPoint(labels[i].left, labels[i].top);
    }
}

QKLToolBar::~QKLToolBar() = default;

bool QKLToolBar::Create(CWnd* parent, UINT id, const RECT* rect)
{
    using EP = ElementProperties;
    WindowRef parentRef(parent);
    ElementProperties list;
    list.SetProperty(EP::kControlId, CTaggedValue(static_cast<LONG>(id)));
    list.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(kBarStyle)));
    list.SetProperty(EP::kBounds, CTaggedValue(CGfxRect(rect->left, rect->top, rect->right - 1, rect->bottom - 1)));
    list.SetProperty(EP::kParent, WindowRefValue(&parentRef));
    list.SetProperty(EP::kOwner, WindowRefValue(&parentRef));
    list.SetProperty(EP::kDrag, CTaggedValue(LONG{1}));
    list.SetProperty(EP::kFixed, CTaggedValue(LONG{0}));
    return PanelElement::Create(list) != 0;
}

void QKLToolBar::MoveTo(const RECT* rect)
{
    SetProperty(ElementProperties::kFixed, CTaggedValue(LONG{0}), nullptr);
    SetProperty(ElementProperties::kDrag, CTaggedValue(LONG{1}), nullptr);
    MoveTo(CGfxRect(rect->left, rect->top, rect->right - 1, rect->bottom - 1), TRUE);
    Redraw();
}

bool QKLToolBar::LoadToolBarFont()
{
    LOGFONTA logFont{};
    if (GetSkinState().m_bLargeFonts) {
        CFont* ui = GetSkinState().GetUIFont();
        if (!ui || !ui->GetLogFont(&logFont))
            return false;
    } else {
        CResourceSwitch language(kResourceLanguage);
        if (LoadFontDescription(kFontDescription, logFont) <= 0) {
            TRACE("QKLToolBar: Unable to load font\n");
            return false;
        }
        logFont.lfWeight = FW_NORMAL;
    }
    auto font = std::make_unique<CGdiFont>(&logFont);
    if (!font->GetHandle())
        return false;
    m_pFont = std::move(font);
    return true;
}

CGfxRect QKLToolBar::RowBounds(const ToolBarRow& row, INT offset) const
{
    return CGfxRect(offset + row.x, row.y, offset + row.x + row.width, row.y + row.height);
}

bool QKLToolBar::CreateWindow()
{
    using EP = ElementProperties;
    using BP = ButtonElementProperties;
    CResourceSwitch bitmaps(kResourceBitmaps);
    CResourceLoader loader(bitmaps.GetHandle());
    if (!ContainerElement::CreateWindow() || !SetBackgroundBitmap(m_nBackgroundId, &loader, nullptr, TRUE))
        return false;
    if (!LoadToolBarFont())
        return false;
    WindowRef self(GetWnd(), this);
    const CGfxRect client = GetClientRect();
    const ToolBarRow& last = Row(m_nRowCount - 1);
    const INT offset = client.Width() + Row(0).x - last.x - last.width;
    for (INT i = 0; i < m_nRowCount; ++i) {
        const ToolBarRow& row = Row(i);
        // The top layout's single offset places the window buttons and the
        // decoration only roughly; RelayoutButtons places them exactly.
        const INT shift = !m_nStatusLayout && i <= 3 ? offset : 0;
        ButtonElementProperties list;
        list.SetProperty(EP::kParent, WindowRefValue(&self));
        list.SetProperty(EP::kOwner, WindowRefValue(&self));
        list.SetProperty(BP::kStateCount, CTaggedValue(static_cast<LONG>(row.states)));
        if (i == 0)
            list.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(kFirstButtonStyle)));
        list.SetProperty(EP::kControlId, CTaggedValue(static_cast<LONG>(row.id)));
        list.SetProperty(EP::kBounds, CTaggedValue(RowBounds(row, shift)));
        list.SetProperty(EP::kFixed, CTaggedValue(LONG{1}));
        list.SetProperty(EP::kDrag, CTaggedValue(LONG{0}));
        if (row.label) {
            CResourceSwitch language(kResourceLanguage);
            CString caption;
            caption.LoadString(static_cast<UINT>(row.label));
            list.SetProperty(EP::kText, CTaggedValue(CGfxString(static_cast<LPCSTR>(caption))));
        }
        auto button = std::make_unique<BitmapButtonElement>();
        if (!button->Create(list))
            return false;
        if (row.label)
            button->SetFont(m_pFont.get(), m_crText, FALSE);
        // A face that does not load leaves a blank button of the table's size.
        button->LoadBitmaps(static_cast<UINT>(row.up), static_cast<UINT>(row.down), static_cast<UINT>(row.focus),
                            static_cast<UINT>(row.disabled), nullptr, nullptr, nullptr, nullptr);
        AddChild(button.release());
    }
    Redraw();
    return true;
}

void QKLToolBar::RelayoutButtons()
{
    if (m_nStatusLayout)
        return;
    const INT width = GetClientRect().Width();
    const INT buttons = width + Row(0).x - Row(2).x - Row(2).width;
    const INT decoration = width + Row(0).x - Row(3).x - Row(3).width;
    for (INT i = 0; i <= 3; ++i) {
        PanelElement* button = m_children.GetAt(i);
        if (!button)
            continue;
        button->MoveTo(RowBounds(Row(i), i < 3 ? buttons : decoration), TRUE);
        button->SizeToBackground();
    }
    Redraw();
}

void QKLToolBar::Redraw()
{
    ContainerElement::Redraw();
    if (CDrawContext* context = GetDrawContext()) {
        DrawLabels(context);
        ReleaseDrawContext(context);
    }
}

bool QKLToolBar::OnPanelMessage(ElementMessage*, LRESULT*)
{
    return false;
}

bool QKLToolBar::OnPaint(CDrawContext* context, const CGfxRect&)
{
    DrawLabels(context);
    return true;
}

void QKLToolBar::SetLabel(int index, const CString& text)
{
    std::lock_guard<std::mutex> hold(m_labelLock);
    m_label[index].Assign(static_cast<LPCSTR>(text));
}

void QKLToolBar::SetLabel1Text(const CString& text) { SetLabel(0, text); }
void QKLToolBar::SetLabel2Text(const CString& text) { SetLabel(1, text); }
void QKLToolBar::SetLabel3Text(const CString& text) { SetLabel(2, text); }

CGfxString QKLToolBar::GetLabel(int index) const
{
    std::lock_guard<std::mutex> hold(m_labelLock);
    return m_label[index];
}

void QKLToolBar::DrawLabels(CDrawContext* context)
{
    if (!context)
        return;
    CGfxString texts[3];
    INT count = 3;
    if (m_nStatusLayout) {
        std::lock_guard<std::mutex> hold(m_labelLock);
        std::copy(std::begin(m_label), std::end(m_label), texts);
    } else {
        count = 1;
        if (CWnd* main = AfxGetMainWnd()) {
            CString title;
            main->GetWindowText(title);
            texts[0].Assign(static_cast<LPCSTR>(title));
        }
    }
    CGdiFont* previousFont = context->SelectFont(m_pFont.get());
    const CRGBColor previousColour = context->SetTextColor(m_crText);
    const int previousMode = context->SetBkMode(TRANSPARENT);
    for (INT i = 0; i < count; ++i) {
        Paint(context, m_rcLabel[i], m_ptLabelOrigin[i]);
        context->DrawText(texts[i], m_rcLabel[i], m_nTextFlags);
    }
    context->SelectFont(previousFont);
    context->SetTextColor(previousColour);
    context->SetBkMode(previousMode);
}

void QKLToolBar::SetButtonState(INT id, INT value)
{
    if (PanelElement* button = m_children.FindByKey(id))
        button->SetProperty(ButtonElementProperties::kChecked, CTaggedValue(static_cast<LONG>(value)), nullptr);
}

bool QKLToolBar::OnCommand(UINT id, UINT, void*)
{
    CWnd* main = AfxGetMainWnd();
    if (!main)
        return true;
    for (const WindowCommand& command : kWindowCommands)
        if (command.id == id) {
            main->SendMessage(command.message, command.wParam, 0);
            return true;
        }
    for (const Tab& tab : kTabs)
        if (tab.id == id) {
            OpenTab(static_cast<LONG>(&tab - kTabs));
            return true;
        }
    return true;
}

void QKLToolBar::ReleaseTabs()
{
    for (const Tab& tab : kTabs)
        SetButtonState(static_cast<INT>(tab.id), 0);
}

void QKLToolBar::OpenTab(LONG column)
{
    const Tab& tab = kTabs[column];
    // All tabs up and none open, as a menu closing away from the tabs
    // leaves them; the cursor's report is not used for that, since (-1, -1)
    // may lie over a tab of a bar above or left of the screen.
    ReleaseTabs();
    m_nOpenTab = kNoTab;
    SetButtonState(static_cast<INT>(tab.id), 1);
    m_nOpenTab = tab.bit;
    const CGfxPoint at = ClientToScreen(CGfxPoint(kTabPitch * (column + 1), kMenuTop));
    CPopupMenuService::Get().DoPopupMenuById(tab.menu, POINT{at.x, at.y}, kTabMenuFlags);
}

void QKLToolBar::OnMenuClosed(INT x, INT y)
{
    ReleaseTabs();
    CWnd* main = AfxGetMainWnd();
    if (!main)
        return;
    const CGfxPoint origin = ClientToScreen(CGfxPoint(0, 0));
    const LONG bx = x - origin.x, by = y - origin.y;
    const Tab* hit = nullptr;
    if (by >= kTabTop && by <= kTabBottom)
        for (LONG c = 0; c < 4; ++c)
            if (kTabPitch * (c + 1) < bx && bx < kTabPitch * (c + 2))
                hit = &kTabs[c];
    if (!hit || m_nOpenTab == hit->bit) {
        m_nOpenTab = kNoTab;
        return;
    }
    SetButtonState(static_cast<INT>(hit->id), 1);
    m_nOpenTab = hit->bit;
    main->PostMessage(WM_COMMAND, hit->command, 0);
}
