// Bitmaps: device bitmaps (1-bit and 32-bit), DIB sections with their own
// bits, the DIB row conversions, and the DIB transfer calls.

#include <algorithm>
#include <cstring>
#include <limits>

#include "Platform/Win/Gdi/Private/GdiInternal.h"

namespace win::gdi {

namespace {

struct Channel {
    DWORD mask = 0;
    int shift = 0;
    int bits = 0;
};

Channel ChannelOf(DWORD mask)
{
    Channel c{mask, 0, 0};
    if (!mask)
        return c;
    while (!((mask >> c.shift) & 1))
        ++c.shift;
    while (c.shift + c.bits < 32 && ((mask >> (c.shift + c.bits)) & 1))
        ++c.bits;
    return c;
}

DWORD Expand(DWORD value, const Channel& c)
{
    if (!c.bits)
        return 0;
    DWORD v = (value & c.mask) >> c.shift;
    if (c.bits >= 8)
        return v >> (c.bits - 8);
    // Repeats the bits so that full scale stays full scale (31 -> 255).
    DWORD out = 0;
    for (int have = 0; have < 8; have += c.bits)
        out = (out << c.bits) | v;
    int total = ((8 + c.bits - 1) / c.bits) * c.bits;
    return (out >> (total - 8)) & 0xFF;
}

DWORD Pack(DWORD byte, const Channel& c)
{
    if (!c.bits)
        return 0;
    DWORD v = c.bits >= 8 ? byte << (c.bits - 8) : byte >> (8 - c.bits);
    return (v << c.shift) & c.mask;
}

// Nearest table entry by squared RGB distance, the first of equals.
class NearestIndex {
public:
    explicit NearestIndex(const std::vector<DWORD>& colors) : m_colors(colors) {}
    DWORD operator()(DWORD pixel)
    {
        if (pixel == m_lastPixel)
            return m_lastIndex;
        DWORD best = 0;
        LONG bestDistance = std::numeric_limits<LONG>::max();
        for (size_t i = 0; i < m_colors.size(); ++i) {
            LONG dr = static_cast<LONG>((pixel >> 16) & 0xFF) - static_cast<LONG>((m_colors[i] >> 16) & 0xFF);
            LONG dg = static_cast<LONG>((pixel >> 8) & 0xFF) - static_cast<LONG>((m_colors[i] >> 8) & 0xFF);
            LONG db = static_cast<LONG>(pixel & 0xFF) - static_cast<LONG>(m_colors[i] & 0xFF);
            LONG distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<DWORD>(i);
                if (!distance)
                    break;
            }
        }
        m_lastPixel = pixel;
        m_lastIndex = best;
        return best;
    }

private:
    const std::vector<DWORD>& m_colors;
    DWORD m_lastPixel = 0xFFFFFFFF;
    DWORD m_lastIndex = 0;
};

DWORD PixelFromQuad(const RGBQUAD& q)
{
    return (static_cast<DWORD>(q.rgbRed) << 16) | (static_cast<DWORD>(q.rgbGreen) << 8) | q.rgbBlue;
}

RGBQUAD QuadFromPixel(DWORD p)
{
    return RGBQUAD{static_cast<BYTE>(p & 0xFF), static_cast<BYTE>((p >> 8) & 0xFF), static_cast<BYTE>((p >> 16) & 0xFF),
                   0};
}

bool IsDefaultMasks(const DibFormat& f)
{
    return f.masks[0] == 0x00FF0000 && f.masks[1] == 0x0000FF00 && f.masks[2] == 0x000000FF;
}

std::shared_ptr<Bitmap> FindBitmap(HBITMAP bitmap)
{
    auto found = LookupAs<Bitmap>(bitmap);
    if (!found)
        SetLastError(ERROR_INVALID_HANDLE);
    return found;
}

// The layout of a device bitmap's bits as GetBitmapBits hands them out:
// rows top-down, padded to 16 bits.
size_t DeviceStride(const Bitmap& b)
{
    return b.m_mono ? ((static_cast<size_t>(b.m_width) + 15) / 16) * 2 : static_cast<size_t>(b.m_width) * 4;
}

HBITMAP InsertBitmap(std::shared_ptr<Bitmap> bitmap)
{
    return static_cast<HBITMAP>(InsertObject(std::move(bitmap)));
}

// Fills a bitmap from DIB rows [start, start+lines) of `format`.
void CopyRowsIn(Bitmap& target, const DibFormat& format, const BYTE* bits, UINT start, UINT lines)
{
    std::vector<DWORD> row(static_cast<size_t>(format.width));
    LONG width = std::min(format.width, target.m_width);
    for (UINT i = 0; i < lines; ++i) {
        // Scan line `start + i` counts from the bottom of a bottom-up DIB.
        LONG fromTop = format.topDown ? static_cast<LONG>(start + i) : format.height - 1 - static_cast<LONG>(start + i);
        if (fromTop < 0 || fromTop >= format.height || fromTop >= target.m_height)
            continue;
        size_t offset = format.Stride() * i;
        format.ReadRow(bits + offset, row.data());
        DWORD* out = target.m_surface->Row(fromTop);
        if (target.m_mono) {
            for (LONG x = 0; x < width; ++x)
                out[x] = (row[static_cast<size_t>(x)] & 0xFFFFFF) == 0xFFFFFF ? 0xFFFFFF : 0;
        } else {
            std::copy(row.begin(), row.begin() + width, out);
        }
    }
}

bool ValidSize(LONG width, LONG height)
{
    return width > 0 && height > 0 && width <= Surface::kMaxSide && height <= Surface::kMaxSide;
}

} // namespace

