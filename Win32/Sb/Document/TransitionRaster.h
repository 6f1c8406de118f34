#pragma once
// The two-level drawing a transition figure is made of, rasterised into an
// 8-bit grey buffer (0 where picture A shows, 255 where B shows, a grey for
// the dissolve) with the pixel rules of GDI: rectangles exclude their right
// and bottom edges, polygons fill by the alternate rule at pixel centres,
// and shapes drawn "with the pen" get a one-pixel black outline, the
// default pen of a fresh device context.
//
// Coordinates are device coordinates; the buffer covers the device
// rectangle from `origin` over its width and height, so a figure drawn
// for the rectangle (L, T, R, B) lands in a buffer at origin (L, T).
//
// A raster made on a device context draws with GDI instead, with the DC's
// current pen where a shape is drawn "with the pen" and the stock null pen
// otherwise; it has no buffer of its own (Width and Height are 0).

#include <utility>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"

class TransitionRaster {
public:
    // Draws into caller-owned rows of `stride` bytes (a mask image).
    TransitionRaster(BYTE* pixels, INT width, INT height, INT stride, POINT origin);
    // Draws into a buffer of its own, filled with 0.
    TransitionRaster(INT width, INT height, POINT origin);
    // Draws into the device context.
    explicit TransitionRaster(HDC dc);
    ~TransitionRaster();

    TransitionRaster(const TransitionRaster&) = delete;
    TransitionRaster& operator=(const TransitionRaster&) = delete;
    TransitionRaster(TransitionRaster&& other) noexcept;

    INT Width() const { return m_width; }
    INT Height() const { return m_height; }
    POINT Origin() const { return m_origin; }
    // The level at device point (x, y); 0 outside the buffer.
    BYTE At(INT x, INT y) const;
    const BYTE* Row(INT y) const { return m_pixels + static_cast<std::ptrdiff_t>(y) * m_stride; }
    // Whether anything was drawn since construction.
    bool HasDrawn() const { return m_drawn; }

    void FillRect(const RECT& rect, BYTE level);
    void Rectangle(const RECT& rect, BYTE level, bool withPen);
    void Ellipse(const RECT& rect, BYTE level, bool withPen);
    void Polygon(const POINT* points, INT count, BYTE level, bool withPen);

    // SaveDC + IntersectClipRect, and RestoreDC.
    void PushClip(const RECT& rect);
    void PopClip();

private:
    void Plot(INT x, INT y, BYTE level);
    void Span(INT y, INT x0, INT x1, BYTE level);
    void Line(POINT from, POINT to, BYTE level);
    HBRUSH Brush(BYTE level);

    enum class Shape { Rectangle, Ellipse };
    void GdiShape(Shape shape, const RECT& rect, BYTE level, bool withPen);

    std::vector<BYTE> m_own;
    BYTE* m_pixels;
    INT m_width;
    INT m_height;
    INT m_stride;
    POINT m_origin;
    // The clip in device coordinates, always within the buffer.
    RECT m_clip;
    std::vector<RECT> m_savedClips;
    bool m_drawn = false;
    HDC m_hDC = nullptr;
    // Solid brushes of the levels used on the device context.
    std::vector<std::pair<BYTE, HBRUSH>> m_brushes;
};
