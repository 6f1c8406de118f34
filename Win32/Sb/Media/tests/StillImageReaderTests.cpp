#include "Win32/Sb/Media/StillImageReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "tests/support/TempDir.h"
#include "Win32/Sb/Media/MediaFile.h"
#include "Win32/Sb/Media/tests/MediaTestSupport.h"

namespace {

using media_fixtures::StillKind;
using media_fixtures::StillKindInfo;
using media_tests::FramePtr;
using media_tests::HeightOf;
using media_tests::PixelAt;
using media_tests::WidthOf;
using testing_support::TempDir;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

std::string WriteFixture(const TempDir& folder, const StillKindInfo& info, const std::string& extension = "")
{
    const std::string path = folder.File(std::string(info.name) + "." + (extension.empty() ? info.extension : extension));
    EXPECT_TRUE(media_fixtures::WriteStill(path, info.kind, kWidth, kHeight)) << info.name;
    return path;
}

std::string Write565(const TempDir& folder, const std::string& name = "bitfields.bmp")
{
    const std::string path = folder.File(name);
    EXPECT_TRUE(media_fixtures::WriteBitfields565Bmp(path, kWidth, kHeight));
    return path;
}

FramePtr NextFrame(CMediaSource& source)
{
    INT failed = -1;
    FramePtr frame(source.GetFrame(&failed, 1, 0, nullptr));
    EXPECT_EQ(failed, 0);
    return frame;
}

void ExpectTestPicture(const CIplImage* image, int tolerance, const std::string& name)
{
    ASSERT_NE(image, nullptr) << name;
    ASSERT_EQ(WidthOf(image), kWidth) << name;
    ASSERT_EQ(HeightOf(image), kHeight) << name;
    for (int y : {kHeight / 4, 3 * kHeight / 4}) {
        for (int x : {kWidth / 4, 3 * kWidth / 4}) {
            const COLORREF actual = PixelAt(image, x, y);
            const media_fixtures::Rgb expected = media_fixtures::PictureColorAt(x, y, kWidth, kHeight);
            EXPECT_NEAR(GetRValue(actual), expected.r, tolerance) << name << " at " << x << "," << y;
            EXPECT_NEAR(GetGValue(actual), expected.g, tolerance) << name << " at " << x << "," << y;
            EXPECT_NEAR(GetBValue(actual), expected.b, tolerance) << name << " at " << x << "," << y;
        }
    }
}

std::vector<RGBQUAD> EntriesOf(const CSharedPalette* palette)
{
    std::vector<RGBQUAD> entries(256);
    palette->GetEntries(0, 256, entries.data());
    return entries;
}

std::vector<RGBQUAD> StandardEntries()
{
    CSharedPalette standard(new CPaletteData(256));
    standard.BuildStandard();
    std::vector<RGBQUAD> entries = EntriesOf(&standard);
    standard.Release();
    return entries;
}

bool SameEntries(const std::vector<RGBQUAD>& a, const std::vector<RGBQUAD>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(RGBQUAD)) == 0;
}

TEST(StillImageReader, EveryReadableFormatIsAFiveSecondSource)
{
    TempDir folder;
    for (const StillKindInfo& info : media_fixtures::StillKinds()) {
        CStillImageReader reader(WriteFixture(folder, info).c_str(), 1, 0, 0);
        ASSERT_EQ(reader.IsOpen(), 1) << info.name;
        const BITMAPINFOHEADER* header = reader.GetVideoHeader();
        ASSERT_NE(header, nullptr) << info.name;
        EXPECT_EQ(header->biWidth, kWidth) << info.name;
        EXPECT_EQ(header->biHeight, kHeight) << info.name;
        EXPECT_NEAR(reader.m_tLength.GetSeconds(), 5.0, 1e-9) << info.name;
        EXPECT_NEAR(reader.GetFrameTime().GetSeconds(), 1.0, 1e-9) << info.name;
        EXPECT_EQ(reader.m_nLastFrame, 4) << info.name;
        ExpectTestPicture(NextFrame(reader)->m_pImage, info.lossy ? 24 : 0, info.name);
    }
}

