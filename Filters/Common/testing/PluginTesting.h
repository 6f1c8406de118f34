#pragma once
// Test support for the plug-in libraries: a built module registered into
// the test process's registry, a source filter whose samples the test
// pushes from its own threads, a fake upstream seeker and media types.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/DShow/DShow.h"

namespace plugin_test {

// Generous: reached only when the code under test is broken.
constexpr DWORD kLongWait = 10000;
constexpr REFERENCE_TIME kSecond = 10000000;

// DllRegisterServer / DllUnregisterServer of the module at `path`.
HRESULT CallModuleEntry(const std::string& path, const char* entry);

// Registers the modules for the test and unregisters them afterwards.
class WithModules : public testing::Test {
protected:
    explicit WithModules(std::vector<std::string> modules) : m_modules(std::move(modules)) {}
    void SetUp() override;
    void TearDown() override;

private:
    std::vector<std::string> m_modules;
};

template <typename T> com::ComPtr<T> Create(REFCLSID clsid, REFIID iid)
{
    com::ComPtr<T> object;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object.ReceiveVoid()), S_OK);
    return object;
}

template <typename T> com::ComPtr<T> Query(IUnknown* object, REFIID iid)
{
    com::ComPtr<T> result;
    if (object)
        object->QueryInterface(iid, result.ReceiveVoid());
    return result;
}

CMediaType Rgb24Type(LONG width, LONG height, REFERENCE_TIME frameDuration = 400000);
CMediaType PcmType(DWORD rate, WORD bits, WORD channels);
// Any type with a made-up subtype and no format block.
CMediaType OpaqueType();

// The n-th pin of a filter (0-based, in its pin order).
com::ComPtr<IPin> PinOf(IBaseFilter* filter, int index);

struct Frame {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    bool stamped = true;
    bool sync = true;
    std::vector<BYTE> data;
    // When not -1, the whole buffer is filled with it before the data.
    int fill = -1;
};

class PushPin;

// A source with one output pin of a fixed type. Push delivers on the
// caller's thread; the pin answers IMediaSeeking, recording positions set.
class PushSource : public CBaseFilter {
public:
    PushSource(const CMediaType& type, LONG bufferSize, LONG buffers = 4);
    ~PushSource() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;
    IPin* Pin();

    // The result of the downstream Receive (or of getting a buffer).
    HRESULT Push(const Frame& frame);
    HRESULT Push(REFERENCE_TIME start, REFERENCE_TIME stop, BYTE value, LONG length = 16);
    HRESULT EndOfStream();
    HRESULT NewSegment(REFERENCE_TIME start);

    // Seeking as the fake upstream filter: the positions set, and the
    // current position reported back with AM_SEEKING_ReturnTime (the
    // position asked for plus `seekShift`).
    std::vector<REFERENCE_TIME> Seeks();
    void SetSeekShift(REFERENCE_TIME shift) { m_seekShift = shift; }
    int RateCalls() const { return m_rateCalls; }
    // The buffers of the samples pushed so far.
    std::vector<BYTE*> Buffers();

private:
    friend class PushPin;
    CCritSec m_lock;
    PushPin* m_pin;
    std::mutex m_seeksLock;
    std::vector<REFERENCE_TIME> m_seeks;
    REFERENCE_TIME m_seekShift = 0;
    std::atomic<int> m_rateCalls{0};
    std::vector<BYTE*> m_buffers;
};

// Connects out to in directly (no intermediate filters) in `graph`.
HRESULT Connect(IGraphBuilder* graph, IPin* out, IPin* in);

} // namespace plugin_test

#ifdef KESTRELON_PLUGIN_DIR
namespace plugin_test {
// The built module of a plug-in library.
inline std::string ModulePath(const char* library)
{
    return std::string(KESTRELON_PLUGIN_DIR) + "/" + library + ".so";
}
} // namespace plugin_test
#endif

namespace plugin_test {

// A media sample of the test's own, with IMediaSample only (no
// IMediaSample2), whose buffer pointer can be made unavailable.
class FakeSample final : public IMediaSample {
public:
    explicit FakeSample(LONG size) : m_buffer(static_cast<size_t>(size)) {}
    ~FakeSample() { DeleteMediaType(m_type); }

    std::vector<BYTE> m_buffer;
    bool m_pointerFails = false;
    bool m_timeSet = false;
    REFERENCE_TIME m_start = 0, m_stop = 0;
    bool m_mediaTimeSet = false;
    LONGLONG m_mediaStart = 0, m_mediaStop = 0;
    BOOL m_sync = FALSE, m_preroll = FALSE, m_discontinuity = FALSE;
    LONG m_actual = 0;
    AM_MEDIA_TYPE* m_type = nullptr;
    std::atomic<LONG> m_refs{1};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IUnknown || riid == IID_IMediaSample) {
            *object = static_cast<IMediaSample*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--m_refs); }
    HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) override
    {
        if (m_pointerFails) {
            *buffer = nullptr;
            return E_FAIL;
        }
        *buffer = m_buffer.data();
        return S_OK;
    }
    LONG STDMETHODCALLTYPE GetSize() override { return static_cast<LONG>(m_buffer.size()); }
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override
    {
        if (!m_timeSet)
            return VFW_E_SAMPLE_TIME_NOT_SET;
        *start = m_start;
        *stop = m_stop;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override
    {
        m_timeSet = start != nullptr;
        if (start)
            m_start = *start;
        m_stop = stop ? *stop : m_start + 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsSyncPoint() override { return m_sync ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL sync) override
    {
        m_sync = sync;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsPreroll() override { return m_preroll ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetPreroll(BOOL preroll) override
    {
        m_preroll = preroll;
        return S_OK;
    }
    LONG STDMETHODCALLTYPE GetActualDataLength() override { return m_actual; }
    HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG length) override
    {
        if (length < 0 || length > GetSize())
            return VFW_E_BUFFER_OVERFLOW;
        m_actual = length;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) override
    {
        *type = m_type ? CreateMediaType(m_type) : nullptr;
        return m_type ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* type) override
    {
        DeleteMediaType(m_type);
        m_type = type ? CreateMediaType(type) : nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDiscontinuity() override { return m_discontinuity ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL discontinuity) override
    {
        m_discontinuity = discontinuity;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* start, LONGLONG* stop) override
    {
        if (!m_mediaTimeSet)
            return VFW_E_MEDIA_TIME_NOT_SET;
        *start = m_mediaStart;
        *stop = m_mediaStop;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* start, LONGLONG* stop) override
    {
        m_mediaTimeSet = start != nullptr;
        if (start) {
            m_mediaStart = *start;
            m_mediaStop = *stop;
        }
        return S_OK;
    }
};

} // namespace plugin_test
