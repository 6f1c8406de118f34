#include "Platform/Outside/StillImage/StillImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Platform/Win/Kernel/Memory.h"
#include "tests/support/TempDir.h"

namespace {

using media_fixtures::Rgb;
using media_fixtures::StillKind;
using media_fixtures::StillKindInfo;
using testing_support::TempDir;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

std::string WriteFixture(const TempDir& folder, const StillKindInfo& info, int width = kWidth, int height = kHeight)
{
    const std::string path = folder.File(std::string("picture-") + info.name + "." + info.extension);
    EXPECT_TRUE(media_fixtures::WriteStill(path, info.kind, width, height)) << info.name;
    return path;
}

// A bitmap that frees itself.
struct LoadedBitmap {
    LoadedBitmap() { StillImageInitBitmap(&bitmap); }
    ~LoadedBitmap() { StillImageFreeBitmap(&bitmap); }
    LoadedBitmap(const LoadedBitmap&) = delete;
    LoadedBitmap& operator=(const LoadedBitmap&) = delete;
    STILLBITMAP bitmap;
};

Rgb PixelOf(const STILLBITMAP& bitmap, int x, int y)
{
    const BYTE* row = bitmap.Bits + static_cast<size_t>(y) * bitmap.BytesPerLine;
    if (bitmap.BitsPerPixel == 8) {
        const RGBQUAD& entry = bitmap.Palette[row[x]];
        return Rgb{entry.rgbRed, entry.rgbGreen, entry.rgbBlue};
    }
    return Rgb{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
}

void ExpectNear(const Rgb& actual, const Rgb& expected, int tolerance, const std::string& where)
{
    EXPECT_NEAR(actual.r, expected.r, tolerance) << where;
    EXPECT_NEAR(actual.g, expected.g, tolerance) << where;
    EXPECT_NEAR(actual.b, expected.b, tolerance) << where;
}

// The centre of each quadrant of the test picture.
void ExpectTestPicture(const STILLBITMAP& bitmap, int tolerance, const std::string& name)
{
    const int xs[] = {kWidth / 4, 3 * kWidth / 4};
    const int ys[] = {kHeight / 4, 3 * kHeight / 4};
    for (int y : ys) {
        for (int x : xs)
            ExpectNear(PixelOf(bitmap, x, y), media_fixtures::PictureColorAt(x, y, kWidth, kHeight), tolerance,
                       name + " at " + std::to_string(x) + "," + std::to_string(y));
    }
}

struct InfoCase {
    StillKind kind;
    const char* format;
    const char* compression;
};

constexpr InfoCase kInfoCases[] = {
    {StillKind::Bmp24, "BMP", "UNCOMPRESSED"},
    {StillKind::Bmp8, "BMP", "UNCOMPRESSED"},
    {StillKind::Jpeg, "JPEG", "JPEG"},
    {StillKind::Png24, "PNG", "DEFLATE"},
    {StillKind::Png8, "PNG", "DEFLATE"},
    {StillKind::TiffPackBits, "TIFF", "PACKBITS"},
    {StillKind::TiffLzw, "TIFF", "LZW"},
    {StillKind::TiffRaw, "TIFF", "UNCOMPRESSED"},
    {StillKind::Gif, "GIF", "LZW"},
    {StillKind::Tga24, "TGA", "RLE"},
    {StillKind::Tga8, "TGA", "RLE"},
    {StillKind::Pcx24, "PCX", "RLE"},
    {StillKind::Pcx8, "PCX", "RLE"},
};

TEST(StillImage, FileInfoGivesSizeBitsFormatAndCompression)
{
    TempDir folder;
    for (const InfoCase& c : kInfoCases) {
        const StillKindInfo& info = media_fixtures::InfoOf(c.kind);
        const std::string path = WriteFixture(folder, info);
        STILLFILEINFO fileInfo{};
        ASSERT_EQ(StillImageGetFileInfo(path.c_str(), &fileInfo), STILLIMAGE_OK) << info.name;
        EXPECT_EQ(fileInfo.Width, kWidth) << info.name;
        EXPECT_EQ(fileInfo.Height, kHeight) << info.name;
        EXPECT_EQ(fileInfo.BitsPerPixel, info.bits) << info.name;
        EXPECT_STREQ(fileInfo.Format, c.format) << info.name;
        EXPECT_STREQ(fileInfo.Compression, c.compression) << info.name;
        EXPECT_EQ(fileInfo.SizeDisk, static_cast<LONGLONG>(media_fixtures::ReadBytes(path).size())) << info.name;
    }
}

TEST(StillImage, LoadsEveryFormatWithItsPicture)
{
    TempDir folder;
    for (const StillKindInfo& info : media_fixtures::StillKinds()) {
        LoadedBitmap loaded;
        ASSERT_EQ(StillImageLoadFile(WriteFixture(folder, info).c_str(), &loaded.bitmap), STILLIMAGE_OK) << info.name;
        EXPECT_EQ(loaded.bitmap.Width, kWidth) << info.name;
        EXPECT_EQ(loaded.bitmap.Height, kHeight) << info.name;
        // FFmpeg's GIF decoder composes its frames in 32-bit colour.
        const bool keepsPalette = info.paletted && info.kind != StillKind::Gif;
        EXPECT_EQ(loaded.bitmap.BitsPerPixel, keepsPalette ? 8 : 24) << info.name;
        EXPECT_EQ(loaded.bitmap.ColorCount, keepsPalette ? 256 : 0) << info.name;
        ExpectTestPicture(loaded.bitmap, info.lossy ? 24 : 0, info.name);
    }
}

TEST(StillImage, HandWritten565BitfieldsBmpLoads)
{
    TempDir folder;
    const std::string path = folder.File("bitfields.bmp");
    ASSERT_TRUE(media_fixtures::WriteBitfields565Bmp(path, kWidth, kHeight));
    STILLFILEINFO info{};
    ASSERT_EQ(StillImageGetFileInfo(path.c_str(), &info), STILLIMAGE_OK);
    EXPECT_EQ(info.BitsPerPixel, 16);
    EXPECT_STREQ(info.Compression, "BITFIELDS");
    LoadedBitmap loaded;
    ASSERT_EQ(StillImageLoadFile(path.c_str(), &loaded.bitmap), STILLIMAGE_OK);
    EXPECT_EQ(loaded.bitmap.BitsPerPixel, 24);
    ExpectTestPicture(loaded.bitmap, 8, "5-6-5");
}

TEST(StillImage, PaletteImagesKeepTheirColourTable)
{
    TempDir folder;
    for (StillKind kind : {StillKind::Pcx8, StillKind::Bmp8, StillKind::Tga8}) {
        const StillKindInfo& info = media_fixtures::InfoOf(kind);
        LoadedBitmap loaded;
        ASSERT_EQ(StillImageLoadFile(WriteFixture(folder, info).c_str(), &loaded.bitmap), STILLIMAGE_OK) << info.name;
        for (int i = 0; i < 256; ++i) {
            const Rgb expected = media_fixtures::FixturePaletteEntry(i);
            const RGBQUAD& entry = loaded.bitmap.Palette[i];
            ASSERT_EQ(entry.rgbRed, expected.r) << info.name << " entry " << i;
            ASSERT_EQ(entry.rgbGreen, expected.g) << info.name << " entry " << i;
            ASSERT_EQ(entry.rgbBlue, expected.b) << info.name << " entry " << i;
        }
        EXPECT_EQ(loaded.bitmap.Bits[0], 0) << info.name << ": the top-left pixel is index 0 (red)";
    }
}

TEST(StillImage, ColorResExpandsPaletteImagesTo24Bits)
{
    TempDir folder;
    LoadedBitmap loaded;
    ASSERT_EQ(StillImageLoadFile(WriteFixture(folder, media_fixtures::InfoOf(StillKind::Pcx8)).c_str(), &loaded.bitmap),
              STILLIMAGE_OK);
    ASSERT_EQ(StillImageColorRes(&loaded.bitmap, 24), STILLIMAGE_OK);
    EXPECT_EQ(loaded.bitmap.BitsPerPixel, 24);
    EXPECT_EQ(loaded.bitmap.ColorCount, 0);
    EXPECT_EQ(loaded.bitmap.BytesPerLine, kWidth * 3);
    ExpectTestPicture(loaded.bitmap, 0, "expanded");
    EXPECT_EQ(StillImageColorRes(&loaded.bitmap, 16), STILLIMAGE_ERR_BAD_ARG) << "only 24 bits are offered";
}

TEST(StillImage, PackedDibIsBottomUpWithItsColourTable)
{
    TempDir folder;
    struct Case {
        StillKind kind;
        WORD bits;
        DWORD colours;
    } const cases[] = {{StillKind::Png24, 24, 0}, {StillKind::Pcx8, 8, 256}};
    for (const Case& c : cases) {
        LoadedBitmap loaded;
        ASSERT_EQ(StillImageLoadFile(WriteFixture(folder, media_fixtures::InfoOf(c.kind)).c_str(), &loaded.bitmap),
                  STILLIMAGE_OK);
        HGLOBAL dib = StillImageToPackedDib(&loaded.bitmap);
        ASSERT_NE(dib, nullptr);
        const auto* base = static_cast<const BYTE*>(GlobalLock(dib));
        BITMAPINFOHEADER header;
        std::memcpy(&header, base, sizeof header);
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, kWidth);
        EXPECT_EQ(header.biHeight, kHeight) << "positive: bottom-up";
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, c.bits);
        EXPECT_EQ(header.biCompression, BI_RGB);
        EXPECT_EQ(header.biClrUsed, c.colours);
        const DWORD stride = (kWidth * c.bits / 8 + 3) / 4 * 4;
        EXPECT_EQ(header.biSizeImage, stride * kHeight);
        EXPECT_EQ(GlobalSize(dib), 40 + 4 * c.colours + stride * kHeight);
        const BYTE* firstStoredRow = base + 40 + 4 * c.colours;
        const BYTE* lastPictureRow = loaded.bitmap.Bits + static_cast<size_t>(kHeight - 1) * loaded.bitmap.BytesPerLine;
        EXPECT_EQ(std::memcmp(firstStoredRow, lastPictureRow, stride), 0) << "the bottom row comes first";
        GlobalUnlock(dib);
        GlobalFree(dib);
    }
}

