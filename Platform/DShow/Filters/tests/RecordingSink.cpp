#include "Platform/DShow/Filters/tests/RecordingSink.h"

#include <cstring>

namespace playback_test {

class RecordingSinkPin : public CRenderedInputPin {
public:
    RecordingSinkPin(RecordingSink* sink, HRESULT* result)
        : CRenderedInputPin(NAME("Recording sink input"), sink, &sink->m_lock, result, u"In"), m_sink(sink)
    {
    }
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        if (m_sink->m_major == GUID_NULL)
            return S_OK;
        if (*type->Type() != m_sink->m_major)
            return VFW_E_TYPE_NOT_ACCEPTED;
        if (m_sink->m_subtype != GUID_NULL)
            return *type->Subtype() == m_sink->m_subtype ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
        if (m_sink->m_major == MEDIATYPE_Audio)
            return *type->Subtype() == MEDIASUBTYPE_PCM ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
        const GUID& subtype = *type->Subtype();
        return subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_UYVY
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override
    {
        HRESULT hr = CRenderedInputPin::Receive(sample);
        if (hr != S_OK)
            return hr;
        Record record;
        sample->GetTime(&record.start, &record.stop);
        record.size = sample->GetActualDataLength();
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        std::memcpy(record.first, data, std::min<size_t>(4, static_cast<size_t>(std::max<long>(record.size, 0))));
        std::lock_guard<std::mutex> guard(m_sink->m_recordsLock);
        m_sink->m_records.push_back(record);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override
    {
        {
            std::lock_guard<std::mutex> guard(m_sink->m_recordsLock);
            m_sink->m_segmentStart = start;
        }
        return CRenderedInputPin::NewSegment(start, stop, rate);
    }

private:
    RecordingSink* m_sink;
};

RecordingSink::RecordingSink(const GUID& major, const GUID& subtype)
    : CBaseFilter(NAME("Recording sink"), nullptr, &m_lock, GUID_NULL), m_major(major), m_subtype(subtype)
{
    HRESULT hr = S_OK;
    m_pin = new RecordingSinkPin(this, &hr);
}

RecordingSink::~RecordingSink()
{
    if (m_position)
        m_position->Release();
    delete m_pin;
}

HRESULT STDMETHODCALLTYPE RecordingSink::NonDelegatingQueryInterface(REFIID riid, void** object)
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

CBasePin* RecordingSink::GetPin(int index) { return index == 0 ? m_pin : nullptr; }

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
