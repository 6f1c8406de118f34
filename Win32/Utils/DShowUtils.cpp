#include "Win32/Utils/DShowUtils.h"

#include <cstdint>
#include <cstdio>
#include <deque>

#include "Platform/Mfc/AfxControls.h"
#include "Platform/Win/Controls/Dialogs.h"
#include "Platform/Win/Kernel/Crt.h"
#include "Platform/Win/Kernel/System.h"

using com::ComPtr;

namespace DShowUtils {
namespace {

constexpr int kNameChars = 100;
constexpr DWORD kErrorTextChars = 160;

void ToWideName(const char* name, WCHAR (&wide)[kNameChars])
{
    wide[0] = 0;
    if (name && !MultiByteToWideChar(CP_ACP, 0, name, -1, wide, kNameChars))
        wide[kNameChars - 1] = 0;
}

bool IsConnected(IPin* pin)
{
    ComPtr<IPin> to;
    return SUCCEEDED(pin->ConnectedTo(to.Receive())) && to;
}

// Calls `take` with each pin of the filter until it returns true; that pin
// is then handed back. E_FAIL when no pin is taken.
template <typename Take> HRESULT FindPin(IBaseFilter* filter, IPin** pin, Take take)
{
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.Receive());
    if (FAILED(hr))
        return hr;
    ComPtr<IPin> each;
    while (pins->Next(1, each.Receive(), nullptr) == S_OK) {
        if (take(each.Get())) {
            *pin = each.Detach();
            return S_OK;
        }
    }
    return E_FAIL;
}

PIN_DIRECTION DirectionOf(IPin* pin)
{
    PIN_DIRECTION direction = PINDIR_INPUT;
    pin->QueryDirection(&direction);
    return direction;
}

// The pin's connection type when connected, else its first enumerated type.
HRESULT PinMediaType(IPin* pin, AM_MEDIA_TYPE** type)
{
    *type = nullptr;
    if (IsConnected(pin)) {
        auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (!mt)
            return E_OUTOFMEMORY;
        *mt = AM_MEDIA_TYPE{};
        HRESULT hr = pin->ConnectionMediaType(mt);
        if (FAILED(hr)) {
            CoTaskMemFree(mt);
            return hr;
        }
        *type = mt;
        return S_OK;
    }
    return GetFirstMediaType(pin, type);
}

bool MajorTypeIs(IPin* pin, REFGUID majorType)
{
    AM_MEDIA_TYPE* mt = nullptr;
    if (FAILED(PinMediaType(pin, &mt)))
        return false;
    bool match = mt->majortype == majorType;
    DeleteMediaType(mt);
    return match;
}

HRESULT ConnectPins(IGraphBuilder* graph, IPin* output, IPin* input, BOOL direct)
{
    return direct ? graph->ConnectDirect(output, input, nullptr) : graph->Connect(output, input);
}

// Disconnects and removes every filter beyond the filter's pins whose
// connected pin has the direction `farDirection`.
void RemoveFiltersBeyond(IGraphBuilder* graph, IBaseFilter* filter, PIN_DIRECTION farDirection)
{
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Receive())))
        return;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.Receive(), nullptr) == S_OK) {
        ComPtr<IPin> to;
        if (FAILED(pin->ConnectedTo(to.Receive())) || !to)
            continue;
        PIN_INFO info{};
        if (FAILED(to->QueryPinInfo(&info)))
            continue;
        ComPtr<IBaseFilter> owner = ComPtr<IBaseFilter>::Adopt(info.pFilter);
        if (info.dir != farDirection)
            continue;
        // The far filter's own far side goes first: a splitter drops its
        // output pins once its input is disconnected, which would strand
        // the filters behind them.
        if (owner)
            RemoveFiltersBeyond(graph, owner.Get(), farDirection);
        graph->Disconnect(to.Get());
        graph->Disconnect(pin.Get());
        if (owner) {
            DisconnectFilterPins(graph, owner.Get());
            graph->RemoveFilter(owner.Get());
        }
    }
}

