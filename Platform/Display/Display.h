#pragma once
// The desktop the window system is drawn on, and its two back ends:
// `headless` keeps a 1024 x 768 x 32 screen in memory, every visible
// top-level window composed on it in z-order, takes input injected by tests
// and writes PNG snapshots; `sdl` makes every top-level window a native
// window of the user's desktop (the window manager frames the captioned
// ones), takes the screen's geometry from the real display, and feeds the
// window manager's changes, the mouse and the keyboard into the window
// system's queues. The snapshots compose the screen under either.

#include <optional>
#include <string>

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/User/DesktopHost.h"

namespace display {

enum class Backend { Headless, Sdl };

const char* BackendName(Backend backend);
// KESTRELON_DISPLAY=headless|sdl decides when set; otherwise sdl when a
// display server is named (DISPLAY or WAYLAND_DISPLAY), else headless.
Backend ChooseBackend();
// Starts a back end, stopping the one that runs. Starting sdl fails (false)
// when SDL cannot open its window.
bool Start(Backend backend);
// Starts the chosen back end; a guessed sdl that fails falls back to
// headless, a forced one does not. Returns the back end that runs.
std::optional<Backend> StartChosen();
void Stop();
bool IsRunning();
Backend CurrentBackend();

// The screen, composed now.
SIZE DesktopSize();
// The colour (COLORREF) of a screen pixel; 0 outside the screen.
COLORREF DesktopPixel(LONG x, LONG y);
// Snapshots as PNG files, written whole or not at all. A window's snapshot
// shows its own surface (frame included), whatever covers it on screen.
bool SaveDesktopPng(const std::string& path);
bool SaveWindowPng(HWND window, const std::string& path);

// Input as the user would give it, in screen coordinates; the thread that
// owns the target window receives it when it next looks at its queue.
using Button = win::user::MouseButton;
void MoveMouse(POINT at);
void PressMouse(Button button, POINT at);
void ReleaseMouse(Button button, POINT at);
void Click(Button button, POINT at);
void Wheel(POINT at, int delta);
void PressKey(UINT virtualKey);
void ReleaseKey(UINT virtualKey);
void TypeKey(UINT virtualKey);

} // namespace display
