#pragma once
// Stand-in for the imaging library's shared palettes (CPaletteData and
// CSharedPalette) until the palette work replaces this file: the entries,
// the copy on write and the standard palette as a true-colour display
// builds it, without GDI palette handles (GetHandle answers null until the
// GDI offers CreatePalette). The frame readers keep a source's palette in
// one.
//
// PALETTEENTRY and LOGPALETTE belong to the GDI header; they sit here until
// the GDI declares them.

#include <algorithm>

#include "Platform/Win/Bitmap.h"
#include "Platform/Win/WinTypes.h"

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

class CPaletteData {
public:
    static constexpr WORD kMaxEntries = 256;

    explicit CPaletteData(int entryCount)
    {
        m_LogPalette.palVersion = 0x300;
        m_LogPalette.palNumEntries = static_cast<WORD>(entryCount > kMaxEntries ? kMaxEntries : entryCount <= 0 ? 2 : entryCount);
    }
    CPaletteData(const CPaletteData& other) : m_LogPalette(other.m_LogPalette) {}
    CPaletteData& operator=(const CPaletteData&) = delete;

    HPALETTE GetHandle() { return m_hPalette; }
    int ReleaseHandle() { return 0; }
    void DeleteHandle() { m_hPalette = nullptr; }

    int ClampRange(int start, int count) const
    {
        if (start < 0 || start >= m_LogPalette.palNumEntries || count <= 0)
            return 0;
        return std::min(count, m_LogPalette.palNumEntries - start);
    }
    void SetEntries(int start, int count, const PALETTEENTRY* entries)
    {
        const int n = entries != nullptr ? ClampRange(start, count) : 0;
        for (int i = 0; i < n; ++i) {
            m_LogPalette.palPalEntry[start + i] = entries[i];
            m_LogPalette.palPalEntry[start + i].peFlags = 0;
        }
    }
    void GetEntries(int start, int count, RGBQUAD* out) const
    {
        const int n = out != nullptr ? ClampRange(start, count) : 0;
        for (int i = 0; i < n; ++i) {
            const PALETTEENTRY& entry = m_LogPalette.palPalEntry[start + i];
            out[i] = RGBQUAD{entry.peBlue, entry.peGreen, entry.peRed, 0};
        }
    }
    // Entries 0 to 19 black (no system palette on a true-colour display),
    // the 6 x 6 x 5 cube from 20, the grey ramp from 200, the fixed colours
    // from 216; 246 to 255 keep what they held.
    void BuildStandard()
    {
        static constexpr BYTE kGrey[16] = {60, 130, 157, 177, 192, 205, 216, 224, 232, 238, 243, 247, 251, 253, 254, 254};
        static constexpr BYTE kFixed[30][3] = {
            {192, 220, 192}, {240, 202, 166}, {240, 251, 255}, {164, 160, 160}, {96, 96, 96},    {160, 160, 160},
            {224, 224, 224}, {96, 32, 32},    {96, 64, 64},    {160, 192, 192}, {160, 128, 64},  {22, 22, 20},
            {24, 24, 20},    {26, 26, 20},    {142, 162, 156}, {146, 170, 156}, {182, 174, 176}, {188, 176, 176},
            {82, 74, 76},    {88, 78, 76},    {58, 58, 60},    {46, 46, 44},    {48, 48, 44},    {70, 62, 60},
            {102, 94, 92},   {96, 96, 96},    {160, 160, 160}, {224, 224, 224}, {96, 32, 32},    {96, 64, 64},
        };
        m_LogPalette.palVersion = 0x300;
        m_LogPalette.palNumEntries = kMaxEntries;
        PALETTEENTRY* entries = m_LogPalette.palPalEntry;
        for (int i = 0; i < 20; ++i)
            entries[i] = PALETTEENTRY{0, 0, 0, 0};
        for (int r = 0; r < 6; ++r) {
            for (int g = 0; g < 6; ++g) {
                for (int b = 0; b < 5; ++b)
                    entries[20 + 30 * r + 5 * g + b] = PALETTEENTRY{static_cast<BYTE>(255 * r / 6),
                                                                    static_cast<BYTE>(255 * g / 6),
                                                                    static_cast<BYTE>(255 * b / 5), 0};
            }
        }
        for (int i = 0; i < 16; ++i)
            entries[200 + i] = PALETTEENTRY{kGrey[i], kGrey[i], kGrey[i], 0};
        for (int i = 0; i < 30; ++i)
            entries[216 + i] = PALETTEENTRY{kFixed[i][0], kFixed[i][1], kFixed[i][2], 0};
        m_bModified = 1;
    }

    struct {
        WORD palVersion = 0x300;
        WORD palNumEntries = 0;
        PALETTEENTRY palPalEntry[kMaxEntries] = {};
    } m_LogPalette;
    WORD m_nRefs = 1;
    BOOL m_bModified = 0;
    HPALETTE m_hPalette = nullptr;
    INT m_nHandleUsers = 0;
};

class CSharedPalette {
public:
    explicit CSharedPalette(CPaletteData* data) : m_pData(data) {}
    CSharedPalette(const CSharedPalette&) = delete;
    CSharedPalette& operator=(const CSharedPalette&) = delete;

    void MakeUnique()
    {
        if (m_pData == nullptr)
            return;
        if (m_pData->m_nRefs < 2) {
            m_pData->m_bModified = 0;
            return;
        }
        --m_pData->m_nRefs;
        m_pData = new CPaletteData(*m_pData);
    }
    void Release()
    {
        if (m_pData == nullptr)
            return;
        if (--m_pData->m_nRefs == 0) {
            m_pData->DeleteHandle();
            delete m_pData;
        }
        m_pData = nullptr;
    }
    void SetEntries(int start, int count, const PALETTEENTRY* entries)
    {
        MakeUnique();
        if (m_pData != nullptr)
            m_pData->SetEntries(start, count, entries);
    }
    void GetEntries(int start, int count, RGBQUAD* out) const
    {
        if (m_pData != nullptr)
            m_pData->GetEntries(start, count, out);
    }
    void BuildStandard()
    {
        MakeUnique();
        if (m_pData != nullptr)
            m_pData->BuildStandard();
    }
    HPALETTE GetHandle() { return m_pData != nullptr ? m_pData->GetHandle() : nullptr; }
    int ReleaseHandle() { return m_pData != nullptr ? m_pData->ReleaseHandle() : 0; }

    CPaletteData* m_pData;
};
