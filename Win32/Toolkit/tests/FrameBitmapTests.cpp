// The skin painter against hand-made piece lists and on pixels: fixture
// strips whose pixels say which cell, column and row they came from, so that
// every copied piece can be checked against its source.

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "Platform/Win/Kernel/Memory.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Toolkit/FrameBitmap.h"
#include "Win32/Toolkit/ImageHolder.h"
#include "Win32/Toolkit/tests/SkinFixtures.h"

namespace {

using skin_fixtures::kCells64x16;
using skin_fixtures::kFill50x30;
using skin_fixtures::kMissingBitmap;
using skin_fixtures::kNarrowCells16x8;
using skin_fixtures::kTopBar24x8;

struct Piece {
    RECT destination;
    int sourceX;
    int sourceY;
    bool operator==(const Piece& other) const
    {
        return EqualRect(&destination, &other.destination) && sourceX == other.sourceX && sourceY == other.sourceY;
    }
};

void PrintTo(const Piece& piece, std::ostream* out)
{
    *out << "(" << piece.destination.left << "," << piece.destination.top << "," << piece.destination.right << ","
         << piece.destination.bottom << ") from (" << piece.sourceX << "," << piece.sourceY << ")";
}

// A frame bitmap that records every piece it copies (and still copies it).
class RecordingFrameBitmap : public CFrameBitmap {
public:
    std::vector<Piece> pieces;

protected:
    void DrawPiece(CDC* dc, const CRect& destination, int sourceX, int sourceY) override
    {
        pieces.push_back({destination, sourceX, sourceY});
        CFrameBitmap::DrawPiece(dc, destination, sourceX, sourceY);
    }
};

class FrameBitmapTest : public skin_fixtures::FixtureModules {};

struct FrameCase {
    const char* name;
    int bitmap;
    int divisor;
    int style;
    RECT rect;
    std::vector<Piece> expected;
};

TEST_F(FrameBitmapTest, FramesAreCutIntoTheExpectedPieces)
{
    const FrameCase cases[] = {
        {"whole copies only", kCells64x16, 8, 1, {0, 0, 40, 48},
         {{{0, 0, 8, 16}, 0, 0},
          {{8, 0, 16, 16}, 8, 0}, {{16, 0, 24, 16}, 8, 0}, {{24, 0, 32, 16}, 8, 0},
          {{0, 16, 8, 32}, 16, 0},
          {{32, 0, 40, 16}, 24, 0},
          {{0, 32, 8, 48}, 32, 0},
          {{32, 16, 40, 32}, 40, 0},
          {{8, 32, 16, 48}, 48, 0}, {{16, 32, 24, 48}, 48, 0}, {{24, 32, 32, 48}, 48, 0},
          {{32, 32, 40, 48}, 56, 0}}},
        {"remainders", kCells64x16, 8, 1, {0, 0, 44, 40},
         {{{0, 0, 8, 16}, 0, 0},
          {{8, 0, 16, 16}, 8, 0}, {{16, 0, 24, 16}, 8, 0}, {{24, 0, 32, 16}, 8, 0}, {{32, 0, 36, 16}, 8, 0},
          {{0, 16, 8, 24}, 16, 0},
          {{36, 0, 44, 16}, 24, 0},
          {{0, 24, 8, 40}, 32, 0},
          {{36, 16, 44, 24}, 40, 0},
          {{8, 24, 16, 40}, 48, 0}, {{16, 24, 24, 40}, 48, 0}, {{24, 24, 32, 40}, 48, 0}, {{32, 24, 36, 40}, 48, 0},
          {{36, 24, 44, 40}, 56, 0}}},
        {"narrower than two cells", kCells64x16, 8, 1, {0, 0, 10, 48},
         {{{0, 0, 5, 16}, 0, 0}, {{5, 0, 8, 16}, 5, 0},
          {{0, 16, 5, 32}, 16, 0},
          {{5, 0, 10, 16}, 27, 0}, {{2, 0, 5, 16}, 24, 0},
          {{0, 32, 5, 48}, 32, 0}, {{5, 32, 8, 48}, 37, 0},
          {{5, 16, 10, 32}, 43, 0},
          {{5, 32, 10, 48}, 59, 0}, {{2, 32, 5, 48}, 56, 0}}},
        {"top bar of three cells", kTopBar24x8, 3, 2, {0, 0, 30, 40},
         {{{0, 0, 8, 8}, 0, 0},
          {{8, 0, 16, 8}, 8, 0}, {{16, 0, 22, 8}, 8, 0},
          {{22, 0, 30, 8}, 16, 0}}},
        {"left column", kTopBar24x8, 3, 4, {0, 0, 16, 20},
         {{{0, 0, 8, 8}, 0, 0},
          {{0, 8, 8, 12}, 8, 0},
          {{0, 12, 8, 20}, 16, 0}}},
        {"offset rectangle", kCells64x16, 8, 1, {100, 50, 116, 82},
         {{{100, 50, 108, 66}, 0, 0},
          {{108, 50, 116, 66}, 24, 0},
          {{100, 66, 108, 82}, 32, 0},
          {{108, 66, 116, 82}, 56, 0}}},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFrameBitmap frame;
        frame.SetBitmapId(c.bitmap);
        frame.SetCellDivisor(c.divisor);
        frame.SetStyle(c.style);
        skin_fixtures::Canvas canvas(200, 200);
        const CRect rect(c.rect);
        frame.DrawFrame(&canvas.dc, &rect);
        EXPECT_EQ(frame.pieces, c.expected);
    }
}

TEST_F(FrameBitmapTest, EveryPieceCopiesItsSourcePixelsAndTheMiddleStaysUntouched)
{
    RecordingFrameBitmap frame;
    frame.SetBitmapId(kCells64x16);
    skin_fixtures::Canvas canvas(60, 60, RGB(1, 2, 3));
    const CRect rect(5, 5, 49, 45);
    frame.DrawFrame(&canvas.dc, &rect);
    ASSERT_FALSE(frame.pieces.empty());

    // Later pieces cover earlier ones, as on the screen.
    std::map<std::pair<int, int>, COLORREF> expected;
    for (const Piece& piece : frame.pieces)
        for (int y = piece.destination.top; y < piece.destination.bottom; ++y)
            for (int x = piece.destination.left; x < piece.destination.right; ++x)
                expected[{x, y}] = skin_fixtures::CellPixel(piece.sourceX + x - piece.destination.left,
                                                             piece.sourceY + y - piece.destination.top, 8);
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 60; ++x) {
            auto found = expected.find({x, y});
            const COLORREF want = found == expected.end() ? RGB(1, 2, 3) : found->second;
            ASSERT_EQ(canvas.At(x, y), want) << "at " << x << "," << y;
        }
    }
    // The frame is 8 wide and 16 high at every side; the middle is untouched.
    EXPECT_EQ(expected.count({13, 21}), 0u);
    EXPECT_EQ(expected.count({12, 21}), 1u);
}

