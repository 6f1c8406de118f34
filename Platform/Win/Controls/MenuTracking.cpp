// Menus on screen: popups as top-level "#32768" windows that take no
// activation, their layout and painting (owner-drawn items by their owner),
// and the menu loop that runs while a popup or the menu bar is tracked.
// The loop holds the mouse on the owner window and reads every message of
// the thread first: the mouse and the keys work the menus, everything else
// is dispatched as usual.

#include <algorithm>

#include "Platform/Win/Controls/Private/ControlsInternal.h"
#include "Platform/Win/Controls/Private/MenuInternal.h"
#include "Platform/Win/User/ModalLoop.h"

namespace win::controls {

namespace {

constexpr LONG kBorder = 3;
constexpr LONG kCheckArea = 18;
constexpr LONG kArrowArea = 18;
constexpr LONG kAcceleratorGap = 16;
constexpr LONG kSeparatorHeight = 8;
constexpr UINT_PTR kShowTimer = 0x0E01;

UINT ItemId(const MenuItem& item)
{
    return item.submenu ? static_cast<UINT>(reinterpret_cast<UINT_PTR>(item.submenu)) : item.id;
}

std::pair<std::string, std::string> Split(const std::string& text)
{
    const size_t tab = text.find('\t');
    if (tab == std::string::npos)
        return {text, {}};
    return {text.substr(0, tab), text.substr(tab + 1)};
}

void DrawCheck(HDC dc, const RECT& area, bool radio)
{
    const LONG cx = area.left + kCheckArea / 2;
    const LONG cy = (area.top + area.bottom) / 2;
    HBRUSH brush = CreateSolidBrush(GetTextColor(dc));
    if (radio) {
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
        Ellipse(dc, cx - 3, cy - 3, cx + 4, cy + 4);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
    } else {
        static constexpr POINT kTick[] = {{-3, 0}, {-2, 1}, {-1, 2}, {0, 1}, {1, 0}, {2, -1}, {3, -2}};
        for (POINT p : kTick) {
            RECT dot{cx + p.x, cy + p.y - 1, cx + p.x + 1, cy + p.y + 2};
            FillRect(dc, &dot, brush);
        }
    }
    DeleteObject(brush);
}

UINT OwnerDrawState(const MenuItem& item, bool selected)
{
    UINT state = selected ? ODS_SELECTED : 0;
    if (item.state & MF_GRAYED)
        state |= ODS_GRAYED;
    if (item.state & (MF_GRAYED | MF_DISABLED))
        state |= ODS_DISABLED;
    if (item.state & MF_CHECKED)
        state |= ODS_CHECKED;
    if (item.state & MFS_DEFAULT)
        state |= ODS_DEFAULT;
    return state;
}

struct Level {
    HMENU menu = nullptr;
    HWND window = nullptr;
    std::vector<MenuItem> items;
    PopupLayout layout;
    int selected = -1;
};

class Tracker {
public:
    Tracker(HWND owner, UINT flags, bool system)
        : m_owner(owner), m_flags(flags), m_system(system), m_notify(!(flags & TPM_NONOTIFY))
    {
    }

    UINT Run(HMENU menu, POINT at, int barItem, bool openBarPopup);
    void End(UINT result)
    {
        m_result = result;
        if (m_loop)
            m_loop->End(result);
    }
    const Level* LevelOf(HWND window) const
    {
        for (const Level& level : m_levels)
            if (level.window == window)
                return &level;
        return nullptr;
    }
    int BarItemFor(HWND window) const { return m_bar && window == m_owner ? m_barSelected : -1; }
    void Paint(HWND window);

    Tracker* m_outer = nullptr;

private:
    bool Filter(MSG& msg);
    bool OpenLevel(HMENU menu, int parentIndex, const RECT& anchor, bool below);
    void OpenSubmenu(size_t level, int item, bool selectFirst);
    void OpenBarPopup(bool selectFirst);
    void CloseFrom(size_t level);
    void Select(size_t level, int item);
    void SelectBar(int item, bool openPopup);
    void Redraw(size_t level);
    void RedrawBar();
    void MouseMove(POINT screen);
    void ButtonDown(POINT screen);
    void ButtonUp(POINT screen);
    bool KeyDown(UINT vk);
    void Character(char c);
    void Choose(size_t level, int item, bool selectFirst);
    void Step(size_t level, int direction);
    // The level and item under a point; level -1 for none.
    std::pair<int, int> Where(POINT screen) const;
    int BarItemAt(POINT screen) const;
    void SendMenuSelect(const Level& level, int item);

