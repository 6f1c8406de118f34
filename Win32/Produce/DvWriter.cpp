#include "Win32/Produce/DvWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"
#include "Platform/Outside/Dv1394/Dv1394.h"
#include "Platform/Win/Kernel/Crt.h"
#include "Platform/Win/Kernel/Files.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Produce/AviWriter.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"
#include "Win32/Utils/DShowUtils.h"
#include "Win32/Utils/FileUtils.h"

using com::ComPtr;
using namespace DShowUtils;

namespace {

constexpr FOURCC kDvHandler = mmioFOURCC('d', 'v', 's', 'd');
constexpr UINT kGraphEventMessage = 0x412;
constexpr int kPathChars = 260;
// Video pushes that may fail in a row before the production fails.
constexpr int kToleratedVideoFailures = 4;
// How long a finishing close waits for the graph to write the last frames;
// a graph that has not finished by then leaves an incomplete file.
constexpr LONG kFinishWait = 30000;
constexpr DWORD kNtscDvFrameBytes = 120000;
constexpr DWORD kPalDvFrameBytes = 144000;

bool IsPackableDvSound(const WAVEFORMATEX& format)
{
    const DWORD rate = format.nSamplesPerSec;
    return format.wFormatTag == WAVE_FORMAT_PCM && format.nChannels == 2 && format.wBitsPerSample == 16 &&
           (rate == 32000 || rate == 44100 || rate == 48000);
}

void TakeOut(IGraphBuilder* graph, IBaseFilter* filter)
{
    if (graph != nullptr && filter != nullptr)
        graph->RemoveFilter(filter);
}

} // namespace

std::vector<DvSmartRoute> ComputeSmartRoutes(const CSmartRangeList& ranges, REFERENCE_TIME frameTime)
{
    constexpr double kLead = 0.01;
    // Whole frames, allowing for the rounding of seconds.
    constexpr double kSlack = 1e-6;
    const double frame = static_cast<double>(frameTime) * 1e-7;
    std::vector<DvSmartRoute> routes;
    routes.reserve(ranges.size());
    for (const CSmartRange& range : ranges) {
        double start = range.m_tStart.GetSeconds();
        double end = range.m_tEnd.GetSeconds();
        if (frame > 0.0) {
            // The copied frames are the production frames from the one
            // holding the range's start to the one holding its end.
            start = std::floor(start / frame + kSlack) * frame;
            end = std::ceil(end / frame - kSlack) * frame;
        }
        DvSmartRoute route;
        route.start = std::max(start - kLead, 0.0);
        route.end = end - kLead;
        routes.push_back(route);
    }
    return routes;
}

int QueryDvAviType()
{
    BYTE support = 0;
    return GetPAPISupportInfo(&support) == 1 && support > 0 ? kDvAviType2 : kDvAviType1;
}

bool IsDvFrameOfSystem(const BYTE* data, LONG length, LONG height)
{
    const bool pal = std::abs(height) == 576;
    if (data == nullptr || length != static_cast<LONG>(pal ? kPalDvFrameBytes : kNtscDvFrameBytes))
        return false;
    // The header block's DSF bit: set for the 625/50 system.
    const bool dsf = (data[3] & 0x80) != 0;
    return dsf == pal;
}

// ---- the graph

CDVWriterGraph::~CDVWriterGraph()
{
    Stop();
    m_pMediaControl.Reset();
    m_pAviMux.Reset();
    m_pGraphBuilder.Reset();
    FreeDib(m_pFrameDib);
    m_pFrameDib = nullptr;
    m_pAudioSource.Reset();
    m_pVideoSource.Reset();
    m_pCompressedSource.Reset();
}

HRESULT CDVWriterGraph::AddPushSource(const char* name, const AM_MEDIA_TYPE& type, int bytesPerBuffer,
                                      ComPtr<IKLPushSource>& push, ComPtr<IBaseFilter>& filter)
{
    HRESULT hr = AddFilterByClsid(m_pGraphBuilder.Get(), CLSID_QORSource, name, filter.Receive());
    if (SUCCEEDED(hr))
        hr = push.QueryFrom(filter.Get(), IID_IKLPushSource);
    if (SUCCEEDED(hr))
        hr = push->SetMediaType(&type, bytesPerBuffer);
    if (FAILED(hr)) {
        push.Reset();
        TakeOut(m_pGraphBuilder.Get(), filter.Get());
        filter.Reset();
    }
    return hr;
}

