#pragma once
// What Menus.cpp (the menu objects, templates, menu bar and system menu)
// and MenuTracking.cpp (popups on screen and the menu loop) share.

#include <string>
#include <vector>

#include "Platform/Win/Controls/Controls.h"

namespace win::controls {

struct MenuItem {
    UINT type = MFT_STRING;
    UINT state = 0;
    UINT id = 0;
    HMENU submenu = nullptr;
    HBITMAP checked = nullptr;
    HBITMAP unchecked = nullptr;
    HBITMAP bitmap = nullptr;
    ULONG_PTR data = 0;
    std::string text;

    bool Separator() const { return (type & MFT_SEPARATOR) != 0; }
    bool OwnerDrawn() const { return (type & MFT_OWNERDRAW) != 0; }
    bool Disabled() const { return (state & MFS_GRAYED) != 0; }
    // What can be chosen: a command that is neither greyed nor a separator.
    bool Command() const { return !submenu && !Separator() && !Disabled(); }
};

// A copy of a menu's items, for painting and tracking without the menu
// lock; false when the handle is no menu.
bool CopyMenuItems(HMENU menu, std::vector<MenuItem>* items);
// Highlights one item of a menu (MFS_HILITE) and clears the others.
void HiliteOnly(HMENU menu, int index);

HFONT MenuFont();

// Item rectangles of a popup (client coordinates) and its size.
struct PopupLayout {
    std::vector<RECT> items;
    SIZE size{};
};
PopupLayout MeasurePopup(HWND owner, HMENU menu, const std::vector<MenuItem>& items);
// The menu bar's band on screen: under the caption, above the client area.
RECT BarOnScreen(HWND window);
// Item rectangles of a menu bar placed at `bar` (window coordinates).
std::vector<RECT> MeasureBar(HWND window, HMENU menu, const std::vector<MenuItem>& items, const RECT& bar);
void DrawMenuItem(HWND owner, HDC dc, HMENU menu, const MenuItem& item, const RECT& r, bool selected, bool inBar,
                  UINT action);

// Runs the menu loop. `barItem` >= 0 tracks the window's menu bar with that
// item selected (its popup opened when `openBarPopup`); otherwise `menu` is
// a popup shown at `at` with the TPM_ alignment of `flags`. Returns the
// chosen command, 0 for none.
UINT TrackMenu(HWND owner, HMENU menu, UINT flags, POINT at, bool systemMenu, int barItem, bool openBarPopup);
// The bar item the menu loop shows selected, for painting; -1 for none.
int TrackedBarItem(HWND window);

} // namespace win::controls
