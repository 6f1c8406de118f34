// Long productions whose sound carries a click at every whole second: the
// clicks must come out where their seconds fall in the produced file, to
// within one frame, from the first minute to the last.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::TempDir;

constexpr int kSeconds = 90;

void PutLe(std::vector<unsigned char>& bytes, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A 16-bit PCM WAV of `seconds` of silence at `rate` with a short click
// (four samples, on every channel) at the start of every whole second.
std::vector<unsigned char> ClickWav(int rate, int channels, int seconds)
{
    const std::uint32_t frames = static_cast<std::uint32_t>(rate) * static_cast<std::uint32_t>(seconds);
    const std::uint32_t samples = frames * static_cast<std::uint32_t>(channels);
    std::vector<unsigned char> bytes;
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    PutLe(bytes, 36 + samples * 2, 4);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(bytes, 16, 4);
    PutLe(bytes, 1, 2);
    PutLe(bytes, static_cast<std::uint32_t>(channels), 2);
    PutLe(bytes, static_cast<std::uint32_t>(rate), 4);
    PutLe(bytes, static_cast<std::uint32_t>(rate * channels) * 2, 4);
    PutLe(bytes, static_cast<std::uint32_t>(channels) * 2, 2);
    PutLe(bytes, 16, 2);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    PutLe(bytes, samples * 2, 4);
    for (std::uint32_t i = 0; i < samples; ++i) {
        const bool click = i / static_cast<std::uint32_t>(channels) % static_cast<std::uint32_t>(rate) < 4;
        PutLe(bytes, click ? 24000u : 0u, 2);
    }
    return bytes;
}

struct SyncCase {
    const char* name;
    // The clicks' own rate and channels.
    int sourceRate;
    int sourceChannels;
    // Whether the clicks play on a still rather than a colour scene.
    bool still;
    // The produced sound.
    int pcmIndex;
    int rate;
    int channels;
    int bits;
    int frameTime;
};

// The first channel's samples of the produced sound, centred on zero.
std::vector<int> FirstChannel(const media_fixtures::ReadBackFile& file, int channels, int bits)
{
    std::vector<int> samples;
    const size_t width = static_cast<size_t>(bits / 8) * static_cast<size_t>(channels);
    for (size_t at = 0; at + width <= file.audioBytes.size(); at += width) {
        if (bits == 8)
            samples.push_back(file.audioBytes[at] - 128);
        else
            samples.push_back(static_cast<int16_t>(file.audioBytes[at] | (file.audioBytes[at + 1] << 8)));
    }
    return samples;
}

class ProduceSoundSync : public testing::TestWithParam<SyncCase> {
protected:
    void SetUp() override { media_fixtures::QuietMediaLogs(); }

    TempDir m_dir;
};

TEST_P(ProduceSoundSync, ClicksStayOnTheirSecondsToTheEnd)
{
    const SyncCase& c = GetParam();
    const std::string clicks = m_dir.File("clicks.wav");
    ASSERT_TRUE(media_fixtures::WriteBytes(clicks, ClickWav(c.sourceRate, c.sourceChannels, kSeconds)));
    auto storyboard = c.still ? std::make_unique<Storyboard>() : ProduceStoryboard("C" + std::to_string(kSeconds));
    if (c.still) {
        const std::string still = m_dir.File("still.bmp");
        ASSERT_TRUE(media_fixtures::WriteStill(still, media_fixtures::StillKind::Bmp24, 64, 48));
        auto* picture = new Scene(still.c_str());
        picture->SetDuration(Seconds(kSeconds));
        storyboard->SetItem(picture, 0);
        storyboard->RecomputeTimes();
    }
    ASSERT_TRUE(AttachSound(*storyboard, 0, clicks.c_str()));

    CProductionSettings settings;
    ProductionParams& params = settings.GetParams();
    const std::string target = m_dir.File("clicks.avi");
    std::strncpy(params.m_szOutputPath, target.c_str(), sizeof params.m_szOutputPath - 1);
    params.m_nOutputType = 1;
    params.m_nWidth = 64;
    params.m_nHeight = 48;
    params.m_nFrameMicroseconds = c.frameTime;
    params.m_wBitsPerPixel = 24;
    params.m_Compress.fccType = mmioFOURCC('v', 'i', 'd', 's');
    params.m_Compress.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
    params.m_Compress.dwFlags = AVICOMPRESSF_VALID;
    params.m_nPcmFormatIndex = c.pcmIndex;
    CProducer producer(storyboard.get(), &settings, nullptr);
    ASSERT_EQ(producer.Prepare(0, 0x7FFF), 0);
    CString name;
    ASSERT_EQ(producer.Produce(name), 0);

    media_fixtures::ReadBackFile file;
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(target, file));
    ASSERT_EQ(file.audioRate, c.rate);
    ASSERT_EQ(file.audioChannels, c.channels);
    const std::vector<int> samples = FirstChannel(file, c.channels, c.bits);
    const double frameSamples = static_cast<double>(c.rate) * c.frameTime / 1e6;
    EXPECT_NEAR(static_cast<double>(samples.size()), static_cast<double>(c.rate) * kSeconds, frameSamples);

    // Each click is the loudest sample within half a second of its place;
    // the faded first and last seconds are left out.
    long long worst = 0;
    long long last = 0;
    for (int k = 1; k < kSeconds - 1; ++k) {
        const long long expected = static_cast<long long>(k) * c.rate;
        long long found = -1;
        int peak = 0;
        for (long long i = expected - c.rate / 2; i < expected + c.rate / 2; ++i) {
            if (i >= 0 && i < static_cast<long long>(samples.size()) && std::abs(samples[static_cast<size_t>(i)]) > peak) {
                peak = std::abs(samples[static_cast<size_t>(i)]);
                found = i;
            }
        }
        ASSERT_GT(peak, c.bits == 8 ? 20 : 2000) << "second " << k;
        last = found - expected;
        if (std::llabs(last) > std::llabs(worst))
            worst = last;
    }
    std::printf("[ %s ] click offset at %d s: %lld samples (%.2f ms), worst %lld samples\n", c.name, kSeconds - 2,
                last, 1000.0 * static_cast<double>(last) / c.rate, worst);
    EXPECT_LE(static_cast<double>(std::llabs(worst)), frameSamples);
}

INSTANTIATE_TEST_SUITE_P(Formats, ProduceSoundSync,
                         testing::Values(SyncCase{"Mono8At11025TenFps", 11025, 1, false, 2, 11025, 1, 8, 100000},
                                         SyncCase{"Mono8At11025Ntsc", 11025, 1, false, 2, 11025, 1, 8, 33366},
                                         SyncCase{"Stereo16At44100Ntsc", 44100, 2, false, 13, 44100, 2, 16, 33366},
                                         SyncCase{"From48000ToMono8At11025Ntsc", 48000, 2, false, 2, 11025, 1, 8, 33366},
                                         SyncCase{"From48000ToStereo16At44100Ntsc", 48000, 2, false, 13, 44100, 2, 16,
                                                  33366},
                                         SyncCase{"StillFrom48000ToStereo16At44100Ntsc", 48000, 2, true, 13, 44100, 2,
                                                  16, 33366},
                                         SyncCase{"StillMono8At11025TenFps", 11025, 1, true, 2, 11025, 1, 8, 100000}),
                         [](const testing::TestParamInfo<SyncCase>& info) { return std::string(info.param.name); });

} // namespace
