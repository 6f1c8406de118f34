// Blits and fills: PatBlt, BitBlt, StretchBlt, the DIB-to-device calls and
// the rectangle and region fills, all through the ternary raster engine.

#include <algorithm>
#include <cstdlib>

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

// A logical rectangle given by corner and extent, in surface coordinates.
// A negative extent runs back from the pixel at the corner, which it
// includes (mirroring blits start at x + width - 1).
RECT SurfaceRect(const DeviceContext& dc, int x, int y, int width, int height)
{
    auto corner = [](int at, int extent) {
        LONGLONG v = extent < 0 ? LONGLONG(at) + extent + 1 : at;
        return static_cast<LONG>(std::clamp<LONGLONG>(v, -0x0FFFFFFF, 0x0FFFFFFF));
    };
    POINT a = dc.ToSurface(POINT{corner(x, width), corner(y, height)});
    auto extent = [](int e) { return static_cast<LONG>(std::min<LONGLONG>(std::abs(LONGLONG(e)), 0x0FFFFFFF)); };
    return RECT{a.x, a.y, a.x + extent(width), a.y + extent(height)};
}

// Converts source pixels into the destination's format: colour to
// monochrome gives 1 (white) exactly where the pixel is the source DC's
// background colour; monochrome to colour turns 0 into the destination's
// text colour and 1 into its background colour.
class SourceConverter {
public:
    SourceConverter(const DeviceContext& source, const DeviceContext& dest)
    {
        if (source.IsMono() && !dest.IsMono()) {
            m_mode = Mode::MonoToColor;
            m_zero = DcPixel(dest, dest.m_state.textColor);
            m_one = DcPixel(dest, dest.m_state.bkColor);
        } else if (!source.IsMono() && dest.IsMono()) {
            m_mode = Mode::ColorToMono;
            m_key = DcPixel(source, source.m_state.bkColor);
        }
    }
    void Convert(const DWORD* in, DWORD* out, LONG count) const
    {
        switch (m_mode) {
        case Mode::Same:
            std::copy(in, in + count, out);
            break;
        case Mode::MonoToColor:
            for (LONG i = 0; i < count; ++i)
                out[i] = (in[i] & 0xFFFFFF) ? m_one : m_zero;
            break;
        case Mode::ColorToMono:
            for (LONG i = 0; i < count; ++i)
                out[i] = (in[i] & 0xFFFFFF) == m_key ? 0xFFFFFF : 0;
            break;
        }
    }

private:
    enum class Mode { Same, MonoToColor, ColorToMono };
    Mode m_mode = Mode::Same;
    DWORD m_zero = 0, m_one = 0, m_key = 0;
};

