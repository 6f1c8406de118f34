// The "msctls_trackbar32" class: a thumb on a channel between a minimum and
// a maximum. Keys, clicks on the channel and thumb drags move it and tell
// the parent with WM_HSCROLL (WM_VSCROLL when vertical) and the TB_ codes;
// every action ends with TB_ENDTRACK.

#include <algorithm>

#include "Platform/Win/CommCtrl/Private/CommCtrlInternal.h"

namespace win::commctrl {

namespace {

constexpr int kThumbLength = 11; // along the channel
constexpr int kThumbBreadth = 20;
constexpr int kEnd = 8; // channel inset at each end
constexpr UINT_PTR kRepeatTimer = 1;

struct TrackBar {
    LONG minimum = 0;
    LONG maximum = 100;
    LONG position = 0;
    LONG line = 1;
    LONG page = 20;
    LONG ticFrequency = 1;
    bool dragging = false;
    int dragOffset = 0;
    int paging = 0; // -1 paging up, +1 down while the button is held
    POINT pagingAt{};
};

TrackBar* Of(HWND window) { return StateOf<TrackBar>(window); }
bool Vertical(HWND window) { return GetWindowLongA(window, GWL_STYLE) & TBS_VERT; }

RECT Channel(HWND window)
{
    const RECT c = ClientRect(window);
    if (Vertical(window)) {
        const LONG mid = (c.left + c.right) / 2;
        return RECT{mid - 2, c.top + kEnd, mid + 2, c.bottom - kEnd};
    }
    const LONG mid = (c.top + c.bottom) / 2;
    return RECT{c.left + kEnd, mid - 2, c.right - kEnd, mid + 2};
}

// The pixel offset along the channel of a position, and back.
int Offset(HWND window, const TrackBar& tb, LONG position)
{
    const RECT ch = Channel(window);
    const int length = Vertical(window) ? ch.bottom - ch.top : ch.right - ch.left;
    const LONG span = std::max<LONG>(1, tb.maximum - tb.minimum);
    return static_cast<int>(static_cast<long long>(position - tb.minimum) * length / span);
}

LONG PositionAt(HWND window, const TrackBar& tb, int offset)
{
    const RECT ch = Channel(window);
    const int length = std::max(1, static_cast<int>(Vertical(window) ? ch.bottom - ch.top : ch.right - ch.left));
    const LONG span = tb.maximum - tb.minimum;
    const long long value = tb.minimum + (static_cast<long long>(offset) * span + length / 2) / length;
    return static_cast<LONG>(std::clamp<long long>(value, tb.minimum, tb.maximum));
}

RECT Thumb(HWND window, const TrackBar& tb)
{
    const RECT ch = Channel(window);
    const int at = Offset(window, tb, tb.position);
    if (Vertical(window)) {
        const LONG mid = (ch.left + ch.right) / 2;
        const LONG y = ch.top + at;
        return RECT{mid - kThumbBreadth / 2, y - kThumbLength / 2, mid + kThumbBreadth / 2, y + kThumbLength / 2 + 1};
    }
    const LONG mid = (ch.top + ch.bottom) / 2;
    const LONG x = ch.left + at;
    return RECT{x - kThumbLength / 2, mid - kThumbBreadth / 2, x + kThumbLength / 2 + 1, mid + kThumbBreadth / 2};
}

LONG Clamp(const TrackBar& tb, LONG value) { return std::clamp(value, tb.minimum, std::max(tb.minimum, tb.maximum)); }

void Notify(HWND window, WORD code, LONG position)
{
    if (HWND parent = NotifyTarget(window))
        SendMessageA(parent, Vertical(window) ? WM_VSCROLL : WM_HSCROLL,
                     MAKEWPARAM(code, code == TB_THUMBTRACK || code == TB_THUMBPOSITION ? position : 0),
                     reinterpret_cast<LPARAM>(window));
}

// Moves to `position` for an action of the user, then reports `code`.
void UserMove(HWND window, LONG position, WORD code)
{
    TrackBar* tb = Of(window);
    if (!tb)
        return;
    position = Clamp(*tb, position);
    if (position != tb->position) {
        tb->position = position;
        InvalidateRect(window, nullptr, TRUE);
    }
    Notify(window, code, position);
}

void PageStep(HWND window)
{
    TrackBar* tb = Of(window);
    if (!tb || !tb->paging)
        return;
    // Paging stops once the thumb reaches the point held.
    RECT thumb = Thumb(window, *tb);
    if (PtInRect(&thumb, tb->pagingAt))
        return;
    const int at = Vertical(window) ? tb->pagingAt.y : tb->pagingAt.x;
    const int thumbAt = Vertical(window) ? (thumb.top + thumb.bottom) / 2 : (thumb.left + thumb.right) / 2;
    if ((tb->paging < 0) != (at < thumbAt))
        return;
    UserMove(window, tb->position + tb->paging * tb->page, tb->paging < 0 ? TB_PAGEUP : TB_PAGEDOWN);
}

void Paint(HWND window, HDC dc)
{
    TrackBar* tb = Of(window);
    const RECT client = ClientRect(window);
    FillWith(dc, client, controls::ControlBrush(window, dc, WM_CTLCOLORSTATIC));
    RECT ch = Channel(window);
    DrawEdge(dc, &ch, EDGE_SUNKEN, BF_RECT);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    if ((style & TBS_AUTOTICKS) && !(style & TBS_NOTICKS) && tb->ticFrequency > 0) {
        for (LONG p = tb->minimum; p <= tb->maximum; p += tb->ticFrequency) {
            const int at = Offset(window, *tb, p);
            RECT tick = Vertical(window) ? RECT{ch.right + kThumbBreadth / 2, ch.top + at,
                                                ch.right + kThumbBreadth / 2 + 4, ch.top + at + 1}
                                         : RECT{ch.left + at, ch.bottom + kThumbBreadth / 2, ch.left + at + 1,
                                                ch.bottom + kThumbBreadth / 2 + 4};
            FillSysColor(dc, tick, COLOR_BTNTEXT);
            if (p > tb->maximum - tb->ticFrequency)
                break;
        }
    }
    RECT thumb = Thumb(window, *tb);
    FillSysColor(dc, thumb, COLOR_3DFACE);
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
    if (GetFocus() == window) {
        RECT focus = client;
        DrawFocusRect(dc, &focus);
    }
}

} // namespace

LRESULT CALLBACK TrackBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        MakeState<TrackBar>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    TrackBar* tb = Of(window);
    if (!tb)
        return DefWindowProcA(window, message, wParam, lParam);
    auto redraw = [&](BOOL yes) {
        if (yes)
            InvalidateRect(window, nullptr, TRUE);
    };
    switch (message) {
    case WM_NCDESTROY:
        FreeState<TrackBar>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { Paint(window, dc); });
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_LEFT:
        case VK_UP:
            UserMove(window, tb->position - tb->line, TB_LINEUP);
            return 0;
        case VK_RIGHT:
        case VK_DOWN:
            UserMove(window, tb->position + tb->line, TB_LINEDOWN);
            return 0;
        case VK_PRIOR:
            UserMove(window, tb->position - tb->page, TB_PAGEUP);
            return 0;
        case VK_NEXT:
            UserMove(window, tb->position + tb->page, TB_PAGEDOWN);
            return 0;
        case VK_HOME:
            UserMove(window, tb->minimum, TB_TOP);
            return 0;
        case VK_END:
            UserMove(window, tb->maximum, TB_BOTTOM);
            return 0;
        default:
            return 0;
        }
    case WM_KEYUP:
        switch (wParam) {
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_HOME:
        case VK_END:
            Notify(window, TB_ENDTRACK, tb->position);
            break;
        default:
            break;
        }
        return 0;
    case WM_LBUTTONDOWN: {
        if (GetFocus() != window)
            SetFocus(window);
        if (!(tb = Of(window)))
            return 0;
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        SetCapture(window);
        RECT thumb = Thumb(window, *tb);
        if (PtInRect(&thumb, pt)) {
            tb->dragging = true;
            tb->dragOffset = Vertical(window) ? pt.y - (thumb.top + thumb.bottom) / 2
                                              : pt.x - (thumb.left + thumb.right) / 2;
            return 0;
        }
        const int at = Vertical(window) ? pt.y : pt.x;
        const int thumbAt = Vertical(window) ? (thumb.top + thumb.bottom) / 2 : (thumb.left + thumb.right) / 2;
        tb->paging = at < thumbAt ? -1 : 1;
        tb->pagingAt = pt;
        PageStep(window);
        SetTimer(window, kRepeatTimer, win::user::GetInputTimings().repeatDelay, nullptr);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kRepeatTimer) {
            SetTimer(window, kRepeatTimer, win::user::GetInputTimings().repeatInterval, nullptr);
            PageStep(window);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (tb->dragging) {
            const RECT ch = Channel(window);
            const int at = Vertical(window) ? GET_Y_LPARAM(lParam) - tb->dragOffset - ch.top
                                            : GET_X_LPARAM(lParam) - tb->dragOffset - ch.left;
            const LONG position = PositionAt(window, *tb, at);
            if (position != tb->position) {
                tb->position = position;
                InvalidateRect(window, nullptr, TRUE);
            }
            Notify(window, TB_THUMBTRACK, position);
        } else if (tb->paging) {
            tb->pagingAt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        const bool dragged = tb->dragging;
        const bool paged = tb->paging != 0;
        tb->dragging = false;
        tb->paging = 0;
        KillTimer(window, kRepeatTimer);
        if (message == WM_LBUTTONUP && GetCapture() == window)
            ReleaseCapture();
        if (!(tb = Of(window)))
            return 0;
        if (dragged)
            Notify(window, TB_THUMBPOSITION, tb->position);
        if (dragged || paged)
            Notify(window, TB_ENDTRACK, tb->position);
        return 0;
    }

    case TBM_GETPOS:
        return tb->position;
    case TBM_GETRANGEMIN:
        return tb->minimum;
    case TBM_GETRANGEMAX:
        return tb->maximum;
    case TBM_SETPOS:
        tb->position = Clamp(*tb, static_cast<LONG>(lParam));
        redraw(static_cast<BOOL>(wParam));
        return 0;
    case TBM_SETRANGE:
        tb->minimum = static_cast<SHORT>(LOWORD(lParam));
        tb->maximum = static_cast<SHORT>(HIWORD(lParam));
        tb->position = Clamp(*tb, tb->position);
        redraw(static_cast<BOOL>(wParam));
        return 0;
    case TBM_SETRANGEMIN:
        tb->minimum = static_cast<LONG>(lParam);
        tb->position = Clamp(*tb, tb->position);
        redraw(static_cast<BOOL>(wParam));
        return 0;
    case TBM_SETRANGEMAX:
        tb->maximum = static_cast<LONG>(lParam);
        tb->position = Clamp(*tb, tb->position);
        redraw(static_cast<BOOL>(wParam));
        return 0;
    case TBM_SETTICFREQ:
        tb->ticFrequency = static_cast<LONG>(wParam);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case TBM_SETPAGESIZE: {
        const LONG old = tb->page;
        tb->page = static_cast<LONG>(lParam);
        return old;
    }
    case TBM_GETPAGESIZE:
        return tb->page;
    case TBM_SETLINESIZE: {
        const LONG old = tb->line;
        tb->line = static_cast<LONG>(lParam);
        return old;
    }
    case TBM_GETLINESIZE:
        return tb->line;
    case TBM_GETTHUMBRECT:
        if (auto* r = reinterpret_cast<RECT*>(lParam))
            *r = Thumb(window, *tb);
        return 0;
    case TBM_GETCHANNELRECT:
        if (auto* r = reinterpret_cast<RECT*>(lParam))
            *r = Channel(window);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace win::commctrl
