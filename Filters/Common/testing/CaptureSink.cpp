#include "Filters/Common/testing/CaptureSink.h"

#include "Filters/Common/testing/PluginTesting.h"

namespace plugin_test {

DEFINE_GUID(CLSID_CaptureSink, 0x3B7C1E22, 0x55AA, 0x4E01, 0x9C, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77);

class CaptureSinkPin : public CBaseInputPin {
public:
    CaptureSinkPin(CaptureSink* filter, HRESULT* hr)
        : CBaseInputPin(NAME("Capture sink pin"), filter, &filter->m_lock, hr, u"In"), m_sink(filter)
    {
    }

    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }

    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override
    {
        HRESULT hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK)
            return hr;
        Received record;
        BYTE* data = nullptr;
        if (SUCCEEDED(sample->GetPointer(&data)) && data)
            record.data.assign(data, data + sample->GetActualDataLength());
        record.timed = SUCCEEDED(sample->GetTime(&record.start, &record.stop));
        record.mediaTimed = SUCCEEDED(sample->GetMediaTime(&record.mediaStart, &record.mediaStop));
        std::lock_guard<std::mutex> guard(m_sink->m_recordLock);
        m_sink->m_samples.push_back(std::move(record));
        m_sink->m_arrived.notify_all();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE EndOfStream() override
    {
        std::lock_guard<std::mutex> guard(m_sink->m_recordLock);
        ++m_sink->m_ends;
        m_sink->m_arrived.notify_all();
        return S_OK;
    }

private:
    CaptureSink* m_sink;
};

CaptureSink::CaptureSink() : CBaseFilter(NAME("Capture sink"), nullptr, &m_lock, CLSID_CaptureSink)
{
    HRESULT hr = S_OK;
    m_pin = new CaptureSinkPin(this, &hr);
}

CaptureSink::~CaptureSink() { delete m_pin; }

CBasePin* CaptureSink::GetPin(int index) { return index == 0 ? m_pin : nullptr; }
IPin* CaptureSink::Pin() { return m_pin; }

std::vector<Received> CaptureSink::Samples()
{
    std::lock_guard<std::mutex> guard(m_recordLock);
    return m_samples;
}

int CaptureSink::EndsOfStream()
{
    std::lock_guard<std::mutex> guard(m_recordLock);
    return m_ends;
}

bool CaptureSink::WaitForSamples(size_t count)
{
    std::unique_lock<std::mutex> guard(m_recordLock);
    return m_arrived.wait_for(guard, std::chrono::milliseconds(kLongWait),
                              [&] { return m_samples.size() >= count; });
}

bool CaptureSink::WaitForEnd()
{
    std::unique_lock<std::mutex> guard(m_recordLock);
    return m_arrived.wait_for(guard, std::chrono::milliseconds(kLongWait), [&] { return m_ends > 0; });
}

com::ComPtr<IBaseFilter> Hold(CBaseFilter* filter)
{
    com::ComPtr<IBaseFilter> held;
    filter->NonDelegatingQueryInterface(IID_IBaseFilter, held.ReceiveVoid());
    return held;
}

} // namespace plugin_test
