#include "Filters/Switcher/Switcher.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/SampleCopy.h"
#include "Filters/Common/SetupRecords.h"

namespace {

constexpr sample_copy::Variant kCopyVariant{32, false};
constexpr REFERENCE_TIME kInitialEnd = 3200000000LL;
constexpr DWORD kGateWait = 100;

std::u16string PinName(const char* kind, int index)
{
    char text[16];
    std::snprintf(text, sizeof text, "%s %2d", kind, index);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

HRESULT WriteBytes(IStream* stream, const void* data, ULONG size)
{
    ULONG written = 0;
    HRESULT hr = stream->Write(data, size, &written);
    return FAILED(hr) ? hr : written == size ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT ReadBytes(IStream* stream, void* data, ULONG size)
{
    ULONG read = 0;
    HRESULT hr = stream->Read(data, size, &read);
    return FAILED(hr) ? hr : read == size ? S_OK : E_FAIL;
}

HRESULT WriteDword(IStream* stream, DWORD value)
{
    BYTE bytes[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    return WriteBytes(stream, bytes, 4);
}

HRESULT ReadDword(IStream* stream, DWORD* value)
{
    BYTE bytes[4];
    HRESULT hr = ReadBytes(stream, bytes, 4);
    if (SUCCEEDED(hr))
        *value = DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
    return hr;
}

HRESULT WriteGuid(IStream* stream, const GUID& guid)
{
    BYTE bytes[16] = {BYTE(guid.Data1), BYTE(guid.Data1 >> 8), BYTE(guid.Data1 >> 16), BYTE(guid.Data1 >> 24),
                      BYTE(guid.Data2), BYTE(guid.Data2 >> 8), BYTE(guid.Data3), BYTE(guid.Data3 >> 8)};
    std::copy(guid.Data4, guid.Data4 + 8, bytes + 8);
    return WriteBytes(stream, bytes, 16);
}

HRESULT ReadGuid(IStream* stream, GUID* guid)
{
    BYTE bytes[16];
    HRESULT hr = ReadBytes(stream, bytes, 16);
    if (FAILED(hr))
        return hr;
    guid->Data1 = DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
    guid->Data2 = static_cast<WORD>(bytes[4] | bytes[5] << 8);
    guid->Data3 = static_cast<WORD>(bytes[6] | bytes[7] << 8);
    std::copy(bytes + 8, bytes + 16, guid->Data4);
    return S_OK;
}

// Opens the gate when a Receive leaves.
struct GateOpener {
    HANDLE gate;
    ~GateOpener() { SetEvent(gate); }
};

} // namespace

// ---- input pin

CSwitcherInputPin::CSwitcherInputPin(CQORSwitcher* filter, int index, HRESULT* result)
    : CBaseInputPin(NAME("Switcher input pin"), filter, filter->Lock(), result, PinName("Input", index).c_str()),
      m_switcher(filter), m_index(index), m_gate(CreateEventA(nullptr, TRUE, TRUE, nullptr)),
      m_wake(CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
    if (!m_gate || !m_wake)
        *result = E_OUTOFMEMORY;
}

CSwitcherInputPin::~CSwitcherInputPin()
{
    if (m_gate)
        CloseHandle(m_gate);
    if (m_wake)
        CloseHandle(m_wake);
}

HRESULT STDMETHODCALLTYPE CSwitcherInputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IKLUnblock)
        return GetInterface(static_cast<IKLUnblock*>(this), object);
    return CBaseInputPin::NonDelegatingQueryInterface(riid, object);
}

HRESULT CSwitcherInputPin::Active()
{
    m_eventAdvanced = false;
    m_copyCountdown = 0;
    m_active = true;
    SetEvent(m_wake);
    return CBaseInputPin::Active();
}

HRESULT CSwitcherInputPin::Inactive()
{
    m_active = false;
    SetEvent(m_wake);
    return CBaseInputPin::Inactive();
}

HRESULT CSwitcherInputPin::CheckMediaType(const CMediaType* type) { return m_switcher->CheckType(type); }

HRESULT CSwitcherInputPin::GetMediaType(int position, CMediaType* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    return m_switcher->FilterType(type);
}

HRESULT CSwitcherInputPin::BreakConnect()
{
    HRESULT hr = CBaseInputPin::BreakConnect();
    m_notified = {};
    m_switcher->ConnectionsChanged();
    return hr;
}

HRESULT CSwitcherInputPin::CompleteConnect(IPin* receivePin)
{
    HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
    m_switcher->ConnectionsChanged();
    return hr;
}

HRESULT STDMETHODCALLTYPE CSwitcherInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly)
{
    CheckPointer(allocator, E_POINTER);
    ALLOCATOR_PROPERTIES props{};
    allocator->GetProperties(&props);
    const CMediaType& type = m_mt;
    if (*type.Type() == MEDIATYPE_Video &&
        (*type.Subtype() == MEDIASUBTYPE_dvsd || *type.Subtype() == MEDIASUBTYPE_dvsl ||
         *type.Subtype() == MEDIASUBTYPE_dvhd)) {
        if (props.cbBuffer > 120000 && props.cbBuffer < 122000)
            props.cbBuffer = 120000;
        else if (props.cbBuffer > 144000)
            props.cbBuffer = 144000;
    }
    HRESULT hr = CBaseInputPin::NotifyAllocator(allocator, readOnly);
    if (FAILED(hr))
        return hr;
    m_notified = props;
    m_switcher->AllocatorsChanged(this);
    return hr;
}

