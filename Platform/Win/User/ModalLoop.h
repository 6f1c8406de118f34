#pragma once
// The modal loop that dialogs, message boxes, menus and window moves run on,
// and the wait that handles the messages other threads send meanwhile.

#include <functional>

#include "Platform/Win/User/User.h"

namespace win {

// The base of every modal loop (dialog boxes, message boxes, menus, window
// moves): runs the calling thread's message loop until End() is called,
// the watched window is destroyed, or WM_QUIT arrives (which is posted again
// so that the outer loop ends too). While it runs the owner window, when
// given, is disabled; it is enabled again by ReleaseOwner() or when the
// loop object goes, and is then made active again if the watched window
// was the active one.
//
// How a dialog box uses it: create the dialog hidden, make a ModalLoop for
// the owner (which disables it), show the dialog, Run(dialog); EndDialog
// finds the loop with ModalLoop::Find(dialog) and calls End(result); after
// Run returns call ReleaseOwner() before destroying the dialog, so that
// activation goes back to the owner.
class ModalLoop {
public:
    explicit ModalLoop(HWND owner);
    ~ModalLoop();
    ModalLoop(const ModalLoop&) = delete;
    ModalLoop& operator=(const ModalLoop&) = delete;

    // Returns the result given to End(), or `fallback` when the loop ended
    // because the window went or WM_QUIT came.
    INT_PTR Run(HWND watched, INT_PTR fallback = -1);
    void End(INT_PTR result);
    bool Ended() const { return m_ended; }
    bool QuitReceived() const { return m_quit; }
    void ReleaseOwner();

    // The innermost running loop of the calling thread watching `window`.
    static ModalLoop* Find(HWND window);

    // Sees each message before TranslateMessage and DispatchMessage; true
    // when it handled the message (IsDialogMessage, menu keys).
    std::function<bool(MSG&)> m_filter;
    // Called once each time the queue runs empty, before waiting
    // (WM_ENTERIDLE for dialogs and menus, idle work).
    std::function<void()> m_idle;

private:
    HWND m_owner = nullptr;
    bool m_ownerDisabled = false;
    HWND m_watched = nullptr;
    bool m_ended = false;
    bool m_quit = false;
    INT_PTR m_result = 0;
    ModalLoop* m_outer = nullptr;
};

// Waits for the handles while handling the messages other threads send to
// the calling thread's windows, so that a window thread waiting for a
// worker that sends to its windows does not deadlock.
DWORD WaitHandlingSentMessages(DWORD count, const HANDLE* handles, DWORD milliseconds);

} // namespace win
