#include <atomic>
#include <climits>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "Platform/DShow/tests/GraphTestSupport.h"
#include "Platform/Win/Base/GuidText.h"
#include "Platform/Win/Registry/Registry.h"

namespace {

using namespace dshow_test;

const char* const kPluginName = "kestrelon_dshow_test_plugin.so";

std::string ReadClassValue(const std::string& key, const char* name)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return {};
    char text[1024] = {};
    DWORD size = sizeof text - 1, type = 0;
    RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(handle);
    return text;
}

com::ComPtr<IFilterMapper2> Mapper()
{
    com::ComPtr<IFilterMapper2> mapper;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                               mapper.ReceiveVoid()),
              S_OK);
    return mapper;
}

// The friendly names of the filters above `merit` whose input takes
// video of subtype A.
std::vector<std::u16string> FiltersTakingTestA(DWORD merit)
{
    com::ComPtr<IEnumMoniker> monikers;
    GUID types[] = {MEDIATYPE_Video, MEDIASUBTYPE_TestA};
    EXPECT_EQ(Mapper()->EnumMatchingFilters(monikers.Receive(), 0, FALSE, merit, TRUE, 1, types, nullptr, nullptr,
                                            FALSE, FALSE, 0, nullptr, nullptr, nullptr),
              S_OK);
    std::vector<std::u16string> names;
    IMoniker* moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        com::ComPtr<IPropertyBag> bag;
        EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid()), S_OK);
        VARIANT name;
        VariantInit(&name);
        name.vt = VT_BSTR;
        EXPECT_EQ(bag->Read(u"FriendlyName", &name, nullptr), S_OK);
        names.emplace_back(name.bstrVal);
        VariantClear(&name);
        moniker->Release();
    }
    return names;
}

class Plugin : public WithPlugin {};

TEST_F(Plugin, RegistrationWritesTheServerKeysAndTheFilterRecords)
{
    std::string key = "CLSID\\" + win::GuidToString(CLSID_TestConverter);
    EXPECT_EQ(ReadClassValue(key, nullptr), "Test Converter");
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(KESTRELON_DSHOW_TEST_PLUGIN, resolved), nullptr);
    EXPECT_EQ(ReadClassValue(key + "\\InprocServer32", nullptr), resolved);
    EXPECT_EQ(ReadClassValue(key + "\\InprocServer32", "ThreadingModel"), "Both");

    EXPECT_EQ(FiltersTakingTestA(MERIT_NORMAL), std::vector<std::u16string>{u"Test Converter"});
    auto all = FiltersTakingTestA(MERIT_DO_NOT_USE);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], u"Test Converter") << "best merit first";
    EXPECT_EQ(all[1], u"Hidden Converter");
}

TEST_F(Plugin, UnregisteringRemovesServerAndFilters)
{
    ASSERT_EQ(CallPluginEntry("DllUnregisterServer"), S_OK);
    EXPECT_EQ(com::InprocServerPath(CLSID_TestConverter), "");
    EXPECT_TRUE(FiltersTakingTestA(0).empty());
}

TEST_F(Plugin, ModuleStaysLoadedWhileItsFiltersLive)
{
    com::ComPtr<IBaseFilter> filter;
    ASSERT_EQ(CoCreateInstance(CLSID_TestConverter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               filter.ReceiveVoid()),
              S_OK);
    CoFreeUnusedLibraries();
    EXPECT_NE(GetModuleHandleA(kPluginName), nullptr);
    filter.Reset();
    CoFreeUnusedLibraries();
    EXPECT_EQ(GetModuleHandleA(kPluginName), nullptr);
}

TEST_F(Plugin, ClassObjectsAreOfferedForTheTemplatesOnly)
{
    HMODULE module = LoadLibraryA(KESTRELON_DSHOW_TEST_PLUGIN);
    ASSERT_NE(module, nullptr);
    auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);
    void* object = nullptr;
    EXPECT_EQ(getClassObject(CLSID_FilterGraph, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(getClassObject(CLSID_TestConverter, IID_IBaseFilter, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(CLSID_TestConverter, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    factory->Release();
    FreeLibrary(module);
}

// An outer object aggregating a plug-in filter.
DEFINE_GUID(IID_IOuterOnly, 0x7A1F0C33, 0x5D2E, 0x4B7A, 0x9E, 0x10, 0x3C, 0x44, 0x51, 0x62, 0x73, 0x84);

struct Outer final : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IUnknown || riid == IID_IOuterOnly) {
            *object = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(riid, object) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    std::atomic<LONG> refs{1};
    IUnknown* inner = nullptr;
};

TEST_F(Plugin, AggregatedFilterAnswersThroughItsOuterObject)
{
    Outer outer;
    IBaseFilter* filter = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TestConverter, &outer, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               reinterpret_cast<void**>(&filter)),
              E_NOINTERFACE)
        << "an aggregated object hands out its IUnknown only";
    ASSERT_EQ(CoCreateInstance(CLSID_TestConverter, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&outer.inner)),
              S_OK);
    ASSERT_EQ(outer.QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    EXPECT_EQ(outer.refs, 2);
    IUnknown* back = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IOuterOnly, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, static_cast<IUnknown*>(&outer));
    back->Release();
    filter->Release();
    EXPECT_EQ(outer.refs, 1);
    outer.inner->Release();
}

TEST(DeviceEnumerator, ListsTheInstancesOfACategory)
{
    com::ComPtr<ICreateDevEnum> devices;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                               devices.ReceiveVoid()),
              S_OK);
    com::ComPtr<IEnumMoniker> monikers;
    EXPECT_EQ(devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Receive(), 0), S_FALSE);
    EXPECT_FALSE(monikers);

    REGFILTER2 description{};
    description.dwVersion = 1;
    description.dwMerit = MERIT_DO_NOT_USE;
    ASSERT_EQ(Mapper()->RegisterFilter(CLSID_TestConverter, u"Test Pattern", nullptr, &CLSID_VideoInputDeviceCategory,
                                       u"Pattern", &description),
              S_OK);
    ASSERT_EQ(devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Receive(), 0), S_OK);
    IMoniker* moniker = nullptr;
    ASSERT_EQ(monikers->Next(1, &moniker, nullptr), S_OK);
    com::ComPtr<IPropertyBag> bag;
    ASSERT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid()), S_OK);
    VARIANT name;
    VariantInit(&name);
    ASSERT_EQ(bag->Read(u"FriendlyName", &name, nullptr), S_OK);
    EXPECT_EQ(name.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(name.bstrVal), u"Test Pattern");
    VariantClear(&name);
    EXPECT_EQ(bag->Read(u"NoSuchValue", &name, nullptr), E_INVALIDARG);
    moniker->Release();
    Mapper()->UnregisterFilter(&CLSID_VideoInputDeviceCategory, u"Pattern", CLSID_TestConverter);
}

TEST(ErrorText, KnownCodesHaveTheirTextCutToTheBuffer)
{
    char text[MAX_ERROR_TEXT_LEN];
    DWORD length = AMGetErrorText(VFW_E_NOT_CONNECTED, text, sizeof text);
    EXPECT_GT(length, 0u);
    EXPECT_EQ(std::string(text).size(), length);
    char small[8];
    EXPECT_EQ(AMGetErrorText(VFW_E_NOT_CONNECTED, small, sizeof small), 7u);
    EXPECT_EQ(AMGetErrorText(static_cast<HRESULT>(0x80041234u), text, sizeof text), 0u);
}

} // namespace
