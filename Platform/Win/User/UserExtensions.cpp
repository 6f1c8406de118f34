// The seams of Extensions.h: the creation hook, the frame extension, the
// input timings, windows that draw their own frame, and the owned-popup and
// update-lock calls.

#include <atomic>
#include <mutex>

#include "Platform/Win/User/Extensions.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win {

namespace {

thread_local CreationHook t_creationHook = nullptr;

} // namespace

CreationHook SetCreationHook(CreationHook hook)
{
    CreationHook previous = t_creationHook;
    t_creationHook = hook;
    return previous;
}

namespace user {

namespace {

std::atomic<const FrameExtension*> g_frame{nullptr};
std::mutex g_timingsLock;
InputTimings g_timings;
HWND g_lockedWindow = nullptr; // with Lock() held

} // namespace

void RunCreationHook(HWND window, const CREATESTRUCTA& create)
{
    // Read first: the hook may install another hook for windows it creates.
    if (CreationHook hook = t_creationHook)
        hook(window, create);
}

void SetFrameExtension(const FrameExtension* extension) { g_frame = extension; }

const FrameExtension* GetFrameExtension() { return g_frame; }

InputTimings GetInputTimings()
{
    std::lock_guard<std::mutex> guard(g_timingsLock);
    return g_timings;
}

void SetInputTimings(const InputTimings& timings)
{
    std::lock_guard<std::mutex> guard(g_timingsLock);
    g_timings = timings;
}

bool SetOwnFrame(HWND window, bool own)
{
    RECT around{};
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w || w->IsChildStyle() || w->parent != State().desktop.get()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        if (w->ownFrame == own)
            return true;
        // The frame's widths before and after, measured on a window large
        // enough for the whole frame.
        constexpr LONG kProbe = 10000;
        const RECT before = WindowNonClient(*w, kProbe, kProbe).client;
        w->ownFrame = own;
        const RECT after = WindowNonClient(*w, kProbe, kProbe).client;
        around = RECT{w->rect.left - (after.left - before.left), w->rect.top - (after.top - before.top),
                      w->rect.right + (before.right - after.right), w->rect.bottom + (before.bottom - after.bottom)};
    }
    // Recomputes the client rectangle, repaints the frame and tells the
    // host, which makes the native window anew for its new kind.
    SetWindowPos(window, nullptr, around.left, around.top, around.right - around.left, around.bottom - around.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return true;
}

HWND LockedWindow()
{
    Guard lock(Lock());
    if (g_lockedWindow && !FindLocked(g_lockedWindow))
        g_lockedWindow = nullptr;
    return g_lockedWindow;
}

} // namespace user

} // namespace win

using namespace win;
using namespace win::user;

HWND GetLastActivePopup(HWND owner)
{
    Guard lock(Lock());
    UserState& state = State();
    Window* o = FindLocked(owner);
    if (!o) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    Window* top = TopLevelOf(o);
    if (Window* active = FindLocked(state.active)) {
        for (Window* w = active->owner; w; w = w->owner)
            if (w == top)
                return active->handle;
    }
    for (Window* w : state.desktop->children)
        if (w->owner == top && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED))
            return w->handle;
    return top->handle;
}

BOOL LockWindowUpdate(HWND window)
{
    HWND unlocked = nullptr;
    {
        Guard lock(Lock());
        if (g_lockedWindow && !FindLocked(g_lockedWindow))
            g_lockedWindow = nullptr;
        if (window) {
            if (!FindLocked(window)) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return FALSE;
            }
            if (g_lockedWindow)
                return FALSE;
            g_lockedWindow = window;
            return TRUE;
        }
        unlocked = g_lockedWindow;
        g_lockedWindow = nullptr;
    }
    if (unlocked)
        RedrawWindow(unlocked, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
}
