#include <gtest/gtest.h>

#include <set>
#include <string>

#include "EffectTestSupport.h"
#include "Win32/Sb/Document/ColorEffect.h"
#include "Win32/Sb/Document/SpectrumEffect.h"
#include "Win32/Sb/Render/SpectrumEffectRenderer.h"
#include "Win32/Utils/Profile.h"

namespace {

using effect_tests::EffectModules;
using effect_tests::Milliseconds;

TEST(ColorEffect, PresetsGiveTheirShiftsAndLevelsOnlyWhenTheyApply)
{
    struct Case {
        INT row;
        INT apply;
        INT shifts[3];
        INT levels[3];
    };
    const Case cases[] = {
        {5, 1, {48, 24, 0}, {-100, 0, 0}},
        {1, 0, {0, 0, -12}, {0, 0, 0}},
        {3, 1, {0, 0, 0}, {-100, 0, 0}},
    };
    for (const Case& c : cases) {
        INT apply = 7;
        INT shifts[3] = {9, 9, 9};
        INT levels[3] = {9, 9, 9};
        EXPECT_EQ(GetColorPresetValues(c.row, &apply, shifts, levels), 1);
        EXPECT_EQ(apply, c.apply) << c.row;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(shifts[i], c.shifts[i]) << c.row;
            EXPECT_EQ(levels[i], c.levels[i]) << c.row;
        }
    }
    EXPECT_EQ(GetColorPresetThumbnailId(9), 820);
    EXPECT_EQ(GetColorPresetNameId(10), -1);
    EXPECT_EQ(GetColorPresetThumbnailId(-1), -1);
}

class ColorEffectTest : public ::testing::Test {
protected:
    EffectModules m_modules;
    CProfile m_profile;
};

TEST_F(ColorEffectTest, SevenValuesComeBackAndTheSpareDoesNot)
{
    ColorEffect effect;
    effect.m_nRedShift = 1;
    effect.m_nGreenShift = -2;
    effect.m_nBlueShift = 3;
    effect.m_nSaturation = -100;
    effect.m_nBrightness = 5;
    effect.m_nContrast = -6;
    effect.m_bMonochrome = 1;
    effect.m_nSpare = 77;
    effect.SetKeyTime(Milliseconds(250), 0);
    effect.SetKeyTime(Milliseconds(4250), 3);
    effect.Save("", &m_profile, "Scene0", 0);
    EXPECT_EQ(m_profile.GetInt("Scene0", "EffectKind"), 2);

    ColorEffect loaded;
    loaded.Load(&m_profile, "Scene0", 0);
    EXPECT_EQ(loaded.m_nRedShift, 1);
    EXPECT_EQ(loaded.m_nGreenShift, -2);
    EXPECT_EQ(loaded.m_nBlueShift, 3);
    EXPECT_EQ(loaded.m_nSaturation, -100);
    EXPECT_EQ(loaded.m_nBrightness, 5);
    EXPECT_EQ(loaded.m_nContrast, -6);
    EXPECT_EQ(loaded.m_bMonochrome, 1);
    EXPECT_EQ(loaded.m_nSpare, 0);
    EXPECT_EQ(loaded.GetKeyTime0().GetMilliseconds(), 250);
    EXPECT_EQ(loaded.GetKeyTime3().GetMilliseconds(), 4250);
}

TEST_F(ColorEffectTest, AnOlderSectionCoversFourHours)
{
    m_profile.SetValue("Scene0", "EffectKind", "2");
    m_profile.SetValue("Scene0", "RedShift", "12");
    ColorEffect loaded;
    loaded.Load(&m_profile, "Scene0", 0);
    EXPECT_EQ(loaded.GetKeyTime0().GetMilliseconds(), 0);
    EXPECT_EQ(loaded.GetKeyTime3().GetMilliseconds(), 4LL * 3600 * 1000);
    EXPECT_EQ(loaded.m_nRedShift, 12);
}

TEST(SpectrumEffect, SetStyleTakesTheStylesRangeAndDefaults)
{
    SpectrumEffect effect;
    effect.SetStyle(7);
    EXPECT_EQ(effect.m_nStyle, 7);
    EXPECT_EQ(effect.m_nLevelMin, 1);
    EXPECT_EQ(effect.m_nLevelMax, 8);
    EXPECT_EQ(effect.m_nLevelStart, 1);
    EXPECT_EQ(effect.m_nLevelEnd, 1);
    EXPECT_EQ(effect.m_nLevelHold, 4);
    EXPECT_EQ(effect.m_crColor, 0u);

    effect.SetStyle(17);
    EXPECT_EQ(effect.m_crColor, 0x80E0F0u);
    EXPECT_TRUE(effect.StyleHasColor());

    effect.SetStyle(-1);
    EXPECT_EQ(effect.m_nStyle, -1);
    EXPECT_EQ(effect.m_nLevelMax, 100);
    effect.SetStyle(26);
    EXPECT_EQ(effect.m_nStyle, -1);
}

