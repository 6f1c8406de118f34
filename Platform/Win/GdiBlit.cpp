// Blits and fills: PatBlt, BitBlt, StretchBlt, the DIB-to-device calls and
// the rectangle and region fills, all through the ternary raster engine.

#include <algorithm>
#include <cstdlib>

#include "Platform/Win/GdiRaster.h"

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
    POINT a = dc.ToSurface(POINT{width < 0 ? x + width + 1 : x, height < 0 ? y + height + 1 : y});
    return RECT{a.x, a.y, a.x + std::abs(width), a.y + std::abs(height)};
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

// Source position and 8-bit weight of the next pixel for bilinear
// enlargement, per destination index.
struct Tap {
    LONG first;
    LONG second;
    DWORD weight; // of `second`, 0..256
};

std::vector<Tap> Taps(LONG count, LONG sourceCount)
{
    std::vector<Tap> taps(static_cast<size_t>(count));
    for (LONG i = 0; i < count; ++i) {
        double at = (i + 0.5) * sourceCount / count - 0.5;
        at = std::clamp(at, 0.0, static_cast<double>(sourceCount - 1));
        LONG first = static_cast<LONG>(at);
        LONG second = std::min(first + 1, sourceCount - 1);
        taps[static_cast<size_t>(i)] = Tap{first, second, static_cast<DWORD>((at - first) * 256 + 0.5)};
    }
    return taps;
}

DWORD Mix(DWORD a, DWORD b, DWORD weight)
{
    DWORD keep = 256 - weight;
    DWORD rb = (((a & 0xFF00FF) * keep + (b & 0xFF00FF) * weight) >> 8) & 0xFF00FF;
    DWORD g = (((a & 0x00FF00) * keep + (b & 0x00FF00) * weight) >> 8) & 0x00FF00;
    return rb | g;
}

// HALFTONE enlargement: bilinear between the four nearest source pixels.
std::vector<DWORD> Enlarge(const std::vector<DWORD>& block, LONG sw, LONG sh, LONG dw, LONG dh, bool flipX,
                           bool flipY)
{
    std::vector<DWORD> out(static_cast<size_t>(dw) * static_cast<size_t>(dh));
    std::vector<Tap> across = Taps(dw, sw), down = Taps(dh, sh);
    for (LONG y = 0; y < dh; ++y) {
        const Tap& ty = down[static_cast<size_t>(y)];
        const DWORD* top = block.data() + static_cast<size_t>(ty.first) * static_cast<size_t>(sw);
        const DWORD* bottom = block.data() + static_cast<size_t>(ty.second) * static_cast<size_t>(sw);
        DWORD* row = out.data() + static_cast<size_t>(flipY ? dh - 1 - y : y) * static_cast<size_t>(dw);
        for (LONG x = 0; x < dw; ++x) {
            const Tap& tx = across[static_cast<size_t>(x)];
            DWORD upper = Mix(top[tx.first], top[tx.second], tx.weight);
            DWORD lower = Mix(bottom[tx.first], bottom[tx.second], tx.weight);
            row[flipX ? dw - 1 - x : x] = Mix(upper, lower, ty.weight);
        }
    }
    return out;
}

