// The sdl back end against a virtual X server of the test's own: each
// top-level window is a native window, as the X server and a window manager
// see it, and what they do to it comes back to the window system.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Display/Display.h"
#include "Platform/Display/testing/ScopedEnvironment.h"
#include "Platform/Display/testing/XServer.h"
#include "Platform/Win/Kernel/Memory.h"
#include "Platform/Win/User/Clipboard.h"
#include "Platform/Win/User/Extensions.h"
#include "Platform/Win/User/ModalLoop.h"
#include "Platform/Win/User/User.h"

namespace {

using display_test::XServer;
using display_test::XWindowInfo;

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;
constexpr COLORREF kBackground = RGB(30, 160, 90);
constexpr auto kPatience = std::chrono::seconds(10);

struct Logged {
    HWND window;
    UINT message;
    WPARAM wParam;
};

std::mutex g_logLock;
std::vector<Logged> g_log;
// Per window, whether WM_CLOSE is kept from destroying it; per window, the
// answer to WM_NCHITTEST at a client point when it is not HTCLIENT.
std::function<LRESULT(HWND, POINT)> g_hitTest;
// The colour windows that draw their own frame paint their non-client area in.
constexpr COLORREF kOwnFrame = RGB(200, 40, 160);

// Paints the non-client area in kOwnFrame, the client clipped out.
void PaintOwnFrame(HWND window)
{
    RECT outer{};
    GetWindowRect(window, &outer);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT client{};
    GetClientRect(window, &client);
    OffsetRect(&client, origin.x - outer.left, origin.y - outer.top);
    HDC dc = GetWindowDC(window);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    HBRUSH brush = CreateSolidBrush(kOwnFrame);
    RECT all{0, 0, outer.right - outer.left, outer.bottom - outer.top};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

LRESULT CALLBACK LoggingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    {
        std::lock_guard<std::mutex> guard(g_logLock);
        g_log.push_back(Logged{window, message, wParam});
    }
    if ((message == WM_NCPAINT || message == WM_NCACTIVATE) && GetPropA(window, "OwnFrame")) {
        LRESULT result = message == WM_NCPAINT ? 0 : DefWindowProcA(window, message, wParam, lParam);
        PaintOwnFrame(window);
        return result;
    }
    if (message == WM_NCHITTEST && g_hitTest) {
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(window, &at);
        if (LRESULT hit = g_hitTest(window, at))
            return hit;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

const char* LoggingClass()
{
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = LoggingProc;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = CreateSolidBrush(kBackground);
        wc.lpszClassName = "NativeLogging";
        return RegisterClassA(&wc) != 0;
    }();
    return registered ? "NativeLogging" : nullptr;
}

std::vector<UINT> MessagesOf(HWND window)
{
    std::lock_guard<std::mutex> guard(g_logLock);
    std::vector<UINT> out;
    for (const Logged& entry : g_log)
        if (entry.window == window)
            out.push_back(entry.message);
    return out;
}

bool Received(HWND window, UINT message)
{
    std::vector<UINT> messages = MessagesOf(window);
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Pumps this thread's messages until `done` holds, or gives up.
bool PumpUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        Pump();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Pump();
    return done();
}

// Pumps until the window's rectangle on screen is `expected`.
bool WindowRectBecomes(HWND window, RECT expected)
{
    return PumpUntil([&] {
        RECT r{};
        GetWindowRect(window, &r);
        return r.left == expected.left && r.top == expected.top && r.right == expected.right &&
               r.bottom == expected.bottom;
    });
}

class NativeWindows : public testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        m_x = XServer::Start(kScreenWidth, kScreenHeight, &why);
        if (!m_x)
            GTEST_SKIP() << "no virtual X server could start: " << why;
        m_environment.Set("DISPLAY", m_x->Name().c_str());
        m_environment.Set("WAYLAND_DISPLAY", nullptr);
        m_environment.Set("SDL_VIDEODRIVER", "x11");
        // The virtual X server has no graphics card: SDL's software renderer
        // draws without GLX, whose contexts a loaded machine can lose.
        m_environment.Set("SDL_RENDER_DRIVER", "software");
        // Nor does the window surface go through a GL texture.
        m_environment.Set("SDL_FRAMEBUFFER_ACCELERATION", "0");
        ASSERT_TRUE(display::Start(display::Backend::Sdl)) << "SDL opens no display on " << m_x->Name();
        ASSERT_NE(LoggingClass(), nullptr);
        std::lock_guard<std::mutex> guard(g_logLock);
        g_log.clear();
    }

