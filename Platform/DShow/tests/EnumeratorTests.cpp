// Every enumerator of the COM and DirectShow layers, each over three items,
// follows one table of steps.

#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/DShow/tests/GraphTestSupport.h"

namespace {

using namespace dshow_test;

DEFINE_GUID(MEDIASUBTYPE_TestC, 0x5E0A1C03, 0x7B2D, 0x4C3E, 0x8F, 0x41, 0x52, 0x63, 0x74, 0x85, 0x96, 0xA7);
DEFINE_GUID(CLSID_EnumeratedA, 0x4A6F2E01, 0x93C1, 0x4D0B, 0xA2, 0x7E, 0x18, 0x29, 0x3A, 0x4B, 0x5C, 0x6D);
DEFINE_GUID(CLSID_EnumeratedB, 0x4A6F2E02, 0x93C1, 0x4D0B, 0xA2, 0x7E, 0x18, 0x29, 0x3A, 0x4B, 0x5C, 0x6D);
DEFINE_GUID(CLSID_EnumeratedC, 0x4A6F2E03, 0x93C1, 0x4D0B, 0xA2, 0x7E, 0x18, 0x29, 0x3A, 0x4B, 0x5C, 0x6D);

const GUID* const kSubtypes[] = {&MEDIASUBTYPE_TestA, &MEDIASUBTYPE_TestB, &MEDIASUBTYPE_TestC};
const CLSID* const kClasses[] = {&CLSID_EnumeratedA, &CLSID_EnumeratedB, &CLSID_EnumeratedC};

// An output pin that proposes video of the three subtypes.
class ProposingPin final : public CBasePin {
public:
    ProposingPin(CBaseFilter* filter, CCritSec* lock, LPCWSTR name)
        : CBasePin(NAME("Proposing pin"), filter, lock, nullptr, name, PINDIR_OUTPUT)
    {
    }
    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position >= static_cast<int>(std::size(kSubtypes)))
            return VFW_S_NO_MORE_ITEMS;
        type->SetType(&MEDIATYPE_Video);
        type->SetSubtype(kSubtypes[position]);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
};

class ThreePinFilter final : public CBaseFilter {
public:
    ThreePinFilter() : CBaseFilter(NAME("Three pins"), nullptr, &m_lock, GUID_NULL)
    {
        for (LPCWSTR name : {u"0", u"1", u"2"})
            m_pins.push_back(std::make_unique<ProposingPin>(this, &m_lock, name));
    }
    int GetPinCount() override { return static_cast<int>(m_pins.size()); }
    CBasePin* GetPin(int index) override
    {
        return index >= 0 && index < GetPinCount() ? m_pins[static_cast<size_t>(index)].get() : nullptr;
    }

private:
    CCritSec m_lock;
    std::vector<std::unique_ptr<ProposingPin>> m_pins;
};

// The position of `item` among `known`, -1 when it is none of them.
template <typename Item, typename Known, typename Same> int PositionAmong(Item item, const Known& known, Same same)
{
    for (size_t i = 0; i < std::size(known); ++i)
        if (same(item, known[i]))
            return static_cast<int>(i);
    return -1;
}

int MonikerPosition(IMoniker* moniker, const std::vector<com::ComPtr<IMoniker>>& known)
{
    return PositionAmong(moniker, known, [](IMoniker* m, const com::ComPtr<IMoniker>& k) {
        return k->IsEqual(m) == S_OK;
    });
}

com::ComPtr<IFilterMapper2> Mapper()
{
    com::ComPtr<IFilterMapper2> mapper;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                               mapper.ReceiveVoid()),
              S_OK);
    return mapper;
}

// Each case below makes one enumerator over three items of its own and
// tells an item's position among them.

struct FilterPins {
    static constexpr const char* kName = "FilterPins";
    using Enum = IEnumPins;
    using Item = IPin*;

    ThreePinFilter* filter = new ThreePinFilter;
    com::ComPtr<IBaseFilter> held = Hold(filter);

