#include "Platform/Outside/GoMotion/GoMotion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/Probe.h"
#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "tests/support/TempDir.h"

namespace {

using media_fixtures::FilesIn;
using media_fixtures::ProbedFile;
using media_fixtures::ProbeFile;
using testing_support::TempDir;

struct Production {
    int variant = 1;
    int width = 352;
    int height = 240;
    int rateCode = 4;
    int bitRate = 1800000;
    int stereo = 1;
    int audioRate = 3;
    int sampleRate = 44100;
    bool video = true;
    bool audio = true;
};

struct Encoder {
    void* context = GoMotionCreateContext();
    BITMAPINFOHEADER picture{};
    WAVEFORMATEX sound{};
    INT_PTR record[GOMOTION_OPEN_WORDS] = {};
    INT32 params[GOMOTION_PARAM_WORDS] = {};
    std::string path;

    Encoder(const std::string& target, const Production& production) : path(target)
    {
        picture = {40, production.width, production.height, 1, 24, BI_RGB,
                   static_cast<DWORD>(production.width * production.height * 3), 0, 0, 0, 0};
        const WORD channels = 2;
        sound = {WAVE_FORMAT_PCM, channels, 44100, 44100 * 4, 4, 16, 0};
        record[GOMOTION_OPEN_VIDEO_FORMAT] = reinterpret_cast<INT_PTR>(&picture);
        record[GOMOTION_OPEN_AUDIO_FORMAT] = reinterpret_cast<INT_PTR>(&sound);
        record[GOMOTION_OPEN_HAS_VIDEO] = production.video;
        record[GOMOTION_OPEN_HAS_AUDIO] = production.audio;
        record[GOMOTION_OPEN_PATH] = reinterpret_cast<INT_PTR>(path.c_str());
        params[GOMOTION_PARAM_GOP] = production.variant == 2 ? 15 : 12;
        params[GOMOTION_PARAM_SPACING] = 3;
        params[GOMOTION_PARAM_VARIANT] = production.variant;
        params[GOMOTION_PARAM_RATE_CODE] = production.rateCode;
        params[GOMOTION_PARAM_BIT_RATE] = production.bitRate;
        params[5] = 20;
        params[GOMOTION_PARAM_ASPECT] = 12;
        params[GOMOTION_PARAM_VIDEO_FORMAT] = 2;
        params[GOMOTION_PARAM_STEREO] = production.stereo;
        params[GOMOTION_PARAM_AUDIO_RATE] = production.audioRate;
        params[GOMOTION_PARAM_SAMPLE_RATE] = production.sampleRate;
        params[GOMOTION_PARAM_TOTAL_FRAMES] = 30;
    }
    ~Encoder() { GoMotionDeleteContext(context); }

    int Open() { return OpenGoMotionEncoder(context, record, params); }

