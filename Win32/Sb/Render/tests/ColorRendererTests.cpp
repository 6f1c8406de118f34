#include <gtest/gtest.h>

#include <memory>

#include "RenderTestSupport.h"
#include "Win32/Sb/Document/ColorEffect.h"
#include "Win32/Sb/Render/ColorEffectRenderer.h"
#include "Win32/Utils/CpuInfo.h"
#include "Win32/Utils/Profile.h"

namespace {

using effect_tests::EffectModules;
using effect_tests::MakeTestFrame;
using effect_tests::SamePixels;

TEST(EffectRenderer, FourPixelBlendingFollowsTheProcessorsFeatureBits)
{
    struct Case {
        DWORD features;
        bool mmx;
    };
    const Case cases[] = {{0, false}, {0x800000, true}, {0x2000000, true}, {0x1, false}};
    for (const Case& c : cases) {
        CpuIdCache cache;
        cache.state = 1;
        cache.features = c.features;
        SetCpuIdCacheForTesting(&cache);
        EXPECT_EQ(HasMmx(), c.mmx) << std::hex << c.features;
    }
    CpuIdCache none;
    none.state = -1;
    SetCpuIdCacheForTesting(&none);
    EXPECT_FALSE(HasMmx());
    SetCpuIdCacheForTesting(nullptr);
    EXPECT_TRUE(IsWindowsNT());
}

TEST(ColorEffectRenderer, TheMonochromeSwitchSurvivesOnlyAtFullDesaturation)
{
    struct Case {
        INT saturation;
        INT monochrome;
    };
    const Case cases[] = {{-100, 1}, {-99, 0}, {0, 0}};
    for (const Case& c : cases) {
        ColorEffect effect;
        effect.m_nSaturation = c.saturation;
        effect.m_bMonochrome = 1;
        CColorEffectRenderer renderer(effect);
        auto frame = MakeTestFrame(8, 8);
        EXPECT_EQ(renderer.Render(frame.get(), 0), frame.get());
        EXPECT_EQ(renderer.m_nValues[6], c.monochrome) << c.saturation;
    }
}

TEST(ColorEffectRenderer, ANullImageGivesNullAndChangesNothing)
{
    ColorEffect effect;
    effect.m_bMonochrome = 1;
    CColorEffectRenderer renderer(effect);
    EXPECT_EQ(renderer.Render(nullptr, 0), nullptr);
    EXPECT_EQ(renderer.m_nValues[6], 1);
}

TEST(ColorEffectRenderer, NeutralValuesLeaveTheFrame)
{
    CColorEffectRenderer renderer(ColorEffect{});
    auto frame = MakeTestFrame(16, 8);
    auto copy = MakeTestFrame(16, 8);
    renderer.Render(frame.get(), 0);
    EXPECT_TRUE(SamePixels(*frame, *copy));
}

TEST(ColorEffectRenderer, ValuesComeBackThroughTheProfileWithTheClearedSwitch)
{
    EffectModules modules;
    ColorEffect effect;
    effect.m_nRedShift = 4;
    effect.m_nGreenShift = 5;
    effect.m_nBlueShift = 6;
    effect.m_nSaturation = 7;
    effect.m_nBrightness = 8;
    effect.m_nContrast = 9;
    effect.m_bMonochrome = 1;
    CColorEffectRenderer renderer(effect);
    auto frame = MakeTestFrame(4, 4);
    renderer.Render(frame.get(), 0);
    CProfile profile;
    renderer.Save(&profile, "S");
    EXPECT_EQ(profile.GetInt("S", "EffectKind"), 2);
    EXPECT_EQ(profile.GetInt("S", "Monochrome"), 0);
    CColorEffectRenderer loaded;
    loaded.LoadParams(&profile, "S");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(loaded.m_nValues[i], i + 4) << i;
    std::unique_ptr<CFilterRenderer> clone(loaded.Clone());
    EXPECT_EQ(static_cast<CColorEffectRenderer*>(clone.get())->m_nValues[5], 9);
    EXPECT_EQ(clone->GetKind(), 2);
}

TEST(ColorEffectRenderer, SepiaGolden)
{
    INT apply = 0;
    INT shifts[3];
    INT levels[3];
    GetColorPresetValues(5, &apply, shifts, levels);
    ColorEffect effect;
    effect.m_nRedShift = shifts[0];
    effect.m_nGreenShift = shifts[1];
    effect.m_nBlueShift = shifts[2];
    effect.m_nSaturation = levels[0];
    effect.m_nBrightness = 20;
    effect.m_nContrast = 30;
    ASSERT_TRUE(effect.AttachRenderer(nullptr, 25.0, 1));
    auto frame = MakeTestFrame(64, 48);
    CMediaTime at;
    EXPECT_EQ(effect.Render(frame.get(), nullptr, &at), frame.get());
    EXPECT_TRUE(render_tests::MatchesGolden("color_sepia.ppm", *frame));
}

} // namespace
