#include "Filters/Common/testing/PluginTesting.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "Platform/Win/Kernel/Modules.h"

namespace plugin_test {

// Made up for the tests.
DEFINE_GUID(MEDIASUBTYPE_TestOpaque, 0x3B7C1E20, 0x55AA, 0x4E01, 0x9C, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77);

HRESULT CallModuleEntry(const std::string& path, const char* entry)
{
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        return CO_E_DLLNOTFOUND;
    auto call = reinterpret_cast<HRESULT (*)()>(GetProcAddress(module, entry));
    HRESULT hr = call ? call() : CO_E_ERRORINDLL;
    FreeLibrary(module);
    return hr;
}

void WithModules::SetUp()
{
    for (const auto& module : m_modules)
        ASSERT_EQ(CallModuleEntry(module, "DllRegisterServer"), S_OK) << module;
}

void WithModules::TearDown()
{
    CoFreeUnusedLibraries();
    for (const auto& module : m_modules)
        CallModuleEntry(module, "DllUnregisterServer");
}

CMediaType Rgb24Type(LONG width, LONG height, REFERENCE_TIME frameDuration)
{
    CMediaType type(&MEDIATYPE_Video);
    type.SetSubtype(&MEDIASUBTYPE_RGB24);
    type.SetFormatType(&FORMAT_VideoInfo);
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    info->AvgTimePerFrame = frameDuration;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
    type.SetSampleSize(info->bmiHeader.biSizeImage);
    return type;
}

CMediaType PcmType(DWORD rate, WORD bits, WORD channels)
{
    CMediaType type(&MEDIATYPE_Audio);
    type.SetSubtype(&MEDIASUBTYPE_PCM);
    type.SetFormatType(&FORMAT_WaveFormatEx);
    auto* format = reinterpret_cast<WAVEFORMATEX*>(type.AllocFormatBuffer(sizeof(WAVEFORMATEX)));
    format->wFormatTag = 1;
    format->nChannels = channels;
    format->nSamplesPerSec = rate;
    format->wBitsPerSample = bits;
    format->nBlockAlign = static_cast<WORD>(bits / 8 * channels);
    format->nAvgBytesPerSec = rate * format->nBlockAlign;
    type.SetSampleSize(format->nBlockAlign);
    return type;
}

CMediaType OpaqueType()
{
    CMediaType type(&MEDIATYPE_Video);
    type.SetSubtype(&MEDIASUBTYPE_TestOpaque);
    type.SetFormatType(&FORMAT_None);
    type.SetVariableSize();
    return type;
}

com::ComPtr<IPin> PinOf(IBaseFilter* filter, int index)
{
    com::ComPtr<IEnumPins> pins;
    com::ComPtr<IPin> pin;
    if (FAILED(filter->EnumPins(pins.Receive())))
        return pin;
    for (int i = 0; i <= index; ++i) {
        pin.Reset();
        if (pins->Next(1, pin.Receive(), nullptr) != S_OK)
            return {};
    }
    return pin;
}

HRESULT Connect(IGraphBuilder* graph, IPin* out, IPin* in) { return graph->ConnectDirect(out, in, nullptr); }

class PushPin : public CBaseOutputPin, public IMediaSeeking {
public:
    PushPin(PushSource* filter, const CMediaType& type, LONG bufferSize, LONG buffers, HRESULT* hr)
        : CBaseOutputPin(NAME("Push pin"), filter, &filter->m_lock, hr, u"Out"), m_source(filter), m_type(type),
          m_bufferSize(bufferSize), m_buffers(buffers)
    {
    }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IMediaSeeking)
            return GetInterface(static_cast<IMediaSeeking*>(this), object);
        return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
    }

    HRESULT CheckMediaType(const CMediaType* type) override { return *type == m_type ? S_OK : E_FAIL; }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position > 0)
            return VFW_S_NO_MORE_ITEMS;
        *type = m_type;
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        request->cBuffers = std::max(request->cBuffers, m_buffers);
        request->cbBuffer = std::max(request->cbBuffer, m_bufferSize);
        ALLOCATOR_PROPERTIES actual{};
        HRESULT hr = allocator->SetProperties(request, &actual);
        if (FAILED(hr))
            return hr;
        return actual.cbBuffer >= m_bufferSize ? S_OK : E_FAIL;
    }

    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) override
    {
        *capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration | AM_SEEKING_CanGetCurrentPos;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) override
    {
        return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* format) override
    {
        *format = TIME_FORMAT_MEDIA_TIME;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) override { return QueryPreferredFormat(format); }
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) override { return IsFormatSupported(format); }
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) override
    {
        return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override
    {
        *duration = 100 * kSecond;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* stop) override { return GetDuration(stop); }
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override
    {
        *current = m_position;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* target, const GUID*, LONGLONG source, const GUID*) override
    {
        *target = source;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override
    {
        if (current && (currentFlags & AM_SEEKING_PositioningBitsMask)) {
            {
                std::lock_guard<std::mutex> lock(m_source->m_seeksLock);
                m_source->m_seeks.push_back(*current);
            }
            m_position = *current + m_source->m_seekShift;
            if (currentFlags & AM_SEEKING_ReturnTime)
                *current = m_position;
        }
        if (stop && (stopFlags & AM_SEEKING_ReturnTime))
            *stop = 100 * kSecond;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override
    {
        if (current)
            *current = m_position;
        if (stop)
            *stop = 100 * kSecond;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) override
    {
        *earliest = 0;
        *latest = 100 * kSecond;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetRate(double) override
    {
        ++m_source->m_rateCalls;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRate(double* rate) override
    {
        *rate = 1.0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* preroll) override
    {
        *preroll = 0;
        return S_OK;
    }

    HRESULT Push(const Frame& frame)
    {
        IMediaSample* sample = nullptr;
        HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr))
            return hr;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        if (frame.fill >= 0)
            std::memset(data, frame.fill, static_cast<size_t>(sample->GetSize()));
        LONG length = std::min<LONG>(static_cast<LONG>(frame.data.size()), sample->GetSize());
        if (length > 0)
            std::memcpy(data, frame.data.data(), static_cast<size_t>(length));
        sample->SetActualDataLength(length);
        REFERENCE_TIME start = frame.start, stop = frame.stop;
        sample->SetTime(frame.stamped ? &start : nullptr, frame.stamped ? &stop : nullptr);
        sample->SetSyncPoint(frame.sync);
        {
            std::lock_guard<std::mutex> lock(m_source->m_seeksLock);
            m_source->m_buffers.push_back(data);
        }
        hr = Deliver(sample);
        sample->Release();
        return hr;
    }

private:
    PushSource* m_source;
    CMediaType m_type;
    LONG m_bufferSize;
    LONG m_buffers;
    std::atomic<REFERENCE_TIME> m_position{0};
};

DEFINE_GUID(CLSID_PushSource, 0x3B7C1E21, 0x55AA, 0x4E01, 0x9C, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77);

PushSource::PushSource(const CMediaType& type, LONG bufferSize, LONG buffers)
    : CBaseFilter(NAME("Push source"), nullptr, &m_lock, CLSID_PushSource)
{
    HRESULT hr = S_OK;
    m_pin = new PushPin(this, type, bufferSize, buffers, &hr);
}

PushSource::~PushSource() { delete m_pin; }

CBasePin* PushSource::GetPin(int index) { return index == 0 ? m_pin : nullptr; }
IPin* PushSource::Pin() { return m_pin; }

HRESULT PushSource::Push(const Frame& frame) { return m_pin->Push(frame); }

HRESULT PushSource::Push(REFERENCE_TIME start, REFERENCE_TIME stop, BYTE value, LONG length)
{
    Frame frame;
    frame.start = start;
    frame.stop = stop;
    frame.data.assign(static_cast<size_t>(length), value);
    return m_pin->Push(frame);
}

HRESULT PushSource::EndOfStream() { return m_pin->DeliverEndOfStream(); }
HRESULT PushSource::NewSegment(REFERENCE_TIME start) { return m_pin->DeliverNewSegment(start, MAX_TIME, 1.0); }

std::vector<BYTE*> PushSource::Buffers()
{
    std::lock_guard<std::mutex> lock(m_seeksLock);
    return m_buffers;
}

std::vector<REFERENCE_TIME> PushSource::Seeks()
{
    std::lock_guard<std::mutex> lock(m_seeksLock);
    return m_seeks;
}

} // namespace plugin_test
