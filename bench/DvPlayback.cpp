// A 720 x 480 DV AVI decoded through the system filters (async source, AVI
// splitter, DV decoder to RGB24, null renderer, no clock) against
// libavcodec decoding and converting the same frames directly, in the same
// run. Counters: the graph's frames per second, how many times real time
// (29.97 frames per second) that is, the direct path's rate, and the
// graph's overhead over the direct path in per cent.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Platform/DShow/DShow.h"
#include "Platform/Outside/Testing/MediaFixtures.h"

namespace {

constexpr int kFrames = 150;
constexpr double kFrameRate = 30000.0 / 1001.0;

using Clock = std::chrono::steady_clock;

const std::string& DvFile()
{
    static const std::string path = [] {
        std::string made = "/tmp/kestrelon_bench_dv_" + std::to_string(Clock::now().time_since_epoch().count()) + ".avi";
        return media_fixtures::WriteDvBenchmarkClip(made, kFrames) ? made : std::string();
    }();
    return path;
}

// The same work as the graph's decoder: decode, then convert to bottom-up
// RGB24 rows of a DIB (or decode alone).
double DirectSeconds(bool convert, int& frames)
{
    double seconds = 0;
    return media_fixtures::DecodeVideoDirectly(DvFile(), convert, frames, seconds) ? seconds : 0;
}

com::ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction)
{
    com::ComPtr<IEnumPins> pins;
    filter->EnumPins(pins.Receive());
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION which;
        pin->QueryDirection(&which);
        com::ComPtr<IPin> held(pin);
        pin->Release();
        if (which == direction)
            return held;
    }
    return {};
}

com::ComPtr<IBaseFilter> Add(IGraphBuilder* graph, REFCLSID clsid, LPCWSTR name)
{
    com::ComPtr<IBaseFilter> filter;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.ReceiveVoid());
    if (filter)
        graph->AddFilter(filter.Get(), name);
    return filter;
}

// Builds source -> splitter -> decoder -> null renderer without a clock,
// then times the run to EC_COMPLETE.
double GraphSeconds()
{
    com::ComPtr<IGraphBuilder> graph;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid());
    std::u16string file = com::Utf8ToWide(DvFile());
    com::ComPtr<IBaseFilter> source;
    if (FAILED(graph->AddSourceFilter(file.c_str(), u"Async Source", source.Receive())))
        return 0;
    auto splitter = Add(graph.Get(), CLSID_AviSplitter, u"AVI Splitter");
    auto decoder = Add(graph.Get(), CLSID_DVVideoCodec, u"DV Video Decoder");
    auto renderer = Add(graph.Get(), CLSID_NullRenderer, u"Null Renderer");
    if (FAILED(graph->ConnectDirect(FirstPin(source.Get(), PINDIR_OUTPUT).Get(),
                                    FirstPin(splitter.Get(), PINDIR_INPUT).Get(), nullptr)) ||
        FAILED(graph->ConnectDirect(FirstPin(splitter.Get(), PINDIR_OUTPUT).Get(),
                                    FirstPin(decoder.Get(), PINDIR_INPUT).Get(), nullptr)) ||
        FAILED(graph->ConnectDirect(FirstPin(decoder.Get(), PINDIR_OUTPUT).Get(),
                                    FirstPin(renderer.Get(), PINDIR_INPUT).Get(), nullptr)))
        return 0;
    com::ComPtr<IMediaFilter> filter;
    graph->QueryInterface(IID_IMediaFilter, filter.ReceiveVoid());
    filter->SetSyncSource(nullptr);
    com::ComPtr<IMediaControl> control;
    graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid());
    com::ComPtr<IMediaEvent> events;
    graph->QueryInterface(IID_IMediaEvent, events.ReceiveVoid());
    auto begin = Clock::now();
    control->Run();
    LONG code = 0;
    events->WaitForCompletion(60000, &code);
    double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    control->Stop();
    return code == EC_COMPLETE ? seconds : 0;
}

void BM_DvGraphAgainstDirectDecode(benchmark::State& state)
{
    media_fixtures::QuietMediaLogs();
    if (DvFile().empty()) {
        state.SkipWithError("no DV file");
        return;
    }
    double graph = 0, direct = 0, decodeOnly = 0;
    int frames = 0;
    for (auto _ : state) {
        int directFrames = 0;
        direct += DirectSeconds(true, directFrames);
        decodeOnly += DirectSeconds(false, frames);
        double one = GraphSeconds();
        if (one <= 0) {
            state.SkipWithError("the graph did not complete");
            return;
        }
        graph += one;
        frames = directFrames;
        state.SetIterationTime(one);
    }
    double runs = static_cast<double>(state.iterations());
    double graphFps = frames * runs / graph;
    state.counters["graph_fps"] = graphFps;
    state.counters["x_realtime"] = graphFps / kFrameRate;
    state.counters["direct_fps"] = frames * runs / direct;
    state.counters["decode_only_fps"] = frames * runs / decodeOnly;
    state.counters["overhead_pct"] = 100.0 * (graph - direct) / direct;
    state.SetItemsProcessed(static_cast<int64_t>(frames * runs));
}
BENCHMARK(BM_DvGraphAgainstDirectDecode)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::remove(DvFile().c_str());
    benchmark::Shutdown();
    return 0;
}