TEST(StillImageReader, MediaFileOpensEveryTableExtension)
{
    TempDir folder;
    struct Case {
        StillKind kind;
        const char* extension;
    } const cases[] = {
        {StillKind::Bmp24, "BMP"}, {StillKind::Bmp24, "dib"},        {StillKind::Jpeg, "JPG"}, {StillKind::Png24, "png"},
        {StillKind::TiffLzw, "tif"}, {StillKind::Tga24, "TGA"}, {StillKind::Pcx8, "pcx"},
    };
    for (const Case& c : cases) {
        const StillKindInfo& info = media_fixtures::InfoOf(c.kind);
        CMediaFile file(WriteFixture(folder, info, c.extension).c_str());
        EXPECT_EQ(file.m_nType, CMediaFile::kTypeStill) << c.extension;
        CMediaSource* reader = nullptr;
        ASSERT_EQ(file.CreateReader(&reader), 0) << c.extension;
        std::unique_ptr<CMediaSource> owned(reader);
        ASSERT_NE(dynamic_cast<CStillImageReader*>(reader), nullptr);
        ExpectTestPicture(NextFrame(*reader)->m_pImage, info.lossy ? 24 : 0, c.extension);
    }
}

TEST(StillImageReader, Bitfields565BmpIsReadByTheReaderItself)
{
    TempDir folder;
    CStillImageReader reader(Write565(folder).c_str(), 1, 0, 0);
    ASSERT_EQ(reader.IsOpen(), 1);
    EXPECT_EQ(reader.m_Header.biBitCount, 16) << "the library would have made it 24 bits";
    EXPECT_EQ(reader.m_Header.biCompression, BI_BITFIELDS);
    EXPECT_EQ(reader.m_nBitCount, 16);
    EXPECT_TRUE(SameEntries(EntriesOf(reader.m_pPalette), StandardEntries()));
    ExpectTestPicture(NextFrame(reader)->m_pImage, 0, "5-6-5");
}

TEST(StillImageReader, Bitfields565BmpWithAGapBeforeItsPixels)
{
    TempDir folder;
    std::vector<unsigned char> bytes = media_fixtures::ReadBytes(Write565(folder));
    const DWORD gap = 10;
    DWORD offset;
    std::memcpy(&offset, &bytes[10], 4);
    bytes.insert(bytes.begin() + offset, gap, 0xEE);
    offset += gap;
    std::memcpy(&bytes[10], &offset, 4);
    const std::string path = folder.File("gap.bmp");
    ASSERT_TRUE(media_fixtures::WriteBytes(path, bytes));
    CStillImageReader reader(path.c_str(), 1, 0, 0);
    ASSERT_EQ(reader.IsOpen(), 1);
    EXPECT_EQ(reader.m_Header.biBitCount, 16);
    ExpectTestPicture(NextFrame(reader)->m_pImage, 0, "gap");
}

TEST(StillImageReader, TwentyFourBitBmpGoesThroughTheLibrary)
{
    TempDir folder;
    CStillImageReader reader(WriteFixture(folder, media_fixtures::InfoOf(StillKind::Bmp24)).c_str(), 1, 0, 0);
    ASSERT_EQ(reader.IsOpen(), 1);
    EXPECT_EQ(reader.m_Header.biBitCount, 24);
    EXPECT_EQ(reader.m_Header.biCompression, BI_RGB);
    EXPECT_EQ(reader.m_Header.biSizeImage, 0u);
    EXPECT_EQ(reader.m_Header.biClrUsed, 0u);
}

