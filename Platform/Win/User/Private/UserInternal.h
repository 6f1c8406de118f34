#pragma once
// State and helpers shared by the USER sources (User*.cpp); not for use
// outside the window system.
//
// One lock guards all of it: the kernel's wait lock. Message queues are
// waitable kernel objects (MsgWaitForMultipleObjects waits on them beside
// events and threads), and the kernel evaluates waits under that lock, so
// queue state must live under it too; the window tree shares it to keep one
// lock order. Window procedures are never called with the lock held.

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Platform/Win/Gdi/RectRegion.h"
#include "Platform/Win/Gdi/Surface.h"
#include "Platform/Win/Kernel/HandleTable.h"
#include "Platform/Win/Kernel/KernelObject.h"
#include "Platform/Win/User/DesktopHost.h"
#include "Platform/Win/User/User.h"

namespace win::user {

using Guard = std::unique_lock<std::mutex>;
inline std::mutex& Lock() { return win::detail::WaitLock(); }
// Wakes every thread waiting in the window system or the kernel; with Lock() held.
inline void Wake() { win::detail::NotifyWaiters(); }

struct WindowClass {
    ATOM atom = 0;
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int classExtraBytes = 0;
    int windowExtraBytes = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON iconSmall = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    // The menu name as given: a resource number, or text kept in menuText.
    LPCSTR menuName = nullptr;
    std::string menuText;
    std::vector<BYTE> extra;
    int windows = 0;
};

struct Window {
    bool IsChildStyle() const { return (style & WS_CHILD) != 0; }

    HWND handle = nullptr;
    unsigned long long made = 0; // counts the windows made before it: the smallest is the oldest
    DWORD thread = 0; // 0 for the desktop and the message-only root
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    UINT_PTR id = 0; // a child's id, or a top-level window's menu
    HINSTANCE instance = nullptr;
    LONG_PTR userData = 0;
    std::vector<BYTE> extra;
    std::vector<std::pair<std::string, HANDLE>> props;
    Window* parent = nullptr;
    Window* owner = nullptr;
    std::vector<Window*> children; // z-order, top first
    RECT rect{};                   // window rectangle, parent's client coordinates
    RECT client{};                 // client rectangle, parent's client coordinates
    RECT normalRect{};             // the restored rectangle while minimized or maximized
    detail::RectRegion update;     // client coordinates
    bool eraseNeeded = false;
    bool frameNeeded = false;
    bool internalPaint = false;
    bool frameActive = false; // the caption is drawn active (WM_NCACTIVATE)
    bool destroying = false;
    bool dead = false;
    std::shared_ptr<Surface> surface; // top-level windows and the desktop
    // What was drawn on the surface since a native host last looked (surface
    // coordinates); kept only while the host shows native windows.
    detail::RectRegion drawn;
    // Changes by the window manager queued for the window's thread and not
    // yet applied there.
    int nativePending = 0;
    // Draws its own caption and frame under a native host too (SetOwnFrame):
    // its non-client layout stays that of its style and the native window
    // is borderless.
    bool ownFrame = false;
};

struct SentMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool wantsReply = true; // false for SendNotifyMessage
    bool done = false;
    LRESULT result = 0;
    // Work for the receiving thread instead of a message (RunOnWindowThread).
    std::function<void()> task;
};

enum class InputKind { MouseMove, MouseButton, MouseWheel, Key, Char };

struct InputEvent {
    InputKind kind = InputKind::MouseMove;
    bool cooked = false;
    MSG msg{}; // once cooked
    // As injected.
    HWND target = nullptr;
    POINT pt{};
    DWORD time = 0;
    MouseButton button = MouseButton::Left;
    bool down = false;
    int wheel = 0;
    UINT vk = 0;          // the generic key (VK_SHIFT, not VK_LSHIFT); for Char, the byte
    UINT sideVk = 0;      // the key as injected (VK_LSHIFT), when it differs
    WPARAM mouseKeys = 0; // MK_* after the event
    LPARAM keyData = 0;   // WM_KEYDOWN's lParam
    bool system = false;  // a WM_SYSKEY* message
};

struct Timer {
    HWND window = nullptr;
    UINT_PTR id = 0;
    UINT elapse = 0;
    TIMERPROC proc = nullptr;
    ULONGLONG due = 0;
};

struct LastClick {
    HWND window = nullptr;
    UINT message = 0; // the button-down message it was
    DWORD time = 0;
    POINT pt{};
};

class MessageQueue final : public win::detail::KernelObject {
public:
    explicit MessageQueue(DWORD thread) : m_thread(thread) {}
    bool IsWaitable() const override { return true; }
    // What MsgWaitForMultipleObjects waits for; with Lock() held.
    bool IsSignalledFor(DWORD threadId) const override;
    // QS_* bits of what the queue holds now; with Lock() held.
    DWORD StatusBits() const;
    void Note(DWORD bits) { m_newBits |= bits; }

