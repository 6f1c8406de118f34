#include "Win32/Imaging/GdiBitmap.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "Platform/Win/User/User.h"
#include "Win32/Imaging/DrawContext.h"

namespace {

constexpr COLORREF kKey = RGB(255, 0, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

// A 32-bit bitmap whose pixel (x, y) is paint(x, y).
std::unique_ptr<CGdiBitmap> PaintedBitmap(LONG w, LONG h, const std::function<COLORREF(int, int)>& paint)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<DWORD*>(bits);
    for (LONG y = 0; pixels && y < h; ++y) {
        for (LONG x = 0; x < w; ++x) {
            const COLORREF c = paint(x, y);
            pixels[y * w + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    }
    return std::make_unique<CGdiBitmap>(handle, TRUE);
}

// Key colour everywhere except a blue block from (2, 1) to (4, 3).
std::unique_ptr<CGdiBitmap> KeyedBlock()
{
    auto bitmap = PaintedBitmap(7, 5, [](int x, int y) { return x >= 2 && x <= 4 && y >= 1 && y <= 3 ? kBlue : kKey; });
    const CRGBColor key(kKey);
    bitmap->SetTransparentColor(&key, nullptr);
    return bitmap;
}

// A context over the screen DC, whose compatible bitmaps have colour (those
// of a fresh memory DC are monochrome).
struct ScreenContext {
    ScreenContext() : dc(GetDC(nullptr)), context(dc) {}
    ~ScreenContext() { ReleaseDC(nullptr, dc); }
    HDC dc;
    CDrawContext context;
};

COLORREF PixelOf(CGdiBitmap& bitmap, int x, int y)
{
    CDrawContext memory;
    HGDIOBJ previous = SelectObject(memory.GetHDC(), bitmap.GetHandle());
    const COLORREF c = ::GetPixel(memory.GetHDC(), x, y);
    SelectObject(memory.GetHDC(), previous);
    return c;
}

} // namespace

TEST(GdiBitmap, UnpreparedBitmapIsOpaqueInsideOnly)
{
    auto bitmap = KeyedBlock();
    EXPECT_TRUE(bitmap->IsValid());
    EXPECT_EQ(bitmap->GetSize(), CGfxSize(7, 5));
    struct Case {
        LONG x, y;
        BOOL opaque;
    } cases[] = {{0, 0, TRUE}, {6, 4, TRUE}, {3, 2, TRUE}, {-1, 0, FALSE}, {7, 0, FALSE}, {0, 5, FALSE}};
    for (const Case& c : cases)
        EXPECT_EQ(bitmap->IsOpaqueAt(CGfxPoint(c.x, c.y)), c.opaque) << c.x << "," << c.y;
}

TEST(GdiBitmap, PreparedTransparencyFindsTheOpaqueRectangle)
{
    auto bitmap = KeyedBlock();
    CDrawContext context;
    ASSERT_TRUE(bitmap->PrepareTransparency(&context));
    EXPECT_TRUE(bitmap->IsTransparent());
    EXPECT_EQ(bitmap->GetOpaqueRect(), CGfxRect(2, 1, 4, 3));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(bitmap->IsOpaqueAt(CGfxPoint(x, y)), x >= 2 && x <= 4 && y >= 1 && y <= 3) << x << "," << y;
    // Preparing blackens the key-coloured pixels of the bitmap itself.
    EXPECT_EQ(PixelOf(*bitmap, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(PixelOf(*bitmap, 3, 2), kBlue);
}

TEST(GdiBitmap, BitmapOfOnlyTheKeyColourHasNoOpaquePixel)
{
    auto bitmap = PaintedBitmap(4, 3, [](int, int) { return kKey; });
    const CRGBColor key(kKey);
    bitmap->SetTransparentColor(&key, nullptr);
    CDrawContext context;
    ASSERT_TRUE(bitmap->PrepareTransparency(&context));
    EXPECT_EQ(bitmap->GetOpaqueRect(), CGfxRect(3, 2, 0, 0));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_FALSE(bitmap->IsOpaqueAt(CGfxPoint(x, y)));
}

TEST(GdiBitmap, PreparingAgainReplacesTheEarlierMask)
{
    auto bitmap = KeyedBlock();
    CDrawContext context;
    ASSERT_TRUE(bitmap->PrepareTransparency(&context));
    HBITMAP firstMask = bitmap->GetMask()->GetHandle();
    ASSERT_EQ(GetObjectType(firstMask), OBJ_BITMAP);
    ASSERT_TRUE(bitmap->PrepareTransparency(&context));
    EXPECT_NE(bitmap->GetMask()->GetHandle(), firstMask);
    EXPECT_EQ(GetObjectType(firstMask), 0u) << "the earlier mask bitmap is deleted";
}

TEST(GdiBitmap, PreparationNeedsTransparency)
{
    auto bitmap = PaintedBitmap(3, 3, [](int, int) { return kBlue; });
    CDrawContext context;
    EXPECT_FALSE(bitmap->PrepareTransparency(&context));
    EXPECT_EQ(bitmap->CreateMask(&context), nullptr);
}

TEST(GdiBitmap, SetTransparentColorReturnsThePreviousColour)
{
    CGdiBitmap bitmap(static_cast<HBITMAP>(nullptr), FALSE);
    EXPECT_FALSE(bitmap.IsValid());
    const CRGBColor red(kRed), blue(kBlue);
    const CGfxPoint sample(3, 4);
    EXPECT_EQ(bitmap.SetTransparentColor(&red, &sample), CRGBColor(0, 0, 0));
    EXPECT_TRUE(bitmap.IsTransparent());
    EXPECT_EQ(bitmap.GetSamplePoint(), sample);
    EXPECT_EQ(bitmap.SetTransparentColor(&blue, nullptr), red);
    EXPECT_EQ(bitmap.GetTransparentColor(FALSE, nullptr), blue);
    bitmap.SetTransparentColor(nullptr, nullptr);
    EXPECT_FALSE(bitmap.IsTransparent());
    EXPECT_EQ(bitmap.GetSize(), CGfxSize(0, 0));
}

TEST(GdiBitmap, TiledCopyRepeatsTheBitmapAndClipsTheLastRowAndColumn)
{
    auto bitmap = PaintedBitmap(10, 10, [](int x, int y) { return RGB(x * 20, y * 20, 7); });
    const CRGBColor key(kKey);
    bitmap->SetTransparentColor(&key, nullptr);
    ScreenContext screen;
    std::unique_ptr<CGdiBitmap> tiled(bitmap->CreateTiled(&screen.context, CGfxSize(25, 12)));
    ASSERT_NE(tiled, nullptr);
    EXPECT_EQ(tiled->GetSize(), CGfxSize(25, 12));
    EXPECT_TRUE(tiled->IsTransparent());
    EXPECT_EQ(tiled->GetTransparentColor(FALSE, nullptr), key);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 25; ++x)
            ASSERT_EQ(PixelOf(*tiled, x, y), RGB((x % 10) * 20, (y % 10) * 20, 7)) << x << "," << y;
}

TEST(GdiBitmap, DropShadowMixesTheColourAndSparesOpaquePixels)
{
    struct Case {
        int percent;
        COLORREF expected;
    } cases[] = {{100, RGB(0, 255, 0)}, {0, kKey}, {50, RGB(127, 127, 127)}};
    for (const Case& c : cases) {
        auto bitmap = KeyedBlock();
        CDrawContext context;
        ASSERT_TRUE(bitmap->PrepareTransparency(&context));
        // Preparing blackened the key pixels; the shadow goes over them.
        ASSERT_TRUE(bitmap->DrawDropShadow(&context, CRGBColor(0, 255, 0), c.percent, 1, 1, 0.0));
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 7; ++x) {
                const bool opaque = x >= 2 && x <= 4 && y >= 1 && y <= 3;
                const bool shadow = !opaque && x >= 3 && x <= 5 && y >= 2 && y <= 4;
                const COLORREF want = opaque ? kBlue : shadow ? c.expected : RGB(0, 0, 0);
                EXPECT_EQ(PixelOf(*bitmap, x, y), want) << c.percent << "% at " << x << "," << y;
            }
        }
    }
}

TEST(GdiBitmap, DropShadowWithoutOffsetChangesNothing)
{
    auto bitmap = KeyedBlock();
    CDrawContext context;
    ASSERT_TRUE(bitmap->PrepareTransparency(&context));
    EXPECT_TRUE(bitmap->DrawDropShadow(&context, CRGBColor(0, 255, 0), 100, 0, 0, 0.0));
    EXPECT_EQ(PixelOf(*bitmap, 5, 4), RGB(0, 0, 0));
    EXPECT_FALSE(bitmap->DrawDropShadow(&context, CRGBColor(0, 255, 0), 100, 1, 1, 3.0)) << "blur is not there yet";
    EXPECT_EQ(PixelOf(*bitmap, 5, 4), RGB(0, 0, 0));
    CGdiBitmap empty(static_cast<HBITMAP>(nullptr), FALSE);
    EXPECT_FALSE(empty.DrawDropShadow(&context, CRGBColor(0, 255, 0), 100, 1, 1, 0.0));
}

TEST(GdiBitmap, MonochromeAndCompatibleConstructors)
{
    const BYTE bits[4] = {0x80, 0, 0, 0};
    CGdiBitmap mask(CGfxPoint(8, 2), 1, 1, bits);
    ASSERT_TRUE(mask.IsValid());
    BITMAP described{};
    ASSERT_TRUE(mask.GetBitmap(&described));
    EXPECT_EQ(described.bmBitsPixel, 1);
    EXPECT_EQ(described.bmWidth, 8);

    ScreenContext screen;
    CGdiBitmap compatible(&screen.context, CGfxPoint(5, 6));
    ASSERT_TRUE(compatible.IsValid());
    EXPECT_EQ(compatible.GetSize(), CGfxSize(5, 6));
    const CRGBColor key(kKey);
    CGdiBitmap keyed(CGfxPoint(2, 2), 1, 32, nullptr, &key);
    EXPECT_TRUE(keyed.IsTransparent());
}

TEST(GdiBitmap, PixelTypeTables)
{
    struct Case {
        int type, bits, palette, samples;
    } cases[] = {{1, 1, 2, 1},  {2, 4, 16, 1}, {4, 4, 16, 1}, {3, 8, 256, 1}, {5, 8, 256, 1},
                 {7, 24, 0, 3}, {8, 32, 0, 4}, {6, 0, 0, 0},  {0, 0, 0, 0},   {9, 0, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(BitsPerPixelOfPixelType(c.type), c.bits) << c.type;
        EXPECT_EQ(PaletteSizeOfPixelType(c.type), c.palette) << c.type;
        EXPECT_EQ(SamplesOfPixelType(c.type), c.samples) << c.type;
    }
    struct Back {
        int bits, type;
    } back[] = {{1, 1}, {4, 2}, {8, 3}, {24, 7}, {32, 8}, {16, 0}, {2, 0}};
    for (const Back& b : back)
        EXPECT_EQ(PixelTypeOfBitCount(b.bits), b.type) << b.bits;
}
