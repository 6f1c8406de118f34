#include "Platform/DShow/BaseClasses/BasePin.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "Platform/DShow/Api/DShowErrors.h"

namespace {

// The types a pin proposes, read through its GetMediaType as the caller
// goes and handed out as CreateMediaType copies; out of sync once the pin's
// type version changes.
class ProposedTypes {
public:
    using Item = AM_MEDIA_TYPE*;

    explicit ProposedTypes(CBasePin* pin) : m_pin(pin) { Reset(); }

    bool Fetch(size_t position, AM_MEDIA_TYPE** type)
    {
        CMediaType proposed;
        if (m_pin->GetMediaType(static_cast<int>(position), &proposed) != S_OK)
            return false;
        *type = CreateMediaType(&proposed);
        return *type != nullptr;
    }
    bool Has(size_t position)
    {
        CMediaType proposed;
        return m_pin->GetMediaType(static_cast<int>(position), &proposed) == S_OK;
    }
    HRESULT Check() { return m_version == m_pin->GetMediaTypeVersion() ? S_OK : VFW_E_ENUM_OUT_OF_SYNC; }
    void Reset() { m_version = m_pin->GetMediaTypeVersion(); }

private:
    com::ComPtr<CBasePin> m_pin;
    LONG m_version = 0;
};

using CEnumMediaTypes = com::Enumerator<IEnumMediaTypes, IID_IEnumMediaTypes, ProposedTypes>;

LPWSTR CopyName(LPCWSTR name)
{
    size_t length = 0;
    if (name)
        while (name[length])
            ++length;
    auto* copy = new WCHAR[length + 1];
    if (length)
        std::memcpy(copy, name, length * sizeof(WCHAR));
    copy[length] = 0;
    return copy;
}

// Connection steps refuse with S_FALSE, E_FAIL or E_INVALIDARG; the caller
// hears that the type was not accepted.
HRESULT RefusalCode(HRESULT hr)
{
    if (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return hr;
}

} // namespace

CBasePin::CBasePin(LPCTSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT*, LPCWSTR pinName,
                   PIN_DIRECTION direction)
    : CUnknown(objectName, nullptr), m_pName(CopyName(pinName)), m_dir(direction), m_pLock(lock),
      m_pFilter(filter)
{
}

CBasePin::~CBasePin() { delete[] m_pName; }

HRESULT STDMETHODCALLTYPE CBasePin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IPin)
        return GetInterface(static_cast<IPin*>(this), object);
    if (riid == IID_IQualityControl)
        return GetInterface(static_cast<IQualityControl*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingAddRef()
{
    InterlockedIncrement(&m_cRef);
    return m_pFilter->AddRef();
}

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingRelease()
{
    InterlockedDecrement(&m_cRef);
    return m_pFilter->Release();
}

HRESULT STDMETHODCALLTYPE CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType)
{
    CheckPointer(receivePin, E_POINTER);
    CAutoLock lock(m_pLock);
    if (m_Connected)
        return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !m_bCanReconnectWhenActive)
        return VFW_E_NOT_STOPPED;
    return AgreeMediaType(receivePin, static_cast<const CMediaType*>(mediaType));
}

HRESULT CBasePin::AgreeMediaType(IPin* receivePin, const CMediaType* type)
{
    if (type && !type->IsPartiallySpecified())
        return AttemptConnection(receivePin, type);

    HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int i = 0; i < 2; ++i) {
        IEnumMediaTypes* types = nullptr;
        HRESULT hr = (i == static_cast<int>(m_bTryMyTypesFirst)) ? receivePin->EnumMediaTypes(&types)
                                                                 : EnumMediaTypes(&types);
        if (SUCCEEDED(hr) && types) {
            hr = TryMediaTypes(receivePin, type, types);
            types->Release();
            if (SUCCEEDED(hr))
                return S_OK;
            if (hr != E_FAIL && hr != E_INVALIDARG && hr != VFW_E_TYPE_NOT_ACCEPTED)
                failure = hr;
        }
    }
    return failure;
}

