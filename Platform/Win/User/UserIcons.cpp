// Icons and cursors: module resources (group directory, then the image the
// size suits best), .ico and .cur files, bitmaps made into icons, the stock
// icons (drawn here), and drawing them with their alpha.
//
// Every image is checked against the bytes it came in before a pixel is
// read: a damaged directory or image makes the load fail with
// ERROR_INVALID_DATA.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

#include "Platform/Win/Kernel/HandleTable.h"
#include "Platform/Win/Kernel/Resources.h"
#include "Platform/Win/User/Icons.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

constexpr LONG kMaxIconSide = 256;
constexpr size_t kBitmapInfoSize = 40;
constexpr size_t kGroupHeaderSize = 6;
constexpr size_t kGroupEntrySize = 14;
constexpr size_t kFileEntrySize = 16;

struct Entry {
    IconImage image;
    bool shared = false;
};

// Icons and cursors by handle. The shared ones by name, under their own
// lock, which is taken with Lock() held or not, never the other way round.
HandleTable<Entry> g_icons{HandleKind::Icon};
std::mutex g_sharedLock;
std::map<std::string, HICON> g_shared;

WORD ReadWord(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
DWORD ReadDword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

// Null when every icon handle is open.
HICON AddIcon(IconImage image, bool shared)
{
    auto entry = std::make_shared<Entry>();
    entry->image = std::move(image);
    entry->shared = shared;
    HICON icon = g_icons.Add<HICON>(std::move(entry));
    if (!icon)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return icon;
}

std::shared_ptr<Entry> FindIcon(HICON icon) { return g_icons.Find(icon); }

// A packed DIB of an icon or cursor image: its height counts the colour
// rows and the AND mask's rows. Alpha comes from 32-bit pixels when any has
// some, else from the mask.
bool DecodeDib(const BYTE* data, size_t size, IconImage* out)
{
    if (size < kBitmapInfoSize)
        return false;
    const DWORD headerSize = ReadDword(data);
    const LONG width = static_cast<LONG>(ReadDword(data + 4));
    const LONG doubled = static_cast<LONG>(ReadDword(data + 8));
    const WORD planes = ReadWord(data + 12);
    const WORD bits = ReadWord(data + 14);
    const DWORD compression = ReadDword(data + 16);
    const DWORD used = ReadDword(data + 32);
    if (headerSize < kBitmapInfoSize || headerSize > size || width <= 0 || width > kMaxIconSide || doubled <= 0 ||
        doubled > 2 * kMaxIconSide || planes != 1 || compression != BI_RGB)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    const LONG height = doubled / 2;
    if (height <= 0)
        return false;
    size_t colors = bits <= 8 ? (used ? used : (1u << bits)) : 0;
    if (colors > 256)
        return false;
    const size_t xorStride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    const size_t andStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
    const size_t paletteAt = headerSize;
    const size_t xorAt = paletteAt + colors * 4;
    const size_t andAt = xorAt + xorStride * static_cast<size_t>(height);
    if (andAt > size)
        return false;
    const bool hasMask = andAt + andStride * static_cast<size_t>(height) <= size;
    if (!hasMask && bits != 32)
        return false;
    out->width = width;
    out->height = height;
    out->pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    bool anyAlpha = false;
    for (LONG y = 0; y < height; ++y) {
        const BYTE* row = data + xorAt + xorStride * static_cast<size_t>(height - 1 - y);
        for (LONG x = 0; x < width; ++x) {
            DWORD argb = 0;
            if (bits <= 8) {
                size_t bitOffset = static_cast<size_t>(x) * bits;
                BYTE byte = row[bitOffset / 8];
                unsigned index = (byte >> (8 - bits - bitOffset % 8)) & ((1u << bits) - 1);
                if (index >= colors)
                    index = 0;
                const BYTE* q = data + paletteAt + index * 4;
                argb = (static_cast<DWORD>(q[2]) << 16) | (static_cast<DWORD>(q[1]) << 8) | q[0];
            } else if (bits == 24) {
                const BYTE* p = row + x * 3;
                argb = (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[1]) << 8) | p[0];
            } else {
                argb = ReadDword(row + x * 4);
                anyAlpha = anyAlpha || (argb >> 24) != 0;
            }
            out->pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = argb;
        }
    }
    if (anyAlpha)
        return true;
    for (LONG y = 0; y < height; ++y) {
        const BYTE* mask = hasMask ? data + andAt + andStride * static_cast<size_t>(height - 1 - y) : nullptr;
        for (LONG x = 0; x < width; ++x) {
            const bool transparent = mask && (mask[x / 8] & (0x80 >> (x % 8)));
            DWORD& p = out->pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            p = transparent ? 0 : (p & 0x00FFFFFF) | 0xFF000000;
        }
    }
    return true;
}