// Scales `block` (sw x sh) to dw x dh, mirrored when asked, in the given
// stretch mode.
std::vector<DWORD> ScaleBlock(const std::vector<DWORD>& block, LONG sw, LONG sh, LONG dw, LONG dh, bool flipX,
                              bool flipY, int mode)
{
    if (mode == HALFTONE && dw >= sw && dh >= sh && (dw > sw || dh > sh))
        return Enlarge(block, sw, sh, dw, dh, flipX, flipY);
    std::vector<DWORD> out(static_cast<size_t>(dw) * static_cast<size_t>(dh));
    std::vector<LONG> x0(static_cast<size_t>(dw)), x1(static_cast<size_t>(dw));
    for (LONG x = 0; x < dw; ++x) {
        LONG from = static_cast<LONG>(static_cast<LONGLONG>(x) * sw / dw);
        LONG to = std::max(from + 1, static_cast<LONG>(static_cast<LONGLONG>(x + 1) * sw / dw));
        LONG sample = Sample(x, dw, sw);
        bool shrink = sw > dw;
        x0[static_cast<size_t>(x)] = shrink && mode != COLORONCOLOR ? from : sample;
        x1[static_cast<size_t>(x)] = shrink && mode != COLORONCOLOR ? to : sample + 1;
    }
    for (LONG y = 0; y < dh; ++y) {
        LONG yFrom = static_cast<LONG>(static_cast<LONGLONG>(y) * sh / dh);
        LONG yTo = std::max(yFrom + 1, static_cast<LONG>(static_cast<LONGLONG>(y + 1) * sh / dh));
        if (sh <= dh || mode == COLORONCOLOR) {
            yFrom = Sample(y, dh, sh);
            yTo = yFrom + 1;
        }
        DWORD* row = out.data() + static_cast<size_t>(flipY ? dh - 1 - y : y) * static_cast<size_t>(dw);
        for (LONG x = 0; x < dw; ++x) {
            LONG a = x0[static_cast<size_t>(x)], b = x1[static_cast<size_t>(x)];
            DWORD value;
            if (b - a == 1 && yTo - yFrom == 1) {
                value = block[static_cast<size_t>(yFrom) * static_cast<size_t>(sw) + static_cast<size_t>(a)];
            } else if (mode == HALFTONE) {
                DWORD r = 0, g = 0, bl = 0, n = 0;
                for (LONG sy = yFrom; sy < yTo; ++sy)
                    for (LONG sx = a; sx < b; ++sx) {
                        DWORD p = block[static_cast<size_t>(sy) * static_cast<size_t>(sw) + static_cast<size_t>(sx)];
                        r += (p >> 16) & 0xFF;
                        g += (p >> 8) & 0xFF;
                        bl += p & 0xFF;
                        ++n;
                    }
                value = ((r / n) << 16) | ((g / n) << 8) | (bl / n);
            } else {
                // BLACKONWHITE keeps black pixels (AND), WHITEONBLACK white (OR).
                value = mode == BLACKONWHITE ? 0xFFFFFF : 0;
                for (LONG sy = yFrom; sy < yTo; ++sy)
                    for (LONG sx = a; sx < b; ++sx) {
                        DWORD p = block[static_cast<size_t>(sy) * static_cast<size_t>(sw) + static_cast<size_t>(sx)];
                        value = mode == BLACKONWHITE ? value & p : value | p;
                    }
            }
            row[flipX ? dw - 1 - x : x] = value;
        }
    }
    return out;
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
    // Scans count from the bottom of a bottom-up DIB; rows in `bits` are
    // scans [firstScan, firstScan + scanCount).
    scanCount = std::min<UINT>(scanCount, static_cast<UINT>(format.height) - std::min<UINT>(firstScan, static_cast<UINT>(format.height)));
    bool flipX = (width < 0) != (srcWidth < 0);
    bool flipY = (height < 0) != (srcHeight < 0);
    LONG sx = srcWidth < 0 ? srcX + srcWidth + 1 : srcX, sw = std::abs(srcWidth);
    LONG syTop = srcHeight < 0 ? srcY + srcHeight + 1 : srcY, sh = std::abs(srcHeight);
    // Source y is measured from the DIB's top for a top-down DIB and from its
    // bottom-left origin otherwise, as Windows does.
    std::vector<DWORD> block(static_cast<size_t>(sw) * static_cast<size_t>(sh), 0);
    std::vector<DWORD> row(static_cast<size_t>(format.width));
    const auto* data = static_cast<const BYTE*>(bits);
    for (LONG j = 0; j < sh; ++j) {
        LONG fromTop = format.topDown ? syTop + j : format.height - (syTop + sh) + j;
        LONG scan = format.topDown ? fromTop : format.height - 1 - fromTop;
        if (fromTop < 0 || fromTop >= format.height || scan < static_cast<LONG>(firstScan) ||
            scan >= static_cast<LONG>(firstScan + scanCount))
            continue;
        size_t offset = format.Stride() * static_cast<size_t>(scan - static_cast<LONG>(firstScan));
        format.ReadRow(data + offset, row.data());
        for (LONG i = 0; i < sw; ++i) {
            LONG fx = sx + i;
            if (fx >= 0 && fx < format.width)
                block[static_cast<size_t>(j) * static_cast<size_t>(sw) + static_cast<size_t>(i)] =
                    row[static_cast<size_t>(fx)];
        }
    }
    if (context->IsMono())
        for (DWORD& p : block)
            p = DcPixel(*context, ColorFromPixel(p));
    RECT dest = SurfaceRect(*context, x, y, width, height);
    LONG dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    std::vector<DWORD> scaled =
        dw == sw && dh == sh && !flipX && !flipY
            ? std::move(block)
            : ScaleBlock(block, sw, sh, dw, dh, flipX, flipY, context->m_state.stretchMode);
    SurfaceLock lock(*context, true, nullptr, &dest);
    if (lock.Valid())
        CombineBlock(*context, lock.Pixels(), dest, scaled.data(), dw, RopIndex(rop));
    return static_cast<int>(scanCount ? scanCount : static_cast<UINT>(sh));
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
    bool flipX = (width < 0) != (srcWidth < 0);
    bool flipY = (height < 0) != (srcHeight < 0);
    RECT dest = SurfaceRect(*context, x, y, width, height);
    RECT src = SurfaceRect(*from, srcX, srcY, srcWidth, srcHeight);
    LONG dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    LONG sw = src.right - src.left, sh = src.bottom - src.top;
    SourceConverter convert(*from, *context);
    // One lock covers both when the blit stays within one surface.
    RECT destArea = dest;
    if (context->m_surface == from->m_surface)
        destArea = RECT{0, std::min(dest.top, src.top), 0, std::max(dest.bottom, src.bottom)};
    SurfaceLock destLock(*context, true, nullptr, &destArea);
    SurfaceLock sourceLock(*from, false, &destLock, &src);
    if (!destLock.Valid() || !sourceLock.Valid())
        return TRUE;
    std::vector<DWORD> block = ReadBlock(sourceLock.Pixels(), src, convert);
    if (dw != sw || dh != sh || flipX || flipY)
        block = ScaleBlock(block, sw, sh, dw, dh, flipX, flipY, context->m_state.stretchMode);
    CombineBlock(*context, destLock.Pixels(), dest, block.data(), dw, index);
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

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    auto context = LookupAs<DeviceContext>(dc);
    auto fill = ResolveBrush(brush);
    if (!context || !fill || !rect) {
        SetLastError(rect ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (rect->right <= rect->left || rect->bottom <= rect->top)
        return 1;
    RECT area = SurfaceRect(*context, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    SurfaceLock lock(*context, true, nullptr, &area);
    if (lock.Valid())
        PaintRect(*context, lock.Pixels(), area, Paint::FromBrush(*context, fill.get()), RopIndex(PATCOPY));
    return 1;
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

// Paints a region (logical coordinates) with `paint` and `rop`.
BOOL PaintRegion(HDC dc, HRGN region, HBRUSH brush, BYTE rop, bool useSelected)
{
    auto context = FindDC(dc);
    auto shape = LookupAs<Region>(region);
    auto fill = useSelected ? nullptr : ResolveBrush(brush);
    if (!context || !shape || (!useSelected && !fill && RopUsesPattern(rop))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const Brush* used = useSelected ? context->m_state.brush.As<Brush>() : fill.get();
    Paint paint = RopUsesPattern(rop) ? Paint::FromBrush(*context, used) : Paint::Solid(0);
    SurfaceLock lock(*context, true);
    if (!lock.Valid())
        return TRUE;
    POINT shift = context->ToSurface(POINT{0, 0});
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
    // the pixels within (width, height) of its outside.
    detail::RectRegion inner = shape->m_region;
    detail::RectRegion outside(RECT{-0x3FFFFFFF, -0x3FFFFFFF, 0x3FFFFFFF, 0x3FFFFFFF});
    outside.Subtract(shape->m_region);
    for (const RECT& r : outside.Rects())
        inner.Subtract(RECT{r.left - width, r.top - height, r.right + width, r.bottom + height});
    detail::RectRegion frame = shape->m_region;
    frame.Subtract(inner);
    HRGN temporary = CreateRectRgn(0, 0, 0, 0);
    LookupAs<Region>(temporary)->m_region = std::move(frame);
    BOOL done = FillRgn(dc, temporary, brush);
    DeleteObject(temporary);
    return done;
}
