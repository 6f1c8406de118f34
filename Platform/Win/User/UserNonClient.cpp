// The non-client area: a plain frame, caption with its boxes, menu bar
// place, client edge and scroll bar places; their layout, hit testing,
// default painting, and the modal loops that move and size a window by its
// frame or press a caption box.

#include <algorithm>

#include "Platform/Win/Gdi/SurfaceDc.h"
#include "Platform/Win/Kernel/Crt.h"
#include "Platform/Win/User/Extensions.h"
#include "Platform/Win/User/ModalLoop.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

constexpr int kCornerLength = 16;

bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

void Fill(HDC dc, const RECT& r, int sysColor) { FillRect(dc, &r, GetSysColorBrush(sysColor)); }

// A rectangle's edge lines: `light` on the top and left, `dark` on the
// bottom and right, one pixel wide.
void Edge(HDC dc, const RECT& r, int light, int dark)
{
    Fill(dc, RECT{r.left, r.top, r.right, r.top + 1}, light);
    Fill(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, light);
    Fill(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, dark);
    Fill(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, dark);
}

RECT Deflate(const RECT& r, int by) { return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

void Glyph(HDC dc, const RECT& box, LRESULT kind)
{
    const LONG cx = (box.left + box.right) / 2;
    const LONG cy = (box.top + box.bottom) / 2;
    if (kind == HTCLOSE) {
        for (LONG i = -3; i <= 3; ++i) {
            Fill(dc, RECT{cx + i - 1, cy + i, cx + i + 1, cy + i + 1}, COLOR_BTNTEXT);
            Fill(dc, RECT{cx - i - 1, cy + i, cx - i + 1, cy + i + 1}, COLOR_BTNTEXT);
        }
    } else if (kind == HTMINBUTTON) {
        Fill(dc, RECT{cx - 4, cy + 2, cx + 2, cy + 4}, COLOR_BTNTEXT);
    } else if (kind == HTMAXBUTTON) {
        RECT frame{cx - 4, cy - 4, cx + 5, cy + 4};
        Edge(dc, frame, COLOR_BTNTEXT, COLOR_BTNTEXT);
        Fill(dc, RECT{frame.left, frame.top + 1, frame.right, frame.top + 2}, COLOR_BTNTEXT);
    }
}

// The caption's title, in a bold face, left of the first caption box.
void CaptionText(HDC dc, const NonClientLayout& l, const std::string& text, bool active)
{
    if (text.empty())
        return;
    static HFONT font = [] {
        LOGFONTA face{};
        face.lfHeight = -12;
        face.lfWeight = FW_BOLD;
        lstrcpynA(face.lfFaceName, "MS Sans Serif", LF_FACESIZE);
        return CreateFontIndirectA(&face);
    }();
    RECT area = l.caption;
    area.left += detail::IsEmptyRect(l.sysMenu) ? 4 : l.sysMenu.right + 4;
    for (const RECT* box : {&l.minBox, &l.maxBox, &l.closeBox})
        if (!detail::IsEmptyRect(*box))
            area.right = std::min(area.right, box->left - 2);
    area.bottom += 1; // the caption rectangle is inclusive
    if (area.right <= area.left)
        return;
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    DrawTextA(dc, text.c_str(), -1, &area, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, previous);
}

void CaptionBox(HDC dc, const RECT& box, LRESULT kind)
{
    if (detail::IsEmptyRect(box))
        return;
    Fill(dc, box, COLOR_BTNFACE);
    Edge(dc, box, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW);
    Edge(dc, Deflate(box, 1), COLOR_BTNFACE, COLOR_BTNSHADOW);
    Glyph(dc, box, kind);
}

void ScrollBarPlace(HDC dc, const RECT& bar, bool vertical)
{
    if (detail::IsEmptyRect(bar))
        return;
    Fill(dc, bar, COLOR_SCROLLBAR);
    LONG side = vertical ? bar.right - bar.left : bar.bottom - bar.top;
    RECT first = vertical ? RECT{bar.left, bar.top, bar.right, bar.top + side}
                          : RECT{bar.left, bar.top, bar.left + side, bar.bottom};
    RECT last = vertical ? RECT{bar.left, bar.bottom - side, bar.right, bar.bottom}
                         : RECT{bar.right - side, bar.top, bar.right, bar.bottom};
    for (const RECT& box : {first, last}) {
        Fill(dc, box, COLOR_BTNFACE);
        Edge(dc, box, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW);
    }
}

// The button as the thread's messages so far have it: down after a real
// press even when its release is already queued, never for a message sent
// by code.
bool LeftButtonDown()
{
    Guard lock(Lock());
    return (CurrentQueueLocked().m_keys[VK_LBUTTON] & 0x80) != 0;
}

// The side codes of SC_SIZE (WMSZ_*) from a hit-test code.
WPARAM SizeSide(LRESULT hit)
{
    switch (hit) {
    case HTLEFT:
        return 1;
    case HTRIGHT:
        return 2;
    case HTTOP:
        return 3;
    case HTTOPLEFT:
        return 4;
    case HTTOPRIGHT:
        return 5;
    case HTBOTTOM:
        return 6;
    case HTBOTTOMLEFT:
        return 7;
    case HTBOTTOMRIGHT:
        return 8;
    default:
        return 0;
    }
}

} // namespace