HRESULT AddSplitter(IGraphBuilder* graph, IPin* sourcePin, REFCLSID clsid, ComPtr<IBaseFilter>& splitter)
{
    HRESULT hr = AddFilterByClsid(graph, clsid, "Splitter", splitter.Receive());
    if (FAILED(hr))
        return hr;
    ComPtr<IPin> input;
    hr = GetPin(splitter.Get(), PINDIR_INPUT, input.Receive());
    if (SUCCEEDED(hr))
        hr = graph->Connect(sourcePin, input.Get());
    return hr;
}

void DropFilter(IGraphBuilder* graph, ComPtr<IBaseFilter>& filter)
{
    if (filter) {
        graph->RemoveFilter(filter.Get());
        filter.Reset();
    }
}

} // namespace

HRESULT CreateFilterGraph(IGraphBuilder** graph)
{
    CheckPointer(graph, E_POINTER);
    *graph = nullptr;
    return CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                            reinterpret_cast<void**>(graph));
}

HRESULT AddFilterByClsid(IGraphBuilder* graph, REFCLSID clsid, const char* name, IBaseFilter** filter)
{
    CheckPointer(filter, E_POINTER);
    *filter = nullptr;
    CheckPointer(graph, E_POINTER);
    ComPtr<IBaseFilter> made;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, made.ReceiveVoid());
    if (FAILED(hr))
        return hr;
    WCHAR wide[kNameChars];
    ToWideName(name, wide);
    hr = graph->AddFilter(made.Get(), wide);
    if (FAILED(hr))
        return hr;
    *filter = made.Detach();
    return hr;
}

HRESULT AddFilterAndConnect(IGraphBuilder* graph, IPin* output, REFCLSID clsid, const char* name,
                            IBaseFilter** filter)
{
    HRESULT hr = AddFilterByClsid(graph, clsid, name, filter);
    if (FAILED(hr))
        return hr;
    return ConnectPinToFilter(graph, output, *filter, TRUE);
}

HRESULT AddFileSourceFilter(IGraphBuilder* graph, REFCLSID clsid, LPCWSTR path, const char* name,
                            IBaseFilter** filter)
{
    CheckPointer(filter, E_POINTER);
    *filter = nullptr;
    if (!graph || !path)
        return E_POINTER;
    ComPtr<IBaseFilter> source;
    HRESULT hr = AddFilterByClsid(graph, clsid, name, source.Receive());
    if (FAILED(hr))
        return hr;
    ComPtr<IFileSourceFilter> file;
    hr = file.QueryFrom(source.Get(), IID_IFileSourceFilter);
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("IFileSourceFilter interface not available", hr);
        DropFilter(graph, source);
        return hr;
    }
    hr = file->Load(path, nullptr);
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Error loading file", hr);
        DropFilter(graph, source);
        return hr;
    }
    *filter = source.Detach();
    return hr;
}

HRESULT AddFilterFromMoniker(IGraphBuilder* graph, IMoniker* moniker, LPCWSTR name, IBaseFilter** filter)
{
    if (!graph || !moniker || !name || !filter)
        return E_INVALIDARG;
    *filter = nullptr;
    ComPtr<IBaseFilter> made;
    HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, made.ReceiveVoid());
    if (FAILED(hr))
        return hr;
    hr = graph->AddFilter(made.Get(), name);
    if (FAILED(hr))
        return hr;
    *filter = made.Detach();
    return hr;
}

HRESULT FillDeviceCombo(CComboBox* combo, REFCLSID category)
{
    if (!combo)
        return E_INVALIDARG;
    ComPtr<ICreateDevEnum> devices;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                  devices.ReceiveVoid());
    if (FAILED(hr))
        return hr;
    ComPtr<IEnumMoniker> monikers;
    hr = devices->CreateClassEnumerator(category, monikers.Receive(), 0);
    if (hr != S_OK || !monikers)
        return hr;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.Receive(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid())))
            continue;
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        if (SUCCEEDED(bag->Read(u"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR) {
            char name[80] = {};
            WideCharToMultiByte(CP_ACP, 0, value.bstrVal, -1, name, sizeof name, nullptr, nullptr);
            name[sizeof name - 1] = 0;
            int item = combo->AddString(name);
            if (item >= 0)
                combo->SetItemDataPtr(item, moniker.Detach());
        }
        VariantClear(&value);
    }
    return S_OK;
}

