#include "Win32/Imaging/DrawContext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Win32/Imaging/GdiBitmap.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

// A 32-bit bitmap of w x h filled with one colour.
std::unique_ptr<CGdiBitmap> ColourBitmap(LONG w, LONG h, COLORREF fill)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto bitmap = std::make_unique<CGdiBitmap>(handle, TRUE);
    auto* pixels = static_cast<DWORD*>(bits);
    const DWORD value = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
    for (LONG i = 0; pixels && i < w * h; ++i)
        pixels[i] = value;
    return bitmap;
}

// A drawing context over its own 32-bit bitmap.
struct Canvas {
    Canvas(LONG w, LONG h, COLORREF fill = kWhite) : bitmap(ColourBitmap(w, h, fill))
    {
        previous = SelectObject(context.GetHDC(), bitmap->GetHandle());
    }
    ~Canvas() { SelectObject(context.GetHDC(), previous); }
    COLORREF At(int x, int y) { return ::GetPixel(context.GetHDC(), x, y); }
    void Set(int x, int y, COLORREF c) { SetPixelV(context.GetHDC(), x, y, c); }
    std::vector<COLORREF> All(int w, int h)
    {
        std::vector<COLORREF> out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                out.push_back(At(x, y));
        return out;
    }

    CDrawContext context;
    std::unique_ptr<CGdiBitmap> bitmap;
    HGDIOBJ previous = nullptr;
};

// A 6 x 4 bitmap keyed in magenta: a magenta frame around a 4 x 2 block
// whose pixels are blue except for a red one at (2, 1).
std::unique_ptr<CGdiBitmap> KeyedSprite()
{
    auto sprite = ColourBitmap(6, 4, kMagenta);
    CDrawContext memory;
    HGDIOBJ previous = SelectObject(memory.GetHDC(), sprite->GetHandle());
    for (int y = 1; y <= 2; ++y)
        for (int x = 1; x <= 4; ++x)
            SetPixelV(memory.GetHDC(), x, y, kBlue);
    SetPixelV(memory.GetHDC(), 2, 1, kRed);
    SelectObject(memory.GetHDC(), previous);
    const CRGBColor key(kMagenta);
    sprite->SetTransparentColor(&key, nullptr);
    return sprite;
}

std::vector<COLORREF> PixelsOf(CGdiBitmap& bitmap, int w, int h)
{
    CDrawContext memory;
    HGDIOBJ previous = SelectObject(memory.GetHDC(), bitmap.GetHandle());
    std::vector<COLORREF> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.push_back(::GetPixel(memory.GetHDC(), x, y));
    SelectObject(memory.GetHDC(), previous);
    return out;
}

// What a keyed sprite over `background(x, y)` must look like at (x, y).
template <typename Background> void ExpectSpriteOver(Canvas& canvas, int ox, int oy, Background background)
{
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 1 && x <= 4 && y >= 1 && y <= 2;
            const COLORREF want = !inside ? background(x, y) : (x == 2 && y == 1) ? kRed : kBlue;
            EXPECT_EQ(canvas.At(ox + x, oy + y), want) << x << "," << y;
        }
    }
}

void FillWithRed(CDrawContext& context, CGdiPen& pen, CGdiBrush& brush)
{
    context.SelectPen(&pen);
    context.SelectBrush(&brush);
}

} // namespace

TEST(DrawContext, InclusiveRectangleOfOnePixelFillsExactlyThatPixel)
{
    Canvas canvas(6, 6);
    CGdiPen pen(CRGBColor(kRed), 1, static_cast<int>(PS_SOLID));
    CGdiBrush brush{CRGBColor(kRed)};
    FillWithRed(canvas.context, pen, brush);
    ASSERT_TRUE(canvas.context.Rectangle(CGfxRect(2, 3, 2, 3)));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(canvas.At(x, y), x == 2 && y == 3 ? kRed : kWhite) << x << "," << y;
}