HRESULT CDVWriterGraph::SetEncoderFormat(IBaseFilter* encoder, LONG height)
{
    ComPtr<IDVEnc> settings;
    if (FAILED(settings.QueryFrom(encoder, IID_IDVEnc)))
        return S_OK;
    int videoFormat = 0, dvFormat = 0, resolution = 0;
    HRESULT hr = settings->get_IFormatResolution(&videoFormat, &dvFormat, &resolution, FALSE, nullptr);
    if (SUCCEEDED(hr)) {
        videoFormat = std::abs(height) == 576 ? DVENCODERVIDEOFORMAT_PAL : DVENCODERVIDEOFORMAT_NTSC;
        hr = settings->put_IFormatResolution(videoFormat, DVENCODERFORMAT_DVSD, DVENCODERRESOLUTION_720x480, FALSE,
                                             nullptr);
    }
    return hr;
}

void CDVWriterGraph::InsertSwitcher(ComPtr<IPin>& videoOut, REFERENCE_TIME frameTime, int totalFrames,
                                    const CSmartRangeList& ranges)
{
    IGraphBuilder* graph = m_pGraphBuilder.Get();
    const double duration = (totalFrames + 1) * static_cast<double>(frameTime) * 1e-7;
    ComPtr<IBaseFilter> filter;
    ComPtr<IPin> firstInput;
    HRESULT hr = AddFilterByClsid(graph, CLSID_QORSwitcher, "Kestrelon Video Switcher", filter.Receive());
    if (FAILED(hr))
        return;
    hr = GetPin(filter.Get(), PINDIR_INPUT, firstInput.Receive());
    if (SUCCEEDED(hr))
        hr = graph->Connect(videoOut.Get(), firstInput.Get());
    ComPtr<IPin> output;
    if (SUCCEEDED(hr))
        hr = GetPin(filter.Get(), PINDIR_OUTPUT, output.Receive());
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to put the switcher into the DV graph", hr);
        TakeOut(graph, filter.Get());
        return;
    }
    const ComPtr<IPin> encoded = videoOut;
    videoOut = output;
    ComPtr<IKLSwitcher> switcher;
    if (FAILED(switcher.QueryFrom(filter.Get(), IID_IKLSwitcher)))
        return;
    switcher->SetLastSwitch(TRUE);
    // The encoder's frames go through for the whole production.
    switcher->RouteSeconds(0, 0, 0.0, duration);

    // The copied frames come in with the type the encoder's side has.
    AM_MEDIA_TYPE copiedType{};
    if (FAILED(encoded->ConnectionMediaType(&copiedType))) {
        copiedType = AM_MEDIA_TYPE{};
        copiedType.majortype = MEDIATYPE_Video;
    }
    ComPtr<IBaseFilter> source;
    hr = AddPushSource("VideoCompressedSource", copiedType, 0, m_pCompressedSource, source);
    FreeMediaType(copiedType);
    ComPtr<IPin> sourceOut, freeInput;
    if (SUCCEEDED(hr))
        hr = GetPin(source.Get(), PINDIR_OUTPUT, sourceOut.Receive());
    if (SUCCEEDED(hr))
        hr = GetUnconnectedPin(filter.Get(), PINDIR_INPUT, freeInput.Receive());
    if (SUCCEEDED(hr))
        hr = graph->Connect(sourceOut.Get(), freeInput.Get());
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to connect the copied frames' source", hr);
        m_pCompressedSource.Reset();
        TakeOut(graph, source.Get());
        return;
    }
    for (const DvSmartRoute& route : ComputeSmartRoutes(ranges, frameTime))
        switcher->RouteSeconds(1, 0, route.start, route.end);
}

