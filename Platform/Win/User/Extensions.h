#pragma once
// The seams through which the rooms above the window core (the dialog and
// control layer, MFC) join in: a hook that sees each window before its first
// message, the parts of a window's frame that the control layer draws and
// tracks (menu bar, scroll bars, system menu), and the input delays those
// layers time their repeats and menus with. Also the window calls that only
// those layers need.

#include "Platform/Win/User/User.h"

namespace win {

// Called on the creating thread for each window that thread creates, right
// after the window exists and before any message reaches it (the first is
// WM_GETMINMAXINFO or WM_NCCREATE), so that an object can take the window
// over from its first message. Returns the hook it replaces; a null hook
// removes it.
using CreationHook = void (*)(HWND window, const CREATESTRUCTA& create);
CreationHook SetCreationHook(CreationHook hook);

} // namespace win

namespace win::user {

// What the control layer does for the frames of all windows. Each member may
// be null; the window core then keeps its plain behaviour (an empty band
// for the menu bar, flat places for the scroll bars).
struct FrameExtension {
    // Paints the menu bar (`bar`, window coordinates of `dc`).
    void (*paintMenuBar)(HWND window, HDC dc, const RECT& bar, bool active) = nullptr;
    // Paints the window's scroll bars; an empty rectangle means no bar.
    void (*paintScrollBars)(HWND window, HDC dc, const RECT& vertical, const RECT& horizontal) = nullptr;
    // WM_NCLBUTTONDOWN on HTMENU, HTSYSMENU, HTVSCROLL or HTHSCROLL; true
    // when it was handled.
    bool (*nonClientButtonDown)(HWND window, LRESULT hit, POINT screen) = nullptr;
    // WM_SYSCOMMAND with SC_KEYMENU or SC_MOUSEMENU; true when handled.
    bool (*menuCommand)(HWND window, WPARAM command, LPARAM lParam) = nullptr;
    // The window has had WM_NCDESTROY; whatever the extension keeps for it
    // (its menu bar, its scroll bars' state) goes now.
    void (*windowDestroyed)(HWND window) = nullptr;
};
// Installed once by the control layer; the pointer must stay valid.
void SetFrameExtension(const FrameExtension* extension);
const FrameExtension* GetFrameExtension();

// The delays of held mouse buttons (scroll bar arrows, spin buttons), of
// submenus opening under the pointer and of the hover notice. Tests make
// them short.
struct InputTimings {
    UINT repeatDelay = 400;    // first repeat after the press, milliseconds
    UINT repeatInterval = 50;  // then one each interval
    UINT menuShowDelay = 400;  // a hovered submenu opens after this
};
InputTimings GetInputTimings();
void SetInputTimings(const InputTimings& timings);

// Declares a top-level window's caption and frame its own, for windows that
// paint them themselves (WM_NCPAINT, WM_NCACTIVATE) under every host. Under
// a native host a captioned window then keeps the non-client layout of its
// style (caption band, frame) and shows as a borderless native window that
// moves by its own caption (HTCAPTION and the move loop) instead of the
// window manager's. Meant before the window is first shown; made later, the
// native window is made anew. Either way the client rectangle stays where
// it is and the window rectangle grows or shrinks around it by the frame it
// gains or loses. False (ERROR_INVALID_WINDOW_HANDLE) for a bad handle or a
// child window.
bool SetOwnFrame(HWND window, bool own);

} // namespace win::user

// The last popup window the owner's group made active: the active window
// when `owner` owns it (directly or through other owned windows), else the
// topmost visible, enabled window it owns, else `owner` itself.
HWND GetLastActivePopup(HWND owner);
// Marks one window (with its children) as being changed in bulk; unlocking
// repaints it whole, so that what was drawn in between is replaced by a
// fresh paint. One window at a time: locking a second fails. Null unlocks.
BOOL LockWindowUpdate(HWND window);
// The window whose drawing is held, or null.
namespace win::user {
HWND LockedWindow();
} // namespace win::user
