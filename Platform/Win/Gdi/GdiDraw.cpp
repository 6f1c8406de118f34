// Shapes: lines with the DC's pen, rectangles, rounded rectangles, ellipses
// and polygons filled with its brush, all as spans through SetROP2's mode.

#include <algorithm>
#include <cmath>

#include "Platform/Win/Gdi/Private/GdiRaster.h"

namespace win::gdi {

namespace {

std::shared_ptr<DeviceContext> FindDC(HDC dc)
{
    auto context = LookupAs<DeviceContext>(dc);
    if (!context)
        SetLastError(ERROR_INVALID_HANDLE);
    return context;
}

// Dash patterns of the styled cosmetic pens, in pixels, on first.
const std::vector<LONG>& DashPattern(UINT kind)
{
    static const std::vector<LONG> kNone;
    static const std::vector<LONG> kDash = {18, 6};
    static const std::vector<LONG> kDot = {3, 3};
    static const std::vector<LONG> kDashDot = {9, 6, 3, 6};
    static const std::vector<LONG> kDashDotDot = {9, 3, 3, 3, 3, 3};
    switch (kind) {
    case PS_DASH: return kDash;
    case PS_DOT: return kDot;
    case PS_DASHDOT: return kDashDot;
    case PS_DASHDOTDOT: return kDashDotDot;
    default: return kNone;
    }
}

constexpr LONG kLongLine = 4096;
constexpr LONG kWidestPen = 4096;

// The pixels a pen lays down, split into the drawn ones and the gaps of a
// styled pen (painted with the background colour in OPAQUE mode).
struct Stroke {
    std::vector<Span> ink;
    std::vector<Span> gaps;
    LONG width = 1;
    const std::vector<LONG>* dashes = nullptr;
    LONG dashPosition = 0; // carried from segment to segment

    void Dot(LONG x, LONG y)
    {
        bool on = true;
        if (dashes && !dashes->empty()) {
            LONG total = 0;
            for (LONG d : *dashes)
                total += d;
            LONG at = dashPosition % total;
            for (size_t i = 0; i < dashes->size(); ++i) {
                if (at < (*dashes)[i]) {
                    on = i % 2 == 0;
                    break;
                }
                at -= (*dashes)[i];
            }
            ++dashPosition;
        }
        std::vector<Span>& out = on ? ink : gaps;
        if (width <= 1) {
            out.push_back(Span{y, x, x + 1});
            return;
        }
        // A wide pen is a round nib of the pen's width centred on the line;
        // only its rows inside the box matter.
        double r = width / 2.0;
        LONG top = y - width / 2;
        if (x + width < box.left || x - width >= box.right)
            return;
        for (LONG j = std::max<LONG>(0, box.top - top); j < width && top + j < box.bottom; ++j) {
            double dy = (top + j + 0.5) - (y + 0.5);
            double half = std::sqrt(std::max(0.0, r * r - dy * dy));
            LONG x0 = static_cast<LONG>(std::ceil(x + 0.5 - half - 0.5));
            LONG x1 = static_cast<LONG>(std::ceil(x + 0.5 + half - 0.5));
            if (x1 > x0)
                out.push_back(Span{top + j, x0, x1});
        }
    }

    // Only pixels near this box matter (surface coordinates).
    RECT box{0, 0, 0, 0};