TEST(DrawContext, DoubleRectangleIsTruncatedAfterAddingOne)
{
    Canvas canvas(6, 6);
    CGdiPen pen(CRGBColor(kRed), 1, static_cast<int>(PS_SOLID));
    CGdiBrush brush{CRGBColor(kRed)};
    FillWithRed(canvas.context, pen, brush);
    ASSERT_TRUE(canvas.context.Rectangle(CGfxRectF(0.9, 0.9, 2.5, 2.5)));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(canvas.At(x, y), x < 3 && y < 3 ? kRed : kWhite) << x << "," << y;
}

TEST(DrawContext, FrameMarkerOfTypeTwoOutlinesSevenToTwelve)
{
    Canvas canvas(16, 16);
    CGdiPen pen(CRGBColor(kRed), 1, static_cast<int>(PS_SOLID));
    canvas.context.SelectPen(&pen);
    ASSERT_TRUE(canvas.context.FrameMarker(CGfxPointF(10.0, 10.0), 2));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool onFrame =
                ((x == 7 || x == 12) && y >= 7 && y <= 12) || ((y == 7 || y == 12) && x >= 7 && x <= 12);
            EXPECT_EQ(canvas.At(x, y), onFrame ? kRed : kWhite) << x << "," << y;
        }
    }
}

TEST(DrawContext, FillMarkerFillsWithoutAnOutline)
{
    Canvas canvas(10, 10);
    CGdiPen pen(CRGBColor(kBlue), 1, static_cast<int>(PS_SOLID));
    CGdiBrush brush{CRGBColor(kRed)};
    FillWithRed(canvas.context, pen, brush);
    ASSERT_TRUE(canvas.context.FillMarker(CGfxPointF(5.0, 5.0), 0));
    // Half size 1.5: (3.5, 3.5)-(6.5, 6.5) passes (3, 3, 7, 7); a null pen
    // leaves the right and bottom edge out.
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(canvas.At(x, y), x >= 3 && x <= 5 && y >= 3 && y <= 5 ? kRed : kWhite) << x << "," << y;
}

TEST(DrawContext, PolyBezierPathIsOneCurveOfThreeNPlusOnePoints)
{
    CGfxPointF first[4] = {{1, 1}, {5, 20}, {10, 0}, {14, 10}};
    CGfxPointF second[4] = {{99, 99}, {18, 20}, {22, 2}, {28, 14}};
    CGfxPointFList segments;
    segments.AddTail(first);
    segments.AddTail(second);
    Canvas viaPath(32, 24), direct(32, 24);
    ASSERT_TRUE(viaPath.context.PolyBezierPath(segments));
    const POINT points[7] = {{1, 1}, {5, 20}, {10, 0}, {14, 10}, {18, 20}, {22, 2}, {28, 14}};
    ASSERT_TRUE(::PolyBezier(direct.context.GetHDC(), points, 7));
    EXPECT_EQ(viaPath.All(32, 24), direct.All(32, 24));

    CGfxPointFList empty;
    EXPECT_FALSE(viaPath.context.PolyBezierPath(empty));
}

TEST(DrawContext, PolygonAndPolylineUseTruncatedPointsInListOrder)
{
    CGfxPointF a(1.9, 1.2), b(8.7, 1.9), c(8.2, 7.99);
    CGfxPointFList list;
    list.AddTail(&a);
    list.AddTail(&b);
    list.AddTail(&c);
    Canvas viaList(10, 10), direct(10, 10);
    ASSERT_TRUE(viaList.context.Polygon(list));
    ASSERT_TRUE(viaList.context.Polyline(list));
    const POINT points[3] = {{1, 1}, {8, 1}, {8, 7}};
    ::Polygon(direct.context.GetHDC(), points, 3);
    ::Polyline(direct.context.GetHDC(), points, 3);
    EXPECT_EQ(viaList.All(10, 10), direct.All(10, 10));
}

