#include "Platform/DShow/Filters/Renderers/RendererBase.h"

namespace dshow {

RendererInputPin::RendererInputPin(RendererBase* renderer, HRESULT* result, LPCWSTR name)
    : CRenderedInputPin(NAME("Renderer input"), renderer, &renderer->m_lock, result, name), m_renderer(renderer)
{
}

HRESULT RendererInputPin::CheckMediaType(const CMediaType* type) { return m_renderer->CheckMediaType(type); }

HRESULT STDMETHODCALLTYPE RendererInputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    CheckPointer(object, E_POINTER);
    if (SUCCEEDED(m_renderer->PinInterface(riid, object)))
        return S_OK;
    return CRenderedInputPin::NonDelegatingQueryInterface(riid, object);
}

HRESULT RendererInputPin::SetMediaType(const CMediaType* type)
{
    HRESULT hr = CRenderedInputPin::SetMediaType(type);
    return SUCCEEDED(hr) ? m_renderer->SetMediaType(type) : hr;
}

HRESULT STDMETHODCALLTYPE RendererInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = CRenderedInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    m_renderer->m_holding.Set();
    if (m_renderer->Scheduled()) {
        REFERENCE_TIME start = 0, stop = 0;
        bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
        IReferenceClock* clock = m_renderer->m_pClock;
        if (m_renderer->m_State == State_Paused)
            m_renderer->Preroll(sample);
        if (!m_renderer->m_presentation.WaitFor(*m_renderer, clock, timed, start))
            return IsFlushing() ? S_FALSE : VFW_E_WRONG_STATE;
    }
    return m_renderer->Render(sample);
}

HRESULT STDMETHODCALLTYPE RendererInputPin::EndOfStream()
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    m_renderer->m_holding.Set();
    m_renderer->EndOfStream();
    return CRenderedInputPin::EndOfStream();
}

HRESULT STDMETHODCALLTYPE RendererInputPin::BeginFlush()
{
    // Flushing first, so a sample already on its way in cannot leave the
    // renderer holding an old frame once the flush has let go of it.
    HRESULT hr = CRenderedInputPin::BeginFlush();
    m_renderer->m_presentation.Cancel();
    m_renderer->m_holding.Reset();
    m_renderer->OnFlush();
    return hr;
}

HRESULT STDMETHODCALLTYPE RendererInputPin::EndFlush()
{
    m_renderer->m_presentation.Resume();
    return CRenderedInputPin::EndFlush();
}

HRESULT STDMETHODCALLTYPE RendererInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    m_renderer->OnNewSegment(start);
    return CRenderedInputPin::NewSegment(start, stop, rate);
}

RendererBase::RendererBase(LPCTSTR name, REFCLSID clsid, LPCWSTR pinName) : CBaseFilter(name, nullptr, &m_lock, clsid)
{
    HRESULT hr = S_OK;
    m_pin = new RendererInputPin(this, &hr, pinName);
}

RendererBase::~RendererBase()
{
    if (m_position)
        m_position->Release();
    delete m_pin;
}

HRESULT STDMETHODCALLTYPE RendererBase::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) {
        CAutoLock lock(&m_lock);
        if (!m_position) {
            HRESULT hr = CreatePosPassThru(GetOwner(), TRUE, m_pin, &m_position);
            if (FAILED(hr))
                return hr;
        }
        return m_position->QueryInterface(riid, object);
    }
    return CBaseFilter::NonDelegatingQueryInterface(riid, object);
}

CBasePin* RendererBase::GetPin(int index) { return index == 0 ? m_pin : nullptr; }

HRESULT STDMETHODCALLTYPE RendererBase::Stop()
{
    m_presentation.Cancel();
    m_presentation.NotRunning();
    m_holding.Reset();
    OnStop();
    return CBaseFilter::Stop();
}

HRESULT STDMETHODCALLTYPE RendererBase::Pause()
{
    CAutoLock lock(&m_lock);
    if (m_State == State_Stopped)
        m_holding.Reset();
    m_presentation.NotRunning();
    m_presentation.Resume();
    return CBaseFilter::Pause();
}

HRESULT STDMETHODCALLTYPE RendererBase::GetState(DWORD milliseconds, FILTER_STATE* state)
{
    CheckPointer(state, E_POINTER);
    *state = m_State;
    if (*state != State_Paused || !m_pin->IsConnected())
        return S_OK;
    return m_holding.Wait(milliseconds) ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

HRESULT STDMETHODCALLTYPE RendererBase::Run(REFERENCE_TIME start)
{
    CAutoLock lock(&m_lock);
    HRESULT hr = CBaseFilter::Run(start);
    m_presentation.Resume();
    m_presentation.Running();
    return hr;
}

} // namespace dshow
