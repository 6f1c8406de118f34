#pragma once
// A worker thread that serves requests one at a time: the caller's
// CallWorker(request) waits until the worker has taken the request with
// GetRequest (or looked at it with CheckRequest) and answered with Reply.

#include "Platform/DShow/BaseClasses/Locks.h"
#include "Platform/Win/Base/Atomic.h"

class CAMThread {
public:
    explicit CAMThread(HRESULT* result = nullptr);
    virtual ~CAMThread();
    CAMThread(const CAMThread&) = delete;
    CAMThread& operator=(const CAMThread&) = delete;

    CCritSec m_AccessLock; // serialises the callers
    CCritSec m_WorkerLock; // for the worker's own use

    // Starts the thread; FALSE when it exists already or cannot start.
    BOOL Create();
    // Waits for the thread to end.
    void Close();
    BOOL ThreadExists() const { return m_hThread != nullptr; }

    // Sends a request and returns the worker's reply; E_FAIL without a
    // worker.
    DWORD CallWorker(DWORD request);
    // Worker side.
    DWORD GetRequest();
    // TRUE when a request is waiting; it stays waiting until Reply.
    BOOL CheckRequest(DWORD* request);
    void Reply(DWORD result);
    HANDLE GetRequestHandle() const { return m_EventSend; }
    DWORD GetRequestParam() const { return m_dwParam; }

    virtual DWORD ThreadProc() = 0;

    static HRESULT CoInitializeHelper();

private:
    static DWORD InitialThreadProc(LPVOID parameter);

    CAMEvent m_EventSend;
    CAMEvent m_EventComplete;
    DWORD m_dwParam = 0;
    DWORD m_dwReturnVal = 0;
    win::Atomic<HANDLE> m_hThread{nullptr};
};
