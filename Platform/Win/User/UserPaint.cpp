// Painting: update regions (client coordinates, a union of rectangles),
// the WM_PAINT a thread gets when its queue is otherwise empty (parents
// before their children), BeginPaint/EndPaint with WM_NCPAINT and
// WM_ERASEBKGND, window DCs, and the desktop-changed notice to the display.

#include <algorithm>

#include "Platform/Win/Gdi/SurfaceDc.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

RECT ClientArea(const Window& w) { return RECT{0, 0, w.client.right - w.client.left, w.client.bottom - w.client.top}; }

bool ChildrenTakePart(const Window& w, UINT flags)
{
    if (flags & RDW_ALLCHILDREN)
        return true;
    return !(flags & RDW_NOCHILDREN) && !(w.style & WS_CLIPCHILDREN);
}

Window* FindPaintIn(Window& w, DWORD thread, HWND filter)
{
    if (!(w.style & WS_VISIBLE))
        return nullptr;
    if (w.thread == thread && NeedsPaintLocked(w) && PassesFilterLocked(w.handle, WM_PAINT, filter, 0, 0))
        return &w;
    for (Window* child : w.children)
        if (Window* found = FindPaintIn(*child, thread, filter))
            return found;
    return nullptr;
}

void CollectNeedingPaint(Window& w, std::vector<HWND>* out)
{
    if (!IsVisibleLocked(w))
        return;
    if (NeedsPaintLocked(w))
        out->push_back(w.handle);
    for (Window* child : w.children)
        CollectNeedingPaint(*child, out);
}

// A DC on the window's surface, limited to `area` (client coordinates)
// when given.
HDC MakeDC(Window& w, gdi::DcKind kind, bool clipChildren, bool clipSiblings, const detail::RectRegion* area)
{
    Window* top = TopLevelOf(&w);
    const bool whole = kind == gdi::DcKind::Window;
    detail::RectRegion visible = VisibleRegionLocked(w, !whole, clipChildren, clipSiblings);
    RECT base = IsRoot(&w) ? w.client : whole ? WindowRectOnSurface(w) : ClientRectOnSurface(w);
    if (area) {
        detail::RectRegion limit = *area;
        RECT client = IsRoot(&w) ? w.client : ClientRectOnSurface(w);
        limit.Offset(client.left, client.top);
        visible.Intersect(limit);
    }
    return gdi::CreateSurfaceDC(kind, w.handle, top ? top->surface : nullptr, POINT{base.left, base.top},
                                std::move(visible));
}

void EraseNow(HWND window)
{
    HDC dc = nullptr;
    RECT drawn{};
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w || !w->eraseNeeded || w->update.IsEmpty())
            return;
        w->eraseNeeded = false;
        dc = MakeDC(*w, gdi::DcKind::Client, (w->style & WS_CLIPCHILDREN) != 0, (w->style & WS_CLIPSIBLINGS) != 0,
                    &w->update);
        drawn = detail::OffsetRectBy(w->update.Bounds(), ClientRectOnSurface(*w).left, ClientRectOnSurface(*w).top);
    }
    SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    gdi::ReleaseSurfaceDC(dc);
    Guard lock(Lock());
    if (Window* w = FindLocked(window))
        NoteDrawnLocked(*w, drawn);
}

void UpdateTree(HWND window, bool eraseOnly)
{
    std::vector<HWND> windows;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w)
            return;
        CollectNeedingPaint(*w, &windows);
    }
    for (HWND h : windows) {
        bool frameOnly = false;
        {
            Guard lock(Lock());
            Window* w = FindLocked(h);
            if (!w || !NeedsPaintLocked(*w))
                continue;
            frameOnly = w->update.IsEmpty() && !w->internalPaint;
            if (frameOnly || eraseOnly)
                w->frameNeeded = false;
        }
        if (frameOnly || eraseOnly) {
            SendMessageA(h, WM_NCPAINT, 1, 0);
            if (eraseOnly)
                EraseNow(h);
            continue;
        }
        SendMessageA(h, WM_PAINT, 0, 0);
    }
}

std::vector<HWND> TopLevelHandles()
{
    Guard lock(Lock());
    std::vector<HWND> handles;
    for (Window* w : State().desktop->children)
        handles.push_back(w->handle);
    return handles;
}

} // namespace

