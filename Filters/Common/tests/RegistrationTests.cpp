#include <map>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/SetupRecords.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Platform/DShow/Runtime/FilterStore.h"
#include "Platform/Win/Base/GuidText.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Registry/Registry.h"
#include "Platform/Win/Win32.h"

namespace {

using namespace plugin_test;

struct Library {
    const char* name;
    std::vector<const AMOVIESETUP_FILTER*> filters;
    // Classes registered only as COM servers (pages, the allocator).
    std::vector<std::pair<const CLSID*, const char*>> servers;
};

const std::vector<Library>& Libraries()
{
    static const std::vector<Library> libraries = {
        {"Grabwell", {&plugin_setup::kVideoGrab, &plugin_setup::kAudioGrab, &plugin_setup::kQuickGrab}, {}},
        {"Tessaly", {&plugin_setup::kSewer}, {{&CLSID_DupAllocator, "QOR KL Dupallocator"}}},
        {"Switcher",
         {&plugin_setup::kSwitcher},
         {{&CLSID_SwitcherEventPage, "Switcher PropertyPage"},
          {&CLSID_SwitcherMediaTypePage, "Switcher Meida Type PropertyPage"}}},
        {"Generic", {&plugin_setup::kSceneDetector}, {{&CLSID_SceneDetectorPage, "Special Effects"}}},
        {"Chirpex", {&plugin_setup::kChirpex}, {{&CLSID_ChirpexPage, "Chirpex Property Page"}}},
        {"Reverbix",
         {&plugin_setup::kReverbix},
         {{&CLSID_ReverbixSettingsPage, "Reverbix Property Page"},
          {&CLSID_ReverbixEqualiserPage, "Reverbix Property Page"}}},
    };
    return libraries;
}

std::vector<std::string> AllModules()
{
    std::vector<std::string> modules;
    for (const auto& library : Libraries())
        modules.push_back(ModulePath(library.name));
    return modules;
}

std::string ClassName(REFCLSID clsid)
{
    HKEY key = nullptr;
    std::string path = "CLSID\\" + win::GuidToString(clsid);
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    char text[256] = {};
    DWORD size = sizeof text - 1, type = 0;
    RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return text;
}

class Registration : public WithModules {
protected:
    Registration() : WithModules(AllModules()) {}
};

TEST_F(Registration, ListsEveryFilterWithItsRecordAtDoNotUseMerit)
{
    std::map<std::string, dshow::RegisteredFilter> found;
    for (auto& filter : dshow::RegisteredFilters(CLSID_LegacyAmFilterCategory))
        found[win::GuidToString(filter.clsid)] = filter;
    for (const auto& library : Libraries()) {
        for (const AMOVIESETUP_FILTER* setup : library.filters) {
            SCOPED_TRACE(library.name);
            auto it = found.find(win::GuidToString(*setup->clsID));
            ASSERT_NE(it, found.end());
            const dshow::RegisteredFilter& filter = it->second;
            EXPECT_EQ(filter.name, std::u16string(setup->strName));
            EXPECT_EQ(filter.merit, 0x200000u);
            ASSERT_EQ(filter.pins.size(), setup->nPins);
            for (UINT p = 0; p < setup->nPins; ++p) {
                const AMOVIESETUP_PIN& pin = setup->lpPin[p];
                EXPECT_EQ(filter.pins[p].name, std::u16string(pin.strName));
                EXPECT_EQ(filter.pins[p].rendered, pin.bRendered != FALSE);
                EXPECT_EQ(filter.pins[p].output, pin.bOutput != FALSE);
                ASSERT_EQ(filter.pins[p].types.size(), pin.nMediaTypes);
                EXPECT_EQ(filter.pins[p].types[0].major, *pin.lpMediaType[0].clsMajorType);
                EXPECT_EQ(filter.pins[p].types[0].minor, *pin.lpMediaType[0].clsMinorType);
            }
        }
        for (const auto& [clsid, name] : library.servers) {
            EXPECT_EQ(ClassName(*clsid), name);
            EXPECT_EQ(found.count(win::GuidToString(*clsid)), 0u) << name << " is no filter";
        }
    }
    // The audio grab's record is kept as the installed base has it.
    EXPECT_EQ(*plugin_setup::kAudioGrab.lpPin[0].lpMediaType[0].clsMajorType, MEDIATYPE_Video);
    EXPECT_EQ(ClassName(CLSID_QuickGrab), "Kestrelon Quick Grab");
}

TEST_F(Registration, AutomaticGraphBuildingNeverPicksAPlugIn)
{
    // The mapper also lists the system filters; none of the plug-ins' own
    // filters is among those it offers above do-not-use merit.
    std::map<std::string, const char*> plugins;
    for (const auto& library : Libraries())
        for (const AMOVIESETUP_FILTER* setup : library.filters)
            plugins[win::GuidToString(*setup->clsID)] = library.name;
    for (const auto& filter : dshow::RegisteredFilters(CLSID_LegacyAmFilterCategory)) {
        if (filter.merit > MERIT_DO_NOT_USE) {
            EXPECT_EQ(plugins.count(win::GuidToString(filter.clsid)), 0u) << "a plug-in above do-not-use merit";
        }
    }

    // Rendering a 24-bit RGB stream does not pull in the video grab.
    auto graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
    auto* source = new PushSource(Rgb24Type(4, 2), 64);
    auto held = Query<IBaseFilter>(static_cast<IBaseFilter*>(source), IID_IBaseFilter);
    ASSERT_EQ(graph->AddFilter(held.Get(), u"Source"), S_OK);
    graph->Render(source->Pin());
    com::ComPtr<IEnumFilters> filters;
    ASSERT_EQ(graph->EnumFilters(filters.Receive()), S_OK);
    IBaseFilter* filter = nullptr;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        CLSID clsid{};
        filter->GetClassID(&clsid);
        EXPECT_NE(clsid, CLSID_VideoGrab);
        EXPECT_NE(clsid, CLSID_QuickGrab);
        filter->Release();
    }
}

