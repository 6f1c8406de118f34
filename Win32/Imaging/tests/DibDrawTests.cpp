#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "Platform/Mfc/File.h"
#include "Win32/Imaging/Dib.h"
#include "Win32/Imaging/DibPal.h"

namespace {

using Bytes = std::vector<BYTE>;

void PutU32(Bytes& out, size_t at, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<BYTE>(v >> (8 * i));
}

// A Windows bitmap file of w x h pixels at `bits` with `colours` table
// entries; pixel bytes come from `pixel(x, row)` per byte of each row
// (rows bottom-up), table entry i is (i, 2i, 3i).
Bytes FileOf(LONG w, LONG h, int bits, int colours, BYTE (*pixel)(int byte, int row))
{
    const DWORD rowBytes = ((static_cast<DWORD>(w * bits) + 31) & ~31u) / 8;
    const DWORD offBits = 54 + 4 * static_cast<DWORD>(colours);
    Bytes file(offBits + rowBytes * static_cast<DWORD>(h), 0);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(file, 2, static_cast<DWORD>(file.size()));
    PutU32(file, 10, offBits);
    PutU32(file, 14, 40);
    PutU32(file, 18, static_cast<DWORD>(w));
    PutU32(file, 22, static_cast<DWORD>(h));
    PutU32(file, 26, 1u | (static_cast<DWORD>(bits) << 16));
    PutU32(file, 46, static_cast<DWORD>(colours));
    for (int i = 0; i < colours; ++i) {
        file[54 + 4 * i] = static_cast<BYTE>(3 * i);
        file[55 + 4 * i] = static_cast<BYTE>(2 * i);
        file[56 + 4 * i] = static_cast<BYTE>(i);
    }
    for (LONG row = 0; row < h; ++row)
        for (DWORD b = 0; b < rowBytes; ++b)
            file[offBits + row * rowBytes + b] = pixel(static_cast<int>(b), static_cast<int>(row));
    return file;
}

BOOL LoadBytes(CDIB& dib, Bytes file)
{
    CMemFile memory(file.data(), static_cast<UINT>(file.size()));
    const BOOL loaded = dib.Load(&memory);
    memory.Detach();
    return loaded;
}

// A memory DC over a 32-bit bitmap of w x h, white.
struct Canvas {
    Canvas(LONG w, LONG h)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = 40;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        std::memset(bits, 0xFF, static_cast<size_t>(w * h * 4));
        dc = CreateCompatibleDC(nullptr);
        previous = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }

    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    HGDIOBJ previous = nullptr;
};

// Bottom row blue then green, top row red then white (24 bits, 2 x 2).
BYTE TwoByTwoPixel(int byte, int row)
{
    static const BYTE rows[2][8] = {{255, 0, 0, 0, 255, 0, 0, 0}, {0, 0, 255, 255, 255, 255, 0, 0}};
    return rows[row][byte];
}

// 32-bit pixels: blue bytes 0x11 everywhere.
BYTE FlatPixel(int byte, int) { return byte % 4 == 0 ? 0x11 : 0; }

} // namespace

