#pragma once
// CWinThread: a thread with a message loop (the application's own thread,
// or a user-interface thread made from a run-time class), or a worker that
// runs one function (AfxBeginThread with a function).
//
// Run pumps messages; before each wait it calls OnIdle with a rising count:
// count 0 updates the main window's command states (WM_IDLEUPDATECMDUI),
// count 1 frees the thread's temporary objects. Each message is first
// offered to PreTranslateMessage, which walks the windows from the target
// up to the main window (accelerators, dialog keys of modeless dialogs).
// The loop ends on WM_QUIT, which the framework posts when the thread's
// main window is destroyed; ExitInstance then gives the exit code.

#include "Platform/Mfc/Wnd.h"

using AFX_THREADPROC = UINT (*)(LPVOID);

class CWinThread : public CCmdTarget {
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread() = default;
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    ~CWinThread() override;

    // Starts the thread (suspended with CREATE_SUSPENDED).
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);

    CWnd* m_pMainWnd = nullptr;
    // While set (a modal loop's window), GetMainWnd answers it.
    CWnd* m_pActiveWnd = nullptr;
    // Deleted by the framework when the thread ends.
    BOOL m_bAutoDelete = TRUE;
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    operator HANDLE() const { return m_hThread; }

    virtual CWnd* GetMainWnd();
    int GetThreadPriority() { return ::GetThreadPriority(m_hThread); }
    BOOL SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
    // Suspending a running thread is not offered; answers (DWORD)-1.
    DWORD SuspendThread() { return static_cast<DWORD>(-1); }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }
    BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return ::PostThreadMessageA(m_nThreadID, message, wParam, lParam);
    }

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    virtual int Run();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Gets and dispatches one message; FALSE on WM_QUIT.
    virtual BOOL PumpMessage();
    // TRUE while there is more idle work for higher counts.
    virtual BOOL OnIdle(LONG lCount);
    // FALSE for messages that do not restart idle work (repeated mouse
    // moves, paints).
    virtual BOOL IsIdleMessage(MSG* pMsg);
    // Deletes the object when m_bAutoDelete is set.
    virtual void Delete();

    MSG m_msgCur{};
    LPVOID m_pThreadParams = nullptr;
    AFX_THREADPROC m_pfnThreadProc = nullptr;

protected:
    POINT m_ptCursorLast{-1, -1};
    UINT m_nMsgLast = 0;

    friend DWORD AfxThreadEntry(LPVOID);
};

// The calling thread's CWinThread: the application on its thread, the
// thread object on threads AfxBeginThread started; null elsewhere.
CWinThread* AFXAPI AfxGetThread();
// Starts a worker that runs pfnThreadProc(pParam); the object deletes
// itself when the function returns unless m_bAutoDelete is cleared (start
// suspended to clear it safely).
CWinThread* AFXAPI AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
                                  int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                                  DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
// Starts a thread with a message loop, made from a CWinThread class.
CWinThread* AFXAPI AfxBeginThread(CRuntimeClass* pThreadClass, int nPriority = THREAD_PRIORITY_NORMAL,
                                  UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                                  LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