std::string FromHex(std::string_view hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return bytes;
}

// An XBM picture whose row y has the bits `rows[y]` (lowest bit leftmost).
std::string Xbm(int width, const std::vector<int>& rows)
{
    std::string text = "#define p_width " + std::to_string(width) + "\n#define p_height " +
                       std::to_string(rows.size()) + "\nstatic unsigned char p_bits[] = {";
    for (size_t y = 0; y < rows.size(); ++y) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x", rows[y]);
        text += (y ? ", " : "") + std::string(hex);
    }
    return text + "};\n";
}

// A 1-bit picture a few pixels wide made the scaler write past the end of
// the bitmap's block.
TEST(StillImage, OneBitPicturesAFewPixelsWideLoadWhole)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    // 4 x 6, 1-bit grey.
    const std::string png = FromHex("89504e470d0a1a0a0000000d4948445200000004000000060100000000cc4202d80000000c4944"
                                    "4154789c6358c0008700168c03c16bad069e0000000049454e44ae426082");
    LoadedBitmap fromPng;
    ASSERT_EQ(StillImageLoadFile(folder.Write("narrow.png", png).c_str(), &fromPng.bitmap), STILLIMAGE_OK);
    EXPECT_EQ(fromPng.bitmap.Width, 4);
    EXPECT_EQ(fromPng.bitmap.Height, 6);
    EXPECT_EQ(fromPng.bitmap.BitsPerPixel, 8);

    const std::vector<int> rows = {1, 2, 4, 8, 15, 0};
    for (int width = 1; width <= 4; ++width) {
        for (size_t height : {size_t{3}, size_t{6}}) {
            const std::vector<int> picture(rows.begin(), rows.begin() + static_cast<ptrdiff_t>(height));
            const std::string name = "xbm " + std::to_string(width) + "x" + std::to_string(height);
            LoadedBitmap loaded;
            const std::string path = folder.Write("narrow.xbm", Xbm(width, picture));
            ASSERT_EQ(StillImageLoadFile(path.c_str(), &loaded.bitmap), STILLIMAGE_OK) << name;
            ASSERT_EQ(loaded.bitmap.Width, width) << name;
            ASSERT_EQ(loaded.bitmap.Height, static_cast<LONG>(height)) << name;
            for (int y = 0; y < static_cast<int>(height); ++y) {
                for (int x = 0; x < width; ++x) {
                    const BYTE level = (picture[y] >> x) & 1 ? 0 : 255;
                    ExpectNear(PixelOf(loaded.bitmap, x, y), Rgb{level, level, level}, 0,
                               name + " at " + std::to_string(x) + "," + std::to_string(y));
                }
            }
        }
    }
}

