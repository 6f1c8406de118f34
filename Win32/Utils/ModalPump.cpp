#include "Win32/Utils/ModalPump.h"

#include <atomic>

#include "Platform/Win/User/User.h"

namespace {

MainWindowCloseState NoMainWindow() { return MainWindowCloseState{nullptr, FALSE}; }

std::atomic<MainWindowCloseQuery> g_closeQuery{NoMainWindow};

bool IsEscape(const MSG& msg)
{
    return (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) || (msg.message == WM_CHAR && msg.wParam == 27);
}

bool IsClientOrMenuHit(WPARAM hitTest)
{
    return hitTest == static_cast<WPARAM>(HTCLIENT) || hitTest == static_cast<WPARAM>(HTMENU);
}

// Input that would start something while the work runs.
bool IsStartingInput(const MSG& msg)
{
    switch (msg.message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_DROPFILES:
        return true;
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        return IsClientOrMenuHit(msg.wParam);
    default:
        return false;
    }
}

bool IsDoubleClick(UINT message)
{
    return message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK;
}

bool GoesToPassThroughControl(const MSG& msg)
{
    return msg.hwnd && GetDlgCtrlID(msg.hwnd) == kPumpPassThroughControlId;
}

void Dispatch(const MSG& msg)
{
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

} // namespace

void SetMainWindowCloseQuery(MainWindowCloseQuery query) { g_closeQuery = query ? query : NoMainWindow; }

MainWindowCloseState GetMainWindowCloseState() { return g_closeQuery.load()(); }

int PumpModalMessages(HWND hWatched, BOOL bPoll)
{
    // The wait cursor shows over the watched window, and on later passes
    // over the window that was active on the pass before.
    HWND rectWindow = hWatched;
    for (;;) {
        MainWindowCloseState main = GetMainWindowCloseState();
        if (main.hWnd && main.bClosePending)
            return kPumpAbort;

        MSG msg{};
        if (bPoll) {
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                return kPumpIdle;
        } else if (GetMessageA(&msg, nullptr, 0, 0) == -1) {
            return kPumpAbort;
        }

        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return kPumpAbort;
        }
        if (IsEscape(msg))
            return kPumpCancel;

        HWND active = GetActiveWindow();
        RECT rect{};
        bool inside = false;
        if (active && rectWindow && GetWindowRect(rectWindow, &rect) && PtInRect(&rect, msg.pt)) {
            SetCursor(LoadCursorA(nullptr, IDC_WAIT));
            inside = true;
        }
        rectWindow = active;

        if (!active && msg.hwnd) {
            Dispatch(msg);
            continue;
        }
        bool filtered = IsStartingInput(msg) || (inside && IsDoubleClick(msg.message));
        if (filtered && !GoesToPassThroughControl(msg))
            continue;
        Dispatch(msg);
    }
}
