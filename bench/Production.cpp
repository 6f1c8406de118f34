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
//
// The same storyboard produced through the settings to each output of the
// outside encoders: MPEG-1, Video CD, MPEG-2 program stream (720 x 480,
// 6 Mb/s, MP2 at 224 kb/s), Windows Media (the NTSC television profile)
// and RealVideo (320 x 240 at 15 fps for DSL). Counters: frames per second,
// wall and processor seconds, and the peak resident memory of that
// production alone; each also prints one line
// "produce <format>: frames N, wall W s, cpu C s, fps F, peak P MiB".

#include <benchmark/benchmark.h>


#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
#include "bench/BenchSupport.h"

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
    state.counters["peak_MB"] = bench_support::PeakMebibytes();
}
BENCHMARK(ProduceMotionJpeg)->Iterations(1)->Unit(benchmark::kSecond);

// The outputs of the outside encoders, as the produce wizard's templates
// set them.
struct OutsideOutput {
    const char* name;
    const char* extension;
    int type;
    void (*configure)(ProductionParams&);
};

// GOP 12 with two B pictures, NTSC, stereo MP2 at 44.1 kHz.
void MpegCommon(ProductionParams& params, int variant, int width, int height, int rateCode, int bitRate,
                int audioRateIndex)
{
    params.m_nMpegWidth = width;
    params.m_nMpegHeight = height;
    params.m_nMpegGop = variant == 2 ? 15 : 12;
    params.m_nMpegAnchor = 3;
    params.m_nMpegFormat = variant;
    params.m_nMpegRateCode = rateCode;
    params.m_nMpegBitRate = bitRate;
    params.m_nAudioOptions[0] = rateCode == 3 ? 1 : 2;
    params.m_nAudioOptions[2] = 1;
    params.m_nAudioOptions[3] = audioRateIndex;
    params.m_nAudioOptions[4] = 44100;
}

const OutsideOutput kOutsideOutputs[] = {
    {"MPEG-1", "mpg", 2, [](ProductionParams& p) { MpegCommon(p, 1, 352, 240, 3, 1150000, 3); }},
    {"VCD", "mpg", 2, [](ProductionParams& p) { MpegCommon(p, 2, 352, 240, 4, 1150000, 6); }},
    // 224 kb/s of MP2: 14 kB/s a channel.
    {"MPEG-2 PS", "mpg", 2, [](ProductionParams& p) { MpegCommon(p, 0, 720, 480, 4, 6000000, 6); }},
    {"WMV", "wmv", 4,
     [](ProductionParams& p) {
         p.m_nWriterParam1 = 7;
         p.m_nMpegWidth = 720;
         p.m_nMpegHeight = 480;
         p.m_nRealFrameMicroseconds = 33367;
     }},
    {"RM", "rm", 5,
     [](ProductionParams& p) {
         p.m_nParamA = 3;
         p.m_nMpegWidth = 320;
         p.m_nMpegHeight = 240;
         p.m_nRealFrameMicroseconds = 66667;
         p.m_nAudioOptions[4] = 1;
         p.m_nAudioFlags[0] = 1;
         p.m_nAudioFlags[1] = 1;
     }},
};

void ProduceOutside(benchmark::State& state, const OutsideOutput& output)
{
    const std::string target =
        (std::filesystem::temp_directory_path() / (std::string("kestrelon-bench-production.") + output.extension))
            .string();
    double wallSeconds = 0.0;
    double cpuSeconds = 0.0;
    int frames = 0;
    bench_support::ResetPeakMemory();
    for (auto _ : state) {
        auto storyboard = MakeStoryboard();
        CProductionSettings settings;
        ProductionParams& params = settings.GetParams();
        std::strncpy(params.m_szOutputPath, target.c_str(), sizeof params.m_szOutputPath - 1);
        params.m_nOutputType = output.type;
        params.m_nWidth = kWidth;
        params.m_nHeight = kHeight;
        params.m_nFrameMicroseconds = static_cast<INT>(kFrameTime);
        params.m_wBitsPerPixel = 24;
        output.configure(params);
        const bench_support::ProductionRun run = bench_support::RunProduction(storyboard.get(), &settings);
        if (!run.ok) {
            state.SkipWithError("production failed");
            break;
        }
        wallSeconds += run.wall;
        cpuSeconds += run.cpu;
        frames += run.frames;
    }
    std::filesystem::remove(target);
    const double fps = wallSeconds > 0 ? frames / wallSeconds : 0.0;
    const double peak = bench_support::PeakMebibytes();
    state.counters["fps"] = fps;
    state.counters["wall_s"] = wallSeconds;
    state.counters["cpu_s"] = cpuSeconds;
    state.counters["peak_MiB"] = peak;
    std::printf("produce %s: frames %d, wall %.2f s, cpu %.2f s, fps %.1f, peak %.0f MiB\n", output.name, frames,
                wallSeconds, cpuSeconds, fps, peak);
}
BENCHMARK_CAPTURE(ProduceOutside, Mpeg1, kOutsideOutputs[0])->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(ProduceOutside, VideoCd, kOutsideOutputs[1])->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(ProduceOutside, Mpeg2ProgramStream, kOutsideOutputs[2])->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(ProduceOutside, WindowsMedia, kOutsideOutputs[3])->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(ProduceOutside, RealVideo, kOutsideOutputs[4])->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
