// LoadBitmap: a bitmap resource (a packed DIB) as a device bitmap.

#include "Platform/Win/Gdi/Private/GdiInternal.h"
#include "Platform/Win/Kernel/Resources.h"

using namespace win;
using namespace win::gdi;

HBITMAP LoadBitmapA(HINSTANCE module, LPCSTR name)
{
    ResourceBytes bytes = FindBitmapBits(module, name);
    if (!bytes || bytes.size < sizeof(BITMAPCOREHEADER)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data);
    DibFormat format;
    DWORD headerSize = info->bmiHeader.biSize;
    if (headerSize > bytes.size || !ParseDibFormat(info, DIB_RGB_COLORS, nullptr, &format)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    // The bits follow the header, the masks of a 40-byte BI_BITFIELDS header
    // and the colour table as stored (biClrUsed entries when given).
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
