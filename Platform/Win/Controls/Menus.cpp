// Menus as objects: the handle table, the item calls, MENU and MENUEX
// templates, the menu bar of windows and their system menus.

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Controls/Private/ControlsInternal.h"
#include "Platform/Win/Controls/Private/MenuInternal.h"
#include "Platform/Win/Controls/Private/TemplateReader.h"
#include "Platform/Win/Kernel/HandleTable.h"
#include "Platform/Win/Kernel/Resources.h"

namespace win::controls {

namespace {

constexpr int kMaxDepth = 32;
constexpr UINT kStateBits = MFS_GRAYED | MFS_CHECKED | MFS_HILITE | MFS_DEFAULT;
constexpr UINT kTypeBits = MFT_BITMAP | MFT_MENUBARBREAK | MFT_MENUBREAK | MFT_OWNERDRAW | MFT_RADIOCHECK |
                           MFT_SEPARATOR | MFT_RIGHTORDER | MFT_RIGHTJUSTIFY;

struct Menu {
    std::vector<MenuItem> items;
    bool popup = true;
};

// The menus by handle, and the lock that guards what is in them and the
// system menus; never held while a message is sent. A menu leaves the table
// with g_lock held, so a menu found with g_lock held stays while it is held.
HandleTable<Menu> g_menus{HandleKind::Menu};
std::mutex g_lock;
std::map<HWND, HMENU> g_systemMenus;

Menu* FindLocked(HMENU menu) { return g_menus.Find(menu).get(); }

// The menu a handle names (null for none), then g_lock: the handle is
// looked up first, so that a DestroyMenu on another thread never waits for
// a call that is still looking.
struct LockedMenu {
    explicit LockedMenu(HMENU handle) : menu(g_menus.Find(handle)), guard(g_lock) {}
    std::shared_ptr<Menu> menu;
    std::lock_guard<std::mutex> guard;
};

HMENU NewMenu(bool popup)
{
    EnsureRegistered();
    auto menu = std::make_shared<Menu>();
    menu->popup = popup;
    HMENU handle = g_menus.Add<HMENU>(std::move(menu));
    if (!handle)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return handle;
}

// The item named by position or by command (searched through the
// submenus too), with the menu that holds it; Lock held.
MenuItem* FindItemLocked(Menu& menu, UINT item, UINT flags, Menu** holder = nullptr, int* index = nullptr, int depth = 0)
{
    if (flags & MF_BYPOSITION) {
        if (item >= menu.items.size())
            return nullptr;
        if (holder)
            *holder = &menu;
        if (index)
            *index = static_cast<int>(item);
        return &menu.items[item];
    }
    if (depth > kMaxDepth)
        return nullptr;
    for (size_t i = 0; i < menu.items.size(); ++i) {
        MenuItem& candidate = menu.items[i];
        if (!candidate.submenu && candidate.id == item) {
            if (holder)
                *holder = &menu;
            if (index)
                *index = static_cast<int>(i);
            return &candidate;
        }
        if (candidate.submenu)
            if (Menu* sub = FindLocked(candidate.submenu))
                if (MenuItem* found = FindItemLocked(*sub, item, flags, holder, index, depth + 1))
                    return found;
    }
    return nullptr;
}

void FailMenu() { SetLastError(ERROR_INVALID_MENU_HANDLE); }

// An item as AppendMenu, InsertMenu and ModifyMenu describe it.
MenuItem ItemFrom(UINT flags, UINT_PTR newItem, LPCSTR text)
{
    MenuItem item;
    item.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
    item.type = flags & (MF_MENUBARBREAK | MF_MENUBREAK | MF_HELP);
    if (flags & MF_POPUP)
        item.submenu = reinterpret_cast<HMENU>(newItem);
    else
        item.id = static_cast<UINT>(newItem);
    // An owner-drawn separator is measured and drawn by the owner like any
    // owner-drawn item, and carries its data.
    if (flags & MF_SEPARATOR)
        item.type |= MFT_SEPARATOR;
    if (flags & MF_OWNERDRAW) {
        item.type |= MFT_OWNERDRAW;
        item.data = reinterpret_cast<ULONG_PTR>(text);
    } else if (flags & MF_SEPARATOR) {
        // A plain separator has neither text nor bitmap.
    } else if (flags & MF_BITMAP) {
        item.type |= MFT_BITMAP;
        item.bitmap = reinterpret_cast<HBITMAP>(const_cast<char*>(text));
    } else if (text) {
        item.text = text;
    }
    return item;
}

// MF_ flags of an item, as GetMenuState reports them.
UINT FlagsOf(const MenuItem& item)
{
    UINT flags = (item.type & kTypeBits) | (item.state & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT));
    if (item.submenu)
        flags |= MF_POPUP;
    return flags;
}

bool Insert(HMENU handle, UINT position, UINT flags, MenuItem item)
{
    LockedMenu locked(handle);
    Menu* menu = locked.menu.get();
    if (!menu) {
        FailMenu();
        return false;
    }
    if (item.submenu && !FindLocked(item.submenu)) {
        FailMenu();
        return false;
    }
    Menu* holder = menu;
    int index = static_cast<int>(menu->items.size());
    if (position != static_cast<UINT>(-1)) {
        if (flags & MF_BYPOSITION) {
            index = static_cast<int>(std::min<size_t>(position, menu->items.size()));
        } else if (FindItemLocked(*menu, position, MF_BYCOMMAND, &holder, &index)) {
        } else {
            holder = menu;
            index = static_cast<int>(menu->items.size());
        }
    }
    holder->items.insert(holder->items.begin() + index, std::move(item));
    return true;
}

// The item of a menu, by command or position (g_lock held); null when the
// menu or the item is not there.
MenuItem* ItemLocked(Menu* menu, UINT item, UINT flags) { return menu ? FindItemLocked(*menu, item, flags) : nullptr; }

// False when the handle names no menu.
bool DestroyLocked(HMENU handle, int depth)
{
    if (depth > kMaxDepth)
        return false;
    const std::shared_ptr<Menu> menu = g_menus.Remove(handle);
    if (!menu)
        return false;
    for (const MenuItem& item : menu->items)
        if (item.submenu)
            DestroyLocked(item.submenu, depth + 1);
    return true;
}

bool ReadLevel(TemplateReader& in, std::vector<MenuTemplateItem>* items, int depth)
{
    if (depth > kMaxDepth)
        return false;
    for (;;) {
        WORD flags = 0;
        if (!in.Word(&flags))
            return false;
        MenuTemplateItem item;
        item.popup = (flags & MF_POPUP) != 0;
        if (!item.popup) {
            WORD id = 0;
            if (!in.Word(&id))
                return false;
            item.id = id;
        }
        if (!in.Text(&item.text))
            return false;
        item.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
        item.type = flags & (MF_MENUBARBREAK | MF_MENUBREAK | MF_HELP | MF_OWNERDRAW | MF_BITMAP);
        if (!item.popup && item.id == 0 && item.text.empty() && !(flags & MF_OWNERDRAW))
            item.type |= MFT_SEPARATOR;
        if (item.popup && !ReadLevel(in, &item.children, depth + 1))
            return false;
        items->push_back(std::move(item));
        if (flags & MF_END)
            return true;
    }
}

bool ReadLevelEx(TemplateReader& in, std::vector<MenuTemplateItem>* items, int depth)
{
    if (depth > kMaxDepth)
        return false;
    for (;;) {
        if (!in.AlignDword())
            return false;
        MenuTemplateItem item;
        DWORD id = 0;
        WORD flags = 0;
        if (!in.Dword(&item.type) || !in.Dword(&item.state) || !in.Dword(&id) || !in.Word(&flags) ||
            !in.Text(&item.text))
            return false;
        item.id = id;
        item.popup = (flags & 0x01) != 0;
        if (item.popup) {
            DWORD help = 0;
            if (!in.AlignDword() || !in.Dword(&help) || !ReadLevelEx(in, &item.children, depth + 1))
                return false;
        }
        items->push_back(std::move(item));
        if (flags & MF_END)
            return true;
    }
}

HMENU Build(const std::vector<MenuTemplateItem>& items, bool popup)
{
    HMENU menu = NewMenu(popup);
    if (!menu)
        return nullptr;
    for (const MenuTemplateItem& t : items) {
        MenuItem item;
        item.type = t.type;
        item.state = t.state;
        item.id = t.id;
        item.text = t.text;
        if (t.popup) {
            item.submenu = Build(t.children, true);
            item.id = 0;
        }
        std::lock_guard<std::mutex> guard(g_lock);
        FindLocked(menu)->items.push_back(std::move(item));
    }
    return menu;
}

struct SystemItem {
    UINT id;
    const char* text;
};
constexpr SystemItem kSystemItems[] = {
    {static_cast<UINT>(SC_RESTORE), "&Restore"},   {static_cast<UINT>(SC_MOVE), "&Move"},
    {static_cast<UINT>(SC_SIZE), "&Size"},         {static_cast<UINT>(SC_MINIMIZE), "Mi&nimize"},
    {static_cast<UINT>(SC_MAXIMIZE), "Ma&ximize"}, {0, nullptr},
    {static_cast<UINT>(SC_CLOSE), "&Close\tAlt+F4"},
};

HMENU MakeSystemMenu()
{
    HMENU menu = CreatePopupMenu();
    for (const SystemItem& item : kSystemItems) {
        if (item.text)
            AppendMenuA(menu, MF_STRING, item.id, item.text);
        else
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    }
    SetMenuDefaultItem(menu, static_cast<UINT>(SC_CLOSE), FALSE);
    return menu;
}

} // namespace

