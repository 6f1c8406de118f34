#include "Platform/DShow/BaseClasses/PosPassThru.h"

#include "Platform/DShow/Api/DShowErrors.h"

namespace {

REFTIME Seconds(LONGLONG time) { return static_cast<REFTIME>(time) / UNITS; }

} // namespace

HRESULT CBaseDispatch::GetTypeInfoCount(UINT* count)
{
    CheckPointer(count, E_POINTER);
    *count = 0;
    return S_OK;
}

HRESULT CBaseDispatch::GetTypeInfo(REFIID, UINT, LCID, ITypeInfo** info)
{
    CheckPointer(info, E_POINTER);
    *info = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT CBaseDispatch::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return DISP_E_UNKNOWNNAME; }

CMediaPosition::CMediaPosition(LPCTSTR name, LPUNKNOWN outer) : CUnknown(name, outer) {}

CMediaPosition::CMediaPosition(LPCTSTR name, LPUNKNOWN outer, HRESULT*) : CUnknown(name, outer) {}

HRESULT STDMETHODCALLTYPE CMediaPosition::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaPosition || riid == IID_IDispatch)
        return GetInterface(static_cast<IMediaPosition*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT STDMETHODCALLTYPE CMediaPosition::GetTypeInfoCount(UINT* count) { return m_basedisp.GetTypeInfoCount(count); }

HRESULT STDMETHODCALLTYPE CMediaPosition::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info)
{
    return m_basedisp.GetTypeInfo(IID_IMediaPosition, index, locale, info);
}

HRESULT STDMETHODCALLTYPE CMediaPosition::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                                        DISPID* ids)
{
    return m_basedisp.GetIDsOfNames(riid, names, count, locale, ids);
}

HRESULT STDMETHODCALLTYPE CMediaPosition::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                                 UINT*)
{
    return DISP_E_MEMBERNOTFOUND;
}

CPosPassThru::CPosPassThru(LPCTSTR name, LPUNKNOWN outer, HRESULT* result, IPin* pin)
    : CMediaPosition(name, outer), m_pPin(pin)
{
    if (!pin && result)
        *result = E_POINTER;
}

HRESULT STDMETHODCALLTYPE CPosPassThru::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaSeeking)
        return GetInterface(static_cast<IMediaSeeking*>(this), object);
    return CMediaPosition::NonDelegatingQueryInterface(riid, object);
}

HRESULT CPosPassThru::GetPeer(IMediaPosition** peer)
{
    *peer = nullptr;
    IPin* connected = nullptr;
    if (!m_pPin || FAILED(m_pPin->ConnectedTo(&connected)) || !connected)
        return E_NOTIMPL;
    HRESULT hr = connected->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(peer));
    connected->Release();
    return FAILED(hr) ? E_NOTIMPL : S_OK;
}

HRESULT CPosPassThru::GetPeerSeeking(IMediaSeeking** peer)
{
    *peer = nullptr;
    IPin* connected = nullptr;
    if (!m_pPin || FAILED(m_pPin->ConnectedTo(&connected)) || !connected)
        return E_NOTIMPL;
    HRESULT hr = connected->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(peer));
    connected->Release();
    return FAILED(hr) ? E_NOTIMPL : S_OK;
}

// Each pass-through method finds the peer, calls it and releases it.
#define PASS_SEEKING(call)                                                                                           \
    IMediaSeeking* peer = nullptr;                                                                                   \
    HRESULT hr = GetPeerSeeking(&peer);                                                                              \
    if (FAILED(hr))                                                                                                  \
        return hr;                                                                                                   \
    hr = peer->call;                                                                                                 \
    peer->Release();                                                                                                 \
    return hr

#define PASS_POSITION(call)                                                                                          \
    IMediaPosition* peer = nullptr;                                                                                  \
    HRESULT hr = GetPeer(&peer);                                                                                     \
    if (FAILED(hr))                                                                                                  \
        return hr;                                                                                                   \
    hr = peer->call;                                                                                                 \
    peer->Release();                                                                                                 \
    return hr

