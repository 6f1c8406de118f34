#include <gtest/gtest.h>

#include "GdiTestSupport.h"
#include "Platform/Win/Gdi/Private/GdiInternal.h"
#include "Platform/Win/User/User.h"

namespace {

using gdi_test::ColorCanvas;

TEST(GdiDc, AttributesReturnTheirPreviousValues)
{
    auto canvas = ColorCanvas(1, 1);
    HDC dc = canvas->dc();
    EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
    EXPECT_EQ(SetBkColor(dc, RGB(4, 5, 6)), RGB(255, 255, 255));
    EXPECT_EQ(GetBkColor(dc), RGB(4, 5, 6));
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(SetBkMode(dc, 7), 0) << "unknown modes are refused";
    EXPECT_EQ(SetTextAlign(dc, TA_CENTER | TA_BASELINE), TA_LEFT | TA_TOP);
    EXPECT_EQ(GetTextAlign(dc), TA_CENTER | TA_BASELINE);
    EXPECT_EQ(SetROP2(dc, R2_XORPEN), R2_COPYPEN);
    EXPECT_EQ(SetPolyFillMode(dc, WINDING), ALTERNATE);
    EXPECT_EQ(SetStretchBltMode(dc, HALFTONE), BLACKONWHITE);
    EXPECT_EQ(SetMapMode(dc, MM_TEXT), MM_TEXT);
    EXPECT_EQ(GetTextColor(nullptr), CLR_INVALID);
}

TEST(GdiDc, RestoreDcBringsBackSavedStateByAbsoluteOrRelativeLevel)
{
    auto canvas = ColorCanvas(4, 4);
    HDC dc = canvas->dc();
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ original = GetCurrentObject(dc, OBJ_BRUSH);
    EXPECT_EQ(SaveDC(dc), 1);
    SelectObject(dc, red);
    SetTextColor(dc, RGB(9, 9, 9));
    IntersectClipRect(dc, 0, 0, 2, 2);
    EXPECT_EQ(SaveDC(dc), 2);
    SetTextColor(dc, RGB(8, 8, 8));
    EXPECT_EQ(SaveDC(dc), 3);
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetTextColor(dc), RGB(8, 8, 8));
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetTextColor(dc), RGB(9, 9, 9));
    RECT box{};
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 2);
    EXPECT_FALSE(RestoreDC(dc, 5)) << "no such level";
    EXPECT_FALSE(RestoreDC(dc, 0));
    EXPECT_TRUE(RestoreDC(dc, 1));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), original);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 4) << "the clip region came back too";
    EXPECT_FALSE(RestoreDC(dc, -1)) << "nothing left to restore";
    DeleteObject(red);
}

TEST(GdiDc, ClipRegionsCombineAndReportTheirKind)
{
    auto canvas = ColorCanvas(10, 10);
    HDC dc = canvas->dc();
    RECT box{};
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 10);
    HRGN none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(dc, none), 0) << "no clip region selected yet";
    EXPECT_EQ(ExcludeClipRect(dc, 2, 2, 4, 4), COMPLEXREGION);
    EXPECT_EQ(GetClipRgn(dc, none), 1);
    EXPECT_FALSE(PtInRegion(none, 3, 3));
    EXPECT_EQ(IntersectClipRect(dc, 5, 5, 6, 6), SIMPLEREGION);
    EXPECT_EQ(IntersectClipRect(dc, 0, 0, 1, 1), NULLREGION);
    EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);
    HRGN region = CreateRectRgn(1, 1, 3, 3);
    EXPECT_EQ(SelectClipRgn(dc, region), SIMPLEREGION);
    EXPECT_EQ(SelectObject(dc, region), reinterpret_cast<HGDIOBJ>(SIMPLEREGION)) << "selecting a region clips";
    DeleteObject(region);
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION) << "the DC keeps its own copy";
    EXPECT_EQ(box.left, 1);
    EXPECT_EQ(SelectClipRgn(dc, nullptr), SIMPLEREGION);
    EXPECT_EQ(GetClipRgn(dc, none), 0);
    DeleteObject(none);
}

