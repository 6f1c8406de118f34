#include "Win32/Imaging/Dib.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/AfxMessageBoxHandler.h"
#include "Platform/Mfc/Archive.h"
#include "Platform/Mfc/File.h"
#include "Platform/Win/Gdi/Gdi.h"
#include "tests/support/TempDir.h"

namespace {

using Bytes = std::vector<BYTE>;

void PutU16(Bytes& out, size_t at, DWORD v)
{
    out[at] = static_cast<BYTE>(v);
    out[at + 1] = static_cast<BYTE>(v >> 8);
}

void PutU32(Bytes& out, size_t at, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<BYTE>(v >> (8 * i));
}

DWORD GetU32(const Bytes& in, size_t at)
{
    return static_cast<DWORD>(in[at]) | (static_cast<DWORD>(in[at + 1]) << 8) |
           (static_cast<DWORD>(in[at + 2]) << 16) | (static_cast<DWORD>(in[at + 3]) << 24);
}

DWORD RowBytesOf(LONG width, int bitCount) { return ((static_cast<DWORD>(bitCount * width) + 31) & ~31u) / 8; }

struct BmpShape {
    LONG width;
    LONG height;
    int bitCount;
    bool os2 = false;
    DWORD clrUsed = 0;
};

// The colour of table entry i in files these helpers write.
RGBQUAD TableColour(int i) { return RGBQUAD{static_cast<BYTE>(i * 7), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3), 0}; }

BYTE PixelByte(size_t i) { return static_cast<BYTE>(i * 37 + 11); }

// A bitmap file of that shape, with a patterned colour table and pixels.
Bytes BitmapFileOf(const BmpShape& shape)
{
    const DWORD headerSize = shape.os2 ? 12 : 40;
    int colours = shape.clrUsed != 0 ? static_cast<int>(shape.clrUsed)
                  : shape.bitCount <= 8 ? 1 << shape.bitCount
                                        : 0;
    const DWORD entrySize = shape.os2 ? 3 : 4;
    const DWORD offBits = 14 + headerSize + static_cast<DWORD>(colours) * entrySize;
    const DWORD bitsSize = RowBytesOf(shape.width, shape.bitCount) * static_cast<DWORD>(std::abs(shape.height));
    Bytes file(offBits + bitsSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(file, 2, static_cast<DWORD>(file.size()));
    PutU32(file, 10, offBits);
    PutU32(file, 14, headerSize);
    if (shape.os2) {
        PutU16(file, 18, static_cast<DWORD>(shape.width));
        PutU16(file, 20, static_cast<DWORD>(shape.height));
        PutU16(file, 22, 1);
        PutU16(file, 24, static_cast<DWORD>(shape.bitCount));
    } else {
        PutU32(file, 18, static_cast<DWORD>(shape.width));
        PutU32(file, 22, static_cast<DWORD>(shape.height));
        PutU16(file, 26, 1);
        PutU16(file, 28, static_cast<DWORD>(shape.bitCount));
        PutU32(file, 34, bitsSize);
        PutU32(file, 46, shape.clrUsed);
    }
    for (int i = 0; i < colours; ++i) {
        const RGBQUAD c = TableColour(i);
        const size_t at = 14 + headerSize + static_cast<size_t>(i) * entrySize;
        file[at] = c.rgbBlue;
        file[at + 1] = c.rgbGreen;
        file[at + 2] = c.rgbRed;
    }
    for (DWORD i = 0; i < bitsSize; ++i)
        file[offBits + i] = PixelByte(i);
    return file;
}

// Loads `file` from memory; the file stays as it was.
BOOL LoadFromBytes(CDIB& dib, Bytes file)
{
    CMemFile memory(file.data(), static_cast<UINT>(file.size()));
    const BOOL loaded = dib.Load(&memory);
    memory.Detach();
    return loaded;
}

Bytes SaveToBytes(CDIB& dib, BOOL* saved)
{
    CMemFile memory(1024);
    *saved = dib.Save(&memory);
    const auto length = static_cast<size_t>(memory.GetLength());
    BYTE* buffer = memory.Detach();
    Bytes out(buffer, buffer + length);
    std::free(buffer);
    return out;
}

std::string Describe(const BmpShape& s)
{
    return std::to_string(s.width) + "x" + std::to_string(s.height) + "x" + std::to_string(s.bitCount) +
           (s.os2 ? " os2" : "");
}

} // namespace