TEST(DrawContext, SelectingTheReturnedRecordRestoresTheEarlierObject)
{
    Canvas canvas(4, 4);
    HDC dc = canvas.context.GetHDC();
    HGDIOBJ original = GetCurrentObject(dc, OBJ_PEN);
    CGdiPen pen(CRGBColor(kRed), 1, static_cast<int>(PS_SOLID));
    CGdiPen* displaced = canvas.context.SelectPen(&pen);
    ASSERT_NE(displaced, nullptr);
    EXPECT_EQ(displaced->GetHandle(), original);
    EXPECT_FALSE(displaced->m_bOwned);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen.GetHandle());
    CGdiPen* back = canvas.context.SelectPen(displaced);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), original);
    EXPECT_EQ(back->GetHandle(), pen.GetHandle());
    EXPECT_EQ(GetObjectType(pen.GetHandle()), OBJ_PEN) << "records never delete what they wrap";
    EXPECT_EQ(canvas.context.SelectPen(nullptr), nullptr);
}

TEST(DrawContext, DestructionRestoresABorrowedDcAndKeepsIt)
{
    Canvas canvas(4, 4);
    HDC dc = canvas.context.GetHDC();
    HGDIOBJ original = GetCurrentObject(dc, OBJ_BRUSH);
    CGdiBrush brush{CRGBColor(kRed)};
    {
        CDrawContext borrowed(dc);
        borrowed.SelectBrush(&brush);
        borrowed.SetBkColor(CRGBColor(kRed));
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush.GetHandle());
    }
    EXPECT_EQ(GetObjectType(dc), OBJ_MEMDC);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), original);
    EXPECT_EQ(GetBkColor(dc), kWhite);
}

TEST(DrawContext, ColourSettersReturnThePreviousColour)
{
    Canvas canvas(2, 2);
    EXPECT_EQ(canvas.context.SetBkColor(CRGBColor(kRed)), CRGBColor(kWhite));
    EXPECT_EQ(canvas.context.SetBkColor(CRGBColor(kBlue)), CRGBColor(kRed));
    EXPECT_EQ(canvas.context.SetTextColor(CRGBColor(kGreen)), CRGBColor(0, 0, 0));
}

TEST(DrawContext, PixelsAndFilledRectangles)
{
    Canvas canvas(8, 8);
    EXPECT_TRUE(canvas.context.SetPixel(CGfxPoint(1, 2), CRGBColor(kGreen)));
    EXPECT_EQ(canvas.context.GetPixel(CGfxPoint(1, 2)), CRGBColor(kGreen));
    EXPECT_TRUE(canvas.context.FillRectF(CGfxRectF(3, 3, 5, 4), CRGBColor(kBlue)));
    EXPECT_EQ(canvas.At(3, 3), kBlue);
    EXPECT_EQ(canvas.At(5, 4), kBlue);
    EXPECT_EQ(canvas.At(6, 4), kWhite);
    EXPECT_EQ(canvas.At(5, 5), kWhite);
}

TEST(DrawContext, DeviceToLogicalFollowsTheWindowOrigin)
{
    Canvas canvas(4, 4);
    SetWindowOrgEx(canvas.context.GetHDC(), 10, 20, nullptr);
    EXPECT_EQ(canvas.context.DeviceToLogical(CGfxPoint(1, 2)), CGfxPoint(11, 22));
    EXPECT_EQ(canvas.context.DeviceToLogical(CGfxSize(5, 6)), CGfxSize(5, 6));
    EXPECT_EQ(canvas.context.DeviceToLogicalRect(CGfxRect(0, 0, 3, 3)), CGfxRect(10, 20, 13, 23));
}

TEST(DrawContext, TextExtentMatchesTheGdi)
{
    Canvas canvas(64, 32);
    LOGFONTA logFont{};
    logFont.lfHeight = -12;
    std::strcpy(logFont.lfFaceName, "Arial");
    CGdiFont font(&logFont);
    canvas.context.SelectFont(&font);
    const CGfxString text("Kestrel");
    CGfxSize size;
    ASSERT_TRUE(canvas.context.GetTextExtent(text, size));
    SIZE direct{};
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.context.GetHDC(), "Kestrel", 7, &direct));
    EXPECT_EQ(size, CGfxSize(direct.cx, direct.cy));
    EXPECT_GT(size.cx, 0);
    EXPECT_GT(canvas.context.DrawText(text, CGfxRect(0, 0, 63, 31), 0), 0);
}

