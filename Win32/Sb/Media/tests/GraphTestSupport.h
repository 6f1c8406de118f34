#pragma once
// Doubles and helpers of the graph layer's tests: a filter with pins
// described by the test, a crossbar, a media control scripted by the test,
// and counting of the filters in a graph.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Com/Com.h"
#include "Platform/DShow/DShow.h"
#include "Platform/Win/Kernel/Modules.h"

namespace graph_test {

struct PinDescription {
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    std::u16string name = u"Out";
    // What the pin offers (outputs) and, for inputs, what it takes (empty:
    // anything). An output refuses the types it lists in `refused`.
    std::vector<CMediaType> types;
    std::vector<GUID> refused;
    // Handed out as the pin's IAsyncReader, when set.
    com::ComPtr<IAsyncReader> reader;
};

class FakeFilter;

class FakePin final : public CBasePin {
public:
    FakePin(FakeFilter* filter, CCritSec* lock, HRESULT* hr, const PinDescription& description);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IAsyncReader && m_description.reader)
            return m_description.reader->QueryInterface(riid, object);
        return CBasePin::NonDelegatingQueryInterface(riid, object);
    }
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        for (const GUID& refused : m_description.refused)
            if (*type->Subtype() == refused)
                return VFW_E_TYPE_NOT_ACCEPTED;
        if (m_description.types.empty())
            return S_OK;
        for (const CMediaType& own : m_description.types)
            if (*own.Type() == *type->Type() && (*own.Subtype() == *type->Subtype()))
                return S_OK;
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position >= static_cast<int>(m_description.types.size()))
            return VFW_S_NO_MORE_ITEMS;
        *type = m_description.types[position];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }

private:
    PinDescription m_description;
};

class FakeFilter final : public CBaseFilter {
public:
    explicit FakeFilter(const std::vector<PinDescription>& pins)
        : CBaseFilter(NAME("Fake filter"), nullptr, &m_lock, GUID_NULL)
    {
        for (const PinDescription& description : pins) {
            HRESULT hr = S_OK;
            m_pins.push_back(new FakePin(this, &m_lock, &hr, description));
        }
    }
    ~FakeFilter() override
    {
        for (FakePin* pin : m_pins)
            delete pin;
    }
    int GetPinCount() override { return static_cast<int>(m_pins.size()); }
    CBasePin* GetPin(int index) override
    {
        return index >= 0 && index < GetPinCount() ? m_pins[index] : nullptr;
    }

    static com::ComPtr<IBaseFilter> Make(const std::vector<PinDescription>& pins)
    {
        auto* filter = new FakeFilter(pins);
        com::ComPtr<IBaseFilter> result;
        filter->NonDelegatingQueryInterface(IID_IBaseFilter, result.ReceiveVoid());
        return result;
    }

private:
    CCritSec m_lock;
    std::vector<FakePin*> m_pins;
};

inline FakePin::FakePin(FakeFilter* filter, CCritSec* lock, HRESULT* hr, const PinDescription& description)
    : CBasePin(NAME("Fake pin"), filter, lock, hr, description.name.c_str(), description.direction), m_description(description)
{
}

inline CMediaType TypeOf(REFGUID major, REFGUID subtype)
{
    CMediaType type;
    type.InitMediaType();
    type.SetType(&major);
    type.SetSubtype(&subtype);
    return type;
}

inline PinDescription Output(std::vector<CMediaType> types, std::u16string name = u"Out")
{
    PinDescription description;
    description.name = std::move(name);
    description.types = std::move(types);
    return description;
}

inline PinDescription Input(std::u16string name = u"In")
{
    PinDescription description;
    description.direction = PINDIR_INPUT;
    description.name = std::move(name);
    return description;
}

inline com::ComPtr<IGraphBuilder> MakeGraph()
{
    com::ComPtr<IGraphBuilder> graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.ReceiveVoid()),
              S_OK);
    return graph;
}

// The names of the filters in the graph.
inline std::vector<std::u16string> FilterNames(IGraphBuilder* graph)
{
    std::vector<std::u16string> names;
    com::ComPtr<IEnumFilters> filters;
    if (FAILED(graph->EnumFilters(filters.Receive())))
        return names;
    com::ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.Receive(), nullptr) == S_OK) {
        FILTER_INFO info{};
        filter->QueryFilterInfo(&info);
        if (info.pGraph)
            info.pGraph->Release();
        names.emplace_back(info.achName);
    }
    return names;
}

inline bool HasFilter(IGraphBuilder* graph, const std::u16string& name)
{
    for (const std::u16string& each : FilterNames(graph))
        if (each == name)
            return true;
    return false;
}

inline std::u16string Wide(const std::string& path) { return std::u16string(path.begin(), path.end()); }

// A media control that stays in the state the test gives it.
class ScriptedControl final : public IMediaControl {
public:
    OAFilterState state = State_Stopped;
    HRESULT stateResult = S_OK;
    int runs = 0, pauses = 0, stops = 0, stateCalls = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IMediaControl || riid == IID_IUnknown) {
            *object = static_cast<IMediaControl*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Run() override { return ++runs, S_OK; }
    HRESULT STDMETHODCALLTYPE Pause() override { return ++pauses, S_OK; }
    HRESULT STDMETHODCALLTYPE Stop() override { return ++stops, S_OK; }
    HRESULT STDMETHODCALLTYPE GetState(LONG, OAFilterState* out) override
    {
        ++stateCalls;
        *out = state;
        return stateResult;
    }
    HRESULT STDMETHODCALLTYPE RenderFile(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddSourceFilter(BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FilterCollection(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RegFilterCollection(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE StopWhenReady() override { return E_NOTIMPL; }
};

// A test with a folder of its own for the files it makes.
#ifdef KESTRELON_PROGRAM_MODULES
// Calls `entry` (DllRegisterServer, ...) of plug-in module `module` of the
// build tree.
inline HRESULT CallModule(const char* module, const char* entry)
{
    std::string path = std::string(KESTRELON_PROGRAM_MODULES) + "/" + module + ".so";
    HMODULE handle = LoadLibraryA(path.c_str());
    if (!handle)
        return CO_E_DLLNOTFOUND;
    auto call = reinterpret_cast<HRESULT (*)()>(GetProcAddress(handle, entry));
    HRESULT hr = call ? call() : CO_E_ERRORINDLL;
    FreeLibrary(handle);
    return hr;
}
#endif

class GraphFolder : public testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(m_dir); }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Path(const char* name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir =
        std::filesystem::temp_directory_path() / ("kestrelon-graph-" + std::to_string(GetCurrentProcessId()));
};

} // namespace graph_test
