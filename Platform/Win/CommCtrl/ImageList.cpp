// Image lists: equal-sized images kept as 32-bit pixels with a mask of
// transparent pixels, drawn into any DC. Handles are numbers of the image
// list kind (HandleTable.h), so a stale or wrong handle fails instead of
// crashing, and a list destroyed on another thread lives on until a call
// using it ends.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "Platform/Win/CommCtrl/Private/CommCtrlInternal.h"
#include "Platform/Win/Kernel/HandleTable.h"
#include "Platform/Win/User/Icons.h"

namespace win::commctrl {

struct ImageList {
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    COLORREF background = CLR_NONE;
    // One entry per image: cx * cy pixels 0x00RRGGBB, top row first, and
    // the mask (1 = transparent).
    std::vector<std::vector<DWORD>> pixels;
    std::vector<std::vector<std::uint8_t>> masks;
};

namespace {

HandleTable<ImageList> g_lists{HandleKind::ImageList};

std::shared_ptr<ImageList> Live(HIMAGELIST list) { return g_lists.Find(list); }

DWORD PixelOf(COLORREF color) { return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color); }

BITMAPINFO TopDown(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The bitmap's pixels as 0x00RRGGBB, top row first; false when it is no
// bitmap.
bool ReadBitmap(HBITMAP bitmap, std::vector<DWORD>* out, int* width, int* height)
{
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return false;
    *width = info.bmWidth;
    *height = info.bmHeight;
    out->assign(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight), 0);
    BITMAPINFO bi = TopDown(info.bmWidth, info.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    const int lines = GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), out->data(), &bi, DIB_RGB_COLORS);
    DeleteDC(dc);
    for (DWORD& p : *out)
        p &= 0x00FFFFFF;
    return lines > 0;
}

// Cuts a strip into images of the list's size and appends them; returns
// the first new index.
int AppendStrip(ImageList* list, const std::vector<DWORD>& pixels, const std::vector<std::uint8_t>& mask, int width,
                int height)
{
    const int count = width / list->cx;
    if (count <= 0 || height < list->cy)
        return -1;
    const int first = static_cast<int>(list->pixels.size());
    for (int n = 0; n < count; ++n) {
        std::vector<DWORD> image(static_cast<size_t>(list->cx) * list->cy);
        std::vector<std::uint8_t> bits(image.size(), 0);
        for (int y = 0; y < list->cy; ++y)
            for (int x = 0; x < list->cx; ++x) {
                const size_t from = static_cast<size_t>(y) * width + static_cast<size_t>(n * list->cx + x);
                const size_t to = static_cast<size_t>(y) * list->cx + x;
                image[to] = pixels[from];
                bits[to] = (list->flags & ILC_MASK) && !mask.empty() ? mask[from] : 0;
            }
        list->pixels.push_back(std::move(image));
        list->masks.push_back(std::move(bits));
    }
    return first;
}

DWORD Blend(DWORD pixel, DWORD with, int percent)
{
    auto channel = [&](int shift) {
        const int a = static_cast<int>((pixel >> shift) & 0xFF);
        const int b = static_cast<int>((with >> shift) & 0xFF);
        return static_cast<DWORD>((a * (100 - percent) + b * percent) / 100) << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

} // namespace

} // namespace win::commctrl

