// The sdl back end: one thread owns SDL's video side (window, renderer,
// events, clipboard, cursor), as SDL wants all of them on one thread. It
// shows the composed desktop whenever the window system reports a change,
// and turns SDL's mouse, keyboard, focus, resize and close events into the
// window system's input.

#include <SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <future>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "Platform/Display/Backends.h"
#include "Platform/Win/Kernel/System.h"

namespace display::detail {

namespace {

constexpr int kMinimumWidth = 1024;
constexpr int kMinimumHeight = 768;
constexpr Uint32 kIdleWaitMs = 50;
constexpr auto kClipboardWait = std::chrono::seconds(1);

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

} // namespace

struct SdlBackend::Impl {
    explicit Impl(Screen& s) : screen(s) {}

    void Run(std::promise<bool>* started);
    bool Open();
    void Close();
    void Handle(const SDL_Event& event);
    void Present();
    void ServeRequests();
    void ShowImageCursor(const win::user::IconImage& image);
    void Wake();

    Screen& screen;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> running{false};
    std::atomic<bool> dirty{true};
    Uint32 wakeEvent = 0;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    LONG textureWidth = 0;
    LONG textureHeight = 0;
    std::array<SDL_Cursor*, SDL_NUM_SYSTEM_CURSORS> cursors{};
    SDL_Cursor* imageCursor = nullptr; // the program's own cursor shown now
    // The desktop has no task bar: a minimized main window minimizes the
    // SDL window, and restoring that restores the main window.
    bool mainMinimized = false;

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
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        OutputDebugStringA((std::string("display: SDL video is not available: ") + SDL_GetError() + "\n").c_str());
        if (SDL_WasInit(0) == 0)
            SDL_Quit();
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
    window = SDL_CreateWindow("Kestrelon", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kMinimumWidth,
                              kMinimumHeight, SDL_WINDOW_RESIZABLE);
    if (window)
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (window && !renderer)
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    wakeEvent = SDL_RegisterEvents(1);
    if (!window || !renderer || wakeEvent == static_cast<Uint32>(-1)) {
        OutputDebugStringA((std::string("display: cannot open the SDL window: ") + SDL_GetError() + "\n").c_str());
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
    for (SDL_Cursor*& cursor : cursors) {
        if (cursor)
            SDL_FreeCursor(cursor);
        cursor = nullptr;
    }
    if (texture)
        SDL_DestroyTexture(texture);
    if (renderer)
        SDL_DestroyRenderer(renderer);
    if (window)
        SDL_DestroyWindow(window);
    texture = nullptr;
    renderer = nullptr;
    window = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // Other layers may still use SDL (sound); the last one out frees it all.
    if (SDL_WasInit(0) == 0)
        SDL_Quit();
}

void SdlBackend::Impl::Present()
{
    std::lock_guard<std::mutex> guard(screen.lock);
    Desktop& desktop = screen.desktop;
    desktop.Compose();
    if (desktop.Width() != textureWidth || desktop.Height() != textureHeight || !texture) {
        if (texture)
            SDL_DestroyTexture(texture);
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, desktop.Width(),
                                    desktop.Height());
        textureWidth = desktop.Width();
        textureHeight = desktop.Height();
        // Mouse coordinates then arrive in desktop pixels, whatever the window's size.
        SDL_RenderSetLogicalSize(renderer, textureWidth, textureHeight);
    }
    if (!texture)
        return;
    SDL_UpdateTexture(texture, nullptr, desktop.Pixels().data(), static_cast<int>(desktop.Width() * 4));
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
    HWND main = win::user::GetMainWindow();
    const bool minimized = main && IsIconic(main);
    if (minimized && !mainMinimized)
        SDL_MinimizeWindow(window);
    mainMinimized = minimized;
}

void SdlBackend::Impl::Handle(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_MOUSEMOTION:
        win::user::InjectMouseMove(POINT{event.motion.x, event.motion.y});
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (auto button = ButtonFor(event.button.button))
            win::user::InjectMouseButton(*button, event.type == SDL_MOUSEBUTTONDOWN,
                                         POINT{event.button.x, event.button.y});
        break;
    case SDL_MOUSEWHEEL: {
        POINT at{};
        GetCursorPos(&at);
        int delta = event.wheel.y * WHEEL_DELTA * (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1);
        if (delta)
            win::user::InjectMouseWheel(at, delta);
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
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            win::user::RequestClose();
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            win::user::SetScreenSize(std::max(event.window.data1, kMinimumWidth),
                                     std::max(event.window.data2, kMinimumHeight));
            dirty = true;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            win::user::DesktopFocusChanged(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            win::user::DesktopFocusChanged(false);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            dirty = true;
            break;
        case SDL_WINDOWEVENT_RESTORED:
            // Posted, not sent: this thread never waits for a window thread.
            if (HWND main = win::user::GetMainWindow(); main && IsIconic(main))
                PostMessageA(main, WM_SYSCOMMAND, SC_RESTORE, 0);
            dirty = true;
            break;
        default:
            break;
        }
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
    if (warp) {
        int x = 0;
        int y = 0;
        SDL_RenderLogicalToWindow(renderer, static_cast<float>(warp->x), static_cast<float>(warp->y), &x, &y);
        SDL_WarpMouseInWindow(window, x, y);
    }
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
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window, &width, &height);
    win::user::SetScreenSize(std::max(width, kMinimumWidth), std::max(height, kMinimumHeight));
    running = true;
    started->set_value(true);
    while (!stop) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, kIdleWaitMs)) {
            Handle(event);
            while (SDL_PollEvent(&event))
                Handle(event);
        }
        ServeRequests();
        if (dirty.exchange(false))
            Present();
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

SdlBackend::SdlBackend(Screen& screen) : m_impl(std::make_unique<Impl>(screen)) {}

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
