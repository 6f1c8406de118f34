#include "Platform/Win/Gdi/RectRegion.h"

#include <algorithm>

namespace win::detail {

namespace {

// The parts of `r` outside `cut`, at most four, appended to `out`.
void AppendDifference(const RECT& r, const RECT& cut, std::vector<RECT>* out)
{
    RECT common = IntersectRects(r, cut);
    if (IsEmptyRect(common)) {
        out->push_back(r);
        return;
    }
    if (r.top < common.top)
        out->push_back(RECT{r.left, r.top, r.right, common.top});
    if (common.bottom < r.bottom)
        out->push_back(RECT{r.left, common.bottom, r.right, r.bottom});
    if (r.left < common.left)
        out->push_back(RECT{r.left, common.top, common.left, common.bottom});
    if (common.right < r.right)
        out->push_back(RECT{common.right, common.top, r.right, common.bottom});
}

// Joins rectangles that share a whole edge, so that repeated unions of
// neighbouring areas do not fragment the list without end.
void Coalesce(std::vector<RECT>* rects)
{
    bool merged = true;
    while (merged) {
        merged = false;
        for (size_t i = 0; i < rects->size() && !merged; ++i) {
            for (size_t j = i + 1; j < rects->size(); ++j) {
                RECT& a = (*rects)[i];
                const RECT& b = (*rects)[j];
                bool sameColumns = a.left == b.left && a.right == b.right;
                bool sameRows = a.top == b.top && a.bottom == b.bottom;
                if (sameColumns && (a.bottom == b.top || b.bottom == a.top)) {
                    a.top = std::min(a.top, b.top);
                    a.bottom = std::max(a.bottom, b.bottom);
                } else if (sameRows && (a.right == b.left || b.right == a.left)) {
                    a.left = std::min(a.left, b.left);
                    a.right = std::max(a.right, b.right);
                } else {
                    continue;
                }
                rects->erase(rects->begin() + static_cast<std::ptrdiff_t>(j));
                merged = true;
                break;
            }
        }
    }
}

} // namespace

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT IntersectRects(const RECT& a, const RECT& b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return IsEmptyRect(r) ? RECT{0, 0, 0, 0} : r;
}

RECT BoundingRect(const RECT& a, const RECT& b)
{
    if (IsEmptyRect(a))
        return IsEmptyRect(b) ? RECT{0, 0, 0, 0} : b;
    if (IsEmptyRect(b))
        return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

RECT OffsetRectBy(const RECT& r, LONG dx, LONG dy)
{
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

RectRegion::RectRegion(const RECT& rect)
{
    if (!IsEmptyRect(rect))
        m_rects.push_back(rect);
}

RECT RectRegion::Bounds() const
{
    RECT bounds{0, 0, 0, 0};
    for (const RECT& r : m_rects)
        bounds = BoundingRect(bounds, r);
    return bounds;
}

bool RectRegion::Contains(POINT p) const
{
    return std::any_of(m_rects.begin(), m_rects.end(),
                       [&](const RECT& r) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; });
}

bool RectRegion::Intersects(const RECT& rect) const
{
    return std::any_of(m_rects.begin(), m_rects.end(),
                       [&](const RECT& r) { return !IsEmptyRect(IntersectRects(r, rect)); });
}

void RectRegion::Union(const RECT& rect)
{
    if (IsEmptyRect(rect))
        return;
    std::vector<RECT> pieces{rect};
    for (const RECT& existing : m_rects) {
        std::vector<RECT> rest;
        for (const RECT& piece : pieces)
            AppendDifference(piece, existing, &rest);
        pieces = std::move(rest);
        if (pieces.empty())
            return;
    }
    m_rects.insert(m_rects.end(), pieces.begin(), pieces.end());
    Coalesce(&m_rects);
}

void RectRegion::Union(const RectRegion& other)
{
    for (const RECT& r : other.m_rects)
        Union(r);
}

void RectRegion::Subtract(const RECT& rect)
{
    if (IsEmptyRect(rect))
        return;
    std::vector<RECT> rest;
    for (const RECT& r : m_rects)
        AppendDifference(r, rect, &rest);
    m_rects = std::move(rest);
    Coalesce(&m_rects);
}

void RectRegion::Subtract(const RectRegion& other)
{
    for (const RECT& r : other.m_rects)
        Subtract(r);
}

void RectRegion::Intersect(const RECT& rect)
{
    std::vector<RECT> kept;
    for (const RECT& r : m_rects) {
        RECT common = IntersectRects(r, rect);
        if (!IsEmptyRect(common))
            kept.push_back(common);
    }
    m_rects = std::move(kept);
}

void RectRegion::Intersect(const RectRegion& other)
{
    RectRegion result;
    for (const RECT& a : m_rects) {
        for (const RECT& b : other.m_rects) {
            RECT common = IntersectRects(a, b);
            if (!IsEmptyRect(common))
                result.m_rects.push_back(common); // pieces of disjoint lists stay disjoint
        }
    }
    Coalesce(&result.m_rects);
    *this = std::move(result);
}

void RectRegion::Offset(LONG dx, LONG dy)
{
    for (RECT& r : m_rects)
        r = OffsetRectBy(r, dx, dy);
}

} // namespace win::detail