HRESULT STDMETHODCALLTYPE CSwitcherInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    HRESULT hr = CBaseInputPin::NewSegment(start, stop, rate);
    m_newSegment = true;
    CAutoLock lock(m_switcher->Lock());
    for (int o = 0; CSwitcherOutputPin* out = m_switcher->Output(o); ++o)
        if (out->IsConnected())
            out->ResetTimes();
    return hr;
}

HRESULT STDMETHODCALLTYPE CSwitcherInputPin::BeginFlush()
{
    LONG output = -1;
    {
        CAutoLock lock(m_switcher->Lock());
        if (m_flushState != 0)
            return S_OK;
        m_flushState = 1;
        CBaseInputPin::BeginFlush();
        output = m_currentOutput.exchange(-1);
        bool receiving = WaitForSingleObject(m_gate, 0) != WAIT_OBJECT_0;
        if (receiving || output >= 0) {
            SetEvent(m_wake);
            if (CSwitcherOutputPin* out = m_switcher->Output(output); out && out->IsConnected()) {
                out->DeliverBeginFlush();
                out->ResetTimes();
            }
            m_flushOutput = output;
        }
        m_flushState = 2;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSwitcherInputPin::EndFlush()
{
    if (m_flushState == 2 || m_flushOutput >= 0) {
        m_flushState = 3;
        LONG output = m_flushOutput.exchange(-1);
        if (CSwitcherOutputPin* out = m_switcher->Output(output); out && out->IsConnected()) {
            out->DeliverEndFlush();
            out->ResetTimes();
        }
        WaitForSingleObject(m_gate, 200);
    }
    CBaseInputPin::EndFlush();
    m_flushState = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSwitcherInputPin::EndOfStream()
{
    short fed = -1;
    m_switcher->Schedule().OutputOfInput(m_index, &fed);
    bool advanced = false, exhausted = false;
    m_switcher->Schedule().InputEnded(m_index, &advanced, &exhausted);
    if (advanced)
        m_switcher->UpdateGates(m_index);
    m_switcher->EndExhaustedOutputs();
    if (CSwitcherOutputPin* out = m_switcher->Output(fed))
        out->UnblockDownstream();
    return CBaseInputPin::EndOfStream();
}

void CSwitcherInputPin::MarkDone(REFERENCE_TIME time, bool mayWait)
{
    CSwitchSchedule& schedule = m_switcher->Schedule();
    REFERENCE_TIME end = 0;
    if (FAILED(schedule.EventEnd(0, &end)) || time < end)
        return;
    bool advanced = false, exhausted = false;
    schedule.InputDone(m_index, &advanced, &exhausted);
    if (advanced) {
        m_eventAdvanced = true;
        if (exhausted)
            m_switcher->EndExhaustedOutputs();
        else
            m_switcher->UpdateGates(m_index);
        return;
    }
    if (!mayWait || Flushing())
        return;
    if (!Flushing() && MayDeliver()) {
        while (WaitForSingleObject(m_wake, INFINITE) != WAIT_OBJECT_0) {
            FILTER_STATE state;
            m_switcher->GetState(100, &state);
        }
    }
    ResetEvent(m_wake);
}

HRESULT STDMETHODCALLTYPE CSwitcherInputPin::Receive(IMediaSample* sample)
{
    if (WaitForSingleObject(m_gate, kGateWait) != WAIT_OBJECT_0)
        return S_OK;
    ResetEvent(m_gate);
    GateOpener opener{m_gate};

    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    REFERENCE_TIME segment = 0;
    {
        CAutoLock lock(m_switcher->Lock());
        segment = CurrentStartTime();
    }
    if (m_newSegment.exchange(false)) {
        m_switcher->Resync(true);
        m_switcher->EndExhaustedOutputs();
    }
    REFERENCE_TIME start = 0, stop = 0;
    hr = sample->GetTime(&start, &stop);
    if (FAILED(hr))
        return hr;
    start += segment;
    stop += segment;
    const bool boundary = m_SampleProps.dwStreamId == KL_BOUNDARY_STREAM_ID;
    CSwitchSchedule& schedule = m_switcher->Schedule();

    REFERENCE_TIME eventStart = 0, eventEnd = 0;
    for (;;) {
        if (FAILED(schedule.CurrentInterval(&eventStart, &eventEnd)) || !schedule.InputStillUsed(m_index))
            return S_OK;
        if (start < eventStart)
            return S_OK;
        if (start >= eventEnd) {
            REFERENCE_TIME nextEnd = 0;
            bool hasNext = SUCCEEDED(schedule.EventEnd(1, &nextEnd));
            // At the end of the schedule, or at a switch unless it is the
            // last one, the output gets a zero-length frame at the switch.
            if (!hasNext || (!m_switcher->LastSwitch() && start < nextEnd))
                DeliverBoundary(sample, eventEnd);
            MarkDone(start, !boundary);
            if (FAILED(schedule.CurrentInterval(&eventStart, &eventEnd)))
                return S_OK;
        }
        if (start >= eventStart && start < eventEnd && stop + 2 * (stop - start) > eventEnd)
            m_copyCountdown = 2;
        if (start >= eventEnd) {
            if (Flushing())
                return S_FALSE;
            if (MayDeliver())
                continue;
        }
        break;
    }
    if (Flushing())
        return S_FALSE;
    hr = S_OK;
    if (MayDeliver() && !boundary) {
        hr = Deliver(sample, true, start, stop);
        if (SUCCEEDED(hr) && stop >= eventEnd)
            MarkDone(stop, false);
    }
    return hr;
}

HRESULT CSwitcherInputPin::Deliver(IMediaSample* sample, bool timed, REFERENCE_TIME start, REFERENCE_TIME stop)
{
    if (!m_switcher->Running() || !MayDeliver())
        return S_OK;
    short output = -1;
    if (FAILED(m_switcher->Schedule().OutputOfInput(m_index, &output)) || output < 0)
        return S_OK;
    CSwitcherOutputPin* out = m_switcher->Output(output);
    if (!out)
        return S_OK;
    m_currentOutput = output;
    struct Clear {
        std::atomic<LONG>& current;
        ~Clear() { current = -1; }
    } clear{m_currentOutput};
    IMemAllocator* allocator = out->Allocator();
    if (!allocator)
        return S_OK;

    bool copy = *m_mt.Type() == MEDIATYPE_Audio;
    if (m_eventAdvanced.exchange(false))
        m_copyCountdown = 2;
    if (m_copyCountdown > 0) {
        --m_copyCountdown;
        copy = true;
    }
    const DWORD flags = sample->IsSyncPoint() == S_OK ? 0 : AM_GBF_NOTASYNCPOINT;
    com::ComPtr<IMediaSample> passed;
    HRESULT hr = E_FAIL;
    if (!copy) {
        com::ComPtr<IKLDupAllocator> dup;
        if (SUCCEEDED(allocator->QueryInterface(IID_IKLDupAllocator, dup.ReceiveVoid())))
            hr = dup->GetDuplicateWait(passed.Receive(), sample, flags);
    }
    if (FAILED(hr)) {
        passed.Reset();
        hr = out->GetDeliveryBuffer(passed.Receive(), timed ? &start : nullptr, timed ? &stop : nullptr, flags);
        if (FAILED(hr))
            return hr;
        hr = sample_copy::CopySample(sample, passed.Get(), m_switcher->Mmx());
        if (FAILED(hr))
            return hr;
    }
    if (timed)
        passed->SetTime(&start, &stop);
    return out->Deliver(passed.Get());
}

HRESULT CSwitcherInputPin::DeliverBoundary(IMediaSample* sample, REFERENCE_TIME at)
{
    if (!m_switcher->Running() || !MayDeliver())
        return S_OK;
    short output = -1;
    if (FAILED(m_switcher->Schedule().OutputOfInput(m_index, &output)) || output < 0)
        return S_OK;
    CSwitcherOutputPin* out = m_switcher->Output(output);
    if (!out || !out->Allocator())
        return S_OK;
    com::ComPtr<IMediaSample> frame;
    REFERENCE_TIME start = at, stop = at;
    HRESULT hr = out->GetDeliveryBuffer(frame.Receive(), &start, &stop, 0);
    if (FAILED(hr))
        return hr;
    hr = sample_copy::CopySample(sample, frame.Get(), m_switcher->Mmx());
    if (FAILED(hr))
        return hr;
    com::ComPtr<IMediaSample2> frame2;
    if (SUCCEEDED(frame->QueryInterface(IID_IMediaSample2, frame2.ReceiveVoid()))) {
        AM_SAMPLE2_PROPERTIES props{};
        frame2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props));
        props.dwStreamId = KL_BOUNDARY_STREAM_ID;
        CMediaType type;
        if (SUCCEEDED(m_switcher->FilterType(&type))) {
            props.pMediaType = &type;
            props.dwSampleFlags |= AM_SAMPLE_TYPECHANGED;
        }
        frame2->SetProperties(sizeof props, reinterpret_cast<const BYTE*>(&props));
    }
    frame->SetMediaTime(&start, &stop);
    frame->SetTime(&start, &stop);
    out->ResetTimes();
    return out->Deliver(frame.Get());
}

HRESULT STDMETHODCALLTYPE CSwitcherInputPin::Unblock()
{
    if (WaitForSingleObject(m_gate, 0) == WAIT_OBJECT_0) {
        SetEvent(m_gate);
        return S_OK;
    }
    if (Flushing())
        return S_OK;
    {
        CAutoLock lock(m_switcher->Lock());
        m_unblocking = true;
    }
    SetEvent(m_wake);
    if (CSwitcherOutputPin* out = m_switcher->Output(m_currentOutput.exchange(-1)))
        out->UnblockDownstream();
    HRESULT hr = S_OK;
    if (WaitForSingleObject(m_gate, kGateWait) != WAIT_OBJECT_0) {
        SetEvent(m_wake);
        hr = S_FALSE;
    }
    // Cleared on both paths, or the pin would never deliver again.
    m_unblocking = false;
    return hr;
}

// ---- output pin

CSwitcherOutputPin::CSwitcherOutputPin(CQORSwitcher* filter, int index, HRESULT* result)
    : CBaseOutputPin(NAME("Switcher output pin"), filter, filter->Lock(), result, PinName("Output", index).c_str()),
      m_switcher(filter), m_index(index)
{
    ResetTimes();
}

CSwitcherOutputPin::~CSwitcherOutputPin()
{
    if (m_router)
        m_router->Release();
}

void CSwitcherOutputPin::ResetTimes()
{
    CAutoLock lock(&m_deliverLock);
    m_lastStart = LLONG_MIN;
    m_lastStop = LLONG_MIN + 1;
}

HRESULT STDMETHODCALLTYPE CSwitcherOutputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) {
        CheckPointer(object, E_POINTER);
        *object = nullptr;
        CAutoLock lock(m_switcher->Lock());
        if (!m_router) {
            if (!IsConnected())
                return E_NOINTERFACE;
            HRESULT hr = S_OK;
            auto* router = new (std::nothrow) PosRouteThru(GetOwner(), m_switcher, &hr);
            if (!router)
                return E_OUTOFMEMORY;
            m_routerObject = router;
            m_router = router->GetInnerUnknown();
            m_router->AddRef();
        }
        return m_router->QueryInterface(riid, object);
    }
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
}

