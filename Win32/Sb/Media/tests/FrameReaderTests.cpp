#include "Win32/Sb/Media/FrameReader.h"

#include <gtest/gtest.h>

#include <limits>

#include <memory>
#include <string>
#include <vector>

#include "Win32/Sb/Media/tests/MediaTestSupport.h"

namespace {

using media_tests::ColorOfFrame;
using media_tests::FramePtr;
using media_tests::HeightOf;
using media_tests::NumberedReader;
using media_tests::PcmFormat;
using media_tests::PixelAt;
using media_tests::RecordingEffect;
using media_tests::ScopedHalfWidth;
using media_tests::Seconds;
using media_tests::WidthOf;

constexpr COLORREF kBlack = RGB(0, 0, 0);

FramePtr NextFrame(CFrameReader& reader, INT wantVideo = 1, INT wantAudio = 0, WAVEFORMATEX* format = nullptr,
                   INT* failed = nullptr)
{
    INT ignored = 0;
    return FramePtr(reader.GetFrame(failed != nullptr ? failed : &ignored, wantVideo, wantAudio, format));
}

struct PlacementCase {
    const char* name;
    int sourceWidth;
    int sourceHeight;
    int outWidth;
    int outHeight;
    INT stretch;
    RECT picture;
};

// Where the picture lands in the output; the rest is black.
constexpr PlacementCase kPlacementCases[] = {
    {"small into PAL, fitted: centred unscaled", 320, 240, 720, 576, 0, {200, 168, 520, 408}},
    {"PAL into small, fitted: 300 wide with 10-pixel bars", 720, 576, 320, 240, 0, {10, 0, 310, 240}},
    {"wide into small, fitted: bars above and below", 640, 240, 320, 240, 0, {0, 60, 320, 180}},
    {"same ratio, fitted: scaled to fill", 640, 480, 320, 240, 0, {0, 0, 320, 240}},
    {"same size, fitted: copied", 320, 240, 320, 240, 0, {0, 0, 320, 240}},
    {"small into PAL, stretched", 320, 240, 720, 576, 1, {0, 0, 720, 576}},
    {"PAL into small, stretched", 720, 576, 320, 240, 1, {0, 0, 320, 240}},
};

TEST(FrameReader, OutputImageIsStretchedOrFittedAndLetterboxed)
{
    for (const PlacementCase& c : kPlacementCases) {
        NumberedReader reader(c.sourceWidth, c.sourceHeight, 25.0, 10);
        reader.SetOutputSize(CGfxSize(c.outWidth, c.outHeight));
        reader.SetStretch(c.stretch);
        FramePtr frame = NextFrame(reader);
        ASSERT_NE(frame->m_pImage, nullptr) << c.name;
        EXPECT_EQ(WidthOf(frame->m_pImage), c.outWidth) << c.name;
        EXPECT_EQ(HeightOf(frame->m_pImage), c.outHeight) << c.name;
        const RECT& r = c.picture;
        const COLORREF colour = ColorOfFrame(0);
        // Inside the picture, a pixel in from each corner; outside, the
        // first pixel beyond each edge that has room for one.
        EXPECT_EQ(PixelAt(frame->m_pImage, r.left + 1, r.top + 1), colour) << c.name;
        EXPECT_EQ(PixelAt(frame->m_pImage, r.right - 2, r.bottom - 2), colour) << c.name;
        const LONG middleX = (r.left + r.right) / 2;
        const LONG middleY = (r.top + r.bottom) / 2;
        if (r.left > 0) {
            EXPECT_EQ(PixelAt(frame->m_pImage, r.left - 1, middleY), kBlack) << c.name;
        }
        if (r.right < c.outWidth) {
            EXPECT_EQ(PixelAt(frame->m_pImage, r.right, middleY), kBlack) << c.name;
        }
        if (r.top > 0) {
            EXPECT_EQ(PixelAt(frame->m_pImage, middleX, r.top - 1), kBlack) << c.name;
        }
        if (r.bottom < c.outHeight) {
            EXPECT_EQ(PixelAt(frame->m_pImage, middleX, r.bottom), kBlack) << c.name;
        }
    }
}

TEST(FrameReader, FitImageIsOfferedToTheProducer)
{
    NumberedReader reader(720, 576, 25.0, 1);
    CIplImage source(720, 576, RGB(200, 10, 10));
    std::unique_ptr<CIplImage> fitted(reader.FitImage(CGfxSize(320, 240), &source, CGfxSize(720, 576)));
    ASSERT_NE(fitted, nullptr);
    EXPECT_EQ(WidthOf(fitted.get()), 320);
    EXPECT_EQ(PixelAt(fitted.get(), 9, 120), kBlack);
    EXPECT_EQ(PixelAt(fitted.get(), 11, 120), RGB(200, 10, 10));
    EXPECT_EQ(PixelAt(fitted.get(), 310, 120), kBlack);
}

TEST(FrameReader, SeekRoundsToTheFrameWithTheBias)
{
    struct Case {
        double in;
        double out;
        double seek;
        int index;
        double position;
    } const cases[] = {
        {0, 2, -1.0, 0, 0.0},
        {0, 2, 0.0, 0, 0.0},
        {0, 2, 0.97, 24, 0.97},  // (0.97 + 0.0174) / 0.04 = 24.7
        {0, 2, 0.99, 25, 0.99},  // 25.2: the bias rounds up past 0.565 of a frame
        {0, 2, 1.0, 25, 1.0},
        {0, 2, 10.0, 50, 2.0},   // past the end: the end's frame and its time
        {0, 2, 2.0, 50, 2.0},
        {1, 3, 5.0, 75, 3.0},    // the end is in point + length
    };
    for (const Case& c : cases) {
        NumberedReader reader(64, 48, 25.0, 200);
        reader.SetInOut(Seconds(c.out), Seconds(c.in));
        const CMediaTime position = reader.Seek(Seconds(c.seek));
        EXPECT_EQ(reader.m_nCurFrame, c.index) << c.seek;
        EXPECT_NEAR(position.GetSeconds(), c.position, 1e-9) << c.seek;
        EXPECT_NEAR(reader.m_tPosition.GetSeconds(), c.position, 1e-9) << c.seek;
        EXPECT_EQ(reader.IsAtEnd(), 0);
    }
}

// A damaged count near the end of the INT range keeps the last index at
// the range's end instead of overflowing.
TEST(FrameReader, TheLastFrameIndexNeverOverflows)
{
    struct Reader : NumberedReader {
        Reader() : NumberedReader(64, 48, 25.0, 10) {}
        using CFrameReader::InitAudio;
        using CFrameReader::InitVideo;
    } reader;
    reader.InitVideo(std::numeric_limits<INT>::max() - 5, 100, 40000, 64, 48, 24);
    EXPECT_EQ(reader.m_nLastFrame, std::numeric_limits<INT>::max());
    reader.InitAudio(0, std::numeric_limits<INT>::max(), 40000, 2, 44100, 16);
    EXPECT_EQ(reader.m_nLastFrame, std::numeric_limits<INT>::max() - 1);
}

TEST(FrameReader, EachFrameStepsOnByTheOutputFrameTime)
{
    NumberedReader reader(64, 48, 5.0, 10);
    reader.SetFrameTime(Seconds(0.04));
    std::vector<int> indexes;
    for (int i = 0; i < 6; ++i) {
        NextFrame(reader);
        indexes.push_back(reader.m_nCurFrame);
    }
    EXPECT_NEAR(reader.m_tPosition.GetSeconds(), 0.24, 1e-9);
    EXPECT_EQ(indexes, (std::vector<int>{0, 0, 1, 1, 1, 1}));
}

TEST(FrameReader, SourceFrameIsDecodedOncePerIndex)
{
    NumberedReader reader(64, 48, 5.0, 10);
    reader.SetFrameTime(Seconds(0.04));
    std::vector<COLORREF> colours;
    for (int i = 0; i < 4; ++i)
        colours.push_back(PixelAt(NextFrame(reader)->m_pImage, 5, 5));
    ASSERT_EQ(reader.m_videoCalls.size(), 4u);
    const int expected[][2] = {{0, -1}, {0, 0}, {0, 0}, {1, 0}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(reader.m_videoCalls[i].index, expected[i][0]) << i;
        EXPECT_EQ(reader.m_videoCalls[i].held, expected[i][1]) << i;
        EXPECT_FALSE(reader.m_videoCalls[i].sawAudio) << "the work frame carries no audio block";
    }
    EXPECT_EQ(colours, (std::vector<COLORREF>{ColorOfFrame(0), ColorOfFrame(0), ColorOfFrame(0), ColorOfFrame(1)}));
}

TEST(FrameReader, ZeroLengthGivesBlackPicturesScaledToTheOutput)
{
    NumberedReader reader(64, 48, 25.0, 10);
    reader.m_tLength = CMediaTime();
    reader.SetOutputSize(CGfxSize(128, 96));
    FramePtr frame = NextFrame(reader);
    ASSERT_NE(frame->m_pImage, nullptr);
    EXPECT_EQ(WidthOf(frame->m_pImage), 128);
    EXPECT_EQ(PixelAt(frame->m_pImage, 60, 40), kBlack);
    EXPECT_TRUE(reader.m_videoCalls.empty()) << "nothing is decoded";
}

TEST(FrameReader, SilentAudioBlocksLastOneOutputFrame)
{
    struct Case {
        WAVEFORMATEX format;
        double frameSeconds;
        DWORD bytes;
    } const cases[] = {
        {PcmFormat(1, 11025, 8), 0.04, 442},
        {PcmFormat(2, 44100, 16), 0.04, 7056},
        {PcmFormat(1, 22050, 8), 0.066667, 1470},
        {PcmFormat(2, 48000, 16), 1.0 / 29.97, 6408},
    };
    for (const Case& c : cases) {
        NumberedReader reader(64, 48, 25.0, 10);
        reader.SetFrameTime(Seconds(c.frameSeconds));
        WAVEFORMATEX format = c.format;
        INT failed = -1;
        FramePtr frame = NextFrame(reader, 0, 1, &format, &failed);
        EXPECT_EQ(failed, 0);
        ASSERT_NE(frame->m_pAudio, nullptr);
        EXPECT_EQ(frame->m_pAudio->m_nLength, c.bytes) << DWORD{c.format.nSamplesPerSec};
        EXPECT_EQ(frame->m_pImage, nullptr) << "no video asked for";
        EXPECT_EQ(std::memcmp(frame->m_pAudio->m_pBlock, &format, 16), 0);
    }
}

TEST(FrameReader, AudioBlockIndexIsThePositionRoundedUpToAFrame)
{
    NumberedReader reader(64, 48, 25.0, 100, true);
    WAVEFORMATEX format = PcmFormat(1, 11025, 8);
    for (int i = 0; i < 3; ++i)
        NextFrame(reader, 1, 1, &format);
    reader.Seek(Seconds(0.05));
    NextFrame(reader, 1, 1, &format);
    reader.Seek(Seconds(0.08));
    FramePtr onBoundary = NextFrame(reader, 1, 1, &format);
    EXPECT_EQ(reader.m_audioBlocks, (std::vector<int>{0, 1, 2, 2, 2}));
    ASSERT_NE(onBoundary->m_pAudio, nullptr);
    EXPECT_EQ(onBoundary->m_pAudio->m_pData[0], 2) << "the reader filled the block";
}

TEST(FrameReader, EffectsSeeTimesRelativeToTheInPoint)
{
    NumberedReader reader(64, 48, 25.0, 250);
    reader.SetInOut(Seconds(8.0), Seconds(3.0));
    reader.SetStartPosition(Seconds(3.0));
    auto log = std::make_shared<RecordingEffect::Log>();
    EffectList effects;
    effects.AddEffect(new RecordingEffect(log, RGB(255, 0, 255)));
    reader.SetEffects(&effects);
    FramePtr last;
    for (int i = 0; i < 3; ++i)
        last = NextFrame(reader);
    ASSERT_EQ(log->times.size(), 3u);
    EXPECT_NEAR(log->times[0], 0.0, 1e-9);
    EXPECT_NEAR(log->times[1], 0.04, 1e-9);
    EXPECT_NEAR(log->times[2], 0.08, 1e-9);
    EXPECT_EQ(PixelAt(last->m_pImage, 10, 10), RGB(255, 0, 255)) << "the effect drew on the frame";
    EXPECT_EQ(effects.GetCount(), 1) << "the reader drew with its own copy";
}

TEST(FrameReader, EffectsAreDrawnOnlyInsideTheirWindow)
{
    NumberedReader reader(64, 48, 25.0, 250);
    auto log = std::make_shared<RecordingEffect::Log>();
    EffectList effects;
    effects.AddEffect(new RecordingEffect(log, RGB(255, 0, 255), 0.03, 0.09));
    reader.SetEffects(&effects);
    std::vector<COLORREF> colours;
    for (int i = 0; i < 4; ++i)
        colours.push_back(PixelAt(NextFrame(reader)->m_pImage, 10, 10));
    EXPECT_EQ(log->times.size(), 2u);
    EXPECT_EQ(log->attached, 1);
    EXPECT_EQ(log->detached, 1) << "freed on the first frame after its window";
    EXPECT_EQ(colours[0], ColorOfFrame(0));
    EXPECT_EQ(colours[1], RGB(255, 0, 255));
    EXPECT_EQ(colours[3], ColorOfFrame(3));
}

TEST(FrameReader, FailureIsStickyUntilCleared)
{
    NumberedReader reader(64, 48, 25.0, 10);
    INT failed = 0;
    NextFrame(reader, 1, 1, nullptr, &failed);
    EXPECT_EQ(failed, 1) << "an audio block without a format fails";
    EXPECT_EQ(reader.m_bFailed, 1);
    const double position = reader.m_tPosition.GetSeconds();
    FramePtr empty = NextFrame(reader, 1, 0, nullptr, &failed);
    EXPECT_EQ(failed, 1);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->m_pImage, nullptr);
    EXPECT_EQ(empty->m_pAudio, nullptr);
    EXPECT_EQ(reader.m_tPosition.GetSeconds(), position) << "an empty frame does not step on";
    reader.SetFailed(0);
    FramePtr frame = NextFrame(reader, 1, 0, nullptr, &failed);
    EXPECT_EQ(failed, 0);
    EXPECT_NE(frame->m_pImage, nullptr);
}

