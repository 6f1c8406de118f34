#include "Platform/DShow/Filters/tests/RecordingSink.h"

#include <cstring>

namespace playback_test {

RecordingSink::RecordingSink(const GUID& major, const GUID& subtype)
    : RendererBase(NAME("Recording sink"), GUID_NULL, u"In"), m_major(major), m_subtype(subtype)
{
}

HRESULT RecordingSink::CheckMediaType(const CMediaType* type)
{
    if (m_major == GUID_NULL)
        return S_OK;
    if (*type->Type() != m_major)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (m_subtype != GUID_NULL)
        return *type->Subtype() == m_subtype ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    if (m_major == MEDIATYPE_Audio)
        return *type->Subtype() == MEDIASUBTYPE_PCM ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    const GUID& subtype = *type->Subtype();
    return subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_UYVY
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT RecordingSink::Render(IMediaSample* sample)
{
    Record record;
    sample->GetTime(&record.start, &record.stop);
    record.size = sample->GetActualDataLength();
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::memcpy(record.first, data, std::min<size_t>(4, static_cast<size_t>(std::max<long>(record.size, 0))));
    std::lock_guard<std::mutex> guard(m_recordsLock);
    m_records.push_back(record);
    return S_OK;
}

void RecordingSink::OnNewSegment(REFERENCE_TIME start)
{
    std::lock_guard<std::mutex> guard(m_recordsLock);
    m_segmentStart = start;
}

IPin* RecordingSink::InputPin() { return m_pin; }

std::vector<Record> RecordingSink::Records()
{
    std::lock_guard<std::mutex> guard(m_recordsLock);
    return m_records;
}

REFERENCE_TIME RecordingSink::SegmentStart()
{
    std::lock_guard<std::mutex> guard(m_recordsLock);
    return m_segmentStart;
}

CMediaType RecordingSink::ConnectedType() { return m_pin->CurrentMediaType(); }

long long RecordingSink::AudioSamples()
{
    CMediaType type = ConnectedType();
    if (*type.FormatType() != FORMAT_WaveFormatEx)
        return 0;
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type.Format());
    long long bytes = 0;
    for (const Record& record : Records())
        bytes += record.size;
    return format->nBlockAlign ? bytes / format->nBlockAlign : 0;
}

com::ComPtr<IBaseFilter> Hold(RecordingSink* sink)
{
    com::ComPtr<IBaseFilter> held;
    sink->NonDelegatingQueryInterface(IID_IBaseFilter, held.ReceiveVoid());
    return held;
}

} // namespace playback_test