TEST(StillImage, EmptyBitmapsAndNullArgumentsAreRefused)
{
    LoadedBitmap empty;
    EXPECT_EQ(StillImageToPackedDib(&empty.bitmap), nullptr);
    EXPECT_EQ(StillImageToPackedDib(nullptr), nullptr);
    EXPECT_EQ(StillImageColorRes(&empty.bitmap, 24), STILLIMAGE_ERR_BAD_ARG);
    EXPECT_EQ(StillImageLoadFile(nullptr, &empty.bitmap), STILLIMAGE_ERR_BAD_ARG);
    EXPECT_EQ(StillImageLoadFile("/x.bmp", nullptr), STILLIMAGE_ERR_BAD_ARG);
    EXPECT_EQ(StillImageGetFileInfo("/x.bmp", nullptr), STILLIMAGE_ERR_BAD_ARG);
}

TEST(StillImage, BadFilesGiveAFailureCode)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    struct Case {
        const char* name;
        std::string contents;
        INT expected;
    } const cases[] = {
        {"empty.bmp", "", STILLIMAGE_ERR_FORMAT},
        {"words.jpg", "this is not a picture at all, only some words", STILLIMAGE_ERR_FORMAT},
        {"riff.bmp", std::string("RIFF\x24\0\0\0AVI LIST", 16), STILLIMAGE_ERR_FORMAT},
        {"noextension", "BM", STILLIMAGE_ERR_CORRUPT},
        {"header-only.png", "\x89PNG\r\n\x1A\n", STILLIMAGE_ERR_CORRUPT},
    };
    for (const Case& c : cases) {
        const std::string path = folder.Write(c.name, c.contents);
        STILLFILEINFO info{};
        EXPECT_EQ(StillImageGetFileInfo(path.c_str(), &info), c.expected) << c.name;
        LoadedBitmap loaded;
        EXPECT_EQ(StillImageLoadFile(path.c_str(), &loaded.bitmap), c.expected) << c.name;
        EXPECT_EQ(loaded.bitmap.Bits, nullptr) << c.name;
    }
    LoadedBitmap loaded;
    EXPECT_EQ(StillImageLoadFile(folder.File("missing.png").c_str(), &loaded.bitmap), STILLIMAGE_ERR_OPEN);
}