TEST(Dib, NewObjectIs90By60EightBitGreyWithoutPixels)
{
    CDIB dib;
    EXPECT_EQ(dib.GetWidth(), 90);
    EXPECT_EQ(dib.GetHeight(), 60);
    EXPECT_EQ(dib.GetBitmapInfo()->bmiHeader.biBitCount, 8);
    EXPECT_EQ(dib.GetNumColors(), 256);
    EXPECT_EQ(dib.GetBits(), nullptr);
    EXPECT_EQ(dib.GetSection(), nullptr);
    const RGBQUAD* table = dib.GetColorTable();
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(table[i].rgbRed == i && table[i].rgbGreen == i && table[i].rgbBlue == i && table[i].rgbReserved == 0);
}

TEST(Dib, IsSerializableWithSchemaZero)
{
    CRuntimeClass* cls = CRuntimeClass::FromName("CDIB");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->m_wSchema, 0u);
    CObject* made = cls->CreateObject();
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CDIB)));
    delete made;
}

TEST(Dib, SetFormatHalvesTheDvPreviewSizeAndComputesTheImageSize)
{
    struct Case {
        int width, height, bits;
        LONG expectWidth, expectHeight;
        DWORD expectImage;
    } cases[] = {
        {180, 120, 32, 90, 60, 21600},
        {720, 480, 24, 720, 480, 2160 * 480},
        {3, 2, 1, 3, 2, 8},
    };
    for (const Case& c : cases) {
        CDIB dib;
        dib.SetFormat(c.width, c.height, c.bits);
        const BITMAPINFOHEADER& h = dib.GetBitmapInfo()->bmiHeader;
        EXPECT_EQ(h.biWidth, c.expectWidth);
        EXPECT_EQ(h.biHeight, c.expectHeight);
        EXPECT_EQ(h.biBitCount, c.bits);
        EXPECT_EQ(h.biSizeImage, c.expectImage) << c.width << "x" << c.height;
        EXPECT_EQ(dib.GetColorTable()[200].rgbRed, 200) << "the colour table is untouched";
    }
}

TEST(Dib, SaveAndLoadRoundTripEveryDepth)
{
    const BmpShape shapes[] = {
        {5, 3, 1}, {7, 2, 4}, {3, 4, 8}, {5, 2, 16}, {3, 3, 24}, {4, 2, 32},
        {9, 3, 1, true}, {5, 2, 4, true}, {3, 2, 8, true}, {2, 2, 24, true},
        {6, 2, 8, false, 16}, {2, 3, 24, false, 0}, {4, -3, 24},
    };
    for (const BmpShape& shape : shapes) {
        SCOPED_TRACE(Describe(shape));
        CDIB loaded;
        ASSERT_TRUE(LoadFromBytes(loaded, BitmapFileOf(shape)));
        const BITMAPINFOHEADER& h = loaded.GetBitmapInfo()->bmiHeader;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, shape.width);
        EXPECT_EQ(h.biHeight, shape.height);
        EXPECT_EQ(h.biBitCount, shape.bitCount);
        const int colours = loaded.GetNumColors();
        for (int i = 0; i < colours; ++i) {
            const RGBQUAD c = loaded.GetColorTable()[i];
            const RGBQUAD want = TableColour(i);
            ASSERT_TRUE(c.rgbRed == want.rgbRed && c.rgbGreen == want.rgbGreen && c.rgbBlue == want.rgbBlue &&
                        c.rgbReserved == 0)
                << "entry " << i;
        }
        const DWORD bitsSize = RowBytesOf(shape.width, shape.bitCount) * static_cast<DWORD>(std::abs(shape.height));
        ASSERT_EQ(loaded.GetBitsSize(), bitsSize);
        for (DWORD i = 0; i < bitsSize; ++i)
            ASSERT_EQ(loaded.GetBits()[i], PixelByte(i)) << "byte " << i;

        BOOL saved = FALSE;
        const Bytes file = SaveToBytes(loaded, &saved);
        ASSERT_TRUE(saved);
        ASSERT_EQ(file.size(), kDibFileOffBits + bitsSize);
        EXPECT_EQ(GetU32(file, 10), kDibFileOffBits);
        EXPECT_EQ(GetU32(file, 2), kDibFileOffBits + bitsSize);

        CDIB again;
        ASSERT_TRUE(LoadFromBytes(again, file));
        EXPECT_EQ(std::memcmp(again.GetBitmapInfo(), loaded.GetBitmapInfo(), 40 + 4 * static_cast<size_t>(colours)), 0);
        ASSERT_EQ(again.GetBitsSize(), bitsSize);
        EXPECT_EQ(std::memcmp(again.GetBits(), loaded.GetBits(), bitsSize), 0);
    }
}

