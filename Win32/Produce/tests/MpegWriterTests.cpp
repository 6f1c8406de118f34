#include "Win32/Produce/MpegWriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/Outside/Testing/Probe.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"
#include "tests/support/TempDir.h"

namespace {

using media_fixtures::FilesIn;
using media_fixtures::ProbedFile;
using media_fixtures::ProbeFile;
using testing_support::TempDir;

// The settings' MPEG record as the defaults have it: MPEG-1 at 352 x 240,
// 29.97 fps, 1.8 Mb/s, stereo 44.1 kHz.
std::array<INT32, MMpegWriter::kSettingsWords> Settings(int variant = 1, int rateCode = 4, int stereo = 1)
{
    std::array<INT32, MMpegWriter::kSettingsWords> words{};
    words[4] = 352;
    words[5] = 240;
    words[7] = variant == 2 ? 15 : 12;
    words[8] = 3;
    words[9] = variant;
    words[10] = rateCode;
    words[11] = 1843200;
    words[12] = 20;
    words[16] = 2;
    words[18] = stereo;
    words[19] = 3;
    words[20] = 44100;
    return words;
}

std::unique_ptr<MediaFrame> Frame(int width, int height, const WAVEFORMATEX* format, DWORD audioBytes, int64_t first)
{
    auto frame = std::make_unique<MediaFrame>();
    if (width > 0)
        frame->m_pImage = new CIplImage(width, height, 0x00336699);
    if (format != nullptr && audioBytes > 0) {
        const auto pcm = media_fixtures::Tone(static_cast<int>(audioBytes / format->nBlockAlign), format->nChannels,
                                              static_cast<int>(format->nSamplesPerSec), first);
        frame->m_pAudio = new CWaveBuffer(format, pcm.data(), static_cast<DWORD>(pcm.size()));
    }
    return frame;
}

struct Production {
    TempDir folder;
    MMpegWriter writer;
    std::string target;

    explicit Production(const std::array<INT32, MMpegWriter::kSettingsWords>& settings)
        : target(folder.File("film.mpg"))
    {
        writer.SetOutputName(target.c_str());
        writer.SetOutputType(2);
        EXPECT_EQ(writer.SetMpegParams(settings.data()), kWriterOk);
        writer.SetTotalFrames(30);
    }

    WAVEFORMATEX Format() const
    {
        PCMWAVEFORMAT pcm;
        writer.GetAudioFormat(&pcm);
        return {pcm.wf.wFormatTag, pcm.wf.nChannels, pcm.wf.nSamplesPerSec, pcm.wf.nAvgBytesPerSec,
                pcm.wf.nBlockAlign, pcm.wBitsPerSample, 0};
    }

    // `frames` frames of `width` x `height` (0: none) with a frame's sound
    // each from frame `audioFrom` on.
    int Run(int frames, int width = 352, int height = 240, int audioFrom = 0)
    {
        const WAVEFORMATEX format = Format();
        DWORD frameTime = 0;
        writer.GetFrameTime(&frameTime);
        int64_t fed = 0;
        for (int n = 0; n < frames; ++n) {
            const int64_t upTo = int64_t{n + 1} * frameTime * format.nSamplesPerSec / 1000000;
            const DWORD bytes = n >= audioFrom ? static_cast<DWORD>((upTo - fed) * format.nBlockAlign) : 0;
            fed = upTo;
            auto frame = Frame(width, height, &format, bytes, fed);
            if (const int result = writer.Write(*frame, 0); result != kWriterOk)
                return result;
        }
        return kWriterOk;
    }
};

TEST(MpegWriter, RateCodesGiveFrameTimes)
{
    MMpegWriter writer;
    const struct {
        int code;
        DWORD microseconds;
    } cases[] = {{1, 41718}, {2, 41666}, {3, 40000}, {4, 33366}, {5, 33333}};
    for (const auto& c : cases) {
        EXPECT_EQ(writer.SetMpegParams(Settings(1, c.code).data()), kWriterOk);
        DWORD time = 0;
        writer.GetFrameTime(&time);
        EXPECT_EQ(time, c.microseconds) << c.code;
    }
    // A code outside 1..5 keeps the time.
    writer.SetMpegParams(Settings(1, 0).data());
    DWORD time = 0;
    writer.GetFrameTime(&time);
    EXPECT_EQ(time, 33333u);
}

TEST(MpegWriter, StereoWordGivesChannels)
{
    MMpegWriter writer;
    for (const auto& [word, channels] : std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {3, 2}, {-4, 1}}) {
        writer.SetMpegParams(Settings(1, 4, word).data());
        PCMWAVEFORMAT format;
        writer.GetAudioFormat(&format);
        EXPECT_EQ(format.wf.nChannels, channels) << word;
        EXPECT_EQ(format.wf.nBlockAlign, channels * 2);
        EXPECT_EQ(format.wf.nAvgBytesPerSec, 44100u * channels * 2);
    }
    EXPECT_EQ(writer.m_params[1], 3);
    EXPECT_EQ(writer.m_params[8], 12);
}

