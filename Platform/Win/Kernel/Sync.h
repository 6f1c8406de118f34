#pragma once
// Threads and synchronisation: events, mutexes and semaphores (optionally
// named in a process-wide namespace), waits with time-outs, critical
// sections and interlocked operations.
//
// Creating a named object whose name is taken returns a new handle to the
// existing object and sets ERROR_ALREADY_EXISTS; a name taken by an object of
// another kind fails with ERROR_INVALID_HANDLE. Opening fails with
// ERROR_FILE_NOT_FOUND when no object has the name. A named object also
// holds a lock file under the runtime folder for its lifetime, so that
// creating the same name in a second process of the user reports
// ERROR_ALREADY_EXISTS too (the object itself stays per-process).

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Kernel/System.h"

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_ABANDONED_0 = 0x80;
constexpr DWORD WAIT_IO_COMPLETION = 0xC0;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
constexpr DWORD STILL_ACTIVE = 259;

constexpr DWORD EVENT_MODIFY_STATE = 0x0002;
constexpr DWORD EVENT_ALL_ACCESS = 0x1F0003;
constexpr DWORD MUTEX_MODIFY_STATE = 0x0001;
constexpr DWORD MUTEX_ALL_ACCESS = 0x1F0001;
constexpr DWORD SEMAPHORE_MODIFY_STATE = 0x0002;
constexpr DWORD SEMAPHORE_ALL_ACCESS = 0x1F0003;

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name);
HANDLE OpenEventA(DWORD access, BOOL inherit, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Releases the waiters present now (all for manual reset, one for auto
// reset) and leaves the event reset.
BOOL PulseEvent(HANDLE event);

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES security, BOOL initialOwner, LPCSTR name);
HANDLE OpenMutexA(DWORD access, BOOL inherit, LPCSTR name);
// Fails with ERROR_NOT_OWNER when the caller does not own the mutex.
BOOL ReleaseMutex(HANDLE mutex);

HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES security, LONG initialCount, LONG maximumCount, LPCSTR name);
HANDLE OpenSemaphoreA(DWORD access, BOOL inherit, LPCSTR name);
// Fails with ERROR_TOO_MANY_POSTS when the count would pass the maximum.
BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LPLONG previousCount);

inline HANDLE CreateEvent(LPSECURITY_ATTRIBUTES s, BOOL m, BOOL i, LPCSTR n) { return CreateEventA(s, m, i, n); }
inline HANDLE OpenEvent(DWORD a, BOOL i, LPCSTR n) { return OpenEventA(a, i, n); }
inline HANDLE CreateMutex(LPSECURITY_ATTRIBUTES s, BOOL o, LPCSTR n) { return CreateMutexA(s, o, n); }
inline HANDLE OpenMutex(DWORD a, BOOL i, LPCSTR n) { return OpenMutexA(a, i, n); }
inline HANDLE CreateSemaphore(LPSECURITY_ATTRIBUTES s, LONG i, LONG m, LPCSTR n) { return CreateSemaphoreA(s, i, m, n); }
inline HANDLE OpenSemaphore(DWORD a, BOOL i, LPCSTR n) { return OpenSemaphoreA(a, i, n); }

// Events, mutexes, semaphores and threads (signalled once ended) can be
// waited on. A wait for all is satisfied only when every object is
// signalled at the same moment, and then takes them all at once.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds);

// Threads.
using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);
using PTHREAD_START_ROUTINE = LPTHREAD_START_ROUTINE;
constexpr DWORD CREATE_SUSPENDED = 0x4;
constexpr int THREAD_PRIORITY_IDLE = -15;
constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD threadId);
// Ends the calling thread, which must have been made by CreateThread.
[[noreturn]] void ExitThread(DWORD exitCode);
// Not offered: a thread cannot be killed safely. Returns FALSE.
BOOL TerminateThread(HANDLE thread, DWORD exitCode);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
// Starts a thread made with CREATE_SUSPENDED; returns the previous suspend
// count. Suspending a running thread is not offered.
DWORD ResumeThread(HANDLE thread);
// Priorities are recorded and reported; the scheduler is not asked.
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
DWORD GetCurrentThreadId();
// The pseudo handle (HANDLE)-2 that stands for the calling thread.
HANDLE GetCurrentThread();
BOOL SwitchToThread();

// Critical sections: recursive, owned by one thread. The lock itself is
// built inside LockStorage by InitializeCriticalSection and taken down by
// DeleteCriticalSection, so that this header needs no threading library.
// Impl points at it while it stands and is null otherwise; a section that
// was never initialised (or was deleted) does nothing.
struct CRITICAL_SECTION {
    alignas(8) BYTE LockStorage[48];
    void* Impl;
    LONG RecursionCount;
    DWORD OwningThread;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;
using PCRITICAL_SECTION = CRITICAL_SECTION*;
void InitializeCriticalSection(LPCRITICAL_SECTION section);
BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);

// Interlocked operations, sequentially consistent.
inline LONG InterlockedIncrement(LONG volatile* value) { return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(LONG volatile* value) { return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedExchange(LONG volatile* target, LONG value)
{
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedExchangeAdd(LONG volatile* target, LONG value)
{
    return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand)
{
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;
}
inline PVOID InterlockedExchangePointer(PVOID volatile* target, PVOID value)
{
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline PVOID InterlockedCompareExchangePointer(PVOID volatile* target, PVOID exchange, PVOID comparand)
{
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;
}
