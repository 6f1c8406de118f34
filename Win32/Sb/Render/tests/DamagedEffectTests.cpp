#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "RenderTestSupport.h"
#include "Win32/Sb/Document/EffectList.h"
#include "Win32/Sb/Document/MotionEffect.h"
#include "Win32/Sb/Document/SpectrumEffect.h"
#include "Win32/Sb/Document/TextEffect.h"
#include "Win32/Utils/Profile.h"
#include "tests/support/TempDir.h"

namespace {

using effect_tests::EffectModules;
using effect_tests::MakeTestFrame;
using effect_tests::Milliseconds;

// Renders every frame of the effects' window and past it; the test is that
// nothing faults and every frame comes back.
void RenderThrough(EffectList& list, double untilMilliseconds)
{
    auto frame = MakeTestFrame(64, 48);
    for (double t = 0; t <= untilMilliseconds; t += 250) {
        CIplImage* drawn = list.RenderFrame(frame.get(), nullptr, Milliseconds(t), Milliseconds(40));
        ASSERT_EQ(drawn, frame.get()) << t;
    }
}

TEST(DamagedEffects, OutOfRangeValuesDrawWithoutFault)
{
    EffectModules modules;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    TextEffect text;
    text.SetTextUtf8("Damaged\r\rvalues");
    text.m_lf.lfHeight = INT_MIN;
    text.m_dOutlineFraction = 1e30;
    text.m_dEdgePercent = -5;
    text.m_dOffsetPercent = 1e9;
    text.m_keyStates[1].m_fX = nan;
    text.m_keyStates[2].m_fY = 1e30f;
    text.m_keyStates[0].m_nAnchor = -1;
    text.SetKeyTime(Milliseconds(2000), 3);

    EffectList list;
    list.SetTextEffect(text);
    for (INT style : {22, 24}) {
        SpectrumEffect spectrum;
        spectrum.SetStyle(style);
        spectrum.m_nLevelStart = INT_MIN;
        spectrum.m_nLevelHold = INT_MAX;
        spectrum.m_nLevelEnd = INT_MIN;
        spectrum.SetKeyTime(Milliseconds(500), 1);
        spectrum.SetKeyTime(Milliseconds(1500), 2);
        spectrum.SetKeyTime(Milliseconds(2000), 3);
        list.SetSpectrumEffect(spectrum);
        RenderThrough(list, 2500);
    }
}

TEST(DamagedEffects, AHugeOverlayAndShadowStayInsideTheFrame)
{
    testing_support::TempDir folder;
    const std::string overlay = folder.File("overlay.bmp");
    ASSERT_TRUE(media_fixtures::WriteStill(overlay, media_fixtures::StillKind::Bmp24, 32, 24));
    MotionEffect motion;
    motion.SetOverlayPath(overlay.c_str());
    motion.m_nCompositeMode = MotionEffect::kDropShadow;
    for (MotionKey& key : motion.m_keys) {
        key.m_nSize = INT_MAX;
        key.m_nAnchor = 99;
        key.m_nOpacity = INT_MAX;
        key.m_nShadowScale = INT_MAX;
        key.m_nShadowDX = INT_MIN;
        key.m_nShadowSoftness = 1;
    }
    // Keys at opposite ends of the range, for the values between them.
    motion.m_keys[1].m_nSize = INT_MIN;
    motion.m_keys[1].m_nShadowScale = INT_MIN;
    motion.m_keys[1].m_nShadowDX = INT_MAX;
    motion.m_keys[1].m_crShadow = 0xFFFFFFFF;
    motion.SetKeyTime(Milliseconds(1000), 1);
    motion.SetKeyTime(Milliseconds(1500), 2);
    motion.SetKeyTime(Milliseconds(2000), 3);
    EffectList list;
    list.SetMotionEffect(motion);
    RenderThrough(list, 2500);
}

TEST(DamagedEffects, GarbledSectionsLoadToDefinedValues)
{
    EffectModules modules;
    CProfile profile;
    const char* section = "Scene0Text0";
    profile.SetValue("Scene0", "EffectCount", "zz");
    profile.SetValue("Scene0", "Text", "1");
    profile.SetValue(section, "TextKeyStart", "not a time");
    profile.SetValue(section, "Style", "\x01\x02");
    profile.SetValue(section, "EnterX", "1e999");
    profile.SetValue(section, "Font.lfHeight", "-99999999999");
    EffectList list;
    list.Load("", &profile, "Scene0", 0);
    EXPECT_EQ(list.GetCount(), 0);
    profile.SetValue("Scene0", "EffectCount", "1");
    list.Load("", &profile, "Scene0", 0);
    ASSERT_EQ(list.GetCount(), 1);
    RenderThrough(list, 500);
}

} // namespace
