#include "Filters/Pellmark/SeqCap.h"

#include <chrono>
#include <cstring>

#include "Filters/Common/Allocation.h"

// ---- the renderer

CSeqCapInputPin::CSeqCapInputPin(CSeqCapFilter* filter, CCritSec* lock, HRESULT* result)
    : CRenderedInputPin(NAME("SeqCap input"), filter, lock, result, u"Input"), m_owner(filter)
{
}

HRESULT CSeqCapInputPin::CheckMediaType(const CMediaType* type)
{
    if (!type)
        return E_INVALIDARG;
    return type->majortype == MEDIATYPE_Video ? S_OK : E_FAIL;
}

HRESULT CSeqCapInputPin::Receive(IMediaSample* sample)
{
    CAutoLock pinGuard(m_pLock);
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    FrameReceiver* receiver = m_owner->AcquireReceiver();
    if (!receiver)
        return E_POINTER;
    SwitchToThread();
    if (m_request.Check()) {
        receiver->PushSample(sample);
        m_request.Reset();
    }
    receiver->Release();
    return S_OK;
}

HRESULT CSeqCapInputPin::EndOfStream()
{
    CAutoLock pinGuard(m_pLock);
    return CRenderedInputPin::EndOfStream();
}

CSeqCapFilter::CSeqCapFilter(LPUNKNOWN outer, HRESULT* result)
    : CCaptureRenderer(NAME("SeqCap filter"), outer, CLSID_SeqCapRenderer)
{
    HRESULT hr = S_OK;
    m_pin = new (std::nothrow) CSeqCapInputPin(this, &m_lock, &hr);
    if (!m_pin)
        hr = E_OUTOFMEMORY;
    if (result)
        *result = hr;
}

CSeqCapFilter::~CSeqCapFilter()
{
    if (m_receiver)
        m_receiver->Release();
}

CUnknown* CSeqCapFilter::CreateInstance(LPUNKNOWN outer, HRESULT* result)
{
    auto* filter = new (std::nothrow) CSeqCapFilter(outer, result);
    if (!filter)
        *result = E_OUTOFMEMORY;
    return filter;
}

HRESULT CSeqCapFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IKLFrameGiver)
        return GetInterface(static_cast<IKLFrameGiver*>(this), object);
    return CCaptureRenderer::NonDelegatingQueryInterface(riid, object);
}

FrameReceiver* CSeqCapFilter::AcquireReceiver()
{
    CAutoLock guard(&m_receiverLock);
    if (m_receiver)
        m_receiver->AddRef();
    return m_receiver;
}

HRESULT CSeqCapFilter::SetReceiver(FrameReceiver* receiver)
{
    if (!receiver)
        return E_INVALIDARG;
    ReleaseReceiver();
    receiver->AddRef();
    {
        CAutoLock guard(&m_receiverLock);
        m_receiver = receiver;
    }
    if (m_pin && m_pin->IsConnected()) {
        CMediaType type = m_pin->CurrentMediaType();
        receiver->SetMediaType(&type);
    }
    return S_OK;
}

HRESULT CSeqCapFilter::ReleaseReceiver()
{
    FrameReceiver* receiver = nullptr;
    {
        CAutoLock guard(&m_receiverLock);
        receiver = m_receiver;
        m_receiver = nullptr;
    }
    if (receiver) {
        receiver->EndOfStream();
        receiver->Release();
    }
    return S_OK;
}

HRESULT CSeqCapFilter::Trigger()
{
    if (!m_pin)
        return E_FAIL;
    static_cast<CSeqCapInputPin*>(m_pin)->m_request.Set();
    return S_OK;
}

// ---- the source

CSeqCapSourceStream::CSeqCapSourceStream(HRESULT* result, CSeqCapSource* filter)
    : CSourceStream(NAME("SeqCap source stream"), result, filter, u"Sequence Source Stream"), m_owner(filter)
{
}

HRESULT CSeqCapSourceStream::CheckMediaType(const CMediaType* type)
{
    CheckPointer(type, E_POINTER);
    CAutoLock guard(m_owner->pStateLock());
    if (!m_owner->m_typeSet)
        return E_FAIL;
    return *type == m_owner->m_type ? S_OK : E_FAIL;
}

HRESULT CSeqCapSourceStream::GetMediaType(int position, CMediaType* type)
{
    CheckPointer(type, E_POINTER);
    if (position < 0)
        return E_INVALIDARG;
    CAutoLock guard(m_owner->pStateLock());
    if (!m_owner->m_typeSet)
        return E_FAIL;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    return type->Set(m_owner->m_type);
}

HRESULT CSeqCapSourceStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    CheckPointer(allocator, E_POINTER);
    CheckPointer(request, E_POINTER);
    if (m_mt.formattype != FORMAT_VideoInfo || !m_mt.pbFormat || m_mt.cbFormat < sizeof(VIDEOINFOHEADER))
        return E_FAIL;
    const auto* video = reinterpret_cast<const VIDEOINFOHEADER*>(m_mt.pbFormat);
    request->cBuffers = 1;
    request->cbBuffer = static_cast<LONG>(video->bmiHeader.biSizeImage);
    return plugin_allocation::SetProperties(allocator, request);
}