TEST(Dib, Os2EightBitFileGivesAWindowsHeaderWith256Colours)
{
    CDIB dib;
    ASSERT_TRUE(LoadFromBytes(dib, BitmapFileOf({3, 2, 8, true})));
    const BITMAPINFOHEADER& h = dib.GetBitmapInfo()->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(h.biCompression, BI_RGB);
    EXPECT_EQ(dib.GetNumColors(), 256);
    EXPECT_EQ(dib.GetColorTable()[255].rgbGreen, TableColour(255).rgbGreen);
}

TEST(Dib, ColourTableFollowsBitCountAndClrUsed)
{
    struct Case {
        BmpShape shape;
        int colours;
    } cases[] = {{{2, 2, 24}, 0}, {{2, 2, 8, false, 16}, 16}, {{2, 2, 1}, 2}, {{2, 2, 4}, 16}, {{2, 2, 32}, 0}};
    for (const Case& c : cases) {
        CDIB dib;
        ASSERT_TRUE(LoadFromBytes(dib, BitmapFileOf(c.shape))) << Describe(c.shape);
        EXPECT_EQ(dib.GetNumColors(), c.colours) << Describe(c.shape);
    }
}

TEST(Dib, SaveOfThirtyTwoBitFourByTwoWritesTheBitmapFileLayout)
{
    CDIB dib;
    ASSERT_TRUE(LoadFromBytes(dib, BitmapFileOf({4, 2, 32})));
    BOOL saved = FALSE;
    const Bytes file = SaveToBytes(dib, &saved);
    ASSERT_TRUE(saved);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(GetU32(file, 2), 1110u);
    EXPECT_EQ(GetU32(file, 6), 0u);
    EXPECT_EQ(GetU32(file, 10), 1078u);
    EXPECT_EQ(GetU32(file, 14), 40u);
    EXPECT_EQ(file.size(), 1110u);
}

TEST(Dib, SaveWithoutPixelsFailsAndWritesNothing)
{
    CDIB dib;
    BOOL saved = TRUE;
    const Bytes file = SaveToBytes(dib, &saved);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(file.empty());
}

TEST(Dib, SaveRefusesAHeaderLargerThanItsPixels)
{
    CDIB dib;
    ASSERT_TRUE(LoadFromBytes(dib, BitmapFileOf({4, 2, 8})));
    dib.SetFormat(720, 480, 32);
    BOOL saved = TRUE;
    SaveToBytes(dib, &saved);
    EXPECT_FALSE(saved);
}

TEST(Dib, HostileFilesAreRefusedAndLeaveTheObjectUnchanged)
{
    auto withU32 = [](Bytes file, size_t at, DWORD v) {
        PutU32(file, at, v);
        return file;
    };
    const Bytes good = BitmapFileOf({4, 3, 8});
    Bytes truncatedPixels(good.begin(), good.end() - 1);
    Bytes truncatedHeader(good.begin(), good.begin() + 30);
    Bytes truncatedTable(good.begin(), good.begin() + 60);
    Bytes notBm = good;
    notBm[0] = 'X';
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"file header cut", Bytes(good.begin(), good.begin() + 10)},
        {"not BM", notBm},
        {"info header cut", truncatedHeader},
        {"colour table cut", truncatedTable},
        {"pixels cut", truncatedPixels},
        {"header size 108", withU32(good, 14, 108)},
        {"huge width", withU32(good, 18, 0x7FFFFFFF)},
        {"huge height", withU32(good, 22, 0x7FFFFFFF)},
        {"most negative height", withU32(good, 22, 0x80000000)},
        {"negative width", withU32(good, 18, static_cast<DWORD>(-4))},
        {"zero width", withU32(good, 18, 0)},
        {"zero height", withU32(good, 22, 0)},
        {"width beyond the file", withU32(good, 18, 30000)},
        {"biClrUsed 1000", withU32(good, 46, 1000)},
        {"biClrUsed 257", withU32(good, 46, 257)},
        {"offset past the end", withU32(good, 10, 0x7FFFFFF0)},
        {"offset inside the header", withU32(good, 10, 20)},
        {"offset 0xFFFFFFFF", withU32(good, 10, 0xFFFFFFFF)},
        {"bit count 7", withU32(good, 28, 7 | (0u << 16))},
        {"run-length compression", withU32(good, 30, BI_RLE8)},
        {"bitfields on 8 bits", withU32(good, 30, BI_BITFIELDS)},
        {"planes 0", withU32(good, 26, 8u << 16)},
    };
    CDIB reference;
    ASSERT_TRUE(LoadFromBytes(reference, BitmapFileOf({2, 5, 24})));
    for (const Case& c : cases) {
        CDIB dib;
        ASSERT_TRUE(LoadFromBytes(dib, BitmapFileOf({2, 5, 24})));
        const BYTE* bitsBefore = dib.GetBits();
        EXPECT_FALSE(LoadFromBytes(dib, c.file)) << c.name;
        EXPECT_EQ(dib.GetBits(), bitsBefore) << c.name;
        EXPECT_EQ(dib.GetWidth(), 2) << c.name;
        EXPECT_EQ(dib.GetHeight(), 5) << c.name;
        EXPECT_EQ(std::memcmp(dib.GetBits(), reference.GetBits(), reference.GetBitsSize()), 0) << c.name;
    }
}