TEST(StillImageReader, PaletteImagesKeepTheirPaletteOthersGetTheStandardOne)
{
    TempDir folder;
    struct Case {
        StillKind kind;
        WORD bits;
        bool ownPalette;
    } const cases[] = {
        {StillKind::Pcx8, 8, true},
        {StillKind::Bmp8, 8, true},
        {StillKind::Jpeg, 24, false},
        {StillKind::Png24, 24, false},
    };
    for (const Case& c : cases) {
        const StillKindInfo& info = media_fixtures::InfoOf(c.kind);
        CStillImageReader reader(WriteFixture(folder, info).c_str(), 1, 0, 0);
        ASSERT_EQ(reader.IsOpen(), 1) << info.name;
        EXPECT_EQ(reader.m_Header.biBitCount, c.bits) << info.name;
        ASSERT_NE(reader.m_pPalette, nullptr);
        const std::vector<RGBQUAD> entries = EntriesOf(reader.m_pPalette);
        if (c.ownPalette) {
            EXPECT_EQ(reader.m_Header.biClrUsed, 256u) << info.name;
            for (int i = 0; i < 256; ++i) {
                const media_fixtures::Rgb expected = media_fixtures::FixturePaletteEntry(i);
                ASSERT_EQ(entries[i].rgbRed, expected.r) << info.name << " entry " << i;
                ASSERT_EQ(entries[i].rgbGreen, expected.g) << info.name << " entry " << i;
                ASSERT_EQ(entries[i].rgbBlue, expected.b) << info.name << " entry " << i;
            }
        } else {
            EXPECT_TRUE(SameEntries(entries, StandardEntries())) << info.name;
        }
    }
}

TEST(StillImageReader, WithoutTheLoadFlagNoPictureIsKept)
{
    TempDir folder;
    CStillImageReader reader(WriteFixture(folder, media_fixtures::InfoOf(StillKind::Png24)).c_str(), 0, 0, 0);
    EXPECT_EQ(reader.IsOpen(), 1);
    EXPECT_EQ(reader.m_hDib, nullptr);
    FramePtr frame = NextFrame(reader);
    ASSERT_NE(frame->m_pImage, nullptr);
    EXPECT_EQ(PixelAt(frame->m_pImage, 5, 5), RGB(0, 0, 0)) << "an empty source picture";
}

TEST(StillImageReader, ScenesScaleTheStillLikeAnyPicture)
{
    TempDir folder;
    CStillImageReader reader(WriteFixture(folder, media_fixtures::InfoOf(StillKind::Png24)).c_str(), 1, 0, 0);
    reader.SetOutputSize(CGfxSize(128, 96));
    reader.SetFrameTime(media_tests::Seconds(0.04));
    reader.SetInOut(media_tests::Seconds(2.0), CMediaTime());
    for (int i = 0; i < 30; ++i) {
        FramePtr frame = NextFrame(reader);
        ASSERT_EQ(WidthOf(frame->m_pImage), 128);
        EXPECT_EQ(PixelAt(frame->m_pImage, 100, 80), RGB(255, 255, 255)) << i;
    }
}

// Damaged, foreign and empty files: the factory reports 259 and nothing
// crashes.
TEST(StillImageReader, BadFilesDoNotOpen)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    std::vector<unsigned char> png = media_fixtures::ReadBytes(WriteFixture(folder, media_fixtures::InfoOf(StillKind::Png24)));
    std::vector<unsigned char> bmp565 = media_fixtures::ReadBytes(Write565(folder));
    std::vector<unsigned char> cutPng(png.begin(), png.begin() + static_cast<ptrdiff_t>(png.size() / 2));
    std::vector<unsigned char> cut565(bmp565.begin(), bmp565.begin() + static_cast<ptrdiff_t>(bmp565.size() - 100));
    std::vector<unsigned char> headerOnly565(bmp565.begin(), bmp565.begin() + 60);
    std::vector<unsigned char> hugeOffset = bmp565;
    const DWORD offset = 0x7FFFFFF0;
    std::memcpy(&hugeOffset[10], &offset, 4);
    std::vector<unsigned char> negativeWidth = bmp565;
    const LONG width = -64;
    std::memcpy(&negativeWidth[18], &width, 4);
    const std::string riff = std::string("RIFF\x24\0\0\0WAVEfmt ", 16);
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
    } const cases[] = {
        {"half.png", cutPng},
        {"cut565.bmp", cut565},
        {"header565.bmp", headerOnly565},
        {"offset565.bmp", hugeOffset},
        {"negative565.bmp", negativeWidth},
        {"sound.tga", std::vector<unsigned char>(riff.begin(), riff.end())},
        {"words.jpg", std::vector<unsigned char>{'h', 'e', 'l', 'l', 'o'}},
        {"empty.png", {}},
    };
    for (const Case& c : cases) {
        const std::string path = folder.File(c.name);
        ASSERT_TRUE(media_fixtures::WriteBytes(path, c.bytes));
        CStillImageReader reader(path.c_str(), 1, 0, 0);
        EXPECT_EQ(reader.IsOpen(), 0) << c.name;
        EXPECT_EQ(reader.GetVideoHeader(), nullptr) << c.name;
        CMediaFile file(path.c_str());
        CMediaSource* made = reinterpret_cast<CMediaSource*>(1);
        EXPECT_EQ(file.CreateReader(&made), 259) << c.name;
        EXPECT_EQ(made, nullptr) << c.name;
    }
    CMediaSource* made = reinterpret_cast<CMediaSource*>(1);
    EXPECT_EQ(CMediaFile(folder.File("gone.png").c_str()).CreateReader(&made), 262);
    CStillImageReader missing(folder.File("gone.png").c_str(), 1, 0, 0);
    EXPECT_EQ(missing.IsOpen(), 0);
}

