#include "Platform/DShow/BaseClasses/BaseInputPin.h"

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/BaseClasses/Allocator.h"

CBaseInputPin::CBaseInputPin(LPCTSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* result,
                             LPCWSTR pinName)
    : CBasePin(objectName, filter, lock, result, pinName, PINDIR_INPUT)
{
}

CBaseInputPin::~CBaseInputPin()
{
    if (m_pAllocator)
        m_pAllocator->Release();
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMemInputPin)
        return GetInterface(static_cast<IMemInputPin*>(this), object);
    return CBasePin::NonDelegatingQueryInterface(riid, object);
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::GetAllocator(IMemAllocator** allocator)
{
    CheckPointer(allocator, E_POINTER);
    CAutoLock lock(m_pLock);
    if (!m_pAllocator) {
        HRESULT hr = CreateMemoryAllocator(&m_pAllocator);
        if (FAILED(hr))
            return hr;
    }
    *allocator = m_pAllocator;
    m_pAllocator->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly)
{
    CheckPointer(allocator, E_POINTER);
    CAutoLock lock(m_pLock);
    IMemAllocator* old = m_pAllocator;
    allocator->AddRef();
    m_pAllocator = allocator;
    if (old)
        old->Release();
    m_bReadOnly = static_cast<BYTE>(readOnly != FALSE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CBaseInputPin::Receive(IMediaSample* sample)
{
    CheckPointer(sample, E_POINTER);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;

    IMediaSample2* sample2 = nullptr;
    if (SUCCEEDED(sample->QueryInterface(IID_IMediaSample2, reinterpret_cast<void**>(&sample2)))) {
        hr = sample2->GetProperties(sizeof m_SampleProps, reinterpret_cast<BYTE*>(&m_SampleProps));
        sample2->Release();
        if (FAILED(hr))
            return hr;
    } else {
        // A sample without IMediaSample2: the properties field by field.
        m_SampleProps = AM_SAMPLE2_PROPERTIES{};
        m_SampleProps.cbData = sizeof m_SampleProps;
        m_SampleProps.dwStreamId = AM_STREAM_MEDIA;
        if (sample->IsDiscontinuity() == S_OK)
            m_SampleProps.dwSampleFlags |= AM_SAMPLE_DATADISCONTINUITY;
        if (sample->IsPreroll() == S_OK)
            m_SampleProps.dwSampleFlags |= AM_SAMPLE_PREROLL;
        if (sample->IsSyncPoint() == S_OK)
            m_SampleProps.dwSampleFlags |= AM_SAMPLE_SPLICEPOINT;
        HRESULT times = sample->GetTime(&m_SampleProps.tStart, &m_SampleProps.tStop);
        if (SUCCEEDED(times)) {
            m_SampleProps.dwSampleFlags |= AM_SAMPLE_TIMEVALID;
            if (times == S_OK)
                m_SampleProps.dwSampleFlags |= AM_SAMPLE_STOPVALID;
        }
        AM_MEDIA_TYPE* type = nullptr;
        if (sample->GetMediaType(&type) == S_OK && type) {
            m_sampleType.Set(*type);
            DeleteMediaType(type);
            m_SampleProps.pMediaType = &m_sampleType;
            m_SampleProps.dwSampleFlags |= AM_SAMPLE_TYPECHANGED;
        }
        sample->GetPointer(&m_SampleProps.pbBuffer);
        m_SampleProps.lActual = sample->GetActualDataLength();
        m_SampleProps.cbBuffer = sample->GetSize();
    }

    if (!(m_SampleProps.dwSampleFlags & AM_SAMPLE_TYPECHANGED))
        return S_OK;
    // The upstream pin asked QueryAccept before changing the type in band;
    // a refused type now is a runtime error.
    hr = CheckMediaType(static_cast<const CMediaType*>(m_SampleProps.pMediaType));
    if (hr == S_OK)
        return S_OK;
    m_bRunTimeError = true;
    EndOfStream();
    m_pFilter->NotifyEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0);
    return VFW_E_INVALIDMEDIATYPE;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed)
{
    CheckPointer(samples, E_POINTER);
    CheckPointer(processed, E_POINTER);
    HRESULT hr = S_OK;
    *processed = 0;
    while (count-- > 0) {
        hr = Receive(samples[*processed]);
        if (hr != S_OK)
            break;
        ++*processed;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::ReceiveCanBlock()
{
    int pins = m_pFilter->GetPinCount();
    int outputs = 0;
    for (int i = 0; i < pins; ++i) {
        CBasePin* pin = m_pFilter->GetPin(i);
        if (!pin)
            break;
        PIN_DIRECTION direction;
        HRESULT hr = pin->QueryDirection(&direction);
        if (FAILED(hr))
            return hr;
        if (direction != PINDIR_OUTPUT)
            continue;
        IPin* connected = nullptr;
        if (FAILED(pin->ConnectedTo(&connected)))
            continue;
        ++outputs;
        IMemInputPin* input = nullptr;
        hr = connected->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
        connected->Release();
        if (FAILED(hr))
            return S_OK;
        hr = input->ReceiveCanBlock();
        input->Release();
        if (hr != S_FALSE)
            return S_OK;
    }
    return outputs == 0 ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::BeginFlush()
{
    CAutoLock lock(m_pLock);
    m_bFlushing = TRUE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::EndFlush()
{
    CAutoLock lock(m_pLock);
    m_bFlushing = FALSE;
    m_bRunTimeError = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::Notify(IBaseFilter*, Quality) { return E_NOTIMPL; }

HRESULT CBaseInputPin::PassNotify(Quality& quality)
{
    if (m_pQSink)
        return m_pQSink->Notify(m_pFilter, quality);
    if (!m_Connected)
        return VFW_E_NOT_FOUND;
    IQualityControl* upstream = nullptr;
    HRESULT hr = m_Connected->QueryInterface(IID_IQualityControl, reinterpret_cast<void**>(&upstream));
    if (FAILED(hr))
        return VFW_E_NOT_FOUND;
    hr = upstream->Notify(m_pFilter, quality);
    upstream->Release();
    return hr;
}

HRESULT CBaseInputPin::BreakConnect()
{
    if (m_pAllocator) {
        HRESULT hr = m_pAllocator->Decommit();
        if (FAILED(hr))
            return hr;
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    return S_OK;
}

HRESULT CBaseInputPin::Inactive()
{
    m_bRunTimeError = false;
    if (!m_pAllocator)
        return VFW_E_NO_ALLOCATOR;
    m_bFlushing = FALSE;
    return m_pAllocator->Decommit();
}

HRESULT CBaseInputPin::CheckStreaming()
{
    if (IsStopped())
        return VFW_E_WRONG_STATE;
    if (m_bFlushing)
        return S_FALSE;
    if (m_bRunTimeError)
        return VFW_E_RUNTIME_ERROR;
    return S_OK;
}
