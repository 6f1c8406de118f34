#pragma once
// Menus: menu bars and popup menus as handles (tokens, never pointers, so a
// stale handle fails with ERROR_INVALID_MENU_HANDLE), built in code or from
// MENU templates; the menu bar of a window, its system menu, and popup menus
// tracked as top-level windows of class "#32768" with the mouse and the keys.
//
// While a menu is tracked its owner window gets WM_ENTERMENULOOP,
// WM_INITMENU, WM_INITMENUPOPUP for each popup as it opens, WM_MENUSELECT
// as the selection moves, WM_MEASUREITEM and WM_DRAWITEM (ODT_MENU) for
// owner-drawn items, WM_MENUCHAR for keys that name no item, WM_ENTERIDLE
// while nothing happens, WM_UNINITMENUPOPUP as each popup closes,
// WM_EXITMENULOOP, and then WM_COMMAND (WM_SYSCOMMAND for the system menu)
// with the chosen item.

#include <string>
#include <vector>

#include "Platform/Win/Controls/ControlStyles.h"

constexpr DWORD ERROR_MENU_ITEM_NOT_FOUND = 1456;

constexpr UINT MF_INSERT = 0x00000000;
constexpr UINT MF_CHANGE = 0x00000080;
constexpr UINT MF_APPEND = 0x00000100;
constexpr UINT MF_DELETE = 0x00000200;
constexpr UINT MF_REMOVE = 0x00001000;
constexpr UINT MF_BYCOMMAND = 0x00000000;
constexpr UINT MF_BYPOSITION = 0x00000400;
constexpr UINT MF_SEPARATOR = 0x00000800;
constexpr UINT MF_ENABLED = 0x00000000;
constexpr UINT MF_GRAYED = 0x00000001;
constexpr UINT MF_DISABLED = 0x00000002;
constexpr UINT MF_UNCHECKED = 0x00000000;
constexpr UINT MF_CHECKED = 0x00000008;
constexpr UINT MF_USECHECKBITMAPS = 0x00000200;
constexpr UINT MF_STRING = 0x00000000;
constexpr UINT MF_BITMAP = 0x00000004;
constexpr UINT MF_OWNERDRAW = 0x00000100;
constexpr UINT MF_POPUP = 0x00000010;
constexpr UINT MF_MENUBARBREAK = 0x00000020;
constexpr UINT MF_MENUBREAK = 0x00000040;
constexpr UINT MF_UNHILITE = 0x00000000;
constexpr UINT MF_HILITE = 0x00000080;
constexpr UINT MF_DEFAULT = 0x00001000;
constexpr UINT MF_SYSMENU = 0x00002000;
constexpr UINT MF_HELP = 0x00004000;
constexpr UINT MF_RIGHTJUSTIFY = 0x00004000;
constexpr UINT MF_MOUSESELECT = 0x00008000;
constexpr UINT MF_END = 0x00000080;

constexpr UINT MFT_STRING = MF_STRING;
constexpr UINT MFT_BITMAP = MF_BITMAP;
constexpr UINT MFT_MENUBARBREAK = MF_MENUBARBREAK;
constexpr UINT MFT_MENUBREAK = MF_MENUBREAK;
constexpr UINT MFT_OWNERDRAW = MF_OWNERDRAW;
constexpr UINT MFT_RADIOCHECK = 0x00000200;
constexpr UINT MFT_SEPARATOR = MF_SEPARATOR;
constexpr UINT MFT_RIGHTORDER = 0x00002000;
constexpr UINT MFT_RIGHTJUSTIFY = MF_RIGHTJUSTIFY;

constexpr UINT MFS_GRAYED = 0x00000003;
constexpr UINT MFS_DISABLED = MFS_GRAYED;
constexpr UINT MFS_CHECKED = MF_CHECKED;
constexpr UINT MFS_HILITE = MF_HILITE;
constexpr UINT MFS_ENABLED = MF_ENABLED;
constexpr UINT MFS_UNCHECKED = MF_UNCHECKED;
constexpr UINT MFS_UNHILITE = MF_UNHILITE;
constexpr UINT MFS_DEFAULT = MF_DEFAULT;

constexpr UINT MIIM_STATE = 0x00000001;
constexpr UINT MIIM_ID = 0x00000002;
constexpr UINT MIIM_SUBMENU = 0x00000004;
constexpr UINT MIIM_CHECKMARKS = 0x00000008;
constexpr UINT MIIM_TYPE = 0x00000010;
constexpr UINT MIIM_DATA = 0x00000020;
constexpr UINT MIIM_STRING = 0x00000040;
constexpr UINT MIIM_BITMAP = 0x00000080;
constexpr UINT MIIM_FTYPE = 0x00000100;

constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_HORIZONTAL = 0x0000;
constexpr UINT TPM_VERTICAL = 0x0040;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;
constexpr UINT TPM_RECURSE = 0x0001;

