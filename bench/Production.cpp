// A whole production: ten 5 s colour scenes of 720 x 480 with nine 1 s
// dissolves (41 s, 1025 frames at 25 frames per second) into a Motion-JPEG
// AVI with 44,100 Hz stereo sound. Counters: frames per second of the whole
// production, the share of the time spent in the writer (conversion,
// encoding, file), the share of the rest (frames, blends, sound mixing,
// hand-over), and the peak resident memory in MB.

#include <benchmark/benchmark.h>


#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "Win32/Produce/AviWriter.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 480;
constexpr DWORD kFrameTime = 40000;

// The AVI writer, timing its own work.
class TimedAviWriter : public AviWriter {
public:
    int Write(MediaFrame& frame, int smart) override
    {
        const auto start = std::chrono::steady_clock::now();
        const int result = AviWriter::Write(frame, smart);
        m_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return result;
    }

    double m_seconds = 0.0;
};

std::unique_ptr<Storyboard> MakeStoryboard()
{
    std::string layout;
    for (int i = 0; i < 10; ++i)
        layout += i == 0 ? "C5" : " D1 C5";
    return ProduceStoryboard(layout);
}

// The process's peak resident size, from the kernel's status file.
double PeakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0.0;
}

void ProduceMotionJpeg(benchmark::State& state)
{
    const std::string target = (std::filesystem::temp_directory_path() / "kestrelon-bench-production.avi").string();
    double writerSeconds = 0.0;
    double totalSeconds = 0.0;
    int frames = 0;
    for (auto _ : state) {
        auto storyboard = MakeStoryboard();
        CProductionSettings settings;
        auto* writer = new TimedAviWriter;
        writer->SetOutputName(target.c_str());
        writer->SetFrameSize(kWidth, kHeight);
        writer->SetFrameTime(kFrameTime);
        writer->SetCompressOptions(AVICOMPRESSOPTIONS{mmioFOURCC('v', 'i', 'd', 's'), mmioFOURCC('M', 'J', 'P', 'G'),
                                                      1, 8500, 0, AVICOMPRESSF_VALID, nullptr, 0, nullptr, 0, 0});
        writer->SetBitDepth(24);
        writer->SetCompressorHandler(mmioFOURCC('M', 'J', 'P', 'G'));
        writer->SetAudioIndex(13);
        writer->SetInterleave(1, 0.0);
        const auto start = std::chrono::steady_clock::now();
        CProducer producer(storyboard.get(), &settings, nullptr, writer, true);
        CString name;
        if (producer.Prepare(0, 0x7FFF) != 0 || producer.Produce(name) != 0) {
            state.SkipWithError("production failed");
            break;
        }
        totalSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        writerSeconds += writer->m_seconds;
        frames += producer.GetFramesWritten();
    }
    std::filesystem::remove(target);
    state.counters["fps"] = totalSeconds > 0 ? frames / totalSeconds : 0.0;
    state.counters["writer_share"] = totalSeconds > 0 ? writerSeconds / totalSeconds : 0.0;
    state.counters["producer_and_frames_share"] = totalSeconds > 0 ? 1.0 - writerSeconds / totalSeconds : 0.0;
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(ProduceMotionJpeg)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
