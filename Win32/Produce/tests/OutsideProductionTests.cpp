// Whole productions of a generated storyboard through the MPEG, Windows
// Media and RealVideo writers the producer makes from the settings, read
// back by libavformat; and how the producer configures those writers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Platform/Outside/Testing/Probe.h"
#include "Win32/Produce/AsfWriter.h"
#include "Win32/Produce/MpegWriter.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/RealVideoWriter.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::TempDir;

void Mpeg1(ProductionParams& params)
{
    MpegDefaults(params);
    params.m_nMpegFormat = 1;
    params.m_nMpegRateCode = 3;
    params.m_nMpegBitRate = 1150000;
    params.m_nAudioOptions[0] = 1;
}

void VideoCd(ProductionParams& params)
{
    MpegDefaults(params);
    params.m_nMpegFormat = 2;
    params.m_nMpegGop = 15;
}

void Mpeg2ProgramStream(ProductionParams& params)
{
    MpegDefaults(params);
    params.m_nMpegWidth = 720;
    params.m_nMpegHeight = 480;
    params.m_nMpegBitRate = 6000000;
}

// System profile 3: 320 x 240 at 15 fps with 48 kb/s stereo sound.
void WindowsMedia(ProductionParams& params)
{
    params.m_nWriterParam1 = 3;
    params.m_nMpegWidth = 320;
    params.m_nMpegHeight = 240;
    params.m_nRealFrameMicroseconds = 66667;
}

// 320 x 240 at 15 fps, stereo music, normal quality, for the 56k modem
// and DSL audiences, video and audio on.
void RealVideo(ProductionParams& params)
{
    params.m_nParamA = 3;
    params.m_nParamB = 0;
    params.m_nMpegWidth = 320;
    params.m_nMpegHeight = 240;
    params.m_nRealFrameMicroseconds = 66667;
    params.m_nAudioOptions[1] = 1;
    params.m_nAudioOptions[4] = 1;
    params.m_nAudioFlags[0] = 1;
    params.m_nAudioFlags[1] = 1;
}

// The decoder buffer an MPEG system header declares for the first video
// stream, in KiB; 0 when no header names one.
int VideoBufferBoundKiB(const std::vector<unsigned char>& bytes)
{
    for (size_t at = 0; at + 12 < bytes.size(); ++at) {
        if (bytes[at] != 0 || bytes[at + 1] != 0 || bytes[at + 2] != 1 || bytes[at + 3] != 0xBB)
            continue;
        const size_t end = std::min(bytes.size(), at + 6 + (size_t{bytes[at + 4]} << 8 | bytes[at + 5]));
        for (size_t entry = at + 12; entry + 3 <= end && (bytes[entry] & 0x80) != 0; entry += 3) {
            const int bound = (bytes[entry + 1] & 0x1F) << 8 | bytes[entry + 2];
            // A video stream, or (DVD) all video streams.
            if ((bytes[entry] & 0xF0) == 0xE0 || bytes[entry] == 0xB9)
                return (bytes[entry + 1] & 0x20) != 0 ? bound : bound * 128 / 1024;
        }
    }
    return 0;
}

struct OutsideCase {
    const char* name;
    int type;
    void (*configure)(ProductionParams&);
    const char* extension;
    const char* video;
    int width;
    int height;
    DWORD frameTime;
    const char* audio;
    int sampleRate;
    int channels;
    // The video buffer an MPEG system header declares (0: no MPEG).
    int bufferKiB;
};

void PrintTo(const OutsideCase& row, std::ostream* out) { *out << row.name; }

