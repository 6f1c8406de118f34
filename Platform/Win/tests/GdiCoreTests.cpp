#include <gtest/gtest.h>

#include <vector>

#include "Platform/Win/Gdi/Private/GdiInternal.h"
#include "Platform/Win/Gdi/RectRegion.h"
#include "Platform/Win/User/User.h"

namespace {

using win::detail::RectRegion;

LONG Area(const RectRegion& region)
{
    LONG area = 0;
    for (const RECT& r : region.Rects())
        area += (r.right - r.left) * (r.bottom - r.top);
    return area;
}

TEST(RectRegion, OperationsKeepDisjointRectanglesOfTheRightArea)
{
    struct Case {
        const char* name;
        RectRegion region;
        LONG area;
        std::vector<POINT> inside;
        std::vector<POINT> outside;
    };
    auto unionOf = [] {
        RectRegion r(RECT{0, 0, 10, 10});
        r.Union(RECT{5, 5, 15, 15});
        return r;
    };
    auto withHole = [] {
        RectRegion r(RECT{0, 0, 10, 10});
        r.Subtract(RECT{3, 3, 6, 6});
        return r;
    };
    auto intersected = [&] {
        RectRegion r = withHole();
        r.Intersect(RECT{0, 0, 5, 10});
        return r;
    };
    auto neighbours = [] {
        RectRegion r(RECT{0, 0, 10, 10});
        r.Union(RECT{10, 0, 20, 10});
        r.Union(RECT{0, 0, 20, 10});
        return r;
    };
    const Case cases[] = {
        {"union", unionOf(), 175, {{0, 0}, {14, 14}, {9, 5}}, {{12, 2}, {2, 12}, {15, 15}}},
        {"hole", withHole(), 91, {{0, 0}, {9, 9}, {6, 6}}, {{3, 3}, {5, 5}}},
        {"intersect", intersected(), 44, {{4, 9}, {2, 4}}, {{3, 3}, {5, 0}}},
        {"neighbours", neighbours(), 200, {{0, 0}, {19, 9}}, {{20, 0}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Area(c.region), c.area) << c.name << ": overlapping pieces would count twice";
        for (POINT p : c.inside)
            EXPECT_TRUE(c.region.Contains(p)) << c.name << " " << p.x << "," << p.y;
        for (POINT p : c.outside)
            EXPECT_FALSE(c.region.Contains(p)) << c.name << " " << p.x << "," << p.y;
    }
    EXPECT_EQ(neighbours().Rects().size(), 1u) << "neighbours join into one rectangle";
    RECT bounds = unionOf().Bounds();
    EXPECT_EQ(bounds.right, 15);
    EXPECT_TRUE(RectRegion(RECT{5, 5, 5, 9}).IsEmpty());
}

TEST(GdiCore, StockObjectsSurviveDeletionAndOthersGo)
{
    HGDIOBJ white = GetStockObject(WHITE_BRUSH);
    ASSERT_TRUE(white);
    EXPECT_TRUE(DeleteObject(white));
    EXPECT_EQ(GetObjectType(white), OBJ_BRUSH) << "stock objects stay";
    HBRUSH mine = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(GetObjectType(mine), OBJ_BRUSH);
    EXPECT_TRUE(DeleteObject(mine));
    SetLastError(0);
    EXPECT_FALSE(DeleteObject(mine));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetStockObject(99), nullptr);
    EXPECT_EQ(GetSysColorBrush(99), nullptr);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
}

TEST(GdiCore, FillRectDrawsOnlyInsideTheDrawableArea)
{
    auto surface = std::make_shared<win::Surface>(20, 20, 0);
    RectRegion visible(RECT{5, 5, 15, 15});
    visible.Subtract(RECT{8, 8, 10, 10});
    HDC dc = win::gdi::CreateSurfaceDC(win::gdi::DcKind::Client, nullptr, surface, POINT{5, 5}, visible);
    RECT all{-100, -100, 100, 100};
    // A COLOR_* + 1 value stands for the system colour's brush.
    EXPECT_EQ(FillRect(dc, &all, reinterpret_cast<HBRUSH>(static_cast<UINT_PTR>(COLOR_WINDOW + 1))), 1);
    EXPECT_EQ(surface->PixelAt(5, 5), 0x00FFFFFFu);
    EXPECT_EQ(surface->PixelAt(4, 5), 0u);
    EXPECT_EQ(surface->PixelAt(9, 9), 0u) << "the hole stays";
    RECT one{0, 0, 1, 1};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &one, red);
    EXPECT_EQ(surface->PixelAt(5, 5), 0x00FF0000u) << "logical (0,0) is the DC's origin";
    EXPECT_FALSE(DeleteObject(dc)) << "a DC is released, not deleted";
    EXPECT_TRUE(win::gdi::ReleaseSurfaceDC(dc));
    SetLastError(0);
    EXPECT_EQ(FillRect(dc, &one, red), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    DeleteObject(red);
}

} // namespace
