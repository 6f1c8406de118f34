#include "Win32/Sb/Media/DShowReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <vector>

#include "Filters/Common/PluginClasses.h"
#include "Platform/Mfc/Wnd.h"
#include "Platform/Win/Kernel/Crt.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"
#include "Win32/Utils/DShowUtils.h"
#include "Win32/Utils/DvFrameSize.h"
#include "Win32/Utils/MessageBoxes.h"
#include "Win32/Utils/QORGraphControl.h"

using com::ComPtr;
using namespace DShowUtils;

namespace {

// Messages of the start-up check: a required filter's file is missing; the
// AVI draw filter is missing (the program still starts).
constexpr UINT IDS_REQUIRED_FILTER_MISSING = 32905;
constexpr UINT IDS_DRAW_FILTER_MISSING = 32906;

constexpr UINT kReaderGraphMessage = 0x412;
constexpr int kPathChars = 260;
constexpr double kAudioOnlyFrame = 66666.666666666667; // microseconds
constexpr LONGLONG kUnitsPerSecond = 10000000;
// The longest clip a file may declare: a day, in 100 ns units.
constexpr REFERENCE_TIME kLongestClip = 24LL * 3600 * kUnitsPerSecond;
// The most channels and the highest rate a sound format may name.
constexpr WORD kMostChannels = 8;
constexpr DWORD kHighestRate = 192000;
constexpr double kSwitchAll = 32000.0; // seconds
constexpr int kDvFullResolution = 1000;

// Byte offsets inside the video format blocks.
constexpr size_t kFrameTimeOffset = 40;
constexpr size_t kVideoInfoHeader = 48;
constexpr size_t kVideoInfo2Header = 72;

// Every live reader, so that a late graph event of a deleted reader is
// never handled. The readers' constructors and destructors and
// OnReaderGraphEvent use it, on the UI thread, each under g_liveLock.
std::mutex g_liveLock;
std::vector<CDShowReader*>& LiveReaders()
{
    static std::vector<CDShowReader*> readers;
    return readers;
}

void CopyMediaType(AM_MEDIA_TYPE& to, const AM_MEDIA_TYPE* from)
{
    FreeMediaType(to);
    to = *from;
    to.pbFormat = nullptr;
    to.cbFormat = 0;
    if (from->cbFormat && from->pbFormat) {
        to.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from->cbFormat));
        if (to.pbFormat) {
            std::memcpy(to.pbFormat, from->pbFormat, from->cbFormat);
            to.cbFormat = from->cbFormat;
        }
    }
    if (to.pUnk)
        to.pUnk->AddRef();
}

CMediaTime Microseconds(double microseconds) { return CMediaTime(0, 0, 0, microseconds); }

REFERENCE_TIME ToReferenceTime(const CMediaTime& time)
{
    return static_cast<REFERENCE_TIME>(time.GetTotalMicroseconds() * 10.0 + (time.GetTotalMicroseconds() >= 0 ? 0.5 : -0.5));
}

// Disconnects and removes a filter that could not be put to use.
void TakeOut(IGraphBuilder* graph, IBaseFilter* filter)
{
    if (!filter)
        return;
    DisconnectFilterPins(graph, filter);
    graph->RemoveFilter(filter);
}

// A grab pin's format block.
HRESULT ReadGrabFormat(IKLFrameGrab* grab, GUID* formatType, std::vector<BYTE>& format)
{
    DWORD size = 0;
    HRESULT hr = grab->GetFormatInfo(formatType, &size);
    if (FAILED(hr))
        return hr;
    format.assign(size, 0);
    return size ? grab->GetFormat(format.data(), size) : S_OK;
}

} // namespace

