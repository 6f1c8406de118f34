#pragma once
// Synthetic filters for the runtime tests: a seekable source of numbered
// frames, an in-place transform that counts what passes, and a renderer
// that records what it receives, holds a frame while paused and can show
// frames at their presentation time.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/DShow/tests/fixtures/TestTypes.h"

namespace dshow_test {

constexpr REFERENCE_TIME kFrameDuration = 40 * MILLISECONDS;
constexpr LONG kFrameBytes = 16;

struct SourceOptions {
    GUID subtype = MEDIASUBTYPE_TestA;
    int frames = 10;
    // When set, the first frame after each start waits for this event.
    HANDLE firstFrameGate = nullptr;
    // When set, called each time the stream is asked for its type (to list
    // or to check one), with its filter's lock held.
    std::function<void()> onTypeAsked = nullptr;
};

class TestSourceStream;

// Frame i is kFrameBytes bytes of value i, stamped from 0 at each start
// with the start position given by NewSegment.
class TestSource : public CSource {
public:
    explicit TestSource(const SourceOptions& options);
    TestSourceStream* Stream() { return m_stream; }
    IPin* OutputPin();

private:
    TestSourceStream* m_stream;
};

class TestSourceStream : public CSourceStream, public IMediaSeeking {
public:
    TestSourceStream(TestSource* filter, const SourceOptions& options, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT GetMediaType(CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadStartPlay() override;

    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* format) override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) override;
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                                const GUID* sourceFormat) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    HRESULT STDMETHODCALLTYPE SetRate(double rate) override;
    HRESULT STDMETHODCALLTYPE GetRate(double* rate) override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* preroll) override;

private:
    SourceOptions m_options;
    CCritSec m_positionLock;
    int m_startFrame = 0;
    int m_stopFrame;
    int m_nextFrame = 0;
};

// A TestSource that loads "files": what AddSourceFilter makes when it is
// registered as the asynchronous reader.
class TestFileSource : public TestSource, public IFileSourceFilter {
public:
    TestFileSource();
    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR file, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* type) override;

    // The class object to register as CLSID_AsyncReader.
    static HRESULT GetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object);

private:
    std::u16string m_file;
};

class TestInPlace : public CTransInPlaceFilter {
public:
    TestInPlace();
    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT Transform(IMediaSample* sample) override;
    int Transformed() const { return m_transformed; }
    bool SharesOneAllocator() const { return !UsingDifferentAllocators(); }

private:
    std::atomic<int> m_transformed{0};
};

struct SinkOptions {
    GUID subtype = GUID_NULL; // any
    // Shows each frame at its presentation time on the graph's clock.
    bool paced = false;
};

struct Received {
    BYTE value;           // the frame's first byte
    REFERENCE_TIME start; // its time stamp
    REFERENCE_TIME segment; // the segment start in force
};

class TestSinkPin;

// A renderer that keeps every frame's record. Paused, it holds the frame
// it got and reports an intermediate state until it has one.
class TestSink : public CBaseFilter {
public:
    explicit TestSink(const SinkOptions& options);
    ~TestSink() override;

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;

    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD milliseconds, FILTER_STATE* state) override;

    IPin* InputPin();
    std::vector<Received> Frames();
    void ClearFrames();
    // Waits until `count` frames arrived; false after the time-out.
    bool WaitForFrames(size_t count, DWORD milliseconds);

private:
    friend class TestSinkPin;

    CCritSec m_lock;
    TestSinkPin* m_pin;
    IUnknown* m_position = nullptr;
    SinkOptions m_options;
    std::mutex m_framesLock;
    std::vector<Received> m_frames;
    std::atomic<bool> m_haveFrame{false};
    CAMEvent m_frameArrived{TRUE};
    CAMEvent m_wake{TRUE};
};

// Adds a filter made with `new` to the graph and hands out a reference.
template <typename Filter> com::ComPtr<IBaseFilter> Hold(Filter* filter)
{
    com::ComPtr<IBaseFilter> held;
    filter->NonDelegatingQueryInterface(IID_IBaseFilter, held.ReceiveVoid());
    return held;
}

} // namespace dshow_test
