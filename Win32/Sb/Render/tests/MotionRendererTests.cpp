#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "RenderTestSupport.h"
#include "Win32/Sb/Document/MotionEffect.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Render/MotionEffectRenderer.h"
#include "tests/support/TempDir.h"

namespace {

using effect_tests::ColorAt;
using effect_tests::MakeTestFrame;
using effect_tests::Milliseconds;
using effect_tests::SamePixels;

constexpr int kWidth = 80;
constexpr int kHeight = 60;

class MotionRendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_overlayPath = m_folder.File("overlay.bmp");
        ASSERT_TRUE(media_fixtures::WriteStill(m_overlayPath, media_fixtures::StillKind::Bmp24, kWidth, kHeight));
    }

    // A picture-in-picture of half the frame's size in the centre, held
    // from 200 to 800 ms.
    MotionEffect CentredEffect(INT mode, INT opacity) const
    {
        MotionEffect effect;
        effect.SetOverlayPath(m_overlayPath.c_str());
        effect.m_nCompositeMode = mode;
        for (int k = 0; k < 4; ++k)
            effect.SetKeyPlacement(k, 4, 50, opacity);
        effect.SetKeyTime(Milliseconds(0), 0);
        effect.SetKeyTime(Milliseconds(200), 1);
        effect.SetKeyTime(Milliseconds(800), 2);
        effect.SetKeyTime(Milliseconds(1000), 3);
        return effect;
    }

    std::unique_ptr<CIplImage> Rendered(MotionEffect& effect, double at = 500) const
    {
        auto frame = MakeTestFrame(kWidth, kHeight);
        EXPECT_TRUE(effect.AttachRenderer(frame.get(), 25.0, 1));
        CMediaTime time = Milliseconds(at);
        EXPECT_EQ(effect.Render(frame.get(), nullptr, &time), frame.get());
        return frame;
    }

    testing_support::TempDir m_folder;
    std::string m_overlayPath;
};

TEST_F(MotionRendererTest, EveryModeGolden)
{
    struct Case {
        INT mode;
        INT opacity;
        const char* name;
    };
    const Case cases[] = {
        {MotionEffect::kConstantOpacity, 70, "motion_mode6.ppm"},
        {MotionEffect::kDropShadow, 100, "motion_mode8.ppm"},
        {MotionEffect::kSoftColorKey, 60, "motion_mode4.ppm"},
        {MotionEffect::kExactColorKey, 100, "motion_mode7.ppm"},
    };
    for (const Case& c : cases) {
        MotionEffect effect = CentredEffect(c.mode, c.opacity);
        for (MotionKey& key : effect.m_keys) {
            key.m_crShadow = RGB(20, 0, 60);
            key.m_nShadowDX = 6;
            key.m_nShadowDY = 5;
            key.m_nShadowScale = 110;
            key.m_nShadowSoftness = 1;
        }
        auto frame = Rendered(effect);
        EXPECT_TRUE(render_tests::MatchesGolden(c.name, *frame)) << c.mode;
        EXPECT_FALSE(SamePixels(*frame, *MakeTestFrame(kWidth, kHeight))) << c.mode;
    }
}

TEST_F(MotionRendererTest, ConstantOpacityZeroDrawsNothing)
{
    MotionEffect effect = CentredEffect(MotionEffect::kConstantOpacity, 0);
    auto frame = Rendered(effect);
    EXPECT_TRUE(SamePixels(*frame, *MakeTestFrame(kWidth, kHeight)));
}

TEST_F(MotionRendererTest, AShadowRightUnderAnOpaquePictureIsHidden)
{
    MotionEffect shadowed = CentredEffect(MotionEffect::kDropShadow, 100);
    MotionEffect plain = CentredEffect(MotionEffect::kConstantOpacity, 100);
    EXPECT_TRUE(SamePixels(*Rendered(shadowed), *Rendered(plain)));
}

TEST_F(MotionRendererTest, APictureIsDrawnEvenWhenItsShadowMissesTheFrame)
{
    MotionEffect shadowed = CentredEffect(MotionEffect::kDropShadow, 100);
    for (MotionKey& key : shadowed.m_keys) {
        key.m_nShadowDX = -1000;
        key.m_nShadowSoftness = 1;
    }
    MotionEffect plain = CentredEffect(MotionEffect::kConstantOpacity, 100);
    auto frame = Rendered(shadowed);
    EXPECT_TRUE(SamePixels(*frame, *Rendered(plain)));
    EXPECT_FALSE(SamePixels(*frame, *MakeTestFrame(kWidth, kHeight)));
}

