#include "Filters/Pellmark/CaptureRenderer.h"

CCaptureRenderer::CCaptureRenderer(LPCTSTR name, LPUNKNOWN outer, REFCLSID clsid)
    : CBaseFilter(name, outer, &m_lock, clsid)
{
}

CCaptureRenderer::~CCaptureRenderer()
{
    if (m_position)
        m_position->Release();
    delete m_pin;
}

HRESULT CCaptureRenderer::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) {
        CheckPointer(object, E_POINTER);
        CAutoLock guard(&m_lock);
        if (!m_position) {
            if (!m_pin)
                return E_NOINTERFACE;
            HRESULT hr = CreatePosPassThru(GetOwner(), TRUE, m_pin, &m_position);
            if (FAILED(hr))
                return hr;
        }
        return m_position->QueryInterface(riid, object);
    }
    return CBaseFilter::NonDelegatingQueryInterface(riid, object);
}
