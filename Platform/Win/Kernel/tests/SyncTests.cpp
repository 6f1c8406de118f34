#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Platform/Win/Kernel/Sync.h"

namespace {

using namespace std::chrono_literals;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Generous: only reached when the code under test is broken.
constexpr DWORD kLongWait = 10000;

Handle MakeEvent(bool manualReset, bool signalled, const char* name = nullptr)
{
    return Handle(CreateEventA(nullptr, manualReset, signalled, name));
}

// Polls until `done` holds, for at most ten seconds.
bool Eventually(const std::function<bool()>& done)
{
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// A thread blocked in a wait sleeps in the kernel; one that has said it is
// about to wait and then sleeps is taken to be in the wait.
bool AwaitSleeping(pid_t tid)
{
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    return Eventually([&] {
        std::ifstream in(path);
        std::string stat;
        std::getline(in, stat);
        size_t paren = stat.rfind(')');
        return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'S';
    });
}

// A thread waiting on one handle, started and known to be blocked.
class BlockedWaiter {
public:
    BlockedWaiter(HANDLE object, DWORD milliseconds)
        : m_thread([this, object, milliseconds] {
              m_tid = gettid();
              m_result = WaitForSingleObject(object, milliseconds);
              m_done = true;
          })
    {
        Eventually([this] { return m_tid.load() != 0; });
        m_blocked = AwaitSleeping(m_tid);
    }
    ~BlockedWaiter() { Join(); }
    void Join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    bool Blocked() const { return m_blocked; }
    bool Done() const { return m_done; }
    DWORD Result() const { return m_result; }

private:
    std::atomic<pid_t> m_tid{0};
    std::atomic<bool> m_done{false};
    std::atomic<DWORD> m_result{WAIT_FAILED};
    bool m_blocked = false;
    std::thread m_thread;
};

TEST(SyncEvent, SecondWaitDependsOnResetMode)
{
    struct Case {
        bool manualReset;
        DWORD secondWait;
    };
    for (Case c : {Case{false, WAIT_TIMEOUT}, Case{true, WAIT_OBJECT_0}}) {
        Handle event = MakeEvent(c.manualReset, true);
        ASSERT_TRUE(event);
        EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(event.get(), 0), c.secondWait) << "manual " << c.manualReset;
        EXPECT_TRUE(ResetEvent(event.get()));
        EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
    }
}

TEST(SyncEvent, NamedEventSetByAnotherThreadEndsTheWait)
{
    Handle event = MakeEvent(false, false, "SyncEvent.Named");
    std::thread setter([] {
        Handle same(OpenEventA(EVENT_MODIFY_STATE, FALSE, "SyncEvent.Named"));
        std::this_thread::sleep_for(20ms);
        SetEvent(same.get());
    });
    EXPECT_EQ(WaitForSingleObject(event.get(), kLongWait), WAIT_OBJECT_0);
    setter.join();
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT) << "auto reset";
}

