#include "Win32/Toolkit/QKLModeCtrlPanel.h"

#include "Platform/Com/Com.h"
#include "Platform/DShow/Api/FilterInterfaces.h"
#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Toolkit/AnimateButtonElement.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/ButtonElementProperties.h"
#include "Win32/Toolkit/SceneEffectQuery.h"

namespace {

using EP = ElementProperties;

// The optional import filter, which nothing in the program registers.
DEFINE_GUID(CLSID_OptionalImportFilter, 0xDBB81912, 0x7141, 0x11D4, 0xAC, 0xC8, 0x00, 0x50, 0xDA, 0x29, 0x59, 0x3F);

constexpr DWORD kFirstRowStyle = 0x5003000B; // WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_OWNERDRAW
constexpr DWORD kRowStyle = 0x5001000B;      // the same without WS_GROUP
constexpr DWORD kBuiltRows = 0xFFFF;         // rows 0 to 15 start enabled
constexpr INT kMainMenuRow = 1;
constexpr INT kAboutRow = 14;
constexpr INT kOptionalRow = 13;

// The commands that go to the main window.
constexpr UINT kMainWindowCommands[] = {101, 102, 104, 107, 120, 165, 166, 32786, 32789};
constexpr UINT kEmblemId = 200;

// The mode each mode button switches the view to.
struct ModeButton {
    UINT id;
    INT mode;
};
constexpr ModeButton kModeButtons[] = {
    {53320, 7}, {53321, 5}, {53322, 3}, {53323, 2}, {53324, 0},
    {53325, 1}, {53326, 4}, {53327, 8}, {53328, 6}, {53331, 9},
};

// The rows that show a marker, and the indexes SetModeEnabled clears for
// the effects a scene carries.
constexpr INT kFirstMarkedRow = 3;
constexpr INT kLastMarkedRow = 8;
constexpr INT kMotionIndex = 5;
constexpr INT kSpectrumIndex = 2;
constexpr INT kTextIndex = 3;
constexpr INT kColourIndex = 1;
constexpr INT kAudioIndex = 6;

// The bottom buttons' tops above the column's bottom edge.
struct BottomButton {
    INT id;
    LONG above;
};
constexpr BottomButton kBottomButtons[] = {{1128, 120}, {107, 68}, {1129, 15}};

} // namespace

QKLModeCtrlPanel::QKLModeCtrlPanel()
{
    SetTable(kRows, kRowCount);
}

QKLModeCtrlPanel::~QKLModeCtrlPanel() = default;

INT QKLModeCtrlPanel::ModeOf(UINT id)
{
    for (const ModeButton& button : kModeButtons)
        if (button.id == id)
            return button.mode;
    return -1;
}

bool QKLModeCtrlPanel::OnCommand(UINT id, UINT, void*)
{
    for (UINT command : kMainWindowCommands)
        if (command == id) {
            if (HWND main = MainWindow())
                ::SendMessageA(main, WM_COMMAND, id, 0);
            return true;
        }
    if (id == kEmblemId)
        return true;
    const INT mode = ModeOf(id);
    if (mode < 0)
        return false;
    const INT button = static_cast<INT>(id);
    if (GetButtonState(button) != 0) {
        SelectOnly(button, 0);
        ::SendMessageA(OwnerHwnd(), kCloseToolMessage, kCloseTool, 0);
    } else {
        SelectOnly(button, 1);
        ::SendMessageA(OwnerHwnd(), kModeMessage, static_cast<WORD>(mode), 0);
    }
    return true;
}

void QKLModeCtrlPanel::SelectOnly(INT id, INT value)
{
    for (INT i = 0; i < m_nRowCount; ++i)
        SetButtonState(m_pRows[i].id, m_pRows[i].id == id ? value : 0);
}

void QKLModeCtrlPanel::SetModeEnabled(INT index, INT flag)
{
    if (!m_pModeFlags)
        return;
    if (index < 0) {
        for (INT user = 3; user <= 8; ++user)
            m_pModeFlags[user] = flag;
        return;
    }
    if (index > 8 || index + 2 >= m_nRowCount)
        return;
    const INT user = m_pRows[index + 2].user;
    if (user >= 1 && user <= 9)
        m_pModeFlags[user] = flag;
}

INT QKLModeCtrlPanel::GetModeFlag(INT user) const
{
    return m_pModeFlags && user >= 0 && user < m_nFlagCount ? m_pModeFlags[user] : 0;
}

void QKLModeCtrlPanel::SetSceneMarkers(Scene* scene)
{
    SetModeEnabled(-1, 1);
    if (scene) {
        CSceneEffectQuery& query = CSceneEffectQuery::Get();
        const struct {
            bool carries;
            INT index;
        } effects[] = {
            {query.HasMotionEffect(scene), kMotionIndex},
            {query.HasSpectrumEffect(scene), kSpectrumIndex},
            {query.HasTextEffect(scene), kTextIndex},
            {query.HasColorEffect(scene), kColourIndex},
            {query.GetAudioTrackCount(scene) != 0, kAudioIndex},
        };
        for (const auto& effect : effects)
            if (effect.carries)
                SetModeEnabled(effect.index, 0);
    }
    InvalidateModeStrip();
}