RECT BarOnScreen(HWND window)
{
    RECT windowRect{};
    RECT client{};
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const LONG height = GetSystemMetrics(SM_CYMENU);
    LONG top = client.top - height;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)
        top -= 2;
    return RECT{client.left, top, client.right, top + height};
}

bool CopyMenuItems(HMENU menu, std::vector<MenuItem>* items)
{
    LockedMenu locked(menu);
    Menu* m = locked.menu.get();
    if (!m)
        return false;
    *items = m->items;
    return true;
}

void HiliteOnly(HMENU menu, int index)
{
    LockedMenu locked(menu);
    if (Menu* m = locked.menu.get())
        for (size_t i = 0; i < m->items.size(); ++i)
            m->items[i].state = static_cast<int>(i) == index ? (m->items[i].state | MFS_HILITE)
                                                             : (m->items[i].state & ~MFS_HILITE);
}

HFONT MenuFont() { return DefaultControlFont(); }

std::vector<RECT> MeasureBar(HWND window, HMENU menu, const std::vector<MenuItem>& items, const RECT& bar)
{
    std::vector<RECT> rects;
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, MenuFont());
    LONG x = bar.left;
    size_t rightFrom = items.size();
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        LONG width = 0;
        if (item.OwnerDrawn()) {
            MEASUREITEMSTRUCT measure{ODT_MENU, 0, item.submenu ? static_cast<UINT>(reinterpret_cast<UINT_PTR>(item.submenu)) : item.id,
                                      0, 0, item.data};
            SendMessageA(window, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
            width = static_cast<LONG>(measure.itemWidth);
        } else {
            RECT text{0, 0, 0, 0};
            DrawTextA(dc, item.text.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
            width = text.right + 16;
        }
        if ((item.type & MFT_RIGHTJUSTIFY) && rightFrom == items.size())
            rightFrom = i;
        rects.push_back(RECT{x, bar.top, x + width, bar.bottom});
        x += width;
    }
    if (rightFrom < items.size()) {
        const LONG shift = bar.right - rects.back().right;
        if (shift > 0)
            for (size_t i = rightFrom; i < rects.size(); ++i)
                OffsetRect(&rects[i], shift, 0);
    }
    (void)menu;
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return rects;
}

