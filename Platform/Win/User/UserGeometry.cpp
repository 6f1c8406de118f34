// Window geometry: screen and surface coordinates, visibility, windows under
// a point, visible regions, coordinate mapping, metrics and rectangles.

#include <algorithm>

#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

bool Excluded(const std::vector<HWND>& excluded, const Window* w)
{
    return std::find(excluded.begin(), excluded.end(), w->handle) != excluded.end();
}

Window* Descend(Window* w, POINT screen, const std::vector<HWND>& excluded)
{
    RECT client = ClientRectOnScreen(*w);
    if (!Contains(client, screen))
        return w;
    for (Window* child : w->children) {
        if (!(child->style & WS_VISIBLE) || (child->style & WS_DISABLED) || Excluded(excluded, child))
            continue;
        if (Contains(WindowRectOnScreen(*child), screen))
            return Descend(child, screen, excluded);
    }
    return w;
}

POINT Origin(HWND window, bool* ok)
{
    *ok = true;
    if (!window)
        return POINT{0, 0};
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w) {
        *ok = false;
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return POINT{0, 0};
    }
    return ClientOriginOnScreen(*w);
}

HWND ChildAt(HWND parent, POINT point, UINT flags)
{
    Guard lock(Lock());
    Window* p = FindLocked(parent);
    if (!p) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    RECT client = ClientRectOnScreen(*p);
    POINT screen{point.x + client.left, point.y + client.top};
    if (!Contains(WindowRectOnScreen(*p), screen))
        return nullptr;
    for (Window* child : p->children) {
        if ((flags & CWP_SKIPINVISIBLE) && !(child->style & WS_VISIBLE))
            continue;
        if ((flags & CWP_SKIPDISABLED) && (child->style & WS_DISABLED))
            continue;
        if ((flags & CWP_SKIPTRANSPARENT) && (child->exStyle & WS_EX_TRANSPARENT))
            continue;
        if (Contains(WindowRectOnScreen(*child), screen))
            return child->handle;
    }
    return p->handle;
}

} // namespace

bool IsVisibleLocked(const Window& window)
{
    for (const Window* w = &window; w; w = w->parent) {
        if (IsRoot(w))
            return true;
        if (!(w->style & WS_VISIBLE))
            return false;
    }
    return false;
}

POINT ClientOriginOnScreen(const Window& window)
{
    if (!window.parent || IsRoot(&window))
        return POINT{window.client.left, window.client.top};
    POINT base = ClientOriginOnScreen(*window.parent);
    return POINT{base.x + window.client.left, base.y + window.client.top};
}

RECT WindowRectOnScreen(const Window& window)
{
    if (!window.parent || IsRoot(&window))
        return window.rect;
    POINT base = ClientOriginOnScreen(*window.parent);
    return detail::OffsetRectBy(window.rect, base.x, base.y);
}

RECT ClientRectOnScreen(const Window& window)
{
    if (!window.parent || IsRoot(&window))
        return window.client;
    POINT base = ClientOriginOnScreen(*window.parent);
    return detail::OffsetRectBy(window.client, base.x, base.y);
}

RECT WindowRectOnSurface(const Window& window)
{
    Window* top = TopLevelOf(const_cast<Window*>(&window));
    RECT topRect = WindowRectOnScreen(*top);
    return detail::OffsetRectBy(WindowRectOnScreen(window), -topRect.left, -topRect.top);
}

RECT ClientRectOnSurface(const Window& window)
{
    Window* top = TopLevelOf(const_cast<Window*>(&window));
    RECT topRect = WindowRectOnScreen(*top);
    return detail::OffsetRectBy(ClientRectOnScreen(window), -topRect.left, -topRect.top);
}

Window* WindowAtLocked(POINT screen, const std::vector<HWND>& excluded)
{
    for (Window* top : State().desktop->children) {
        if (!(top->style & WS_VISIBLE) || Excluded(excluded, top) || !Contains(top->rect, screen))
            continue;
        return (top->style & WS_DISABLED) ? top : Descend(top, screen, excluded);
    }
    return nullptr;
}

Window* WindowAtInLocked(Window& top, POINT screen)
{
    if (!IsVisibleLocked(top) || !Contains(WindowRectOnScreen(top), screen))
        return nullptr;
    return (top.style & WS_DISABLED) ? &top : Descend(&top, screen, {});
}

