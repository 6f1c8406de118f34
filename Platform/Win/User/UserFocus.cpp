// Activation, keyboard focus, mouse capture, cursors and icons, and the
// key state calls.
//
// One window of the desktop is active (and foreground); focus and capture
// are held by one window each. The Get* calls answer only for windows of
// the calling thread, as Windows does for threads with their own input
// state.

#include <algorithm>

#include "Platform/Win/User/Icons.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

struct StockCursor {
    WORD id;
    CursorShape shape;
};

constexpr StockCursor kStockCursors[] = {
    {32512, CursorShape::Arrow},    {32513, CursorShape::IBeam},       {32514, CursorShape::Wait},
    {32515, CursorShape::Cross},    {32516, CursorShape::UpArrow},     {32640, CursorShape::SizeAll},
    {32641, CursorShape::Arrow},    {32642, CursorShape::SizeNWSE},    {32643, CursorShape::SizeNESW},
    {32644, CursorShape::SizeWE},   {32645, CursorShape::SizeNS},      {32646, CursorShape::SizeAll},
    {32648, CursorShape::No},       {32649, CursorShape::Hand},        {32650, CursorShape::AppStarting},
    {32651, CursorShape::Help},
};
constexpr UINT_PTR kCursorBase = kStockCursorBase;
constexpr UINT_PTR kIconBase = kStockIconBase;

const StockCursor* StockCursorOf(HCURSOR cursor)
{
    UINT_PTR value = reinterpret_cast<UINT_PTR>(cursor);
    for (const StockCursor& stock : kStockCursors)
        if (value == kCursorBase + stock.id)
            return &stock;
    return nullptr;
}

bool IsStockIcon(HICON icon)
{
    UINT_PTR value = reinterpret_cast<UINT_PTR>(icon);
    return value >= kIconBase + kFirstStockIcon && value <= kIconBase + kLastStockIcon;
}

void AnnounceCursorLocked()
{
    UserState& state = State();
    if (!state.host)
        return;
    if (state.cursorCount < 0) {
        state.host->CursorChanged(CursorShape::Hidden);
        return;
    }
    if (!state.cursor) {
        state.host->CursorChanged(CursorShape::Hidden);
        return;
    }
    const StockCursor* stock = StockCursorOf(state.cursor);
    IconImage image;
    if (!stock && GetIconImage(state.cursor, &image)) {
        state.host->CursorImageChanged(image);
        return;
    }
    state.host->CursorChanged(stock ? stock->shape : CursorShape::Arrow);
}

bool OfThisThread(const Window* w) { return w && w->thread == GetCurrentThreadId(); }

HWND HandleIfThisThread(HWND window)
{
    Window* w = FindLocked(window);
    return OfThisThread(w) ? window : nullptr;
}

void SendActivateApp(HWND anyWindow, bool active)
{
    std::vector<HWND> tops;
    {
        Guard lock(Lock());
        Window* w = FindLocked(anyWindow);
        if (!w)
            return;
        for (Window* top : State().desktop->children)
            if (top->thread == w->thread)
                tops.push_back(top->handle);
    }
    for (HWND top : tops)
        SendMessageA(top, WM_ACTIVATEAPP, active ? TRUE : FALSE, 0);
}

bool CanActivate(const Window& w)
{
    return (w.style & WS_VISIBLE) && !(w.style & WS_DISABLED) && !w.destroying && !(w.exStyle & WS_EX_NOACTIVATE) &&
           !(w.style & WS_CHILD);
}

// Deactivates the active window without activating another.
void DeactivateAll(HWND active)
{
    if (IsWindow(active)) {
        SendMessageA(active, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(active, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(active) ? 1 : 0), 0);
        SendActivateApp(active, false);
    }
    ChangeFocus(nullptr);
}

} // namespace

HWND ActivateWindow(HWND window, WORD how)
{
    HWND old = nullptr;
    {
        Guard lock(Lock());
        UserState& state = State();
        Window* w = FindLocked(window);
        if (!w || IsRoot(w))
            return nullptr;
        w = TopLevelOf(w);
        if (w->parent != state.desktop.get())
            return nullptr;
        window = w->handle;
        if (state.active == window)
            return window;
        old = state.active;
        state.active = window;
        state.activeBeforeFocusLoss = nullptr;
        // A native host gives the window the desktop's focus.
        ++state.activations;
        DesktopChangedLocked();
    }
    if (old && IsWindow(old)) {
        SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0),
                     reinterpret_cast<LPARAM>(window));
    }
    if (!old)
        SendActivateApp(window, true);
    {
        Guard lock(Lock());
        if (State().active != window)
            return old;
    }
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(window, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(how, IsIconic(window) ? 1 : 0), reinterpret_cast<LPARAM>(old));
    bool staleFocus = false;
    {
        Guard lock(Lock());
        Window* focus = FindLocked(State().focus);
        Window* w = FindLocked(window);
        staleFocus = focus && w && !IsDescendant(w, focus);
    }
    // Focus still inside the window that lost activation does not stay there.
    if (staleFocus)
        ChangeFocus(nullptr);
    return old;
}