CDShowReader::CDShowReader(LPCSTR path, INT videoStream, INT audioStream) : m_strPath(path ? path : "")
{
    {
        std::lock_guard<std::mutex> lock(g_liveLock);
        LiveReaders().push_back(this);
    }
    WCHAR wide[kPathChars] = {};
    MultiByteToWideChar(CP_ACP, 0, m_strPath.c_str(), -1, wide, kPathChars);
    wide[kPathChars - 1] = 0;
    if (FAILED(Create(wide, videoStream, audioStream, FALSE, FALSE, FALSE))) {
        m_nStatus = kGraphFailed;
        return;
    }
    CWnd* main = AfxGetMainWnd();
    SetNotifyWindow(main ? main->GetSafeHwnd() : nullptr, kReaderGraphMessage, reinterpret_cast<LONG_PTR>(this));
    REFERENCE_TIME duration = 0;
    // A damaged header (a stream length of 0xFFFFFFFF, a scale of
    // 0xFFFFFFFF) declares centuries: a clip longer than a day is damaged.
    if (FAILED(MeasureDuration(&duration)) || duration < 0 || duration > kLongestClip) {
        m_nStatus = kGraphFailed;
        return;
    }
    m_rtFrame = kDefaultFrame;
    if (m_nVideoStream != -1 && !InitVideoFormat(duration)) {
        m_nStatus = kUnsupportedVideo;
        return;
    }
    if (m_nAudioStream != -1 && m_mtAudio.pbFormat && m_mtAudio.cbFormat >= sizeof(WAVEFORMATEX) - sizeof(WORD)) {
        const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(m_mtAudio.pbFormat);
        // A damaged sound format (thousands of channels, no rate) would set
        // the whole production's sound format: such a clip has no sound.
        const WORD channels = wave->nChannels;
        const DWORD rate = wave->nSamplesPerSec;
        if (channels == 0 || channels > kMostChannels || rate == 0 || rate > kHighestRate) {
            m_bSoundGone = 1;
            return;
        }
        m_pNativeAudioFormat = const_cast<WAVEFORMATEX*>(wave);
        std::memcpy(&m_NativeFormat, wave, sizeof(WAVEFORMATEX) - sizeof(WORD));
        m_NativeFormat.cbSize = 0;
        if (m_nVideoStream == -1) {
            // Sound alone: frames of 1/15 s, whatever the default frame.
            const INT count = static_cast<INT>(duration / m_rtFrame);
            m_tLength = Microseconds(static_cast<double>(duration) * 0.1);
            m_tSourceFrame = Microseconds(kAudioOnlyFrame);
            InitAudio(0, count, 0, m_NativeFormat.nChannels, static_cast<INT>(m_NativeFormat.nSamplesPerSec),
                      m_NativeFormat.wBitsPerSample);
        } else {
            m_nChannels = m_NativeFormat.nChannels;
            m_nSampleRate = static_cast<INT>(m_NativeFormat.nSamplesPerSec);
            m_nBitsPerSample = m_NativeFormat.wBitsPerSample;
        }
    }
}

CDShowReader::~CDShowReader()
{
    {
        std::lock_guard<std::mutex> lock(g_liveLock);
        auto& readers = LiveReaders();
        readers.erase(std::remove(readers.begin(), readers.end(), this), readers.end());
    }
    if (m_pGraph)
        QORGraphControl(m_pGraph.Get()).Stop();
    m_pVideoGrab.Reset();
    m_pAudioGrab.Reset();
    m_pQuickGrab.Reset();
    ReleaseGraph();
    FreeMediaType(m_mtVideo);
    FreeMediaType(m_mtAudio);
}

bool CDShowReader::InitVideoFormat(REFERENCE_TIME duration)
{
    size_t headerOffset = 0;
    const GUID& format = m_mtVideo.formattype;
    if (format == FORMAT_VideoInfo || format == FORMAT_MPEGVideo)
        headerOffset = kVideoInfoHeader;
    else if (format == FORMAT_VideoInfo2 || format == FORMAT_MPEG2Video)
        headerOffset = kVideoInfo2Header;
    else
        return false;
    if (!m_mtVideo.pbFormat || m_mtVideo.cbFormat < headerOffset + sizeof(BITMAPINFOHEADER))
        return false;
    m_pVideoHeader = reinterpret_cast<BITMAPINFOHEADER*>(m_mtVideo.pbFormat + headerOffset);
    LONGLONG frame = 0;
    std::memcpy(&frame, m_mtVideo.pbFormat + kFrameTimeOffset, sizeof frame);
    // A zero (or nonsense) duration keeps the default for every format type.
    if (frame > 0)
        m_rtFrame = frame;
    const LONG width = m_pVideoHeader->biWidth;
    const LONG height = std::abs(m_pVideoHeader->biHeight);
    if (format == FORMAT_VideoInfo && height > 288 && height > width)
        m_bFieldBased = 1;
    if (m_pVideoHeader->biBitCount == 0)
        m_pVideoHeader->biBitCount = 24;
    // A day of frames of at least 100 ns each still fits an INT only when
    // the frame is not absurdly short.
    const double frames = static_cast<double>(duration) / static_cast<double>(m_rtFrame) + 0.5;
    if (!(frames < static_cast<double>(std::numeric_limits<INT>::max() / 2)))
        return false;
    const INT count = static_cast<INT>(frames);
    const DWORD frameTime = static_cast<DWORD>(m_rtFrame / 10);
    m_tLength = Microseconds(static_cast<double>(duration) * 0.1);
    m_tSourceFrame = Microseconds(frameTime);
    InitVideo(0, count, frameTime, width, height, m_pVideoHeader->biBitCount);
    m_dFrameRate = static_cast<double>(kUnitsPerSecond) / static_cast<double>(m_rtFrame);
    return true;
}