// The source pixels of `rect` (surface coordinates) in the destination's
// format, row by row; pixels outside the source surface read as black.
std::vector<DWORD> ReadBlock(const Surface& surface, const RECT& rect, const SourceConverter& convert)
{
    LONG width = rect.right - rect.left;
    LONG height = rect.bottom - rect.top;
    std::vector<DWORD> block(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    std::vector<DWORD> row(static_cast<size_t>(width), 0);
    LONG x0 = std::max<LONG>(rect.left, 0), x1 = std::min(rect.right, surface.Width());
    for (LONG y = 0; y < height; ++y) {
        LONG sy = rect.top + y;
        std::fill(row.begin(), row.end(), 0);
        if (sy >= 0 && sy < surface.Height() && x0 < x1)
            std::copy(surface.Row(sy) + x0, surface.Row(sy) + x1, row.begin() + (x0 - rect.left));
        convert.Convert(row.data(), block.data() + static_cast<size_t>(y) * static_cast<size_t>(width), width);
    }
    return block;
}

// Applies `rop` over `dest` (surface coordinates) with source pixels taken
// from `block` (block row/column = destination row/column - origin) and the
// DC's brush as the pattern.
void CombineBlock(const DeviceContext& dc, Surface& surface, const RECT& dest, const DWORD* block, LONG blockStride,
                  BYTE rop)
{
    detail::RectRegion area = dc.DrawableRegion();
    area.Intersect(RECT{0, 0, surface.Width(), surface.Height()});
    area.Intersect(dest);
    Paint paint = RopUsesPattern(rop) ? Paint::FromBrush(dc, dc.m_state.brush.As<Brush>()) : Paint::Solid(0);
    if (paint.IsNull())
        paint = Paint::Solid(0); // a null brush patterns as black
    std::vector<DWORD> pattern;
    for (const RECT& r : area.Rects()) {
        LONG count = r.right - r.left;
        pattern.resize(static_cast<size_t>(count));
        for (LONG y = r.top; y < r.bottom; ++y) {
            const DWORD* source = block ? block + static_cast<size_t>(y - dest.top) * static_cast<size_t>(blockStride) +
                                              (r.left - dest.left)
                                        : nullptr;
            const DWORD* pat = nullptr;
            if (RopUsesPattern(rop)) {
                paint.Row(r.left, y, count, pattern.data());
                pat = pattern.data();
            }
            CombineRow(rop, surface.Row(y) + r.left, source, pat, count, paint.HasHoles());
        }
    }
}

// The source index for destination index `i` of `count`, mapping `count`
// destination pixels onto `sourceCount` source pixels.
LONG Sample(LONG i, LONG count, LONG sourceCount)
{
    return static_cast<LONG>((static_cast<LONGLONG>(2 * i + 1) * sourceCount) / (2 * static_cast<LONGLONG>(count)));
}

// The source pixels at hand for a stretch: `block` holds the part `have` of
// the whole source (sw x sh, local coordinates); the rest reads as black.
struct SourceBlock {
    const std::vector<DWORD>& block;
    RECT have;
    LONG sw;
    LONG sh;

    DWORD At(LONG x, LONG y) const
    {
        if (x < have.left || x >= have.right || y < have.top || y >= have.bottom)
            return 0;
        return block[static_cast<size_t>(y - have.top) * static_cast<size_t>(have.right - have.left) +
                     static_cast<size_t>(x - have.left)];
    }
};

// Source position and 8-bit weight of the next pixel for bilinear
// enlargement.
struct Tap {
    LONG first;
    LONG second;
    DWORD weight; // of `second`, 0..256
};

Tap TapAt(LONG i, LONG count, LONG sourceCount)
{
    double at = (i + 0.5) * sourceCount / count - 0.5;
    at = std::clamp(at, 0.0, static_cast<double>(sourceCount - 1));
    LONG first = static_cast<LONG>(at);
    LONG second = std::min(first + 1, sourceCount - 1);
    return Tap{first, second, static_cast<DWORD>((at - first) * 256 + 0.5)};
}

DWORD Mix(DWORD a, DWORD b, DWORD weight)
{
    DWORD keep = 256 - weight;
    DWORD rb = (((a & 0xFF00FF) * keep + (b & 0xFF00FF) * weight) >> 8) & 0xFF00FF;
    DWORD g = (((a & 0x00FF00) * keep + (b & 0x00FF00) * weight) >> 8) & 0x00FF00;
    return rb | g;
}

// Scales the source to dw x dh (mirrored when asked) in the given stretch
// mode, producing only the part `want` of the destination (local
// coordinates), so that the work is bounded by what can be seen.
std::vector<DWORD> ScaleBlock(const SourceBlock& source, LONG dw, LONG dh, const RECT& want, bool flipX, bool flipY,
                              int mode)
{
    const LONG sw = source.sw, sh = source.sh;
    const LONG ow = want.right - want.left, oh = want.bottom - want.top;
    std::vector<DWORD> out(static_cast<size_t>(ow) * static_cast<size_t>(oh));
    // The columns and rows each output pixel draws from, clamped to the
    // pixels at hand (more would only read black).
    struct Range {
        LONG from;
        LONG to;
        Tap tap;
    };
    auto ranges = [&](LONG first, LONG count, LONG full, LONG sourceFull, bool flip, LONG haveFrom, LONG haveTo) {
        std::vector<Range> result(static_cast<size_t>(count));
        const bool shrink = sourceFull > full && mode != COLORONCOLOR;
        for (LONG i = 0; i < count; ++i) {
            LONG d = flip ? full - 1 - (first + i) : first + i;
            Range r{};
            if (shrink) {
                r.from = static_cast<LONG>(static_cast<LONGLONG>(d) * sourceFull / full);
                r.to = std::max(r.from + 1, static_cast<LONG>(static_cast<LONGLONG>(d + 1) * sourceFull / full));
                r.from = std::max(r.from, haveFrom);
                r.to = std::max(r.from + 1, std::min(r.to, haveTo));
            } else {
                r.from = Sample(d, full, sourceFull);
                r.to = r.from + 1;
            }
            r.tap = TapAt(d, full, sourceFull);
            result[static_cast<size_t>(i)] = r;
        }
        return result;
    };
    const bool smooth = mode == HALFTONE && dw >= sw && dh >= sh;
    std::vector<Range> columns = ranges(want.left, ow, dw, sw, flipX, source.have.left, source.have.right);
    std::vector<Range> rows = ranges(want.top, oh, dh, sh, flipY, source.have.top, source.have.bottom);
    for (LONG y = 0; y < oh; ++y) {
        const Range& ry = rows[static_cast<size_t>(y)];
        DWORD* row = out.data() + static_cast<size_t>(y) * static_cast<size_t>(ow);
        for (LONG x = 0; x < ow; ++x) {
            const Range& rx = columns[static_cast<size_t>(x)];
            DWORD value;
            if (smooth) {
                DWORD upper = Mix(source.At(rx.tap.first, ry.tap.first), source.At(rx.tap.second, ry.tap.first),
                                  rx.tap.weight);
                DWORD lower = Mix(source.At(rx.tap.first, ry.tap.second), source.At(rx.tap.second, ry.tap.second),
                                  rx.tap.weight);
                value = Mix(upper, lower, ry.tap.weight);
            } else if (rx.to - rx.from == 1 && ry.to - ry.from == 1) {
                value = source.At(rx.from, ry.from);
            } else if (mode == HALFTONE) {
                DWORD r = 0, g = 0, b = 0, n = 0;
                for (LONG sy = ry.from; sy < ry.to; ++sy)
                    for (LONG sx = rx.from; sx < rx.to; ++sx) {
                        DWORD p = source.At(sx, sy);
                        r += (p >> 16) & 0xFF;
                        g += (p >> 8) & 0xFF;
                        b += p & 0xFF;
                        ++n;
                    }
                value = ((r / n) << 16) | ((g / n) << 8) | (b / n);
            } else {
                // BLACKONWHITE keeps black pixels (AND), WHITEONBLACK white (OR).
                value = mode == BLACKONWHITE ? 0xFFFFFF : 0;
                for (LONG sy = ry.from; sy < ry.to; ++sy)
                    for (LONG sx = rx.from; sx < rx.to; ++sx)
                        value = mode == BLACKONWHITE ? value & source.At(sx, sy) : value | source.At(sx, sy);
            }
            row[x] = value;
        }
    }
    return out;
}

// The part of `dest` (surface coordinates) drawing can reach.
RECT ReachableRect(const DeviceContext& dc, const Surface& surface, const RECT& dest)
{
    RECT bounds = dc.DrawableRegion().Bounds();
    bounds = detail::IntersectRects(bounds, RECT{0, 0, surface.Width(), surface.Height()});
    return detail::IntersectRects(bounds, dest);
}

bool InvalidRop(DWORD rop) { return (rop & 0xFF000000) && !(rop & (NOMIRRORBITMAP | CAPTUREBLT)); }

// Draws DIB pixels onto a DC through the raster engine, scaled.
int DibToDevice(HDC dc, int x, int y, int width, int height, int srcX, int srcY, int srcWidth, int srcHeight,
                const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop, UINT firstScan, UINT scanCount)
{
    auto context = FindDC(dc);
    DibFormat format;
    if (!context)
        return 0;
    if (!bits || !ParseDibFormat(info, usage, static_cast<HPALETTE>(context->m_state.palette.Handle()), &format)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!width || !height || !srcWidth || !srcHeight)
        return 0;
    // Rows in `bits` are scans [firstScan, firstScan + scanCount), counted
    // from the bottom of a bottom-up DIB.
    firstScan = std::min<UINT>(firstScan, static_cast<UINT>(format.height));
    scanCount = std::min<UINT>(scanCount, static_cast<UINT>(format.height) - firstScan);
    const bool flipX = (width < 0) != (srcWidth < 0);
    const bool flipY = (height < 0) != (srcHeight < 0);
    const LONGLONG sx = srcWidth < 0 ? LONGLONG(srcX) + srcWidth + 1 : srcX;
    const LONGLONG sy = srcHeight < 0 ? LONGLONG(srcY) + srcHeight + 1 : srcY;
    const LONG sw = std::abs(srcWidth), sh = std::abs(srcHeight);
    // The source y runs from the top of a top-down DIB and from the bottom
    // of a bottom-up one; `top` is the first source row counted from the top.
    const LONGLONG top = format.topDown ? sy : LONGLONG(format.height) - (sy + sh);
    RECT have = detail::IntersectRects(
        RECT{0, 0, sw, sh},
        RECT{static_cast<LONG>(std::clamp<LONGLONG>(-sx, -0x3FFFFFFF, 0x3FFFFFFF)),
             static_cast<LONG>(std::clamp<LONGLONG>(-top, -0x3FFFFFFF, 0x3FFFFFFF)),
             static_cast<LONG>(std::clamp<LONGLONG>(format.width - sx, -0x3FFFFFFF, 0x3FFFFFFF)),
             static_cast<LONG>(std::clamp<LONGLONG>(format.height - top, -0x3FFFFFFF, 0x3FFFFFFF))});
    const LONG hw = have.right - have.left, hh = have.bottom - have.top;
    std::vector<DWORD> block(static_cast<size_t>(hw) * static_cast<size_t>(hh), 0);
    std::vector<DWORD> row(static_cast<size_t>(format.width));
    const auto* data = static_cast<const BYTE*>(bits);
    for (LONG j = 0; j < hh; ++j) {
        LONG fromTop = static_cast<LONG>(top + have.top + j);
        LONG scan = format.topDown ? fromTop : format.height - 1 - fromTop;
        if (scan < static_cast<LONG>(firstScan) || scan >= static_cast<LONG>(firstScan + scanCount))
            continue;
        format.ReadRow(data + format.Stride() * static_cast<size_t>(scan - static_cast<LONG>(firstScan)), row.data());
        std::copy_n(row.begin() + static_cast<LONG>(sx + have.left), hw,
                    block.begin() + static_cast<size_t>(j) * static_cast<size_t>(hw));
    }
    if (context->IsMono())
        for (DWORD& p : block)
            p = DcPixel(*context, ColorFromPixel(p));
    RECT dest = SurfaceRect(*context, x, y, width, height);
    LONG dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    SurfaceLock lock(*context, true, nullptr, &dest);
    if (!lock.Valid())
        return static_cast<int>(scanCount);
    RECT visible = ReachableRect(*context, lock.Pixels(), dest);
    if (detail::IsEmptyRect(visible))
        return static_cast<int>(scanCount);
    RECT want = detail::OffsetRectBy(visible, -dest.left, -dest.top);
    std::vector<DWORD> scaled =
        ScaleBlock(SourceBlock{block, have, sw, sh}, dw, dh, want, flipX, flipY, context->m_state.stretchMode);
    CombineBlock(*context, lock.Pixels(), visible, scaled.data(), visible.right - visible.left, RopIndex(rop));
    return static_cast<int>(scanCount);
}

} // namespace

} // namespace win::gdi