void DibFormat::ReadRow(const BYTE* row, DWORD* out) const
{
    const LONG w = width;
    switch (bitCount) {
    case 1:
    case 4:
    case 8: {
        const int perByte = 8 / bitCount;
        const DWORD mask = (1u << bitCount) - 1;
        const size_t count = colors.size();
        for (LONG x = 0; x < w; ++x) {
            BYTE b = row[x / perByte];
            int shift = 8 - bitCount * (1 + x % perByte);
            DWORD index = (b >> shift) & mask;
            out[x] = index < count ? colors[index] : 0;
        }
        break;
    }
    case 16: {
        Channel r = ChannelOf(masks[0]), g = ChannelOf(masks[1]), b = ChannelOf(masks[2]);
        for (LONG x = 0; x < w; ++x) {
            DWORD v = static_cast<DWORD>(row[2 * x]) | (static_cast<DWORD>(row[2 * x + 1]) << 8);
            out[x] = (Expand(v, r) << 16) | (Expand(v, g) << 8) | Expand(v, b);
        }
        break;
    }
    case 24:
        for (LONG x = 0; x < w; ++x)
            out[x] = (static_cast<DWORD>(row[3 * x + 2]) << 16) | (static_cast<DWORD>(row[3 * x + 1]) << 8) |
                     row[3 * x];
        break;
    default: {
        if (IsDefaultMasks(*this)) {
            std::memcpy(out, row, static_cast<size_t>(w) * 4);
            for (LONG x = 0; x < w; ++x)
                out[x] &= 0x00FFFFFF;
            break;
        }
        Channel r = ChannelOf(masks[0]), g = ChannelOf(masks[1]), b = ChannelOf(masks[2]);
        for (LONG x = 0; x < w; ++x) {
            DWORD v;
            std::memcpy(&v, row + 4 * x, 4);
            out[x] = (Expand(v, r) << 16) | (Expand(v, g) << 8) | Expand(v, b);
        }
        break;
    }
    }
}