TEST(FrameReader, FieldBasedSourceGivesOneFieldUnlessHalfWidth)
{
    struct Case {
        const char* name;
        INT halfWidth;
        INT ignoreHalfWidth;
        int outWidth;
        int outHeight;
        bool alternating;
    } const cases[] = {
        {"one field", 0, 0, 320, 240, false},
        {"half width, same size: copied", 1, 0, 320, 480, true},
        {"half width, rescaled field by field", 1, 0, 640, 480, true},
        {"half width ignored", 1, 1, 320, 240, false},
    };
    for (const Case& c : cases) {
        ScopedHalfWidth halfWidth(c.halfWidth);
        NumberedReader reader(320, 480, 25.0, 10);
        reader.m_bRows = true;
        reader.m_bFieldBased = 1;
        reader.m_bIgnoreHalfWidth = c.ignoreHalfWidth;
        reader.SetOutputSize(CGfxSize(c.outWidth, c.outHeight));
        FramePtr frame = NextFrame(reader);
        ASSERT_NE(frame->m_pImage, nullptr) << c.name;
        EXPECT_EQ(frame->m_bFieldBased, 1) << c.name;
        EXPECT_EQ(WidthOf(frame->m_pImage), c.outWidth) << c.name;
        EXPECT_EQ(HeightOf(frame->m_pImage), c.outHeight) << c.name;
        EXPECT_EQ(PixelAt(frame->m_pImage, 20, 100), ColorOfFrame(0)) << c.name;
        EXPECT_EQ(PixelAt(frame->m_pImage, 20, 101), c.alternating ? RGB(255, 255, 255) : ColorOfFrame(0)) << c.name;
    }
}

