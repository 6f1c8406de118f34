#include "Filters/Corvane/PushSource.h"

#include <chrono>
#include <cstring>
#include <map>
#include <mutex>

#include "Filters/Common/Allocation.h"
#include "Filters/Common/SampleCopy.h"
#include "Filters/Common/SetupRecords.h"

namespace {

constexpr DWORD kRingWait = 500;
constexpr DWORD kRingFullWait = 2000;
constexpr DWORD kHandOverWait = 6000;
constexpr DWORD kEndOfStreamWait = 1000;
// A repeat is delivered only while the held sample is at most this old.
constexpr REFERENCE_TIME kRepeatAge = 1200000;

bool IsDv(const CMediaType& type)
{
    return type.majortype == MEDIATYPE_Video &&
           (type.subtype == MEDIASUBTYPE_dvsd || type.subtype == MEDIASUBTYPE_dvsl ||
            type.subtype == MEDIASUBTYPE_dvhd);
}

const VIDEOINFOHEADER* VideoInfo(const CMediaType& type)
{
    if (type.formattype != FORMAT_VideoInfo || type.cbFormat < sizeof(VIDEOINFOHEADER) || !type.pbFormat)
        return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

const WAVEFORMATEX* WaveFormat(const CMediaType& type)
{
    if (type.formattype != FORMAT_WaveFormatEx || type.cbFormat < sizeof(WAVEFORMATEX) - 2 || !type.pbFormat)
        return nullptr;
    return reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
}

// The audio buffer the output negotiates for a wave format.
LONG AudioBufferSize(const WAVEFORMATEX& format) { return static_cast<LONG>(format.nAvgBytesPerSec / 10 + 200); }

REFERENCE_TIME ByteTime(LONGLONG total, DWORD rate)
{
    if (rate == 0)
        return 10000000;
    return static_cast<REFERENCE_TIME>(static_cast<double>(total) / rate * 10000000.0);
}

} // namespace

// ---- the video clock

REFERENCE_TIME VideoClock::Now()
{
    CAutoLock guard(&m_lock);
    return m_time;
}

REFERENCE_TIME VideoClock::Advance(REFERENCE_TIME step)
{
    CAutoLock guard(&m_lock);
    const REFERENCE_TIME before = m_time;
    m_time += step;
    return before;
}

std::shared_ptr<VideoClock> VideoClock::For(IFilterGraph* graph)
{
    if (!graph)
        return std::make_shared<VideoClock>();
    static std::mutex clocksLock;
    static std::map<IFilterGraph*, std::weak_ptr<VideoClock>> clocks;
    std::lock_guard<std::mutex> guard(clocksLock);
    for (auto it = clocks.begin(); it != clocks.end();)
        it = it->second.expired() ? clocks.erase(it) : std::next(it);
    std::shared_ptr<VideoClock> clock = clocks[graph].lock();
    if (!clock) {
        clock = std::make_shared<VideoClock>();
        clocks[graph] = clock;
    }
    return clock;
}

// ---- the output pin

CQORSourceStream::CQORSourceStream(HRESULT* result, CQORSourceFilter* filter)
    : CSourceStream(NAME("QOR source stream"), result, filter, u"Output"), m_owner(filter)
{
}

CQORSourceStream::~CQORSourceStream()
{
    if (m_held)
        m_held->Release();
}

HRESULT CQORSourceStream::CheckMediaType(const CMediaType* type)
{
    CheckPointer(type, E_POINTER);
    CAutoLock guard(&m_owner->m_pushLock);
    if (!m_owner->m_typeSet)
        return E_FAIL;
    const CMediaType& stored = m_owner->m_type;
    if (type->majortype != stored.majortype || type->subtype != stored.subtype ||
        type->formattype != stored.formattype || type->cbFormat != stored.cbFormat)
        return E_FAIL;
    if (type->cbFormat != 0 && std::memcmp(type->pbFormat, stored.pbFormat, type->cbFormat) != 0)
        return E_FAIL;
    return S_OK;
}

HRESULT CQORSourceStream::GetMediaType(int position, CMediaType* type)
{
    CheckPointer(type, E_POINTER);
    if (position < 0)
        return E_INVALIDARG;
    CAutoLock guard(&m_owner->m_pushLock);
    if (!m_owner->m_typeSet)
        return E_FAIL;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    return type->Set(m_owner->m_type);
}

HRESULT CQORSourceStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    CheckPointer(allocator, E_POINTER);
    CheckPointer(request, E_POINTER);
    CAutoLock state(m_owner->pStateLock());
    ALLOCATOR_PROPERTIES wanted = *request;
    const VIDEOINFOHEADER* video = VideoInfo(m_mt);
    if (IsDv(m_mt)) {
        wanted.cBuffers = 4;
        wanted.cbBuffer = 120000;
        wanted.cbAlign = 128;
        m_mode = 4;
        if (video && video->bmiHeader.biHeight == 576) {
            wanted.cbBuffer = 144000;
            m_mode = 2;
        } else if (video && video->AvgTimePerFrame >= 333601 && video->AvgTimePerFrame <= 333699) {
            m_mode = 3;
        }
    } else if (video) {
        wanted.cBuffers = 4;
        wanted.cbBuffer = static_cast<LONG>(video->bmiHeader.biSizeImage + 20);
        wanted.cbAlign = 4;
        m_mode = 0;
    } else if (const WAVEFORMATEX* wave = WaveFormat(m_mt)) {
        wanted.cBuffers = 20;
        wanted.cbBuffer = AudioBufferSize(*wave);
        m_mode = 1;
    } else {
        return E_FAIL;
    }
    HRESULT hr = plugin_allocation::SetProperties(allocator, &wanted);
    if (hr != S_OK)
        return hr;
    CAutoLock guard(&m_owner->m_pushLock);
    m_owner->m_bufferSize = wanted.cbBuffer;
    return S_OK;
}

