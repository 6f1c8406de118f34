#include "Filters/Switcher/PosRouteThru.h"

#include <cstring>

HRESULT CompareMediaTypes(const AM_MEDIA_TYPE* a, const AM_MEDIA_TYPE* b)
{
    if (!a || !b)
        return E_FAIL;
    if (a->majortype != b->majortype || a->subtype != b->subtype || a->formattype != b->formattype)
        return E_FAIL;
    if (a->formattype == FORMAT_VideoInfo) {
        if (!a->pbFormat || !b->pbFormat || a->cbFormat < sizeof(VIDEOINFOHEADER) ||
            b->cbFormat < sizeof(VIDEOINFOHEADER))
            return S_OK;
        auto* x = reinterpret_cast<const VIDEOINFOHEADER*>(a->pbFormat);
        auto* y = reinterpret_cast<const VIDEOINFOHEADER*>(b->pbFormat);
        return x->AvgTimePerFrame == y->AvgTimePerFrame && x->bmiHeader.biWidth == y->bmiHeader.biWidth &&
                       x->bmiHeader.biHeight == y->bmiHeader.biHeight &&
                       x->bmiHeader.biBitCount == y->bmiHeader.biBitCount
                   ? S_OK
                   : E_FAIL;
    }
    if (a->cbFormat != b->cbFormat)
        return E_FAIL;
    if (a->cbFormat && (!a->pbFormat || !b->pbFormat || std::memcmp(a->pbFormat, b->pbFormat, a->cbFormat) != 0))
        return E_FAIL;
    return S_OK;
}

PosRouteThru::PosRouteThru(LPUNKNOWN outer, IBaseFilter* switcher, HRESULT* result)
    : CMediaPosition(NAME("PosRouteThru"), outer, result), m_switcher(switcher)
{
}

HRESULT STDMETHODCALLTYPE PosRouteThru::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaSeeking)
        return GetInterface(static_cast<IMediaSeeking*>(this), object);
    return CMediaPosition::NonDelegatingQueryInterface(riid, object);
}

HRESULT PosRouteThru::Rebuild()
{
    if (!m_stale.exchange(false))
        return S_OK;
    m_pins.clear();
    if (!m_switcher)
        return E_NOINTERFACE;
    com::ComPtr<IEnumPins> pins;
    HRESULT hr = m_switcher->EnumPins(pins.Receive());
    if (FAILED(hr))
        return hr;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction = PINDIR_OUTPUT;
        pin->QueryDirection(&direction);
        com::ComPtr<IPin> upstream;
        if (direction == PINDIR_INPUT && SUCCEEDED(pin->ConnectedTo(upstream.Receive()))) {
            com::ComPtr<IUnknown> seeking;
            if (SUCCEEDED(upstream->QueryInterface(IID_IMediaPosition, seeking.ReceiveVoid())) ||
                SUCCEEDED(upstream->QueryInterface(IID_IMediaSeeking, seeking.ReceiveVoid())))
                m_pins.push_back(pin);
        }
        // The pins live as long as the switcher: the list holds no references.
        pin->Release();
    }
    return S_OK;
}

size_t PosRouteThru::PeerCount()
{
    Rebuild();
    return m_pins.size();
}

HRESULT PosRouteThru::Peer(size_t index, REFIID iid, void** peer)
{
    *peer = nullptr;
    Rebuild();
    if (index >= m_pins.size())
        return E_INVALIDARG;
    com::ComPtr<IPin> upstream;
    if (FAILED(m_pins[index]->ConnectedTo(upstream.Receive())))
        return E_NOTIMPL;
    return SUCCEEDED(upstream->QueryInterface(iid, peer)) ? S_OK : E_NOTIMPL;
}

template <typename Call> HRESULT PosRouteThru::OnFirstSeeking(Call call)
{
    CAutoLock lock(&m_lock);
    com::ComPtr<IMediaSeeking> peer;
    HRESULT hr = Peer(0, IID_IMediaSeeking, peer.ReceiveVoid());
    return FAILED(hr) ? hr : call(peer.Get());
}

template <typename Call> HRESULT PosRouteThru::OnFirstPosition(Call call)
{
    CAutoLock lock(&m_lock);
    com::ComPtr<IMediaPosition> peer;
    HRESULT hr = Peer(0, IID_IMediaPosition, peer.ReceiveVoid());
    return FAILED(hr) ? hr : call(peer.Get());
}

template <typename Call> HRESULT PosRouteThru::OnEverySeeking(Call call)
{
    CAutoLock lock(&m_lock);
    HRESULT hr = E_NOTIMPL;
    for (size_t i = 0; i < PeerCount(); ++i) {
        com::ComPtr<IMediaSeeking> peer;
        hr = Peer(i, IID_IMediaSeeking, peer.ReceiveVoid());
        if (SUCCEEDED(hr))
            hr = call(peer.Get());
        if (FAILED(hr))
            break;
    }
    return hr;
}

template <typename Call> HRESULT PosRouteThru::OnEveryPosition(Call call)
{
    CAutoLock lock(&m_lock);
    HRESULT hr = E_NOTIMPL;
    for (size_t i = 0; i < PeerCount(); ++i) {
        com::ComPtr<IMediaPosition> peer;
        hr = Peer(i, IID_IMediaPosition, peer.ReceiveVoid());
        if (SUCCEEDED(hr))
            hr = call(peer.Get());
        if (FAILED(hr))
            break;
    }
    return hr;
}

