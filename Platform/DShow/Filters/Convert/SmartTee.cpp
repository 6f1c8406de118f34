// The Smart Tee: what comes in goes out of "Capture" on the streaming
// thread, and a copy out of "Preview" on a thread of its own, without
// times so that it shows at once; while the preview is still busy with a
// frame, further frames skip it, so the preview never holds up capture.

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "Platform/DShow/Filters/FilterHelpers.h"
#include "Platform/DShow/Filters/Playback.h"

namespace dshow {
namespace {

class SmartTee;

class TeeOutputPin final : public CBaseOutputPin {
public:
    TeeOutputPin(SmartTee* tee, CCritSec* lock, HRESULT* result, LPCWSTR name);
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter*, Quality) override { return S_OK; }
    // A copy of the sample, with its times unless `untimed`; `wait` false
    // gives up at once when no buffer is free.
    HRESULT Copy(IMediaSample* sample, bool untimed, bool wait, IMediaSample** copy);

private:
    SmartTee* m_tee;
};

class TeeInputPin final : public CBaseInputPin {
public:
    TeeInputPin(SmartTee* tee, CCritSec* lock, HRESULT* result);
    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    long BufferSize()
    {
        ALLOCATOR_PROPERTIES properties{};
        if (m_pAllocator && SUCCEEDED(m_pAllocator->GetProperties(&properties)) && properties.cbBuffer > 0)
            return properties.cbBuffer;
        return CurrentMediaType().GetSampleSize() > 0 ? static_cast<long>(CurrentMediaType().GetSampleSize())
                                                      : 1024 * 1024;
    }

private:
    SmartTee* m_tee;
};

class SmartTee final : public CBaseFilter {
public:
    SmartTee() : CBaseFilter(NAME("Smart Tee"), nullptr, &m_lock, CLSID_SmartTee)
    {
        HRESULT hr = S_OK;
        m_input = new TeeInputPin(this, &m_lock, &hr);
        m_capture = new TeeOutputPin(this, &m_lock, &hr, u"Capture");
        m_preview = new TeeOutputPin(this, &m_lock, &hr, u"Preview");
        m_thread = std::thread([this] { PreviewLoop(); });
    }
    ~SmartTee() override
    {
        {
            std::lock_guard<std::mutex> guard(m_mailLock);
            m_closing = true;
            if (m_mail)
                m_mail->Release();
            m_mail = nullptr;
        }
        m_mailReady.notify_all();
        m_thread.join();
        delete m_input;
        delete m_capture;
        delete m_preview;
    }
    HRESULT STDMETHODCALLTYPE Stop() override
    {
        DropPreview();
        return CBaseFilter::Stop();
    }
    int GetPinCount() override { return 3; }
    CBasePin* GetPin(int index) override
    {
        return index == 0 ? static_cast<CBasePin*>(m_input)
               : index == 1 ? static_cast<CBasePin*>(m_capture)
               : index == 2 ? static_cast<CBasePin*>(m_preview)
                            : nullptr;
    }

    TeeInputPin* m_input;
    TeeOutputPin* m_capture;
    TeeOutputPin* m_preview;

    // Hands a preview copy to the preview thread, unless it is busy.
    void Post(IMediaSample* sample)
    {
        std::lock_guard<std::mutex> guard(m_mailLock);
        if (m_mail || m_busy) {
            sample->Release(); // dropped: the preview is behind
            return;
        }
        m_mail = sample;
        m_mailReady.notify_all();
    }
    void DropPreview()
    {
        std::lock_guard<std::mutex> guard(m_mailLock);
        if (m_mail)
            m_mail->Release();
        m_mail = nullptr;
    }

private:
    void PreviewLoop()
    {
        std::unique_lock<std::mutex> lock(m_mailLock);
        while (true) {
            m_mailReady.wait(lock, [&] { return m_closing || m_mail; });
            if (m_closing)
                return;
            IMediaSample* sample = m_mail;
            m_mail = nullptr;
            m_busy = true;
            lock.unlock();
            m_preview->Deliver(sample);
            sample->Release();
            lock.lock();
            m_busy = false;
        }
    }