HRESULT CQORSourceStream::Active()
{
    CAutoLock state(m_owner->pStateLock());
    return CSourceStream::Active();
}

HRESULT CQORSourceStream::Inactive()
{
    CAutoLock state(m_owner->pStateLock());
    HRESULT hr = CSourceStream::Inactive();
    CAutoLock guard(&m_owner->m_pushLock);
    if (m_held) {
        m_held->Release();
        m_held = nullptr;
    }
    return hr;
}

HRESULT CQORSourceStream::StampByFormat(IMediaSample* sample, LONG length)
{
    REFERENCE_TIME start = 0, stop = 0;
    if (const VIDEOINFOHEADER* video = VideoInfo(m_mt)) {
        start = m_owner->m_clock->Advance(video->AvgTimePerFrame);
        stop = start + video->AvgTimePerFrame;
    } else if (const WAVEFORMATEX* wave = WaveFormat(m_mt)) {
        start = ByteTime(m_byteTotal, wave->nAvgBytesPerSec);
        m_byteTotal += length;
        stop = ByteTime(m_byteTotal, wave->nAvgBytesPerSec);
    } else {
        // A block on a type without a format (DV): stamped as a signalled
        // frame would be.
        return StampByMode(sample);
    }
    sample->SetTime(&start, &stop);
    return sample->SetMediaTime(&start, &stop);
}

HRESULT CQORSourceStream::StampByMode(IMediaSample* sample)
{
    const REFERENCE_TIME step = m_mode == 2 ? 400000 : m_mode == 3 ? 333666 : 333333;
    REFERENCE_TIME start = m_owner->m_clock->Advance(step);
    REFERENCE_TIME stop = start + step;
    sample->SetTime(&start, &stop);
    return sample->SetMediaTime(&start, &stop);
}

HRESULT CQORSourceStream::FillBuffer(IMediaSample* sample)
{
    CheckPointer(sample, E_POINTER);
    return m_owner->m_ring ? FillFromRing(sample) : FillFromHandOver(sample);
}

HRESULT CQORSourceStream::FillFromRing(IMediaSample* sample)
{
    CQORSourceFilter& f = *m_owner;
    f.m_pushLock.Lock();
    long long length = f.m_bytesPerBuffer;
    while (f.m_ring->Used() < length) {
        f.m_pushLock.Unlock();
        f.m_dataReady.Wait(kRingWait);
        f.m_pushLock.Lock();
        if (f.m_endOfStream) {
            // The audio left over at the end goes out as a last, shorter
            // sample; an empty ring ends the stream.
            length = std::min<long long>(f.m_ring->Used(), f.m_bytesPerBuffer);
            if (length == 0) {
                f.m_taken.Set();
                f.m_pushLock.Unlock();
                return S_FALSE;
            }
        }
    }
    BYTE* data = nullptr;
    if (sample->GetSize() < length) {
        f.m_pushLock.Unlock();
        return E_FAIL;
    }
    if (SUCCEEDED(sample->GetPointer(&data)) && data) {
        f.m_ring->Read(data, length);
        sample->SetActualDataLength(static_cast<LONG>(length));
    } else {
        sample->SetActualDataLength(0);
    }
    HRESULT hr = StampByFormat(sample, static_cast<LONG>(length));
    f.m_dataReady.Reset();
    f.m_taken.Set();
    f.m_pushLock.Unlock();
    return hr;
}

