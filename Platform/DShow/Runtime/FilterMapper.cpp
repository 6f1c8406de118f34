#include "Platform/DShow/Runtime/FilterMapper.h"

#include <algorithm>
#include <string>
#include <vector>

#include "Platform/DShow/Api/Guids.h"
#include "Platform/DShow/Runtime/FilterMoniker.h"
#include "Platform/DShow/Runtime/FilterStore.h"
#include "Platform/DShow/Runtime/RegistryKey.h"
#include "Platform/Win/Base/GuidText.h"

namespace dshow {
namespace {

class FilterMapper final : public com::Object<com::Implements<IFilterMapper2, IID_IFilterMapper2>> {
public:
    HRESULT STDMETHODCALLTYPE CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) override
    {
        RegistryKey key;
        LONG error = key.Create(HKEY_CLASSES_ROOT, "CLSID\\" + win::GuidToString(category));
        if (error == ERROR_SUCCESS)
            error = key.SetText("FriendlyName", com::WideToUtf8(description));
        if (error == ERROR_SUCCESS)
            error = key.SetNumber("Merit", merit);
        return FromRegistry(error);
    }

    HRESULT STDMETHODCALLTYPE UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID filter) override
    {
        REFCLSID where = category ? *category : CLSID_LegacyAmFilterCategory;
        std::string name = instance ? com::WideToUtf8(instance) : win::GuidToString(filter);
        LONG error = RegDeleteTreeA(HKEY_CLASSES_ROOT, (InstancesKey(where) + "\\" + name).c_str());
        return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
    }

    HRESULT STDMETHODCALLTYPE RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker,
                                             const CLSID* category, LPCOLESTR instance,
                                             const REGFILTER2* description) override
    {
        CheckPointer(description, E_POINTER);
        if (moniker)
            *moniker = nullptr;
        REFCLSID where = category ? *category : CLSID_LegacyAmFilterCategory;
        std::string instanceName = instance ? com::WideToUtf8(instance) : win::GuidToString(filter);
        HRESULT hr = WriteFilter(filter, name, where, instanceName, *description);
        if (SUCCEEDED(hr) && moniker) {
            HRESULT named = CreateFilterMoniker(where, instanceName, moniker);
            if (FAILED(named))
                return named;
        }
        return hr;
    }

    HRESULT STDMETHODCALLTYPE EnumMatchingFilters(IEnumMoniker** monikers, DWORD, BOOL exactMatch, DWORD merit,
                                                  BOOL inputNeeded, DWORD inputTypeCount, const GUID* inputTypes,
                                                  const REGPINMEDIUM*, const CLSID*, BOOL render, BOOL outputNeeded,
                                                  DWORD outputTypeCount, const GUID* outputTypes, const REGPINMEDIUM*,
                                                  const CLSID*) override
    {
        CheckPointer(monikers, E_POINTER);
        *monikers = nullptr;
        std::vector<RegisteredFilter> matches;
        for (RegisteredFilter& filter : RegisteredFilters(CLSID_LegacyAmFilterCategory)) {
            if (filter.merit < merit)
                continue;
            if (!Side(filter, false, inputNeeded, inputTypeCount, inputTypes, exactMatch, render) ||
                !Side(filter, true, outputNeeded, outputTypeCount, outputTypes, exactMatch, FALSE))
                continue;
            matches.push_back(std::move(filter));
        }
        std::stable_sort(matches.begin(), matches.end(),
                         [](const RegisteredFilter& a, const RegisteredFilter& b) { return a.merit > b.merit; });
        std::vector<std::string> names;
        for (const RegisteredFilter& filter : matches)
            names.push_back(win::GuidToString(filter.clsid));
        return EnumerateFilterMonikers(CLSID_LegacyAmFilterCategory, names, monikers);
    }

private:
    // Whether the filter's pins of one direction satisfy a query: present
    // when needed, rendered when asked, taking one of the type pairs.
    static bool Side(const RegisteredFilter& filter, bool output, BOOL needed, DWORD typeCount, const GUID* types,
                     BOOL exact, BOOL rendered)
    {
        bool any = false;
        for (const RegisteredPin& pin : filter.pins) {
            if (pin.output != output || (rendered && !pin.rendered))
                continue;
            if (typeCount == 0 || !types) {
                any = true;
                break;
            }
            for (DWORD i = 0; i < typeCount && !any; ++i)
                any = PinTakes(pin, types[2 * i], types[2 * i + 1], exact != FALSE);
        }
        if (any)
            return true;
        return !needed && !rendered && typeCount == 0;
    }
};

} // namespace

HRESULT CreateFilterMapper(REFIID riid, void** object) { return com::CreateObject<FilterMapper>(riid, object); }

} // namespace dshow
