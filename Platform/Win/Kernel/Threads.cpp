// Threads as kernel objects. CreateThread runs the routine on a detached
// std::thread; ExitThread throws a private exception that the thread's
// wrapper catches, so the stack unwinds with its destructors run and the
// thread ends as if the routine had returned.

#include <exception>
#include <memory>
#include <pthread.h>
#include <thread>

#include "Platform/Win/Kernel/KernelObject.h"
#include "Platform/Win/Kernel/Sync.h"

namespace {

using win::detail::KernelObject;

class ThreadObject final : public KernelObject {
public:
    bool IsWaitable() const override { return true; }
    bool IsSignalledFor(DWORD) const override { return m_ended; }

    // Guarded by WaitLock(); an id of 0 means the thread has not started yet.
    DWORD m_id = 0;
    bool m_ended = false;
    DWORD m_exitCode = STILL_ACTIVE;
    DWORD m_suspendCount = 0;
    int m_priority = THREAD_PRIORITY_NORMAL;
};

struct ThreadExit {
    DWORD code;
};

// Frees the mutexes the thread still owns (they become abandoned) and then
// signals its object, so a waiter that sees the thread ended also sees them
// abandoned.
void Finish(ThreadObject& thread, DWORD exitCode)
{
    std::lock_guard<std::mutex> guard(win::detail::WaitLock());
    if (thread.m_ended)
        return;
    win::detail::AbandonMutexesOf(thread.m_id);
    thread.m_exitCode = exitCode;
    thread.m_ended = true;
    win::detail::NotifyWaiters();
}

thread_local bool t_recordGone = false;

// The calling thread's object. A thread that CreateThread did not start
// (the main thread, a plain std::thread) gets one on first use, finished
// here when the thread ends.
struct ThreadRecord {
    std::shared_ptr<ThreadObject> object;
    bool startedByCreateThread = false;

    ~ThreadRecord()
    {
        t_recordGone = true;
        if (object && !startedByCreateThread)
            Finish(*object, 0);
    }
};

ThreadRecord& CurrentRecord()
{
    thread_local ThreadRecord record;
    return record;
}

std::shared_ptr<ThreadObject> CurrentObject()
{
    // Code run by later thread-exit destructors gets an object of its own
    // that nothing will finish, instead of touching the destroyed record.
    if (t_recordGone) {
        auto late = std::make_shared<ThreadObject>();
        late->m_id = win::detail::CurrentThreadId();
        return late;
    }
    ThreadRecord& record = CurrentRecord();
    if (!record.object) {
        record.object = std::make_shared<ThreadObject>();
        record.object->m_id = win::detail::CurrentThreadId();
    }
    return record.object;
}

std::shared_ptr<ThreadObject> LookupThread(HANDLE handle)
{
    auto thread = std::dynamic_pointer_cast<ThreadObject>(win::detail::ResolveHandle(handle));
    if (!thread)
        SetLastError(ERROR_INVALID_HANDLE);
    return thread;
}

void RunThread(std::shared_ptr<ThreadObject> thread, LPTHREAD_START_ROUTINE start, LPVOID parameter)
{
    ThreadRecord& record = CurrentRecord();
    record.object = thread;
    record.startedByCreateThread = true;
    {
        std::unique_lock<std::mutex> lock(win::detail::WaitLock());
        thread->m_id = win::detail::CurrentThreadId();
        win::detail::NotifyWaiters();
        win::detail::WaitCondition().wait(lock, [&] { return thread->m_suspendCount == 0; });
    }
    DWORD exitCode = 0;
    try {
        exitCode = start(parameter);
    } catch (const ThreadExit& exit) {
        exitCode = exit.code;
    }
    Finish(*thread, exitCode);
}

bool IsValidPriority(int priority)
{
    switch (priority) {
    case THREAD_PRIORITY_IDLE:
    case THREAD_PRIORITY_LOWEST:
    case THREAD_PRIORITY_BELOW_NORMAL:
    case THREAD_PRIORITY_NORMAL:
    case THREAD_PRIORITY_ABOVE_NORMAL:
    case THREAD_PRIORITY_HIGHEST:
    case THREAD_PRIORITY_TIME_CRITICAL:
        return true;
    default:
        return false;
    }
}

} // namespace

namespace win::detail {

std::shared_ptr<KernelObject> CurrentThreadObject() { return CurrentObject(); }

std::shared_ptr<KernelObject> ResolveHandle(HANDLE handle)
{
    if (handle == GetCurrentThread())
        return CurrentObject();
    return LookupHandle(handle);
}

} // namespace win::detail

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD threadId)
{
    if (!start) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto thread = std::make_shared<ThreadObject>();
    thread->m_suspendCount = (flags & CREATE_SUSPENDED) ? 1 : 0;
    try {
        std::thread(RunThread, thread, start, parameter).detach();
    } catch (const std::exception&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // The id is the new thread's own, so it is known once the thread runs.
    {
        std::unique_lock<std::mutex> lock(win::detail::WaitLock());
        win::detail::WaitCondition().wait(lock, [&] { return thread->m_id != 0; });
        if (threadId)
            *threadId = thread->m_id;
    }
    return win::detail::InsertHandle(thread);
}

void ExitThread(DWORD exitCode)
{
    if (!t_recordGone && CurrentRecord().startedByCreateThread)
        throw ThreadExit{exitCode};
    // A thread we did not start has no wrapper to catch the exception; the
    // C library ends it instead, still unwinding its stack.
    Finish(*CurrentObject(), exitCode);
    pthread_exit(nullptr);
}

BOOL TerminateThread(HANDLE thread, DWORD)
{
    if (!LookupThread(thread))
        return FALSE;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode)
{
    if (!exitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto object = LookupThread(thread);
    if (!object)
        return FALSE;
    std::lock_guard<std::mutex> guard(win::detail::WaitLock());
    *exitCode = object->m_ended ? object->m_exitCode : STILL_ACTIVE;
    return TRUE;
}

DWORD ResumeThread(HANDLE thread)
{
    auto object = LookupThread(thread);
    if (!object)
        return static_cast<DWORD>(-1);
    std::lock_guard<std::mutex> guard(win::detail::WaitLock());
    DWORD previous = object->m_suspendCount;
    if (previous > 0 && --object->m_suspendCount == 0)
        win::detail::NotifyWaiters();
    return previous;
}

BOOL SetThreadPriority(HANDLE thread, int priority)
{
    auto object = LookupThread(thread);
    if (!object)
        return FALSE;
    if (!IsValidPriority(priority)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(win::detail::WaitLock());
    object->m_priority = priority;
    return TRUE;
}

int GetThreadPriority(HANDLE thread)
{
    auto object = LookupThread(thread);
    if (!object)
        return THREAD_PRIORITY_ERROR_RETURN;
    std::lock_guard<std::mutex> guard(win::detail::WaitLock());
    return object->m_priority;
}

DWORD GetCurrentThreadId() { return win::detail::CurrentThreadId(); }

HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)); }

BOOL SwitchToThread()
{
    std::this_thread::yield();
    return TRUE;
}

BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, LPHANDLE target, DWORD, BOOL,
                     DWORD options)
{
    if (sourceProcess != GetCurrentProcess() || targetProcess != GetCurrentProcess() ||
        (!target && !(options & DUPLICATE_CLOSE_SOURCE))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto object = win::detail::ResolveHandle(source);
    if (!object)
        return FALSE;
    if (target)
        *target = win::detail::InsertHandle(object);
    if (options & DUPLICATE_CLOSE_SOURCE)
        CloseHandle(source);
    return TRUE;
}
