#include "Win32/Utils/DvFrameSize.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    int index;
    int id;
    LONG width;
    LONG ntscHeight;
    LONG palHeight;
};

constexpr Row kRows[] = {
    {0, DVRESOLUTION_DC, 90, 60, 72},
    {1, DVRESOLUTION_QUARTER, 180, 120, 144},
    {2, DVRESOLUTION_HALF, 360, 240, 288},
    {3, DVRESOLUTION_FULL, 720, 480, 576},
};

struct FindCase {
    SIZE size;
    LONG height;
    BOOL fitInside;
    int expected;
};

} // namespace

TEST(DvFrameSize, IdentifiersAndIndexesAreEachOthersInverse)
{
    for (const Row& row : kRows) {
        EXPECT_EQ(DvFrameSizeIdFromIndex(row.index), row.id);
        EXPECT_EQ(DvFrameSizeIndexFromId(row.id), row.index);
    }
    EXPECT_EQ(DvFrameSizeIdFromIndex(DvFrameSizeIndexFromId(1234)), 1234);
}

TEST(DvFrameSize, RowsHoldTheNtscSizesAndPalHeightsSixFifths)
{
    for (const Row& row : kRows) {
        SIZE ntsc = GetDvFrameSize(row.index, TRUE);
        EXPECT_EQ(ntsc.cx, row.width);
        EXPECT_EQ(ntsc.cy, row.ntscHeight);
        SIZE pal = GetDvFrameSize(row.index, FALSE);
        EXPECT_EQ(pal.cx, row.width);
        EXPECT_EQ(pal.cy, row.palHeight);
    }
}

TEST(DvFrameSize, IndexesOutsideTheTableGiveAnEmptySize)
{
    for (int index : {-1, 4, 1000}) {
        SIZE size = GetDvFrameSize(index, TRUE);
        EXPECT_EQ(size.cx, 0) << index;
        EXPECT_EQ(size.cy, 0) << index;
    }
    EXPECT_EQ(GetDvFrameSizeById(999, 480).cx, 0);
}

TEST(DvFrameSize, HeightsTellTheStandard)
{
    for (const Row& row : kRows) {
        EXPECT_TRUE(IsNtscDvHeight(row.ntscHeight));
        EXPECT_FALSE(IsPalDvHeight(row.ntscHeight));
        EXPECT_TRUE(IsPalDvHeight(row.palHeight));
        EXPECT_FALSE(IsNtscDvHeight(row.palHeight));
    }
    for (LONG height : {0, -480, 500, 481, 575})
        EXPECT_FALSE(IsNtscDvHeight(height) || IsPalDvHeight(height)) << height;
}

TEST(DvFrameSize, SizeByIdFollowsTheStandardOfTheHeight)
{
    for (const Row& row : kRows) {
        EXPECT_EQ(GetDvFrameSizeById(row.id, 480).cy, row.ntscHeight);
        EXPECT_EQ(GetDvFrameSizeById(row.id, 576).cy, row.palHeight);
        EXPECT_EQ(GetDvFrameSizeById(row.id, 500).cy, row.palHeight) << "not NTSC reads as PAL";
        EXPECT_EQ(GetDvFrameSizeById(row.id, 60).cx, row.width);
    }
}

TEST(DvFrameSize, FindChoosesTheLargestThatFitsOrTheSmallestThatCovers)
{
    const FindCase cases[] = {
        {{400, 300}, 480, TRUE, DVRESOLUTION_HALF},
        {{400, 300}, 480, FALSE, DVRESOLUTION_FULL},
        {{400, 300}, 500, TRUE, DVRESOLUTION_HALF},
        {{400, 300}, 500, FALSE, DVRESOLUTION_HALF},
        {{720, 480}, 480, TRUE, DVRESOLUTION_FULL},
        {{720, 480}, 480, FALSE, DVRESOLUTION_FULL},
        {{720, 576}, 576, TRUE, DVRESOLUTION_FULL},
        {{720, 575}, 576, TRUE, DVRESOLUTION_HALF},
        {{360, 288}, 576, FALSE, DVRESOLUTION_HALF},
        {{360, 289}, 576, FALSE, DVRESOLUTION_FULL},
        {{1, 1}, 480, FALSE, DVRESOLUTION_DC},
        {{90, 60}, 60, TRUE, DVRESOLUTION_DC},
        {{180, 120}, 240, TRUE, DVRESOLUTION_QUARTER},
        {{89, 60}, 480, TRUE, DVRESOLUTION_HALF},
        {{721, 480}, 480, FALSE, DVRESOLUTION_HALF},
        {{0, 0}, 480, TRUE, DVRESOLUTION_HALF},
    };
    for (const FindCase& c : cases)
        EXPECT_EQ(FindDvFrameSizeId(&c.size, c.height, c.fitInside), c.expected)
            << c.size.cx << " x " << c.size.cy << " @" << c.height << (c.fitInside ? " fit" : " cover");
}

TEST(DvFrameSize, FindWithoutASizeGivesHalf)
{
    EXPECT_EQ(FindDvFrameSizeId(nullptr, 480, TRUE), DVRESOLUTION_HALF);
    EXPECT_EQ(FindDvFrameSizeId(nullptr, 576, FALSE), DVRESOLUTION_HALF);
}