struct CDVWriterGraph::Branches {
    ComPtr<IBaseFilter> fileWriter;
    ComPtr<IBaseFilter> videoSource;
    ComPtr<IBaseFilter> audioSource;
    ComPtr<IBaseFilter> encoder;
    // Type 2: the patch filter behind the encoder. Type 1: the DV
    // multiplexer, which packs the sound into the DV frames.
    ComPtr<IBaseFilter> patch;
    ComPtr<IBaseFilter> dvMux;
    // Where the video and the sound meet: the DV multiplexer (type 1) or
    // the AVI multiplexer (type 2).
    IBaseFilter* target = nullptr;
    // The video branch's last output and the target's input it feeds.
    ComPtr<IPin> videoOut;
    ComPtr<IPin> targetIn;
};

HRESULT CDVWriterGraph::Build(const BITMAPINFOHEADER& header, REFERENCE_TIME frameTime, const WAVEFORMATEX* audio,
                              int dvType, LPCWSTR path, int totalFrames, const CSmartRangeList& ranges)
{
    if (path == nullptr)
        return E_POINTER;
    if (frameTime <= 0 || header.biWidth <= 0 || header.biHeight == 0)
        return E_INVALIDARG;
    // The DV multiplexer packs only 16-bit stereo PCM at the three DV
    // rates; anything else is refused before a file exists.
    if (dvType != kDvAviType2 && audio != nullptr && !IsPackableDvSound(*audio))
        return VFW_E_TYPE_NOT_ACCEPTED;
    Branches branches;
    HRESULT hr = CreateGraph();
    if (SUCCEEDED(hr))
        hr = AddFileWriter(path, branches);
    if (SUCCEEDED(hr))
        hr = AddVideoSource(header, frameTime, branches);
    if (SUCCEEDED(hr) && audio != nullptr)
        hr = AddAudioSource(*audio, frameTime, branches);
    if (SUCCEEDED(hr))
        hr = AddEncoderAndMultiplexers(dvType, branches);
    if (SUCCEEDED(hr))
        hr = ConnectVideoBranch(dvType, header.biHeight, branches);
    if (FAILED(hr))
        return hr;
    m_pFrameDib = AllocDib(3, header.biWidth, std::abs(header.biHeight));
    if (m_pFrameDib == nullptr)
        return E_OUTOFMEMORY;
    return ConnectOutputBranches(dvType, frameTime, totalFrames, ranges, branches);
}

HRESULT CDVWriterGraph::CreateGraph()
{
    HRESULT hr = CreateFilterGraph(m_pGraphBuilder.Receive());
    if (SUCCEEDED(hr))
        hr = m_pMediaControl.QueryFrom(m_pGraphBuilder.Get(), IID_IMediaControl);
    return hr;
}

HRESULT CDVWriterGraph::AddFileWriter(LPCWSTR path, Branches& branches)
{
    ComPtr<IFileSinkFilter> sink;
    HRESULT hr = AddFilterByClsid(m_pGraphBuilder.Get(), CLSID_FileWriter, "FileWriter", branches.fileWriter.Receive());
    if (SUCCEEDED(hr))
        hr = sink.QueryFrom(branches.fileWriter.Get(), IID_IFileSinkFilter);
    if (SUCCEEDED(hr)) {
        AM_MEDIA_TYPE stream{};
        stream.majortype = MEDIATYPE_Stream;
        stream.subtype = MEDIASUBTYPE_Avi;
        hr = sink->SetFileName(path, &stream);
    }
    return hr;
}

// Uncompressed frames in: RGB24 of the frame size.
HRESULT CDVWriterGraph::AddVideoSource(const BITMAPINFOHEADER& header, REFERENCE_TIME frameTime, Branches& branches)
{
    const DWORD imageSize = header.biSizeImage;
    VIDEOINFOHEADER info{};
    info.rcSource = RECT{0, 0, header.biWidth, std::abs(header.biHeight)};
    info.rcTarget = info.rcSource;
    info.dwBitRate = static_cast<DWORD>(static_cast<LONGLONG>(imageSize) * 8 * 10000000 / frameTime);
    info.AvgTimePerFrame = frameTime;
    info.bmiHeader = header;
    CMediaType videoType;
    videoType.SetType(&MEDIATYPE_Video);
    videoType.SetSubtype(&MEDIASUBTYPE_RGB24);
    videoType.SetTemporalCompression(FALSE);
    videoType.SetSampleSize(imageSize);
    videoType.SetFormatType(&FORMAT_VideoInfo);
    videoType.SetFormat(reinterpret_cast<BYTE*>(&info), sizeof info);
    return AddPushSource("VideoSource", videoType, 0, m_pVideoSource, branches.videoSource);
}