    HWND m_owner;
    UINT m_flags;
    bool m_system;
    bool m_notify;
    std::vector<Level> m_levels;
    HMENU m_bar = nullptr;
    std::vector<MenuItem> m_barItems;
    std::vector<RECT> m_barRects; // screen
    int m_barSelected = -1;
    ModalLoop* m_loop = nullptr;
    UINT m_result = 0;
    int m_pendingLevel = -1;
    int m_pendingItem = -1;
};

thread_local Tracker* t_tracker = nullptr;

LRESULT SendOwner(HWND owner, UINT message, WPARAM wParam, LPARAM lParam)
{
    return IsWindow(owner) ? SendMessageA(owner, message, wParam, lParam) : 0;
}

void Tracker::SendMenuSelect(const Level& level, int item)
{
    if (!m_notify)
        return;
    if (item < 0) {
        SendOwner(m_owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        return;
    }
    const MenuItem& entry = level.items[static_cast<size_t>(item)];
    UINT flags = (entry.state & (MF_GRAYED | MF_DISABLED | MF_CHECKED)) | MF_HILITE | (entry.type & (MF_OWNERDRAW | MF_SEPARATOR));
    if (entry.submenu)
        flags |= MF_POPUP;
    if (m_system)
        flags |= MF_SYSMENU;
    const UINT id = entry.submenu ? static_cast<UINT>(item) : entry.id;
    SendOwner(m_owner, WM_MENUSELECT, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(flags)),
              reinterpret_cast<LPARAM>(level.menu));
}

bool Tracker::OpenLevel(HMENU menu, int parentIndex, const RECT& anchor, bool below)
{
    if (m_notify)
        SendOwner(m_owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(parentIndex, m_system ? 1 : 0));
    Level level;
    level.menu = menu;
    if (!CopyMenuItems(menu, &level.items) || level.items.empty())
        return false;
    level.layout = MeasurePopup(m_owner, menu, level.items);
    const LONG width = level.layout.size.cx;
    const LONG height = level.layout.size.cy;
    const LONG screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const LONG screenHeight = GetSystemMetrics(SM_CYSCREEN);
    LONG x = 0;
    LONG y = 0;
    if (m_levels.empty() && !below) {
        // The first popup of TrackPopupMenu: aligned on the point.
        x = anchor.left;
        y = anchor.top;
        if (m_flags & TPM_CENTERALIGN)
            x -= width / 2;
        else if (m_flags & TPM_RIGHTALIGN)
            x -= width;
        if (m_flags & TPM_VCENTERALIGN)
            y -= height / 2;
        else if (m_flags & TPM_BOTTOMALIGN)
            y -= height;
        if (x + width > screenWidth)
            x = screenWidth - width;
        if (y + height > screenHeight)
            y = std::max<LONG>(anchor.top - height, screenHeight - height);
    } else if (below) {
        x = anchor.left;
        y = anchor.bottom;
        if (y + height > screenHeight)
            y = anchor.top - height;
        if (x + width > screenWidth)
            x = screenWidth - width;
    } else {
        // A submenu opens beside its item: right, or left where there is no room.
        x = anchor.right - kBorder;
        y = anchor.top - kBorder;
        if (x + width > screenWidth)
            x = anchor.left - width + kBorder;
        if (y + height > screenHeight)
            y = screenHeight - height;
    }
    x = std::max<LONG>(0, x);
    y = std::max<LONG>(0, y);
    level.window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kMenuClass, "", WS_POPUP, x, y,
                                   width, height, m_owner, nullptr, nullptr, nullptr);
    if (!level.window)
        return false;
    m_levels.push_back(std::move(level));
    SetWindowPos(m_levels.back().window, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    UpdateWindow(m_levels.back().window);
    return true;
}

void Tracker::CloseFrom(size_t from)
{
    while (m_levels.size() > from) {
        Level level = std::move(m_levels.back());
        m_levels.pop_back();
        if (m_notify)
            SendOwner(m_owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(level.menu), m_system ? MF_SYSMENU << 16 : 0);
        if (IsWindow(level.window))
            DestroyWindow(level.window);
    }
    if (m_pendingLevel >= static_cast<int>(m_levels.size()))
        m_pendingLevel = m_pendingItem = -1;
}

void Tracker::Redraw(size_t level)
{
    if (level < m_levels.size()) {
        InvalidateRect(m_levels[level].window, nullptr, TRUE);
        UpdateWindow(m_levels[level].window);
    }
}

void Tracker::RedrawBar()
{
    if (m_bar)
        DrawMenuBar(m_owner);
}

void Tracker::Select(size_t level, int item)
{
    if (level >= m_levels.size() || m_levels[level].selected == item)
        return;
    m_levels[level].selected = item;
    Redraw(level);
    SendMenuSelect(m_levels[level], item);
}

void Tracker::OpenSubmenu(size_t level, int item, bool selectFirst)
{
    const MenuItem& entry = m_levels[level].items[static_cast<size_t>(item)];
    if (!entry.submenu || entry.Disabled())
        return;
    CloseFrom(level + 1);
    RECT windowRect{};
    GetWindowRect(m_levels[level].window, &windowRect);
    RECT anchor = m_levels[level].layout.items[static_cast<size_t>(item)];
    OffsetRect(&anchor, windowRect.left, windowRect.top);
    anchor.left = windowRect.left;
    anchor.right = windowRect.right;
    if (OpenLevel(entry.submenu, item, anchor, false) && selectFirst)
        Step(m_levels.size() - 1, 1);
}

void Tracker::OpenBarPopup(bool selectFirst)
{
    CloseFrom(0);
    if (m_barSelected < 0)
        return;
    const MenuItem& entry = m_barItems[static_cast<size_t>(m_barSelected)];
    if (!entry.submenu || entry.Disabled())
        return;
    if (OpenLevel(entry.submenu, m_barSelected, m_barRects[static_cast<size_t>(m_barSelected)], true) && selectFirst)
        Step(m_levels.size() - 1, 1);
}

void Tracker::SelectBar(int item, bool openPopup)
{
    if (item == m_barSelected && (!openPopup || !m_levels.empty()))
        return;
    CloseFrom(0);
    m_barSelected = item;
    HiliteOnly(m_bar, item);
    RedrawBar();
    if (m_notify && item >= 0) {
        const MenuItem& entry = m_barItems[static_cast<size_t>(item)];
        SendOwner(m_owner, WM_MENUSELECT,
                  MAKEWPARAM(static_cast<WORD>(entry.submenu ? item : entry.id),
                             static_cast<WORD>(MF_HILITE | (entry.submenu ? MF_POPUP : 0))),
                  reinterpret_cast<LPARAM>(m_bar));
    }
    if (openPopup)
        OpenBarPopup(false);
}

// Moves the selection of a level to the next item that is no separator.
void Tracker::Step(size_t level, int direction)
{
    if (level >= m_levels.size())
        return;
    const Level& l = m_levels[level];
    const int n = static_cast<int>(l.items.size());
    int at = l.selected;
    for (int k = 0; k < n; ++k) {
        at = at < 0 ? (direction > 0 ? 0 : n - 1) : (at + direction + n) % n;
        if (!l.items[static_cast<size_t>(at)].Separator()) {
            Select(level, at);
            return;
        }
    }
}

std::pair<int, int> Tracker::Where(POINT screen) const
{
    for (int k = static_cast<int>(m_levels.size()) - 1; k >= 0; --k) {
        const Level& level = m_levels[static_cast<size_t>(k)];
        RECT r{};
        GetWindowRect(level.window, &r);
        if (!PtInRect(&r, screen))
            continue;
        POINT p{screen.x - r.left, screen.y - r.top};
        for (size_t i = 0; i < level.layout.items.size(); ++i)
            if (PtInRect(&level.layout.items[i], p))
                return {k, static_cast<int>(i)};
        return {k, -1};
    }
    return {-1, -1};
}

int Tracker::BarItemAt(POINT screen) const
{
    for (size_t i = 0; i < m_barRects.size(); ++i)
        if (PtInRect(&m_barRects[i], screen))
            return static_cast<int>(i);
    return -1;
}

void Tracker::Choose(size_t level, int item, bool selectFirst)
{
    const MenuItem& entry = m_levels[level].items[static_cast<size_t>(item)];
    if (entry.submenu) {
        if (level + 1 >= m_levels.size() || m_levels[level + 1].menu != entry.submenu)
            OpenSubmenu(level, item, selectFirst);
        return;
    }
    if (entry.Command())
        End(entry.id);
}

void Tracker::MouseMove(POINT screen)
{
    auto [level, item] = Where(screen);
    if (level >= 0) {
        if (item < 0)
            return;
        const size_t l = static_cast<size_t>(level);
        const MenuItem& entry = m_levels[l].items[static_cast<size_t>(item)];
        const bool childIsThis = l + 1 < m_levels.size() && m_levels[l + 1].menu == entry.submenu;
        if (!childIsThis)
            CloseFrom(l + 1);
        Select(l, item);
        if (entry.submenu && !entry.Disabled() && !childIsThis && m_pendingItem != item) {
            m_pendingLevel = level;
            m_pendingItem = item;
            SetTimer(m_levels[l].window, kShowTimer, std::max<UINT>(1, GetInputTimings().menuShowDelay), nullptr);
        }
        return;
    }
    const int bar = BarItemAt(screen);
    if (bar >= 0 && bar != m_barSelected) {
        SelectBar(bar, !m_levels.empty());
        return;
    }
    if (!m_levels.empty()) {
        Level& deepest = m_levels.back();
        if (deepest.selected >= 0)
            Select(m_levels.size() - 1, -1);
    }
}

void Tracker::ButtonDown(POINT screen)
{
    auto [level, item] = Where(screen);
    if (level >= 0) {
        if (item >= 0 && m_levels[static_cast<size_t>(level)].items[static_cast<size_t>(item)].submenu)
            Choose(static_cast<size_t>(level), item, false);
        return;
    }
    const int bar = BarItemAt(screen);
    if (bar >= 0) {
        if (bar == m_barSelected && !m_levels.empty())
            End(0);
        else
            SelectBar(bar, true);
        return;
    }
    End(0);
}

void Tracker::ButtonUp(POINT screen)
{
    auto [level, item] = Where(screen);
    if (level >= 0 && item >= 0)
        Choose(static_cast<size_t>(level), item, false);
}

bool Tracker::KeyDown(UINT vk)
{
    const size_t deepest = m_levels.empty() ? 0 : m_levels.size() - 1;
    switch (vk) {
    case VK_UP:
    case VK_DOWN:
        if (m_levels.empty() && m_bar)
            OpenBarPopup(true);
        else
            Step(deepest, vk == VK_DOWN ? 1 : -1);
        return true;
    case VK_RIGHT:
        if (!m_levels.empty()) {
            const Level& level = m_levels[deepest];
            if (level.selected >= 0 && level.items[static_cast<size_t>(level.selected)].submenu) {
                Choose(deepest, level.selected, true);
                return true;
            }
        }
        if (m_bar && !m_barItems.empty())
            SelectBar((m_barSelected + 1) % static_cast<int>(m_barItems.size()), !m_levels.empty());
        return true;
    case VK_LEFT:
        if (m_levels.size() > 1) {
            CloseFrom(m_levels.size() - 1);
            return true;
        }
        if (m_bar && !m_barItems.empty()) {
            const int n = static_cast<int>(m_barItems.size());
            SelectBar((m_barSelected - 1 + n) % n, !m_levels.empty());
        }
        return true;
    case VK_RETURN:
        if (!m_levels.empty() && m_levels[deepest].selected >= 0)
            Choose(deepest, m_levels[deepest].selected, true);
        else if (m_bar && m_levels.empty())
            OpenBarPopup(true);
        return true;
    case VK_ESCAPE:
        if (m_levels.size() > 1 || (m_bar && !m_levels.empty()))
            CloseFrom(m_levels.size() - 1);
        else
            End(0);
        return true;
    case VK_MENU:
    case VK_F10:
        End(0);
        return true;
    default:
        return false;
    }
}

void Tracker::Character(char c)
{
    const char wanted = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (m_levels.empty()) {
        for (size_t i = 0; i < m_barItems.size(); ++i)
            if (Mnemonic(m_barItems[i].text) == wanted) {
                SelectBar(static_cast<int>(i), true);
                Step(0, 1);
                return;
            }
        return;
    }
    const size_t deepest = m_levels.size() - 1;
    Level& level = m_levels[deepest];
    std::vector<int> matches;
    for (size_t i = 0; i < level.items.size(); ++i)
        if (Mnemonic(level.items[i].text) == wanted)
            matches.push_back(static_cast<int>(i));
    if (matches.size() == 1) {
        Select(deepest, matches[0]);
        Choose(deepest, matches[0], true);
        return;
    }
    if (matches.size() > 1) {
        auto next = std::upper_bound(matches.begin(), matches.end(), level.selected);
        Select(deepest, next == matches.end() ? matches[0] : *next);
        return;
    }
    // Nothing of the menu's: the owner may know what the key means.
    const LRESULT answer = SendOwner(m_owner, WM_MENUCHAR,
                                     MAKEWPARAM(static_cast<unsigned char>(c), m_system ? MF_SYSMENU : MF_POPUP),
                                     reinterpret_cast<LPARAM>(level.menu));
    const WORD what = HIWORD(static_cast<DWORD>(answer));
    const int index = LOWORD(static_cast<DWORD>(answer));
    if (what == MNC_CLOSE) {
        End(0);
    } else if ((what == MNC_EXECUTE || what == MNC_SELECT) && index < static_cast<int>(level.items.size())) {
        Select(deepest, index);
        if (what == MNC_EXECUTE)
            Choose(deepest, index, true);
    } else {
        MessageBeep(0);
    }
}

bool Tracker::Filter(MSG& msg)
{
    if (GetCapture() != m_owner) {
        End(0);
        return false;
    }
    const bool rightButtonChooses = (m_flags & TPM_RIGHTBUTTON) != 0;
    switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
        MouseMove(msg.pt);
        return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
        ButtonDown(msg.pt);
        return true;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
        ButtonUp(msg.pt);
        return true;
    case WM_RBUTTONUP:
    case WM_NCRBUTTONUP:
        if (rightButtonChooses)
            ButtonUp(msg.pt);
        return true;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (!KeyDown(static_cast<UINT>(msg.wParam)))
            TranslateMessage(&msg);
        return true;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        return true;
    case WM_CHAR:
    case WM_SYSCHAR:
        Character(static_cast<char>(msg.wParam));
        return true;
    case WM_TIMER:
        if (msg.wParam == kShowTimer) {
            KillTimer(msg.hwnd, kShowTimer);
            if (m_pendingLevel >= 0 && static_cast<size_t>(m_pendingLevel) < m_levels.size() &&
                m_levels[static_cast<size_t>(m_pendingLevel)].window == msg.hwnd &&
                m_levels[static_cast<size_t>(m_pendingLevel)].selected == m_pendingItem)
                OpenSubmenu(static_cast<size_t>(m_pendingLevel), m_pendingItem, false);
            m_pendingLevel = m_pendingItem = -1;
            return true;
        }
        return false;
    default:
        return false;
    }
}

UINT Tracker::Run(HMENU menu, POINT at, int barItem, bool openBarPopup)
{
    m_outer = t_tracker;
    t_tracker = this;
    const bool popupMode = barItem < 0;
    if (!popupMode) {
        m_bar = menu;
        CopyMenuItems(menu, &m_barItems);
        m_barRects = MeasureBar(m_owner, menu, m_barItems, BarOnScreen(m_owner));
    }
    if (m_notify) {
        SendOwner(m_owner, WM_ENTERMENULOOP, popupMode ? TRUE : FALSE, 0);
        SendOwner(m_owner, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
    }
    SetCapture(m_owner);
    bool shown = true;
    if (popupMode)
        shown = OpenLevel(menu, 0, RECT{at.x, at.y, at.x, at.y}, false);
    else
        SelectBar(barItem, openBarPopup);
    if (shown && IsWindow(m_owner)) {
        ModalLoop loop(nullptr);
        m_loop = &loop;
        loop.m_filter = [this](MSG& msg) { return Filter(msg); };
        loop.m_idle = [this] {
            if (m_notify)
                SendOwner(m_owner, WM_ENTERIDLE, MSGF_MENU,
                          reinterpret_cast<LPARAM>(m_levels.empty() ? m_owner : m_levels.back().window));
        };
        loop.Run(m_owner, 0);
        m_loop = nullptr;
    }
    CloseFrom(0);
    if (m_bar) {
        m_barSelected = -1;
        HiliteOnly(m_bar, -1);
        RedrawBar();
    }
    if (GetCapture() == m_owner)
        ReleaseCapture();
    if (m_notify) {
        SendOwner(m_owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        SendOwner(m_owner, WM_EXITMENULOOP, popupMode ? TRUE : FALSE, 0);
    }
    t_tracker = m_outer;
    return m_result;
}

void Tracker::Paint(HWND window)
{
    const Level* level = LevelOf(window);
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (!dc)
        return;
    RECT client = ClientRect(window);
    FillSysColor(dc, client, COLOR_MENU);
    DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);
    if (level) {
        for (size_t i = 0; i < level->items.size(); ++i)
            DrawMenuItem(m_owner, dc, level->menu, level->items[i], level->layout.items[i],
                         static_cast<int>(i) == level->selected, false, ODA_DRAWENTIRE);
    }
    EndPaint(window, &paint);
}

} // namespace

PopupLayout MeasurePopup(HWND owner, HMENU, const std::vector<MenuItem>& items)
{
    PopupLayout layout;
    HDC dc = GetDC(owner);
    HGDIOBJ old = SelectObject(dc, MenuFont());
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    const LONG textHeight = std::max<LONG>(tm.tmHeight + 6, 18);
    LONG labels = 0;
    LONG accelerators = 0;
    LONG ownerWidth = 0;
    std::vector<LONG> heights;
    for (const MenuItem& item : items) {
        if (item.Separator() && !item.OwnerDrawn()) {
            heights.push_back(kSeparatorHeight);
            continue;
        }
        if (item.OwnerDrawn()) {
            MEASUREITEMSTRUCT measure{ODT_MENU, 0, ItemId(item), 0, static_cast<UINT>(textHeight), item.data};
            SendOwner(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
            // Room for a check mark comes on top of what the owner asks for.
            ownerWidth = std::max<LONG>(ownerWidth, static_cast<LONG>(measure.itemWidth) + GetSystemMetrics(SM_CXMENUCHECK) - 1);
            heights.push_back(static_cast<LONG>(measure.itemHeight));
            continue;
        }
        auto [label, accelerator] = Split(item.text);
        RECT r{0, 0, 0, 0};
        DrawTextA(dc, label.c_str(), -1, &r, DT_SINGLELINE | DT_CALCRECT);
        labels = std::max(labels, r.right);
        if (!accelerator.empty()) {
            RECT a{0, 0, 0, 0};
            DrawTextA(dc, accelerator.c_str(), -1, &a, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
            accelerators = std::max(accelerators, a.right);
        }
        heights.push_back(textHeight);
    }
    SelectObject(dc, old);
    ReleaseDC(owner, dc);
    const LONG textWidth = kCheckArea + labels + (accelerators ? kAcceleratorGap + accelerators : 0) + kArrowArea;
    const LONG inner = std::max(textWidth, ownerWidth);
    LONG y = kBorder;
    for (LONG height : heights) {
        layout.items.push_back(RECT{kBorder, y, kBorder + inner, y + height});
        y += height;
    }
    layout.size = SIZE{inner + 2 * kBorder, y + kBorder};
    return layout;
}

void DrawMenuItem(HWND owner, HDC dc, HMENU menu, const MenuItem& item, const RECT& r, bool selected, bool inBar,
                  UINT action)
{
    if (item.OwnerDrawn()) {
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        draw.itemID = ItemId(item);
        draw.itemAction = action;
        draw.itemState = OwnerDrawState(item, selected);
        draw.hwndItem = reinterpret_cast<HWND>(menu);
        draw.hDC = dc;
        draw.rcItem = r;
        draw.itemData = item.data;
        SendOwner(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
        return;
    }
    const bool disabled = item.Disabled();
    FillSysColor(dc, r, selected && !item.Separator() ? COLOR_HIGHLIGHT : COLOR_MENU);
    if (item.Separator()) {
        const LONG middle = (r.top + r.bottom) / 2;
        FillSysColor(dc, RECT{r.left + 1, middle - 1, r.right - 1, middle}, COLOR_3DSHADOW);
        FillSysColor(dc, RECT{r.left + 1, middle, r.right - 1, middle + 1}, COLOR_3DHILIGHT);
        return;
    }
    HGDIOBJ old = SelectObject(dc, MenuFont());
    const int mode = SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    if (item.type & MFT_BITMAP) {
        BITMAP info{};
        if (item.bitmap && GetObjectA(item.bitmap, sizeof info, &info)) {
            HDC memory = CreateCompatibleDC(dc);
            HGDIOBJ previous = SelectObject(memory, item.bitmap);
            BitBlt(dc, r.left + (inBar ? 4 : kCheckArea), (r.top + r.bottom - info.bmHeight) / 2, info.bmWidth,
                   info.bmHeight, memory, 0, 0, SRCCOPY);
            SelectObject(memory, previous);
            DeleteDC(memory);
        }
    } else if (inBar) {
        DrawControlText(dc, item.text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE, disabled && !selected);
    } else {
        auto [label, accelerator] = Split(item.text);
        RECT left{r.left + kCheckArea, r.top, r.right - kArrowArea, r.bottom};
        if (disabled && selected)
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawControlText(dc, label, left, DT_LEFT | DT_VCENTER | DT_SINGLELINE, disabled && !selected);
        if (!accelerator.empty())
            DrawControlText(dc, accelerator, left, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX,
                            disabled && !selected);
        if (item.state & MF_CHECKED)
            DrawCheck(dc, r, (item.type & MFT_RADIOCHECK) != 0);
        if (item.submenu)
            DrawArrow(dc, RECT{r.right - kArrowArea, r.top, r.right, r.bottom}, 3, !disabled);
    }
    SetBkMode(dc, mode);
    SelectObject(dc, old);
}

UINT TrackMenu(HWND owner, HMENU menu, UINT flags, POINT at, bool systemMenu, int barItem, bool openBarPopup)
{
    Tracker tracker(owner, flags, systemMenu);
    return tracker.Run(menu, at, barItem, openBarPopup);
}

int TrackedBarItem(HWND window) { return t_tracker ? t_tracker->BarItemFor(window) : -1; }

LRESULT CALLBACK MenuPopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        for (Tracker* t = t_tracker; t; t = t->m_outer) {
            if (t->LevelOf(window)) {
                t->Paint(window);
                return 0;
            }
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace win::controls

using namespace win;
using namespace win::controls;

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS)
{
    if (!IsMenu(menu)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    if (!IsWindow(owner)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const UINT chosen = TrackMenu(owner, menu, flags, POINT{x, y}, false, -1, false);
    if (flags & TPM_RETURNCMD)
        return static_cast<BOOL>(chosen);
    if (chosen)
        PostMessageA(owner, WM_COMMAND, chosen, 0);
    return chosen ? TRUE : FALSE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*)
{
    return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

BOOL EndMenu()
{
    if (!t_tracker)
        return FALSE;
    t_tracker->End(0);
    return TRUE;
}