TEST_F(Registration, ClassObjectsAndUnloading)
{
    for (const auto& library : Libraries()) {
        SCOPED_TRACE(library.name);
        HMODULE module = LoadLibraryA(ModulePath(library.name).c_str());
        ASSERT_NE(module, nullptr);
        auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
        auto canUnload = reinterpret_cast<HRESULT (*)()>(GetProcAddress(module, "DllCanUnloadNow"));
        ASSERT_TRUE(getClassObject && canUnload);
        void* object = nullptr;
        EXPECT_EQ(getClassObject(CLSID_FilterGraph, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
        const CLSID& first = library.filters.empty() ? *library.servers[0].first : *library.filters[0]->clsID;
        EXPECT_EQ(getClassObject(first, IID_IPin, &object), E_NOINTERFACE);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(getClassObject(first, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        factory->LockServer(TRUE);
        IUnknown* created = nullptr;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&created)), S_OK);
        factory->Release();
        EXPECT_EQ(canUnload(), S_FALSE) << "locked, and an object lives";
        created->Release();
        EXPECT_EQ(canUnload(), S_FALSE) << "locked";
        factory = nullptr;
        ASSERT_EQ(getClassObject(first, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        factory->LockServer(FALSE);
        factory->Release();
        EXPECT_EQ(canUnload(), S_OK);
        FreeLibrary(module);
    }
}

TEST_F(Registration, ModulesLoadByClassAndUnloadWhenFree)
{
    for (const auto& library : Libraries()) {
        SCOPED_TRACE(library.name);
        const CLSID& clsid = library.filters.empty() ? *library.servers[0].first : *library.filters[0]->clsID;
        com::ComPtr<IUnknown> object = Create<IUnknown>(clsid, IID_IUnknown);
        ASSERT_TRUE(object);
        std::string file = std::string(library.name) + ".so";
        CoFreeUnusedLibraries();
        EXPECT_NE(GetModuleHandleA(file.c_str()), nullptr);
        object.Reset();
        CoFreeUnusedLibraries();
        EXPECT_EQ(GetModuleHandleA(file.c_str()), nullptr);
    }
}

// The titles of the pages a filter names, as its property frame shows them
// on its tabs; the frame is closed with Cancel.
std::vector<std::string> FrameTabs(IBaseFilter* filter)
{
    static std::vector<std::string>* s_tabs = nullptr;
    std::vector<std::string> tabs;
    com::ComPtr<ISpecifyPropertyPages> specify;
    if (FAILED(specify.QueryFrom(filter, IID_ISpecifyPropertyPages)))
        return tabs;
    CAUUID pages{};
    EXPECT_EQ(specify->GetPages(&pages), S_OK);
    s_tabs = &tabs;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND frame = FindWindowA(nullptr, "Plug-in Properties");
        if (!frame || !s_tabs)
            return;
        HWND tab = reinterpret_cast<HWND>(SendMessageA(frame, PSM_GETTABCONTROL, 0, 0));
        const int count = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[64] = {};
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            s_tabs->push_back(text);
        }
        s_tabs = nullptr;
        PostMessageA(frame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(frame, IDCANCEL)));
    });
    IUnknown* objects[] = {filter};
    EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, u"Plug-in", 1, objects, pages.cElems, pages.pElems, 0, 0,
                                     nullptr),
              S_OK);
    KillTimer(nullptr, timer);
    s_tabs = nullptr;
    CoTaskMemFree(pages.pElems);
    return tabs;
}

