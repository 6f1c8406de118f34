// Scroll bars: the state, geometry, painting and mouse tracking shared by
// the bars in windows' frames and the "ScrollBar" control. A press on an
// arrow or the shaft sends its SB_ code at once and again while the button
// is held (after the repeat delay, then each repeat interval, as long as the
// pointer stays on the part); a press on the thumb sends SB_THUMBTRACK as it
// moves and SB_THUMBPOSITION where it is let go; every press ends with
// SB_ENDSCROLL.

#include <algorithm>
#include <map>
#include <mutex>

#include "Platform/Win/Controls/Private/ControlsInternal.h"
#include "Platform/Win/User/ModalLoop.h"

namespace win::controls {

namespace {

constexpr UINT_PTR kRepeatTimer = 0x5C01;
constexpr LONG kMinThumb = 8;

struct Bar {
    int min = 0;
    int max = 100;
    UINT page = 0;
    int pos = 0;
    int trackPos = 0;
    bool tracking = false;
    UINT disabledArrows = ESB_ENABLE_BOTH;
};

struct WindowBars {
    Bar vertical;
    Bar horizontal;
    int updating = 0;
};

// The bars of windows' frames; the control keeps its own bar.
std::mutex g_lock;
std::map<HWND, WindowBars> g_bars;

enum class Part { None, LineLess, PageLess, Thumb, PageMore, LineMore };

struct Geometry {
    RECT bar{};
    bool vertical = true;
    RECT less{};
    RECT more{};
    RECT thumb{}; // empty when there is no room for one
    RECT shaft{};
};

int Trackable(const Bar& b) { return b.max - std::max<int>(static_cast<int>(b.page) - 1, 0) - b.min; }

Geometry Measure(const RECT& r, bool vertical, const Bar& b, bool useTrack)
{
    Geometry g;
    g.bar = r;
    g.vertical = vertical;
    const LONG length = vertical ? r.bottom - r.top : r.right - r.left;
    const LONG thickness = vertical ? r.right - r.left : r.bottom - r.top;
    const LONG arrow = std::min<LONG>(thickness, length / 2);
    if (vertical) {
        g.less = RECT{r.left, r.top, r.right, r.top + arrow};
        g.more = RECT{r.left, r.bottom - arrow, r.right, r.bottom};
        g.shaft = RECT{r.left, g.less.bottom, r.right, g.more.top};
    } else {
        g.less = RECT{r.left, r.top, r.left + arrow, r.bottom};
        g.more = RECT{r.right - arrow, r.top, r.right, r.bottom};
        g.shaft = RECT{g.less.right, r.top, g.more.left, r.bottom};
    }
    const LONG shaft = vertical ? g.shaft.bottom - g.shaft.top : g.shaft.right - g.shaft.left;
    const int range = b.max - b.min + 1;
    if (range <= 1 || shaft <= 0)
        return g;
    LONG thumb = b.page ? std::max<LONG>(kMinThumb, static_cast<LONG>(static_cast<long long>(shaft) * b.page / range))
                        : std::min<LONG>(thickness, shaft);
    if (thumb > shaft || (b.page && thumb >= shaft))
        return g;
    const int trackable = Trackable(b);
    const int pos = useTrack ? b.trackPos : b.pos;
    const LONG offset = trackable > 0 ? static_cast<LONG>(static_cast<long long>(shaft - thumb) * (pos - b.min) / trackable) : 0;
    if (vertical)
        g.thumb = RECT{r.left, g.shaft.top + offset, r.right, g.shaft.top + offset + thumb};
    else
        g.thumb = RECT{g.shaft.left + offset, r.top, g.shaft.left + offset + thumb, r.bottom};
    return g;
}

Part HitTest(const Geometry& g, POINT p)
{
    if (!PtInRect(&g.bar, p))
        return Part::None;
    if (PtInRect(&g.less, p))
        return Part::LineLess;
    if (PtInRect(&g.more, p))
        return Part::LineMore;
    if (!IsRectEmpty(&g.thumb)) {
        if (PtInRect(&g.thumb, p))
            return Part::Thumb;
        const bool before = g.vertical ? p.y < g.thumb.top : p.x < g.thumb.left;
        return before ? Part::PageLess : Part::PageMore;
    }
    return Part::None;
}

WORD CodeOf(Part part)
{
    switch (part) {
    case Part::LineLess:
        return SB_LINEUP;
    case Part::PageLess:
        return SB_PAGEUP;
    case Part::PageMore:
        return SB_PAGEDOWN;
    case Part::LineMore:
        return SB_LINEDOWN;
    default:
        return SB_THUMBTRACK;
    }
}

bool BarEnabled(const Bar& b) { return b.disabledArrows != ESB_DISABLE_BOTH && b.max > b.min; }

void PaintBar(HDC dc, const Geometry& g, const Bar& b, Part pressed, bool enabled, HBRUSH shaftBrush)
{
    const bool active = enabled && BarEnabled(b);
    UINT lessState = g.vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT;
    UINT moreState = g.vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT;
    if (!active || (b.disabledArrows & ESB_DISABLE_LTUP))
        lessState |= DFCS_INACTIVE;
    if (!active || (b.disabledArrows & ESB_DISABLE_RTDN))
        moreState |= DFCS_INACTIVE;
    if (pressed == Part::LineLess)
        lessState |= DFCS_PUSHED | DFCS_FLAT;
    if (pressed == Part::LineMore)
        moreState |= DFCS_PUSHED | DFCS_FLAT;
    RECT less = g.less;
    RECT more = g.more;
    DrawFrameControl(dc, &less, DFC_SCROLL, lessState);
    DrawFrameControl(dc, &more, DFC_SCROLL, moreState);
    FillWith(dc, g.shaft, shaftBrush ? shaftBrush : GetSysColorBrush(COLOR_SCROLLBAR));
    if (!active || IsRectEmpty(&g.thumb))
        return;
    if (pressed == Part::PageLess || pressed == Part::PageMore) {
        RECT page = g.shaft;
        if (g.vertical)
            (pressed == Part::PageLess ? page.bottom : page.top) = pressed == Part::PageLess ? g.thumb.top : g.thumb.bottom;
        else
            (pressed == Part::PageLess ? page.right : page.left) = pressed == Part::PageLess ? g.thumb.left : g.thumb.right;
        FillSysColor(dc, page, COLOR_3DDKSHADOW);
    }
    RECT thumb = g.thumb;
    FillSysColor(dc, thumb, COLOR_3DFACE);
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
}

void PaintSizeGrip(HDC dc, const RECT& r)
{
    FillSysColor(dc, r, COLOR_3DFACE);
    for (LONG i = 0; i < 3; ++i) {
        const LONG d = 4 * i + 3;
        for (LONG k = 0; k < 2; ++k) {
            const int color = k == 0 ? COLOR_3DHILIGHT : COLOR_3DSHADOW;
            for (LONG j = 0; j < d; ++j) {
                RECT dot{r.right - d + j - 1 + k, r.bottom - j - 2 + k, r.right - d + j + k, r.bottom - j - 1 + k};
                FillSysColor(dc, dot, color);
            }
        }
    }
}

// A bar's state to read and write: a window's own, or a control's.
Bar* WindowBar(HWND window, int which)
{
    WindowBars& bars = g_bars[window];
    return which == SB_VERT ? &bars.vertical : &bars.horizontal;
}

DWORD BarStyle(int which) { return which == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

bool Needed(const Bar& b) { return b.max > b.min && static_cast<long long>(b.page) <= static_cast<long long>(b.max) - b.min; }

void Apply(Bar& b, const SCROLLINFO& info)
{
    if (info.fMask & SIF_RANGE) {
        b.min = info.nMin;
        b.max = std::max(info.nMin, info.nMax);
    }
    if (info.fMask & SIF_PAGE)
        b.page = std::min<UINT>(info.nPage, static_cast<UINT>(static_cast<long long>(b.max) - b.min + 1));
    if (info.fMask & SIF_POS)
        b.pos = info.nPos;
    b.pos = std::clamp(b.pos, b.min, std::max(b.min, b.min + Trackable(b)));
}

void Fill(const Bar& b, SCROLLINFO* info)
{
    if (info->fMask & SIF_RANGE) {
        info->nMin = b.min;
        info->nMax = b.max;
    }
    if (info->fMask & SIF_PAGE)
        info->nPage = b.page;
    if (info->fMask & SIF_POS)
        info->nPos = b.pos;
    if (info->fMask & SIF_TRACKPOS)
        info->nTrackPos = b.tracking ? b.trackPos : b.pos;
}

void ShowWindowBar(HWND window, int which, bool show)
{
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const LONG bits = static_cast<LONG>(which == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : BarStyle(which));
    const LONG wanted = show ? (style | bits) : (style & ~bits);
    if (wanted == style)
        return;
    SetWindowLongA(window, GWL_STYLE, wanted);
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The screen rectangles of a window's bars: beside and below its client area.
RECT WindowBarOnScreen(HWND window, int which)
{
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (which == SB_VERT)
        return RECT{client.right, client.top, client.right + GetSystemMetrics(SM_CXVSCROLL), client.bottom};
    return RECT{client.left, client.bottom, client.right, client.bottom + GetSystemMetrics(SM_CYHSCROLL)};
}

// Where the thumb of a bar of `length` would put the position for a point.
int PositionForThumb(const Geometry& g, const Bar& b, POINT p, LONG grab)
{
    const LONG thumb = g.vertical ? g.thumb.bottom - g.thumb.top : g.thumb.right - g.thumb.left;
    const LONG shaft = g.vertical ? g.shaft.bottom - g.shaft.top : g.shaft.right - g.shaft.left;
    const LONG room = shaft - thumb;
    if (room <= 0)
        return b.pos;
    const LONG at = (g.vertical ? p.y - g.shaft.top : p.x - g.shaft.left) - grab;
    const LONG clamped = std::clamp<LONG>(at, 0, room);
    return b.min + static_cast<int>((static_cast<long long>(clamped) * Trackable(b) + room / 2) / room);
}

// How a tracked bar is reached: its rectangle on screen, its state, where
// its notifications go and how it repaints.
struct Tracked {
    std::function<RECT()> rect;
    std::function<Bar*()> bar; // null when the bar went away
    bool vertical = true;
    HWND capture = nullptr;
    HWND notify = nullptr;
    LPARAM control = 0;
    std::function<void(Part)> repaint;
};

void Send(const Tracked& t, WORD code, int position)
{
    SendMessageA(t.notify, t.vertical ? WM_VSCROLL : WM_HSCROLL,
                 MAKEWPARAM(code, static_cast<WORD>(position)), t.control);
}

void Track(Tracked t, POINT start)
{
    Bar* bar = t.bar();
    if (!bar || !BarEnabled(*bar))
        return;
    Geometry g = Measure(t.rect(), t.vertical, *bar, false);
    const Part part = HitTest(g, start);
    if (part == Part::None)
        return;
    if ((part == Part::LineLess && (bar->disabledArrows & ESB_DISABLE_LTUP)) ||
        (part == Part::LineMore && (bar->disabledArrows & ESB_DISABLE_RTDN)))
        return;
    const InputTimings timings = GetInputTimings();
    LONG grab = 0;
    if (part == Part::Thumb) {
        grab = t.vertical ? start.y - g.thumb.top : start.x - g.thumb.left;
        bar->tracking = true;
        bar->trackPos = bar->pos;
    }
    SetCapture(t.capture);
    t.repaint(part);
    if (part != Part::Thumb) {
        Send(t, CodeOf(part), 0);
        SetTimer(t.capture, kRepeatTimer, timings.repeatDelay, nullptr);
    }
    bool over = true;
    ModalLoop loop(nullptr);
    loop.m_filter = [&](MSG& msg) {
        if (GetCapture() != t.capture) {
            loop.End(0);
            return false;
        }
        Bar* b = t.bar();
        if (!b) {
            loop.End(0);
            return false;
        }
        switch (msg.message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE: {
            if (part == Part::Thumb) {
                Geometry now = Measure(t.rect(), t.vertical, *b, false);
                const int position = PositionForThumb(now, *b, msg.pt, grab);
                if (position != b->trackPos) {
                    b->trackPos = position;
                    t.repaint(part);
                    Send(t, SB_THUMBTRACK, position);
                }
            } else {
                const bool nowOver = HitTest(Measure(t.rect(), t.vertical, *b, false), msg.pt) == part;
                if (nowOver != over) {
                    over = nowOver;
                    t.repaint(over ? part : Part::None);
                }
            }
            return true;
        }
        case WM_LBUTTONUP:
        case WM_NCLBUTTONUP:
            loop.End(1);
            return true;
        case WM_TIMER:
            if (msg.hwnd == t.capture && msg.wParam == kRepeatTimer) {
                SetTimer(t.capture, kRepeatTimer, timings.repeatInterval, nullptr);
                if (over && HitTest(Measure(t.rect(), t.vertical, *b, false), msg.pt) == part) {
                    Send(t, CodeOf(part), 0);
                    t.repaint(part);
                }
                return true;
            }
            return false;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
            return true;
        default:
            return false;
        }
    };
    loop.Run(t.capture, 0);
    KillTimer(t.capture, kRepeatTimer);
    if (GetCapture() == t.capture)
        ReleaseCapture();
    if (Bar* b = t.bar()) {
        if (part == Part::Thumb) {
            const int position = b->trackPos;
            b->tracking = false;
            Send(t, SB_THUMBPOSITION, position);
        }
    }
    Send(t, SB_ENDSCROLL, 0);
    t.repaint(Part::None);
}

struct ControlState {
    Bar bar{0, 0, 0, 0, 0, false, ESB_ENABLE_BOTH};
    Part pressed = Part::None;
};

bool ControlVertical(HWND window) { return GetWindowLongA(window, GWL_STYLE) & SBS_VERT; }
bool IsGrip(HWND window) { return GetWindowLongA(window, GWL_STYLE) & (SBS_SIZEGRIP | SBS_SIZEBOX); }

void PaintControl(HWND window, HDC dc, const ControlState& s)
{
    RECT r = ClientRect(window);
    if (IsGrip(window)) {
        PaintSizeGrip(dc, r);
        return;
    }
    HBRUSH brush = ControlBrush(window, dc, WM_CTLCOLORSCROLLBAR);
    const bool vertical = ControlVertical(window);
    PaintBar(dc, Measure(r, vertical, s.bar, s.bar.tracking), s.bar, s.pressed, IsWindowEnabled(window) != FALSE, brush);
}

void RedrawControl(HWND window)
{
    ControlState* s = StateOf<ControlState>(window);
    if (!s || !IsWindowVisible(window))
        return;
    HDC dc = GetDC(window);
    PaintControl(window, dc, *s);
    ReleaseDC(window, dc);
}

void RepaintWindowBars(HWND window) { RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOERASE); }

// The pressed part of the window bar being tracked, for painting.
HWND g_pressedWindow = nullptr;
int g_pressedWhich = 0;
Part g_pressedPart = Part::None;

} // namespace

void ScrollWindowDestroyed(HWND window)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_bars.erase(window);
}

void PaintWindowScrollBars(HWND window, HDC dc, const RECT& vertical, const RECT& horizontal)
{
    Bar v;
    Bar h;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        auto it = g_bars.find(window);
        if (it != g_bars.end()) {
            v = it->second.vertical;
            h = it->second.horizontal;
        }
    }
    const bool enabled = IsWindowEnabled(window) != FALSE;
    if (!IsRectEmpty(&vertical)) {
        Part pressed = g_pressedWindow == window && g_pressedWhich == SB_VERT ? g_pressedPart : Part::None;
        PaintBar(dc, Measure(vertical, true, v, v.tracking), v, pressed, enabled, nullptr);
    }
    if (!IsRectEmpty(&horizontal)) {
        Part pressed = g_pressedWindow == window && g_pressedWhich == SB_HORZ ? g_pressedPart : Part::None;
        PaintBar(dc, Measure(horizontal, false, h, h.tracking), h, pressed, enabled, nullptr);
    }
}