HRESULT CDShowReader::MeasureDuration(REFERENCE_TIME* duration)
{
    *duration = 0;
    if (m_pVideoGrab)
        return E_FAIL;
    IPin* pin = nullptr;
    if (m_bAsfFile && m_pAudioPin) {
        pin = m_pAudioPin.Get();
    } else if (m_pVideoPin) {
        if (m_VideoSubtype == MEDIASUBTYPE_MPEG2_VIDEO)
            AddVideoDecoder(TRUE, TRUE);
        pin = m_pVideoPin.Get();
    } else {
        pin = m_pAudioPin.Get();
    }
    if (!pin)
        return E_FAIL;
    ComPtr<IBaseFilter> renderer;
    HRESULT hr = AddFilterByClsid(m_pGraph.Get(), CLSID_QuickGrab, "QOR Quick Grab Renderer", renderer.Receive());
    if (SUCCEEDED(hr))
        hr = ConnectPinToFilter(m_pGraph.Get(), pin, renderer.Get(), FALSE);
    if (SUCCEEDED(hr)) {
        ComPtr<IMediaSeeking> seeking;
        ComPtr<IMediaPosition> position;
        if (SUCCEEDED(seeking.QueryFrom(m_pGraph.Get(), IID_IMediaSeeking))) {
            seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
            hr = seeking->GetDuration(duration);
        } else if (SUCCEEDED(hr = position.QueryFrom(m_pGraph.Get(), IID_IMediaPosition))) {
            REFTIME seconds = 0;
            hr = position->get_Duration(&seconds);
            *duration = static_cast<REFERENCE_TIME>(seconds * kUnitsPerSecond);
        }
    } else {
        LOG_DSHOW_ERROR("Unable to measure the duration", hr);
    }
    RemoveDecoders();
    if (renderer)
        m_pGraph->RemoveFilter(renderer.Get());
    return hr;
}

INT CDShowReader::IsOpenImpl() { return m_nStatus == kOpen; }

INT CDShowReader::CanAllocateImage() { return 1; }

INT CDShowReader::HasVideo() { return m_nVideoStreams > 0; }

INT CDShowReader::HasAudio() { return m_nAudioStreams > 0 && !m_bSoundGone; }

INT CDShowReader::GetAudioFormat(WAVEFORMATEX* format)
{
    if (m_nAudioStream == -1 || m_bSoundGone || !format)
        return 0;
    *format = m_NativeFormat;
    return 1;
}

WAVEFORMATEX* CDShowReader::GetNativeAudioFormat() { return m_pNativeAudioFormat; }

BITMAPINFOHEADER* CDShowReader::GetVideoHeader() { return m_pVideoHeader; }

INT CDShowReader::GetVideoSubtype(GUID* subtype)
{
    if (m_nVideoStreams <= 0 || !subtype)
        return 0;
    *subtype = m_mtVideo.subtype;
    return 1;
}

HRESULT CDShowReader::OnGraphEvent(LONG, LONG_PTR, LONG_PTR) { return S_OK; }

void CDShowReader::OnVideoStream(int index, const AM_MEDIA_TYPE* type)
{
    m_nVideoStream = index;
    CopyMediaType(m_mtVideo, type);
}

void CDShowReader::OnAudioStream(int index, const AM_MEDIA_TYPE* type)
{
    m_nAudioStream = index;
    CopyMediaType(m_mtAudio, type);
}

void CDShowReader::OnReaderGraphEvent(LPARAM lParam)
{
    auto* reader = reinterpret_cast<CDShowReader*>(lParam);
    {
        std::lock_guard<std::mutex> lock(g_liveLock);
        auto& readers = LiveReaders();
        if (std::find(readers.begin(), readers.end(), reader) == readers.end())
            return;
    }
    reader->ProcessEvents();
}

HRESULT CDShowReader::Prepare(const MediaFrame* frame)
{
    // The graph runs from where reading starts: the start position, or
    // wherever a seek has put the reader since (a scene seeks its reader to
    // its in point), and stops the reader's length after it. Run from the
    // start position alone, a reader moved on would see its graph stop
    // short of the out point, and its sound would come from the wrong place.
    const CMediaTime from = m_tPosition;
    const REFERENCE_TIME start = ToReferenceTime(from);
    m_rtRunStart = start;
    // The source frame holding the start (a start on a frame's first unit,
    // up to rounding, is that frame's).
    const double frameUnits = SourceFrameUnits();
    m_nRunFirstSample =
        frameUnits > 0.0 ? static_cast<LONGLONG>(std::floor(static_cast<double>(start) / frameUnits + 1e-3)) : 0;
    HRESULT hr = S_OK;
    if (m_pVideoPin) {
        hr = BuildVideoChain();
        if (FAILED(hr))
            return hr;
    }
    if (m_pAudioPin && !m_bSoundGone && frame && frame->m_pAudio && frame->m_pAudio->GetFormat()) {
        hr = BuildAudioChain(frame->m_pAudio->GetFormat());
        if (FAILED(hr))
            return hr;
    }
    ComPtr<IMediaSeeking> seeking;
    ComPtr<IMediaPosition> position;
    if (SUCCEEDED(seeking.QueryFrom(m_pGraph.Get(), IID_IMediaSeeking))) {
        seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
        REFERENCE_TIME current = start;
        REFERENCE_TIME stop = start + ToReferenceTime(m_tLength) + 2 * m_rtFrame;
        seeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning);
    } else if (SUCCEEDED(position.QueryFrom(m_pGraph.Get(), IID_IMediaPosition))) {
        position->put_CurrentPosition(from.GetSeconds());
        position->put_StopTime(from.GetSeconds() + m_tLength.GetSeconds());
    }
    ComPtr<IMediaControl> control;
    hr = control.QueryFrom(m_pGraph.Get(), IID_IMediaControl);
    if (SUCCEEDED(hr))
        hr = control->Run();
    if (SUCCEEDED(hr))
        m_bRunning = 1;
    else
        LOG_DSHOW_ERROR("Unable to run the reader's graph", hr);
    return hr;
}