HRESULT CQORSourceStream::FillFromHandOver(IMediaSample* sample)
{
    CQORSourceFilter& f = *m_owner;
    for (;;) {
        f.m_dataReady.Wait(INFINITE);
        CAutoLock guard(&f.m_pushLock);
        if (f.m_endOfStream) {
            f.m_taken.Set();
            return S_FALSE;
        }
        HRESULT hr = S_OK;
        const bool signalled = f.m_signal != 0;
        if (f.m_block) {
            if (f.m_blockLength > sample->GetSize()) {
                // Never copied past the sample's buffer: refused back to
                // the caller, and nothing delivered.
                f.m_handOverResult = E_INVALIDARG;
                f.m_block = nullptr;
                f.m_blockLength = 0;
                f.m_dataReady.Reset();
                f.m_taken.Set();
                continue;
            }
            BYTE* data = nullptr;
            if (SUCCEEDED(sample->GetPointer(&data)) && data) {
                std::memcpy(data, f.m_block, static_cast<size_t>(f.m_blockLength));
                sample->SetActualDataLength(f.m_blockLength);
            } else {
                sample->SetActualDataLength(0);
            }
            hr = StampByFormat(sample, f.m_blockLength);
        } else if (f.m_signal == CQORSourceFilter::kRepeat) {
            LONGLONG heldStart = 0, heldStop = 0;
            if (!m_held || FAILED(m_held->GetMediaTime(&heldStart, &heldStop)) ||
                f.m_clock->Now() - heldStart + 20 > kRepeatAge) {
                // Acknowledged without a sample: the caller learns that
                // nothing stood in for its frame.
                f.m_handOverResult = S_FALSE;
                f.m_dataReady.Reset();
                f.m_taken.Set();
                continue;
            }
            hr = sample_copy::CopySample(m_held, sample, false);
            if (SUCCEEDED(hr))
                hr = StampByMode(sample);
        } else if (signalled) {
            hr = sample_copy::CopySample(reinterpret_cast<IMediaSample*>(f.m_signal), sample, false);
            if (SUCCEEDED(hr)) {
                if (m_held)
                    m_held->Release();
                m_held = sample;
                m_held->AddRef();
                hr = StampByMode(sample);
            }
        } else {
            // A wake-up whose request was withdrawn: nothing to deliver.
            continue;
        }
        if (signalled)
            f.m_signal = 0;
        f.m_block = nullptr;
        f.m_blockLength = 0;
        f.m_dataReady.Reset();
        f.m_taken.Set();
        return hr;
    }
}

// ---- the filter

CQORSourceFilter::CQORSourceFilter(LPUNKNOWN outer, HRESULT* result)
    : CSource(NAME("QOR Source"), outer, CLSID_QORSource, result)
{
    m_taken.Set();
    m_stream = new (std::nothrow) CQORSourceStream(result, this);
    if (!m_stream && result)
        *result = E_OUTOFMEMORY;
}

CQORSourceFilter::~CQORSourceFilter() { delete m_stream; }

CUnknown* CQORSourceFilter::CreateInstance(LPUNKNOWN outer, HRESULT* result)
{
    auto* filter = new (std::nothrow) CQORSourceFilter(outer, result);
    if (!filter)
        *result = E_OUTOFMEMORY;
    return filter;
}

HRESULT CQORSourceFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IKLPushSource)
        return GetInterface(static_cast<IKLPushSource*>(this), object);
    return CSource::NonDelegatingQueryInterface(riid, object);
}

LPAMOVIESETUP_FILTER CQORSourceFilter::GetSetupData()
{
    return const_cast<LPAMOVIESETUP_FILTER>(&plugin_setup::kQORSource);
}

