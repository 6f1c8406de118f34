#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Platform/Win/Kernel/SingleInstance.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::TempDir;

// Runs `body` in a forked child and returns its exit status.
template <typename Body> int RunInChild(Body body)
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SingleInstance, SecondProcessIsRefusedAndItsRequestReachesTheHolder)
{
    TempDir temp;
    const std::string folder = temp.File("missing/runtime");
    win::SingleInstance holder("Kestrelon", folder);
    ASSERT_TRUE(holder.TryAcquire());
    EXPECT_TRUE(holder.IsHeld());
    EXPECT_GE(holder.RequestFd(), 0);
    struct stat made {};
    ASSERT_EQ(stat(folder.c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 0777, 0700u);

    std::string message;
    EXPECT_FALSE(holder.PollRequest(&message)) << "nothing pending";
    int child = RunInChild([&] {
        win::SingleInstance second("Kestrelon", folder);
        if (second.TryAcquire())
            return 1;
        return second.NotifyFirst("/media/clip one.avi") ? 0 : 2;
    });
    EXPECT_EQ(child, 0);
    ASSERT_TRUE(holder.PollRequest(&message));
    EXPECT_EQ(message, "/media/clip one.avi");
    EXPECT_FALSE(holder.PollRequest(&message));
}

TEST(SingleInstance, MessagesArriveWholeAndInOrder)
{
    TempDir temp;
    win::SingleInstance holder("Kestrelon", temp.Path());
    ASSERT_TRUE(holder.TryAcquire());
    win::SingleInstance later("Kestrelon", temp.Path());
    EXPECT_FALSE(later.TryAcquire()) << "the lock is per open file, so it holds within one process too";
    const std::string messages[] = {"", "/films/\xC3\xA9t\xC3\xA9.sbd", std::string(3000, 'x')};
    for (const std::string& sent : messages)
        EXPECT_TRUE(later.NotifyFirst(sent));
    for (const std::string& sent : messages) {
        std::string received = "unset";
        ASSERT_TRUE(holder.PollRequest(&received));
        EXPECT_EQ(received, sent);
    }
}

TEST(SingleInstance, ReleasedLockIsTakenAgainOverAStaleSocket)
{
    TempDir temp;
    {
        win::SingleInstance first("Kestrelon", temp.Path());
        ASSERT_TRUE(first.TryAcquire());
    }
    win::SingleInstance next("Kestrelon", temp.Path());
    EXPECT_NE(access(next.SocketPath().c_str(), F_OK), 0) << "the socket goes with its holder";
    temp.Write("Kestrelon.sock", "left by a crash");
    ASSERT_TRUE(next.TryAcquire());
    EXPECT_TRUE(win::SingleInstance("Kestrelon", temp.Path()).NotifyFirst("again"));
    std::string message;
    EXPECT_TRUE(next.PollRequest(&message));
    EXPECT_EQ(message, "again");
}

TEST(SingleInstance, NobodyListensWithoutAHolder)
{
    TempDir temp;
    win::SingleInstance alone("Kestrelon", temp.Path());
    EXPECT_FALSE(alone.NotifyFirst("hello"));
    std::string message;
    EXPECT_FALSE(alone.PollRequest(&message));
    EXPECT_EQ(alone.RequestFd(), -1);
    EXPECT_EQ(alone.LockPath(), temp.Path() + "/Kestrelon.lock");
}

} // namespace