void ReleaseDeviceCombo(CComboBox* combo)
{
    if (!combo)
        return;
    for (int i = 0; i < combo->GetCount(); ++i) {
        if (auto* moniker = static_cast<IMoniker*>(combo->GetItemDataPtr(i)))
            moniker->Release();
        combo->SetItemDataPtr(i, nullptr);
    }
}

HRESULT GetPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin)
{
    CheckPointer(pin, E_POINTER);
    *pin = nullptr;
    if (!filter)
        return E_INVALIDARG;
    return FindPin(filter, pin, [&](IPin* each) { return DirectionOf(each) == direction; });
}

HRESULT GetUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin)
{
    CheckPointer(pin, E_POINTER);
    *pin = nullptr;
    CheckPointer(filter, E_POINTER);
    return FindPin(filter, pin, [&](IPin* each) { return DirectionOf(each) == direction && !IsConnected(each); });
}

HRESULT FindPinByName(IBaseFilter* filter, LPCWSTR name, IPin** pin)
{
    CheckPointer(pin, E_POINTER);
    *pin = nullptr;
    if (!filter || !name)
        return E_POINTER;
    return FindPin(filter, pin, [&](IPin* each) {
        PIN_INFO info{};
        if (FAILED(each->QueryPinInfo(&info)))
            return false;
        if (info.pFilter)
            info.pFilter->Release();
        return std::u16string_view(info.achName) == std::u16string_view(name);
    });
}

HRESULT FindPreviewPin(IBaseFilter* filter, IPin** pin) { return FindPinByName(filter, u"Preview", pin); }

HRESULT FindCapturePin(IBaseFilter* filter, IPin** pin) { return FindPinByName(filter, u"Capture", pin); }

HRESULT FindPinOfMediaType(IGraphBuilder* graph, IBaseFilter* start, REFGUID majorType, IPin** pin)
{
    CheckPointer(pin, E_POINTER);
    *pin = nullptr;
    if (!graph || !start)
        return E_POINTER;
    std::deque<ComPtr<IPin>> queue;
    ComPtr<IBaseFilter> current(start);
    while (current) {
        ComPtr<IEnumPins> pins;
        if (SUCCEEDED(current->EnumPins(pins.Receive()))) {
            ComPtr<IPin> each;
            while (pins->Next(1, each.Receive(), nullptr) == S_OK) {
                DbgLog((LOG_TRACE, 3, "QueryInterface(%p)", static_cast<void*>(each.Get())));
                if (DirectionOf(each.Get()) != PINDIR_OUTPUT)
                    continue;
                ComPtr<IPin> to;
                if (SUCCEEDED(each->ConnectedTo(to.Receive())) && to)
                    queue.push_back(to);
                if (MajorTypeIs(each.Get(), majorType)) {
                    *pin = each.Detach();
                    return S_OK;
                }
            }
        }
        current.Reset();
        while (!current && !queue.empty()) {
            PIN_INFO info{};
            ComPtr<IPin> head = std::move(queue.front());
            queue.pop_front();
            if (SUCCEEDED(head->QueryPinInfo(&info)))
                current = ComPtr<IBaseFilter>::Adopt(info.pFilter);
        }
    }
    return E_FAIL;
}

HRESULT FindFilterPinOfType(IGraphBuilder* graph, IBaseFilter* filter, REFGUID majorType, REFGUID subtype,
                            PIN_DIRECTION direction, IPin** pin)
{
    CheckPointer(pin, E_POINTER);
    *pin = nullptr;
    if (!graph || !filter)
        return E_POINTER;
    return FindPin(filter, pin, [&](IPin* each) {
        if (DirectionOf(each) != direction)
            return false;
        AM_MEDIA_TYPE* mt = nullptr;
        if (FAILED(PinMediaType(each, &mt)))
            return false;
        bool match = mt->majortype == majorType && mt->subtype == subtype;
        DeleteMediaType(mt);
        return match;
    });
}

