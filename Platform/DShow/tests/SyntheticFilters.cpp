#include "Platform/DShow/tests/SyntheticFilters.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace dshow_test {

TestSource::TestSource(const SourceOptions& options)
    : CSource(NAME("Test source"), nullptr, GUID_NULL)
{
    HRESULT hr = S_OK;
    m_stream = new TestSourceStream(this, options, &hr);
}

IPin* TestSource::OutputPin() { return m_stream; }

TestSourceStream::TestSourceStream(TestSource* filter, const SourceOptions& options, HRESULT* result)
    : CSourceStream(NAME("Test source stream"), result, filter, u"Output"), m_options(options),
      m_stopFrame(options.frames)
{
}

HRESULT STDMETHODCALLTYPE TestSourceStream::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaSeeking)
        return GetInterface(static_cast<IMediaSeeking*>(this), object);
    return CSourceStream::NonDelegatingQueryInterface(riid, object);
}

HRESULT TestSourceStream::GetMediaType(CMediaType* type)
{
    if (m_options.onTypeAsked)
        m_options.onTypeAsked();
    type->InitMediaType();
    type->SetType(&MEDIATYPE_Video);
    type->SetSubtype(&m_options.subtype);
    type->SetFormatType(&FORMAT_VideoInfo);
    type->SetSampleSize(kFrameBytes);
    auto* format = reinterpret_cast<VIDEOINFOHEADER*>(type->AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (!format)
        return E_OUTOFMEMORY;
    format->AvgTimePerFrame = kFrameDuration;
    format->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format->bmiHeader.biWidth = kFrameBytes / 4;
    format->bmiHeader.biHeight = 1;
    format->bmiHeader.biPlanes = 1;
    format->bmiHeader.biBitCount = 32;
    format->bmiHeader.biSizeImage = kFrameBytes;
    return S_OK;
}

HRESULT TestSourceStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    request->cBuffers = std::max<LONG>(request->cBuffers, 2);
    request->cbBuffer = std::max<LONG>(request->cbBuffer, kFrameBytes);
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer >= kFrameBytes ? S_OK : E_FAIL;
}

HRESULT TestSourceStream::FillBuffer(IMediaSample* sample)
{
    int frame, start;
    {
        CAutoLock lock(&m_positionLock);
        if (m_nextFrame >= m_stopFrame)
            return S_FALSE;
        frame = m_nextFrame++;
        start = m_startFrame;
    }
    if (frame == start && m_options.firstFrameGate)
        WaitForSingleObject(m_options.firstFrameGate, 10000);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::memset(data, frame, kFrameBytes);
    sample->SetActualDataLength(kFrameBytes);
    REFERENCE_TIME from = (frame - start) * kFrameDuration;
    REFERENCE_TIME to = from + kFrameDuration;
    sample->SetTime(&from, &to);
    sample->SetSyncPoint(TRUE);
    return S_OK;
}

HRESULT TestSourceStream::OnThreadStartPlay()
{
    CAutoLock lock(&m_positionLock);
    return DeliverNewSegment(m_startFrame * kFrameDuration, m_stopFrame * kFrameDuration, 1.0);
}