void CSwitcherOutputPin::MarkRouterStale()
{
    if (m_routerObject)
        m_routerObject->SetStale();
}

HRESULT CSwitcherOutputPin::Active()
{
    ResetTimes();
    return CBaseOutputPin::Active();
}

HRESULT CSwitcherOutputPin::CheckMediaType(const CMediaType* type) { return m_switcher->CheckType(type); }

HRESULT CSwitcherOutputPin::GetMediaType(int position, CMediaType* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0 || FAILED(m_switcher->FilterType(type)))
        return VFW_S_NO_MORE_ITEMS;
    return S_OK;
}

HRESULT CSwitcherOutputPin::InitAllocator(IMemAllocator** allocator)
{
    return CoCreateInstance(CLSID_DupAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                            reinterpret_cast<void**>(allocator));
}

HRESULT CSwitcherOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator)
{
    CheckPointer(pin, E_POINTER);
    CheckPointer(allocator, E_POINTER);
    if (*allocator) {
        (*allocator)->Release();
        *allocator = nullptr;
    }
    ALLOCATOR_PROPERTIES props{};
    pin->GetAllocatorRequirements(&props);
    if (props.cbAlign == 0)
        props.cbAlign = 1;
    auto attempt = [&](IMemAllocator* candidate) {
        ALLOCATOR_PROPERTIES request = props;
        HRESULT hr = DecideBufferSize(candidate, &request);
        if (SUCCEEDED(hr))
            hr = pin->NotifyAllocator(candidate, m_switcher->ReadOnly());
        return hr;
    };
    HRESULT hr = InitAllocator(allocator);
    if (SUCCEEDED(hr)) {
        hr = attempt(*allocator);
        if (SUCCEEDED(hr))
            return hr;
        (*allocator)->Release();
        *allocator = nullptr;
    }
    hr = pin->GetAllocator(allocator);
    if (SUCCEEDED(hr)) {
        hr = attempt(*allocator);
        if (SUCCEEDED(hr))
            return hr;
        (*allocator)->Release();
        *allocator = nullptr;
    }
    return hr;
}