    HRESULT Make(IEnumPins** pins) { return held->EnumPins(pins); }
    int PositionOf(IPin* pin)
    {
        for (int i = 0; i < filter->GetPinCount(); ++i)
            if (static_cast<IPin*>(filter->GetPin(i)) == pin)
                return i;
        return -1;
    }
    static void Free(IPin* pin) { pin->Release(); }
};

struct PinMediaTypes {
    static constexpr const char* kName = "PinMediaTypes";
    using Enum = IEnumMediaTypes;
    using Item = AM_MEDIA_TYPE*;

    ThreePinFilter* filter = new ThreePinFilter;
    com::ComPtr<IBaseFilter> held = Hold(filter);

    HRESULT Make(IEnumMediaTypes** types) { return filter->GetPin(0)->EnumMediaTypes(types); }
    int PositionOf(AM_MEDIA_TYPE* type)
    {
        return PositionAmong(type, kSubtypes, [](AM_MEDIA_TYPE* t, const GUID* k) { return t->subtype == *k; });
    }
    static void Free(AM_MEDIA_TYPE* type) { DeleteMediaType(type); }
};

struct GraphFilters {
    static constexpr const char* kName = "GraphFilters";
    using Enum = IEnumFilters;
    using Item = IBaseFilter*;

    com::ComPtr<IGraphBuilder> graph = MakeGraph();
    std::vector<com::ComPtr<IBaseFilter>> filters;

    GraphFilters()
    {
        for (LPCWSTR name : {u"First", u"Second", u"Third"}) {
            filters.push_back(Hold(new ThreePinFilter));
            EXPECT_EQ(graph->AddFilter(filters.back().Get(), name), S_OK);
        }
    }
    HRESULT Make(IEnumFilters** enumerator) { return graph->EnumFilters(enumerator); }
    int PositionOf(IBaseFilter* filter)
    {
        return PositionAmong(filter, filters,
                             [](IBaseFilter* f, const com::ComPtr<IBaseFilter>& k) { return f == k.Get(); });
    }
    static void Free(IBaseFilter* filter) { filter->Release(); }
};

// Three filters in the mapper's category, merits falling in their order,
// each with an input of test type A, which no system filter takes.
const REGPINTYPES kEnumeratedTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_TestA}};
const REGFILTERPINS kEnumeratedPins[] = {
    {u"In", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kEnumeratedTypes}};

struct MapperFilters {
    static constexpr const char* kName = "MapperFilters";
    using Enum = IEnumMoniker;
    using Item = IMoniker*;

    std::vector<com::ComPtr<IMoniker>> known;

    MapperFilters()
    {
        for (size_t i = 0; i < std::size(kClasses); ++i) {
            REGFILTER2 description{};
            description.dwVersion = 1;
            description.dwMerit = MERIT_NORMAL - static_cast<DWORD>(i);
            description.cPins = 1;
            description.rgPins = kEnumeratedPins;
            known.emplace_back();
            EXPECT_EQ(Mapper()->RegisterFilter(*kClasses[i], u"Enumerated", known.back().Receive(), nullptr, nullptr,
                                               &description),
                      S_OK);
        }
    }
    ~MapperFilters()
    {
        for (const CLSID* clsid : kClasses)
            Mapper()->UnregisterFilter(nullptr, nullptr, *clsid);
    }
    HRESULT Make(IEnumMoniker** monikers)
    {
        GUID types[] = {MEDIATYPE_Video, MEDIASUBTYPE_TestA};
        return Mapper()->EnumMatchingFilters(monikers, 0, TRUE, 0, TRUE, 1, types, nullptr, nullptr, FALSE, FALSE, 0,
                                             nullptr, nullptr, nullptr);
    }
    int PositionOf(IMoniker* moniker) { return MonikerPosition(moniker, known); }
    static void Free(IMoniker* moniker) { moniker->Release(); }
};

// Three devices of a category, listed by instance name.
struct CategoryDevices {
    static constexpr const char* kName = "CategoryDevices";
    using Enum = IEnumMoniker;
    using Item = IMoniker*;

    static constexpr LPCWSTR kInstances[] = {u"Camera A", u"Camera B", u"Camera C"};
    std::vector<com::ComPtr<IMoniker>> known;