class SpectrumEffectTest : public ::testing::Test {
protected:
    EffectModules m_modules;
    CProfile m_profile;
};

TEST_F(SpectrumEffectTest, TheFourthEffectOfAListIsFoundByItsSuffix)
{
    SpectrumEffect effect;
    effect.SetStyle(9);
    effect.m_crColor = 0x123456;
    effect.m_nLevelHold = 33;
    effect.SetPreset(4);
    for (int i = 0; i < 4; ++i)
        effect.SetKeyTime(Milliseconds(100.0 * (i + 1)), i);
    effect.Save("", &m_profile, "Scene0", 3);
    EXPECT_TRUE(m_profile.HasEntry("Scene0Spectrum0", "SpectrumStyle_3"));
    EXPECT_TRUE(m_profile.HasEntry("Scene0Spectrum0", "SpectrumColor_3"));
    EXPECT_EQ(m_profile.GetInt("Scene0", "Spectrum"), 1);

    SpectrumEffect loaded;
    loaded.Load(&m_profile, "Scene0Spectrum0", 0);
    EXPECT_EQ(loaded.m_nStyle, 9);
    EXPECT_EQ(loaded.m_crColor, 0x123456u);
    EXPECT_EQ(loaded.m_nLevelHold, 33);
    EXPECT_EQ(loaded.GetPreset(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(loaded.GetKeyTime(i).GetMilliseconds(), 100 * (i + 1)) << i;
}

TEST_F(SpectrumEffectTest, AnOlderSectionHoldsAtTheEnd)
{
    m_profile.SetValue("S", "SpectrumStyle_0", "2");
    m_profile.SetValue("S", "SpectrumStart_0", "1000");
    m_profile.SetValue("S", "SpectrumEnd_0", "5000");
    m_profile.SetValue("S", "SpectrumLevelStart_0", "10");
    m_profile.SetValue("S", "SpectrumLevelEnd_0", "60");
    SpectrumEffect loaded;
    loaded.Load(&m_profile, "S", 0);
    EXPECT_EQ(loaded.GetKeyTime1().GetMilliseconds(), 5000);
    EXPECT_EQ(loaded.GetKeyTime2().GetMilliseconds(), 5000);
    EXPECT_EQ(loaded.m_nLevelHold, 60);
}

TEST_F(SpectrumEffectTest, ASectionWithoutAStyleEntryKeepsTheDefaults)
{
    m_profile.SetValue("S", "SpectrumStyle_27", "5");
    SpectrumEffect loaded;
    loaded.Load(&m_profile, "S", 0);
    EXPECT_EQ(loaded.m_nStyle, 0);
    EXPECT_EQ(loaded.m_nLevelHold, 100);
}

TEST(SpectrumEffect, MissingNamesStillGiveEveryEntryAKeyOfItsOwn)
{
    // A module folder without the program's modules: no name loads.
    EffectModules modules("/nonexistent-kestrelon-modules");
    CProfile profile;
    SpectrumEffect effect;
    effect.SetStyle(3);
    effect.m_nLevelHold = 42;
    effect.Save("", &profile, "Scene0", 0);
    std::set<std::string> names;
    int count = 0;
    for (CProfileSection* s = profile.GetFirstSection(); s != nullptr; s = s->m_pNext) {
        for (CProfileEntry* e = s->m_pFirstEntry; e != nullptr; e = e->m_pNext, ++count)
            names.insert(s->m_strName + "/" + e->m_strName);
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(count));
    SpectrumEffect loaded;
    loaded.Load(&profile, "Scene0#11620", 0);
    EXPECT_EQ(loaded.m_nStyle, 3);
    EXPECT_EQ(loaded.m_nLevelHold, 42);
}

TEST(SpectrumEffect, MirroredStylesAreSwappedForFramesWhoseRowsRunDown)
{
    struct Case {
        INT style;
        INT drawn;
    };
    const Case cases[] = {{15, 16}, {16, 15}, {19, 20}, {20, 19}, {7, 7}};
    CIplImage frame(16, 16, 0);
    for (const Case& c : cases) {
        SpectrumEffect effect;
        effect.SetStyle(c.style);
        ASSERT_TRUE(effect.AttachRenderer(&frame, 25.0, 1));
        const auto* renderer = dynamic_cast<const CSpectrumEffectRenderer*>(effect.GetRenderer());
        ASSERT_NE(renderer, nullptr);
        EXPECT_EQ(renderer->GetState().m_nStyle, c.drawn) << c.style;
        EXPECT_EQ(effect.m_nStyle, c.style);
    }
}

} // namespace
