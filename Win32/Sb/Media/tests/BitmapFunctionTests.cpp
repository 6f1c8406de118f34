#include "Win32/Sb/Media/FrameReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Mfc/File.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Platform/Win/Kernel/Memory.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::TempDir;

struct PaletteOf {
    PaletteOf() { std::memset(&palette, 0xCC, sizeof palette); }
    // A LOGPALETTE with room for 256 entries.
    struct {
        LOGPALETTE header;
        PALETTEENTRY more[255];
    } palette;
};

// A 24-bit BMP of the test picture.
std::string WriteBmp(const TempDir& folder, const std::string& name = "picture.bmp")
{
    const std::string path = folder.File(name);
    EXPECT_TRUE(media_fixtures::WriteStill(path, media_fixtures::StillKind::Bmp24, 16, 8));
    return path;
}

TEST(BitmapFunctions, ColorCubePaletteHasTheCubeThenElevenColours)
{
    RGBQUAD entries[256];
    std::memset(entries, 0xCC, sizeof entries);
    BuildColorCubePalette(entries);
    struct Case {
        int index;
        BYTE red;
        BYTE green;
        BYTE blue;
    } const cases[] = {
        {0, 0, 0, 0},         {6, 255, 0, 0},         {42, 0, 255, 0},        {196, 0, 0, 255},
        {244, 255, 255, 255}, {3 + 7 * 1 + 49 * 2, 160, 64, 128},             {245, 192, 220, 192},
        {246, 166, 202, 240}, {252, 32, 32, 96},      {255, 64, 128, 160},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(entries[c.index].rgbRed, c.red) << c.index;
        EXPECT_EQ(entries[c.index].rgbGreen, c.green) << c.index;
        EXPECT_EQ(entries[c.index].rgbBlue, c.blue) << c.index;
        EXPECT_EQ(entries[c.index].rgbReserved, 0) << c.index;
    }
}

TEST(BitmapFunctions, ColorsToLogPaletteConvertsEachEntry)
{
    const RGBQUAD colours[] = {{1, 2, 3, 9}, {40, 50, 60, 9}};
    PaletteOf out;
    ColorsToLogPalette(colours, &out.palette.header, 2);
    EXPECT_EQ(out.palette.header.palVersion, 0x300);
    EXPECT_EQ(out.palette.header.palNumEntries, 2);
    const PALETTEENTRY* entries = out.palette.header.palPalEntry;
    EXPECT_EQ(entries[0].peRed, 3);
    EXPECT_EQ(entries[0].peGreen, 2);
    EXPECT_EQ(entries[0].peBlue, 1);
    EXPECT_EQ(entries[0].peFlags, 0);
    EXPECT_EQ(entries[1].peRed, 60);

    PaletteOf untouched;
    ColorsToLogPalette(colours, &untouched.palette.header, 0);
    EXPECT_EQ(untouched.palette.header.palVersion, 0xCCCC);
    ColorsToLogPalette(colours, nullptr, 2);
}

TEST(BitmapFunctions, DibSizesComeFromEitherHeaderForm)
{
    BITMAPINFOHEADER info{};
    info.biSize = 40;
    info.biWidth = 640;
    info.biHeight = -480;
    EXPECT_EQ(DibWidth(&info), 640);
    EXPECT_EQ(DibHeight(&info), -480);
    // BITMAPCOREHEADER: size, then 16-bit width and height.
    BYTE core[40] = {12, 0, 0, 0, 0x20, 0x03, 0x58, 0x02};
    EXPECT_EQ(DibWidth(reinterpret_cast<BITMAPINFOHEADER*>(core)), 800);
    EXPECT_EQ(DibHeight(reinterpret_cast<BITMAPINFOHEADER*>(core)), 600);
    EXPECT_EQ(DibWidth(nullptr), 0);
}

TEST(BitmapFunctions, LoadDibFileHoldsTheFileAfterItsHeader)
{
    TempDir folder;
    const std::string path = WriteBmp(folder);
    const std::vector<unsigned char> bytes = media_fixtures::ReadBytes(path);
    CFile file(path.c_str(), CFile::modeRead);
    HGLOBAL block = LoadDibFile(file);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), bytes.size());
    const auto* data = static_cast<const BYTE*>(GlobalLock(block));
    EXPECT_EQ(std::memcmp(data, bytes.data() + 14, bytes.size() - 14), 0);
    EXPECT_EQ(data[bytes.size() - 1], 0) << "the block is zero-filled past the data";
    GlobalUnlock(block);
    GlobalFree(block);
}

TEST(BitmapFunctions, BadDibFilesGiveNull)
{
    TempDir folder;
    std::vector<unsigned char> bytes = media_fixtures::ReadBytes(WriteBmp(folder));
    std::vector<unsigned char> notBm = bytes;
    notBm[0] = 'X';
    std::vector<unsigned char> headerOnly(bytes.begin(), bytes.begin() + 20);
    std::vector<unsigned char> tiny(bytes.begin(), bytes.begin() + 10);
    for (const auto& [name, contents] : {std::pair{"not-bm.bmp", notBm}, std::pair{"cut.bmp", headerOnly},
                                         std::pair{"tiny.bmp", tiny}}) {
        const std::string path = folder.File(name);
        ASSERT_TRUE(media_fixtures::WriteBytes(path, contents));
        CFile forHeader(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
        EXPECT_EQ(ReadDibHeader(forHeader), nullptr) << name;
        if (std::string(name) != "cut.bmp") {
            CFile forFile(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
            EXPECT_EQ(LoadDibFile(forFile), nullptr) << name;
        }
    }
}

TEST(BitmapFunctions, ReadDibHeaderGivesTheInfoHeader)
{
    TempDir folder;
    CFile file(WriteBmp(folder).c_str(), CFile::modeRead);
    std::unique_ptr<BITMAPINFOHEADER> header(ReadDibHeader(file));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biWidth, 16);
    EXPECT_EQ(header->biHeight, 8);
    EXPECT_EQ(header->biBitCount, 24);
}

} // namespace
