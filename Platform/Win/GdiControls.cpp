// The USER drawing helpers over the GDI: 3-D edges, focus rectangles and
// frame controls in the classic look, with the system colours.

#include <algorithm>

#include "Platform/Win/GdiRaster.h"

using namespace win;
using namespace win::gdi;

namespace {

void Fill(HDC dc, LONG l, LONG t, LONG r, LONG b, int sysColor)
{
    RECT rect{l, t, r, b};
    if (r > l && b > t)
        FillRect(dc, &rect, GetSysColorBrush(sysColor));
}

// One ring of an edge: top-left in one colour, bottom-right in another.
void Ring(HDC dc, const RECT& r, UINT flags, int topLeft, int bottomRight)
{
    if (flags & BF_TOP)
        Fill(dc, r.left, r.top, r.right, r.top + 1, topLeft);
    if (flags & BF_LEFT)
        Fill(dc, r.left, r.top, r.left + 1, r.bottom, topLeft);
    if (flags & BF_BOTTOM)
        Fill(dc, r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
    if (flags & BF_RIGHT)
        Fill(dc, r.right - 1, r.top, r.right, r.bottom, bottomRight);
}

void Shrink(RECT* r, UINT flags)
{
    if (flags & BF_LEFT)
        ++r->left;
    if (flags & BF_TOP)
        ++r->top;
    if (flags & BF_RIGHT)
        --r->right;
    if (flags & BF_BOTTOM)
        --r->bottom;
}

} // namespace

BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags)
{
    if (!rect || !LookupAs<DeviceContext>(dc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT r = *rect;
    UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
    if (flags & (BF_FLAT | BF_MONO)) {
        int color = flags & BF_MONO ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW;
        if (outer || inner) {
            Ring(dc, r, flags, color, color);
            Shrink(&r, flags);
        }
        if ((flags & BF_FLAT) && !(flags & BF_MONO) && inner && outer) {
            Ring(dc, r, flags, COLOR_BTNFACE, COLOR_BTNFACE);
            Shrink(&r, flags);
        }
    } else {
        // Outer ring: raised is light/dark-shadow, sunken shadow/highlight.
        if (outer) {
            bool raised = outer & BDR_RAISEDOUTER;
            bool soft = flags & BF_SOFT;
            Ring(dc, r, flags, raised ? (soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT) : COLOR_BTNSHADOW,
                 raised ? COLOR_3DDKSHADOW : COLOR_BTNHIGHLIGHT);
            Shrink(&r, flags);
        }
        if (inner) {
            bool raised = inner & BDR_RAISEDINNER;
            bool soft = flags & BF_SOFT;
            Ring(dc, r, flags, raised ? (soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT) : COLOR_3DDKSHADOW,
                 raised ? COLOR_BTNSHADOW : COLOR_3DLIGHT);
            Shrink(&r, flags);
        }
    }
    if (flags & BF_MIDDLE)
        Fill(dc, r.left, r.top, r.right, r.bottom, COLOR_BTNFACE);
    if (flags & BF_ADJUST)
        *rect = r;
    return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect)
{
    auto context = LookupAs<DeviceContext>(dc);
    if (!context || !rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Every other pixel of the outline, inverted, so a second call erases it.
    std::vector<Span> dots;
    POINT a = context->ToSurface(POINT{rect->left, rect->top});
    POINT b = context->ToSurface(POINT{rect->right, rect->bottom});
    for (LONG x = a.x; x < b.x; ++x) {
        if ((x - a.x) % 2 == 0) {
            dots.push_back(Span{a.y, x, x + 1});
        }
        if (b.y - 1 > a.y && (x - a.x + (b.y - 1 - a.y)) % 2 == 0)
            dots.push_back(Span{b.y - 1, x, x + 1});
    }
    for (LONG y = a.y + 1; y < b.y - 1; ++y) {
        if ((y - a.y) % 2 == 0)
            dots.push_back(Span{y, a.x, a.x + 1});
        if (b.x - 1 > a.x && (y - a.y + (b.x - 1 - a.x)) % 2 == 0)
            dots.push_back(Span{y, b.x - 1, b.x});
    }
    NormaliseSpans(&dots);
    SurfaceLock lock(*context, true);
    if (lock.Valid())
        PaintSpans(*context, lock.Pixels(), dots, Paint::Solid(0), RopIndex(DSTINVERT));
    return TRUE;
}

namespace {

void DrawCheckMark(HDC dc, const RECT& box, int color)
{
    // A 7 x 7 tick centred in the box.
    LONG x = box.left + (box.right - box.left - 7) / 2;
    LONG y = box.top + (box.bottom - box.top - 7) / 2;
    for (LONG i = 0; i < 7; ++i) {
        LONG top = i < 3 ? y + 2 + i : y + 4 - (i - 2);
        Fill(dc, x + i, top, x + i + 1, top + 3, color);
    }
}

void DrawArrow(HDC dc, const RECT& box, UINT kind, int color)
{
    LONG cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    LONG size = std::max<LONG>(1, std::min(box.right - box.left, box.bottom - box.top) / 4);
    for (LONG i = 0; i < size; ++i) {
        switch (kind) {
        case DFCS_SCROLLUP:
            Fill(dc, cx - i, cy - size / 2 + i, cx + i + 1, cy - size / 2 + i + 1, color);
            break;
        case DFCS_SCROLLLEFT:
            Fill(dc, cx - size / 2 + i, cy - i, cx - size / 2 + i + 1, cy + i + 1, color);
            break;
        case DFCS_SCROLLRIGHT:
            Fill(dc, cx + size / 2 - i, cy - i, cx + size / 2 - i + 1, cy + i + 1, color);
            break;
        default:
            Fill(dc, cx - i, cy + size / 2 - i, cx + i + 1, cy + size / 2 - i + 1, color);
            break;
        }
    }
}

} // namespace

BOOL DrawFrameControl(HDC dc, LPRECT rect, UINT type, UINT state)
{
    if (!rect || !LookupAs<DeviceContext>(dc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool pushed = state & (DFCS_PUSHED | DFCS_CHECKED);
    const int ink = state & DFCS_INACTIVE ? COLOR_GRAYTEXT : COLOR_BTNTEXT;
    RECT r = *rect;
    switch (type) {
    case DFC_BUTTON: {
        if (state & DFCS_BUTTONPUSH) {
            DrawEdge(dc, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT);
            return TRUE;
        }
        // Check boxes and radio buttons are 13 x 13 at the left, centred.
        LONG size = std::min<LONG>(13, std::min(r.right - r.left, r.bottom - r.top));
        RECT box{r.left, r.top + (r.bottom - r.top - size) / 2, r.left + size, 0};
        box.bottom = box.top + size;
        int face = state & (DFCS_PUSHED | DFCS_INACTIVE) ? COLOR_BTNFACE : COLOR_WINDOW;
        if (state & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) {
            // The caller's pen, brush and mix mode must not show.
            int saved = SaveDC(dc);
            SetROP2(dc, R2_COPYPEN);
            SelectObject(dc, GetStockObject(NULL_PEN));
            SelectObject(dc, GetSysColorBrush(COLOR_BTNSHADOW));
            Ellipse(dc, box.left, box.top, box.right + 1, box.bottom + 1);
            SelectObject(dc, GetSysColorBrush(face));
            Ellipse(dc, box.left + 1, box.top + 1, box.right, box.bottom);
            if (state & DFCS_CHECKED) {
                SelectObject(dc, GetSysColorBrush(ink));
                Ellipse(dc, box.left + 4, box.top + 4, box.right - 3, box.bottom - 3);
            }
            RestoreDC(dc, saved);
            return TRUE;
        }
        DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        Fill(dc, box.left, box.top, box.right, box.bottom, face);
        if (state & DFCS_CHECKED)
            DrawCheckMark(dc, box, ink);
        return TRUE;
    }
    case DFC_CAPTION:
    case DFC_SCROLL: {
        DrawEdge(dc, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
        UINT kind = state & 0xFF;
        if (type == DFC_SCROLL) {
            DrawArrow(dc, r, kind == DFCS_SCROLLCOMBOBOX ? DFCS_SCROLLDOWN : kind, ink);
        } else if (kind == DFCS_CAPTIONCLOSE) {
            LONG cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
            for (LONG i = -3; i <= 3; ++i) {
                Fill(dc, cx + i, cy + i, cx + i + 2, cy + i + 1, ink);
                Fill(dc, cx + i, cy - i, cx + i + 2, cy - i + 1, ink);
            }
        } else if (kind == DFCS_CAPTIONMIN) {
            Fill(dc, r.left + 3, r.bottom - 5, r.right - 4, r.bottom - 3, ink);
        } else {
            RECT frame{r.left + 3, r.top + 2, r.right - 3, r.bottom - 3};
            FrameRect(dc, &frame, GetSysColorBrush(ink));
            Fill(dc, frame.left, frame.top, frame.right, frame.top + 2, ink);
        }
        return TRUE;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}