using namespace win;
using namespace win::gdi;

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    BYTE index = RopIndex(rop);
    if (RopUsesSource(index) || InvalidRop(rop)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT dest = SurfaceRect(*context, x, y, width, height);
    SurfaceLock lock(*context, true, nullptr, &dest);
    if (lock.Valid())
        CombineBlock(*context, lock.Pixels(), dest, nullptr, 0, index);
    return TRUE;
}

BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int srcX, int srcY, DWORD rop)
{
    BYTE index = RopIndex(rop);
    if (!RopUsesSource(index))
        return PatBlt(dc, x, y, width, height, rop);
    return StretchBlt(dc, x, y, width, height, source, srcX, srcY, width, height, rop);
}

BOOL StretchBlt(HDC dc, int x, int y, int width, int height, HDC source, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop)
{
    BYTE index = RopIndex(rop);
    if (!RopUsesSource(index))
        return PatBlt(dc, x, y, width, height, rop);
    auto context = FindDC(dc);
    auto from = FindDC(source);
    if (!context || !from)
        return FALSE;
    if (InvalidRop(rop)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!width || !height || !srcWidth || !srcHeight)
        return TRUE;
    const bool flipX = (width < 0) != (srcWidth < 0);
    const bool flipY = (height < 0) != (srcHeight < 0);
    const RECT dest = SurfaceRect(*context, x, y, width, height);
    const RECT src = SurfaceRect(*from, srcX, srcY, srcWidth, srcHeight);
    const LONG dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    const LONG sw = src.right - src.left, sh = src.bottom - src.top;
    const bool same = dw == sw && dh == sh && !flipX && !flipY;
    SourceConverter convert(*from, *context);
    // One lock covers both when the blit stays within one surface.
    RECT destArea = dest;
    if (context->m_surface == from->m_surface)
        destArea = RECT{0, std::min(dest.top, src.top), 0, std::max(dest.bottom, src.bottom)};
    SurfaceLock destLock(*context, true, nullptr, &destArea);
    SurfaceLock sourceLock(*from, false, &destLock, &src);
    if (!destLock.Valid() || !sourceLock.Valid())
        return TRUE;
    const RECT visible = ReachableRect(*context, destLock.Pixels(), dest);
    if (detail::IsEmptyRect(visible))
        return TRUE;
    const LONG vw = visible.right - visible.left;
    if (same) {
        RECT part = detail::OffsetRectBy(visible, src.left - dest.left, src.top - dest.top);
        std::vector<DWORD> block = ReadBlock(sourceLock.Pixels(), part, convert);
        CombineBlock(*context, destLock.Pixels(), visible, block.data(), vw, index);
        return TRUE;
    }
    const Surface& pixels = sourceLock.Pixels();
    RECT readable = detail::IntersectRects(src, RECT{0, 0, pixels.Width(), pixels.Height()});
    std::vector<DWORD> block = detail::IsEmptyRect(readable) ? std::vector<DWORD>()
                                                              : ReadBlock(pixels, readable, convert);
    RECT have = detail::OffsetRectBy(readable, -src.left, -src.top);
    RECT want = detail::OffsetRectBy(visible, -dest.left, -dest.top);
    std::vector<DWORD> scaled =
        ScaleBlock(SourceBlock{block, have, sw, sh}, dw, dh, want, flipX, flipY, context->m_state.stretchMode);
    CombineBlock(*context, destLock.Pixels(), visible, scaled.data(), vw, index);
    return TRUE;
}

