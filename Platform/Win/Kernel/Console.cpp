#include "Platform/Win/Kernel/Console.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Platform/Win/Kernel/System.h"

namespace {

struct SignalEvent {
    int signal;
    DWORD event;
};

constexpr SignalEvent kSignalEvents[] = {
    {SIGINT, CTRL_C_EVENT},
    {SIGHUP, CTRL_CLOSE_EVENT},
    {SIGTERM, CTRL_SHUTDOWN_EVENT},
};

struct Handlers {
    std::mutex lock;
    std::vector<PHANDLER_ROUTINE> routines; // in the order they were added
    bool ignoreCtrlC = false;
    bool watching = false;
};

Handlers& State()
{
    static auto* handlers = new Handlers; // signals may arrive during static destruction
    return *handlers;
}

// The write end of the pipe the signal handler passes signal numbers
// through to the watcher thread (the self-pipe: a write is all a signal
// handler may safely do).
std::atomic<int> g_signalPipe{-1};

void OnSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    const int fd = g_signalPipe.load();
    if (fd >= 0 && write(fd, &number, 1) != 1) {
        // A full pipe already holds a request to end; this one is dropped.
    }
    errno = saved;
}

// Asks the handlers, newest first; false when none took the event.
bool Dispatch(DWORD event)
{
    std::vector<PHANDLER_ROUTINE> routines;
    {
        Handlers& state = State();
        std::lock_guard<std::mutex> guard(state.lock);
        if (event == CTRL_C_EVENT && state.ignoreCtrlC)
            return true;
        routines = state.routines;
    }
    return std::any_of(routines.rbegin(), routines.rend(), [event](PHANDLER_ROUTINE routine) {
        return routine(event) != FALSE;
    });
}

void Watch(int readEnd)
{
    for (;;) {
        unsigned char number = 0;
        const ssize_t got = read(readEnd, &number, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != 1)
            return;
        for (const SignalEvent& entry : kSignalEvents) {
            if (entry.signal != number || Dispatch(entry.event))
                continue;
            std::signal(entry.signal, SIG_DFL);
            std::raise(entry.signal);
        }
    }
}

// A child made by fork has no watcher thread: it starts with the default
// actions again, and a handler it adds starts a watcher of its own.
void BeforeFork() { State().lock.lock(); }
void AfterForkInParent() { State().lock.unlock(); }
void AfterForkInChild()
{
    Handlers& state = State();
    state.lock.unlock();
    if (!state.watching)
        return;
    for (const SignalEvent& entry : kSignalEvents)
        std::signal(entry.signal, SIG_DFL);
    g_signalPipe.store(-1);
    state.watching = false;
}

// Installs the signal handlers and starts the watcher, once; the state lock
// is held.
bool StartWatchingLocked(Handlers& state)
{
    if (state.watching)
        return true;
    static const bool forkHandled = pthread_atfork(BeforeFork, AfterForkInParent, AfterForkInChild) == 0;
    if (!forkHandled)
        return false;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return false;
    fcntl(ends[1], F_SETFL, O_NONBLOCK); // a flood of signals is dropped, never blocks the handler
    g_signalPipe.store(ends[1]);
    std::thread(Watch, ends[0]).detach();
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const SignalEvent& entry : kSignalEvents) {
        // A signal the program was started ignoring (nohup, a background
        // job of a shell) stays ignored.
        struct sigaction old {};
        if (sigaction(entry.signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            sigaction(entry.signal, &action, nullptr);
    }
    state.watching = true;
    return true;
}

} // namespace

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add)
{
    Handlers& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!handler) {
        state.ignoreCtrlC = add != FALSE;
    } else if (add) {
        state.routines.push_back(handler);
    } else {
        auto found = std::find(state.routines.rbegin(), state.routines.rend(), handler);
        if (found == state.routines.rend()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        state.routines.erase(std::next(found).base());
        return TRUE;
    }
    if (!StartWatchingLocked(state)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}
