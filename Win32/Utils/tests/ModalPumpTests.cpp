#include "Win32/Utils/ModalPump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "Platform/Win/User/DesktopHost.h"

namespace {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
};

std::vector<Received>& ReceivedLog()
{
    static std::vector<Received> log;
    return log;
}

bool g_closePending = false;
HWND g_mainWindow = nullptr;
// The message whose handling marks a close as pending, as the main frame
// does when the user closes the program during long work.
constexpr UINT kMarkClosePending = WM_USER + 1;

MainWindowCloseState FakeMainWindow() { return MainWindowCloseState{g_mainWindow, g_closePending ? TRUE : FALSE}; }

bool HandledWithoutDefault(UINT message)
{
    // Input reaches DefWindowProc nowhere: a press on a caption would start
    // a window move.
    return message >= WM_USER || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK) || message == WM_DROPFILES ||
           message == WM_COMMAND || message == WM_TIMER;
}

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ReceivedLog().push_back(Received{window, message, wParam});
    if (message == kMarkClosePending)
        g_closePending = true;
    if (HandledWithoutDefault(message))
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

const char* PumpTestClass()
{
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = RecordingProc;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "ModalPumpTestWindow";
        EXPECT_NE(RegisterClassA(&wc), 0);
        return "ModalPumpTestWindow";
    }();
    return name;
}

bool Got(HWND window, UINT message)
{
    const auto& log = ReceivedLog();
    return std::any_of(log.begin(), log.end(),
                       [&](const Received& r) { return r.window == window && r.message == message; });
}

// Takes every message without the pump, so each test starts from an empty
// queue.
void DrainQueue()
{
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool QueueHolds(UINT message, WPARAM* wParam = nullptr)
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, message, message, PM_REMOVE))
        return false;
    if (wParam)
        *wParam = msg.wParam;
    return true;
}

// A watched top-level window at (100, 100)-(400, 300) holding an ordinary
// control (id 100) and the minimize control (id 40009).
class ModalPumpTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetMainWindowCloseQuery(FakeMainWindow);
        g_closePending = false;
        m_watched = CreateWindowExA(0, PumpTestClass(), "watched", WS_POPUP, 100, 100, 300, 200, nullptr, nullptr,
                                    nullptr, nullptr);
        ASSERT_NE(m_watched, nullptr);
        g_mainWindow = m_watched;
        m_control = MakeControl(100, 10);
        m_minimize = MakeControl(kPumpPassThroughControlId, 60);
        DrainQueue();
        ReceivedLog().clear();
    }
    void TearDown() override
    {
        DestroyWindow(m_watched);
        DrainQueue();
        SetMainWindowCloseQuery(nullptr);
        g_mainWindow = nullptr;
        g_closePending = false;
        ReceivedLog().clear();
    }

    HWND MakeControl(int id, int left)
    {
        return CreateWindowExA(0, PumpTestClass(), "control", WS_CHILD | WS_VISIBLE, left, 10, 40, 20, m_watched,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
    }
    // Shows the watched window and makes it the active one.
    void Activate()
    {
        ShowWindow(m_watched, SW_SHOW);
        SetActiveWindow(m_watched);
        ASSERT_EQ(GetActiveWindow(), m_watched);
        DrainQueue();
        ReceivedLog().clear();
    }
    // Puts the pointer at a screen point; the messages posted after carry it.
    void PointerAt(int x, int y)
    {
        SetCursorPos(x, y);
        DrainQueue();
        ReceivedLog().clear();
    }

    HWND m_watched = nullptr;
    HWND m_control = nullptr;
    HWND m_minimize = nullptr;
};

} // namespace

TEST_F(ModalPumpTest, PollingAnEmptyQueueReturnsIdleAtOnce)
{
    EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpIdle);
}

TEST_F(ModalPumpTest, PollingDispatchesWhatIsQueuedThenReturnsIdle)
{
    PostMessageA(m_control, WM_USER + 7, 1, 2);
    PostMessageA(m_watched, WM_USER + 8, 3, 4);
    EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpIdle);
    EXPECT_TRUE(Got(m_control, WM_USER + 7));
    EXPECT_TRUE(Got(m_watched, WM_USER + 8));
}

TEST_F(ModalPumpTest, EscapeKeyCancelsAndIsConsumed)
{
    for (UINT message : {WM_KEYDOWN, WM_CHAR}) {
        PostMessageA(m_watched, message, VK_ESCAPE, 0);
        EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpCancel) << message;
        EXPECT_FALSE(Got(m_watched, message)) << message;
        EXPECT_FALSE(QueueHolds(message)) << message;
    }
}

TEST_F(ModalPumpTest, EscapeCancelsAWaitingPump)
{
    PostMessageA(m_watched, WM_KEYDOWN, VK_ESCAPE, 0);
    // Should the pump miss the key, the quit ends the wait with another answer.
    PostQuitMessage(0);
    EXPECT_EQ(PumpModalMessages(m_watched, FALSE), kPumpCancel);
    EXPECT_TRUE(QueueHolds(WM_QUIT));
}

TEST_F(ModalPumpTest, TheEscapeCodeInOtherMessagesIsNoCancel)
{
    for (UINT message : {WM_COMMAND, WM_TIMER, WM_KEYUP, WM_USER + 27}) {
        ReceivedLog().clear();
        PostMessageA(m_watched, message, 27, 0);
        EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpIdle) << message;
        EXPECT_TRUE(Got(m_watched, message)) << message;
    }
}

