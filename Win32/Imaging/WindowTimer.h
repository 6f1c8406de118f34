#pragma once
// A timer of a window: armed when constructed, stopped with Kill. The
// window receives WM_TIMER with the timer's id every interval.

#include "Platform/Win/Base/WinTypes.h"

// The platform timer calls a CWindowTimer makes (SetTimer without a
// callback, and KillTimer). They are replaceable so that tests can watch
// them.
struct WindowTimerApi {
    // Returns the timer's id, 0 on failure.
    UINT_PTR (*pfnSetTimer)(HWND window, UINT_PTR id, UINT elapse);
    BOOL (*pfnKillTimer)(HWND window, UINT_PTR id);
};

// Installs `api` and returns the one it replaces; null members fall back to
// the platform's SetTimer and KillTimer, which are the default.
WindowTimerApi SetWindowTimerApi(const WindowTimerApi& api);

class CWindowTimer {
public:
    // Arms a timer of `interval` milliseconds under the low 16 bits of `id`.
    // When the platform refuses (its id has 0 in the low 16 bits) the timer
    // stays empty. The interval is passed whole: intervals of 65.536 s and
    // more are not cut to 16 bits.
    CWindowTimer(HWND window, UINT id, UINT interval);
    CWindowTimer(const CWindowTimer&) = delete;
    CWindowTimer& operator=(const CWindowTimer&) = delete;

    // Stops the timer when one is armed and empties this object, so a second
    // Kill does nothing.
    void Kill();

    BOOL IsArmed() const { return m_hWnd != nullptr && m_nId != 0; }
    WORD GetId() const { return m_nId; }
    HWND GetWindow() const { return m_hWnd; }
    UINT GetInterval() const { return m_nInterval; }

private:
    WORD m_nId = 0;
    HWND m_hWnd = nullptr;
    UINT m_nInterval = 0;
};