HRESULT GetFirstMediaType(IPin* pin, AM_MEDIA_TYPE** type)
{
    CheckPointer(type, E_POINTER);
    *type = nullptr;
    CheckPointer(pin, E_POINTER);
    ComPtr<IEnumMediaTypes> types;
    HRESULT hr = pin->EnumMediaTypes(types.Receive());
    if (FAILED(hr))
        return hr;
    AM_MEDIA_TYPE* first = nullptr;
    if (types->Next(1, &first, nullptr) != S_OK || !first)
        return E_FAIL;
    *type = first;
    return S_OK;
}

namespace {
// One GUID of the pin's first enumerated media type.
HRESULT FirstTypeGuid(IPin* pin, GUID AM_MEDIA_TYPE::*field, GUID* value)
{
    if (!pin || !value)
        return E_POINTER;
    AM_MEDIA_TYPE* mt = nullptr;
    HRESULT hr = GetFirstMediaType(pin, &mt);
    if (FAILED(hr))
        return hr;
    *value = mt->*field;
    DeleteMediaType(mt);
    return hr;
}
} // namespace

HRESULT GetPinMajorType(IPin* pin, GUID* majorType) { return FirstTypeGuid(pin, &AM_MEDIA_TYPE::majortype, majorType); }

HRESULT GetPinSubtype(IPin* pin, GUID* subtype) { return FirstTypeGuid(pin, &AM_MEDIA_TYPE::subtype, subtype); }

HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* upstream, IBaseFilter* downstream, BOOL direct)
{
    if (!graph || !upstream || !downstream)
        return E_POINTER;
    ComPtr<IPin> output, input;
    if (FAILED(GetUnconnectedPin(upstream, PINDIR_OUTPUT, output.Receive())) ||
        FAILED(GetUnconnectedPin(downstream, PINDIR_INPUT, input.Receive())))
        return E_FAIL;
    return ConnectPins(graph, output.Get(), input.Get(), direct);
}

HRESULT ConnectPinToFilter(IGraphBuilder* graph, IPin* output, IBaseFilter* downstream, BOOL direct)
{
    if (!graph || !output || !downstream)
        return E_POINTER;
    ComPtr<IPin> input;
    if (FAILED(GetUnconnectedPin(downstream, PINDIR_INPUT, input.Receive())))
        return E_FAIL;
    return ConnectPins(graph, output, input.Get(), direct);
}

HRESULT GetSplitterClsidForSubtype(REFGUID subtype, CLSID* clsid)
{
    CheckPointer(clsid, E_POINTER);
    struct Entry {
        const GUID* subtype;
        const CLSID* splitter;
    };
    static const Entry kSplitters[] = {
        {&MEDIASUBTYPE_Avi, &CLSID_AviSplitter},
        {&MEDIASUBTYPE_QTMovie, &CLSID_QuickTimeParser},
        {&MEDIASUBTYPE_MPEG1System, &CLSID_MPEG1Splitter},
        {&MEDIASUBTYPE_MPEG1Audio, &CLSID_MPEG1Splitter},
        {&MEDIASUBTYPE_MPEG1Video, &CLSID_MPEG1Splitter},
        {&MEDIASUBTYPE_MPEG1VideoCD, &CLSID_MPEG1Splitter},
        {&MEDIASUBTYPE_MPEG2_VIDEO, &CLSID_LigosMPEG2Splitter},
        {&MEDIASUBTYPE_MPEG2_PROGRAM, &CLSID_LigosMPEG2Splitter},
        {&MEDIASUBTYPE_WAVE, &CLSID_WAVEParser},
        {&MEDIASUBTYPE_DVSD, &CLSID_DVSplitter},
        {&MEDIASUBTYPE_dvsd, &CLSID_DVSplitter},
        {&MEDIASUBTYPE_AsfVideoStream, &CLSID_ASFICMHandler},
        {&MEDIASUBTYPE_AsfAudioStream, &CLSID_ASFACMHandler},
    };
    for (const Entry& entry : kSplitters) {
        if (*entry.subtype == subtype) {
            *clsid = *entry.splitter;
            return S_OK;
        }
    }
    DbgLog((LOG_TRACE, 1, "Unsupport media type for splitter"));
    return E_FAIL;
}

