#pragma once
// The seam between the window system and the display layer. The display
// layer (Platform/Display) installs a DesktopHost, sets the screen size,
// feeds mouse and keyboard input in, and either composes the screen from the
// surfaces ScreenLayers() hands out or shows every top-level window as a
// native window of its own (a host whose NativeWindows() is true). The
// window system never sees SDL.
//
// With native windows the window manager draws the frame and caption of a
// captioned top-level window (WS_CAPTION): such a window's rectangle is the
// native window's content, its non-client area has no border and no
// caption of ours (menu bar, client edge and scroll bars stay), and
// WM_NCCALCSIZE, AdjustWindowRect and hit testing all agree on that. A
// window that declared its frame its own (win::user::SetOwnFrame) keeps
// ours and shows borderless.

#include <memory>
#include <string>
#include <vector>

#include "Platform/Win/Gdi/Surface.h"
#include "Platform/Win/User/Icons.h"
#include "Platform/Win/User/User.h"

namespace win::user {

// Cursor shapes the host can show; the stock cursors map onto them.
enum class CursorShape { Arrow, IBeam, Wait, Cross, UpArrow, SizeNWSE, SizeNESW, SizeWE, SizeNS, SizeAll, No, Hand,
                         AppStarting, Help, Hidden };

class DesktopHost {
public:
    virtual ~DesktopHost() = default;
    // True when each top-level window is a native window of the user's
    // desktop, framed by its window manager; asked when the host is set.
    virtual bool NativeWindows() const { return false; }
    // Something on screen changed (a window was painted, moved, shown or
    // hidden). Called from any thread, often: make it cheap.
    virtual void DesktopChanged() = 0;
    // The cursor to show changed. Called from any thread.
    virtual void CursorChanged(CursorShape /*shape*/) {}
    // A cursor of the program's own (a module's cursor resource) is to be
    // shown. Called from any thread; hosts that cannot show one keep the arrow.
    virtual void CursorImageChanged(const IconImage& image) { (void)image; CursorChanged(CursorShape::Arrow); }
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
// window and posts WM_DISPLAYCHANGE to the top-level windows. The work area
// and the virtual screen become the whole screen.
void SetScreenSize(LONG width, LONG height);
SIZE GetScreenSize();
// The real display's geometry: the primary screen's size, its work area
// (SPI_GETWORKAREA) and the rectangle all screens span (the
// SM_*VIRTUALSCREEN metrics, and where the pointer may go).
struct ScreenGeometry {
    SIZE screen{};
    RECT workArea{};
    RECT virtualScreen{};
};
void SetScreenGeometry(const ScreenGeometry& geometry);
ScreenGeometry GetScreenGeometry();

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
// The same, from a host that knows which of its top-level windows the
// pointer is over: `over` (null: none of the program's). Capture still wins.
void InjectMouseMoveOver(HWND over, POINT screen, DWORD time = 0);
void InjectMouseButtonOver(HWND over, MouseButton button, bool down, POINT screen, DWORD time = 0);
void InjectMouseWheelOver(HWND over, POINT screen, int delta, DWORD time = 0);
// Typed text (UTF-8), as a desktop's text input delivers it: each byte
// becomes one WM_CHAR for the focus window, the way the characters of a
// multi-byte code page arrive, in order with the keys injected around it.
void InjectText(const std::string& text, DWORD time = 0);
// True when the host delivers typed text through InjectText: TranslateMessage
// then makes characters only for the keys that type no text (Enter, Tab,
// Backspace, Escape and Ctrl combinations), so nothing arrives twice.
void SetHostTypesText(bool hostTypes);
// The desktop gained or lost the system's focus: the active window is
// deactivated (WM_ACTIVATE with a foreign window, WM_ACTIVATEAPP) and
// activated again.
void DesktopFocusChanged(bool focused);
// A close request for the whole desktop: WM_CLOSE posted to the main window.
// False when there is no main window.
bool RequestClose();

// What a native host shows of one top-level window.
enum class NativeKind {
    Framed,     // captioned: the window manager's frame and caption (unless SetOwnFrame)
    Borderless, // draws its own frame; its own hit testing moves and sizes it
    PopupMenu,  // menus and drop-down lists: borderless, unfocused, above their owner
    Tooltip,
};
struct NativeWindowState {
    HWND window = nullptr;
    HWND owner = nullptr; // its top-level owner
    NativeKind kind = NativeKind::Borderless;
    std::string title;
    RECT rect{}; // on screen; the restored one while minimized
    bool visible = false;
    bool enabled = true;
    bool minimized = false;
    bool maximized = false;
    bool topmost = false;
    bool resizable = false; // WS_THICKFRAME
    bool inTaskbar = false; // unowned and no tool window, or WS_EX_APPWINDOW
    // The window manager's last changes are still on their way to the
    // window's thread: its place and state here may be older than the
    // native window's.
    bool windowManagerPending = false;
    std::shared_ptr<Surface> surface;
    // What was drawn on the surface since the last TakeNativeDesktop, in
    // surface coordinates.
    std::vector<RECT> drawn;
};
struct NativeDesktop {
    std::vector<NativeWindowState> windows; // every top-level window, top first
    HWND active = nullptr;
    unsigned activations = 0; // changes whenever a window is activated
};
// The top-level windows as they are now; hands over (and forgets) what was
// drawn since the last call. Never waits for a window's thread.
NativeDesktop TakeNativeDesktop();

// The window manager's changes to a native window, from the host's thread.
// None of them waits: each is applied on the window's own thread when it
// next looks at its queue, as the matching call there would (SetWindowPos
// with WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_MOVE and WM_SIZE;
// WM_SYSCOMMAND for the state changes and the close box).
void NativeWindowMoved(HWND window, RECT screenRect);
enum class NativeShow { Minimized, Maximized, Restored };
void NativeWindowShown(HWND window, NativeShow state);
// The window manager gave the window the keyboard focus: it becomes the
// active window, or, while disabled (a modal dialog runs), the window it
// owns that is enabled does.
void NativeWindowActivated(HWND window);
// The close box: WM_SYSCOMMAND SC_CLOSE, and so WM_CLOSE. A disabled
// window ignores it.
void NativeCloseRequested(HWND window);

} // namespace win::user

// Files dropped from the desktop (its file manager) at a screen point: the
// shell delivers them as WM_DROPFILES to the accepting window under the
// point or its nearest accepting ancestor (its handler is set when the
// runtime loads). False when no window takes them.
namespace win::user {
using FileDropHandler = bool (*)(const std::vector<std::string>& paths, POINT screen);
void SetFileDropHandler(FileDropHandler handler);
bool InjectFileDrop(const std::vector<std::string>& paths, POINT screen);
} // namespace win::user