TEST(Dib, LoadReadsFromTheFilesCurrentPosition)
{
    Bytes file(7, 0xEE);
    const Bytes bitmap = BitmapFileOf({3, 2, 24});
    file.insert(file.end(), bitmap.begin(), bitmap.end());
    CMemFile memory(file.data(), static_cast<UINT>(file.size()));
    memory.Seek(7, CFile::begin);
    CDIB dib;
    EXPECT_TRUE(dib.Load(&memory));
    memory.Detach();
    EXPECT_EQ(dib.GetBits()[0], PixelByte(0));
}

// Random mutations of valid files of every kind: whatever the bytes, Load
// either refuses or yields a header whose pixels are all there.
TEST(Dib, MutatedFilesNeverYieldInconsistentBitmaps)
{
    const BmpShape seeds[] = {{5, 3, 1}, {7, 2, 4}, {3, 4, 8}, {5, 2, 16}, {3, 3, 24}, {4, 2, 32}, {9, 3, 1, true},
                              {3, 2, 8, true}, {2, 2, 24, true}, {6, 2, 8, false, 16}};
    std::mt19937 random(20261210u);
    int accepted = 0;
    int round = 0;
    for (; round < 20000; ++round) {
        Bytes file = BitmapFileOf(seeds[round % std::size(seeds)]);
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits; ++e) {
            switch (random() % 4) {
            case 0: // a random byte, mostly in the headers
                if (!file.empty())
                    file[random() % std::min<size_t>(file.size(), 80)] = static_cast<BYTE>(random());
                break;
            case 1: // a random 32-bit value in the headers
                if (file.size() >= 54)
                    PutU32(file, random() % 51, static_cast<DWORD>(random()));
                break;
            case 2: // cut the file
                file.resize(random() % (file.size() + 1));
                break;
            default: // extend it
                file.resize(file.size() + random() % 64, static_cast<BYTE>(random()));
                break;
            }
        }
        CDIB dib;
        if (!LoadFromBytes(dib, file))
            continue;
        ++accepted;
        const BITMAPINFOHEADER& h = dib.GetBitmapInfo()->bmiHeader;
        ASSERT_GT(h.biWidth, 0);
        ASSERT_NE(h.biHeight, 0);
        ASSERT_LE(dib.GetNumColors(), 256);
        const ULONGLONG need = static_cast<ULONGLONG>(dib.GetStorageWidth()) * std::abs(h.biHeight);
        ASSERT_GE(dib.GetBitsSize(), need) << "round " << round;
        ASSERT_LE(dib.GetBitsSize(), file.size());
        BOOL saved = FALSE;
        SaveToBytes(dib, &saved);
        ASSERT_TRUE(saved) << "round " << round;
    }
    EXPECT_GT(accepted, round / 20) << "the mutations must also reach the accepting paths";
}

TEST(Dib, AttachFileImageUsesTheCallersPixelsWithoutOwningThem)
{
    Bytes image = BitmapFileOf({3, 2, 8});
    {
        CDIB dib;
        ASSERT_TRUE(dib.AttachFileImage(image.data(), static_cast<DWORD>(image.size())));
        EXPECT_EQ(dib.GetWidth(), 3);
        EXPECT_EQ(dib.GetBits(), image.data() + GetU32(image, 10));
        EXPECT_EQ(dib.GetColorTable()[5].rgbRed, TableColour(5).rgbRed);
        dib.SetFormat(10, 10, 8);
    }
    // The destructor freed neither the block nor wrote into its header.
    EXPECT_EQ(GetU32(image, 18), 3u);
    EXPECT_EQ(image[0], 'B');
}