TEST(GdiDc, RegionCombinationsFollowTheirModes)
{
    HRGN a = CreateRectRgn(0, 0, 4, 4);
    HRGN b = CreateRectRgn(2, 2, 6, 6);
    HRGN out = CreateRectRgn(0, 0, 0, 0);
    struct Case {
        int mode;
        int type;
        POINT in;
        POINT outside;
    };
    const Case cases[] = {
        {RGN_AND, SIMPLEREGION, {3, 3}, {1, 1}},
        {RGN_OR, COMPLEXREGION, {5, 5}, {5, 0}},
        {RGN_XOR, COMPLEXREGION, {1, 1}, {3, 3}},
        {RGN_DIFF, COMPLEXREGION, {1, 1}, {3, 3}},
        {RGN_COPY, SIMPLEREGION, {3, 3}, {5, 5}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CombineRgn(out, a, b, c.mode), c.type) << "mode " << c.mode;
        EXPECT_TRUE(PtInRegion(out, c.in.x, c.in.y)) << "mode " << c.mode;
        EXPECT_FALSE(PtInRegion(out, c.outside.x, c.outside.y)) << "mode " << c.mode;
    }
    RECT box{};
    EXPECT_EQ(OffsetRgn(out, 10, 0), SIMPLEREGION);
    EXPECT_EQ(GetRgnBox(out, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 10);
    HRGN same = CreateRectRgnIndirect(&box);
    EXPECT_TRUE(EqualRgn(out, same));
    RECT probe{13, 3, 20, 20};
    EXPECT_TRUE(RectInRegion(out, &probe));
    EXPECT_EQ(CombineRgn(out, a, nullptr, RGN_AND), ERROR);
    for (HRGN r : {a, b, out, same})
        DeleteObject(r);
}

TEST(GdiDc, OriginsMoveLogicalCoordinates)
{
    auto canvas = ColorCanvas(8, 8);
    HDC dc = canvas->dc();
    POINT previous{};
    SetViewportOrgEx(dc, 3, 2, &previous);
    SetWindowOrgEx(dc, 1, 0, nullptr);
    OffsetViewportOrgEx(dc, 1, 1, &previous);
    EXPECT_EQ(previous.x, 3);
    POINT p{1, 0};
    LPtoDP(dc, &p, 1);
    EXPECT_EQ(p.x, 4);
    EXPECT_EQ(p.y, 3);
    DPtoLP(dc, &p, 1);
    EXPECT_EQ(p.x, 1);
    SetPixelV(dc, 1, 0, RGB(255, 0, 0));
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(GetPixel(dc, 4, 3), RGB(255, 0, 0));
}

TEST(GdiDc, DeviceCapsDescribeATrueColourDisplay)
{
    auto canvas = ColorCanvas(1, 1);
    HDC dc = canvas->dc();
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(dc, PLANES), 1);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_EQ(GetDeviceCaps(dc, NUMCOLORS), -1);
    EXPECT_GT(GetDeviceCaps(dc, HORZRES), 0);
    EXPECT_EQ(GetDeviceCaps(nullptr, BITSPIXEL), 0);
}

TEST(GdiDc, TheScreenDcDrawsOnTheDesktop)
{
    HDC screen = GetDC(nullptr);
    ASSERT_TRUE(screen);
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), GetSystemMetrics(SM_CXSCREEN));
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
    BITMAP info{};
    GetObject(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmBitsPixel, 32) << "bitmaps compatible with the screen are colour";
    EXPECT_FALSE(DeleteDC(nullptr));
    EXPECT_EQ(ReleaseDC(nullptr, memory), 0) << "a memory DC is deleted, not released";
    DeleteDC(memory);
    DeleteObject(bitmap);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

TEST(GdiDc, StockObjectsHaveTheirKindsAndFontsAreSelectable)
{
    struct Case {
        int index;
        DWORD type;
    };
    const Case cases[] = {
        {WHITE_BRUSH, OBJ_BRUSH}, {NULL_BRUSH, OBJ_BRUSH},    {WHITE_PEN, OBJ_PEN},
        {BLACK_PEN, OBJ_PEN},     {NULL_PEN, OBJ_PEN},        {DEFAULT_PALETTE, OBJ_PAL},
        {SYSTEM_FONT, OBJ_FONT},  {DEFAULT_GUI_FONT, OBJ_FONT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetObjectType(GetStockObject(c.index)), c.type) << c.index;
    auto canvas = ColorCanvas(1, 1);
    HDC dc = canvas->dc();
    HGDIOBJ gui = GetStockObject(DEFAULT_GUI_FONT);
    HGDIOBJ old = SelectObject(dc, gui);
    EXPECT_EQ(old, GetStockObject(SYSTEM_FONT));
    SaveDC(dc);
    SelectObject(dc, old);
    RestoreDC(dc, -1);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), gui);
    EXPECT_EQ(GetStockObject(9), nullptr) << "no stock object 9";
}

