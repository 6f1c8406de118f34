#include "Platform/DShow/BaseClasses/RenderedInputPin.h"

CRenderedInputPin::CRenderedInputPin(LPCTSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* result,
                                     LPCWSTR pinName)
    : CBaseInputPin(objectName, filter, lock, result, pinName)
{
}

HRESULT STDMETHODCALLTYPE CRenderedInputPin::EndOfStream()
{
    HRESULT hr = CheckStreaming();
    if (hr == S_OK && !m_bAtEndOfStream) {
        m_bAtEndOfStream = TRUE;
        FILTER_STATE state = State_Stopped;
        m_pFilter->GetState(0, &state);
        if (state == State_Running)
            DoCompleteHandling();
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE CRenderedInputPin::EndFlush()
{
    CAutoLock lock(m_pLock);
    m_bAtEndOfStream = FALSE;
    m_bCompleteNotified = FALSE;
    return CBaseInputPin::EndFlush();
}

HRESULT CRenderedInputPin::Active()
{
    m_bAtEndOfStream = FALSE;
    m_bCompleteNotified = FALSE;
    return CBaseInputPin::Active();
}

HRESULT CRenderedInputPin::Run(REFERENCE_TIME)
{
    m_bCompleteNotified = FALSE;
    if (m_bAtEndOfStream)
        DoCompleteHandling();
    return S_OK;
}

void CRenderedInputPin::DoCompleteHandling()
{
    if (!m_bCompleteNotified) {
        m_bCompleteNotified = TRUE;
        m_pFilter->NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(m_pFilter)));
    }
}
