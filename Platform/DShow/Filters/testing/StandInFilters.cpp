#include "Platform/DShow/Filters/testing/StandInFilters.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "Platform/DShow/Filters/FilterHelpers.h"
#include "Platform/DShow/Filters/SystemFilterTables.h"

namespace playback_test {
namespace {

constexpr LONGLONG kLength = 10000000; // one second

std::mutex g_typesLock;
std::vector<CMediaType>& SourceTypes()
{
    static std::vector<CMediaType> types;
    return types;
}

const dshow::SystemFilter* FindSystemFilter(const CLSID& clsid)
{
    struct Table {
        const dshow::SystemFilter* filters;
        size_t count;
    };
    for (const Table& table : {Table{dshow::kPlaybackFilters, dshow::kPlaybackFilterCount},
                               Table{dshow::kWritingFilters, dshow::kWritingFilterCount},
                               Table{dshow::kVideoFilters, dshow::kVideoFilterCount}})
        for (size_t i = 0; i < table.count; ++i)
            if (table.filters[i].clsid && *table.filters[i].clsid == clsid)
                return &table.filters[i];
    return nullptr;
}

class StandInSource;

class StandInPin final : public CBaseOutputPin, public IMediaSeeking {
public:
    StandInPin(CBaseFilter* filter, CCritSec* lock, HRESULT* result, const CMediaType& type)
        : CBaseOutputPin(NAME("Stand-in pin"), filter, lock, result, u"Output"), m_type(type)
    {
    }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IMediaSeeking)
            return GetInterface(static_cast<IMediaSeeking*>(this), object);
        return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
    }
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        return *type->Type() == *m_type.Type() && *type->Subtype() == *m_type.Subtype() ? S_OK
                                                                                       : VFW_E_TYPE_NOT_ACCEPTED;
    }
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
        return dshow::SetBuffers(allocator, request, 1, 4096);
    }

    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) override
    {
        CheckPointer(capabilities, E_POINTER);
        *capabilities = AM_SEEKING_CanGetDuration;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* capabilities) override
    {
        CheckPointer(capabilities, E_POINTER);
        return (*capabilities & ~AM_SEEKING_CanGetDuration) ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) override
    {
        return format && *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* format) override { return GetTimeFormat(format); }
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) override
    {
        CheckPointer(format, E_POINTER);
        *format = TIME_FORMAT_MEDIA_TIME;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) override { return IsFormatSupported(format); }
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) override
    {
        return format && *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override
    {
        CheckPointer(duration, E_POINTER);
        *duration = kLength;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* stop) override { return GetDuration(stop); }
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override
    {
        CheckPointer(current, E_POINTER);
        *current = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG*, DWORD, LONGLONG*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override
    {
        if (current)
            *current = 0;
        if (stop)
            *stop = kLength;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) override
    {
        if (earliest)
            *earliest = 0;
        if (latest)
            *latest = kLength;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetRate(double rate) override { return rate == 1.0 ? S_OK : E_INVALIDARG; }
    HRESULT STDMETHODCALLTYPE GetRate(double* rate) override
    {
        CheckPointer(rate, E_POINTER);
        *rate = 1.0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* preroll) override
    {
        CheckPointer(preroll, E_POINTER);
        *preroll = 0;
        return S_OK;
    }

private:
    CMediaType m_type;
};

class StandInSource final : public CBaseFilter, public IFileSourceFilter {
public:
    StandInSource() : CBaseFilter(NAME("Stand-in source"), nullptr, &m_lock, GUID_NULL)
    {
        std::lock_guard<std::mutex> guard(g_typesLock);
        for (const CMediaType& type : SourceTypes()) {
            HRESULT hr = S_OK;
            m_pins.push_back(new StandInPin(this, &m_lock, &hr, type));
        }
    }
    ~StandInSource() override
    {
        for (StandInPin* pin : m_pins)
            delete pin;
    }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IFileSourceFilter)
            return GetInterface(static_cast<IFileSourceFilter*>(this), object);
        return CBaseFilter::NonDelegatingQueryInterface(riid, object);
    }
    int GetPinCount() override { return static_cast<int>(m_pins.size()); }
    CBasePin* GetPin(int index) override
    {
        return index >= 0 && index < GetPinCount() ? m_pins[static_cast<size_t>(index)] : nullptr;
    }

    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR file, const AM_MEDIA_TYPE*) override
    {
        CheckPointer(file, E_POINTER);
        m_file = file;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* type) override
    {
        CheckPointer(file, E_POINTER);
        const size_t bytes = (m_file.size() + 1) * sizeof(char16_t);
        *file = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (!*file)
            return E_OUTOFMEMORY;
        std::memcpy(*file, m_file.c_str(), bytes);
        if (type)
            *type = AM_MEDIA_TYPE{};
        return S_OK;
    }

private:
    CCritSec m_lock;
    std::vector<StandInPin*> m_pins;
    std::u16string m_file;
};

} // namespace

SystemFilterStandIn::SystemFilterStandIn(const CLSID& clsid, Create create) : m_clsid(clsid)
{
    if (!create) {
        com::UnregisterBuiltinClass(clsid);
        return;
    }
    const dshow::SystemFilter* original = FindSystemFilter(clsid);
    dshow::SystemFilter standIn{&m_clsid, original ? original->name : u"Stand-in", MERIT_DO_NOT_USE, nullptr, create};
    dshow::AddSystemFilters(&standIn, 1);
}

SystemFilterStandIn::~SystemFilterStandIn()
{
    if (const dshow::SystemFilter* original = FindSystemFilter(m_clsid))
        dshow::AddSystemFilters(original, 1);
    else
        com::UnregisterBuiltinClass(m_clsid);
}

void SetStandInSourceTypes(std::vector<CMediaType> types)
{
    std::lock_guard<std::mutex> guard(g_typesLock);
    SourceTypes() = std::move(types);
}

HRESULT CreateStandInSource(REFIID riid, void** object)
{
    return dshow::CreateSystemObject<StandInSource>(riid, object);
}

} // namespace playback_test