const OutsideCase kCases[] = {
    // The constrained-parameter and Video CD decoder buffer: 46 KiB.
    {"Mpeg1", 2, Mpeg1, "mpg", "mpeg1video", 352, 240, 40000, "mp2", 44100, 2, 46},
    {"VideoCd", 2, VideoCd, "mpg", "mpeg1video", 352, 240, 33366, "mp2", 44100, 2, 46},
    // The DVD program stream takes its sound at 48 kHz.
    {"Mpeg2ProgramStream", 2, Mpeg2ProgramStream, "mpg", "mpeg2video", 720, 480, 33366, "mp2", 48000, 2, 230},
    {"WindowsMedia", 4, WindowsMedia, "wmv", "wmv2", 320, 240, 66667, "wmav2", 44100, 2, 0},
    {"RealVideo", 5, RealVideo, "rm", "rv20", 320, 240, 66667, "ac3", 44100, 2, 0},
};

void Configure(CProductionSettings& settings, const OutsideCase& row, const std::string& target)
{
    ProductionParams& params = settings.GetParams();
    std::strncpy(params.m_szOutputPath, target.c_str(), sizeof params.m_szOutputPath - 1);
    params.m_nOutputType = row.type;
    params.m_wBitsPerPixel = 24;
    row.configure(params);
    settings.SetTitle("Harbour Lights");
    settings.SetAuthor("Ann Example");
    settings.SetRights("(c) 2026 Ann Example");
}

class OutsideProduction : public testing::TestWithParam<OutsideCase> {
protected:
    void SetUp() override
    {
        media_fixtures::QuietMediaLogs();
        m_tone = m_dir.File("tone.wav");
        ASSERT_TRUE(media_fixtures::WriteSound(m_tone, {media_fixtures::SoundKind::Wav16, 44100, 2, 6.0}));
    }

    TempDir m_dir;
    std::string m_tone;
};

// Two colour scenes of 2 s joined by a 0.5 s dissolve (3.5 s), the first
// playing a tone on its first audio track.
TEST_P(OutsideProduction, StoryboardReadsBackWithItsCodecsSizeRateLengthAndSound)
{
    const OutsideCase& row = GetParam();
    auto storyboard = ProduceStoryboard("C2 D0.5 C2");
    ASSERT_TRUE(AttachSound(*storyboard, 0, m_tone.c_str()));
    const std::string target = m_dir.File(std::string("film.") + row.extension);
    CProductionSettings settings;
    Configure(settings, row, target);

    CProducer producer(storyboard.get(), &settings, nullptr);
    ASSERT_NE(producer.GetWriter(), nullptr);
    ASSERT_EQ(producer.Prepare(0, 0x7FFF), 0);
    const int frames = static_cast<int>(3.5 / (row.frameTime / 1e6) + 0.5);
    EXPECT_EQ(producer.GetTotalFrames(), frames);
    CString name;
    ASSERT_EQ(producer.Produce(name), 0);
    EXPECT_EQ(std::string(name), target);
    EXPECT_EQ(producer.GetFramesWritten(), frames);
    // Only the target is left: no temporary file.
    EXPECT_EQ(media_fixtures::FilesIn(m_dir.Path()).size(), 2u);

    media_fixtures::ReadBackFile file;
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(target, file));
    EXPECT_EQ(file.videoCodec, row.video);
    EXPECT_EQ(file.width, row.width);
    EXPECT_EQ(file.height, row.height);
    EXPECT_NEAR(static_cast<double>(file.videoPackets.size()), frames, 1.0);
    ASSERT_TRUE(file.audio);
    EXPECT_EQ(file.audioCodec, row.audio);
    EXPECT_EQ(file.audioRate, row.sampleRate);
    EXPECT_EQ(file.audioChannels, row.channels);
    if (row.bufferKiB != 0) {
        EXPECT_EQ(VideoBufferBoundKiB(media_fixtures::ReadBytes(target)), row.bufferKiB);
    }

    const media_fixtures::ProbedFile probed = media_fixtures::ProbeFile(target);
    ASSERT_NE(probed.Video(), nullptr);
    ASSERT_NE(probed.Audio(), nullptr);
    const double frameSeconds = row.frameTime / 1e6;
    // MPEG-1 declares its constant rate.
    if (std::string(row.video) == "mpeg1video") {
        EXPECT_EQ(probed.Video()->bitRate, 1150000);
    }
    EXPECT_NEAR(probed.Video()->frameRate, 1.0 / frameSeconds, 0.01);
    EXPECT_NEAR(static_cast<double>(probed.Video()->decoded), frames, 1.0);
    // The sound lasts as long as the pictures, give or take a frame and
    // the encoder's last block.
    const double soundSeconds = static_cast<double>(probed.Audio()->decoded) / row.sampleRate;
    EXPECT_NEAR(soundSeconds, frames * frameSeconds, frameSeconds + 2048.0 / row.sampleRate);
}

