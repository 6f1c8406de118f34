#include "Platform/DShow/BaseClasses/TransformFilter.h"

#include <cstddef>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/BaseClasses/PosPassThru.h"

namespace {

bool WideEqual(LPCWSTR a, LPCWSTR b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

} // namespace

CTransformInputPin::CTransformInputPin(LPCTSTR objectName, CTransformFilter* filter, HRESULT* result,
                                       LPCWSTR pinName)
    : CBaseInputPin(objectName, filter, &filter->m_csFilter, result, pinName), m_pTransformFilter(filter)
{
}

HRESULT STDMETHODCALLTYPE CTransformInputPin::QueryId(LPWSTR* id) { return AMGetWideString(u"In", id); }

HRESULT CTransformInputPin::CheckConnect(IPin* pin)
{
    HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_INPUT, pin);
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::CheckConnect(pin);
}

HRESULT CTransformInputPin::BreakConnect()
{
    m_pTransformFilter->BreakConnect(PINDIR_INPUT);
    return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* receivePin)
{
    HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_INPUT, receivePin);
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::CompleteConnect(receivePin);
}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* type)
{
    HRESULT hr = m_pTransformFilter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    CTransformOutputPin* output = m_pTransformFilter->m_pOutput;
    if (output && output->IsConnected())
        return m_pTransformFilter->CheckTransform(type, &output->CurrentMediaType());
    return hr;
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* type)
{
    HRESULT hr = CBasePin::SetMediaType(type);
    if (FAILED(hr))
        return hr;
    return m_pTransformFilter->SetMediaType(PINDIR_INPUT, type);
}

HRESULT CTransformInputPin::CheckStreaming()
{
    if (!m_pTransformFilter->m_pOutput || !m_pTransformFilter->m_pOutput->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return CBaseInputPin::CheckStreaming();
}

HRESULT STDMETHODCALLTYPE CTransformInputPin::EndOfStream()
{
    CAutoLock lock(&m_pTransformFilter->m_csReceive);
    HRESULT hr = CheckStreaming();
    if (hr == S_OK)
        hr = m_pTransformFilter->EndOfStream();
    return hr;
}

HRESULT STDMETHODCALLTYPE CTransformInputPin::BeginFlush()
{
    CAutoLock lock(&m_pTransformFilter->m_csFilter);
    if (!IsConnected() || !m_pTransformFilter->m_pOutput->IsConnected())
        return VFW_E_NOT_CONNECTED;
    HRESULT hr = CBaseInputPin::BeginFlush();
    if (FAILED(hr))
        return hr;
    return m_pTransformFilter->BeginFlush();
}

HRESULT STDMETHODCALLTYPE CTransformInputPin::EndFlush()
{
    CAutoLock lock(&m_pTransformFilter->m_csFilter);
    if (!IsConnected() || !m_pTransformFilter->m_pOutput->IsConnected())
        return VFW_E_NOT_CONNECTED;
    HRESULT hr = m_pTransformFilter->EndFlush();
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::EndFlush();
}

HRESULT STDMETHODCALLTYPE CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    CBasePin::NewSegment(start, stop, rate);
    return m_pTransformFilter->NewSegment(start, stop, rate);
}

HRESULT STDMETHODCALLTYPE CTransformInputPin::Receive(IMediaSample* sample)
{
    CAutoLock lock(&m_pTransformFilter->m_csReceive);
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr == S_OK)
        hr = m_pTransformFilter->Receive(sample);
    return hr;
}

CTransformOutputPin::CTransformOutputPin(LPCTSTR objectName, CTransformFilter* filter, HRESULT* result,
                                         LPCWSTR pinName)
    : CBaseOutputPin(objectName, filter, &filter->m_csFilter, result, pinName), m_pTransformFilter(filter)
{
}

CTransformOutputPin::~CTransformOutputPin()
{
    if (m_pPosition)
        m_pPosition->Release();
}

HRESULT STDMETHODCALLTYPE CTransformOutputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaPosition || riid == IID_IMediaSeeking) {
        CheckPointer(object, E_POINTER);
        if (!m_pPosition) {
            HRESULT hr = CreatePosPassThru(GetOwner(), FALSE, m_pTransformFilter->m_pInput, &m_pPosition);
            if (FAILED(hr)) {
                *object = nullptr;
                return hr;
            }
        }
        return m_pPosition->QueryInterface(riid, object);
    }
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
}

HRESULT STDMETHODCALLTYPE CTransformOutputPin::QueryId(LPWSTR* id) { return AMGetWideString(u"Out", id); }

