#include "Win32/Utils/QORGraphBuilder.h"

#include "Win32/Utils/DShowUtils.h"
#include "Win32/Utils/QORGraphControl.h"

using com::ComPtr;
using namespace DShowUtils;

namespace {

// The subtype of WAVE_FORMAT_MPEG sound.
constexpr GUID kWaveFormatMpegSubtype = {0x00000050, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

constexpr int kDvFullResolution = 1000;

bool IsDv(REFGUID subtype) { return subtype == MEDIASUBTYPE_DVSD || subtype == MEDIASUBTYPE_dvsd; }

// A decoder that was added becomes the end of its path.
HRESULT FollowDecoder(IBaseFilter* decoder, ComPtr<IPin>& pathEnd, HRESULT hr)
{
    if (!decoder)
        return hr;
    ComPtr<IPin> output;
    hr = GetPin(decoder, PINDIR_OUTPUT, output.Receive());
    if (SUCCEEDED(hr))
        pathEnd = output;
    return hr;
}

void DumpMediaType(const AM_MEDIA_TYPE* type)
{
    DbgLog((LOG_TRACE, 3, "Pin Media type: major %08x sub %08x format %08x", static_cast<unsigned>(type->majortype.Data1),
            static_cast<unsigned>(type->subtype.Data1), static_cast<unsigned>(type->formattype.Data1)));
}

} // namespace

QORGraphBuilder::QORGraphBuilder() = default;

QORGraphBuilder::~QORGraphBuilder() { ReleaseGraph(); }

HRESULT QORGraphBuilder::OnGraphEvent(LONG, LONG_PTR, LONG_PTR) { return E_NOTIMPL; }

void QORGraphBuilder::OnVideoStream(int, const AM_MEDIA_TYPE*) {}

void QORGraphBuilder::OnAudioStream(int, const AM_MEDIA_TYPE*) {}

HRESULT QORGraphBuilder::Create(LPCWSTR path, int videoIndex, int audioIndex, BOOL preferAviSource,
                                BOOL reuseGraph, BOOL noClock)
{
    m_bAsfFile = FALSE;
    if (!reuseGraph) {
        if (m_bBuilt)
            return E_FAIL;
        HRESULT hr = CreateFilterGraph(m_pGraph.Receive());
        if (FAILED(hr)) {
            LOG_DSHOW_ERROR("Unable to create graph builder", hr);
            return hr;
        }
        AddGraphToRot(m_pGraph.Get(), &m_dwRotCookie);
    }
    if (!m_pGraph)
        return E_POINTER;
    if (noClock) {
        ComPtr<IMediaFilter> filter;
        if (SUCCEEDED(filter.QueryFrom(m_pGraph.Get(), IID_IMediaFilter)))
            filter->SetSyncSource(nullptr);
    }
    HRESULT hr;
    if (preferAviSource) {
        hr = AddFileSource(CLSID_AVIDoc, path, "AVI-WAV File Source");
        if (FAILED(hr))
            hr = AddSource(path);
    } else {
        hr = AddSource(path);
        if (FAILED(hr))
            hr = AddFileSource(CLSID_AVIDoc, path, "AVI-WAV File Source");
        if (FAILED(hr)) {
            hr = AddFileSource(CLSID_ASFReader, path, "ASF File Source");
            if (SUCCEEDED(hr))
                m_bAsfFile = TRUE;
        }
    }
    if (FAILED(hr))
        return hr;
    m_bBuilt = TRUE;
    return ClassifyPins(videoIndex, audioIndex);
}

HRESULT QORGraphBuilder::AddFileSource(REFCLSID clsid, LPCWSTR path, const char* name)
{
    return AddFileSourceFilter(m_pGraph.Get(), clsid, path, name, m_pSource.Receive());
}

HRESULT QORGraphBuilder::AddSource(LPCWSTR path)
{
    if (!m_pGraph)
        return E_POINTER;
    ComPtr<IBaseFilter> source;
    HRESULT hr = m_pGraph->AddSourceFilter(path, u"Async Source", source.Receive());
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to add file source filter", hr);
        return hr;
    }
    hr = ConnectSplitter(m_pGraph.Get(), source.Get(), m_pSource.Receive());
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to split the source", hr);
        m_pGraph->RemoveFilter(source.Get());
    }
    return hr;
}

void QORGraphBuilder::TakeVideoStream(int index, IPin* pin, const AM_MEDIA_TYPE* type)
{
    OnVideoStream(index, type);
    m_pVideoPin = pin;
    m_pSourceVideoPin = pin;
    m_VideoSubtype = type->subtype;
}

void QORGraphBuilder::TakeAudioStream(int index, IPin* pin, const AM_MEDIA_TYPE* type)
{
    OnAudioStream(index, type);
    m_pAudioPin = pin;
    m_pSourceAudioPin = pin;
    m_AudioSubtype = type->subtype;
}

