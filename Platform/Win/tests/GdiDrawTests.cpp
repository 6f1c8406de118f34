#include <gtest/gtest.h>

#include "GdiTestSupport.h"

namespace {

using gdi_test::ColorCanvas;
using gdi_test::Selection;

TEST(GdiDraw, RectangleFramesWithThePenAndExcludesRightAndBottom)
{
    auto canvas = ColorCanvas(8, 6);
    Selection brush(canvas->dc(), CreateSolidBrush(RGB(255, 0, 0)));
    EXPECT_TRUE(Rectangle(canvas->dc(), 1, 1, 6, 5));
    EXPECT_GRID(canvas->dc(), (std::vector<std::string>{
                                  "........",
                                  ".#####..",
                                  ".#rrr#..",
                                  ".#rrr#..",
                                  ".#####..",
                                  "........",
                              }));
}

TEST(GdiDraw, RectangleWithoutPenIsOnePixelSmaller)
{
    auto canvas = ColorCanvas(8, 6);
    Selection brush(canvas->dc(), CreateSolidBrush(RGB(255, 0, 0)));
    HGDIOBJ old = SelectObject(canvas->dc(), GetStockObject(NULL_PEN));
    Rectangle(canvas->dc(), 1, 1, 6, 5);
    SelectObject(canvas->dc(), old);
    EXPECT_GRID(canvas->dc(), (std::vector<std::string>{
                                  "........",
                                  ".rrrr...",
                                  ".rrrr...",
                                  ".rrrr...",
                                  "........",
                              }));
}

TEST(GdiDraw, LineToLeavesOutTheLastPixelAndMovesTheCurrentPosition)
{
    auto canvas = ColorCanvas(6, 5);
    HDC dc = canvas->dc();
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 4, 0);
    LineTo(dc, 4, 3);
    MoveToEx(dc, 0, 1, nullptr);
    LineTo(dc, 3, 4);
    POINT at{};
    GetCurrentPositionEx(dc, &at);
    EXPECT_EQ(at.x, 3);
    EXPECT_EQ(at.y, 4);
    EXPECT_GRID(dc, (std::vector<std::string>{
                        "#####.",
                        "#...#.",
                        ".#..#.",
                        "..#...",
                        "......",
                    }));
}

TEST(GdiDraw, PolylineDrawsEachVertexOnceUnderXor)
{
    auto canvas = ColorCanvas(6, 4, RGB(0, 0, 0));
    HDC dc = canvas->dc();
    Selection pen(dc, CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    SetROP2(dc, R2_XORPEN);
    const POINT path[] = {{0, 0}, {4, 0}, {4, 3}, {0, 3}};
    EXPECT_TRUE(Polyline(dc, path, 4));
    EXPECT_GRID(dc, (std::vector<std::string>{
                        ".....#",
                        "####.#",
                        "####.#",
                        "#....#",
                    }));
}

TEST(GdiDraw, SetRop2ModesCombinePenAndDestination)
{
    const DWORD P = RGB(0x0F, 0xF0, 0x33), D = RGB(0x55, 0x3C, 0xA6);
    const DWORD M = 0x00FFFFFF;
    struct Case {
        int mode;
        DWORD expected;
    };
    const Case cases[] = {
        {R2_BLACK, 0},           {R2_NOTMERGEPEN, ~(P | D) & M}, {R2_MASKNOTPEN, ~P & D},
        {R2_NOTCOPYPEN, ~P & M}, {R2_MASKPENNOT, P & ~D},        {R2_NOT, ~D & M},
        {R2_XORPEN, P ^ D},      {R2_NOTMASKPEN, ~(P & D) & M},  {R2_MASKPEN, P & D},
        {R2_NOTXORPEN, ~(P ^ D) & M}, {R2_NOP, D},               {R2_MERGENOTPEN, (~P | D) & M},
        {R2_COPYPEN, P},         {R2_MERGEPENNOT, (P | ~D) & M}, {R2_MERGEPEN, P | D},
        {R2_WHITE, M},
    };
    auto canvas = ColorCanvas(2, 1);
    HDC dc = canvas->dc();
    Selection pen(dc, CreatePen(PS_SOLID, 1, P));
    for (const Case& c : cases) {
        SetPixelV(dc, 0, 0, D);
        SetROP2(dc, c.mode);
        MoveToEx(dc, 0, 0, nullptr);
        LineTo(dc, 1, 0);
        EXPECT_EQ(GetPixel(dc, 0, 0), c.expected) << "R2 mode " << c.mode;
    }
    EXPECT_EQ(SetROP2(dc, 0), 0) << "modes outside 1..16 are refused";
}

TEST(GdiDraw, StyledPensFillTheirGapsOnlyInOpaqueMode)
{
    auto canvas = ColorCanvas(12, 2);
    HDC dc = canvas->dc();
    Selection pen(dc, CreatePen(PS_DOT, 1, RGB(255, 0, 0)));
    SetBkColor(dc, RGB(0, 0, 255));
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 12, 0);
    SetBkMode(dc, TRANSPARENT);
    MoveToEx(dc, 0, 1, nullptr);
    LineTo(dc, 12, 1);
    EXPECT_GRID(dc, (std::vector<std::string>{"rrrbbbrrrbbb", "rrr...rrr..."}));
}

