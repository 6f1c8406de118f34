// The system filters' registration: creatable by class identifier and
// listed by the filter mapper beside the registry's filters.

#include <gtest/gtest.h>

#include "Platform/DShow/BaseClasses/BaseClasses.h"
#include "Platform/DShow/Filters/SystemFilters.h"
#include "Platform/DShow/Runtime/FilterStore.h"

namespace {

using namespace dshow;

DEFINE_GUID(CLSID_TestSystemSink, 0x5E1F0001, 0x1111, 0x4222, 0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66);
DEFINE_GUID(CLSID_Hidden, 0x5E1F0003, 0x1111, 0x4222, 0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66);
DEFINE_GUID(MEDIASUBTYPE_TestSystem, 0x5E1F0002, 0x1111, 0x4222, 0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66);

HRESULT CreateTestSink(REFIID riid, void** object)
{
    return CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, riid, object);
}

const REGPINTYPES kTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_TestSystem}};
const REGFILTERPINS kPins[] = {{u"In", TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kTypes}};
const REGFILTER2 kDescription = {1, MERIT_NORMAL, {{1, kPins}}};

bool Listed(REFCLSID clsid, RegisteredFilter* found = nullptr)
{
    for (RegisteredFilter& filter : RegisteredFilters(CLSID_LegacyAmFilterCategory)) {
        if (filter.clsid == clsid) {
            if (found)
                *found = filter;
            return true;
        }
    }
    return false;
}

TEST(SystemFilters, NullRendererIsCreatableByItsClass)
{
    com::ComPtr<IBaseFilter> filter;
    ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               filter.ReceiveVoid()),
              S_OK);
    CLSID clsid{};
    filter->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_NullRenderer);
    EXPECT_FALSE(Listed(CLSID_NullRenderer)) << "it takes anything, so it is never offered by type";
}

TEST(SystemFilters, AddedFiltersAreFoundByTypeThroughTheMapperAndItsMonikers)
{
    const SystemFilter table[] = {{&CLSID_TestSystemSink, u"Test System Sink", MERIT_NORMAL, &kDescription,
                                   &CreateTestSink}};
    AddSystemFilters(table, 1);
    com::ComPtr<IFilterMapper2> mapper;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                               mapper.ReceiveVoid()),
              S_OK);
    GUID wanted[] = {MEDIATYPE_Video, MEDIASUBTYPE_TestSystem};
    com::ComPtr<IEnumMoniker> found;
    ASSERT_EQ(mapper->EnumMatchingFilters(found.Receive(), 0, TRUE, MERIT_NORMAL, TRUE, 1, wanted, nullptr, nullptr,
                                          FALSE, FALSE, 0, nullptr, nullptr, nullptr),
              S_OK);
    com::ComPtr<IMoniker> moniker;
    ASSERT_EQ(found->Next(1, moniker.Receive(), nullptr), S_OK);
    com::ComPtr<IPropertyBag> bag;
    ASSERT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid()), S_OK);
    VARIANT name;
    VariantInit(&name);
    ASSERT_EQ(bag->Read(u"FriendlyName", &name, nullptr), S_OK);
    EXPECT_EQ(std::u16string(name.bstrVal), u"Test System Sink");
    VariantClear(&name);
    com::ComPtr<IBaseFilter> filter;
    ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()), S_OK);

    // A registry registration of the same class takes its place.
    ASSERT_EQ(mapper->RegisterFilter(CLSID_TestSystemSink, u"Registered Sink", nullptr, nullptr, nullptr,
                                     &kDescription),
              S_OK);
    RegisteredFilter record;
    ASSERT_TRUE(Listed(CLSID_TestSystemSink, &record));
    EXPECT_EQ(record.name, u"Registered Sink");
    size_t times = 0;
    for (const RegisteredFilter& one : RegisteredFilters(CLSID_LegacyAmFilterCategory))
        times += one.clsid == CLSID_TestSystemSink;
    EXPECT_EQ(times, 1u);
    mapper->UnregisterFilter(nullptr, nullptr, CLSID_TestSystemSink);
    EXPECT_TRUE(Listed(CLSID_TestSystemSink)) << "the system filter again";
}

TEST(SystemFilters, FiltersWithoutDescriptionAreCreatableOnly)
{
    const SystemFilter table[] = {{&CLSID_Hidden, u"Hidden", MERIT_NORMAL, nullptr, &CreateTestSink}};
    AddSystemFilters(table, 1);
    com::ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CoCreateInstance(CLSID_Hidden, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.ReceiveVoid()),
              S_OK);
    EXPECT_FALSE(Listed(CLSID_Hidden));
}

} // namespace
