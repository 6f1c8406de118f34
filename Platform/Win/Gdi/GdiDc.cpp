// Device contexts: attributes, memory DCs, SaveDC/RestoreDC, coordinates,
// object selection, pens and brushes, regions and clipping.

#include <algorithm>

#include "Platform/Win/Gdi/Private/GdiInternal.h"

namespace win::gdi {

namespace {

std::shared_ptr<DeviceContext> FindDC(HDC dc)
{
    auto context = LookupAs<DeviceContext>(dc);
    if (!context)
        SetLastError(ERROR_INVALID_HANDLE);
    return context;
}

std::shared_ptr<Region> FindRegion(HRGN region)
{
    auto found = LookupAs<Region>(region);
    if (!found)
        SetLastError(ERROR_INVALID_HANDLE);
    return found;
}

int RegionType(const detail::RectRegion& region)
{
    if (region.IsEmpty())
        return NULLREGION;
    return region.Rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// Points the DC at its selected bitmap's pixels.
void AttachBitmap(DeviceContext& dc)
{
    auto* bitmap = dc.m_state.bitmap.As<Bitmap>();
    if (!bitmap)
        return;
    dc.m_surface = bitmap->m_surface;
    dc.m_visible = detail::RectRegion(RECT{0, 0, bitmap->m_width, bitmap->m_height});
    dc.m_mono = bitmap->m_mono;
}

RECT NormalRect(int left, int top, int right, int bottom)
{
    return RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

// The clip region in device coordinates; the whole device when none is set.
detail::RectRegion ClipOrDevice(const DeviceContext& dc)
{
    if (dc.m_state.clip)
        return *dc.m_state.clip;
    detail::RectRegion all = dc.m_visible;
    all.Offset(-dc.m_origin.x, -dc.m_origin.y);
    return detail::RectRegion(all.Bounds());
}

RECT DeviceRect(const DeviceContext& dc, int left, int top, int right, int bottom)
{
    POINT a = dc.ToDevice(POINT{left, top});
    POINT b = dc.ToDevice(POINT{right, bottom});
    return NormalRect(a.x, a.y, b.x, b.y);
}

template <typename Value, typename Field> Value Swap(HDC dc, Field field, Value value, Value failure)
{
    auto context = FindDC(dc);
    if (!context)
        return failure;
    Value old = context->m_state.*field;
    context->m_state.*field = value;
    return old;
}

template <typename Value, typename Field> Value Read(HDC dc, Field field, Value failure)
{
    auto context = FindDC(dc);
    return context ? context->m_state.*field : failure;
}

BOOL SetOrigin(HDC dc, POINT DcState::*field, int x, int y, bool relative, LPPOINT previous)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    POINT& origin = context->m_state.*field;
    if (previous)
        *previous = origin;
    origin = relative ? POINT{origin.x + x, origin.y + y} : POINT{x, y};
    return TRUE;
}

} // namespace

namespace {

// Coordinates stay within 28 bits, as GDI's do, so that sums of a
// coordinate and an extent cannot overflow.
constexpr LONGLONG kCoordinateLimit = 0x0FFFFFFF;

LONG Clamped(LONGLONG v) { return static_cast<LONG>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)); }

} // namespace

POINT DeviceContext::ToDevice(POINT p) const
{
    return POINT{Clamped(LONGLONG(p.x) - m_state.windowOrg.x + m_state.viewportOrg.x),
                 Clamped(LONGLONG(p.y) - m_state.windowOrg.y + m_state.viewportOrg.y)};
}

POINT DeviceContext::FromDevice(POINT p) const
{
    return POINT{Clamped(LONGLONG(p.x) - m_state.viewportOrg.x + m_state.windowOrg.x),
                 Clamped(LONGLONG(p.y) - m_state.viewportOrg.y + m_state.windowOrg.y)};
}

POINT DeviceContext::ToSurface(POINT p) const
{
    POINT d = ToDevice(p);
    return POINT{Clamped(LONGLONG(d.x) + m_origin.x), Clamped(LONGLONG(d.y) + m_origin.y)};
}

} // namespace win::gdi

using namespace win;
using namespace win::gdi;

COLORREF SetTextColor(HDC dc, COLORREF color) { return Swap(dc, &DcState::textColor, color, CLR_INVALID); }
COLORREF GetTextColor(HDC dc) { return Read(dc, &DcState::textColor, CLR_INVALID); }
COLORREF SetBkColor(HDC dc, COLORREF color) { return Swap(dc, &DcState::bkColor, color, CLR_INVALID); }
COLORREF GetBkColor(HDC dc) { return Read(dc, &DcState::bkColor, CLR_INVALID); }

