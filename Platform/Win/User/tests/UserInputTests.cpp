#include <gtest/gtest.h>

#include "Platform/Win/User/tests/UserTestSupport.h"

namespace {

using namespace user_test;
using win::user::InjectKey;
using win::user::InjectMouseButton;
using win::user::InjectMouseMove;
using win::user::InjectMouseWheel;
using win::user::MouseButton;

class UserInput : public UserTest {};

void Click(POINT at, DWORD time = 0, MouseButton button = MouseButton::Left)
{
    InjectMouseButton(button, true, at, time);
    InjectMouseButton(button, false, at, time);
}

// A popup at (100, 100) of 300 x 200 with two children side by side.
struct TwoChildren {
    HWND top;
    HWND left;
    HWND right;
};

TwoChildren MakeTwoChildren()
{
    TwoChildren made{};
    made.top = MakeTopLevel(RECT{100, 100, 400, 300});
    made.left = MakeChild(made.top, RECT{10, 10, 110, 90}, 1);
    made.right = MakeChild(made.top, RECT{150, 10, 250, 90}, 2);
    PumpUntilIdle();
    ClearLog();
    return made;
}

TEST_F(UserInput, ClickReachesTheChildUnderThePointInClientCoordinates)
{
    TwoChildren w = MakeTwoChildren();
    Click(POINT{100 + 150 + 5, 100 + 10 + 7});
    PumpUntilIdle();
    EXPECT_EQ(MessagesOf(w.right, {WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONDOWN, WM_LBUTTONUP}),
              (std::vector<UINT>{WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONDOWN, WM_NCHITTEST, WM_SETCURSOR,
                                 WM_LBUTTONUP}));
    EXPECT_TRUE(MessagesOf(w.left, {WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
    auto downs = ReceivedOf(WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].lParam, MAKELPARAM(5, 7));
    EXPECT_EQ(downs[0].wParam, MK_LBUTTON);
    EXPECT_EQ(ReceivedOf(WM_LBUTTONUP)[0].wParam, 0u);
    auto notices = ReceivedOf(WM_PARENTNOTIFY);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].window, w.top);
    EXPECT_EQ(notices[0].lParam, MAKELPARAM(155, 17));
}

TEST_F(UserInput, CaptureRedirectsTheMouseUntilReleased)
{
    TwoChildren w = MakeTwoChildren();
    EXPECT_EQ(SetCapture(w.left), nullptr);
    EXPECT_EQ(GetCapture(), w.left);
    Click(POINT{100 + 150 + 5, 100 + 10 + 7});
    PumpUntilIdle();
    EXPECT_TRUE(MessagesOf(w.right, {WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
    auto downs = ReceivedOf(WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].window, w.left);
    EXPECT_EQ(downs[0].lParam, MAKELPARAM(145, 7)) << "coordinates of the capturing window";
    EXPECT_TRUE(MessagesOf(w.left, {WM_NCHITTEST, WM_SETCURSOR}).empty()) << "no hit test under capture";
    ClearLog();
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(MessagesOf(w.left, {WM_CAPTURECHANGED}).size(), 1u);
    Click(POINT{100 + 150 + 5, 100 + 10 + 7});
    PumpUntilIdle();
    EXPECT_EQ(MessagesOf(w.right, {WM_LBUTTONDOWN}).size(), 1u);
}

TEST_F(UserInput, DoubleClicksNeedTimeDistanceAndTheClassStyle)
{
    struct Case {
        DWORD gap;
        LONG dx;
        UINT classStyle;
        UINT second;
    };
    const Case cases[] = {
        {100, 0, CS_DBLCLKS, WM_LBUTTONDBLCLK},
        {100, 2, CS_DBLCLKS, WM_LBUTTONDBLCLK},
        {600, 0, CS_DBLCLKS, WM_LBUTTONDOWN},
        {100, 10, CS_DBLCLKS, WM_LBUTTONDOWN},
        {100, 0, 0, WM_LBUTTONDOWN},
    };
    for (const Case& c : cases) {
        HWND w = MakeTopLevel(RECT{0, 0, 100, 100}, WS_POPUP | WS_VISIBLE, RecordingClass(c.classStyle));
        PumpUntilIdle();
        ClearLog();
        const DWORD start = 1000000;
        Click(POINT{20, 20}, start);
        Click(POINT{20 + c.dx, 20}, start + c.gap);
        PumpUntilIdle();
        EXPECT_EQ(MessagesOf(w, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}), (std::vector<UINT>{WM_LBUTTONDOWN, c.second}))
            << "gap " << c.gap << " dx " << c.dx << " style " << c.classStyle;
        DestroyWindow(w);
        PumpUntilIdle();
    }
}

TEST_F(UserInput, CaptionClickIsANonClientMessageWithItsHitCode)
{
    HWND w = CreateWindowExA(0, RecordingClass(), "framed", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 50, 50, 200, 100,
                             nullptr, nullptr, nullptr, nullptr);
    PumpUntilIdle();
    ClearLog();
    Click(POINT{120, 50 + GetSystemMetrics(SM_CYDLGFRAME) + 5});
    PumpUntilIdle();
    auto downs = ReceivedOf(WM_NCLBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].window, w);
    EXPECT_EQ(downs[0].wParam, static_cast<WPARAM>(HTCAPTION));
    EXPECT_EQ(downs[0].lParam, MAKELPARAM(120, 58)) << "screen coordinates";
    EXPECT_TRUE(ReceivedOf(WM_LBUTTONDOWN).empty());
}

TEST_F(UserInput, CaptionDragMovesTheWindowAndTheCloseBoxClosesIt)
{
    HWND w = CreateWindowExA(0, RecordingClass(), "framed", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 50,
                             50, 200, 100, nullptr, nullptr, nullptr, nullptr);
    PumpUntilIdle();
    InjectMouseButton(MouseButton::Left, true, POINT{100, 58});
    InjectMouseMove(POINT{130, 78});
    InjectMouseButton(MouseButton::Left, false, POINT{130, 78});
    PumpUntilIdle();
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 80);
    EXPECT_EQ(r.top, 70);
    EXPECT_EQ(GetCapture(), nullptr) << "the drag gave the capture back";
    // The close box sits at the right end of the caption.
    const int frame = GetSystemMetrics(SM_CXDLGFRAME);
    POINT closeBox{r.right - frame - 10, r.top + frame + 8};
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(closeBox.x, closeBox.y)), HTCLOSE);
    ClearLog();
    Click(closeBox);
    PumpUntilIdle();
    EXPECT_FALSE(IsWindow(w));
    auto commands = ReceivedOf(WM_SYSCOMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, SC_CLOSE);
}

