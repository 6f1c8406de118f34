// A whole production: ten 5 s colour scenes of 720 x 480 with nine 1 s
// dissolves (41 s, 1025 frames at 25 frames per second) into a Motion-JPEG
// AVI with 44,100 Hz stereo sound. Counters: frames per second of the whole
// production and the peak resident memory in MB; shares of the production's
// wall time: the writer's (conversion, encoding, file), and, timed again
// outside the producer over the same work, the scenes' frames (decoding and
// rendering), the transitions' blends and the sound mixing; what remains is
// the producer's own work (hand-over, bookkeeping, progress, cancel
// checks). "outside_decode_encode_share" is everything but the scenes'
// frames and the writer.

#include <benchmark/benchmark.h>


#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "Win32/Imaging/IplAlphaMask.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Produce/AviWriter.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/ProductionAudioMixer.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"

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

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Replayed {
    double frames = 0.0;
    double blends = 0.0;
    double mixing = 0.0;
};

// The production's decoding, blending and mixing once more, each timed on
// its own, `times` times: every scene's frames (each frame of a transition
// reads both scenes), every transition frame's blend, and one mix per
// output frame.
Replayed ReplayWork(std::int64_t times)
{
    Replayed replayed;
    const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    const double rate = 1000000.0 / kFrameTime;
    for (std::int64_t t = 0; t < times; ++t) {
        auto storyboard = MakeStoryboard();
        int outputFrames = 0;
        for (int slot = 0; slot <= storyboard->GetLastIndex(); slot += 2) {
            auto* scene = static_cast<Scene*>(storyboard->GetItem(slot));
            const int count = static_cast<int>(std::lround((scene->GetEnd() - scene->GetStart()).GetSeconds() * rate));
            outputFrames += count;
            auto start = std::chrono::steady_clock::now();
            scene->OpenReader(CGfxSize(kWidth, kHeight), rate);
            for (int k = 0; k < count; ++k)
                std::unique_ptr<MediaFrame>(scene->GetFrame(1, 1, &format, 1024)).reset();
            scene->CloseReader();
            replayed.frames += Since(start);
        }
        for (int slot = 1; slot <= storyboard->GetLastIndex(); slot += 2) {
            auto* transition = static_cast<Transition*>(storyboard->GetItem(slot));
            const int n = static_cast<int>(transition->GetOverlapDuration() * rate + 0.5);
            outputFrames -= n;
            CIplImage a(kWidth, kHeight, RGB(200, 40, 40));
            CIplImage b(kWidth, kHeight, RGB(40, 200, 40));
            const auto start = std::chrono::steady_clock::now();
            CIplAlphaMask mask(kWidth, kHeight);
            CIplImage output(kWidth, kHeight, 0);
            for (int k = 0; k < n; ++k)
                transition->Blend(&a, &b, &output, &mask, 0, 0, kWidth, kHeight, static_cast<double>(k) / n, n, kWidth,
                                  kHeight, 1);
            replayed.blends += Since(start);
        }
        const CMediaTime span(0, 0, 0, kFrameTime);
        CProductionAudioMixer mixer(span, &format, &format, TRUE);
        const auto start = std::chrono::steady_clock::now();
        for (int k = 0; k < outputFrames; ++k) {
            CWaveBuffer primary(span, &format);
            CWaveBuffer mixed(span * 2, &format);
            mixer.Mix(&primary, &mixed);
        }
        replayed.mixing += Since(start);
    }
    return replayed;
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
    const Replayed replayed = ReplayWork(state.iterations());
    auto share = [&](double seconds) { return totalSeconds > 0 ? seconds / totalSeconds : 0.0; };
    state.counters["fps"] = totalSeconds > 0 ? frames / totalSeconds : 0.0;
    state.counters["writer_share"] = share(writerSeconds);
    state.counters["scene_frames_share"] = share(replayed.frames);
    state.counters["blend_share"] = share(replayed.blends);
    state.counters["mix_share"] = share(replayed.mixing);
    state.counters["producer_own_share"] =
        share(totalSeconds - writerSeconds - replayed.frames - replayed.blends - replayed.mixing);
    state.counters["outside_decode_encode_share"] = share(totalSeconds - writerSeconds - replayed.frames);
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(ProduceMotionJpeg)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
