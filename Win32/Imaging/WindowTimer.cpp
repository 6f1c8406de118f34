#include "Win32/Imaging/WindowTimer.h"

namespace {

UINT_PTR InertSetTimer(HWND, UINT_PTR id, UINT)
{
    return id != 0 ? id : 1;
}

BOOL InertKillTimer(HWND, UINT_PTR)
{
    return TRUE;
}

WindowTimerApi g_timerApi = {InertSetTimer, InertKillTimer};

} // namespace

WindowTimerApi SetWindowTimerApi(const WindowTimerApi& api)
{
    WindowTimerApi previous = g_timerApi;
    g_timerApi.pfnSetTimer = api.pfnSetTimer ? api.pfnSetTimer : InertSetTimer;
    g_timerApi.pfnKillTimer = api.pfnKillTimer ? api.pfnKillTimer : InertKillTimer;
    return previous;
}

CWindowTimer::CWindowTimer(HWND window, UINT id, UINT interval)
{
    UINT_PTR armed = g_timerApi.pfnSetTimer(window, id & 0xFFFF, interval);
    if ((armed & 0xFFFF) == 0)
        return;
    m_hWnd = window;
    m_nId = static_cast<WORD>(armed);
    m_nInterval = interval;
}

void CWindowTimer::Kill()
{
    if (m_hWnd && m_nId)
        g_timerApi.pfnKillTimer(m_hWnd, m_nId);
    m_hWnd = nullptr;
    m_nId = 0;
    m_nInterval = 0;
}
