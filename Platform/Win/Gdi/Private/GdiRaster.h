#pragma once
// The raster engine under the GDI calls: ternary raster operations over
// whole rows, brushes resolved for one DC, and horizontal spans painted
// through the DC's clip. All coordinates here are surface coordinates.

#include <initializer_list>
#include <vector>

#include "Platform/Win/Gdi/Private/GdiInternal.h"

namespace win::gdi {

// A pattern pixel with this bit set leaves the destination alone (the gaps
// of a hatch brush in TRANSPARENT mode).
constexpr DWORD kLeavePixel = 0x80000000;

// The ROP3 index (bits 16-23 of a raster operation).
constexpr BYTE RopIndex(DWORD rop) { return static_cast<BYTE>((rop >> 16) & 0xFF); }
constexpr bool RopUsesSource(BYTE index) { return ((index >> 2) ^ index) & 0x33; }
constexpr bool RopUsesPattern(BYTE index) { return ((index >> 4) ^ index) & 0x0F; }
// The ROP3 index that does what SetROP2 mode `mode` does with the pen.
BYTE RopFromRop2(int mode);

// dst[i] = rop(pattern[i], source[i], dst[i]) for `count` pixels; `source`
// or `pattern` may be null when the operation does not read them.
void CombineRow(BYTE rop, DWORD* dst, const DWORD* source, const DWORD* pattern, LONG count, bool patternHoles);

// A brush (or a pen's colour) as the pixels it paints on one DC.
class Paint {
public:
    static Paint Solid(DWORD pixel);
    static Paint FromBrush(const DeviceContext& dc, const Brush* brush);
    bool IsNull() const { return m_null; }
    bool HasHoles() const { return m_holes; }
    // The pattern for pixels [x, x + count) of surface row y.
    void Row(LONG x, LONG y, LONG count, DWORD* out) const;

private:
    bool m_null = false;
    bool m_holes = false;
    DWORD m_pixel = 0;
    LONG m_width = 0;
    LONG m_height = 0;
    POINT m_origin{0, 0};
    std::vector<DWORD> m_pattern;
};

struct Span {
    LONG y;
    LONG x0; // first pixel
    LONG x1; // one past the last
};

// Sorts the spans and joins those that overlap or touch, so that every
// pixel is painted once (XOR modes depend on it).
void NormaliseSpans(std::vector<Span>* spans);
// The rows the spans cover, as a RECT for SurfaceLock (left and right 0).
RECT RowsOf(std::initializer_list<const std::vector<Span>*> lists);
// Paints normalised spans through the DC's drawable region.
void PaintSpans(const DeviceContext& dc, Surface& surface, const std::vector<Span>& spans, const Paint& paint,
                BYTE rop);
// The surface rectangle drawing on the DC can reach (the drawable region's
// bounds within the surface); call it before taking the surface lock.
RECT DrawBounds(const DeviceContext& dc);
// Paints a rectangle (surface coordinates) through the drawable region.
void PaintRect(const DeviceContext& dc, Surface& surface, const RECT& rect, const Paint& paint, BYTE rop);

} // namespace win::gdi