TEST(DrawContext, BitBltTakesInclusiveRectangles)
{
    Canvas source(4, 4, kGreen), target(6, 6);
    ASSERT_TRUE(target.context.BitBlt(CGfxRect(1, 1, 2, 3), &source.context, CGfxPoint(0, 0), SRCCOPY));
    EXPECT_EQ(target.At(1, 1), kGreen);
    EXPECT_EQ(target.At(2, 3), kGreen);
    EXPECT_EQ(target.At(3, 3), kWhite);
    EXPECT_EQ(target.At(2, 4), kWhite);
    EXPECT_FALSE(target.context.BitBlt(CGfxRect(0, 0, 1, 1), nullptr, CGfxPoint(), SRCCOPY));
}

TEST(DrawContext, TransparentBlitOfAnOpaqueBitmapIsACopy)
{
    auto sprite = KeyedSprite();
    sprite->SetTransparentColor(nullptr, nullptr);
    Canvas canvas(8, 6, kGreen);
    const CRGBColor yellow(255, 255, 0);
    ASSERT_TRUE(canvas.context.DrawBitmapOverColor(CGfxRect(1, 1, 6, 4), sprite.get(), CGfxPoint(), yellow));
    ExpectSpriteOver(canvas, 1, 1, [](int, int) { return kMagenta; });
}

TEST(DrawContext, BitmapOverColourShowsTheColourWhereTheKeyWas)
{
    auto sprite = KeyedSprite();
    const std::vector<COLORREF> before = PixelsOf(*sprite, 6, 4);
    Canvas canvas(8, 6, kGreen);
    const CRGBColor yellow(255, 255, 0);
    ASSERT_TRUE(canvas.context.DrawBitmapOverColor(CGfxRect(1, 1, 6, 4), sprite.get(), CGfxPoint(), yellow));
    ExpectSpriteOver(canvas, 1, 1, [](int, int) { return RGB(255, 255, 0); });
    EXPECT_EQ(canvas.At(0, 0), kGreen);
    EXPECT_EQ(canvas.At(7, 5), kGreen);
    EXPECT_EQ(PixelsOf(*sprite, 6, 4), before) << "the source bitmap is left unchanged";
}

TEST(DrawContext, BitmapOverWhatTheDestinationShows)
{
    auto sprite = KeyedSprite();
    Canvas canvas(8, 6, kGreen);
    canvas.Set(1, 1, kWhite);
    ASSERT_TRUE(canvas.context.DrawTransparent(CGfxRect(1, 1, 6, 4), sprite.get(), CGfxPoint(), nullptr, nullptr,
                                               nullptr, nullptr));
    ExpectSpriteOver(canvas, 1, 1, [](int x, int y) { return x == 0 && y == 0 ? kWhite : kGreen; });
}

TEST(DrawContext, BitmapOverAnotherBitmapAndOverATile)
{
    auto sprite = KeyedSprite();
    auto background = ColourBitmap(10, 10, kGreen);
    {
        CDrawContext memory;
        HGDIOBJ previous = SelectObject(memory.GetHDC(), background->GetHandle());
        SetPixelV(memory.GetHDC(), 3, 2, kWhite);
        SelectObject(memory.GetHDC(), previous);
    }
    Canvas canvas(8, 6, RGB(0, 0, 0));
    ASSERT_TRUE(canvas.context.DrawBitmapOverBitmap(CGfxRect(1, 1, 6, 4), sprite.get(), CGfxPoint(), background.get(),
                                                    CGfxPoint(3, 2)));
    ExpectSpriteOver(canvas, 1, 1, [](int x, int y) { return x == 0 && y == 0 ? kWhite : kGreen; });

    auto tile = ColourBitmap(2, 2, kGreen);
    {
        CDrawContext memory;
        HGDIOBJ previous = SelectObject(memory.GetHDC(), tile->GetHandle());
        SetPixelV(memory.GetHDC(), 0, 0, kWhite);
        SelectObject(memory.GetHDC(), previous);
    }
    Canvas tiled(8, 6, RGB(0, 0, 0));
    ASSERT_TRUE(tiled.context.DrawBitmapOverTile(CGfxRect(1, 1, 6, 4), sprite.get(), CGfxPoint(), tile.get()));
    ExpectSpriteOver(tiled, 1, 1, [](int x, int y) { return x % 2 == 0 && y % 2 == 0 ? kWhite : kGreen; });
}

