// The range filter ("Timeshift" in the retiming graph, "MediaPlacer" in the
// clip-save graph): from "Video Input" to "Video Output" and from "Audio
// Input" to "Audio Output" it passes the samples between the start and the
// stop time of its range, untouched and restamped so that the start becomes
// 0. Video starts at the first key frame at or after the start, so a copied
// compressed stream begins decodable; audio starts with the first block
// that reaches past the start. A stream ends (end of stream downstream, and
// S_FALSE to its source) at its first sample at or past the stop. Without a
// range everything passes with its own times. Seeking on an output is
// passed to the source behind the matching input.

#include <atomic>
#include <memory>

#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {
namespace {

class MediaPlacer;
class PlacerOutput;

class PlacerInput final : public CBaseInputPin {
public:
    PlacerInput(MediaPlacer* filter, CCritSec* lock, HRESULT* result, LPCWSTR name, bool video);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // Back to the state of a new run.
    void Restart()
    {
        m_ended = false;
        m_started = false;
    }
    LONG BufferSize();

    PlacerOutput* m_output = nullptr;

private:
    MediaPlacer* m_filter;
    bool m_video;
    bool m_ended = false;
    bool m_started = false;
};

class PlacerOutput final : public CBaseOutputPin {
public:
    PlacerOutput(CBaseFilter* filter, CCritSec* lock, HRESULT* result, LPCWSTR name, PlacerInput* input)
        : CBaseOutputPin(NAME("Range output"), filter, lock, result, name),
          m_input(input)
    {
    }
    ~PlacerOutput() override
    {
        if (m_position)
            m_position->Release();
    }

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition)
            return QuerySeekingThrough(GetOwner(), m_input, m_position, riid, object);
        return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
    }

    HRESULT CheckMediaType(const CMediaType* type) override
    {
        if (!m_input->IsConnected())
            return VFW_E_NOT_CONNECTED;
        const CMediaType& in = m_input->CurrentMediaType();
        return *type->Type() == *in.Type() && *type->Subtype() == *in.Subtype() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (HRESULT hr = OnlyType(position, m_input->IsConnected()); hr != S_OK)
            return hr;
        *type = m_input->CurrentMediaType();
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        return SetBuffers(allocator, request, 4, m_input->BufferSize());
    }

private:
    PlacerInput* m_input;
    IUnknown* m_position = nullptr;
};

