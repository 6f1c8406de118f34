// The production workload: ten 5 s 720 x 480 29.97 fps DV clips (type-2
// AVI), made here or taken from a folder, joined by nine 1 s dissolves and
// produced to an MPEG-2 program stream at 6 Mb/s with MP2 at 224 kb/s. The
// same run measures the floor: libavcodec decoding every picture of the
// clips to RGB24 and encoding as many pictures as the production has, with
// as much sound, directly and without transitions.
//
//   bench_ProductionFloor [benchmark flags] [--tone-track] [folder of ten .avi clips]
//
// The clips made here carry 48 kHz stereo PCM of their own, interleaved
// with their pictures. With --tone-track they carry no sound and a 48 kHz
// stereo tone on the first scene's audio track, which the mixer reads for
// the whole production, stands in for it.
//
// The last line always has this form, for scripts:
//   produce: wall W s, cpu C s, peak P MiB, floor F s, ratio R
// W, C and P are the producer's alone (P the peak resident memory during
// the production), F the floor's wall time and R = W / F.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "bench/BenchSupport.h"

namespace {

constexpr int kClips = 10;
constexpr int kClipFrames = 150;
constexpr INT kVideoRate = 6000000;
constexpr INT kAudioRate = 224000;

struct Figures {
    bool done = false;
    double wall = 0;
    double cpu = 0;
    double peak = 0;
    double floor = 0;
};

Figures g_figures;
std::string g_folder;
bool g_clipSound = true;

// The folder of the clips made here, removed with the tone at the end.
std::string g_madeFolder;

// The clips of the folder given, or ten made in a scratch folder.
std::vector<std::string> Clips()
{
    std::vector<std::string> clips;
    if (!g_folder.empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(g_folder))
            if (entry.path().extension() == ".avi" || entry.path().extension() == ".AVI")
                clips.push_back(entry.path().string());
        std::sort(clips.begin(), clips.end());
        clips.resize(std::min<size_t>(clips.size(), kClips));
        return clips;
    }
    const std::string folder = bench_support::Scratch("_clips");
    std::filesystem::create_directories(folder);
    g_madeFolder = folder;
    for (int i = 0; i < kClips; ++i) {
        const std::string clip = folder + "/clip" + std::to_string(i) + ".avi";
        const bool made = g_clipSound
                              ? media_fixtures::WriteDvBenchmarkClipWithSound(clip, kClipFrames, i * kClipFrames)
                              : media_fixtures::WriteDvBenchmarkClip(clip, kClipFrames);
        if (!made)
            return {};
        clips.push_back(clip);
    }
    return clips;
}

// A tone as long as the production, for the first scene's audio track;
// made once, removed at the end.
std::string g_tone;

const std::string& ToneTrack()
{
    if (g_tone.empty()) {
        const std::string made = bench_support::Scratch("_tone.wav");
        if (media_fixtures::WriteSound(made, {media_fixtures::SoundKind::Wav16, 48000, 2, 42.0}))
            g_tone = made;
    }
    return g_tone;
}

std::unique_ptr<Storyboard> MakeStoryboard(const std::vector<std::string>& clips)
{
    auto storyboard = std::make_unique<Storyboard>();
    for (size_t i = 0; i < clips.size(); ++i) {
        if (i > 0)
            storyboard->SetItem(MakeTransition(1, 1.0), static_cast<INT>(2 * i - 1));
        storyboard->SetItem(new Scene(clips[i].c_str()), static_cast<INT>(2 * i));
    }
    storyboard->RecomputeTimes();
    if (!g_clipSound && g_folder.empty() && !AttachSound(*storyboard, 0, ToneTrack().c_str()))
        return nullptr;
    return storyboard;
}

// MPEG-2 program stream, 720 x 480 at 29.97 (frame-rate code 4), GOP 12
// with two B pictures, NTSC, stereo MP2 at 14 kB/s a channel, 48 kHz.
void ConfigureMpeg2(CProductionSettings& settings, const std::string& target)
{
    ProductionParams& params = settings.GetParams();
    std::strncpy(params.m_szOutputPath, target.c_str(), sizeof params.m_szOutputPath - 1);
    params.m_nOutputType = CProductionSettings::kMpeg;
    params.m_nMpegWidth = 720;
    params.m_nMpegHeight = 480;
    params.m_nMpegGop = 12;
    params.m_nMpegAnchor = 3;
    params.m_nMpegFormat = 0;
    params.m_nMpegRateCode = 4;
    params.m_nMpegBitRate = kVideoRate;
    params.m_nAudioOptions[0] = 2;
    params.m_nAudioOptions[2] = 1;
    params.m_nAudioOptions[3] = 6;
    params.m_nAudioOptions[4] = 48000;
}

void ProduceDvToMpeg2(benchmark::State& state)
{
    media_fixtures::QuietMediaLogs();
    const std::vector<std::string> clips = Clips();
    if (clips.size() != kClips || !bench_support::RegisterPlugins({"Grabwell", "Reverbix", "Switcher"})) {
        state.SkipWithError("no clips, or no plug-in modules");
        return;
    }
    const std::string target = bench_support::Scratch("_production.mpg");
    int frames = 0;
    for (auto _ : state) {
        auto storyboard = MakeStoryboard(clips);
        if (!storyboard) {
            state.SkipWithError("no sound track");
            return;
        }
        CProductionSettings settings;
        ConfigureMpeg2(settings, target);
        bench_support::ResetPeakMemory();
        const bench_support::ProductionRun run = bench_support::RunProduction(storyboard.get(), &settings);
        g_figures.peak = bench_support::PeakMebibytes();
        std::filesystem::remove(target);
        if (!run.ok) {
            state.SkipWithError("production failed");
            return;
        }
        frames = run.frames;
        g_figures.wall = run.wall;
        g_figures.cpu = run.cpu;

        int decoded = 0;
        if (!media_fixtures::TranscodeToMpeg2Directly(clips, frames, kVideoRate, kAudioRate, decoded,
                                                      g_figures.floor)) {
            state.SkipWithError("the direct encoding failed");
            return;
        }
        state.counters["decoded"] = decoded;
    }
    g_figures.done = true;
    state.counters["frames"] = frames;
    state.counters["fps"] = frames / g_figures.wall;
    state.counters["wall_s"] = g_figures.wall;
    state.counters["cpu_s"] = g_figures.cpu;
    state.counters["peak_MiB"] = g_figures.peak;
    state.counters["floor_s"] = g_figures.floor;
    state.counters["ratio"] = g_figures.wall / g_figures.floor;
}
BENCHMARK(ProduceDvToMpeg2)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tone-track") == 0)
            g_clipSound = false;
        else
            g_folder = argv[i];
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    if (!g_madeFolder.empty())
        std::filesystem::remove_all(g_madeFolder, ignored);
    if (!g_tone.empty())
        std::filesystem::remove(g_tone, ignored);
    if (!g_figures.done)
        return 1;
    std::printf("produce: wall %.2f s, cpu %.2f s, peak %.0f MiB, floor %.2f s, ratio %.2f\n", g_figures.wall,
                g_figures.cpu, g_figures.peak, g_figures.floor, g_figures.wall / g_figures.floor);
    return 0;
}
