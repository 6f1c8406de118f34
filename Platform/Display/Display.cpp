#include "Platform/Display/Display.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "Platform/Display/Backends.h"
#include "Platform/Display/PngFile.h"
#include "Platform/Win/Gdi/RectRegion.h"
#include "Platform/Win/Kernel/System.h"

namespace display {

namespace {

constexpr LONG kScreenWidth = 1024;
constexpr LONG kScreenHeight = 768;

struct DisplayState {
    std::mutex lock; // guards the back ends
    bool running = false;
    Backend current = Backend::Headless;
    detail::HeadlessBackend headless;
    std::unique_ptr<detail::SdlBackend> sdl;
    detail::Screen screen;
};

DisplayState& State()
{
    static auto* state = new DisplayState; // the sdl thread may outlive static destruction at exit
    return *state;
}

const char* Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

void StopLocked(DisplayState& state)
{
    if (!state.running)
        return;
    win::user::SetDesktopHost(nullptr);
    if (state.sdl) {
        state.sdl->Stop();
        state.sdl.reset();
    }
    state.running = false;
}

} // namespace

const char* BackendName(Backend backend) { return backend == Backend::Sdl ? "sdl" : "headless"; }

Backend ChooseBackend()
{
    if (const char* forced = Environment("KESTRELON_DISPLAY")) {
        if (std::strcmp(forced, "sdl") == 0)
            return Backend::Sdl;
        if (std::strcmp(forced, "headless") == 0)
            return Backend::Headless;
    }
    return Environment("DISPLAY") || Environment("WAYLAND_DISPLAY") ? Backend::Sdl : Backend::Headless;
}

bool Start(Backend backend)
{
    DisplayState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    StopLocked(state);
    if (backend == Backend::Sdl) {
        auto sdl = std::make_unique<detail::SdlBackend>();
        if (!sdl->Start())
            return false;
        state.sdl = std::move(sdl);
        win::user::SetDesktopHost(state.sdl.get());
    } else {
        win::user::SetScreenSize(kScreenWidth, kScreenHeight);
        win::user::SetDesktopHost(&state.headless);
    }
    state.current = backend;
    state.running = true;
    return true;
}

std::optional<Backend> StartChosen()
{
    Backend chosen = ChooseBackend();
    if (Start(chosen))
        return chosen;
    const char* forced = Environment("KESTRELON_DISPLAY");
    if (chosen == Backend::Sdl && !(forced && std::strcmp(forced, "sdl") == 0)) {
        OutputDebugStringA("display: no display server answered; running headless\n");
        if (Start(Backend::Headless))
            return Backend::Headless;
    }
    return std::nullopt;
}

void Stop()
{
    DisplayState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    StopLocked(state);
}

bool IsRunning()
{
    DisplayState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.running;
}

Backend CurrentBackend()
{
    DisplayState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.current;
}

SIZE DesktopSize() { return win::user::GetScreenSize(); }

COLORREF DesktopPixel(LONG x, LONG y)
{
    detail::Screen& screen = State().screen;
    std::lock_guard<std::mutex> guard(screen.lock);
    screen.desktop.Compose();
    return win::ColorFromPixel(screen.desktop.PixelAt(x, y));
}

bool SaveDesktopPng(const std::string& path)
{
    detail::Screen& screen = State().screen;
    std::lock_guard<std::mutex> guard(screen.lock);
    screen.desktop.Compose();
    const Desktop& desktop = screen.desktop;
    return WritePng(path, desktop.Pixels().data(), desktop.Width(), desktop.Height(),
                    static_cast<size_t>(desktop.Width()));
}

bool SaveWindowPng(HWND window, const std::string& path)
{
    std::shared_ptr<win::Surface> surface;
    RECT rect{};
    if (!win::user::WindowSurface(window, &surface, &rect))
        return false;
    std::vector<DWORD> pixels;
    LONG width = 0;
    LONG height = 0;
    {
        std::lock_guard<std::mutex> guard(surface->Mutex());
        RECT part = win::detail::IntersectRects(rect, RECT{0, 0, surface->Width(), surface->Height()});
        width = part.right - part.left;
        height = part.bottom - part.top;
        pixels.reserve(static_cast<size_t>(std::max<LONG>(width, 0)) * static_cast<size_t>(std::max<LONG>(height, 0)));
        for (LONG y = part.top; y < part.bottom; ++y)
            pixels.insert(pixels.end(), surface->Row(y) + part.left, surface->Row(y) + part.right);
    }
    return WritePng(path, pixels.data(), width, height, static_cast<size_t>(width));
}

void MoveMouse(POINT at) { win::user::InjectMouseMove(at); }

void PressMouse(Button button, POINT at) { win::user::InjectMouseButton(button, true, at); }

void ReleaseMouse(Button button, POINT at) { win::user::InjectMouseButton(button, false, at); }

void Click(Button button, POINT at)
{
    PressMouse(button, at);
    ReleaseMouse(button, at);
}

void Wheel(POINT at, int delta) { win::user::InjectMouseWheel(at, delta); }

void PressKey(UINT virtualKey) { win::user::InjectKey(virtualKey, true); }

void ReleaseKey(UINT virtualKey) { win::user::InjectKey(virtualKey, false); }

void TypeKey(UINT virtualKey)
{
    PressKey(virtualKey);
    ReleaseKey(virtualKey);
}

} // namespace display