    CategoryDevices()
    {
        REGFILTER2 description{};
        description.dwVersion = 1;
        for (size_t i = 0; i < std::size(kInstances); ++i) {
            known.emplace_back();
            EXPECT_EQ(Mapper()->RegisterFilter(*kClasses[i], kInstances[i], known.back().Receive(),
                                               &CLSID_VideoInputDeviceCategory, kInstances[i], &description),
                      S_OK);
        }
    }
    ~CategoryDevices()
    {
        for (size_t i = 0; i < std::size(kInstances); ++i)
            Mapper()->UnregisterFilter(&CLSID_VideoInputDeviceCategory, kInstances[i], *kClasses[i]);
    }
    HRESULT Make(IEnumMoniker** monikers)
    {
        com::ComPtr<ICreateDevEnum> devices;
        EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                   devices.ReceiveVoid()),
                  S_OK);
        return devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers, 0);
    }
    int PositionOf(IMoniker* moniker) { return MonikerPosition(moniker, known); }
    static void Free(IMoniker* moniker) { moniker->Release(); }
};

// Three registrations in the running object table, in their order.
struct RunningObjects {
    static constexpr const char* kName = "RunningObjects";
    using Enum = IEnumMoniker;
    using Item = IMoniker*;

    com::ComPtr<IRunningObjectTable> table;
    std::vector<com::ComPtr<IMoniker>> known;
    std::vector<DWORD> cookies;

    RunningObjects()
    {
        EXPECT_EQ(GetRunningObjectTable(0, table.Receive()), S_OK);
        for (LPCOLESTR item : {u"Enumerated A", u"Enumerated B", u"Enumerated C"}) {
            known.emplace_back();
            EXPECT_EQ(CreateItemMoniker(u"!", item, known.back().Receive()), S_OK);
            cookies.push_back(0);
            EXPECT_EQ(table->Register(0, known.back().Get(), known.back().Get(), &cookies.back()), S_OK);
        }
    }
    ~RunningObjects()
    {
        for (DWORD cookie : cookies)
            table->Revoke(cookie);
    }
    HRESULT Make(IEnumMoniker** monikers) { return table->EnumRunning(monikers); }
    int PositionOf(IMoniker* moniker) { return MonikerPosition(moniker, known); }
    static void Free(IMoniker* moniker) { moniker->Release(); }
};

enum class Call { Next, NextUncounted, NextIntoNull, Skip, Reset, Clone, CloneIntoNull };
enum class On { Enumerator, Clone };

struct Step {
    const char* what;
    On on;
    Call call;
    ULONG count;
    HRESULT result;
    std::vector<int> items; // what Next hands out, as positions among the three
};

