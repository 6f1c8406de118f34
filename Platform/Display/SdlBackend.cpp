// The sdl back end: every top-level window of the window system is a native
// SDL window of the user's desktop. One thread owns SDL's video side
// (windows, renderers, events, clipboard, cursor), as SDL wants all of them
// on one thread. Whenever the window system reports a change it brings the
// native windows in line with the top-level windows (created, shown, moved,
// sized, titled, stacked under their owners, minimized, maximized) and
// presents what was drawn; the window manager's moves, state changes, focus
// and close requests, and the mouse and keyboard, go back to the window
// system. This thread never waits for a window's thread: everything it hands
// back is queued there. The window system hands the pointer over any of
// the program's windows to the window holding the capture; SDL holds the
// pointer itself only while a button is down (its own capture then), so a
// capture left set never locks up the user's desktop.

#include <SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "Platform/Display/Backends.h"
#include "Platform/Display/XErrors.h"
#include "Platform/Win/Gdi/RectRegion.h"
#include "Platform/Win/Kernel/System.h"
#include "Platform/Win/User/Icons.h"

namespace display::detail {

namespace {

using win::user::NativeKind;

constexpr Uint32 kIdleWaitMs = 50;
constexpr auto kClipboardWait = std::chrono::seconds(1);
// How long a move or size of ours may take to come back reported, so that
// it is not taken for the window manager's.
constexpr Uint32 kEchoMs = 1000;

struct KeyPair {
    SDL_Keycode key;
    UINT vk;
};

constexpr KeyPair kKeys[] = {
    {SDLK_RETURN, VK_RETURN},         {SDLK_ESCAPE, VK_ESCAPE},          {SDLK_BACKSPACE, VK_BACK},
    {SDLK_TAB, VK_TAB},               {SDLK_SPACE, VK_SPACE},            {SDLK_LEFT, VK_LEFT},
    {SDLK_RIGHT, VK_RIGHT},           {SDLK_UP, VK_UP},                  {SDLK_DOWN, VK_DOWN},
    {SDLK_HOME, VK_HOME},             {SDLK_END, VK_END},                {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},         {SDLK_INSERT, VK_INSERT},          {SDLK_DELETE, VK_DELETE},
    {SDLK_LSHIFT, VK_LSHIFT},         {SDLK_RSHIFT, VK_RSHIFT},          {SDLK_LCTRL, VK_LCONTROL},
    {SDLK_RCTRL, VK_RCONTROL},        {SDLK_LALT, VK_LMENU},             {SDLK_RALT, VK_RMENU},
    {SDLK_CAPSLOCK, VK_CAPITAL},      {SDLK_SEMICOLON, VK_OEM_1},        {SDLK_EQUALS, VK_OEM_PLUS},
    {SDLK_COMMA, VK_OEM_COMMA},       {SDLK_MINUS, VK_OEM_MINUS},        {SDLK_PERIOD, VK_OEM_PERIOD},
    {SDLK_SLASH, VK_OEM_2},           {SDLK_BACKQUOTE, VK_OEM_3},        {SDLK_LEFTBRACKET, VK_OEM_4},
    {SDLK_BACKSLASH, VK_OEM_5},       {SDLK_RIGHTBRACKET, VK_OEM_6},     {SDLK_QUOTE, VK_OEM_7},
    {SDLK_KP_MULTIPLY, VK_MULTIPLY},  {SDLK_KP_PLUS, VK_ADD},            {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_PERIOD, VK_DECIMAL},     {SDLK_KP_DIVIDE, VK_DIVIDE},       {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_PAUSE, VK_PAUSE},           {SDLK_PRINTSCREEN, VK_SNAPSHOT},   {SDLK_NUMLOCKCLEAR, VK_NUMLOCK},
    {SDLK_SCROLLLOCK, VK_SCROLL},     {SDLK_LGUI, VK_LWIN},              {SDLK_RGUI, VK_RWIN},
    {SDLK_APPLICATION, VK_APPS},
};

UINT VirtualKeyFor(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<UINT>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<UINT>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return VK_F1 + static_cast<UINT>(key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return VK_NUMPAD1 + static_cast<UINT>(key - SDLK_KP_1);
    if (key == SDLK_KP_0)
        return VK_NUMPAD0;
    for (const KeyPair& pair : kKeys)
        if (pair.key == key)
            return pair.vk;
    return 0;
}

std::optional<win::user::MouseButton> ButtonFor(Uint8 button)
{
    switch (button) {
    case SDL_BUTTON_LEFT:
        return win::user::MouseButton::Left;
    case SDL_BUTTON_RIGHT:
        return win::user::MouseButton::Right;
    case SDL_BUTTON_MIDDLE:
        return win::user::MouseButton::Middle;
    default:
        return std::nullopt;
    }
}

SDL_SystemCursor SystemCursorFor(win::user::CursorShape shape)
{
    using win::user::CursorShape;
    switch (shape) {
    case CursorShape::IBeam:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case CursorShape::Wait:
        return SDL_SYSTEM_CURSOR_WAIT;
    case CursorShape::Cross:
        return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case CursorShape::SizeNWSE:
        return SDL_SYSTEM_CURSOR_SIZENWSE;
    case CursorShape::SizeNESW:
        return SDL_SYSTEM_CURSOR_SIZENESW;
    case CursorShape::SizeWE:
        return SDL_SYSTEM_CURSOR_SIZEWE;
    case CursorShape::SizeNS:
        return SDL_SYSTEM_CURSOR_SIZENS;
    case CursorShape::SizeAll:
        return SDL_SYSTEM_CURSOR_SIZEALL;
    case CursorShape::No:
        return SDL_SYSTEM_CURSOR_NO;
    case CursorShape::Hand:
        return SDL_SYSTEM_CURSOR_HAND;
    case CursorShape::AppStarting:
        return SDL_SYSTEM_CURSOR_WAITARROW;
    default:
        return SDL_SYSTEM_CURSOR_ARROW;
    }
}

bool CanConnect(const std::string& path, bool abstract)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    close(fd);
    return connected;
}

// Whether a display server named by the environment may answer. Local
// servers are asked directly, so that a stale DISPLAY costs no SDL start;
// remote ones are left to SDL.
bool DisplayServerMayAnswer()
{
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland && *wayland) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::string path = wayland[0] == '/' ? wayland : std::string(runtime ? runtime : "") + "/" + wayland;
        if (CanConnect(path, false))
            return true;
    }
    const char* x11 = std::getenv("DISPLAY");
    if (!x11 || !*x11)
        return false;
    std::string name = x11;
    if (name.rfind("unix:", 0) == 0)
        name.erase(0, 4);
    if (name.empty() || name[0] != ':')
        return true;
    std::string number = name.substr(1, name.find('.') == std::string::npos ? std::string::npos : name.find('.') - 1);
    std::string socketPath = "/tmp/.X11-unix/X" + number;
    return CanConnect(socketPath, true) || CanConnect(socketPath, false);
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The window flags a native window is made with; a change of any of them
// makes it anew.
Uint32 CreationFlags(const win::user::NativeWindowState& state)
{
    struct KindFlags {
        NativeKind kind;
        Uint32 flags;
    };
    static constexpr KindFlags kKinds[] = {
        {NativeKind::Framed, 0},
        {NativeKind::Borderless, SDL_WINDOW_BORDERLESS},
        {NativeKind::PopupMenu, SDL_WINDOW_BORDERLESS | SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR},
        {NativeKind::Tooltip, SDL_WINDOW_BORDERLESS | SDL_WINDOW_TOOLTIP | SDL_WINDOW_SKIP_TASKBAR},
    };
    Uint32 flags = SDL_WINDOW_HIDDEN;
    for (const KindFlags& entry : kKinds)
        if (entry.kind == state.kind)
            flags |= entry.flags;
    if (!state.inTaskbar)
        flags |= SDL_WINDOW_SKIP_TASKBAR;
    return flags;
}

bool TakesFocus(NativeKind kind) { return kind == NativeKind::Framed || kind == NativeKind::Borderless; }

// One top-level window shown natively.
struct NativeWindow {
    HWND hwnd = nullptr;
    Uint32 flags = 0;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    LONG textureWidth = 0;
    LONG textureHeight = 0;
    NativeKind kind = NativeKind::Borderless;
    // As set here last, or as the window manager last reported it.
    RECT rect{};
    std::string title;
    HWND owner = nullptr;
    bool shown = false;
    bool minimized = false;
    bool maximized = false;
    bool topmost = false;
    bool resizable = false;
    bool uploadAll = true;    // the texture is behind the surface
    bool presentNeeded = false;
    // Positions and sizes set here whose reports may still come back.
    std::vector<std::pair<POINT, Uint32>> movesSent;
    std::vector<std::pair<SIZE, Uint32>> sizesSent;