    CCritSec m_lock;
    std::thread m_thread;
    std::mutex m_mailLock;
    std::condition_variable m_mailReady;
    IMediaSample* m_mail = nullptr;
    bool m_busy = false;
    bool m_closing = false;
};

TeeOutputPin::TeeOutputPin(SmartTee* tee, CCritSec* lock, HRESULT* result, LPCWSTR name)
    : CBaseOutputPin(NAME("Smart Tee output"), tee, lock, result, name), m_tee(tee)
{
}

HRESULT TeeOutputPin::CheckMediaType(const CMediaType* type)
{
    if (!m_tee->m_input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return *type == m_tee->m_input->CurrentMediaType() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TeeOutputPin::GetMediaType(int position, CMediaType* type)
{
    if (!m_tee->m_input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = m_tee->m_input->CurrentMediaType();
    return S_OK;
}

HRESULT TeeOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    return SetBuffers(allocator, request, 2, m_tee->m_input->BufferSize());
}

HRESULT TeeOutputPin::Copy(IMediaSample* sample, bool untimed, bool wait, IMediaSample** copy)
{
    *copy = nullptr;
    if (!m_pAllocator)
        return VFW_E_NO_ALLOCATOR;
    IMediaSample* out = nullptr;
    HRESULT hr = m_pAllocator->GetBuffer(&out, nullptr, nullptr, wait ? 0 : AM_GBF_NOWAIT);
    if (FAILED(hr))
        return hr;
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    sample->GetPointer(&from);
    out->GetPointer(&to);
    long length = std::min<long>(sample->GetActualDataLength(), out->GetSize());
    std::memcpy(to, from, static_cast<size_t>(length));
    out->SetActualDataLength(length);
    REFERENCE_TIME start = 0, stop = 0;
    if (!untimed && SUCCEEDED(sample->GetTime(&start, &stop)))
        out->SetTime(&start, &stop);
    out->SetSyncPoint(sample->IsSyncPoint() == S_OK);
    out->SetDiscontinuity(sample->IsDiscontinuity() == S_OK);
    out->SetPreroll(!untimed && sample->IsPreroll() == S_OK);
    *copy = out;
    return S_OK;
}

TeeInputPin::TeeInputPin(SmartTee* tee, CCritSec* lock, HRESULT* result)
    : CBaseInputPin(NAME("Smart Tee input"), tee, lock, result, u"Input"), m_tee(tee)
{
}

HRESULT STDMETHODCALLTYPE TeeInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    if (m_tee->m_preview->IsConnected()) {
        IMediaSample* copy = nullptr;
        if (SUCCEEDED(m_tee->m_preview->Copy(sample, true, false, &copy)))
            m_tee->Post(copy);
    }
    if (!m_tee->m_capture->IsConnected())
        return S_OK;
    IMediaSample* copy = nullptr;
    hr = m_tee->m_capture->Copy(sample, false, true, &copy);
    if (FAILED(hr))
        return hr;
    hr = m_tee->m_capture->Deliver(copy);
    copy->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE TeeInputPin::EndOfStream()
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    ForConnected({m_tee->m_capture, m_tee->m_preview}, [&](TeeOutputPin* pin) { pin->DeliverEndOfStream(); });
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TeeInputPin::BeginFlush()
{
    HRESULT hr = CBaseInputPin::BeginFlush();
    m_tee->DropPreview();
    ForConnected({m_tee->m_capture, m_tee->m_preview}, [&](TeeOutputPin* pin) { pin->DeliverBeginFlush(); });
    return hr;
}

HRESULT STDMETHODCALLTYPE TeeInputPin::EndFlush()
{
    ForConnected({m_tee->m_capture, m_tee->m_preview}, [&](TeeOutputPin* pin) { pin->DeliverEndFlush(); });
    return CBaseInputPin::EndFlush();
}

HRESULT STDMETHODCALLTYPE TeeInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    CBaseInputPin::NewSegment(start, stop, rate);
    ForConnected({m_tee->m_capture, m_tee->m_preview}, [&](TeeOutputPin* pin) { pin->DeliverNewSegment(start, stop, rate); });
    return S_OK;
}

} // namespace

HRESULT CreateSmartTee(REFIID riid, void** object) { return CreateSystemObject<SmartTee>(riid, object); }

} // namespace dshow