TEST(FrameReader, HalfWidthScalesProgressivePicturesThroughHalfHeight)
{
    ScopedHalfWidth halfWidth(1);
    NumberedReader reader(320, 240, 25.0, 10);
    reader.SetOutputSize(CGfxSize(384, 576));
    FramePtr frame = NextFrame(reader);
    EXPECT_EQ(WidthOf(frame->m_pImage), 384);
    EXPECT_EQ(HeightOf(frame->m_pImage), 576);
    EXPECT_EQ(PixelAt(frame->m_pImage, 100, 300), ColorOfFrame(0));
}

TEST(FrameReader, NativeFrameUsesTheSourceFormatAndStopsAtTheEnd)
{
    NumberedReader reader(64, 48, 25.0, 3, true);
    auto log = std::make_shared<RecordingEffect::Log>();
    EffectList effects;
    effects.AddEffect(new RecordingEffect(log, RGB(255, 0, 255)));
    reader.SetEffects(&effects);
    std::vector<int> indexes;
    for (int i = 0; i < 4; ++i) {
        INT failed = -1;
        const int shown = reader.m_nCurFrame;
        FramePtr frame(reader.GetNativeFrame(&failed, 1, 1));
        EXPECT_EQ(failed, 0);
        ASSERT_NE(frame->m_pAudio, nullptr);
        EXPECT_EQ(DWORD{frame->m_pAudio->GetFormat()->nSamplesPerSec}, 11025u);
        EXPECT_EQ(frame->m_pAudio->GetFormat()->nChannels, 1);
        EXPECT_EQ(frame->m_pAudio->m_nLength, 442u);
        ASSERT_NE(frame->m_pImage, nullptr);
        EXPECT_EQ(PixelAt(frame->m_pImage, 5, 5), ColorOfFrame(shown));
        indexes.push_back(reader.m_nCurFrame);
    }
    EXPECT_EQ(indexes, (std::vector<int>{1, 2, 2, 2}));
    EXPECT_EQ(reader.IsAtEnd(), 1);
    EXPECT_TRUE(log->times.empty()) << "native frames carry no effects";
}