void DibFormat::WriteRow(const DWORD* in, BYTE* row) const
{
    const LONG w = width;
    switch (bitCount) {
    case 1:
    case 4:
    case 8: {
        const int perByte = 8 / bitCount;
        NearestIndex nearest(colors);
        std::memset(row, 0, (static_cast<size_t>(w) * bitCount + 7) / 8);
        for (LONG x = 0; x < w; ++x) {
            DWORD index = colors.empty() ? 0 : nearest(in[x] & 0xFFFFFF);
            int shift = 8 - bitCount * (1 + x % perByte);
            row[x / perByte] |= static_cast<BYTE>(index << shift);
        }
        break;
    }
    case 16: {
        Channel r = ChannelOf(masks[0]), g = ChannelOf(masks[1]), b = ChannelOf(masks[2]);
        for (LONG x = 0; x < w; ++x) {
            DWORD p = in[x];
            DWORD v = Pack((p >> 16) & 0xFF, r) | Pack((p >> 8) & 0xFF, g) | Pack(p & 0xFF, b);
            row[2 * x] = static_cast<BYTE>(v);
            row[2 * x + 1] = static_cast<BYTE>(v >> 8);
        }
        break;
    }
    case 24:
        for (LONG x = 0; x < w; ++x) {
            row[3 * x] = static_cast<BYTE>(in[x]);
            row[3 * x + 1] = static_cast<BYTE>(in[x] >> 8);
            row[3 * x + 2] = static_cast<BYTE>(in[x] >> 16);
        }
        break;
    default: {
        if (IsDefaultMasks(*this)) {
            std::memcpy(row, in, static_cast<size_t>(w) * 4);
            break;
        }
        Channel r = ChannelOf(masks[0]), g = ChannelOf(masks[1]), b = ChannelOf(masks[2]);
        for (LONG x = 0; x < w; ++x) {
            DWORD p = in[x];
            DWORD v = Pack((p >> 16) & 0xFF, r) | Pack((p >> 8) & 0xFF, g) | Pack(p & 0xFF, b);
            std::memcpy(row + 4 * x, &v, 4);
        }
        break;
    }
    }
}

bool ParseDibFormat(const BITMAPINFO* info, UINT usage, HPALETTE palette, DibFormat* format, size_t available)
{
    if (!info || !format || usage > DIB_PAL_COLORS || available < sizeof(DWORD))
        return false;
    const DWORD size = info->bmiHeader.biSize;
    if (size > available)
        return false;
    DibFormat f;
    DWORD compression = BI_RGB;
    DWORD used = 0;
    size_t tableAt = size;
    if (size == sizeof(BITMAPCOREHEADER)) {
        const auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(info);
        f.width = core->bcWidth;
        f.height = core->bcHeight;
        f.bitCount = core->bcBitCount;
        if (core->bcPlanes != 1)
            return false;
    } else if (size >= sizeof(BITMAPINFOHEADER) && size <= 124) {
        const BITMAPINFOHEADER& h = info->bmiHeader;
        if (h.biPlanes != 1 || h.biHeight == std::numeric_limits<LONG>::min())
            return false;
        f.width = h.biWidth;
        f.topDown = h.biHeight < 0;
        f.height = f.topDown ? -h.biHeight : h.biHeight;
        f.bitCount = h.biBitCount;
        compression = h.biCompression;
        used = h.biClrUsed;
    } else {
        return false;
    }
    if (!ValidSize(f.width, f.height))
        return false;
    const BYTE* base = reinterpret_cast<const BYTE*>(info);
    switch (f.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (compression != BI_RGB)
            return false;
        break;
    case 16:
        f.masks[0] = 0x7C00;
        f.masks[1] = 0x03E0;
        f.masks[2] = 0x001F;
        [[fallthrough]];
    case 32:
        if (compression == BI_BITFIELDS) {
            // A 40-byte header is followed by the masks; the later headers hold them.
            const size_t masksAt = size == sizeof(BITMAPINFOHEADER) ? tableAt : 40;
            if (masksAt + sizeof f.masks > available)
                return false;
            std::memcpy(f.masks, base + masksAt, sizeof f.masks);
            if (size == sizeof(BITMAPINFOHEADER))
                tableAt += sizeof f.masks;
            if (!f.masks[0] || !f.masks[1] || !f.masks[2])
                return false;
        } else if (compression != BI_RGB) {
            return false;
        }
        break;
    default:
        return false;
    }
    if (f.bitCount <= 8) {
        DWORD full = 1u << f.bitCount;
        DWORD count = used && used < full ? used : full;
        const size_t entrySize = usage == DIB_PAL_COLORS ? 2 : size == sizeof(BITMAPCOREHEADER) ? 3 : 4;
        if (tableAt > available || count * entrySize > available - tableAt)
            return false;
        const BYTE* table = base + tableAt;
        f.colors.resize(count, 0);
        auto pal = usage == DIB_PAL_COLORS ? LookupAs<Palette>(palette) : nullptr;
        for (DWORD i = 0; i < count; ++i) {
            if (usage == DIB_PAL_COLORS) {
                WORD index;
                std::memcpy(&index, table + 2 * i, 2);
                if (pal && index < pal->m_entries.size()) {
                    const PALETTEENTRY& e = pal->m_entries[index];
                    f.colors[i] = (static_cast<DWORD>(e.peRed) << 16) | (static_cast<DWORD>(e.peGreen) << 8) | e.peBlue;
                }
            } else if (size == sizeof(BITMAPCOREHEADER)) {
                f.colors[i] = (static_cast<DWORD>(table[3 * i + 2]) << 16) |
                              (static_cast<DWORD>(table[3 * i + 1]) << 8) | table[3 * i];
            } else {
                RGBQUAD q;
                std::memcpy(&q, table + 4 * i, 4);
                f.colors[i] = PixelFromQuad(q);
            }
        }
    }
    *format = std::move(f);
    return true;
}

