#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "Win32/Sb/Audio/AudioProcessor.h"

namespace {

std::vector<BYTE> Pcm16(const std::vector<int>& samples)
{
    std::vector<BYTE> bytes;
    for (int s : samples) {
        bytes.push_back(static_cast<BYTE>(s & 0xFF));
        bytes.push_back(static_cast<BYTE>((s >> 8) & 0xFF));
    }
    return bytes;
}

std::vector<int> Samples16(const std::vector<BYTE>& bytes, std::size_t count)
{
    std::vector<int> samples;
    for (std::size_t i = 0; i < count; ++i)
        samples.push_back(static_cast<SHORT>(bytes[2 * i] | bytes[2 * i + 1] << 8));
    return samples;
}

// What the engine makes of a 16-bit sample at unity gain: scaled to 32000.
int Scaled(int sample) { return static_cast<int>(std::lrint(sample * 32000.0 / 32768.0)); }

// Feeds `input` (16-bit, `channels` interleaved) in 256-frame pieces and
// reads everything out.
std::vector<int> Run16(CAudioProcessor& engine, const std::vector<int>& input, int channels, int outChannels)
{
    const std::vector<BYTE> bytes = Pcm16(input);
    const int frames = static_cast<int>(input.size()) / channels;
    std::vector<BYTE> out(static_cast<std::size_t>(frames + 4096) * 2 * outChannels * 4);
    const int made = engine.ProcessAll(frames, bytes.data(), out.data(), FALSE);
    return Samples16(out, static_cast<std::size_t>(made) * outChannels);
}

TEST(AudioProcessor, InitAnswersFramesPerBlockAndRoundsTheBlockUp)
{
    CAudioProcessor engine;
    EXPECT_EQ(engine.Init(256, 11025, 16, 0, 16, 2, 2), 256);
    EXPECT_EQ(engine.Init(300, 44100, 16, 22050, 16, 2, 2), 150);
    // The block is 512 frames: one feed takes at most that many.
    std::vector<BYTE> input(600 * 4);
    EXPECT_EQ(engine.Feed(600, input.data(), FALSE), 512);
    float high = -1.0f;
    float low = -1.0f;
    engine.GetCutoffs(&high, &low);
    EXPECT_EQ(high, 0.0f);
    EXPECT_EQ(low, 11025.0f);
}

TEST(AudioProcessor, InitRefusesWhatItCannotConvert)
{
    CAudioProcessor engine;
    EXPECT_EQ(engine.Init(256, 11025, 24, 0, 16, 2, 2), 0);
    EXPECT_EQ(engine.Init(256, 0, 16, 0, 16, 2, 2), 0);
    EXPECT_EQ(engine.Init(0, 11025, 16, 0, 16, 2, 2), 0);
    BYTE out[16];
    EXPECT_EQ(engine.Feed(4, out, TRUE), 0);
    EXPECT_EQ(engine.Read(4, out), 0);
}

TEST(AudioProcessor, OutputStartsHalfABlockIn)
{
    CAudioProcessor engine;
    ASSERT_EQ(engine.Init(256, 11025, 16, 0, 16, 1, 1), 256);
    std::vector<BYTE> input(256 * 2);
    std::vector<BYTE> out(1024 * 2);
    EXPECT_EQ(engine.Feed(256, input.data(), FALSE), 256);
    EXPECT_EQ(engine.Read(1024, out.data()), 128);
    EXPECT_EQ(engine.Feed(256, input.data(), FALSE), 256);
    EXPECT_EQ(engine.Read(1024, out.data()), 256);
}

TEST(AudioProcessor, SixteenBitFullScaleComesOutAt32000AndClipsThere)
{
    const std::vector<int> input(1024, 32767);
    CAudioProcessor engine;
    ASSERT_NE(engine.Init(256, 11025, 16, 0, 16, 1, 1), 0);
    std::vector<int> out = Run16(engine, input, 1, 1);
    ASSERT_GT(out.size(), 500u);
    EXPECT_EQ(out[400], 31999);
    EXPECT_FALSE(engine.ChannelClipped(0));
    EXPECT_FALSE(engine.AnyClipped());

    engine.Init(256, 11025, 16, 0, 16, 1, 1);
    engine.SetMasterLevel(200);
    out = Run16(engine, input, 1, 1);
    EXPECT_EQ(out[400], 32000);
    EXPECT_TRUE(engine.ChannelClipped(0));
    EXPECT_TRUE(engine.AnyClipped());
    // The report is taken by the call.
    EXPECT_FALSE(engine.AnyClipped());
}

struct EightBitCase {
    BYTE in;
    int percent;
    BYTE out;
    bool clipped;
};

// Unsigned 8-bit samples are centred at 128 on both sides: silence stays
// silence and the extremes come back unchanged.
TEST(AudioProcessor, EightBitSamplesAreCentredAt128)
{
    const EightBitCase cases[] = {
        {128, 100, 128, false}, {255, 100, 255, false}, {0, 100, 0, false},
        {192, 100, 192, false}, {255, 200, 255, true},  {0, 200, 0, true},
    };
    for (const EightBitCase& c : cases) {
        CAudioProcessor engine;
        ASSERT_NE(engine.Init(256, 11025, 8, 0, 8, 1, 1), 0);
        engine.SetMasterLevel(c.percent);
        const std::vector<BYTE> input(1024, c.in);
        std::vector<BYTE> out(4096);
        const int made = engine.ProcessAll(1024, input.data(), out.data(), FALSE);
        ASSERT_GT(made, 500);
        EXPECT_EQ(out[400], c.out) << int(c.in) << " at " << c.percent;
        EXPECT_EQ(engine.ChannelClipped(0) != FALSE, c.clipped) << int(c.in) << " at " << c.percent;
    }
}

TEST(AudioProcessor, SilentEightBitInputsMixToSilence)
{
    CAudioProcessor engine;
    ASSERT_NE(engine.Init(256, 11025, 8, 0, 8, 1, 1), 0);
    const std::vector<BYTE> silence(1024, 128);
    const BYTE* inputs[5] = {silence.data(), silence.data(), silence.data(), silence.data(), silence.data()};
    std::vector<BYTE> out(4096);
    const int made = engine.ProcessAllInputs(1024, 5, inputs, out.data());
    ASSERT_GT(made, 500);
    for (int i = 0; i < made; ++i)
        ASSERT_EQ(out[i], 128) << i;
}

TEST(AudioProcessor, InputsAreAddedAtTheirGains)
{
    CAudioProcessor engine;
    ASSERT_NE(engine.Init(256, 11025, 16, 0, 16, 1, 1), 0);
    const float gains[2] = {1.0f, 0.5f};
    EXPECT_EQ(engine.SetGains(2, gains, 0.0f), 2);
    const std::vector<BYTE> a = Pcm16(std::vector<int>(1024, 8000));
    const std::vector<BYTE> b = Pcm16(std::vector<int>(1024, 4000));
    const BYTE* inputs[3] = {a.data(), nullptr, b.data()};
    // The third input takes entry 2, whose gain is still 1.
    std::vector<BYTE> out(8192);
    int made = engine.ProcessAllInputs(1024, 3, inputs, out.data());
    ASSERT_GT(made, 500);
    EXPECT_EQ(Samples16(out, 500)[400], Scaled(12000));
    const BYTE* two[2] = {a.data(), b.data()};
    engine.Init(256, 11025, 16, 0, 16, 1, 1);
    engine.SetGains(2, gains, 0.0f);
    made = engine.ProcessAllInputs(1024, 2, two, out.data());
    EXPECT_EQ(Samples16(out, 500)[400], Scaled(10000));
}

TEST(AudioProcessor, GainRampsLinearlyOverItsTimeAndStaysOnTarget)
{
    CAudioProcessor engine;
    ASSERT_NE(engine.Init(256, 11025, 16, 0, 16, 1, 1), 0);
    engine.SetGain(0, 0.0f, 0.0f);
    engine.SetGain(0, 1.0f, 1.0f);
    const std::vector<BYTE> input = Pcm16(std::vector<int>(22050, 16384));
    const BYTE* inputs[1] = {input.data()};
    std::vector<BYTE> out(30000 * 2);
    const int made = engine.ProcessAllInputs(22050, 1, inputs, out.data());
    ASSERT_GT(made, 20000);
    const std::vector<int> samples = Samples16(out, static_cast<std::size_t>(made));
    // With equal rates an output frame is the input frame of the same index.
    EXPECT_EQ(samples[0], 0);
    EXPECT_NEAR(samples[5512], 8000, 2);
    EXPECT_NEAR(samples[11024], 16000, 2);
    EXPECT_EQ(samples[11025], 16000);
    EXPECT_EQ(samples[20000], 16000);
}

TEST(AudioProcessor, EveryGainEntryCanBeSet)
{
    CAudioProcessor engine;
    ASSERT_NE(engine.Init(256, 11025, 16, 0, 16, 2, 2), 0);
    // Input 40, channel 1: entry 81, past the first 64.
    engine.SetGain(81, 0.5f, 0.0f);
    const std::vector<BYTE> input = Pcm16(std::vector<int>(2048, 16000));
    std::vector<const BYTE*> inputs(41, nullptr);
    inputs[40] = input.data();
    std::vector<BYTE> out(8192 * 2);
    const int made = engine.ProcessAllInputs(1024, 41, inputs.data(), out.data());
    ASSERT_GT(made, 500);
    const std::vector<int> samples = Samples16(out, static_cast<std::size_t>(made) * 2);
    EXPECT_EQ(samples[800], Scaled(16000));
    EXPECT_EQ(samples[801], Scaled(8000));
}

TEST(AudioProcessor, ChannelCountsAreLimitedToFourAndDownmixedByTheMean)
{
    CAudioProcessor engine;
    ASSERT_NE(engine.Init(256, 11025, 16, 0, 16, 6, 6), 0);
    EXPECT_EQ(engine.GetInputChannels(), 4);

    ASSERT_NE(engine.Init(256, 11025, 16, 0, 16, 2, 1), 0);
    std::vector<int> input;
    for (int i = 0; i < 1024; ++i) {
        input.push_back(1000);
        input.push_back(3001);
    }
    const std::vector<int> out = Run16(engine, input, 2, 1);
    ASSERT_GT(out.size(), 500u);
    EXPECT_EQ(out[400], (Scaled(1000) + Scaled(3001)) / 2);
}

TEST(AudioProcessor, MonoIsCopiedToEveryOutputChannel)
{
    CAudioProcessor engine;
    ASSERT_NE(engine.Init(256, 11025, 16, 0, 16, 1, 2), 0);
    const std::vector<int> out = Run16(engine, std::vector<int>(1024, 5000), 1, 2);
    ASSERT_GT(out.size(), 1000u);
    EXPECT_EQ(out[800], Scaled(5000));
    EXPECT_EQ(out[801], Scaled(5000));
}

// An engine's clipping report is its own: another engine's check neither
// sees nor takes it.
TEST(AudioProcessor, ClippingReportsBelongToTheirEngine)
{
    CAudioProcessor loud;
    CAudioProcessor quiet;
    ASSERT_NE(loud.Init(256, 11025, 16, 0, 16, 1, 1), 0);
    ASSERT_NE(quiet.Init(256, 11025, 16, 0, 16, 1, 1), 0);
    loud.SetMasterLevel(300);
    Run16(loud, std::vector<int>(1024, 20000), 1, 1);
    Run16(quiet, std::vector<int>(1024, 20000), 1, 1);
    EXPECT_FALSE(quiet.AnyClipped());
    EXPECT_TRUE(loud.AnyClipped());
}

// The shaped noise of 8-bit output runs from the start of the table in
// every engine, so two engines given the same input give the same output.
TEST(AudioProcessor, NoiseIsSmallAndEachEngineHasItsOwnPosition)
{
    std::vector<BYTE> outputs[2];
    for (std::vector<BYTE>& out : outputs) {
        CAudioProcessor engine;
        ASSERT_NE(engine.Init(256, 11025, 8, 0, 8, 1, 1), 0);
        engine.SetNoise(TRUE);
        const std::vector<BYTE> silence(4096, 128);
        out.assign(8192, 0);
        out.resize(static_cast<std::size_t>(engine.ProcessAll(4096, silence.data(), out.data(), FALSE)));
    }
    ASSERT_GT(outputs[0].size(), 2000u);
    EXPECT_EQ(outputs[0], outputs[1]);
    bool varied = false;
    for (BYTE b : outputs[0]) {
        EXPECT_NEAR(b, 128, 3);
        varied = varied || b != 128;
    }
    EXPECT_TRUE(varied);
}

TEST(AudioProcessor, MasterGainInDecibelsRoundTrips)
{
    CAudioProcessor engine;
    ASSERT_NE(engine.Init(256, 11025, 16, 0, 16, 1, 1), 0);
    float db = 0.0f;
    engine.SetMasterGainDb(3.0f);
    engine.GetMasterGainDb(&db);
    EXPECT_NEAR(db, 3.0f, 1e-4);
    engine.SetMasterLevel(50);
    engine.GetMasterGainDb(&db);
    EXPECT_NEAR(db, -3.01f, 1e-4);
}

TEST(AudioProcessor, EqualiserBandsAreCheckedAndKeepTheirGains)
{
    CAudioProcessor engine;
    ASSERT_NE(engine.Init(256, 44100, 16, 0, 16, 1, 1), 0);
    INT count = -1;
    float hz[61] = {};
    EXPECT_FALSE(engine.GetBandFrequencies(&count, hz));
    EXPECT_EQ(count, 0);
    std::vector<float> tooMany(62);
    for (int i = 0; i < 62; ++i)
        tooMany[static_cast<std::size_t>(i)] = 100.0f + 100.0f * static_cast<float>(i);
    EXPECT_FALSE(engine.SetBandFrequencies(62, tooMany.data()));
    const float bands[3] = {100.0f, 1000.0f, 10000.0f};
    ASSERT_TRUE(engine.SetBandFrequencies(3, bands));
    EXPECT_TRUE(engine.SetBandGain(1, -6.0f));
    EXPECT_FALSE(engine.SetBandGain(3, 0.0f));
    float db = 0.0f;
    EXPECT_TRUE(engine.GetBandGain(1, &db));
    EXPECT_NEAR(db, -6.0f, 1e-4);
    EXPECT_TRUE(engine.GetBandFrequencies(&count, hz));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(hz[2], 10000.0f);
}

double Rms(const std::vector<int>& samples, std::size_t from)
{
    double sum = 0.0;
    for (std::size_t i = from; i < samples.size(); ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(samples.size() - from));
}

std::vector<int> Tone(double hz, int rate, int frames, double amplitude)
{
    std::vector<int> samples;
    for (int i = 0; i < frames; ++i)
        samples.push_back(static_cast<int>(std::lrint(amplitude * std::sin(2.0 * M_PI * hz * i / rate))));
    return samples;
}

// Down to half the rate, the engine's own low-pass keeps a tone above the
// new Nyquist frequency from folding back into the band.
TEST(AudioProcessor, DownsamplingFiltersWhatWouldAlias)
{
    CAudioProcessor engine;
    ASSERT_EQ(engine.Init(512, 44100, 16, 22050, 16, 1, 1), 256);
    const double passed = Rms(Run16(engine, Tone(1000.0, 44100, 44100, 16000.0), 1, 1), 2048);
    engine.Init(512, 44100, 16, 22050, 16, 1, 1);
    const double stopped = Rms(Run16(engine, Tone(16000.0, 44100, 44100, 16000.0), 1, 1), 2048);
    EXPECT_GT(passed, 10000.0);
    EXPECT_LT(stopped, passed * 0.05);
}

// An hour at 8000 Hz resampled to 11025 Hz: the last frames are where a
// fixed phase puts them. Output frame m stands at input position
// (m + s) x 8000 / 11025 - 129, where s is the half of the first block's
// 353 frames that is skipped and 129 the block's leading zeros and its
// 1-based start.
TEST(AudioProcessor, AnHourOfResamplingStaysInPhase)
{
    constexpr int inRate = 8000;
    constexpr int outRate = 11025;
    constexpr double hz = 200.0;
    constexpr double amplitude = 16000.0;
    constexpr std::int64_t hour = 3600LL * inRate;
    CAudioProcessor engine;
    ASSERT_EQ(engine.Init(256, inRate, 16, outRate, 16, 1, 1), 352);
    std::vector<BYTE> piece(256 * 2);
    std::vector<BYTE> out(4096 * 2);
    std::int64_t read = 0;
    std::int64_t fed = 0;
    int worst = 0;
    int checked = 0;
    while (fed < hour) {
        for (int k = 0; k < 256; ++k) {
            const double phase = 2.0 * M_PI * hz * static_cast<double>((fed + k) % inRate) / inRate;
            const int s = static_cast<int>(std::lrint(amplitude * std::sin(phase)));
            piece[2 * k] = static_cast<BYTE>(s & 0xFF);
            piece[2 * k + 1] = static_cast<BYTE>((s >> 8) & 0xFF);
        }
        fed += engine.Feed(256, piece.data(), FALSE);
        const int made = engine.Read(4096, out.data());
        if (fed > hour - inRate) {
            for (int i = 0; i < made; ++i) {
                const std::int64_t m = read + i;
                const double position = static_cast<double>((m + 176) * inRate % (outRate * 40)) / outRate - 129.0;
                const double expected = 32000.0 / 32768.0 * amplitude * std::sin(2.0 * M_PI * hz * position / inRate);
                const int actual = static_cast<SHORT>(out[2 * i] | out[2 * i + 1] << 8);
                worst = std::max(worst, std::abs(actual - static_cast<int>(std::lrint(expected))));
                ++checked;
            }
        }
        read += made;
    }
    EXPECT_GT(checked, outRate / 2);
    // Linear interpolation of a 200 Hz tone at 8000 Hz is within 1% of it.
    EXPECT_LT(worst, 160);
    EXPECT_NEAR(static_cast<double>(read), static_cast<double>(hour) * outRate / inRate, 512.0);
}

} // namespace