TEST(SyncEvent, PulseOfManualEventReleasesEveryWaiterAndLeavesItReset)
{
    Handle event = MakeEvent(true, false);
    BlockedWaiter first(event.get(), kLongWait);
    BlockedWaiter second(event.get(), kLongWait);
    ASSERT_TRUE(first.Blocked() && second.Blocked());
    EXPECT_TRUE(PulseEvent(event.get()));
    first.Join();
    second.Join();
    EXPECT_EQ(first.Result(), WAIT_OBJECT_0);
    EXPECT_EQ(second.Result(), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
}

TEST(SyncEvent, PulseOfAutoEventReleasesOneWaiter)
{
    Handle event = MakeEvent(false, false);
    BlockedWaiter first(event.get(), kLongWait);
    BlockedWaiter second(event.get(), kLongWait);
    ASSERT_TRUE(first.Blocked() && second.Blocked());
    EXPECT_TRUE(PulseEvent(event.get()));
    auto released = [&] { return int(first.Done()) + int(second.Done()); };
    ASSERT_TRUE(Eventually([&] { return released() == 1; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(released(), 1);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
    SetEvent(event.get());
    first.Join();
    second.Join();
    EXPECT_EQ(first.Result(), WAIT_OBJECT_0);
    EXPECT_EQ(second.Result(), WAIT_OBJECT_0);
}

TEST(SyncEvent, PulseWithoutWaitersLeavesEventReset)
{
    Handle event = MakeEvent(true, true);
    EXPECT_TRUE(PulseEvent(event.get()));
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
}

TEST(SyncMutex, OwnerRecursesAndFreesAfterMatchingReleases)
{
    Handle mutex(CreateMutexA(nullptr, TRUE, nullptr));
    ASSERT_TRUE(mutex);
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);
    auto otherThreadWait = [&] {
        DWORD result = WAIT_FAILED;
        std::thread([&] {
            result = WaitForSingleObject(mutex.get(), 0);
            if (result == WAIT_OBJECT_0)
                ReleaseMutex(mutex.get());
        }).join();
        return result;
    };
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
    EXPECT_EQ(otherThreadWait(), WAIT_TIMEOUT) << "still owned once";
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
    EXPECT_EQ(otherThreadWait(), WAIT_OBJECT_0);
    EXPECT_FALSE(ReleaseMutex(mutex.get()));
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
}

TEST(SyncMutex, ReleaseByAnotherThreadFails)
{
    Handle mutex(CreateMutexA(nullptr, TRUE, nullptr));
    BOOL released = TRUE;
    DWORD error = 0;
    std::thread([&] {
        released = ReleaseMutex(mutex.get());
        error = GetLastError();
    }).join();
    EXPECT_FALSE(released);
    EXPECT_EQ(error, ERROR_NOT_OWNER);
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
}

DWORD TakeMutexAndReturn(LPVOID mutex)
{
    WaitForSingleObject(static_cast<HANDLE>(mutex), INFINITE);
    return 0;
}

DWORD TakeMutexAndExitThread(LPVOID mutex)
{
    WaitForSingleObject(static_cast<HANDLE>(mutex), INFINITE);
    ExitThread(3);
}

TEST(SyncMutex, MutexOfEndedOwnerIsAbandonedToTheNextWait)
{
    struct Case {
        const char* how;
        std::function<void(HANDLE mutex)> runOwnerToEnd;
    };
    auto viaCreateThread = [](LPTHREAD_START_ROUTINE routine) {
        return [routine](HANDLE mutex) {
            Handle thread(CreateThread(nullptr, 0, routine, mutex, 0, nullptr));
            WaitForSingleObject(thread.get(), INFINITE);
        };
    };
    const Case cases[] = {
        {"CreateThread routine returns", viaCreateThread(TakeMutexAndReturn)},
        {"CreateThread routine calls ExitThread", viaCreateThread(TakeMutexAndExitThread)},
        {"plain std::thread ends", [](HANDLE mutex) { std::thread(TakeMutexAndReturn, mutex).join(); }},
    };
    for (const Case& c : cases) {
        Handle mutex(CreateMutexA(nullptr, FALSE, nullptr));
        c.runOwnerToEnd(mutex.get());
        Handle unsignalled = MakeEvent(true, false);
        HANDLE both[] = {unsignalled.get(), mutex.get()};
        EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_ABANDONED_0 + 1) << c.how;
        EXPECT_TRUE(ReleaseMutex(mutex.get())) << "the waiter owns it";
        EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0) << "abandonment is reported once";
        ReleaseMutex(mutex.get());
    }
}

TEST(SyncMutex, CreatingAnExistingNameDoesNotTakeOwnership)
{
    Handle mutex(CreateMutexA(nullptr, FALSE, "SyncMutex.Existing"));
    DWORD error = 0;
    std::thread([&] {
        Handle same(CreateMutexA(nullptr, TRUE, "SyncMutex.Existing"));
        error = GetLastError();
    }).join();
    EXPECT_EQ(error, ERROR_ALREADY_EXISTS);
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);
    ReleaseMutex(mutex.get());
}

