#pragma once
// The process-wide handle table behind HANDLE values, shared by every kernel
// object of the layer (files, find handles, events, mutexes, semaphores,
// threads). A HANDLE is a number of the kernel kind's range (HandleTable.h),
// never a raw object pointer, so a stale or forged handle is reported as
// ERROR_INVALID_HANDLE instead of crashing. Objects are reference counted:
// duplicated handles, waiters and calls in progress keep an object alive
// after CloseHandle of the handle that made it.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "Platform/Win/Base/WinTypes.h"

namespace win::detail {

class KernelObject {
public:
    virtual ~KernelObject();

    // Waitable objects answer these with the wait lock held.
    virtual bool IsWaitable() const { return false; }
    virtual bool IsSignalledFor(DWORD /*threadId*/) const { return false; }
    // Called once a wait is satisfied by this object: an auto-reset event
    // resets, a semaphore decrements, a mutex records its owner.
    virtual void OnWaitSatisfied(DWORD /*threadId*/) {}
    // True when a mutex was left by a thread that ended while owning it.
    virtual bool TakeAbandoned() { return false; }

    // Name in the process-wide object namespace, empty when unnamed.
    std::string m_name;
};

// Inserts the object and returns its new handle; never INVALID_HANDLE_VALUE,
// null (with ERROR_NOT_ENOUGH_MEMORY set) when every kernel handle is open.
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);
// The object behind a handle, or null (with ERROR_INVALID_HANDLE set) when
// the handle is not open. Pseudo handles are not resolved here.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <typename T> std::shared_ptr<T> LookupHandleAs(HANDLE handle)
{
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}
// Removes the handle and hands its object out, to die outside the table's
// lock once the last use of it ends; null when the handle was not open.
std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle);

// One lock and condition guard the state of every waitable object: waits
// are re-evaluated whenever any object's state changes. Simple and free of
// lock-order problems; the program waits on few objects at a time.
std::mutex& WaitLock();
void NotifyWaiters(); // call with WaitLock() held, after changing state
std::condition_variable& WaitCondition();

// The calling thread's id as GetCurrentThreadId reports it.
DWORD CurrentThreadId();

// The calling thread's own object, which GetCurrentThread() stands for;
// made on first use for threads that CreateThread did not start, and
// signalled when the thread ends.
std::shared_ptr<KernelObject> CurrentThreadObject();
// LookupHandle that also resolves the GetCurrentThread() pseudo handle.
std::shared_ptr<KernelObject> ResolveHandle(HANDLE handle);
// Frees every mutex the thread still owns and marks it abandoned; called
// with WaitLock() held when the thread ends.
void AbandonMutexesOf(DWORD threadId);

} // namespace win::detail
