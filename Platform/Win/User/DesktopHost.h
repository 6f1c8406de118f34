#pragma once
// The seam between the window system and the display layer. The display
// layer (Platform/Display) installs a DesktopHost, sets the screen size,
// feeds mouse and keyboard input in, and composes the screen from the
// surfaces ScreenLayers() hands out. The window system never sees SDL.

#include <memory>
#include <string>
#include <vector>

#include "Platform/Win/Gdi/Surface.h"
#include "Platform/Win/User/User.h"

namespace win::user {

// Cursor shapes the host can show; the stock cursors map onto them.
enum class CursorShape { Arrow, IBeam, Wait, Cross, UpArrow, SizeNWSE, SizeNESW, SizeWE, SizeNS, SizeAll, No, Hand,
                         AppStarting, Help, Hidden };

class DesktopHost {
public:
    virtual ~DesktopHost() = default;
    // Something on screen changed (a window was painted, moved, shown or
    // hidden). Called from any thread, often: make it cheap.
    virtual void DesktopChanged() = 0;
    // The cursor to show changed. Called from any thread.
    virtual void CursorChanged(CursorShape /*shape*/) {}
    // SetCursorPos moved the pointer. Called from any thread.
    virtual void CursorMoved(POINT /*screen*/) {}
    // The desktop's own clipboard text, for the clipboard's CF_TEXT. False
    // when the host has none to share.
    virtual bool SetClipboardText(const std::string& /*text*/) { return false; }
    virtual bool GetClipboardText(std::string* /*text*/) { return false; }
    // MessageBeep asked for the sound of a message-box type (MB_ICONHAND
    // and the like, or 0xFFFFFFFF for the simple beep). Called from any
    // thread; a host without sound lets it pass.
    virtual void Beep(UINT /*type*/) {}
};

// Installs the host (null removes it). The host must outlive its use.
void SetDesktopHost(DesktopHost* host);
DesktopHost* GetDesktopHost();

// The screen size (1024 x 768 until set). Changing it resizes the desktop
// window and posts WM_DISPLAYCHANGE to the top-level windows.
void SetScreenSize(LONG width, LONG height);
SIZE GetScreenSize();

// The window a close request of the desktop (the SDL window's close box)
// goes to as WM_CLOSE; when none is set, the oldest visible top-level
// window without owner.
void SetMainWindow(HWND window);
HWND GetMainWindow();

// One layer of the screen, bottom to top: first the desktop's own surface,
// then each visible top-level window's.
struct ScreenLayer {
    HWND window;
    RECT screenRect;
    std::shared_ptr<Surface> surface;
};
std::vector<ScreenLayer> ScreenLayers();
// The surface a window draws on (its top-level window's) and the window's
// rectangle on it; false for a bad handle.
bool WindowSurface(HWND window, std::shared_ptr<Surface>* surface, RECT* rectOnSurface);

// Input, from any thread, in screen coordinates. A time of 0 means now
// (GetTickCount). Events go to the queue of the thread owning the window
// that captured the mouse, else the one under the pointer (mouse), or the
// active window (keyboard); that thread's GetMessage/PeekMessage turns them
// into window messages.
enum class MouseButton { Left, Right, Middle };
void InjectMouseMove(POINT screen, DWORD time = 0);
void InjectMouseButton(MouseButton button, bool down, POINT screen, DWORD time = 0);
void InjectMouseWheel(POINT screen, int delta, DWORD time = 0);
void InjectKey(UINT virtualKey, bool down, DWORD time = 0);
// The desktop gained or lost the system's focus: the active window is
// deactivated (WM_ACTIVATE with a foreign window, WM_ACTIVATEAPP) and
// activated again.
void DesktopFocusChanged(bool focused);
// A close request for the whole desktop: WM_CLOSE posted to the main window.
// False when there is no main window.
bool RequestClose();

} // namespace win::user