HRESULT CSwitcherOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    const ALLOCATOR_PROPERTIES& largest = m_switcher->Largest();
    LONG count = std::max<LONG>(4, largest.cBuffers);
    if (*m_mt.Type() == MEDIATYPE_Audio)
        count = std::max<LONG>(count, 11);
    LONG size = std::max(request->cbBuffer, largest.cbBuffer);
    if (size == 0 && m_mt.IsFixedSize())
        size = static_cast<LONG>(m_mt.GetSampleSize());
    request->cBuffers = count;
    request->cbBuffer = size;
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cBuffers < count || actual.cbBuffer < size ? E_FAIL : S_OK;
}

HRESULT CSwitcherOutputPin::Deliver(IMediaSample* sample)
{
    {
        CAutoLock lock(&m_deliverLock);
        REFERENCE_TIME start = 0, stop = 0;
        if (SUCCEEDED(sample->GetTime(&start, &stop))) {
            if (start > stop || stop < m_lastStop || start < m_lastStart || start < m_lastStop)
                return S_OK;
            // The deliver lock alone guards the times: the filter lock is
            // taken before it elsewhere (a seek resets the times), never
            // after it.
            m_lastStart = start;
            m_lastStop = stop;
        }
    }
    return CBaseOutputPin::Deliver(sample);
}