    // `frames` pictures with a frame's share of 44.1 kHz stereo each.
    void Feed(int frames)
    {
        int64_t fed = 0;
        for (int i = 0; i < frames; ++i) {
            DWORD out = 0;
            if (record[GOMOTION_OPEN_HAS_VIDEO] != 0) {
                const auto bits = media_fixtures::MovingPicture(picture.biWidth, picture.biHeight, i);
                ASSERT_EQ(CompressVideoFrame(context, bits.data(), 0, &out), GOMOTION_OK);
                EXPECT_EQ(out, static_cast<DWORD>(i + 1));
            }
            if (record[GOMOTION_OPEN_HAS_AUDIO] != 0) {
                const int samples = static_cast<int>((i + 1) * 44100LL / 30 - fed);
                const auto pcm = media_fixtures::Tone(samples, 2, 44100, fed);
                fed += samples;
                const GoMotionAudioFrame frame{pcm.data(), static_cast<DWORD>(pcm.size())};
                ASSERT_EQ(CompressAudioFrame(context, &frame, &out), GOMOTION_OK);
            }
        }
    }
};

struct Case {
    const char* name;
    Production production;
    const char* videoCodec;
    double frameRate;
    int channels;
    int sampleRate;
    int64_t audioBitRate;
};

class GoMotionOutput : public testing::TestWithParam<Case> {};

TEST_P(GoMotionOutput, ReadsBackWithItsCodecsSizeRateAndAudio)
{
    const Case& c = GetParam();
    TempDir folder;
    const std::string target = folder.File("out.mpg");
    Encoder encoder(target, c.production);
    ASSERT_EQ(encoder.Open(), GOMOTION_OK);
    encoder.Feed(30);
    EXPECT_THAT(FilesIn(folder.Path()), testing::Not(testing::Contains("out.mpg")));
    ASSERT_EQ(CloseGoMotionEncoder(encoder.context), GOMOTION_OK);
    EXPECT_THAT(FilesIn(folder.Path()), testing::ElementsAre("out.mpg"));

    const ProbedFile probed = ProbeFile(target);
    ASSERT_TRUE(probed.opened);
    EXPECT_EQ(probed.format, "mpeg");
    if (c.production.video) {
        ASSERT_NE(probed.Video(), nullptr);
        EXPECT_EQ(probed.Video()->codec, c.videoCodec);
        EXPECT_EQ(probed.Video()->width, c.production.width);
        EXPECT_EQ(probed.Video()->height, c.production.height);
        EXPECT_NEAR(probed.Video()->frameRate, c.frameRate, 0.01);
        EXPECT_EQ(probed.Video()->decoded, 30);
    } else {
        EXPECT_EQ(probed.Video(), nullptr);
    }
    if (c.production.audio) {
        ASSERT_NE(probed.Audio(), nullptr);
        EXPECT_EQ(probed.Audio()->codec, "mp2");
        EXPECT_EQ(probed.Audio()->channels, c.channels);
        EXPECT_EQ(probed.Audio()->sampleRate, c.sampleRate);
        EXPECT_EQ(probed.Audio()->bitRate, c.audioBitRate);
        const double seconds = static_cast<double>(probed.Audio()->decoded) / c.sampleRate;
        EXPECT_NEAR(seconds, 1.0, 1152.0 * 2 / c.sampleRate);
    } else {
        EXPECT_EQ(probed.Audio(), nullptr);
    }
}

Production Make(int variant, int width, int height, int rateCode, int stereo, int audioRate, int sampleRate,
                bool video = true, bool audio = true)
{
    Production p;
    p.variant = variant;
    p.width = width;
    p.height = height;
    p.rateCode = rateCode;
    p.stereo = stereo;
    p.audioRate = audioRate;
    p.sampleRate = sampleRate;
    p.video = video;
    p.audio = audio;
    p.bitRate = variant == 0 ? 6000000 : 1800000;
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Variants, GoMotionOutput,
    testing::Values(Case{"DvdProgramStream", Make(0, 720, 480, 4, 1, 6, 44100), "mpeg2video", 29.97, 2, 48000, 224000},
                    Case{"Mpeg1Mono", Make(1, 160, 120, 3, 0, 0, 44100), "mpeg1video", 25, 1, 44100, 32000},
                    Case{"Mpeg1Film", Make(1, 352, 240, 1, 1, 3, 44100), "mpeg1video", 23.976, 2, 44100, 128000},
                    Case{"VideoCd", Make(2, 352, 240, 4, 0, 0, 22050), "mpeg1video", 29.97, 2, 44100, 224000},
                    Case{"VideoOnly", Make(1, 320, 240, 5, 1, 3, 44100, true, false), "mpeg1video", 30, 0, 0, 0},
                    Case{"AudioOnly", Make(1, 320, 240, 5, 1, 9, 48000, false, true), "", 0, 2, 48000, 384000}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

struct BadCase {
    const char* name;
    Production production;
};

class GoMotionRefuses : public testing::TestWithParam<BadCase> {};

TEST_P(GoMotionRefuses, BadParametersWithoutLeavingAFile)
{
    TempDir folder;
    Encoder encoder(folder.File("out.mpg"), GetParam().production);
    EXPECT_EQ(encoder.Open(), GOMOTION_ERR_ARG);
    EXPECT_EQ(CloseGoMotionEncoder(encoder.context), GOMOTION_ERR_STATE);
    DWORD out = 0;
    const auto bits = media_fixtures::MovingPicture(352, 240, 0);
    EXPECT_EQ(CompressVideoFrame(encoder.context, bits.data(), 0, &out), GOMOTION_ERR_STATE);
    EXPECT_TRUE(FilesIn(folder.Path()).empty());
}

Production With(void (*change)(Production&))
{
    Production p;
    change(p);
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GoMotionRefuses,
    testing::Values(BadCase{"RateCodeZero", With([](Production& p) { p.rateCode = 0; })},
                    BadCase{"RateCodeSix", With([](Production& p) { p.rateCode = 6; })},
                    BadCase{"VariantThree", With([](Production& p) { p.variant = 3; })},
                    BadCase{"VideoCdSize", With([](Production& p) { p.variant = 2, p.width = 640, p.height = 480; })},
                    BadCase{"OddSize", With([](Production& p) { p.width = 351; })},
                    BadCase{"AudioRateIndex", With([](Production& p) { p.audioRate = 10; })},
                    BadCase{"BitRate", With([](Production& p) { p.bitRate = 0; })},
                    BadCase{"NoStreams", With([](Production& p) { p.video = p.audio = false; })}),
    [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(GoMotion, RateTheEncoderCannotMakeFailsToOpen)
{
    TempDir folder;
    Production p;
    p.sampleRate = 11025;
    Encoder encoder(folder.File("out.mpg"), p);
    EXPECT_EQ(encoder.Open(), GOMOTION_ERR_OPEN);
    EXPECT_TRUE(FilesIn(folder.Path()).empty());
}

TEST(GoMotion, UnwritableFolderFailsToOpen)
{
    TempDir folder;
    Encoder encoder(folder.File("missing/out.mpg"), Production{});
    EXPECT_EQ(encoder.Open(), GOMOTION_ERR_OPEN);
}

TEST(GoMotion, DeletedWithoutCloseLeavesNothing)
{
    TempDir folder;
    {
        Encoder encoder(folder.File("out.mpg"), Production{});
        ASSERT_EQ(encoder.Open(), GOMOTION_OK);
        encoder.Feed(3);
        EXPECT_EQ(encoder.Open(), GOMOTION_ERR_STATE);
    }
    EXPECT_TRUE(FilesIn(folder.Path()).empty());
}

TEST(GoMotion, AudioBlockOfPartSamplesIsRefused)
{
    TempDir folder;
    Encoder encoder(folder.File("out.mpg"), Production{});
    ASSERT_EQ(encoder.Open(), GOMOTION_OK);
    const BYTE bytes[6] = {};
    const GoMotionAudioFrame frame{bytes, sizeof bytes};
    EXPECT_EQ(CompressAudioFrame(encoder.context, &frame, nullptr), GOMOTION_ERR_ARG);
}

} // namespace