    ~NativeWindow()
    {
        if (texture)
            SDL_DestroyTexture(texture);
        if (renderer)
            SDL_DestroyRenderer(renderer);
        if (window) {
            NoteXWindowGone(XWindowOf(window));
            SDL_DestroyWindow(window);
        }
    }
};

// True when `value` is one sent earlier (and drops it with the older ones).
template <typename T, typename Same>
bool TakeEcho(std::vector<std::pair<T, Uint32>>& sent, const T& value, Same same)
{
    const Uint32 now = SDL_GetTicks();
    std::erase_if(sent, [&](const auto& entry) { return SDL_TICKS_PASSED(now, entry.second); });
    auto it = std::find_if(sent.begin(), sent.end(), [&](const auto& entry) { return same(entry.first, value); });
    if (it == sent.end())
        return false;
    sent.erase(sent.begin(), it + 1);
    return true;
}

} // namespace

struct SdlBackend::Impl {
    void Run(std::promise<bool>* started);
    bool Open();
    void Close();
    void Handle(const SDL_Event& event);
    void HandleWindowEvent(const SDL_WindowEvent& event);
    void ServeRequests();
    void ShowImageCursor(const win::user::IconImage& image);
    void Wake();
    void UpdateScreenGeometry();

    // Bringing the native windows in line with the window system.
    void Sync();
    NativeWindow* Make(const win::user::NativeWindowState& state);
    void Apply(NativeWindow& native, const win::user::NativeWindowState& state);
    void Upload(NativeWindow& native, const win::user::NativeWindowState& state);
    void Present(NativeWindow& native);
    void MatchShowState(NativeWindow& native, const win::user::NativeWindowState& state);
    void FollowActivation(const win::user::NativeDesktop& desktop);
    void GiveFocus(NativeWindow& native);
    NativeWindow* Find(HWND hwnd);
    NativeWindow* FindById(Uint32 id);
    HWND WindowUnderPointer(Uint32 id);

    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> running{false};
    std::atomic<bool> dirty{true};
    Uint32 wakeEvent = 0;
    std::map<HWND, std::unique_ptr<NativeWindow>> windows;
    unsigned activationsSeen = 0;
    bool focusMayHaveLeft = false;
    std::array<SDL_Cursor*, SDL_NUM_SYSTEM_CURSORS> cursors{};
    SDL_Cursor* imageCursor = nullptr; // the program's own cursor shown now
    std::vector<std::string> droppedFiles; // of a drop still arriving

