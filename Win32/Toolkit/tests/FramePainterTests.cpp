#include <gtest/gtest.h>

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Toolkit/FramePainter.h"
#include "Win32/Toolkit/tests/ElementFixtures.h"

namespace {

using namespace element_fixtures;

// A piece as (left, top, right, bottom) from cell n.
struct Piece {
    LONG l, t, r, b;
    LONG cell;
};

std::vector<FramePiece> Pieces(std::initializer_list<Piece> pieces)
{
    std::vector<FramePiece> out;
    for (const Piece& p : pieces)
        out.push_back(FramePiece{CGfxRect(p.l, p.t, p.r, p.b), CGfxPoint(p.cell * 10, 0)});
    return out;
}

struct PieceCase {
    const char* name;
    CGfxRect frame;
    WORD mask;
    std::vector<FramePiece> expected;
};

// Cells of 10 x 10 (an 80 x 10 strip of eight cells).
TEST(FramePainter, PieceListsFollowTheEdgeMaskAndCutTheLastPieces)
{
    const PieceCase cases[] = {
        {"35 x 25, every side", CGfxRect(0, 0, 34, 24), 1,
         Pieces({{0, 0, 9, 9, 0},
                 {10, 0, 19, 9, 1}, {20, 0, 24, 9, 1},
                 {0, 10, 9, 14, 2},
                 {25, 0, 34, 9, 3},
                 {0, 15, 9, 24, 4},
                 {25, 10, 34, 14, 5},
                 {10, 15, 19, 24, 6}, {20, 15, 24, 24, 6},
                 {25, 15, 34, 24, 7}})},
        {"35 x 25, top side", CGfxRect(0, 0, 34, 24), 2,
         Pieces({{0, 0, 9, 9, 0}, {10, 0, 19, 9, 1}, {20, 0, 24, 9, 1}, {25, 0, 34, 9, 3}})},
        {"35 x 25, left side", CGfxRect(0, 0, 34, 24), 4,
         Pieces({{0, 0, 9, 9, 0}, {0, 10, 9, 14, 2}, {0, 15, 9, 24, 4}})},
        {"two cells wide: corners only", CGfxRect(5, 5, 24, 24), 1,
         Pieces({{5, 5, 14, 14, 0}, {15, 5, 24, 14, 3}, {5, 15, 14, 24, 4}, {15, 15, 24, 24, 7}})},
        {"a cell and a half: the corners overlap", CGfxRect(0, 0, 14, 9), 2,
         Pieces({{0, 0, 9, 9, 0}, {10, 0, 14, 9, 1}, {5, 0, 14, 9, 3}})},
    };
    for (const PieceCase& c : cases)
        EXPECT_EQ(BuildFramePieces(c.frame, CGfxSize(10, 10), c.mask), c.expected) << c.name;
    EXPECT_TRUE(BuildFramePieces(CGfxRect(0, 0, 34, 24), CGfxSize(0, 10), 1).empty()) << "cells of no width";
}

class FramePainterPixels : public ElementTest {};

TEST_F(FramePainterPixels, TheKeyedStripPaintsCornersAndEdgesButNotItsKeyOrTheCentre)
{
    FramePainter painter;
    FramePainterProperties properties;
    ASSERT_TRUE(painter.SetProperties(properties));
    const CRGBColor key(kKey);
    ASSERT_TRUE(painter.LoadStrip(kFrameStrip, &key));
    EXPECT_EQ(painter.GetCellSize(), CGfxSize(10, 10));

    Canvas canvas(60, 40);
    CDrawContext context(canvas.dc.GetSafeHdc());
    painter.Paint(&context, CGfxRect(5, 5, 39, 29));
    EXPECT_EQ(painter.GetRemainderX(), 5);
    EXPECT_EQ(painter.GetRemainderY(), 5);
    struct Probe {
        int x, y;
        COLORREF expected;
    };
    const COLORREF white = RGB(255, 255, 255);
    const Probe probes[] = {
        {5, 5, CellColour(0)},   {14, 14, white},         {27, 7, CellColour(1)}, {7, 17, CellColour(2)},
        {38, 6, CellColour(3)},  {6, 28, CellColour(4)},  {35, 17, CellColour(5)}, {27, 27, CellColour(6)},
        {38, 28, CellColour(7)}, {22, 17, white},         {4, 4, white},          {40, 30, white},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(canvas.At(p.x, p.y), p.expected) << p.x << "," << p.y;
}

TEST_F(FramePainterPixels, StripsThatCannotBeCutIntoCellsAreRefused)
{
    struct Case {
        const char* name;
        UINT id;
        WORD cells;
    };
    const Case cases[] = {
        {"no cells", kFrameStrip, 0},
        {"more cells than pixels", kFrameStrip, 81},
        {"missing bitmap", kMissing, 8},
    };
    for (const Case& c : cases) {
        ContainerElement element;
        EXPECT_FALSE(element.SetFramePainter(c.id, nullptr, c.cells, 1, CGfxRect(0, 0, 34, 24), nullptr)) << c.name;
        EXPECT_EQ(element.GetFramePainter(), nullptr) << c.name;
    }
}

TEST_F(FramePainterPixels, AResizedElementScalesItsFrameAndTheNextPaintRecomputesTheRemainders)
{
    ContainerElement element;
    ElementProperties list;
    Describe(list, 600, CGfxRect(10, 10, 209, 69), PanelRef());
    ASSERT_TRUE(element.Create(list));
    ASSERT_TRUE(element.SetBackgroundBitmap(kPanelBackground, nullptr, nullptr, FALSE));
    ASSERT_TRUE(element.SetFramePainter(kFrameStrip, nullptr, 8, 1, CGfxRect(0, 0, 98, 28), nullptr));
    element.Redraw();
    EXPECT_EQ(element.GetFramePainter()->GetRemainderX(), 9);
    EXPECT_EQ(element.GetFramePainter()->GetRemainderY(), 9);

    ASSERT_TRUE(element.SetBounds(CGfxRect(20, 30, 319, 119), TRUE));
    EXPECT_EQ(element.GetFrameRect(), CGfxRect(0, 0, 147, 42)) << "99 x 29 of 200 x 60, scaled to 300 x 90";
    EXPECT_EQ(element.GetFramePainter()->GetRemainderX(), 8);
    EXPECT_EQ(element.GetFramePainter()->GetRemainderY(), 3);
}

} // namespace