TEST_F(FrameBitmapTest, FillTilesTheBitmapOffScreenAndCutsTheLastRowAndColumn)
{
    RecordingFrameBitmap frame;
    frame.SetBitmapId(kFill50x30);
    skin_fixtures::Canvas canvas(130, 80, RGB(1, 2, 3));
    const CRect rect(0, 0, 120, 70);
    frame.DrawFill(&canvas.dc, &rect);
    const std::vector<Piece> expected = {
        {{0, 0, 50, 30}, 0, 0},   {{50, 0, 100, 30}, 0, 0},   {{100, 0, 120, 30}, 0, 0},
        {{0, 30, 50, 60}, 0, 0},  {{50, 30, 100, 60}, 0, 0},  {{100, 30, 120, 60}, 0, 0},
        {{0, 60, 50, 70}, 0, 0},  {{50, 60, 100, 70}, 0, 0},  {{100, 60, 120, 70}, 0, 0},
    };
    EXPECT_EQ(frame.pieces, expected);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 130; ++x) {
            const COLORREF want = (x < 120 && y < 70) ? skin_fixtures::FillPixel(x % 50, y % 30) : RGB(1, 2, 3);
            ASSERT_EQ(canvas.At(x, y), want) << "at " << x << "," << y;
        }
}

TEST_F(FrameBitmapTest, ScaledFramesStepByTheScaledPiece)
{
    struct ScaledCase {
        const char* name;
        int cornersOnly;
        std::map<int, int> piecesPerCell;
    };
    const ScaledCase cases[] = {
        {"with edges", 0, {{0, 1}, {1, 9}, {2, 5}, {3, 1}, {4, 1}, {5, 5}, {6, 9}, {7, 1}}},
        {"corners only", 1, {{0, 1}, {3, 1}, {4, 1}, {7, 1}}},
    };
    for (const ScaledCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFrameBitmap frame;
        frame.SetBitmapId(kCells64x16);
        frame.SetCornersOnly(c.cornersOnly);
        skin_fixtures::Canvas canvas(60, 60);
        const CRect rect(0, 0, 40, 48);
        frame.DrawScaledFrame(&canvas.dc, &rect, 0.5f);
        std::map<int, int> perCell;
        for (const Piece& piece : frame.pieces) {
            EXPECT_EQ(piece.destination.right - piece.destination.left, 4);
            EXPECT_EQ(piece.destination.bottom - piece.destination.top, 8);
            EXPECT_EQ(piece.sourceX % 8, 0);
            ++perCell[piece.sourceX / 8];
        }
        EXPECT_EQ(perCell, c.piecesPerCell);
        EXPECT_EQ(frame.pieces.front(), (Piece{{0, 0, 4, 8}, 0, 0}));
        EXPECT_EQ(frame.pieces.back(), (Piece{{36, 40, 40, 48}, 56, 0}));
    }
}