class MediaPlacer final : public CBaseFilter, public IMediaPlacer {
public:
    MediaPlacer() : CBaseFilter(NAME("MediaPlacer"), nullptr, &m_lock, CLSID_MediaPlacer)
    {
        HRESULT hr = S_OK;
        m_videoIn = std::make_unique<PlacerInput>(this, &m_lock, &hr, u"Video Input", true);
        m_videoOut = std::make_unique<PlacerOutput>(this, &m_lock, &hr, u"Video Output", m_videoIn.get());
        m_audioIn = std::make_unique<PlacerInput>(this, &m_lock, &hr, u"Audio Input", false);
        m_audioOut = std::make_unique<PlacerOutput>(this, &m_lock, &hr, u"Audio Output", m_audioIn.get());
        m_videoIn->m_output = m_videoOut.get();
        m_audioIn->m_output = m_audioOut.get();
    }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IMediaPlacer)
            return GetInterface(static_cast<IMediaPlacer*>(this), object);
        return CBaseFilter::NonDelegatingQueryInterface(riid, object);
    }

    int GetPinCount() override { return 4; }
    CBasePin* GetPin(int index) override
    {
        switch (index) {
        case 0: return m_videoIn.get();
        case 1: return m_videoOut.get();
        case 2: return m_audioIn.get();
        case 3: return m_audioOut.get();
        default: return nullptr;
        }
    }

    HRESULT STDMETHODCALLTYPE Pause() override
    {
        CAutoLock guard(&m_lock);
        if (m_State == State_Stopped) {
            m_videoIn->Restart();
            m_audioIn->Restart();
        }
        return CBaseFilter::Pause();
    }

    HRESULT STDMETHODCALLTYPE SetRange(DWORD, DWORD, double start, double stop) override
    {
        if (start < 0 || (stop > 0 && stop <= start))
            return E_INVALIDARG;
        m_start = static_cast<REFERENCE_TIME>(start * UNITS);
        m_stop = stop > 0 ? static_cast<REFERENCE_TIME>(stop * UNITS) : MAX_TIME;
        m_ranged = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRange(double* start, double* stop) override
    {
        CheckPointer(start, E_POINTER);
        CheckPointer(stop, E_POINTER);
        *start = m_ranged ? static_cast<double>(m_start) / UNITS : 0.0;
        *stop = m_ranged && m_stop != MAX_TIME ? static_cast<double>(m_stop) / UNITS : 0.0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetVideoSubtype(GUID subtype) override
    {
        CAutoLock guard(&m_lock);
        if (m_videoIn->IsConnected())
            return VFW_E_ALREADY_CONNECTED;
        m_videoSubtype = subtype;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVideoSubtype(GUID* subtype) override
    {
        CheckPointer(subtype, E_POINTER);
        *subtype = m_videoSubtype;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearRange() override
    {
        m_ranged = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ResetPosition() override
    {
        m_position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPosition(LONGLONG* position) override
    {
        CheckPointer(position, E_POINTER);
        *position = m_position;
        return S_OK;
    }

    const GUID& VideoSubtype() const { return m_videoSubtype; }

    // What becomes of a sample at `start` to `stop`: passed (with the
    // offset to take off its times), dropped, or the end of the stream.
    enum class Verdict { Pass, Drop, End };
    Verdict Judge(bool video, bool& started, REFERENCE_TIME start, REFERENCE_TIME stop, bool key,
                  REFERENCE_TIME& offset)
    {
        offset = 0;
        if (!m_ranged)
            return Verdict::Pass;
        if (start >= m_stop)
            return Verdict::End;
        offset = m_start;
        if (started)
            return Verdict::Pass;
        const bool reaches = video ? start >= m_start && key : stop > m_start;
        if (!reaches)
            return Verdict::Drop;
        started = true;
        return Verdict::Pass;
    }

    void Passed(REFERENCE_TIME time) { m_position = time; }

private:
    CCritSec m_lock;
    std::unique_ptr<PlacerInput> m_videoIn;
    std::unique_ptr<PlacerOutput> m_videoOut;
    std::unique_ptr<PlacerInput> m_audioIn;
    std::unique_ptr<PlacerOutput> m_audioOut;
    GUID m_videoSubtype = GUID_NULL;
    std::atomic<bool> m_ranged{false};
    std::atomic<REFERENCE_TIME> m_start{0};
    std::atomic<REFERENCE_TIME> m_stop{MAX_TIME};
    std::atomic<REFERENCE_TIME> m_position{0};
};

PlacerInput::PlacerInput(MediaPlacer* filter, CCritSec* lock, HRESULT* result, LPCWSTR name, bool video)
    : CBaseInputPin(NAME("Range input"), filter, lock, result, name), m_filter(filter), m_video(video)
{
}

HRESULT PlacerInput::CheckMediaType(const CMediaType* type)
{
    if (!m_video)
        return *type->Type() == MEDIATYPE_Audio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    if (*type->Type() != MEDIATYPE_Video && *type->Type() != MEDIATYPE_Interleaved)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const GUID& wanted = m_filter->VideoSubtype();
    return wanted == GUID_NULL || *type->Subtype() == wanted ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

LONG PlacerInput::BufferSize()
{
    ALLOCATOR_PROPERTIES properties{};
    if (m_pAllocator && SUCCEEDED(m_pAllocator->GetProperties(&properties)) && properties.cbBuffer > 0)
        return properties.cbBuffer;
    const ULONG size = CurrentMediaType().GetSampleSize();
    return size > 0 ? static_cast<LONG>(size) : 1 << 20;
}

HRESULT STDMETHODCALLTYPE PlacerInput::Receive(IMediaSample* sample)
{
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    if (m_ended)
        return S_FALSE;
    REFERENCE_TIME start = 0, stop = 0;
    const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
    REFERENCE_TIME offset = 0;
    const MediaPlacer::Verdict verdict =
        timed ? m_filter->Judge(m_video, m_started, start, stop, sample->IsSyncPoint() == S_OK, offset)
              : MediaPlacer::Verdict::Pass;
    if (verdict == MediaPlacer::Verdict::Drop)
        return S_OK;
    if (verdict == MediaPlacer::Verdict::End) {
        m_ended = true;
        if (m_output->IsConnected())
            m_output->DeliverEndOfStream();
        return S_FALSE;
    }
    if (!m_output->IsConnected())
        return S_OK;
    IMediaSample* out = nullptr;
    hr = m_output->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    sample->GetPointer(&from);
    out->GetPointer(&to);
    const LONG size = sample->GetActualDataLength();
    if (size > out->GetSize()) {
        out->Release();
        return E_FAIL;
    }
    std::copy(from, from + size, to);
    out->SetActualDataLength(size);
    if (timed) {
        REFERENCE_TIME outStart = start - offset, outStop = stop - offset;
        out->SetTime(&outStart, &outStop);
        m_filter->Passed(start);
    }
    out->SetSyncPoint(sample->IsSyncPoint() == S_OK);
    out->SetDiscontinuity(sample->IsDiscontinuity() == S_OK);
    hr = m_output->Deliver(out);
    out->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE PlacerInput::EndOfStream()
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    if (m_ended || !m_output->IsConnected())
        return S_OK;
    m_ended = true;
    return m_output->DeliverEndOfStream();
}

HRESULT STDMETHODCALLTYPE PlacerInput::BeginFlush()
{
    CBaseInputPin::BeginFlush();
    return m_output->IsConnected() ? m_output->DeliverBeginFlush() : S_OK;
}

HRESULT STDMETHODCALLTYPE PlacerInput::EndFlush()
{
    Restart();
    CBaseInputPin::EndFlush();
    return m_output->IsConnected() ? m_output->DeliverEndFlush() : S_OK;
}

HRESULT STDMETHODCALLTYPE PlacerInput::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    CBaseInputPin::NewSegment(start, stop, rate);
    return m_output->IsConnected() ? m_output->DeliverNewSegment(start, stop, rate) : S_OK;
}

} // namespace

HRESULT CreateMediaPlacer(REFIID riid, void** object) { return CreateSystemObject<MediaPlacer>(riid, object); }

} // namespace dshow