detail::RectRegion VisibleRegionLocked(Window& window, bool clientOnly, bool clipChildren, bool clipSiblings)
{
    if (!IsVisibleLocked(window))
        return {};
    Window* top = TopLevelOf(&window);
    if (!top || !top->surface)
        return {};
    const bool root = IsRoot(&window);
    detail::RectRegion region(root || !clientOnly ? (root ? window.client : WindowRectOnSurface(window))
                                                  : ClientRectOnSurface(window));
    for (Window* child = &window; child != top && !root; child = child->parent) {
        Window* parent = child->parent;
        region.Intersect(ClientRectOnSurface(*parent));
        bool clip = child == &window ? clipSiblings : (child->style & WS_CLIPSIBLINGS) != 0;
        if (!clip)
            continue;
        for (Window* sibling : parent->children) {
            if (sibling == child)
                break;
            if (sibling->style & WS_VISIBLE)
                region.Subtract(WindowRectOnSurface(*sibling));
        }
    }
    if (clipChildren && !root) {
        for (Window* child : window.children)
            if (child->style & WS_VISIBLE)
                region.Subtract(WindowRectOnSurface(*child));
    }
    SIZE size = top->surface->Size();
    region.Intersect(RECT{0, 0, size.cx, size.cy});
    return region;
}

} // namespace win::user

using namespace win;
using namespace win::user;

BOOL IsWindowVisible(HWND window)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    return w && IsVisibleLocked(*w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL IsIconic(HWND window)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND window)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL GetClientRect(HWND window, LPRECT rect)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w || !rect) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
    return TRUE;
}

BOOL GetWindowRect(HWND window, LPRECT rect)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w || !rect) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = WindowRectOnScreen(*w);
    return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The frame alone: AdjustWindowRect leaves scroll bars out, as on Windows.
    NonClientLayout layout = ComputeNonClient(style & ~(WS_VSCROLL | WS_HSCROLL), exStyle, menu != FALSE, 1000, 1000);
    rect->left -= layout.client.left;
    rect->top -= layout.client.top;
    rect->right += 1000 - layout.client.right;
    rect->bottom += 1000 - layout.client.bottom;
    return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

BOOL ClientToScreen(HWND window, LPPOINT point)
{
    bool ok = false;
    POINT origin = Origin(window, &ok);
    if (!ok || !point || !window)
        return FALSE;
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND window, LPPOINT point)
{
    bool ok = false;
    POINT origin = Origin(window, &ok);
    if (!ok || !point || !window)
        return FALSE;
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count)
{
    SetLastError(ERROR_SUCCESS);
    bool okFrom = false;
    bool okTo = false;
    POINT a = Origin(from, &okFrom);
    POINT b = Origin(to, &okTo);
    if (!okFrom || !okTo)
        return 0;
    LONG dx = a.x - b.x;
    LONG dy = a.y - b.y;
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return static_cast<int>(MAKELONG(static_cast<DWORD>(dx), static_cast<DWORD>(dy)));
}

HWND WindowFromPoint(POINT point)
{
    Guard lock(Lock());
    Window* w = WindowAtLocked(point);
    return w ? w->handle : nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) { return ChildAt(parent, point, CWP_ALL); }

HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags) { return ChildAt(parent, point, flags); }

int GetSystemMetrics(int index)
{
    const LONG width = State().screenWidth;
    const LONG height = State().screenHeight;
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
        return width;
    case SM_CYSCREEN:
        return height;
    case SM_CXVIRTUALSCREEN:
        return State().virtualWidth;
    case SM_CYVIRTUALSCREEN:
        return State().virtualHeight;
    case SM_CYFULLSCREEN:
        return height - 19;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CYCAPTION:
    case SM_CYMENU:
        return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS:
    case SM_SAMEDISPLAYFORMAT:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXSIZE:
    case SM_CYSIZE:
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE:
        return 18;
    case SM_CYSMCAPTION:
        return 15;
    case SM_CXSMSIZE:
        return 12;
    case SM_CYSMSIZE:
        return 14;
    case SM_CXMIN:
    case SM_CXMINTRACK:
        return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
        return 27;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING:
        return 75;
    case SM_CMOUSEBUTTONS:
        return 3;
    case SM_SWAPBUTTON:
        return State().buttonsSwapped ? 1 : 0;
    case SM_CXMINSPACING:
    case SM_CXMINIMIZED:
        return 160;
    case SM_CYMINSPACING:
    case SM_CYMINIMIZED:
        return 24;
    case SM_CXMAXIMIZED:
        return width + 8;
    case SM_CYMAXIMIZED:
        return height + 8;
    case SM_CXMAXTRACK:
        return width + 12;
    case SM_CYMAXTRACK:
        return height + 12;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
        return 13;
    default:
        return 0;
    }
}

