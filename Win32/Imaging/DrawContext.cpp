#include "Win32/Imaging/DrawContext.h"

#include <memory>
#include <vector>

#include "Platform/Win/User/User.h"
#include "Win32/Imaging/GdiBitmap.h"

namespace {

int Trunc(double value) { return static_cast<int>(value); }

POINT PointOf(const CGfxPointF& point) { return POINT{Trunc(point.x), Trunc(point.y)}; }

double MarkerHalfSize(int type)
{
    switch (type) {
    case 0:
        return 1.5;
    case 2:
        return 2.5;
    default:
        return 2.0;
    }
}

CGfxRectF MarkerSquare(const CGfxPointF& point, double half)
{
    return CGfxRectF(point.x - half, point.y - half, point.x + half, point.y + half);
}

std::vector<POINT> PointsOf(const CGfxPointFList& list)
{
    std::vector<POINT> points;
    points.reserve(static_cast<size_t>(list.GetCount()));
    for (INT i = 0; i < list.GetCount(); ++i) {
        CGfxPointF* const* cell = list.PeekAt(i);
        if (cell && *cell)
            points.push_back(PointOf(**cell));
    }
    return points;
}

// Selects an object into a memory context for the life of the guard.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelection()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;
    bool Ok() const { return m_previous != nullptr && m_previous != HGDI_ERROR; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

} // namespace

CDrawContext::CDrawContext(HDC hdc)
{
    if (hdc) {
        m_hDC = hdc;
    } else {
        m_hDC = CreateCompatibleDC(nullptr);
        m_bOwnsDC = m_hDC != nullptr;
    }
    if (m_hDC)
        m_nSavedDC = SaveDC(m_hDC);
}

CDrawContext::CDrawContext(CDrawContext* other)
{
    m_hDC = CreateCompatibleDC(other ? other->m_hDC : nullptr);
    if (m_hDC) {
        m_bOwnsDC = TRUE;
        m_nSavedDC = SaveDC(m_hDC);
    }
}

CDrawContext::~CDrawContext()
{
    if (m_hDC) {
        if (m_nSavedDC)
            RestoreDC(m_hDC, m_nSavedDC);
        if (m_bOwnsDC) {
            if (m_hWnd)
                ReleaseDC(m_hWnd, m_hDC);
            else
                DeleteDC(m_hDC);
        }
    }
    delete m_pPrevPen;
    delete m_pPrevBrush;
    delete m_pPrevFont;
    delete m_pPrevBitmap;
}

BOOL CDrawContext::MoveTo(const CGfxPoint& point) { return MoveTo(static_cast<int>(point.x), static_cast<int>(point.y)); }

BOOL CDrawContext::MoveTo(int x, int y) { return m_hDC ? MoveToEx(m_hDC, x, y, nullptr) : FALSE; }

BOOL CDrawContext::MoveTo(const CGfxPointF& point) { return MoveTo(Trunc(point.x), Trunc(point.y)); }

BOOL CDrawContext::MoveTo(double x, double y) { return MoveTo(Trunc(x), Trunc(y)); }

BOOL CDrawContext::LineTo(const CGfxPoint& point) { return LineTo(static_cast<int>(point.x), static_cast<int>(point.y)); }

BOOL CDrawContext::LineTo(int x, int y) { return m_hDC ? ::LineTo(m_hDC, x, y) : FALSE; }

BOOL CDrawContext::LineTo(const CGfxPointF& point) { return LineTo(Trunc(point.x), Trunc(point.y)); }

BOOL CDrawContext::LineTo(double x, double y) { return LineTo(Trunc(x), Trunc(y)); }

BOOL CDrawContext::DrawLine(const CGfxPointF& from, const CGfxPointF& to)
{
    if (!m_hDC)
        return FALSE;
    MoveTo(from);
    return LineTo(to);
}

BOOL CDrawContext::DrawLineTransparent(const CGfxPointF& from, const CGfxPointF& to)
{
    if (!m_hDC)
        return FALSE;
    const int previous = ::SetBkMode(m_hDC, TRANSPARENT);
    const BOOL drawn = DrawLine(from, to);
    ::SetBkMode(m_hDC, previous);
    return drawn;
}

BOOL CDrawContext::FrameMarker(const CGfxPointF& point, int type)
{
    return FrameRect(MarkerSquare(point, MarkerHalfSize(type)));
}

BOOL CDrawContext::FillMarker(const CGfxPointF& point, int type)
{
    if (!m_hDC)
        return FALSE;
    HGDIOBJ previous = SelectObject(m_hDC, GetStockObject(NULL_PEN));
    const BOOL drawn = Rectangle(MarkerSquare(point, MarkerHalfSize(type)));
    if (previous)
        SelectObject(m_hDC, previous);
    return drawn;
}

BOOL CDrawContext::Polygon(const CGfxPointFList& points)
{
    if (!m_hDC)
        return FALSE;
    const std::vector<POINT> vertices = PointsOf(points);
    return ::Polygon(m_hDC, vertices.data(), static_cast<int>(vertices.size()));
}

BOOL CDrawContext::Polyline(const CGfxPointFList& points)
{
    if (!m_hDC)
        return FALSE;
    const std::vector<POINT> vertices = PointsOf(points);
    return ::Polyline(m_hDC, vertices.data(), static_cast<int>(vertices.size()));
}

BOOL CDrawContext::Rectangle(const CGfxRect& rect)
{
    if (!m_hDC)
        return FALSE;
    return ::Rectangle(m_hDC, rect.left, rect.top, rect.right + 1, rect.bottom + 1);
}

BOOL CDrawContext::Rectangle(const CGfxRectF& rect)
{
    if (!m_hDC)
        return FALSE;
    return ::Rectangle(m_hDC, Trunc(rect.left), Trunc(rect.top), Trunc(rect.right + 1), Trunc(rect.bottom + 1));
}

BOOL CDrawContext::FrameRect(const CGfxRect& rect)
{
    if (!m_hDC)
        return FALSE;
    const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    MoveTo(l, t);
    return LineTo(r, t) && LineTo(r, b) && LineTo(l, b) && LineTo(l, t);
}

BOOL CDrawContext::FrameRect(const CGfxRectF& rect)
{
    if (!m_hDC)
        return FALSE;
    MoveTo(rect.left, rect.top);
    return LineTo(rect.right, rect.top) && LineTo(rect.right, rect.bottom) && LineTo(rect.left, rect.bottom) &&
           LineTo(rect.left, rect.top);
}

BOOL CDrawContext::InvertRect(const CGfxRect& rect)
{
    if (!m_hDC)
        return FALSE;
    const RECT area{rect.left, rect.top, rect.right + 1, rect.bottom + 1};
    return ::InvertRect(m_hDC, &area);
}

BOOL CDrawContext::PolyBezier(const CGfxPointF* points)
{
    if (!m_hDC || !points)
        return FALSE;
    const POINT curve[4] = {PointOf(points[0]), PointOf(points[1]), PointOf(points[2]), PointOf(points[3])};
    return ::PolyBezier(m_hDC, curve, 4);
}

BOOL CDrawContext::PolyBezierSegments(const CGfxPointFList& segments)
{
    if (!m_hDC)
        return FALSE;
    BOOL drawn = TRUE;
    for (INT i = 0; i < segments.GetCount(); ++i) {
        CGfxPointF* const* cell = segments.PeekAt(i);
        if (cell && *cell)
            drawn = PolyBezier(*cell) && drawn;
    }
    return drawn;
}

BOOL CDrawContext::PolyBezierPath(const CGfxPointFList& segments)
{
    if (!m_hDC || segments.IsEmpty())
        return FALSE;
    std::vector<POINT> path;
    path.reserve(static_cast<size_t>(segments.GetCount()) * 3 + 1);
    for (INT i = 0; i < segments.GetCount(); ++i) {
        CGfxPointF* const* cell = segments.PeekAt(i);
        if (!cell || !*cell)
            return FALSE;
        const CGfxPointF* segment = *cell;
        if (i == 0)
            path.push_back(PointOf(segment[0]));
        for (int k = 1; k <= 3; ++k)
            path.push_back(PointOf(segment[k]));
    }
    return ::PolyBezier(m_hDC, path.data(), static_cast<DWORD>(path.size()));
}

BOOL CDrawContext::SetPixel(const CGfxPoint& point, const CColor& color)
{
    return m_hDC ? SetPixelV(m_hDC, point.x, point.y, color.GetValue()) : FALSE;
}

CRGBColor CDrawContext::GetPixel(const CGfxPoint& point)
{
    return m_hDC ? CRGBColor(::GetPixel(m_hDC, point.x, point.y)) : CRGBColor();
}

CGdiPen* CDrawContext::SelectPen(CGdiPen* pen)
{
    if (!m_hDC || !pen)
        return nullptr;
    HGDIOBJ displaced = SelectObject(m_hDC, pen->GetHandle());
    if (!displaced || displaced == HGDI_ERROR)
        return nullptr;
    const bool restoring = pen == m_pPrevPen;
    delete m_pPrevPen;
    m_pPen = restoring ? nullptr : pen;
    m_pPrevPen = new CGdiPen(static_cast<HPEN>(displaced), FALSE);
    return m_pPrevPen;
}

CGdiBrush* CDrawContext::SelectBrush(CGdiBrush* brush)
{
    if (!m_hDC || !brush)
        return nullptr;
    HGDIOBJ displaced = SelectObject(m_hDC, brush->GetHandle());
    if (!displaced || displaced == HGDI_ERROR)
        return nullptr;
    const bool restoring = brush == m_pPrevBrush;
    delete m_pPrevBrush;
    m_pBrush = restoring ? nullptr : brush;
    m_pPrevBrush = new CGdiBrush(static_cast<HBRUSH>(displaced), FALSE);
    return m_pPrevBrush;
}

CGdiFont* CDrawContext::SelectFont(CGdiFont* font)
{
    if (!m_hDC || !font)
        return nullptr;
    HGDIOBJ displaced = SelectObject(m_hDC, font->GetHandle());
    if (!displaced || displaced == HGDI_ERROR)
        return nullptr;
    const bool restoring = font == m_pPrevFont;
    delete m_pPrevFont;
    m_pFont = restoring ? nullptr : font;
    m_pPrevFont = new CGdiFont(static_cast<HFONT>(displaced), FALSE);
    return m_pPrevFont;
}

CGdiBitmap* CDrawContext::SelectBitmap(CGdiBitmap* bitmap)
{
    if (!m_hDC || !bitmap)
        return nullptr;
    HGDIOBJ displaced = SelectObject(m_hDC, bitmap->GetHandle());
    if (displaced == HGDI_ERROR)
        displaced = nullptr;
    const bool restoring = bitmap == m_pPrevBitmap;
    delete m_pPrevBitmap;
    m_pBitmap = restoring ? nullptr : bitmap;
    m_pPrevBitmap = new CGdiBitmap(static_cast<HBITMAP>(displaced), FALSE);
    return m_pPrevBitmap;
}

CGfxPoint CDrawContext::DeviceToLogical(const CGfxPoint& point)
{
    POINT p{point.x, point.y};
    if (!m_hDC || !DPtoLP(m_hDC, &p, 1))
        return CGfxPoint();
    return CGfxPoint(p.x, p.y);
}

CGfxSize CDrawContext::DeviceToLogical(const CGfxSize& size)
{
    // A size converts as the vector between two points, so origins cancel.
    POINT p[2] = {{0, 0}, {size.cx, size.cy}};
    if (!m_hDC || !DPtoLP(m_hDC, p, 2))
        return CGfxSize();
    return CGfxSize(p[1].x - p[0].x, p[1].y - p[0].y);
}

CGfxPointF CDrawContext::DeviceToLogicalF(const CGfxPointF& point)
{
    POINT p = PointOf(point);
    if (!m_hDC || !DPtoLP(m_hDC, &p, 1))
        return CGfxPointF();
    return CGfxPointF(p.x, p.y);
}

CGfxRect CDrawContext::DeviceToLogicalRect(const CGfxRect& rect)
{
    const CGfxPoint topLeft = DeviceToLogical(CGfxPoint(rect.left, rect.top));
    const CGfxPoint bottomRight = DeviceToLogical(CGfxPoint(rect.right, rect.bottom));
    return CGfxRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
}

CRGBColor CDrawContext::SetBkColor(const CColor& color)
{
    return m_hDC ? CRGBColor(::SetBkColor(m_hDC, color.GetValue())) : CRGBColor();
}

CRGBColor CDrawContext::SetTextColor(const CColor& color)
{
    return m_hDC ? CRGBColor(::SetTextColor(m_hDC, color.GetValue())) : CRGBColor();
}

int CDrawContext::SetBkMode(int mode) { return m_hDC ? ::SetBkMode(m_hDC, mode) : 0; }

int CDrawContext::SetMapMode(int mode) { return m_hDC ? ::SetMapMode(m_hDC, mode) : 0; }

int CDrawContext::GetMapMode() { return m_hDC ? ::GetMapMode(m_hDC) : 0; }

BOOL CDrawContext::FillRectF(const CGfxRectF& rect, const CColor& color)
{
    if (!m_hDC)
        return FALSE;
    CGdiPen pen(color, 0, static_cast<int>(PS_SOLID));
    CGdiBrush brush(color);
    HGDIOBJ previousPen = pen.GetHandle() ? SelectObject(m_hDC, pen.GetHandle()) : nullptr;
    HGDIOBJ previousBrush = brush.GetHandle() ? SelectObject(m_hDC, brush.GetHandle()) : nullptr;
    const BOOL drawn = previousPen && previousBrush && Rectangle(rect);
    if (previousBrush)
        SelectObject(m_hDC, previousBrush);
    if (previousPen)
        SelectObject(m_hDC, previousPen);
    return drawn;
}

int CDrawContext::DrawText(const CGfxString& text, const CGfxRect& rect, UINT format)
{
    if (!m_hDC)
        return 0;
    RECT area{rect.left, rect.top, rect.right + 1, rect.bottom + 1};
    return DrawTextA(m_hDC, text.GetString(), text.GetLength(), &area, format);
}

BOOL CDrawContext::GetTextExtent(const CGfxString& text, CGfxSize& size)
{
    SIZE extent{};
    if (!m_hDC || !GetTextExtentPoint32A(m_hDC, text.GetString(), text.GetLength(), &extent))
        return FALSE;
    size = CGfxSize(extent.cx, extent.cy);
    return TRUE;
}

BOOL CDrawContext::BitBlt(const CGfxRect& destination, CDrawContext* source, const CGfxPoint& sourcePoint, DWORD rop)
{
    if (!m_hDC || !source || !source->m_hDC)
        return FALSE;
    return ::BitBlt(m_hDC, destination.left, destination.top, destination.right - destination.left + 1,
                    destination.bottom - destination.top + 1, source->m_hDC, sourcePoint.x, sourcePoint.y, rop);
}

BOOL CDrawContext::StretchBlt(const CGfxRect& destination, CDrawContext* source, const CGfxRect& sourceRect,
                              DWORD rop)
{
    if (!m_hDC || !source || !source->m_hDC)
        return FALSE;
    return ::StretchBlt(m_hDC, destination.left, destination.top, destination.right - destination.left + 1,
                        destination.bottom - destination.top + 1, source->m_hDC, sourceRect.left, sourceRect.top,
                        sourceRect.right - sourceRect.left + 1, sourceRect.bottom - sourceRect.top + 1, rop);
}

BOOL CDrawContext::DrawBitmap(CGdiBitmap* bitmap, const CGfxRect& destination, const CGfxPoint& sourcePoint,
                              DWORD rop)
{
    if (!m_hDC || !bitmap || !bitmap->IsValid())
        return FALSE;
    CDrawContext memory(this);
    if (!memory.m_hDC)
        return FALSE;
    ScopedSelection selection(memory.m_hDC, bitmap->GetHandle());
    if (!selection.Ok())
        return FALSE;
    return BitBlt(destination, &memory, sourcePoint, rop);
}

BOOL CDrawContext::PaintBackground(CDrawContext& target, const CGfxSize& size, const CGfxRect& destination,
                                   CGdiBitmap* background, const CGfxPoint* backgroundPoint, CGdiBitmap* tile,
                                   const CColor* color)
{
    const CGfxRect area(0, 0, size.cx - 1, size.cy - 1);
    if (background) {
        CDrawContext memory(this);
        ScopedSelection selection(memory.m_hDC, background->GetHandle());
        if (!memory.m_hDC || !selection.Ok())
            return FALSE;
        memory.SetMapMode(GetMapMode());
        return target.BitBlt(area, &memory, backgroundPoint ? *backgroundPoint : CGfxPoint(), SRCCOPY);
    }
    if (tile) {
        std::unique_ptr<CGdiBitmap> tiled(tile->CreateTiled(this, size));
        return tiled && target.DrawBitmap(tiled.get(), area, CGfxPoint(), SRCCOPY);
    }
    if (color)
        return target.FillRectF(CGfxRectF(area), *color);
    return target.BitBlt(area, this, CGfxPoint(destination.left, destination.top), SRCCOPY);
}

BOOL CDrawContext::DrawTransparent(const CGfxRect& destination, CGdiBitmap* bitmap, const CGfxPoint& sourcePoint,
                                   CGdiBitmap* background, const CGfxPoint* backgroundPoint, CGdiBitmap* tile,
                                   const CColor* color)
{
    if (!m_hDC || !bitmap || !bitmap->IsValid())
        return FALSE;
    if (!bitmap->IsTransparent())
        return DrawBitmap(bitmap, destination, sourcePoint, SRCCOPY);
    if (bitmap->HasPreparedMask())
        return DrawTransparentMasked(destination, bitmap, sourcePoint, background, backgroundPoint, tile, color);

    const CGfxSize size = DeviceToLogical(bitmap->GetSize());
    if (size.cx <= 0 || size.cy <= 0)
        return FALSE;
    const CGfxRect area(0, 0, size.cx - 1, size.cy - 1);
    const int mapMode = GetMapMode();

    CDrawContext source(this), mask(this), inverse(this), composite(this), saved(this);
    if (!source.m_hDC || !mask.m_hDC || !inverse.m_hDC || !composite.m_hDC || !saved.m_hDC)
        return FALSE;
    CGdiBitmap maskBitmap(CGfxPoint(size.cx, size.cy), 1, 1, nullptr);
    CGdiBitmap inverseBitmap(CGfxPoint(size.cx, size.cy), 1, 1, nullptr);
    CGdiBitmap compositeBitmap(this, CGfxPoint(size.cx, size.cy));
    CGdiBitmap savedBitmap(this, CGfxPoint(size.cx, size.cy));
    ScopedSelection selectSource(source.m_hDC, bitmap->GetHandle());
    ScopedSelection selectMask(mask.m_hDC, maskBitmap.GetHandle());
    ScopedSelection selectInverse(inverse.m_hDC, inverseBitmap.GetHandle());
    ScopedSelection selectComposite(composite.m_hDC, compositeBitmap.GetHandle());
    ScopedSelection selectSaved(saved.m_hDC, savedBitmap.GetHandle());
    if (!selectSource.Ok() || !selectMask.Ok() || !selectInverse.Ok() || !selectComposite.Ok() || !selectSaved.Ok())
        return FALSE;
    for (CDrawContext* context : {&source, &mask, &inverse, &composite, &saved})
        context->SetMapMode(mapMode);

    BOOL ok = saved.BitBlt(area, &source, CGfxPoint(), SRCCOPY);
    // Colour-to-monochrome blits give 1 where the source has its background
    // colour, so the key colour becomes the source's background for one blit.
    const CRGBColor key = bitmap->GetTransparentColor(TRUE, &source);
    const CRGBColor previousBk = source.SetBkColor(key);
    ok = ok && mask.BitBlt(area, &source, CGfxPoint(), SRCCOPY);
    source.SetBkColor(previousBk);
    ok = ok && inverse.BitBlt(area, &mask, CGfxPoint(), NOTSRCCOPY);
    ok = ok && PaintBackground(composite, size, destination, background, backgroundPoint, tile, color);
    ok = ok && composite.BitBlt(area, &mask, sourcePoint, SRCAND);
    ok = ok && source.BitBlt(area, &inverse, CGfxPoint(), SRCAND);
    ok = ok && composite.BitBlt(area, &source, sourcePoint, SRCPAINT);
    ok = ok && BitBlt(destination, &composite, CGfxPoint(), SRCCOPY);
    // The bitmap gets its own pixels back whatever happened above.
    const BOOL restored = source.BitBlt(area, &saved, CGfxPoint(), SRCCOPY);
    return ok && restored;
}

BOOL CDrawContext::DrawBitmapOverBitmap(const CGfxRect& destination, CGdiBitmap* bitmap, const CGfxPoint& sourcePoint,
                                        CGdiBitmap* background, const CGfxPoint& backgroundPoint)
{
    return DrawTransparent(destination, bitmap, sourcePoint, background, &backgroundPoint, nullptr, nullptr);
}

BOOL CDrawContext::DrawBitmapOverTile(const CGfxRect& destination, CGdiBitmap* bitmap, const CGfxPoint& sourcePoint,
                                      CGdiBitmap* tile)
{
    return DrawTransparent(destination, bitmap, sourcePoint, nullptr, nullptr, tile, nullptr);
}

BOOL CDrawContext::DrawBitmapOverColor(const CGfxRect& destination, CGdiBitmap* bitmap, const CGfxPoint& sourcePoint,
                                       const CColor& color)
{
    return DrawTransparent(destination, bitmap, sourcePoint, nullptr, nullptr, nullptr, &color);
}

BOOL CDrawContext::DrawTransparentMasked(const CGfxRect& destination, CGdiBitmap* bitmap,
                                         const CGfxPoint& sourcePoint, CGdiBitmap* background,
                                         const CGfxPoint* backgroundPoint, CGdiBitmap* tile, const CColor* color)
{
    if (!m_hDC || !bitmap || !bitmap->IsValid())
        return FALSE;
    if (!bitmap->IsTransparent() || !bitmap->GetMask())
        return DrawBitmap(bitmap, destination, sourcePoint, SRCCOPY);
    const CGfxSize size = DeviceToLogical(bitmap->GetSize());
    if (size.cx <= 0 || size.cy <= 0)
        return FALSE;
    const CGfxRect area(0, 0, size.cx - 1, size.cy - 1);
    const int mapMode = GetMapMode();

    CDrawContext composite(this), mask(this), colour(this);
    if (!composite.m_hDC || !mask.m_hDC || !colour.m_hDC)
        return FALSE;
    CGdiBitmap compositeBitmap(this, CGfxPoint(size.cx, size.cy));
    ScopedSelection selectComposite(composite.m_hDC, compositeBitmap.GetHandle());
    ScopedSelection selectMask(mask.m_hDC, bitmap->GetMask()->GetHandle());
    ScopedSelection selectColour(colour.m_hDC, bitmap->GetHandle());
    if (!selectComposite.Ok() || !selectMask.Ok() || !selectColour.Ok())
        return FALSE;
    for (CDrawContext* context : {&composite, &mask, &colour})
        context->SetMapMode(mapMode);
    return PaintBackground(composite, size, destination, background, backgroundPoint, tile, color) &&
           composite.BitBlt(area, &mask, sourcePoint, SRCAND) && composite.BitBlt(area, &colour, sourcePoint, SRCPAINT) &&
           BitBlt(destination, &composite, CGfxPoint(), SRCCOPY);
}
