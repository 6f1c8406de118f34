#include <gtest/gtest.h>

#include <string>

#include "EffectTestSupport.h"
#include "Win32/Sb/Document/MotionEffect.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Utils/Profile.h"

namespace {

using effect_tests::EffectModules;
using effect_tests::Milliseconds;

void SetKeys(MotionEffect& effect, double k0, double k1, double k2, double k3)
{
    effect.SetKeyTime(Milliseconds(k0), 0);
    effect.SetKeyTime(Milliseconds(k1), 1);
    effect.SetKeyTime(Milliseconds(k2), 2);
    effect.SetKeyTime(Milliseconds(k3), 3);
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(MotionEffect, OpacityMovesFromKeyZeroToOneAndFromOneToThree)
{
    MotionEffect effect;
    SetKeys(effect, 0, 1000, 2000, 3000);
    const INT opacities[] = {0, 100, 7, 40};
    for (int k = 0; k < 4; ++k)
        effect.m_keys[k].m_nOpacity = opacities[k];
    struct Case {
        double at;
        INT opacity;
    };
    const Case cases[] = {{500, 50}, {1500, 100}, {2500, 70}, {3500, 40}, {0, 0}, {3000, 40}};
    for (const Case& c : cases)
        EXPECT_EQ(effect.GetOpacityAt(Milliseconds(c.at)), c.opacity) << c.at;
}

TEST(MotionEffect, EqualFirstKeysGiveKeyZerosValueAtTheStart)
{
    MotionEffect effect;
    SetKeys(effect, 0, 0, 2000, 3000);
    effect.m_keys[0].m_nShadowScale = 30;
    effect.m_keys[1].m_nShadowScale = 90;
    EXPECT_EQ(effect.GetShadowScaleAt(Milliseconds(0)), 30);
}

TEST(MotionEffect, KeysOutOfOrderNeverExtrapolate)
{
    MotionEffect effect;
    // The exit runs backwards: key 3 before key 2.
    SetKeys(effect, 0, 1000, 3000, 2000);
    effect.m_keys[1].m_nOpacity = 100;
    effect.m_keys[3].m_nOpacity = 0;
    for (double at : {2500.0, 3500.0, 9000.0}) {
        const INT opacity = effect.GetOpacityAt(Milliseconds(at));
        EXPECT_GE(opacity, 0) << at;
        EXPECT_LE(opacity, 100) << at;
    }
    effect.m_keys[0].m_crShadow = RGB(0, 0, 0);
    effect.m_keys[1].m_crShadow = RGB(200, 100, 50);
    EXPECT_EQ(effect.GetShadowColorAt(Milliseconds(500)), RGB(100, 50, 25));
}

TEST(MotionEffect, PresetOnePassesHorizontallyThroughTheCentre)
{
    MotionEffect effect;
    EXPECT_EQ(effect.ApplyPathPreset(3000, 1), 1);
    RECT key0{};
    RECT key1{};
    RECT key3{};
    effect.GetKeyRect(0, 640, 480, &key0);
    effect.GetKeyRect(1, 640, 480, &key1);
    effect.GetKeyRect(3, 640, 480, &key3);
    EXPECT_TRUE(SameRect(key0, RECT{-128, 192, 0, 288}));
    EXPECT_TRUE(SameRect(key1, RECT{256, 192, 384, 288}));
    EXPECT_EQ(key3.left, 640);
    EXPECT_EQ(effect.GetKeyTime1().GetMilliseconds(), 1500);
    EXPECT_EQ(effect.GetKeyTime2().GetMilliseconds(), 1500);
    RECT at{};
    effect.GetRectAt(Milliseconds(750), 640, 480, &at);
    EXPECT_TRUE(SameRect(at, RECT{64, 192, 192, 288}));
    effect.GetRectAt(Milliseconds(3000), 640, 480, &at);
    EXPECT_TRUE(SameRect(at, key3));
}

TEST(MotionEffect, PresetEightSitsInTheFarCornerAtHalfSize)
{
    MotionEffect effect;
    EXPECT_EQ(effect.ApplyPathPreset(3000, 8), 1);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(effect.m_keys[k].m_nAnchor, 8);
        EXPECT_EQ(effect.m_keys[k].m_nSize, 50);
        RECT rect{};
        effect.GetKeyRect(k, 640, 480, &rect);
        EXPECT_TRUE(SameRect(rect, RECT{320, 240, 640, 480})) << k;
    }
    const LONGLONG keys[] = {0, 1000, 2000, 3000};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(effect.GetKeyTime(k).GetMilliseconds(), keys[k]);
    EXPECT_EQ(effect.ApplyPathPreset(3000, 10), 0);
}

TEST(MotionEffect, TheFadePresetSetsOpacitiesUnlessTheEffectIsKeyed)
{
    struct Case {
        INT mode;
        INT opacities[4];
    };
    const Case cases[] = {{6, {0, 100, 100, 0}}, {4, {10, 20, 20, 40}}};
    for (const Case& c : cases) {
        MotionEffect effect;
        effect.m_nCompositeMode = c.mode;
        const INT before[] = {10, 20, 30, 40};
        for (int k = 0; k < 4; ++k)
            effect.m_keys[k].m_nOpacity = before[k];
        effect.ApplyPathPreset(3000, 4);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(effect.m_keys[k].m_nOpacity, c.opacities[k]) << c.mode << " " << k;
    }
}

TEST(MotionEffect, CornerKeysEnterAlongTheirEdge)
{
    struct Case {
        INT cell;
        INT holdCell;
        RECT rect;
    };
    // 640 x 480, 20 %: 128 x 96.
    const Case cases[] = {
        {0, 1, {-128, 0, 0, 96}},    {0, 3, {0, -96, 128, 0}},     {0, 4, {-128, -96, 0, 0}},
        {8, 6, {640, 384, 768, 480}}, {8, 5, {512, 480, 640, 576}}, {7, 4, {256, 480, 384, 576}},
    };
    for (const Case& c : cases) {
        MotionEffect effect;
        effect.m_keys[0].m_nAnchor = c.cell;
        effect.m_keys[1].m_nAnchor = c.holdCell;
        RECT rect{};
        effect.GetKeyRect(0, 640, 480, &rect);
        EXPECT_TRUE(SameRect(rect, c.rect)) << c.cell << " " << c.holdCell << ": " << rect.left << "," << rect.top;
    }
    EXPECT_TRUE(IsLeftColumn(6));
    EXPECT_FALSE(IsLeftColumn(7));
    EXPECT_TRUE(IsRightColumn(5));
}

class MotionEffectFileTest : public ::testing::Test {
protected:
    EffectModules m_modules;
    CProfile m_profile;
};

TEST_F(MotionEffectFileTest, EveryKeyComesBackIncludingTheReleaseKey)
{
    MotionEffect effect;
    SetKeys(effect, 100, 200, 300, 400);
    effect.m_tOverlayOffset = Milliseconds(1500);
    effect.m_nCompositeMode = 7;
    effect.m_crKeyColor = 0x00FF00;
    for (int k = 0; k < 4; ++k) {
        MotionKey& key = effect.m_keys[k];
        key.m_nAnchor = k + 2;
        key.m_nSize = 10 * (k + 1);
        key.m_nOpacity = 50 + k;
        key.m_nShadowScale = 110 + k;
        key.m_nShadowOpacity = 60 + k;
        key.m_nShadowDX = -k;
        key.m_nShadowDY = 2 * k;
        key.m_crShadow = RGB(k, 2 * k, 3 * k);
        key.m_nShadowSoftness = k % 2;
        key.m_nSpare = 9;
    }
    Scene overlay("/media/overlay.avi");
    effect.SetOverlayScene(&overlay);
    effect.Save("", &m_profile, "Scene0", 0);
    EXPECT_TRUE(m_profile.HasEntry("Scene0Motion0", "CellRelease"));
    EXPECT_EQ(m_profile.GetInt("Scene0", "Motion"), 1);

    MotionEffect loaded(&m_profile, "Scene0Motion0");
    EXPECT_EQ(loaded.m_nCompositeMode, 7);
    EXPECT_EQ(loaded.m_crKeyColor, 0x00FF00u);
    EXPECT_EQ(loaded.m_tOverlayOffset.GetMilliseconds(), 1500);
    EXPECT_STREQ(loaded.GetMediaPath(), "/media/overlay.avi");
    EXPECT_EQ(loaded.GetOverlayScene(), nullptr);
    for (int k = 0; k < 4; ++k) {
        const MotionKey& key = loaded.m_keys[k];
        EXPECT_EQ(loaded.GetKeyTime(k).GetMilliseconds(), 100 * (k + 1));
        EXPECT_EQ(key.m_nAnchor, k + 2);
        EXPECT_EQ(key.m_nSize, 10 * (k + 1));
        EXPECT_EQ(key.m_nOpacity, 50 + k);
        EXPECT_EQ(key.m_nShadowScale, 110 + k);
        EXPECT_EQ(key.m_nShadowOpacity, 60 + k);
        EXPECT_EQ(key.m_nShadowDX, -k);
        EXPECT_EQ(key.m_nShadowDY, 2 * k);
        EXPECT_EQ(key.m_crShadow, RGB(k, 2 * k, 3 * k));
        EXPECT_EQ(key.m_nShadowSoftness, k % 2);
        EXPECT_EQ(key.m_nSpare, 0);
    }
}

TEST_F(MotionEffectFileTest, AMissingOrZeroModeLoadsAsTheSoftKey)
{
    for (const char* mode : {static_cast<const char*>("0"), static_cast<const char*>(nullptr)}) {
        CProfile profile;
        profile.SetValue("M", "MotionKeyStart", "00:00.000 ms");
        if (mode != nullptr)
            profile.SetValue("M", "CompositeMode", mode);
        MotionEffect loaded(&profile, "M");
        EXPECT_EQ(loaded.m_nCompositeMode, 4);
        EXPECT_EQ(loaded.m_nKeyLevel, 128);
    }
}

TEST_F(MotionEffectFileTest, TheOlderLayoutAddsKeyDurationsWithoutKeyTwos)
{
    m_profile.SetValue("M", "MotionStart", "1.5");
    const char* keys[] = {"Attack", "Sustain", "Release", "Decay"};
    const char* durations[] = {"1.0", "2.0", "8.0", "0.5"};
    for (int k = 0; k < 4; ++k)
        m_profile.SetValue("M", (std::string("Duration") + keys[k]).c_str(), durations[k]);
    MotionEffect loaded(&m_profile, "M");
    const LONGLONG expected[] = {1500, 2500, 4500, 5000};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(loaded.GetKeyTime(k).GetMilliseconds(), expected[k]) << k;
}

TEST(MotionEffect, CopiesShareTheOverlayReferenceButNeverOwnIt)
{
    Scene overlay("/media/a.avi");
    MotionEffect effect;
    effect.SetOverlayScene(&overlay);
    {
        MotionEffect copy(effect);
        EXPECT_EQ(copy.GetOverlayScene(), &overlay);
    }
    EXPECT_STREQ(overlay.GetMediaPath(), "/media/a.avi");
    MotionEffect assigned;
    assigned = effect;
    EXPECT_EQ(assigned.GetOverlayScene(), &overlay);
}

TEST(MotionEffect, PresetTableAnswersForRowsOutsideWithRowZero)
{
    EXPECT_EQ(GetMotionPresetCount(), 10);
    EXPECT_EQ(GetMotionPresetThumbnailId(9), 901);
    EXPECT_EQ(GetMotionPresetNameId(10), 61417);
    EXPECT_EQ(GetMotionPresetIndex(-3), 0);
}

} // namespace