void PaintMenuBar(HWND window, HDC dc, const RECT& bar, bool)
{
    FillSysColor(dc, bar, COLOR_MENU);
    HMENU menu = GetMenu(window);
    std::vector<MenuItem> items;
    if (!menu || !CopyMenuItems(menu, &items))
        return;
    std::vector<RECT> rects = MeasureBar(window, menu, items, bar);
    const int tracked = TrackedBarItem(window);
    for (size_t i = 0; i < items.size(); ++i)
        DrawMenuItem(window, dc, menu, items[i], rects[i], static_cast<int>(i) == tracked, true, ODA_DRAWENTIRE);
}

bool MenuBarButtonDown(HWND window, LRESULT hit, POINT screen)
{
    if (hit == HTSYSMENU) {
        RECT r{};
        GetWindowRect(window, &r);
        MenuCommand(window, SC_MOUSEMENU, MAKELPARAM(static_cast<DWORD>(r.left), static_cast<DWORD>(r.top)));
        return true;
    }
    HMENU menu = GetMenu(window);
    std::vector<MenuItem> items;
    if (!menu || !CopyMenuItems(menu, &items) || items.empty())
        return true;
    RECT bar = BarOnScreen(window);
    std::vector<RECT> rects = MeasureBar(window, menu, items, bar);
    for (size_t i = 0; i < rects.size(); ++i) {
        if (!PtInRect(&rects[i], screen))
            continue;
        const UINT chosen = TrackMenu(window, menu, 0, screen, false, static_cast<int>(i), true);
        if (chosen)
            PostMessageA(window, WM_COMMAND, chosen, 0);
        return true;
    }
    return true;
}

