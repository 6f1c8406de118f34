#pragma once
// Console control events: the requests to end the program that reach it
// from outside. The signals a terminal or the session sends stand for them:
// SIGINT is CTRL_C_EVENT, SIGHUP (the terminal went away) CTRL_CLOSE_EVENT
// and SIGTERM (the session or another program asks us to end)
// CTRL_SHUTDOWN_EVENT.
//
// Handlers run on a thread of the layer's own, never inside the signal
// handler, so they may call anything (PostMessage of a WM_CLOSE to the main
// window is the usual answer). The most recently added handler is asked
// first; one that returns TRUE has taken the event, and the program then
// ends in its own time. When no handler takes it, the signal's default
// action ends the program at once, as it would without handlers. A signal
// the program was started ignoring (nohup) stays ignored.

#include "Platform/Win/Base/WinTypes.h"

constexpr DWORD CTRL_C_EVENT = 0;
constexpr DWORD CTRL_BREAK_EVENT = 1;
constexpr DWORD CTRL_CLOSE_EVENT = 2;
constexpr DWORD CTRL_LOGOFF_EVENT = 5;
constexpr DWORD CTRL_SHUTDOWN_EVENT = 6;

using PHANDLER_ROUTINE = BOOL (*)(DWORD controlType);

// Adds or removes `handler`. A null handler with `add` TRUE makes the
// program ignore CTRL_C_EVENT, FALSE restores it.
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);
