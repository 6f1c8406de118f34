#include "Filters/Grabwell/GrabFilter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Filters/Common/PluginClasses.h"
#include "Platform/Win/Kernel/System.h"

namespace {

constexpr DWORD kFrameWait = 16000;
constexpr DWORD kDeliveryWait = 50000;
constexpr DWORD kDropWait = 100;
constexpr DWORD kSlice = 100;
constexpr DWORD kDefaultSilence = 6000;

} // namespace

DWORD GrabWaitSetting()
{
    char text[32] = {};
    const DWORD length = GetEnvironmentVariableA(kGrabWaitVariable, text, sizeof text);
    if (length == 0 || length >= sizeof text)
        return kFrameWait;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end || value == 0 || value > kFrameWait)
        return kFrameWait;
    return static_cast<DWORD>(value);
}

CGrabInputPin::CGrabInputPin(CGrabFilter* filter, CCritSec* filterLock, HRESULT* result)
    : CRenderedInputPin(NAME("Grab input pin"), filter, filterLock, result, u"Input"), m_grab(filter),
      m_frameWait(GrabWaitSetting()),
      m_freeSlot(CreateSemaphoreA(nullptr, 1, 1, nullptr)), m_filledSlot(CreateSemaphoreA(nullptr, 0, 1, nullptr))
{
    if (!m_freeSlot || !m_filledSlot)
        *result = E_OUTOFMEMORY;
}

CGrabInputPin::~CGrabInputPin()
{
    for (IMediaSample*& entry : m_queue)
        if (entry) {
            entry->Release();
            entry = nullptr;
        }
    if (m_freeSlot)
        CloseHandle(m_freeSlot);
    if (m_filledSlot)
        CloseHandle(m_filledSlot);
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IKLFrameGrab)
        return GetInterface(static_cast<IKLFrameGrab*>(this), object);
    if (riid == IID_IKLUnblock)
        return GetInterface(static_cast<IKLUnblock*>(this), object);
    return CRenderedInputPin::NonDelegatingQueryInterface(riid, object);
}

HRESULT CGrabInputPin::CheckMediaType(const CMediaType* type)
{
    const GUID& major = m_grab->AcceptedMajor();
    const GUID& sub = m_grab->AcceptedSub();
    if (major == GUID_NULL)
        return S_OK;
    if (*type->Type() != major)
        return E_FAIL;
    if (sub == GUID_NULL)
        return S_OK;
    if (*type->Subtype() != sub)
        return E_FAIL;
    CAutoLock lock(&m_pinLock);
    if (!m_typeSet)
        return S_OK;
    if (*type->FormatType() != m_requested.formattype || type->FormatLength() != m_requested.FormatLength())
        return E_FAIL;
    if (type->FormatLength() && std::memcmp(type->Format(), m_requested.Format(), type->FormatLength()) != 0)
        return E_FAIL;
    return S_OK;
}

HRESULT CGrabInputPin::GetMediaType(int position, CMediaType* type)
{
    CAutoLock lock(&m_pinLock);
    if (!m_typeSet)
        return CRenderedInputPin::GetMediaType(position, type);
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    return type->Set(m_requested);
}

HRESULT CGrabInputPin::Active()
{
    // A new run starts empty: nothing of the last one (a sample or its end
    // marker) may pass for the first frame of this one.
    Drain(1, 0, false);
    {
        CAutoLock lock(&m_pinLock);
        m_active = true;
        m_endOfStream = false;
    }
    return CRenderedInputPin::Active();
}