bool MenuCommand(HWND window, WPARAM command, LPARAM lParam)
{
    HWND top = GetAncestor(window, GA_ROOT);
    if (!top)
        return false;
    const bool system = (command & 0xFFF0) == SC_MOUSEMENU || lParam == ' ';
    if (system) {
        if (!(GetWindowLongA(top, GWL_STYLE) & WS_SYSMENU))
            return true;
        RECT r{};
        GetWindowRect(top, &r);
        POINT at{r.left + GetSystemMetrics(SM_CXFRAME), r.top + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME)};
        const UINT chosen = TrackMenu(top, GetSystemMenu(top, FALSE), 0, at, true, -1, false);
        if (chosen)
            PostMessageA(top, WM_SYSCOMMAND, chosen, 0);
        return true;
    }
    HMENU menu = GetMenu(top);
    std::vector<MenuItem> items;
    if (!menu || !CopyMenuItems(menu, &items) || items.empty())
        return true;
    int start = 0;
    bool open = false;
    if (lParam) {
        const char wanted = static_cast<char>(lParam >= 'A' && lParam <= 'Z' ? lParam + 32 : lParam);
        start = -1;
        for (size_t i = 0; i < items.size(); ++i)
            if (Mnemonic(items[i].text) == wanted) {
                start = static_cast<int>(i);
                break;
            }
        if (start < 0) {
            MessageBeep(0);
            return true;
        }
        open = true;
    }
    const UINT chosen = TrackMenu(top, menu, 0, POINT{}, false, start, open);
    if (chosen)
        PostMessageA(top, WM_COMMAND, chosen, 0);
    return true;
}

void MenuWindowDestroyed(HWND window)
{
    HMENU system = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        auto it = g_systemMenus.find(window);
        if (it != g_systemMenus.end()) {
            system = it->second;
            g_systemMenus.erase(it);
        }
    }
    if (system)
        DestroyMenu(system);
    // A window's menu bar goes with it.
    if (!(GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) {
        HMENU bar = reinterpret_cast<HMENU>(GetWindowLongPtrA(window, GWLP_ID));
        if (bar && IsMenu(bar))
            DestroyMenu(bar);
    }
}

} // namespace win::controls

namespace win {

bool ReadMenuTemplate(const void* data, size_t size, std::vector<MenuTemplateItem>* items)
{
    if (!data || !items || size < 4)
        return false;
    controls::TemplateReader in(static_cast<const BYTE*>(data), size);
    WORD version = 0;
    WORD offset = 0;
    if (!in.Word(&version) || !in.Word(&offset))
        return false;
    items->clear();
    if (version == 0)
        return in.Skip(offset) && controls::ReadLevel(in, items, 0);
    if (version == 1) {
        // The offset counts from the word that holds it.
        return offset >= 2 && in.Skip(static_cast<size_t>(offset) - 2) && controls::ReadLevelEx(in, items, 0);
    }
    return false;
}

} // namespace win

