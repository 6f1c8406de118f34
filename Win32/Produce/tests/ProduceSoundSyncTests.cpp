// Long productions whose sound carries a click at every whole second: the
// clicks must come out where their seconds fall in the produced file, to
// within a few samples, scene after scene. Each frame's sound block is its
// span rounded to whole samples; the rounding must not pile up from one
// scene to the next.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/DvProductionFixture.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Media/tests/GraphTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::TempDir;

// Three scenes of 30 s, or one still of 90 s.
constexpr int kSeconds = 90;
// The samples a click may come late by through the sound's conversions.
constexpr long long kResamplingDelay = 6;

void PutLe(std::vector<unsigned char>& bytes, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void PutTag(std::vector<unsigned char>& bytes, const char* tag)
{
    for (; *tag != 0; ++tag)
        bytes.push_back(static_cast<unsigned char>(*tag));
}

// A 16-bit PCM WAV of `seconds` of silence at `rate` with a short click
// (four samples, on every channel) at the start of every whole second.
std::vector<unsigned char> ClickWav(int rate, int channels, int seconds)
{
    const std::uint32_t frames = static_cast<std::uint32_t>(rate) * static_cast<std::uint32_t>(seconds);
    const std::uint32_t samples = frames * static_cast<std::uint32_t>(channels);
    std::vector<unsigned char> bytes;
    PutTag(bytes, "RIFF");
    PutLe(bytes, 36 + samples * 2, 4);
    PutTag(bytes, "WAVEfmt ");
    PutLe(bytes, 16, 4);
    PutLe(bytes, 1, 2);
    PutLe(bytes, static_cast<std::uint32_t>(channels), 2);
    PutLe(bytes, static_cast<std::uint32_t>(rate), 4);
    PutLe(bytes, static_cast<std::uint32_t>(rate * channels) * 2, 4);
    PutLe(bytes, static_cast<std::uint32_t>(channels) * 2, 2);
    PutLe(bytes, 16, 2);
    PutTag(bytes, "data");
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
    // Whether the clicks play on a still rather than three colour scenes,
    // and the seconds of the dissolves between the scenes.
    bool still;
    int overlap;
    // The produced sound.
    int pcmIndex;
    int rate;
    int channels;
    int bits;
    int frameTime;
};

void PrintTo(const SyncCase& c, std::ostream* os) { *os << c.name; }

// The first channel's samples of the produced sound, centred on zero.
std::vector<int> FirstChannel(const media_fixtures::ReadBackFile& file, int channels, int bits)
{
    std::vector<int> samples;
    const size_t width = static_cast<size_t>(bits / 8) * static_cast<size_t>(channels);
    for (size_t at = 0; at + width <= file.audioBytes.size(); at += width) {
        if (bits == 8)
            samples.push_back(file.audioBytes[at] - 128);
    }
    for (size_t at = 0; bits == 16 && at < file.audio16.size(); at += static_cast<size_t>(channels))
        samples.push_back(file.audio16[at]);
    return samples;
}

// The offset (in samples, the largest over the production) of every
// click from its place: the production is `scenes` scenes of
// `sceneSeconds` each, overlapping by `overlap` seconds, each playing the
// clicks from its first frame (the first frame whose middle lies past the
// scene's start); each click is the loudest sample within half a second of
// its place. A scene's first second and its overlaps with its neighbours
// (where sounds fade and mix) are left out, and so is the production's
// last second.
long long ClickOffset(const std::vector<int>& samples, int rate, int scenes, int sceneSeconds, int overlap,
                      int frameTime, int bits, const char* name)
{
    const double frame = frameTime / 1e6;
    long long worst = 0;
    long long first = 0;
    long long last = 0;
    int lastSecond = 0;
    for (int scene = 0; scene < scenes; ++scene) {
        const int sceneStart = scene * (sceneSeconds - overlap);
        const double firstFrame = std::floor(sceneStart / frame - 0.5) + 1;
        for (int i = overlap + 1; i < sceneSeconds - std::max(overlap, 1); ++i) {
            const long long expected = std::llround(firstFrame * frame * rate) + static_cast<long long>(i) * rate;
            long long found = -1;
            int peak = 0;
            for (long long at = expected - rate / 2; at < expected + rate / 2; ++at) {
                if (at >= 0 && at < static_cast<long long>(samples.size())
                    && std::abs(samples[static_cast<size_t>(at)]) > peak) {
                    peak = std::abs(samples[static_cast<size_t>(at)]);
                    found = at;
                }
            }
            EXPECT_GT(peak, bits == 8 ? 20 : 2000) << "scene " << scene << " second " << i;
            last = found - expected;
            lastSecond = sceneStart + i;
            if (scene == 0 && i == overlap + 1)
                first = last;
            if (std::llabs(last) > std::llabs(worst))
                worst = last;
        }
    }
    std::printf("[ %s ] click offset first: %lld, at %d s: %lld samples (%.2f ms), worst %lld samples\n", name,
                first, lastSecond, last, 1000.0 * static_cast<double>(last) / rate, worst);
    return worst;
}

// Produces `storyboard` to an uncompressed 64 x 48 AVI in the case's frame
// time and sound format, and reads it back.
void ProduceAvi(Storyboard& storyboard, const std::string& target, const SyncCase& c,
                media_fixtures::ReadBackFile& file)
{
    CProductionSettings settings;
    ProductionParams& params = settings.GetParams();
    SetAviOutput(params, target, mmioFOURCC('D', 'I', 'B', ' '), 64, 48, c.frameTime);
    params.m_nPcmFormatIndex = c.pcmIndex;
    CProducer producer(&storyboard, &settings, nullptr);
    ASSERT_EQ(producer.Prepare(0, 0x7FFF), 0);
    CString name;
    ASSERT_EQ(producer.Produce(name), 0);

    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(target, file));
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
    const int scenes = c.still ? 1 : 3;
    ASSERT_TRUE(media_fixtures::WriteBytes(clicks, ClickWav(c.sourceRate, c.sourceChannels, kSeconds / scenes)));
    std::string layout;
    for (int scene = 0; scene < scenes; ++scene)
        layout += (scene > 0 ? (c.overlap > 0 ? " D" + std::to_string(c.overlap) + " " : " _ ") : "") + "C"
                  + std::to_string(kSeconds / scenes);
    auto storyboard = c.still ? std::make_unique<Storyboard>() : ProduceStoryboard(layout);
    if (c.still) {
        const std::string still = m_dir.File("still.bmp");
        ASSERT_TRUE(media_fixtures::WriteStill(still, media_fixtures::StillKind::Bmp24, 64, 48));
        auto* picture = new Scene(still.c_str());
        picture->SetDuration(Seconds(kSeconds));
        storyboard->SetItem(picture, 0);
        storyboard->RecomputeTimes();
    }
    for (int scene = 0; scene < scenes; ++scene)
        ASSERT_TRUE(AttachSound(*storyboard, 2 * scene, clicks.c_str()));

    const std::string target = m_dir.File("clicks.avi");
    media_fixtures::ReadBackFile file;
    ASSERT_NO_FATAL_FAILURE(ProduceAvi(*storyboard, target, c, file));
    ASSERT_EQ(file.audioRate, c.rate);
    ASSERT_EQ(file.audioChannels, c.channels);
    const std::vector<int> samples = FirstChannel(file, c.channels, c.bits);
    const double frameSamples = static_cast<double>(c.rate) * c.frameTime / 1e6;
    EXPECT_NEAR(static_cast<double>(samples.size()), static_cast<double>(c.rate) * (kSeconds - (scenes - 1) * c.overlap), frameSamples);

    const long long worst = ClickOffset(samples, c.rate, scenes, kSeconds / scenes, c.overlap, c.frameTime, c.bits,
                                        c.name);
    // After a dissolve the next scene's sound may sit a millisecond or so
    // off (once, not growing from scene to scene).
    EXPECT_LE(std::llabs(worst), c.overlap > 0 ? c.rate / 500 : kResamplingDelay);
}