TEST_F(UserInput, APressTheWindowCapturedOnItsCaptionIsTrackedByTheWindow)
{
    // A skinned window whose close box of its own is the caption's right end.
    HWND w = CreateWindowExA(0, RecordingClass(), "skinned", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 50, 200, 100,
                             nullptr, nullptr, nullptr, nullptr);
    React(w, [](HWND window, UINT m, WPARAM wParam, LPARAM lParam, LRESULT* result) {
        if (m != WM_NCLBUTTONDOWN)
            return false;
        RECT r{};
        GetWindowRect(window, &r);
        if (wParam == HTCAPTION && GET_X_LPARAM(lParam) >= r.right - 30)
            SetCapture(window);
        *result = DefWindowProcA(window, m, wParam, lParam);
        return true;
    });
    PumpUntilIdle();
    ClearLog();
    const LONG caption = 50 + GetSystemMetrics(SM_CYDLGFRAME) + 5;
    InjectMouseButton(MouseButton::Left, true, POINT{235, caption});
    InjectMouseMove(POINT{240, caption + 20});
    InjectMouseButton(MouseButton::Left, false, POINT{240, caption + 20});
    PumpUntilIdle();
    EXPECT_EQ(MessagesOf(w, {WM_NCLBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}),
              (std::vector<UINT>{WM_NCLBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 50) << "no move loop took the press";
    EXPECT_EQ(r.top, 50);
    ReleaseCapture();

    // Elsewhere on the caption the window does not capture: the press moves it.
    InjectMouseButton(MouseButton::Left, true, POINT{120, caption});
    InjectMouseMove(POINT{140, caption + 10});
    InjectMouseButton(MouseButton::Left, false, POINT{140, caption + 10});
    PumpUntilIdle();
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 70);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(UserInput, ClicksPassDisabledAndTransparentChildrenToWhatIsBelow)
{
    TwoChildren w = MakeTwoChildren();
    EnableWindow(w.left, FALSE);
    React(w.right, [](HWND, UINT m, WPARAM, LPARAM, LRESULT* result) {
        *result = HTTRANSPARENT;
        return m == WM_NCHITTEST;
    });
    ClearLog();
    Click(POINT{100 + 20, 100 + 20});
    Click(POINT{100 + 160, 100 + 20});
    PumpUntilIdle();
    auto downs = ReceivedOf(WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0].window, w.top);
    EXPECT_EQ(downs[1].window, w.top);
    EXPECT_EQ(downs[1].lParam, MAKELPARAM(160, 20));
}

TEST_F(UserInput, ClickOnAnInactiveWindowActivatesItFirst)
{
    HWND back = MakeTopLevel(RECT{0, 0, 100, 100});
    HWND front = MakeTopLevel(RECT{200, 0, 300, 100});
    PumpUntilIdle();
    EXPECT_EQ(GetActiveWindow(), front);
    ClearLog();
    Click(POINT{50, 50});
    PumpUntilIdle();
    EXPECT_EQ(GetActiveWindow(), back);
    EXPECT_EQ(GetFocus(), back);
    EXPECT_EQ(MessagesOf(back, {WM_MOUSEACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_SETCURSOR, WM_LBUTTONDOWN}),
              (std::vector<UINT>{WM_MOUSEACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_SETCURSOR, WM_LBUTTONDOWN,
                                 WM_SETCURSOR}));
    auto activations = ReceivedOf(WM_ACTIVATE);
    ASSERT_EQ(activations.size(), 2u);
    EXPECT_EQ(activations[0].window, front);
    EXPECT_EQ(LOWORD(activations[0].wParam), WA_INACTIVE);
    EXPECT_EQ(LOWORD(activations[1].wParam), WA_CLICKACTIVE);
    EXPECT_EQ(activations[1].lParam, reinterpret_cast<LPARAM>(front));
    EXPECT_EQ(GetTopWindow(nullptr), back);
}

TEST_F(UserInput, KeysGoToTheFocusWindowAndTranslateToCharacters)
{
    TwoChildren w = MakeTwoChildren();
    ASSERT_EQ(SetFocus(w.right), w.top);
    EXPECT_EQ(ReceivedOf(WM_KILLFOCUS).back().window, w.top);
    EXPECT_EQ(ReceivedOf(WM_SETFOCUS).back().window, w.right);
    ClearLog();
    InjectKey(VK_LSHIFT, true);
    InjectKey('A', true);
    InjectKey('A', false);
    InjectKey(VK_LSHIFT, false);
    InjectKey('1', true);
    InjectKey('1', false);
    PumpUntilIdle();
    auto keys = MessagesOf(w.right, {WM_KEYDOWN, WM_KEYUP, WM_CHAR});
    EXPECT_EQ(keys, (std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYUP, WM_KEYDOWN, WM_CHAR,
                                       WM_KEYUP}));
    std::string typed;
    for (const Received& r : ReceivedOf(WM_CHAR))
        typed += static_cast<char>(r.wParam);
    EXPECT_EQ(typed, "A1");
    auto downs = ReceivedOf(WM_KEYDOWN);
    ASSERT_EQ(downs.size(), 3u);
    EXPECT_EQ(downs[0].wParam, VK_SHIFT);
    EXPECT_EQ(downs[1].wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(downs[1].lParam, 0x001E0001) << "repeat 1, scan code 0x1E";
    EXPECT_EQ(static_cast<DWORD>(ReceivedOf(WM_KEYUP)[0].lParam), 0xC01E0001u) << "previous state and transition";
}

TEST_F(UserInput, KeyStateFollowsRetrievalAndAsyncStateFollowsInput)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    PumpUntilIdle();
    InjectKey(VK_CONTROL, true);
    EXPECT_TRUE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
    EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000) << "not until the message is taken";
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, w, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_TRUE(GetKeyState(VK_CONTROL) & 0x8000);
    InjectKey(VK_CONTROL, false);
    EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0) << "its press was reported already";
    InjectKey(VK_CONTROL, true);
    InjectKey(VK_CONTROL, false);
    EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 1) << "up, pressed since the last call";
    EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
}