HRESULT CDVWriterGraph::AddAudioSource(const WAVEFORMATEX& audio, REFERENCE_TIME frameTime, Branches& branches)
{
    WAVEFORMATEX format = audio;
    format.cbSize = 0;
    CMediaType audioType;
    audioType.SetType(&MEDIATYPE_Audio);
    audioType.SetSubtype(&MEDIASUBTYPE_PCM);
    audioType.SetSampleSize(format.nBlockAlign);
    audioType.SetFormatType(&FORMAT_WaveFormatEx);
    audioType.SetFormat(reinterpret_cast<BYTE*>(&format), sizeof format);
    // One frame's sound a buffer, rounded up to a whole sample: a buffer
    // short of a frame's share (44.1 kHz at 29.97 frames a second) leaves
    // the DV multiplexer further behind with every frame until the blocked
    // pushes stall the graph.
    const double samples = format.nSamplesPerSec * static_cast<double>(frameTime) * 1e-7;
    const int perFrame = static_cast<int>(std::ceil(samples - 1e-6)) * 4;
    return AddPushSource("AudioSource", audioType, perFrame, m_pAudioSource, branches.audioSource);
}

HRESULT CDVWriterGraph::AddEncoderAndMultiplexers(int dvType, Branches& branches)
{
    IGraphBuilder* graph = m_pGraphBuilder.Get();
    HRESULT hr = AddFilterByClsid(graph, CLSID_AviDest, "AviMux", m_pAviMux.Receive());
    if (FAILED(hr))
        return hr;
    ComPtr<IConfigAviMux> muxSettings;
    if (SUCCEEDED(muxSettings.QueryFrom(m_pAviMux.Get(), IID_IConfigAviMux)))
        muxSettings->SetOutputCompatibilityIndex(dvType == kDvAviType2 ? TRUE : FALSE);

    hr = AddFilterByClsid(graph, CLSID_DVVideoEnc, "DV Video Encoder", branches.encoder.Receive());
    if (SUCCEEDED(hr)) {
        if (dvType == kDvAviType2)
            hr = AddFilterByClsid(graph, CLSID_DVPatchFilter, "DV-Patch Filter", branches.patch.Receive());
        else
            hr = AddFilterByClsid(graph, CLSID_DVMux, "DV Mux", branches.dvMux.Receive());
    }
    if (SUCCEEDED(hr))
        branches.target = dvType == kDvAviType2 ? m_pAviMux.Get() : branches.dvMux.Get();
    return hr;
}

HRESULT CDVWriterGraph::ConnectVideoBranch(int dvType, LONG height, Branches& branches)
{
    IGraphBuilder* graph = m_pGraphBuilder.Get();
    ComPtr<IPin>& videoOut = branches.videoOut;
    HRESULT hr = ConnectFilters(graph, branches.videoSource.Get(), branches.encoder.Get(), TRUE);
    if (SUCCEEDED(hr))
        hr = GetPin(branches.encoder.Get(), PINDIR_OUTPUT, videoOut.Receive());
    if (SUCCEEDED(hr) && dvType == kDvAviType2) {
        ComPtr<IPin> patchIn;
        hr = GetPin(branches.patch.Get(), PINDIR_INPUT, patchIn.Receive());
        if (SUCCEEDED(hr))
            hr = graph->Connect(videoOut.Get(), patchIn.Get());
        if (SUCCEEDED(hr))
            hr = GetPin(branches.patch.Get(), PINDIR_OUTPUT, videoOut.Receive());
    }
    if (SUCCEEDED(hr))
        hr = GetUnconnectedPin(branches.target, PINDIR_INPUT, branches.targetIn.Receive());
    if (SUCCEEDED(hr))
        hr = graph->Connect(videoOut.Get(), branches.targetIn.Get());
    if (SUCCEEDED(hr))
        hr = SetEncoderFormat(branches.encoder.Get(), height);
    return hr;
}

