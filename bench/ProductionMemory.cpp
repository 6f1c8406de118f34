// Memory across productions, as the program holds it: one process produces
// the same NTSC DV storyboard (four 5 s 720 x 480 DV clips with their own
// 48 kHz sound, joined by three 1 s dissolves, 17 s in all) into a type-2
// DV AVI ten times in turn. Counters: the resident memory after the
// second and after the tenth production, their ratio, and the peak during
// the productions, in MiB. Each production also prints one line
//   production N: frames F, rss R MiB, peak P MiB
// The resident memory before the first production is the baseline line.
// Under AddressSanitizer the resident memory holds the allocator's
// quarantine of freed blocks (256 MiB by default) besides the program's.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Outside/Dv1394/Dv1394.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "bench/BenchSupport.h"

namespace {

constexpr int kClips = 4;
constexpr int kClipFrames = 150;
constexpr int kProductions = 10;

// The process's resident size now, in MiB.
double ResidentMebibytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0.0;
}

void ProduceDvTenTimes(benchmark::State& state)
{
    media_fixtures::QuietMediaLogs();
    if (!bench_support::RegisterPlugins({"Grabwell", "Reverbix", "Switcher", "Corvane", "Tessaly"})) {
        state.SkipWithError("no plug-in modules");
        return;
    }
    Dv1394StackSetting stack;
    stack.busLibraryPresent = true;
    SetDv1394StackSetting(stack);
    const std::string folder = bench_support::Scratch("_memory");
    std::filesystem::create_directories(folder);
    std::vector<std::string> clips;
    for (int i = 0; i < kClips; ++i) {
        clips.push_back(folder + "/clip" + std::to_string(i) + ".avi");
        if (!media_fixtures::WriteDvBenchmarkClipWithSound(clips.back(), kClipFrames, i * kClipFrames)) {
            state.SkipWithError("the clips could not be made");
            return;
        }
    }
    const std::string target = folder + "/movie.avi";
    std::vector<double> resident;
    double peak = 0.0;
    for (auto _ : state) {
        std::printf("baseline: rss %.1f MiB\n", ResidentMebibytes());
        for (int n = 1; n <= kProductions; ++n) {
            Storyboard storyboard;
            for (int i = 0; i < kClips; ++i) {
                if (i > 0)
                    storyboard.SetItem(MakeTransition(1, 1.0), 2 * i - 1);
                storyboard.SetItem(new Scene(clips[static_cast<size_t>(i)].c_str()), 2 * i);
            }
            storyboard.RecomputeTimes();
            CProductionSettings settings;
            SetDvOutput(settings.GetParams(), target, false, 3);
            bench_support::ResetPeakMemory();
            const bench_support::ProductionRun run = bench_support::RunProduction(&storyboard, &settings);
            const double during = bench_support::PeakMebibytes();
            std::filesystem::remove(target);
            if (!run.ok) {
                state.SkipWithError("production failed");
                return;
            }
            resident.push_back(ResidentMebibytes());
            peak = std::max(peak, during);
            std::printf("production %d: frames %d, rss %.1f MiB, peak %.1f MiB\n", n, run.frames, resident.back(),
                        during);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    state.counters["rss_after_2_MiB"] = resident[1];
    state.counters["rss_after_10_MiB"] = resident.back();
    state.counters["ratio_10_to_2"] = resident.back() / resident[1];
    state.counters["peak_MiB"] = peak;
}
BENCHMARK(ProduceDvTenTimes)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