HRESULT CDShowReader::InsertSwitcher(ComPtr<IKLSwitcher>& switcher)
{
    // The sound of the file comes from a second source of the same file,
    // since the switcher takes the first source's video path.
    WCHAR wide[kPathChars] = {};
    MultiByteToWideChar(CP_ACP, 0, m_strPath.c_str(), -1, wide, kPathChars);
    ComPtr<IPin> audioBefore = m_pAudioPin;
    if (FAILED(Create(wide, -1, 0, FALSE, TRUE, FALSE))) {
        m_nStatus = kGraphFailed;
        m_pAudioPin = audioBefore;
    }
    ComPtr<IBaseFilter> filter;
    HRESULT hr = AddFilterByClsid(m_pGraph.Get(), CLSID_QORSwitcher, "Kestrelon Video Switcher", filter.Receive());
    ComPtr<IPin> output;
    if (SUCCEEDED(hr))
        hr = ConnectPinToFilter(m_pGraph.Get(), m_pVideoPin.Get(), filter.Get(), FALSE);
    if (SUCCEEDED(hr))
        hr = GetPin(filter.Get(), PINDIR_OUTPUT, output.Receive());
    if (SUCCEEDED(hr))
        hr = switcher.QueryFrom(filter.Get(), IID_IKLSwitcher);
    if (SUCCEEDED(hr))
        hr = switcher->SetLastSwitch(TRUE);
    if (SUCCEEDED(hr))
        hr = switcher->RouteSeconds(0, 0, 0.0, kSwitchAll);
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to add the video switcher", hr);
        switcher.Reset();
        TakeOut(m_pGraph.Get(), filter.Get());
        return hr;
    }
    // The switcher stands where the source's video pin was: decoders go
    // behind its first output.
    m_pVideoPin = output;
    m_pSourceVideoPin = output;
    return hr;
}

void CDShowReader::AddQuickGrab(IKLSwitcher* switcher, IBaseFilter* switcherFilter)
{
    ComPtr<IBaseFilter> renderer;
    ComPtr<IPin> free;
    HRESULT hr = AddFilterByClsid(m_pGraph.Get(), CLSID_QuickGrab, "QOR Quick Grab Renderer", renderer.Receive());
    if (SUCCEEDED(hr))
        hr = GetUnconnectedPin(switcherFilter, PINDIR_OUTPUT, free.Receive());
    if (SUCCEEDED(hr))
        hr = ConnectPinToFilter(m_pGraph.Get(), free.Get(), renderer.Get(), FALSE);
    if (SUCCEEDED(hr))
        hr = m_pQuickGrab.QueryFrom(renderer.Get(), IID_IKLFrameGrab);
    for (const CSmartRange& range : m_SmartRanges) {
        if (FAILED(hr))
            break;
        const LONGLONG first = RunFrameAt(ToReferenceTime(range.m_tStart));
        const LONGLONG end = RunFrameAt(ToReferenceTime(range.m_tEnd));
        if (end > first)
            hr = switcher->RouteSeconds(0, 1, RouteSecondsFor(first), RouteSecondsFor(end));
    }
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to add the quick grab renderer", hr);
        m_pQuickGrab.Reset();
        TakeOut(m_pGraph.Get(), renderer.Get());
    }
}