HRESULT CDVWriterGraph::ConnectOutputBranches(int dvType, REFERENCE_TIME frameTime, int totalFrames,
                                              const CSmartRangeList& ranges, Branches& branches)
{
    IGraphBuilder* graph = m_pGraphBuilder.Get();
    // The connection settled the encoder's output type; the switcher is
    // put in between with that type.
    branches.videoOut->Disconnect();
    if (SUCCEEDED(branches.targetIn->Disconnect()) && !ranges.empty())
        InsertSwitcher(branches.videoOut, frameTime, totalFrames, ranges);
    HRESULT hr = graph->Connect(branches.videoOut.Get(), branches.targetIn.Get());
    if (SUCCEEDED(hr) && branches.audioSource)
        hr = ConnectFilters(graph, branches.audioSource.Get(), branches.target, TRUE);
    if (SUCCEEDED(hr) && dvType != kDvAviType2)
        hr = ConnectFilters(graph, branches.dvMux.Get(), m_pAviMux.Get(), TRUE);
    if (SUCCEEDED(hr))
        hr = ConnectFilters(graph, m_pAviMux.Get(), branches.fileWriter.Get(), TRUE);
    return hr;
}

HRESULT CDVWriterGraph::ConfigureInterleaving(int mode, REFERENCE_TIME interleave, REFERENCE_TIME preroll)
{
    ComPtr<IConfigInterleaving> interleaving;
    HRESULT hr = interleaving.QueryFrom(m_pAviMux.Get(), IID_IConfigInterleaving);
    if (FAILED(hr))
        return m_pAviMux ? hr : E_POINTER;
    hr = interleaving->put_Mode(static_cast<InterleavingMode>(mode));
    if (SUCCEEDED(hr))
        hr = interleaving->put_Interleaving(&interleave, &preroll);
    return hr;
}

HRESULT CDVWriterGraph::SetNotifyWindow(HWND window, UINT message, LONG_PTR lParam)
{
    ComPtr<IMediaEventEx> events;
    HRESULT hr = events.QueryFrom(m_pGraphBuilder.Get(), IID_IMediaEventEx);
    if (FAILED(hr))
        return m_pGraphBuilder ? hr : E_POINTER;
    return events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), static_cast<LONG>(message), lParam);
}

HRESULT CDVWriterGraph::Run()
{
    return m_pMediaControl ? m_pMediaControl->Run() : E_POINTER;
}

HRESULT CDVWriterGraph::Stop()
{
    return m_pMediaControl ? m_pMediaControl->Stop() : E_POINTER;
}

HRESULT CDVWriterGraph::ProcessEvents(int* complete)
{
    if (complete == nullptr)
        return E_POINTER;
    *complete = 0;
    ComPtr<IMediaEvent> events;
    HRESULT hr = events.QueryFrom(m_pGraphBuilder.Get(), IID_IMediaEvent);
    if (FAILED(hr))
        return m_pGraphBuilder ? hr : E_POINTER;
    HRESULT result = S_OK;
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (SUCCEEDED(events->GetEvent(&code, &param1, &param2, 0))) {
        switch (code) {
        case EC_COMPLETE:
            *complete = 1;
            result = S_OK;
            break;
        case EC_ERRORABORT:
        case EC_STREAM_ERROR_STOPPED:
        case EC_STREAM_ERROR_STILLPLAYING:
        case EC_ERROR_STILLPLAYING:
            result = static_cast<HRESULT>(param1);
            break;
        default:
            break;
        }
        events->FreeEventParams(code, param1, param2);
        if (*complete || result < 0)
            break;
    }
    return result;
}

HRESULT CDVWriterGraph::DeliverVideo(const CIplImage& image)
{
    if (!m_pVideoSource || m_pFrameDib == nullptr)
        return E_POINTER;
    image.ToDib(m_pFrameDib);
    return m_pVideoSource->DeliverData(GetDibBits(m_pFrameDib), static_cast<int>(m_pFrameDib->biSizeImage));
}