void ActivateOtherWindow(HWND leaving)
{
    HWND next = nullptr;
    {
        Guard lock(Lock());
        UserState& state = State();
        if (state.active != leaving)
            return;
        Window* w = FindLocked(leaving);
        if (w && w->owner && CanActivate(*w->owner) && !(w->owner->style & WS_MINIMIZE))
            next = w->owner->handle;
        for (Window* top : state.desktop->children) {
            if (next)
                break;
            if (top->handle != leaving && CanActivate(*top) && !(top->style & WS_MINIMIZE))
                next = top->handle;
        }
        if (!next)
            state.active = nullptr;
    }
    if (next)
        ActivateWindow(next, WA_ACTIVE);
    else
        DeactivateAll(leaving);
}

HWND ChangeFocus(HWND window)
{
    HWND old = nullptr;
    {
        Guard lock(Lock());
        UserState& state = State();
        old = state.focus;
        if (old == window)
            return old;
        if (window && !FindLocked(window))
            return nullptr;
    }
    if (old && IsWindow(old))
        SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    {
        Guard lock(Lock());
        UserState& state = State();
        if (window && !FindLocked(window)) {
            state.focus = nullptr;
            return old;
        }
        state.focus = window;
    }
    if (window)
        SendMessageA(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

} // namespace win::user

using namespace win;
using namespace win::user;

HWND SetActiveWindow(HWND window)
{
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (!OfThisThread(w))
            return nullptr;
    }
    HWND old = ActivateWindow(window, WA_ACTIVE);
    Guard lock(Lock());
    return HandleIfThisThread(old);
}

HWND GetActiveWindow()
{
    Guard lock(Lock());
    return HandleIfThisThread(State().active);
}

BOOL SetForegroundWindow(HWND window)
{
    if (!IsWindow(window))
        return FALSE;
    ActivateWindow(window, WA_ACTIVE);
    return TRUE;
}

HWND GetForegroundWindow()
{
    Guard lock(Lock());
    return State().active;
}

HWND SetFocus(HWND window)
{
    if (!window) {
        {
            Guard lock(Lock());
            if (!HandleIfThisThread(State().focus))
                return nullptr;
        }
        return ChangeFocus(nullptr);
    }
    HWND top = nullptr;
    bool activate = false;
    {
        Guard lock(Lock());
        UserState& state = State();
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (!OfThisThread(w))
            return nullptr;
        Window* root = TopLevelOf(w);
        if (root->style & (WS_MINIMIZE | WS_DISABLED))
            return nullptr;
        top = root->handle;
        activate = root->parent == state.desktop.get() && state.active != top;
    }
    if (activate)
        ActivateWindow(top, WA_ACTIVE);
    HWND old = ChangeFocus(window);
    Guard lock(Lock());
    return HandleIfThisThread(old);
}

HWND GetFocus()
{
    Guard lock(Lock());
    return HandleIfThisThread(State().focus);
}

HWND SetCapture(HWND window)
{
    HWND old = nullptr;
    {
        Guard lock(Lock());
        UserState& state = State();
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (!OfThisThread(w))
            return nullptr;
        old = state.capture;
        state.capture = window;
    }
    if (old && old != window && IsWindow(old))
        SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
    Guard lock(Lock());
    return HandleIfThisThread(old);
}

BOOL ReleaseCapture()
{
    HWND old = nullptr;
    POINT cursor{};
    {
        Guard lock(Lock());
        UserState& state = State();
        old = HandleIfThisThread(state.capture);
        if (!old)
            return TRUE;
        state.capture = nullptr;
        cursor = state.cursorPos;
    }
    SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
    // The window now under the pointer hears of it, as after any capture change on Windows.
    InjectMouseMove(cursor);
    return TRUE;
}

