// Position, size, z-order, showing and enabling windows.

#include <algorithm>

#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

constexpr LONG kIconicPosition = -32000;

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

} // namespace

} // namespace win::user

using namespace win;
using namespace win::user;

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    WINDOWPOS pos{window, insertAfter, x, y, cx, cy, flags};
    bool wasVisible = false;
    bool topLevel = false;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w || IsRoot(w)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (insertAfter == window)
            pos.flags |= SWP_NOZORDER;
        wasVisible = (w->style & WS_VISIBLE) != 0;
        topLevel = w->parent == State().desktop.get();
        if (pos.flags & SWP_NOMOVE) {
            pos.x = w->rect.left;
            pos.y = w->rect.top;
        }
        if (pos.flags & SWP_NOSIZE) {
            pos.cx = Width(w->rect);
            pos.cy = Height(w->rect);
        }
        if (pos.x == w->rect.left && pos.y == w->rect.top)
            pos.flags |= SWP_NOMOVE;
        if (pos.cx == Width(w->rect) && pos.cy == Height(w->rect))
            pos.flags |= SWP_NOSIZE;
        if ((pos.flags & SWP_SHOWWINDOW) && wasVisible)
            pos.flags &= ~SWP_SHOWWINDOW;
        if ((pos.flags & SWP_HIDEWINDOW) && !wasVisible)
            pos.flags &= ~SWP_HIDEWINDOW;
        if (w->IsChildStyle() || !topLevel)
            pos.flags |= SWP_NOACTIVATE;
    }
    if (!(pos.flags & SWP_NOSENDCHANGING))
        SendMessageA(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    pos.cx = std::max(pos.cx, 0);
    pos.cy = std::max(pos.cy, 0);

    RECT newRect{pos.x, pos.y, pos.x + pos.cx, pos.y + pos.cy};
    RECT newClient{};
    bool recalc = false;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w)
            return FALSE;
        recalc = !SameRect(newRect, w->rect) || (pos.flags & SWP_FRAMECHANGED);
        newClient = detail::OffsetRectBy(w->client, newRect.left - w->rect.left, newRect.top - w->rect.top);
    }
    if (recalc && (!(pos.flags & SWP_NOSIZE) || (pos.flags & SWP_FRAMECHANGED))) {
        NCCALCSIZE_PARAMS params{};
        params.rgrc[0] = newRect;
        params.lppos = &pos;
        SendMessageA(window, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
        newClient = params.rgrc[0];
        newClient.right = std::max(newClient.right, newClient.left);
        newClient.bottom = std::max(newClient.bottom, newClient.top);
    }

    bool hidden = false;
    bool activate = false;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w)
            return FALSE;
        UserState& state = State();
        const RECT oldRect = w->rect;
        const RECT oldClient = w->client;
        const bool visibleBefore = IsVisibleLocked(*w);
        if (Width(oldClient) == Width(newClient) && Height(oldClient) == Height(newClient))
            pos.flags |= SWP_NOCLIENTSIZE;
        if (oldClient.left == newClient.left && oldClient.top == newClient.top)
            pos.flags |= SWP_NOCLIENTMOVE;
        w->rect = newRect;
        w->client = newClient;
        auto placeAmongSiblings = [&] {
            auto& siblings = w->parent->children;
            return std::find(siblings.begin(), siblings.end(), w) - siblings.begin();
        };
        const auto oldPlace = placeAmongSiblings();
        if (!(pos.flags & SWP_NOZORDER)) {
            Window* after = FindLocked(pos.hwndInsertAfter);
            bool special = pos.hwndInsertAfter == HWND_TOP || pos.hwndInsertAfter == HWND_BOTTOM ||
                           pos.hwndInsertAfter == HWND_TOPMOST || pos.hwndInsertAfter == HWND_NOTOPMOST;
            if (special || (after && after->parent == w->parent)) {
                LinkLocked(*w, *w->parent, pos.hwndInsertAfter);
                if (w->parent == state.desktop.get() && !(pos.flags & SWP_NOOWNERZORDER))
                    RaiseOwnedLocked(*w);
            }
        }
        const bool restacked = placeAmongSiblings() != oldPlace;
        if (pos.flags & SWP_SHOWWINDOW)
            w->style |= WS_VISIBLE;
        if (pos.flags & SWP_HIDEWINDOW)
            w->style &= ~WS_VISIBLE;
        const bool moved = !SameRect(oldRect, newRect);
        const bool resized = Width(oldRect) != Width(newRect) || Height(oldRect) != Height(newRect);
        if (w->surface && resized)
            w->surface->Resize(Width(newRect), Height(newRect), PixelFromColor(GetSysColor(COLOR_BTNFACE)));
        const bool visibleAfter = IsVisibleLocked(*w);
        const bool frameChanged = (pos.flags & SWP_FRAMECHANGED) != 0;
        if (frameChanged)
            w->frameNeeded = true;
        if (!(pos.flags & SWP_NOREDRAW)) {
            if (topLevel) {
                // A top-level window carries its pixels with it: only new
                // sizes and new showings need painting.
                if (visibleAfter && (resized || frameChanged || !visibleBefore))
                    InvalidateAllLocked(*w);
            } else {
                // A child's old place shows its parent and siblings again,
                // and a restacked child changes what its siblings show.
                if (visibleBefore && (moved || restacked || !visibleAfter))
                    ExposeLocked(*w->parent, oldRect);
                if (visibleAfter && (moved || restacked || frameChanged || !visibleBefore))
                    InvalidateAllLocked(*w);
            }
        }
        if (moved || restacked || frameChanged || visibleBefore != visibleAfter)
            DesktopChangedLocked();
        hidden = visibleBefore && !visibleAfter;
        activate = topLevel && !(pos.flags & SWP_NOACTIVATE) && visibleAfter && !(w->style & WS_DISABLED) &&
                   w->thread == GetCurrentThreadId() && !(w->exStyle & WS_EX_NOACTIVATE);
    }
    if (hidden && topLevel)
        ActivateOtherWindow(window);
    if (activate)
        ActivateWindow(window, WA_ACTIVE);
    SendMessageA(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint)
{
    return SetWindowPos(window, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND window)
{
    return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ShowWindow(HWND window, int command)
{
    DWORD style = 0;
    RECT rect{};
    RECT normal{};
    bool child = false;
    bool ownFrame = false;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w || IsRoot(w)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        style = w->style;
        rect = w->rect;
        normal = w->normalRect;
        child = w->IsChildStyle();
        ownFrame = w->ownFrame;
    }
    const bool wasVisible = (style & WS_VISIBLE) != 0;
    const bool minimized = (style & WS_MINIMIZE) != 0;
    const bool maximized = (style & WS_MAXIMIZE) != 0;
    UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER;
    RECT target = rect;
    DWORD newStyle = style;
    bool show = true;
    switch (command) {
    case SW_HIDE:
        if (!wasVisible)
            return FALSE;
        show = false;
        flags |= SWP_HIDEWINDOW | SWP_NOACTIVATE;
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        flags = SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOZORDER;
        if (command != SW_SHOWMINIMIZED)
            flags |= SWP_NOACTIVATE;
        if (!minimized) {
            if (!maximized)
                normal = rect;
            newStyle = (style | WS_MINIMIZE) & ~WS_MAXIMIZE;
            // Minimized windows leave the screen, as Windows parks them.
            target = RECT{kIconicPosition, kIconicPosition, kIconicPosition + GetSystemMetrics(SM_CXMINIMIZED),
                          kIconicPosition + GetSystemMetrics(SM_CYMINIMIZED)};
        }
        break;
    case SW_SHOWMAXIMIZED:
        flags = SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOZORDER;
        if (!maximized && !child) {
            if (!minimized)
                normal = rect;
            newStyle = (style | WS_MAXIMIZE) & ~WS_MINIMIZE;
            RECT work{};
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
            // The sizing border goes past the work area, unless it is the window manager's.
            if ((style & WS_THICKFRAME) && !WindowManagerFrames(style, ownFrame))
                InflateRect(&work, GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
            target = work;
        }
        break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
        flags |= SWP_SHOWWINDOW;
        if (command == SW_SHOWNOACTIVATE)
            flags |= SWP_NOACTIVATE;
        if (minimized || maximized) {
            flags = SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOZORDER | (flags & SWP_NOACTIVATE);
            newStyle = style & ~(WS_MINIMIZE | WS_MAXIMIZE);
            target = normal;
        }
        break;
    case SW_SHOWNA:
        flags |= SWP_SHOWWINDOW | SWP_NOACTIVATE;
        break;
    case SW_SHOW:
        flags |= SWP_SHOWWINDOW;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (child)
        flags |= SWP_NOACTIVATE;
    if (show != wasVisible)
        SendMessageA(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w)
            return wasVisible ? TRUE : FALSE;
        w->style = (w->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | (newStyle & (WS_MINIMIZE | WS_MAXIMIZE));
        w->normalRect = normal;
    }
    if (!SameRect(target, rect))
        flags &= ~(SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(window, nullptr, target.left, target.top, Width(target), Height(target), flags);
    // A window minimized while active hands activation on.
    if ((newStyle & WS_MINIMIZE) && !minimized && (flags & SWP_NOACTIVATE))
        ActivateOtherWindow(window);
    return wasVisible ? TRUE : FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable)
{
    bool wasDisabled = false;
    bool losesFocus = false;
    bool hadCapture = false;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        UserState& state = State();
        wasDisabled = (w->style & WS_DISABLED) != 0;
        if (wasDisabled == !enable)
            return wasDisabled ? TRUE : FALSE;
        if (enable) {
            w->style &= ~WS_DISABLED;
        } else {
            w->style |= WS_DISABLED;
            Window* focus = FindLocked(state.focus);
            losesFocus = focus && IsDescendant(w, focus);
            hadCapture = state.capture == window;
        }
    }
    if (!enable) {
        if (hadCapture)
            SendMessageA(window, WM_CANCELMODE, 0, 0);
        if (losesFocus)
            ChangeFocus(nullptr);
    }
    SendMessageA(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}
