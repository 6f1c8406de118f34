#include "Win32/Imaging/SharedPalette.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

PALETTEENTRY Entry(int r, int g, int b, int flags = 0)
{
    return PALETTEENTRY{static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b), static_cast<BYTE>(flags)};
}

std::vector<RGBQUAD> EntriesOf(const CSharedPalette& palette, int count = 256)
{
    std::vector<RGBQUAD> out(static_cast<size_t>(count), RGBQUAD{1, 2, 3, 4});
    palette.GetEntries(0, count, out.data());
    return out;
}

bool SameColour(const RGBQUAD& q, int r, int g, int b)
{
    return q.rgbRed == r && q.rgbGreen == g && q.rgbBlue == b && q.rgbReserved == 0;
}

// The standard palette, built on a body whose last ten entries were set
// beforehand.
CSharedPalette StandardPaletteWithMarkedTail()
{
    CSharedPalette palette(new CPaletteData(256));
    std::vector<PALETTEENTRY> tail(10, Entry(9, 8, 7));
    palette.SetEntries(246, 10, tail.data());
    palette.BuildStandard();
    return palette;
}

// The index a nearest-colour search by squared distance picks (the first
// of equals), written independently of the GDI.
int NearestIndex(const std::vector<RGBQUAD>& entries, int r, int g, int b)
{
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < entries.size(); ++i) {
        const int dr = entries[i].rgbRed - r, dg = entries[i].rgbGreen - g, db = entries[i].rgbBlue - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

TEST(SharedPalette, EntryCountIsClampedToTwoThroughTwoHundredFiftySix)
{
    struct Case {
        int asked, made;
    } cases[] = {{0, 2}, {-5, 2}, {1, 1}, {16, 16}, {256, 256}, {300, 256}};
    for (const Case& c : cases) {
        CPaletteData data(c.asked);
        EXPECT_EQ(data.m_LogPalette.palNumEntries, c.made) << c.asked;
        EXPECT_EQ(data.m_LogPalette.palVersion, 0x300);
        EXPECT_EQ(data.m_nRefs, 1);
        EXPECT_EQ(data.m_hPalette, nullptr);
    }
}

TEST(SharedPalette, ClampRangeCountsTheEntriesThatExist)
{
    CPaletteData data(256);
    struct Case {
        int start, count, expected;
    } cases[] = {{0, 256, 256}, {250, 10, 6}, {255, 1, 1}, {256, 1, 0}, {300, 5, 0}, {-1, 5, 0}, {10, 0, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(data.ClampRange(c.start, c.count), c.expected) << c.start << "," << c.count;
}

TEST(SharedPalette, SetEntriesCopiesTheClampedRangeWithFlagsCleared)
{
    CPaletteData data(256);
    std::vector<PALETTEENTRY> source(10, Entry(10, 20, 30, PC_RESERVED));
    data.SetEntries(250, 10, source.data());
    for (int i = 250; i < 256; ++i) {
        const PALETTEENTRY& e = data.m_LogPalette.palPalEntry[i];
        EXPECT_TRUE(e.peRed == 10 && e.peGreen == 20 && e.peBlue == 30 && e.peFlags == 0) << i;
    }
    EXPECT_EQ(data.m_LogPalette.palPalEntry[249].peRed, 0);
}

TEST(SharedPalette, SetEntriesOnASharedBodyMakesAPrivateCopy)
{
    CSharedPalette first(new CPaletteData(16));
    const PALETTEENTRY red = Entry(255, 0, 0);
    first.SetEntries(3, 1, &red);
    CSharedPalette second(first);
    ASSERT_EQ(second.m_pData, first.m_pData);
    EXPECT_EQ(first.m_pData->m_nRefs, 2);

    const PALETTEENTRY green = Entry(0, 255, 0);
    ASSERT_TRUE(second.SetEntries(3, 1, &green));
    EXPECT_NE(second.m_pData, first.m_pData);
    EXPECT_EQ(first.m_pData->m_nRefs, 1);
    EXPECT_EQ(second.m_pData->m_nRefs, 1);
    EXPECT_EQ(second.m_pData->m_LogPalette.palNumEntries, 16);
    EXPECT_TRUE(SameColour(EntriesOf(first, 16)[3], 255, 0, 0));
    EXPECT_TRUE(SameColour(EntriesOf(second, 16)[3], 0, 255, 0));
}

TEST(SharedPalette, GetEntriesOnASharedBodyDoesNotCopyIt)
{
    CSharedPalette first(new CPaletteData(4));
    CSharedPalette second(first);
    const auto entries = EntriesOf(second, 4);
    EXPECT_EQ(second.m_pData, first.m_pData);
    EXPECT_EQ(first.m_pData->m_nRefs, 2);
    EXPECT_TRUE(SameColour(entries[0], 0, 0, 0));
}

TEST(SharedPalette, GetEntriesStopsAtTheEndOfThePalette)
{
    CSharedPalette palette(new CPaletteData(4));
    std::vector<RGBQUAD> out(8, RGBQUAD{1, 2, 3, 4});
    palette.GetEntries(2, 8, out.data());
    EXPECT_TRUE(SameColour(out[1], 0, 0, 0));
    EXPECT_EQ(out[2].rgbBlue, 1) << "entries past the palette are not written";
}

TEST(SharedPalette, ReleaseFreesTheBodyWithTheLastReference)
{
    CSharedPalette* first = new CSharedPalette(new CPaletteData(4));
    CSharedPalette second(*first);
    CPaletteData* body = second.m_pData;
    first->Release();
    EXPECT_EQ(first->m_pData, nullptr);
    EXPECT_EQ(body->m_nRefs, 1);
    first->Release();
    delete first;
    EXPECT_EQ(second.m_pData, body);
}

TEST(SharedPalette, HandleLivesUntilItsLastUserReleasesIt)
{
    CSharedPalette palette(new CPaletteData(16));
    HPALETTE handle = palette.GetHandle();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(palette.GetHandle(), handle);
    EXPECT_EQ(palette.m_pData->m_nHandleUsers, 2);
    EXPECT_EQ(palette.ReleaseHandle(), 1);
    EXPECT_EQ(GetObjectType(handle), OBJ_PAL);
    EXPECT_NE(palette.ReleaseHandle(), 0);
    EXPECT_EQ(palette.m_pData->m_hPalette, nullptr);
    EXPECT_EQ(GetObjectType(handle), 0u);
    EXPECT_EQ(palette.ReleaseHandle(), 0) << "without users nothing happens";
}

TEST(SharedPalette, SetEntriesGivesAnExistingHandleTheNewColours)
{
    CSharedPalette palette(new CPaletteData(16));
    HPALETTE handle = palette.GetHandle();
    ASSERT_NE(handle, nullptr);
    const PALETTEENTRY colours[2] = {Entry(12, 34, 56), Entry(200, 100, 50)};
    palette.SetEntries(5, 2, colours);
    PALETTEENTRY read[2] = {};
    ASSERT_EQ(GetPaletteEntries(handle, 5, 2, read), 2u);
    EXPECT_TRUE(read[0].peRed == 12 && read[0].peGreen == 34 && read[0].peBlue == 56);
    EXPECT_TRUE(read[1].peRed == 200 && read[1].peGreen == 100 && read[1].peBlue == 50);
    EXPECT_EQ(GetNearestPaletteIndex(handle, RGB(200, 100, 50)), 6u);
    palette.ReleaseHandle();
}

TEST(SharedPalette, StandardPaletteOnATrueColourDisplay)
{
    CSharedPalette palette = StandardPaletteWithMarkedTail();
    const auto entries = EntriesOf(palette);
    EXPECT_EQ(palette.m_pData->m_LogPalette.palNumEntries, 256);
    EXPECT_TRUE(palette.m_pData->m_bModified);
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(SameColour(entries[static_cast<size_t>(i)], 0, 0, 0)) << i;
    for (int i = 246; i < 256; ++i)
        EXPECT_TRUE(SameColour(entries[static_cast<size_t>(i)], 9, 8, 7)) << i;
    struct CubeCase {
        int index, r, g, b;
    } cube[] = {{20, 0, 0, 0}, {21, 0, 0, 51}, {24, 0, 0, 204}, {25, 0, 42, 0}, {50, 42, 0, 0}, {199, 212, 212, 204}};
    for (const CubeCase& c : cube)
        EXPECT_TRUE(SameColour(entries[static_cast<size_t>(c.index)], c.r, c.g, c.b)) << c.index;
    const int grey[16] = {60, 130, 157, 177, 192, 205, 216, 224, 232, 238, 243, 247, 251, 253, 254, 254};
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(SameColour(entries[static_cast<size_t>(200 + i)], grey[i], grey[i], grey[i])) << 200 + i;
    EXPECT_TRUE(SameColour(entries[216], 192, 220, 192));
    EXPECT_TRUE(SameColour(entries[230], 142, 162, 156));
    EXPECT_TRUE(SameColour(entries[245], 96, 64, 64));
}

TEST(SharedPalette, NearestColourTableMapsTwelveBitColoursToTheAppPalette)
{
    {
        CNearestColorTable table;
        ASSERT_NE(g_pAppPalette, nullptr);
        ASSERT_NE(g_pNearestColorTable, nullptr);
        ASSERT_NE(g_pNearestColorScratch, nullptr);
        const auto entries = EntriesOf(*g_pAppPalette);
        EXPECT_EQ(g_pNearestColorTable[0xF00], 170) << "RGB(255, 0, 0) is nearest to cube red 212";
        EXPECT_EQ(g_pNearestColorTable[0x00F], 24) << "RGB(0, 0, 255) is nearest to cube blue 204";
        for (int i = 0; i < 4096; i += 37) {
            const int r = ((i >> 8) & 15) * 17, g = ((i >> 4) & 15) * 17, b = (i & 15) * 17;
            ASSERT_EQ(g_pNearestColorTable[i], NearestIndex(entries, r, g, b)) << std::hex << i;
        }
        for (int i = 0; i < 512; ++i)
            ASSERT_EQ(g_pNearestColorScratch[i], 0);
    }
    EXPECT_EQ(g_pNearestColorTable, nullptr);
    HPALETTE handle = g_pAppPalette->m_pData->m_hPalette;
    EXPECT_EQ(GetObjectType(handle), OBJ_PAL);
    DestroyAppPalette();
    EXPECT_EQ(g_pAppPalette, nullptr);
    EXPECT_EQ(GetObjectType(handle), 0u);
}
