#pragma once
// Helpers of the writing filters' tests: a source that pushes samples of a
// given type made by a function, and running a graph to its end.

#include <algorithm>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/DShow/BaseClasses/BaseClasses.h"
#include "Platform/Win/Base/Utf.h"

namespace writing_test {

struct SampleSourceOptions {
    CMediaType type;
    int samples = 10;
    REFERENCE_TIME duration = UNITS / 25;
    LONG bufferSize = 1;
    // The bytes of sample `index`.
    std::function<std::vector<BYTE>(int index)> make;
    // Whether sample `index` is a key frame; null: all are.
    std::function<bool(int index)> key;
};

class SampleSourceStream : public CSourceStream {
public:
    SampleSourceStream(CSource* filter, const SampleSourceOptions& options, HRESULT* result)
        : CSourceStream(NAME("Sample source stream"), result, filter, u"Out"), m_options(options)
    {
    }

    HRESULT GetMediaType(CMediaType* type) override
    {
        *type = m_options.type;
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        request->cBuffers = std::max<LONG>(request->cBuffers, 2);
        request->cbBuffer = std::max<LONG>(request->cbBuffer, m_options.bufferSize);
        ALLOCATOR_PROPERTIES actual{};
        return allocator->SetProperties(request, &actual);
    }
    HRESULT FillBuffer(IMediaSample* sample) override
    {
        if (m_next >= m_options.samples)
            return S_FALSE;
        const std::vector<BYTE> bytes = m_options.make(m_next);
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        if (static_cast<LONG>(bytes.size()) > sample->GetSize())
            return E_FAIL;
        std::copy(bytes.begin(), bytes.end(), data);
        sample->SetActualDataLength(static_cast<LONG>(bytes.size()));
        REFERENCE_TIME start = m_next * m_options.duration;
        REFERENCE_TIME stop = start + m_options.duration;
        sample->SetTime(&start, &stop);
        sample->SetSyncPoint(!m_options.key || m_options.key(m_next));
        ++m_next;
        return S_OK;
    }

private:
    SampleSourceOptions m_options;
    int m_next = 0;
};

class SampleSource : public CSource {
public:
    explicit SampleSource(const SampleSourceOptions& options) : CSource(NAME("Sample source"), nullptr, GUID_NULL)
    {
        HRESULT hr = S_OK;
        new SampleSourceStream(this, options, &hr);
    }
};

// DV video ('dvsd') of either system, as the DV encoder gives it.
inline CMediaType DvVideoType(bool pal)
{
    CMediaType type;
    type.InitMediaType();
    type.SetType(&MEDIATYPE_Video);
    type.SetSubtype(&MEDIASUBTYPE_dvsd);
    type.SetFormatType(&FORMAT_VideoInfo);
    type.SetSampleSize(pal ? 144000 : 120000);
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    *info = VIDEOINFOHEADER{};
    info->AvgTimePerFrame = pal ? UNITS / 25 : 333667;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = 720;
    info->bmiHeader.biHeight = pal ? 576 : 480;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biCompression = MEDIASUBTYPE_dvsd.Data1;
    info->bmiHeader.biSizeImage = pal ? 144000 : 120000;
    return type;
}

// 16-bit stereo PCM.
inline CMediaType PcmType(DWORD rate)
{
    CMediaType type;
    type.InitMediaType();
    type.SetType(&MEDIATYPE_Audio);
    type.SetSubtype(&MEDIASUBTYPE_PCM);
    type.SetFormatType(&FORMAT_WaveFormatEx);
    type.SetSampleSize(4);
    auto* wave = reinterpret_cast<WAVEFORMATEX*>(type.AllocFormatBuffer(sizeof(WAVEFORMATEX)));
    *wave = WAVEFORMATEX{WAVE_FORMAT_PCM, 2, rate, rate * 4, 4, 16, 0};
    return type;
}

inline com::ComPtr<IBaseFilter> MakeSource(const SampleSourceOptions& options)
{
    com::ComPtr<IBaseFilter> filter;
    auto* source = new SampleSource(options);
    source->NonDelegatingQueryInterface(IID_IBaseFilter, filter.ReceiveVoid());
    return filter;
}

inline com::ComPtr<IBaseFilter> MakeFilter(REFCLSID clsid)
{
    com::ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
    return filter;
}

inline com::ComPtr<IGraphBuilder> MakeGraph()
{
    com::ComPtr<IGraphBuilder> graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.ReceiveVoid()),
              S_OK);
    return graph;
}

