#pragma once
// Multimedia timers: one-shot and periodic events calling a function or
// setting an event, on a thread of their own. timeGetTime is the kernel's
// (Platform/Win/Kernel/Time.h).

#include "Platform/Mm/MmTypes.h"
#include "Platform/Win/Kernel/Time.h"

constexpr MMRESULT TIMERR_NOERROR = 0;
constexpr MMRESULT TIMERR_NOCANDO = 97;

constexpr UINT TIME_ONESHOT = 0x0000;
constexpr UINT TIME_PERIODIC = 0x0001;
constexpr UINT TIME_CALLBACK_FUNCTION = 0x0000;
constexpr UINT TIME_CALLBACK_EVENT_SET = 0x0010;
constexpr UINT TIME_CALLBACK_EVENT_PULSE = 0x0020;
constexpr UINT TIME_KILL_SYNCHRONOUS = 0x0100;

using LPTIMECALLBACK = void (*)(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1,
                                DWORD_PTR reserved2);

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};
using LPTIMECAPS = TIMECAPS*;

// A timer id (never 0), or 0 when the delay is 0 or the callback missing.
// With TIME_CALLBACK_EVENT_SET/PULSE, `callback` is the event's HANDLE.
UINT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);
// Stops the timer; a callback already running finishes first (unless the
// call comes from that callback). TIMERR_NOCANDO for an unknown id.
MMRESULT timeKillEvent(UINT timerId);
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);
MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT size);