HRESULT CDVWriterGraph::DeliverAudio(const CWaveBuffer& block)
{
    if (!m_pAudioSource)
        return E_POINTER;
    return m_pAudioSource->DeliverData(block.m_pData, static_cast<int>(block.m_nLength));
}

HRESULT CDVWriterGraph::DeliverCompressed(IMediaSample* sample)
{
    if (!m_pCompressedSource)
        return E_POINTER;
    return m_pCompressedSource->Signal(sample);
}

HRESULT CDVWriterGraph::EndVideo()
{
    if (!m_pVideoSource)
        return E_POINTER;
    m_bVideoEnded = true;
    return m_pVideoSource->EndOfStream();
}

HRESULT CDVWriterGraph::EndAllStreams(LONG milliseconds)
{
    if (!m_pVideoSource)
        return E_POINTER;
    if (!m_bVideoEnded)
        EndVideo();
    if (m_pAudioSource)
        m_pAudioSource->EndOfStream();
    if (m_pCompressedSource)
        m_pCompressedSource->EndOfStream();
    ComPtr<IMediaEvent> events;
    HRESULT hr = events.QueryFrom(m_pGraphBuilder.Get(), IID_IMediaEvent);
    if (FAILED(hr))
        return hr;
    LONG code = 0;
    hr = events->WaitForCompletion(milliseconds, &code);
    if (hr == E_ABORT)
        return S_FALSE;
    if (FAILED(hr))
        return hr;
    // A graph that stopped on an error has not written everything.
    return code == EC_COMPLETE ? S_OK : E_FAIL;
}

// ---- the writer

DVWriter::DVWriter(HWND notifyWindow) : m_hNotifyWnd(notifyWindow)
{
    m_strExtension = ".avi";
    m_nOutputType = 3;
    SetDefaultVideoFormat();
    SetDefaultAudioFormat();
    // The AVI writer's records and defaults; the producer sets the
    // compressor code ('dvsd' for DV output).
    SetDefaultAviVideoRecords(m_videoInfo, m_bih, m_videoOptions);
}

DVWriter::~DVWriter()
{
    if (m_pGraph)
        Close(0);
}

void DVWriter::Log(LPCSTR text, int above) const
{
    if (CShellServices::Get().GetDebugLevel() > above)
        CShellServices::Get().WriteDebugLog(text);
}

int DVWriter::SetOutputName(LPCSTR name)
{
    if (m_pGraph)
        return kWriterOpenFailed;
    return MediaWriter::SetOutputName(name);
}

int DVWriter::SetFrameSize(int width, int height)
{
    if (width % 4 != 0)
        return kWriterBadWidth;
    m_nWidth = width;
    m_nHeight = height;
    m_videoInfo.rcFrame = RECT{0, 0, width, height};
    const DWORD stride = static_cast<DWORD>(((m_bih.biBitCount * width / 8) + 3) & ~3);
    m_bih.biWidth = width;
    m_bih.biHeight = height;
    m_bih.biSizeImage = stride * static_cast<DWORD>(std::abs(height));
    return kWriterOk;
}

int DVWriter::SetFrameTime(DWORD microseconds)
{
    // The stream header's scale is this writer's frame time.
    if (MediaWriter::SetFrameTime(microseconds) != kWriterOk)
        return kWriterBadFrameTime;
    m_videoInfo.dwScale = microseconds;
    return kWriterOk;
}

void DVWriter::SetCompressOptions(const AVICOMPRESSOPTIONS& options)
{
    // The format block stays this writer's own frame header.
    AVICOMPRESSOPTIONS copy = options;
    copy.lpFormat = m_videoOptions.lpFormat;
    copy.cbFormat = m_videoOptions.cbFormat;
    m_videoOptions = copy;
}

int DVWriter::SetBitDepth(int bits)
{
    const int result = MediaWriter::SetBitDepth(bits);
    if (result == kWriterOk && m_bih.biBitCount != m_nBitDepth) {
        m_bih.biBitCount = static_cast<WORD>(m_nBitDepth);
        SetFrameSize(m_bih.biWidth, m_bih.biHeight);
    }
    return result;
}

