#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "Win32/Utils/GfxTypes.h"

namespace {

std::string Letters(int n)
{
    return std::string(static_cast<size_t>(n), 'a');
}

CGfxString CaseSensitiveString(LPCSTR text)
{
    CGfxString s(text);
    s.SetCaseSensitive(TRUE);
    return s;
}

TEST(GfxTypesString, DefaultHasNoBuffer)
{
    CGfxString s;
    EXPECT_EQ(s.GetData(), nullptr);
    EXPECT_STREQ(s.GetString(), "");
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_EQ(s.GetCapacity(), 0);
    EXPECT_FALSE(s.IsCaseSensitive());
}

TEST(GfxTypesString, CapacityFollowsTheGrowthRule)
{
    struct Case {
        int length;
        INT capacity;
    };
    const Case cases[] = {{0, 16}, {1, 16}, {15, 16}, {16, 17}, {17, 18}, {100, 101}};
    for (const Case& c : cases) {
        CGfxString s;
        ASSERT_TRUE(s.Assign(Letters(c.length).c_str()));
        EXPECT_EQ(s.GetCapacity(), c.capacity) << c.length;
        EXPECT_EQ(s.GetLength(), c.length);
        EXPECT_EQ(std::string(s.GetString()), Letters(c.length));
        CGfxString scratch;
        EXPECT_EQ(scratch.ComputeCapacity(c.length), c.capacity) << c.length;
    }
}

TEST(GfxTypesString, ShorterTextReusesTheBuffer)
{
    CGfxString s(Letters(15).c_str());
    LPCSTR buffer = s.GetData();
    s.Assign("0123456789");
    EXPECT_EQ(s.GetData(), buffer);
    EXPECT_EQ(s.GetCapacity(), 16);
    EXPECT_STREQ(s.GetString(), "0123456789");

    s.Assign(Letters(16).c_str());
    EXPECT_EQ(s.GetCapacity(), 17);
    EXPECT_EQ(s.GetLength(), 16);
}

TEST(GfxTypesString, NullTextChangesNothing)
{
    CGfxString s("clip");
    EXPECT_TRUE(s.Assign(nullptr));
    EXPECT_STREQ(s.GetString(), "clip");
    CGfxString fromNull(nullptr);
    EXPECT_EQ(fromNull.GetData(), nullptr);
}

TEST(GfxTypesString, AssigningItsOwnTextKeepsIt)
{
    CGfxString s("title text");
    s.Assign(s.GetData() + 6);
    EXPECT_STREQ(s.GetString(), "text");
    s = s;
    EXPECT_STREQ(s.GetString(), "text");
}

TEST(GfxTypesString, CopiesTakeCharactersButNotTheCaseFlag)
{
    CGfxString original = CaseSensitiveString("Clip");
    CGfxString copy(original);
    EXPECT_STREQ(copy.GetString(), "Clip");
    EXPECT_EQ(copy.GetCapacity(), 16);
    EXPECT_FALSE(copy.IsCaseSensitive());
    EXPECT_TRUE(copy.IsEqual(CGfxString("CLIP")));
    EXPECT_FALSE(original.IsEqual(CGfxString("CLIP")));

    CGfxString target = CaseSensitiveString("x");
    target = CGfxString("y");
    EXPECT_TRUE(target.IsCaseSensitive());
}

TEST(GfxTypesString, CopyOfEmptyStringHasNoBuffer)
{
    CGfxString empty;
    empty.Assign("");
    CGfxString copy(empty);
    EXPECT_EQ(copy.GetData(), nullptr);
}

TEST(GfxTypesString, AssigningEmptyKeepsTheBufferEmpty)
{
    CGfxString s("some text");
    LPCSTR buffer = s.GetData();
    s = CGfxString();
    EXPECT_EQ(s.GetData(), buffer);
    EXPECT_STREQ(s.GetString(), "");
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_EQ(s.GetCapacity(), 16);

    CGfxString bare;
    bare = CGfxString("");
    EXPECT_EQ(bare.GetData(), nullptr);
}

TEST(GfxTypesString, EqualityFollowsTheLeftCaseFlag)
{
    struct Case {
        LPCSTR left;
        BOOL leftCaseSensitive;
        LPCSTR right;
        bool equal;
    };
    const Case cases[] = {
        {nullptr, FALSE, nullptr, true},
        {nullptr, TRUE, "", true},
        {"", FALSE, nullptr, true},
        {"Clip", FALSE, "cLIP", true},
        {"Clip", TRUE, "cLIP", false},
        {"Clip", TRUE, "Clip", true},
        {"Clip", FALSE, "Clips", false},
        {"Clip", FALSE, "", false},
        {"", FALSE, "Clip", false},
    };
    for (const Case& c : cases) {
        CGfxString left(c.left);
        left.SetCaseSensitive(c.leftCaseSensitive);
        CGfxString right(c.right);
        // The right string's flag never matters.
        right.SetCaseSensitive(TRUE);
        EXPECT_EQ(left.IsEqual(right) != FALSE, c.equal)
            << (c.left ? c.left : "null") << " / " << (c.right ? c.right : "null");
    }
}

TEST(GfxTypesRect, DefaultIsEmptyAndZeroRectIsOnePixel)
{
    CGfxRect empty;
    EXPECT_EQ(empty, CGfxRect(0, 0, -1, -1));
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_EQ(empty.Height(), 0);
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_FALSE(empty.Contains(CGfxPoint(0, 0)));
    EXPECT_FALSE(empty.Contains(CGfxPoint(-1, -1)));

    CGfxRect pixel(0, 0, 0, 0);
    EXPECT_EQ(pixel.Width(), 1);
    EXPECT_EQ(pixel.Height(), 1);
    EXPECT_FALSE(pixel.IsEmpty());
    EXPECT_TRUE(pixel.Contains(CGfxPoint(0, 0)));
}

TEST(GfxTypesRect, ContainsIncludesRightAndBottomEdges)
{
    const CGfxRect rect(2, 3, 5, 7);
    struct Case {
        LONG x, y;
        bool inside;
    };
    const Case cases[] = {
        {2, 3, true}, {5, 7, true}, {5, 3, true}, {2, 7, true}, {1, 3, false},
        {6, 3, false}, {2, 2, false}, {2, 8, false}, {4, 5, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rect.Contains(CGfxPoint(c.x, c.y)) != FALSE, c.inside) << c.x << "," << c.y;
    EXPECT_EQ(rect.Width(), 4);
    EXPECT_EQ(rect.Height(), 5);
}

TEST(GfxTypesRect, IntersectTable)
{
    struct Case {
        CGfxRect a, b, expected;
    };
    const Case cases[] = {
        {{0, 0, 9, 9}, {5, 5, 20, 20}, {5, 5, 9, 9}},
        {{0, 0, 4, 4}, {4, 4, 8, 8}, {4, 4, 4, 4}},      // touching corners share one pixel
        {{0, 0, 4, 4}, {5, 0, 9, 4}, {0, 0, -1, -1}},    // side by side: nothing shared
        {{0, 0, 4, 4}, {0, 0, -1, -1}, {0, 0, -1, -1}},  // empty right
        {{0, 0, -1, -1}, {0, 0, 4, 4}, {0, 0, -1, -1}},  // empty left
        {{3, 3, 2, 9}, {0, 0, 9, 9}, {0, 0, -1, -1}},    // inverted left
        {{0, 0, 9, 9}, {2, 3, 4, 5}, {2, 3, 4, 5}},      // contained
        {{-10, -10, -1, -1}, {-5, -20, 5, -8}, {-5, -10, -1, -8}},
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        CGfxRect r = c.a.Intersect(c.b);
        EXPECT_EQ(r, c.expected) << c.a.left << "," << c.a.top << "," << c.a.right << "," << c.a.bottom << " x "
                                 << c.b.left << "," << c.b.top << "," << c.b.right << "," << c.b.bottom;
    }
}

TEST(GfxTypesRect, HugeRectanglesDoNotOverflow)
{
    CGfxRect all(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    EXPECT_EQ(all.Width(), INT32_MAX);
    EXPECT_FALSE(all.IsEmpty());
    EXPECT_EQ(all.Intersect(CGfxRect(1, 2, 3, 4)), CGfxRect(1, 2, 3, 4));
    CGfxRect inverted(INT32_MAX, 0, INT32_MIN, 0);
    EXPECT_TRUE(inverted.IsEmpty());
}

TEST(GfxTypesRect, AssignmentCopiesCoordinates)
{
    CGfxRect r(1, 2, 3, 4);
    CGfxRect s;
    s = r;
    EXPECT_EQ(s, CGfxRect(1, 2, 3, 4));
    s = s;
    EXPECT_EQ(s, CGfxRect(1, 2, 3, 4));
}

TEST(GfxTypesPair, PointAndSizeValues)
{
    EXPECT_EQ(CGfxSize(), CGfxSize(0, 0));
    CGfxSize size(640, 480);
    CGfxSize copy;
    copy = size;
    EXPECT_EQ(copy.cx, 640);
    EXPECT_EQ(copy.cy, 480);
    CGfxPoint p(-3, 7);
    EXPECT_EQ(p.x, -3);
    EXPECT_EQ(p.y, 7);
}

} // namespace
