#include "Platform/Win/Kernel/Console.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "Platform/Win/Kernel/Sync.h"

namespace {

std::atomic<DWORD> g_event{0xFFFFFFFF};
std::atomic<DWORD> g_thread{0};
HANDLE g_called = nullptr;

BOOL TakeEvent(DWORD event)
{
    g_event = event;
    g_thread = GetCurrentThreadId();
    SetEvent(g_called);
    return TRUE;
}

BOOL PassEvent(DWORD) { return FALSE; }

TEST(Console, SignalsReachTheHandlerOnAThreadOfTheirOwnAsControlEvents)
{
    g_called = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_TRUE(SetConsoleCtrlHandler(TakeEvent, TRUE));
    const struct Case {
        int signal;
        DWORD event;
    } cases[] = {{SIGINT, CTRL_C_EVENT}, {SIGHUP, CTRL_CLOSE_EVENT}, {SIGTERM, CTRL_SHUTDOWN_EVENT}};
    for (const Case& c : cases) {
        g_event = 0xFFFFFFFF;
        ASSERT_EQ(raise(c.signal), 0);
        ASSERT_EQ(WaitForSingleObject(g_called, 10000), WAIT_OBJECT_0) << c.signal;
        EXPECT_EQ(g_event.load(), c.event) << c.signal;
        EXPECT_NE(g_thread.load(), GetCurrentThreadId()) << c.signal;
    }
    EXPECT_TRUE(SetConsoleCtrlHandler(TakeEvent, FALSE));
    EXPECT_FALSE(SetConsoleCtrlHandler(TakeEvent, FALSE)) << "it is no longer there";
    CloseHandle(g_called);
}

// What happens in a child: `setUp` installs handlers, then SIGTERM arrives.
int EndOfAChildSentSigterm(void (*setUp)())
{
    pid_t child = fork();
    if (child == 0) {
        setUp();
        raise(SIGTERM);
        // A handler that took the event leaves the ending to the program.
        for (int i = 0; i < 200; ++i)
            usleep(10000);
        _exit(7);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST(Console, WithoutAHandlerThatTakesItASignalEndsTheProgramAsBefore)
{
    int status = EndOfAChildSentSigterm([] { SetConsoleCtrlHandler(PassEvent, TRUE); });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGTERM);

    status = EndOfAChildSentSigterm([] {
        SetConsoleCtrlHandler(PassEvent, TRUE);
        SetConsoleCtrlHandler([](DWORD) -> BOOL { return TRUE; }, TRUE);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

} // namespace