bool TrackWindowScrollBar(HWND window, LRESULT hit, POINT screen)
{
    const int which = hit == HTVSCROLL ? SB_VERT : SB_HORZ;
    Tracked t;
    t.vertical = which == SB_VERT;
    t.capture = window;
    t.notify = window;
    t.rect = [window, which] { return WindowBarOnScreen(window, which); };
    t.bar = [window, which]() -> Bar* {
        std::lock_guard<std::mutex> guard(g_lock);
        if (!IsWindow(window))
            return nullptr;
        return WindowBar(window, which);
    };
    t.repaint = [window, which](Part part) {
        g_pressedWindow = part == Part::None ? nullptr : window;
        g_pressedWhich = which;
        g_pressedPart = part;
        RepaintWindowBars(window);
        UpdateWindow(window);
        SendMessageA(window, WM_NCPAINT, 1, 0);
    };
    Track(std::move(t), screen);
    g_pressedWindow = nullptr;
    return true;
}

LRESULT CALLBACK ScrollBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        MakeState<ControlState>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    ControlState* s = StateOf<ControlState>(window);
    if (!s)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY:
        FreeState<ControlState>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { PaintControl(window, dc, *s); });
    case WM_NCHITTEST:
        if (IsGrip(window))
            return HTBOTTOMRIGHT;
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (IsGrip(window))
            return 0;
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(window, &at);
        Tracked t;
        t.vertical = ControlVertical(window);
        t.capture = window;
        t.notify = NotifyTarget(window);
        t.control = reinterpret_cast<LPARAM>(window);
        t.rect = [window] {
            RECT r = ClientRect(window);
            MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
            return r;
        };
        t.bar = [window]() -> Bar* {
            ControlState* state = IsWindow(window) ? StateOf<ControlState>(window) : nullptr;
            return state ? &state->bar : nullptr;
        };
        t.repaint = [window](Part part) {
            if (ControlState* state = IsWindow(window) ? StateOf<ControlState>(window) : nullptr) {
                state->pressed = part;
                RedrawControl(window);
            }
        };
        Track(std::move(t), at);
        return 0;
    }
    case WM_KEYDOWN: {
        struct KeyCode {
            UINT vk;
            WORD code;
        };
        static constexpr KeyCode kKeys[] = {{VK_UP, SB_LINEUP},     {VK_LEFT, SB_LINEUP},    {VK_DOWN, SB_LINEDOWN},
                                            {VK_RIGHT, SB_LINEDOWN}, {VK_PRIOR, SB_PAGEUP},  {VK_NEXT, SB_PAGEDOWN},
                                            {VK_HOME, SB_TOP},       {VK_END, SB_BOTTOM}};
        for (const KeyCode& k : kKeys)
            if (k.vk == wParam) {
                SendMessageA(NotifyTarget(window), ControlVertical(window) ? WM_VSCROLL : WM_HSCROLL,
                             MAKEWPARAM(k.code, 0), reinterpret_cast<LPARAM>(window));
                return 0;
            }
        return 0;
    }
    case WM_KEYUP:
        if (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_LEFT || wParam == VK_RIGHT || wParam == VK_PRIOR ||
            wParam == VK_NEXT || wParam == VK_HOME || wParam == VK_END)
            SendMessageA(NotifyTarget(window), ControlVertical(window) ? WM_VSCROLL : WM_HSCROLL,
                         MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(window));
        return 0;
    case SBM_SETPOS: {
        const int old = s->bar.pos;
        SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, static_cast<int>(wParam), 0};
        Apply(s->bar, info);
        if (lParam)
            RedrawControl(window);
        return old;
    }
    case SBM_GETPOS:
        return s->bar.pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
        const int old = s->bar.pos;
        SCROLLINFO info{sizeof info, SIF_RANGE, static_cast<int>(wParam), static_cast<int>(lParam), 0, 0, 0};
        Apply(s->bar, info);
        if (message == SBM_SETRANGEREDRAW)
            RedrawControl(window);
        return old;
    }
    case SBM_GETRANGE:
        if (wParam)
            *reinterpret_cast<int*>(wParam) = s->bar.min;
        if (lParam)
            *reinterpret_cast<int*>(lParam) = s->bar.max;
        return 0;
    case SBM_ENABLE_ARROWS:
        s->bar.disabledArrows = static_cast<UINT>(wParam);
        RedrawControl(window);
        return TRUE;
    case SBM_SETSCROLLINFO: {
        const auto* info = reinterpret_cast<const SCROLLINFO*>(lParam);
        if (!info)
            return s->bar.pos;
        Apply(s->bar, *info);
        if (wParam)
            RedrawControl(window);
        return s->bar.pos;
    }
    case SBM_GETSCROLLINFO: {
        auto* info = reinterpret_cast<SCROLLINFO*>(lParam);
        if (!info)
            return FALSE;
        Fill(s->bar, info);
        return TRUE;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace win::controls

using namespace win;
using namespace win::controls;

int SetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL redraw)
{
    if (!info || !IsWindow(window))
        return 0;
    if (bar == SB_CTL)
        return static_cast<int>(SendMessageA(window, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
    if (bar != SB_VERT && bar != SB_HORZ)
        return 0;
    int position = 0;
    bool show = false;
    bool changeVisibility = false;
    bool reentered = false;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        Bar* b = WindowBar(window, bar);
        Apply(*b, *info);
        position = b->pos;
        changeVisibility = (info->fMask & (SIF_RANGE | SIF_PAGE)) != 0;
        show = Needed(*b) || (info->fMask & SIF_DISABLENOSCROLL);
        if (!Needed(*b) && (info->fMask & SIF_DISABLENOSCROLL))
            b->disabledArrows = ESB_DISABLE_BOTH;
        else if (Needed(*b) && b->disabledArrows == ESB_DISABLE_BOTH && (info->fMask & SIF_DISABLENOSCROLL))
            b->disabledArrows = ESB_ENABLE_BOTH;
        WindowBars& bars = g_bars[window];
        reentered = bars.updating > 0;
        ++bars.updating;
    }
    // Showing or hiding a bar resizes the client area, which may make the
    // window set its bars again: that inner call changes no visibility.
    if (changeVisibility && !reentered)
        ShowWindowBar(window, bar, show);
    {
        std::lock_guard<std::mutex> guard(g_lock);
        auto it = g_bars.find(window);
        if (it != g_bars.end())
            --it->second.updating;
    }
    if (redraw && (GetWindowLongA(window, GWL_STYLE) & BarStyle(bar)))
        RepaintWindowBars(window);
    return position;
}

BOOL GetScrollInfo(HWND window, int bar, LPSCROLLINFO info)
{
    if (!info || !IsWindow(window))
        return FALSE;
    if (bar == SB_CTL)
        return static_cast<BOOL>(SendMessageA(window, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)));
    if (bar != SB_VERT && bar != SB_HORZ)
        return FALSE;
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_bars.find(window);
    if (it == g_bars.end() && !(GetWindowLongA(window, GWL_STYLE) & BarStyle(bar)))
        return FALSE;
    Fill(*WindowBar(window, bar), info);
    return TRUE;
}