void DVWriter::SetAudioIndex(int code)
{
    m_bNoAudio = 0;
    m_bAudioFormatLocked = 1;
    if (m_videoOptions.fccHandler != kDvHandler)
        return;
    if (code == 1) {
        m_bNoAudio = 1;
        code = 0;
    }
    const DWORD rate = code == 2 ? 44100 : code == 3 ? 48000 : 32000;
    m_wfAudio = PCMWAVEFORMAT{{WAVE_FORMAT_PCM, 2, rate, rate * 4, 4}, 16};
    m_bAudioFormatSet = 1;
}

int DVWriter::SetAudioFormat(PCMWAVEFORMAT format)
{
    if (!m_bAudioFormatLocked) {
        m_wfAudio = format;
        m_bAudioFormatSet = 1;
    }
    return kWriterOk;
}

const CWaveBuffer* DVWriter::Silence()
{
    const WAVEFORMATEX format = FormatExOf(m_wfAudio);
    const DWORD frameTime = m_videoInfo.dwScale;
    // Made again when this writer's format or frame time changed since.
    if (m_pSilence && m_pSilence->GetFormat() != nullptr &&
        std::memcmp(m_pSilence->GetFormat(), &format, 16) == 0 && m_nSilenceTime == frameTime)
        return m_pSilence.get();
    CMediaTime span;
    span.SetSeconds(frameTime / 1e6);
    m_pSilence = std::make_unique<CWaveBuffer>(span, &format);
    m_nSilenceTime = frameTime;
    return m_pSilence->m_bValid ? m_pSilence.get() : nullptr;
}

int DVWriter::Open(bool withAudio)
{
    m_pGraph.reset(m_makeGraph ? m_makeGraph() : new CDVWriterGraph);
    HRESULT hr = m_pGraph ? S_OK : E_OUTOFMEMORY;
    if (SUCCEEDED(hr) && (!m_bNameSet || MakeTempFileName() != kWriterOk))
        hr = E_FAIL;
    if (SUCCEEDED(hr)) {
        // A folder that takes no new file (read-only, or gone) is reported
        // as the file that cannot be opened, before a graph is built.
        HANDLE file = CreateFileA(m_strTempName, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            Log("DVWriter: the production file cannot be made\r\n", 0);
            DestroyGraph();
            return kWriterOpenFailed;
        }
        CloseHandle(file);
    }
    if (SUCCEEDED(hr)) {
        WCHAR wide[kPathChars] = {};
        MultiByteToWideChar(CP_ACP, 0, m_strTempName, -1, wide, kPathChars);
        const REFERENCE_TIME frameTime = static_cast<REFERENCE_TIME>(m_videoInfo.dwScale) * 10;
        const WAVEFORMATEX format = FormatExOf(m_wfAudio);
        hr = m_pGraph->Build(m_bih, frameTime, withAudio ? &format : nullptr, QueryDvAviType(), wide, m_nTotalFrames,
                             m_smartRanges);
        if (SUCCEEDED(hr))
            hr = m_pGraph->ConfigureInterleaving(INTERLEAVE_NONE, 1000, 0);
        if (SUCCEEDED(hr))
            hr = m_pGraph->SetNotifyWindow(m_hNotifyWnd, kGraphEventMessage, 0);
    }
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to build the DV writer's graph", hr);
        DestroyGraph();
        return kWriterNoName;
    }
    m_bVideoEnded = false;
    m_nVideoFailures = 0;
    return kWriterOk;
}

void DVWriter::DestroyGraph()
{
    m_pGraph.reset();
    m_bRunning = false;
    // A graph that never ran may still have left its file behind.
    if (!m_strTempName.IsEmpty() && FileExists(m_strTempName))
        DeleteFileA(m_strTempName);
    m_strTempName.Empty();
}