void InvalidateLocked(Window& w, const detail::RectRegion& area, UINT flags)
{
    if (IsRoot(&w))
        return;
    detail::RectRegion part = area;
    part.Intersect(ClientArea(w));
    if (flags & RDW_INVALIDATE) {
        if (!part.IsEmpty()) {
            w.update.Union(part);
            if (flags & RDW_ERASE)
                w.eraseNeeded = true;
        }
        if (flags & RDW_FRAME)
            w.frameNeeded = true;
    } else if (flags & RDW_VALIDATE) {
        w.update.Subtract(part);
        if ((flags & RDW_NOERASE) || w.update.IsEmpty())
            w.eraseNeeded = false;
        if (flags & RDW_NOFRAME)
            w.frameNeeded = false;
    }
    if (flags & RDW_INTERNALPAINT)
        w.internalPaint = true;
    if (flags & RDW_NOINTERNALPAINT)
        w.internalPaint = false;
    if (MessageQueue* queue = QueueOfLocked(w.thread))
        queue->Note(QS_PAINT);
    if (ChildrenTakePart(w, flags)) {
        for (Window* child : w.children) {
            if (!(child->style & WS_VISIBLE))
                continue;
            detail::RectRegion childPart = area;
            childPart.Intersect(child->rect);
            if (childPart.IsEmpty())
                continue;
            UINT childFlags = flags & ~(RDW_INTERNALPAINT | RDW_NOINTERNALPAINT);
            detail::RectRegion outsideClient = childPart;
            outsideClient.Subtract(child->client);
            if ((flags & RDW_INVALIDATE) && !outsideClient.IsEmpty())
                childFlags |= RDW_FRAME;
            childPart.Offset(-child->client.left, -child->client.top);
            InvalidateLocked(*child, childPart, childFlags);
        }
    }
    Wake();
}

void InvalidateAllLocked(Window& w)
{
    InvalidateLocked(w, detail::RectRegion(ClientArea(w)), RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void ExposeLocked(Window& parent, const RECT& area)
{
    InvalidateLocked(parent, detail::RectRegion(area), RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool NeedsPaintLocked(const Window& w) { return !w.update.IsEmpty() || w.internalPaint || w.frameNeeded; }

Window* FindPaintWindowLocked(DWORD thread, HWND filter)
{
    for (Window* top : State().desktop->children)
        if (Window* found = FindPaintIn(*top, thread, filter))
            return found;
    return nullptr;
}

void DesktopChangedLocked()
{
    if (DesktopHost* host = State().host)
        host->DesktopChanged();
}

void NoteDrawnLocked(Window& window, const RECT& onSurface)
{
    // A region of many small pieces costs more to keep than to present whole.
    constexpr size_t kMaxDrawnPieces = 32;
    Window* top = TopLevelOf(&window);
    if (State().nativeWindows && top && top->surface && !IsRoot(top)) {
        SIZE size = top->surface->Size();
        RECT part = detail::IntersectRects(onSurface, RECT{0, 0, size.cx, size.cy});
        if (!detail::IsEmptyRect(part)) {
            top->drawn.Union(part);
            if (top->drawn.Rects().size() > kMaxDrawnPieces)
                top->drawn = detail::RectRegion(top->drawn.Bounds());
        }
    }
    DesktopChangedLocked();
}

} // namespace win::user

using namespace win;
using namespace win::user;

HDC BeginPaint(HWND window, LPPAINTSTRUCT paint)
{
    if (!paint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    bool frame = false;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        frame = w->frameNeeded;
        w->frameNeeded = false;
    }
    if (frame)
        SendMessageA(window, WM_NCPAINT, 1, 0);
    CaretPaintBegin(window);
    HDC dc = nullptr;
    bool erase = false;
    RECT bounds{};
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        detail::RectRegion update = w->update;
        update.Intersect(ClientArea(*w));
        bounds = update.Bounds();
        erase = w->eraseNeeded;
        w->update.Clear();
        w->eraseNeeded = false;
        w->internalPaint = false;
        dc = MakeDC(*w, gdi::DcKind::Paint, (w->style & WS_CLIPCHILDREN) != 0, (w->style & WS_CLIPSIBLINGS) != 0,
                    &update);
    }
    *paint = PAINTSTRUCT{};
    paint->hdc = dc;
    paint->rcPaint = bounds;
    if (erase)
        paint->fErase = SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint)
{
    if (!paint || !paint->hdc)
        return FALSE;
    gdi::ReleaseSurfaceDC(paint->hdc);
    CaretPaintEnd(window);
    Guard lock(Lock());
    if (Window* w = FindLocked(window)) {
        RECT client = IsRoot(w) ? w->client : ClientRectOnSurface(*w);
        NoteDrawnLocked(*w, detail::OffsetRectBy(paint->rcPaint, client.left, client.top));
    } else {
        DesktopChangedLocked();
    }
    return TRUE;
}

HDC GetDCEx(HWND window, HRGN clip, DWORD flags)
{
    Guard lock(Lock());
    Window* w = window ? FindLocked(window) : State().desktop.get();
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const bool whole = (flags & DCX_WINDOW) != 0;
    bool clipChildren = (flags & DCX_CLIPCHILDREN) != 0;
    bool clipSiblings = (flags & DCX_CLIPSIBLINGS) != 0;
    if (flags & DCX_USESTYLE) {
        clipChildren = !whole && (w->style & WS_CLIPCHILDREN);
        clipSiblings = (w->style & WS_CLIPSIBLINGS) != 0;
    }
    HDC dc = MakeDC(*w, whole ? gdi::DcKind::Window : gdi::DcKind::Client, clipChildren, clipSiblings, nullptr);
    detail::RectRegion onSurface;
    if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN)) && gdi::RegionArea(clip, &onSurface)) {
        // The region is in screen coordinates, as WM_NCPAINT hands it.
        Window* top = TopLevelOf(w);
        RECT topRect = IsRoot(w) ? RECT{0, 0, 0, 0} : WindowRectOnScreen(*top);
        onSurface.Offset(-topRect.left, -topRect.top);
        gdi::ClipSurfaceDc(dc, onSurface, (flags & DCX_INTERSECTRGN) == 0);
    }
    return dc;
}