int SetBkMode(HDC dc, int mode)
{
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Swap(dc, &DcState::bkMode, mode, 0);
}
int GetBkMode(HDC dc) { return Read(dc, &DcState::bkMode, 0); }
UINT SetTextAlign(HDC dc, UINT align) { return Swap(dc, &DcState::textAlign, align, GDI_ERROR); }
UINT GetTextAlign(HDC dc) { return Read(dc, &DcState::textAlign, GDI_ERROR); }

int SetROP2(HDC dc, int mode)
{
    if (mode < R2_BLACK || mode > R2_WHITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Swap(dc, &DcState::rop2, mode, 0);
}
int GetROP2(HDC dc) { return Read(dc, &DcState::rop2, 0); }

int SetPolyFillMode(HDC dc, int mode)
{
    if (mode != ALTERNATE && mode != WINDING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Swap(dc, &DcState::polyFillMode, mode, 0);
}
int GetPolyFillMode(HDC dc) { return Read(dc, &DcState::polyFillMode, 0); }

int SetStretchBltMode(HDC dc, int mode)
{
    if (mode < BLACKONWHITE || mode > HALFTONE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Swap(dc, &DcState::stretchMode, mode, 0);
}
int GetStretchBltMode(HDC dc) { return Read(dc, &DcState::stretchMode, 0); }

BOOL SetBrushOrgEx(HDC dc, int x, int y, LPPOINT previous)
{
    return SetOrigin(dc, &DcState::brushOrg, x, y, false, previous);
}

BOOL GetBrushOrgEx(HDC dc, LPPOINT origin)
{
    auto context = FindDC(dc);
    if (!context || !origin)
        return FALSE;
    *origin = context->m_state.brushOrg;
    return TRUE;
}

HDC CreateCompatibleDC(HDC dc)
{
    if (dc && !FindDC(dc))
        return nullptr;
    auto context = std::make_shared<DeviceContext>(OBJ_MEMDC);
    context->m_kind = DcKind::Memory;
    InitDcState(&context->m_state);
    HBITMAP stock = StockBitmap();
    context->m_state.bitmap = Selected(stock, LookupObject(stock));
    AttachBitmap(*context);
    return static_cast<HDC>(InsertObject(std::move(context)));
}

BOOL DeleteDC(HDC dc)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    // A window DC belongs back to the window system through ReleaseDC; one
    // deleted by mistake is still freed, so that it does not leak.
    if (context->m_kind != DcKind::Memory)
        return ReleaseSurfaceDC(dc) ? TRUE : FALSE;
    auto* bitmap = context->m_state.bitmap.As<Bitmap>();
    if (bitmap && !bitmap->m_stock)
        --bitmap->m_selectedIn;
    return RemoveObject(dc) ? TRUE : FALSE;
}

int SaveDC(HDC dc)
{
    auto context = FindDC(dc);
    if (!context)
        return 0;
    context->m_saved.push_back(context->m_state);
    return static_cast<int>(context->m_saved.size());
}

BOOL RestoreDC(HDC dc, int level)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    int depth = static_cast<int>(context->m_saved.size());
    int target = level < 0 ? depth + level + 1 : level;
    if (level == 0 || target < 1 || target > depth) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Selected before = context->m_state.bitmap;
    context->m_state = context->m_saved[static_cast<size_t>(target - 1)];
    context->m_saved.resize(static_cast<size_t>(target - 1));
    if (context->m_kind == DcKind::Memory && before.Handle() != context->m_state.bitmap.Handle()) {
        if (auto* old = before.As<Bitmap>(); old && !old->m_stock)
            --old->m_selectedIn;
        if (auto* now = context->m_state.bitmap.As<Bitmap>(); now && !now->m_stock)
            ++now->m_selectedIn;
        AttachBitmap(*context);
    }
    return TRUE;
}

int GetDeviceCaps(HDC dc, int index)
{
    auto context = FindDC(dc);
    if (!context)
        return 0;
    switch (index) {
    case DRIVERVERSION:
        return 0x4000;
    case TECHNOLOGY:
        return DT_RASDISPLAY;
    case HORZRES:
    case DESKTOPHORZRES:
        return DisplaySize().cx;
    case VERTRES:
    case DESKTOPVERTRES:
        return DisplaySize().cy;
    case HORZSIZE:
        return DisplaySize().cx * 254 / 960;
    case VERTSIZE:
        return DisplaySize().cy * 254 / 960;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMBRUSHES:
    case NUMPENS:
    case NUMCOLORS:
        return -1;
    case NUMFONTS:
        return 0;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case SIZEPALETTE:
    case NUMRESERVED:
        return 0;
    case COLORRES:
        return 24;
    default:
        return 0;
    }
}

int SetMapMode(HDC dc, int mode)
{
    // Only MM_TEXT scales one to one; the other modes are accepted and
    // drawn as MM_TEXT, which is all the program's drawing needs.
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Swap(dc, &DcState::mapMode, mode, 0);
}
int GetMapMode(HDC dc) { return Read(dc, &DcState::mapMode, 0); }

BOOL SetWindowOrgEx(HDC dc, int x, int y, LPPOINT previous)
{
    return SetOrigin(dc, &DcState::windowOrg, x, y, false, previous);
}
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, LPPOINT previous)
{
    return SetOrigin(dc, &DcState::windowOrg, dx, dy, true, previous);
}
BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous)
{
    return SetOrigin(dc, &DcState::viewportOrg, x, y, false, previous);
}
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, LPPOINT previous)
{
    return SetOrigin(dc, &DcState::viewportOrg, dx, dy, true, previous);
}

