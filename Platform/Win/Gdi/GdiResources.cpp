// LoadBitmap: a bitmap resource (a packed DIB) as a device bitmap.

#include <algorithm>
#include <cstring>
#include <vector>

#include "Platform/Win/Gdi/Private/GdiInternal.h"
#include "Platform/Win/Kernel/Resources.h"

using namespace win;
using namespace win::gdi;

namespace {

// The most a BITMAPINFO can hold before its bits: the largest header, the
// masks of a 40-byte BI_BITFIELDS header and a full 8-bit colour table.
constexpr size_t kMaxInfoBytes = 124 + 3 * sizeof(DWORD) + 256 * sizeof(RGBQUAD);

} // namespace

HBITMAP LoadBitmapA(HINSTANCE module, LPCSTR name)
{
    ResourceBytes bytes = FindBitmapBits(module, name);
    if (!bytes || bytes.size < sizeof(BITMAPCOREHEADER)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    // The header, masks and colour table are read from a copy of their own,
    // aligned for the structures whatever the resource's own alignment, and
    // only as far as the resource goes.
    const size_t infoBytes = std::min<size_t>(bytes.size, kMaxInfoBytes);
    std::vector<DWORD> copy((infoBytes + sizeof(DWORD) - 1) / sizeof(DWORD));
    std::memcpy(copy.data(), bytes.data, infoBytes);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(copy.data());
    DibFormat format;
    if (!ParseDibFormat(info, DIB_RGB_COLORS, nullptr, &format, infoBytes)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    // The bits follow the header, the masks of a 40-byte BI_BITFIELDS header
    // and the colour table as stored (biClrUsed entries when given).
    const DWORD headerSize = info->bmiHeader.biSize;
    size_t offset = headerSize;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        offset += 3 * format.colors.size();
    } else {
        const BITMAPINFOHEADER& h = info->bmiHeader;
        if (h.biCompression == BI_BITFIELDS && headerSize == sizeof(BITMAPINFOHEADER))
            offset += 12;
        size_t entries = h.biClrUsed ? h.biClrUsed : format.bitCount <= 8 ? format.colors.size() : 0;
        offset += 4 * entries;
    }
    if (offset > bytes.size || format.ImageSize() > bytes.size - offset) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    const bool mono = format.bitCount == 1;
    auto bitmap = MakeDeviceBitmap(format.width, format.height, mono);
    HBITMAP handle = static_cast<HBITMAP>(InsertObject(bitmap));
    if (!SetDIBits(nullptr, handle, 0, static_cast<UINT>(format.height), bytes.data + offset, info, DIB_RGB_COLORS)) {
        DeleteObject(handle);
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return handle;
}
