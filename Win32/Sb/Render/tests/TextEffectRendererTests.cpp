#include <gtest/gtest.h>

#include <memory>

#include "Platform/Win/Gdi/Gdi.h"
#include "RenderTestSupport.h"
#include "Win32/Sb/Document/TextEffect.h"
#include "Win32/Sb/Render/TextEffectRenderer.h"

namespace {

using effect_tests::ColorAt;
using effect_tests::EffectModules;
using effect_tests::MakeFlatFrame;
using effect_tests::MakeTestFrame;
using effect_tests::Milliseconds;
using effect_tests::SamePixels;

TextEffect TitleEffect()
{
    TextEffect effect;
    effect.SetTextUtf8("Kestrelon\r\nTitle");
    effect.ApplyPreset(1000, 110);
    effect.SetKeyTime(Milliseconds(0), 0);
    effect.SetKeyTime(Milliseconds(200), 1);
    effect.SetKeyTime(Milliseconds(800), 2);
    effect.SetKeyTime(Milliseconds(1000), 3);
    effect.UpdateAnchors();
    return effect;
}

class TextEffectRendererTest : public ::testing::Test {
protected:
    EffectModules m_modules;
};

TEST_F(TextEffectRendererTest, ProductionUsesFourPhasesAndThePreviewNone)
{
    auto frame = MakeTestFrame(160, 120);
    TextEffect effect = TitleEffect();
    ASSERT_TRUE(effect.AttachRenderer(frame.get(), 25.0, 1));
    EXPECT_EQ(effect.m_nStyleFlags & 0x3300, 0x2200);
    EXPECT_DOUBLE_EQ(effect.m_dScaleY, 0.5);
    EXPECT_DOUBLE_EQ(effect.m_dScaleX, 0.5);
    auto* renderer = dynamic_cast<CTextEffectRenderer*>(effect.GetRenderer());
    ASSERT_NE(renderer, nullptr);
    EXPECT_NE(renderer->GetRasterizer()->GetGlyphMask(15), nullptr);

    effect.m_nStyleFlags |= 0x1100;
    ASSERT_TRUE(effect.AttachRenderer(frame.get(), 0.0, 0));
    EXPECT_EQ(effect.m_nStyleFlags & 0x3300, 0);
    renderer = dynamic_cast<CTextEffectRenderer*>(effect.GetRenderer());
    EXPECT_DOUBLE_EQ(renderer->GetFrameRate(), 15.0);
    EXPECT_EQ(renderer->GetRasterizer()->GetGlyphMask(15), nullptr);
}

TEST_F(TextEffectRendererTest, TheTextIsDrawnInsideItsWindowOnly)
{
    TextEffect effect = TitleEffect();
    auto frame = MakeFlatFrame(160, 120, RGB(20, 40, 60));
    ASSERT_TRUE(effect.AttachRenderer(frame.get(), 25.0, 1));
    for (double at : {500.0, 1200.0}) {
        auto drawn = MakeFlatFrame(160, 120, RGB(20, 40, 60));
        CMediaTime time = Milliseconds(at);
        EXPECT_EQ(effect.Render(drawn.get(), nullptr, &time), drawn.get());
        EXPECT_EQ(!SamePixels(*drawn, *frame), at < 1000.0) << at;
    }
}

TEST_F(TextEffectRendererTest, ColoursKeepRedInRed)
{
    TextEffect effect;
    effect.SetTextUtf8("\u2588");
    effect.m_nStyleFlags = TextEffect::kFace;
    for (TextKeyState& state : effect.m_keyStates)
        state.m_crColor1 = RGB(255, 0, 0);
    effect.SetKeyTime(Milliseconds(1000), 3);
    auto frame = MakeFlatFrame(160, 120, 0);
    ASSERT_TRUE(effect.AttachRenderer(frame.get(), 25.0, 1));
    CMediaTime time = Milliseconds(500);
    effect.Render(frame.get(), nullptr, &time);
    EXPECT_EQ(ColorAt(*frame, 80, 60), RGB(254, 0, 0));
}

TEST_F(TextEffectRendererTest, OutlinedShadowedTitleGolden)
{
    TextEffect effect = TitleEffect();
    effect.m_lf.lfHeight = -36;
    effect.m_lf.lfWeight = FW_BOLD;
    auto frame = MakeTestFrame(160, 120);
    ASSERT_TRUE(effect.AttachRenderer(frame.get(), 25.0, 1));
    CMediaTime time = Milliseconds(500);
    effect.Render(frame.get(), nullptr, &time);
    EXPECT_TRUE(render_tests::MatchesGolden("text_outline_shadow.ppm", *frame));
}

TEST_F(TextEffectRendererTest, AnEmptyTextOrAZeroSizeFrameDrawsNothing)
{
    TextEffect effect;
    effect.SetKeyTime(Milliseconds(1000), 3);
    auto frame = MakeFlatFrame(32, 32, RGB(9, 9, 9));
    auto before = MakeFlatFrame(32, 32, RGB(9, 9, 9));
    ASSERT_TRUE(effect.AttachRenderer(frame.get(), 25.0, 1));
    CMediaTime time = Milliseconds(100);
    effect.Render(frame.get(), nullptr, &time);
    EXPECT_TRUE(SamePixels(*frame, *before));

    TextEffect title = TitleEffect();
    CIplImage empty;
    ASSERT_TRUE(title.AttachRenderer(&empty, 25.0, 1));
    EXPECT_EQ(title.Render(&empty, nullptr, &time), &empty);
}

} // namespace
