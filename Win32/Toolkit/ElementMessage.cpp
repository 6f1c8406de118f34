#include "Win32/Toolkit/ElementMessage.h"

ElementMessage::ElementMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    : m_hWnd(window), m_nMessage(message), m_wParam(wParam), m_lParam(lParam),
      m_nTime(static_cast<DWORD>(::GetMessageTime()))
{
    const DWORD position = ::GetMessagePos();
    POINT point{static_cast<SHORT>(LOWORD(position)), static_cast<SHORT>(HIWORD(position))};
    if (window)
        ::ScreenToClient(window, &point);
    m_point = CGfxPoint(point.x, point.y);
}

bool ElementMessage::IsControlDown() const
{
    return (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

bool ElementMessage::IsShiftDown() const
{
    return (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

void ElementMessage::SetCapture()
{
    if (m_hWnd)
        ::SetCapture(m_hWnd);
}

void ElementMessage::ReleaseCapture()
{
    ::ReleaseCapture();
}
