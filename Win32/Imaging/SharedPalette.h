#pragma once
// Logical palettes of up to 256 entries shared copy-on-write: CSharedPalette
// is a cheap handle to a CPaletteData body, which makes its GDI palette only
// when one is asked for and counts the users of that handle. The program's
// standard palette (system colours, a 6 x 6 x 5 cube, a grey ramp and a
// fixed table) is built by BuildStandard; the application palette and the
// 4096-entry nearest-colour table are made from it at start-up.

#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Gdi/Gdi.h"

class CPaletteData {
public:
    static constexpr WORD kMaxEntries = 256;

    // Above 256 entries gives 256, 0 (or fewer) gives 2; all entries zero.
    explicit CPaletteData(int entryCount);
    // Copies the entries; the copy has one reference and no handle yet.
    CPaletteData(const CPaletteData& other);
    CPaletteData& operator=(const CPaletteData&) = delete;
    ~CPaletteData();

    // Makes the palette on first use; every call that returns a handle
    // counts one more user. Null when CreatePalette fails.
    HPALETTE GetHandle();
    // 0 without users; otherwise one user fewer, and the handle deleted
    // (DeleteObject's result returned) when none remain, else the count.
    int ReleaseHandle();
    void DeleteHandle();

    // Entries that exist from `start`, at most `count`.
    int ClampRange(int start, int count) const;
    // Stores the entries (flags cleared) and gives an existing GDI palette
    // the same colours.
    void SetEntries(int start, int count, const PALETTEENTRY* entries);
    void GetEntries(int start, int count, RGBQUAD* out) const;
    void BuildStandard();

    struct {
        WORD palVersion = 0x300;
        WORD palNumEntries = 0;
        PALETTEENTRY palPalEntry[kMaxEntries] = {};
    } m_LogPalette;
    WORD m_nRefs = 1;
    BOOL m_bModified = FALSE;
    HPALETTE m_hPalette = nullptr;
    INT m_nHandleUsers = 0;
};

class CSharedPalette {
public:
    // Takes over the one reference a new body holds.
    explicit CSharedPalette(CPaletteData* data) : m_pData(data) {}
    // Shares the other's body.
    CSharedPalette(const CSharedPalette& other);
    CSharedPalette& operator=(const CSharedPalette&) = delete;
    ~CSharedPalette() { Release(); }

    // Copy on write. FALSE when the copy cannot be made: the handle then
    // stays on its shared body, unchanged.
    BOOL MakeUnique();
    void Release();
    // FALSE (nothing changed) when a private copy could not be made.
    BOOL SetEntries(int start, int count, const PALETTEENTRY* entries);
    void GetEntries(int start, int count, RGBQUAD* out) const;
    BOOL BuildStandard();
    HPALETTE GetHandle();
    int ReleaseHandle();

    CPaletteData* m_pData;
};

// The application palette, null outside CreateAppPalette/DestroyAppPalette.
extern CSharedPalette* g_pAppPalette;
// Builds the application palette (standard entries, GDI handle with one
// user) unless it exists; returns it, null when memory runs out.
CSharedPalette* CreateAppPalette();
void DestroyAppPalette();

// The nearest-colour table while a CNearestColorTable lives: entry
// (R4 << 8 | G4 << 4 | B4) is the application palette's index nearest to
// RGB(R4 x 17, G4 x 17, B4 x 17).
extern BYTE* g_pNearestColorTable;
// A 512-byte zeroed work block that lives with the table.
extern BYTE* g_pNearestColorScratch;

class CNearestColorTable {
public:
    static constexpr SIZE_T kTableSize = 4096;
    static constexpr SIZE_T kScratchSize = 512;

    // Builds the table from the application palette, making that palette
    // first when it does not exist.
    CNearestColorTable();
    ~CNearestColorTable();
    CNearestColorTable(const CNearestColorTable&) = delete;
    CNearestColorTable& operator=(const CNearestColorTable&) = delete;

    HGLOBAL m_hBlocks[4] = {};
};
