#pragma once
// What the sdl back end asks of Xlib when SDL talks to an X server.
//
// SDL wakes its event wait from another thread by sending an event to one of
// its windows over a second connection; a window destroyed meanwhile turns
// that request into a BadWindow error, and Xlib's default error handler ends
// the process for it. While the filter is installed, BadWindow errors about
// windows the back end has destroyed (or is destroying) are dropped and every
// other error goes on to the handler that was installed before. Errors are
// handled on whichever thread reads them, so every call here may come from
// any thread.

struct SDL_Window;

namespace display::detail {

// Installs the filter once; install it before SDL's video starts, so that
// SDL's own handler (which it restores on quitting) hands errors on to it.
void InstallXErrorFilter();
// Puts the handler found at installation back, unless another was set since.
void RemoveXErrorFilter();
// The X window (XID) behind an SDL window; 0 when SDL does not use X.
unsigned long XWindowOf(SDL_Window* window);
// The X window is being destroyed: errors about it are dropped from now on.
void NoteXWindowGone(unsigned long window);

} // namespace display::detail