    const DWORD m_thread;
    HANDLE m_handle = nullptr; // in the kernel handle table, for waits
    std::deque<MSG> m_posted;
    std::deque<InputEvent> m_input;
    std::deque<std::shared_ptr<SentMessage>> m_sent;
    std::vector<std::shared_ptr<SentMessage>> m_receiving; // being handled, innermost last
    std::vector<Timer> m_timers;
    bool m_quit = false;
    int m_quitCode = 0;
    DWORD m_newBits = 0; // arrived since the queue was last looked at
    DWORD m_waitMask = 0;
    DWORD m_waitFlags = 0;
    DWORD m_lastTime = 0;
    POINT m_lastPos{};
    BYTE m_keys[256] = {};
    LastClick m_lastClick;
    HWND m_trackLeave = nullptr;
    bool m_trackNonClient = false;
};

struct UserState {
    HandleTable<Window, OwnerLocked> windows{HandleKind::Window};
    unsigned long long windowsMade = 0;
    std::shared_ptr<Window> desktop;
    std::shared_ptr<Window> messageRoot;
    std::vector<std::shared_ptr<WindowClass>> classes;
    std::map<std::string, ATOM> atoms; // lower-case name -> atom
    ATOM nextAtom = 0xC000;
    std::unordered_map<DWORD, std::shared_ptr<MessageQueue>> queues;
    UINT_PTR nextThreadTimer = 1;
    HWND active = nullptr;
    HWND focus = nullptr;
    HWND capture = nullptr;
    HWND activeBeforeFocusLoss = nullptr;
    HWND mainWindow = nullptr;
    unsigned activations = 0; // counts changes of the active window
    POINT cursorPos{};
    bool cursorClipped = false;
    RECT cursorClip{};
    HCURSOR cursor = nullptr;
    int cursorCount = 0;
    BYTE asyncKeys[256] = {}; // 0x80 down, 0x01 pressed since last read
    UINT doubleClickTime = 500;
    DesktopHost* host = nullptr;
    // Read without the lock: metrics are asked for while it is held.
    std::atomic<LONG> screenWidth{1024};
    std::atomic<LONG> screenHeight{768};
    std::atomic<bool> nativeWindows{false}; // the host shows native, window-manager framed windows
    std::atomic<LONG> virtualWidth{1024};
    std::atomic<LONG> virtualHeight{768};
    // The primary and secondary mouse buttons exchanged (SwapMouseButton):
    // messages and GetKeyState follow it, GetAsyncKeyState stays physical.
    std::atomic<bool> buttonsSwapped{false};
    RECT workArea{0, 0, 1024, 768};
    RECT virtualScreen{0, 0, 1024, 768}; // where the pointer may go
    int cascade = 0;
};

// The state, made with its desktop window on first use; with Lock() held.
UserState& State();

// With Lock() held; null for handles that are not open.
Window* FindLocked(HWND window);

// The calling thread's queue, made on first use (Lock() not held / held).
std::shared_ptr<MessageQueue> CurrentQueue();
MessageQueue& CurrentQueueLocked();
MessageQueue* QueueOfLocked(DWORD thread);

// Geometry, with Lock() held.
bool IsRoot(const Window* window); // the desktop or the message-only root
Window* TopLevelOf(Window* window); // its ancestor whose parent is a root (itself for a top-level)
bool IsVisibleLocked(const Window& window); // it and every ancestor up to the root
bool IsDescendant(const Window* ancestor, const Window* window); // through child links
POINT ClientOriginOnScreen(const Window& window);
RECT WindowRectOnScreen(const Window& window);
RECT ClientRectOnScreen(const Window& window);
// A window's rectangle on its top-level window's surface.
RECT WindowRectOnSurface(const Window& window);
RECT ClientRectOnSurface(const Window& window);
// The deepest visible, enabled window under a screen point, skipping the
// windows in `excluded`; a disabled top-level window is returned itself.
Window* WindowAtLocked(POINT screen, const std::vector<HWND>& excluded = {});
// The same within one top-level window, whatever lies above it; null
// outside it.
Window* WindowAtInLocked(Window& top, POINT screen);
// The part of the window's surface a DC may draw on, in surface coordinates.
detail::RectRegion VisibleRegionLocked(Window& window, bool clientOnly, bool clipChildren, bool clipSiblings);

// Non-client layout, in window coordinates (origin at the window's corner).
struct NonClientLayout {
    RECT window{};
    RECT client{};
    int border = 0;
    bool thickFrame = false;
    RECT caption{};  // empty without a caption
    RECT sysMenu{};
    RECT closeBox{};
    RECT maxBox{};
    RECT minBox{};
    RECT menuBar{};
    RECT clientEdge{}; // the rectangle inside which the edge is drawn
    int edge = 0;
    RECT vscroll{};
    RECT hscroll{};
};
NonClientLayout ComputeNonClient(DWORD style, DWORD exStyle, bool hasMenu, LONG width, LONG height,
                                 bool ownFrame = false);
