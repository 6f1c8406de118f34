#include "Win32/Imaging/SharedPalette.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "Platform/Win/Kernel/Memory.h"
#include "Platform/Win/User/User.h"

CSharedPalette* g_pAppPalette = nullptr;
BYTE* g_pNearestColorTable = nullptr;
BYTE* g_pNearestColorScratch = nullptr;

namespace {

constexpr int kSystemEntries = 20;
constexpr int kCubeStart = 20;
constexpr int kGreyStart = 200;
constexpr int kFixedStart = 216;

constexpr BYTE kFixedColours[30][3] = {
    {192, 220, 192}, {240, 202, 166}, {240, 251, 255}, {164, 160, 160}, {96, 96, 96},    {160, 160, 160},
    {224, 224, 224}, {96, 32, 32},    {96, 64, 64},    {160, 192, 192}, {160, 128, 64},  {22, 22, 20},
    {24, 24, 20},    {26, 26, 20},    {142, 162, 156}, {146, 170, 156}, {182, 174, 176}, {188, 176, 176},
    {82, 74, 76},    {88, 78, 76},    {58, 58, 60},    {46, 46, 44},    {48, 48, 44},    {70, 62, 60},
    {102, 94, 92},   {96, 96, 96},    {160, 160, 160}, {224, 224, 224}, {96, 32, 32},    {96, 64, 64},
};

WORD ClampedCount(int entryCount)
{
    if (entryCount <= 0)
        return 2;
    return static_cast<WORD>(std::min<int>(entryCount, CPaletteData::kMaxEntries));
}

// Entries 0..19 from the display's system palette on a palette display,
// black otherwise.
void FillSystemEntries(PALETTEENTRY* entries)
{
    HDC screen = GetDC(nullptr);
    if (screen && (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0) {
        GetSystemPaletteEntries(screen, 0, CPaletteData::kMaxEntries, entries);
    } else {
        for (int i = 0; i < kSystemEntries; ++i)
            entries[i] = PALETTEENTRY{0, 0, 0, 0};
    }
    if (screen)
        ReleaseDC(nullptr, screen);
}

} // namespace

CPaletteData::CPaletteData(int entryCount) { m_LogPalette.palNumEntries = ClampedCount(entryCount); }

CPaletteData::CPaletteData(const CPaletteData& other) : m_LogPalette(other.m_LogPalette) {}

CPaletteData::~CPaletteData() { DeleteHandle(); }

HPALETTE CPaletteData::GetHandle()
{
    if (!m_hPalette)
        m_hPalette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&m_LogPalette));
    if (m_hPalette)
        ++m_nHandleUsers;
    return m_hPalette;
}

int CPaletteData::ReleaseHandle()
{
    if (m_nHandleUsers == 0)
        return 0;
    if (--m_nHandleUsers > 0)
        return m_nHandleUsers;
    const BOOL deleted = DeleteObject(m_hPalette);
    m_hPalette = nullptr;
    return deleted;
}

void CPaletteData::DeleteHandle()
{
    if (m_hPalette)
        DeleteObject(m_hPalette);
    m_hPalette = nullptr;
    m_nHandleUsers = 0;
}

int CPaletteData::ClampRange(int start, int count) const
{
    if (start < 0 || start >= m_LogPalette.palNumEntries || count <= 0)
        return 0;
    return std::min(count, m_LogPalette.palNumEntries - start);
}

void CPaletteData::SetEntries(int start, int count, const PALETTEENTRY* entries)
{
    const int n = entries ? ClampRange(start, count) : 0;
    if (n == 0)
        return;
    for (int i = 0; i < n; ++i) {
        m_LogPalette.palPalEntry[start + i] = entries[i];
        m_LogPalette.palPalEntry[start + i].peFlags = 0;
    }
    // AnimatePalette would change only PC_RESERVED entries, and these have
    // no flags, so the handle's colours are replaced directly.
    if (m_hPalette)
        SetPaletteEntries(m_hPalette, static_cast<UINT>(start), static_cast<UINT>(n), &m_LogPalette.palPalEntry[start]);
}

void CPaletteData::GetEntries(int start, int count, RGBQUAD* out) const
{
    const int n = out ? ClampRange(start, count) : 0;
    for (int i = 0; i < n; ++i) {
        const PALETTEENTRY& entry = m_LogPalette.palPalEntry[start + i];
        out[i] = RGBQUAD{entry.peBlue, entry.peGreen, entry.peRed, 0};
    }
}

