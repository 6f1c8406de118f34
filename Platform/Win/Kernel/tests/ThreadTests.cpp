#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "Platform/Win/Kernel/Sync.h"

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Sets the flag it is given when destroyed, to show a stack was unwound.
struct SetOnExit {
    std::atomic<bool>* flag;
    ~SetOnExit() { *flag = true; }
};

struct Routine {
    std::atomic<bool> ran{false};
    std::atomic<bool> unwound{false};
    std::atomic<DWORD> seenId{0};
};

DWORD ReturnSeven(LPVOID parameter)
{
    auto* routine = static_cast<Routine*>(parameter);
    SetOnExit guard{&routine->unwound};
    routine->seenId = GetCurrentThreadId();
    routine->ran = true;
    return 7;
}

DWORD ExitWithNine(LPVOID parameter)
{
    auto* routine = static_cast<Routine*>(parameter);
    SetOnExit guard{&routine->unwound};
    routine->seenId = GetCurrentThreadId();
    routine->ran = true;
    ExitThread(9);
}

TEST(Thread, ExitCodeComesFromReturnOrExitThread)
{
    const std::pair<LPTHREAD_START_ROUTINE, DWORD> cases[] = {{ReturnSeven, 7}, {ExitWithNine, 9}};
    for (auto [start, expected] : cases) {
        Routine routine;
        DWORD id = 0;
        Handle thread(CreateThread(nullptr, 0, start, &routine, 0, &id));
        ASSERT_TRUE(thread);
        EXPECT_EQ(WaitForSingleObject(thread.get(), INFINITE), WAIT_OBJECT_0);
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeThread(thread.get(), &code));
        EXPECT_EQ(code, expected);
        EXPECT_TRUE(routine.unwound) << "locals of the routine were destroyed";
        EXPECT_EQ(routine.seenId, id);
        EXPECT_NE(id, GetCurrentThreadId());
    }
}

TEST(Thread, SuspendedThreadStartsOnResume)
{
    Routine routine;
    Handle thread(CreateThread(nullptr, 0, ReturnSeven, &routine, CREATE_SUSPENDED, nullptr));
    ASSERT_TRUE(thread);
    EXPECT_EQ(WaitForSingleObject(thread.get(), 50), WAIT_TIMEOUT);
    EXPECT_FALSE(routine.ran);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread.get(), &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(ResumeThread(thread.get()), 1u);
    EXPECT_EQ(WaitForSingleObject(thread.get(), INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(routine.ran);
    EXPECT_EQ(ResumeThread(thread.get()), 0u);
}

TEST(Thread, PriorityIsRecordedAndCheckedPerThread)
{
    Routine routine;
    Handle other(CreateThread(nullptr, 0, ReturnSeven, &routine, CREATE_SUSPENDED, nullptr));
    EXPECT_TRUE(SetThreadPriority(other.get(), THREAD_PRIORITY_LOWEST));
    EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL));
    EXPECT_EQ(GetThreadPriority(other.get()), THREAD_PRIORITY_LOWEST);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_FALSE(SetThreadPriority(other.get(), 5));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    ResumeThread(other.get());
    WaitForSingleObject(other.get(), INFINITE);
}

TEST(Thread, TerminateIsRefused)
{
    Routine routine;
    Handle thread(CreateThread(nullptr, 0, ReturnSeven, &routine, 0, nullptr));
    EXPECT_FALSE(TerminateThread(thread.get(), 1));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    WaitForSingleObject(thread.get(), INFINITE);
}

TEST(Thread, DuplicatedPseudoHandleOfAPlainThreadIsSignalledWhenItEnds)
{
    HANDLE duplicate = nullptr;
    DWORD stillActive = 0;
    std::thread plain([&] {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &duplicate, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        GetExitCodeThread(duplicate, &stillActive);
    });
    plain.join();
    ASSERT_NE(duplicate, nullptr);
    EXPECT_EQ(stillActive, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(duplicate, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(duplicate));
}

TEST(Thread, ExitThreadEndsAPlainThreadWithItsCode)
{
    HANDLE duplicate = nullptr;
    std::atomic<bool> unwound{false};
    std::thread plain([&] {
        SetOnExit guard{&unwound};
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &duplicate, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        ExitThread(5);
    });
    plain.join();
    EXPECT_TRUE(unwound);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(duplicate, &code));
    EXPECT_EQ(code, 5u);
    CloseHandle(duplicate);
}

TEST(Thread, DuplicateHandleReachesTheSameObjectAndCanCloseTheSource)
{
    HANDLE source = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE));
    EXPECT_FALSE(CloseHandle(source)) << "the source is closed";
    EXPECT_TRUE(SetEvent(copy));
    EXPECT_EQ(WaitForSingleObject(copy, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(copy));
}

TEST(Thread, DuplicateHandleRefusesOtherProcessesAndBadHandles)
{
    Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE elsewhere = reinterpret_cast<HANDLE>(0x1234);
    struct Case {
        HANDLE sourceProcess, source, targetProcess;
        DWORD error;
    };
    const Case cases[] = {
        {elsewhere, event.get(), GetCurrentProcess(), ERROR_INVALID_PARAMETER},
        {GetCurrentProcess(), event.get(), elsewhere, ERROR_INVALID_PARAMETER},
        {GetCurrentProcess(), reinterpret_cast<HANDLE>(0x7770), GetCurrentProcess(), ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases) {
        HANDLE copy = nullptr;
        EXPECT_FALSE(DuplicateHandle(c.sourceProcess, c.source, c.targetProcess, &copy, 0, FALSE, 0));
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(copy, nullptr);
    }
}

TEST(Thread, ThreadCallsRejectHandlesThatAreNotThreads)
{
    Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    for (HANDLE bad : {event.get(), reinterpret_cast<HANDLE>(0x7770), static_cast<HANDLE>(nullptr)}) {
        DWORD code = 0;
        EXPECT_FALSE(GetExitCodeThread(bad, &code));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(ResumeThread(bad), static_cast<DWORD>(-1));
        EXPECT_EQ(GetThreadPriority(bad), THREAD_PRIORITY_ERROR_RETURN);
    }
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
