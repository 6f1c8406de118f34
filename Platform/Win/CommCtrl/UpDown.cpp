// The "msctls_updown32" class: two arrows that step a position within a
// range, optionally shown as the text of a buddy window. A press captures
// the mouse and repeats on a timer; losing the capture stops the repeat,
// and a new WM_LBUTTONDOWN starts it again. Each step asks the parent with
// UDN_DELTAPOS (non-zero refuses it), then reports WM_VSCROLL (WM_HSCROLL
// with UDS_HORZ) SB_THUMBPOSITION; the end of a press reports SB_ENDSCROLL.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Platform/Win/CommCtrl/Private/CommCtrlInternal.h"

namespace win::commctrl {

namespace {

constexpr UINT_PTR kRepeatTimer = 1;

struct UpDown {
    int lower = 100; // the classic default range runs from 100 down to 0
    int upper = 0;
    int position = 0;
    int base = 10;
    HWND buddy = nullptr;
    std::vector<UDACCEL> accel{{0, 1}, {2, 5}, {5, 20}};
    int pressed = 0; // +1 the up (right) arrow, -1 the down (left) arrow
    DWORD pressTime = 0;
};

UpDown* Of(HWND window) { return StateOf<UpDown>(window); }
DWORD Style(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }
bool Horizontal(HWND window) { return Style(window) & UDS_HORZ; }

LRESULT CALLBACK BuddyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
Subclasses g_buddies(BuddyProc);

int Low(const UpDown& ud) { return std::min(ud.lower, ud.upper); }
int High(const UpDown& ud) { return std::max(ud.lower, ud.upper); }

std::string FormatPosition(HWND window, const UpDown& ud)
{
    char text[32];
    if (ud.base == 16) {
        std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(ud.position) & 0xFFFFFFFFu);
        return text;
    }
    std::snprintf(text, sizeof text, "%d", ud.position);
    std::string digits = text;
    if (Style(window) & UDS_NOTHOUSANDS)
        return digits;
    // Thousands are grouped with commas.
    const size_t start = digits[0] == '-' ? 1 : 0;
    for (size_t i = digits.size(); i > start + 3; i -= 3)
        digits.insert(i - 3, ",");
    return digits;
}

void ShowInBuddy(HWND window, const UpDown& ud)
{
    if (ud.buddy && (Style(window) & UDS_SETBUDDYINT) && IsWindow(ud.buddy))
        SetWindowTextA(ud.buddy, FormatPosition(window, ud).c_str());
}

// The buddy's text read as a number in the base; false when it is none.
bool ReadBuddy(const UpDown& ud, int* value)
{
    if (!ud.buddy || !IsWindow(ud.buddy))
        return false;
    std::string text = WindowText(ud.buddy);
    text.erase(std::remove(text.begin(), text.end(), ','), text.end());
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.empty())
        return false;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, ud.base == 16 ? 16 : 10);
    if (!end || *end != '\0')
        return false;
    *value = static_cast<int>(parsed);
    return true;
}

void Report(HWND window, WORD code, int position)
{
    if (HWND parent = NotifyTarget(window))
        SendMessageA(parent, Horizontal(window) ? WM_HSCROLL : WM_VSCROLL,
                     MAKEWPARAM(code, static_cast<WORD>(position)), reinterpret_cast<LPARAM>(window));
}

UINT Increment(const UpDown& ud)
{
    const DWORD seconds = (GetTickCount() - ud.pressTime) / 1000;
    UINT inc = 1;
    for (const UDACCEL& a : ud.accel)
        if (seconds >= a.nSec)
            inc = a.nInc;
    return inc;
}

// One step toward the upper end (direction +1) or the lower end (-1).
void Step(HWND window, int direction)
{
    UpDown* ud = Of(window);
    if (!ud)
        return;
    int value = 0;
    if ((Style(window) & UDS_SETBUDDYINT) && ReadBuddy(*ud, &value))
        ud->position = std::clamp(value, Low(*ud), High(*ud));
    const int sign = ud->upper < ud->lower ? -direction : direction;
    NMUPDOWN nm{};
    nm.iPos = ud->position;
    nm.iDelta = sign * static_cast<int>(Increment(*ud));
    if (SendNotify(window, UDN_DELTAPOS, &nm.hdr))
        return;
    if (!(ud = Of(window)))
        return;
    long long next = static_cast<long long>(ud->position) + nm.iDelta;
    if (next > High(*ud))
        next = (Style(window) & UDS_WRAP) ? Low(*ud) : High(*ud);
    else if (next < Low(*ud))
        next = (Style(window) & UDS_WRAP) ? High(*ud) : Low(*ud);
    if (next != ud->position) {
        ud->position = static_cast<int>(next);
        ShowInBuddy(window, *ud);
    }
    Report(window, SB_THUMBPOSITION, ud->position);
}