HDC GetDC(HWND window) { return GetDCEx(window, nullptr, DCX_USESTYLE); }

HDC GetWindowDC(HWND window) { return GetDCEx(window, nullptr, DCX_USESTYLE | DCX_WINDOW); }

int ReleaseDC(HWND, HDC dc)
{
    HWND window = gdi::SurfaceDcWindow(dc);
    if (!gdi::ReleaseSurfaceDC(dc))
        return 0;
    Guard lock(Lock());
    // Where the DC drew is not known here: the whole window may have changed.
    if (Window* w = FindLocked(window))
        NoteDrawnLocked(*w, IsRoot(w) ? w->client : WindowRectOnSurface(*w));
    else
        DesktopChangedLocked();
    return 1;
}

HWND WindowFromDC(HDC dc) { return gdi::SurfaceDcWindow(dc); }

BOOL RedrawWindow(HWND window, const RECT* rect, HRGN region, UINT flags)
{
    if (!window) {
        for (HWND top : TopLevelHandles())
            RedrawWindow(top, rect, region, flags | RDW_ALLCHILDREN);
        return TRUE;
    }
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        detail::RectRegion area;
        if (region) {
            if (!gdi::RegionArea(region, &area)) {
                SetLastError(ERROR_INVALID_HANDLE);
                return FALSE;
            }
        } else {
            area = detail::RectRegion(rect ? *rect : ClientArea(*w));
        }
        if (flags & (RDW_INVALIDATE | RDW_VALIDATE | RDW_INTERNALPAINT | RDW_NOINTERNALPAINT))
            InvalidateLocked(*w, area, flags);
    }
    if (flags & RDW_UPDATENOW)
        UpdateTree(window, false);
    else if (flags & RDW_ERASENOW)
        UpdateTree(window, true);
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase)
{
    return RedrawWindow(window, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase)
{
    return RedrawWindow(window, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND window, const RECT* rect)
{
    if (!window)
        return FALSE;
    return RedrawWindow(window, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL GetUpdateRect(HWND window, LPRECT rect, BOOL erase)
{
    bool any = false;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        detail::RectRegion update = w->update;
        update.Intersect(ClientArea(*w));
        any = !update.IsEmpty();
        if (rect)
            *rect = update.Bounds();
    }
    if (any && erase)
        EraseNow(window);
    return any ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window)
{
    if (!IsWindow(window))
        return FALSE;
    UpdateTree(window, false);
    return TRUE;
}