    void TearDown() override
    {
        g_hitTest = nullptr;
        for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it)
            if (IsWindow(*it))
                DestroyWindow(*it);
        Pump();
        display::Stop();
        m_x.reset();
    }

    HWND Make(const char* title, DWORD style, RECT r, HWND owner = nullptr, DWORD exStyle = 0)
    {
        HWND window = CreateWindowExA(exStyle, LoggingClass(), title, style, r.left, r.top, r.right - r.left,
                                      r.bottom - r.top, owner, nullptr, nullptr, nullptr);
        EXPECT_NE(window, nullptr);
        m_windows.push_back(window);
        return window;
    }

    // The native window of that title once it is shown with `check` true.
    std::optional<XWindowInfo> Native(const std::string& title,
                                      const std::function<bool(const XWindowInfo&)>& check = nullptr)
    {
        std::optional<XWindowInfo> found;
        PumpUntil([&] {
            found = m_x->FindByTitle(title);
            return found && found->viewable && (!check || check(*found));
        });
        return found;
    }

    std::unique_ptr<XServer> m_x;

private:
    display_test::ScopedEnvironment m_environment;
    std::vector<HWND> m_windows;
};

TEST_F(NativeWindows, TopLevelWindowAndItsDialogAreTwoNativeWindows)
{
    HWND main = Make("Native Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 80, 740, 560});
    HWND dialog = Make("Native Dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, RECT{200, 150, 500, 350},
                       main);
    auto mainNative = Native("Native Main");
    auto dialogNative = Native("Native Dialog");
    ASSERT_TRUE(mainNative);
    ASSERT_TRUE(dialogNative);
    struct Case {
        HWND window;
        XWindowInfo native;
        RECT expected;
    };
    for (const Case& c : {Case{main, *mainNative, RECT{100, 80, 740, 560}},
                          Case{dialog, *dialogNative, RECT{200, 150, 500, 350}}}) {
        EXPECT_EQ(c.native.x, c.expected.left) << c.native.title;
        EXPECT_EQ(c.native.y, c.expected.top) << c.native.title;
        EXPECT_EQ(c.native.width, c.expected.right - c.expected.left) << c.native.title;
        EXPECT_EQ(c.native.height, c.expected.bottom - c.expected.top) << c.native.title;
        EXPECT_FALSE(c.native.overrideRedirect) << c.native.title;
        EXPECT_EQ(c.native.decorations, 1u) << c.native.title << ": the window manager decorates it";
        RECT client{};
        GetClientRect(c.window, &client);
        EXPECT_EQ(client.right, c.expected.right - c.expected.left) << "no caption or frame of our own";
        EXPECT_EQ(client.bottom, c.expected.bottom - c.expected.top) << "no caption or frame of our own";
    }
    EXPECT_EQ(dialogNative->transientFor, mainNative->id) << "the dialog stays above its owner";
}

TEST_F(NativeWindows, CaptionedWindowsHaveNoFrameOfTheirOwn)
{
    RECT adjusted{0, 0, 300, 200};
    AdjustWindowRectEx(&adjusted, WS_OVERLAPPEDWINDOW, FALSE, 0);
    EXPECT_EQ(adjusted.left, 0);
    EXPECT_EQ(adjusted.top, 0);
    EXPECT_EQ(adjusted.right, 300);
    EXPECT_EQ(adjusted.bottom, 200);
    HWND main = Make("Native Painted", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{50, 50, 450, 350});
    auto native = Native("Native Painted");
    ASSERT_TRUE(native);
    EXPECT_TRUE(PumpUntil([&] { return m_x->Pixel(native->id, 2, 2) == 0x1EA05A; }))
        << "the top-left corner shows the client's background, not a caption";
    EXPECT_EQ(SendMessageA(main, WM_NCHITTEST, 0, MAKELPARAM(52, 52)), HTCLIENT);
}

TEST_F(NativeWindows, DrawingReachesTheNativeWindow)
{
    HWND main = Make("Native Drawn", WS_POPUP | WS_VISIBLE, RECT{60, 60, 360, 260});
    auto native = Native("Native Drawn");
    ASSERT_TRUE(native);
    ASSERT_TRUE(PumpUntil([&] { return m_x->Pixel(native->id, 150, 100) == 0x1EA05A; }));
    HDC dc = GetDC(main);
    RECT part{100, 50, 200, 150};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 230));
    FillRect(dc, &part, blue);
    DeleteObject(blue);
    ReleaseDC(main, dc);
    EXPECT_TRUE(PumpUntil([&] { return m_x->Pixel(native->id, 150, 100) == 0x0000E6; }));
    EXPECT_EQ(m_x->Pixel(native->id, 20, 20), 0x1EA05Au) << "only what was drawn changed";
}