HRESULT CTransformOutputPin::CheckConnect(IPin* pin)
{
    if (!m_pTransformFilter->m_pInput || !m_pTransformFilter->m_pInput->IsConnected())
        return E_UNEXPECTED;
    HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_OUTPUT, pin);
    if (FAILED(hr))
        return hr;
    return CBaseOutputPin::CheckConnect(pin);
}

HRESULT CTransformOutputPin::BreakConnect()
{
    m_pTransformFilter->BreakConnect(PINDIR_OUTPUT);
    return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* receivePin)
{
    HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_OUTPUT, receivePin);
    if (FAILED(hr))
        return hr;
    return CBaseOutputPin::CompleteConnect(receivePin);
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* type)
{
    if (!m_pTransformFilter->m_pInput || !m_pTransformFilter->m_pInput->IsConnected())
        return E_INVALIDARG;
    return m_pTransformFilter->CheckTransform(&m_pTransformFilter->m_pInput->CurrentMediaType(), type);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* type)
{
    HRESULT hr = CBasePin::SetMediaType(type);
    if (FAILED(hr))
        return hr;
    return m_pTransformFilter->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    return m_pTransformFilter->DecideBufferSize(allocator, request);
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* type)
{
    if (m_pTransformFilter->m_pInput && m_pTransformFilter->m_pInput->IsConnected())
        return m_pTransformFilter->GetMediaType(position, type);
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT STDMETHODCALLTYPE CTransformOutputPin::Notify(IBaseFilter*, Quality quality)
{
    HRESULT hr = m_pTransformFilter->AlterQuality(quality);
    if (hr != S_FALSE)
        return hr;
    return m_pTransformFilter->m_pInput->PassNotify(quality);
}

CTransformFilter::CTransformFilter(LPCTSTR name, LPUNKNOWN outer, REFCLSID clsid)
    : CBaseFilter(name, outer, &m_csFilter, clsid)
{
}

CTransformFilter::~CTransformFilter()
{
    delete m_pInput;
    delete m_pOutput;
}

CBasePin* CTransformFilter::GetPin(int index)
{
    if (!m_pInput) {
        HRESULT hr = S_OK;
        m_pInput = new CTransformInputPin(NAME("Transform input pin"), this, &hr, u"XForm In");
        m_pOutput = new CTransformOutputPin(NAME("Transform output pin"), this, &hr, u"XForm Out");
    }
    if (index == 0)
        return m_pInput;
    if (index == 1)
        return m_pOutput;
    return nullptr;
}

HRESULT STDMETHODCALLTYPE CTransformFilter::FindPin(LPCWSTR id, IPin** pin)
{
    CheckPointer(pin, E_POINTER);
    *pin = nullptr;
    CheckPointer(id, E_POINTER);
    if (WideEqual(id, u"In"))
        *pin = GetPin(0);
    else if (WideEqual(id, u"Out"))
        *pin = GetPin(1);
    if (!*pin)
        return VFW_E_NOT_FOUND;
    (*pin)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTransformFilter::Stop()
{
    CAutoLock lock(&m_csFilter);
    if (m_State == State_Stopped)
        return S_OK;
    if (!m_pInput || !m_pInput->IsConnected() || !m_pOutput->IsConnected()) {
        m_State = State_Stopped;
        m_bEOSDelivered = FALSE;
        return S_OK;
    }
    // The input is decommitted before the receive lock is taken, so that a
    // Receive waiting for an output buffer returns.
    m_pInput->Inactive();
    CAutoLock receiving(&m_csReceive);
    m_pOutput->Inactive();
    HRESULT hr = StopStreaming();
    if (SUCCEEDED(hr)) {
        m_State = State_Stopped;
        m_bEOSDelivered = FALSE;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE CTransformFilter::Pause()
{
    CAutoLock lock(&m_csFilter);
    HRESULT hr = S_OK;
    if (m_State == State_Paused) {
        // Nothing to do.
    } else if (!m_pInput || !m_pInput->IsConnected()) {
        // Without an input the downstream filter would wait for ever.
        if (m_pOutput && !m_bEOSDelivered) {
            m_pOutput->DeliverEndOfStream();
            m_bEOSDelivered = TRUE;
        }
        m_State = State_Paused;
    } else if (!m_pOutput->IsConnected()) {
        m_State = State_Paused;
    } else {
        if (m_State == State_Stopped) {
            CAutoLock receiving(&m_csReceive);
            hr = StartStreaming();
        }
        if (SUCCEEDED(hr))
            hr = CBaseFilter::Pause();
    }
    m_bSampleSkipped = FALSE;
    m_bQualityChanged = FALSE;
    return hr;
}

HRESULT CTransformFilter::Transform(IMediaSample*, IMediaSample*) { return E_UNEXPECTED; }

HRESULT CTransformFilter::Receive(IMediaSample* sample)
{
    AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
    if (props->dwStreamId != AM_STREAM_MEDIA)
        return m_pOutput->m_pInputPin->Receive(sample);

    IMediaSample* outSample = nullptr;
    HRESULT hr = InitializeOutputSample(sample, &outSample);
    if (FAILED(hr))
        return hr;
    hr = Transform(sample, outSample);
    if (SUCCEEDED(hr)) {
        if (hr == S_OK) {
            hr = m_pOutput->m_pInputPin->Receive(outSample);
            m_bSampleSkipped = FALSE;
        } else if (hr == S_FALSE) {
            // S_FALSE from Transform means "drop this one"; from Receive it
            // would mean "stop sending", so it is not passed up.
            outSample->Release();
            m_bSampleSkipped = TRUE;
            if (!m_bQualityChanged) {
                NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
                m_bQualityChanged = TRUE;
            }
            return S_OK;
        }
    }
    outSample->Release();
    return hr;
}

HRESULT CTransformFilter::InitializeOutputSample(IMediaSample* sample, IMediaSample** outSample)
{
    *outSample = nullptr;
    AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
    DWORD flags = m_bSampleSkipped ? AM_GBF_PREVFRAMESKIPPED : 0;
    if (!(props->dwSampleFlags & AM_SAMPLE_SPLICEPOINT))
        flags |= AM_GBF_NOTASYNCPOINT;
    if (!m_pOutput->m_pAllocator)
        return VFW_E_NO_ALLOCATOR;
    IMediaSample* out = nullptr;
    HRESULT hr = m_pOutput->m_pAllocator->GetBuffer(
        &out, (props->dwSampleFlags & AM_SAMPLE_TIMEVALID) ? &props->tStart : nullptr,
        (props->dwSampleFlags & AM_SAMPLE_STOPVALID) ? &props->tStop : nullptr, flags);
    if (FAILED(hr))
        return hr;
    *outSample = out;

    IMediaSample2* out2 = nullptr;
    if (SUCCEEDED(out->QueryInterface(IID_IMediaSample2, reinterpret_cast<void**>(&out2)))) {
        AM_SAMPLE2_PROPERTIES outProps{};
        out2->GetProperties(offsetof(AM_SAMPLE2_PROPERTIES, tStart), reinterpret_cast<BYTE*>(&outProps));
        outProps.dwTypeSpecificFlags = props->dwTypeSpecificFlags;
        outProps.dwSampleFlags =
            (outProps.dwSampleFlags & AM_SAMPLE_TYPECHANGED) | (props->dwSampleFlags & ~AM_SAMPLE_TYPECHANGED);
        outProps.tStart = props->tStart;
        outProps.tStop = props->tStop;
        outProps.cbData = offsetof(AM_SAMPLE2_PROPERTIES, dwStreamId);
        hr = out2->SetProperties(offsetof(AM_SAMPLE2_PROPERTIES, dwStreamId), reinterpret_cast<BYTE*>(&outProps));
        out2->Release();
        if (FAILED(hr))
            return hr;
    } else {
        if (props->dwSampleFlags & AM_SAMPLE_TIMEVALID)
            out->SetTime(&props->tStart, (props->dwSampleFlags & AM_SAMPLE_STOPVALID) ? &props->tStop : nullptr);
        if (props->dwSampleFlags & AM_SAMPLE_SPLICEPOINT)
            out->SetSyncPoint(TRUE);
        if (props->dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY)
            out->SetDiscontinuity(TRUE);
        if (props->dwSampleFlags & AM_SAMPLE_PREROLL)
            out->SetPreroll(TRUE);
    }
    if (props->dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY)
        m_bSampleSkipped = FALSE;
    LONGLONG mediaStart = 0, mediaStop = 0;
    if (sample->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
        out->SetMediaTime(&mediaStart, &mediaStop);
    return S_OK;
}

HRESULT CTransformFilter::EndOfStream()
{
    return m_pOutput ? m_pOutput->DeliverEndOfStream() : S_OK;
}

HRESULT CTransformFilter::BeginFlush()
{
    return m_pOutput ? m_pOutput->DeliverBeginFlush() : S_OK;
}

HRESULT CTransformFilter::EndFlush() { return m_pOutput->DeliverEndFlush(); }

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    return m_pOutput ? m_pOutput->DeliverNewSegment(start, stop, rate) : S_OK;
}
