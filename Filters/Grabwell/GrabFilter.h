#pragma once
// The frame-grab sink: one implementation registered as the video grab
// (24-bit RGB), the audio grab (PCM) and the quick grab (any type). Its
// input pin keeps a delivered sample in a one-entry queue until the program
// takes it through IKLFrameGrab, so that a decoding graph is driven frame by
// frame from outside instead of by a clock.

#include <atomic>

#include "Filters/Common/PluginInterfaces.h"

class CGrabFilter;

// How long a grab waits for its sample: 16 s, unless the environment
// variable below names a shorter wait in milliseconds (a harness that feeds
// bad input shortens it; longer or malformed values keep 16 s). Read when a
// grab filter is made.
inline constexpr char kGrabWaitVariable[] = "KESTRELON_GRAB_WAIT_MS";
DWORD GrabWaitSetting();

class CGrabInputPin : public CRenderedInputPin, public IKLFrameGrab, public IKLUnblock {
public:
    CGrabInputPin(CGrabFilter* filter, CCritSec* filterLock, HRESULT* result);
    ~CGrabInputPin() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_OK; }

    // IKLFrameGrab. GetFrame and GetSample answer S_FALSE (data delivered,
    // time and endTime untouched) for a sample that carries no time stamps.
    // GetFrame fails with the sample's failure when its data cannot be had.
    HRESULT STDMETHODCALLTYPE GetFormatInfo(GUID* formatType, DWORD* formatSize) override;
    HRESULT STDMETHODCALLTYPE GetFormat(BYTE* buffer, DWORD bufferSize) override;
    HRESULT STDMETHODCALLTYPE GetFrame(REFERENCE_TIME* time, REFERENCE_TIME* endTime, BYTE* buffer,
                                       DWORD bufferSize, DWORD* bytesCopied) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetSample(REFERENCE_TIME* time, REFERENCE_TIME* endTime,
                                        IMediaSample** sample) override;
    HRESULT STDMETHODCALLTYPE DropSample(REFERENCE_TIME time, BOOL* dropped) override;

    // IKLUnblock: not supported by the grab pins.
    HRESULT STDMETHODCALLTYPE Unblock() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRouted(BOOL) override { return E_NOTIMPL; }

protected:
    // The head entry without taking it off the queue, with a reference of
    // its own, or null when none came within `milliseconds` (an empty
    // marker at the head counts as none).
    IMediaSample* PeekHead(DWORD milliseconds, bool* entryFound = nullptr);
    // Takes the head entry off the queue; its reference passes to the
    // caller (null for an empty marker).
    IMediaSample* TakeHead();
    // Puts an empty marker in when a slot frees within `milliseconds`.
    void PutMarker(DWORD milliseconds);
    // Takes up to `count` entries, each waited for `milliseconds`;
    // stops at a marker when `stopAtMarker`.
    void Drain(int count, DWORD milliseconds, bool stopAtMarker);
    // The wanted-time choice shared by GetFrame and GetSample; on S_OK or
    // S_FALSE *chosen holds the sample with a reference.
    HRESULT Choose(REFERENCE_TIME* time, REFERENCE_TIME* endTime, bool forFrame, IMediaSample** chosen);

    CGrabFilter* m_grab;
    const DWORD m_frameWait;
    CCritSec m_pinLock;
    CCritSec m_streamLock;
    CCritSec m_queueLock;
    IMediaSample* m_queue[1] = {nullptr};
    LONG m_writeIndex = 0;
    LONG m_readIndex = 0;
    HANDLE m_freeSlot;
    HANDLE m_filledSlot;
    CMediaType m_requested;
    bool m_typeSet = false;
    std::atomic<bool> m_active{false};
    std::atomic<bool> m_endOfStream{false};
    std::atomic<REFERENCE_TIME> m_segmentStart{0};
};

class CAudioGrabInputPin : public CGrabInputPin {
public:
    using CGrabInputPin::CGrabInputPin;
    // Audio as it comes, whatever the wanted time; silence when nothing
    // came within the grab wait.
    HRESULT STDMETHODCALLTYPE GetFrame(REFERENCE_TIME* time, REFERENCE_TIME* endTime, BYTE* buffer,
                                       DWORD bufferSize, DWORD* bytesCopied) override;

private:
    DWORD m_silenceSize = 0;
};

class CGrabFilter : public CBaseFilter {
public:
    CGrabFilter(LPUNKNOWN outer, REFCLSID clsid, HRESULT* result);
    ~CGrabFilter() override;

    static CUnknown* CreateVideo(LPUNKNOWN outer, HRESULT* result);
    static CUnknown* CreateAudio(LPUNKNOWN outer, HRESULT* result);
    static CUnknown* CreateQuick(LPUNKNOWN outer, HRESULT* result);

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;

    const GUID& AcceptedMajor() const { return m_major; }
    const GUID& AcceptedSub() const { return m_sub; }

private:
    CCritSec m_filterLock;
    GUID m_major;
    GUID m_sub;
    CGrabInputPin* m_pin = nullptr;
    IUnknown* m_position = nullptr;
};