HRESULT CDShowReader::BuildVideoChain()
{
    if (m_pVideoGrab)
        return S_OK;
    if (!m_pVideoPin)
        return E_FAIL;
    ComPtr<IKLSwitcher> switcher;
    ComPtr<IBaseFilter> switcherFilter;
    if (!m_SmartRanges.empty() && SUCCEEDED(InsertSwitcher(switcher))) {
        PIN_INFO info{};
        if (SUCCEEDED(m_pVideoPin->QueryPinInfo(&info)))
            switcherFilter = ComPtr<IBaseFilter>::Adopt(info.pFilter);
    }
    HRESULT hr = AddVideoDecoder(FALSE, FALSE);
    if (FAILED(hr))
        return hr;
    ComPtr<IBaseFilter> grab;
    hr = AddFilterByClsid(m_pGraph.Get(), CLSID_VideoGrab, "Kestrelon Video Grab Filter", grab.Receive());
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to add the video grab filter", hr);
        return hr;
    }
    bool connected = false;
    if (m_pVideoDecoder) {
        connected = SUCCEEDED(ConnectPinToFilter(m_pGraph.Get(), m_pVideoPin.Get(), grab.Get(), TRUE));
        if (!connected) {
            ComPtr<IBaseFilter> converter;
            if (SUCCEEDED(AddFilterAndConnect(m_pGraph.Get(), m_pVideoPin.Get(), CLSID_Colour, "ColourSpace Convertor",
                                              converter.Receive()))) {
                connected = SUCCEEDED(ConnectFilters(m_pGraph.Get(), converter.Get(), grab.Get(), TRUE));
                if (!connected)
                    RemoveDownstreamFilters(m_pGraph.Get(), m_pVideoDecoder.Get());
            } else if (converter) {
                m_pGraph->RemoveFilter(converter.Get());
            }
        }
    }
    if (!connected) {
        hr = ConnectPinToFilter(m_pGraph.Get(), m_pVideoPin.Get(), grab.Get(), FALSE);
        if (FAILED(hr)) {
            LOG_DSHOW_ERROR("Unable to connect the video grab filter", hr);
            return hr;
        }
    }
    if (m_pVideoDecoder) {
        ComPtr<IIPDVDec> dv;
        if (SUCCEEDED(dv.QueryFrom(m_pVideoDecoder.Get(), IID_IIPDVDec))) {
            SIZE out = {m_nOutWidth, m_nOutHeight};
            const int id = FindDvFrameSizeId(&out, m_nSourceHeight, FALSE);
            dv->put_IPDisplay(id ? id : kDvFullResolution);
        }
    }
    hr = m_pVideoGrab.QueryFrom(grab.Get(), IID_IKLFrameGrab);
    if (FAILED(hr))
        return hr;
    GUID formatType{};
    hr = ReadGrabFormat(m_pVideoGrab.Get(), &formatType, m_pVideoFormat);
    if (FAILED(hr))
        return hr;
    size_t offset = formatType == FORMAT_VideoInfo ? kVideoInfoHeader
                    : formatType == FORMAT_VideoInfo2 ? kVideoInfo2Header
                                                      : 0;
    if (!offset || m_pVideoFormat.size() < offset + sizeof(BITMAPINFOHEADER))
        return E_FAIL;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(m_pVideoFormat.data() + offset);
    DWORD image = header->biSizeImage;
    if (!image)
        image = static_cast<DWORD>(((header->biWidth * std::max<WORD>(header->biBitCount, 8) / 8 + 3) & ~3) *
                                   std::abs(header->biHeight));
    const DWORD headerSize = std::max<DWORD>(header->biSize, sizeof(BITMAPINFOHEADER));
    try {
        m_pDib.assign(headerSize + image, 0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(m_pDib.data(), header, std::min<size_t>(headerSize, m_pVideoFormat.size() - offset));
    reinterpret_cast<BITMAPINFOHEADER*>(m_pDib.data())->biSizeImage = image;
    m_pDibBits = m_pDib.data() + headerSize;
    if (switcher && switcherFilter)
        AddQuickGrab(switcher.Get(), switcherFilter.Get());
    return S_OK;
}

HRESULT CDShowReader::InsertResampler(const WAVEFORMATEX* target)
{
    ComPtr<IBaseFilter> resampler;
    ComPtr<IPin> output;
    ComPtr<IKLAudioFilter> settings;
    HRESULT hr = AddFilterByClsid(m_pGraph.Get(), CLSID_Reverbix, "Audio Resampler", resampler.Receive());
    if (SUCCEEDED(hr))
        hr = ConnectPinToFilter(m_pGraph.Get(), m_pAudioPin.Get(), resampler.Get(), FALSE);
    if (SUCCEEDED(hr))
        hr = GetPin(resampler.Get(), PINDIR_OUTPUT, output.Receive());
    if (SUCCEEDED(hr))
        hr = settings.QueryFrom(resampler.Get(), IID_IKLAudioFilter);
    if (SUCCEEDED(hr))
        hr = settings->SetOutputChannels(target->nChannels);
    if (SUCCEEDED(hr))
        hr = settings->SetOutputBits(target->wBitsPerSample);
    if (SUCCEEDED(hr))
        hr = settings->SetOutputRate(static_cast<int>(target->nSamplesPerSec));
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to add the audio resampler", hr);
        TakeOut(m_pGraph.Get(), resampler.Get());
        return hr;
    }
    m_pAudioPin = output;
    return hr;
}