BOOL GetWindowOrgEx(HDC dc, LPPOINT origin)
{
    auto context = FindDC(dc);
    if (!context || !origin)
        return FALSE;
    *origin = context->m_state.windowOrg;
    return TRUE;
}

BOOL GetViewportOrgEx(HDC dc, LPPOINT origin)
{
    auto context = FindDC(dc);
    if (!context || !origin)
        return FALSE;
    *origin = context->m_state.viewportOrg;
    return TRUE;
}

BOOL LPtoDP(HDC dc, LPPOINT points, int count)
{
    auto context = FindDC(dc);
    if (!context || (count > 0 && !points) || count < 0)
        return FALSE;
    for (int i = 0; i < count; ++i)
        points[i] = context->ToDevice(points[i]);
    return TRUE;
}

BOOL DPtoLP(HDC dc, LPPOINT points, int count)
{
    auto context = FindDC(dc);
    if (!context || (count > 0 && !points) || count < 0)
        return FALSE;
    for (int i = 0; i < count; ++i)
        points[i] = context->FromDevice(points[i]);
    return TRUE;
}

BOOL GdiFlush() { return TRUE; }

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    auto context = FindDC(dc);
    auto found = LookupObject(object);
    if (!context)
        return nullptr;
    if (!found || found->m_deletePending.load()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    DcState& state = context->m_state;
    auto swap = [&](Selected& slot) {
        HGDIOBJ old = slot.Handle();
        slot = Selected(object, found);
        return old;
    };
    switch (found->Type()) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
        return swap(state.pen);
    case OBJ_BRUSH:
        return swap(state.brush);
    case OBJ_FONT:
        return swap(state.font);
    case OBJ_BITMAP: {
        auto* bitmap = static_cast<Bitmap*>(found.get());
        if (context->m_kind != DcKind::Memory)
            return nullptr;
        if (object == state.bitmap.Handle())
            return object;
        // A bitmap lives in one memory DC at a time; only 1-bit and 32-bit
        // layouts (and DIB sections) go into a display-compatible DC.
        if (!bitmap->m_stock && bitmap->m_selectedIn.load() > 0)
            return nullptr;
        if (auto* old = state.bitmap.As<Bitmap>(); old && !old->m_stock)
            --old->m_selectedIn;
        if (!bitmap->m_stock)
            ++bitmap->m_selectedIn;
        HGDIOBJ old = swap(state.bitmap);
        AttachBitmap(*context);
        return old;
    }
    case OBJ_REGION: {
        int type = SelectClipRgn(dc, static_cast<HRGN>(object));
        return reinterpret_cast<HGDIOBJ>(static_cast<INT_PTR>(type));
    }
    case OBJ_PAL:
        return nullptr; // SelectPalette selects palettes
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type)
{
    auto context = FindDC(dc);
    if (!context)
        return nullptr;
    const DcState& state = context->m_state;
    switch (type) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
        return state.pen.Handle();
    case OBJ_BRUSH:
        return state.brush.Handle();
    case OBJ_FONT:
        return state.font.Handle();
    case OBJ_BITMAP:
        return context->m_kind == DcKind::Memory ? state.bitmap.Handle() : nullptr;
    case OBJ_PAL:
        return state.palette.Handle();
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    UINT kind = static_cast<UINT>(style) & PS_STYLE_MASK;
    if (style < 0 || kind > PS_INSIDEFRAME) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A styled pen wider than one pixel draws solid, as on Windows; it keeps
    // its style for GetObject.
    LONG w = std::max(width, 0);
    return static_cast<HPEN>(InsertObject(std::make_shared<Pen>(OBJ_PEN, kind, w, color)));
}

