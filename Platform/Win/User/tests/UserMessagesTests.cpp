#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "Platform/Win/User/ModalLoop.h"
#include "Platform/Win/User/tests/UserTestSupport.h"

namespace {

using namespace user_test;
using namespace std::chrono_literals;

class UserMessages : public UserTest {};

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Generous: only reached when the code under test is broken.
constexpr auto kLongWait = 10s;

TEST_F(UserMessages, PrivateMessagesArriveInOrderUntouched)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    PumpUntilIdle();
    const WPARAM big = static_cast<WPARAM>(0xFEDCBA9876543210ULL);
    const LPARAM negative = -123456789012LL;
    ASSERT_TRUE(PostMessageA(w, WM_USER + 1, big, negative));
    ASSERT_TRUE(PostMessageA(w, WM_APP + 2, 2, 3));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, w);
    EXPECT_EQ(msg.message, WM_USER + 1);
    EXPECT_EQ(msg.wParam, big);
    EXPECT_EQ(msg.lParam, negative);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_APP + 2);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(UserMessages, PeekHonoursRangeWindowAndRemoveFlag)
{
    HWND a = MakeTopLevel(RECT{0, 0, 10, 10});
    HWND child = MakeChild(a, RECT{0, 0, 5, 5}, 1);
    HWND b = MakeTopLevel(RECT{0, 0, 10, 10});
    PumpUntilIdle();
    PostMessageA(b, WM_USER, 0, 0);
    PostMessageA(child, WM_USER + 5, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 9, 0, 0);
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 6, WM_USER + 8, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, a, 0, 0, PM_NOREMOVE)) << "a window filter takes its children's messages";
    EXPECT_EQ(msg.hwnd, child);
    ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) << "thread messages only";
    EXPECT_EQ(msg.message, WM_USER + 9);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, child);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, b);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(UserMessages, QuitEndsGetMessageWhetherFlaggedOrPosted)
{
    for (bool posted : {false, true}) {
        HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
        PumpUntilIdle();
        PostMessageA(w, WM_USER, 0, 0);
        if (posted)
            PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 5, 0);
        else
            PostQuitMessage(5);
        MSG msg{};
        EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
        EXPECT_EQ(msg.message, WM_USER);
        EXPECT_EQ(GetMessageA(&msg, w, WM_USER, WM_USER), 0) << "WM_QUIT passes any filter";
        EXPECT_EQ(msg.message, WM_QUIT);
        EXPECT_EQ(msg.wParam, 5u);
        DestroyWindow(w);
        PumpUntilIdle();
    }
}

TEST_F(UserMessages, CrossThreadSendIsAnsweredWhileTheOwnerWaits)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    PumpUntilIdle();
    DWORD owner = GetCurrentThreadId();
    std::atomic<DWORD> handledOn{0};
    std::atomic<BOOL> inSend{FALSE};
    React(w, [&](HWND, UINT m, WPARAM, LPARAM, LRESULT* result) {
        if (m != WM_USER + 1)
            return false;
        handledOn = GetCurrentThreadId();
        inSend = InSendMessage();
        *result = 42;
        return true;
    });
    auto answer = std::async(std::launch::async, [&] {
        LRESULT r = SendMessageA(w, WM_USER + 1, 0, 0);
        PostMessageA(w, WM_USER + 2, 0, 0);
        return r;
    });
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message != WM_USER + 2)
        DispatchMessageA(&msg);
    ASSERT_EQ(answer.wait_for(kLongWait), std::future_status::ready);
    EXPECT_EQ(answer.get(), 42);
    EXPECT_EQ(handledOn, owner);
    EXPECT_TRUE(inSend);
}

TEST_F(UserMessages, ThreadsSendingToEachOtherDoNotDeadlock)
{
    HWND mine = MakeTopLevel(RECT{0, 0, 10, 10});
    PumpUntilIdle();
    React(mine, [](HWND, UINT m, WPARAM wp, LPARAM, LRESULT* result) {
        if (m != WM_USER + 3)
            return false;
        *result = static_cast<LRESULT>(wp) * 2;
        return true;
    });
    std::promise<HWND> made;
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        HWND theirs = MakeTopLevel(RECT{0, 0, 10, 10}, WS_POPUP);
        React(theirs, [mine](HWND, UINT m, WPARAM wp, LPARAM, LRESULT* result) {
            if (m != WM_USER + 4)
                return false;
            // Sends back to the thread that is waiting for this answer.
            *result = SendMessageA(mine, WM_USER + 3, wp, 0) + 1;
            return true;
        });
        made.set_value(theirs);
        MSG msg{};
        while (!stop && GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        DestroyWindow(theirs);
    });
    HWND theirs = made.get_future().get();
    EXPECT_EQ(SendMessageA(theirs, WM_USER + 4, 10, 0), 21);
    stop = true;
    PostMessageA(theirs, WM_NULL, 0, 0);
    worker.join();
}