int Bitmap::Describe(int size, void* buffer) const
{
    BITMAP bm{};
    bm.bmType = 0;
    bm.bmWidth = m_width;
    bm.bmHeight = m_height;
    bm.bmWidthBytes = static_cast<LONG>(m_dib ? m_format.Stride() : DeviceStride(*this));
    bm.bmPlanes = 1;
    bm.bmBitsPixel = m_bitsPixel;
    bm.bmBits = m_dib ? const_cast<BYTE*>(m_bits.data()) : nullptr;
    if (!m_dib || (buffer && size < static_cast<int>(sizeof(DIBSECTION)))) {
        if (!buffer)
            return static_cast<int>(sizeof(BITMAP));
        // A short buffer (the 24-byte 32-bit layout) gets what fits.
        int count = std::min(size, static_cast<int>(sizeof(BITMAP)));
        if (count <= 0)
            return 0;
        std::memcpy(buffer, &bm, static_cast<size_t>(count));
        return count;
    }
    if (!buffer)
        return static_cast<int>(sizeof(DIBSECTION));
    DIBSECTION ds{};
    ds.dsBm = bm;
    ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    ds.dsBmih.biWidth = m_width;
    ds.dsBmih.biHeight = m_format.topDown ? -m_height : m_height;
    ds.dsBmih.biPlanes = 1;
    ds.dsBmih.biBitCount = m_bitsPixel;
    ds.dsBmih.biCompression = m_bitsPixel == 16 || m_bitsPixel == 32 ? BI_BITFIELDS : BI_RGB;
    if (m_bitsPixel == 32 && IsDefaultMasks(m_format))
        ds.dsBmih.biCompression = BI_RGB;
    ds.dsBmih.biSizeImage = static_cast<DWORD>(m_format.ImageSize());
    ds.dsBmih.biClrUsed = static_cast<DWORD>(m_format.colors.size());
    if (m_bitsPixel == 16 || m_bitsPixel == 32)
        std::copy(std::begin(m_format.masks), std::end(m_format.masks), ds.dsBitfields);
    std::memcpy(buffer, &ds, sizeof ds);
    return static_cast<int>(sizeof(DIBSECTION));
}

void Bitmap::ImportRows(LONG top, LONG bottom, std::vector<DWORD>* before)
{
    if (!m_dib)
        return;
    top = std::max<LONG>(top, 0);
    bottom = std::min(bottom, m_height);
    if (before)
        before->clear();
    for (LONG y = top; y < bottom; ++y) {
        DWORD* row = m_surface->Row(y);
        m_format.ReadRow(m_bits.data() + m_format.RowOffset(y), row);
        if (before)
            before->insert(before->end(), row, row + m_width);
    }
}