HRESULT CDShowReader::BuildAudioChain(const WAVEFORMATEX* target)
{
    if (m_pAudioGrab)
        return S_OK;
    ComPtr<IBaseFilter> grab;
    HRESULT hr = AddFilterByClsid(m_pGraph.Get(), CLSID_AudioGrab, "Kestrelon Audio Grab Filter", grab.Receive());
    if (SUCCEEDED(hr))
        hr = m_pAudioGrab.QueryFrom(grab.Get(), IID_IKLFrameGrab);
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to add the audio grab filter", hr);
        return hr;
    }
    AddAudioDecoder();
    const bool dv = m_VideoSubtype == MEDIASUBTYPE_DVSD || m_VideoSubtype == MEDIASUBTYPE_dvsd;
    if (dv || m_NativeFormat.nChannels != target->nChannels || m_NativeFormat.nSamplesPerSec != target->nSamplesPerSec ||
        m_NativeFormat.nBlockAlign != target->nBlockAlign || m_NativeFormat.wBitsPerSample != target->wBitsPerSample) {
        hr = InsertResampler(target);
        if (FAILED(hr))
            return hr;
    }
    hr = ConnectPinToFilter(m_pGraph.Get(), m_pAudioPin.Get(), grab.Get(), FALSE);
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to connect the audio grab filter", hr);
        return hr;
    }
    GUID formatType{};
    hr = ReadGrabFormat(m_pAudioGrab.Get(), &formatType, m_pAudioFormat);
    if (FAILED(hr))
        return hr;
    if (formatType != FORMAT_WaveFormatEx || m_pAudioFormat.size() < sizeof(WAVEFORMATEX) - sizeof(WORD))
        return E_FAIL;
    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(m_pAudioFormat.data());
    m_nCacheSize = static_cast<INT>(3 * wave->nAvgBytesPerSec);
    try {
        m_pCache.assign(static_cast<size_t>(m_nCacheSize), 0);
    } catch (const std::bad_alloc&) {
        m_nCacheSize = 0;
        return E_OUTOFMEMORY;
    }
    m_nCacheOffset = 0;
    m_nCacheCount = 0;
    return S_OK;
}

void CDShowReader::ReadFrame(INT index, INT heldIndex, MediaFrame* frame)
{
    if (!m_bRunning && FAILED(Prepare(frame)))
        return;
    if (frame->m_pImage && index != heldIndex)
        GrabVideo(frame);
    if (frame->m_pAudio)
        GrabAudio(ToReferenceTime(Microseconds(index * m_tFrame.GetTotalMicroseconds())), frame);
}

void CDShowReader::ReadVideo(INT frameIndex, INT heldIndex, MediaFrame* frame)
{
    ReadFrame(frameIndex, heldIndex, frame);
}

void CDShowReader::ReadAudio(INT block, INT ignored, MediaFrame* frame) { ReadFrame(block, ignored, frame); }

// The source frame's duration in 100 ns units: a file gives it rounded to
// a whole unit, which for the NTSC rates (1001/30000 s) drifts by a third
// of a unit a frame.
double CDShowReader::SourceFrameUnits() const
{
    for (const double rate : {30000.0, 24000.0, 60000.0}) {
        const double exact = 1001.0 * kUnitsPerSecond / rate;
        if (std::abs(static_cast<double>(m_rtFrame) - exact) < 1.0)
            return exact;
    }
    return static_cast<double>(m_rtFrame);
}

LONGLONG CDShowReader::RunFrameAt(REFERENCE_TIME time) const
{
    const REFERENCE_TIME frame = ToReferenceTime(m_tFrame);
    return frame > 0 ? std::llround(static_cast<double>(time - m_rtRunStart) / static_cast<double>(frame)) : 0;
}

double CDShowReader::RouteSecondsFor(LONGLONG runFrame) const
{
    // From the run's first frame on, everything the run delivers.
    const double frameUnits = SourceFrameUnits();
    if (runFrame <= 0 || frameUnits <= 0.0)
        return 0.0;
    const double frame = static_cast<double>(ToReferenceTime(m_tFrame));
    const double sample = static_cast<double>(m_nRunFirstSample) +
                          std::round(static_cast<double>(runFrame) * frame / frameUnits);
    const double sampleStart = sample * frameUnits;
    // Past the run's start too: the switcher takes up its schedule where
    // the run starts, and drops a sample that starts before the switch it
    // finds there, so a switch between the run's first source frame and
    // the run's start would lose that frame.
    const double at = std::max(sampleStart - 0.5 * frameUnits, 0.5 * (static_cast<double>(m_rtRunStart) + sampleStart));
    return at / kUnitsPerSecond;
}

// Decided by the frame's place in the run, not by comparing times: a range
// that starts half a frame off the source's frames would otherwise take a
// frame the switcher does not send as a copy.
bool CDShowReader::InSmartRange(REFERENCE_TIME time) const
{
    const LONGLONG frame = RunFrameAt(time);
    for (const CSmartRange& range : m_SmartRanges)
        if (RunFrameAt(ToReferenceTime(range.m_tStart)) <= frame && frame < RunFrameAt(ToReferenceTime(range.m_tEnd)))
            return true;
    return false;
}

void CDShowReader::DropQueued(IKLFrameGrab* grab, REFERENCE_TIME time)
{
    BOOL dropped = TRUE;
    while (dropped && SUCCEEDED(grab->DropSample(time, &dropped))) {
    }
}