BOOL SwapMouseButton(BOOL swap)
{
    return State().buttonsSwapped.exchange(swap != FALSE) ? TRUE : FALSE;
}

BOOL SystemParametersInfoA(UINT action, UINT param, PVOID data, UINT)
{
    if (action == SPI_SETMOUSEBUTTONSWAP) {
        SwapMouseButton(param != 0);
        return TRUE;
    }
    switch (action) {
    case SPI_GETWORKAREA:
    case SPI_GETWHEELSCROLLLINES:
    case SPI_GETKEYBOARDDELAY:
    case SPI_GETKEYBOARDSPEED:
    case SPI_GETDRAGFULLWINDOWS:
        break;
    default:
        SetLastError(ERROR_INVALID_SPI_VALUE);
        return FALSE;
    }
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    switch (action) {
    case SPI_GETWORKAREA: {
        Guard lock(Lock());
        *static_cast<RECT*>(data) = State().workArea;
        break;
    }
    case SPI_GETWHEELSCROLLLINES:
        *static_cast<UINT*>(data) = 3;
        break;
    case SPI_GETKEYBOARDDELAY:
        *static_cast<int*>(data) = 1;
        break;
    case SPI_GETKEYBOARDSPEED:
        *static_cast<DWORD*>(data) = 31;
        break;
    case SPI_GETDRAGFULLWINDOWS:
        *static_cast<BOOL*>(data) = TRUE;
        break;
    default:
        break;
    }
    return TRUE;
}

UINT GetDoubleClickTime()
{
    Guard lock(Lock());
    return State().doubleClickTime;
}

BOOL SetDoubleClickTime(UINT milliseconds)
{
    Guard lock(Lock());
    State().doubleClickTime = milliseconds ? milliseconds : 500;
    return TRUE;
}

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (!rect)
        return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT rect) { return SetRect(rect, 0, 0, 0, 0); }

BOOL CopyRect(LPRECT to, const RECT* from)
{
    if (!to || !from)
        return FALSE;
    *to = *from;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) { return !rect || win::detail::IsEmptyRect(*rect) ? TRUE : FALSE; }

BOOL EqualRect(const RECT* a, const RECT* b)
{
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL PtInRect(const RECT* rect, POINT point) { return rect && Contains(*rect, point) ? TRUE : FALSE; }

BOOL OffsetRect(LPRECT rect, int dx, int dy)
{
    if (!rect)
        return FALSE;
    *rect = win::detail::OffsetRectBy(*rect, dx, dy);
    return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy)
{
    if (!rect)
        return FALSE;
    *rect = RECT{rect->left - dx, rect->top - dy, rect->right + dx, rect->bottom + dy};
    return TRUE;
}

BOOL IntersectRect(LPRECT result, const RECT* a, const RECT* b)
{
    if (!result || !a || !b)
        return FALSE;
    *result = win::detail::IntersectRects(*a, *b);
    return win::detail::IsEmptyRect(*result) ? FALSE : TRUE;
}

BOOL UnionRect(LPRECT result, const RECT* a, const RECT* b)
{
    if (!result || !a || !b)
        return FALSE;
    *result = win::detail::BoundingRect(*a, *b);
    return win::detail::IsEmptyRect(*result) ? FALSE : TRUE;
}

BOOL SubtractRect(LPRECT result, const RECT* a, const RECT* b)
{
    if (!result || !a || !b)
        return FALSE;
    *result = *a;
    RECT common = win::detail::IntersectRects(*a, *b);
    if (!win::detail::IsEmptyRect(common)) {
        bool fullWidth = common.left == a->left && common.right == a->right;
        bool fullHeight = common.top == a->top && common.bottom == a->bottom;
        if (fullWidth && common.top == a->top)
            result->top = common.bottom;
        else if (fullWidth && common.bottom == a->bottom)
            result->bottom = common.top;
        else if (fullHeight && common.left == a->left)
            result->left = common.right;
        else if (fullHeight && common.right == a->right)
            result->right = common.left;
    }
    if (win::detail::IsEmptyRect(*result)) {
        *result = RECT{0, 0, 0, 0};
        return FALSE;
    }
    return TRUE;
}