INSTANTIATE_TEST_SUITE_P(Formats, ProduceSoundSync,
                         testing::Values(SyncCase{"Mono8At11025TenFps", 11025, 1, false, 0, 2, 11025, 1, 8, 100000},
                                         SyncCase{"Mono8At11025Ntsc", 11025, 1, false, 0, 2, 11025, 1, 8, 33366},
                                         SyncCase{"Stereo16At44100Ntsc", 44100, 2, false, 0, 13, 44100, 2, 16, 33366},
                                         SyncCase{"From48000ToMono8At11025Ntsc", 48000, 2, false, 0, 2, 11025, 1, 8, 33366},
                                         SyncCase{"From48000ToStereo16At44100Ntsc", 48000, 2, false, 0, 13, 44100, 2, 16,
                                                  33366},
                                         SyncCase{"StillFrom48000ToStereo16At44100Ntsc", 48000, 2, true, 0, 13, 44100, 2,
                                                  16, 33366},
                                         SyncCase{"StillMono8At11025TenFps", 11025, 1, true, 0, 2, 11025, 1, 8, 100000},
                                         SyncCase{"DissolvesMono8At11025TenFps", 11025, 1, false, 1, 2, 11025, 1, 8,
                                                  100000},
                                         SyncCase{"DissolvesStereo16At44100Ntsc", 44100, 2, false, 1, 13, 44100, 2,
                                                  16, 33366}),
                         [](const testing::TestParamInfo<SyncCase>& info) { return std::string(info.param.name); });

} // namespace

// A 60 s clip of its own pictures and sound (a 440 Hz tone from its first
// sample) followed by 3 s of silent colour: the tone keeps its phase from
// the first seconds to the last and stops at the cut.
class ProduceVideoSoundSync : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const char* module : {"Grabwell", "Reverbix", "Switcher"})
            ASSERT_EQ(graph_test::CallModule(module, "DllRegisterServer"), S_OK) << module;
    }
    void SetUp() override { media_fixtures::QuietMediaLogs(); }

    TempDir m_dir;
};