    // Bresenham from a to b, b itself left out.
    void Line(POINT a, POINT b)
    {
        if (std::abs(b.x - a.x) > kLongLine || std::abs(b.y - a.y) > kLongLine) {
            // A very long line is cut to the box first; its pixels may then
            // differ by one from the uncut line's.
            if (!ClipToBox(&a, &b))
                return;
        }
        LONG dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
        LONG sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
        LONG err = dx + dy;
        LONG x = a.x, y = a.y;
        while (x != b.x || y != b.y) {
            Dot(x, y);
            LONG e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
    }

    // Liang-Barsky against the box grown by the pen's width.
    bool ClipToBox(POINT* a, POINT* b) const
    {
        const double grow = width + 2.0;
        const double xmin = box.left - grow, xmax = box.right + grow, ymin = box.top - grow, ymax = box.bottom + grow;
        const double x0 = a->x, y0 = a->y, dx = double(b->x) - a->x, dy = double(b->y) - a->y;
        double t0 = 0, t1 = 1;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {x0 - xmin, xmax - x0, y0 - ymin, ymax - y0};
        for (int i = 0; i < 4; ++i) {
            if (p[i] == 0) {
                if (q[i] < 0)
                    return false;
                continue;
            }
            double t = q[i] / p[i];
            if (p[i] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
        }
        if (t0 > t1)
            return false;
        POINT start{static_cast<LONG>(std::lround(x0 + t0 * dx)), static_cast<LONG>(std::lround(y0 + t0 * dy))};
        POINT end{static_cast<LONG>(std::lround(x0 + t1 * dx)), static_cast<LONG>(std::lround(y0 + t1 * dy))};
        *a = start;
        *b = end;
        return true;
    }
};

BYTE DcRop(const DeviceContext& dc) { return RopFromRop2(dc.m_state.rop2); }

const Pen* DcPen(const DeviceContext& dc) { return dc.m_state.pen.As<Pen>(); }

bool PenIsNull(const DeviceContext& dc)
{
    const Pen* pen = DcPen(dc);
    return !pen || pen->Kind() == PS_NULL;
}

LONG PenWidth(const DeviceContext& dc)
{
    const Pen* pen = DcPen(dc);
    return pen ? std::clamp<LONG>(pen->m_width, 1, kWidestPen) : 1;
}

Stroke MakeStroke(const DeviceContext& dc)
{
    Stroke stroke;
    const Pen* pen = DcPen(dc);
    stroke.width = PenWidth(dc);
    stroke.box = DrawBounds(dc);
    if (pen && stroke.width <= 1)
        stroke.dashes = &DashPattern(pen->Kind());
    return stroke;
}

void PaintStroke(const DeviceContext& dc, Surface& surface, Stroke& stroke)
{
    const Pen* pen = DcPen(dc);
    if (!pen || pen->Kind() == PS_NULL)
        return;
    BYTE rop = DcRop(dc);
    NormaliseSpans(&stroke.ink);
    PaintSpans(dc, surface, stroke.ink, Paint::Solid(DcPixel(dc, pen->m_color)), rop);
    if (!stroke.gaps.empty() && dc.m_state.bkMode == OPAQUE) {
        NormaliseSpans(&stroke.gaps);
        PaintSpans(dc, surface, stroke.gaps, Paint::Solid(DcPixel(dc, dc.m_state.bkColor)), rop);
    }
}

// Rows of a rounded rectangle [l, r) x [t, b) (surface coordinates) whose
// corners are quarter ellipses of ew x eh; an ellipse when the corners
// take the whole box, a rectangle when they are empty.
// Only rows [rowFrom, rowTo) are produced.
std::vector<Span> RoundRectSpans(LONG l, LONG t, LONG r, LONG b, LONG ew, LONG eh, LONG rowFrom, LONG rowTo)
{
    std::vector<Span> spans;
    if (r <= l || b <= t)
        return spans;
    ew = std::min(std::abs(ew), r - l);
    eh = std::min(std::abs(eh), b - t);
    double rx = ew / 2.0, ry = eh / 2.0;
    for (LONG y = std::max(t, rowFrom); y < std::min(b, rowTo); ++y) {
        double cy = y + 0.5;
        double inset = 0;
        if (ry > 0) {
            double dy = 0;
            if (cy < t + ry)
                dy = t + ry - cy;
            else if (cy > b - ry)
                dy = cy - (b - ry);
            double f = 1.0 - (dy * dy) / (ry * ry);
            inset = rx - rx * std::sqrt(std::max(0.0, f));
        }
        LONG x0 = static_cast<LONG>(std::ceil(l + inset - 0.5));
        LONG x1 = static_cast<LONG>(std::ceil(r - inset - 0.5));
        if (x1 > x0)
            spans.push_back(Span{y, x0, x1});
    }
    return spans;
}

// Spans of `outer` not covered by `inner`, row by row (both one span per row).
std::vector<Span> RowDifference(const std::vector<Span>& outer, const std::vector<Span>& inner)
{
    std::vector<Span> out;
    size_t j = 0;
    for (const Span& s : outer) {
        while (j < inner.size() && inner[j].y < s.y)
            ++j;
        if (j < inner.size() && inner[j].y == s.y) {
            const Span& in = inner[j];
            if (in.x0 > s.x0)
                out.push_back(Span{s.y, s.x0, std::min(in.x0, s.x1)});
            if (in.x1 < s.x1)
                out.push_back(Span{s.y, std::max(in.x1, s.x0), s.x1});
        } else {
            out.push_back(s);
        }
    }
    return out;
}

// A closed box figure (rectangle, rounded rectangle, ellipse): the pen's
// frame inside or centred on the box edge, the brush inside the frame.
BOOL DrawBox(HDC dc, int left, int top, int right, int bottom, int ew, int eh, bool ellipse)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    POINT a = context->ToSurface(POINT{std::min(left, right), std::min(top, bottom)});
    POINT b = context->ToSurface(POINT{std::max(left, right), std::max(top, bottom)});
    LONG l = a.x, t = a.y, r = b.x, bo = b.y;
    const Pen* pen = DcPen(*context);
    bool nullPen = PenIsNull(*context);
    LONG w = nullPen ? 0 : PenWidth(*context);
    if (nullPen) {
        // Without a pen the figure is one pixel smaller, as on Windows.
        --r;
        --bo;
    } else if (w > 1 && pen->Kind() != PS_INSIDEFRAME) {
        l -= w / 2;
        t -= w / 2;
        r += (w - 1) - w / 2;
        bo += (w - 1) - w / 2;
    }
    const RECT reach = DrawBounds(*context);
    auto spansOf = [&](LONG l2, LONG t2, LONG r2, LONG b2, LONG shrink) {
        if (ellipse)
            return RoundRectSpans(l2, t2, r2, b2, r2 - l2, b2 - t2, reach.top, reach.bottom);
        return RoundRectSpans(l2, t2, r2, b2, std::max<LONG>(ew - 2 * shrink, 0), std::max<LONG>(eh - 2 * shrink, 0),
                              reach.top, reach.bottom);
    };
    std::vector<Span> outer = spansOf(l, t, r, bo, 0);
    std::vector<Span> inner = w ? spansOf(l + w, t + w, r - w, bo - w, w) : outer;
    RECT rows = RowsOf({&outer});
    SurfaceLock lock(*context, true, nullptr, &rows);
    if (!lock.Valid())
        return TRUE;
    BYTE rop = DcRop(*context);
    PaintSpans(*context, lock.Pixels(), inner, Paint::FromBrush(*context, context->m_state.brush.As<Brush>()), rop);
    if (w) {
        std::vector<Span> frame = RowDifference(outer, inner);
        NormaliseSpans(&frame);
        if (w == 1 && pen->Kind() >= PS_DASH && pen->Kind() <= PS_DASHDOTDOT && !ellipse && !ew && !eh) {
            Stroke stroke = MakeStroke(*context);
            POINT corners[] = {{l, t}, {r - 1, t}, {r - 1, bo - 1}, {l, bo - 1}, {l, t}};
            for (int i = 0; i < 4; ++i)
                stroke.Line(corners[i], corners[i + 1]);
            PaintStroke(*context, lock.Pixels(), stroke);
        } else {
            PaintSpans(*context, lock.Pixels(), frame, Paint::Solid(DcPixel(*context, pen->m_color)), rop);
        }
    }
    return TRUE;
}

// Scan-converts polygons (surface coordinates) by sampling pixel centres.
std::vector<Span> PolygonSpans(const std::vector<std::vector<POINT>>& polygons, bool winding, const RECT& reach)
{
    struct Edge {
        double x0, y0, x1, y1;
        int direction;
    };
    std::vector<Edge> edges;
    LONG top = 0x7FFFFFFF, bottom = -0x7FFFFFFF;
    for (const auto& poly : polygons) {
        for (size_t i = 0; i < poly.size(); ++i) {
            POINT a = poly[i], b = poly[(i + 1) % poly.size()];
            top = std::min(top, a.y);
            bottom = std::max(bottom, a.y);
            if (a.y == b.y)
                continue;
            edges.push_back(a.y < b.y ? Edge{double(a.x), double(a.y), double(b.x), double(b.y), 1}
                                      : Edge{double(b.x), double(b.y), double(a.x), double(a.y), -1});
        }
    }
    std::vector<Span> spans;
    std::vector<std::pair<double, int>> crossings;
    auto column = [](double x) { return static_cast<LONG>(std::clamp(std::ceil(x - 0.5), -1e9, 1e9)); };
    for (LONG y = std::max(top, reach.top); y < std::min(bottom, reach.bottom); ++y) {
        double cy = y + 0.5;
        crossings.clear();
        for (const Edge& e : edges)
            if (cy >= e.y0 && cy < e.y1)
                crossings.emplace_back(e.x0 + (cy - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.direction);
        std::sort(crossings.begin(), crossings.end());
        int count = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            count += winding ? crossings[i].second : 1;
            bool inside = winding ? count != 0 : (count % 2) == 1;
            if (!inside)
                continue;
            LONG x0 = column(crossings[i].first);
            LONG x1 = column(crossings[i + 1].first);
            if (x1 > x0)
                spans.push_back(Span{y, x0, x1});
        }
    }
    NormaliseSpans(&spans);
    return spans;
}

// Flattens one cubic Bezier segment into points after `p0`.
void FlattenBezier(POINT p0, POINT p1, POINT p2, POINT p3, std::vector<POINT>* out)
{
    double length = std::hypot(p1.x - p0.x, p1.y - p0.y) + std::hypot(p2.x - p1.x, p2.y - p1.y) +
                    std::hypot(p3.x - p2.x, p3.y - p2.y);
    int steps = std::clamp(static_cast<int>(length / 4), 1, 1000);
    for (int i = 1; i <= steps; ++i) {
        double t = static_cast<double>(i) / steps, u = 1 - t;
        double x = u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x;
        double y = u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y;
        POINT p{static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
        if (out->empty() || out->back().x != p.x || out->back().y != p.y)
            out->push_back(p);
    }
}

// Draws the pen along `points` (logical), each segment without its end.
BOOL StrokePath(DeviceContext& dc, const std::vector<POINT>& points)
{
    if (points.size() < 2 || PenIsNull(dc))
        return TRUE;
    Stroke stroke = MakeStroke(dc);
    for (size_t i = 0; i + 1 < points.size(); ++i)
        stroke.Line(dc.ToSurface(points[i]), dc.ToSurface(points[i + 1]));
    RECT rows = RowsOf({&stroke.ink, &stroke.gaps});
    SurfaceLock lock(dc, true, nullptr, &rows);
    if (lock.Valid())
        PaintStroke(dc, lock.Pixels(), stroke);
    return TRUE;
}

std::vector<POINT> BezierPath(POINT start, const POINT* points, DWORD count)
{
    std::vector<POINT> path{start};
    for (DWORD i = 0; i + 2 < count; i += 3)
        FlattenBezier(path.back(), points[i], points[i + 1], points[i + 2], &path);
    return path;
}

} // namespace

} // namespace win::gdi

using namespace win;
using namespace win::gdi;

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    if (previous)
        *previous = context->m_state.current;
    context->m_state.current = POINT{x, y};
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC dc, LPPOINT position)
{
    auto context = FindDC(dc);
    if (!context || !position)
        return FALSE;
    *position = context->m_state.current;
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    std::vector<POINT> path{context->m_state.current, POINT{x, y}};
    context->m_state.current = POINT{x, y};
    return StrokePath(*context, path);
}

BOOL Polyline(HDC dc, const POINT* points, int count)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    if (!points || count < 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return StrokePath(*context, std::vector<POINT>(points, points + count));
}

BOOL PolylineTo(HDC dc, const POINT* points, DWORD count)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    if (!points || count == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<POINT> path{context->m_state.current};
    path.insert(path.end(), points, points + count);
    context->m_state.current = points[count - 1];
    return StrokePath(*context, path);
}

BOOL PolyBezier(HDC dc, const POINT* points, DWORD count)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    if (!points || count < 4 || (count - 1) % 3) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return StrokePath(*context, BezierPath(points[0], points + 1, count - 1));
}