TEST_F(UserInput, SwappedButtonsExchangeTheMessagesButNotThePhysicalState)
{
    TwoChildren w = MakeTwoChildren();
    EXPECT_EQ(GetSystemMetrics(SM_SWAPBUTTON), 0);
    EXPECT_TRUE(SystemParametersInfoA(SPI_SETMOUSEBUTTONSWAP, TRUE, nullptr, 0));
    EXPECT_EQ(GetSystemMetrics(SM_SWAPBUTTON), 1);
    const POINT at{100 + 10 + 5, 100 + 10 + 7};
    InjectMouseButton(MouseButton::Right, true, at);
    EXPECT_TRUE(GetAsyncKeyState(VK_RBUTTON) & 0x8000) << "the physical button, at once";
    EXPECT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
    PumpUntilIdle();
    auto downs = ReceivedOf(WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].window, w.left);
    EXPECT_EQ(downs[0].wParam, MK_LBUTTON);
    EXPECT_TRUE(ReceivedOf(WM_RBUTTONDOWN).empty());
    InjectMouseButton(MouseButton::Right, false, at);
    EXPECT_TRUE(SwapMouseButton(FALSE)) << "they were swapped";
    EXPECT_EQ(GetSystemMetrics(SM_SWAPBUTTON), 0);
    InjectMouseButton(MouseButton::Right, true, at);
    InjectMouseButton(MouseButton::Right, false, at);
    PumpUntilIdle();
    EXPECT_EQ(ReceivedOf(WM_RBUTTONDOWN).size(), 1u);
}