TEST(Dib, AttachFileImageRefusesBadBlocks)
{
    const Bytes good = BitmapFileOf({3, 2, 8});
    Bytes os2 = BitmapFileOf({3, 2, 8, true});
    Bytes notBm = good;
    notBm[1] = 'X';
    struct Case {
        const char* name;
        Bytes image;
        DWORD size;
    } cases[] = {
        {"not BM", notBm, static_cast<DWORD>(notBm.size())},
        {"OS/2 header", os2, static_cast<DWORD>(os2.size())},
        {"pixels beyond the size", good, static_cast<DWORD>(good.size() - 1)},
        {"too small for a header", good, 40},
    };
    for (Case& c : cases) {
        CDIB dib;
        EXPECT_FALSE(dib.AttachFileImage(c.image.data(), c.size)) << c.name;
        EXPECT_EQ(dib.GetBits(), nullptr) << c.name;
        EXPECT_EQ(dib.GetWidth(), 90) << c.name;
    }
    CDIB dib;
    EXPECT_FALSE(dib.AttachFileImage(nullptr, 100));
}

TEST(Dib, SaveAsWritesTheFileAndReportsFailures)
{
    testing_support::TempDir dir;
    std::vector<std::string> boxes;
    AfxMessageBoxHandler previous = AfxSetMessageBoxHandler([&](LPCSTR text, UINT, UINT) {
        boxes.emplace_back(text);
        return IDOK;
    });
    CDIB dib;
    ASSERT_TRUE(LoadFromBytes(dib, BitmapFileOf({3, 2, 24})));
    const std::string path = dir.File("out.bmp");
    EXPECT_TRUE(dib.SaveAs(path.c_str()));
    const std::string written = testing_support::ReadFile(path);
    EXPECT_EQ(written.size(), kDibFileOffBits + 2u * 12u);
    EXPECT_TRUE(boxes.empty());

    CDIB empty;
    EXPECT_FALSE(empty.SaveAs(path.c_str()));
    EXPECT_EQ(testing_support::ReadFile(path), written) << "a failed save leaves the old file";
    EXPECT_FALSE(dib.SaveAs(dir.File("missing/folder/x.bmp").c_str()));
    EXPECT_FALSE(dib.SaveAs(""));
    AfxSetMessageBoxHandler(previous);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Failed to save file", "Failed to open file"}));
}

TEST(Dib, DibNumColorsReadsBothHeaderKinds)
{
    BITMAPCOREHEADER core{12, 2, 2, 1, 4};
    EXPECT_EQ(DibNumColors(&core), 16);
    EXPECT_FALSE(IsWinDib(&core));
    BITMAPINFOHEADER info{};
    info.biSize = 40;
    info.biBitCount = 8;
    EXPECT_EQ(DibNumColors(&info), 256);
    info.biClrUsed = 12;
    EXPECT_EQ(DibNumColors(&info), 12);
    EXPECT_TRUE(IsWinDib(&info));
}

TEST(Dib, BitfieldsFileKeepsItsMasksWhereTheColourTableGoes)
{
    Bytes file = BitmapFileOf({2, 2, 16});
    const BYTE masks[12] = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    file.insert(file.begin() + 54, masks, masks + 12);
    PutU32(file, 10, 54 + 12);
    PutU32(file, 30, BI_BITFIELDS);
    CDIB dib;
    ASSERT_TRUE(LoadFromBytes(dib, file));
    EXPECT_EQ(dib.GetBitmapInfo()->bmiHeader.biCompression, BI_BITFIELDS);
    EXPECT_EQ(std::memcmp(dib.GetColorTable(), masks, sizeof masks), 0);
    EXPECT_EQ(dib.GetBits()[0], PixelByte(0));
}

TEST(Dib, ArchiveStoresAndRestoresOnlyTheClass)
{
    CMemFile memory(256);
    {
        CDIB dib;
        CArchive store(&memory, CArchive::store);
        store.WriteObject(&dib);
        store.Close();
    }
    memory.SeekToBegin();
    CArchive load(&memory, CArchive::load);
    CDIB* restored = nullptr;
    load >> restored;
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->GetWidth(), 90);
    EXPECT_EQ(restored->GetBits(), nullptr);
    delete restored;
}