void CDShowReader::GrabVideo(MediaFrame* frame)
{
    if (!m_pVideoGrab || m_pDib.empty())
        return;
    REFERENCE_TIME time = ToReferenceTime(m_tPosition);
    REFERENCE_TIME end = 0;
    if (m_pQuickGrab && InSmartRange(time)) {
        if (m_nGrabState != 2)
            DropQueued(m_pVideoGrab.Get(), time);
        m_nGrabState = 2;
        IMediaSample* sample = nullptr;
        if (SUCCEEDED(m_pQuickGrab->GetSample(&time, &end, &sample)) && sample) {
            frame->m_pSample = sample;
            frame->m_bSample = 1;
            // The caller owns the image it handed in.
            frame->m_pImage = nullptr;
            return;
        }
        // No sample: the frame is decoded like any other.
    }
    if (m_nGrabState == 2 && m_pQuickGrab)
        DropQueued(m_pQuickGrab.Get(), time);
    m_nGrabState = 1;
    frame->m_bSample = 0;
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(m_pDib.data());
    DWORD copied = 0;
    HRESULT hr = m_pVideoGrab->GetFrame(&time, &end, m_pDibBits, header->biSizeImage, &copied);
    if (FAILED(hr)) {
        // Never the previous picture again as if it were this frame: a
        // black one, and the reader reports the failure.
        LOG_DSHOW_ERROR("Video grab failed", hr);
        std::fill(m_pDibBits, m_pDib.data() + m_pDib.size(), 0);
        m_bFailed = 1;
    }
    auto* image = new (std::nothrow) CIplImage(header, false);
    if (image && image->GetImage()) {
        // Replaces the image; the caller deletes the one it handed in.
        frame->m_pImage = image;
    } else {
        delete image;
    }
}

INT CDShowReader::LevelAt() const
{
    const INT volume = const_cast<CDShowReader*>(this)->GetVolume();
    const LONGLONG p = m_tPosition.GetMilliseconds();
    const LONGLONG i = m_tIn.GetMilliseconds();
    const LONGLONG o = i + m_tLength.GetMilliseconds();
    INT level = volume;
    if (m_bFadeIn && i <= p && p < i + 1000)
        level = static_cast<INT>(volume * (p - i) / 1000);
    if (m_bFadeOut && o - 1000 <= p && p <= o)
        level = static_cast<INT>(volume - volume * (p - (o - 1000)) / 1000);
    return level;
}

bool CDShowReader::RefillSoundCache(REFERENCE_TIME time)
{
    constexpr REFERENCE_TIME kUnstamped = std::numeric_limits<REFERENCE_TIME>::min();
    REFERENCE_TIME start = m_bSoundPlaced ? time : kUnstamped;
    REFERENCE_TIME end = 0;
    DWORD got = 0;
    HRESULT hr = m_pAudioGrab->GetFrame(&start, &end, m_pCache.data(), static_cast<DWORD>(m_nCacheSize), &got);
    if (FAILED(hr) || got == 0)
        return false;
    if (hr == S_FALSE) {
        // A whole wait passed without sound: the sound branch has nothing
        // to give (its decoder refused the format or failed). The clip is
        // silent from here on, as one without sound is, and no read waits
        // for its sound again.
        m_bSoundGone = 1;
        m_nCacheCount = 0;
        return false;
    }
    m_nCacheOffset = 0;
    m_nCacheCount = static_cast<INT>(got);
    if (!m_bSoundPlaced && start != kUnstamped)
        PlaceSound(start);
    return true;
}

// The sound of a file need not start where its pictures do: after a seek
// the first sound sample may begin a chunk before or after the position
// (an AVI stores its sound in chunks, a QuickTime file in larger ones), and
// a file may store sound before its first picture. The stream's time zero
// is the position reading started from, so the sound before it is cut and
// a late start is padded with silence: the sound stays on its pictures.
// Only the first stamp counts: the sound after it runs on without gaps,
// while later stamps may lag their data by the resampler's delay.
void CDShowReader::PlaceSound(REFERENCE_TIME start)
{
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(m_pAudioFormat.data());
    const LONGLONG align = std::max<WORD>(format->nBlockAlign, 1);
    const LONGLONG bytes = static_cast<LONGLONG>(std::llround(static_cast<double>(start) * format->nAvgBytesPerSec /
                                                              kUnitsPerSecond)) /
                           align * align;
    // At most the cache's three seconds either way: more is a gap or a
    // damaged stamp, not a chunk's offset.
    if (bytes >= 0)
        m_nSilenceOwed = std::min<LONGLONG>(bytes, m_nCacheSize);
    else
        m_nSoundToCut = std::min<LONGLONG>(-bytes, m_nCacheSize);
    m_bSoundPlaced = 1;
}

