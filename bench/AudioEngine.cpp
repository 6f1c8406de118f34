// The audio engine's speed: rate conversion of a 22,050 Hz mono 8-bit clip
// to 48,000 Hz stereo 16-bit, and eight such clips mixed with gain ramps
// on the way. The "x_realtime" counter is seconds of sound per second of
// one core.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "Win32/Sb/Audio/AudioProcessor.h"

namespace {

constexpr int kInRate = 22050;
constexpr int kOutRate = 48000;
constexpr int kSeconds = 10;
constexpr int kFrames = kInRate * kSeconds;

std::vector<BYTE> Tone8(double hz)
{
    std::vector<BYTE> samples(kFrames);
    for (int i = 0; i < kFrames; ++i)
        samples[static_cast<std::size_t>(i)] =
            static_cast<BYTE>(128 + std::lround(100.0 * std::sin(2.0 * M_PI * hz * i / kInRate)));
    return samples;
}

void Resample(benchmark::State& state)
{
    const std::vector<BYTE> input = Tone8(440.0);
    std::vector<BYTE> output(static_cast<std::size_t>(kOutRate) * (kSeconds + 1) * 4);
    CAudioProcessor engine;
    for (auto _ : state) {
        engine.Init(256, kInRate, 8, kOutRate, 16, 1, 2);
        benchmark::DoNotOptimize(engine.ProcessAll(kFrames, input.data(), output.data(), TRUE));
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(kSeconds) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void MixEightWithRamps(benchmark::State& state)
{
    std::vector<std::vector<BYTE>> clips;
    std::vector<const BYTE*> inputs;
    for (int i = 0; i < 8; ++i) {
        clips.push_back(Tone8(220.0 * (i + 1)));
        inputs.push_back(clips.back().data());
    }
    std::vector<BYTE> output(static_cast<std::size_t>(kOutRate) * (kSeconds + 1) * 4);
    CAudioProcessor engine;
    for (auto _ : state) {
        engine.Init(256, kInRate, 8, kOutRate, 16, 1, 2);
        // Every clip fades in over a second, as the mixer's clips do.
        for (int i = 0; i < 8; ++i) {
            engine.SetGain(i, 0.0f, 0.0f);
            engine.SetGain(i, 0.125f, 1.0f);
        }
        benchmark::DoNotOptimize(engine.ProcessAllInputs(kFrames, 8, inputs.data(), output.data()));
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(kSeconds) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(Resample)->Unit(benchmark::kMillisecond);
BENCHMARK(MixEightWithRamps)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
