#pragma once
// Locks and events of the DirectShow base classes over the Win32 layer.

#include "Platform/DShow/BaseClasses/ComBase.h"
#include "Platform/Win/Kernel/Sync.h"

// A recursive critical section.
class CCritSec {
public:
    CCritSec() { InitializeCriticalSection(&m_CritSec); }
    ~CCritSec() { DeleteCriticalSection(&m_CritSec); }
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Lock() { EnterCriticalSection(&m_CritSec); }
    void Unlock() { LeaveCriticalSection(&m_CritSec); }
    // Whether the calling thread holds the section: for assertions and
    // lock-order checks.
    bool IsHeldHere() const
    {
        return __atomic_load_n(&m_CritSec.OwningThread, __ATOMIC_RELAXED) == GetCurrentThreadId();
    }

private:
    CRITICAL_SECTION m_CritSec;
};

// Holds a CCritSec for its scope.
class CAutoLock {
public:
    explicit CAutoLock(CCritSec* lock) : m_pLock(lock) { m_pLock->Lock(); }
    ~CAutoLock() { m_pLock->Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CCritSec* m_pLock;
};

// A Win32 event owned by the object.
class CAMEvent {
public:
    explicit CAMEvent(BOOL manualReset = FALSE, HRESULT* result = nullptr);
    ~CAMEvent();
    CAMEvent(const CAMEvent&) = delete;
    CAMEvent& operator=(const CAMEvent&) = delete;

    operator HANDLE() const { return m_hEvent; }
    void Set() { SetEvent(m_hEvent); }
    void Reset() { ResetEvent(m_hEvent); }
    // TRUE when the event was signalled within the time; an auto-reset
    // event is reset by a successful wait.
    BOOL Wait(DWORD milliseconds = INFINITE) { return WaitForSingleObject(m_hEvent, milliseconds) == WAIT_OBJECT_0; }
    BOOL Check() { return Wait(0); }

protected:
    HANDLE m_hEvent;
};