HRESULT STDMETHODCALLTYPE CPosPassThru::GetCapabilities(DWORD* capabilities)
{
    PASS_SEEKING(GetCapabilities(capabilities));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::CheckCapabilities(DWORD* capabilities)
{
    PASS_SEEKING(CheckCapabilities(capabilities));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::IsFormatSupported(const GUID* format)
{
    PASS_SEEKING(IsFormatSupported(format));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::QueryPreferredFormat(GUID* format)
{
    PASS_SEEKING(QueryPreferredFormat(format));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::GetTimeFormat(GUID* format)
{
    PASS_SEEKING(GetTimeFormat(format));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::IsUsingTimeFormat(const GUID* format)
{
    PASS_SEEKING(IsUsingTimeFormat(format));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::SetTimeFormat(const GUID* format)
{
    PASS_SEEKING(SetTimeFormat(format));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::GetDuration(LONGLONG* duration)
{
    PASS_SEEKING(GetDuration(duration));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::GetStopPosition(LONGLONG* stop)
{
    PASS_SEEKING(GetStopPosition(stop));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::GetCurrentPosition(LONGLONG* current)
{
    CheckPointer(current, E_POINTER);
    LONGLONG stop = 0;
    if (SUCCEEDED(GetMediaTime(current, &stop)))
        return S_OK;
    PASS_SEEKING(GetCurrentPosition(current));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                                          LONGLONG source, const GUID* sourceFormat)
{
    PASS_SEEKING(ConvertTimeFormat(target, targetFormat, source, sourceFormat));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                                     DWORD stopFlags)
{
    PASS_SEEKING(SetPositions(current, currentFlags, stop, stopFlags));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    PASS_SEEKING(GetPositions(current, stop));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::GetAvailable(LONGLONG* earliest, LONGLONG* latest)
{
    PASS_SEEKING(GetAvailable(earliest, latest));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::SetRate(double rate)
{
    if (rate == 0.0)
        return E_INVALIDARG;
    PASS_SEEKING(SetRate(rate));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::GetRate(double* rate)
{
    PASS_SEEKING(GetRate(rate));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::GetPreroll(LONGLONG* preroll)
{
    PASS_SEEKING(GetPreroll(preroll));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::get_Duration(REFTIME* length)
{
    PASS_POSITION(get_Duration(length));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::put_CurrentPosition(REFTIME time)
{
    PASS_POSITION(put_CurrentPosition(time));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::get_CurrentPosition(REFTIME* time)
{
    CheckPointer(time, E_POINTER);
    LONGLONG start = 0, stop = 0;
    if (SUCCEEDED(GetMediaTime(&start, &stop))) {
        *time = Seconds(start);
        return S_OK;
    }
    PASS_POSITION(get_CurrentPosition(time));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::get_StopTime(REFTIME* time)
{
    PASS_POSITION(get_StopTime(time));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::put_StopTime(REFTIME time)
{
    PASS_POSITION(put_StopTime(time));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::get_PrerollTime(REFTIME* time)
{
    PASS_POSITION(get_PrerollTime(time));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::put_PrerollTime(REFTIME time)
{
    PASS_POSITION(put_PrerollTime(time));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::put_Rate(double rate)
{
    if (rate == 0.0)
        return E_INVALIDARG;
    PASS_POSITION(put_Rate(rate));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::get_Rate(double* rate)
{
    PASS_POSITION(get_Rate(rate));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::CanSeekForward(LONG* canSeek)
{
    PASS_POSITION(CanSeekForward(canSeek));
}

HRESULT STDMETHODCALLTYPE CPosPassThru::CanSeekBackward(LONG* canSeek)
{
    PASS_POSITION(CanSeekBackward(canSeek));
}

HRESULT CPosPassThru::GetMediaTime(LONGLONG*, LONGLONG*) { return E_FAIL; }

CRendererPosPassThru::CRendererPosPassThru(LPCTSTR name, LPUNKNOWN outer, HRESULT* result, IPin* pin)
    : CPosPassThru(name, outer, result, pin)
{
}

HRESULT CRendererPosPassThru::RegisterMediaTime(IMediaSample* sample)
{
    CheckPointer(sample, E_POINTER);
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT hr = sample->GetTime(&start, &stop);
    if (FAILED(hr))
        return hr;
    return RegisterMediaTime(start, stop);
}

HRESULT CRendererPosPassThru::RegisterMediaTime(LONGLONG start, LONGLONG stop)
{
    CAutoLock lock(&m_PositionLock);
    m_StartMedia = start;
    m_EndMedia = stop;
    m_bReset = FALSE;
    return S_OK;
}

HRESULT CRendererPosPassThru::ResetMediaTime()
{
    CAutoLock lock(&m_PositionLock);
    m_StartMedia = 0;
    m_EndMedia = 0;
    m_bReset = TRUE;
    return S_OK;
}

HRESULT CRendererPosPassThru::EOS()
{
    {
        CAutoLock lock(&m_PositionLock);
        if (m_bReset)
            return E_FAIL;
    }
    LONGLONG stop = 0;
    HRESULT hr = GetStopPosition(&stop);
    if (SUCCEEDED(hr)) {
        CAutoLock lock(&m_PositionLock);
        m_StartMedia = m_EndMedia = stop;
    }
    return hr;
}

HRESULT CRendererPosPassThru::GetMediaTime(LONGLONG* start, LONGLONG* stop)
{
    CAutoLock lock(&m_PositionLock);
    if (m_bReset)
        return E_FAIL;
    if (start)
        *start = m_StartMedia;
    if (stop)
        *stop = m_EndMedia;
    return S_OK;
}

HRESULT CreatePosPassThru(LPUNKNOWN outer, BOOL renderer, IPin* pin, IUnknown** passThru)
{
    CheckPointer(passThru, E_POINTER);
    *passThru = nullptr;
    HRESULT hr = S_OK;
    CPosPassThru* created = renderer
                                ? new CRendererPosPassThru(NAME("Render pass through"), outer, &hr, pin)
                                : new CPosPassThru(NAME("Pass through"), outer, &hr, pin);
    if (FAILED(hr)) {
        delete created;
        return hr;
    }
    *passThru = created->GetInnerUnknown();
    (*passThru)->AddRef();
    return S_OK;
}