TEST(StillImage, TruncatedFilesOfEveryFormatFail)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    for (const StillKindInfo& info : media_fixtures::StillKinds()) {
        std::vector<unsigned char> bytes = media_fixtures::ReadBytes(WriteFixture(folder, info));
        ASSERT_GT(bytes.size(), 64u);
        bytes.resize(bytes.size() / 2);
        const std::string path = folder.File(std::string("half-") + info.name + "." + info.extension);
        ASSERT_TRUE(media_fixtures::WriteBytes(path, bytes));
        LoadedBitmap loaded;
        EXPECT_LT(StillImageLoadFile(path.c_str(), &loaded.bitmap), 0) << info.name;
        EXPECT_EQ(loaded.bitmap.Bits, nullptr) << info.name;
    }
}

TEST(StillImage, HugeDeclaredSizeIsRefusedWithoutAllocatingIt)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    std::vector<unsigned char> bytes = media_fixtures::ReadBytes(WriteFixture(folder, media_fixtures::InfoOf(StillKind::Bmp24)));
    const LONG side = 60000;
    std::memcpy(&bytes[18], &side, sizeof side);
    std::memcpy(&bytes[22], &side, sizeof side);
    const std::string path = folder.File("huge.bmp");
    ASSERT_TRUE(media_fixtures::WriteBytes(path, bytes));
    LoadedBitmap loaded;
    EXPECT_LT(StillImageLoadFile(path.c_str(), &loaded.bitmap), 0);
}