TEST(StillImageReader, PictureWithAnotherPicturesExtensionStillLoads)
{
    TempDir folder;
    CStillImageReader reader(WriteFixture(folder, media_fixtures::InfoOf(StillKind::Png24), "bmp").c_str(), 1, 0, 0);
    ASSERT_EQ(reader.IsOpen(), 1) << "the content decides, as the imaging library did";
    ExpectTestPicture(NextFrame(reader)->m_pImage, 0, "png named bmp");
}

// Random damage to the reader's own 16-bit path and to the library path:
// every mutant either does not open or gives whole pictures.
TEST(StillImageReader, MutatedStillsNeverCrashTheReader)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    std::mt19937 random(7031);
    constexpr int kMutants = 150;
    const std::vector<std::pair<std::string, std::vector<unsigned char>>> originals = {
        {"bmp", media_fixtures::ReadBytes(Write565(folder))},
        {"jpg", media_fixtures::ReadBytes(WriteFixture(folder, media_fixtures::InfoOf(StillKind::Jpeg)))},
        {"pcx", media_fixtures::ReadBytes(WriteFixture(folder, media_fixtures::InfoOf(StillKind::Pcx8)))},
    };
    int opened = 0;
    for (const auto& [extension, original] : originals) {
        const std::string path = folder.File("mutant." + extension);
        for (int n = 0; n < kMutants; ++n) {
            std::vector<unsigned char> bytes = original;
            // The headers are where damage is most telling: half the
            // mutations hit the first 80 bytes.
            const size_t span = n % 2 == 0 ? std::min<size_t>(80, bytes.size()) : bytes.size();
            switch (random() % 3) {
            case 0:
                for (int i = 0; i < 1 + static_cast<int>(random() % 6); ++i)
                    bytes[random() % span] = static_cast<unsigned char>(random());
                break;
            case 1:
                bytes.resize(random() % bytes.size());
                break;
            default:
                bytes.erase(bytes.begin() + static_cast<ptrdiff_t>(random() % span));
                break;
            }
            ASSERT_TRUE(media_fixtures::WriteBytes(path, bytes));
            CStillImageReader reader(path.c_str(), 1, 0, 0);
            if (!reader.IsOpen())
                continue;
            ++opened;
            const BITMAPINFOHEADER* header = reader.GetVideoHeader();
            ASSERT_NE(header, nullptr);
            FramePtr frame = NextFrame(reader);
            ASSERT_NE(frame->m_pImage, nullptr) << extension << " mutant " << n;
            EXPECT_EQ(WidthOf(frame->m_pImage), header->biWidth);
            EXPECT_EQ(HeightOf(frame->m_pImage), header->biHeight);
        }
    }
    EXPECT_GT(opened, 0) << "some damage leaves a readable picture";
}

} // namespace