using namespace win;
using namespace win::controls;

HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL DestroyMenu(HMENU menu)
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (!DestroyLocked(menu, 0)) {
        FailMenu();
        return FALSE;
    }
    return TRUE;
}

BOOL IsMenu(HMENU menu) { return g_menus.Find(menu) != nullptr; }

HMENU LoadMenuFromBytes(const void* data, size_t size)
{
    std::vector<MenuTemplateItem> items;
    if (!ReadMenuTemplate(data, size, &items)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return Build(items, false);
}

HMENU LoadMenuA(HINSTANCE instance, LPCSTR name)
{
    ResourceBytes bytes = FindMenuTemplate(instance, name);
    if (!bytes)
        return nullptr;
    return LoadMenuFromBytes(bytes.data, bytes.size);
}

HMENU LoadMenuIndirectA(const void* menuTemplate)
{
    if (!menuTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ResourceBytes holding = ResourceHolding(nullptr, menuTemplate);
    // A template outside every resource is read no further than this.
    constexpr size_t kUnboundedTemplateLimit = 64 * 1024;
    return LoadMenuFromBytes(menuTemplate, holding ? holding.size : kUnboundedTemplateLimit);
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR newItem, LPCSTR text)
{
    return Insert(menu, static_cast<UINT>(-1), flags, ItemFrom(flags, newItem, text)) ? TRUE : FALSE;
}

BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text)
{
    return Insert(menu, position, flags, ItemFrom(flags, newItem, text)) ? TRUE : FALSE;
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text)
{
    HMENU dropped = nullptr;
    {
        LockedMenu locked(menu);
        Menu* m = locked.menu.get();
        if (!m) {
            FailMenu();
            return FALSE;
        }
        MenuItem* item = FindItemLocked(*m, position, flags);
        if (!item)
            return FALSE;
        MenuItem replacement = ItemFrom(flags, newItem, text);
        // A submenu the item no longer opens is destroyed with the change.
        if (item->submenu && item->submenu != replacement.submenu)
            dropped = item->submenu;
        *item = std::move(replacement);
    }
    if (dropped)
        DestroyMenu(dropped);
    return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags)
{
    LockedMenu locked(menu);
    Menu* m = locked.menu.get();
    if (!m) {
        FailMenu();
        return FALSE;
    }
    Menu* holder = nullptr;
    int index = 0;
    if (!FindItemLocked(*m, position, flags, &holder, &index))
        return FALSE;
    holder->items.erase(holder->items.begin() + index);
    return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags)
{
    HMENU submenu = nullptr;
    {
        LockedMenu locked(menu);
        Menu* m = locked.menu.get();
        if (!m) {
            FailMenu();
            return FALSE;
        }
        Menu* holder = nullptr;
        int index = 0;
        MenuItem* item = FindItemLocked(*m, position, flags, &holder, &index);
        if (!item)
            return FALSE;
        submenu = item->submenu;
        holder->items.erase(holder->items.begin() + index);
    }
    if (submenu)
        DestroyMenu(submenu);
    return TRUE;
}

DWORD EnableMenuItem(HMENU menu, UINT item, UINT flags)
{
    LockedMenu locked(menu);
    MenuItem* found = ItemLocked(locked.menu.get(), item, flags);
    if (!found)
        return static_cast<DWORD>(-1);
    const DWORD previous = found->state & (MF_GRAYED | MF_DISABLED);
    found->state = (found->state & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
    return previous;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags)
{
    LockedMenu locked(menu);
    MenuItem* found = ItemLocked(locked.menu.get(), item, flags);
    if (!found)
        return static_cast<DWORD>(-1);
    const DWORD previous = found->state & MF_CHECKED;
    found->state = (flags & MF_CHECKED) ? (found->state | MF_CHECKED) : (found->state & ~MF_CHECKED);
    return previous;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags)
{
    BOOL found = FALSE;
    for (UINT i = first; i <= last; ++i) {
        const DWORD previous = CheckMenuItem(menu, i, flags | (i == check ? MF_CHECKED : MF_UNCHECKED));
        found = found || (previous != static_cast<DWORD>(-1) && i == check);
        if (i == check) {
            LockedMenu locked(menu);
            Menu* m = locked.menu.get();
            if (MenuItem* item = m ? FindItemLocked(*m, i, flags) : nullptr)
                item->type |= MFT_RADIOCHECK;
        }
        if (i == last)
            break;
    }
    return found;
}

int GetMenuItemCount(HMENU menu)
{
    LockedMenu locked(menu);
    Menu* m = locked.menu.get();
    if (!m) {
        FailMenu();
        return -1;
    }
    return static_cast<int>(m->items.size());
}

UINT GetMenuItemID(HMENU menu, int position)
{
    LockedMenu locked(menu);
    Menu* m = locked.menu.get();
    if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size())
        return static_cast<UINT>(-1);
    const MenuItem& item = m->items[static_cast<size_t>(position)];
    return item.submenu ? static_cast<UINT>(-1) : item.id;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags)
{
    LockedMenu locked(menu);
    MenuItem* found = ItemLocked(locked.menu.get(), item, flags);
    if (!found)
        return static_cast<UINT>(-1);
    UINT state = FlagsOf(*found);
    if (found->submenu)
        if (Menu* sub = controls::FindLocked(found->submenu))
            state |= static_cast<UINT>(std::min<size_t>(sub->items.size(), 0xFF)) << 8;
    return state;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int size, UINT flags)
{
    LockedMenu locked(menu);
    MenuItem* found = ItemLocked(locked.menu.get(), item, flags);
    if (text && size > 0)
        text[0] = '\0';
    if (!found)
        return 0;
    if (!text || size <= 0)
        return static_cast<int>(found->text.size());
    return static_cast<int>(CopyUtf8Cut(found->text, text, static_cast<size_t>(size)));
}

HMENU GetSubMenu(HMENU menu, int position)
{
    LockedMenu locked(menu);
    Menu* m = locked.menu.get();
    if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size())
        return nullptr;
    return m->items[static_cast<size_t>(position)].submenu;
}