const Step kSteps[] = {
    {"one at a time: first", On::Enumerator, Call::Next, 1, S_OK, {0}},
    {"one at a time: second", On::Enumerator, Call::Next, 1, S_OK, {1}},
    {"one at a time: third", On::Enumerator, Call::Next, 1, S_OK, {2}},
    {"one at a time: none left", On::Enumerator, Call::Next, 1, S_FALSE, {}},
    {"reset", On::Enumerator, Call::Reset, 0, S_OK, {}},
    {"two of three", On::Enumerator, Call::Next, 2, S_OK, {0, 1}},
    {"more than are left", On::Enumerator, Call::Next, 5, S_FALSE, {2}},
    {"reset before skipping", On::Enumerator, Call::Reset, 0, S_OK, {}},
    {"skip exactly to the end", On::Enumerator, Call::Skip, 3, S_OK, {}},
    {"nothing after the end", On::Enumerator, Call::Next, 1, S_FALSE, {}},
    {"skip nothing at the end", On::Enumerator, Call::Skip, 0, S_OK, {}},
    {"skip at the end", On::Enumerator, Call::Skip, 1, S_FALSE, {}},
    {"reset after the end", On::Enumerator, Call::Reset, 0, S_OK, {}},
    {"skip past the end", On::Enumerator, Call::Skip, 4, S_FALSE, {}},
    {"nothing after skipping past the end", On::Enumerator, Call::Next, 2, S_FALSE, {}},
    {"reset for the clone", On::Enumerator, Call::Reset, 0, S_OK, {}},
    {"skip one", On::Enumerator, Call::Skip, 1, S_OK, {}},
    {"clone", On::Enumerator, Call::Clone, 0, S_OK, {}},
    {"clone starts at the enumerator's position", On::Clone, Call::Next, 1, S_OK, {1}},
    {"the enumerator did not move with the clone", On::Enumerator, Call::Next, 2, S_OK, {1, 2}},
    {"clone goes on alone", On::Clone, Call::Next, 2, S_FALSE, {2}},
    {"clone resets alone", On::Clone, Call::Reset, 0, S_OK, {}},
    {"clone from the start", On::Clone, Call::Next, 3, S_OK, {0, 1, 2}},
    {"the enumerator still at its end", On::Enumerator, Call::Next, 1, S_FALSE, {}},
    {"reset for the argument checks", On::Enumerator, Call::Reset, 0, S_OK, {}},
    {"one item without a count", On::Enumerator, Call::NextUncounted, 1, S_OK, {0}},
    {"more items without a count", On::Enumerator, Call::NextUncounted, 2, E_INVALIDARG, {}},
    {"no array", On::Enumerator, Call::NextIntoNull, 1, E_POINTER, {}},
    {"no place for the clone", On::Enumerator, Call::CloneIntoNull, 0, E_POINTER, {}},
    {"position kept through refused calls", On::Enumerator, Call::Next, 1, S_OK, {1}},
};

template <typename Case> class EnumeratorRules : public testing::Test {
protected:
    using Enum = typename Case::Enum;
    using Item = typename Case::Item;

    // Runs one Next call of a step and checks what it handed out.
    void Next(Case& source, Enum* enumerator, const Step& step)
    {
        Item items[8] = {};
        ULONG fetched = 99;
        ULONG* counted = step.call == Call::Next ? &fetched : nullptr;
        HRESULT hr = enumerator->Next(step.count, step.call == Call::NextIntoNull ? nullptr : items, counted);
        EXPECT_EQ(hr, step.result) << step.what;
        if (counted) {
            EXPECT_EQ(fetched, step.items.size()) << step.what;
        }
        for (size_t i = 0; i < std::size(items) && items[i]; ++i) {
            ASSERT_LT(i, step.items.size()) << step.what;
            EXPECT_EQ(source.PositionOf(items[i]), step.items[i]) << step.what << ", item " << i;
            Case::Free(items[i]);
        }
    }
};

struct CaseName {
    template <typename Case> static std::string GetName(int) { return Case::kName; }
};

using Cases = testing::Types<FilterPins, PinMediaTypes, GraphFilters, MapperFilters, CategoryDevices, RunningObjects>;
TYPED_TEST_SUITE(EnumeratorRules, Cases, CaseName);

TYPED_TEST(EnumeratorRules, FollowTheSharedSteps)
{
    TypeParam source;
    com::ComPtr<typename TypeParam::Enum> made, clone;
    ASSERT_EQ(source.Make(made.Receive()), S_OK);
    for (const Step& step : kSteps) {
        auto* enumerator = (step.on == On::Enumerator ? made : clone).Get();
        ASSERT_NE(enumerator, nullptr) << step.what;
        switch (step.call) {
        case Call::Next:
        case Call::NextUncounted:
        case Call::NextIntoNull:
            this->Next(source, enumerator, step);
            break;
        case Call::Skip:
            EXPECT_EQ(enumerator->Skip(step.count), step.result) << step.what;
            break;
        case Call::Reset:
            EXPECT_EQ(enumerator->Reset(), step.result) << step.what;
            break;
        case Call::Clone:
            EXPECT_EQ(enumerator->Clone(clone.Receive()), step.result) << step.what;
            break;
        case Call::CloneIntoNull:
            EXPECT_EQ(enumerator->Clone(nullptr), step.result) << step.what;
            break;
        }
    }
}

} // namespace