// WM_MENUCHAR answers, in the high word.
constexpr LRESULT MNC_IGNORE = 0;
constexpr LRESULT MNC_CLOSE = 1;
constexpr LRESULT MNC_EXECUTE = 2;
constexpr LRESULT MNC_SELECT = 3;

struct MENUITEMINFOA {
    UINT cbSize;
    UINT fMask;
    UINT fType;
    UINT fState;
    UINT wID;
    HMENU hSubMenu;
    HBITMAP hbmpChecked;
    HBITMAP hbmpUnchecked;
    ULONG_PTR dwItemData;
    LPSTR dwTypeData;
    UINT cch;
    HBITMAP hbmpItem;
};
using MENUITEMINFO = MENUITEMINFOA;
using LPMENUITEMINFOA = MENUITEMINFOA*;
using LPCMENUITEMINFOA = const MENUITEMINFOA*;

struct TPMPARAMS {
    UINT cbSize;
    RECT rcExclude;
};
using LPTPMPARAMS = TPMPARAMS*;

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and its submenus.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
// From a MENU template of a module, or in memory (of `size` bytes when
// known); null with ERROR_INVALID_DATA for a damaged template.
HMENU LoadMenuA(HINSTANCE instance, LPCSTR name);
HMENU LoadMenuIndirectA(const void* menuTemplate);
HMENU LoadMenuFromBytes(const void* data, size_t size);

// With MF_POPUP `newItem` is the submenu handle; with MF_OWNERDRAW `text` is
// the item data.
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR newItem, LPCSTR text);
BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text);
BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text);
// RemoveMenu keeps a removed submenu; DeleteMenu destroys it.
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
// The previous state (MF_ENABLED, MF_GRAYED, MF_DISABLED), or -1 (0xFFFFFFFF).
DWORD EnableMenuItem(HMENU menu, UINT item, UINT flags);
// The previous check state, or -1.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
int GetMenuItemCount(HMENU menu);
// -1 for a submenu item or a position past the end.
UINT GetMenuItemID(HMENU menu, int position);
// The item's MF_ flags; for a submenu also its item count in the high byte.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int size, UINT flags);
HMENU GetSubMenu(HMENU menu, int position);
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info);
BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info);
BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info);
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition);
BOOL GetMenuItemRect(HWND window, HMENU menu, UINT position, LPRECT rect);
LONG GetMenuCheckMarkDimensions();

// The menu bar of a top-level window; SetMenu with null removes it. The
// window's client area starts SM_CYMENU below the caption while it has one,
// even an empty one.
BOOL SetMenu(HWND window, HMENU menu);
HMENU GetMenu(HWND window);
BOOL DrawMenuBar(HWND window);
// The window's own copy of the system menu, made on first use; `revert`
// drops the copy and returns null.
HMENU GetSystemMenu(HWND window, BOOL revert);

// Returns the chosen id with TPM_RETURNCMD (0 when nothing was chosen);
// otherwise TRUE when an item was chosen (its WM_COMMAND is posted) and
// FALSE when not.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* ignored);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params);
// Ends the menu being tracked on the calling thread.
BOOL EndMenu();

inline HMENU LoadMenu(HINSTANCE i, LPCSTR n) { return LoadMenuA(i, n); }
inline HMENU LoadMenuIndirect(const void* t) { return LoadMenuIndirectA(t); }
inline BOOL AppendMenu(HMENU m, UINT f, UINT_PTR n, LPCSTR t) { return AppendMenuA(m, f, n, t); }
inline BOOL InsertMenu(HMENU m, UINT p, UINT f, UINT_PTR n, LPCSTR t) { return InsertMenuA(m, p, f, n, t); }
inline BOOL ModifyMenu(HMENU m, UINT p, UINT f, UINT_PTR n, LPCSTR t) { return ModifyMenuA(m, p, f, n, t); }
inline int GetMenuString(HMENU m, UINT i, LPSTR t, int s, UINT f) { return GetMenuStringA(m, i, t, s, f); }
inline BOOL GetMenuItemInfo(HMENU m, UINT i, BOOL p, LPMENUITEMINFOA info) { return GetMenuItemInfoA(m, i, p, info); }
inline BOOL SetMenuItemInfo(HMENU m, UINT i, BOOL p, LPCMENUITEMINFOA info) { return SetMenuItemInfoA(m, i, p, info); }
inline BOOL InsertMenuItem(HMENU m, UINT i, BOOL p, LPCMENUITEMINFOA info) { return InsertMenuItemA(m, i, p, info); }

namespace win {

// One item of a MENU or MENUEX template, with its submenu's items.
struct MenuTemplateItem {
    UINT type = 0;  // MFT_*
    UINT state = 0; // MFS_*
    UINT id = 0;
    std::string text;
    bool popup = false;
    std::vector<MenuTemplateItem> children;
};

// Reads a MENU (version 0) or MENUEX (version 1) template; false when any
// item or text lies past the bytes or a popup has no items.
bool ReadMenuTemplate(const void* data, size_t size, std::vector<MenuTemplateItem>* items);

} // namespace win