void Bitmap::ExportRows(LONG top, LONG bottom, const std::vector<DWORD>* before)
{
    if (!m_dib)
        return;
    top = std::max<LONG>(top, 0);
    bottom = std::min(bottom, m_height);
    std::vector<BYTE> encoded(m_format.Stride());
    const size_t bitCount = m_format.bitCount;
    for (LONG y = top; y < bottom; ++y) {
        const DWORD* row = m_surface->Row(y);
        BYTE* target = m_bits.data() + m_format.RowOffset(y);
        if (!before) {
            m_format.WriteRow(row, target);
            continue;
        }
        const DWORD* old = before->data() + static_cast<size_t>(y - top) * static_cast<size_t>(m_width);
        if (std::equal(row, row + m_width, old))
            continue;
        // Only the pixels that changed take new bits, so that unchanged ones
        // keep what re-encoding would lose (a duplicate palette index, the
        // unused byte of a 32-bit pixel).
        m_format.WriteRow(row, encoded.data());
        for (LONG x = 0; x < m_width; ++x) {
            if (row[x] == old[x])
                continue;
            size_t bit = static_cast<size_t>(x) * bitCount;
            if (bitCount >= 8) {
                std::copy_n(encoded.data() + bit / 8, bitCount / 8, target + bit / 8);
            } else {
                BYTE mask = static_cast<BYTE>(((1u << bitCount) - 1) << (8 - bitCount - bit % 8));
                target[bit / 8] = static_cast<BYTE>((target[bit / 8] & ~mask) | (encoded[bit / 8] & mask));
            }
        }
    }
}

SurfaceLock::SurfaceLock(const DeviceContext& dc, bool writes, const SurfaceLock* sharing, const RECT* area)
    : m_writes(writes)
{
    if (!dc.m_surface)
        return;
    m_surface = dc.m_surface.get();
    if (sharing && sharing->m_surface == m_surface)
        return;
    m_owner = true;
    m_keep = dc.m_state.bitmap.Object();
    auto* bitmap = dc.m_state.bitmap.As<Bitmap>();
    m_surface->Mutex().lock();
    if (bitmap && bitmap->m_dib && bitmap->m_surface.get() == m_surface) {
        m_dib = bitmap;
        m_top = area ? std::clamp(area->top, 0, bitmap->m_height) : 0;
        m_bottom = area ? std::clamp(area->bottom, m_top, bitmap->m_height) : bitmap->m_height;
        m_dib->ImportRows(m_top, m_bottom, m_writes ? &m_before : nullptr);
    }
}

SurfaceLock::~SurfaceLock()
{
    if (!m_owner)
        return;
    if (m_dib && m_writes)
        m_dib->ExportRows(m_top, m_bottom, &m_before);
    m_surface->Mutex().unlock();
}

HBITMAP StockBitmap()
{
    static HBITMAP stock = [] {
        auto bitmap = MakeDeviceBitmap(1, 1, true);
        bitmap->m_stock = true;
        return InsertBitmap(std::move(bitmap));
    }();
    return stock;
}

std::shared_ptr<Bitmap> MakeDeviceBitmap(LONG width, LONG height, bool mono)
{
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->m_width = width;
    bitmap->m_height = height;
    bitmap->m_mono = mono;
    bitmap->m_bitsPixel = mono ? 1 : 32;
    bitmap->m_surface = std::make_shared<Surface>(width, height, 0);
    return bitmap;
}

DWORD DcPixel(const DeviceContext& dc, COLORREF color)
{
    COLORREF rgb = color & 0x00FFFFFF;
    if ((color >> 24) == 1) {
        auto* palette = dc.m_state.palette.As<Palette>();
        WORD index = static_cast<WORD>(color & 0xFFFF);
        rgb = 0;
        if (palette && index < palette->m_entries.size()) {
            const PALETTEENTRY& e = palette->m_entries[index];
            rgb = RGB(e.peRed, e.peGreen, e.peBlue);
        }
    }
    DWORD pixel = PixelFromColor(rgb);
    if (dc.m_mono) {
        DWORD sum = GetRValue(rgb) * 30u + GetGValue(rgb) * 59u + GetBValue(rgb) * 11u;
        return sum >= 12800 ? 0xFFFFFF : 0;
    }
    return pixel;
}

} // namespace win::gdi

using namespace win;
using namespace win::gdi;

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    if (width < 0 || height < 0 || planes != 1 || bitsPerPixel > 32 || width > Surface::kMaxSide ||
        height > Surface::kMaxSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (width == 0 || height == 0)
        return StockBitmap();
    auto bitmap = MakeDeviceBitmap(width, height, bitsPerPixel == 1);
    HBITMAP handle = InsertBitmap(bitmap);
    if (bits) {
        size_t stride = DeviceStride(*bitmap);
        SetBitmapBits(handle, static_cast<DWORD>(stride * static_cast<size_t>(height)), bits);
    }
    return handle;
}

