#pragma once
// A region as a list of disjoint rectangles, the shape both the USER layer
// (update regions, visible regions of windows) and GDI (clip regions) work
// with. Rectangles are half-open, as RECT is on Windows: right and bottom
// are outside.

#include <vector>

#include "Platform/Win/Base/WinTypes.h"

namespace win::detail {

bool IsEmptyRect(const RECT& r);
// The common part of `a` and `b`; an empty rectangle {0,0,0,0} when none.
RECT IntersectRects(const RECT& a, const RECT& b);
// The smallest rectangle holding both; an empty one is ignored.
RECT BoundingRect(const RECT& a, const RECT& b);
RECT OffsetRectBy(const RECT& r, LONG dx, LONG dy);

class RectRegion {
public:
    RectRegion() = default;
    explicit RectRegion(const RECT& rect);

    bool IsEmpty() const { return m_rects.empty(); }
    const std::vector<RECT>& Rects() const { return m_rects; }
    // {0,0,0,0} when empty.
    RECT Bounds() const;
    bool Contains(POINT point) const;
    bool Intersects(const RECT& rect) const;

    void Clear() { m_rects.clear(); }
    void Union(const RECT& rect);
    void Union(const RectRegion& other);
    void Subtract(const RECT& rect);
    void Subtract(const RectRegion& other);
    void Intersect(const RECT& rect);
    void Intersect(const RectRegion& other);
    void Offset(LONG dx, LONG dy);

private:
    std::vector<RECT> m_rects; // disjoint, none empty
};

} // namespace win::detail
