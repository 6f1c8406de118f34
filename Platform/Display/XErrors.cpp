// The X error filter of XErrors.h: a short memory of the windows the back
// end destroyed, and the handler that consults it.

#include "Platform/Display/XErrors.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <array>
#include <mutex>

namespace display::detail {

namespace {

// Resource ids of one connection are handed out in increasing order, so the
// last few windows destroyed are all that late errors can be about.
constexpr size_t kRemembered = 64;

std::mutex g_lock;
std::array<unsigned long, kRemembered> g_gone{};
size_t g_next = 0;
XErrorHandler g_previous = nullptr;
bool g_installed = false;

bool WasGone(unsigned long window)
{
    std::lock_guard<std::mutex> guard(g_lock);
    return window != 0 && std::find(g_gone.begin(), g_gone.end(), window) != g_gone.end();
}

int FilterErrors(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow && WasGone(error->resourceid))
        return 0;
    XErrorHandler previous = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        previous = g_previous;
    }
    return previous ? previous(display, error) : 0;
}

} // namespace

void InstallXErrorFilter()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_installed)
        return;
    g_previous = XSetErrorHandler(FilterErrors);
    g_installed = true;
}

void RemoveXErrorFilter()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_installed)
        return;
    // A handler set since may hand errors on to this one: it stays then.
    XErrorHandler current = XSetErrorHandler(g_previous);
    if (current == FilterErrors) {
        g_installed = false;
        return;
    }
    XSetErrorHandler(current);
}

unsigned long XWindowOf(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    return info.info.x11.window;
}

void NoteXWindowGone(unsigned long window)
{
    if (!window)
        return;
    std::lock_guard<std::mutex> guard(g_lock);
    g_gone[g_next] = window;
    g_next = (g_next + 1) % kRemembered;
}

} // namespace display::detail
