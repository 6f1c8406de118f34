#include "Win32/Utils/QORGraphControl.h"

#include "Win32/Utils/DShowUtils.h"

namespace {
constexpr LONG kStateWait = 1000;
constexpr int kStateTries = 3;
} // namespace

QORGraphControl::QORGraphControl(IUnknown* graph)
{
    HRESULT hr = m_pControl.QueryFrom(graph, IID_IMediaControl);
    if (FAILED(hr) || !graph) {
        m_pControl.Reset();
        LOG_DSHOW_ERROR("QORGraphControl constructor", FAILED(hr) ? hr : E_POINTER);
    }
}

HRESULT QORGraphControl::GetState(OAFilterState* state)
{
    if (!m_pControl || !state)
        return E_POINTER;
    HRESULT hr = S_OK;
    for (int i = 0; i < kStateTries; ++i) {
        hr = m_pControl->GetState(kStateWait, state);
        if (hr != VFW_S_STATE_INTERMEDIATE)
            break;
    }
    if (hr != S_OK)
        LOG_DSHOW_ERROR("GetState", hr);
    return hr;
}

HRESULT QORGraphControl::Stop()
{
    if (!m_pControl)
        return E_POINTER;
    OAFilterState state = State_Running;
    if (GetState(&state) == S_OK && state == State_Stopped)
        return S_OK;
    HRESULT hr = m_pControl->Stop();
    HRESULT after = GetState(&state);
    if (hr != S_OK || after != S_OK || state != State_Stopped)
        LOG_DSHOW_ERROR("Graph not stopped", after);
    return hr;
}

HRESULT QORGraphControl::MoveTo(OAFilterState wanted)
{
    if (!m_pControl)
        return E_POINTER;
    OAFilterState state = State_Stopped;
    HRESULT hr = GetState(&state);
    if (hr == S_OK && state == wanted)
        return hr;
    return wanted == State_Running ? m_pControl->Run() : m_pControl->Pause();
}

HRESULT QORGraphControl::Pause() { return MoveTo(State_Paused); }

HRESULT QORGraphControl::Run() { return MoveTo(State_Running); }