void CPaletteData::BuildStandard()
{
    m_LogPalette.palVersion = 0x300;
    m_LogPalette.palNumEntries = kMaxEntries;
    PALETTEENTRY* entries = m_LogPalette.palPalEntry;
    FillSystemEntries(entries);
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 5; ++b)
                entries[kCubeStart + 30 * r + 5 * g + b] = PALETTEENTRY{
                    static_cast<BYTE>(255 * r / 6), static_cast<BYTE>(255 * g / 6), static_cast<BYTE>(255 * b / 5), 0};
        }
    }
    // A quarter circle: the ramp climbs fast from 60 and flattens towards 255.
    const float step = 1.0f / 15.0f;
    for (int i = 0; i < 16; ++i) {
        const double c = 1.0 - static_cast<double>(i) * static_cast<double>(step);
        const BYTE v = static_cast<BYTE>(static_cast<int>(std::sqrt(1.0 - c * c) * 195.0 + 60.0));
        entries[kGreyStart + i] = PALETTEENTRY{v, v, v, 0};
    }
    for (int i = 0; i < 30; ++i)
        entries[kFixedStart + i] = PALETTEENTRY{kFixedColours[i][0], kFixedColours[i][1], kFixedColours[i][2], 0};
    m_bModified = TRUE;
}

CSharedPalette::CSharedPalette(const CSharedPalette& other) : m_pData(other.m_pData)
{
    if (m_pData)
        ++m_pData->m_nRefs;
}

BOOL CSharedPalette::MakeUnique()
{
    if (!m_pData)
        return FALSE;
    if (m_pData->m_nRefs < 2) {
        m_pData->m_bModified = FALSE;
        return TRUE;
    }
    auto* copy = new (std::nothrow) CPaletteData(*m_pData);
    if (!copy)
        return FALSE;
    --m_pData->m_nRefs;
    m_pData = copy;
    return TRUE;
}

void CSharedPalette::Release()
{
    if (!m_pData)
        return;
    if (--m_pData->m_nRefs == 0)
        delete m_pData;
    m_pData = nullptr;
}

BOOL CSharedPalette::SetEntries(int start, int count, const PALETTEENTRY* entries)
{
    if (!MakeUnique())
        return FALSE;
    m_pData->SetEntries(start, count, entries);
    return TRUE;
}

void CSharedPalette::GetEntries(int start, int count, RGBQUAD* out) const
{
    if (m_pData)
        m_pData->GetEntries(start, count, out);
}

BOOL CSharedPalette::BuildStandard()
{
    if (!MakeUnique())
        return FALSE;
    m_pData->BuildStandard();
    return TRUE;
}

HPALETTE CSharedPalette::GetHandle() { return m_pData ? m_pData->GetHandle() : nullptr; }

int CSharedPalette::ReleaseHandle() { return m_pData ? m_pData->ReleaseHandle() : 0; }

CSharedPalette* CreateAppPalette()
{
    if (g_pAppPalette)
        return g_pAppPalette;
    auto* data = new (std::nothrow) CPaletteData(CPaletteData::kMaxEntries);
    if (!data)
        return nullptr;
    auto* palette = new (std::nothrow) CSharedPalette(data);
    if (!palette) {
        delete data;
        return nullptr;
    }
    palette->BuildStandard();
    palette->GetHandle();
    g_pAppPalette = palette;
    return palette;
}

void DestroyAppPalette()
{
    delete g_pAppPalette;
    g_pAppPalette = nullptr;
}

CNearestColorTable::CNearestColorTable()
{
    CSharedPalette* palette = CreateAppPalette();
    HPALETTE handle = palette ? palette->GetHandle() : nullptr;
    m_hBlocks[0] = GlobalAlloc(GMEM_ZEROINIT, kTableSize);
    m_hBlocks[2] = GlobalAlloc(GMEM_ZEROINIT, kScratchSize);
    BYTE* table = m_hBlocks[0] ? static_cast<BYTE*>(GlobalLock(m_hBlocks[0])) : nullptr;
    g_pNearestColorScratch = m_hBlocks[2] ? static_cast<BYTE*>(GlobalLock(m_hBlocks[2])) : nullptr;
    g_pNearestColorTable = table;
    if (!table || !handle)
        return;
    for (UINT i = 0; i < kTableSize; ++i) {
        const BYTE red = static_cast<BYTE>(((i >> 8) & 15) * 17);
        const BYTE green = static_cast<BYTE>(((i >> 4) & 15) * 17);
        const BYTE blue = static_cast<BYTE>((i & 15) * 17);
        table[i] = static_cast<BYTE>(GetNearestPaletteIndex(handle, RGB(red, green, blue)));
    }
}

CNearestColorTable::~CNearestColorTable()
{
    for (HGLOBAL& block : m_hBlocks) {
        if (!block)
            continue;
        GlobalUnlock(block);
        GlobalFree(block);
        block = nullptr;
    }
    g_pNearestColorTable = nullptr;
    g_pNearestColorScratch = nullptr;
}
