// The seam to the display layer: the host, the screen geometry, the layers
// the screen is composed of, the main window, the desktop's own focus, and
// what a native host shows of each top-level window and hands back from the
// window manager.

#include <algorithm>
#include <functional>
#include <utility>

#include "Platform/Win/Gdi/SurfaceDc.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

struct ClassKind {
    const char* className;
    NativeKind kind;
};

// Caption-less popups of these classes show as the window manager's kinds
// of transient window.
constexpr ClassKind kPopupClasses[] = {
    {"#32768", NativeKind::PopupMenu},    // menus
    {"ComboLBox", NativeKind::PopupMenu}, // the drop-down list of a combo box
    {"tooltips_class32", NativeKind::Tooltip},
};

NativeKind NativeKindOf(const Window& w)
{
    if ((w.style & WS_CAPTION) == WS_CAPTION && !w.ownFrame)
        return NativeKind::Framed;
    for (const ClassKind& entry : kPopupClasses)
        if (ToLower(w.cls->name) == ToLower(entry.className))
            return entry.kind;
    // A popup that never takes the focus behaves as a menu does.
    return (w.exStyle & WS_EX_NOACTIVATE) ? NativeKind::PopupMenu : NativeKind::Borderless;
}

NativeWindowState NativeStateOfLocked(Window& w)
{
    NativeWindowState state;
    state.window = w.handle;
    state.owner = w.owner ? w.owner->handle : nullptr;
    state.kind = NativeKindOf(w);
    state.title = w.text;
    state.minimized = (w.style & WS_MINIMIZE) != 0;
    state.maximized = (w.style & WS_MAXIMIZE) != 0;
    state.rect = state.minimized ? w.normalRect : w.rect;
    state.visible = (w.style & WS_VISIBLE) != 0 && !w.destroying;
    state.enabled = !(w.style & WS_DISABLED);
    state.topmost = (w.exStyle & WS_EX_TOPMOST) != 0;
    state.resizable = (w.style & WS_THICKFRAME) != 0;
    state.inTaskbar = (w.exStyle & WS_EX_APPWINDOW) || (!w.owner && !(w.exStyle & WS_EX_TOOLWINDOW));
    state.windowManagerPending = w.nativePending > 0;
    state.surface = w.surface;
    state.drawn = w.drawn.Rects();
    w.drawn.Clear();
    return state;
}

// Runs a change of the window manager on the window's own thread, and
// tells the host once it is applied.
void ApplyFromWindowManager(HWND window, std::function<void()> change)
{
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w)
            return;
        ++w->nativePending;
    }
    auto done = [window] {
        Guard lock(Lock());
        if (Window* w = FindLocked(window)) {
            --w->nativePending;
            DesktopChangedLocked();
        }
    };
    if (!RunOnWindowThread(window, [change = std::move(change), done] {
            change();
            done();
        }))
        done();
}

// Activates the window the window manager focused, on its own thread; a
// disabled owner hands activation to the enabled window it owns.
void ApplyNativeActivation(HWND window)
{
    HWND target = window;
    if (!IsWindowEnabled(window))
        target = GetWindow(window, GW_ENABLEDPOPUP);
    if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target) ||
        (GetWindowLongA(target, GWL_EXSTYLE) & WS_EX_NOACTIVATE))
        return;
    if (GetForegroundWindow() != target)
        ActivateWindow(target, WA_ACTIVE);
}

} // namespace

void SetDesktopHost(DesktopHost* host)
{
    Guard lock(Lock());
    UserState& state = State();
    state.host = host;
    state.nativeWindows = host && host->NativeWindows();
    if (!state.nativeWindows)
        for (Window* top : state.desktop->children)
            top->drawn.Clear();
    if (host)
        host->DesktopChanged();
}

DesktopHost* GetDesktopHost()
{
    Guard lock(Lock());
    return State().host;
}

void SetScreenSize(LONG width, LONG height)
{
    width = std::clamp<LONG>(width, 1, Surface::kMaxSide);
    height = std::clamp<LONG>(height, 1, Surface::kMaxSide);
    SetScreenGeometry(ScreenGeometry{SIZE{width, height}, RECT{0, 0, width, height}, RECT{0, 0, width, height}});
}

void SetScreenGeometry(const ScreenGeometry& geometry)
{
    const LONG width = std::clamp<LONG>(geometry.screen.cx, 1, Surface::kMaxSide);
    const LONG height = std::clamp<LONG>(geometry.screen.cy, 1, Surface::kMaxSide);
    std::vector<HWND> tops;
    {
        Guard lock(Lock());
        UserState& state = State();
        RECT screen{0, 0, width, height};
        state.workArea = detail::IsEmptyRect(geometry.workArea) ? screen : geometry.workArea;
        state.virtualScreen = detail::BoundingRect(screen, geometry.virtualScreen);
        state.virtualWidth = state.virtualScreen.right - state.virtualScreen.left;
        state.virtualHeight = state.virtualScreen.bottom - state.virtualScreen.top;
        const RECT& limit = state.virtualScreen;
        state.cursorPos.x = std::clamp<LONG>(state.cursorPos.x, limit.left, limit.right - 1);
        state.cursorPos.y = std::clamp<LONG>(state.cursorPos.y, limit.top, limit.bottom - 1);
        if (state.screenWidth == width && state.screenHeight == height)
            return;
        state.screenWidth = width;
        state.screenHeight = height;
        gdi::SetDisplaySize(width, height);
        Window& desktop = *state.desktop;
        desktop.rect = desktop.client = screen;
        desktop.surface->Resize(width, height, PixelFromColor(GetSysColor(COLOR_DESKTOP)));
        desktop.surface->Fill(desktop.rect, PixelFromColor(GetSysColor(COLOR_DESKTOP)));
        for (Window* top : desktop.children)
            tops.push_back(top->handle);
        DesktopChangedLocked();
    }
    for (HWND top : tops)
        PostMessageA(top, WM_DISPLAYCHANGE, 32, MAKELPARAM(static_cast<DWORD>(width), static_cast<DWORD>(height)));
}