TEST(SyncSemaphore, ImpossibleLimitsAreRejected)
{
    const std::pair<LONG, LONG> cases[] = {{2, 1}, {-1, 1}, {0, 0}, {0, -5}};
    for (auto [initial, maximum] : cases) {
        SetLastError(0);
        EXPECT_EQ(CreateSemaphoreA(nullptr, initial, maximum, nullptr), nullptr) << initial << "/" << maximum;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
}

TEST(SyncSemaphore, ReleaseReportsPreviousCountAndNeverPassesMaximum)
{
    struct Case {
        LONG initial, maximum, release;
        DWORD error; // 0 when the release succeeds
    };
    const Case cases[] = {
        {0, 1, 1, 0},
        {1, 1, 1, ERROR_TOO_MANY_POSTS},
        {INT_MAX - 1, INT_MAX, 1, 0},
        {INT_MAX, INT_MAX, 1, ERROR_TOO_MANY_POSTS},
        {5, INT_MAX, INT_MAX, ERROR_TOO_MANY_POSTS},
        {1, 10, 0, ERROR_INVALID_PARAMETER},
        {1, 10, -1, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.initial << "/" << c.maximum << " +" << c.release);
        Handle semaphore(CreateSemaphoreA(nullptr, c.initial, c.maximum, nullptr));
        ASSERT_TRUE(semaphore);
        LONG previous = -7;
        BOOL released = ReleaseSemaphore(semaphore.get(), c.release, &previous);
        if (c.error == 0) {
            EXPECT_TRUE(released);
            EXPECT_EQ(previous, c.initial);
            continue;
        }
        EXPECT_FALSE(released);
        EXPECT_EQ(GetLastError(), c.error);
        // The count is unchanged: one wait takes it down to initial - 1.
        EXPECT_EQ(WaitForSingleObject(semaphore.get(), 0), WAIT_OBJECT_0);
        EXPECT_TRUE(ReleaseSemaphore(semaphore.get(), 1, &previous));
        EXPECT_EQ(previous, c.initial - 1);
    }
}

TEST(SyncSemaphore, MaximumOfOneAdmitsOneWaiterAtATime)
{
    Handle semaphore(CreateSemaphoreA(nullptr, 1, 1, "SyncSemaphore.Binary"));
    EXPECT_EQ(WaitForSingleObject(semaphore.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore.get(), 0), WAIT_TIMEOUT);
    DWORD otherResult = WAIT_FAILED;
    std::thread other([&] {
        Handle same(OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "SyncSemaphore.Binary"));
        otherResult = WaitForSingleObject(same.get(), kLongWait);
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(ReleaseSemaphore(semaphore.get(), 1, nullptr));
    other.join();
    EXPECT_EQ(otherResult, WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore.get(), 0), WAIT_TIMEOUT) << "the other thread took the one post";
}

TEST(SyncWait, WaitAnyReportsLowestSignalledIndex)
{
    Handle events[] = {MakeEvent(true, false), MakeEvent(true, true), MakeEvent(true, true)};
    HANDLE handles[] = {events[0].get(), events[1].get(), events[2].get()};
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_OBJECT_0 + 1);
    ResetEvent(handles[1]);
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_OBJECT_0 + 2);
}

TEST(SyncWait, WaitAllTakesNothingUntilEverythingIsSignalled)
{
    Handle first = MakeEvent(false, false);
    Handle second(CreateSemaphoreA(nullptr, 0, 1, nullptr));
    HANDLE both[] = {first.get(), second.get()};
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] { result = WaitForMultipleObjects(2, both, TRUE, kLongWait); });
    SetEvent(first.get());
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(WaitForSingleObject(first.get(), 0), WAIT_OBJECT_0) << "the waiter left the event alone";
    SetEvent(first.get());
    ReleaseSemaphore(second.get(), 1, nullptr);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(first.get(), 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(second.get(), 0), WAIT_TIMEOUT);
}

TEST(SyncWait, FiniteWaitTimesOutAfterItsTime)
{
    Handle event = MakeEvent(true, false);
    HANDLE handles[] = {event.get(), event.get()};
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, 50), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
    EXPECT_EQ(WaitForSingleObject(GetCurrentThread(), 0), WAIT_TIMEOUT) << "this thread is running";
}

TEST(SyncWait, BadArgumentsFail)
{
    Handle event = MakeEvent(true, true);
    HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    CloseHandle(closed);
    struct Case {
        const char* what;
        std::vector<HANDLE> handles;
        DWORD count;
        BOOL waitAll;
        DWORD error;
    };
    const Case cases[] = {
        {"no handles", {event.get()}, 0, FALSE, ERROR_INVALID_PARAMETER},
        {"too many handles", std::vector<HANDLE>(65, event.get()), 65, FALSE, ERROR_INVALID_PARAMETER},
        {"one object twice in a wait for all", {event.get(), event.get()}, 2, TRUE, ERROR_INVALID_PARAMETER},
        {"closed handle", {event.get(), closed}, 2, FALSE, ERROR_INVALID_HANDLE},
        {"null handle", {nullptr}, 1, FALSE, ERROR_INVALID_HANDLE},
        {"forged handle", {reinterpret_cast<HANDLE>(0x1234567)}, 1, FALSE, ERROR_INVALID_HANDLE},
        {"process pseudo handle", {GetCurrentProcess()}, 1, FALSE, ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(WaitForMultipleObjects(c.count, c.handles.data(), c.waitAll, 0), WAIT_FAILED) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    EXPECT_EQ(WaitForMultipleObjects(1, nullptr, FALSE, 0), WAIT_FAILED);
}

TEST(SyncNames, CreatingATakenNameOpensTheSameObject)
{
    Handle first = MakeEvent(true, false, "SyncNames.Shared");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    Handle second = MakeEvent(false, true, "SyncNames.Shared");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(WaitForSingleObject(second.get(), 0), WAIT_TIMEOUT) << "the first creation's state holds";
    SetEvent(second.get());
    EXPECT_EQ(WaitForSingleObject(first.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(first.get(), 0), WAIT_OBJECT_0) << "still manual reset";
}

TEST(SyncNames, NameHeldByAnotherKindFails)
{
    Handle event = MakeEvent(true, false, "SyncNames.Event");
    Handle mutex(CreateMutexA(nullptr, FALSE, "SyncNames.Mutex"));
    const std::pair<const char*, std::function<HANDLE()>> cases[] = {
        {"CreateMutex", [] { return CreateMutexA(nullptr, FALSE, "SyncNames.Event"); }},
        {"CreateSemaphore", [] { return CreateSemaphoreA(nullptr, 0, 1, "SyncNames.Event"); }},
        {"OpenMutex", [] { return OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "SyncNames.Event"); }},
        {"OpenSemaphore", [] { return OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "SyncNames.Event"); }},
        {"CreateEvent", [] { return CreateEventA(nullptr, TRUE, FALSE, "SyncNames.Mutex"); }},
        {"OpenEvent", [] { return OpenEventA(EVENT_ALL_ACCESS, FALSE, "SyncNames.Mutex"); }},
    };
    for (const auto& [what, call] : cases) {
        SetLastError(0);
        EXPECT_EQ(call(), nullptr) << what;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << what;
    }
}

TEST(SyncNames, OpeningAnUnknownNameFails)
{
    const std::pair<const char*, std::function<HANDLE()>> cases[] = {
        {"OpenEvent", [] { return OpenEventA(EVENT_ALL_ACCESS, FALSE, "SyncNames.Unknown"); }},
        {"OpenMutex", [] { return OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "SyncNames.Unknown"); }},
        {"OpenSemaphore", [] { return OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "SyncNames.Unknown"); }},
    };
    for (const auto& [what, call] : cases) {
        SetLastError(0);
        EXPECT_EQ(call(), nullptr) << what;
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << what;
    }
}