TEST_F(UserMessages, SendToAWindowThatGoesOrAThreadThatEndsGetsZero)
{
    for (bool threadEnds : {false, true}) {
        Handle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        std::promise<HWND> made;
        std::thread owner([&] {
            HWND w = MakeTopLevel(RECT{0, 0, 10, 10}, WS_POPUP);
            React(w, [](HWND, UINT m, WPARAM, LPARAM, LRESULT* result) {
                *result = 99;
                return m == WM_USER + 7;
            });
            made.set_value(w);
            // Never looks at its queue: the sent message stays waiting.
            WaitForSingleObject(release.get(), INFINITE);
            if (!threadEnds)
                DestroyWindow(w);
        });
        HWND w = made.get_future().get();
        std::atomic<bool> sending{false};
        auto answer = std::async(std::launch::async, [&] {
            sending = true;
            return SendMessageA(w, WM_USER + 7, 0, 0);
        });
        while (!sending)
            std::this_thread::yield();
        std::this_thread::sleep_for(20ms);
        SetEvent(release.get());
        ASSERT_EQ(answer.wait_for(kLongWait), std::future_status::ready) << (threadEnds ? "thread ended" : "destroyed");
        EXPECT_EQ(answer.get(), 0);
        owner.join();
        EXPECT_FALSE(IsWindow(w));
    }
}

TEST_F(UserMessages, MsgWaitWakesForObjectsAndForQueueInput)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    PumpUntilIdle();
    Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE handles[] = {event.get()};
    EXPECT_EQ(MsgWaitForMultipleObjects(1, handles, FALSE, 30, QS_ALLINPUT), WAIT_TIMEOUT);
    SetEvent(event.get());
    EXPECT_EQ(MsgWaitForMultipleObjects(1, handles, FALSE, 0, QS_ALLINPUT), WAIT_OBJECT_0);
    ResetEvent(event.get());
    std::thread poster([w] {
        std::this_thread::sleep_for(20ms);
        PostMessageA(w, WM_USER, 0, 0);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_POSTMESSAGE), WAIT_OBJECT_0 + 1);
    poster.join();
    EXPECT_EQ(HIWORD(GetQueueStatus(QS_POSTMESSAGE)), QS_POSTMESSAGE);
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_POSTMESSAGE), WAIT_TIMEOUT);
}

TEST_F(UserMessages, BadTargetsFailWithTheirCodes)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    DestroyWindow(w);
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    MSG msg{};
    EXPECT_EQ(GetMessageA(&msg, w, 0, 0), -1);
    DWORD idle = 0;
    std::thread([&] { idle = GetCurrentThreadId(); }).join();
    EXPECT_FALSE(PostThreadMessageA(idle, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);

    std::promise<HWND> made;
    Handle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread other([&] {
        made.set_value(MakeTopLevel(RECT{0, 0, 10, 10}, WS_POPUP));
        WaitForSingleObject(done.get(), INFINITE);
    });
    MSG foreign{made.get_future().get(), WM_USER, 0, 0, 0, {}};
    EXPECT_EQ(DispatchMessageA(&foreign), 0);
    EXPECT_EQ(GetLastError(), ERROR_WINDOW_OF_OTHER_THREAD);
    SetEvent(done.get());
    other.join();
}

TEST_F(UserMessages, ModalLoopRunsUntilEndedWithTheOwnerDisabled)
{
    HWND owner = MakeTopLevel(RECT{0, 0, 100, 100});
    HWND dialog = MakeTopLevel(RECT{10, 10, 60, 60}, WS_POPUP | WS_VISIBLE, nullptr, owner);
    PumpUntilIdle();
    React(dialog, [](HWND w, UINT m, WPARAM wp, LPARAM, LRESULT*) {
        if (m != WM_USER + 1)
            return false;
        win::ModalLoop::Find(w)->End(static_cast<INT_PTR>(wp));
        return true;
    });
    win::ModalLoop loop(owner);
    EXPECT_FALSE(IsWindowEnabled(owner));
    PostMessageA(dialog, WM_USER + 1, 7, 0);
    EXPECT_EQ(loop.Run(dialog), 7);
    loop.ReleaseOwner();
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(UserMessages, ModalLoopHandsWmQuitToTheOuterLoop)
{
    HWND dialog = MakeTopLevel(RECT{10, 10, 60, 60});
    PumpUntilIdle();
    PostQuitMessage(3);
    win::ModalLoop loop(nullptr);
    EXPECT_EQ(loop.Run(dialog, -9), -9);
    EXPECT_TRUE(loop.QuitReceived());
    MSG msg{};
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wParam, 3u);
}

} // namespace