TEST_F(Registration, EachFiltersPagesOpenInAFrameWithTheirLibrarysOwnResources)
{
    struct Case {
        const CLSID* filter;
        std::vector<std::string> tabs;
    };
    const Case cases[] = {
        {&CLSID_QORSwitcher, {"QOR FilterGraph Router", "Media Type Restriction"}},
        {&CLSID_SceneDetector, {"Seek Graph"}},
        {&CLSID_Chirpex, {"Chirpex"}},
        {&CLSID_Reverbix, {"Filters", "Equalizer"}},
    };
    for (const Case& c : cases) {
        auto filter = Create<IBaseFilter>(*c.filter, IID_IBaseFilter);
        ASSERT_TRUE(filter);
        EXPECT_EQ(FrameTabs(filter.Get()), c.tabs);
    }
}

} // namespace

namespace {

// The records of the libraries whose filters come with the DV writer and
// capture work register as the table says, from their data alone.
TEST(SetupRecords, OfTheLaterLibrariesRegisterAtDoNotUseMerit)
{
    const AMOVIESETUP_FILTER* later[] = {&plugin_setup::kSeqCapRenderer, &plugin_setup::kSeqCapSource,
                                         &plugin_setup::kImgCapRenderer, &plugin_setup::kQORSource,
                                         &plugin_setup::kWavDest};
    for (const AMOVIESETUP_FILTER* setup : later)
        ASSERT_EQ(AMovieSetupRegisterFilter2(setup, nullptr, TRUE), S_OK);
    std::map<std::string, dshow::RegisteredFilter> found;
    for (auto& filter : dshow::RegisteredFilters(CLSID_LegacyAmFilterCategory))
        found[win::GuidToString(filter.clsid)] = filter;
    for (const AMOVIESETUP_FILTER* setup : later) {
        auto it = found.find(win::GuidToString(*setup->clsID));
        ASSERT_NE(it, found.end());
        EXPECT_EQ(it->second.merit, 0x200000u);
        EXPECT_EQ(it->second.pins.size(), setup->nPins);
    }
    const auto& still = found[win::GuidToString(CLSID_ImgCapRenderer)];
    EXPECT_EQ(still.name, u"Kestrelon ImgCap Filter");
    ASSERT_EQ(still.pins.size(), 1u);
    EXPECT_TRUE(still.pins[0].rendered);
    EXPECT_EQ(still.pins[0].types[0].minor, MEDIASUBTYPE_RGB24);
    EXPECT_TRUE(found[win::GuidToString(CLSID_QORSource)].pins[0].output);
    EXPECT_TRUE(found[win::GuidToString(CLSID_WavDest)].pins.empty());
    for (const AMOVIESETUP_FILTER* setup : later)
        EXPECT_EQ(AMovieSetupRegisterFilter2(setup, nullptr, FALSE), S_OK);
}

} // namespace