HRESULT STDMETHODCALLTYPE TestSourceStream::GetCapabilities(DWORD* capabilities)
{
    *capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards |
                    AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::CheckCapabilities(DWORD* capabilities)
{
    DWORD have = 0;
    GetCapabilities(&have);
    DWORD wanted = *capabilities;
    *capabilities &= have;
    return *capabilities == wanted ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::IsFormatSupported(const GUID* format)
{
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::QueryPreferredFormat(GUID* format)
{
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::GetTimeFormat(GUID* format) { return QueryPreferredFormat(format); }

HRESULT STDMETHODCALLTYPE TestSourceStream::IsUsingTimeFormat(const GUID* format) { return IsFormatSupported(format); }

HRESULT STDMETHODCALLTYPE TestSourceStream::SetTimeFormat(const GUID* format)
{
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::GetDuration(LONGLONG* duration)
{
    *duration = m_options.frames * kFrameDuration;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::GetStopPosition(LONGLONG* stop)
{
    CAutoLock lock(&m_positionLock);
    *stop = m_stopFrame * kFrameDuration;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::GetCurrentPosition(LONGLONG* current)
{
    CAutoLock lock(&m_positionLock);
    *current = m_startFrame * kFrameDuration;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::ConvertTimeFormat(LONGLONG* target, const GUID*, LONGLONG source,
                                                              const GUID*)
{
    *target = source;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                                         DWORD stopFlags)
{
    DWORD how = currentFlags & AM_SEEKING_PositioningBitsMask;
    int startFrame;
    {
        CAutoLock lock(&m_positionLock);
        startFrame = m_startFrame;
        if (current && how == AM_SEEKING_AbsolutePositioning)
            startFrame = static_cast<int>(*current / kFrameDuration);
        else if (current && how == AM_SEEKING_RelativePositioning)
            startFrame += static_cast<int>(*current / kFrameDuration);
        startFrame = std::clamp(startFrame, 0, m_options.frames);
        if (stop && (stopFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning)
            m_stopFrame = std::clamp(static_cast<int>(*stop / kFrameDuration), 0, m_options.frames);
        if (current && (currentFlags & AM_SEEKING_ReturnTime))
            *current = startFrame * kFrameDuration;
        if (stop && (stopFlags & AM_SEEKING_ReturnTime))
            *stop = m_stopFrame * kFrameDuration;
    }
    if (!current || how == AM_SEEKING_NoPositioning)
        return S_OK;
    // As a real source does: flush downstream, restart the worker at the new
    // position (it begins with a new segment).
    if (ThreadExists()) {
        DeliverBeginFlush();
        Stop();
        {
            CAutoLock lock(&m_positionLock);
            m_startFrame = m_nextFrame = startFrame;
        }
        DeliverEndFlush();
        Run();
    } else {
        CAutoLock lock(&m_positionLock);
        m_startFrame = m_nextFrame = startFrame;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    if (current)
        GetCurrentPosition(current);
    if (stop)
        GetStopPosition(stop);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::GetAvailable(LONGLONG* earliest, LONGLONG* latest)
{
    if (earliest)
        *earliest = 0;
    if (latest)
        *latest = m_options.frames * kFrameDuration;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::SetRate(double rate) { return rate == 1.0 ? S_OK : E_INVALIDARG; }

HRESULT STDMETHODCALLTYPE TestSourceStream::GetRate(double* rate)
{
    *rate = 1.0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSourceStream::GetPreroll(LONGLONG* preroll)
{
    *preroll = 0;
    return S_OK;
}

TestFileSource::TestFileSource() : TestSource(SourceOptions{}) {}

HRESULT STDMETHODCALLTYPE TestFileSource::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IFileSourceFilter)
        return GetInterface(static_cast<IFileSourceFilter*>(this), object);
    return TestSource::NonDelegatingQueryInterface(riid, object);
}

HRESULT STDMETHODCALLTYPE TestFileSource::Load(LPCOLESTR file, const AM_MEDIA_TYPE*)
{
    CheckPointer(file, E_POINTER);
    m_file = file;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestFileSource::GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* type)
{
    CheckPointer(file, E_POINTER);
    if (type)
        static_cast<CMediaType*>(type)->InitMediaType();
    return AMGetWideString(m_file.c_str(), file);
}

HRESULT TestFileSource::GetClassObject(REFCLSID, REFIID riid, LPVOID* object)
{
    static struct Factory final : IClassFactory {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
        {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** object) override
        {
            auto* source = new TestFileSource;
            source->NonDelegatingAddRef();
            HRESULT hr = source->NonDelegatingQueryInterface(riid, object);
            source->NonDelegatingRelease();
            return hr;
        }
        HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
    } factory;
    return factory.QueryInterface(riid, object);
}

TestInPlace::TestInPlace() : CTransInPlaceFilter(NAME("Test in-place"), nullptr, GUID_NULL, nullptr, true) {}

HRESULT TestInPlace::CheckInputType(const CMediaType* type)
{
    return *type->Type() == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestInPlace::Transform(IMediaSample*)
{
    ++m_transformed;
    return S_OK;
}

class TestSinkPin : public CRenderedInputPin {
public:
    TestSinkPin(TestSink* filter, HRESULT* result)
        : CRenderedInputPin(NAME("Test sink pin"), filter, &filter->m_lock, result, u"Input"), m_sink(filter)
    {
    }

    HRESULT CheckMediaType(const CMediaType* type) override
    {
        if (*type->Type() != MEDIATYPE_Video)
            return VFW_E_TYPE_NOT_ACCEPTED;
        if (m_sink->m_options.subtype != GUID_NULL && *type->Subtype() != m_sink->m_options.subtype)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override
    {
        HRESULT hr = CRenderedInputPin::Receive(sample);
        if (hr != S_OK)
            return hr;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        Received record{data ? data[0] : BYTE(0), m_SampleProps.tStart, CurrentStartTime()};
        {
            std::lock_guard<std::mutex> guard(m_sink->m_framesLock);
            m_sink->m_frames.push_back(record);
        }
        m_sink->m_haveFrame = true;
        m_sink->m_frameArrived.Set();
        // Paused, a renderer holds its frame until it runs, stops or flushes.
        while (m_sink->m_State == State_Paused && !m_bFlushing)
            m_sink->m_wake.Wait(5);
        if (m_sink->m_options.paced && m_sink->m_State == State_Running)
            WaitForPresentation(record.start);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE BeginFlush() override
    {
        HRESULT hr = CRenderedInputPin::BeginFlush();
        m_sink->m_wake.Set();
        return hr;
    }

private:
    void WaitForPresentation(REFERENCE_TIME start)
    {
        com::ComPtr<IReferenceClock> clock;
        m_sink->GetSyncSource(clock.Receive());
        if (!clock)
            return;
        REFERENCE_TIME base;
        {
            CAutoLock lock(&m_sink->m_lock);
            base = m_sink->m_tStart;
        }
        CAMEvent due;
        DWORD_PTR cookie = 0;
        if (FAILED(clock->AdviseTime(base, start, reinterpret_cast<HEVENT>(static_cast<HANDLE>(due)),
                                     &cookie)))
            return;
        while (m_sink->m_State == State_Running && !m_bFlushing && !due.Wait(5)) {
        }
        clock->Unadvise(cookie);
    }

    TestSink* m_sink;
};

TestSink::TestSink(const SinkOptions& options)
    : CBaseFilter(NAME("Test sink"), nullptr, &m_lock, GUID_NULL), m_options(options)
{
    HRESULT hr = S_OK;
    m_pin = new TestSinkPin(this, &hr);
}

TestSink::~TestSink()
{
    if (m_position)
        m_position->Release();
    delete m_pin;
}

HRESULT STDMETHODCALLTYPE TestSink::NonDelegatingQueryInterface(REFIID riid, void** object)
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

CBasePin* TestSink::GetPin(int index) { return index == 0 ? m_pin : nullptr; }

IPin* TestSink::InputPin() { return m_pin; }

HRESULT STDMETHODCALLTYPE TestSink::Stop()
{
    m_wake.Set();
    HRESULT hr = CBaseFilter::Stop();
    m_wake.Reset();
    return hr;
}

HRESULT STDMETHODCALLTYPE TestSink::Pause()
{
    CAutoLock lock(&m_lock);
    if (m_State == State_Stopped) {
        m_haveFrame = false;
        m_frameArrived.Reset();
    }
    m_wake.Reset();
    return CBaseFilter::Pause();
}

HRESULT STDMETHODCALLTYPE TestSink::Run(REFERENCE_TIME start)
{
    HRESULT hr = CBaseFilter::Run(start);
    m_wake.Set();
    return hr;
}

HRESULT STDMETHODCALLTYPE TestSink::GetState(DWORD milliseconds, FILTER_STATE* state)
{
    *state = m_State;
    if (m_State != State_Paused || m_haveFrame || !m_pin->IsConnected())
        return S_OK;
    m_frameArrived.Wait(milliseconds);
    return m_haveFrame ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

std::vector<Received> TestSink::Frames()
{
    std::lock_guard<std::mutex> guard(m_framesLock);
    return m_frames;
}

void TestSink::ClearFrames()
{
    std::lock_guard<std::mutex> guard(m_framesLock);
    m_frames.clear();
}

bool TestSink::WaitForFrames(size_t count, DWORD milliseconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (Frames().size() < count) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace dshow_test