    // Requests from other threads, served on the SDL thread.
    std::mutex requestLock;
    std::condition_variable answered;
    std::optional<win::user::CursorShape> cursorShape;
    std::optional<win::user::IconImage> cursorImage;
    std::optional<POINT> warpTo;
    std::optional<std::string> clipboardToSet;
    bool clipboardWanted = false;
    bool clipboardAnswered = false;
    bool clipboardHasText = false;
    std::string clipboardText;
};

void SdlBackend::Impl::Wake()
{
    if (!running)
        return;
    SDL_Event event{};
    event.type = wakeEvent;
    SDL_PushEvent(&event);
}

bool SdlBackend::Impl::Open()
{
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    const bool driverAsked = asked && *asked;
    if (!driverAsked && !DisplayServerMayAnswer()) {
        OutputDebugStringA("display: no display server answers\n");
        return false;
    }
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A desktop program: the screen saver may run and compositing stays on.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_APP_NAME, "Kestrelon");
    // Before SDL's video starts: SDL chains its own X error handler to the
    // one it finds, and puts that back before it closes its connections.
    InstallXErrorFilter();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        OutputDebugStringA((std::string("display: SDL video is not available: ") + SDL_GetError() + "\n").c_str());
        if (SDL_WasInit(0) == 0)
            SDL_Quit();
        RemoveXErrorFilter();
        return false;
    }
    // Without a display server SDL may settle for a driver nobody sees;
    // that is no screen unless the user asked for it by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driverAsked && driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        OutputDebugStringA((std::string("display: SDL found no display server (driver ") + driver + ")\n").c_str());
        Close();
        return false;
    }
    wakeEvent = SDL_RegisterEvents(1);
    if (wakeEvent == static_cast<Uint32>(-1) || SDL_GetNumVideoDisplays() < 1) {
        OutputDebugStringA((std::string("display: SDL offers no display: ") + SDL_GetError() + "\n").c_str());
        Close();
        return false;
    }
    // Typed text comes from SDL's text input, in the user's layout.
    SDL_StartTextInput();
    win::user::SetHostTypesText(true);
    return true;
}

