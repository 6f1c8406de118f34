#include "Platform/DShow/BaseClasses/AMThread.h"

// The request event is manual-reset so that CheckRequest can look at a
// request without taking it; Reply resets it.
CAMThread::CAMThread(HRESULT* result) : m_EventSend(TRUE, result), m_EventComplete(FALSE, result) {}

CAMThread::~CAMThread() { Close(); }

BOOL CAMThread::Create()
{
    CAutoLock lock(&m_AccessLock);
    if (ThreadExists())
        return FALSE;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, &CAMThread::InitialThreadProc, this, 0, &id);
    if (!thread)
        return FALSE;
    m_hThread = thread;
    return TRUE;
}

void CAMThread::Close()
{
    HANDLE thread = m_hThread.exchange(nullptr);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

DWORD CAMThread::CallWorker(DWORD request)
{
    CAutoLock lock(&m_AccessLock);
    if (!ThreadExists())
        return static_cast<DWORD>(E_FAIL);
    m_dwParam = request;
    m_EventSend.Set();
    m_EventComplete.Wait();
    return m_dwReturnVal;
}

DWORD CAMThread::GetRequest()
{
    m_EventSend.Wait();
    return m_dwParam;
}

BOOL CAMThread::CheckRequest(DWORD* request)
{
    if (!m_EventSend.Check())
        return FALSE;
    if (request)
        *request = m_dwParam;
    return TRUE;
}

void CAMThread::Reply(DWORD result)
{
    m_dwReturnVal = result;
    // Reset before signalling: the caller may send the next request as soon
    // as it sees the reply.
    m_EventSend.Reset();
    m_EventComplete.Set();
}

HRESULT CAMThread::CoInitializeHelper() { return CoInitializeEx(nullptr, COINIT_DISABLE_OLE1DDE); }

DWORD CAMThread::InitialThreadProc(LPVOID parameter)
{
    HRESULT init = CoInitializeHelper();
    auto* thread = static_cast<CAMThread*>(parameter);
    DWORD result = thread->ThreadProc();
    if (SUCCEEDED(init))
        CoUninitialize();
    return result;
}
