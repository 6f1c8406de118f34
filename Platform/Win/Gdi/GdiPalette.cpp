// Palettes on a true-colour display: they hold entries and translate
// PALETTEINDEX colours and DIB_PAL_COLORS tables; realising changes nothing
// on the screen.

#include <algorithm>
#include <limits>

#include "Platform/Win/Gdi/Private/GdiInternal.h"

using namespace win;
using namespace win::gdi;

namespace {

std::shared_ptr<Palette> FindPalette(HPALETTE palette)
{
    auto found = LookupAs<Palette>(palette);
    if (!found)
        SetLastError(ERROR_INVALID_HANDLE);
    return found;
}

} // namespace

HPALETTE CreatePalette(const LOGPALETTE* palette)
{
    if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto made = std::make_shared<Palette>();
    made->m_entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return static_cast<HPALETTE>(InsertObject(std::move(made)));
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL)
{
    auto context = LookupAs<DeviceContext>(dc);
    auto found = FindPalette(palette);
    if (!context || !found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HGDIOBJ old = context->m_state.palette.Handle();
    context->m_state.palette = Selected(palette, found);
    return static_cast<HPALETTE>(old);
}

UINT RealizePalette(HDC dc)
{
    if (!LookupAs<DeviceContext>(dc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return GDI_ERROR;
    }
    return 0;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, LPPALETTEENTRY entries)
{
    auto found = FindPalette(palette);
    if (!found)
        return 0;
    UINT size = static_cast<UINT>(found->m_entries.size());
    if (!entries)
        return size;
    if (start >= size)
        return 0;
    count = std::min(count, size - start);
    std::copy_n(found->m_entries.begin() + start, count, entries);
    return count;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries)
{
    auto found = FindPalette(palette);
    if (!found || !entries || found->m_stock)
        return 0;
    UINT size = static_cast<UINT>(found->m_entries.size());
    if (start >= size)
        return 0;
    count = std::min(count, size - start);
    std::copy_n(entries, count, found->m_entries.begin() + start);
    return count;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color)
{
    auto found = FindPalette(palette);
    if (!found)
        return CLR_INVALID;
    UINT best = 0;
    LONG bestDistance = std::numeric_limits<LONG>::max();
    for (size_t i = 0; i < found->m_entries.size(); ++i) {
        const PALETTEENTRY& e = found->m_entries[i];
        LONG dr = LONG(e.peRed) - GetRValue(color), dg = LONG(e.peGreen) - GetGValue(color),
             db = LONG(e.peBlue) - GetBValue(color);
        LONG distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<UINT>(i);
        }
    }
    return best;
}

BOOL AnimatePalette(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries)
{
    // Only PC_RESERVED entries change, as on Windows.
    auto found = FindPalette(palette);
    if (!found || !entries)
        return FALSE;
    UINT size = static_cast<UINT>(found->m_entries.size());
    if (start >= size)
        return FALSE;
    count = std::min(count, size - start);
    for (UINT i = 0; i < count; ++i) {
        PALETTEENTRY& e = found->m_entries[start + i];
        if (e.peFlags & PC_RESERVED)
            e = PALETTEENTRY{entries[i].peRed, entries[i].peGreen, entries[i].peBlue, e.peFlags};
    }
    return TRUE;
}

BOOL ResizePalette(HPALETTE palette, UINT count)
{
    auto found = FindPalette(palette);
    if (!found || found->m_stock || count == 0 || count > 1024) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    found->m_entries.resize(count, PALETTEENTRY{0, 0, 0, 0});
    return TRUE;
}

UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, LPPALETTEENTRY entries)
{
    if (!LookupAs<DeviceContext>(dc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    // A 256-entry system palette: the 20 static colours at both ends.
    constexpr UINT kSize = 256;
    if (!entries)
        return kSize;
    if (start >= kSize)
        return 0;
    count = std::min(count, kSize - start);
    const PALETTEENTRY* system = SystemPaletteEntries();
    for (UINT i = 0; i < count; ++i) {
        UINT index = start + i;
        entries[i] = index < 10 ? system[index] : index >= kSize - 10 ? system[index - (kSize - 20)]
                                                                       : PALETTEENTRY{0, 0, 0, 0};
    }
    return count;
}

int UpdateColors(HDC dc) { return LookupAs<DeviceContext>(dc) ? 1 : 0; }

COLORREF GetNearestColor(HDC dc, COLORREF color)
{
    auto context = LookupAs<DeviceContext>(dc);
    if (!context)
        return CLR_INVALID;
    return ColorFromPixel(DcPixel(*context, color));
}