void SdlBackend::Impl::Close()
{
    win::user::SetHostTypesText(false);
    if (imageCursor)
        SDL_FreeCursor(imageCursor);
    imageCursor = nullptr;
    windows.clear();
    for (SDL_Cursor*& cursor : cursors) {
        if (cursor)
            SDL_FreeCursor(cursor);
        cursor = nullptr;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // Other layers may still use SDL (sound); the last one out frees it all.
    if (SDL_WasInit(0) == 0)
        SDL_Quit();
    RemoveXErrorFilter();
}

void SdlBackend::Impl::UpdateScreenGeometry()
{
    // The primary display is the screen; the work area leaves out the
    // desktop's panels; the pointer may go over every display.
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(0, &bounds) != 0)
        return;
    SDL_Rect usable = bounds;
    SDL_GetDisplayUsableBounds(0, &usable);
    RECT all{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    for (int i = 1; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect other{};
        if (SDL_GetDisplayBounds(i, &other) == 0)
            all = win::detail::BoundingRect(all, RECT{other.x, other.y, other.x + other.w, other.y + other.h});
    }
    win::user::SetScreenGeometry(win::user::ScreenGeometry{
        SIZE{bounds.w, bounds.h}, RECT{usable.x, usable.y, usable.x + usable.w, usable.y + usable.h}, all});
}

NativeWindow* SdlBackend::Impl::Find(HWND hwnd)
{
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second.get();
}

NativeWindow* SdlBackend::Impl::FindById(Uint32 id)
{
    SDL_Window* window = SDL_GetWindowFromID(id);
    for (auto& [hwnd, native] : windows)
        if (window && native->window == window)
            return native.get();
    return nullptr;
}

HWND SdlBackend::Impl::WindowUnderPointer(Uint32 id)
{
    NativeWindow* native = FindById(id);
    return native ? native->hwnd : nullptr;
}

NativeWindow* SdlBackend::Impl::Make(const win::user::NativeWindowState& state)
{
    auto native = std::make_unique<NativeWindow>();
    native->hwnd = state.window;
    native->kind = state.kind;
    native->flags = CreationFlags(state);
    const RECT& r = state.rect;
    Uint32 flags = native->flags | (state.resizable ? SDL_WINDOW_RESIZABLE : 0) |
                   (state.topmost ? SDL_WINDOW_ALWAYS_ON_TOP : 0);
    native->window = SDL_CreateWindow(state.title.c_str(), r.left, r.top, std::max<LONG>(r.right - r.left, 1),
                                      std::max<LONG>(r.bottom - r.top, 1), flags);
    if (!native->window) {
        OutputDebugStringA((std::string("display: cannot open a window: ") + SDL_GetError() + "\n").c_str());
        return nullptr;
    }
    // Made before the window shows: a renderer may have to make the window
    // anew, and the X window it replaces is gone.
    const unsigned long madeFirst = XWindowOf(native->window);
    native->renderer = SDL_CreateRenderer(native->window, -1, 0);
    if (!native->renderer)
        native->renderer = SDL_CreateRenderer(native->window, -1, SDL_RENDERER_SOFTWARE);
    if (madeFirst != XWindowOf(native->window))
        NoteXWindowGone(madeFirst);
    if (!native->renderer) {
        OutputDebugStringA((std::string("display: cannot draw in a window: ") + SDL_GetError() + "\n").c_str());
        return nullptr;
    }
    native->rect = r;
    native->title = state.title;
    native->topmost = state.topmost;
    native->resizable = state.resizable;
    // Windows it owns must learn the new native window.
    for (auto& [hwnd, other] : windows)
        if (other->owner == state.window)
            other->owner = nullptr;
    NativeWindow* made = native.get();
    windows[state.window] = std::move(native);
    return made;
}

void SdlBackend::Impl::Upload(NativeWindow& native, const win::user::NativeWindowState& state)
{
    if (!state.surface)
        return;
    std::lock_guard<std::mutex> guard(state.surface->Mutex());
    const win::Surface& surface = *state.surface;
    if (surface.Width() <= 0 || surface.Height() <= 0)
        return;
    if (!native.texture || surface.Width() != native.textureWidth || surface.Height() != native.textureHeight) {
        if (native.texture)
            SDL_DestroyTexture(native.texture);
        native.texture = SDL_CreateTexture(native.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                           surface.Width(), surface.Height());
        native.textureWidth = surface.Width();
        native.textureHeight = surface.Height();
        native.uploadAll = true;
        if (!native.texture)
            return;
    }
    const int pitch = static_cast<int>(surface.Width() * 4);
    auto upload = [&](const RECT& r) {
        SDL_Rect area{r.left, r.top, r.right - r.left, r.bottom - r.top};
        SDL_UpdateTexture(native.texture, &area, surface.Row(r.top) + r.left, pitch);
        native.presentNeeded = true;
    };
    const RECT whole{0, 0, surface.Width(), surface.Height()};
    if (native.uploadAll) {
        upload(whole);
        native.uploadAll = false;
        return;
    }
    for (const RECT& drawn : state.drawn) {
        RECT part = win::detail::IntersectRects(drawn, whole);
        if (!win::detail::IsEmptyRect(part))
            upload(part);
    }
}

void SdlBackend::Impl::Present(NativeWindow& native)
{
    native.presentNeeded = false;
    if (!native.texture || !native.shown)
        return;
    // Pixels one to one: while the window manager sizes the window ahead of
    // the window system, the rest stays black.
    SDL_SetRenderDrawColor(native.renderer, 0, 0, 0, 255);
    SDL_RenderClear(native.renderer);
    SDL_Rect area{0, 0, native.textureWidth, native.textureHeight};
    SDL_RenderCopy(native.renderer, native.texture, nullptr, &area);
    SDL_RenderPresent(native.renderer);
}

void SdlBackend::Impl::Apply(NativeWindow& native, const win::user::NativeWindowState& state)
{
    SDL_Window* window = native.window;
    if (native.title != state.title) {
        SDL_SetWindowTitle(window, state.title.c_str());
        native.title = state.title;
    }
    if (native.resizable != state.resizable) {
        SDL_SetWindowResizable(window, state.resizable ? SDL_TRUE : SDL_FALSE);
        native.resizable = state.resizable;
    }
    if (native.topmost != state.topmost) {
        SDL_SetWindowAlwaysOnTop(window, state.topmost ? SDL_TRUE : SDL_FALSE);
        native.topmost = state.topmost;
    }
    if (native.owner != state.owner) {
        // The window manager keeps an owned window above its owner.
        NativeWindow* owner = Find(state.owner);
        if (owner || !state.owner) {
            if (owner && TakesFocus(native.kind))
                SDL_SetWindowModalFor(window, owner->window);
            native.owner = state.owner;
        }
    }
    // The window manager's own changes still on their way there are not
    // undone. A maximized window first takes the place it will have, which
    // stands when no window manager maximizes it.
    const bool settled = !state.windowManagerPending;
    const bool placeable = settled && !state.minimized && (!state.maximized || !native.maximized);
    if (placeable && !SameRect(native.rect, state.rect)) {
        const RECT& r = state.rect;
        const Uint32 until = SDL_GetTicks() + kEchoMs;
        if (r.left != native.rect.left || r.top != native.rect.top) {
            native.movesSent.emplace_back(POINT{r.left, r.top}, until);
            SDL_SetWindowPosition(window, r.left, r.top);
        }
        const SIZE size{std::max<LONG>(r.right - r.left, 1), std::max<LONG>(r.bottom - r.top, 1)};
        if (size.cx != native.rect.right - native.rect.left || size.cy != native.rect.bottom - native.rect.top) {
            native.sizesSent.emplace_back(size, until);
            SDL_SetWindowSize(window, size.cx, size.cy);
        }
        native.rect = r;
    }
    if (!state.visible) {
        if (native.shown) {
            SDL_HideWindow(window);
            native.shown = false;
        }
        // What it draws while hidden is not handed over: all of it goes up again.
        native.uploadAll = true;
        return;
    }
    Upload(native, state);
    if (!native.shown) {
        SDL_ShowWindow(window);
        native.shown = true;
        native.presentNeeded = true;
    }
    if (settled)
        MatchShowState(native, state);
    if (native.presentNeeded)
        Present(native);
}

void SdlBackend::Impl::MatchShowState(NativeWindow& native, const win::user::NativeWindowState& state)
{
    if (state.minimized && !native.minimized) {
        SDL_MinimizeWindow(native.window);
        native.minimized = true;
    } else if (state.maximized && !native.maximized) {
        SDL_MaximizeWindow(native.window);
        native.maximized = true;
        native.minimized = false;
    } else if (!state.minimized && !state.maximized && (native.minimized || native.maximized)) {
        SDL_RestoreWindow(native.window);
        native.minimized = native.maximized = false;
    }
}

void SdlBackend::Impl::GiveFocus(NativeWindow& native)
{
    if (!native.shown || !TakesFocus(native.kind) || SDL_GetKeyboardFocus() == native.window)
        return;
    SDL_RaiseWindow(native.window);
    // Only while the program has the focus: it does not take it from others.
    if (SDL_GetKeyboardFocus())
        SDL_SetWindowInputFocus(native.window);
}

void SdlBackend::Impl::FollowActivation(const win::user::NativeDesktop& desktop)
{
    // Counted, not compared: a window activated and left again between two
    // looks still takes the focus back.
    if (desktop.activations == activationsSeen)
        return;
    activationsSeen = desktop.activations;
    if (NativeWindow* native = Find(desktop.active))
        GiveFocus(*native);
}

void SdlBackend::Impl::Sync()
{
    win::user::NativeDesktop desktop = win::user::TakeNativeDesktop();
    std::erase_if(windows, [&](const auto& entry) {
        return std::none_of(desktop.windows.begin(), desktop.windows.end(),
                            [&](const win::user::NativeWindowState& state) { return state.window == entry.first; });
    });
    // Bottom first: owners before the windows they own, and each shown window on top of the last.
    for (auto it = desktop.windows.rbegin(); it != desktop.windows.rend(); ++it) {
        const win::user::NativeWindowState& state = *it;
        NativeWindow* native = Find(state.window);
        if (native && native->flags != CreationFlags(state)) {
            windows.erase(state.window);
            native = nullptr;
        }
        if (!native && !state.visible)
            continue;
        if (!native && !(native = Make(state))) {
            windows.erase(state.window);
            continue;
        }
        Apply(*native, state);
    }
    FollowActivation(desktop);
}

void SdlBackend::Impl::HandleWindowEvent(const SDL_WindowEvent& event)
{
    NativeWindow* native = FindById(event.windowID);
    if (!native)
        return;
    const HWND hwnd = native->hwnd;
    switch (event.event) {
    case SDL_WINDOWEVENT_MOVED: {
        const POINT at{event.data1, event.data2};
        const bool ours = TakeEcho(native->movesSent, at, [](POINT a, POINT b) { return a.x == b.x && a.y == b.y; });
        const RECT old = native->rect;
        native->rect = win::detail::OffsetRectBy(old, at.x - old.left, at.y - old.top);
        if (!ours && !SameRect(old, native->rect) && !native->minimized)
            win::user::NativeWindowMoved(hwnd, native->rect);
        break;
    }
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
        const SIZE size{event.data1, event.data2};
        const bool ours =
            TakeEcho(native->sizesSent, size, [](SIZE a, SIZE b) { return a.cx == b.cx && a.cy == b.cy; });
        const RECT old = native->rect;
        native->rect.right = old.left + size.cx;
        native->rect.bottom = old.top + size.cy;
        if (!ours && !SameRect(old, native->rect) && !native->minimized)
            win::user::NativeWindowMoved(hwnd, native->rect);
        native->presentNeeded = true;
        break;
    }
    case SDL_WINDOWEVENT_MINIMIZED:
        native->minimized = true;
        win::user::NativeWindowShown(hwnd, win::user::NativeShow::Minimized);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        native->maximized = true;
        native->minimized = false;
        win::user::NativeWindowShown(hwnd, win::user::NativeShow::Maximized);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        native->minimized = native->maximized = false;
        win::user::NativeWindowShown(hwnd, win::user::NativeShow::Restored);
        native->presentNeeded = true;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        if (!TakesFocus(native->kind))
            break;
        // A window a modal dialog disabled hands the focus to the dialog.
        if (!IsWindowEnabled(hwnd))
            if (NativeWindow* popup = Find(GetWindow(hwnd, GW_ENABLEDPOPUP)))
                GiveFocus(*popup);
        win::user::NativeWindowActivated(hwnd);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        focusMayHaveLeft = true;
        break;
    case SDL_WINDOWEVENT_CLOSE:
        win::user::NativeCloseRequested(hwnd);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        native->presentNeeded = true;
        break;
    case SDL_WINDOWEVENT_LEAVE: {
        POINT at{};
        SDL_GetGlobalMouseState(&at.x, &at.y);
        win::user::InjectMouseMoveOver(nullptr, at);
        break;
    }
    default:
        break;
    }
}