void StopPress(HWND window, bool release)
{
    UpDown* ud = Of(window);
    if (!ud || !ud->pressed)
        return;
    ud->pressed = 0;
    KillTimer(window, kRepeatTimer);
    InvalidateRect(window, nullptr, TRUE);
    if (release && GetCapture() == window)
        ReleaseCapture();
    if (Of(window))
        Report(window, SB_ENDSCROLL, Of(window)->position);
}

// The arrow under a point: +1 up (or right), -1 down (or left), 0 none.
int ArrowAt(HWND window, POINT pt)
{
    const RECT c = ClientRect(window);
    RECT all = c;
    if (!PtInRect(&all, pt))
        return 0;
    if (Horizontal(window))
        return pt.x >= (c.left + c.right) / 2 ? 1 : -1;
    return pt.y < (c.top + c.bottom) / 2 ? 1 : -1;
}

void Align(HWND window, UpDown& ud)
{
    const DWORD style = Style(window);
    if (!ud.buddy || !(style & (UDS_ALIGNLEFT | UDS_ALIGNRIGHT)) || !GetParent(window))
        return;
    RECT b{};
    GetWindowRect(ud.buddy, &b);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&b), 2);
    RECT self{};
    GetWindowRect(window, &self);
    const int width = self.right - self.left;
    const int height = b.bottom - b.top;
    // The arrows take the buddy's side; the buddy gives up their width.
    if (style & UDS_ALIGNRIGHT) {
        SetWindowPos(ud.buddy, nullptr, 0, 0, b.right - b.left - width + 2, height, SWP_NOMOVE | SWP_NOZORDER);
        SetWindowPos(window, nullptr, b.right - width, b.top, width, height, SWP_NOZORDER);
    } else {
        SetWindowPos(ud.buddy, nullptr, b.left + width - 2, b.top, b.right - b.left - width + 2, height, SWP_NOZORDER);
        SetWindowPos(window, nullptr, b.left, b.top, width, height, SWP_NOZORDER);
    }
}

HWND SetBuddy(HWND window, HWND buddy)
{
    UpDown* ud = Of(window);
    HWND old = ud->buddy;
    if (old && g_buddies.OwnerOf(old) == window)
        g_buddies.Detach(old);
    ud->buddy = IsWindow(buddy) ? buddy : nullptr;
    if (ud->buddy) {
        if (Style(window) & UDS_ARROWKEYS)
            g_buddies.Attach(ud->buddy, window);
        Align(window, *ud);
        ShowInBuddy(window, *ud);
    }
    return old;
}

LRESULT CALLBACK BuddyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND owner = g_buddies.OwnerOf(window);
    if (owner && (message == WM_KEYDOWN || message == WM_KEYUP) && (wParam == VK_UP || wParam == VK_DOWN)) {
        if (message == WM_KEYDOWN) {
            if (UpDown* ud = Of(owner))
                if (!(lParam & 0x40000000))
                    ud->pressTime = GetTickCount();
            Step(owner, wParam == VK_UP ? 1 : -1);
        } else if (UpDown* ud = Of(owner)) {
            Report(owner, SB_ENDSCROLL, ud->position);
        }
        return 0;
    }
    if (owner && message == WM_GETDLGCODE)
        return g_buddies.CallOriginal(window, message, wParam, lParam) | DLGC_WANTARROWS;
    if (message == WM_NCDESTROY) {
        const LRESULT result = g_buddies.CallOriginal(window, message, wParam, lParam);
        if (owner)
            if (UpDown* ud = Of(owner))
                ud->buddy = nullptr;
        g_buddies.Detach(window);
        return result;
    }
    return g_buddies.CallOriginal(window, message, wParam, lParam);
}

void Paint(HWND window, HDC dc)
{
    UpDown* ud = Of(window);
    const RECT c = ClientRect(window);
    RECT first = c;
    RECT second = c;
    if (Horizontal(window)) {
        first.right = (c.left + c.right) / 2;
        second.left = first.right;
    } else {
        first.bottom = (c.top + c.bottom) / 2;
        second.top = first.bottom;
    }
    const bool enabled = IsWindowEnabled(window);
    // first: up (or left, the down arrow of a horizontal control)
    const int firstArrow = Horizontal(window) ? -1 : 1;
    for (int part = 0; part < 2; ++part) {
        RECT r = part == 0 ? first : second;
        const int arrow = part == 0 ? firstArrow : -firstArrow;
        FillSysColor(dc, r, COLOR_3DFACE);
        DrawEdge(dc, &r, ud->pressed == arrow ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        const int direction = Horizontal(window) ? (arrow > 0 ? 3 : 2) : (arrow > 0 ? 0 : 1);
        controls::DrawArrow(dc, r, direction, enabled);
    }
}

} // namespace

