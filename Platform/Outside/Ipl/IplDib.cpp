#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <vector>

#include "Platform/Outside/Ipl/Ipl.h"
#include "Platform/Outside/Ipl/IplInternal.h"

using namespace ipl_detail;

namespace {

// One colour field of a 16- or 32-bit pixel.
struct Field {
    DWORD mask = 0;
    int shift = 0;
    int bits = 0;

    static Field Of(DWORD mask)
    {
        Field f;
        f.mask = mask;
        if (mask != 0) {
            f.shift = std::countr_zero(mask);
            f.bits = std::popcount(mask);
        }
        return f;
    }

    DWORD Pack(int level) const
    {
        if (bits == 0)
            return 0;
        const DWORD v = bits <= 8 ? static_cast<DWORD>(level) >> (8 - bits) : static_cast<DWORD>(level) << (bits - 8);
        return (v << shift) & mask;
    }

    BYTE Unpack(DWORD word) const
    {
        if (bits == 0)
            return 0;
        const DWORD v = (word & mask) >> shift;
        if (bits >= 8)
            return static_cast<BYTE>(v >> (bits - 8));
        // The field's bits repeat downwards: 5 bits v give v << 3 | v >> 2.
        DWORD level = 0;
        for (int pos = 8 - bits;; pos -= bits) {
            level |= pos >= 0 ? v << pos : v >> -pos;
            if (pos <= 0)
                break;
        }
        return static_cast<BYTE>(level);
    }
};

struct DibFormat {
    int bits = 0;
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    std::ptrdiff_t stride = 0;
    BYTE* pixels = nullptr;
    RGBQUAD* table = nullptr;
    int entries = 0;
    Field red;
    Field green;
    Field blue;