int DVWriter::WriteVideo(MediaFrame& frame, bool& counted)
{
    counted = true;
    if (frame.m_bSample) {
        IMediaSample* sample = frame.m_pSample;
        HRESULT hr = S_OK;
        BYTE* data = nullptr;
        if (sample != nullptr && (FAILED(sample->GetPointer(&data)) ||
                                  !IsDvFrameOfSystem(data, sample->GetActualDataLength(), m_bih.biHeight))) {
            // A DV frame of another system or size is never copied into
            // this production; the last copied frame stands in for it.
            Log("DVWriter: copied frame of another DV system replaced\r\n", 0);
            hr = m_pGraph->DeliverCompressed(nullptr);
        } else {
            hr = m_pGraph->DeliverCompressed(sample);
        }
        if (sample != nullptr) {
            sample->Release();
            frame.m_pSample = nullptr;
        }
        if (hr == S_FALSE) {
            // No copied frame was recent enough to repeat: the frame's own
            // picture is pushed in its place, so its time still moves the
            // file on (inside a copied stretch the switcher passes copied
            // frames only, and the multiplexer leaves the slot to show the
            // frame before); without a picture the frame has failed.
            hr = frame.m_pImage != nullptr ? m_pGraph->DeliverVideo(*frame.m_pImage) : E_FAIL;
        }
        return hr;
    }
    if (frame.m_pImage != nullptr)
        return m_pGraph->DeliverVideo(*frame.m_pImage);
    counted = false;
    return S_OK;
}

int DVWriter::Write(MediaFrame& frame, int)
{
    // Every frame without sound (the producer's duplicates too) is pushed
    // with a frame of silence, so the sound keeps step with the pictures.
    const CWaveBuffer* audio = frame.m_pAudio != nullptr ? frame.m_pAudio : Silence();
    if (!m_pGraph) {
        if (const int opened = Open(audio != nullptr); opened != kWriterOk)
            return opened;
    }
    if (!m_bRunning) {
        if (const HRESULT hr = m_pGraph->Run(); FAILED(hr)) {
            LOG_DSHOW_ERROR("Unable to run the DV writer's graph", hr);
            DestroyGraph();
            return kWriterNoName;
        }
        m_bRunning = true;
    }
    const bool pushAudio = audio != nullptr && m_pGraph->HasAudio();
    const HRESULT audioResult = pushAudio ? m_pGraph->DeliverAudio(*audio) : S_OK;

    CString text;
    bool counted = false;
    const HRESULT videoResult = WriteVideo(frame, counted);
    if (counted && FAILED(videoResult)) {
        if (++m_nVideoFailures > kToleratedVideoFailures) {
            text.Format("DVWriter::WriteVideo failed %d\r\n", kWriterFrameFailed);
            Log(text, 0);
            return kWriterFrameFailed;
        }
    } else {
        m_nVideoFailures = 0;
    }
    if (FAILED(audioResult) && FAILED(m_pGraph->DeliverAudio(*audio))) {
        text.Format("DVWriter::WriteAudio failed %d\r\n", kWriterFrameFailed);
        Log(text, 0);
        return kWriterFrameFailed;
    }
    if (counted) {
        ++m_nFramesWritten;
        Log("Frame Written\r\n", 3);
        // The announced last frame ends the video stream.
        if (m_nFramesWritten == m_nTotalFrames && !m_bVideoEnded) {
            m_pGraph->EndVideo();
            m_bVideoEnded = true;
        }
    }
    return kWriterOk;
}

int DVWriter::HandleNotify(long)
{
    if (!m_pGraph)
        return 0;
    int complete = 0;
    const HRESULT hr = m_pGraph->ProcessEvents(&complete);
    if (hr < 0)
        return 1;
    if (complete) {
        m_pGraph->Stop();
        return 1;
    }
    return 0;
}

int DVWriter::Close(int finish)
{
    Log("DVWriter::Close\r\n", 3);
    bool complete = true;
    if (m_pGraph) {
        // Everything pushed reaches the file before the graph stops; a
        // graph that ends on an error or does not finish in time has left
        // frames out, and its file is not kept as the production.
        if (finish && m_bRunning && m_pGraph->EndAllStreams(kFinishWait) != S_OK) {
            Log("DVWriter::Close: the graph did not finish writing the file\r\n", 0);
            complete = false;
        }
        m_pGraph->Stop();
        m_pGraph.reset();
    }
    m_bRunning = false;
    const int result = FinishFile(finish && complete ? 1 : 0);
    m_strTempName.Empty();
    return complete ? result : kWriterFrameFailed;
}
