#include "Platform/DShow/BaseClasses/BaseFilter.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "Platform/Com/ComPtr.h"
#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/Api/Guids.h"
#include "Platform/DShow/BaseClasses/BasePin.h"

namespace {

size_t WideLength(LPCWSTR text)
{
    size_t n = 0;
    while (text[n])
        ++n;
    return n;
}

bool WideEqual(LPCWSTR a, LPCWSTR b)
{
    if (!a || !b)
        return false;
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// The filter's pins as they were when the enumerator was made (or last
// reset); out of sync once the filter's pins change.
class PinSnapshot : public com::Snapshot<IPin> {
public:
    explicit PinSnapshot(CBaseFilter* filter) : m_filter(filter) { Reset(); }

    HRESULT Check() { return m_version == m_filter->GetPinVersion() ? S_OK : VFW_E_ENUM_OUT_OF_SYNC; }
    void Reset()
    {
        m_items.clear();
        m_version = m_filter->GetPinVersion();
        int count = m_filter->GetPinCount();
        for (int i = 0; i < count; ++i)
            if (CBasePin* pin = m_filter->GetPin(i))
                m_items.emplace_back(pin);
    }

private:
    com::ComPtr<CBaseFilter> m_filter;
    LONG m_version = 0;
};

using CEnumPins = com::Enumerator<IEnumPins, IID_IEnumPins, PinSnapshot>;

} // namespace

CBaseFilter::CBaseFilter(LPCTSTR name, LPUNKNOWN outer, CCritSec* lock, REFCLSID clsid)
    : CUnknown(name, outer), m_clsid(clsid), m_pLock(lock)
{
}

CBaseFilter::CBaseFilter(LPCTSTR name, LPUNKNOWN outer, CCritSec* lock, REFCLSID clsid, HRESULT*)
    : CBaseFilter(name, outer, lock, clsid)
{
}

CBaseFilter::~CBaseFilter()
{
    delete[] m_pFilterName;
    if (m_pClock)
        m_pClock->Release();
}

HRESULT STDMETHODCALLTYPE CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IBaseFilter)
        return GetInterface(static_cast<IBaseFilter*>(this), object);
    if (riid == IID_IMediaFilter)
        return GetInterface(static_cast<IMediaFilter*>(this), object);
    if (riid == IID_IPersist)
        return GetInterface(static_cast<IPersist*>(this), object);
    if (riid == IID_IAMovieSetup)
        return GetInterface(static_cast<IAMovieSetup*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetClassID(CLSID* clsid)
{
    CheckPointer(clsid, E_POINTER);
    *clsid = m_clsid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Stop()
{
    CAutoLock lock(m_pLock);
    HRESULT hr = S_OK;
    if (m_State != State_Stopped) {
        int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (!pin)
                break;
            if (pin->IsConnected()) {
                HRESULT pinResult = pin->Inactive();
                if (FAILED(pinResult) && SUCCEEDED(hr))
                    hr = pinResult;
            }
        }
    }
    m_State = State_Stopped;
    return hr;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Pause()
{
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (!pin)
                break;
            if (pin->IsConnected()) {
                HRESULT hr = pin->Active();
                if (FAILED(hr))
                    return hr;
            }
        }
    }
    m_State = State_Paused;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Run(REFERENCE_TIME start)
{
    CAutoLock lock(m_pLock);
    m_tStart = start;
    m_tRunStart.store(start);
    if (m_State == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    if (m_State != State_Running) {
        int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (!pin)
                break;
            if (pin->IsConnected()) {
                HRESULT hr = pin->Run(start);
                if (FAILED(hr))
                    return hr;
            }
        }
    }
    m_State = State_Running;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetState(DWORD, FILTER_STATE* state)
{
    CheckPointer(state, E_POINTER);
    *state = m_State;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::SetSyncSource(IReferenceClock* clock)
{
    CAutoLock lock(m_pLock);
    if (clock)
        clock->AddRef();
    if (m_pClock)
        m_pClock->Release();
    m_pClock = clock;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetSyncSource(IReferenceClock** clock)
{
    CheckPointer(clock, E_POINTER);
    CAutoLock lock(m_pLock);
    *clock = m_pClock;
    if (m_pClock)
        m_pClock->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::EnumPins(IEnumPins** pins)
{
    return com::CreateObject<CEnumPins>(IID_IEnumPins, reinterpret_cast<void**>(pins), PinSnapshot(this));
}

HRESULT STDMETHODCALLTYPE CBaseFilter::FindPin(LPCWSTR id, IPin** pin)
{
    CheckPointer(pin, E_POINTER);
    *pin = nullptr;
    CheckPointer(id, E_POINTER);
    CAutoLock lock(m_pLock);
    int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
        CBasePin* candidate = GetPin(i);
        if (candidate && WideEqual(candidate->Name(), id)) {
            *pin = candidate;
            candidate->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::QueryFilterInfo(FILTER_INFO* info)
{
    CheckPointer(info, E_POINTER);
    info->achName[0] = 0;
    if (m_pFilterName) {
        size_t length = std::min<size_t>(WideLength(m_pFilterName), MAX_FILTER_NAME - 1);
        std::memcpy(info->achName, m_pFilterName, length * sizeof(WCHAR));
        info->achName[length] = 0;
    }
    info->pGraph = m_pGraph;
    if (m_pGraph)
        m_pGraph->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    CAutoLock lock(m_pLock);
    m_pGraph = graph;
    m_pSink = nullptr;
    if (graph) {
        IMediaEventSink* sink = nullptr;
        if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
            m_pSink = sink;
            sink->Release();
        }
    }
    delete[] m_pFilterName;
    m_pFilterName = nullptr;
    if (name) {
        size_t length = WideLength(name);
        m_pFilterName = new WCHAR[length + 1];
        std::memcpy(m_pFilterName, name, (length + 1) * sizeof(WCHAR));
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::QueryVendorInfo(LPWSTR* vendorInfo)
{
    if (vendorInfo)
        *vendorInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT AMovieSetupRegisterFilter2(const AMOVIESETUP_FILTER* setup, IFilterMapper2* mapper, BOOL registering)
{
    CheckPointer(setup, E_POINTER);
    com::ComPtr<IFilterMapper2> made;
    if (!mapper) {
        HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                      made.ReceiveVoid());
        if (FAILED(hr))
            return hr;
        mapper = made.Get();
    }
    if (!registering)
        return mapper->UnregisterFilter(nullptr, nullptr, *setup->clsID);
    REGFILTER2 description{};
    description.dwVersion = 1;
    description.dwMerit = setup->dwMerit;
    description.cPins = setup->nPins;
    description.rgPins = setup->lpPin;
    return mapper->RegisterFilter(*setup->clsID, setup->strName, nullptr, nullptr, nullptr, &description);
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Register()
{
    LPAMOVIESETUP_FILTER setup = GetSetupData();
    if (!setup)
        return S_FALSE;
    return AMovieSetupRegisterFilter2(setup, nullptr, TRUE);
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Unregister()
{
    LPAMOVIESETUP_FILTER setup = GetSetupData();
    if (!setup)
        return S_FALSE;
    return AMovieSetupRegisterFilter2(setup, nullptr, FALSE);
}

HRESULT CBaseFilter::StreamTime(CRefTime& streamTime)
{
    if (!m_pClock)
        return VFW_E_NO_CLOCK;
    REFERENCE_TIME now = 0;
    HRESULT hr = m_pClock->GetTime(&now);
    if (FAILED(hr))
        return hr;
    streamTime = now - RunStartTime();
    return S_OK;
}

HRESULT CBaseFilter::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2)
{
    IMediaEventSink* sink = m_pSink;
    if (!sink)
        return E_NOTIMPL;
    if (code == EC_COMPLETE)
        param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
    return sink->Notify(code, param1, param2);
}

HRESULT CBaseFilter::ReconnectPin(IPin* pin, const AM_MEDIA_TYPE* type)
{
    if (!m_pGraph)
        return E_NOINTERFACE;
    IFilterGraph2* graph2 = nullptr;
    if (SUCCEEDED(m_pGraph->QueryInterface(IID_IFilterGraph2, reinterpret_cast<void**>(&graph2)))) {
        HRESULT hr = graph2->ReconnectEx(pin, type);
        graph2->Release();
        return hr;
    }
    return m_pGraph->Reconnect(pin);
}

BOOL CBaseFilter::IsActive()
{
    CAutoLock lock(m_pLock);
    return m_State != State_Stopped;
}

void CBaseFilter::IncrementPinVersion() { InterlockedIncrement(&m_PinVersion); }