    BYTE* Row(int topDownIndex) const
    {
        const int memoryRow = bottomUp ? height - 1 - topDownIndex : topDownIndex;
        return pixels + stride * memoryRow;
    }
};

bool ReadFormat(const BITMAPINFOHEADER* dib, bool writing, DibFormat& f)
{
    if (dib == nullptr) {
        SetStatus(IPL_StsNullPtr);
        return false;
    }
    if (dib->biSize < sizeof(BITMAPINFOHEADER)) {
        SetStatus(IPL_StsBadArg);
        return false;
    }
    if (dib->biWidth <= 0 || dib->biHeight == 0 || dib->biHeight == std::numeric_limits<LONG>::min()) {
        SetStatus(IPL_BadImageSize);
        return false;
    }
    const int bits = dib->biBitCount;
    const bool readable = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    const bool writable = bits == 8 || bits == 16 || bits == 24 || bits == 32;
    const bool bitfields = dib->biCompression == BI_BITFIELDS;
    if (!(writing ? writable : readable) || (dib->biCompression != BI_RGB && !bitfields)
        || (bitfields && bits != 16 && bits != 32)) {
        SetStatus(IPL_StsBadArg);
        return false;
    }
    const DWORD maxEntries = bits <= 8 ? (1u << bits) : 256u;
    if (dib->biClrUsed > maxEntries) {
        SetStatus(IPL_StsBadArg);
        return false;
    }
    const std::int64_t stride = (static_cast<std::int64_t>(dib->biWidth) * bits + 31) / 32 * 4;
    if (stride > std::numeric_limits<int>::max()) {
        SetStatus(IPL_BadImageSize);
        return false;
    }

    auto* base = reinterpret_cast<BYTE*>(const_cast<BITMAPINFOHEADER*>(dib));
    std::size_t offset = dib->biSize;
    if (bitfields) {
        // A 40-byte header is followed by the masks; longer headers hold them.
        DWORD masks[3];
        std::memcpy(masks, base + sizeof(BITMAPINFOHEADER), sizeof masks);
        if (dib->biSize == sizeof(BITMAPINFOHEADER))
            offset += sizeof masks;
        f.red = Field::Of(masks[0]);
        f.green = Field::Of(masks[1]);
        f.blue = Field::Of(masks[2]);
    } else if (bits == 16) {
        f.red = Field::Of(0x7C00);
        f.green = Field::Of(0x03E0);
        f.blue = Field::Of(0x001F);
    } else if (bits == 32) {
        f.red = Field::Of(0xFF0000);
        f.green = Field::Of(0x00FF00);
        f.blue = Field::Of(0x0000FF);
    }
    const int tableEntries = static_cast<int>(dib->biClrUsed != 0 ? dib->biClrUsed : (bits <= 8 ? maxEntries : 0));
    f.table = reinterpret_cast<RGBQUAD*>(base + offset);
    f.entries = bits <= 8 ? tableEntries : 0;
    offset += static_cast<std::size_t>(tableEntries) * sizeof(RGBQUAD);
    f.pixels = base + offset;
    f.bits = bits;
    f.width = dib->biWidth;
    f.bottomUp = dib->biHeight > 0;
    f.height = dib->biHeight > 0 ? dib->biHeight : -dib->biHeight;
    f.stride = static_cast<std::ptrdiff_t>(stride);
    return true;
}

// How the image's channels hold blue, green, red and alpha.
struct ChannelMap {
    int blue = 0;
    int green = 1;
    int red = 2;
    int alpha = -1;
    // The one channel of a grey image or of the coi, else -1.
    int single = -1;
    // For a coi: 0 blue, 1 green, 2 red, or -1 for luminance.
    int singleColour = -1;
};

int ColourOfLetter(char letter)
{
    switch (letter) {
    case 'B':
    case 'b':
        return 0;
    case 'G':
    case 'g':
        return 1;
    case 'R':
    case 'r':
        return 2;
    default:
        return -1;
    }
}

ChannelMap MapChannels(const IplImage* image, const View& view)
{
    ChannelMap map;
    map.alpha = view.alphaChannel - 1;
    if (view.coi > 0 || view.channels == 1) {
        map.single = view.coi > 0 ? view.coi - 1 : 0;
        if (view.channels >= 3)
            map.singleColour = ColourOfLetter(image->channelSeq[map.single]);
        return map;
    }
    int position[3] = {-1, -1, -1};
    for (int c = 0; c < std::min(view.channels, 4); ++c) {
        const int colour = ColourOfLetter(image->channelSeq[c]);
        if (colour >= 0 && position[colour] < 0)
            position[colour] = c;
    }
    if (position[0] >= 0 && position[1] >= 0 && position[2] >= 0) {
        map.blue = position[0];
        map.green = position[1];
        map.red = position[2];
    }
    return map;
}

BYTE Luminance(int b, int g, int r)
{
    return static_cast<BYTE>((76 * r + 151 * g + 28 * b + 127) / 255);
}

// Image row to packed blue, green, red, alpha.
void GatherRow(const BYTE* in, int step, const ChannelMap& map, int width, BYTE* bgra)
{
    if (map.single >= 0) {
        for (int x = 0; x < width; ++x) {
            const BYTE v = in[static_cast<std::ptrdiff_t>(x) * step + map.single];
            bgra[4 * x] = v;
            bgra[4 * x + 1] = v;
            bgra[4 * x + 2] = v;
            bgra[4 * x + 3] = 0;
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        const BYTE* p = in + static_cast<std::ptrdiff_t>(x) * step;
        bgra[4 * x] = p[map.blue];
        bgra[4 * x + 1] = p[map.green];
        bgra[4 * x + 2] = p[map.red];
        bgra[4 * x + 3] = map.alpha >= 0 ? p[map.alpha] : 0;
    }
}

// Packed blue, green, red, alpha to an image row.
void ScatterRow(const BYTE* bgra, int width, const ChannelMap& map, BYTE* out, int step)
{
    if (map.single >= 0) {
        for (int x = 0; x < width; ++x) {
            const BYTE* p = bgra + 4 * x;
            out[static_cast<std::ptrdiff_t>(x) * step + map.single] =
                map.singleColour >= 0 ? p[map.singleColour] : Luminance(p[0], p[1], p[2]);
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        BYTE* p = out + static_cast<std::ptrdiff_t>(x) * step;
        p[map.blue] = bgra[4 * x];
        p[map.green] = bgra[4 * x + 1];
        p[map.red] = bgra[4 * x + 2];
        if (map.alpha >= 0)
            p[map.alpha] = bgra[4 * x + 3];
    }
}

// True when the image rows are laid out exactly as 24-bit DIB rows.
bool IsPackedBgr(const ChannelMap& map, const View& view)
{
    return view.channels == 3 && map.single < 0 && map.blue == 0 && map.green == 1 && map.red == 2;
}

// Maps colours onto the DIB's table, nearest by squared distance, with
// Floyd-Steinberg error diffusion when asked.
class PaletteMapper {
public:
    bool Init(const DibFormat& f, bool dither, int width)
    {
        m_table = f.table;
        m_entries = f.entries;
        m_dither = dither;
        return TryAssign(m_cacheKey, kCacheSize, 0u) && TryResize(m_cacheIndex, kCacheSize)
            && (!dither
                || (TryAssign(m_errorThis, static_cast<std::size_t>(width + 2) * 3, 0)
                    && TryAssign(m_errorNext, static_cast<std::size_t>(width + 2) * 3, 0)));
    }

    void MapRow(const BYTE* bgra, int width, BYTE* out)
    {
        if (!m_dither) {
            for (int x = 0; x < width; ++x)
                out[x] = Nearest(bgra[4 * x], bgra[4 * x + 1], bgra[4 * x + 2]);
            return;
        }
        std::fill(m_errorNext.begin(), m_errorNext.end(), 0);
        for (int x = 0; x < width; ++x) {
            int* here = &m_errorThis[static_cast<std::size_t>(x + 1) * 3];
            int* below = &m_errorNext[static_cast<std::size_t>(x + 1) * 3];
            int wanted[3];
            for (int c = 0; c < 3; ++c)
                wanted[c] = std::clamp(bgra[4 * x + c] + here[c], 0, 255);
            const BYTE index = Nearest(wanted[0], wanted[1], wanted[2]);
            out[x] = index;
            const RGBQUAD& got = m_table[index];
            const int error[3] = {wanted[0] - got.rgbBlue, wanted[1] - got.rgbGreen, wanted[2] - got.rgbRed};
            for (int c = 0; c < 3; ++c) {
                here[3 + c] += error[c] * 7 / 16;
                below[c - 3] += error[c] * 3 / 16;
                below[c] += error[c] * 5 / 16;
                below[3 + c] += error[c] / 16;
            }
        }
        m_errorThis.swap(m_errorNext);
    }

private:
    static constexpr std::size_t kCacheSize = 1 << 16;

    BYTE Nearest(int b, int g, int r)
    {
        const std::uint32_t key = (static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8
                                   | static_cast<std::uint32_t>(b)) + 1;
        const std::size_t slot = ((key * 2654435761u) >> 16) & (kCacheSize - 1);
        if (m_cacheKey[slot] == key)
            return m_cacheIndex[slot];
        int best = 0;
        int bestDistance = std::numeric_limits<int>::max();
        for (int i = 0; i < m_entries; ++i) {
            const int db = b - m_table[i].rgbBlue;
            const int dg = g - m_table[i].rgbGreen;
            const int dr = r - m_table[i].rgbRed;
            const int distance = db * db + dg * dg + dr * dr;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        m_cacheKey[slot] = key;
        m_cacheIndex[slot] = static_cast<BYTE>(best);
        return static_cast<BYTE>(best);
    }

    const RGBQUAD* m_table = nullptr;
    int m_entries = 0;
    bool m_dither = false;
    std::vector<std::uint32_t> m_cacheKey;
    std::vector<BYTE> m_cacheIndex;
    std::vector<int> m_errorThis;
    std::vector<int> m_errorNext;
};

int Cell(const BYTE* bgra)
{
    return (bgra[2] >> 3) << 10 | (bgra[1] >> 3) << 5 | (bgra[0] >> 3);
}

// Packs blue, green, red into 16- or 32-bit fields through one table per
// channel, built once per conversion.
class FieldPacker {
public:
    explicit FieldPacker(const DibFormat& f) : m_bytes(f.bits / 8)
    {
        for (int v = 0; v < 256; ++v) {
            m_blue[v] = f.blue.Pack(v);
            m_green[v] = f.green.Pack(v);
            m_red[v] = f.red.Pack(v);
        }
    }

    void PackRow(const BYTE* bgra, int width, BYTE* out) const
    {
        for (int x = 0; x < width; ++x) {
            const DWORD word = m_blue[bgra[4 * x]] | m_green[bgra[4 * x + 1]] | m_red[bgra[4 * x + 2]];
            for (int i = 0; i < m_bytes; ++i)
                out[x * m_bytes + i] = static_cast<BYTE>(word >> (8 * i));
        }
    }

private:
    int m_bytes;
    std::array<DWORD, 256> m_blue;
    std::array<DWORD, 256> m_green;
    std::array<DWORD, 256> m_red;
};

void DecodeRow(const BYTE* in, int width, const DibFormat& f, bool alphaByte, BYTE* bgra)
{
    switch (f.bits) {
    case 1:
    case 4:
    case 8: {
        const int perByte = 8 / f.bits;
        const int mask = (1 << f.bits) - 1;
        for (int x = 0; x < width; ++x) {
            const int shift = (perByte - 1 - x % perByte) * f.bits;
            const int index = (in[x / perByte] >> shift) & mask;
            BYTE* p = bgra + 4 * x;
            if (index < f.entries) {
                p[0] = f.table[index].rgbBlue;
                p[1] = f.table[index].rgbGreen;
                p[2] = f.table[index].rgbRed;
            } else {
                p[0] = p[1] = p[2] = 0;
            }
            p[3] = 0;
        }
        break;
    }
    case 24:
        for (int x = 0; x < width; ++x) {
            bgra[4 * x] = in[3 * x];
            bgra[4 * x + 1] = in[3 * x + 1];
            bgra[4 * x + 2] = in[3 * x + 2];
            bgra[4 * x + 3] = 0;
        }
        break;
    default: {
        const int bytes = f.bits / 8;
        for (int x = 0; x < width; ++x) {
            DWORD word = 0;
            for (int i = 0; i < bytes; ++i)
                word |= static_cast<DWORD>(in[x * bytes + i]) << (8 * i);
            BYTE* p = bgra + 4 * x;
            p[0] = f.blue.Unpack(word);
            p[1] = f.green.Unpack(word);
            p[2] = f.red.Unpack(word);
            p[3] = alphaByte ? static_cast<BYTE>(word >> 24) : 0;
        }
        break;
    }
    }
}

int DibRowOf(const IplImage* image, int regionRow, int dibHeight)
{
    return image->origin == IPL_ORIGIN_BL ? dibHeight - 1 - regionRow : regionRow;
}

// Fills the table with the most frequent colours of the region at 5 bits
// per channel (cell centres), the rest black.
bool FillPopularTable(const View& view, const ChannelMap& map, int width, int height, DibFormat& f)
{
    std::vector<std::uint32_t> counts;
    std::vector<BYTE> bgra;
    if (!TryAssign(counts, std::size_t{1} << 15, 0u) || !TryResize(bgra, static_cast<std::size_t>(width) * 4))
        return false;
    for (int y = 0; y < height; ++y) {
        GatherRow(view.Row(y), view.channels, map, width, bgra.data());
        for (int x = 0; x < width; ++x)
            ++counts[Cell(&bgra[4 * static_cast<std::size_t>(x)])];
    }
    std::vector<int> cells;
    if (!TryResize(cells, counts.size()))
        return false;
    std::iota(cells.begin(), cells.end(), 0);
    const int used = static_cast<int>(std::count_if(counts.begin(), counts.end(), [](std::uint32_t n) { return n != 0; }));
    const int kept = std::min(used, f.entries);
    std::partial_sort(cells.begin(), cells.begin() + kept, cells.end(), [&](int a, int b) {
        return counts[a] != counts[b] ? counts[a] > counts[b] : a < b;
    });
    for (int i = 0; i < f.entries; ++i) {
        RGBQUAD entry{0, 0, 0, 0};
        if (i < kept) {
            const int cell = cells[i];
            entry.rgbRed = static_cast<BYTE>(((cell >> 10) & 31) << 3 | 4);
            entry.rgbGreen = static_cast<BYTE>(((cell >> 5) & 31) << 3 | 4);
            entry.rgbBlue = static_cast<BYTE>((cell & 31) << 3 | 4);
        }
        f.table[i] = entry;
    }
    return true;
}

} // namespace

void iplConvertToDIB(const IplImage* image, BITMAPINFOHEADER* dib, int dither, int paletteConversion)
{
    SetStatus(IPL_StsOk);
    View view;
    DibFormat f;
    if (!MakeView(image, view) || !ReadFormat(dib, true, f))
        return;
    if (paletteConversion < IPL_PALCONV_NONE || paletteConversion > IPL_PALCONV_MEDCUT) {
        SetStatus(IPL_StsBadArg);
        return;
    }
    const ChannelMap map = MapChannels(image, view);
    const int width = std::min(view.width, f.width);
    const int height = std::min(view.height, f.height);

    if (f.bits == 24 && IsPackedBgr(map, view)) {
        for (int y = 0; y < height; ++y)
            std::memcpy(f.Row(DibRowOf(image, y, f.height)), view.Row(y), static_cast<std::size_t>(width) * 3);
        return;
    }

    std::vector<BYTE> bgra;
    if (!TryResize(bgra, static_cast<std::size_t>(width) * 4))
        return;
    const FieldPacker packer(f);
    PaletteMapper mapper;
    if (f.bits == 8) {
        if (paletteConversion != IPL_PALCONV_NONE && !FillPopularTable(view, map, width, height, f))
            return;
        if (!mapper.Init(f, dither != IPL_DITHER_NONE, width))
            return;
    }
    for (int y = 0; y < height; ++y) {
        GatherRow(view.Row(y), view.channels, map, width, bgra.data());
        BYTE* out = f.Row(DibRowOf(image, y, f.height));
        switch (f.bits) {
        case 8:
            mapper.MapRow(bgra.data(), width, out);
            break;
        case 24:
            for (int x = 0; x < width; ++x) {
                out[3 * x] = bgra[4 * x];
                out[3 * x + 1] = bgra[4 * x + 1];
                out[3 * x + 2] = bgra[4 * x + 2];
            }
            break;
        case 32:
            if (dib->biCompression == BI_RGB) {
                std::memcpy(out, bgra.data(), static_cast<std::size_t>(width) * 4);
                break;
            }
            [[fallthrough]];
        default:
            packer.PackRow(bgra.data(), width, out);
            break;
        }
    }
}

void iplConvertFromDIB(const BITMAPINFOHEADER* dib, IplImage* image)
{
    SetStatus(IPL_StsOk);
    View view;
    DibFormat f;
    if (!MakeView(image, view) || !ReadFormat(dib, false, f))
        return;
    const ChannelMap map = MapChannels(image, view);
    const int width = std::min(view.width, f.width);
    const int height = std::min(view.height, f.height);

    if (f.bits == 24 && IsPackedBgr(map, view)) {
        for (int y = 0; y < height; ++y)
            std::memcpy(view.Row(y), f.Row(DibRowOf(image, y, f.height)), static_cast<std::size_t>(width) * 3);
        return;
    }

    std::vector<BYTE> bgra;
    if (!TryResize(bgra, static_cast<std::size_t>(width) * 4))
        return;
    const bool alphaByte = f.bits == 32 && dib->biCompression == BI_RGB;
    for (int y = 0; y < height; ++y) {
        DecodeRow(f.Row(DibRowOf(image, y, f.height)), width, f, alphaByte, bgra.data());
        ScatterRow(bgra.data(), width, map, view.Row(y), view.channels);
    }
}