IconImage Resampled(const IconImage& from, LONG width, LONG height)
{
    if (width <= 0 || height <= 0 || (width == from.width && height == from.height))
        return from;
    IconImage to = from;
    to.width = width;
    to.height = height;
    to.hotspot = POINT{from.hotspot.x * width / std::max<LONG>(from.width, 1),
                       from.hotspot.y * height / std::max<LONG>(from.height, 1)};
    to.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            to.pixels[static_cast<size_t>(y * width + x)] =
                from.pixels[static_cast<size_t>((y * from.height / height) * from.width + x * from.width / width)];
    return to;
}

struct Choice {
    WORD id = 0;
    LONG width = 0;
    LONG height = 0;
};

// The directory entry the wanted size suits best: the nearest size, then
// the deepest colour.
bool ChooseFromGroup(const BYTE* directory, size_t size, bool cursor, LONG wantWidth, LONG wantHeight,
                     Choice* choice)
{
    if (!directory || size < kGroupHeaderSize || ReadWord(directory) != 0 ||
        ReadWord(directory + 2) != (cursor ? 2 : 1))
        return false;
    const WORD count = ReadWord(directory + 4);
    if (count == 0 || kGroupHeaderSize + static_cast<size_t>(count) * kGroupEntrySize > size)
        return false;
    LONG bestScore = -1;
    WORD bestBits = 0;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* e = directory + kGroupHeaderSize + static_cast<size_t>(i) * kGroupEntrySize;
        LONG width = 0;
        LONG height = 0;
        WORD bits = 0;
        if (cursor) {
            width = ReadWord(e);
            height = ReadWord(e + 2) / 2;
            bits = ReadWord(e + 6);
        } else {
            width = e[0] ? e[0] : 256;
            height = e[1] ? e[1] : 256;
            bits = ReadWord(e + 6);
        }
        LONG score = std::labs(width - wantWidth) + std::labs(height - wantHeight);
        if (bestScore < 0 || score < bestScore || (score == bestScore && bits > bestBits)) {
            bestScore = score;
            bestBits = bits;
            *choice = Choice{ReadWord(e + 12), width, height};
        }
    }
    return true;
}

bool DecodeResourceImage(const BYTE* data, size_t size, bool cursor, IconImage* image)
{
    image->cursor = cursor;
    if (!cursor)
        return DecodeDib(data, size, image);
    if (size < 4)
        return false;
    image->hotspot = POINT{ReadWord(data), ReadWord(data + 2)};
    return DecodeDib(data + 4, size - 4, image);
}

SIZE SystemSize(bool cursor)
{
    return SIZE{GetSystemMetrics(cursor ? SM_CXCURSOR : SM_CXICON), GetSystemMetrics(cursor ? SM_CYCURSOR : SM_CYICON)};
}

std::string NameKey(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy)
{
    std::string key = std::to_string(reinterpret_cast<UINT_PTR>(instance)) + "|" + std::to_string(type) + "|" +
                      std::to_string(cx) + "x" + std::to_string(cy) + "|";
    if (IS_INTRESOURCE(name))
        return key + "#" + std::to_string(reinterpret_cast<UINT_PTR>(name));
    for (const char* p = name; *p; ++p)
        key += static_cast<char>(*p >= 'a' && *p <= 'z' ? *p - 32 : *p);
    return key;
}