ScreenGeometry GetScreenGeometry()
{
    Guard lock(Lock());
    const UserState& state = State();
    return ScreenGeometry{SIZE{state.screenWidth, state.screenHeight}, state.workArea, state.virtualScreen};
}

SIZE GetScreenSize()
{
    Guard lock(Lock());
    return SIZE{State().screenWidth, State().screenHeight};
}

void SetMainWindow(HWND window)
{
    Guard lock(Lock());
    State().mainWindow = window;
}

HWND GetMainWindow()
{
    Guard lock(Lock());
    UserState& state = State();
    if (FindLocked(state.mainWindow))
        return state.mainWindow;
    const Window* oldest = nullptr;
    for (const Window* top : state.desktop->children) {
        if (top->owner || !(top->style & WS_VISIBLE) || top->destroying)
            continue;
        if (!oldest || top->made < oldest->made)
            oldest = top;
    }
    return oldest ? oldest->handle : nullptr;
}

std::vector<ScreenLayer> ScreenLayers()
{
    Guard lock(Lock());
    UserState& state = State();
    std::vector<ScreenLayer> layers;
    layers.push_back(ScreenLayer{state.desktop->handle, state.desktop->rect, state.desktop->surface});
    auto& tops = state.desktop->children;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        Window* top = *it;
        if ((top->style & WS_VISIBLE) && top->surface)
            layers.push_back(ScreenLayer{top->handle, top->rect, top->surface});
    }
    return layers;
}

bool WindowSurface(HWND window, std::shared_ptr<Surface>* surface, RECT* rectOnSurface)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w)
        return false;
    Window* top = TopLevelOf(w);
    if (surface)
        *surface = top ? top->surface : nullptr;
    if (rectOnSurface)
        *rectOnSurface = IsRoot(w) ? w->client : WindowRectOnSurface(*w);
    return top && top->surface;
}

void DesktopFocusChanged(bool focused)
{
    // Sent without waiting: the display thread must not block on a busy window thread.
    HWND window = nullptr;
    HWND focus = nullptr;
    {
        Guard lock(Lock());
        UserState& state = State();
        if (focused) {
            window = FindLocked(state.activeBeforeFocusLoss) ? state.activeBeforeFocusLoss : nullptr;
            if (!window || state.active)
                return;
            state.active = window;
            state.activeBeforeFocusLoss = nullptr;
            ++state.activations;
        } else {
            window = state.active;
            if (!window)
                return;
            state.activeBeforeFocusLoss = window;
            state.active = nullptr;
            ++state.activations;
            focus = state.focus;
            state.focus = nullptr;
        }
    }
    if (focused) {
        SendNotifyMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
        SendNotifyMessageA(window, WM_NCACTIVATE, TRUE, 0);
        SendNotifyMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
        return;
    }
    SendNotifyMessageA(window, WM_NCACTIVATE, FALSE, 0);
    SendNotifyMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    SendNotifyMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    if (focus)
        SendNotifyMessageA(focus, WM_KILLFOCUS, 0, 0);
}

bool RequestClose()
{
    HWND main = GetMainWindow();
    return main && PostMessageA(main, WM_CLOSE, 0, 0);
}

NativeDesktop TakeNativeDesktop()
{
    Guard lock(Lock());
    UserState& state = State();
    NativeDesktop desktop;
    for (Window* top : state.desktop->children)
        if (top->surface && !top->dead)
            desktop.windows.push_back(NativeStateOfLocked(*top));
    desktop.active = state.active;
    desktop.activations = state.activations;
    return desktop;
}

void NativeWindowMoved(HWND window, RECT screenRect)
{
    ApplyFromWindowManager(window, [window, screenRect] {
        if (IsIconic(window))
            return;
        SetWindowPos(window, nullptr, screenRect.left, screenRect.top, screenRect.right - screenRect.left,
                     screenRect.bottom - screenRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    });
}

void NativeWindowShown(HWND window, NativeShow shown)
{
    // Decided on the window's thread, after the changes queued before it.
    ApplyFromWindowManager(window, [window, shown] {
        const bool minimized = IsIconic(window);
        const bool maximized = IsZoomed(window);
        WPARAM command = 0;
        if (shown == NativeShow::Minimized && !minimized)
            command = SC_MINIMIZE;
        else if (shown == NativeShow::Maximized && !maximized)
            command = SC_MAXIMIZE;
        else if (shown == NativeShow::Restored && (minimized || maximized))
            command = SC_RESTORE;
        if (command)
            SendMessageA(window, WM_SYSCOMMAND, command, 0);
    });
}

void NativeWindowActivated(HWND window)
{
    RunOnWindowThread(window, [window] { ApplyNativeActivation(window); });
}

void NativeCloseRequested(HWND window)
{
    if (IsWindowEnabled(window))
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

} // namespace win::user

// The host is called outside the lock: it may play the sound through a layer
// that takes locks of its own.
BOOL MessageBeep(UINT type)
{
    win::user::DesktopHost* host = win::user::GetDesktopHost();
    if (!host)
        return FALSE;
    host->Beep(type);
    return TRUE;
}