TEST(DibDraw, DrawStretchesTheWholeBitmap)
{
    CDIB dib;
    ASSERT_TRUE(LoadBytes(dib, FileOf(2, 2, 24, 0, TwoByTwoPixel)));
    Canvas canvas(6, 6);
    EXPECT_NE(dib.Draw(canvas.dc, 1, 1, 4, 4), 0);
    EXPECT_EQ(canvas.At(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(4, 2), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(2, 4), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(4, 4), RGB(0, 255, 0));
    EXPECT_EQ(canvas.At(5, 5), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(0, 0), RGB(255, 255, 255));
}

TEST(DibDraw, DrawWithoutPixelsOrWithTooFewDrawsNothing)
{
    CDIB dib;
    Canvas canvas(4, 4);
    EXPECT_EQ(dib.Draw(canvas.dc, 0, 0, 4, 4), 0);
    ASSERT_TRUE(LoadBytes(dib, FileOf(2, 2, 24, 0, TwoByTwoPixel)));
    dib.SetFormat(64, 64, 32);
    EXPECT_EQ(dib.Draw(canvas.dc, 0, 0, 4, 4), 0);
    EXPECT_EQ(canvas.At(0, 0), RGB(255, 255, 255));
}

TEST(DibDraw, SectionCopiesTheOldPixels)
{
    CDIB dib;
    ASSERT_TRUE(LoadBytes(dib, FileOf(4, 2, 32, 0, FlatPixel)));
    ASSERT_TRUE(dib.CreateSection(nullptr));
    ASSERT_NE(dib.GetSection(), nullptr);
    ASSERT_EQ(dib.GetBitsSize(), 32u);
    EXPECT_EQ(dib.GetBits()[0], 0x11);
    EXPECT_EQ(dib.GetBits()[28], 0x11);

    // A header larger than the old block copies only what the block holds.
    dib.SetFormat(8, 8, 32);
    ASSERT_TRUE(dib.CreateSection(nullptr));
    ASSERT_EQ(dib.GetBitsSize(), 256u);
    EXPECT_EQ(dib.GetBits()[28], 0x11);
    EXPECT_EQ(dib.GetBits()[64], 0);
}

TEST(DibDraw, NewObjectGetsASectionForTheDecoder)
{
    CDIB dib;
    dib.SetFormat(720, 480, 32);
    ASSERT_TRUE(dib.CreateSection(nullptr));
    EXPECT_EQ(dib.GetBitsSize(), 720u * 480u * 4u);
    dib.GetBits()[720 * 480 * 4 - 1] = 0x7F;
}

TEST(DibDraw, SectionOfTheDvPreviewSizeDrawsItsUpperLeftQuarter)
{
    CDIB dib;
    ASSERT_TRUE(LoadBytes(dib, FileOf(180, 120, 32, 0, FlatPixel)));
    ASSERT_TRUE(dib.CreateSection(nullptr));
    // Rows are bottom-up: the upper-left quarter is rows 60..119, x 0..89.
    auto* pixels = reinterpret_cast<DWORD*>(dib.GetBits());
    for (int row = 0; row < 120; ++row)
        for (int x = 0; x < 180; ++x)
            pixels[row * 180 + x] = row >= 60 && x < 90 ? 0x00FF0000u : 0x000000FFu;
    Canvas canvas(180, 120);
    ASSERT_TRUE(dib.DrawSection(canvas.dc, 0, 0));
    for (int y = 0; y < 120; y += 7)
        for (int x = 0; x < 180; x += 7)
            ASSERT_EQ(canvas.At(x, y), RGB(255, 0, 0)) << x << "," << y;

    CDIB without;
    EXPECT_FALSE(without.DrawSection(canvas.dc, 0, 0));
}

TEST(DibPal, PaletteComesFromTheColourTable)
{
    CDIB dib;
    ASSERT_TRUE(LoadBytes(dib, FileOf(2, 2, 8, 16, FlatPixel)));
    CDIBPAL palette;
    ASSERT_TRUE(palette.Create(&dib));
    EXPECT_EQ(palette.GetNumColors(), 16);
    PALETTEENTRY entry{};
    ASSERT_EQ(GetPaletteEntries(palette, 5, 1, &entry), 1u);
    EXPECT_TRUE(entry.peRed == 5 && entry.peGreen == 10 && entry.peBlue == 15 && entry.peFlags == 0);
}

TEST(DibPal, BitmapWithoutColourTableMakesNoPalette)
{
    CDIB dib;
    ASSERT_TRUE(LoadBytes(dib, FileOf(2, 2, 24, 0, TwoByTwoPixel)));
    CDIBPAL palette;
    EXPECT_FALSE(palette.Create(&dib));
    EXPECT_EQ(palette.GetNumColors(), 0);
    EXPECT_FALSE(palette.Create(nullptr));
}

TEST(DibPal, DrawPaintsOneSwatchPerEntry)
{
    CDIB dib;
    ASSERT_TRUE(LoadBytes(dib, FileOf(2, 2, 8, 16, FlatPixel)));
    CDIBPAL palette;
    ASSERT_TRUE(palette.Create(&dib));
    Canvas canvas(160, 160);
    const RECT area{0, 0, 160, 160};
    HPALETTE before = static_cast<HPALETTE>(GetCurrentObject(canvas.dc, OBJ_PAL));
    EXPECT_EQ(palette.Draw(canvas.dc, &area, FALSE), before);
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PAL), before);
    for (int j = 0; j < 16; ++j)
        EXPECT_EQ(canvas.At(j * 10 + 5, 5), RGB(j, 2 * j, 3 * j)) << j;
    EXPECT_EQ(canvas.At(5, 15), RGB(255, 255, 255)) << "no entries are left for the second row";
}