void QKLModeCtrlPanel::InvalidateModeStrip()
{
    CGfxRect strip = GetClientRect();
    strip.left = 0;
    strip.right = kModeStripWidth;
    strip.top += kModeStripTop;
    strip.bottom += kModeStripTop;
    Invalidate(&strip, TRUE);
}

void QKLModeCtrlPanel::MoveTo(const RECT* rect)
{
    SetProperty(EP::kFixed, CTaggedValue(LONG{0}), nullptr);
    SetProperty(EP::kDrag, CTaggedValue(LONG{1}), nullptr);
    MoveTo(CGfxRect(rect->left, rect->top, rect->right - 1, rect->bottom - 1), TRUE);
    Redraw();
    LayoutRightButtons(rect);
}

void QKLModeCtrlPanel::LayoutRightButtons(const RECT* rect)
{
    // Each keeps its own height: stretched down to the column's foot, the
    // decoration above the produce button would cover it.
    for (const BottomButton& placed : kBottomButtons)
        if (PanelElement* button = m_children.FindByKey(placed.id)) {
            const LONG top = rect->bottom - placed.above;
            const LONG height = button->GetBounds().Height();
            button->MoveTo(CGfxRect(0, top, 58, height > 0 ? top + height : rect->bottom), TRUE);
        }
}

bool QKLModeCtrlPanel::HasOptionalFilter()
{
    IUnknown* filter = nullptr;
    if (FAILED(CoCreateInstance(CLSID_OptionalImportFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(&filter))) ||
        !filter)
        return false;
    filter->Release();
    return true;
}

bool QKLModeCtrlPanel::BuildModeRow(TableBuild& build, INT index, const ButtonTableRow& row)
{
    ButtonElementProperties list;
    DescribeRow(build, list, row, LabelUse::FontOnly);
    list.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(index == 0 ? kFirstRowStyle : kRowStyle)));
    if (row.id == kProduceId) {
        list.SetProperty(EP::kDrag, CTaggedValue(LONG{0}));
        list.SetProperty(EP::kFixed, CTaggedValue(LONG{1}));
        auto button = std::make_unique<AnimateButtonElement>();
        if (!button->Create(list))
            return false;
        const CRGBColor key(kProduceKey);
        button->SetAnimation(static_cast<UINT>(row.up), kProduceStrip, 2, 15, &key, 2);
        button->SizeToBackground();
        button->SetTimer(kProduceTimer, kProduceTick, FALSE);
        AddChild(button.release());
        return true;
    }
    if (row.up == 0)
        return true;
    auto button = std::make_unique<BitmapButtonElement>();
    if (!button->Create(list))
        return false;
    // A face that does not load leaves the button without images, not
    // skipped.
    button->LoadBitmaps(static_cast<UINT>(row.up), static_cast<UINT>(row.down), static_cast<UINT>(row.focus),
                        static_cast<UINT>(row.disabled), &build.key, &build.key, &build.key, &build.key);
    button->SizeToBackground();
    AddChild(button.release());
    return true;
}

bool QKLModeCtrlPanel::CreateWindow()
{
    const bool optional = HasOptionalFilter();
    TableBuild build(*this);
    if (!StartTableBuild(build, 0, FALSE))
        return false;
    m_nFlagCount = kFlagCount;
    m_pMarkerClear.reset(build.loader.LoadBitmapById(kMarkerClear));
    m_pMarkerSet.reset(build.loader.LoadBitmapById(kMarkerSet));
    m_pModeFlags = std::make_unique<INT[]>(static_cast<size_t>(m_nFlagCount));
    std::fill_n(m_pModeFlags.get(), m_nFlagCount, 1);
    if (!SetBackgroundBitmap(kBackground, &build.loader, nullptr, TRUE))
        return false;
    for (INT i = 0; i < m_nRowCount; ++i) {
        const ButtonTableRow& row = m_pRows[i];
        if (i == kMainMenuRow || i == kAboutRow)
            continue;
        if (!optional && (i == kOptionalRow || row.id == kOptionalLibraryId))
            continue;
        if (!BuildModeRow(build, i, row))
            return false;
    }
    EnableButtons(kBuiltRows, -1);
    return true;
}

bool QKLModeCtrlPanel::OnPaint(CDrawContext* context, const CGfxRect&)
{
    if (!context || !m_pModeFlags)
        return true;
    for (INT i = kFirstMarkedRow; i <= kLastMarkedRow && i < m_nRowCount; ++i) {
        const ButtonTableRow& row = m_pRows[i];
        PanelElement* button = m_children.FindByKey(row.id);
        if (row.user < 0 || !button)
            continue;
        const CGfxRect place = ScreenToClient(button->GetWindowRect());
        CGdiBitmap* marker = row.user < m_nFlagCount && m_pModeFlags[row.user] ? m_pMarkerSet.get()
                                                                                : m_pMarkerClear.get();
        if (!marker)
            continue;
        const CGfxSize size = marker->GetSize();
        const LONG top = place.top + (place.Height() - size.cy) / 2;
        context->DrawBitmap(marker, CGfxRect(0, top, size.cx - 1, place.bottom), CGfxPoint(0, 0), SRCCOPY);
    }
    return true;
}