HRESULT CBasePin::TryMediaTypes(IPin* receivePin, const CMediaType* type, IEnumMediaTypes* types)
{
    HRESULT failure = S_OK;
    for (;;) {
        AM_MEDIA_TYPE* candidate = nullptr;
        ULONG fetched = 0;
        if (types->Next(1, &candidate, &fetched) != S_OK || fetched != 1)
            return failure == S_OK ? VFW_E_NO_ACCEPTABLE_TYPES : failure;
        const auto* offered = static_cast<const CMediaType*>(candidate);
        if (!type || offered->MatchesPartial(type)) {
            HRESULT hr = AttemptConnection(receivePin, offered);
            if (SUCCEEDED(hr)) {
                DeleteMediaType(candidate);
                return S_OK;
            }
            if (hr != E_FAIL && hr != E_INVALIDARG && hr != VFW_E_TYPE_NOT_ACCEPTED)
                failure = hr;
        }
        DeleteMediaType(candidate);
    }
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType* type)
{
    HRESULT hr = CheckConnect(receivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(type);
    if (hr == S_OK) {
        m_Connected = receivePin;
        m_Connected->AddRef();
        hr = SetMediaType(type);
        if (SUCCEEDED(hr)) {
            hr = receivePin->ReceiveConnection(static_cast<IPin*>(this), type);
            if (SUCCEEDED(hr)) {
                hr = CompleteConnect(receivePin);
                if (SUCCEEDED(hr))
                    return hr;
                receivePin->Disconnect();
            }
        }
    } else {
        hr = RefusalCode(hr);
    }
    if (m_Connected) {
        m_Connected->Release();
        m_Connected = nullptr;
    }
    BreakConnect();
    return hr;
}

HRESULT STDMETHODCALLTYPE CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType)
{
    CheckPointer(connector, E_POINTER);
    CheckPointer(mediaType, E_POINTER);
    CAutoLock lock(m_pLock);
    if (m_Connected)
        return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !m_bCanReconnectWhenActive)
        return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    const auto* type = static_cast<const CMediaType*>(mediaType);
    hr = CheckMediaType(type);
    if (hr != S_OK) {
        BreakConnect();
        return RefusalCode(hr);
    }
    m_Connected = connector;
    m_Connected->AddRef();
    hr = SetMediaType(type);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(connector);
        if (SUCCEEDED(hr))
            return S_OK;
    }
    m_Connected->Release();
    m_Connected = nullptr;
    BreakConnect();
    return hr;
}

HRESULT STDMETHODCALLTYPE CBasePin::Disconnect()
{
    CAutoLock lock(m_pLock);
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    return DisconnectInternal();
}

HRESULT CBasePin::DisconnectInternal()
{
    if (!m_Connected)
        return S_FALSE;
    HRESULT hr = BreakConnect();
    if (FAILED(hr))
        return hr;
    m_Connected->Release();
    m_Connected = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectedTo(IPin** pin)
{
    CheckPointer(pin, E_POINTER);
    CAutoLock lock(m_pLock);
    *pin = m_Connected;
    if (!m_Connected)
        return VFW_E_NOT_CONNECTED;
    m_Connected->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType)
{
    CheckPointer(mediaType, E_POINTER);
    CAutoLock lock(m_pLock);
    if (!m_Connected) {
        static_cast<CMediaType*>(mediaType)->InitMediaType();
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(mediaType, &m_mt);
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryPinInfo(PIN_INFO* info)
{
    CheckPointer(info, E_POINTER);
    info->pFilter = m_pFilter;
    if (m_pFilter)
        m_pFilter->AddRef();
    size_t length = 0;
    while (m_pName[length])
        ++length;
    length = std::min<size_t>(length, MAX_PIN_NAME - 1);
    std::memcpy(info->achName, m_pName, length * sizeof(WCHAR));
    info->achName[length] = 0;
    info->dir = m_dir;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryDirection(PIN_DIRECTION* direction)
{
    CheckPointer(direction, E_POINTER);
    *direction = m_dir;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryId(LPWSTR* id) { return AMGetWideString(m_pName, id); }

HRESULT STDMETHODCALLTYPE CBasePin::QueryAccept(const AM_MEDIA_TYPE* mediaType)
{
    CheckPointer(mediaType, E_POINTER);
    return CheckMediaType(static_cast<const CMediaType*>(mediaType)) == S_OK ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CBasePin::EnumMediaTypes(IEnumMediaTypes** types)
{
    return com::CreateObject<CEnumMediaTypes>(IID_IEnumMediaTypes, reinterpret_cast<void**>(types),
                                              ProposedTypes(this));
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CBasePin::EndOfStream() { return S_OK; }

HRESULT STDMETHODCALLTYPE CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    m_tStart = start;
    m_tStop = stop;
    m_dRate = rate;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::Notify(IBaseFilter*, Quality) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CBasePin::SetSink(IQualityControl* sink)
{
    CAutoLock lock(m_pLock);
    m_pQSink = sink;
    return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType* type) { return m_mt.Set(*type); }

HRESULT CBasePin::CheckConnect(IPin* pin)
{
    PIN_DIRECTION direction;
    HRESULT hr = pin->QueryDirection(&direction);
    if (FAILED(hr))
        return hr;
    return direction == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() { return S_OK; }

HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }

HRESULT CBasePin::GetMediaType(int, CMediaType*) { return E_UNEXPECTED; }

void CBasePin::IncrementTypeVersion() { InterlockedIncrement(&m_TypeVersion); }

HRESULT CBasePin::Run(REFERENCE_TIME) { return S_OK; }