LRESULT CALLBACK UpDownProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        MakeState<UpDown>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    UpDown* ud = Of(window);
    if (!ud)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
        if (Style(window) & UDS_AUTOBUDDY)
            SetBuddy(window, GetWindow(window, GW_HWNDPREV));
        return 0;
    case WM_NCDESTROY:
        if (ud->buddy && g_buddies.OwnerOf(ud->buddy) == window)
            g_buddies.Detach(ud->buddy);
        FreeState<UpDown>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { Paint(window, dc); });
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if ((Style(window) & UDS_ARROWKEYS) && (wParam == VK_UP || wParam == VK_DOWN)) {
            if (!(lParam & 0x40000000))
                ud->pressTime = GetTickCount();
            Step(window, wParam == VK_UP ? 1 : -1);
        }
        return 0;
    case WM_KEYUP:
        if ((Style(window) & UDS_ARROWKEYS) && (wParam == VK_UP || wParam == VK_DOWN))
            Report(window, SB_ENDSCROLL, ud->position);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!IsWindowEnabled(window))
            return 0;
        const int arrow = ArrowAt(window, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (!arrow)
            return 0;
        KillTimer(window, kRepeatTimer);
        ud->pressed = arrow;
        ud->pressTime = GetTickCount();
        SetCapture(window);
        InvalidateRect(window, nullptr, TRUE);
        Step(window, arrow);
        if (Of(window) && Of(window)->pressed)
            SetTimer(window, kRepeatTimer, win::user::GetInputTimings().repeatDelay, nullptr);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kRepeatTimer) {
            if (!ud->pressed || GetCapture() != window) {
                KillTimer(window, kRepeatTimer);
                return 0;
            }
            SetTimer(window, kRepeatTimer, win::user::GetInputTimings().repeatInterval, nullptr);
            // The repeat holds while the pointer stays over the arrow pressed.
            POINT pt{};
            GetCursorPos(&pt);
            ScreenToClient(window, &pt);
            if (ArrowAt(window, pt) == ud->pressed)
                Step(window, ud->pressed);
        }
        return 0;
    case WM_LBUTTONUP:
        StopPress(window, true);
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != window)
            StopPress(window, false);
        return 0;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;

    case UDM_SETRANGE:
        ud->upper = static_cast<SHORT>(LOWORD(lParam));
        ud->lower = static_cast<SHORT>(HIWORD(lParam));
        ud->position = std::clamp(ud->position, Low(*ud), High(*ud));
        return 0;
    case UDM_GETRANGE:
        return MAKELONG(static_cast<WORD>(ud->upper), static_cast<WORD>(ud->lower));
    case UDM_SETRANGE32:
        ud->lower = static_cast<int>(wParam);
        ud->upper = static_cast<int>(lParam);
        ud->position = std::clamp(ud->position, Low(*ud), High(*ud));
        return 0;
    case UDM_GETRANGE32:
        if (auto* low = reinterpret_cast<int*>(wParam))
            *low = ud->lower;
        if (auto* high = reinterpret_cast<int*>(lParam))
            *high = ud->upper;
        return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        const int old = ud->position;
        const int wanted = message == UDM_SETPOS ? static_cast<SHORT>(LOWORD(lParam)) : static_cast<int>(lParam);
        ud->position = std::clamp(wanted, Low(*ud), High(*ud));
        ShowInBuddy(window, *ud);
        return message == UDM_SETPOS ? static_cast<LRESULT>(static_cast<WORD>(old)) : old;
    }
    case UDM_GETPOS:
    case UDM_GETPOS32: {
        bool failed = false;
        if (Style(window) & UDS_SETBUDDYINT) {
            int value = 0;
            if (ReadBuddy(*ud, &value))
                ud->position = std::clamp(value, Low(*ud), High(*ud));
            else
                failed = true;
        }
        if (message == UDM_GETPOS32) {
            if (auto* error = reinterpret_cast<BOOL*>(lParam))
                *error = failed;
            return ud->position;
        }
        return MAKELONG(static_cast<WORD>(ud->position), failed ? 1 : 0);
    }
    case UDM_SETBUDDY:
        return reinterpret_cast<LRESULT>(SetBuddy(window, reinterpret_cast<HWND>(wParam)));
    case UDM_GETBUDDY:
        return reinterpret_cast<LRESULT>(ud->buddy);
    case UDM_SETBASE: {
        if (wParam != 10 && wParam != 16)
            return 0;
        const int old = ud->base;
        ud->base = static_cast<int>(wParam);
        ShowInBuddy(window, *ud);
        return old;
    }
    case UDM_GETBASE:
        return ud->base;
    case UDM_SETACCEL: {
        const auto* accel = reinterpret_cast<const UDACCEL*>(lParam);
        if (!accel || wParam == 0 || wParam > 64)
            return FALSE;
        ud->accel.assign(accel, accel + wParam);
        return TRUE;
    }
    case UDM_GETACCEL: {
        auto* accel = reinterpret_cast<UDACCEL*>(lParam);
        const size_t n = std::min<size_t>(wParam, ud->accel.size());
        if (accel)
            std::copy(ud->accel.begin(), ud->accel.begin() + static_cast<long>(n), accel);
        return static_cast<LRESULT>(ud->accel.size());
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace win::commctrl
