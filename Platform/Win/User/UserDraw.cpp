// The USER drawing helpers over the GDI's public calls: rectangles filled
// with brushes or system colours, 3-D edges, focus rectangles and frame
// controls in the classic look.

#include <algorithm>

#include "Platform/Win/User/User.h"

namespace {

bool IsDc(HDC dc)
{
    DWORD type = GetObjectType(dc);
    return type == OBJ_DC || type == OBJ_MEMDC;
}

// A COLOR_* + 1 value as the system colour's brush; other handles as given.
HBRUSH RealBrush(HBRUSH brush)
{
    UINT_PTR value = reinterpret_cast<UINT_PTR>(brush);
    if (value >= 1 && value <= static_cast<UINT_PTR>(COLOR_MENUBAR + 1))
        return GetSysColorBrush(static_cast<int>(value - 1));
    return brush;
}

// PatBlt with `brush` selected for the call.
BOOL PatBltWith(HDC dc, const RECT& r, HBRUSH brush, DWORD rop)
{
    HGDIOBJ previous = SelectObject(dc, brush);
    if (!previous)
        return FALSE;
    BOOL done = PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, rop);
    SelectObject(dc, previous);
    return done;
}

} // namespace

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    brush = RealBrush(brush);
    if (!rect || !IsDc(dc) || GetObjectType(brush) != OBJ_BRUSH) {
        SetLastError(rect ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (rect->right <= rect->left || rect->bottom <= rect->top)
        return 1;
    return PatBltWith(dc, *rect, brush, PATCOPY) ? 1 : 0;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (rect->right <= rect->left || rect->bottom <= rect->top)
        return 1;
    const RECT sides[] = {
        {rect->left, rect->top, rect->right, rect->top + 1},
        {rect->left, rect->bottom - 1, rect->right, rect->bottom},
        {rect->left, rect->top + 1, rect->left + 1, rect->bottom - 1},
        {rect->right - 1, rect->top + 1, rect->right, rect->bottom - 1},
    };
    for (const RECT& side : sides)
        if (side.right > side.left && side.bottom > side.top && !FillRect(dc, &side, brush))
            return 0;
    return 1;
}

BOOL InvertRect(HDC dc, const RECT* rect)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return PatBlt(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, DSTINVERT);
}

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
    if (!rect || !IsDc(dc)) {
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
    if (!IsDc(dc) || !rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (rect->right <= rect->left || rect->bottom <= rect->top)
        return TRUE;
    // Every other pixel of the outline, counted from the rectangle's corner,
    // is inverted (a checkerboard brush anchored there, XORed white), so a
    // second call erases it.
    static const WORD kCheckerboard[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kCheckerboard);
    HBRUSH brush = CreatePatternBrush(pattern);
    POINT corner{rect->left, rect->top};
    LPtoDP(dc, &corner, 1);
    POINT oldOrigin{};
    SetBrushOrgEx(dc, corner.x, corner.y, &oldOrigin);
    // A monochrome pattern's 0 bits take the text colour, its 1 bits the
    // background colour: black leaves a pixel, white inverts it.
    COLORREF oldText = SetTextColor(dc, RGB(255, 255, 255));
    COLORREF oldBack = SetBkColor(dc, RGB(0, 0, 0));
    const RECT& r = *rect;
    const RECT sides[] = {
        {r.left, r.top, r.right, r.top + 1},
        {r.left, r.bottom - 1, r.right, r.bottom},
        {r.left, r.top + 1, r.left + 1, r.bottom - 1},
        {r.right - 1, r.top + 1, r.right, r.bottom - 1},
    };
    for (size_t i = 0; i < 4; ++i) {
        const RECT& side = sides[i];
        bool repeated = (i == 1 && r.bottom - 1 == r.top) || (i == 3 && r.right - 1 == r.left);
        if (!repeated && side.right > side.left && side.bottom > side.top)
            PatBltWith(dc, side, brush, PATINVERT);
    }
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    DeleteObject(brush);
    DeleteObject(pattern);
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
    if (!rect || !IsDc(dc)) {
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