// The lag (in samples, within half a period) at which the 440 Hz tone in
// `samples` from `from` on best matches the tone started at sample 0.
int ToneLag(const std::vector<int>& samples, size_t from, int rate)
{
    const double period = static_cast<double>(rate) / 440;
    int best = 0;
    double bestSum = -1e300;
    for (int lag = -static_cast<int>(period / 2); lag <= static_cast<int>(period / 2); ++lag) {
        double sum = 0;
        for (size_t i = from; i < from + 4096 && i < samples.size(); ++i)
            sum += samples[i] * std::sin(2 * M_PI * 440 * (static_cast<double>(i) - lag) / rate);
        if (sum > bestSum) {
            bestSum = sum;
            best = lag;
        }
    }
    return best;
}

TEST_F(ProduceVideoSoundSync, ClipToneKeepsItsPhaseAndEndsAtTheCut)
{
    constexpr int kClipSeconds = 60;
    playback_test::Clip clip;
    clip.video = "mjpeg";
    clip.pixels = "yuvj420p";
    clip.width = 64;
    clip.height = 48;
    clip.frames = kClipSeconds * 25;
    clip.audio = "pcm_s16le";
    const std::string movie = m_dir.File("movie.avi");
    ASSERT_TRUE(playback_test::WriteClip(movie, clip));
    auto storyboard = std::make_unique<Storyboard>();
    storyboard->SetItem(new Scene(movie.c_str()), 0);
    storyboard->SetItem(MakeColourScene(3), 2);
    storyboard->RecomputeTimes();

    const SyncCase c{"Stereo16At44100Ntsc", 48000, 2, false, 0, 13, 44100, 2, 16, 33366};
    const std::string target = m_dir.File("produced.avi");
    media_fixtures::ReadBackFile file;
    ASSERT_NO_FATAL_FAILURE(ProduceAvi(*storyboard, target, c, file));
    const std::vector<int> samples = FirstChannel(file, c.channels, c.bits);
    const double frameSamples = static_cast<double>(c.rate) * c.frameTime / 1e6;
    ASSERT_NEAR(static_cast<double>(samples.size()), static_cast<double>(c.rate) * (kClipSeconds + 3), frameSamples);

    const int early = ToneLag(samples, static_cast<size_t>(2 * c.rate), c.rate);
    const int late = ToneLag(samples, static_cast<size_t>((kClipSeconds - 2) * c.rate), c.rate);
    // The tone's last loud sample against the cut.
    long long end = static_cast<long long>(samples.size()) - 1;
    while (end > 0 && std::abs(samples[static_cast<size_t>(end)]) < 1000)
        --end;
    const long long cut = static_cast<long long>(kClipSeconds) * c.rate;
    std::printf("[ clip ] tone lag at 2 s: %d, at %d s: %d samples; tone ends %lld samples (%.2f ms) from the cut\n",
                early, kClipSeconds - 2, late, end - cut, 1000.0 * static_cast<double>(end - cut) / c.rate);
    EXPECT_LE(std::abs(late - early), 4);
    EXPECT_LE(static_cast<double>(std::llabs(end - cut)), frameSamples);
}

// Clicks on a colour scene produced to NTSC DV with 48 kHz sound, type 1
// (sound inside the DV frames) and type 2 (a PCM stream beside them).
class ProduceDvSoundSync : public DvProductionTest, public testing::WithParamInterface<int> {};

TEST_P(ProduceDvSoundSync, ClicksStayOnTheirSecondsToTheEnd)
{
    constexpr int kDvSeconds = 30;
    Dv1394StackSetting stack;
    stack.busLibraryPresent = GetParam() == 2;
    SetDv1394StackSetting(stack);
    const std::string clicks = m_dir.File("clicks.wav");
    ASSERT_TRUE(media_fixtures::WriteBytes(clicks, ClickWav(48000, 2, kDvSeconds)));
    auto storyboard = ProduceStoryboard("C" + std::to_string(kDvSeconds));
    ASSERT_TRUE(AttachSound(*storyboard, 0, clicks.c_str()));

    CProductionSettings settings;
    ProductionParams& params = settings.GetParams();
    const std::string target = m_dir.File("clicks.avi");
    SetDvOutput(params, target, false, 3);
    CProducer producer(storyboard.get(), &settings, nullptr);
    ASSERT_EQ(producer.Prepare(0, 0x7FFF), 0);
    CString name;
    ASSERT_EQ(producer.Produce(name), 0);

    media_fixtures::ReadBackFile file;
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(target, file));
    ASSERT_EQ(file.audioRate, 48000);
    const std::vector<int> samples = FirstChannel(file, 2, 16);
    const double frameSamples = 48000 * 0.033366;
    EXPECT_NEAR(static_cast<double>(samples.size()), 48000.0 * kDvSeconds, frameSamples);
    const std::string label = "DvType" + std::to_string(GetParam());
    EXPECT_LE(std::llabs(ClickOffset(samples, 48000, 1, kDvSeconds, 0, 33366, 16, label.c_str())),
              kResamplingDelay);
}

INSTANTIATE_TEST_SUITE_P(Types, ProduceDvSoundSync, testing::Values(1, 2));
