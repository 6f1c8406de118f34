#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Platform/Win/User/tests/UserTestSupport.h"

namespace {

using namespace user_test;
using namespace std::chrono_literals;

class UserTimers : public UserTest {};

TEST_F(UserTimers, TimersFireInTheOrderTheyFallDue)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    PumpUntilIdle();
    SetTimer(w, 1, 90, nullptr);
    SetTimer(w, 2, 30, nullptr);
    SetTimer(w, 3, 60, nullptr);
    std::vector<UINT_PTR> firsts;
    MSG msg{};
    while (firsts.size() < 3 && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && std::find(firsts.begin(), firsts.end(), msg.wParam) == firsts.end())
            firsts.push_back(msg.wParam);
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(firsts, (std::vector<UINT_PTR>{2, 3, 1}));
    for (UINT_PTR id : {1, 2, 3})
        EXPECT_TRUE(KillTimer(w, id));
}

TEST_F(UserTimers, PostedMessagesGoBeforeADueTimer)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    PumpUntilIdle();
    SetTimer(w, 5, USER_TIMER_MINIMUM, nullptr);
    std::this_thread::sleep_for(40ms);
    PostMessageA(w, WM_USER, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "one WM_TIMER however long it was due";
    KillTimer(w, 5);
}

UINT_PTR g_procId = 0;
HWND g_procWindow = reinterpret_cast<HWND>(1);

void CALLBACK RecordTimer(HWND window, UINT, UINT_PTR id, DWORD)
{
    g_procId = id;
    g_procWindow = window;
}

TEST_F(UserTimers, ThreadTimerCallsItsProcedureThroughDispatch)
{
    UINT_PTR id = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, RecordTimer);
    ASSERT_NE(id, 0u);
    MSG msg{};
    do {
        ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    } while (msg.message != WM_TIMER);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.lParam, reinterpret_cast<LPARAM>(&RecordTimer));
    DispatchMessageA(&msg);
    EXPECT_EQ(g_procId, id);
    EXPECT_EQ(g_procWindow, nullptr);
    EXPECT_TRUE(KillTimer(nullptr, id));
    EXPECT_FALSE(KillTimer(nullptr, id));
    // A forged WM_TIMER naming a procedure no timer has calls nothing.
    g_procId = 0;
    msg.wParam = id;
    DispatchMessageA(&msg);
    EXPECT_EQ(g_procId, 0u);
}

TEST_F(UserTimers, IntervalsAreKeptWholeAndKilledTimersStop)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    PumpUntilIdle();
    // Cut to 16 bits this would be 20 ms.
    SetTimer(w, 1, 0x10000 + 20, nullptr);
    SetTimer(w, 2, USER_TIMER_MINIMUM, nullptr);
    KillTimer(w, 2);
    std::this_thread::sleep_for(80ms);
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    KillTimer(w, 1);
}

TEST_F(UserTimers, OnlyTheOwnerThreadSetsAWindowTimer)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    UINT_PTR result = 1;
    DWORD error = 0;
    std::thread([&] {
        result = SetTimer(w, 1, 100, nullptr);
        error = GetLastError();
    }).join();
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(error, ERROR_ACCESS_DENIED);
}

} // namespace