TEST_F(ModalPumpTest, PostedQuitAbortsAndStaysForTheMainLoop)
{
    PostQuitMessage(7);
    EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpAbort);
    WPARAM code = 0;
    ASSERT_TRUE(QueueHolds(WM_QUIT, &code));
    EXPECT_EQ(code, 7u);
}

TEST_F(ModalPumpTest, QuitEndsAWaitingPumpAndStaysForTheMainLoop)
{
    PostQuitMessage(3);
    EXPECT_EQ(PumpModalMessages(m_watched, FALSE), kPumpAbort);
    WPARAM code = 0;
    ASSERT_TRUE(QueueHolds(WM_QUIT, &code));
    EXPECT_EQ(code, 3u);
}

TEST_F(ModalPumpTest, PendingCloseAbortsWithoutTakingAMessage)
{
    g_closePending = true;
    PostMessageA(m_control, WM_USER + 5, 0, 0);
    EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpAbort);
    EXPECT_FALSE(Got(m_control, WM_USER + 5));
    EXPECT_TRUE(QueueHolds(WM_USER + 5));
}

TEST_F(ModalPumpTest, CloseMarkedDuringTheWaitAborts)
{
    PostMessageA(m_watched, kMarkClosePending, 0, 0);
    // A pump that missed the close would come back with a cancel instead.
    PostMessageA(m_watched, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(PumpModalMessages(m_watched, FALSE), kPumpAbort);
    EXPECT_TRUE(Got(m_watched, kMarkClosePending));
    EXPECT_TRUE(QueueHolds(WM_KEYDOWN));
}

TEST_F(ModalPumpTest, WithoutAMainWindowNothingIsPendingByDefault)
{
    SetMainWindowCloseQuery(nullptr);
    MainWindowCloseState state = GetMainWindowCloseState();
    EXPECT_EQ(state.hWnd, nullptr);
    EXPECT_FALSE(state.bClosePending);
    PostMessageA(m_watched, kMarkClosePending, 0, 0);
    EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpIdle);
}

TEST_F(ModalPumpTest, StartingInputIsSwallowedUnlessItGoesToTheMinimizeControl)
{
    Activate();
    struct Case {
        UINT message;
        WPARAM wParam;
    } const cases[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON},
        {WM_RBUTTONDOWN, MK_RBUTTON},
        {WM_MBUTTONDOWN, MK_MBUTTON},
        {WM_KEYDOWN, 'A'},
        {WM_DROPFILES, 0},
        {WM_NCLBUTTONDOWN, static_cast<WPARAM>(HTCLIENT)},
        {WM_NCRBUTTONDOWN, static_cast<WPARAM>(HTMENU)},
        {WM_NCMBUTTONDOWN, static_cast<WPARAM>(HTCLIENT)},
    };
    for (const Case& c : cases) {
        ReceivedLog().clear();
        PostMessageA(m_control, c.message, c.wParam, 0);
        PostMessageA(m_minimize, c.message, c.wParam, 0);
        EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpIdle) << c.message;
        EXPECT_FALSE(Got(m_control, c.message)) << c.message;
        EXPECT_TRUE(Got(m_minimize, c.message)) << c.message;
    }
}

TEST_F(ModalPumpTest, PressesOnCaptionsAndBordersAreDispatched)
{
    Activate();
    for (LRESULT hit : {HTCAPTION, HTBORDER, HTCLOSE, HTMINBUTTON}) {
        ReceivedLog().clear();
        PostMessageA(m_watched, WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit), 0);
        EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpIdle) << hit;
        EXPECT_TRUE(Got(m_watched, WM_NCLBUTTONDOWN)) << hit;
    }
}

TEST_F(ModalPumpTest, DoubleClicksAreSwallowedOnlyOverTheWatchedWindow)
{
    Activate();
    PointerAt(150, 150);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    PostMessageA(m_control, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    PostMessageA(m_minimize, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpIdle);
    EXPECT_FALSE(Got(m_control, WM_LBUTTONDBLCLK));
    EXPECT_TRUE(Got(m_minimize, WM_LBUTTONDBLCLK));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));

    PointerAt(20, 20);
    for (UINT message : {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK})
        PostMessageA(m_control, message, 0, 0);
    EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpIdle);
    for (UINT message : {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK})
        EXPECT_TRUE(Got(m_control, message)) << message;
}

TEST_F(ModalPumpTest, WithNoActiveWindowEverythingForAWindowIsDispatched)
{
    ASSERT_EQ(GetActiveWindow(), nullptr);
    PostMessageA(m_control, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(m_control, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpIdle);
    EXPECT_TRUE(Got(m_control, WM_LBUTTONDOWN));
    EXPECT_TRUE(Got(m_control, WM_KEYDOWN));
}

TEST_F(ModalPumpTest, ClicksFromTheMouseReachOnlyTheMinimizeControl)
{
    Activate();
    // On the screen the ordinary control lies at (110, 110)-(150, 130), the
    // minimize control at (160, 110)-(200, 130).
    for (POINT at : {POINT{120, 120}, POINT{170, 120}}) {
        win::user::InjectMouseButton(win::user::MouseButton::Left, true, at);
        win::user::InjectMouseButton(win::user::MouseButton::Left, false, at);
    }
    EXPECT_EQ(PumpModalMessages(m_watched, TRUE), kPumpIdle);
    EXPECT_FALSE(Got(m_control, WM_LBUTTONDOWN));
    EXPECT_TRUE(Got(m_control, WM_LBUTTONUP));
    EXPECT_TRUE(Got(m_minimize, WM_LBUTTONDOWN));
}