void SdlBackend::Impl::Handle(const SDL_Event& event)
{
    // Pointer positions come from the pointer itself: a window being dragged
    // moves under the events that report positions in it.
    POINT at{};
    switch (event.type) {
    case SDL_MOUSEMOTION:
        SDL_GetGlobalMouseState(&at.x, &at.y);
        win::user::InjectMouseMoveOver(WindowUnderPointer(event.motion.windowID), at);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        SDL_GetGlobalMouseState(&at.x, &at.y);
        if (auto button = ButtonFor(event.button.button))
            win::user::InjectMouseButtonOver(WindowUnderPointer(event.button.windowID), *button,
                                             event.type == SDL_MOUSEBUTTONDOWN, at);
        break;
    case SDL_MOUSEWHEEL: {
        GetCursorPos(&at);
        int delta = event.wheel.y * WHEEL_DELTA * (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1);
        if (delta)
            win::user::InjectMouseWheelOver(WindowUnderPointer(event.wheel.windowID), at, delta);
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (UINT vk = VirtualKeyFor(event.key.keysym.sym))
            win::user::InjectKey(vk, event.type == SDL_KEYDOWN);
        break;
    case SDL_TEXTINPUT:
        win::user::InjectText(event.text.text);
        break;
    case SDL_DROPFILE:
        // One event per file, then SDL_DROPCOMPLETE: the files go as one drop.
        if (event.drop.file) {
            droppedFiles.emplace_back(event.drop.file);
            SDL_free(event.drop.file);
        }
        break;
    case SDL_DROPCOMPLETE: {
        std::vector<std::string> files;
        files.swap(droppedFiles);
        SDL_GetGlobalMouseState(&at.x, &at.y);
        win::user::InjectFileDrop(files, at);
        break;
    }
    case SDL_WINDOWEVENT:
        HandleWindowEvent(event.window);
        break;
    case SDL_DISPLAYEVENT:
        UpdateScreenGeometry();
        break;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
        for (auto& [hwnd, native] : windows)
            native->uploadAll = native->presentNeeded = true;
        dirty = true;
        break;
    default:
        break;
    }
}

void SdlBackend::Impl::ShowImageCursor(const win::user::IconImage& image)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() < static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
        return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<DWORD*>(image.pixels.data()), image.width, image.height, 32, image.width * 4,
        SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return;
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, image.hotspot.x, image.hotspot.y);
    SDL_FreeSurface(surface);
    if (!cursor)
        return;
    SDL_SetCursor(cursor);
    SDL_ShowCursor(SDL_ENABLE);
    if (imageCursor)
        SDL_FreeCursor(imageCursor);
    imageCursor = cursor;
}