using win::commctrl::ImageList;
using win::commctrl::Live;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow)
{
    if (cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096 || initial < 0 || grow < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto list = std::make_shared<ImageList>();
    list->cx = cx;
    list->cy = cy;
    list->flags = flags;
    list->pixels.reserve(static_cast<size_t>(std::min(initial, 1024)));
    HIMAGELIST handle = win::commctrl::g_lists.Add<HIMAGELIST>(std::move(list));
    if (!handle)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return handle;
}

BOOL ImageList_Destroy(HIMAGELIST handle) { return win::commctrl::g_lists.Remove(handle) ? TRUE : FALSE; }

int ImageList_Add(HIMAGELIST handle, HBITMAP image, HBITMAP mask)
{
    const auto list = Live(handle);
    std::vector<DWORD> pixels;
    int width = 0;
    int height = 0;
    if (!list || !win::commctrl::ReadBitmap(image, &pixels, &width, &height))
        return -1;
    std::vector<std::uint8_t> bits;
    std::vector<DWORD> maskPixels;
    int mw = 0;
    int mh = 0;
    if (mask && win::commctrl::ReadBitmap(mask, &maskPixels, &mw, &mh) && mw >= width && mh >= height) {
        bits.resize(pixels.size());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bits[static_cast<size_t>(y) * width + x] = maskPixels[static_cast<size_t>(y) * mw + x] != 0;
    }
    return win::commctrl::AppendStrip(list.get(), pixels, bits, width, height);
}

int ImageList_AddMasked(HIMAGELIST handle, HBITMAP image, COLORREF maskColor)
{
    const auto list = Live(handle);
    std::vector<DWORD> pixels;
    int width = 0;
    int height = 0;
    if (!list || !win::commctrl::ReadBitmap(image, &pixels, &width, &height))
        return -1;
    std::vector<std::uint8_t> bits(pixels.size(), 0);
    const DWORD key = win::commctrl::PixelOf(maskColor);
    for (size_t i = 0; i < pixels.size(); ++i)
        if (pixels[i] == key) {
            bits[i] = 1;
            pixels[i] = 0;
        }
    return win::commctrl::AppendStrip(list.get(), pixels, bits, width, height);
}

int ImageList_ReplaceIcon(HIMAGELIST handle, int index, HICON icon)
{
    const auto list = Live(handle);
    win::user::IconImage image;
    if (!list || !win::user::GetIconImage(icon, &image) || index < -1 ||
        index >= static_cast<int>(list->pixels.size()))
        return -1;
    // The icon is scaled to the list's size by nearest pixel; its alpha
    // below one half is transparent.
    std::vector<DWORD> pixels(static_cast<size_t>(list->cx) * list->cy);
    std::vector<std::uint8_t> bits(pixels.size());
    for (int y = 0; y < list->cy; ++y)
        for (int x = 0; x < list->cx; ++x) {
            const DWORD p = image.pixels[static_cast<size_t>(y * image.height / list->cy) * image.width +
                                         static_cast<size_t>(x * image.width / list->cx)];
            const size_t at = static_cast<size_t>(y) * list->cx + x;
            bits[at] = (p >> 24) < 0x80;
            pixels[at] = bits[at] ? 0 : (p & 0x00FFFFFF);
        }
    if (index == -1) {
        list->pixels.push_back(std::move(pixels));
        list->masks.push_back(std::move(bits));
        return static_cast<int>(list->pixels.size()) - 1;
    }
    list->pixels[static_cast<size_t>(index)] = std::move(pixels);
    list->masks[static_cast<size_t>(index)] = std::move(bits);
    return index;
}

BOOL ImageList_Remove(HIMAGELIST handle, int index)
{
    const auto list = Live(handle);
    if (!list || index < -1 || index >= static_cast<int>(list->pixels.size()))
        return FALSE;
    if (index == -1) {
        list->pixels.clear();
        list->masks.clear();
        return TRUE;
    }
    list->pixels.erase(list->pixels.begin() + index);
    list->masks.erase(list->masks.begin() + index);
    return TRUE;
}

BOOL ImageList_SetImageCount(HIMAGELIST handle, UINT count)
{
    const auto list = Live(handle);
    if (!list || count > 65536)
        return FALSE;
    // New images are black and opaque until something replaces them.
    list->pixels.resize(count, std::vector<DWORD>(static_cast<size_t>(list->cx) * list->cy, 0));
    list->masks.resize(count, std::vector<std::uint8_t>(static_cast<size_t>(list->cx) * list->cy, 0));
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST handle)
{
    const auto list = Live(handle);
    return list ? static_cast<int>(list->pixels.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST handle, int* cx, int* cy)
{
    const auto list = Live(handle);
    if (!list || !cx || !cy)
        return FALSE;
    *cx = list->cx;
    *cy = list->cy;
    return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST handle, COLORREF color)
{
    const auto list = Live(handle);
    if (!list)
        return CLR_NONE;
    const COLORREF old = list->background;
    list->background = color;
    return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST handle)
{
    const auto list = Live(handle);
    return list ? list->background : CLR_NONE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style)
{
    return ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

BOOL ImageList_DrawEx(HIMAGELIST handle, int index, HDC dc, int x, int y, int dx, int dy, COLORREF background,
                      COLORREF foreground, UINT style)
{
    const auto list = Live(handle);
    if (!list || !dc || index < 0 || index >= static_cast<int>(list->pixels.size()))
        return FALSE;
    const int width = dx > 0 ? std::min(dx, list->cx) : list->cx;
    const int height = dy > 0 ? std::min(dy, list->cy) : list->cy;
    if (background == CLR_DEFAULT)
        background = list->background;
    const bool masked = (list->flags & ILC_MASK) != 0;
    const bool transparent = masked && ((style & ILD_TRANSPARENT) || background == CLR_NONE);
    const int blend = (style & ILD_BLEND50) ? 50 : (style & ILD_BLEND25) ? 25 : 0;
    const DWORD tint = win::commctrl::PixelOf(
        foreground == CLR_DEFAULT || foreground == CLR_NONE ? GetSysColor(COLOR_HIGHLIGHT) : foreground);

    BITMAPINFO info = win::commctrl::TopDown(width, height);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section)
        return FALSE;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, section);
    if (transparent)
        BitBlt(memory, 0, 0, width, height, dc, x, y, SRCCOPY);
    GdiFlush();
    auto* out = static_cast<DWORD*>(bits);
    const auto& pixels = list->pixels[static_cast<size_t>(index)];
    const auto& mask = list->masks[static_cast<size_t>(index)];
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            const size_t from = static_cast<size_t>(row) * list->cx + col;
            DWORD& to = out[static_cast<size_t>(row) * width + col];
            if (style & ILD_MASK) {
                to = masked && mask[from] ? 0x00FFFFFF : 0;
                continue;
            }
            if (masked && mask[from]) {
                if (!transparent)
                    to = win::commctrl::PixelOf(background);
                continue;
            }
            to = blend ? win::commctrl::Blend(pixels[from], tint, blend) : pixels[from];
        }
    BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(section);
    return TRUE;
}
