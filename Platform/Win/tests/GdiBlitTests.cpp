#include <gtest/gtest.h>

#include "GdiTestSupport.h"

namespace {

using gdi_test::ColorCanvas;
using gdi_test::MonoCanvas;
using gdi_test::Selection;

// The defining property of the raster-operation index: applied to the
// pattern 0xF0, the source 0xCC and the destination 0xAA, an operation
// gives its own index.
TEST(GdiBlit, EveryTernaryRopGivesItsIndexOnTheDefiningOperands)
{
    auto dest = ColorCanvas(1, 1);
    auto source = ColorCanvas(1, 1, RGB(0xCC, 0xCC, 0xCC));
    Selection brush(dest->dc(), CreateSolidBrush(RGB(0xF0, 0xF0, 0xF0)));
    for (DWORD index = 0; index < 256; ++index) {
        SetPixelV(dest->dc(), 0, 0, RGB(0xAA, 0xAA, 0xAA));
        ASSERT_TRUE(BitBlt(dest->dc(), 0, 0, 1, 1, source->dc(), 0, 0, index << 16));
        BYTE v = static_cast<BYTE>(index);
        EXPECT_EQ(GetPixel(dest->dc(), 0, 0), RGB(v, v, v)) << "rop index " << index;
    }
}

TEST(GdiBlit, NamedRopsDoWhatTheirNamesSay)
{
    const DWORD P = RGB(0x0F, 0xF0, 0x33), S = RGB(0x5A, 0x3C, 0xC3), D = RGB(0x96, 0x69, 0x0F);
    const DWORD M = 0x00FFFFFF;
    struct Case {
        DWORD rop;
        DWORD expected;
    };
    const Case cases[] = {
        {SRCCOPY, S},          {SRCAND, S & D},         {SRCPAINT, S | D},          {SRCINVERT, S ^ D},
        {NOTSRCCOPY, ~S & M},  {SRCERASE, S & ~D},      {NOTSRCERASE, ~(S | D) & M}, {MERGECOPY, P & S},
        {MERGEPAINT, (~S | D) & M}, {PATCOPY, P},       {PATINVERT, P ^ D},         {DSTINVERT, ~D & M},
        {BLACKNESS, 0},        {WHITENESS, M},          {PATPAINT, (P | ~S | D) & M},
    };
    auto dest = ColorCanvas(1, 1);
    auto source = ColorCanvas(1, 1, S);
    Selection brush(dest->dc(), CreateSolidBrush(P));
    for (const Case& c : cases) {
        SetPixelV(dest->dc(), 0, 0, D);
        EXPECT_TRUE(BitBlt(dest->dc(), 0, 0, 1, 1, source->dc(), 0, 0, c.rop));
        EXPECT_EQ(GetPixel(dest->dc(), 0, 0), c.expected) << std::hex << "rop " << c.rop;
    }
}

TEST(GdiBlit, ColourToMonochromeGivesWhiteExactlyForTheSourceBackground)
{
    auto source = ColorCanvas(4, 1);
    gdi_test::Paint(source->dc(), {"rmbm"});
    SetPixelV(source->dc(), 0, 0, RGB(254, 0, 255)); // one step from the key
    auto mask = MonoCanvas(4, 1);
    SetBkColor(source->dc(), RGB(255, 0, 255));
    EXPECT_TRUE(BitBlt(mask->dc(), 0, 0, 4, 1, source->dc(), 0, 0, SRCCOPY));
    EXPECT_GRID(mask->dc(), (std::vector<std::string>{"#.#."}));
}

TEST(GdiBlit, MonochromeToColourTakesTheDestinationTextAndBackgroundColours)
{
    auto mono = MonoCanvas(4, 1);
    SetPixelV(mono->dc(), 1, 0, RGB(0, 0, 0));
    SetPixelV(mono->dc(), 3, 0, RGB(0, 0, 0));
    auto dest = ColorCanvas(4, 1);
    SetTextColor(dest->dc(), RGB(0, 255, 0));
    SetBkColor(dest->dc(), RGB(255, 0, 255));
    SetTextColor(mono->dc(), RGB(255, 0, 0)); // the source DC's colours play no part
    EXPECT_TRUE(BitBlt(dest->dc(), 0, 0, 4, 1, mono->dc(), 0, 0, SRCCOPY));
    EXPECT_GRID(dest->dc(), (std::vector<std::string>{"mgmg"}));
}

TEST(GdiBlit, MonochromeSurfacesStoreBlackOrWhiteOnly)
{
    auto mono = MonoCanvas(3, 1);
    SetPixelV(mono->dc(), 0, 0, RGB(200, 200, 200));
    SetPixelV(mono->dc(), 1, 0, RGB(40, 40, 40));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT last{2, 0, 3, 1};
    FillRect(mono->dc(), &last, red);
    EXPECT_GRID(mono->dc(), (std::vector<std::string>{".##"}));
    DeleteObject(red);
}

// The classic transparent blit: a monochrome mask from the key colour,
// then SRCAND and SRCPAINT, over three kinds of background.
TEST(GdiBlit, MaskedTransparentBlitShowsTheBackgroundWhereTheKeyWas)
{
    const std::vector<std::string> image = {"mrrm", "rbbr", "mrrm"};
    const COLORREF key = RGB(255, 0, 255);
    auto paintColour = [](HDC dc) {
        HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
        RECT all{0, 0, 4, 3};
        FillRect(dc, &all, green);
        DeleteObject(green);
    };
    auto paintBitmap = [](HDC dc) { gdi_test::Paint(dc, {"cyyc", "#..#", "ycyc"}); };
    auto paintTile = [](HDC dc) {
        const BYTE bits[] = {0x80, 0, 0x40, 0};
        HBITMAP tile = CreateBitmap(2, 2, 1, 1, bits);
        HBRUSH brush = CreatePatternBrush(tile);
        SetTextColor(dc, RGB(0, 255, 255));
        SetBkColor(dc, RGB(255, 255, 0));
        RECT all{0, 0, 4, 3};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        DeleteObject(tile);
    };
    struct Case {
        const char* name;
        void (*paint)(HDC);
    };
    const Case cases[] = {{"colour", paintColour}, {"bitmap", paintBitmap}, {"tile", paintTile}};
    for (const Case& c : cases) {
        auto source = ColorCanvas(4, 3);
        gdi_test::Paint(source->dc(), image);
        auto dest = ColorCanvas(4, 3);
        c.paint(dest->dc());
        std::vector<std::string> background = gdi_test::Grid(dest->dc(), 4, 3);

        auto mask = MonoCanvas(4, 3);
        SetBkColor(source->dc(), key);
        BitBlt(mask->dc(), 0, 0, 4, 3, source->dc(), 0, 0, SRCCOPY);
        auto cutout = ColorCanvas(4, 3);
        BitBlt(cutout->dc(), 0, 0, 4, 3, source->dc(), 0, 0, SRCCOPY);
        SetTextColor(cutout->dc(), RGB(255, 255, 255));
        SetBkColor(cutout->dc(), RGB(0, 0, 0));
        BitBlt(cutout->dc(), 0, 0, 4, 3, mask->dc(), 0, 0, SRCAND);
        SetTextColor(dest->dc(), RGB(0, 0, 0));
        SetBkColor(dest->dc(), RGB(255, 255, 255));
        BitBlt(dest->dc(), 0, 0, 4, 3, mask->dc(), 0, 0, SRCAND);
        BitBlt(dest->dc(), 0, 0, 4, 3, cutout->dc(), 0, 0, SRCPAINT);

        std::vector<std::string> expected = image;
        for (size_t y = 0; y < 3; ++y)
            for (size_t x = 0; x < 4; ++x)
                if (image[y][x] == 'm')
                    expected[y][x] = background[y][x];
        EXPECT_EQ(gdi_test::Grid(dest->dc(), 4, 3), expected) << c.name;
        EXPECT_EQ(gdi_test::Grid(source->dc(), 4, 3), image) << c.name << ": the source stays as it was";
    }
}

TEST(GdiBlit, StretchBltScalesAndMirrors)
{
    auto source = ColorCanvas(2, 2);
    gdi_test::Paint(source->dc(), {"rg", "b#"});
    auto dest = ColorCanvas(4, 4);
    SetStretchBltMode(dest->dc(), COLORONCOLOR);
    EXPECT_TRUE(StretchBlt(dest->dc(), 0, 0, 4, 4, source->dc(), 0, 0, 2, 2, SRCCOPY));
    EXPECT_GRID(dest->dc(), (std::vector<std::string>{"rrgg", "rrgg", "bb##", "bb##"}));
    // A negative extent mirrors; the rectangle then runs back from x + 1.
    EXPECT_TRUE(StretchBlt(dest->dc(), 3, 0, -4, 2, source->dc(), 0, 0, 2, 2, SRCCOPY));
    EXPECT_GRID(dest->dc(), (std::vector<std::string>{"ggrr", "##bb", "bb##", "bb##"}));
}

TEST(GdiBlit, ShrinkingModesChooseHowPixelsMerge)
{
    auto source = ColorCanvas(4, 1);
    gdi_test::Paint(source->dc(), {"#..."});
    struct Case {
        int mode;
        COLORREF first;
    };
    const Case cases[] = {
        {BLACKONWHITE, RGB(0, 0, 0)},
        {WHITEONBLACK, RGB(255, 255, 255)},
        {HALFTONE, RGB(127, 127, 127)},
    };
    for (const Case& c : cases) {
        auto dest = ColorCanvas(2, 1);
        SetStretchBltMode(dest->dc(), c.mode);
        StretchBlt(dest->dc(), 0, 0, 2, 1, source->dc(), 0, 0, 4, 1, SRCCOPY);
        EXPECT_EQ(GetPixel(dest->dc(), 0, 0), c.first) << "mode " << c.mode;
        EXPECT_EQ(GetPixel(dest->dc(), 1, 0), RGB(255, 255, 255)) << "mode " << c.mode;
    }
}

TEST(GdiBlit, HalftoneEnlargementBlendsNeighbours)
{
    auto source = ColorCanvas(2, 1);
    gdi_test::Paint(source->dc(), {"#."});
    auto dest = ColorCanvas(8, 1);
    SetStretchBltMode(dest->dc(), HALFTONE);
    StretchBlt(dest->dc(), 0, 0, 8, 1, source->dc(), 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(GetPixel(dest->dc(), 0, 0), RGB(0, 0, 0)) << "the ends keep their colours";
    EXPECT_EQ(GetPixel(dest->dc(), 7, 0), RGB(255, 255, 255));
    DWORD previous = 0;
    for (int x = 1; x < 8; ++x) {
        DWORD level = GetRValue(GetPixel(dest->dc(), x, 0));
        EXPECT_GE(level, previous) << "a ramp from black to white at " << x;
        previous = level;
    }
    BYTE middle = GetRValue(GetPixel(dest->dc(), 4, 0));
    EXPECT_GT(middle, 0);
    EXPECT_LT(middle, 255);
}

TEST(GdiBlit, BlitsWithinOneBitmapMayOverlap)
{
    auto canvas = ColorCanvas(5, 1);
    gdi_test::Paint(canvas->dc(), {"rgb.."});
    EXPECT_TRUE(BitBlt(canvas->dc(), 1, 0, 4, 1, canvas->dc(), 0, 0, SRCCOPY));
    EXPECT_GRID(canvas->dc(), (std::vector<std::string>{"rrgb."}));
}

TEST(GdiBlit, BlitsStayInsideTheClipRegion)
{
    auto source = ColorCanvas(6, 3, RGB(255, 0, 0));
    auto dest = ColorCanvas(6, 3);
    IntersectClipRect(dest->dc(), 1, 0, 5, 3);
    ExcludeClipRect(dest->dc(), 2, 1, 4, 2);
    BitBlt(dest->dc(), 0, 0, 6, 3, source->dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(dest->dc(), 0, 0), CLR_INVALID) << "pixels outside the clip cannot be read";
    SelectClipRgn(dest->dc(), nullptr);
    EXPECT_GRID(dest->dc(), (std::vector<std::string>{".rrrr.", ".r..r.", ".rrrr."}));
}

TEST(GdiBlit, HugeCoordinatesAreClippedRatherThanWalked)
{
    constexpr int kFar = 2000000000;
    auto canvas = ColorCanvas(8, 8);
    auto source = ColorCanvas(4, 4, RGB(255, 0, 0));
    HDC dc = canvas->dc();
    Selection pen(dc, CreatePen(PS_SOLID, 100000, RGB(0, 0, 255)));
    EXPECT_TRUE(Rectangle(dc, -kFar, -kFar, kFar, kFar));
    EXPECT_TRUE(Ellipse(dc, -kFar, -kFar, kFar, kFar));
    MoveToEx(dc, -kFar, -kFar, nullptr);
    EXPECT_TRUE(LineTo(dc, kFar, kFar));
    const POINT wide[] = {{-kFar, 0}, {kFar, 1}, {0, kFar}};
    EXPECT_TRUE(Polygon(dc, wide, 3));
    EXPECT_TRUE(BitBlt(dc, -kFar, -kFar, kFar, kFar, source->dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(StretchBlt(dc, 0, 0, kFar, kFar, source->dc(), 0, 0, 4, 4, SRCCOPY));
    EXPECT_TRUE(StretchBlt(dc, 0, 0, 8, 8, source->dc(), -kFar, -kFar, kFar, kFar, SRCCOPY));
    SetStretchBltMode(dc, HALFTONE);
    EXPECT_TRUE(StretchBlt(dc, 0, 0, 8, 8, source->dc(), 0, 0, kFar, kFar, SRCCOPY));
    struct {
        BITMAPINFOHEADER header;
        DWORD pixel;
    } dib{{sizeof(BITMAPINFOHEADER), 1, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, 0x00FF00};
    const auto* info = reinterpret_cast<const BITMAPINFO*>(&dib);
    StretchDIBits(dc, 0, 0, kFar, kFar, -kFar, -kFar, kFar, kFar, &dib.pixel, info, DIB_RGB_COLORS, SRCCOPY);
    StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 1, 1, &dib.pixel, info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(GetPixel(dc, 7, 7), RGB(0, 255, 0)) << "drawing still works after all that";
}

TEST(GdiBlit, BadArgumentsFail)
{
    auto dest = ColorCanvas(2, 2);
    HDC gone = CreateCompatibleDC(nullptr);
    DeleteDC(gone);
    EXPECT_FALSE(BitBlt(dest->dc(), 0, 0, 1, 1, gone, 0, 0, SRCCOPY));
    EXPECT_FALSE(PatBlt(dest->dc(), 0, 0, 1, 1, SRCCOPY)) << "PatBlt has no source";
    EXPECT_FALSE(PatBlt(gone, 0, 0, 1, 1, PATCOPY));
    EXPECT_TRUE(BitBlt(dest->dc(), 0, 0, 0, 0, dest->dc(), 0, 0, SRCCOPY)) << "an empty blit does nothing";
}

TEST(GdiBlit, DibsDrawOntoTheDeviceTheRightWayUp)
{
    // A bottom-up 2 x 2 24-bit DIB: its first row in memory is the bottom.
    struct {
        BITMAPINFOHEADER header;
        BYTE pixels[16];
    } dib{};
    dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const BYTE rows[16] = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0};
    std::copy(std::begin(rows), std::end(rows), dib.pixels);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(&dib.header);
    auto dest = ColorCanvas(4, 4);
    EXPECT_EQ(SetDIBitsToDevice(dest->dc(), 0, 0, 2, 2, 0, 0, 0, 2, dib.pixels, info, DIB_RGB_COLORS), 2);
    EXPECT_GRID(dest->dc(), (std::vector<std::string>{"r#..", "bg..", "....", "...."}));
    EXPECT_GT(StretchDIBits(dest->dc(), 0, 0, 4, 4, 0, 0, 2, 2, dib.pixels, info, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_GRID(dest->dc(), (std::vector<std::string>{"rr##", "rr##", "bbgg", "bbgg"}));
    BITMAPINFOHEADER bad = dib.header;
    bad.biBitCount = 7;
    EXPECT_EQ(StretchDIBits(dest->dc(), 0, 0, 4, 4, 0, 0, 2, 2, dib.pixels, reinterpret_cast<BITMAPINFO*>(&bad),
                            DIB_RGB_COLORS, SRCCOPY),
              0);
}

} // namespace