int SetScrollPos(HWND window, int bar, int position, BOOL redraw)
{
    SCROLLINFO old{sizeof old, SIF_POS, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(window, bar, &old) && bar != SB_VERT && bar != SB_HORZ)
        return 0;
    SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, position, 0};
    SetScrollInfo(window, bar, &info, redraw);
    return old.nPos;
}

int GetScrollPos(HWND window, int bar)
{
    SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, 0, 0};
    return GetScrollInfo(window, bar, &info) ? info.nPos : 0;
}

BOOL SetScrollRange(HWND window, int bar, int minimum, int maximum, BOOL redraw)
{
    if (!IsWindow(window))
        return FALSE;
    SCROLLINFO info{sizeof info, SIF_RANGE, minimum, maximum, 0, 0, 0};
    SetScrollInfo(window, bar, &info, redraw);
    return TRUE;
}

BOOL GetScrollRange(HWND window, int bar, LPINT minimum, LPINT maximum)
{
    SCROLLINFO info{sizeof info, SIF_RANGE, 0, 0, 0, 0, 0};
    const BOOL ok = GetScrollInfo(window, bar, &info);
    if (minimum)
        *minimum = info.nMin;
    if (maximum)
        *maximum = info.nMax;
    return ok;
}

BOOL ShowScrollBar(HWND window, int bar, BOOL show)
{
    if (!IsWindow(window))
        return FALSE;
    if (bar == SB_CTL) {
        ShowWindow(window, show ? SW_SHOW : SW_HIDE);
        return TRUE;
    }
    ShowWindowBar(window, bar, show != FALSE);
    return TRUE;
}

BOOL EnableScrollBar(HWND window, UINT bar, UINT arrows)
{
    if (!IsWindow(window))
        return FALSE;
    if (bar == SB_CTL) {
        SendMessageA(window, SBM_ENABLE_ARROWS, arrows, 0);
        return TRUE;
    }
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (bar == SB_VERT || bar == SB_BOTH)
            WindowBar(window, SB_VERT)->disabledArrows = arrows;
        if (bar == SB_HORZ || bar == SB_BOTH)
            WindowBar(window, SB_HORZ)->disabledArrows = arrows;
    }
    RepaintWindowBars(window);
    return TRUE;
}