// Random damage to every fixture: flipped bits, overwritten runs, cuts and
// repeated runs. The calls must answer a code, and a picture they accept
// must be whole.
TEST(StillImage, MutatedFilesNeverCrashTheLoader)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    std::mt19937 random(20240611);
    constexpr int kMutantsPerFormat = 60;
    for (const StillKindInfo& info : media_fixtures::StillKinds()) {
        const std::vector<unsigned char> original = media_fixtures::ReadBytes(WriteFixture(folder, info, 24, 16));
        ASSERT_FALSE(original.empty());
        const std::string path = folder.File(std::string("mutant.") + info.extension);
        for (int n = 0; n < kMutantsPerFormat; ++n) {
            std::vector<unsigned char> bytes = original;
            auto at = [&](size_t size) { return static_cast<size_t>(random() % size); };
            switch (random() % 4) {
            case 0:
                for (int i = 0; i < 1 + static_cast<int>(random() % 8); ++i)
                    bytes[at(bytes.size())] ^= static_cast<unsigned char>(1u << (random() % 8));
                break;
            case 1: {
                const size_t start = at(bytes.size());
                for (size_t i = start; i < bytes.size() && i < start + 16; ++i)
                    bytes[i] = static_cast<unsigned char>(random());
                break;
            }
            case 2:
                bytes.resize(at(bytes.size()));
                break;
            default: {
                const size_t start = at(bytes.size());
                const size_t length = std::min<size_t>(bytes.size() - start, 1 + at(64));
                bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(start), bytes.begin() + static_cast<ptrdiff_t>(start),
                             bytes.begin() + static_cast<ptrdiff_t>(start + length));
                break;
            }
            }
            ASSERT_TRUE(media_fixtures::WriteBytes(path, bytes));
            STILLFILEINFO fileInfo{};
            const INT infoResult = StillImageGetFileInfo(path.c_str(), &fileInfo);
            EXPECT_LE(infoResult, STILLIMAGE_OK);
            LoadedBitmap loaded;
            const INT result = StillImageLoadFile(path.c_str(), &loaded.bitmap);
            ASSERT_LE(result, STILLIMAGE_OK);
            if (result != STILLIMAGE_OK) {
                EXPECT_EQ(loaded.bitmap.Bits, nullptr);
                continue;
            }
            ASSERT_NE(loaded.bitmap.Bits, nullptr) << info.name << " mutant " << n;
            EXPECT_TRUE(loaded.bitmap.BitsPerPixel == 8 || loaded.bitmap.BitsPerPixel == 24);
            EXPECT_GT(loaded.bitmap.Width, 0);
            EXPECT_GT(loaded.bitmap.Height, 0);
            HGLOBAL dib = StillImageToPackedDib(&loaded.bitmap);
            EXPECT_NE(dib, nullptr);
            GlobalFree(dib);
        }
    }
}

} // namespace
