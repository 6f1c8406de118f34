#pragma once
// Helpers of the graph tests: graphs, the registered test plug-in and
// waits with generous time-outs.

#include <string>

#include <gtest/gtest.h>

#include "Platform/DShow/tests/SyntheticFilters.h"
#include "Platform/Win/Kernel/Modules.h"

namespace dshow_test {

// Generous: only reached when the code under test is broken.
constexpr DWORD kLongWait = 10000;

inline com::ComPtr<IGraphBuilder> MakeGraph()
{
    com::ComPtr<IGraphBuilder> graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.ReceiveVoid()),
              S_OK);
    return graph;
}

template <typename T> com::ComPtr<T> Query(IUnknown* object, REFIID iid)
{
    com::ComPtr<T> result;
    EXPECT_EQ(result.QueryFrom(object, iid), S_OK);
    return result;
}

inline HRESULT CallPluginEntry(const char* entry)
{
    HMODULE module = LoadLibraryA(KESTRELON_DSHOW_TEST_PLUGIN);
    if (!module)
        return CO_E_DLLNOTFOUND;
    auto call = reinterpret_cast<HRESULT (*)()>(GetProcAddress(module, entry));
    HRESULT hr = call ? call() : CO_E_ERRORINDLL;
    FreeLibrary(module);
    return hr;
}

// The test plug-in registered (its classes and its filters) for the
// duration of a test.
class WithPlugin : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CallPluginEntry("DllRegisterServer"), S_OK); }
    void TearDown() override
    {
        CoFreeUnusedLibraries();
        CallPluginEntry("DllUnregisterServer");
    }
};

// The name a filter has in its graph.
inline std::u16string NameOf(IBaseFilter* filter)
{
    FILTER_INFO info{};
    filter->QueryFilterInfo(&info);
    if (info.pGraph)
        info.pGraph->Release();
    return info.achName;
}

inline com::ComPtr<IBaseFilter> Peer(IPin* pin)
{
    com::ComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(peer.Receive())))
        return {};
    PIN_INFO info{};
    peer->QueryPinInfo(&info);
    return com::ComPtr<IBaseFilter>::Adopt(info.pFilter);
}

} // namespace dshow_test