bool QORGraphBuilder::TakeAsfStream(int index, IPin* pin, bool video)
{
    ComPtr<IBaseFilter> handler;
    HRESULT hr = AddFilterAndConnect(m_pGraph.Get(), pin, video ? CLSID_ASFICMHandler : CLSID_ASFACMHandler,
                                     video ? "ICM Handler" : "ACM Handler", handler.Receive());
    ComPtr<IPin> output;
    AM_MEDIA_TYPE* type = nullptr;
    if (SUCCEEDED(hr))
        hr = GetPin(handler.Get(), PINDIR_OUTPUT, output.Receive());
    if (SUCCEEDED(hr))
        hr = GetFirstMediaType(output.Get(), &type);
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to add the ASF stream handler", hr);
        if (handler)
            m_pGraph->RemoveFilter(handler.Get());
        return false;
    }
    if (video)
        TakeVideoStream(index, output.Get(), type);
    else
        TakeAudioStream(index, output.Get(), type);
    DeleteMediaType(type);
    return true;
}

HRESULT QORGraphBuilder::ClassifyPins(int videoIndex, int audioIndex)
{
    if (!m_pSource)
        return E_FAIL;
    ComPtr<IEnumPins> pins;
    if (FAILED(m_pSource->EnumPins(pins.Receive()))) {
        LOG_DSHOW_ERROR("Unable to enumerate the splitter's output pins", E_FAIL);
        return E_FAIL;
    }
    int video = 0, audio = 0, other = 0;
    bool unsupported = false;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.Receive(), nullptr) == S_OK) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        pin->QueryDirection(&direction);
        if (direction != PINDIR_OUTPUT)
            continue;
        ComPtr<IEnumMediaTypes> types;
        HRESULT hr = pin->EnumMediaTypes(types.Receive());
        AM_MEDIA_TYPE* type = nullptr;
        if (FAILED(hr) || types->Next(1, &type, nullptr) != S_OK || !type) {
            LOG_DSHOW_ERROR("Can't EnumMediaTypes", FAILED(hr) ? hr : E_FAIL);
            continue;
        }
        DumpMediaType(type);
        if (type->majortype == MEDIATYPE_Video) {
            if (type->subtype == MEDIASUBTYPE_DVD_SUBPICTURE)
                unsupported = true;
            if (video == videoIndex)
                TakeVideoStream(video, pin.Get(), type);
            ++video;
        } else if (type->majortype == MEDIATYPE_Audio) {
            if (type->subtype == MEDIASUBTYPE_DOLBY_AC3)
                unsupported = true;
            if (audio == audioIndex)
                TakeAudioStream(audio, pin.Get(), type);
            ++audio;
        } else if (type->majortype == MEDIATYPE_AsfStream &&
                   (type->subtype == MEDIASUBTYPE_AsfVideoStream || type->subtype == MEDIASUBTYPE_AsfAudioStream)) {
            // Every ASF stream counts, taken or not, so any index is reached.
            bool isVideo = type->subtype == MEDIASUBTYPE_AsfVideoStream;
            int& counter = isVideo ? video : audio;
            if (counter == (isVideo ? videoIndex : audioIndex))
                TakeAsfStream(counter, pin.Get(), isVideo);
            ++counter;
        } else {
            ++other;
        }
        DeleteMediaType(type);
    }
    if (unsupported)
        return E_FAIL;
    if (video == 0 && audio == 0 && other > 0) {
        ComPtr<IBaseFilter> splitter;
        if (SUCCEEDED(ConnectSplitter(m_pGraph.Get(), m_pSource.Get(), splitter.Receive()))) {
            m_pSource = splitter;
            // An unsupported stream behind the nested splitter is passed on.
            HRESULT hr = ClassifyPins(videoIndex, audioIndex);
            return hr == E_FAIL ? hr : S_OK;
        }
    }
    m_nVideoStreams += video;
    m_nAudioStreams += audio;
    return S_OK;
}

HRESULT QORGraphBuilder::AddVideoDecoder(BOOL drawMode, BOOL drawFilter)
{
    if (!m_pGraph || !m_pVideoPin)
        return E_POINTER;
    if (m_pVideoDecoder)
        return E_FAIL;
    const GUID& subtype = m_VideoSubtype;
    const bool mjpeg = subtype == MEDIASUBTYPE_MJPG || subtype == MEDIASUBTYPE_dmb1;
    HRESULT hr = S_OK;
    if (IsDv(subtype)) {
        hr = AddDecoder(CLSID_DVVideoCodec, "DV Decoder", TRUE);
    } else if (subtype == MEDIASUBTYPE_MPEG2_VIDEO) {
        hr = AddDecoder(CLSID_LigosMPEG2Decoder, "Ligos Decoder", TRUE);
    } else if (subtype == MEDIASUBTYPE_MPEG1Video || subtype == MEDIASUBTYPE_MPEG1Payload) {
        hr = AddDecoder(CLSID_CMpegVideoCodec, "MPEG-1 Video Decoder", TRUE);
    } else if (subtype == MEDIASUBTYPE_UYVY) {
        hr = AddDecoder(CLSID_AVIDec, "AVI Decompressor", TRUE);
    } else if (drawMode) {
        m_bDrawFilter = FALSE;
        hr = E_FAIL;
        if (drawFilter) {
            if (subtype == MEDIASUBTYPE_dmb1)
                hr = AddDecoder(CLSID_RainbowRunner, "RainbowRunner Decoder", TRUE);
            else
                hr = AddDecoder(CLSID_AVIDraw, "Avi Draw", TRUE);
            if (SUCCEEDED(hr))
                m_bDrawFilter = TRUE;
        }
        if (FAILED(hr)) {
            if (subtype == MEDIASUBTYPE_MJPG) {
                m_bDrawFilter = FALSE;
                hr = AddDecoder(CLSID_KestrelonMJPEGDecoder, "Kestrelon MJPEG Decoder", TRUE);
            } else {
                hr = AddDecoder(CLSID_AVIDec, "Avi Decompressor", TRUE);
            }
        }
    } else if (mjpeg) {
        hr = AddDecoder(CLSID_KestrelonMJPEGDecoder, "Kestrelon MJPEG Decoder", TRUE);
    } else {
        return S_OK;
    }
    return FollowDecoder(m_pVideoDecoder.Get(), m_pVideoPin, hr);
}