HWND GetCapture()
{
    Guard lock(Lock());
    return HandleIfThisThread(State().capture);
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track)
{
    if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Guard lock(Lock());
    MessageQueue& queue = CurrentQueueLocked();
    if (track->dwFlags & TME_QUERY) {
        track->dwFlags = queue.m_trackLeave ? (TME_LEAVE | (queue.m_trackNonClient ? TME_NONCLIENT : 0)) : 0;
        track->hwndTrack = queue.m_trackLeave;
        return TRUE;
    }
    if (track->dwFlags & TME_CANCEL) {
        if (queue.m_trackLeave == track->hwndTrack)
            queue.m_trackLeave = nullptr;
        return TRUE;
    }
    if (!(track->dwFlags & TME_LEAVE))
        return TRUE; // hover tracking is not offered
    Window* w = FindLocked(track->hwndTrack);
    if (!OfThisThread(w)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const bool nonClient = (track->dwFlags & TME_NONCLIENT) != 0;
    Window* under = WindowAtLocked(State().cursorPos);
    if (under != w) {
        queue.m_posted.push_back(MSG{track->hwndTrack, nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0, Now(),
                                     State().cursorPos});
        queue.Note(QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
        Wake();
        return TRUE;
    }
    queue.m_trackLeave = track->hwndTrack;
    queue.m_trackNonClient = nonClient;
    return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    if (!instance && IS_INTRESOURCE(name)) {
        WORD id = static_cast<WORD>(reinterpret_cast<UINT_PTR>(name));
        for (const StockCursor& stock : kStockCursors)
            if (stock.id == id)
                return reinterpret_cast<HCURSOR>(kCursorBase + id);
    }
    if (instance && name)
        return LoadModuleIcon(instance, name, true);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name)
{
    if (!instance && IS_INTRESOURCE(name)) {
        WORD id = static_cast<WORD>(reinterpret_cast<UINT_PTR>(name));
        if (id >= kFirstStockIcon && id <= kLastStockIcon)
            return reinterpret_cast<HICON>(kIconBase + id);
    }
    if (instance && name)
        return LoadModuleIcon(instance, name, false);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

BOOL DestroyCursor(HCURSOR cursor)
{
    if (StockCursorOf(cursor) || DestroyLoadedIcon(cursor))
        return TRUE;
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
    return FALSE;
}

BOOL DestroyIcon(HICON icon)
{
    if (IsStockIcon(icon) || DestroyLoadedIcon(icon))
        return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    Guard lock(Lock());
    UserState& state = State();
    HCURSOR old = state.cursor;
    state.cursor = cursor;
    if (old != cursor)
        AnnounceCursorLocked();
    return old;
}

HCURSOR GetCursor()
{
    Guard lock(Lock());
    return State().cursor;
}

int ShowCursor(BOOL show)
{
    Guard lock(Lock());
    UserState& state = State();
    state.cursorCount += show ? 1 : -1;
    AnnounceCursorLocked();
    return state.cursorCount;
}

BOOL GetCursorPos(LPPOINT point)
{
    if (!point) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Guard lock(Lock());
    *point = State().cursorPos;
    return TRUE;
}

BOOL SetCursorPos(int x, int y)
{
    POINT at{x, y};
    {
        Guard lock(Lock());
        UserState& state = State();
        RECT limit = state.cursorClipped ? state.cursorClip : state.virtualScreen;
        at.x = std::clamp<LONG>(at.x, limit.left, std::max(limit.left, limit.right - 1));
        at.y = std::clamp<LONG>(at.y, limit.top, std::max(limit.top, limit.bottom - 1));
        if (state.host)
            state.host->CursorMoved(at);
    }
    InjectMouseMove(at);
    return TRUE;
}

BOOL ClipCursor(const RECT* rect)
{
    Guard lock(Lock());
    UserState& state = State();
    if (!rect) {
        state.cursorClipped = false;
        return TRUE;
    }
    RECT clip = detail::IntersectRects(*rect, state.virtualScreen);
    if (detail::IsEmptyRect(clip))
        clip = RECT{rect->left, rect->top, rect->left + 1, rect->top + 1};
    state.cursorClipped = true;
    state.cursorClip = clip;
    state.cursorPos.x = std::clamp<LONG>(state.cursorPos.x, clip.left, clip.right - 1);
    state.cursorPos.y = std::clamp<LONG>(state.cursorPos.y, clip.top, clip.bottom - 1);
    return TRUE;
}

BOOL GetClipCursor(LPRECT rect)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Guard lock(Lock());
    UserState& state = State();
    *rect = state.cursorClipped ? state.cursorClip : state.virtualScreen;
    return TRUE;
}

SHORT GetKeyState(int virtualKey)
{
    Guard lock(Lock());
    BYTE state = CurrentQueueLocked().m_keys[virtualKey & 0xFF];
    return static_cast<SHORT>(((state & 0x80) ? 0x8000 : 0) | (state & 0x01));
}

SHORT GetAsyncKeyState(int virtualKey)
{
    Guard lock(Lock());
    BYTE& state = State().asyncKeys[virtualKey & 0xFF];
    SHORT result = static_cast<SHORT>(((state & 0x80) ? 0x8000 : 0) | (state & 0x01));
    state &= static_cast<BYTE>(~0x01);
    return result;
}

BOOL GetKeyboardState(PBYTE keys)
{
    if (!keys) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Guard lock(Lock());
    const BYTE* state = CurrentQueueLocked().m_keys;
    std::copy(state, state + 256, keys);
    return TRUE;
}