struct Case {
    const char* name;
    int variant;
    const char* codec;
};

class MpegWriterOutput : public testing::TestWithParam<Case> {};

TEST_P(MpegWriterOutput, ProducesAFileLibavformatReadsBack)
{
    Production production(Settings(GetParam().variant));
    ASSERT_EQ(production.Run(30), kWriterOk);
    EXPECT_EQ(production.writer.Close(1), kWriterOk);
    EXPECT_THAT(FilesIn(production.folder.Path()), testing::ElementsAre("film.mpg"));
    const ProbedFile probed = ProbeFile(production.target);
    ASSERT_NE(probed.Video(), nullptr);
    EXPECT_EQ(probed.Video()->codec, GetParam().codec);
    EXPECT_EQ(probed.Video()->width, 352);
    EXPECT_EQ(probed.Video()->height, 240);
    EXPECT_NEAR(probed.Video()->frameRate, 29.97, 0.01);
    EXPECT_EQ(probed.Video()->decoded, 30);
    ASSERT_NE(probed.Audio(), nullptr);
    EXPECT_EQ(probed.Audio()->codec, "mp2");
    EXPECT_EQ(probed.Audio()->channels, 2);
    const int rate = probed.Audio()->sampleRate;
    EXPECT_EQ(rate, GetParam().variant == 0 ? 48000 : 44100);
    EXPECT_NEAR(static_cast<double>(probed.Audio()->decoded) / rate, 30 * 0.033366, 1152.0 * 2 / rate);
}

INSTANTIATE_TEST_SUITE_P(Variants, MpegWriterOutput,
                         testing::Values(Case{"ProgramStream", 0, "mpeg2video"}, Case{"SystemStream", 1, "mpeg1video"},
                                         Case{"VideoCd", 2, "mpeg1video"}),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(MpegWriter, FirstFrameWithoutSoundOpensWithoutAndLaterSoundIsSafe)
{
    Production production(Settings());
    ASSERT_EQ(production.Run(10, 352, 240, 3), kWriterOk);
    EXPECT_EQ(production.writer.m_pAudioBuf, nullptr);
    EXPECT_EQ(production.writer.Close(1), kWriterOk);
    const ProbedFile probed = ProbeFile(production.target);
    ASSERT_NE(probed.Video(), nullptr);
    EXPECT_EQ(probed.Video()->decoded, 10);
    EXPECT_EQ(probed.Audio(), nullptr);
}

TEST(MpegWriter, PicturesOfAnotherSizeAndLargeSoundBlocksAreTaken)
{
    Production production(Settings());
    const WAVEFORMATEX format = production.Format();
    // 0.5 s of sound in one block: more than the 61,440-byte staging buffer.
    auto first = Frame(640, 480, &format, 22050 * 4, 0);
    ASSERT_EQ(production.writer.Write(*first, 0), kWriterOk);
    ASSERT_EQ(production.Run(14, 176, 120), kWriterOk);
    EXPECT_EQ(production.writer.Close(1), kWriterOk);
    const ProbedFile probed = ProbeFile(production.target);
    ASSERT_NE(probed.Video(), nullptr);
    EXPECT_EQ(probed.Video()->width, 352);
    EXPECT_EQ(probed.Video()->decoded, 15);
    ASSERT_NE(probed.Audio(), nullptr);
    EXPECT_NEAR(static_cast<double>(probed.Audio()->decoded) / 44100, 0.5 + 14 * 0.033366, 1152.0 * 2 / 44100);
}

TEST(MpegWriter, CloseWithoutFinishLeavesNothing)
{
    Production production(Settings());
    ASSERT_EQ(production.Run(5), kWriterOk);
    EXPECT_EQ(production.writer.Close(0), kWriterOk);
    EXPECT_TRUE(FilesIn(production.folder.Path()).empty());
    auto frame = Frame(352, 240, nullptr, 0, 0);
    EXPECT_EQ(production.writer.Write(*frame, 0), kWriterClosed);
}

TEST(MpegWriter, EncoderThatCannotOpenFailsTheProduction)
{
    // Frame-rate code 0 is no MPEG rate.
    Production production(Settings(1, 0));
    EXPECT_EQ(production.Run(2), kWriterOpenFailed);
    EXPECT_EQ(production.writer.Close(1), kWriterOpenFailed);
    EXPECT_TRUE(FilesIn(production.folder.Path()).empty());
}

} // namespace