INSTANTIATE_TEST_SUITE_P(Producer, OutsideProduction, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<OutsideCase>& info) { return std::string(info.param.name); });

// Settings the encoders refuse end the production at its first frame with
// the open failure, and leave no file behind.
TEST_F(OutsideProduction, RefusedSettingsFailAndLeaveNoFile)
{
    struct Refused {
        const char* name;
        int row;
        void (*spoil)(ProductionParams&);
    };
    const Refused cases[] = {
        {"VideoCdOfAnotherSize", 1, [](ProductionParams& p) { p.m_nMpegWidth = 320; }},
        {"MpegFrameRateCode", 0, [](ProductionParams& p) { p.m_nMpegRateCode = 9; }},
        {"WindowsMediaProfileIndex", 3, [](ProductionParams& p) { p.m_nWriterParam1 = 99; }},
        {"RealVideoSize", 4, [](ProductionParams& p) { p.m_nMpegWidth = 162; }},
    };
    for (const Refused& refused : cases) {
        auto storyboard = ProduceStoryboard("C1");
        const OutsideCase& row = kCases[refused.row];
        TempDir folder;
        CProductionSettings settings;
        Configure(settings, row, folder.File(std::string("film.") + row.extension));
        refused.spoil(settings.GetParams());
        CProducer producer(storyboard.get(), &settings, nullptr);
        CString name;
        ASSERT_EQ(producer.Prepare(0, 0x7FFF), 0) << refused.name;
        EXPECT_EQ(producer.Produce(name), kProduceOpenFailed) << refused.name;
        EXPECT_TRUE(name.IsEmpty()) << refused.name;
        EXPECT_TRUE(media_fixtures::FilesIn(folder.Path()).empty()) << refused.name;
    }
}

TEST_F(OutsideProduction, RealVideoCarriesTheProductionTexts)
{
    auto storyboard = ProduceStoryboard("C1 D0.5 C1");
    const std::string target = m_dir.File("texts.rm");
    CProductionSettings settings;
    Configure(settings, kCases[4], target);
    CProducer producer(storyboard.get(), &settings, nullptr);
    CString name;
    ASSERT_EQ(producer.Prepare(0, 0x7FFF), 0);
    ASSERT_EQ(producer.Produce(name), 0);
    const media_fixtures::ProbedFile probed = media_fixtures::ProbeFile(target);
    ASSERT_TRUE(probed.opened);
    EXPECT_EQ(probed.metadata.at("title"), "Harbour Lights");
    EXPECT_EQ(probed.metadata.at("author"), "Ann Example");
    EXPECT_EQ(probed.metadata.at("copyright"), "(c) 2026 Ann Example");
    EXPECT_NE(probed.metadata.at("comment").find("Generated By: RealProducer G2 Core SDK"), std::string::npos);
}