namespace {

// The item of Get/SetMenuItemInfo (g_lock held); null, with the last error
// set, when the menu or the item is not there.
MenuItem* InfoItemLocked(Menu* m, UINT item, BOOL byPosition)
{
    MenuItem* found = m ? FindItemLocked(*m, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND) : nullptr;
    if (!found)
        SetLastError(m ? ERROR_MENU_ITEM_NOT_FOUND : ERROR_INVALID_MENU_HANDLE);
    return found;
}

} // namespace

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info)
{
    if (!info)
        return FALSE;
    LockedMenu locked(menu);
    MenuItem* found = InfoItemLocked(locked.menu.get(), item, byPosition);
    if (!found)
        return FALSE;
    if (info->fMask & (MIIM_TYPE | MIIM_FTYPE))
        info->fType = found->type;
    if (info->fMask & MIIM_STATE)
        info->fState = found->state & kStateBits;
    if (info->fMask & MIIM_ID)
        info->wID = found->id;
    if (info->fMask & MIIM_SUBMENU)
        info->hSubMenu = found->submenu;
    if (info->fMask & MIIM_CHECKMARKS) {
        info->hbmpChecked = found->checked;
        info->hbmpUnchecked = found->unchecked;
    }
    if (info->fMask & MIIM_DATA)
        info->dwItemData = found->data;
    if (info->fMask & MIIM_BITMAP)
        info->hbmpItem = found->bitmap;
    if (info->fMask & (MIIM_STRING | MIIM_TYPE)) {
        if (info->dwTypeData && info->cch > 0) {
            info->cch = static_cast<UINT>(CopyUtf8Cut(found->text, info->dwTypeData, info->cch));
        } else {
            info->cch = static_cast<UINT>(found->text.size());
        }
    }
    return TRUE;
}

