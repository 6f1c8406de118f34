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

#include "Platform/Av/Av.h"
#include "Platform/DShow/DShow.h"

namespace {

constexpr int kFrames = 150;
constexpr int kWidth = 720;
constexpr int kHeight = 480;
constexpr double kFrameRate = 30000.0 / 1001.0;

using Clock = std::chrono::steady_clock;

// A textured, moving picture, so that the DV blocks carry detail.
void Draw(AVFrame* frame, int n)
{
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            frame->data[0][y * frame->linesize[0] + x] = static_cast<uint8_t>(16 + ((x * 3 + y * 5 + n * 7) ^ (x * y)) % 220);
    for (int plane = 1; plane < 3; ++plane)
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth / 4; ++x)
                frame->data[plane][y * frame->linesize[plane] + x] = static_cast<uint8_t>(64 + (x + y + n * plane) % 128);
}

std::string WriteDvFile()
{
    std::string path = "/tmp/kestrelon_bench_dv_" + std::to_string(getpid()) + ".avi";
    av::OutputPtr output;
    av::CodecPtr encoder;
    if (av::CreateOutput(path, output, "avi") < 0 ||
        av::OpenEncoder(AV_CODEC_ID_DVVIDEO, encoder, [](AVCodecContext& c) {
            c.width = kWidth;
            c.height = kHeight;
            c.pix_fmt = AV_PIX_FMT_YUV411P;
            c.time_base = {1001, 30000};
        }) < 0)
        return {};
    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    avcodec_parameters_from_context(stream->codecpar, encoder.get());
    stream->codecpar->codec_tag = MKTAG('d', 'v', 's', 'd');
    stream->time_base = encoder->time_base;
    if (av::OpenOutputFile(output.get()) < 0 || avformat_write_header(output.get(), nullptr) < 0)
        return {};
    av::FramePtr frame = av::AllocatePicture(AV_PIX_FMT_YUV411P, kWidth, kHeight);
    auto write = [&](AVPacket* packet) {
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        return av_interleaved_write_frame(output.get(), packet);
    };
    for (int n = 0; n < kFrames; ++n) {
        Draw(frame.get(), n);
        frame->pts = n;
        if (av::Encode(encoder.get(), frame.get(), write) < 0)
            return {};
    }
    av::Encode(encoder.get(), nullptr, write);
    av_write_trailer(output.get());
    return path;
}

const std::string& DvFile()
{
    static const std::string path = WriteDvFile();
    return path;
}

// The same work as the graph's decoder: decode, then convert to bottom-up
// RGB24 rows of a DIB.
double DirectSeconds(bool convert, int& frames)
{
    av::InputPtr input;
    av::CodecPtr decoder;
    av::FramePtr frame(av_frame_alloc());
    frames = 0;
    if (av::OpenInput(DvFile(), input) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0)
        return 0;
    int stream = av::FindStream(input.get(), AVMEDIA_TYPE_VIDEO);
    if (av::OpenDecoder(input->streams[stream]->codecpar, decoder) < 0)
        return 0;
    int stride = (kWidth * 3 + 3) & ~3;
    std::vector<uint8_t> rgb(static_cast<size_t>(stride) * kHeight);
    av::ScalerPtr scaler;
    // Timed from the first read, as the graph is timed from Run.
    auto begin = Clock::now();
    while (av::DecodeNextFrame(input.get(), stream, decoder.get(), frame.get()) == 0) {
        if (convert) {
            scaler.reset(sws_getCachedContext(scaler.release(), frame->width, frame->height,
                                              static_cast<AVPixelFormat>(frame->format), kWidth, kHeight,
                                              AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr));
            uint8_t* planes[4] = {rgb.data() + static_cast<size_t>(stride) * (kHeight - 1), nullptr, nullptr, nullptr};
            int strides[4] = {-stride, 0, 0, 0};
            sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
        }
        benchmark::DoNotOptimize(rgb.data());
        av_frame_unref(frame.get());
        ++frames;
    }
    return std::chrono::duration<double>(Clock::now() - begin).count();
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
    av::QuietLogs();
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