HRESULT GetSplitterClsidForPin(IPin* pin, CLSID* clsid)
{
    if (!pin || !clsid)
        return E_POINTER;
    AM_MEDIA_TYPE* mt = nullptr;
    HRESULT hr = GetFirstMediaType(pin, &mt);
    if (FAILED(hr))
        return hr;
    if (mt->majortype == MEDIATYPE_Interleaved || mt->majortype == MEDIATYPE_Stream)
        hr = GetSplitterClsidForSubtype(mt->subtype, clsid);
    else
        hr = E_INVALIDARG;
    DeleteMediaType(mt);
    return hr;
}

HRESULT ConnectSplitter(IGraphBuilder* graph, IBaseFilter* source, IBaseFilter** splitter)
{
    CheckPointer(splitter, E_POINTER);
    *splitter = nullptr;
    if (!graph || !source)
        return E_POINTER;
    ComPtr<IPin> sourcePin;
    HRESULT hr = GetPin(source, PINDIR_OUTPUT, sourcePin.Receive());
    if (FAILED(hr))
        return hr;
    CLSID clsid{};
    hr = GetSplitterClsidForPin(sourcePin.Get(), &clsid);
    if (FAILED(hr))
        return hr;
    ComPtr<IBaseFilter> added;
    hr = AddSplitter(graph, sourcePin.Get(), clsid, added);
    if (FAILED(hr) && clsid == CLSID_MPEG1Splitter) {
        DropFilter(graph, added);
        hr = AddSplitter(graph, sourcePin.Get(), CLSID_LigosMPEG2Splitter, added);
        if (FAILED(hr))
            LOG_DSHOW_ERROR("Unable to connect to Ligos Splitter", hr);
    }
    if (FAILED(hr)) {
        DropFilter(graph, added);
        return hr;
    }
    *splitter = added.Detach();
    return hr;
}

void RemoveDownstreamFilters(IGraphBuilder* graph, IBaseFilter* filter)
{
    if (graph && filter)
        RemoveFiltersBeyond(graph, filter, PINDIR_INPUT);
}

void RemoveUpstreamFilters(IGraphBuilder* graph, IBaseFilter* filter)
{
    if (graph && filter)
        RemoveFiltersBeyond(graph, filter, PINDIR_OUTPUT);
}

HRESULT DisconnectFilterPins(IGraphBuilder* graph, IBaseFilter* filter)
{
    if (!graph || !filter)
        return E_POINTER;
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.Receive());
    if (FAILED(hr))
        return hr;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.Receive(), nullptr) == S_OK) {
        ComPtr<IPin> to;
        if (FAILED(pin->ConnectedTo(to.Receive())) || !to)
            continue;
        HRESULT each = graph->Disconnect(to.Get());
        if (SUCCEEDED(each))
            each = graph->Disconnect(pin.Get());
        if (FAILED(each))
            LOG_DSHOW_ERROR("Error disconnecting pin", each);
    }
    return S_OK;
}

HRESULT AreAllPinsUnconnected(IBaseFilter* filter)
{
    CheckPointer(filter, E_POINTER);
    ComPtr<IPin> connected;
    HRESULT hr = FindPin(filter, connected.Receive(), [](IPin* each) { return IsConnected(each); });
    return hr == S_OK ? E_FAIL : (hr == E_FAIL ? S_OK : hr);
}