void SdlBackend::Impl::ServeRequests()
{
    // Taken under the lock, served outside it: the clipboard may keep SDL
    // busy, and callers post their requests while the window system's lock
    // is held.
    std::optional<win::user::CursorShape> shape;
    std::optional<win::user::IconImage> image;
    std::optional<POINT> warp;
    std::optional<std::string> toSet;
    bool wanted = false;
    {
        std::lock_guard<std::mutex> guard(requestLock);
        shape = std::exchange(cursorShape, std::nullopt);
        image = std::exchange(cursorImage, std::nullopt);
        warp = std::exchange(warpTo, std::nullopt);
        toSet = std::exchange(clipboardToSet, std::nullopt);
        wanted = std::exchange(clipboardWanted, false);
    }
    if (shape) {
        if (*shape == win::user::CursorShape::Hidden) {
            SDL_ShowCursor(SDL_DISABLE);
        } else {
            SDL_SystemCursor id = SystemCursorFor(*shape);
            if (!cursors[id])
                cursors[id] = SDL_CreateSystemCursor(id);
            if (cursors[id])
                SDL_SetCursor(cursors[id]);
            SDL_ShowCursor(SDL_ENABLE);
        }
    }
    if (image)
        ShowImageCursor(*image);
    if (warp)
        SDL_WarpMouseGlobal(warp->x, warp->y);
    if (toSet)
        SDL_SetClipboardText(toSet->c_str());
    if (wanted) {
        char* text = SDL_GetClipboardText();
        const bool hasText = text && SDL_HasClipboardText();
        std::string copy = text ? text : "";
        SDL_free(text);
        std::lock_guard<std::mutex> guard(requestLock);
        clipboardHasText = hasText;
        clipboardText = std::move(copy);
        clipboardAnswered = true;
        answered.notify_all();
    }
}