void PosRouteThru::NotifyStart(REFERENCE_TIME start)
{
    com::ComPtr<IKLSeekNotify> notify;
    if (m_switcher && SUCCEEDED(m_switcher->QueryInterface(IID_IKLSeekNotify, notify.ReceiveVoid())))
        notify->SetStartPosition(start);
}

HRESULT STDMETHODCALLTYPE PosRouteThru::GetCapabilities(DWORD* capabilities)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->GetCapabilities(capabilities); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::CheckCapabilities(DWORD* capabilities)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->CheckCapabilities(capabilities); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::IsFormatSupported(const GUID* format)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->IsFormatSupported(format); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::QueryPreferredFormat(GUID* format)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->QueryPreferredFormat(format); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::GetTimeFormat(GUID* format)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->GetTimeFormat(format); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::IsUsingTimeFormat(const GUID* format)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->IsUsingTimeFormat(format); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::SetTimeFormat(const GUID* format)
{
    return OnEverySeeking([&](IMediaSeeking* peer) { return peer->SetTimeFormat(format); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::GetDuration(LONGLONG* duration)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->GetDuration(duration); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::GetStopPosition(LONGLONG* stop)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->GetStopPosition(stop); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::GetCurrentPosition(LONGLONG* current)
{
    LONGLONG stop = 0;
    if (SUCCEEDED(GetMediaTime(current, &stop)))
        return S_OK;
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->GetCurrentPosition(current); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                                          LONGLONG source, const GUID* sourceFormat)
{
    return OnFirstSeeking(
        [&](IMediaSeeking* peer) { return peer->ConvertTimeFormat(target, targetFormat, source, sourceFormat); });
}

HRESULT STDMETHODCALLTYPE PosRouteThru::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                                     DWORD stopFlags)
{
    LONGLONG workingCurrent = current ? *current : 0;
    LONGLONG workingStop = stop ? *stop : 0;
    HRESULT hr = OnEverySeeking([&](IMediaSeeking* peer) {
        HRESULT result = peer->SetPositions(&workingCurrent, currentFlags | AM_SEEKING_ReturnTime, &workingStop,
                                            stopFlags | AM_SEEKING_ReturnTime);
        if (SUCCEEDED(result)) {
            if (current && (currentFlags & AM_SEEKING_ReturnTime))
                *current = workingCurrent;
            if (stop && (stopFlags & AM_SEEKING_ReturnTime))
                *stop = workingStop;
        }
        return result;
    });
    if (SUCCEEDED(hr))
        NotifyStart(workingCurrent);
    return hr;
}

HRESULT STDMETHODCALLTYPE PosRouteThru::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->GetPositions(current, stop); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::GetAvailable(LONGLONG* earliest, LONGLONG* latest)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->GetAvailable(earliest, latest); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::SetRate(double rate)
{
    if (rate == 0.0)
        return E_INVALIDARG;
    return OnEverySeeking([&](IMediaSeeking* peer) { return peer->SetRate(rate); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::GetRate(double* rate)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->GetRate(rate); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::GetPreroll(LONGLONG* preroll)
{
    return OnFirstSeeking([&](IMediaSeeking* peer) { return peer->GetPreroll(preroll); });
}

HRESULT STDMETHODCALLTYPE PosRouteThru::get_Duration(REFTIME* length)
{
    return OnFirstPosition([&](IMediaPosition* peer) { return peer->get_Duration(length); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::put_CurrentPosition(REFTIME time)
{
    HRESULT hr = OnEveryPosition([&](IMediaPosition* peer) { return peer->put_CurrentPosition(time); });
    if (SUCCEEDED(hr))
        NotifyStart(static_cast<REFERENCE_TIME>(time * 10000000.0));
    return hr;
}
HRESULT STDMETHODCALLTYPE PosRouteThru::get_CurrentPosition(REFTIME* time)
{
    return OnFirstPosition([&](IMediaPosition* peer) { return peer->get_CurrentPosition(time); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::get_StopTime(REFTIME* time)
{
    return OnFirstPosition([&](IMediaPosition* peer) { return peer->get_StopTime(time); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::put_StopTime(REFTIME time)
{
    return OnEveryPosition([&](IMediaPosition* peer) { return peer->put_StopTime(time); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::get_PrerollTime(REFTIME* time)
{
    return OnFirstPosition([&](IMediaPosition* peer) { return peer->get_PrerollTime(time); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::put_PrerollTime(REFTIME time)
{
    return OnEveryPosition([&](IMediaPosition* peer) { return peer->put_PrerollTime(time); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::put_Rate(double rate)
{
    if (rate == 0.0)
        return E_INVALIDARG;
    return OnEveryPosition([&](IMediaPosition* peer) { return peer->put_Rate(rate); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::get_Rate(double* rate)
{
    return OnFirstPosition([&](IMediaPosition* peer) { return peer->get_Rate(rate); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::CanSeekForward(LONG* canSeek)
{
    return OnFirstPosition([&](IMediaPosition* peer) { return peer->CanSeekForward(canSeek); });
}
HRESULT STDMETHODCALLTYPE PosRouteThru::CanSeekBackward(LONG* canSeek)
{
    return OnFirstPosition([&](IMediaPosition* peer) { return peer->CanSeekBackward(canSeek); });
}