TEST_F(UserInput, WheelGoesToTheFocusWindow)
{
    TwoChildren w = MakeTwoChildren();
    SetFocus(w.left);
    ClearLog();
    InjectMouseWheel(POINT{100 + 160, 100 + 20}, -WHEEL_DELTA);
    PumpUntilIdle();
    auto wheels = ReceivedOf(WM_MOUSEWHEEL);
    ASSERT_FALSE(wheels.empty());
    EXPECT_EQ(wheels[0].window, w.left);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheels[0].wParam), -WHEEL_DELTA);
    EXPECT_EQ(wheels[0].lParam, MAKELPARAM(260, 120));
}

TEST_F(UserInput, MessageTimeAndPositionComeFromTheEvent)
{
    HWND w = MakeTopLevel(RECT{0, 0, 100, 100});
    PumpUntilIdle();
    InjectMouseMove(POINT{40, 30}, 123456);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, w, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    EXPECT_EQ(GetMessageTime(), 123456);
    EXPECT_EQ(GetMessagePos(), MAKELONG(40, 30));
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 40);
    RECT clip{10, 10, 20, 20};
    ClipCursor(&clip);
    SetCursorPos(100, 5);
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 19);
    EXPECT_EQ(cursor.y, 10);
    ClipCursor(nullptr);
}

TEST_F(UserInput, StockCursorsAndTheCurrentCursor)
{
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    ASSERT_TRUE(arrow);
    ASSERT_TRUE(wait);
    EXPECT_NE(arrow, wait);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
    SetCursor(arrow);
    EXPECT_EQ(SetCursor(wait), arrow);
    EXPECT_EQ(GetCursor(), wait);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
}

} // namespace
