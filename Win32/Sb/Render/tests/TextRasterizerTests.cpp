#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RenderTestSupport.h"
#include "Platform/Win/Gdi/Gdi.h"
#include "Win32/Sb/Render/TextRasterizer.h"

namespace {

using effect_tests::ColorAt;
using effect_tests::MakeFlatFrame;
using effect_tests::SamePixels;

TextRasterizerSetup SetupFor(const std::u16string& text, INT style, LONG height = -24)
{
    TextRasterizerSetup setup{};
    setup.m_lf.lfHeight = height;
    setup.m_lf.lfWeight = FW_BOLD;
    const std::u16string face = u"Arial";
    std::copy(face.begin(), face.end(), setup.m_lf.lfFaceName);
    setup.m_nAlign = TA_CENTER;
    setup.m_nStyle = style;
    setup.m_pszText = text.c_str();
    setup.m_fScaleY = 1.0f;
    setup.m_fScaleX = 1.0f;
    setup.m_fOutline = 0.05f;
    setup.m_fSoftness = 0.05f;
    return setup;
}

int Draw(CTextRasterizer& rasterizer, CIplImage& frame, DWORD face, float x, float y)
{
    IplImage* pixels = frame.GetImage();
    return rasterizer.DrawLayers(reinterpret_cast<BYTE*>(pixels->imageData), pixels->width, pixels->height,
                                 pixels->widthStep, face, 0, 0, x, y, 0.0f, 1);
}

TextFrameState StateAt(float x)
{
    TextFrameState state;
    state.m_fX = x;
    state.m_crFace = 0x00FFFFFF;
    return state;
}

TEST(TextRasterizer, EmptyLinesBetweenLineBreaksBecomeOneBlank)
{
    const std::u16string text = u"A\r\n\r\nB";
    CTextRasterizer rasterizer(SetupFor(text, 0x10));
    ASSERT_TRUE(rasterizer.IsValid());
    EXPECT_EQ(rasterizer.GetLineCount(), 3);
    EXPECT_EQ(rasterizer.GetMaskHeight() * 4 % 4, 0);
    EXPECT_GE(rasterizer.GetMaskHeight(), 3 * rasterizer.GetRowsPerLine());
}

TEST(TextRasterizer, ShadowDistanceAndAngleOutsideTheirRangesAreRefused)
{
    const std::u16string text = u"Shadow";
    CTextRasterizer rasterizer(SetupFor(text, 0x13));
    ASSERT_TRUE(rasterizer.IsValid());
    // The default distance lies below the text on the right (45 degrees).
    EXPECT_GT(rasterizer.GetShadowX(), 0);
    EXPECT_LT(rasterizer.GetShadowY(), 0);
    const INT x = rasterizer.GetShadowX();
    const INT y = rasterizer.GetShadowY();
    EXPECT_EQ(rasterizer.SetShadowDistance(250.0f), -1);
    EXPECT_EQ(rasterizer.SetShadowAngle(181.0f), -1);
    EXPECT_EQ(rasterizer.GetShadowX(), x);
    EXPECT_EQ(rasterizer.GetShadowY(), y);
    EXPECT_EQ(rasterizer.SetShadowDistance(100.0f), 0);
    EXPECT_EQ(rasterizer.SetShadowAngle(0.0f), 0);
    EXPECT_EQ(rasterizer.GetShadowX(), 0);
    EXPECT_EQ(rasterizer.GetShadowY(), -rasterizer.GetRowsPerLine());
}

TEST(TextRasterizer, AWholePositionUsesTheLastPhaseOfFour)
{
    const std::u16string text = u"x";
    struct Case {
        INT style;
        double u;
        double v;
        int phase;
    };
    const Case cases[] = {
        {0x2200, 10.0, 5.0, 15}, {0x2200, 10.75, 5.5, 4}, {0x1100, 10.0, 5.0, 10},
        {0x0200, 10.0, 5.0, 3},  {0, 10.4, 5.6, 0},
    };
    for (const Case& c : cases) {
        CTextRasterizer rasterizer(SetupFor(text, 0x10 | c.style));
        EXPECT_EQ(rasterizer.PhaseAt(c.u, c.v), c.phase) << std::hex << c.style;
        EXPECT_NE(rasterizer.GetGlyphMask(c.phase), nullptr);
    }
}

TEST(TextRasterizer, TransparencyScalesTheCoverage)
{
    // A full block: its inside has full coverage.
    const std::u16string text = u"\u2588\u2588";
    CTextRasterizer rasterizer(SetupFor(text, 0x10, -48));
    ASSERT_TRUE(rasterizer.IsValid());
    const COLORREF old = RGB(100, 100, 100);
    auto clear = MakeFlatFrame(96, 96, old);
    auto invisible = MakeFlatFrame(96, 96, old);
    auto opaque = MakeFlatFrame(96, 96, old);
    Draw(rasterizer, *invisible, 0xFFC8C8C8, 0.0f, 0.0f);
    EXPECT_TRUE(SamePixels(*invisible, *clear));
    Draw(rasterizer, *opaque, 0x00C8C8C8, 0.0f, 0.0f);
    // The centre of the block, counted from the bottom of the frame.
    const int x = rasterizer.GetMaskWidth() / 2;
    const int y = 96 - 1 - rasterizer.GetMaskHeight() / 2;
    EXPECT_EQ(GetRValue(ColorAt(*opaque, x, y)), (200 * 255 + 100) >> 8);
}

TEST(TextRasterizer, OutlinesNeverReachIntoTheNextRow)
{
    const int w = 8;
    const int h = 5;
    std::vector<BYTE> mask(static_cast<size_t>(w * h), 0);
    mask[static_cast<size_t>(2 * w + 7)] = 255;
    const std::vector<BYTE> ring = TextOutlineMask(mask, w, h, 0);
    EXPECT_EQ(ring[static_cast<size_t>(2 * w + 6)], 255);
    for (int y = 1; y < h - 1; ++y)
        EXPECT_EQ(ring[static_cast<size_t>(y * w)], 0) << y;
    const std::vector<BYTE> shadow = TextShadowMask(mask, w, h, 2, 0);
    for (int y = 1; y < h - 1; ++y)
        EXPECT_EQ(shadow[static_cast<size_t>(y * w)], 0) << y;
}

TEST(TextRasterizer, KeyFramesOutOfOrderAreBroughtIntoLine)
{
    const std::u16string text = u"T";
    CTextRasterizer rasterizer(SetupFor(text, 0x10));
    TextAnimation animation;
    animation.m_nStart = 10;
    animation.m_nEnterEnd = 5;
    animation.m_nExitStart = 20;
    animation.m_nStop = 15;
    const float xs[4] = {0.0f, 0.2f, 0.6f, 1.0f};
    for (int i = 0; i < 4; ++i)
        animation.m_states[i] = StateAt(xs[i]);
    EXPECT_EQ(rasterizer.SetAnimation(animation), 0);
    EXPECT_FLOAT_EQ(rasterizer.GetFrameState(10)->m_fX, 0.2f);
    EXPECT_FLOAT_EQ(rasterizer.GetFrameState(12)->m_fX, 0.2f + 0.4f * 0.4f);
    EXPECT_FLOAT_EQ(rasterizer.GetFrameState(15)->m_fX, 1.0f);
    EXPECT_FALSE(rasterizer.GetFrameState(9).has_value());
    EXPECT_FALSE(rasterizer.GetFrameState(16).has_value());
    auto frame = MakeFlatFrame(32, 32, 0);
    IplImage* pixels = frame->GetImage();
    auto* bits = reinterpret_cast<BYTE*>(pixels->imageData);
    EXPECT_EQ(rasterizer.DrawFrame(bits, 32, 32, pixels->widthStep, 9, 1), 2);
    EXPECT_EQ(rasterizer.DrawFrame(bits, 32, 32, pixels->widthStep, 16, 1), 2);
    EXPECT_EQ(rasterizer.DrawFrame(bits, 32, 32, pixels->widthStep, 12, 1), 0);
}

TEST(TextRasterizer, EqualKeyFramesHoldTheLastState)
{
    const std::u16string text = u"T";
    CTextRasterizer rasterizer(SetupFor(text, 0x10));
    TextAnimation animation;
    animation.m_nStart = animation.m_nEnterEnd = animation.m_nExitStart = animation.m_nStop = 7;
    for (int i = 0; i < 4; ++i)
        animation.m_states[i] = StateAt(0.1f * static_cast<float>(i));
    rasterizer.SetAnimation(animation);
    ASSERT_TRUE(rasterizer.GetFrameState(7).has_value());
    EXPECT_FLOAT_EQ(rasterizer.GetFrameState(7)->m_fX, 0.3f);
    EXPECT_FALSE(rasterizer.GetFrameState(8).has_value());
}

TEST(TextRasterizer, ALaterLongerAnimationCoversItsWholeSpan)
{
    const std::u16string text = u"T";
    CTextRasterizer rasterizer(SetupFor(text, 0x10));
    TextAnimation animation;
    animation.m_nStop = 10;
    animation.m_states[3] = StateAt(1.0f);
    rasterizer.SetAnimation(animation);
    // Hours of frames, as a corrupt or very long scene gives, cost nothing.
    animation.m_nEnterEnd = 50;
    animation.m_nExitStart = 150;
    animation.m_nStop = 2000000000;
    rasterizer.SetAnimation(animation);
    ASSERT_TRUE(rasterizer.GetFrameState(2000000000).has_value());
    EXPECT_FLOAT_EQ(rasterizer.GetFrameState(2000000000)->m_fX, 1.0f);
    EXPECT_FLOAT_EQ(rasterizer.GetFrameState(100)->m_fX, 0.0f);
}

TEST(TextRasterizer, LinesEnterOneAfterAnother)
{
    const std::u16string text = u"one\rtwo\rthree";
    CTextRasterizer rasterizer(SetupFor(text, 0x10));
    TextAnimation animation;
    animation.m_nFlags = 0x20;
    animation.m_nStart = 0;
    animation.m_nEnterEnd = 30;
    animation.m_nExitStart = 40;
    animation.m_nStop = 50;
    animation.m_states[0] = StateAt(0.0f);
    animation.m_states[1] = StateAt(1.0f);
    animation.m_states[2] = StateAt(1.0f);
    animation.m_states[3] = StateAt(0.5f);
    rasterizer.SetAnimation(animation);
    struct Case {
        int line;
        int frame;
        float x;
    };
    const Case cases[] = {
        {0, 0, 0.0f},  {0, 5, 0.5f},  {0, 10, 1.0f}, {1, 5, 0.0f},  {1, 10, 0.0f},
        {1, 15, 0.5f}, {1, 20, 1.0f}, {2, 19, 0.0f}, {2, 25, 0.5f}, {2, 30, 1.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(rasterizer.GetFrameState(c.frame, c.line)->m_fX, c.x) << c.line << " @" << c.frame;
}

TEST(TextRasterizer, AnEmptyTextDrawsNothing)
{
    const std::u16string text;
    CTextRasterizer rasterizer(SetupFor(text, 0x13));
    auto frame = MakeFlatFrame(16, 16, RGB(1, 2, 3));
    auto before = MakeFlatFrame(16, 16, RGB(1, 2, 3));
    Draw(rasterizer, *frame, 0x00FFFFFF, 0.5f, 0.5f);
    EXPECT_TRUE(SamePixels(*frame, *before));
}

TEST(TextRasterizer, AFaceThatDoesNotExistIsSubstituted)
{
    const std::u16string text = u"Any";
    TextRasterizerSetup setup = SetupFor(text, 0x10);
    const std::u16string face = u"No Such Face 42";
    std::fill(std::begin(setup.m_lf.lfFaceName), std::end(setup.m_lf.lfFaceName), u'\0');
    std::copy(face.begin(), face.end(), setup.m_lf.lfFaceName);
    CTextRasterizer rasterizer(setup);
    ASSERT_TRUE(rasterizer.IsValid());
    auto frame = MakeFlatFrame(64, 32, 0);
    auto before = MakeFlatFrame(64, 32, 0);
    Draw(rasterizer, *frame, 0x00FFFFFF, 0.0f, 0.0f);
    EXPECT_FALSE(SamePixels(*frame, *before));
}

} // namespace