HPEN CreatePenIndirect(const LOGPEN* pen)
{
    if (!pen) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD, const DWORD*)
{
    if (!brush || (style & PS_STYLE_MASK) > PS_INSIDEFRAME || width > 0x7FFF) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if ((style & PS_TYPE_MASK) == PS_COSMETIC && width != 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    UINT kind = brush->lbStyle == BS_NULL ? PS_NULL : style;
    return static_cast<HPEN>(
        InsertObject(std::make_shared<Pen>(OBJ_EXTPEN, kind, static_cast<LONG>(width), brush->lbColor)));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color)
{
    if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto brush = std::make_shared<Brush>(BS_HATCHED, color);
    brush->m_hatch = hatch;
    return static_cast<HBRUSH>(InsertObject(std::move(brush)));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap)
{
    auto source = LookupAs<Bitmap>(bitmap);
    if (!source) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto brush = std::make_shared<Brush>(BS_PATTERN, 0);
    brush->m_patternBitmap = bitmap;
    brush->m_patternMono = source->m_mono;
    {
        std::lock_guard<std::mutex> guard(source->m_surface->Mutex());
        source->ImportBits();
        brush->m_patternWidth = source->m_width;
        brush->m_patternHeight = source->m_height;
        for (LONG y = 0; y < source->m_height; ++y) {
            const DWORD* row = source->m_surface->Row(y);
            brush->m_pattern.insert(brush->m_pattern.end(), row, row + source->m_width);
        }
    }
    if (brush->m_pattern.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HBRUSH>(InsertObject(std::move(brush)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush)
{
    if (!brush) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    switch (brush->lbStyle) {
    case BS_SOLID:
        return CreateSolidBrush(brush->lbColor);
    case BS_NULL:
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    case BS_HATCHED:
        return CreateHatchBrush(static_cast<int>(brush->lbHatch), brush->lbColor);
    case BS_PATTERN:
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    auto region = std::make_shared<Region>();
    region->m_region = detail::RectRegion(NormalRect(left, top, right, bottom));
    return static_cast<HRGN>(InsertObject(std::move(region)));
}

HRGN CreateRectRgnIndirect(const RECT* rect)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom)
{
    auto found = FindRegion(region);
    if (!found)
        return FALSE;
    found->m_region = detail::RectRegion(NormalRect(left, top, right, bottom));
    return TRUE;
}

int CombineRgn(HRGN destination, HRGN a, HRGN b, int mode)
{
    auto out = FindRegion(destination);
    auto first = FindRegion(a);
    auto second = mode == RGN_COPY ? first : FindRegion(b);
    if (!out || !first || !second || mode < RGN_AND || mode > RGN_COPY)
        return ERROR;
    detail::RectRegion result = first->m_region;
    switch (mode) {
    case RGN_AND:
        result.Intersect(second->m_region);
        break;
    case RGN_OR:
        result.Union(second->m_region);
        break;
    case RGN_XOR: {
        detail::RectRegion other = second->m_region;
        other.Subtract(first->m_region);
        result.Subtract(second->m_region);
        result.Union(other);
        break;
    }
    case RGN_DIFF:
        result.Subtract(second->m_region);
        break;
    default:
        break;
    }
    out->m_region = std::move(result);
    return RegionType(out->m_region);
}

int OffsetRgn(HRGN region, int dx, int dy)
{
    auto found = FindRegion(region);
    if (!found)
        return ERROR;
    found->m_region.Offset(dx, dy);
    return RegionType(found->m_region);
}

BOOL PtInRegion(HRGN region, int x, int y)
{
    auto found = FindRegion(region);
    return found && found->m_region.Contains(POINT{x, y}) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN region, const RECT* rect)
{
    auto found = FindRegion(region);
    if (!found || !rect)
        return FALSE;
    return found->m_region.Intersects(NormalRect(rect->left, rect->top, rect->right, rect->bottom)) ? TRUE : FALSE;
}

int GetRgnBox(HRGN region, LPRECT box)
{
    auto found = FindRegion(region);
    if (!found || !box)
        return ERROR;
    *box = found->m_region.Bounds();
    return RegionType(found->m_region);
}

BOOL EqualRgn(HRGN a, HRGN b)
{
    auto first = FindRegion(a);
    auto second = FindRegion(b);
    if (!first || !second)
        return FALSE;
    detail::RectRegion onlyFirst = first->m_region;
    onlyFirst.Subtract(second->m_region);
    detail::RectRegion onlySecond = second->m_region;
    onlySecond.Subtract(first->m_region);
    return onlyFirst.IsEmpty() && onlySecond.IsEmpty() ? TRUE : FALSE;
}

int ExtSelectClipRgn(HDC dc, HRGN region, int mode)
{
    auto context = FindDC(dc);
    if (!context)
        return ERROR;
    auto& clip = context->m_state.clip;
    if (!region) {
        if (mode != RGN_COPY) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return ERROR;
        }
        clip.reset();
    } else {
        auto found = FindRegion(region);
        if (!found || mode < RGN_AND || mode > RGN_COPY)
            return ERROR;
        // The region is in device coordinates, as Windows takes it.
        detail::RectRegion current = ClipOrDevice(*context);
        detail::RectRegion given = found->m_region;
        switch (mode) {
        case RGN_AND:
            current.Intersect(given);
            break;
        case RGN_OR:
            current.Union(given);
            break;
        case RGN_XOR: {
            detail::RectRegion other = given;
            other.Subtract(current);
            current.Subtract(given);
            current.Union(other);
            break;
        }
        case RGN_DIFF:
            current.Subtract(given);
            break;
        default:
            current = given;
            break;
        }
        clip = std::move(current);
    }
    detail::RectRegion area = context->DrawableRegion();
    return RegionType(area);
}

int SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom)
{
    auto context = FindDC(dc);
    if (!context)
        return ERROR;
    detail::RectRegion clip = ClipOrDevice(*context);
    clip.Intersect(DeviceRect(*context, left, top, right, bottom));
    context->m_state.clip = std::move(clip);
    return RegionType(context->DrawableRegion());
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom)
{
    auto context = FindDC(dc);
    if (!context)
        return ERROR;
    detail::RectRegion clip = ClipOrDevice(*context);
    clip.Subtract(DeviceRect(*context, left, top, right, bottom));
    context->m_state.clip = std::move(clip);
    return RegionType(context->DrawableRegion());
}

int OffsetClipRgn(HDC dc, int dx, int dy)
{
    auto context = FindDC(dc);
    if (!context)
        return ERROR;
    if (context->m_state.clip)
        context->m_state.clip->Offset(dx, dy);
    return RegionType(context->DrawableRegion());
}

int GetClipBox(HDC dc, LPRECT box)
{
    auto context = FindDC(dc);
    if (!context || !box)
        return ERROR;
    detail::RectRegion area = context->DrawableRegion();
    RECT bounds = area.Bounds();
    if (area.IsEmpty()) {
        *box = RECT{0, 0, 0, 0};
        return NULLREGION;
    }
    POINT a = context->FromDevice(POINT{bounds.left - context->m_origin.x, bounds.top - context->m_origin.y});
    POINT b = context->FromDevice(POINT{bounds.right - context->m_origin.x, bounds.bottom - context->m_origin.y});
    *box = RECT{a.x, a.y, b.x, b.y};
    return RegionType(area);
}

int GetClipRgn(HDC dc, HRGN region)
{
    auto context = FindDC(dc);
    auto out = FindRegion(region);
    if (!context || !out)
        return -1;
    if (!context->m_state.clip)
        return 0;
    out->m_region = *context->m_state.clip;
    return 1;
}

BOOL PtVisible(HDC dc, int x, int y)
{
    auto context = FindDC(dc);
    return context && context->DrawableRegion().Contains(context->ToSurface(POINT{x, y})) ? TRUE : FALSE;
}

BOOL RectVisible(HDC dc, const RECT* rect)
{
    auto context = FindDC(dc);
    if (!context || !rect)
        return FALSE;
    POINT a = context->ToSurface(POINT{rect->left, rect->top});
    POINT b = context->ToSurface(POINT{rect->right, rect->bottom});
    return context->DrawableRegion().Intersects(NormalRect(a.x, a.y, b.x, b.y)) ? TRUE : FALSE;
}
