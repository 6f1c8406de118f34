#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "TransitionGolden.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/Document/TransitionRaster.h"

namespace {

constexpr INT kWidth = 64;
constexpr INT kHeight = 48;

std::unique_ptr<TransitionEffect> CreateEffect(INT row)
{
    return std::unique_ptr<TransitionEffect>(TransitionCatalog::Create(row));
}

// The figure of `effect` at `progress` for the rectangle, in a raster that
// covers exactly that rectangle.
TransitionRaster DrawFigure(const TransitionEffect& effect, const RECT& rect, float progress, RECT* movedA = nullptr,
                            RECT* movedB = nullptr)
{
    TransitionRaster raster(rect.right - rect.left, rect.bottom - rect.top, POINT{rect.left, rect.top});
    RECT a = rect;
    RECT b = rect;
    effect.DrawFigure(raster, rect, progress, movedA != nullptr ? movedA : &a, movedB != nullptr ? movedB : &b);
    return raster;
}

TransitionRaster DrawRow(INT row, float progress, INT width = kWidth, INT height = kHeight)
{
    auto effect = CreateEffect(row);
    return DrawFigure(*effect, RECT{0, 0, width, height}, progress);
}

std::vector<unsigned char> Pixels(const TransitionRaster& raster)
{
    std::vector<unsigned char> pixels;
    for (INT y = 0; y < raster.Height(); ++y)
        pixels.insert(pixels.end(), raster.Row(y), raster.Row(y) + raster.Width());
    return pixels;
}

INT CountLevel(const TransitionRaster& raster, BYTE level)
{
    INT count = 0;
    for (INT y = 0; y < raster.Height(); ++y) {
        for (INT x = 0; x < raster.Width(); ++x)
            count += raster.Row(y)[x] == level ? 1 : 0;
    }
    return count;
}

const char* FamilyName(INT family)
{
    static const char* const names[] = {"cut",  "dissolve", "wipe", "blinds",    "clock", "dither",
                                        "barndoor", "iris", "comb", "cornerbox", "door"};
    return family >= 0 && family <= 10 ? names[family] : "unknown";
}

std::string GoldenName(INT row, int percent)
{
    const TransitionCatalogRow* r = TransitionCatalog::GetRow(row);
    char name[80];
    std::snprintf(name, sizeof name, "mask_row%02d_%s_d%d_sh%d_st%d_p%03d.pgm", row, FamilyName(r->m_nFamily),
                  r->m_nDirection, r->m_nShape, r->m_nStyle, percent);
    return name;
}

TEST(TransitionFigure, EveryRowMatchesItsGoldenMaskAtStartMiddleAndEnd)
{
    for (INT row = 0; row < TransitionCatalog::kRowCount; ++row) {
        for (int percent : {0, 50, 100}) {
            const TransitionRaster raster = DrawRow(row, percent / 100.0f);
            EXPECT_TRUE(transition_golden::MatchesGolden(GoldenName(row, percent), Pixels(raster), kWidth, kHeight, 1));
        }
    }
}

TEST(TransitionFigure, EdgeWipesAreAllAAtTheStartAndAllBAtTheEnd)
{
    for (INT row : {2, 3, 4, 5, 6, 10, 14}) {
        EXPECT_EQ(CountLevel(DrawRow(row, 0.0f), 0), kWidth * kHeight) << "row " << row;
        EXPECT_EQ(CountLevel(DrawRow(row, 1.0f), 255), kWidth * kHeight) << "row " << row;
    }
}

TEST(TransitionFigure, CornerWipesAreAllAAtTheStartAndAllBAtTheEnd)
{
    for (INT row : {18, 19, 20, 21}) {
        EXPECT_EQ(CountLevel(DrawRow(row, 0.0f), 0), kWidth * kHeight) << "row " << row;
        EXPECT_EQ(CountLevel(DrawRow(row, 1.0f), 255), kWidth * kHeight) << "row " << row;
    }
}

TEST(TransitionFigure, SidewaysBlindsLeaveTheRemainderColumnsA)
{
    const INT width = 66;
    const TransitionRaster raster = DrawRow(22, 1.0f, width, kHeight);
    for (INT y = 0; y < kHeight; ++y) {
        for (INT x = 0; x < width; ++x)
            ASSERT_EQ(raster.Row(y)[x], x < 64 ? 255 : 0) << x << "," << y;
    }
}

TEST(TransitionFigure, DownwardBlindsGiveTheLastStripTheRemainder)
{
    const TransitionRaster raster = DrawRow(23, 1.0f, kWidth, 50);
    EXPECT_EQ(CountLevel(raster, 255), kWidth * 50);
}

TEST(TransitionFigure, DitherShowsOneCellPerTileAtTheStartAndAllBFromElevenTwelfths)
{
    const TransitionRaster start = DrawRow(25, 0.0f, 80, 80);
    EXPECT_EQ(CountLevel(start, 255), 4 * 25);
    // Cell 11 of each tile: column 3, row 1.
    EXPECT_EQ(start.At(15, 5), 255);
    EXPECT_EQ(start.At(55, 45), 255);
    for (float p : {11.0f / 12.0f + 1e-6f, 0.95f, 1.0f})
        EXPECT_EQ(CountLevel(DrawRow(25, p, 80, 80), 255), 80 * 80) << "p " << p;
    EXPECT_LT(CountLevel(DrawRow(25, 0.9f, 80, 80), 255), 80 * 80);
}

TEST(TransitionFigure, ClockDrawsNothingWhileTheSweepIsUnderOnePixel)
{
    // P = 2 (64 + 48) = 224, so P x p < 1 below p = 1/224.
    EXPECT_EQ(CountLevel(DrawRow(24, 0.004f), 0), kWidth * kHeight);
    EXPECT_GT(CountLevel(DrawRow(24, 0.05f), 255), 0);
}

TEST(TransitionFigure, IrisBoxIsAtLeastTenPixelsAtTheStartAndFillsTheRectangleAtTheEnd)
{
    // Row 32 grows a B box on A, drawn with the black pen: its inside is B.
    const TransitionRaster start = DrawRow(32, 0.0f);
    const INT cx = kWidth / 2;
    const INT cy = kHeight / 2;
    EXPECT_EQ(start.At(cx - 5, cy - 5), 0);
    EXPECT_EQ(start.At(cx - 4, cy - 4), 255);
    EXPECT_EQ(start.At(cx + 3, cy + 3), 255);
    EXPECT_EQ(start.At(cx + 4, cy + 4), 0);
    EXPECT_EQ(CountLevel(start, 255), 8 * 8);
    // At the end the box reaches 5 pixels beyond, its outline clipped away.
    EXPECT_EQ(CountLevel(DrawRow(32, 1.0f), 255), kWidth * kHeight);
}

TEST(TransitionFigure, SlidingWipesReportWhereThePicturesMoved)
{
    struct Case {
        INT row;
        RECT movedA;
        RECT movedB;
    };
    // Rectangle (10, 20, 74, 68), W 64, H 48, at p = 0.25: s = 12 for
    // directions 1 and 5, 16 for 3 and 7.
    const RECT rect{10, 20, 74, 68};
    const Case cases[] = {
        {6, {10, 32, 74, 80}, rect},
        {8, {-6, 20, 58, 68}, rect},
        {11, rect, {10, 56, 74, 104}},
        {13, rect, {-38, 20, 26, 68}},
        {14, {10, 32, 74, 80}, {10, -16, 74, 32}},
        {16, {-6, 20, 58, 68}, {58, 20, 122, 68}},
        {2, rect, rect},
    };
    for (const Case& c : cases) {
        auto effect = CreateEffect(c.row);
        RECT a = rect;
        RECT b = rect;
        DrawFigure(*effect, rect, 0.25f, &a, &b);
        EXPECT_EQ(a.left, c.movedA.left) << "row " << c.row;
        EXPECT_EQ(a.top, c.movedA.top) << "row " << c.row;
        EXPECT_EQ(a.right, c.movedA.right) << "row " << c.row;
        EXPECT_EQ(a.bottom, c.movedA.bottom) << "row " << c.row;
        EXPECT_EQ(b.left, c.movedB.left) << "row " << c.row;
        EXPECT_EQ(b.top, c.movedB.top) << "row " << c.row;
        EXPECT_EQ(b.right, c.movedB.right) << "row " << c.row;
        EXPECT_EQ(b.bottom, c.movedB.bottom) << "row " << c.row;
    }
}

TEST(TransitionFigure, CornerBoxSlidesCountFromTheRectangleTopInEveryDirection)
{
    // At p = 0 every A slide starts at the same rows, whatever the corner
    // and however far the rectangle lies from the top.
    const RECT rect{0, 30, 64, 78};
    for (INT row : {48, 49, 50, 51}) {
        auto effect = CreateEffect(row);
        RECT a = rect;
        RECT b = rect;
        DrawFigure(*effect, rect, 0.0f, &a, &b);
        EXPECT_EQ(a.top, 0) << "row " << row;
        EXPECT_EQ(a.bottom, 48) << "row " << row;
    }
}

TEST(TransitionFigure, BaseEffectDrawsNothing)
{
    class PlainEffect : public TransitionEffect {
    public:
        PlainEffect() : TransitionEffect(0) {}
    };
    PlainEffect effect;
    const TransitionRaster raster = DrawFigure(effect, RECT{0, 0, 8, 8}, 0.5f);
    EXPECT_FALSE(raster.HasDrawn());
}

TEST(TransitionFigure, FigureDrawnAtAnOffsetLandsInTheRectangleOnly)
{
    auto effect = CreateEffect(5);
    TransitionRaster raster(40, 30, POINT{0, 0});
    RECT a{10, 5, 30, 25};
    RECT b = a;
    effect->DrawFigure(raster, RECT{10, 5, 30, 25}, 0.5f, &a, &b);
    EXPECT_EQ(raster.At(9, 10), 0);
    EXPECT_EQ(raster.At(10, 10), 255);
    EXPECT_EQ(raster.At(19, 10), 255);
    EXPECT_EQ(raster.At(20, 10), 0);
    EXPECT_EQ(CountLevel(raster, 255), 10 * 20);
}

} // namespace