TEST(FrameReader, AudioFormatDescribesTheSourceSound)
{
    NumberedReader silent(64, 48, 25.0, 3);
    WAVEFORMATEX format{};
    EXPECT_EQ(silent.GetAudioFormat(&format), 0);
    NumberedReader sounding(64, 48, 25.0, 3, true);
    ASSERT_EQ(sounding.GetAudioFormat(&format), 1);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.nChannels, 1);
    EXPECT_EQ(DWORD{format.nSamplesPerSec}, 11025u);
    EXPECT_EQ(format.wBitsPerSample, 8);
    EXPECT_EQ(format.nBlockAlign, 1);
    EXPECT_EQ(DWORD{format.nAvgBytesPerSec}, 11025u);
}

TEST(FrameReader, InitVideoSetsTheRangeAndSizes)
{
    NumberedReader reader(400, 300, 10.0, 7);
    EXPECT_EQ(reader.m_nFirstFrame, 0);
    EXPECT_EQ(reader.m_nLastFrame, 6);
    EXPECT_EQ(reader.m_nDecodedFrame, -1);
    EXPECT_EQ(reader.m_nSourceWidth, 400);
    EXPECT_EQ(reader.m_nOutHeight, 300);
    EXPECT_NEAR(reader.GetFrameTime().GetSeconds(), 0.1, 1e-9);
    EXPECT_NEAR(reader.m_tSourceFrame2.GetSeconds(), 0.1, 1e-9);
    EXPECT_EQ(reader.IsOpen(), 1);
    EXPECT_EQ(reader.m_nBitCount, 24);
}

} // namespace
