#include "Win32/Produce/AsfWriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

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

std::array<INT32, MASFWriter::kProfileWords> Profile(int index, int width, int height, int frameTime)
{
    std::array<INT32, MASFWriter::kProfileWords> record{};
    record[0] = index;
    record[4] = width;
    record[5] = height;
    record[6] = frameTime;
    return record;
}

struct Production {
    TempDir folder;
    MASFWriter writer;
    std::string target;

    explicit Production(const std::array<INT32, MASFWriter::kProfileWords>& record) : target(folder.File("film.wmv"))
    {
        writer.SetOutputName(target.c_str());
        writer.SetOutputType(4);
        // The producer's own size and time, which the profile replaces.
        writer.SetFrameSize(640, 480);
        writer.SetFrameTime(33367);
        writer.SetAudioIndex(2);
        writer.SetStreamProfile(record.data());
        writer.SetTotalFrames(15);
    }

    // Frames of the writer's size (or `width` x `height`), with a frame of
    // 44.1 kHz stereo sound when `sound`.
    int Run(int frames, bool sound, int width = 0, int height = 0)
    {
        int w = 0;
        int h = 0;
        writer.GetFrameSize(&w, &h);
        DWORD frameTime = 0;
        writer.GetFrameTime(&frameTime);
        const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
        int64_t fed = 0;
        for (int n = 0; n < frames; ++n) {
            MediaFrame frame;
            frame.m_pImage = new CIplImage(width != 0 ? width : w, height != 0 ? height : h, 0x00808080);
            const int64_t upTo = int64_t{n + 1} * frameTime * 44100 / 1000000;
            if (sound) {
                const auto pcm = media_fixtures::Tone(static_cast<int>(upTo - fed), 2, 44100, fed);
                frame.m_pAudio = new CWaveBuffer(&format, pcm.data(), static_cast<DWORD>(pcm.size()));
            }
            fed = upTo;
            if (const int result = writer.Write(frame, 0); result != kWriterOk)
                return result;
        }
        return kWriterOk;
    }
};

TEST(AsfWriter, SamplesAreTimedByTheProfilesFrameTime)
{
    Production production(Profile(3, 320, 240, 66667));
    int width = 0;
    int height = 0;
    production.writer.GetFrameSize(&width, &height);
    DWORD frameTime = 0;
    production.writer.GetFrameTime(&frameTime);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(frameTime, 66667u);
    for (int n = 1; n <= 3; ++n) {
        ASSERT_EQ(production.Run(1, true), kWriterOk);
        EXPECT_EQ(production.writer.NextSampleTime(), static_cast<ULONGLONG>(n) * 666670);
    }
    EXPECT_EQ(production.writer.Close(0), kWriterOk);
    EXPECT_TRUE(FilesIn(production.folder.Path()).empty());
}

TEST(AsfWriter, ProducesAnIndexedFileWithSoundForFramesWithout)
{
    Production production(Profile(3, 320, 240, 66667));
    ASSERT_EQ(production.Run(15, false), kWriterOk);
    EXPECT_EQ(production.writer.Close(1), kWriterOk);
    EXPECT_THAT(FilesIn(production.folder.Path()), testing::ElementsAre("film.wmv"));
    const ProbedFile probed = ProbeFile(production.target);
    EXPECT_EQ(probed.format, "asf");
    ASSERT_NE(probed.Video(), nullptr);
    EXPECT_EQ(probed.Video()->codec, "wmv2");
    EXPECT_EQ(probed.Video()->width, 320);
    EXPECT_EQ(probed.Video()->height, 240);
    EXPECT_EQ(probed.Video()->decoded, 15);
    ASSERT_NE(probed.Audio(), nullptr);
    EXPECT_EQ(probed.Audio()->codec, "wmav2");
    EXPECT_NEAR(static_cast<double>(probed.Audio()->decoded) / probed.Audio()->sampleRate, 1.0, 0.1);
}

TEST(AsfWriter, PicturesOfAnotherSizeAreScaledToTheProfile)
{
    Production production(Profile(0, 160, 120, 66667));
    ASSERT_EQ(production.Run(15, true, 352, 240), kWriterOk);
    EXPECT_EQ(production.writer.Close(1), kWriterOk);
    const ProbedFile probed = ProbeFile(production.target);
    ASSERT_NE(probed.Video(), nullptr);
    EXPECT_EQ(probed.Video()->width, 160);
    EXPECT_EQ(probed.Video()->decoded, 15);
}

TEST(AsfWriter, ProfileWithoutPicturesWritesSoundOnly)
{
    Production production(Profile(10, 320, 240, 66667));
    ASSERT_EQ(production.Run(15, true), kWriterOk);
    EXPECT_EQ(production.writer.Close(1), kWriterOk);
    const ProbedFile probed = ProbeFile(production.target);
    EXPECT_EQ(probed.Video(), nullptr);
    ASSERT_NE(probed.Audio(), nullptr);
    EXPECT_NEAR(static_cast<double>(probed.Audio()->decoded) / probed.Audio()->sampleRate, 1.0, 0.1);
}

TEST(AsfWriter, BadProfileIndexFailsTheFirstWriteAndLeavesNoFile)
{
    Production production(Profile(99, 320, 240, 66667));
    EXPECT_EQ(production.Run(1, true), kWriterOpenFailed);
    EXPECT_EQ(production.writer.Close(1), kWriterOpenFailed);
    EXPECT_TRUE(FilesIn(production.folder.Path()).empty());
}

} // namespace