TEST(GdiDraw, EllipseStaysInItsBoxAndIsSymmetric)
{
    auto canvas = ColorCanvas(11, 11);
    HDC dc = canvas->dc();
    Selection brush(dc, CreateSolidBrush(RGB(255, 0, 0)));
    EXPECT_TRUE(Ellipse(dc, 1, 1, 10, 10));
    std::vector<std::string> grid = gdi_test::Grid(dc, 11, 11);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 11; ++x) {
            EXPECT_EQ(grid[y][x], grid[y][10 - x]) << x << "," << y;
            EXPECT_EQ(grid[y][x], grid[10 - y][x]) << x << "," << y;
            if (x == 0 || y == 0 || x == 10 || y == 10) {
                EXPECT_EQ(grid[y][x], '.') << "outside the box: " << x << "," << y;
            }
        }
    EXPECT_EQ(grid[1][5], '#') << "the pen touches the top";
    EXPECT_EQ(grid[5][1], '#') << "and the left";
    EXPECT_EQ(grid[1][1], '.') << "corners stay out";
    EXPECT_EQ(grid[5][5], 'r') << "the brush fills the inside";
}

TEST(GdiDraw, RoundRectRoundsItsCornersOnly)
{
    auto canvas = ColorCanvas(12, 10);
    HDC dc = canvas->dc();
    EXPECT_TRUE(RoundRect(dc, 1, 1, 11, 9, 6, 6));
    std::vector<std::string> grid = gdi_test::Grid(dc, 12, 10);
    EXPECT_EQ(grid[1][1], '.');
    EXPECT_EQ(grid[1][6], '#');
    EXPECT_EQ(grid[4][1], '#');
    EXPECT_EQ(grid[8][10], '.');
    EXPECT_EQ(grid[4][10], '#');
}

TEST(GdiDraw, PolygonFillModesDifferInsideAStar)
{
    const POINT star[] = {{10, 0}, {16, 20}, {0, 7}, {20, 7}, {4, 20}};
    struct Case {
        int mode;
        char centre;
    };
    for (Case c : {Case{ALTERNATE, '.'}, Case{WINDING, 'r'}}) {
        auto canvas = ColorCanvas(21, 21);
        HDC dc = canvas->dc();
        Selection brush(dc, CreateSolidBrush(RGB(255, 0, 0)));
        HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_PEN));
        SetPolyFillMode(dc, c.mode);
        EXPECT_TRUE(Polygon(dc, star, 5));
        SelectObject(dc, old);
        std::vector<std::string> grid = gdi_test::Grid(dc, 21, 21);
        EXPECT_EQ(grid[10][10], c.centre) << "mode " << c.mode;
        EXPECT_EQ(grid[8][2], 'r') << "a point of the star is filled in both";
    }
}