// The filter's first pin of that direction that is not connected yet.
inline com::ComPtr<IPin> FreePin(IBaseFilter* filter, PIN_DIRECTION direction)
{
    com::ComPtr<IEnumPins> pins;
    filter->EnumPins(pins.Receive());
    for (com::ComPtr<IPin> pin; pins && pins->Next(1, pin.Receive(), nullptr) == S_OK; pin = nullptr) {
        PIN_DIRECTION dir;
        pin->QueryDirection(&dir);
        com::ComPtr<IPin> peer;
        if (dir == direction && FAILED(pin->ConnectedTo(peer.Receive())))
            return pin;
    }
    return {};
}

inline HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to)
{
    com::ComPtr<IPin> out = FreePin(from, PINDIR_OUTPUT);
    com::ComPtr<IPin> in = FreePin(to, PINDIR_INPUT);
    if (!out || !in)
        return VFW_E_NOT_FOUND;
    return graph->ConnectDirect(out.Get(), in.Get(), nullptr);
}

inline CMediaType RgbType(int width, int height, REFERENCE_TIME frameTime)
{
    CMediaType type;
    type.InitMediaType();
    type.SetType(&MEDIATYPE_Video);
    type.SetSubtype(&MEDIASUBTYPE_RGB24);
    type.SetFormatType(&FORMAT_VideoInfo);
    const LONG stride = (width * 3 + 3) & ~3;
    type.SetSampleSize(static_cast<ULONG>(stride * height));
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    *info = VIDEOINFOHEADER{};
    info->AvgTimePerFrame = frameTime;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(stride * height);
    return type;
}

// RGB24 frames whose top half is red and bottom half blue (bottom-up rows).
inline SampleSourceOptions RgbFrames(int width, int height, REFERENCE_TIME frameTime, int frames)
{
    SampleSourceOptions options;
    options.type = RgbType(width, height, frameTime);
    options.samples = frames;
    options.duration = frameTime;
    const LONG stride = (width * 3 + 3) & ~3;
    options.bufferSize = stride * height;
    options.make = [=](int) {
        std::vector<BYTE> bytes(static_cast<size_t>(stride * height), 0);
        for (int row = 0; row < height; ++row) {
            const bool top = row >= height / 2; // bottom-up: the last rows are the top
            for (int x = 0; x < width; ++x) {
                BYTE* pixel = &bytes[static_cast<size_t>(row * stride + x * 3)];
                pixel[0] = top ? 0 : 255; // blue
                pixel[2] = top ? 255 : 0; // red
            }
        }
        return bytes;
    };
    return options;
}

// A graph whose AVI multiplexer writes `path` through the file writer.
struct WriterGraph {
    com::ComPtr<IGraphBuilder> graph = MakeGraph();
    com::ComPtr<IBaseFilter> mux = MakeFilter(CLSID_AviDest);
    com::ComPtr<IBaseFilter> writer = MakeFilter(CLSID_FileWriter);

    explicit WriterGraph(const std::string& path)
    {
        graph->AddFilter(mux.Get(), u"AviMux");
        graph->AddFilter(writer.Get(), u"FileWriter");
        com::ComPtr<IFileSinkFilter> sink;
        sink.QueryFrom(writer.Get(), IID_IFileSinkFilter);
        const std::u16string name = win::Utf8ToUtf16(path);
        EXPECT_EQ(sink->SetFileName(name.c_str(), nullptr), S_OK);
        EXPECT_EQ(ConnectFilters(graph.Get(), mux.Get(), writer.Get()), S_OK);
    }

    com::ComPtr<IBaseFilter> Add(com::ComPtr<IBaseFilter> filter, LPCWSTR name)
    {
        EXPECT_TRUE(SUCCEEDED(graph->AddFilter(filter.Get(), name)));
        return filter;
    }
};

// Runs the graph without a clock until it completes (or fails); answers
// the completion code (EC_COMPLETE when all went well).
inline LONG RunToEnd(IGraphBuilder* graph, LONG milliseconds = 60000)
{
    com::ComPtr<IMediaFilter> filter;
    filter.QueryFrom(graph, IID_IMediaFilter);
    filter->SetSyncSource(nullptr);
    com::ComPtr<IMediaControl> control;
    control.QueryFrom(graph, IID_IMediaControl);
    com::ComPtr<IMediaEvent> events;
    events.QueryFrom(graph, IID_IMediaEvent);
    if (FAILED(control->Run()))
        return 0;
    LONG code = 0;
    events->WaitForCompletion(milliseconds, &code);
    control->Stop();
    return code;
}

} // namespace writing_test
