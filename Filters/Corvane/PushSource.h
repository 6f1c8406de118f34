#pragma once
// The push source: a source filter the program pushes into. Blocks of
// bytes (DeliverData) become output samples one for one, or, for audio
// with a per-buffer byte count, are cut into samples of that count through
// a byte ring; signalled samples (Signal) are copied out as they are, and
// a null signal repeats the last one. The streaming thread stamps every
// sample. Video times run on gap-free across the push sources of one graph
// (a production feeds one stream from two of them, alternately), and the
// sources of different graphs never share a time.

#include <memory>

#include "Filters/Common/ByteRing.h"
#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"

class CQORSourceFilter;

// The start of the next video sample, shared by the push sources of one
// filter graph.
class VideoClock {
public:
    REFERENCE_TIME Now();
    // The time before the step.
    REFERENCE_TIME Advance(REFERENCE_TIME step);
    // The clock of `graph`'s push sources (a new one for no graph).
    static std::shared_ptr<VideoClock> For(IFilterGraph* graph);

private:
    CCritSec m_lock;
    REFERENCE_TIME m_time = 0;
};

class CQORSourceStream : public CSourceStream {
public:
    CQORSourceStream(HRESULT* result, CQORSourceFilter* filter);
    ~CQORSourceStream() override;

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter*, Quality) override { return S_OK; }

private:
    HRESULT FillFromRing(IMediaSample* sample);
    HRESULT FillFromHandOver(IMediaSample* sample);
    // Time and media time by the connection's format, for `length` bytes.
    HRESULT StampByFormat(IMediaSample* sample, LONG length);
    // Time and media time by the frame-duration mode (signalled samples).
    HRESULT StampByMode(IMediaSample* sample);

    CQORSourceFilter* m_owner;
    LONGLONG m_byteTotal = 0;
    IMediaSample* m_held = nullptr;
    // 0 uncompressed video, 1 audio, 2 DV 576 lines, 3 DV 29.97, 4 other DV.
    int m_mode = 0;
};

class CQORSourceFilter : public CSource, public IKLPushSource {
public:
    CQORSourceFilter(LPUNKNOWN outer, HRESULT* result);
    ~CQORSourceFilter() override;
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    LPAMOVIESETUP_FILTER GetSetupData() override;
    // Ends the stream first, so a stopped graph's worker is never left
    // waiting for data.
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;

    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type, int bytesPerBuffer) override;
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE DeliverData(BYTE* data, int length) override;
    HRESULT STDMETHODCALLTYPE Signal(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;

private:
    friend class CQORSourceStream;
    // The value of the signal that asks for a repeat of the held sample.
    static constexpr INT_PTR kRepeat = -2;

    // Hands a block or a signal to the worker and waits for it to be
    // taken; withdraws it on time-out.
    HRESULT HandOver(DWORD timeout);

    CCritSec m_pushLock;
    CAMEvent m_dataReady;
    CAMEvent m_taken;
    CMediaType m_type;
    bool m_typeSet = false;
    int m_bytesPerBuffer = 0;
    std::unique_ptr<CByteRing> m_ring;
    const BYTE* m_block = nullptr;
    LONG m_blockLength = 0;
    // The worker's answer to a hand-over it could not deliver (a block
    // larger than the output buffer).
    HRESULT m_handOverResult = S_OK;
    INT_PTR m_signal = 0;
    bool m_endOfStream = false;
    // The negotiated output buffer size (0 before negotiation).
    LONG m_bufferSize = 0;
    std::shared_ptr<VideoClock> m_clock = VideoClock::For(nullptr);
    CQORSourceStream* m_stream = nullptr;
};
