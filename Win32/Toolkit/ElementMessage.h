#pragma once
// A window message as elements exchange it: window, message, parameters,
// and the cursor position and time of the message being handled. Made for
// a window, the position is in that window's client coordinates; made
// without one, it stays in screen coordinates.

#include "Platform/Mfc/Mfc.h"
#include "Win32/Utils/GfxTypes.h"

class ElementMessage {
public:
    ElementMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual ~ElementMessage() = default;

    // GetKeyState's high bit of VK_CONTROL and VK_SHIFT.
    virtual bool IsControlDown() const;
    virtual bool IsShiftDown() const;
    // The mouse capture, for the message's window.
    virtual void SetCapture();
    virtual void ReleaseCapture();

    HWND GetHwnd() const { return m_hWnd; }
    UINT GetMessage() const { return m_nMessage; }
    WPARAM GetWParam() const { return m_wParam; }
    LPARAM GetLParam() const { return m_lParam; }
    const CGfxPoint& GetPoint() const { return m_point; }
    DWORD GetTime() const { return m_nTime; }

private:
    HWND m_hWnd;
    UINT m_nMessage;
    WPARAM m_wParam;
    LPARAM m_lParam;
    CGfxPoint m_point;
    DWORD m_nTime;
};