// The layout of this window at a size, as its style and SetOwnFrame have it.
NonClientLayout WindowNonClient(const Window& window, LONG width, LONG height);
// Whether the window manager draws the frame and caption of a top-level
// window of this style (a captioned one, while native windows are shown,
// unless the window draws them itself).
bool WindowManagerFrames(DWORD style, bool ownFrame = false);
bool HasMenuBar(const Window& window);
LRESULT NonClientHitTest(HWND window, POINT screen);
void PaintNonClient(HWND window);
// The drag of a caption or frame (SC_MOVE / SC_SIZE) as a modal loop.
void TrackMoveSize(HWND window, WPARAM command, POINT start);
// SC_SIZE with the side a frame hit-test code stands for.
WPARAM SizeCommandFor(LRESULT hit);
// Tracks a press on a caption button; true when released over it.
bool TrackCaptionButton(HWND window, LRESULT hit);

// Messages.
LRESULT CallProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// True when a message for `window` passes a GetMessage filter; Lock() held.
bool PassesFilterLocked(HWND messageWindow, UINT message, HWND filter, UINT filterMin, UINT filterMax);
// Runs `task` on the thread owning `window` when it next handles sent
// messages; never waits. False for a bad window.
bool RunOnWindowThread(HWND window, std::function<void()> task);
// Ends every SendMessage waiting on `window` with 0; Lock() held.
void FailSendsToLocked(HWND window);

// Painting, with Lock() held.
void InvalidateLocked(Window& window, const detail::RectRegion& area, UINT flags);
void InvalidateAllLocked(Window& window); // client and frame, with erase, and every child
// Exposes an area of a parent's client (a child moved or went away).
void ExposeLocked(Window& parent, const RECT& area);
bool NeedsPaintLocked(const Window& window);
// The first window of the thread needing WM_PAINT, parents before children.
Window* FindPaintWindowLocked(DWORD thread, HWND filter);
void DesktopChangedLocked();
// Something was drawn on `window`'s part of its surface (surface coordinates):
// the native host presents it. Tells the host; Lock() held.
void NoteDrawnLocked(Window& window, const RECT& onSurface);

// Input, with Lock() held.
// Finds the first input message passing the filter, turning raw events into
// messages on the way (this may release the lock while it sends
// WM_NCHITTEST, WM_MOUSEACTIVATE and WM_SETCURSOR).
bool TakeInputMessage(Guard& lock, MessageQueue& queue, HWND filter, UINT filterMin, UINT filterMax, bool remove,
                      MSG* msg);

// True when the desktop host types text itself (DesktopHost.h).
bool HostTypesText();

// The character a key makes on a US keyboard with the given key state; 0
// for none.
char CharacterForKey(UINT virtualKey, const BYTE* keys);

// Timers, with Lock() held.
bool TakeDueTimer(MessageQueue& queue, HWND filter, UINT filterMin, UINT filterMax, bool remove, MSG* msg);
std::optional<ULONGLONG> NextTimerDue(const MessageQueue& queue);
bool FindTimerProc(const MessageQueue& queue, HWND window, UINT_PTR id, TIMERPROC proc);
void KillWindowTimersLocked(HWND window);

// Activation and focus, without the lock.
HWND ActivateWindow(HWND window, WORD how);
// Activates another window when `leaving` (being hidden, disabled or
// destroyed) is the active one.
void ActivateOtherWindow(HWND leaving);
HWND ChangeFocus(HWND window);

// Places a window among its parent's children (z-order), and keeps the
// windows it owns above it; Lock() held.
void LinkLocked(Window& window, Window& parent, HWND insertAfter);
void RaiseOwnedLocked(Window& owner);

// Applies the track-size limits a resizable top-level window reports in
// WM_GETMINMAXINFO. Lock() not held.
void ApplyMinMaxTrack(HWND window, DWORD style, bool topLevel, int* width, int* height);

// Stock cursor and icon handles are these bases plus the resource number
// (HandleKinds.h); icons and cursors made or loaded by UserIcons.cpp have
// handles of the icon kind.
constexpr UINT_PTR kStockCursorBase = RangeOf(HandleKind::StockCursor).first;
constexpr UINT_PTR kStockIconBase = RangeOf(HandleKind::StockIcon).first;
constexpr WORD kFirstStockIcon = 32512;
constexpr WORD kLastStockIcon = 32517;
// Icons of module resources (UserIcons.cpp), shared; Lock() may be held.
HICON LoadModuleIcon(HINSTANCE instance, LPCSTR name, bool cursor);
bool IsLoadedIcon(HICON icon);
// True when the handle was a loaded icon (freed unless shared).
bool DestroyLoadedIcon(HICON icon);

// The caret of the calling thread is taken off its window while the window
// paints, and put back after (UserCaret.cpp); Lock() not held.
void CaretPaintBegin(HWND window);
void CaretPaintEnd(HWND window);

// Runs the calling thread's creation hook (Extensions.h); Lock() not held.
void RunCreationHook(HWND window, const CREATESTRUCTA& create);

// Windows of a thread that ends go without messages; with Lock() held.
void DropThreadWindowsLocked(DWORD thread);

// A class by name or atom; Lock() held.
std::shared_ptr<WindowClass> FindClassLocked(LPCSTR name);

// Atoms shared by classes and registered messages; Lock() held.
ATOM AddAtomLocked(const std::string& name);
std::string ToLower(std::string text);

// Current time in the GetTickCount clock.
DWORD Now();
ULONGLONG NowLong();

} // namespace win::user