int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int srcX, int srcY, UINT startScan,
                      UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return 0;
    int w = static_cast<int>(width), h = static_cast<int>(height);
    return DibToDevice(dc, x, y, w, h, srcX, srcY, w, h, bits, info, usage, SRCCOPY, startScan, scanLines);
}

int StretchDIBits(HDC dc, int x, int y, int width, int height, int srcX, int srcY, int srcWidth, int srcHeight,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    return DibToDevice(dc, x, y, width, height, srcX, srcY, srcWidth, srcHeight, bits, info, usage, rop, 0,
                       0x7FFFFFFF);
}

namespace {

// Paints a region (logical coordinates) with `paint` and `rop`.
BOOL PaintRegion(HDC dc, HRGN region, HBRUSH brush, BYTE rop, bool useSelected)
{
    auto context = FindDC(dc);
    auto shape = LookupAs<Region>(region);
    auto fill = useSelected ? nullptr : LookupAs<Brush>(brush);
    if (!context || !shape || (!useSelected && !fill && RopUsesPattern(rop))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const Brush* used = useSelected ? context->m_state.brush.As<Brush>() : fill.get();
    Paint paint = RopUsesPattern(rop) ? Paint::FromBrush(*context, used) : Paint::Solid(0);
    POINT shift = context->ToSurface(POINT{0, 0});
    RECT rows = detail::OffsetRectBy(shape->m_region.Bounds(), shift.x, shift.y);
    SurfaceLock lock(*context, true, nullptr, &rows);
    if (!lock.Valid())
        return TRUE;
    for (RECT r : shape->m_region.Rects())
        PaintRect(*context, lock.Pixels(), detail::OffsetRectBy(r, shift.x, shift.y), paint, rop);
    return TRUE;
}

} // namespace

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) { return PaintRegion(dc, region, brush, RopIndex(PATCOPY), false); }

BOOL InvertRgn(HDC dc, HRGN region) { return PaintRegion(dc, region, nullptr, RopIndex(DSTINVERT), true); }

BOOL PaintRgn(HDC dc, HRGN region)
{
    auto context = FindDC(dc);
    if (!context)
        return FALSE;
    return PaintRegion(dc, region, nullptr, RopFromRop2(context->m_state.rop2), true);
}

BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height)
{
    auto shape = LookupAs<Region>(region);
    if (!shape || width < 0 || height < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The frame is the region less the region shrunk by the frame size:
    // the pixels that moving `width` across or `height` down or up would
    // take outside it.
    detail::RectRegion inner = shape->m_region;
    const POINT moves[] = {{-width, 0}, {width, 0}, {0, -height}, {0, height}};
    for (POINT move : moves) {
        detail::RectRegion moved = shape->m_region;
        moved.Offset(move.x, move.y);
        inner.Intersect(moved);
    }
    detail::RectRegion frame = shape->m_region;
    frame.Subtract(inner);
    HRGN temporary = CreateRectRgn(0, 0, 0, 0);
    LookupAs<Region>(temporary)->m_region = std::move(frame);
    BOOL done = FillRgn(dc, temporary, brush);
    DeleteObject(temporary);
    return done;
}