void CDShowReader::GrabAudio(REFERENCE_TIME time, MediaFrame* frame)
{
    CWaveBuffer* block = frame->m_pAudio;
    if (!m_pAudioGrab || !block || !block->m_pData || m_pCache.empty() || m_bSoundGone)
        return;
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(m_pAudioFormat.data());
    const BYTE silence = format->wBitsPerSample == 8 ? 0x80 : 0;
    DWORD filled = 0;
    const DWORD wanted = block->m_nCapacity;
    while (filled < wanted) {
        if (m_nSilenceOwed > 0) {
            const DWORD pad = static_cast<DWORD>(std::min<LONGLONG>(wanted - filled, m_nSilenceOwed));
            std::memset(block->m_pData + filled, silence, pad);
            filled += pad;
            m_nSilenceOwed -= pad;
            continue;
        }
        if (m_nCacheCount <= 0) {
            if (!RefillSoundCache(time)) {
                // Sound that is gone leaves the block silent and whole.
                if (m_bSoundGone)
                    std::memset(block->m_pData + filled, silence, wanted - filled);
                block->m_nLength = m_bSoundGone ? wanted : filled;
                return;
            }
            continue;
        }
        if (m_nSoundToCut > 0) {
            const INT cut = static_cast<INT>(std::min<LONGLONG>(m_nSoundToCut, m_nCacheCount));
            m_nCacheOffset += cut;
            m_nCacheCount -= cut;
            m_nSoundToCut -= cut;
            continue;
        }
        const DWORD take = std::min<DWORD>(wanted - filled, static_cast<DWORD>(m_nCacheCount));
        std::memcpy(block->m_pData + filled, m_pCache.data() + m_nCacheOffset, take);
        filled += take;
        m_nCacheOffset += static_cast<INT>(take);
        m_nCacheCount -= static_cast<INT>(take);
    }
    block->m_nLength = filled;
    block->ScaleLevel(LevelAt(), 1, 1024);
}

MediaFrame* CDShowReader::GetAudio(INT* failed, WAVEFORMATEX* format, INT want)
{
    auto* frame = new (std::nothrow) MediaFrame;
    INT ignored = 0;
    if (!failed)
        failed = &ignored;
    *failed = m_bFailed;
    if (!frame || m_bFailed || !want)
        return frame;
    frame->m_pAudio = format ? new (std::nothrow) CWaveBuffer(m_tFrame, format) : nullptr;
    if (!frame->m_pAudio || !frame->m_pAudio->m_pData)
        return frame;
    if (m_bRunning || SUCCEEDED(Prepare(frame)))
        GrabAudio(ToReferenceTime(m_tPosition), frame);
    return frame;
}

HRESULT CDShowReader::SeekGraph(CMediaTime time)
{
    if (!m_pGraph)
        return E_POINTER;
    ComPtr<IMediaControl> control;
    control.QueryFrom(m_pGraph.Get(), IID_IMediaControl);
    if (m_bRunning && control)
        control->Stop();
    ComPtr<IMediaSeeking> seeking;
    HRESULT hr = seeking.QueryFrom(m_pGraph.Get(), IID_IMediaSeeking);
    if (SUCCEEDED(hr)) {
        REFERENCE_TIME current = ToReferenceTime(time);
        hr = seeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    }
    m_nCacheCount = 0;
    m_nCacheOffset = 0;
    m_bSoundPlaced = 0;
    m_nSilenceOwed = 0;
    m_nSoundToCut = 0;
    if (m_bRunning && control)
        control->Run();
    return hr;
}

INT CheckRequiredFilters()
{
    struct Required {
        const CLSID* clsid;
        const char* file;
        UINT message;
        bool required;
    };
    static constexpr GUID kQklawr = {0xB0BF3281, 0xB1BD, 0x11D0, {0xA9, 0xB2, 0x00, 0xC0, 0xA8, 0x47, 0xCC, 0xA1}};
    static constexpr GUID kDvPatch = {0x5FBF5221, 0x8096, 0x11D3, {0x8C, 0xE2, 0x00, 0x08, 0xC7, 0x8F, 0xA0, 0x15}};
    const Required filters[] = {
        {&CLSID_QuickGrab, "Grabwell.ax", IDS_REQUIRED_FILTER_MISSING, true},
        {&CLSID_Reverbix, "Reverbix.ax", IDS_REQUIRED_FILTER_MISSING, true},
        {&kQklawr, "qklawr.ax", IDS_REQUIRED_FILTER_MISSING, true},
        {&CLSID_WavDest, "Quillet.ax", IDS_REQUIRED_FILTER_MISSING, true},
        {&kDvPatch, "dvpatch.ax", IDS_REQUIRED_FILTER_MISSING, true},
        {&CLSID_AVIDraw, "AVIDraw", IDS_DRAW_FILTER_MISSING, false},
    };
    for (const Required& each : filters) {
        ComPtr<IBaseFilter> filter;
        if (SUCCEEDED(CoCreateInstance(*each.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                       filter.ReceiveVoid())))
            continue;
        ShowFormattedMessage(each.message, each.file, MB_OK);
        if (each.required)
            return 0;
    }
    return 1;
}