HRESULT CSeqCapSourceStream::FillBuffer(IMediaSample* sample)
{
    CheckPointer(sample, E_POINTER);
    CSeqCapSource& f = *m_owner;
    for (;;) {
        // Woken now and then to let a stop through even when the program
        // never ended the stream.
        if (!f.m_dataReady.Wait(100)) {
            Command command;
            if (CheckRequest(&command) && command == CMD_STOP)
                return S_FALSE;
            continue;
        }
        IMediaSample* pushed = nullptr;
        unsigned number = 0;
        {
            CAutoLock guard(f.pStateLock());
            if (f.m_endOfStream)
                return S_FALSE;
            // Nothing pending: a hand-over withdrawn after its wait ended.
            if (!f.m_pending)
                continue;
            pushed = f.m_pending;
            pushed->AddRef();
            number = f.m_pendingNumber;
            f.m_claimed = number;
        }
        HRESULT hr = S_OK;
        BYTE* from = nullptr;
        BYTE* to = nullptr;
        const LONG length = pushed->GetActualDataLength();
        if (length < 0 || length > sample->GetSize())
            hr = E_INVALIDARG;
        else if (FAILED(pushed->GetPointer(&from)) || FAILED(sample->GetPointer(&to)) || !from || !to)
            hr = E_FAIL;
        if (SUCCEEDED(hr)) {
            std::memcpy(to, from, static_cast<size_t>(length));
            sample->SetActualDataLength(length);
            REFERENCE_TIME start = 0, stop = 0;
            REFERENCE_TIME duration = 0;
            if (SUCCEEDED(pushed->GetTime(&start, &stop)))
                duration = stop - start;
            else if (m_mt.formattype == FORMAT_VideoInfo && m_mt.pbFormat)
                duration = reinterpret_cast<const VIDEOINFOHEADER*>(m_mt.pbFormat)->AvgTimePerFrame;
            start = m_runningTime;
            stop = m_runningTime + duration;
            m_runningTime = stop;
            hr = sample->SetTime(&start, &stop);
        }
        pushed->Release();
        {
            CAutoLock guard(f.pStateLock());
            f.m_takenNumber = number;
            f.m_takenResult = hr;
            if (f.m_pendingNumber == number)
                f.m_dataReady.Reset();
        }
        SwitchToThread();
        f.m_taken.Set();
        // A frame that could not be copied is refused to its pusher and
        // nothing is delivered; the stream goes on.
        if (FAILED(hr) && hr != E_FAIL)
            continue;
        return hr;
    }
}

CSeqCapSource::CSeqCapSource(LPUNKNOWN outer, HRESULT* result)
    : CSource(NAME("SeqCap source"), outer, CLSID_SeqCapSource, result)
{
    m_stream = new (std::nothrow) CSeqCapSourceStream(result, this);
    if (!m_stream && result)
        *result = E_OUTOFMEMORY;
}

CSeqCapSource::~CSeqCapSource() { delete m_stream; }

CUnknown* CSeqCapSource::CreateInstance(LPUNKNOWN outer, HRESULT* result)
{
    auto* filter = new (std::nothrow) CSeqCapSource(outer, result);
    if (!filter)
        *result = E_OUTOFMEMORY;
    return filter;
}

HRESULT CSeqCapSource::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_FrameReceiver)
        return GetInterface(static_cast<FrameReceiver*>(this), object);
    return CSource::NonDelegatingQueryInterface(riid, object);
}

HRESULT CSeqCapSource::SetMediaType(const AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_INVALIDARG;
    CMediaType copy;
    if (FAILED(copy.Set(*type)))
        return E_OUTOFMEMORY;
    CAutoLock guard(pStateLock());
    m_type = copy;
    m_typeSet = true;
    return S_OK;
}

HRESULT CSeqCapSource::PushSample(IMediaSample* sample)
{
    CheckPointer(sample, E_POINTER);
    unsigned number = 0;
    {
        CAutoLock guard(pStateLock());
        if (m_endOfStream)
            return E_FAIL;
        number = ++m_lastNumber;
        if (number == 0)
            number = ++m_lastNumber;
        m_pending = sample;
        m_pendingNumber = number;
        m_taken.Reset();
        m_dataReady.Set();
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_wait);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const bool expired = left.count() <= 0;
        // Once the worker has claimed the frame it is copied at once, so
        // its answer is waited for even past the deadline.
        m_taken.Wait(expired ? 50 : static_cast<DWORD>(left.count()));
        CAutoLock guard(pStateLock());
        if (m_takenNumber == number) {
            m_pending = nullptr;
            return m_takenResult;
        }
        if (std::chrono::steady_clock::now() >= deadline && m_claimed != number) {
            m_pending = nullptr;
            m_dataReady.Reset();
            return E_FAIL;
        }
    }
}

HRESULT CSeqCapSource::EndOfStream()
{
    CAutoLock guard(pStateLock());
    m_endOfStream = true;
    m_dataReady.Set();
    return S_OK;
}