TEST(GdiDraw, PolygonExcludesRightAndBottomEdges)
{
    auto canvas = ColorCanvas(6, 5);
    HDC dc = canvas->dc();
    Selection brush(dc, CreateSolidBrush(RGB(255, 0, 0)));
    HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_PEN));
    const POINT square[] = {{1, 1}, {4, 1}, {4, 3}, {1, 3}};
    Polygon(dc, square, 4);
    SelectObject(dc, old);
    EXPECT_GRID(dc, (std::vector<std::string>{"......", ".rrr..", ".rrr..", "......"}));
}

TEST(GdiDraw, PolyBezierRunsFromItsFirstPointTowardsItsLast)
{
    auto canvas = ColorCanvas(20, 12);
    HDC dc = canvas->dc();
    const POINT curve[] = {{1, 10}, {5, 0}, {14, 0}, {18, 10}};
    EXPECT_TRUE(PolyBezier(dc, curve, 4));
    EXPECT_EQ(GetPixel(dc, 1, 10), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 9, 10), RGB(255, 255, 255)) << "a curve, not a chord";
    int topmost = 12;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            if (GetPixel(dc, x, y) == RGB(0, 0, 0))
                topmost = std::min(topmost, y);
    EXPECT_GE(topmost, 2) << "the curve stays inside its control points' hull";
    EXPECT_LE(topmost, 3);
    const POINT bad[] = {{0, 0}, {1, 1}};
    EXPECT_FALSE(PolyBezier(dc, bad, 2));
}

TEST(GdiDraw, WidePensAreCentredOnTheOutline)
{
    auto canvas = ColorCanvas(10, 10);
    HDC dc = canvas->dc();
    Selection pen(dc, CreatePen(PS_SOLID, 3, RGB(0, 0, 255)));
    HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 2, 2, 8, 8);
    SelectObject(dc, old);
    EXPECT_EQ(GetPixel(dc, 1, 4), RGB(0, 0, 255)) << "half the pen lies outside";
    EXPECT_EQ(GetPixel(dc, 3, 4), RGB(0, 0, 255)) << "and half inside";
    EXPECT_EQ(GetPixel(dc, 4, 4), RGB(255, 255, 255)) << "the null brush leaves the inside";
    EXPECT_EQ(GetPixel(dc, 0, 4), RGB(255, 255, 255));
}

TEST(GdiDraw, PatternBrushesTileFromTheBrushOriginInTheDcColours)
{
    // A 2 x 2 monochrome checker: 1 at (0,0) and (1,1).
    const BYTE bits[] = {0x80, 0, 0x40, 0};
    HBITMAP pattern = CreateBitmap(2, 2, 1, 1, bits);
    HBRUSH brush = CreatePatternBrush(pattern);
    auto canvas = ColorCanvas(4, 2);
    HDC dc = canvas->dc();
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkColor(dc, RGB(0, 0, 255));
    RECT all{0, 0, 4, 2};
    FillRect(dc, &all, brush);
    EXPECT_GRID(dc, (std::vector<std::string>{"brbr", "rbrb"}));
    SetBrushOrgEx(dc, 1, 0, nullptr);
    FillRect(dc, &all, brush);
    EXPECT_GRID(dc, (std::vector<std::string>{"rbrb", "brbr"}));
    DeleteObject(brush);
    DeleteObject(pattern);
}

TEST(GdiDraw, HatchBrushesLeaveTheirGapsInTransparentMode)
{
    auto canvas = ColorCanvas(8, 8, RGB(0, 255, 0));
    HDC dc = canvas->dc();
    HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(255, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    RECT all{0, 0, 8, 8};
    FillRect(dc, &all, hatch);
    EXPECT_EQ(GetPixel(dc, 7, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 0, 7), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0, 255, 0));
    SetBkMode(dc, OPAQUE);
    FillRect(dc, &all, hatch);
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(255, 255, 255)) << "the background colour fills the gaps";
    DeleteObject(hatch);
}