HRESULT QORGraphBuilder::AddAudioDecoder()
{
    if (!m_pGraph || !m_pAudioPin)
        return E_POINTER;
    if (m_pAudioDecoder)
        return E_FAIL;
    if (m_AudioSubtype != kWaveFormatMpegSubtype && m_AudioSubtype != MEDIASUBTYPE_MPEG1Audio)
        return S_OK;
    HRESULT hr = AddDecoder(CLSID_CMpegAudioCodec, "MPEG Audio Decoder", FALSE);
    return FollowDecoder(m_pAudioDecoder.Get(), m_pAudioPin, hr);
}

HRESULT QORGraphBuilder::AddDecoder(REFCLSID clsid, const char* name, BOOL video)
{
    ComPtr<IBaseFilter> decoder;
    HRESULT hr = AddFilterByClsid(m_pGraph.Get(), clsid, name, decoder.Receive());
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to add decompressor", hr);
        return hr;
    }
    if (m_bDvFullResolution && clsid == CLSID_DVVideoCodec) {
        ComPtr<IIPDVDec> dv;
        if (SUCCEEDED(dv.QueryFrom(decoder.Get(), IID_IIPDVDec)))
            dv->put_IPDisplay(kDvFullResolution);
    }
    IPin* sourcePin = video ? m_pSourceVideoPin.Get() : m_pSourceAudioPin.Get();
    hr = sourcePin ? ConnectPinToFilter(m_pGraph.Get(), sourcePin, decoder.Get(), FALSE) : E_POINTER;
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to connect to decompressor", hr);
        m_pGraph->RemoveFilter(decoder.Get());
        decoder.Reset();
    }
    (video ? m_pVideoDecoder : m_pAudioDecoder) = decoder;
    return hr;
}

HRESULT QORGraphBuilder::RemoveDecoders()
{
    if (!m_pGraph)
        return E_POINTER;
    QORGraphControl(m_pGraph.Get()).Stop();
    m_pVideoDecoder.Reset();
    m_pAudioDecoder.Reset();
    m_pVideoPin = m_pSourceVideoPin;
    m_pAudioPin = m_pSourceAudioPin;
    for (IPin* pin : {m_pSourceVideoPin.Get(), m_pSourceAudioPin.Get()}) {
        if (!pin)
            continue;
        PIN_INFO info{};
        if (FAILED(pin->QueryPinInfo(&info)))
            continue;
        ComPtr<IBaseFilter> owner = ComPtr<IBaseFilter>::Adopt(info.pFilter);
        RemoveDownstreamFilters(m_pGraph.Get(), owner.Get());
    }
    return S_OK;
}

HRESULT QORGraphBuilder::ReleaseGraph()
{
    if (m_pGraph)
        RemoveDecoders();
    if (m_dwRotCookie) {
        RemoveGraphFromRot(m_dwRotCookie);
        m_dwRotCookie = 0;
    }
    m_pVideoDecoder.Reset();
    m_pAudioDecoder.Reset();
    m_pAudioPin.Reset();
    m_pSourceAudioPin.Reset();
    m_pVideoPin.Reset();
    m_pSourceVideoPin.Reset();
    m_pSource.Reset();
    m_pGraph.Reset();
    m_bBuilt = FALSE;
    m_bDrawFilter = FALSE;
    m_nVideoStreams = 0;
    m_nAudioStreams = 0;
    m_VideoSubtype = GUID_NULL;
    m_AudioSubtype = GUID_NULL;
    return S_OK;
}

HRESULT QORGraphBuilder::SetNotifyWindow(HWND window, UINT message, LONG_PTR lParam)
{
    return SetGraphNotifyWindow(m_pGraph.Get(), window, message, lParam, "Error setting notifywnd");
}

HRESULT QORGraphBuilder::ProcessEvents()
{
    return DrainGraphEvents(m_pGraph.Get(),
                            [this](LONG code, LONG_PTR param1, LONG_PTR param2) { return OnGraphEvent(code, param1, param2); });
}
