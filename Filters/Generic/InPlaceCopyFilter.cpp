#include "Filters/Generic/InPlaceCopyFilter.h"

#include "Filters/Common/SampleCopy.h"

namespace {

constexpr sample_copy::Variant kCopyVariant{64, true};

} // namespace

CInPlaceCopyFilter::CInPlaceCopyFilter(LPCTSTR name, LPUNKNOWN outer, REFCLSID clsid, HRESULT* result)
    : CTransInPlaceFilter(name, outer, clsid, result), m_mmx(sample_copy::IsMmxPresent(kCopyVariant))
{
}

HRESULT CInPlaceCopyFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    m_segmentStart = start;
    m_segmentStop = stop;
    return CTransInPlaceFilter::NewSegment(start, stop, rate);
}

HRESULT CInPlaceCopyFilter::SampleTimes(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* stop)
{
    HRESULT hr = sample->GetTime(start, stop);
    if (FAILED(hr))
        return hr;
    *start += m_segmentStart;
    *stop += m_segmentStart;
    if (*stop < 0)
        *start = *stop = 0;
    return hr;
}

IMediaSample* CInPlaceCopyFilter::Copy(IMediaSample* source)
{
    IMemAllocator* allocator = OutputPin()->PeekAllocator();
    if (!allocator)
        return nullptr;
    AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
    DWORD flags = m_bSampleSkipped ? AM_GBF_PREVFRAMESKIPPED : 0;
    if (!(props->dwSampleFlags & AM_SAMPLE_SPLICEPOINT))
        flags |= AM_GBF_NOTASYNCPOINT;
    IMediaSample* dest = nullptr;
    if (FAILED(allocator->GetBuffer(&dest, nullptr, nullptr, flags)))
        return nullptr;
    if (FAILED(sample_copy::CopySample(source, dest, m_mmx))) {
        dest->Release();
        return nullptr;
    }
    return dest;
}

HRESULT CInPlaceCopyFilter::Receive(IMediaSample* sample)
{
    AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
    if (props->dwStreamId != AM_STREAM_MEDIA)
        return m_pOutput->Deliver(sample);
    bool copied = UsingDifferentAllocators();
    if (copied) {
        sample = Copy(sample);
        if (!sample)
            return E_UNEXPECTED;
    }
    DWORD before = sample_copy::ReadTimeStamp();
    HRESULT hr = Transform(sample);
    m_cycles = sample_copy::ReadTimeStamp() - before;
    if (hr == S_OK) {
        hr = m_pOutput->Deliver(sample);
    } else if (hr == S_FALSE) {
        m_bSampleSkipped = TRUE;
        if (!m_bQualityChanged) {
            NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
            m_bQualityChanged = TRUE;
        }
        hr = S_OK;
    }
    if (copied)
        sample->Release();
    return hr;
}