HRESULT RouteCrossbar(IAMCrossbar* crossbar, LONG videoOutputType, LONG videoInputType, LONG audioOutputType,
                      LONG audioInputType, LONG relatedIndex)
{
    CheckPointer(crossbar, E_POINTER);
    LONG outputs = 0, inputs = 0;
    HRESULT hr = crossbar->get_PinCounts(&outputs, &inputs);
    if (FAILED(hr))
        return hr;
    LONG videoOut = -1, audioOut = -1, videoIn = -1, audioIn = -1;
    hr = E_NOTIMPL;
    for (LONG i = 0; i < outputs; ++i) {
        LONG related = 0, type = 0;
        hr = crossbar->get_CrossbarPinInfo(FALSE, i, &related, &type);
        if (FAILED(hr))
            continue;
        if (type == videoOutputType)
            videoOut = i;
        if (type == audioOutputType)
            audioOut = i;
    }
    bool videoMatched = false, audioMatched = false;
    for (LONG i = 0; i < inputs; ++i) {
        LONG related = 0, type = 0;
        hr = crossbar->get_CrossbarPinInfo(TRUE, i, &related, &type);
        if (FAILED(hr))
            continue;
        if (type == videoInputType && !videoMatched) {
            videoIn = i;
            videoMatched = relatedIndex > 0 && related == relatedIndex;
        }
        if (type == audioInputType && !audioMatched) {
            audioIn = i;
            audioMatched = relatedIndex > 0 && related == relatedIndex;
        }
    }
    if (videoMatched != audioMatched) {
        if (videoMatched)
            audioIn = relatedIndex;
        else
            videoIn = relatedIndex;
    }
    if (videoOut >= 0 && videoIn >= 0) {
        hr = crossbar->CanRoute(videoOut, videoIn);
        if (FAILED(hr))
            return hr;
        hr = crossbar->Route(videoOut, videoIn);
        if (FAILED(hr))
            return hr;
    }
    if (audioOut >= 0 && audioIn >= 0) {
        hr = crossbar->CanRoute(audioOut, audioIn);
        if (FAILED(hr))
            return hr;
        hr = crossbar->Route(audioOut, audioIn);
    }
    return hr;
}

HRESULT InsertSmartTee(IGraphBuilder* graph, IBaseFilter* filter, IPin** capturePin, IPin** previewPin,
                       IPin** audioPin)
{
    if (!capturePin || !previewPin || !audioPin)
        return E_POINTER;
    *capturePin = *previewPin = *audioPin = nullptr;
    ComPtr<IPin> video;
    HRESULT hr = FindPinOfMediaType(graph, filter, MEDIATYPE_Video, video.Receive());
    if (FAILED(hr))
        return hr;
    ComPtr<IBaseFilter> tee;
    hr = AddFilterByClsid(graph, CLSID_SmartTee, "SmartTee", tee.Receive());
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to load SmartTee", hr);
        return hr;
    }
    hr = ConnectPinToFilter(graph, video.Get(), tee.Get(), TRUE);
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Unable to connect to SmartTee?", hr);
        return hr;
    }
    ComPtr<IPin> capture, preview;
    hr = FindCapturePin(tee.Get(), capture.Receive());
    if (SUCCEEDED(hr))
        hr = FindPreviewPin(tee.Get(), preview.Receive());
    if (FAILED(hr)) {
        LOG_DSHOW_ERROR("Can't find SmartTee's Preview Pin", hr);
        return hr;
    }
    ComPtr<IPin> audio;
    FindPinOfMediaType(graph, filter, MEDIATYPE_Audio, audio.Receive());
    *capturePin = capture.Detach();
    *previewPin = preview.Detach();
    *audioPin = audio.Detach();
    return S_OK;
}

HRESULT InsertSmartTeeWithDVDecoder(IGraphBuilder* graph, IBaseFilter* filter, IBaseFilter** tee,
                                    IBaseFilter** dvDecoder, IPin** decoderOutput)
{
    if (!tee || !dvDecoder || !decoderOutput)
        return E_POINTER;
    *tee = *dvDecoder = nullptr;
    *decoderOutput = nullptr;
    ComPtr<IPin> video;
    HRESULT hr = FindPinOfMediaType(graph, filter, MEDIATYPE_Video, video.Receive());
    if (FAILED(hr))
        return hr;
    ComPtr<IBaseFilter> smartTee, decoder;
    ComPtr<IPin> teeInput, preview, output;
    auto step = [&](HRESULT result, const char* message) {
        if (FAILED(result))
            LOG_DSHOW_ERROR(message, result);
        hr = result;
        return SUCCEEDED(result);
    };
    if (!step(AddFilterByClsid(graph, CLSID_SmartTee, "SmartTee", smartTee.Receive()), "Unable to load SmartTee") ||
        !step(GetPin(smartTee.Get(), PINDIR_INPUT, teeInput.Receive()), "Where's the SmartTee input pin?") ||
        !step(graph->Connect(video.Get(), teeInput.Get()), "Unable to connect to SmartTee?") ||
        !step(FindPreviewPin(smartTee.Get(), preview.Receive()), "Can't find SmartTee's Preview Pin") ||
        !step(AddFilterByClsid(graph, CLSID_DVVideoCodec, "DV VideoDecoder", decoder.Receive()),
              "Unable to add DV Decoder"))
        return hr;
    ComPtr<IPin> decoderInput;
    if (!step(GetPin(decoder.Get(), PINDIR_INPUT, decoderInput.Receive()), "Where's the DV input pin?") ||
        !step(graph->Connect(preview.Get(), decoderInput.Get()), "Unable to connect DV Video Decoder?") ||
        !step(GetPin(decoder.Get(), PINDIR_OUTPUT, output.Receive()), "Where's the DV output pin?"))
        return hr;
    *tee = smartTee.Detach();
    *dvDecoder = decoder.Detach();
    *decoderOutput = output.Detach();
    return S_OK;
}