bool WindowManagerFrames(DWORD style, bool ownFrame)
{
    return State().nativeWindows && !ownFrame && !(style & WS_CHILD) && (style & WS_CAPTION) == WS_CAPTION;
}

NonClientLayout WindowNonClient(const Window& window, LONG width, LONG height)
{
    return ComputeNonClient(window.style, window.exStyle, HasMenuBar(window), width, height, window.ownFrame);
}

NonClientLayout ComputeNonClient(DWORD style, DWORD exStyle, bool hasMenu, LONG width, LONG height, bool ownFrame)
{
    if (WindowManagerFrames(style, ownFrame)) {
        // The frame and caption are the window manager's, outside the window.
        style &= ~(WS_CAPTION | WS_THICKFRAME);
        exStyle &= ~WS_EX_DLGMODALFRAME;
    }
    NonClientLayout layout;
    layout.window = RECT{0, 0, width, height};
    layout.thickFrame = (style & WS_THICKFRAME) != 0;
    if (layout.thickFrame)
        layout.border = GetSystemMetrics(SM_CXFRAME);
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        layout.border = GetSystemMetrics(SM_CXDLGFRAME);
    else if (style & WS_BORDER)
        layout.border = GetSystemMetrics(SM_CXBORDER);
    RECT inner = Deflate(layout.window, layout.border);
    if ((style & WS_CAPTION) == WS_CAPTION) {
        int height = (exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
        layout.caption = RECT{inner.left, inner.top, inner.right, inner.top + height - 1};
        inner.top += height;
        const LONG boxHeight = height - 5;
        const LONG boxWidth = boxHeight + 2;
        const LONG top = layout.caption.top + 2;
        LONG x = layout.caption.right - 2 - boxWidth;
        if (style & WS_SYSMENU) {
            layout.closeBox = RECT{x, top, x + boxWidth, top + boxHeight};
            x -= boxWidth + 2;
            if (!(style & WS_CHILD) && !(exStyle & WS_EX_TOOLWINDOW) && (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
                layout.maxBox = RECT{x, top, x + boxWidth, top + boxHeight};
                x -= boxWidth;
                layout.minBox = RECT{x, top, x + boxWidth, top + boxHeight};
            }
            layout.sysMenu = RECT{layout.caption.left + 2, top, layout.caption.left + 2 + boxHeight, top + boxHeight};
        }
    }
    if (hasMenu) {
        layout.menuBar = RECT{inner.left, inner.top, inner.right, inner.top + GetSystemMetrics(SM_CYMENU)};
        inner.top = layout.menuBar.bottom;
    }
    layout.edge = ((exStyle & WS_EX_CLIENTEDGE) ? GetSystemMetrics(SM_CXEDGE) : 0) +
                  ((exStyle & WS_EX_STATICEDGE) ? GetSystemMetrics(SM_CXBORDER) : 0);
    layout.clientEdge = inner;
    inner = Deflate(inner, layout.edge);
    if (style & WS_VSCROLL) {
        layout.vscroll = RECT{inner.right - GetSystemMetrics(SM_CXVSCROLL), inner.top, inner.right, inner.bottom};
        inner.right = layout.vscroll.left;
    }
    if (style & WS_HSCROLL) {
        layout.hscroll = RECT{inner.left, inner.bottom - GetSystemMetrics(SM_CYHSCROLL), inner.right, inner.bottom};
        inner.bottom = layout.hscroll.top;
        if (style & WS_VSCROLL)
            layout.vscroll.bottom = inner.bottom;
    }
    inner.right = std::max(inner.right, inner.left);
    inner.bottom = std::max(inner.bottom, inner.top);
    layout.client = inner;
    return layout;
}

bool HasMenuBar(const Window& window) { return !window.IsChildStyle() && window.id != 0; }

LRESULT NonClientHitTest(HWND window, POINT screen)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w)
        return HTNOWHERE;
    RECT rect = WindowRectOnScreen(*w);
    if (!Contains(rect, screen))
        return HTNOWHERE;
    if (w->style & WS_MINIMIZE)
        return HTCAPTION;
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    NonClientLayout l = WindowNonClient(*w, width, height);
    POINT p{screen.x - rect.left, screen.y - rect.top};
    if (Contains(l.client, p))
        return HTCLIENT;
    if (l.border > 0 && !Contains(Deflate(l.window, l.border), p)) {
        if (!l.thickFrame)
            return HTBORDER;
        const bool left = p.x < kCornerLength;
        const bool right = p.x >= width - kCornerLength;
        const bool top = p.y < kCornerLength;
        const bool bottom = p.y >= height - kCornerLength;
        if (p.y < l.border)
            return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
        if (p.y >= height - l.border)
            return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
        if (p.x < l.border)
            return top ? HTTOPLEFT : bottom ? HTBOTTOMLEFT : HTLEFT;
        return top ? HTTOPRIGHT : bottom ? HTBOTTOMRIGHT : HTRIGHT;
    }
    if (Contains(l.closeBox, p))
        return HTCLOSE;
    if (Contains(l.maxBox, p))
        return HTMAXBUTTON;
    if (Contains(l.minBox, p))
        return HTMINBUTTON;
    if (Contains(l.sysMenu, p))
        return HTSYSMENU;
    if (!detail::IsEmptyRect(l.caption) && p.y < l.caption.bottom + 1 && p.y >= l.caption.top)
        return HTCAPTION;
    if (Contains(l.menuBar, p))
        return HTMENU;
    if (Contains(l.vscroll, p))
        return HTVSCROLL;
    if (Contains(l.hscroll, p))
        return HTHSCROLL;
    if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL) && p.x >= l.hscroll.right && p.y >= l.vscroll.bottom &&
        Contains(l.clientEdge, p))
        return HTSIZE;
    return HTBORDER;
}

