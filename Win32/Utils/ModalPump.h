#pragma once
// The cooperative message pump that keeps the windows alive during long
// synchronous work (production, conversion, capture start and stop) and
// reports whether the user cancelled or the program is closing.

#include "Platform/Win/Base/WinTypes.h"

// The identifier of the minimize control: the one control the pump lets
// clicks and keys through to.
constexpr int kPumpPassThroughControlId = 40009;

constexpr int kPumpIdle = 0;
constexpr int kPumpCancel = 1;
constexpr int kPumpAbort = 2;

// What the pump needs of the application's main window: the window, and
// whether either of its two pending-close flags is set.
struct MainWindowCloseState {
    HWND hWnd;
    BOOL bClosePending;
};
using MainWindowCloseQuery = MainWindowCloseState (*)();
// The application installs its query at start-up; tests install a fake.
// Null puts back the default, which reports no main window.
void SetMainWindowCloseQuery(MainWindowCloseQuery query);
MainWindowCloseState GetMainWindowCloseState();

// Handles the calling thread's messages. With `bPoll` set it returns
// kPumpIdle as soon as the queue is empty; otherwise it waits for messages
// and returns only with kPumpCancel or kPumpAbort.
//
// kPumpCancel: the Escape key was pressed (WM_KEYDOWN or WM_CHAR of
// Escape). kPumpAbort: WM_QUIT arrived (it is posted again, so that the
// main loop ends too) or the main window has a close pending (checked
// before each message is taken, so no message is lost to it).
//
// While it runs, presses of mouse buttons and keys, dropped files and
// presses in the client area or menu bar of a window are dropped unless
// they go to the control kPumpPassThroughControlId; double clicks are
// dropped only over `hWatched` (where the wait cursor shows). Everything
// else is translated and dispatched. With no active window everything
// addressed to a window is dispatched.
int PumpModalMessages(HWND hWatched, BOOL bPoll);