BOOL PolyBezierTo(HDC dc, const POINT* points, DWORD count)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    if (!points || count < 3 || count % 3) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<POINT> path = BezierPath(context->m_state.current, points, count);
    context->m_state.current = points[count - 1];
    return StrokePath(*context, path);
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom)
{
    return DrawBox(dc, left, top, right, bottom, 0, 0, false);
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height)
{
    return DrawBox(dc, left, top, right, bottom, width, height, false);
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom)
{
    return DrawBox(dc, left, top, right, bottom, 0, 0, true);
}

BOOL PolyPolygon(HDC dc, const POINT* points, const INT* counts, int polygons)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    if (!points || !counts || polygons <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::vector<POINT>> shapes;
    const POINT* at = points;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 2) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        std::vector<POINT> shape;
        for (int j = 0; j < counts[i]; ++j)
            shape.push_back(context->ToSurface(at[j]));
        at += counts[i];
        shapes.push_back(std::move(shape));
    }
    std::vector<Span> fill = PolygonSpans(shapes, context->m_state.polyFillMode == WINDING, DrawBounds(*context));
    Stroke stroke = MakeStroke(*context);
    for (const auto& shape : shapes)
        for (size_t i = 0; i < shape.size(); ++i)
            stroke.Line(shape[i], shape[(i + 1) % shape.size()]);
    RECT rows = RowsOf({&fill, &stroke.ink, &stroke.gaps});
    SurfaceLock lock(*context, true, nullptr, &rows);
    if (!lock.Valid())
        return TRUE;
    PaintSpans(*context, lock.Pixels(), fill, Paint::FromBrush(*context, context->m_state.brush.As<Brush>()),
               DcRop(*context));
    PaintStroke(*context, lock.Pixels(), stroke);
    return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count)
{
    INT counts[] = {count};
    return PolyPolygon(dc, points, counts, 1);
}
