#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "RenderTestSupport.h"
#include "Win32/Sb/Document/SpectrumEffect.h"
#include "Win32/Sb/Render/SpectrumEffectRenderer.h"
#include "Win32/Sb/Render/SpectrumStyles.h"

namespace {

using effect_tests::ColorAt;
using effect_tests::MakeFlatFrame;
using effect_tests::MakeTestFrame;
using effect_tests::Milliseconds;
using effect_tests::SamePixels;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// A spectrum effect of `style` over 0..1000 ms whose level stays `level`.
SpectrumEffect SteadyEffect(INT style, INT level)
{
    SpectrumEffect effect;
    effect.SetStyle(style);
    effect.m_nLevelStart = level;
    effect.m_nLevelHold = level;
    effect.m_nLevelEnd = level;
    effect.SetKeyTime(Milliseconds(0), 0);
    effect.SetKeyTime(Milliseconds(200), 1);
    effect.SetKeyTime(Milliseconds(800), 2);
    effect.SetKeyTime(Milliseconds(1000), 3);
    return effect;
}

std::unique_ptr<CIplImage> Rendered(const SpectrumEffect& effect, LONG milliseconds,
                                    std::unique_ptr<CIplImage> frame = MakeTestFrame(kWidth, kHeight))
{
    CSpectrumEffectRenderer renderer(frame.get(), effect);
    EXPECT_EQ(renderer.Render(frame.get(), milliseconds), frame.get());
    return frame;
}

TEST(SpectrumStyles, KeysOutsideTheTableGiveZeroFromEveryAccessor)
{
    for (INT key : {26, -2, 1000}) {
        EXPECT_EQ(SpectrumStyleIndex(key), kSpectrumStyleCount) << key;
        EXPECT_EQ(SpectrumStyleKey(key), 0);
        EXPECT_EQ(SpectrumStyleMin(key), 0);
        EXPECT_EQ(SpectrumStyleMax(key), 0);
        EXPECT_EQ(SpectrumStyleDefault(key), 0);
        EXPECT_EQ(SpectrumStyleHasColor(key), 0);
        EXPECT_EQ(SpectrumStyleDefaultColor(key), 0u);
        EXPECT_EQ(SpectrumStyleBitmapId(key), 0);
        EXPECT_EQ(SpectrumStyleNameId(key), 0);
    }
}

TEST(SpectrumStyles, TheFirstAndLastRowsAreNoStyleAndRowFold)
{
    EXPECT_EQ(SpectrumStyleIndex(-1), 0);
    EXPECT_EQ(SpectrumStyleKey(-1), -1);
    EXPECT_EQ(SpectrumStyleMax(-1), 100);
    EXPECT_EQ(SpectrumStyleBitmapId(-1), 1023);
    EXPECT_EQ(SpectrumStyleNameId(-1), 61349);
    EXPECT_EQ(SpectrumStyleIndex(25), 26);
    EXPECT_EQ(SpectrumStyleNameId(25), 61366);
    EXPECT_EQ(SpectrumStyleMin(0), -1000);
    EXPECT_EQ(SpectrumStyleDefault(16), 45);
    EXPECT_EQ(SpectrumStyleDefaultColor(6), 0x909090u);
}

TEST(SpectrumRenderer, TheSameTimeAlwaysGivesTheSamePicture)
{
    const INT styles[][2] = {{3, 6}, {11, 50}, {12, 50}};
    for (const auto& [style, level] : styles) {
        const SpectrumEffect effect = SteadyEffect(style, level);
        auto first = Rendered(effect, 500);
        auto second = Rendered(effect, 500);
        EXPECT_TRUE(SamePixels(*first, *second)) << style;
        auto other = Rendered(effect, 501);
        EXPECT_FALSE(SamePixels(*first, *other)) << style;
    }
}

TEST(SpectrumRenderer, TilesAtLevelZeroLeaveTheFrame)
{
    auto frame = Rendered(SteadyEffect(3, 0), 500);
    auto original = MakeTestFrame(kWidth, kHeight);
    EXPECT_TRUE(SamePixels(*frame, *original));
}

TEST(SpectrumRenderer, OilPaintRadiusRunsFromOneToEight)
{
    struct Case {
        INT level;
        int radius;
    };
    const Case cases[] = {{0, 1}, {4, 4}, {20, 8}};
    for (const Case& c : cases) {
        auto original = MakeTestFrame(kWidth, kHeight);
        auto frame = Rendered(SteadyEffect(7, c.level), 500);
        // Pixels closer to the edge than the radius keep the source.
        for (int y = 0; y <= c.radius; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(ColorAt(*frame, x, y), ColorAt(*original, x, y)) << c.level << " " << x << "," << y;
        bool changedInside = false;
        for (int x = c.radius + 1; x < kWidth - c.radius; ++x)
            changedInside |= ColorAt(*frame, x, c.radius + 1) != ColorAt(*original, x, c.radius + 1);
        EXPECT_TRUE(changedInside) << c.level;
    }
}

TEST(SpectrumRenderer, BrightenRunsFromBlackToTheColour)
{
    struct Case {
        INT level;
        COLORREF color;
    };
    // Full strength takes 255/256 of the target, whatever the frame was.
    const Case cases[] = {{-100, RGB(0, 0, 0)}, {100, RGB(254, 254, 254)}};
    for (const Case& c : cases) {
        for (COLORREF before : {RGB(0, 0, 0), RGB(255, 255, 255), RGB(90, 30, 200)}) {
            auto frame = Rendered(SteadyEffect(2, c.level), 500, MakeFlatFrame(kWidth, kHeight, before));
            EXPECT_EQ(ColorAt(*frame, 10, 10), c.color) << c.level;
        }
    }
}

TEST(SpectrumRenderer, AFrameJustBeforeItsSegmentIsDrawnWithinHalfAMillisecond)
{
    struct Case {
        double start;
        bool drawn;
    };
    const Case cases[] = {{1000.4, true}, {1000.6, false}};
    for (const Case& c : cases) {
        SpectrumEffect effect = SteadyEffect(23, 100);
        effect.SetKeyTime(Milliseconds(c.start), 0);
        effect.SetKeyTime(Milliseconds(1500), 1);
        effect.SetKeyTime(Milliseconds(1800), 2);
        effect.SetKeyTime(Milliseconds(2000), 3);
        auto frame = Rendered(effect, 1000);
        auto original = MakeTestFrame(kWidth, kHeight);
        EXPECT_EQ(!SamePixels(*frame, *original), c.drawn) << c.start;
    }
}

TEST(SpectrumRenderer, TheLevelFollowsTheKeySegments)
{
    SpectrumEffect effect = SteadyEffect(2, 0);
    effect.m_nLevelStart = 0;
    effect.m_nLevelHold = 100;
    effect.m_nLevelEnd = -100;
    effect.m_crColor = RGB(255, 255, 255);
    struct Case {
        LONG at;
        int level;
    };
    // Brighten on black: a level d gives (int)(d x 255) x 255 / 256.
    const Case cases[] = {{100, 126}, {500, 254}, {900, 0}, {1000, 0}};
    CSpectrumEffectRenderer renderer(nullptr, effect);
    for (const Case& c : cases) {
        auto frame = MakeFlatFrame(kWidth, kHeight, 0);
        renderer.Render(frame.get(), c.at);
        EXPECT_EQ(GetRValue(ColorAt(*frame, 1, 1)), c.level) << c.at;
    }
}

TEST(SpectrumRenderer, EveryStyleGolden)
{
    for (INT style = -1; style <= 25; ++style) {
        SpectrumEffect effect = SteadyEffect(style, 0);
        // Tiles of the default level are too small to move in a frame this
        // size.
        effect.m_nLevelHold = style == 3 ? 6 : SpectrumStyleDefault(style);
        effect.m_nLevelStart = effect.m_nLevelHold;
        effect.m_nLevelEnd = effect.m_nLevelHold;
        if (SpectrumStyleHasColor(style))
            effect.m_crColor = SpectrumStyleDefaultColor(style);
        auto frame = Rendered(effect, 450);
        const std::string key = std::to_string(style);
        const std::string name =
            style < 0 ? "spectrum_none.ppm" : "spectrum_style" + std::string(key.size() < 2 ? "0" : "") + key + ".ppm";
        EXPECT_TRUE(render_tests::MatchesGolden(name, *frame)) << style;
    }
}

TEST(SpectrumRenderer, ANullOrEmptyFrameIsHandedBack)
{
    CSpectrumEffectRenderer renderer(nullptr, SteadyEffect(0, 100));
    EXPECT_EQ(renderer.Render(nullptr, 500), nullptr);
    CIplImage empty;
    EXPECT_EQ(renderer.Render(&empty, 500), &empty);
}

} // namespace
