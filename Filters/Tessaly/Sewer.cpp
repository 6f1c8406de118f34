#include "Filters/Tessaly/Sewer.h"

#include "Filters/Common/SetupRecords.h"

CSewerInputPin::CSewerInputPin(CSewerFilter* filter, CCritSec* lock, HRESULT* result)
    : CBaseInputPin(NAME("Sewer input pin"), filter, lock, result, u"Input")
{
}

HRESULT STDMETHODCALLTYPE CSewerInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    m_segmentStart = start;
    return CBaseInputPin::NewSegment(start, stop, rate);
}

HRESULT STDMETHODCALLTYPE CSewerInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    if (!(m_SampleProps.dwSampleFlags & AM_SAMPLE_TIMEVALID))
        return S_OK;
    REFERENCE_TIME start = m_SampleProps.tStart;
    if (start > m_limit)
        return S_OK;
    m_lastStart = start + m_segmentStart;
    if (m_SampleProps.dwSampleFlags & AM_SAMPLE_SPLICEPOINT) {
        m_lastKeyStart = start + m_segmentStart;
        m_valid = true;
    }
    return S_OK;
}

CSewerFilter::CSewerFilter(LPUNKNOWN outer, HRESULT* result)
    : CBaseFilter(NAME("Sewer"), outer, &m_lock, CLSID_Sewer)
{
    m_pin = new CSewerInputPin(this, &m_lock, result);
}

CSewerFilter::~CSewerFilter() { delete m_pin; }

CUnknown* CSewerFilter::CreateInstance(LPUNKNOWN outer, HRESULT* result) { return new CSewerFilter(outer, result); }

HRESULT STDMETHODCALLTYPE CSewerFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IKLSewer)
        return GetInterface(static_cast<IKLSewer*>(this), object);
    return CBaseFilter::NonDelegatingQueryInterface(riid, object);
}

LPAMOVIESETUP_FILTER CSewerFilter::GetSetupData() { return const_cast<LPAMOVIESETUP_FILTER>(&plugin_setup::kSewer); }

HRESULT STDMETHODCALLTYPE CSewerFilter::Set(int low, int high)
{
    m_pin->m_limit = static_cast<REFERENCE_TIME>((static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) |
                                                 static_cast<DWORD>(low));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSewerFilter::GetTimes(REFERENCE_TIME* keyFrameStart, REFERENCE_TIME* lastStart)
{
    if (!m_pin->m_valid)
        return E_FAIL;
    if (keyFrameStart)
        *keyFrameStart = m_pin->m_lastKeyStart;
    if (lastStart)
        *lastStart = m_pin->m_lastStart;
    return S_OK;
}