TEST_F(MotionRendererTest, ASoftShadowAtTheFramesEdgeIsBlurredUpToTheEdge)
{
    MotionEffect effect = CentredEffect(MotionEffect::kDropShadow, 100);
    for (int k = 0; k < 4; ++k) {
        effect.SetKeyPlacement(k, 0, 30, 100);
        effect.m_keys[k].m_crShadow = RGB(255, 255, 255);
        effect.m_keys[k].m_nShadowDY = 10;
        effect.m_keys[k].m_nShadowSoftness = 1;
    }
    auto soft = Rendered(effect);
    for (MotionKey& key : effect.m_keys)
        key.m_nShadowSoftness = 0;
    auto hard = Rendered(effect);
    EXPECT_FALSE(SamePixels(*soft, *hard));
    // The column at the frame's edge lies in the grown blur region.
    bool edgeBlurred = false;
    for (int y = 0; y < kHeight; ++y)
        edgeBlurred |= ColorAt(*soft, 0, y) != ColorAt(*hard, 0, y);
    EXPECT_TRUE(edgeBlurred);
}

TEST_F(MotionRendererTest, TheOverlayRunsFromItsInPointMovedByTheOffset)
{
    MotionEffect effect = CentredEffect(MotionEffect::kConstantOpacity, 100);
    effect.SetKeyTime(Milliseconds(1000), 0);
    effect.SetKeyTime(Milliseconds(1200), 1);
    effect.SetKeyTime(Milliseconds(1800), 2);
    effect.SetKeyTime(Milliseconds(3000), 3);
    effect.m_tOverlayOffset = Milliseconds(2000);
    auto frame = MakeTestFrame(kWidth, kHeight);
    ASSERT_TRUE(effect.AttachRenderer(frame.get(), 25.0, 1));
    CMediaTime time = Milliseconds(1500);
    effect.Render(frame.get(), nullptr, &time);
    const auto* renderer = dynamic_cast<const CMotionEffectRenderer*>(effect.GetRenderer());
    ASSERT_NE(renderer, nullptr);
    const CMediaSource* reader = renderer->GetOverlayScene()->GetReader();
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->m_tStart.GetMilliseconds(), 2500);
    EXPECT_EQ(reader->m_tIn.GetMilliseconds(), 0);
    // The still reader's media lasts five seconds.
    EXPECT_EQ(reader->m_tLength.GetMilliseconds(), 7000);
}

TEST_F(MotionRendererTest, TheRendererWorksOnItsOwnCopyOfTheOverlay)
{
    Scene overlay(m_overlayPath.c_str());
    MotionEffect effect = CentredEffect(MotionEffect::kConstantOpacity, 100);
    effect.SetOverlayPath("");
    effect.SetOverlayScene(&overlay);
    auto frame = Rendered(effect);
    const auto* renderer = dynamic_cast<const CMotionEffectRenderer*>(effect.GetRenderer());
    ASSERT_NE(renderer->GetOverlayScene(), &overlay);
    EXPECT_EQ(overlay.GetReader(), nullptr);
    EXPECT_FALSE(SamePixels(*frame, *MakeTestFrame(kWidth, kHeight)));
}

TEST_F(MotionRendererTest, WithoutAnOverlayTheFramePassesUnchanged)
{
    MotionEffect effect = CentredEffect(MotionEffect::kConstantOpacity, 100);
    effect.SetOverlayPath("");
    EXPECT_TRUE(SamePixels(*Rendered(effect), *MakeTestFrame(kWidth, kHeight)));
    effect.SetOverlayPath(m_folder.File("missing.bmp").c_str());
    EXPECT_TRUE(SamePixels(*Rendered(effect), *MakeTestFrame(kWidth, kHeight)));
    CMotionEffectRenderer preview(&effect, 0);
    auto frame = MakeTestFrame(kWidth, kHeight);
    EXPECT_EQ(preview.RenderAt(frame.get(), 500, nullptr), frame.get());
    EXPECT_EQ(preview.RenderAt(nullptr, 500, nullptr), nullptr);
}

} // namespace