com::ComPtr<IKLUnblock> CSwitcherOutputPin::DownstreamUnblock()
{
    com::ComPtr<IKLUnblock> unblock;
    IPin* connected = GetConnected();
    if (!connected)
        return unblock;
    if (SUCCEEDED(connected->QueryInterface(IID_IKLUnblock, unblock.ReceiveVoid())))
        return unblock;
    // Behind a two-pin filter: the pin its output is connected to.
    PIN_INFO info{};
    if (FAILED(connected->QueryPinInfo(&info)) || !info.pFilter)
        return unblock;
    com::ComPtr<IBaseFilter> filter = com::ComPtr<IBaseFilter>::Adopt(info.pFilter);
    com::ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Receive())))
        return unblock;
    std::vector<com::ComPtr<IPin>> all;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK)
        all.push_back(com::ComPtr<IPin>::Adopt(pin));
    if (all.size() != 2)
        return unblock;
    for (auto& candidate : all) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        candidate->QueryDirection(&direction);
        com::ComPtr<IPin> next;
        if (direction == PINDIR_OUTPUT && SUCCEEDED(candidate->ConnectedTo(next.Receive())))
            next->QueryInterface(IID_IKLUnblock, unblock.ReceiveVoid());
    }
    return unblock;
}

HRESULT CSwitcherOutputPin::UnblockDownstream()
{
    auto unblock = DownstreamUnblock();
    return unblock ? unblock->Unblock() : VFW_E_NOT_CONNECTED;
}

void CSwitcherOutputPin::SetRoutedDownstream(BOOL routed)
{
    if (IPin* connected = GetConnected()) {
        com::ComPtr<IKLUnblock> unblock;
        if (SUCCEEDED(connected->QueryInterface(IID_IKLUnblock, unblock.ReceiveVoid())))
            unblock->SetRouted(routed);
    }
}

// ---- filter

CQORSwitcher::CQORSwitcher(LPUNKNOWN outer, HRESULT* result)
    : CBaseFilter(NAME("CQORSwitcher"), outer, &m_lock, CLSID_QORSwitcher), CPersistStream(outer, result),
      m_mmx(sample_copy::IsMmxPresent(kCopyVariant))
{
    m_schedule.SetSize(kMaxPins, kMaxPins, 1);
    short none[kMaxPins];
    std::fill(none, none + kMaxPins, static_cast<short>(-1));
    m_schedule.SetEvent(0, kInitialEnd, none);
    for (int i = 0; i < kMaxPins; ++i) {
        m_inputs[i] = new CSwitcherInputPin(this, i, result);
        m_outputs[i] = new CSwitcherOutputPin(this, i, result);
    }
    m_inputCount = m_outputCount = kMaxPins;
}

CQORSwitcher::~CQORSwitcher()
{
    for (int i = 0; i < kMaxPins; ++i) {
        delete m_inputs[i];
        delete m_outputs[i];
    }
    delete m_type;
}

CUnknown* CQORSwitcher::CreateInstance(LPUNKNOWN outer, HRESULT* result) { return new CQORSwitcher(outer, result); }