TEST(DrawContext, PreparedBitmapUsesTheMaskedBlit)
{
    auto sprite = KeyedSprite();
    Canvas canvas(8, 6, kGreen);
    ASSERT_TRUE(sprite->PrepareTransparency(&canvas.context));
    ASSERT_TRUE(sprite->HasPreparedMask());
    const CRGBColor yellow(255, 255, 0);
    ASSERT_TRUE(canvas.context.DrawBitmapOverColor(CGfxRect(1, 1, 6, 4), sprite.get(), CGfxPoint(), yellow));
    ExpectSpriteOver(canvas, 1, 1, [](int, int) { return RGB(255, 255, 0); });
}

TEST(DrawContext, WithoutADcEveryOperationDoesNothing)
{
    CDrawContext context;
    const HDC dc = context.m_hDC;
    context.m_hDC = nullptr;
    CGdiPen pen(CRGBColor(kRed), 1, static_cast<int>(PS_SOLID));
    CGfxPointF segment[4] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};
    CGfxPointFList list;
    list.AddTail(segment);
    CGfxSize size(5, 5);
    auto sprite = KeyedSprite();
    EXPECT_FALSE(context.MoveTo(1, 1));
    EXPECT_FALSE(context.LineTo(2.0, 2.0));
    EXPECT_FALSE(context.DrawLineTransparent(segment[0], segment[1]));
    EXPECT_FALSE(context.FrameMarker(segment[0], 0));
    EXPECT_FALSE(context.FillMarker(segment[0], 0));
    EXPECT_FALSE(context.Rectangle(CGfxRect(0, 0, 1, 1)));
    EXPECT_FALSE(context.FrameRect(CGfxRectF(0, 0, 1, 1)));
    EXPECT_FALSE(context.InvertRect(CGfxRect(0, 0, 1, 1)));
    EXPECT_FALSE(context.PolyBezier(segment));
    EXPECT_FALSE(context.PolyBezierPath(list));
    EXPECT_FALSE(context.Polygon(list));
    EXPECT_FALSE(context.SetPixel(CGfxPoint(0, 0), CRGBColor(kRed)));
    EXPECT_EQ(context.GetPixel(CGfxPoint(0, 0)), CRGBColor(0, 0, 0));
    EXPECT_EQ(context.SelectPen(&pen), nullptr);
    EXPECT_EQ(context.SelectBitmap(sprite.get()), nullptr);
    EXPECT_EQ(context.DeviceToLogical(CGfxPoint(3, 4)), CGfxPoint(0, 0));
    EXPECT_FALSE(context.GetTextExtent(CGfxString("x"), size));
    EXPECT_EQ(size, CGfxSize(5, 5)) << "a failed extent leaves the size alone";
    EXPECT_EQ(context.DrawText(CGfxString("x"), CGfxRect(0, 0, 9, 9), 0), 0);
    EXPECT_FALSE(context.DrawBitmapOverColor(CGfxRect(0, 0, 5, 3), sprite.get(), CGfxPoint(), CRGBColor(kRed)));
    context.m_hDC = dc;
}

TEST(DrawContext, TransparentBlitWorksInLogicalCoordinates)
{
    auto sprite = KeyedSprite();
    Canvas canvas(8, 6, kGreen);
    canvas.Set(1, 1, kWhite);
    SetWindowOrgEx(canvas.context.GetHDC(), 10, 20, nullptr);
    ASSERT_TRUE(canvas.context.DrawTransparent(CGfxRect(11, 21, 16, 24), sprite.get(), CGfxPoint(), nullptr, nullptr,
                                               nullptr, nullptr));
    SetWindowOrgEx(canvas.context.GetHDC(), 0, 0, nullptr);
    ExpectSpriteOver(canvas, 1, 1, [](int x, int y) { return x == 0 && y == 0 ? kWhite : kGreen; });
    EXPECT_EQ(canvas.At(0, 0), kGreen);
}
