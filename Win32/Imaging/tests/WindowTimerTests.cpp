#include <gtest/gtest.h>

#include <vector>

#include "Platform/Win/Win32.h"
#include "Win32/Imaging/WindowTimer.h"

namespace {

struct TimerCall {
    HWND window;
    UINT_PTR id;
    UINT elapse;
};

// The fake platform timer: records every call and answers with a chosen id.
struct FakeTimer {
    static inline std::vector<TimerCall> sets;
    static inline std::vector<TimerCall> kills;
    static inline UINT_PTR answer = 0;
    static inline bool echoId = true;

    static UINT_PTR Set(HWND window, UINT_PTR id, UINT elapse)
    {
        sets.push_back({window, id, elapse});
        return echoId ? id : answer;
    }
    static BOOL Kill(HWND window, UINT_PTR id)
    {
        kills.push_back({window, id, 0});
        return TRUE;
    }
};

HWND FakeWindow()
{
    static HWND__ window;
    return &window;
}

class WindowTimer : public testing::Test {
protected:
    void SetUp() override
    {
        FakeTimer::sets.clear();
        FakeTimer::kills.clear();
        FakeTimer::echoId = true;
        m_previous = SetWindowTimerApi({FakeTimer::Set, FakeTimer::Kill});
    }
    void TearDown() override { SetWindowTimerApi(m_previous); }

    static void Answer(UINT_PTR id)
    {
        FakeTimer::echoId = false;
        FakeTimer::answer = id;
    }

private:
    WindowTimerApi m_previous{};
};

TEST_F(WindowTimer, KeepsTheWholeInterval)
{
    for (UINT interval : {1u, 65535u, 65536u, 70000u, 3600000u}) {
        FakeTimer::sets.clear();
        CWindowTimer timer(FakeWindow(), 3, interval);
        ASSERT_EQ(FakeTimer::sets.size(), 1u);
        EXPECT_EQ(FakeTimer::sets[0].elapse, interval);
        EXPECT_EQ(FakeTimer::sets[0].window, FakeWindow());
        EXPECT_EQ(timer.GetInterval(), interval);
        EXPECT_TRUE(timer.IsArmed());
    }
}

TEST_F(WindowTimer, IdIsCutToSixteenBits)
{
    CWindowTimer timer(FakeWindow(), 0x12345, 100);
    ASSERT_EQ(FakeTimer::sets.size(), 1u);
    EXPECT_EQ(FakeTimer::sets[0].id, 0x2345u);
    EXPECT_EQ(timer.GetId(), 0x2345);
}

TEST_F(WindowTimer, KeepsTheIdThePlatformReturns)
{
    Answer(77);
    CWindowTimer timer(FakeWindow(), 5, 100);
    EXPECT_EQ(timer.GetId(), 77);
    EXPECT_EQ(timer.GetWindow(), FakeWindow());
    timer.Kill();
    ASSERT_EQ(FakeTimer::kills.size(), 1u);
    EXPECT_EQ(FakeTimer::kills[0].id, 77u);
    EXPECT_EQ(FakeTimer::kills[0].window, FakeWindow());
}

TEST_F(WindowTimer, RefusedTimerStaysEmpty)
{
    for (UINT_PTR answer : {UINT_PTR{0}, UINT_PTR{0x10000}}) {
        Answer(answer);
        CWindowTimer timer(FakeWindow(), 5, 100);
        EXPECT_FALSE(timer.IsArmed());
        EXPECT_EQ(timer.GetId(), 0);
        EXPECT_EQ(timer.GetWindow(), nullptr);
        timer.Kill();
        EXPECT_TRUE(FakeTimer::kills.empty());
    }
}

TEST_F(WindowTimer, SecondKillDoesNothing)
{
    CWindowTimer timer(FakeWindow(), 9, 100);
    timer.Kill();
    timer.Kill();
    EXPECT_EQ(FakeTimer::kills.size(), 1u);
    EXPECT_FALSE(timer.IsArmed());
}

TEST_F(WindowTimer, TimerWithoutWindowIsNotKilled)
{
    CWindowTimer timer(nullptr, 9, 100);
    timer.Kill();
    EXPECT_TRUE(FakeTimer::kills.empty());
}

TEST(WindowTimerPlatform, DefaultArmsARealTimerOfTheWindow)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "WindowTimerTestClass";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "WindowTimerTestClass", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);

    CWindowTimer timer(window, 0x10007, 10);
    ASSERT_TRUE(timer.IsArmed());
    EXPECT_EQ(timer.GetId(), 7) << "the id is cut to 16 bits";
    MSG message{};
    bool fired = false;
    const DWORD deadline = GetTickCount() + 5000;
    while (!fired && GetTickCount() < deadline) {
        if (PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE))
            fired = message.wParam == 7;
        else
            Sleep(1);
    }
    EXPECT_TRUE(fired);
    timer.Kill();
    EXPECT_FALSE(KillTimer(window, 7)) << "Kill stopped the platform timer";
    DestroyWindow(window);
}

} // namespace