TEST(GdiDraw, FrameAndInvertRectTouchOnlyTheirPixels)
{
    auto canvas = ColorCanvas(6, 5);
    HDC dc = canvas->dc();
    RECT frame{1, 1, 5, 4};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    EXPECT_TRUE(FrameRect(dc, &frame, red));
    RECT inside{2, 2, 3, 3};
    EXPECT_TRUE(InvertRect(dc, &inside));
    EXPECT_GRID(dc, (std::vector<std::string>{
                        "......",
                        ".rrrr.",
                        ".r#.r.",
                        ".rrrr.",
                        "......",
                    }));
    DeleteObject(red);
}

// An L-shaped region: a 4 x 2 bar over a 2 x 2 foot.
HRGN MakeLRegion()
{
    HRGN region = CreateRectRgn(1, 1, 5, 3);
    HRGN foot = CreateRectRgn(1, 3, 3, 5);
    CombineRgn(region, region, foot, RGN_OR);
    DeleteObject(foot);
    return region;
}

TEST(GdiDraw, RegionsFillFrameAndInvert)
{
    auto canvas = ColorCanvas(6, 6);
    HDC dc = canvas->dc();
    HRGN region = MakeLRegion();
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    EXPECT_TRUE(FillRgn(dc, region, red));
    EXPECT_GRID(dc, (std::vector<std::string>{
                        "......",
                        ".rrrr.",
                        ".rrrr.",
                        ".rr...",
                        ".rr...",
                        "......",
                    }));
    EXPECT_TRUE(InvertRgn(dc, region));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 255, 255));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT all{0, 0, 6, 6};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_TRUE(FrameRgn(dc, region, blue, 1, 1));
    EXPECT_GRID(dc, (std::vector<std::string>{
                        "......",
                        ".bbbb.",
                        ".b.bb.",
                        ".bb...",
                        ".bb...",
                        "......",
                    }));
    HGDIOBJ old = SelectObject(dc, red);
    EXPECT_TRUE(PaintRgn(dc, region));
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(255, 0, 0)) << "PaintRgn uses the selected brush";
    SelectObject(dc, old);
    EXPECT_FALSE(FillRgn(dc, nullptr, red));
    DeleteObject(region);
    DeleteObject(red);
    DeleteObject(blue);
}

TEST(GdiDraw, FrameControlsOfEveryKindDrawInsideTheirRectangle)
{
    struct Case {
        UINT type;
        UINT state;
    };
    const Case cases[] = {
        {DFC_BUTTON, DFCS_BUTTONPUSH},       {DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED},
        {DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_INACTIVE}, {DFC_CAPTION, DFCS_CAPTIONCLOSE},
        {DFC_CAPTION, DFCS_CAPTIONMIN},      {DFC_CAPTION, DFCS_CAPTIONMAX},
        {DFC_SCROLL, DFCS_SCROLLUP},         {DFC_SCROLL, DFCS_SCROLLDOWN},
        {DFC_SCROLL, DFCS_SCROLLLEFT},       {DFC_SCROLL, DFCS_SCROLLRIGHT},
    };
    for (const Case& c : cases) {
        auto canvas = ColorCanvas(20, 20, RGB(255, 0, 255));
        RECT r{2, 2, 18, 18};
        EXPECT_TRUE(DrawFrameControl(canvas->dc(), &r, c.type, c.state)) << c.type << "/" << c.state;
        std::vector<std::string> grid = gdi_test::Grid(canvas->dc(), 20, 20);
        for (int i = 0; i < 20; ++i) {
            for (int edge : {0, 1, 18, 19}) {
                EXPECT_EQ(grid[edge][i], 'm') << c.type << "/" << c.state << " row " << edge;
                EXPECT_EQ(grid[i][edge], 'm') << c.type << "/" << c.state << " column " << edge;
            }
        }
        EXPECT_NE(grid[10][10], 'm') << c.type << "/" << c.state << " draws something inside";
    }
}

