#pragma once
// Sequence capture: a renderer at the end of a capture graph hands one
// received frame per Trigger to a source at the head of a writing graph,
// which copies it into its own sample and stamps it right behind the
// previous one, so the written file holds the chosen frames back to back.

#include "Filters/Pellmark/CaptureRenderer.h"

class CSeqCapFilter;

class CSeqCapInputPin : public CRenderedInputPin {
public:
    CSeqCapInputPin(CSeqCapFilter* filter, CCritSec* lock, HRESULT* result);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT BreakConnect() override { return S_OK; }

private:
    friend class CSeqCapFilter;
    CSeqCapFilter* m_owner;
    CAMEvent m_request;
};

class CSeqCapFilter : public CCaptureRenderer, public IKLFrameGiver {
public:
    CSeqCapFilter(LPUNKNOWN outer, HRESULT* result);
    ~CSeqCapFilter() override;
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT STDMETHODCALLTYPE SetReceiver(FrameReceiver* receiver) override;
    HRESULT STDMETHODCALLTYPE ReleaseReceiver() override;
    HRESULT STDMETHODCALLTYPE Trigger() override;

private:
    friend class CSeqCapInputPin;
    // The receiver with a reference of the caller's own, or null.
    FrameReceiver* AcquireReceiver();

    // Guards the receiver pointer, which the program's thread sets and
    // clears while the streaming thread reads it.
    CCritSec m_receiverLock;
    FrameReceiver* m_receiver = nullptr;
};

class CSeqCapSource;

class CSeqCapSourceStream : public CSourceStream {
public:
    CSeqCapSourceStream(HRESULT* result, CSeqCapSource* filter);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter*, Quality) override { return S_OK; }

private:
    CSeqCapSource* m_owner;
    REFERENCE_TIME m_runningTime = 0;
};

class CSeqCapSource : public CSource, public FrameReceiver {
public:
    CSeqCapSource(LPUNKNOWN outer, HRESULT* result);
    ~CSeqCapSource() override;
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) override;
    // S_OK once the frame is copied; E_FAIL after the wait or the end of
    // the stream; E_INVALIDARG for a frame longer than the output buffer.
    HRESULT STDMETHODCALLTYPE PushSample(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;

    // How long PushSample waits (10000 ms unless a test says).
    void SetPushWait(DWORD milliseconds) { m_wait = milliseconds; }

private:
    friend class CSeqCapSourceStream;
    CAMEvent m_dataReady;
    CAMEvent m_taken;
    // Hand-overs are numbered, so a late answer is never taken for the
    // answer to a later push, and a wake-up with nothing pending is ignored.
    IMediaSample* m_pending = nullptr;
    unsigned m_pendingNumber = 0;
    unsigned m_lastNumber = 0;
    unsigned m_claimed = 0;
    unsigned m_takenNumber = 0;
    HRESULT m_takenResult = S_OK;
    bool m_endOfStream = false;
    CMediaType m_type;
    bool m_typeSet = false;
    DWORD m_wait = 10000;
    CSeqCapSourceStream* m_stream = nullptr;
};