namespace {

void ApplyInfo(MenuItem& item, const MENUITEMINFOA& info)
{
    if (info.fMask & MIIM_TYPE) {
        item.type = info.fType & kTypeBits;
        if (!(item.type & (MFT_BITMAP | MFT_OWNERDRAW | MFT_SEPARATOR)))
            item.text = info.dwTypeData ? info.dwTypeData : "";
        if (item.type & MFT_OWNERDRAW)
            item.data = reinterpret_cast<ULONG_PTR>(info.dwTypeData);
    }
    if (info.fMask & MIIM_FTYPE)
        item.type = info.fType & kTypeBits;
    if (info.fMask & MIIM_STRING)
        item.text = info.dwTypeData ? info.dwTypeData : "";
    if (info.fMask & MIIM_STATE)
        item.state = info.fState & kStateBits;
    if (info.fMask & MIIM_ID)
        item.id = info.wID;
    if (info.fMask & MIIM_SUBMENU)
        item.submenu = info.hSubMenu;
    if (info.fMask & MIIM_CHECKMARKS) {
        item.checked = info.hbmpChecked;
        item.unchecked = info.hbmpUnchecked;
    }
    if (info.fMask & MIIM_DATA)
        item.data = info.dwItemData;
    if (info.fMask & MIIM_BITMAP)
        item.bitmap = info.hbmpItem;
}

} // namespace

BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info)
{
    if (!info)
        return FALSE;
    LockedMenu locked(menu);
    MenuItem* found = InfoItemLocked(locked.menu.get(), item, byPosition);
    if (!found)
        return FALSE;
    ApplyInfo(*found, *info);
    return TRUE;
}

BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info)
{
    if (!info)
        return FALSE;
    MenuItem made;
    ApplyInfo(made, *info);
    return Insert(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, std::move(made)) ? TRUE : FALSE;
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition)
{
    LockedMenu locked(menu);
    Menu* m = locked.menu.get();
    if (!m) {
        FailMenu();
        return FALSE;
    }
    for (MenuItem& entry : m->items)
        entry.state &= ~MFS_DEFAULT;
    if (item == static_cast<UINT>(-1))
        return TRUE;
    Menu* holder = nullptr;
    MenuItem* found = FindItemLocked(*m, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, &holder);
    if (!found || holder != m)
        return FALSE;
    found->state |= MFS_DEFAULT;
    return TRUE;
}

BOOL GetMenuItemRect(HWND window, HMENU menu, UINT position, LPRECT rect)
{
    if (!rect)
        return FALSE;
    std::vector<MenuItem> items;
    if (!CopyMenuItems(menu, &items) || position >= items.size())
        return FALSE;
    if (window && GetMenu(window) == menu) {
        std::vector<RECT> rects = MeasureBar(window, menu, items, BarOnScreen(window));
        *rect = rects[position];
        return TRUE;
    }
    return FALSE;
}

LONG GetMenuCheckMarkDimensions()
{
    return MAKELONG(GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK));
}

BOOL SetMenu(HWND window, HMENU menu)
{
    if (!IsWindow(window) || (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (menu && !IsMenu(menu)) {
        FailMenu();
        return FALSE;
    }
    SetWindowLongPtrA(window, GWLP_ID, reinterpret_cast<LONG_PTR>(menu));
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

HMENU GetMenu(HWND window)
{
    if (!IsWindow(window) || (GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
        return nullptr;
    auto menu = reinterpret_cast<HMENU>(GetWindowLongPtrA(window, GWLP_ID));
    return menu && IsMenu(menu) ? menu : nullptr;
}

BOOL DrawMenuBar(HWND window)
{
    if (!GetMenu(window))
        return FALSE;
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOERASE);
    return TRUE;
}

HMENU GetSystemMenu(HWND window, BOOL revert)
{
    if (!IsWindow(window))
        return nullptr;
    HMENU existing = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        auto it = g_systemMenus.find(window);
        if (it != g_systemMenus.end()) {
            existing = it->second;
            if (revert)
                g_systemMenus.erase(it);
        }
    }
    if (revert) {
        if (existing)
            DestroyMenu(existing);
        return nullptr;
    }
    if (existing)
        return existing;
    HMENU made = MakeSystemMenu();
    std::lock_guard<std::mutex> guard(g_lock);
    g_systemMenus[window] = made;
    return made;
}