void PaintNonClient(HWND window)
{
    NonClientLayout l;
    bool active = false;
    DWORD style = 0;
    HDC dc = nullptr;
    std::string caption;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w)
            return;
        // A frame still owed stays owed: painted here for WM_NCACTIVATE, it
        // is the window's own WM_NCPAINT that settles it.
        caption = w->text;
        Window* top = TopLevelOf(w);
        if (!top || !top->surface || IsRoot(w))
            return;
        RECT onSurface = WindowRectOnSurface(*w);
        l = WindowNonClient(*w, onSurface.right - onSurface.left, onSurface.bottom - onSurface.top);
        detail::RectRegion area =
            VisibleRegionLocked(*w, false, false, (w->style & WS_CLIPSIBLINGS) != 0);
        area.Subtract(detail::OffsetRectBy(l.client, onSurface.left, onSurface.top));
        if (area.IsEmpty())
            return;
        active = w->frameActive;
        style = w->style;
        dc = gdi::CreateSurfaceDC(gdi::DcKind::Window, window, top->surface, POINT{onSurface.left, onSurface.top},
                                  std::move(area));
    }
    Fill(dc, l.window, l.thickFrame ? (active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER) : COLOR_BTNFACE);
    if (l.border == 1) {
        Edge(dc, l.window, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
    } else if (l.border > 1) {
        Edge(dc, l.window, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
        Edge(dc, Deflate(l.window, 1), COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    }
    if (!detail::IsEmptyRect(l.caption)) {
        Fill(dc, l.caption, active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
        CaptionBox(dc, l.closeBox, HTCLOSE);
        CaptionBox(dc, l.maxBox, HTMAXBUTTON);
        CaptionBox(dc, l.minBox, HTMINBUTTON);
        CaptionText(dc, l, caption, active);
    }
    const FrameExtension* extension = GetFrameExtension();
    if (!detail::IsEmptyRect(l.menuBar)) {
        if (extension && extension->paintMenuBar)
            extension->paintMenuBar(window, dc, l.menuBar, active);
        else
            Fill(dc, l.menuBar, COLOR_MENU);
    }
    if (l.edge >= 2) {
        Edge(dc, l.clientEdge, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
        Edge(dc, Deflate(l.clientEdge, 1), COLOR_3DDKSHADOW, COLOR_3DLIGHT);
    } else if (l.edge == 1) {
        Edge(dc, l.clientEdge, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    }
    if (extension && extension->paintScrollBars) {
        extension->paintScrollBars(window, dc, l.vscroll, l.hscroll);
    } else {
        ScrollBarPlace(dc, l.vscroll, true);
        ScrollBarPlace(dc, l.hscroll, false);
    }
    if ((style & WS_VSCROLL) && (style & WS_HSCROLL))
        Fill(dc, RECT{l.vscroll.left, l.hscroll.top, l.vscroll.right, l.hscroll.bottom}, COLOR_BTNFACE);
    gdi::ReleaseSurfaceDC(dc);
    Guard lock(Lock());
    if (Window* w = FindLocked(window))
        NoteDrawnLocked(*w, WindowRectOnSurface(*w));
}

void TrackMoveSize(HWND window, WPARAM command, POINT start)
{
    if (!LeftButtonDown() || IsZoomed(window))
        return;
    const WPARAM kind = command & 0xFFF0;
    const WPARAM side = command & 0x000F;
    RECT original{};
    GetWindowRect(window, &original);
    HWND parent = GetAncestor(window, GA_PARENT);
    if (parent != GetDesktopWindow())
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&original), 2);
    const LONG minimum = 2 * GetSystemMetrics(SM_CXFRAME) + 8;
    SendMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    SetCapture(window);
    ModalLoop loop(nullptr);
    auto place = [&](POINT at) {
        LONG dx = at.x - start.x;
        LONG dy = at.y - start.y;
        RECT r = original;
        if (kind == SC_MOVE) {
            OffsetRect(&r, dx, dy);
        } else {
            if (side == 1 || side == 4 || side == 7)
                r.left = std::min(r.left + dx, r.right - minimum);
            if (side == 2 || side == 5 || side == 8)
                r.right = std::max(r.right + dx, r.left + minimum);
            if (side == 3 || side == 4 || side == 5)
                r.top = std::min(r.top + dy, r.bottom - minimum);
            if (side == 6 || side == 7 || side == 8)
                r.bottom = std::max(r.bottom + dy, r.top + minimum);
        }
        SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    loop.m_filter = [&](MSG& msg) {
        if (GetCapture() != window) {
            loop.End(0);
            return false;
        }
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP) {
            place(msg.pt);
            if (msg.message == WM_LBUTTONUP)
                loop.End(1);
            return true;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            place(start);
            loop.End(0);
            return true;
        }
        return false;
    };
    loop.Run(window, 0);
    if (GetCapture() == window)
        ReleaseCapture();
    SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
}

bool TrackCaptionButton(HWND window, LRESULT hit)
{
    if (!LeftButtonDown())
        return false;
    SetCapture(window);
    ModalLoop loop(nullptr);
    bool released = false;
    loop.m_filter = [&](MSG& msg) {
        if (GetCapture() != window) {
            loop.End(0);
            return false;
        }
        if (msg.message == WM_LBUTTONUP) {
            released = NonClientHitTest(window, msg.pt) == hit;
            loop.End(1);
            return true;
        }
        return msg.message == WM_MOUSEMOVE;
    };
    loop.Run(window, 0);
    if (GetCapture() == window)
        ReleaseCapture();
    return released;
}

WPARAM SizeCommandFor(LRESULT hit) { return SC_SIZE + SizeSide(hit); }

} // namespace win::user