HRESULT CGrabInputPin::Inactive()
{
    {
        CAutoLock lock(&m_pinLock);
        m_active = false;
    }
    PutMarker(1);
    Drain(2, 200, true);
    return CRenderedInputPin::Inactive();
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::BeginFlush()
{
    PutMarker(1);
    Drain(2, 10, false);
    return CRenderedInputPin::BeginFlush();
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::EndFlush()
{
    PutMarker(1);
    Drain(2, 10, false);
    return CRenderedInputPin::EndFlush();
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::EndOfStream()
{
    m_endOfStream = true;
    HRESULT hr;
    {
        CAutoLock pin(&m_pinLock);
        CAutoLock stream(&m_streamLock);
        hr = CRenderedInputPin::EndOfStream();
        PutMarker(0);
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    CAutoLock pin(&m_pinLock);
    CAutoLock stream(&m_streamLock);
    m_segmentStart = start;
    return CRenderedInputPin::NewSegment(start, stop, rate);
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = CRenderedInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    {
        CAutoLock lock(&m_pinLock);
        if (!m_active)
            return S_OK;
    }
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT stamped = sample->GetTime(&start, &stop);
    sample->AddRef();
    if (WaitForSingleObject(m_freeSlot, kDeliveryWait) != WAIT_OBJECT_0) {
        sample->Release();
        return stamped;
    }
    if (!m_active) {
        // Stopped while this waited for the slot: the sample belongs to a
        // run that is over.
        ReleaseSemaphore(m_freeSlot, 1, nullptr);
        sample->Release();
        return stamped;
    }
    {
        CAutoLock lock(&m_queueLock);
        m_queue[m_writeIndex % 1] = sample;
        ++m_writeIndex;
    }
    ReleaseSemaphore(m_filledSlot, 1, nullptr);
    return stamped;
}

void CGrabInputPin::PutMarker(DWORD milliseconds)
{
    if (WaitForSingleObject(m_freeSlot, milliseconds) != WAIT_OBJECT_0)
        return;
    {
        CAutoLock lock(&m_queueLock);
        m_queue[m_writeIndex % 1] = nullptr;
        ++m_writeIndex;
    }
    ReleaseSemaphore(m_filledSlot, 1, nullptr);
}

void CGrabInputPin::Drain(int count, DWORD milliseconds, bool stopAtMarker)
{
    for (int released = 0; released < count;) {
        if (WaitForSingleObject(m_filledSlot, milliseconds) != WAIT_OBJECT_0)
            return;
        IMediaSample* entry = nullptr;
        {
            CAutoLock lock(&m_queueLock);
            entry = m_queue[m_readIndex % 1];
            m_queue[m_readIndex % 1] = nullptr;
            ++m_readIndex;
        }
        ReleaseSemaphore(m_freeSlot, 1, nullptr);
        if (entry) {
            entry->Release();
            ++released;
        } else if (stopAtMarker) {
            return;
        } else {
            ++released;
        }
    }
}

IMediaSample* CGrabInputPin::PeekHead(DWORD milliseconds, bool* entryFound)
{
    if (entryFound)
        *entryFound = false;
    auto peek = [this, entryFound]() {
        if (entryFound)
            *entryFound = true;
        IMediaSample* entry = nullptr;
        {
            CAutoLock lock(&m_queueLock);
            entry = m_queue[m_readIndex % 1];
            if (entry)
                entry->AddRef();
        }
        ReleaseSemaphore(m_filledSlot, 1, nullptr);
        return entry;
    };
    if (milliseconds == INFINITE)
        milliseconds = 30000;
    if (milliseconds == 0)
        milliseconds = 1;
    if (WaitForSingleObject(m_filledSlot, 0) == WAIT_OBJECT_0)
        return peek();
    LONG remaining = static_cast<LONG>(milliseconds);
    while (remaining > 0) {
        DWORD slice = std::min<DWORD>(static_cast<DWORD>(remaining), kSlice);
        if (m_endOfStream && m_active) {
            remaining = 1;
            slice = 1;
        }
        if (WaitForSingleObject(m_filledSlot, slice) == WAIT_OBJECT_0)
            return peek();
        remaining -= static_cast<LONG>(slice);
    }
    return nullptr;
}

IMediaSample* CGrabInputPin::TakeHead()
{
    WaitForSingleObject(m_filledSlot, INFINITE);
    IMediaSample* entry = nullptr;
    {
        CAutoLock lock(&m_queueLock);
        entry = m_queue[m_readIndex % 1];
        m_queue[m_readIndex % 1] = nullptr;
        ++m_readIndex;
    }
    ReleaseSemaphore(m_freeSlot, 1, nullptr);
    return entry;
}

HRESULT CGrabInputPin::Choose(REFERENCE_TIME* time, REFERENCE_TIME* endTime, bool forFrame, IMediaSample** chosen)
{
    *chosen = nullptr;
    const REFERENCE_TIME wanted = *time;
    for (;;) {
        IMediaSample* head = PeekHead(m_frameWait);
        if (!head)
            return E_FAIL;
        REFERENCE_TIME start = 0, stop = 0;
        if (FAILED(head->GetTime(&start, &stop))) {
            // Unstamped: taken as it is, reported without times.
            head->Release();
            IMediaSample* taken = TakeHead();
            if (!taken)
                return E_FAIL;
            *chosen = taken;
            return S_FALSE;
        }
        head->Release();
        REFERENCE_TIME duration = stop - start;
        start += m_segmentStart;
        stop += m_segmentStart;
        *endTime = stop;
        if (start > wanted + duration) {
            *time = start;
            if (!forFrame)
                return E_FAIL;
            // The head stays queued for later requests.
            IMediaSample* again = PeekHead(0);
            if (!again)
                return E_FAIL;
            *chosen = again;
            return S_OK;
        }
        IMediaSample* taken = TakeHead();
        if (!taken)
            return E_FAIL;
        if (stop > wanted) {
            *time = start;
            *chosen = taken;
            return S_OK;
        }
        taken->Release();
    }
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::GetFrame(REFERENCE_TIME* time, REFERENCE_TIME* endTime, BYTE* buffer,
                                                  DWORD bufferSize, DWORD* bytesCopied)
{
    CheckPointer(time, E_POINTER);
    CheckPointer(endTime, E_POINTER);
    CheckPointer(buffer, E_POINTER);
    CheckPointer(bytesCopied, E_POINTER);
    IMediaSample* sample = nullptr;
    HRESULT hr = Choose(time, endTime, true, &sample);
    if (FAILED(hr))
        return hr;
    BYTE* data = nullptr;
    HRESULT got = sample->GetPointer(&data);
    if (FAILED(got) || !data) {
        sample->Release();
        return FAILED(got) ? got : E_POINTER;
    }
    DWORD count = std::min<DWORD>(static_cast<DWORD>(std::max<LONG>(sample->GetActualDataLength(), 0)), bufferSize);
    std::memcpy(buffer, data, count);
    *bytesCopied = count;
    sample->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::GetSample(REFERENCE_TIME* time, REFERENCE_TIME* endTime,
                                                   IMediaSample** sample)
{
    CheckPointer(time, E_POINTER);
    CheckPointer(endTime, E_POINTER);
    CheckPointer(sample, E_POINTER);
    return Choose(time, endTime, false, sample);
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::DropSample(REFERENCE_TIME, BOOL* dropped)
{
    CheckPointer(dropped, E_POINTER);
    *dropped = FALSE;
    if (WaitForSingleObject(m_filledSlot, kDropWait) != WAIT_OBJECT_0)
        return S_OK;
    IMediaSample* entry = nullptr;
    {
        CAutoLock lock(&m_queueLock);
        entry = m_queue[m_readIndex % 1];
        m_queue[m_readIndex % 1] = nullptr;
        ++m_readIndex;
    }
    ReleaseSemaphore(m_freeSlot, 1, nullptr);
    if (!entry)
        return S_OK;
    REFERENCE_TIME start = 0, stop = 0;
    *dropped = SUCCEEDED(entry->GetTime(&start, &stop));
    entry->Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::GetFormatInfo(GUID* formatType, DWORD* formatSize)
{
    CheckPointer(formatType, E_POINTER);
    CheckPointer(formatSize, E_POINTER);
    CAutoLock lock(&m_pinLock);
    if (!IsConnected())
        return E_UNEXPECTED;
    *formatType = m_mt.formattype;
    *formatSize = m_mt.cbFormat;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::GetFormat(BYTE* buffer, DWORD bufferSize)
{
    CheckPointer(buffer, E_POINTER);
    CAutoLock lock(&m_pinLock);
    if (!m_mt.Format())
        return E_POINTER;
    std::memcpy(buffer, m_mt.Format(), std::min<DWORD>(m_mt.FormatLength(), bufferSize));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CGrabInputPin::SetMediaType(const AM_MEDIA_TYPE* type)
{
    CheckPointer(type, E_POINTER);
    CAutoLock lock(&m_pinLock);
    HRESULT hr = m_requested.Set(*type);
    if (FAILED(hr))
        return hr;
    m_typeSet = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAudioGrabInputPin::GetFrame(REFERENCE_TIME* time, REFERENCE_TIME* endTime, BYTE* buffer,
                                                       DWORD bufferSize, DWORD* bytesCopied)
{
    CheckPointer(time, E_POINTER);
    CheckPointer(endTime, E_POINTER);
    CheckPointer(buffer, E_POINTER);
    CheckPointer(bytesCopied, E_POINTER);
    // Whatever heads the queue is taken, an end-of-stream marker too.
    bool entryFound = false;
    IMediaSample* sample = nullptr;
    if (IMediaSample* head = PeekHead(m_frameWait, &entryFound))
        head->Release();
    if (entryFound)
        sample = TakeHead();
    if (sample) {
        REFERENCE_TIME start = 0, stop = 0;
        if (SUCCEEDED(sample->GetTime(&start, &stop))) {
            *time = start;
            *endTime = stop;
        }
        LONG length = std::max<LONG>(sample->GetActualDataLength(), 0);
        if (m_silenceSize == 0)
            m_silenceSize = static_cast<DWORD>(length) + 1024;
        BYTE* data = nullptr;
        HRESULT got = sample->GetPointer(&data);
        if (FAILED(got) || !data) {
            sample->Release();
            return FAILED(got) ? got : E_POINTER;
        }
        DWORD count = std::min<DWORD>(static_cast<DWORD>(length), bufferSize);
        std::memcpy(buffer, data, count);
        *bytesCopied = count;
        sample->Release();
        return S_OK;
    }
    // Nothing came: silence, so that the program's audio keeps its pace.
    if (m_silenceSize == 0)
        m_silenceSize = kDefaultSilence;
    m_silenceSize = std::min(m_silenceSize, bufferSize);
    DWORD count = m_silenceSize / 4 * 4;
    std::memset(buffer, 0, count);
    *bytesCopied = count;
    // After the end of the stream that is the sound's own end; without it,
    // the whole wait passed and nothing is coming (the branch upstream
    // refused or failed), which S_FALSE tells the caller, so that it waits
    // no more.
    return m_endOfStream ? S_OK : S_FALSE;
}

CGrabFilter::CGrabFilter(LPUNKNOWN outer, REFCLSID clsid, HRESULT* result)
    : CBaseFilter(NAME("Grab filter"), outer, &m_filterLock, clsid), m_major(GUID_NULL), m_sub(GUID_NULL)
{
    if (clsid == CLSID_VideoGrab) {
        m_major = MEDIATYPE_Video;
        m_sub = MEDIASUBTYPE_RGB24;
    } else if (clsid == CLSID_AudioGrab) {
        m_major = MEDIATYPE_Audio;
        m_sub = MEDIASUBTYPE_PCM;
    }
    if (clsid == CLSID_AudioGrab)
        m_pin = new CAudioGrabInputPin(this, &m_filterLock, result);
    else
        m_pin = new CGrabInputPin(this, &m_filterLock, result);
}

CGrabFilter::~CGrabFilter()
{
    delete m_pin;
    if (m_position)
        m_position->Release();
}

CUnknown* CGrabFilter::CreateVideo(LPUNKNOWN outer, HRESULT* result)
{
    return new CGrabFilter(outer, CLSID_VideoGrab, result);
}
CUnknown* CGrabFilter::CreateAudio(LPUNKNOWN outer, HRESULT* result)
{
    return new CGrabFilter(outer, CLSID_AudioGrab, result);
}
CUnknown* CGrabFilter::CreateQuick(LPUNKNOWN outer, HRESULT* result)
{
    return new CGrabFilter(outer, CLSID_QuickGrab, result);
}

CBasePin* CGrabFilter::GetPin(int index) { return index == 0 ? m_pin : nullptr; }

HRESULT STDMETHODCALLTYPE CGrabFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    CheckPointer(object, E_POINTER);
    CAutoLock lock(&m_filterLock);
    if (riid == IID_IKLFrameGrab)
        return GetInterface(static_cast<IKLFrameGrab*>(m_pin), object);
    if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) {
        if (!m_position) {
            IUnknown* created = nullptr;
            HRESULT hr = CreatePosPassThru(GetOwner(), FALSE, m_pin, &created);
            if (FAILED(hr)) {
                *object = nullptr;
                return hr;
            }
            m_position = created;
        }
        return m_position->QueryInterface(riid, object);
    }
    return CBaseFilter::NonDelegatingQueryInterface(riid, object);
}