// What the producer reads back from each writer it made: the size and
// frame time it renders at, and the sound format it mixes to.
TEST(ProducerWriters, EachOutsideWriterIsConfiguredFromTheSettings)
{
    auto storyboard = ProduceStoryboard("C1");
    TempDir dir;
    for (const OutsideCase& row : kCases) {
        CProductionSettings settings;
        Configure(settings, row, dir.File(std::string("out.") + row.extension));
        ProductionParams& params = settings.GetParams();
        // The producer's own size and rate, which the profiles override.
        params.m_nWidth = 64;
        params.m_nHeight = 48;
        params.m_nFrameMicroseconds = 100000;
        params.m_Compress.dwQuality = 7500;
        CProducer producer(storyboard.get(), &settings, nullptr);
        MediaWriter* writer = producer.GetWriter();
        ASSERT_NE(writer, nullptr) << row.name;
        EXPECT_EQ(writer->GetOutputType(), row.type) << row.name;
        int width = 0;
        int height = 0;
        writer->GetFrameSize(&width, &height);
        EXPECT_EQ(width, row.width) << row.name;
        EXPECT_EQ(height, row.height) << row.name;
        DWORD frameTime = 0;
        writer->GetFrameTime(&frameTime);
        EXPECT_EQ(frameTime, row.frameTime) << row.name;
        PCMWAVEFORMAT format{};
        writer->GetAudioFormat(&format);
        EXPECT_EQ(format.wf.nChannels, 2) << row.name;
        EXPECT_EQ(format.wf.nSamplesPerSec, 44100u) << row.name;
        EXPECT_EQ(format.wBitsPerSample, 16) << row.name;
        CString name;
        EXPECT_EQ(writer->GetOutputName(name), 0);
        EXPECT_EQ(std::string(name), dir.File(std::string("out.") + row.extension));
    }
}

TEST(ProducerWriters, OutsideWritersTakeTheirRecordsAndTexts)
{
    auto storyboard = ProduceStoryboard("C1");
    TempDir dir;
    {
        CProductionSettings settings;
        Configure(settings, kCases[1], dir.File("vcd.mpg"));
        CProducer producer(storyboard.get(), &settings, nullptr);
        auto* mpeg = dynamic_cast<MMpegWriter*>(producer.GetWriter());
        ASSERT_NE(mpeg, nullptr);
        // Words 7.. of the MPEG block: GOP, spacing, variant, rate code.
        EXPECT_EQ(mpeg->m_params[0], 15);
        EXPECT_EQ(mpeg->m_params[1], 3);
        EXPECT_EQ(mpeg->m_params[2], 2);
        EXPECT_EQ(mpeg->m_params[3], 4);
    }
    {
        CProductionSettings settings;
        Configure(settings, kCases[3], dir.File("film.wmv"));
        settings.GetParams().m_Compress.dwQuality = 7500;
        CProducer producer(storyboard.get(), &settings, nullptr);
        auto* asf = dynamic_cast<MASFWriter*>(producer.GetWriter());
        ASSERT_NE(asf, nullptr);
        EXPECT_EQ(asf->m_nProfileIndex, 3);
        EXPECT_EQ(asf->m_hNotifyWindow, producer.GetNotifyWindow()->GetSafeHwnd());
        EXPECT_EQ(asf->m_videoOptions.dwQuality, 7500u);
    }
    {
        CProductionSettings settings;
        Configure(settings, kCases[4], dir.File("film.rm"));
        CProducer producer(storyboard.get(), &settings, nullptr);
        auto* real = dynamic_cast<MRealVideoWriter*>(producer.GetWriter());
        ASSERT_NE(real, nullptr);
        // Audio content, audiences 1 and 4, video and audio on.
        EXPECT_EQ(real->m_profile[2], 3);
        EXPECT_EQ(real->m_profile[17], 1);
        EXPECT_EQ(real->m_profile[20], 1);
        EXPECT_EQ(real->m_profile[22], 1);
        EXPECT_EQ(real->m_profile[23], 1);
        EXPECT_EQ(std::string(real->m_strTitle), "Harbour Lights");
        EXPECT_EQ(std::string(real->m_strAuthor), "Ann Example");
        EXPECT_EQ(std::string(real->m_strCopyright), "(c) 2026 Ann Example");
    }
}

} // namespace
