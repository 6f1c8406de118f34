#include "Win32/Imaging/WindowTimer.h"

#include "Platform/Win/User/User.h"

namespace {

UINT_PTR PlatformSetTimer(HWND window, UINT_PTR id, UINT elapse)
{
    return SetTimer(window, id, elapse, nullptr);
}

BOOL PlatformKillTimer(HWND window, UINT_PTR id)
{
    return KillTimer(window, id);
}

WindowTimerApi g_timerApi = {PlatformSetTimer, PlatformKillTimer};

} // namespace

WindowTimerApi SetWindowTimerApi(const WindowTimerApi& api)
{
    WindowTimerApi previous = g_timerApi;
    g_timerApi.pfnSetTimer = api.pfnSetTimer ? api.pfnSetTimer : PlatformSetTimer;
    g_timerApi.pfnKillTimer = api.pfnKillTimer ? api.pfnKillTimer : PlatformKillTimer;
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