HICON LoadFromModule(HINSTANCE instance, LPCSTR name, bool cursor, int cx, int cy, UINT flags)
{
    const bool shared = (flags & LR_SHARED) != 0;
    const std::string key = NameKey(instance, name, cursor ? IMAGE_CURSOR : IMAGE_ICON, cx, cy);
    if (shared) {
        std::lock_guard<std::mutex> guard(g_sharedLock);
        auto it = g_shared.find(key);
        if (it != g_shared.end())
            return it->second;
    }
    ResourceBytes group = FindResourceBytes(instance, name, cursor ? RT_GROUP_CURSOR : RT_GROUP_ICON);
    if (!group)
        return nullptr;
    const SIZE system = SystemSize(cursor);
    const LONG wantWidth = cx ? cx : system.cx;
    const LONG wantHeight = cy ? cy : system.cy;
    Choice choice;
    if (!ChooseFromGroup(group.data, group.size, cursor, wantWidth, wantHeight, &choice)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    ResourceBytes bits = FindResourceBytes(instance, MAKEINTRESOURCEA(choice.id), cursor ? RT_CURSOR : RT_ICON);
    IconImage image;
    if (!bits || !DecodeResourceImage(bits.data, bits.size, cursor, &image)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    const bool ownSize = !cx && !cy && !(flags & LR_DEFAULTSIZE);
    if (!ownSize)
        image = Resampled(image, cx ? cx : system.cx, cy ? cy : system.cy);
    HICON icon = AddIcon(std::move(image), shared);
    if (shared && icon) {
        std::lock_guard<std::mutex> guard(g_sharedLock);
        g_shared.emplace(key, icon);
    }
    return icon;
}

std::vector<BYTE> ReadWholeFile(LPCSTR path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An .ico or .cur file: a directory of 16-byte entries with offsets.
HICON LoadFromFile(LPCSTR path, bool cursor, int cx, int cy, UINT flags)
{
    std::vector<BYTE> file = ReadWholeFile(path);
    if (file.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (file.size() < kGroupHeaderSize || ReadWord(file.data()) != 0 || ReadWord(file.data() + 2) != (cursor ? 2 : 1)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    const WORD count = ReadWord(file.data() + 4);
    if (count == 0 || kGroupHeaderSize + static_cast<size_t>(count) * kFileEntrySize > file.size()) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    const SIZE system = SystemSize(cursor);
    const LONG wantWidth = cx ? cx : system.cx;
    const LONG wantHeight = cy ? cy : system.cy;
    size_t best = 0;
    LONG bestScore = -1;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* e = file.data() + kGroupHeaderSize + static_cast<size_t>(i) * kFileEntrySize;
        LONG width = e[0] ? e[0] : 256;
        LONG height = e[1] ? e[1] : 256;
        LONG score = std::labs(width - wantWidth) + std::labs(height - wantHeight);
        if (bestScore < 0 || score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    const BYTE* e = file.data() + kGroupHeaderSize + best * kFileEntrySize;
    const DWORD size = ReadDword(e + 8);
    const DWORD offset = ReadDword(e + 12);
    IconImage image;
    image.cursor = cursor;
    if (cursor)
        image.hotspot = POINT{ReadWord(e + 4), ReadWord(e + 6)};
    if (offset > file.size() || size > file.size() - offset || !DecodeDib(file.data() + offset, size, &image)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    const bool ownSize = !cx && !cy && !(flags & LR_DEFAULTSIZE);
    if (!ownSize)
        image = Resampled(image, cx ? cx : system.cx, cy ? cy : system.cy);
    return AddIcon(std::move(image), false);
}

HBITMAP LoadBitmapFile(LPCSTR path)
{
    std::vector<BYTE> file = ReadWholeFile(path);
    constexpr size_t kFileHeader = 14;
    if (file.size() < kFileHeader + kBitmapInfoSize || file[0] != 'B' || file[1] != 'M') {
        SetLastError(file.empty() ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_DATA);
        return nullptr;
    }
    const DWORD bitsAt = ReadDword(file.data() + 10);
    if (bitsAt >= file.size() || bitsAt < kFileHeader + kBitmapInfoSize) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    auto* info = reinterpret_cast<const BITMAPINFO*>(file.data() + kFileHeader);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, file.data() + bitsAt, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// Alpha of a shape at a pixel, from 4 x 4 samples.
template <class Inside>
BYTE Coverage(LONG x, LONG y, Inside inside)
{
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
            hits += inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0) ? 1 : 0;
    return static_cast<BYTE>(hits * 255 / 16);
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax;
    const double dy = by - ay;
    const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

DWORD Blend(DWORD under, DWORD over, BYTE alpha)
{
    auto mix = [&](int shift) {
        DWORD a = (under >> shift) & 0xFF;
        DWORD b = (over >> shift) & 0xFF;
        return ((a * (255 - alpha) + b * alpha) / 255) << shift;
    };
    return mix(16) | mix(8) | mix(0);
}

// A glyph in white or black, bold, centred at (cx, cy) of a 32 x 32 picture.
void DrawGlyph(std::vector<DWORD>& pixels, const char* glyph, COLORREF color, int height, LONG centreY)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 32;
    info.bmiHeader.biHeight = -32;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib || !bits) {
        DeleteDC(dc);
        return;
    }
    std::memcpy(bits, pixels.data(), pixels.size() * sizeof(DWORD));
    HGDIOBJ oldBitmap = SelectObject(dc, dib);
    LOGFONTA face{};
    face.lfHeight = -height;
    face.lfWeight = FW_BOLD;
    std::strcpy(face.lfFaceName, "DejaVu Sans");
    HFONT font = CreateFontIndirectA(&face);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    RECT r{0, centreY - 16, 32, centreY + 16};
    DrawTextA(dc, glyph, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    GdiFlush();
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SelectObject(dc, oldBitmap);
    std::vector<DWORD> drawn(pixels.size());
    std::memcpy(drawn.data(), bits, drawn.size() * sizeof(DWORD));
    DeleteObject(dib);
    DeleteDC(dc);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (pixels[i] & 0xFF000000) | (drawn[i] & 0x00FFFFFF);
}

// The stock icons, drawn in the plain system look.
IconImage DrawStockIcon(WORD id)
{
    IconImage image;
    image.width = image.height = 32;
    image.pixels.assign(32 * 32, 0);
    auto disc = [](double x, double y) { return std::hypot(x - 16.0, y - 16.0) <= 14.5; };
    auto ring = [](double x, double y) { return std::hypot(x - 16.0, y - 16.0) > 13.0; };
    auto paint = [&](auto inside, DWORD color, bool setAlpha) {
        for (LONG y = 0; y < 32; ++y)
            for (LONG x = 0; x < 32; ++x) {
                BYTE a = Coverage(x, y, inside);
                DWORD& p = image.pixels[static_cast<size_t>(y * 32 + x)];
                if (setAlpha) {
                    p = (static_cast<DWORD>(a) << 24) | (color & 0x00FFFFFF);
                } else if (a) {
                    p = (p & 0xFF000000) | Blend(p, color, a);
                }
            }
    };
    switch (id) {
    case 32513: // IDI_HAND
        paint(disc, 0xD02020, true);
        paint([&](double x, double y) { return disc(x, y) && ring(x, y); }, 0x801010, false);
        paint([](double x, double y) {
            return SegmentDistance(x, y, 10.5, 10.5, 21.5, 21.5) < 2.2 || SegmentDistance(x, y, 21.5, 10.5, 10.5, 21.5) < 2.2;
        }, 0xFFFFFF, false);
        break;
    case 32514: // IDI_QUESTION
    case 32516: // IDI_ASTERISK
        paint(disc, 0x2060D0, true);
        paint([&](double x, double y) { return disc(x, y) && ring(x, y); }, 0x103070, false);
        DrawGlyph(image.pixels, id == 32514 ? "?" : "i", RGB(255, 255, 255), 22, 16);
        break;
    case 32515: { // IDI_EXCLAMATION
        auto triangle = [](double x, double y) {
            if (y < 2.5 || y > 29.5)
                return false;
            double half = (y - 2.5) * 14.5 / 27.0;
            return x >= 16.0 - half && x <= 16.0 + half;
        };
        paint(triangle, 0xF8D020, true);
        DrawGlyph(image.pixels, "!", RGB(0, 0, 0), 20, 19);
        break;
    }
    default: { // IDI_APPLICATION, IDI_WINLOGO
        auto window = [](double x, double y) { return x >= 2 && x < 30 && y >= 4 && y < 28; };
        paint(window, 0x808080, true);
        paint([](double x, double y) { return x >= 3 && x < 29 && y >= 5 && y < 27; }, 0xFFFFFF, false);
        paint([](double x, double y) { return x >= 3 && x < 29 && y >= 5 && y < 10; }, 0x000080, false);
        break;
    }
    }
    return image;
}

const IconImage* StockIconImage(WORD id)
{
    static std::mutex lock;
    static std::map<WORD, IconImage> drawn;
    std::lock_guard<std::mutex> guard(lock);
    auto it = drawn.find(id);
    if (it == drawn.end())
        it = drawn.emplace(id, DrawStockIcon(id)).first;
    return &it->second;
}

bool ImageOf(HICON icon, IconImage* image)
{
    const UINT_PTR value = reinterpret_cast<UINT_PTR>(icon);
    if (value >= kStockIconBase + kFirstStockIcon && value <= kStockIconBase + kLastStockIcon) {
        *image = *StockIconImage(static_cast<WORD>(value - kStockIconBase));
        return true;
    }
    if (auto entry = FindIcon(icon)) {
        *image = entry->image;
        return true;
    }
    return false;
}

HBITMAP MakeDib32(LONG width, LONG height, void** bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// The pixels of a bitmap, top row first, as 0x00RRGGBB.
bool BitmapPixels(HBITMAP bitmap, LONG* width, LONG* height, std::vector<DWORD>* pixels)
{
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0 ||
        info.bmWidth > kMaxIconSide * 4 || info.bmHeight > kMaxIconSide * 4)
        return false;
    *width = info.bmWidth;
    *height = info.bmHeight;
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -info.bmHeight;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    pixels->assign(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight), 0);
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels->data(), &request, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return rows == info.bmHeight;
}

} // namespace

HICON LoadModuleIcon(HINSTANCE instance, LPCSTR name, bool cursor)
{
    return LoadFromModule(instance, name, cursor, 0, 0, LR_SHARED | LR_DEFAULTSIZE);
}

bool IsLoadedIcon(HICON icon) { return FindIcon(icon) != nullptr; }

bool DestroyLoadedIcon(HICON icon)
{
    const std::shared_ptr<Entry> entry = FindIcon(icon);
    if (!entry)
        return false;
    if (!entry->shared)
        g_icons.Remove(icon);
    return true;
}

bool GetIconImage(HICON icon, IconImage* image) { return image && ImageOf(icon, image); }

} // namespace win::user

using namespace win;
using namespace win::user;

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (type == IMAGE_BITMAP) {
        if (flags & LR_LOADFROMFILE)
            return IS_INTRESOURCE(name) ? nullptr : LoadBitmapFile(name);
        return LoadBitmapA(instance, name);
    }
    if (type != IMAGE_ICON && type != IMAGE_CURSOR) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const bool cursor = type == IMAGE_CURSOR;
    if (flags & LR_LOADFROMFILE) {
        if (IS_INTRESOURCE(name)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        return LoadFromFile(name, cursor, cx, cy, flags);
    }
    if (!instance)
        return cursor ? static_cast<HANDLE>(LoadCursorA(nullptr, name)) : static_cast<HANDLE>(LoadIconA(nullptr, name));
    return LoadFromModule(instance, name, cursor, cx, cy, flags);
}

HICON CreateIconIndirect(PICONINFO info)
{
    if (!info || !info->hbmMask) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    IconImage image;
    image.cursor = !info->fIcon;
    image.hotspot = info->fIcon ? POINT{} : POINT{static_cast<LONG>(info->xHotspot), static_cast<LONG>(info->yHotspot)};
    LONG maskWidth = 0;
    LONG maskHeight = 0;
    std::vector<DWORD> mask;
    if (!BitmapPixels(info->hbmMask, &maskWidth, &maskHeight, &mask)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (info->hbmColor) {
        std::vector<DWORD> color;
        if (!BitmapPixels(info->hbmColor, &image.width, &image.height, &color) || maskWidth < image.width ||
            maskHeight < image.height) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        image.pixels.resize(color.size());
        for (LONG y = 0; y < image.height; ++y)
            for (LONG x = 0; x < image.width; ++x) {
                const size_t i = static_cast<size_t>(y * image.width + x);
                const bool transparent = (mask[static_cast<size_t>(y * maskWidth + x)] & 0x00FFFFFF) != 0;
                image.pixels[i] = transparent ? 0 : (color[i] & 0x00FFFFFF) | 0xFF000000;
            }
    } else {
        // A monochrome icon: the AND half above the XOR half.
        image.width = maskWidth;
        image.height = maskHeight / 2;
        if (image.height <= 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        image.pixels.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
        for (LONG y = 0; y < image.height; ++y)
            for (LONG x = 0; x < image.width; ++x) {
                const bool andBit = (mask[static_cast<size_t>(y * maskWidth + x)] & 0x00FFFFFF) != 0;
                const bool xorBit = (mask[static_cast<size_t>((y + image.height) * maskWidth + x)] & 0x00FFFFFF) != 0;
                image.pixels[static_cast<size_t>(y * image.width + x)] =
                    andBit ? 0 : (xorBit ? 0xFFFFFFFF : 0xFF000000);
            }
    }
    return AddIcon(std::move(image), false);
}

BOOL GetIconInfo(HICON icon, PICONINFO info)
{
    IconImage image;
    if (!info || !ImageOf(icon, &image)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    void* colorBits = nullptr;
    void* maskBits = nullptr;
    HBITMAP color = MakeDib32(image.width, image.height, &colorBits);
    HBITMAP mask = MakeDib32(image.width, image.height, &maskBits);
    if (!color || !mask) {
        DeleteObject(color);
        DeleteObject(mask);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    auto* c = static_cast<DWORD*>(colorBits);
    auto* m = static_cast<DWORD*>(maskBits);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const DWORD p = image.pixels[i];
        c[i] = (p >> 24) ? p : 0;
        m[i] = (p >> 24) >= 0x80 ? 0 : 0x00FFFFFF;
    }
    info->fIcon = image.cursor ? FALSE : TRUE;
    info->xHotspot = image.cursor ? static_cast<DWORD>(image.hotspot.x) : static_cast<DWORD>(image.width / 2);
    info->yHotspot = image.cursor ? static_cast<DWORD>(image.hotspot.y) : static_cast<DWORD>(image.height / 2);
    info->hbmColor = color;
    info->hbmMask = mask;
    return TRUE;
}

HICON CopyIcon(HICON icon)
{
    IconImage image;
    if (!ImageOf(icon, &image)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return AddIcon(std::move(image), false);
}

HICON CreateIconFromResourceEx(PBYTE bits, DWORD size, BOOL icon, DWORD, int cx, int cy, UINT flags)
{
    IconImage image;
    if (!bits || !DecodeResourceImage(bits, size, !icon, &image)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    if (cx || cy || (flags & LR_DEFAULTSIZE)) {
        const SIZE system = SystemSize(!icon);
        image = Resampled(image, cx ? cx : system.cx, cy ? cy : system.cy);
    }
    return AddIcon(std::move(image), (flags & LR_SHARED) != 0);
}

int LookupIconIdFromDirectoryEx(PBYTE directory, BOOL icon, int cx, int cy, UINT)
{
    Choice choice;
    const SIZE system = SystemSize(!icon);
    // The caller vouches for the size: a directory is its header and entries.
    const size_t size = directory ? kGroupHeaderSize + static_cast<size_t>(ReadWord(directory + 4)) * kGroupEntrySize : 0;
    if (!ChooseFromGroup(directory, size, !icon, cx ? cx : system.cx, cy ? cy : system.cy, &choice))
        return 0;
    return choice.id;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT, HBRUSH background, UINT flags)
{
    IconImage image;
    if (!dc || !ImageOf(icon, &image)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!cx)
        cx = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : image.width;
    if (!cy)
        cy = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : image.height;
    if (cx <= 0 || cy <= 0)
        return TRUE;
    if (!(flags & DI_NORMAL))
        flags |= DI_NORMAL;
    void* bits = nullptr;
    HBITMAP dib = MakeDib32(cx, cy, &bits);
    HDC memory = CreateCompatibleDC(dc);
    if (!dib || !memory) {
        DeleteObject(dib);
        DeleteDC(memory);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    HGDIOBJ old = SelectObject(memory, dib);
    RECT all{0, 0, cx, cy};
    if (background)
        FillRect(memory, &all, background);
    else
        BitBlt(memory, 0, 0, cx, cy, dc, x, y, SRCCOPY);
    GdiFlush();
    auto* out = static_cast<DWORD*>(bits);
    for (int j = 0; j < cy; ++j)
        for (int i = 0; i < cx; ++i) {
            const DWORD p = image.pixels[static_cast<size_t>((j * image.height / cy) * image.width + i * image.width / cx)];
            DWORD& d = out[static_cast<size_t>(j * cx + i)];
            const BYTE alpha = static_cast<BYTE>(p >> 24);
            if ((flags & DI_NORMAL) == DI_MASK)
                d = alpha >= 0x80 ? 0 : 0x00FFFFFF;
            else if ((flags & DI_NORMAL) == DI_IMAGE)
                d = p & 0x00FFFFFF;
            else
                d = Blend(d, p, alpha);
        }
    BitBlt(dc, x, y, cx, cy, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(dib);
    return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) { return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE); }