void SdlBackend::Impl::Run(std::promise<bool>* started)
{
    if (!Open()) {
        started->set_value(false);
        return;
    }
    UpdateScreenGeometry();
    running = true;
    started->set_value(true);
    while (!stop) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, kIdleWaitMs)) {
            Handle(event);
            while (SDL_PollEvent(&event))
                Handle(event);
        }
        // Focus passing between two of the program's windows is no loss.
        if (std::exchange(focusMayHaveLeft, false) && !SDL_GetKeyboardFocus())
            win::user::DesktopFocusChanged(false);
        ServeRequests();
        if (dirty.exchange(false))
            Sync();
        for (auto& [hwnd, native] : windows)
            if (native->presentNeeded)
                Present(*native);
    }
    running = false;
    {
        // A reader still waiting gets its answer: no text.
        std::lock_guard<std::mutex> guard(requestLock);
        clipboardAnswered = true;
        clipboardHasText = false;
        answered.notify_all();
    }
    Close();
}

SdlBackend::SdlBackend() : m_impl(std::make_unique<Impl>()) {}

SdlBackend::~SdlBackend() { Stop(); }

bool SdlBackend::Start()
{
    std::promise<bool> started;
    std::future<bool> result = started.get_future();
    m_impl->stop = false;
    m_impl->thread = std::thread([this, &started] { m_impl->Run(&started); });
    if (result.get())
        return true;
    m_impl->thread.join();
    return false;
}