TEST_F(NativeWindows, MovingTheNativeWindowMovesTheUserWindow)
{
    HWND main = Make("Native Moved", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
    auto native = Native("Native Moved");
    ASSERT_TRUE(native);
    m_x->Move(native->id, 320, 240);
    EXPECT_TRUE(WindowRectBecomes(main, RECT{320, 240, 720, 540}));
    EXPECT_TRUE(Received(main, WM_WINDOWPOSCHANGING));
    EXPECT_TRUE(Received(main, WM_MOVE));

    m_x->Resize(native->id, 500, 350);
    EXPECT_TRUE(PumpUntil([&] {
        RECT r{};
        GetClientRect(main, &r);
        return r.right == 500 && r.bottom == 350;
    }));
    EXPECT_TRUE(Received(main, WM_GETMINMAXINFO));
    EXPECT_TRUE(Received(main, WM_SIZE));
}

TEST_F(NativeWindows, MoveWindowMovesTheNativeWindow)
{
    HWND main = Make("Native Placed", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
    ASSERT_TRUE(Native("Native Placed"));
    MoveWindow(main, 40, 30, 600, 450, TRUE);
    EXPECT_TRUE(Native("Native Placed", [](const XWindowInfo& w) {
        return w.x == 40 && w.y == 30 && w.width == 600 && w.height == 450;
    }));
}

TEST_F(NativeWindows, SelfFramedWindowMovesByItsOwnHitTest)
{
    g_hitTest = [](HWND, POINT at) -> LRESULT { return at.y < 20 ? HTCAPTION : 0; };
    HWND panel = Make("Native Panel", WS_POPUP | WS_VISIBLE, RECT{200, 200, 500, 400});
    auto native = Native("Native Panel");
    ASSERT_TRUE(native);
    EXPECT_FALSE(native->decorations.value_or(1)) << "it draws its own frame";
    display::PressMouse(display::Button::Left, POINT{250, 210});
    display::MoveMouse(POINT{300, 260});
    display::ReleaseMouse(display::Button::Left, POINT{350, 310});
    EXPECT_TRUE(Native("Native Panel", [](const XWindowInfo& w) { return w.x == 300 && w.y == 300; }));
    EXPECT_TRUE(WindowRectBecomes(panel, RECT{300, 300, 600, 500}));
}

TEST_F(NativeWindows, ACaptionedWindowDrawingItsOwnFrameIsBorderlessAndMovesByItsCaption)
{
    struct Case {
        const char* title;
        bool own;         // declares its frame its own
        bool beforeShown; // before it is first shown, or once it is on screen
    };
    const Case cases[] = {
        {"Native Own Frame", true, true},
        {"Native Own Later", true, false},
        {"Native Wm Frame", false, true},
    };
    const int frame = GetSystemMetrics(SM_CYDLGFRAME);
    const int captionHeight = GetSystemMetrics(SM_CYCAPTION);
    LONG left = 100;
    for (const Case& c : cases) {
        const RECT placed{left, 200, left + 300, 400};
        left += 350;
        HWND dialog = Make(c.title, WS_POPUP | WS_CAPTION, placed, nullptr, WS_EX_DLGMODALFRAME);
        SetPropA(dialog, "OwnFrame", reinterpret_cast<HANDLE>(1));
        if (c.own && c.beforeShown) {
            ASSERT_TRUE(win::user::SetOwnFrame(dialog, true)) << c.title;
        }
        ShowWindow(dialog, SW_SHOW);
        ASSERT_TRUE(Native(c.title)) << c.title;
        if (c.own && !c.beforeShown) {
            ASSERT_TRUE(win::user::SetOwnFrame(dialog, true)) << c.title;
        }
        const unsigned long decorations = c.own ? 0 : 1;
        auto native = Native(c.title, [&](const XWindowInfo& w) { return w.decorations == decorations; });
        ASSERT_TRUE(native) << c.title;
        EXPECT_EQ(native->decorations, decorations) << c.title;
        RECT window{};
        GetWindowRect(dialog, &window);
        POINT client{0, 0};
        ClientToScreen(dialog, &client);
        if (!c.own) {
            EXPECT_EQ(client.y, window.top) << c.title << ": the window manager's caption, none of ours";
            continue;
        }
        EXPECT_EQ(client.y - window.top, frame + captionHeight) << c.title << ": a caption band of its own";
        EXPECT_EQ(client.x, placed.left) << c.title << ": the client stays where it was";
        EXPECT_EQ(client.y, placed.top) << c.title;
        const int x = 150;
        const int y = frame + captionHeight / 2;
        EXPECT_TRUE(PumpUntil([&] { return m_x->Pixel(native->id, x, y) == 0xC828A0; }))
            << c.title << ": what it paints in its caption band is on screen";
        const POINT press{window.left + x, window.top + y};
        display::PressMouse(display::Button::Left, press);
        display::MoveMouse(POINT{press.x + 30, press.y + 40});
        display::ReleaseMouse(display::Button::Left, POINT{press.x + 40, press.y + 60});
        const RECT moved = {window.left + 40, window.top + 60, window.right + 40, window.bottom + 60};
        EXPECT_TRUE(WindowRectBecomes(dialog, moved)) << c.title << ": its caption moves it";
        EXPECT_TRUE(Native(c.title, [&](const XWindowInfo& w) { return w.x == moved.left && w.y == moved.top; }))
            << c.title << ": and its native window";
    }
}

TEST_F(NativeWindows, ModalDialogDisablesItsOwner)
{
    HWND owner = Make("Native Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 700, 500});
    ASSERT_TRUE(Native("Native Owner"));
    std::optional<win::ModalLoop> modal(std::in_place, owner);
    HWND dialog = Make("Native Modal", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, RECT{250, 200, 550, 400},
                       owner);
    auto ownerNative = Native("Native Owner");
    auto dialogNative = Native("Native Modal");
    ASSERT_TRUE(ownerNative && dialogNative);
    EXPECT_FALSE(IsWindowEnabled(owner));
    EXPECT_EQ(dialogNative->transientFor, ownerNative->id);

    // The window manager focuses the owner: the dialog takes the focus.
    m_x->Focus(ownerNative->id);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == dialog && m_x->FocusedWindow() == dialogNative->id; }));
    // Its close box does nothing while the dialog runs; the dialog's move,
    // asked after it, shows that the request has been handled.
    m_x->RequestClose(ownerNative->id);
    m_x->Move(dialogNative->id, 260, 210);
    EXPECT_TRUE(WindowRectBecomes(dialog, RECT{260, 210, 560, 410}));
    EXPECT_FALSE(Received(owner, WM_SYSCOMMAND));
    EXPECT_FALSE(Received(owner, WM_CLOSE));

    DestroyWindow(dialog);
    modal.reset();
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(NativeWindows, WindowManagerCloseRequestEndsInWmClose)
{
    HWND main = Make("Native Closed", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
    auto native = Native("Native Closed");
    ASSERT_TRUE(native);
    m_x->RequestClose(native->id);
    EXPECT_TRUE(PumpUntil([&] { return Received(main, WM_CLOSE); }));
    std::vector<UINT> messages = MessagesOf(main);
    auto command = std::find(messages.begin(), messages.end(), static_cast<UINT>(WM_SYSCOMMAND));
    auto close = std::find(messages.begin(), messages.end(), static_cast<UINT>(WM_CLOSE));
    EXPECT_LT(command, close) << "through the system menu's close command";
    EXPECT_FALSE(IsWindow(main)) << "DefWindowProc destroys it";
    EXPECT_TRUE(PumpUntil([&] { return !m_x->FindByTitle("Native Closed"); }));
}

TEST_F(NativeWindows, PopupKindsGetTheirDecorations)
{
    HWND main = Make("Native Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 600, 500});
    ASSERT_TRUE(Native("Native Frame"));
    struct Case {
        const char* title;
        DWORD style;
        DWORD exStyle;
        bool overrideRedirect;
        unsigned long decorations;
        const char* windowType;
    };
    const Case cases[] = {
        {"Native Menu", WS_POPUP | WS_BORDER | WS_VISIBLE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, true,
         0, "_NET_WM_WINDOW_TYPE_POPUP_MENU"},
        {"Native Skinned", WS_POPUP | WS_VISIBLE, 0, false, 0, "_NET_WM_WINDOW_TYPE_NORMAL"},
        {"Native Captioned", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, false, 1, "_NET_WM_WINDOW_TYPE_NORMAL"},
    };
    for (const Case& c : cases) {
        Make(c.title, c.style, RECT{150, 150, 300, 300}, main, c.exStyle);
        auto native = Native(c.title);
        ASSERT_TRUE(native) << c.title;
        EXPECT_EQ(native->overrideRedirect, c.overrideRedirect) << c.title;
        EXPECT_EQ(native->decorations, c.decorations) << c.title;
        EXPECT_EQ(native->windowType, c.windowType) << c.title;
    }
}

TEST_F(NativeWindows, RetitlingTheWindowRetitlesTheNativeWindow)
{
    HWND main = Make("Native Titled", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
    ASSERT_TRUE(Native("Native Titled"));
    SetWindowTextA(main, "Native Retitled");
    EXPECT_TRUE(Native("Native Retitled"));
}

TEST_F(NativeWindows, FocusFollowsActivationBothWays)
{
    HWND first = Make("Native First", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
    HWND second = Make("Native Second", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{600, 100, 1000, 400});
    auto firstNative = Native("Native First");
    auto secondNative = Native("Native Second");
    ASSERT_TRUE(firstNative && secondNative);
    // The second window was activated last; on a loaded machine its native
    // window may take the focus only after the server gave it to the first,
    // so the server gives it again while the focus is elsewhere, as a user
    // clicks once more.
    EXPECT_TRUE(PumpUntil([&] {
        if (m_x->FocusedWindow() != firstNative->id)
            m_x->Focus(firstNative->id);
        return GetActiveWindow() == first && GetFocus() == first;
    }));
    SetActiveWindow(second);
    EXPECT_TRUE(PumpUntil([&] { return m_x->FocusedWindow() == secondNative->id; }));
}

TEST_F(NativeWindows, WindowManagerMaximizeAndRestoreReachTheUserWindow)
{
    HWND main = Make("Native Zoomed", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
    auto native = Native("Native Zoomed");
    ASSERT_TRUE(native);
    // Maximized below a panel 30 pixels high, as a window manager would.
    m_x->SetWindowState(native->id, {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"});
    m_x->Move(native->id, 0, 30);
    m_x->Resize(native->id, kScreenWidth, kScreenHeight - 30);
    EXPECT_TRUE(WindowRectBecomes(main, RECT{0, 30, kScreenWidth, kScreenHeight}));
    EXPECT_TRUE(IsZoomed(main));
    m_x->SetWindowState(native->id, {});
    m_x->Move(native->id, 100, 100);
    m_x->Resize(native->id, 400, 300);
    EXPECT_TRUE(WindowRectBecomes(main, RECT{100, 100, 500, 400}));
    EXPECT_FALSE(IsZoomed(main));
}

TEST_F(NativeWindows, HiddenAndDestroyedWindowsLeaveTheScreen)
{
    HWND main = Make("Native Hidden", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
    ASSERT_TRUE(Native("Native Hidden"));
    ShowWindow(main, SW_HIDE);
    EXPECT_TRUE(PumpUntil([&] {
        auto native = m_x->FindByTitle("Native Hidden");
        return native && !native->viewable;
    }));
    ShowWindow(main, SW_SHOW);
    EXPECT_TRUE(Native("Native Hidden"));
    DestroyWindow(main);
    EXPECT_TRUE(PumpUntil([&] { return !m_x->FindByTitle("Native Hidden"); }));
}

TEST_F(NativeWindows, ScreenMetricsComeFromTheDisplay)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), kScreenWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), kScreenHeight);
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.right - work.left, kScreenWidth) << "no panels on this display";
    EXPECT_EQ(work.bottom - work.top, kScreenHeight);
}

TEST_F(NativeWindows, SetCursorPosMovesThePointer)
{
    SetCursorPos(1100, 900);
    long x = 0;
    long y = 0;
    EXPECT_TRUE(PumpUntil([&] { return m_x->PointerAt(&x, &y) && x == 1100 && y == 900; }));
}

TEST_F(NativeWindows, ClipboardTextGoesToTheDesktop)
{
    HWND main = Make("Native Clipboard", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
    ASSERT_TRUE(OpenClipboard(main));
    EmptyClipboard();
    const char text[] = "shared";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    std::memcpy(GlobalLock(memory), text, sizeof text);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
    EXPECT_TRUE(PumpUntil([&] { return m_x->ClipboardOwned(); }));
}

} // namespace