TEST(SyncNames, NameIsFreedWhenItsLastHandleCloses)
{
    HANDLE created = CreateSemaphoreA(nullptr, 0, 3, "SyncNames.Freed");
    HANDLE opened = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "SyncNames.Freed");
    ASSERT_NE(opened, nullptr);
    CloseHandle(created);
    Handle stillThere(OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "SyncNames.Freed"));
    EXPECT_TRUE(stillThere) << "one handle is left";
    stillThere.reset();
    CloseHandle(opened);
    EXPECT_EQ(OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "SyncNames.Freed"), nullptr);
    Handle event = MakeEvent(true, false, "SyncNames.Freed");
    EXPECT_TRUE(event) << "the name can now go to another kind";
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
}

// A child process, forked before the parent makes any object of the name,
// that creates the named event when told and exits with the last error.
class ChildCreatingEvent {
public:
    explicit ChildCreatingEvent(const char* name)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            char go;
            close(fds[1]);
            if (read(fds[0], &go, 1) != 1)
                _exit(254);
            HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name);
            _exit(event ? static_cast<int>(GetLastError() & 0xFF) : 255);
        }
        close(fds[0]);
        m_go = fds[1];
    }
    ~ChildCreatingEvent()
    {
        if (m_go >= 0)
            close(m_go);
    }
    // Lets the child create the event and returns its exit status.
    int Run()
    {
        if (m_pid <= 0 || write(m_go, "g", 1) != 1)
            return -1;
        int status = 0;
        waitpid(m_pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_go = -1;
};

TEST(SyncNames, AnotherProcessCreatingAHeldNameIsToldItExists)
{
    // The name also checks that names are escaped into file names.
    const char* name = "Kestrelon/Instance: \xC3\xA9 1";
    struct Case {
        bool parentStillHolds;
        int childError;
    };
    for (Case c : {Case{true, static_cast<int>(ERROR_ALREADY_EXISTS)}, Case{false, 0}}) {
        ChildCreatingEvent child(name);
        Handle event = MakeEvent(true, false, name);
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
        if (!c.parentStillHolds)
            event.reset();
        EXPECT_EQ(child.Run(), c.childError) << "parent holds " << c.parentStillHolds;
    }
}

TEST(SyncCriticalSection, RecursiveEntryIsCountedAndExcludesOtherThreads)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    auto otherThreadEnters = [&] {
        BOOL entered = FALSE;
        std::thread([&] {
            entered = TryEnterCriticalSection(&section);
            if (entered)
                LeaveCriticalSection(&section);
        }).join();
        return entered;
    };
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    EXPECT_EQ(section.RecursionCount, 2);
    EXPECT_EQ(section.OwningThread, GetCurrentThreadId());
    EXPECT_FALSE(otherThreadEnters());
    LeaveCriticalSection(&section);
    EXPECT_FALSE(otherThreadEnters());
    LeaveCriticalSection(&section);
    EXPECT_EQ(section.RecursionCount, 0);
    EXPECT_EQ(section.OwningThread, 0u);
    EXPECT_TRUE(otherThreadEnters());
    DeleteCriticalSection(&section);
    EXPECT_EQ(section.Impl, nullptr);
}

} // namespace