HBITMAP CreateBitmapIndirect(const BITMAP* bitmap)
{
    if (!bitmap) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateBitmap(bitmap->bmWidth, bitmap->bmHeight, bitmap->bmPlanes, bitmap->bmBitsPixel, bitmap->bmBits);
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height)
{
    auto context = LookupAs<DeviceContext>(dc);
    if (!context || width < 0 || height < 0 || width > Surface::kMaxSide || height > Surface::kMaxSide) {
        SetLastError(context ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (width == 0 || height == 0)
        return StockBitmap();
    // A memory DC makes bitmaps like the one it holds: a fresh one holds
    // the 1-bit stock bitmap, so its compatible bitmaps are monochrome.
    bool mono = context->m_kind == DcKind::Memory && context->m_mono;
    return InsertBitmap(MakeDeviceBitmap(width, height, mono));
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD)
{
    if (bits)
        *bits = nullptr;
    auto context = dc ? LookupAs<DeviceContext>(dc) : nullptr;
    DibFormat format;
    HPALETTE palette = context ? static_cast<HPALETTE>(context->m_state.palette.Handle()) : nullptr;
    if (section || !ParseDibFormat(info, usage, palette, &format)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->m_width = format.width;
    bitmap->m_height = format.height;
    bitmap->m_bitsPixel = format.bitCount;
    bitmap->m_dib = true;
    bitmap->m_bits.assign(format.ImageSize(), 0);
    bitmap->m_format = std::move(format);
    bitmap->m_surface = std::make_shared<Surface>(bitmap->m_width, bitmap->m_height, 0);
    if (bits)
        *bits = bitmap->m_bits.data();
    return InsertBitmap(std::move(bitmap));
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage)
{
    if (!header) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LONG width = header->biSize == sizeof(BITMAPCOREHEADER)
                     ? reinterpret_cast<const BITMAPCOREHEADER*>(header)->bcWidth
                     : header->biWidth;
    LONG height = header->biSize == sizeof(BITMAPCOREHEADER)
                      ? reinterpret_cast<const BITMAPCOREHEADER*>(header)->bcHeight
                      : header->biHeight;
    height = height < 0 ? -height : height;
    if (!ValidSize(width, height)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The bitmap is compatible with the DC, which is colour unless it is a
    // memory DC holding a monochrome bitmap.
    auto context = dc ? LookupAs<DeviceContext>(dc) : nullptr;
    bool mono = !context || (context->m_kind == DcKind::Memory && context->m_mono);
    if (!dc)
        mono = true;
    auto bitmap = MakeDeviceBitmap(width, height, mono);
    HBITMAP handle = InsertBitmap(bitmap);
    if ((init & CBM_INIT) && bits && info &&
        !SetDIBits(dc, handle, 0, static_cast<UINT>(height), bits, info, usage)) {
        DeleteObject(handle);
        return nullptr;
    }
    return handle;
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage)
{
    auto context = LookupAs<DeviceContext>(dc);
    auto source = FindBitmap(bitmap);
    if (!context || !source || !info || usage > DIB_PAL_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (h.biBitCount == 0) {
        // The header-only query: the bitmap's own layout.
        WORD depth = source->m_dib ? source->m_bitsPixel : source->m_mono ? 1 : 32;
        h.biWidth = source->m_width;
        h.biHeight = source->m_height;
        h.biPlanes = 1;
        h.biBitCount = depth;
        h.biCompression = depth == 16 && source->m_dib ? BI_BITFIELDS : BI_RGB;
        h.biSizeImage = static_cast<DWORD>(((static_cast<size_t>(source->m_width) * depth + 31) / 32) * 4 *
                                           static_cast<size_t>(source->m_height));
        h.biXPelsPerMeter = 0;
        h.biYPelsPerMeter = 0;
        h.biClrUsed = 0;
        h.biClrImportant = 0;
        return source->m_height;
    }
    DibFormat format;
    BITMAPINFOHEADER asked = h;
    asked.biWidth = source->m_width;
    asked.biHeight = h.biHeight < 0 ? -source->m_height : source->m_height;
    // The layout is worked out from a header of our own with room for a
    // whole colour table, which the parser reads for 8 bits and less.
    struct {
        BITMAPINFOHEADER bmiHeader;
        RGBQUAD bmiColors[256];
    } probe{};
    probe.bmiHeader = asked;
    if (asked.biCompression == BI_BITFIELDS && asked.biBitCount != 16 && asked.biBitCount != 32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (asked.biBitCount > 8) {
        // GDI fills in the masks of a BI_BITFIELDS request: 565 for 16 bits.
        const bool fields = asked.biCompression == BI_BITFIELDS;
        if ((asked.biBitCount != 16 && asked.biBitCount != 24 && asked.biBitCount != 32) ||
            (asked.biCompression != BI_RGB && !fields) || (fields && asked.biBitCount == 24)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        format.width = source->m_width;
        format.height = source->m_height;
        format.topDown = h.biHeight < 0;
        format.bitCount = asked.biBitCount;
        if (asked.biBitCount == 16) {
            const DWORD masks555[3] = {0x7C00, 0x03E0, 0x001F}, masks565[3] = {0xF800, 0x07E0, 0x001F};
            std::copy_n(fields ? masks565 : masks555, 3, format.masks);
        }
        if (fields)
            std::memcpy(info->bmiColors, format.masks, sizeof format.masks);
    } else {
        probe.bmiHeader.biClrUsed = 0;
        probe.bmiHeader.biCompression = BI_RGB;
        if (!ParseDibFormat(reinterpret_cast<const BITMAPINFO*>(&probe), DIB_RGB_COLORS, nullptr, &format)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        // The colour table given back: the bitmap's own, black and white
        // for a 1-bit device bitmap, or a grey/system ramp otherwise.
        size_t count = format.colors.size();
        if (source->m_dib && source->m_bitsPixel == asked.biBitCount) {
            format.colors = source->m_format.colors;
            format.colors.resize(count, 0);
        } else if (asked.biBitCount == 1) {
            format.colors = {0x000000, 0xFFFFFF};
        } else {
            const PALETTEENTRY* system = SystemPaletteEntries();
            for (size_t i = 0; i < count; ++i) {
                size_t s = count == 16 ? (i < 8 ? i : i + 4) : (i < 10 ? i : i >= count - 10 ? i - (count - 20) : 0);
                if (count == 16 || i < 10 || i >= count - 10)
                    format.colors[i] = (static_cast<DWORD>(system[s].peRed) << 16) |
                                       (static_cast<DWORD>(system[s].peGreen) << 8) | system[s].peBlue;
                else {
                    // A 6x6x6 cube fills the middle of the 256 entries.
                    size_t c = i - 10;
                    DWORD r = static_cast<DWORD>((c / 36) % 6) * 51, g = static_cast<DWORD>((c / 6) % 6) * 51,
                          b = static_cast<DWORD>(c % 6) * 51;
                    format.colors[i] = (r << 16) | (g << 8) | b;
                }
            }
        }
        if (usage == DIB_RGB_COLORS)
            for (size_t i = 0; i < count; ++i)
                info->bmiColors[i] = QuadFromPixel(format.colors[i]);
    }
    if (h.biSizeImage == 0 || asked.biCompression == BI_RGB)
        h.biSizeImage = static_cast<DWORD>(format.ImageSize());
    if (!bits)
        return source->m_height;
    if (start >= static_cast<UINT>(source->m_height))
        return 0;
    lines = std::min<UINT>(lines, static_cast<UINT>(source->m_height) - start);
    std::lock_guard<std::mutex> guard(source->m_surface->Mutex());
    source->ImportBits();
    auto* out = static_cast<BYTE*>(bits);
    for (UINT i = 0; i < lines; ++i) {
        LONG scan = static_cast<LONG>(start + i);
        LONG fromTop = format.topDown ? scan : source->m_height - 1 - scan;
        format.WriteRow(source->m_surface->Row(fromTop), out + format.Stride() * i);
    }
    return static_cast<int>(lines);
}

int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    auto context = dc ? LookupAs<DeviceContext>(dc) : nullptr;
    auto target = FindBitmap(bitmap);
    DibFormat format;
    HPALETTE palette = context ? static_cast<HPALETTE>(context->m_state.palette.Handle()) : nullptr;
    if (!target || !bits || !ParseDibFormat(info, usage, palette, &format)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (start >= static_cast<UINT>(format.height))
        return 0;
    lines = std::min<UINT>(lines, static_cast<UINT>(format.height) - start);
    std::lock_guard<std::mutex> guard(target->m_surface->Mutex());
    std::vector<DWORD> before;
    target->ImportRows(0, target->m_height, &before);
    CopyRowsIn(*target, format, static_cast<const BYTE*>(bits), start, lines);
    target->ExportRows(0, target->m_height, &before);
    return static_cast<int>(lines);
}

LONG GetBitmapBits(HBITMAP bitmap, LONG size, LPVOID bits)
{
    auto source = FindBitmap(bitmap);
    if (!source || size < 0)
        return 0;
    size_t stride = DeviceStride(*source);
    size_t total = stride * static_cast<size_t>(source->m_height);
    if (!bits)
        return static_cast<LONG>(total);
    size_t wanted = std::min(total, static_cast<size_t>(size));
    std::vector<BYTE> all(total, 0);
    {
        std::lock_guard<std::mutex> guard(source->m_surface->Mutex());
        source->ImportBits();
        for (LONG y = 0; y < source->m_height; ++y) {
            const DWORD* row = source->m_surface->Row(y);
            BYTE* out = all.data() + stride * static_cast<size_t>(y);
            if (source->m_mono) {
                for (LONG x = 0; x < source->m_width; ++x)
                    if (row[x] & 0xFFFFFF)
                        out[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            } else {
                std::memcpy(out, row, stride);
            }
        }
    }
    std::memcpy(bits, all.data(), wanted);
    return static_cast<LONG>(wanted);
}

LONG SetBitmapBits(HBITMAP bitmap, DWORD size, const void* bits)
{
    auto target = FindBitmap(bitmap);
    if (!target || !bits)
        return 0;
    size_t stride = DeviceStride(*target);
    size_t rows = std::min(static_cast<size_t>(target->m_height), static_cast<size_t>(size) / stride);
    const auto* in = static_cast<const BYTE*>(bits);
    std::lock_guard<std::mutex> guard(target->m_surface->Mutex());
    std::vector<DWORD> before;
    target->ImportRows(0, target->m_height, &before);
    for (size_t y = 0; y < rows; ++y) {
        DWORD* row = target->m_surface->Row(static_cast<LONG>(y));
        const BYTE* from = in + stride * y;
        if (target->m_mono) {
            for (LONG x = 0; x < target->m_width; ++x)
                row[x] = (from[x / 8] & (0x80 >> (x % 8))) ? 0xFFFFFF : 0;
        } else {
            std::memcpy(row, from, stride);
            for (LONG x = 0; x < target->m_width; ++x)
                row[x] &= 0x00FFFFFF;
        }
    }
    target->ExportRows(0, target->m_height, &before);
    return static_cast<LONG>(rows * stride);
}

COLORREF GetPixel(HDC dc, int x, int y)
{
    auto context = LookupAs<DeviceContext>(dc);
    if (!context)
        return CLR_INVALID;
    POINT p = context->ToSurface(POINT{x, y});
    if (!context->DrawableRegion().Contains(p))
        return CLR_INVALID;
    RECT area{p.x, p.y, p.x + 1, p.y + 1};
    SurfaceLock lock(*context, false, nullptr, &area);
    if (!lock.Valid() || p.x >= lock.Pixels().Width() || p.y >= lock.Pixels().Height())
        return CLR_INVALID;
    return ColorFromPixel(lock.Pixels().Row(p.y)[p.x]);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color)
{
    return SetPixel(dc, x, y, color) != CLR_INVALID ? TRUE : FALSE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color)
{
    auto context = LookupAs<DeviceContext>(dc);
    if (!context)
        return CLR_INVALID;
    POINT p = context->ToSurface(POINT{x, y});
    if (!context->DrawableRegion().Contains(p))
        return CLR_INVALID;
    RECT area{p.x, p.y, p.x + 1, p.y + 1};
    SurfaceLock lock(*context, true, nullptr, &area);
    if (!lock.Valid() || p.x >= lock.Pixels().Width() || p.y >= lock.Pixels().Height())
        return CLR_INVALID;
    DWORD pixel = DcPixel(*context, color);
    lock.Pixels().Row(p.y)[p.x] = pixel;
    return ColorFromPixel(pixel);
}