TEST(GdiDraw, FocusRectanglesEraseThemselves)
{
    auto canvas = ColorCanvas(8, 6, RGB(255, 0, 255));
    HDC dc = canvas->dc();
    RECT r{1, 1, 7, 5};
    std::vector<std::string> before = gdi_test::Grid(dc, 8, 6);
    DrawFocusRect(dc, &r);
    EXPECT_NE(gdi_test::Grid(dc, 8, 6), before);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 255, 0)) << "dots invert";
    EXPECT_EQ(GetPixel(dc, 2, 1), RGB(255, 0, 255)) << "every other pixel";
    DrawFocusRect(dc, &r);
    EXPECT_EQ(gdi_test::Grid(dc, 8, 6), before);
}

TEST(GdiDraw, DrawEdgeUsesTheThreeDColoursAndAdjusts)
{
    auto canvas = ColorCanvas(8, 8);
    HDC dc = canvas->dc();
    RECT r{0, 0, 8, 8};
    EXPECT_TRUE(DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST | BF_MIDDLE));
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.bottom, 6);
    EXPECT_EQ(GetPixel(dc, 0, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(GetPixel(dc, 7, 7), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(GetPixel(dc, 1, 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(GetPixel(dc, 6, 6), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(GetPixel(dc, 4, 4), GetSysColor(COLOR_BTNFACE));
}

TEST(GdiDraw, FrameControlCheckBoxShowsItsTickOnlyWhenChecked)
{
    auto count = [](HDC dc) {
        int ink = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ink += GetPixel(dc, x, y) == GetSysColor(COLOR_BTNTEXT);
        return ink;
    };
    auto plain = ColorCanvas(16, 16);
    auto checked = ColorCanvas(16, 16);
    RECT r{0, 0, 16, 16};
    EXPECT_TRUE(DrawFrameControl(plain->dc(), &r, DFC_BUTTON, DFCS_BUTTONCHECK));
    EXPECT_TRUE(DrawFrameControl(checked->dc(), &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED));
    EXPECT_GT(count(checked->dc()), count(plain->dc()));
    EXPECT_FALSE(DrawFrameControl(plain->dc(), &r, 99, 0));
}

TEST(GdiDraw, FrameControlRadioIgnoresTheCallersMixModeAndKeepsItsState)
{
    auto canvas = ColorCanvas(16, 16);
    HDC dc = canvas->dc();
    SetROP2(dc, R2_XORPEN);
    HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
    RECT r{0, 0, 13, 13};
    EXPECT_TRUE(DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED));
    EXPECT_EQ(GetPixel(dc, 6, 6), GetSysColor(COLOR_BTNTEXT)) << "the dot";
    EXPECT_EQ(GetPixel(dc, 6, 2), GetSysColor(COLOR_WINDOW)) << "the face";
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255)) << "outside the circle";
    EXPECT_EQ(GetROP2(dc), R2_XORPEN);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
}

TEST(GdiDraw, FrameControlMarksTakeTheInactiveColours)
{
    struct Case {
        UINT state;
        int mark; // the system colour of the box's middle
    };
    const Case cases[] = {
        {DFCS_BUTTONCHECK, COLOR_WINDOW},
        {DFCS_BUTTONCHECK | DFCS_CHECKED, COLOR_BTNTEXT},
        {DFCS_BUTTONCHECK | DFCS_INACTIVE, COLOR_BTNFACE},
        {DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE, COLOR_GRAYTEXT},
        {DFCS_BUTTONRADIO, COLOR_WINDOW},
        {DFCS_BUTTONRADIO | DFCS_CHECKED, COLOR_BTNTEXT},
        {DFCS_BUTTONRADIO | DFCS_INACTIVE, COLOR_BTNFACE},
        {DFCS_BUTTONRADIO | DFCS_CHECKED | DFCS_INACTIVE, COLOR_GRAYTEXT},
    };
    for (const Case& c : cases) {
        auto canvas = ColorCanvas(13, 13, RGB(255, 0, 255));
        RECT r{0, 0, 13, 13};
        EXPECT_TRUE(DrawFrameControl(canvas->dc(), &r, DFC_BUTTON, c.state)) << std::hex << c.state;
        EXPECT_EQ(GetPixel(canvas->dc(), 6, 6), GetSysColor(c.mark)) << std::hex << c.state;
    }
}

} // namespace