TEST_F(FrameBitmapTest, AScaledPieceOfNoPixelsDrawsNothing)
{
    const struct {
        int bitmap;
        float factor;
    } cases[] = {{kNarrowCells16x8, 0.4f}, {kCells64x16, 0.0f}, {kCells64x16, 0.05f}};
    for (const auto& c : cases) {
        RecordingFrameBitmap frame;
        frame.SetBitmapId(c.bitmap);
        skin_fixtures::Canvas canvas(40, 40, RGB(1, 2, 3));
        const CRect rect(0, 0, 40, 40);
        frame.DrawScaledFrame(&canvas.dc, &rect, c.factor);
        EXPECT_TRUE(frame.pieces.empty()) << c.bitmap << " at " << c.factor;
        EXPECT_EQ(canvas.At(0, 0), RGB(1, 2, 3));
    }
}

TEST_F(FrameBitmapTest, RectanglesGrowShrinkAndMoveByTheFrameWidths)
{
    CFrameBitmap frame;
    frame.SetBitmapId(kCells64x16);
    EXPECT_FALSE(frame.IsLoaded()); // setting the id loads nothing
    CRect rect(0, 0, 40, 48);
    EXPECT_EQ(frame.DeflateByFrame(&rect), &rect);
    EXPECT_TRUE(frame.IsLoaded()); // the first rectangle operation loads
    EXPECT_EQ(rect, CRect(8, 16, 32, 32));
    frame.InflateByFrame(&rect);
    EXPECT_EQ(rect, CRect(0, 0, 40, 48));
    frame.OffsetByFrame(&rect);
    EXPECT_EQ(rect, CRect(8, 16, 48, 64));

    // The widths are fixed by the first load: a new id does not reload.
    frame.SetBitmapId(kFill50x30);
    frame.DeflateByFrame(&rect);
    EXPECT_EQ(rect, CRect(16, 32, 40, 48));
}

TEST_F(FrameBitmapTest, AMissingBitmapDrawsNothingAndLeavesRectanglesAlone)
{
    for (bool byName : {false, true}) {
        RecordingFrameBitmap frame;
        if (byName)
            frame.SetFileName("NO_SUCH_SKIN");
        else
            frame.SetBitmapId(kMissingBitmap);
        skin_fixtures::Canvas canvas(40, 40, RGB(1, 2, 3));
        const CRect rect(0, 0, 40, 40);
        frame.DrawFrame(&canvas.dc, &rect);
        frame.DrawFill(&canvas.dc, &rect);
        frame.DrawScaledFrame(&canvas.dc, &rect, 1.0f);
        EXPECT_TRUE(frame.pieces.empty());
        for (int y = 0; y < 40; y += 7)
            for (int x = 0; x < 40; x += 7)
                ASSERT_EQ(canvas.At(x, y), RGB(1, 2, 3));
        CRect same(1, 2, 3, 4);
        frame.InflateByFrame(&same);
        frame.DeflateByFrame(&same);
        frame.OffsetByFrame(&same);
        EXPECT_EQ(same, CRect(1, 2, 3, 4));
        EXPECT_FALSE(frame.Load());
    }
    // Nothing to load at all.
    CFrameBitmap empty;
    EXPECT_FALSE(empty.Load());
}

