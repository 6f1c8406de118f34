// The seam to the display layer: the host, the screen size, the layers the
// screen is composed of, the main window and the desktop's own focus.

#include <algorithm>

#include "Platform/Win/Gdi/SurfaceDc.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

void SetDesktopHost(DesktopHost* host)
{
    Guard lock(Lock());
    State().host = host;
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
    std::vector<HWND> tops;
    {
        Guard lock(Lock());
        UserState& state = State();
        if (state.screenWidth == width && state.screenHeight == height)
            return;
        state.screenWidth = width;
        state.screenHeight = height;
        gdi::SetDisplaySize(width, height);
        Window& desktop = *state.desktop;
        desktop.rect = desktop.client = RECT{0, 0, width, height};
        desktop.surface->Resize(width, height, PixelFromColor(GetSysColor(COLOR_DESKTOP)));
        desktop.surface->Fill(desktop.rect, PixelFromColor(GetSysColor(COLOR_DESKTOP)));
        state.cursorPos.x = std::min(state.cursorPos.x, width - 1);
        state.cursorPos.y = std::min(state.cursorPos.y, height - 1);
        for (Window* top : desktop.children)
            tops.push_back(top->handle);
        DesktopChangedLocked();
    }
    for (HWND top : tops)
        PostMessageA(top, WM_DISPLAYCHANGE, 32, MAKELPARAM(static_cast<DWORD>(width), static_cast<DWORD>(height)));
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
    // Handles grow with age, so the smallest is the oldest.
    HWND oldest = nullptr;
    for (Window* top : state.desktop->children) {
        if (top->owner || !(top->style & WS_VISIBLE) || top->destroying)
            continue;
        if (!oldest || reinterpret_cast<UINT_PTR>(top->handle) < reinterpret_cast<UINT_PTR>(oldest))
            oldest = top->handle;
    }
    return oldest;
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
        } else {
            window = state.active;
            if (!window)
                return;
            state.activeBeforeFocusLoss = window;
            state.active = nullptr;
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