TEST(GdiDc, PalettesTranslateColoursOnATrueColourDisplay)
{
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[4];
    } log{0x300, 4, {{0, 0, 0, 0}, {255, 0, 0, PC_RESERVED}, {250, 0, 0, 0}, {0, 0, 255, 0}}};
    HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&log));
    ASSERT_TRUE(palette);
    EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(252, 0, 0)), 2u);
    EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(0, 0, 200)), 3u);
    const PALETTEENTRY changes[2] = {{0, 255, 0, 0}, {0, 255, 0, 0}};
    EXPECT_TRUE(AnimatePalette(palette, 1, 2, changes));
    PALETTEENTRY now[4] = {};
    EXPECT_EQ(GetPaletteEntries(palette, 0, 4, now), 4u);
    EXPECT_EQ(now[1].peGreen, 255) << "reserved entries animate";
    EXPECT_EQ(now[2].peRed, 250) << "the others keep their colour";
    EXPECT_EQ(SetPaletteEntries(palette, 2, 5, changes), 2u);
    EXPECT_TRUE(ResizePalette(palette, 6));
    WORD count = 0;
    GetObject(palette, sizeof count, &count);
    EXPECT_EQ(count, 6);

    auto canvas = ColorCanvas(2, 1);
    HDC dc = canvas->dc();
    HPALETTE old = SelectPalette(dc, palette, FALSE);
    EXPECT_EQ(old, GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(RealizePalette(dc), 0u);
    HBRUSH indexed = CreateSolidBrush(PALETTEINDEX(3));
    RECT one{0, 0, 1, 1};
    FillRect(dc, &one, indexed);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 255, 0)) << "entry 3 after SetPaletteEntries";
    SelectPalette(dc, old, FALSE);
    DeleteObject(indexed);
    DeleteObject(palette);

    PALETTEENTRY system[256] = {};
    EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 256, system), 256u);
    EXPECT_EQ(system[255].peRed, 255);
    EXPECT_EQ(system[7].peRed, 192);
    EXPECT_EQ(system[252].peBlue, 255) << "the top ten hold the other static colours";
    EXPECT_EQ(system[249].peRed, 255);
}

TEST(GdiDc, WindowDcsClipInDeviceCoordinatesFromTheirOrigin)
{
    // A DC whose logical (0,0) sits at (4,3) on its surface, with part of
    // its area covered by something else.
    auto surface = std::make_shared<win::Surface>(16, 12, 0);
    win::detail::RectRegion visible(RECT{4, 3, 14, 11});
    visible.Subtract(RECT{10, 3, 14, 6});
    HDC dc = win::gdi::CreateSurfaceDC(win::gdi::DcKind::Client, nullptr, surface, POINT{4, 3}, visible);
    SetViewportOrgEx(dc, 1, 1, nullptr);
    EXPECT_EQ(IntersectClipRect(dc, 0, 0, 8, 8), COMPLEXREGION);
    RECT box{};
    GetClipBox(dc, &box);
    EXPECT_EQ(box.left, 0) << "the clip box is in logical coordinates";
    EXPECT_EQ(box.right, 8);
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RECT all{-50, -50, 50, 50};
    FillRect(dc, &all, white);
    // The clip lies at device (1,1)-(9,9), surface (5,4)-(13,12).
    EXPECT_EQ(surface->PixelAt(5, 4), 0xFFFFFFu);
    EXPECT_EQ(surface->PixelAt(4, 4), 0u) << "outside the clip rectangle";
    EXPECT_EQ(surface->PixelAt(11, 4), 0u) << "the covered part";
    EXPECT_EQ(surface->PixelAt(11, 7), 0xFFFFFFu);
    EXPECT_EQ(surface->PixelAt(13, 7), 0u) << "beyond the clip rectangle";
    EXPECT_EQ(surface->PixelAt(12, 11), 0u) << "beyond the visible area";
    SetPixelV(dc, 0, 0, RGB(255, 0, 0));
    EXPECT_EQ(surface->PixelAt(5, 4), 0xFF0000u) << "logical (0,0) is the viewport origin from the DC's corner";
    EXPECT_TRUE(win::gdi::ReleaseSurfaceDC(dc));
}

TEST(GdiDc, WindowDcsDrawOnlyIntoTheirWindow)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    EXPECT_EQ(GetObjectType(memory), OBJ_MEMDC);
    EXPECT_EQ(GetObjectType(screen), OBJ_DC);
    EXPECT_FALSE(DeleteObject(memory));
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

} // namespace