TEST_F(FrameBitmapTest, StyleZeroDrawsNoFrame)
{
    RecordingFrameBitmap frame;
    frame.SetBitmapId(kCells64x16);
    frame.SetStyle(0);
    skin_fixtures::Canvas canvas(40, 40);
    const CRect rect(0, 0, 40, 40);
    frame.DrawFrame(&canvas.dc, &rect);
    frame.DrawScaledFrame(&canvas.dc, &rect, 1.0f);
    EXPECT_TRUE(frame.pieces.empty());
}

TEST_F(FrameBitmapTest, FrameStyleRecordsAreCopiedIntoGlobalMemory)
{
    CFrameBitmap frame;
    auto* bytes = static_cast<unsigned char*>(frame.LoadFrameStyle(skin_fixtures::kFrameStyle16 | 0x70000));
    ASSERT_NE(bytes, nullptr);
    HGLOBAL block = GlobalHandle(bytes);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 16u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(bytes[i], i);
    GlobalUnlock(block);
    GlobalFree(block);

    EXPECT_EQ(frame.LoadFrameStyle(skin_fixtures::kEmptyFrameStyle), nullptr);
    EXPECT_EQ(frame.LoadFrameStyle(kMissingBitmap), nullptr);
}

TEST_F(FrameBitmapTest, TheSettingsReadBack)
{
    CFrameBitmap frame;
    EXPECT_EQ(frame.GetCellDivisor(), 8);
    EXPECT_EQ(frame.GetStyle(), 1);
    EXPECT_EQ(frame.GetTransparent(), 0);
    EXPECT_EQ(frame.GetCornersOnly(), 0);
    EXPECT_EQ(frame.GetBitmapId(), 0);
    EXPECT_STREQ(frame.GetFileName(), "");
    frame.SetCellDivisor(3);
    frame.SetStyle(2);
    frame.SetTransparent(7);
    frame.SetCornersOnly(1);
    frame.SetBitmapId(473);
    frame.SetFileName("FRAME");
    EXPECT_EQ(frame.GetCellDivisor(), 3);
    EXPECT_EQ(frame.GetStyle(), 2);
    EXPECT_EQ(frame.GetTransparent(), 7);
    EXPECT_EQ(frame.GetCornersOnly(), 1);
    EXPECT_EQ(frame.GetBitmapId(), 473);
    EXPECT_STREQ(frame.GetFileName(), "FRAME");
}

class ImageHolderTest : public skin_fixtures::FixtureModules {};

TEST_F(ImageHolderTest, HoldsAtMostOneBitmap)
{
    CImageHolder holder;
    int width = -1;
    int height = -1;
    holder.GetSize(width, height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);

    ASSERT_TRUE(holder.LoadFromResource(kCells64x16));
    HBITMAP first = holder.GetBitmap()->GetHandle();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(holder.LoadFromResource(kFill50x30));
    BITMAP info{};
    EXPECT_EQ(GetObjectA(first, sizeof(info), &info), 0) << "the first bitmap is released";
    holder.GetSize(width, height);
    EXPECT_EQ(width, 50);
    EXPECT_EQ(height, 30);

    holder.Release();
    holder.GetSize(width, height);
    EXPECT_EQ(width, 0);
}

TEST_F(ImageHolderTest, DrawingWithoutABitmapLeavesTheDcUntouched)
{
    CImageHolder holder;
    skin_fixtures::Canvas canvas(10, 10, RGB(1, 2, 3));
    holder.Draw(&canvas.dc, CRect(0, 0, 10, 10), 0, 0);
    EXPECT_EQ(canvas.At(5, 5), RGB(1, 2, 3));

    ASSERT_TRUE(holder.LoadFromResource(kFill50x30));
    holder.Draw(&canvas.dc, CRect(2, 3, 6, 5), 10, 20);
    EXPECT_EQ(canvas.At(1, 3), RGB(1, 2, 3));
    EXPECT_EQ(canvas.At(2, 3), skin_fixtures::FillPixel(10, 20));
    EXPECT_EQ(canvas.At(5, 4), skin_fixtures::FillPixel(13, 21));
    EXPECT_EQ(canvas.At(6, 4), RGB(1, 2, 3));
    EXPECT_EQ(canvas.At(5, 5), RGB(1, 2, 3));
}

} // namespace
