#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/Api/Guids.h"
#include "Platform/DShow/Runtime/FilterGraph.h"
#include "Platform/Win/Kernel/Time.h"

namespace dshow {
namespace {

// Filters are told to run this far ahead of the clock, so that every
// filter has its start time before the first sample is due.
constexpr REFERENCE_TIME kRunLatency = 10 * MILLISECONDS;
// How long StopWhenReady waits for the pause to complete.
constexpr DWORD kStopWhenReadyWait = 10000;

} // namespace

HRESULT STDMETHODCALLTYPE GraphControl::GetTypeInfoCount(UINT* count)
{
    CheckPointer(count, E_POINTER);
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphControl::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    CheckPointer(info, E_POINTER);
    *info = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT STDMETHODCALLTYPE GraphControl::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE GraphControl::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT STDMETHODCALLTYPE GraphControl::Run() { return RunAt(-1); }

HRESULT STDMETHODCALLTYPE GraphControl::Run(REFERENCE_TIME start) { return RunAt(start < 0 ? 0 : start); }

HRESULT GraphControl::RunAt(REFERENCE_TIME start)
{
    CAutoLock lock(&m_graph.m_lock);
    if (m_graph.m_state == State_Running)
        return S_OK;
    HRESULT hr = ChooseClockIfNeeded();
    if (FAILED(hr))
        return hr;
    // Every run waits for the renderers again: one that already ended
    // reports its end once more when it runs.
    m_graph.m_events.ExpectCompletion(m_graph.Renderers());
    if (m_graph.m_state == State_Stopped) {
        hr = PauseFilters();
        if (FAILED(hr)) {
            RevertFilters();
            return hr;
        }
        m_graph.m_state = State_Paused;
    }
    if (start < 0) {
        start = 0;
        REFERENCE_TIME now = 0;
        if (m_graph.m_clock && SUCCEEDED(m_graph.m_clock->GetTime(&now)))
            start = now + kRunLatency - m_graph.m_pausedStreamTime;
    }
    hr = RunFilters(start);
    if (FAILED(hr)) {
        RevertFilters();
        return hr;
    }
    m_graph.m_runStart = start;
    m_graph.m_state = State_Running;
    return TransitionResult();
}

HRESULT STDMETHODCALLTYPE GraphControl::Pause()
{
    CAutoLock lock(&m_graph.m_lock);
    if (m_graph.m_state == State_Paused)
        return TransitionResult();
    HRESULT hr = ChooseClockIfNeeded();
    if (FAILED(hr))
        return hr;
    if (m_graph.m_state == State_Stopped)
        m_graph.m_events.ExpectCompletion(m_graph.Renderers());
    else
        m_graph.m_pausedStreamTime = StreamTime();
    hr = PauseFilters();
    if (FAILED(hr)) {
        // Filters paused before the one that refused go back, so that every
        // filter is in the state the graph reports (a paused renderer left
        // behind would hold its connection's samples for good).
        RevertFilters();
        return hr;
    }
    m_graph.m_state = State_Paused;
    return TransitionResult();
}

HRESULT STDMETHODCALLTYPE GraphControl::Stop()
{
    CAutoLock lock(&m_graph.m_lock);
    if (m_graph.m_state == State_Stopped)
        return S_OK;
    // The graph keeps its position: the next run starts where this one
    // stopped.
    LONGLONG position = 0;
    bool keep = m_graph.m_clock && SUCCEEDED(m_graph.m_seeking.GetCurrentPosition(&position));
    HRESULT hr = StopFilters();
    m_graph.m_state = State_Stopped;
    m_graph.m_pausedStreamTime = 0;
    if (keep && position != m_graph.m_segmentStart &&
        SUCCEEDED(m_graph.m_seeking.SeekRenderers(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                                  AM_SEEKING_NoPositioning)))
        m_graph.m_segmentStart = position;
    return hr;
}

HRESULT STDMETHODCALLTYPE GraphControl::GetState(LONG milliseconds, OAFilterState* state)
{
    CheckPointer(state, E_POINTER);
    FILTER_STATE filterState = State_Stopped;
    HRESULT hr = GetState(static_cast<DWORD>(milliseconds), &filterState);
    *state = filterState;
    return hr;
}

HRESULT STDMETHODCALLTYPE GraphControl::GetState(DWORD milliseconds, FILTER_STATE* state)
{
    CheckPointer(state, E_POINTER);
    std::vector<com::ComPtr<IBaseFilter>> filters;
    {
        CAutoLock lock(&m_graph.m_lock);
        *state = m_graph.m_state;
        for (IBaseFilter* filter : m_graph.StateChangeOrder())
            filters.emplace_back(filter);
    }
    // Each filter may take the rest of the time to finish its transition;
    // the graph is not locked meanwhile.
    ULONGLONG deadline = milliseconds == INFINITE ? 0 : GetTickCount64() + milliseconds;
    HRESULT result = S_OK;
    for (com::ComPtr<IBaseFilter>& filter : filters) {
        DWORD left = INFINITE;
        if (milliseconds != INFINITE) {
            ULONGLONG now = GetTickCount64();
            left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        }
        FILTER_STATE filterState;
        HRESULT hr = filter->GetState(left, &filterState);
        if (FAILED(hr))
            return hr;
        if (hr == VFW_S_STATE_INTERMEDIATE)
            result = VFW_S_STATE_INTERMEDIATE;
        else if (hr == VFW_S_CANT_CUE && result == S_OK)
            result = VFW_S_CANT_CUE;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE GraphControl::RenderFile(BSTR file) { return m_graph.m_builder.RenderFile(file, nullptr); }

// The automation collections are not offered: nothing in the system
// scripts its graphs.
HRESULT STDMETHODCALLTYPE GraphControl::AddSourceFilter(BSTR, IDispatch** filter)
{
    if (filter)
        *filter = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE GraphControl::get_FilterCollection(IDispatch** collection)
{
    if (collection)
        *collection = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE GraphControl::get_RegFilterCollection(IDispatch** collection)
{
    if (collection)
        *collection = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE GraphControl::StopWhenReady()
{
    HRESULT hr = Pause();
    if (FAILED(hr))
        return hr;
    FILTER_STATE state;
    GetState(kStopWhenReadyWait, &state);
    return Stop();
}

HRESULT STDMETHODCALLTYPE GraphControl::GetClassID(CLSID* clsid)
{
    CheckPointer(clsid, E_POINTER);
    *clsid = CLSID_FilterGraph;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphControl::SetSyncSource(IReferenceClock* clock)
{
    CAutoLock lock(&m_graph.m_lock);
    if (m_graph.m_state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    UseClock(clock);
    m_graph.m_clockDecided = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphControl::GetSyncSource(IReferenceClock** clock)
{
    CheckPointer(clock, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    *clock = m_graph.m_clock;
    if (*clock)
        (*clock)->AddRef();
    return S_OK;
}

HRESULT GraphControl::PauseFilters()
{
    for (IBaseFilter* filter : m_graph.StateChangeOrder()) {
        HRESULT hr = filter->Pause();
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT GraphControl::RunFilters(REFERENCE_TIME start)
{
    for (IBaseFilter* filter : m_graph.StateChangeOrder()) {
        HRESULT hr = filter->Run(start);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT GraphControl::StopFilters()
{
    HRESULT result = S_OK;
    for (IBaseFilter* filter : m_graph.StateChangeOrder()) {
        HRESULT hr = filter->Stop();
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    return result;
}

void GraphControl::RevertFilters()
{
    if (m_graph.m_state == State_Stopped)
        StopFilters();
    else
        PauseFilters();
}

HRESULT GraphControl::TransitionResult()
{
    for (IBaseFilter* filter : m_graph.StateChangeOrder()) {
        FILTER_STATE state;
        if (filter->GetState(0, &state) == VFW_S_STATE_INTERMEDIATE)
            return S_FALSE;
    }
    return S_OK;
}

HRESULT GraphControl::ChooseClockIfNeeded()
{
    if (m_graph.m_clockDecided)
        return S_OK;
    return m_graph.m_builder.SetDefaultSyncSource();
}

void GraphControl::UseClock(IReferenceClock* clock)
{
    if (clock)
        clock->AddRef();
    if (m_graph.m_clock)
        m_graph.m_clock->Release();
    m_graph.m_clock = clock;
    for (const FilterGraph::Entry& entry : m_graph.m_filters)
        entry.filter->SetSyncSource(clock);
}

REFERENCE_TIME GraphControl::StreamTime()
{
    if (m_graph.m_state != State_Running)
        return m_graph.m_state == State_Paused ? m_graph.m_pausedStreamTime : 0;
    REFERENCE_TIME now = 0;
    if (!m_graph.m_clock || FAILED(m_graph.m_clock->GetTime(&now)))
        return m_graph.m_pausedStreamTime;
    return now > m_graph.m_runStart ? now - m_graph.m_runStart : 0;
}

} // namespace dshow