HRESULT SetGraphNotifyWindow(IGraphBuilder* graph, HWND window, UINT message, LONG_PTR lParam,
                             const char* failureMessage)
{
    if (!graph)
        return E_FAIL;
    ComPtr<IMediaEventEx> events;
    HRESULT hr = events.QueryFrom(graph, IID_IMediaEventEx);
    if (SUCCEEDED(hr))
        hr = events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), static_cast<LONG>(message), lParam);
    if (FAILED(hr))
        LOG_DSHOW_ERROR(failureMessage, hr);
    return hr;
}

HRESULT DrainGraphEvents(IGraphBuilder* graph, const std::function<HRESULT(LONG, LONG_PTR, LONG_PTR)>& handle)
{
    constexpr LONG kEventWait = 50;
    if (!graph)
        return E_FAIL;
    ComPtr<IMediaEvent> events;
    HRESULT hr = events.QueryFrom(graph, IID_IMediaEvent);
    if (FAILED(hr))
        return hr;
    HRESULT result = S_OK;
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (SUCCEEDED(events->GetEvent(&code, &param1, &param2, kEventWait))) {
        result = handle(code, param1, param2);
        events->FreeEventParams(code, param1, param2);
    }
    return result;
}

HRESULT AddGraphToRot(IUnknown* graph, DWORD* cookie)
{
    if (!graph || !cookie)
        return E_POINTER;
    *cookie = 0;
    ComPtr<IRunningObjectTable> table;
    HRESULT hr = GetRunningObjectTable(0, table.Receive());
    if (FAILED(hr))
        return hr;
    char narrow[128];
    // "FilterGraph %08p pid %08x": the pointer as bare zero-padded hex.
    std::snprintf(narrow, sizeof narrow, "FilterGraph %08llx pid %08x",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(graph)),
                  static_cast<unsigned>(GetCurrentProcessId()));
    WCHAR wide[128] = {};
    MultiByteToWideChar(CP_ACP, 0, narrow, -1, wide, 128);
    ComPtr<IMoniker> moniker;
    hr = CreateItemMoniker(u"!", wide, moniker.Receive());
    if (FAILED(hr))
        return hr;
    return table->Register(0, graph, moniker.Get(), cookie);
}

void RemoveGraphFromRot(DWORD cookie)
{
    if (!cookie)
        return;
    ComPtr<IRunningObjectTable> table;
    if (SUCCEEDED(GetRunningObjectTable(0, table.Receive())))
        table->Revoke(cookie);
}

namespace {
bool ErrorText(HRESULT hr, char (&text)[kErrorTextChars])
{
    text[0] = 0;
    return AMGetErrorText(hr, text, kErrorTextChars) > 0 && text[0];
}
} // namespace

void LogDShowError(const char* file, int line, const char* message, HRESULT hr)
{
    char text[kErrorTextChars];
    if (ErrorText(hr, text))
        DbgLog((LOG_TRACE, 1, "%s(%d):%s [%x]:%s", file ? file : "", line, message ? message : "",
                static_cast<unsigned>(hr), text));
}

void LogAMError(HRESULT hr)
{
    char text[kErrorTextChars];
    if (ErrorText(hr, text))
        DbgLog((LOG_TRACE, 1, "AMERROR (%s)", text));
}

int ShowAMErrorText(HRESULT hr)
{
    char text[kErrorTextChars];
    if (!ErrorText(hr, text))
        return 0;
    return MessageBoxA(nullptr, text, "", MB_OK);
}

} // namespace DShowUtils