void SdlBackend::Stop()
{
    if (!m_impl->thread.joinable())
        return;
    m_impl->stop = true;
    m_impl->Wake();
    m_impl->thread.join();
}

bool SdlBackend::NativeWindows() const { return true; }

void SdlBackend::DesktopChanged()
{
    if (!m_impl->dirty.exchange(true))
        m_impl->Wake();
}

void SdlBackend::CursorChanged(win::user::CursorShape shape)
{
    {
        std::lock_guard<std::mutex> guard(m_impl->requestLock);
        m_impl->cursorShape = shape;
        m_impl->cursorImage.reset();
    }
    m_impl->Wake();
}

void SdlBackend::CursorImageChanged(const win::user::IconImage& image)
{
    {
        std::lock_guard<std::mutex> guard(m_impl->requestLock);
        m_impl->cursorImage = image;
        m_impl->cursorShape.reset();
    }
    m_impl->Wake();
}

void SdlBackend::CursorMoved(POINT screen)
{
    {
        std::lock_guard<std::mutex> guard(m_impl->requestLock);
        m_impl->warpTo = screen;
    }
    m_impl->Wake();
}

bool SdlBackend::SetClipboardText(const std::string& text)
{
    if (!m_impl->running)
        return false;
    {
        std::lock_guard<std::mutex> guard(m_impl->requestLock);
        m_impl->clipboardToSet = text;
    }
    m_impl->Wake();
    return true;
}

bool SdlBackend::GetClipboardText(std::string* text)
{
    if (!m_impl->running || !text)
        return false;
    std::unique_lock<std::mutex> lock(m_impl->requestLock);
    m_impl->clipboardWanted = true;
    m_impl->clipboardAnswered = false;
    lock.unlock();
    m_impl->Wake();
    lock.lock();
    if (!m_impl->answered.wait_for(lock, kClipboardWait, [&] { return m_impl->clipboardAnswered; }))
        return false;
    if (!m_impl->clipboardHasText)
        return false;
    *text = m_impl->clipboardText;
    return true;
}

} // namespace display::detail
