#include <algorithm>
#include <cmath>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/Api/Guids.h"
#include "Platform/DShow/Runtime/FilterGraph.h"

namespace dshow {
namespace {

constexpr REFERENCE_TIME kRunLatency = 10 * MILLISECONDS;

std::vector<com::ComPtr<IMediaSeeking>> SeekingOf(const std::vector<IBaseFilter*>& renderers)
{
    std::vector<com::ComPtr<IMediaSeeking>> seeking;
    for (IBaseFilter* filter : renderers) {
        com::ComPtr<IMediaSeeking> one;
        if (SUCCEEDED(filter->QueryInterface(IID_IMediaSeeking, one.ReceiveVoid())))
            seeking.push_back(one);
    }
    return seeking;
}

LONGLONG ToUnits(REFTIME seconds) { return std::llround(seconds * UNITS); }
REFTIME ToSeconds(LONGLONG units) { return static_cast<REFTIME>(units) / UNITS; }

} // namespace

HRESULT STDMETHODCALLTYPE GraphSeeking::GetCapabilities(DWORD* capabilities)
{
    CheckPointer(capabilities, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    auto renderers = SeekingOf(m_graph.Renderers());
    if (renderers.empty())
        return E_NOTIMPL;
    DWORD all = ~0u;
    for (auto& seeking : renderers) {
        DWORD one = 0;
        all &= SUCCEEDED(seeking->GetCapabilities(&one)) ? one : 0;
    }
    *capabilities = all;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::CheckCapabilities(DWORD* capabilities)
{
    CheckPointer(capabilities, E_POINTER);
    DWORD have = 0;
    HRESULT hr = GetCapabilities(&have);
    if (FAILED(hr))
        return hr;
    DWORD wanted = *capabilities;
    *capabilities &= have;
    if (*capabilities == wanted)
        return S_OK;
    return *capabilities ? S_FALSE : E_FAIL;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::IsFormatSupported(const GUID* format)
{
    CheckPointer(format, E_POINTER);
    if (*format == TIME_FORMAT_MEDIA_TIME)
        return S_OK;
    CAutoLock lock(&m_graph.m_lock);
    auto renderers = SeekingOf(m_graph.Renderers());
    if (renderers.empty())
        return S_FALSE;
    for (auto& seeking : renderers)
        if (seeking->IsFormatSupported(format) != S_OK)
            return S_FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::QueryPreferredFormat(GUID* format)
{
    CheckPointer(format, E_POINTER);
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::GetTimeFormat(GUID* format)
{
    CheckPointer(format, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    *format = m_graph.m_timeFormat;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::IsUsingTimeFormat(const GUID* format)
{
    CheckPointer(format, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    return *format == m_graph.m_timeFormat ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::SetTimeFormat(const GUID* format)
{
    CheckPointer(format, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    if (m_graph.m_state != State_Stopped)
        return VFW_E_WRONG_STATE;
    for (auto& seeking : SeekingOf(m_graph.Renderers())) {
        HRESULT hr = seeking->SetTimeFormat(format);
        if (FAILED(hr))
            return hr;
    }
    m_graph.m_timeFormat = *format;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::GetDuration(LONGLONG* duration)
{
    CheckPointer(duration, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    HRESULT result = E_NOTIMPL;
    bool found = false;
    for (auto& seeking : SeekingOf(m_graph.Renderers())) {
        LONGLONG one = 0;
        HRESULT hr = seeking->GetDuration(&one);
        if (SUCCEEDED(hr)) {
            *duration = found ? std::max(*duration, one) : one;
            found = true;
            result = S_OK;
        } else if (!found) {
            result = hr;
        }
    }
    return result;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::GetStopPosition(LONGLONG* stop)
{
    CheckPointer(stop, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    HRESULT result = E_NOTIMPL;
    bool found = false;
    for (auto& seeking : SeekingOf(m_graph.Renderers())) {
        LONGLONG one = 0;
        HRESULT hr = seeking->GetStopPosition(&one);
        if (SUCCEEDED(hr)) {
            *stop = found ? std::max(*stop, one) : one;
            found = true;
            result = S_OK;
        } else if (!found) {
            result = hr;
        }
    }
    return result;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::GetCurrentPosition(LONGLONG* current)
{
    CheckPointer(current, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    // With a clock in media time the position follows the stream time;
    // otherwise (or without a clock) the renderers know it.
    if (m_graph.m_timeFormat == TIME_FORMAT_MEDIA_TIME && (m_graph.m_clock || m_graph.m_state == State_Stopped)) {
        REFERENCE_TIME streamTime = m_graph.m_control.StreamTime();
        LONGLONG position = m_graph.m_segmentStart + static_cast<LONGLONG>(static_cast<double>(streamTime) *
                                                                            m_graph.m_rate);
        LONGLONG stop = 0;
        if (SUCCEEDED(GetStopPosition(&stop)) && position > stop)
            position = std::max(stop, m_graph.m_segmentStart);
        *current = position;
        return S_OK;
    }
    HRESULT result = E_NOTIMPL;
    bool found = false;
    for (auto& seeking : SeekingOf(m_graph.Renderers())) {
        LONGLONG one = 0;
        HRESULT hr = seeking->GetCurrentPosition(&one);
        if (SUCCEEDED(hr)) {
            *current = found ? std::max(*current, one) : one;
            found = true;
            result = S_OK;
        } else if (!found) {
            result = hr;
        }
    }
    if (!found && m_graph.m_timeFormat == TIME_FORMAT_MEDIA_TIME) {
        *current = m_graph.m_segmentStart;
        return S_OK;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                                          const GUID* sourceFormat)
{
    CheckPointer(target, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    const GUID& to = targetFormat ? *targetFormat : m_graph.m_timeFormat;
    const GUID& from = sourceFormat ? *sourceFormat : m_graph.m_timeFormat;
    if (to == from) {
        *target = source;
        return S_OK;
    }
    auto renderers = SeekingOf(m_graph.Renderers());
    if (renderers.empty())
        return E_NOTIMPL;
    return renderers.front()->ConvertTimeFormat(target, &to, source, &from);
}

HRESULT GraphSeeking::SeekRenderers(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    auto renderers = SeekingOf(m_graph.Renderers());
    if (renderers.empty())
        return E_NOTIMPL;
    HRESULT firstError = S_OK;
    bool done = false;
    LONGLONG newCurrent = current ? *current : 0;
    LONGLONG newStop = stop ? *stop : 0;
    for (auto& seeking : renderers) {
        // Every renderer seeks from the caller's values; the first answer
        // is the one reported.
        LONGLONG c = current ? *current : 0;
        LONGLONG s = stop ? *stop : 0;
        HRESULT hr = seeking->SetPositions(current ? &c : nullptr, currentFlags | (current ? AM_SEEKING_ReturnTime : 0),
                                           stop ? &s : nullptr, stopFlags | (stop ? AM_SEEKING_ReturnTime : 0));
        if (SUCCEEDED(hr)) {
            if (!done) {
                newCurrent = c;
                newStop = s;
            }
            done = true;
        } else if (SUCCEEDED(firstError)) {
            firstError = hr;
        }
    }
    if (!done)
        return firstError;
    if (current) {
        if ((currentFlags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning)
            m_graph.m_segmentStart = newCurrent;
        if (currentFlags & AM_SEEKING_ReturnTime)
            *current = newCurrent;
    }
    if (stop && (stopFlags & AM_SEEKING_ReturnTime))
        *stop = newStop;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                                     DWORD stopFlags)
{
    CAutoLock lock(&m_graph.m_lock);
    GraphControl& control = m_graph.m_control;
    bool moves = current && (currentFlags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning;
    bool running = m_graph.m_state == State_Running;
    // A running graph is paused for the seek and run again from the new
    // position, its stream time starting at 0 again.
    if (running && moves)
        control.PauseFilters();
    HRESULT hr = SeekRenderers(current, currentFlags, stop, stopFlags);
    if (SUCCEEDED(hr) && moves) {
        m_graph.m_pausedStreamTime = 0;
        if (m_graph.m_state != State_Stopped)
            m_graph.m_events.ExpectCompletion(m_graph.Renderers());
    }
    if (running && moves) {
        REFERENCE_TIME start = 0;
        REFERENCE_TIME now = 0;
        if (m_graph.m_clock && SUCCEEDED(m_graph.m_clock->GetTime(&now)))
            start = now + kRunLatency - m_graph.m_pausedStreamTime;
        HRESULT run = control.RunFilters(start);
        m_graph.m_runStart = start;
        if (SUCCEEDED(hr) && FAILED(run))
            hr = run;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    HRESULT hr = S_OK;
    if (current)
        hr = GetCurrentPosition(current);
    if (SUCCEEDED(hr) && stop)
        hr = GetStopPosition(stop);
    return hr;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::GetAvailable(LONGLONG* earliest, LONGLONG* latest)
{
    CAutoLock lock(&m_graph.m_lock);
    auto renderers = SeekingOf(m_graph.Renderers());
    if (renderers.empty())
        return E_NOTIMPL;
    return renderers.front()->GetAvailable(earliest, latest);
}

HRESULT STDMETHODCALLTYPE GraphSeeking::SetRate(double rate)
{
    if (rate == 0.0)
        return E_INVALIDARG;
    CAutoLock lock(&m_graph.m_lock);
    auto renderers = SeekingOf(m_graph.Renderers());
    if (renderers.empty())
        return E_NOTIMPL;
    for (auto& seeking : renderers) {
        HRESULT hr = seeking->SetRate(rate);
        if (FAILED(hr))
            return hr;
    }
    m_graph.m_rate = rate;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::GetRate(double* rate)
{
    CheckPointer(rate, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    *rate = m_graph.m_rate;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::GetPreroll(LONGLONG* preroll)
{
    CheckPointer(preroll, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    *preroll = 0;
    auto renderers = SeekingOf(m_graph.Renderers());
    return renderers.empty() ? S_OK : renderers.front()->GetPreroll(preroll);
}

HRESULT STDMETHODCALLTYPE GraphSeeking::GetTypeInfoCount(UINT* count)
{
    CheckPointer(count, E_POINTER);
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    CheckPointer(info, E_POINTER);
    *info = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::get_Duration(REFTIME* length)
{
    CheckPointer(length, E_POINTER);
    LONGLONG duration = 0;
    HRESULT hr = GetDuration(&duration);
    if (SUCCEEDED(hr))
        *length = ToSeconds(duration);
    return hr;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::put_CurrentPosition(REFTIME time)
{
    LONGLONG position = ToUnits(time);
    return SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

HRESULT STDMETHODCALLTYPE GraphSeeking::get_CurrentPosition(REFTIME* time)
{
    CheckPointer(time, E_POINTER);
    LONGLONG position = 0;
    HRESULT hr = GetCurrentPosition(&position);
    if (SUCCEEDED(hr))
        *time = ToSeconds(position);
    return hr;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::get_StopTime(REFTIME* time)
{
    CheckPointer(time, E_POINTER);
    LONGLONG stop = 0;
    HRESULT hr = GetStopPosition(&stop);
    if (SUCCEEDED(hr))
        *time = ToSeconds(stop);
    return hr;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::put_StopTime(REFTIME time)
{
    LONGLONG stop = ToUnits(time);
    return SetPositions(nullptr, AM_SEEKING_NoPositioning, &stop, AM_SEEKING_AbsolutePositioning);
}

HRESULT STDMETHODCALLTYPE GraphSeeking::get_PrerollTime(REFTIME* time)
{
    CheckPointer(time, E_POINTER);
    LONGLONG preroll = 0;
    HRESULT hr = GetPreroll(&preroll);
    *time = ToSeconds(preroll);
    return hr;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::put_PrerollTime(REFTIME) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE GraphSeeking::put_Rate(double rate) { return SetRate(rate); }

HRESULT STDMETHODCALLTYPE GraphSeeking::get_Rate(double* rate) { return GetRate(rate); }

HRESULT STDMETHODCALLTYPE GraphSeeking::CanSeekForward(LONG* canSeek)
{
    CheckPointer(canSeek, E_POINTER);
    DWORD capabilities = 0;
    GetCapabilities(&capabilities);
    *canSeek = (capabilities & AM_SEEKING_CanSeekForwards) ? OATRUE : OAFALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphSeeking::CanSeekBackward(LONG* canSeek)
{
    CheckPointer(canSeek, E_POINTER);
    DWORD capabilities = 0;
    GetCapabilities(&capabilities);
    *canSeek = (capabilities & AM_SEEKING_CanSeekBackwards) ? OATRUE : OAFALSE;
    return S_OK;
}

} // namespace dshow
