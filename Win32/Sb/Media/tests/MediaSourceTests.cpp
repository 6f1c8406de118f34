#include "Win32/Sb/Media/MediaSource.h"

#include <gtest/gtest.h>

#include "Platform/Win/Base/WinError.h"
#include "Win32/Sb/Media/tests/MediaTestSupport.h"

namespace {

using media_tests::Microseconds;
using media_tests::Seconds;

// A plain source with frames of `frameTime` seconds over `length` seconds.
void Configure(CMediaSource& source, double frameTime, double length)
{
    source.m_tSourceFrame = Seconds(frameTime);
    source.SetFrameTime(Seconds(frameTime));
    source.SetInOut(Seconds(length), CMediaTime());
}

TEST(MediaSource, FreshSourceStartsAtUnityVolumeStretchedAndOpen)
{
    CMediaSource source;
    EXPECT_EQ(source.GetVolume(), 1024);
    EXPECT_EQ(source.m_bStretch, 1);
    EXPECT_EQ(source.IsOpen(), 1);
    EXPECT_EQ(source.HasVideo(), 1);
    EXPECT_EQ(source.HasAudio(), 0);
    EXPECT_EQ(source.HasProperties(), 0);
    EXPECT_EQ(source.GetTitle(), nullptr);
    EXPECT_EQ(source.GetVideoHeader(), nullptr);
    EXPECT_EQ(source.GetNativeAudioFormat(), nullptr);
    EXPECT_EQ(source.SeekGraph(CMediaTime()), E_FAIL);
    EXPECT_EQ(source.Close(), 0);
    INT failed = -1;
    EXPECT_EQ(source.GetFrame(&failed, 1, 1, nullptr), nullptr);
    EXPECT_EQ(failed, 0);
    source.SetStretch(0);
    EXPECT_EQ(source.m_bStretch, 1) << "only picture readers can fit";
}

TEST(MediaSource, InOutChangesOnlyForAForwardRange)
{
    CMediaSource source;
    source.SetInOut(Seconds(5.0), Seconds(2.0));
    EXPECT_NEAR(source.m_tLength.GetSeconds(), 3.0, 1e-9);
    EXPECT_NEAR(source.GetInPoint().GetSeconds(), 2.0, 1e-9);
    source.SetInOut(Seconds(1.0), Seconds(4.0));
    source.SetInOut(Seconds(4.0), Seconds(4.0));
    EXPECT_NEAR(source.m_tLength.GetSeconds(), 3.0, 1e-9);
    EXPECT_NEAR(source.GetInPoint().GetSeconds(), 2.0, 1e-9);
}

TEST(MediaSource, SeekLandsOnTheFrameGrid)
{
    struct Case {
        double seek;
        double position;
    } const cases[] = {
        {-1.0, 0.0},
        {0.0, 0.0},
        {0.5, 0.48},   // floor(12.5) frames of 0.04
        {0.52, 0.52},  // exactly 13 frames
        {12.0, 9.96},  // past the end: (10 / 0.04 + 0.5) - 1 = 249 frames
    };
    for (const Case& c : cases) {
        CMediaSource source;
        Configure(source, 0.04, 10.0);
        source.m_bAtEnd = 1;
        EXPECT_NEAR(source.Seek(Seconds(c.seek)).GetSeconds(), c.position, 1e-9) << c.seek;
        EXPECT_EQ(source.IsAtEnd(), 0);
    }
}

TEST(MediaSource, SeekIndexDoesNotWrapAfter65535Frames)
{
    CMediaSource source;
    Configure(source, 1.0 / 30.0, 2 * 3600.0);
    // 40 minutes at 30 frames per second is 72,000 frames; a 16-bit index
    // would land on frame 6,464.
    EXPECT_NEAR(source.Seek(Seconds(40 * 60.0)).GetSeconds(), 2400.0, 1e-6);
    EXPECT_NEAR(source.Seek(Seconds(3 * 3600.0)).GetSeconds(), 2 * 3600.0 - 1.0 / 30.0, 1e-6);
}

TEST(MediaSource, SeekOfAnEmptySourceStaysAtZero)
{
    CMediaSource source;
    source.m_tSourceFrame = Seconds(0.04);
    source.SetFrameTime(Seconds(0.04));
    EXPECT_EQ(source.Seek(Seconds(5.0)).GetSeconds(), 0.0) << "no frame before the first";
}

TEST(MediaSource, StartRewindAndRelativePosition)
{
    CMediaSource source;
    Configure(source, 0.04, 10.0);
    source.SetInOut(Seconds(10.0), Seconds(2.0));
    EXPECT_NEAR(source.SetStartPosition(Seconds(3.0)).GetSeconds(), 3.0, 1e-9);
    EXPECT_NEAR(source.m_tStart.GetSeconds(), 3.0, 1e-9);
    EXPECT_NEAR(source.GetRelativePosition(), 1.0, 1e-9);
    EXPECT_NEAR(source.SeekToStart().GetSeconds(), 2.0, 1e-9);
    EXPECT_EQ(source.Rewind().GetSeconds(), 0.0);
}

TEST(MediaSource, ProducerAccessorsKeepWhatTheyAreGiven)
{
    CMediaSource source;
    source.SetStartTime(Microseconds(250000));
    EXPECT_NEAR(source.m_tDelay.GetSeconds(), 0.25, 1e-9);
    EXPECT_NEAR(source.m_tDelayTotal.GetSeconds(), 0.25, 1e-9);
    source.m_nSourceWidth = 352;
    source.m_nSourceHeight = 288;
    INT width = 0;
    INT height = 0;
    source.GetFrameSize(&width, &height);
    EXPECT_EQ(width, 352);
    EXPECT_EQ(height, 288);
    CSmartRange range;
    range.m_nSlot = 4;
    range.m_tEnd = Seconds(2.0);
    source.SetSmartRanges({range, range});
    ASSERT_EQ(source.m_SmartRanges.size(), 2u);
    EXPECT_EQ(source.m_SmartRanges[1].m_nSlot, 4);
    const CGfxSize size = source.SetOutputSize(CGfxSize(720, 576));
    EXPECT_EQ(size.cx, 720);
    EXPECT_EQ(source.m_nOutHeight, 576);
}

TEST(MediaSource, FlagsAreStoredAndReturned)
{
    CMediaSource source;
    source.SetLoop(1);
    source.SetFadeIn(1);
    source.SetFadeOut(1);
    source.SetMute(1);
    source.SetVolume(512);
    EXPECT_EQ(source.GetLoop(), 1);
    EXPECT_EQ(source.GetFadeIn(), 1);
    EXPECT_EQ(source.GetFadeOut(), 1);
    EXPECT_EQ(source.GetMute(), 1);
    EXPECT_EQ(source.GetVolume(), 512);
    float seconds = -1.0f;
    EXPECT_EQ(source.FadeOutStarts(&seconds), 0);
    EXPECT_EQ(source.FadeInStarts(), 0);
}

} // namespace