HRESULT CQORSourceFilter::Stop()
{
    bool running = false;
    {
        CAutoLock state(pStateLock());
        running = m_State != State_Stopped;
    }
    if (running)
        EndOfStream();
    return CSource::Stop();
}

HRESULT CQORSourceFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    HRESULT hr = CSource::JoinFilterGraph(graph, name);
    if (SUCCEEDED(hr)) {
        CAutoLock guard(&m_pushLock);
        m_clock = VideoClock::For(graph);
    }
    return hr;
}

HRESULT CQORSourceFilter::SetMediaType(const AM_MEDIA_TYPE* type, int bytesPerBuffer)
{
    if (!type || bytesPerBuffer < 0)
        return E_INVALIDARG;
    if (m_stream && m_stream->IsConnected())
        return E_FAIL;
    CMediaType copy;
    if (FAILED(copy.Set(*type)))
        return E_OUTOFMEMORY;
    std::unique_ptr<CByteRing> ring;
    if (bytesPerBuffer != 0 && copy.formattype == FORMAT_WaveFormatEx) {
        // Every sample cut from the ring must fit the buffers the pin
        // negotiates for the format.
        const WAVEFORMATEX* wave = WaveFormat(copy);
        if (!wave || bytesPerBuffer > AudioBufferSize(*wave))
            return E_INVALIDARG;
        ring = std::make_unique<CByteRing>(static_cast<long long>(bytesPerBuffer) * 60 + 20);
        if (ring->Capacity() == 0)
            return E_OUTOFMEMORY;
    }
    CAutoLock guard(&m_pushLock);
    m_type = copy;
    m_typeSet = true;
    m_bytesPerBuffer = bytesPerBuffer;
    m_ring = std::move(ring);
    return S_OK;
}

HRESULT CQORSourceFilter::GetMediaType(AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_INVALIDARG;
    CAutoLock guard(&m_pushLock);
    return CopyMediaType(type, &m_type);
}

HRESULT CQORSourceFilter::HandOver(DWORD timeout)
{
    m_handOverResult = S_OK;
    m_taken.Reset();
    m_dataReady.Set();
    m_pushLock.Unlock();
    const bool taken = m_taken.Wait(timeout);
    m_pushLock.Lock();
    if (!taken) {
        // Withdrawn: the worker never sees this request after we return.
        m_dataReady.Reset();
        m_taken.Reset();
        m_block = nullptr;
        m_blockLength = 0;
        m_signal = 0;
        return E_FAIL;
    }
    m_signal = 0;
    return m_handOverResult;
}

HRESULT CQORSourceFilter::DeliverData(BYTE* data, int length)
{
    if (length < 0 || (!data && length > 0))
        return E_INVALIDARG;
    CAutoLock guard(&m_pushLock);
    if (m_endOfStream)
        return E_FAIL;
    if (m_ring) {
        if (length >= m_ring->Capacity())
            return E_INVALIDARG;
        // A full ring: wait, up to 2000 ms in all, while the worker frees
        // room (a block may need more than one output buffer's worth).
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRingFullWait);
        while (!m_ring->Write(data, length)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (m_endOfStream || left.count() <= 0)
                return E_FAIL;
            m_taken.Reset();
            m_pushLock.Unlock();
            m_taken.Wait(static_cast<DWORD>(left.count()));
            m_pushLock.Lock();
        }
        m_dataReady.Set();
        return S_OK;
    }
    // One block, one sample: it must fit the negotiated buffer.
    if (m_bufferSize > 0 && length > m_bufferSize)
        return E_INVALIDARG;
    m_block = data;
    m_blockLength = length;
    return HandOver(kHandOverWait);
}

HRESULT CQORSourceFilter::Signal(IMediaSample* sample)
{
    CAutoLock guard(&m_pushLock);
    if (m_endOfStream)
        return E_FAIL;
    m_signal = sample ? reinterpret_cast<INT_PTR>(sample) : kRepeat;
    return HandOver(kHandOverWait);
}

HRESULT CQORSourceFilter::EndOfStream()
{
    {
        CAutoLock guard(&m_pushLock);
        if (m_endOfStream)
            return S_OK;
        m_endOfStream = true;
        m_taken.Reset();
        m_dataReady.Set();
    }
    return m_taken.Wait(kEndOfStreamWait) ? S_OK : E_FAIL;
}
