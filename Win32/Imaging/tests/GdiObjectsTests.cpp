#include "Win32/Imaging/GdiObjects.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Win32/Imaging/GfxPointF.h"

namespace {

LOGFONTA ArialOfHeight(LONG height)
{
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfWeight = 700;
    std::strcpy(font.lfFaceName, "Arial");
    return font;
}

} // namespace

TEST(GdiObjects, PenKeepsTheValuesItWasMadeWith)
{
    CGdiPen pen(CRGBColor(RGB(255, 0, 0)), 2, static_cast<int>(PS_DASH));
    ASSERT_NE(pen.GetHandle(), nullptr);
    EXPECT_TRUE(pen.m_bOwned);
    EXPECT_EQ(pen.m_color, CRGBColor(255, 0, 0));
    EXPECT_EQ(pen.m_nWidth, 2);
    EXPECT_EQ(pen.m_nStyle, static_cast<int>(PS_DASH));

}

TEST(GdiObjects, WrappedPenTakesItsValuesFromTheHandle)
{
    CGdiPen pen(CRGBColor(RGB(0, 128, 255)), 1, static_cast<int>(PS_DASH));
    CGdiPen described(pen.GetHandle(), FALSE);
    EXPECT_EQ(described.GetHandle(), pen.GetHandle());
    EXPECT_FALSE(described.m_bOwned);
    EXPECT_EQ(described.m_color, CRGBColor(0, 128, 255));
    EXPECT_EQ(described.m_nWidth, 1);
    EXPECT_EQ(described.m_nStyle, static_cast<int>(PS_DASH));
}

TEST(GdiObjects, OwnedPenIsDeletedWithItsObject)
{
    HPEN handle;
    {
        CGdiPen pen(CRGBColor(1, 2, 3), 1, static_cast<int>(PS_SOLID));
        handle = pen.GetHandle();
        ASSERT_EQ(GetObjectType(handle), OBJ_PEN);
    }
    EXPECT_EQ(GetObjectType(handle), 0u);
}

TEST(GdiObjects, WrappedStockNullPenReportsPsNullAndIsNotDeleted)
{
    HPEN stock = static_cast<HPEN>(GetStockObject(NULL_PEN));
    {
        CGdiPen pen(stock, FALSE);
        EXPECT_EQ(pen.GetHandle(), stock);
        EXPECT_EQ(pen.m_nStyle, static_cast<int>(PS_NULL));
        EXPECT_FALSE(pen.m_bOwned);
    }
    EXPECT_EQ(GetObjectType(stock), OBJ_PEN);
    EXPECT_EQ(GfxNullPen()->GetHandle(), stock);
    EXPECT_EQ(GfxNullPen()->m_nStyle, static_cast<int>(PS_NULL));
}

TEST(GdiObjects, WrappingAHandleThatIsNotOpenLeavesNothing)
{
    HPEN bogus = reinterpret_cast<HPEN>(static_cast<UINT_PTR>(0x7123456));
    CGdiPen pen(bogus, TRUE);
    EXPECT_EQ(pen.GetHandle(), nullptr);
    EXPECT_FALSE(pen.m_bOwned);
    CGdiBrush brush(reinterpret_cast<HBRUSH>(static_cast<UINT_PTR>(0x7123456)), TRUE);
    EXPECT_EQ(brush.GetHandle(), nullptr);
    EXPECT_FALSE(brush.m_bOwned);
}

TEST(GdiObjects, SolidBrushAndItsDescription)
{
    CGdiBrush brush(CRGBColor(10, 20, 30));
    ASSERT_NE(brush.GetHandle(), nullptr);
    EXPECT_TRUE(brush.m_bOwned);
    EXPECT_EQ(brush.m_nStyle, BS_SOLID);
    EXPECT_EQ(brush.m_color, CRGBColor(10, 20, 30));
    EXPECT_EQ(brush.m_nHatch, 0u);

    CGdiBrush nullBrush(static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)), FALSE);
    EXPECT_EQ(nullBrush.m_nStyle, BS_NULL);
    EXPECT_EQ(GfxNullBrush()->m_nStyle, BS_NULL);
}

TEST(GdiObjects, DestroyingAnUnownedBrushLeavesTheHandleValid)
{
    CGdiBrush owner(CRGBColor(1, 1, 1));
    {
        auto wrapper = std::make_unique<CGdiBrush>(owner.GetHandle(), FALSE);
        EXPECT_EQ(wrapper->m_color, CRGBColor(1, 1, 1));
    }
    EXPECT_EQ(GetObjectType(owner.GetHandle()), OBJ_BRUSH);
}

TEST(GdiObjects, FontDescribesItselfAndDeletesItsHandle)
{
    LOGFONTA asked = ArialOfHeight(-13);
    CGdiFont font(&asked);
    ASSERT_NE(font.GetHandle(), nullptr);
    EXPECT_TRUE(font.m_bOwned);
    LOGFONTA described{};
    ASSERT_TRUE(font.GetLogFont(&described));
    EXPECT_EQ(described.lfHeight, -13);
    EXPECT_EQ(described.lfWeight, 700);
    EXPECT_STREQ(described.lfFaceName, "Arial");
    HFONT handle = font.GetHandle();
    font.Delete();
    EXPECT_EQ(font.GetHandle(), nullptr);
    EXPECT_EQ(GetObjectType(handle), 0u);
}

TEST(GdiObjects, GetLogFontWithoutBufferOrHandleIsFalse)
{
    LOGFONTA asked = ArialOfHeight(12);
    CGdiFont font(&asked);
    EXPECT_FALSE(font.GetLogFont(nullptr));
    CGdiFont empty(static_cast<HFONT>(nullptr), FALSE);
    LOGFONTA out{};
    EXPECT_FALSE(empty.GetLogFont(&out));
    CGdiFont none(static_cast<const LOGFONTA*>(nullptr));
    EXPECT_EQ(none.GetHandle(), nullptr);
    EXPECT_FALSE(none.m_bOwned);
}

TEST(GdiObjects, UnownedFontIsNotDeleted)
{
    LOGFONTA asked = ArialOfHeight(12);
    CGdiFont owner(&asked);
    {
        CGdiFont wrapper(owner.GetHandle(), FALSE);
    }
    EXPECT_EQ(GetObjectType(owner.GetHandle()), OBJ_FONT);
}

TEST(GdiObjects, DoubleRectangleComesFromAnIntegerOne)
{
    const CGfxRectF rect(CGfxRect(1, 2, 3, 4));
    EXPECT_EQ(rect.left, 1.0);
    EXPECT_EQ(rect.bottom, 4.0);
    auto* points = new CGfxPointF[4];
    points[3] = CGfxPointF(2.5, -1.5);
    EXPECT_EQ(points[3].y, -1.5);
    delete[] points;
}
