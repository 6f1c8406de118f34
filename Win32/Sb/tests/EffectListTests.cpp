#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EffectTestSupport.h"
#include "Win32/Sb/Document/ColorEffect.h"
#include "Win32/Sb/Document/EffectList.h"
#include "Win32/Sb/Document/MotionEffect.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/SpectrumEffect.h"
#include "Win32/Sb/Document/TextEffect.h"
#include "Win32/Utils/Profile.h"

namespace {

using effect_tests::EffectModules;
using effect_tests::Milliseconds;

// An effect that counts its attaches and detaches and records the times it
// draws at and the rate it was attached with.
class CountingEffect : public Effect {
public:
    struct Log {
        int attached = 0;
        int detached = 0;
        std::vector<LONGLONG> drawn;
        double rate = -1.0;
    };

    CountingEffect(std::shared_ptr<Log> log, double from, double to, INT kind = kColor)
        : Effect(kind), m_log(std::move(log))
    {
        SetKeyTime(Milliseconds(from), 0);
        SetKeyTime(Milliseconds(to), 3);
    }
    bool AttachRenderer(CIplImage*, double rate, BYTE) override
    {
        ++m_log->attached;
        m_log->rate = rate;
        m_attached = true;
        return true;
    }
    INT DetachRenderer() override
    {
        m_log->detached += m_attached ? 1 : 0;
        m_attached = false;
        return 1;
    }
    bool HasRenderer() override { return m_attached; }
    CIplImage* Render(CIplImage* image, CWaveBuffer*, CMediaTime* time) override
    {
        m_log->drawn.push_back(time->GetMilliseconds());
        return image;
    }
    Effect* Clone() const override { return new CountingEffect(*this); }

private:
    std::shared_ptr<Log> m_log;
    bool m_attached = false;
};

// Stores a motion effect over `overlay` in the list.
void SetMotionOver(EffectList& list, Scene& overlay)
{
    MotionEffect motion;
    motion.SetOverlayScene(&overlay);
    list.SetMotionEffect(motion);
}

CMediaTime FrameOf25()
{
    return Milliseconds(40);
}

TEST(EffectList, FramesExactlyAtTheFirstAndLastKeyAreDrawnAndTheNextFrameDetaches)
{
    auto log = std::make_shared<CountingEffect::Log>();
    EffectList list;
    list.AddEffect(new CountingEffect(log, 1000, 2000));
    CIplImage image(8, 8, 0);
    for (double t : {960.0, 1000.0, 1500.0, 2000.0, 2001.0, 2500.0})
        list.RenderFrame(&image, nullptr, Milliseconds(t), FrameOf25());
    EXPECT_EQ(log->drawn, (std::vector<LONGLONG>{1000, 1500, 2000}));
    EXPECT_EQ(log->attached, 1);
    EXPECT_EQ(log->detached, 1);
    EXPECT_DOUBLE_EQ(log->rate, 25.0);
}

// An effect that draws into a new image of the frame's size.
class ReplacingEffect : public Effect {
public:
    explicit ReplacingEffect(std::shared_ptr<int> made) : Effect(kColor), m_made(std::move(made))
    {
        SetKeyTime(Milliseconds(1000), 3);
    }
    bool AttachRenderer(CIplImage*, double, BYTE) override { return m_attached = true; }
    bool HasRenderer() override { return m_attached; }
    CIplImage* Render(CIplImage* image, CWaveBuffer*, CMediaTime*) override
    {
        ++*m_made;
        return new CIplImage(image);
    }
    Effect* Clone() const override { return new ReplacingEffect(*this); }

private:
    std::shared_ptr<int> m_made;
    bool m_attached = false;
};

TEST(EffectList, ImagesMadeWithinAPassAreFreedUpToTheLast)
{
    auto made = std::make_shared<int>(0);
    EffectList list;
    list.AddEffect(new ReplacingEffect(made));
    list.AddEffect(new ReplacingEffect(made));
    CIplImage image(8, 8, 0);
    std::unique_ptr<CIplImage> drawn(list.RenderFrame(&image, nullptr, Milliseconds(0), FrameOf25()));
    EXPECT_EQ(*made, 2);
    EXPECT_NE(drawn.get(), &image);
}

TEST(EffectList, AFrameOfNoLengthRendersAtOneFramePerSecond)
{
    auto log = std::make_shared<CountingEffect::Log>();
    EffectList list;
    list.AddEffect(new CountingEffect(log, 0, 1000));
    CIplImage image(8, 8, 0);
    list.RenderFrame(&image, nullptr, Milliseconds(0), CMediaTime());
    EXPECT_DOUBLE_EQ(log->rate, 1.0);
}

TEST(EffectList, SettingAKindTwiceKeepsOneEffectWithTheSecondParameters)
{
    EffectList list;
    ColorEffect first;
    first.m_nRedShift = 10;
    ColorEffect second;
    second.m_nRedShift = 20;
    list.SetColorEffect(first);
    list.SetColorEffect(second);
    EXPECT_EQ(list.GetCount(), 1);
    ASSERT_NE(list.FindColorEffect(), nullptr);
    EXPECT_EQ(list.FindColorEffect()->m_nRedShift, 20);
    EXPECT_EQ(list.RemoveColorEffect(), 1);
    EXPECT_EQ(list.RemoveColorEffect(), 0);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(EffectList, StoringOverAnAttachedEffectDetachesItsRenderer)
{
    EffectList list;
    list.SetColorEffect(ColorEffect());
    ColorEffect* own = list.FindColorEffect();
    CIplImage image(8, 8, 0);
    own->AttachRenderer(&image, 25.0, 1);
    ASSERT_TRUE(own->HasRenderer());
    list.SetColorEffect(ColorEffect());
    EXPECT_FALSE(own->HasRenderer());
}

TEST(EffectList, RangeGivesTheFirstAndLastKeysOrLeavesTheOutputs)
{
    EffectList list;
    TextEffect text;
    text.SetKeyTime(Milliseconds(100), 0);
    text.SetKeyTime(Milliseconds(900), 3);
    list.SetTextEffect(text);
    CMediaTime start = Milliseconds(5);
    CMediaTime end = Milliseconds(6);
    EXPECT_EQ(list.GetMotionEffectRange(start, end), 0);
    EXPECT_EQ(start.GetMilliseconds(), 5);
    EXPECT_EQ(list.GetTextEffectRange(start, end), 1);
    EXPECT_EQ(start.GetMilliseconds(), 100);
    EXPECT_EQ(end.GetMilliseconds(), 900);
}

TEST(EffectList, SetKeyTimeOutsideTheFourKeysChangesNothing)
{
    ColorEffect effect;
    effect.SetKeyTime(Milliseconds(500), 4);
    effect.SetKeyTime(Milliseconds(500), -1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(effect.GetKeyTime(i).GetMilliseconds(), 0);
}

TEST(EffectList, CopyKeepsTheLastOfEachKindInColourSpectrumMotionTextOrder)
{
    EffectList list;
    TextEffect first;
    first.SetTextUtf8("first");
    TextEffect second;
    second.SetTextUtf8("second");
    list.AddEffect(first.Clone());
    list.AddEffect(new SpectrumEffect);
    list.AddEffect(second.Clone());
    list.AddEffect(new ColorEffect);
    EffectList copy;
    EXPECT_EQ(copy.CopyFrom(list), 3);
    EXPECT_EQ(copy.GetAt(0)->GetKind(), Effect::kColor);
    EXPECT_EQ(copy.GetAt(1)->GetKind(), Effect::kSpectrum);
    EXPECT_EQ(copy.GetAt(2)->GetKind(), Effect::kText);
    EXPECT_EQ(copy.FindTextEffect()->GetTextUtf8(), "second");
}

class EffectListFileTest : public ::testing::Test {
protected:
    EffectModules m_modules;
    CProfile m_profile;
};

TEST_F(EffectListFileTest, ASectionWithoutEffectEntriesLoadsAnEmptyList)
{
    m_profile.SetSection("Scene0");
    m_profile.SetValue("Scene0", "Other", "1");
    EffectList list;
    list.Load("", &m_profile, "Scene0", 0);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(EffectListFileTest, SpectrumAndTextComeBackTextFirst)
{
    EffectList list;
    SpectrumEffect spectrum;
    spectrum.SetStyle(7);
    list.SetSpectrumEffect(spectrum);
    TextEffect text;
    text.SetTextUtf8("Title");
    list.SetTextEffect(text);
    list.Save("", &m_profile, "Scene0", 0);

    EffectList loaded;
    loaded.Load("", &m_profile, "Scene0", 0);
    ASSERT_EQ(loaded.GetCount(), 2);
    EXPECT_EQ(loaded.GetAt(0)->GetKind(), Effect::kText);
    EXPECT_EQ(loaded.GetAt(1)->GetKind(), Effect::kSpectrum);
    EXPECT_EQ(loaded.FindSpectrumEffect()->m_nStyle, 7);
    EXPECT_EQ(loaded.FindTextEffect()->GetTextUtf8(), "Title");
    EXPECT_TRUE(m_modules.Messages().empty());
}

TEST_F(EffectListFileTest, EveryKindComesBackInTextMotionColourSpectrumOrder)
{
    EffectList list;
    list.SetColorEffect(ColorEffect());
    list.SetSpectrumEffect(SpectrumEffect());
    Scene overlay("/media/clip.avi");
    SetMotionOver(list, overlay);
    list.SetTextEffect(TextEffect());
    list.Save("", &m_profile, "Scene0", 0);

    EffectList loaded;
    loaded.Load("", &m_profile, "Scene0", 0);
    ASSERT_EQ(loaded.GetCount(), 4);
    const INT kinds[] = {Effect::kText, Effect::kMotion, Effect::kColor, Effect::kSpectrum};
    for (INT i = 0; i < 4; ++i)
        EXPECT_EQ(loaded.GetAt(i)->GetKind(), kinds[i]) << i;
    EXPECT_STREQ(loaded.FindMotionEffect()->GetMediaPath(), "/media/clip.avi");
}

TEST_F(EffectListFileTest, AnOlderLayoutDoubleTextCopiesToOneTextOfTheSecond)
{
    // The scene section holds an older text, an overlay section another.
    for (const char* section : {"Scene0", "Scene0Overlay_0"}) {
        m_profile.SetValue(section, "TitleText", section);
        m_profile.SetValue(section, "IntroSeconds", "1.0");
    }
    m_profile.SetValue("Scene0", "OverlayCount", "1");
    m_profile.SetValue("Scene0Overlay_0", "TextScene", "1");
    EffectList loaded;
    loaded.Load("", &m_profile, "Scene0", 1);
    ASSERT_EQ(loaded.GetCount(), 2);
    EffectList copy;
    EXPECT_EQ(copy.CopyFrom(loaded), 1);
    EXPECT_EQ(copy.FindTextEffect()->GetTextUtf8(), "Scene0Overlay_0");
}

TEST_F(EffectListFileTest, AMotionEffectWhoseOverlayDoesNotLoadIsDropped)
{
    m_profile.SetValue("Scene0", "EffectCount", "1");
    m_profile.SetValue("Scene0", "Motion", "1");
    m_profile.SetValue("Scene0Motion0", "CompositeMode", "6");
    EffectList loaded;
    loaded.Load("", &m_profile, "Scene0", 0);
    EXPECT_EQ(loaded.GetCount(), 0);
}

TEST_F(EffectListFileTest, TheListKeepsTheOverlayItLoadedUntilTheSceneTakesIt)
{
    EffectList list;
    Scene overlay("/media/clip.avi");
    SetMotionOver(list, overlay);
    list.Save("", &m_profile, "Scene0", 0);

    EffectList loaded;
    loaded.Load("", &m_profile, "Scene0", 0);
    Scene* kept = loaded.FindMotionEffect()->GetOverlayScene();
    ASSERT_NE(kept, nullptr);
    EXPECT_STREQ(kept->GetMediaPath(), "/media/clip.avi");

    // A copy of a list that still keeps its overlay gets an overlay of its
    // own, so it never points into the other list.
    EffectList copy;
    copy.CopyFrom(loaded);
    Scene* copied = copy.FindMotionEffect()->GetOverlayScene();
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(copied, kept);
    EXPECT_STREQ(copied->GetMediaPath(), "/media/clip.avi");

    std::unique_ptr<Scene> taken = loaded.TakeOverlayScene();
    EXPECT_EQ(taken.get(), kept);
    EXPECT_EQ(loaded.TakeOverlayScene(), nullptr);
    // The owner clears the reference before it lets the overlay go.
    loaded.SetOverlayScene(nullptr);
    EXPECT_EQ(loaded.FindMotionEffect()->GetOverlayScene(), nullptr);
}

} // namespace
