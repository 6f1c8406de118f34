// Every frame of a 720 x 480 DV AVI read through the DirectShow grab reader
// (private graph, DV decoder, grab sink, one picture per GetFrame) against
// libavcodec decoding and converting the same frames to RGB24 directly, in
// the same run. Counters: the reader's frames per second, the direct
// path's, and the ratio of the reader's time to the direct time.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Sb/Media/DShowReader.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "bench/BenchSupport.h"

namespace {

constexpr int kFrames = 150;

using Clock = std::chrono::steady_clock;

std::string Scratch(const char* what)
{
    return "/tmp/kestrelon_bench_grab_" + std::to_string(Clock::now().time_since_epoch().count()) + what;
}

const std::string& DvFile()
{
    static const std::string path = [] {
        std::string made = Scratch(".avi");
        return media_fixtures::WriteDvBenchmarkClip(made, kFrames) ? made : std::string();
    }();
    return path;
}

// The plug-in modules the reader needs.
bool RegisterPlugins()
{
    return bench_support::RegisterPlugins({"Grabwell", "Reverbix", "Switcher"});
}

// Opens a reader and reads every frame's picture; the seconds from the
// first read, or 0 on a failure.
double ReaderSeconds(int& frames)
{
    CDShowReader reader(DvFile().c_str(), 0, 0);
    if (!reader.IsOpen())
        return 0;
    const int count = reader.m_nLastFrame - reader.m_nFirstFrame + 1;
    auto begin = Clock::now();
    for (frames = 0; frames < count; ++frames) {
        INT failed = 0;
        std::unique_ptr<MediaFrame> frame(reader.GetFrame(&failed, 1, 0, nullptr));
        if (!frame || !frame->m_pImage || failed)
            return 0;
    }
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

void BM_GrabReaderAgainstDirectDecode(benchmark::State& state)
{
    media_fixtures::QuietMediaLogs();
    if (DvFile().empty() || !RegisterPlugins()) {
        state.SkipWithError("no DV file or no plug-in modules");
        return;
    }
    double reader = 0, direct = 0;
    int readerFrames = 0, directFrames = 0;
    for (auto _ : state) {
        double seconds = 0;
        if (!media_fixtures::DecodeVideoDirectly(DvFile(), true, directFrames, seconds)) {
            state.SkipWithError("direct decoding failed");
            return;
        }
        direct += seconds;
        double one = ReaderSeconds(readerFrames);
        if (one <= 0) {
            state.SkipWithError("the reader failed");
            return;
        }
        reader += one;
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["reader_fps"] = readerFrames * runs / reader;
    state.counters["direct_fps"] = directFrames * runs / direct;
    state.counters["ratio"] = (reader / readerFrames) / (direct / directFrames);
}

BENCHMARK(BM_GrabReaderAgainstDirectDecode)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