HRESULT STDMETHODCALLTYPE CQORSwitcher::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IKLSwitcher)
        return GetInterface(static_cast<IKLSwitcher*>(this), object);
    if (riid == IID_ISpecifyPropertyPages)
        return GetInterface(static_cast<ISpecifyPropertyPages*>(this), object);
    if (riid == IID_IPersistStream)
        return GetInterface(static_cast<IPersistStream*>(this), object);
    if (riid == IID_IKLSeekNotify)
        return GetInterface(static_cast<IKLSeekNotify*>(this), object);
    return CBaseFilter::NonDelegatingQueryInterface(riid, object);
}

int CQORSwitcher::GetPinCount() { return m_inputCount + m_outputCount; }

CBasePin* CQORSwitcher::GetPin(int index)
{
    if (index < 0)
        return nullptr;
    if (index < m_inputCount)
        return m_inputs[index];
    if (index - m_inputCount < m_outputCount)
        return m_outputs[index - m_inputCount];
    return nullptr;
}

LPAMOVIESETUP_FILTER CQORSwitcher::GetSetupData()
{
    return const_cast<LPAMOVIESETUP_FILTER>(&plugin_setup::kSwitcher);
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::Stop()
{
    m_running = false;
    for (int i = 0; i < m_inputCount; ++i)
        m_inputs[i]->Unblock();
    return CBaseFilter::Stop();
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::Pause()
{
    m_running = true;
    Resync(false);
    return CBaseFilter::Pause();
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::Run(REFERENCE_TIME start)
{
    Resync(false);
    return CBaseFilter::Run(start);
}

HRESULT CQORSwitcher::FilterType(CMediaType* type)
{
    CAutoLock lock(&m_lock);
    if (m_type)
        return type->Set(*m_type);
    for (int i = 0; i < m_inputCount; ++i)
        if (m_inputs[i]->IsConnected())
            return type->Set(m_inputs[i]->CurrentMediaType());
    for (int o = 0; o < m_outputCount; ++o)
        if (m_outputs[o]->IsConnected())
            return type->Set(m_outputs[o]->CurrentMediaType());
    return VFW_E_NOT_CONNECTED;
}

HRESULT CQORSwitcher::CheckType(const CMediaType* type)
{
    CMediaType current;
    if (SUCCEEDED(FilterType(&current)))
        return CompareMediaTypes(type, &current);
    CAutoLock lock(&m_lock);
    if (m_major == GUID_NULL)
        return S_OK;
    if (*type->Type() != m_major)
        return E_FAIL;
    if (m_sub != GUID_NULL && *type->Subtype() != m_sub)
        return E_FAIL;
    return S_OK;
}

void CQORSwitcher::Resync(bool pendingOnly)
{
    REFERENCE_TIME time = 0;
    {
        CAutoLock lock(&m_seekLock);
        if (pendingOnly && !m_seekPending)
            return;
        time = m_pendingSeek;
        m_seekPending = false;
    }
    CAutoLock lock(&m_lock);
    for (int i = 0; i < m_inputCount; ++i)
        m_schedule.SetConnected(i, m_inputs[i]->IsConnected());
    for (int i = 0; i < m_inputCount; ++i)
        m_inputs[i]->Wake();
    m_schedule.Seek(time);
    int events = 0;
    m_schedule.EventCount(&events);
    REFERENCE_TIME lastEnd = 0;
    m_schedule.EventEndByIndex(events - 1, &lastEnd);
    for (int o = 0; o < m_outputCount; ++o) {
        if (!m_outputs[o]->IsConnected())
            continue;
        m_outputs[o]->DeliverNewSegment(0, lastEnd, 1.0);
        m_outputs[o]->ResetTimes();
    }
    for (int o = 0; o < m_outputCount; ++o)
        if (m_outputs[o]->IsConnected())
            m_outputs[o]->SetRoutedDownstream(m_schedule.OutputHasNoInput(o, 0) == 0);
}

void CQORSwitcher::EndExhaustedOutputs()
{
    CAutoLock lock(&m_lock);
    for (int o = 0; o < m_outputCount; ++o) {
        if (m_outputs[o]->IsConnected() && m_schedule.OutputFinished(o) == 0) {
            m_outputs[o]->DeliverEndOfStream();
            m_outputs[o]->UnblockDownstream();
        }
    }
}

void CQORSwitcher::UpdateGates(int cause)
{
    CAutoLock lock(&m_lock);
    for (int i = 0; i < m_inputCount; ++i) {
        if (i == cause || m_schedule.InputRoutedNow(i) != 0)
            m_inputs[i]->Hold();
        else
            m_inputs[i]->Wake();
    }
    for (int o = 0; o < m_outputCount; ++o) {
        CSwitcherOutputPin* out = m_outputs[o];
        if (!out->IsConnected())
            continue;
        if (m_schedule.OutputFinished(o) == 0) {
            out->UnblockDownstream();
            out->DeliverEndOfStream();
        } else if (m_schedule.OutputHasNoInput(o, 0) == 1 && m_schedule.OutputHasNoInput(o, -1) == 0) {
            out->UnblockDownstream();
        }
    }
    for (int o = 0; o < m_outputCount; ++o)
        if (m_outputs[o]->IsConnected())
            m_outputs[o]->SetRoutedDownstream(m_schedule.OutputHasNoInput(o, 0) == 0);
}

void CQORSwitcher::AllocatorsChanged(CSwitcherInputPin* pin)
{
    bool reconnect = false;
    {
        CAutoLock lock(&m_lock);
        ALLOCATOR_PROPERTIES largest{};
        BOOL readOnly = FALSE;
        for (int i = 0; i < m_inputCount; ++i) {
            CSwitcherInputPin* input = m_inputs[i];
            if (!input->IsConnected() && input != pin)
                continue;
            const ALLOCATOR_PROPERTIES& props = input->Notified();
            largest.cBuffers = std::max(largest.cBuffers, props.cBuffers);
            largest.cbBuffer = std::max(largest.cbBuffer, props.cbBuffer);
            largest.cbAlign = std::max(largest.cbAlign, props.cbAlign);
            largest.cbPrefix = std::max(largest.cbPrefix, props.cbPrefix);
            readOnly = readOnly || input->AllocatorReadOnly();
        }
        reconnect = readOnly != m_readOnly || largest.cBuffers > m_largest.cBuffers ||
                    largest.cbBuffer > m_largest.cbBuffer;
        m_largest = largest;
        m_readOnly = readOnly;
    }
    if (!reconnect)
        return;
    for (int o = 0; o < m_outputCount; ++o)
        if (m_outputs[o]->IsConnected())
            ReconnectPin(m_outputs[o], &m_outputs[o]->CurrentMediaType());
}

void CQORSwitcher::ConnectionsChanged()
{
    AllocatorsChanged(nullptr);
    for (int o = 0; o < m_outputCount; ++o)
        m_outputs[o]->MarkRouterStale();
}

// ---- IKLSwitcher

HRESULT STDMETHODCALLTYPE CQORSwitcher::SetPinCount(int inputs, int outputs)
{
    if (static_cast<unsigned>(inputs) > kMaxPins || static_cast<unsigned>(outputs) > kMaxPins)
        return E_INVALIDARG;
    CAutoLock lock(&m_lock);
    // The pins exist from construction on.
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::SetEventCount(int count)
{
    CAutoLock lock(&m_lock);
    if (count <= 0 || m_inputCount == 0 || m_outputCount == 0)
        return E_INVALIDARG;
    HRESULT hr = m_schedule.SetSize(m_inputCount, m_outputCount, count);
    if (SUCCEEDED(hr))
        SetDirty(TRUE);
    return hr;
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::GetEventCount(int* count)
{
    CheckPointer(count, E_POINTER);
    CAutoLock lock(&m_lock);
    return m_schedule.EventCount(count);
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::GetPinCount(int* inputs, int* outputs)
{
    CheckPointer(inputs, E_POINTER);
    CheckPointer(outputs, E_POINTER);
    CAutoLock lock(&m_lock);
    *inputs = m_inputCount;
    *outputs = m_outputCount;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::SetMediaType(const AM_MEDIA_TYPE* type)
{
    CAutoLock lock(&m_lock);
    if (!type) {
        delete m_type;
        m_type = nullptr;
        SetDirty(TRUE);
        return S_OK;
    }
    const CMediaType* connected = nullptr;
    for (int i = 0; i < m_inputCount && !connected; ++i)
        if (m_inputs[i]->IsConnected())
            connected = &m_inputs[i]->CurrentMediaType();
    for (int o = 0; o < m_outputCount && !connected; ++o)
        if (m_outputs[o]->IsConnected())
            connected = &m_outputs[o]->CurrentMediaType();
    if (connected && CompareMediaTypes(type, connected) != S_OK)
        return E_FAIL;
    if (m_type)
        return CompareMediaTypes(type, m_type) == S_OK ? S_OK : E_FAIL;
    HRESULT hr = S_OK;
    auto* copy = new (std::nothrow) CMediaType(*type, &hr);
    if (!copy || FAILED(hr)) {
        delete copy;
        return E_OUTOFMEMORY;
    }
    m_type = copy;
    SetDirty(TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::SetEvent(int index, const REFERENCE_TIME* end, const short* map)
{
    CheckPointer(end, E_POINTER);
    CheckPointer(map, E_POINTER);
    CAutoLock lock(&m_lock);
    HRESULT hr = m_schedule.SetEvent(index, *end, map);
    if (SUCCEEDED(hr))
        SetDirty(TRUE);
    return hr;
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::GetEvent(int index, REFERENCE_TIME* end, short* map)
{
    CAutoLock lock(&m_lock);
    return m_schedule.GetEvent(index, end, map);
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::SetTypeRestriction(const GUID* major, const GUID* sub)
{
    CAutoLock lock(&m_lock);
    if (!major || *major == GUID_NULL) {
        m_major = GUID_NULL;
        m_sub = GUID_NULL;
    } else {
        m_major = *major;
        if (sub)
            m_sub = *sub;
    }
    SetDirty(TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::GetTypeRestriction(GUID* major, GUID* sub)
{
    if (!major || !sub)
        return E_INVALIDARG;
    CAutoLock lock(&m_lock);
    *major = m_major;
    *sub = m_sub;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::RouteSeconds(int input, int output, double start, double stop)
{
    return Route(input, output, static_cast<REFERENCE_TIME>(start * 10000000.0),
                 static_cast<REFERENCE_TIME>(stop * 10000000.0));
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::Route(int input, int output, REFERENCE_TIME start, REFERENCE_TIME stop)
{
    HRESULT hr = m_schedule.Route(input, output, start, stop);
    if (SUCCEEDED(hr))
        SetDirty(TRUE);
    return hr;
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::SetLastSwitch(BOOL last)
{
    m_lastSwitch = last != FALSE;
    SetDirty(TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::IsLastSwitchClear() { return m_lastSwitch ? 0 : 1; }

HRESULT STDMETHODCALLTYPE CQORSwitcher::GetScheduleValue(int* index)
{
    CheckPointer(index, E_POINTER);
    return m_schedule.CurrentIndex(index);
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::GetPages(CAUUID* pages)
{
    CheckPointer(pages, E_POINTER);
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(2 * sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 2;
    pages->pElems[0] = CLSID_SwitcherEventPage;
    pages->pElems[1] = CLSID_SwitcherMediaTypePage;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CQORSwitcher::SetStartPosition(REFERENCE_TIME start)
{
    CAutoLock lock(&m_seekLock);
    m_pendingSeek = start;
    m_seekPending = true;
    return S_OK;
}

// ---- persistence

int CQORSwitcher::SizeMax()
{
    int events = 0;
    m_schedule.EventCount(&events);
    return 52 + 12 + events * (8 + 2 * m_schedule.Inputs());
}

HRESULT CQORSwitcher::WriteToStream(IStream* stream)
{
    CAutoLock lock(&m_lock);
    HRESULT hr = WriteDword(stream, kMagic);
    if (SUCCEEDED(hr))
        hr = WriteDword(stream, 2);
    if (SUCCEEDED(hr))
        hr = WriteDword(stream, static_cast<DWORD>(m_inputCount));
    if (SUCCEEDED(hr))
        hr = WriteDword(stream, static_cast<DWORD>(m_outputCount));
    if (SUCCEEDED(hr))
        hr = WriteGuid(stream, m_major);
    if (SUCCEEDED(hr))
        hr = WriteGuid(stream, m_sub);
    if (SUCCEEDED(hr))
        hr = WriteDword(stream, m_lastSwitch ? 1 : 0);
    if (SUCCEEDED(hr))
        hr = m_schedule.Write(stream);
    return hr;
}

HRESULT CQORSwitcher::ReadFromStream(IStream* stream)
{
    if (mPS_dwFileVersion > GetSoftwareVersion())
        return VFW_E_INVALID_FILE_VERSION;
    CAutoLock lock(&m_lock);
    DWORD first = 0, inputs = 0, outputs = 0, version = 0, last = 0;
    // The form without magic carries no restrictions: they stay.
    GUID major = m_major, sub = m_sub;
    HRESULT hr = ReadDword(stream, &first);
    if (FAILED(hr))
        return E_FAIL;
    if (first == kMagic) {
        hr = ReadDword(stream, &version);
        if (FAILED(hr) || (version != 1 && version != 2))
            return E_FAIL;
        hr = ReadDword(stream, &inputs);
        if (SUCCEEDED(hr))
            hr = ReadDword(stream, &outputs);
        if (SUCCEEDED(hr))
            hr = ReadGuid(stream, &major);
        if (SUCCEEDED(hr))
            hr = ReadGuid(stream, &sub);
        if (SUCCEEDED(hr) && version == 2)
            hr = ReadDword(stream, &last);
    } else {
        inputs = first;
        hr = ReadDword(stream, &outputs);
    }
    if (FAILED(hr))
        return E_FAIL;
    if (inputs != static_cast<DWORD>(m_inputCount) || outputs != static_cast<DWORD>(m_outputCount))
        return E_FAIL;
    hr = m_schedule.Read(stream);
    if (FAILED(hr))
        return hr;
    m_major = major;
    m_sub = sub;
    m_lastSwitch = last != 0;
    return S_OK;
}
