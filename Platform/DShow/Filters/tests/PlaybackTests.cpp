// Files rendered through the system filters to the end: frame and sample
// counts, the decoded pictures, seeking, and bad files.

#include <gtest/gtest.h>

#include <functional>

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/DShow/Filters/tests/PlaybackSupport.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "tests/support/TempDir.h"

namespace playback_test {
namespace {

constexpr REFERENCE_TIME kNtscFrame = 333667;

struct FileCase {
    const char* name;
    const char* file;
    std::function<bool(const std::string&)> write;
    size_t frames;           // video frames, 0: no video
    long long samples;       // PCM samples, 0: no sound
    long long sampleSlack;   // allowed difference (encoder delay and padding)
    bool fullRange = false;  // pictures in full-range YUV
};

Clip VideoClip(const char* container, const char* video, const char* pixels, const char* audio)
{
    Clip clip;
    clip.container = container;
    clip.video = video;
    clip.pixels = pixels;
    clip.audio = audio;
    clip.sampleRate = 44100;
    return clip;
}

const FileCase kFiles[] = {
    {"DvType2", "dv2.avi", [](const std::string& p) { return WriteDvAvi(p, 2, 10); }, 10, 16016, 0},
    {"DvType1", "dv1.avi", [](const std::string& p) { return WriteDvAvi(p, 1, 10); }, 10, 16016, 0},
    {"MjpegAvi", "mjpeg.avi",
     [](const std::string& p) {
         Clip clip = VideoClip("avi", "mjpeg", "yuvj420p", nullptr);
         clip.codecTag = 'M' | 'J' << 8 | 'P' << 16 | 'G' << 24;
         return WriteClip(p, clip);
     },
     10, 0, 0, true},
    {"Mpeg1Program", "clip.mpg",
     [](const std::string& p) { return WriteClip(p, VideoClip("mpeg", "mpeg1video", "yuv420p", "mp2")); }, 10,
     17640, 2400},
    {"Mpeg2Program", "clip.vob",
     [](const std::string& p) { return WriteClip(p, VideoClip("vob", "mpeg2video", "yuv420p", "mp2")); }, 10,
     17640, 2400},
    {"QuickTime", "clip.mov",
     [](const std::string& p) {
         return WriteClip(p, VideoClip("mov", "mjpeg", "yuvj420p", nullptr));
     },
     10, 0, 0, true},
    {"RawDv", "clip.dv",
     [](const std::string& p) {
         Clip clip = VideoClip("dv", "dvvideo", "yuv411p", "pcm_s16le");
         clip.width = 720;
         clip.height = 480;
         clip.rateNum = 30000;
         clip.rateDen = 1001;
         clip.sampleRate = 48000;
         return WriteClip(p, clip);
     },
     10, 16016, 0},
    {"Mpeg1Video", "clip.m1v",
     [](const std::string& p) { return WriteClip(p, VideoClip("mpeg1video", "mpeg1video", "yuv420p", nullptr)); },
     10, 0, 0},
    {"Mpeg2Video", "clip.m2v",
     [](const std::string& p) { return WriteClip(p, VideoClip("mpeg2video", "mpeg2video", "yuv420p", nullptr)); },
     10, 0, 0},
    {"Mp2", "tone.mp2",
     [](const std::string& p) {
         return media_fixtures::WriteSound(p, {media_fixtures::SoundKind::Mp2, 22050, 2, 1.0});
     },
     0, 22050, 2400},
    {"Wav", "tone.wav",
     [](const std::string& p) {
         return media_fixtures::WriteSound(p, {media_fixtures::SoundKind::Wav16, 22050, 2, 1.0});
     },
     0, 22050, 0},
    {"WindowsMediaVideo", "clip.wmv",
     [](const std::string& p) { return WriteClip(p, VideoClip("asf", "wmv2", "yuv420p", "wmav2")); }, 10, 17640,
     4096},
    {"WindowsMediaAudio", "song.wma",
     [](const std::string& p) {
         Clip clip = VideoClip("asf", nullptr, "yuv420p", "wmav2");
         return WriteClip(p, clip);
     },
     0, 17640, 4096},
    {"Mp3", "tone.mp3",
     [](const std::string& p) {
         return media_fixtures::WriteSound(p, {media_fixtures::SoundKind::Mp3, 22050, 2, 1.0});
     },
     0, 22050, 2400},
};

class RenderFileCase : public testing::TestWithParam<FileCase> {
protected:
    static void SetUpTestSuite() { media_fixtures::QuietMediaLogs(); }
};

TEST_P(RenderFileCase, RunsToTheEndWithEveryFrameAndSample)
{
    const FileCase& c = GetParam();
    testing_support::TempDir dir;
    std::string path = dir.File(c.file);
    ASSERT_TRUE(c.write(path));
    Playback playback;
    HRESULT hr = playback.Render(path);
    ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    ASSERT_EQ(playback.RunToEnd(), EC_COMPLETE);
    std::vector<Record> frames = playback.Video().Records();
    EXPECT_EQ(frames.size(), c.frames);
    if (c.frames) {
        ASSERT_FALSE(frames.empty());
        auto rgb = [&](int frame) { return c.fullRange ? LevelOf(frame) : RgbOfLevel(LevelOf(frame)); };
        EXPECT_NEAR(frames[0].first[0], rgb(0), 4);
        EXPECT_NEAR(frames.back().first[0], rgb(static_cast<int>(c.frames) - 1), 4);
        EXPECT_GE(frames[0].start, 0);
        EXPECT_LT(frames[0].start, frames[0].stop - frames[0].start) << "within the first frame's time";
        for (size_t i = 1; i < frames.size(); ++i)
            EXPECT_GT(frames[i].start, frames[i - 1].start);
    }
    EXPECT_NEAR(static_cast<double>(playback.Audio().AudioSamples()), static_cast<double>(c.samples),
                static_cast<double>(c.sampleSlack));
    EXPECT_EQ(playback.Stop(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Files, RenderFileCase, testing::ValuesIn(kFiles),
                         [](const testing::TestParamInfo<FileCase>& info) { return info.param.name; });

// A ten-frame type-2 DV AVI rendered into the recording sinks, and the
// graph's seeking.
class DvSeeking : public testing::Test {
protected:
    void SetUp() override
    {
        media_fixtures::QuietMediaLogs();
        std::string path = m_dir.File("dv.avi");
        ASSERT_TRUE(WriteDvAvi(path, 2, 10));
        ASSERT_EQ(playback.Render(path), S_OK);
        ASSERT_EQ(playback.Graph()->QueryInterface(IID_IMediaSeeking, seeking.ReceiveVoid()), S_OK);
    }
    testing_support::TempDir m_dir;
    Playback playback;
    com::ComPtr<IMediaSeeking> seeking;
};

TEST_F(DvSeeking, SeekToTheMiddleDeliversTheFrameAtThatTime)
{
    LONGLONG duration = 0;
    ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_NEAR(static_cast<double>(duration), 10.0 * kNtscFrame, 2.0 * kNtscFrame);
    LONGLONG middle = 5 * kNtscFrame + kNtscFrame / 2;
    ASSERT_EQ(seeking->SetPositions(&middle, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
              S_OK);
    ASSERT_EQ(playback.RunToEnd(), EC_COMPLETE);
    std::vector<Record> frames = playback.Video().Records();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_NEAR(frames[0].first[0], RgbOfLevel(LevelOf(5)), 4) << "frame 5 covers the seek position";
    EXPECT_LE(frames[0].start, 0);
    EXPECT_GT(frames[0].stop, 0);
    EXPECT_EQ(frames[1].start, frames[0].start + kNtscFrame) << "times count from the new start";
    EXPECT_EQ(playback.Video().SegmentStart(), middle);

    // The splitter's own pin: media time only, rate 1 only.
    com::ComPtr<IBaseFilter> splitter;
    ASSERT_EQ(playback.Graph()->FindFilterByName(u"AVI Splitter", splitter.Receive()), S_OK);
    com::ComPtr<IEnumPins> pins;
    splitter->EnumPins(pins.Receive());
    IPin* pin = nullptr;
    com::ComPtr<IMediaSeeking> pinSeeking;
    while (!pinSeeking && pins->Next(1, &pin, nullptr) == S_OK) {
        pin->QueryInterface(IID_IMediaSeeking, pinSeeking.ReceiveVoid());
        pin->Release();
    }
    ASSERT_TRUE(pinSeeking);
    EXPECT_EQ(pinSeeking->IsFormatSupported(&TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(pinSeeking->IsFormatSupported(&TIME_FORMAT_FRAME), S_FALSE);
    EXPECT_EQ(pinSeeking->SetRate(2.0), E_INVALIDARG);
    double rate = 0;
    EXPECT_EQ(pinSeeking->GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 1.0);
    LONGLONG current = 0;
    EXPECT_EQ(pinSeeking->GetCurrentPosition(&current), S_OK);
    EXPECT_GE(current, middle);
    long long samples = playback.Audio().AudioSamples();
    EXPECT_NEAR(static_cast<double>(samples), 16016.0 - middle * 48000.0 / UNITS, 1700);
}

TEST_F(DvSeeking, PausedRendererHoldsAFrameAndShowsTheOneASeekBrings)
{
    com::ComPtr<IMediaControl> control;
    playback.Graph()->QueryInterface(IID_IMediaControl, control.ReceiveVoid());
    control->Pause();
    OAFilterState state = 0;
    ASSERT_EQ(control->GetState(static_cast<LONG>(kLongWait), &state), S_OK) << "the pause completes";
    EXPECT_EQ(state, State_Paused);
    EXPECT_TRUE(playback.Video().Records().empty()) << "held, not shown, while paused";

    LONGLONG position = 7 * kNtscFrame;
    ASSERT_EQ(seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
              S_OK);
    ASSERT_EQ(control->GetState(static_cast<LONG>(kLongWait), &state), S_OK);
    ASSERT_EQ(playback.RunToEnd(), EC_COMPLETE);
    std::vector<Record> frames = playback.Video().Records();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_NEAR(frames[0].first[0], RgbOfLevel(LevelOf(7)), 4) << "the frame the seek brought";
}

// NTSC frame times do not fall on whole 100 ns units: each frame ends
// exactly where the next one starts, never a unit after it.
TEST_F(DvSeeking, FramesInARowAbut)
{
    ASSERT_EQ(playback.RunToEnd(), EC_COMPLETE);
    std::vector<Record> frames = playback.Video().Records();
    ASSERT_EQ(frames.size(), 10u);
    for (size_t n = 1; n < frames.size(); ++n)
        EXPECT_EQ(frames[n - 1].stop, frames[n].start) << n;
}

TEST_F(DvSeeking, ARangeWithAStopDeliversOnlyItsFrames)
{
    LONGLONG start = 2 * kNtscFrame, stop = 5 * kNtscFrame;
    ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning),
              S_OK);
    ASSERT_EQ(playback.RunToEnd(), EC_COMPLETE);
    std::vector<Record> frames = playback.Video().Records();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_NEAR(frames[0].first[0], RgbOfLevel(LevelOf(2)), 4);
    EXPECT_NEAR(frames[2].first[0], RgbOfLevel(LevelOf(4)), 4);
    EXPECT_EQ(frames[0].start, 0);
}

} // namespace
} // namespace playback_test
