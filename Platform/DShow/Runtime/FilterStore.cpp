#include "Platform/DShow/Runtime/FilterStore.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "Platform/DShow/Api/Guids.h"
#include "Platform/DShow/Runtime/RegistryKey.h"
#include "Platform/Win/Base/GuidText.h"

namespace dshow {
namespace {

std::string Numbered(const char* prefix, size_t n)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s%02zu", prefix, n);
    return text;
}

std::string GuidText(const CLSID* guid) { return win::GuidToString(guid ? *guid : GUID_NULL); }

LONG WritePin(RegistryKey& instance, size_t index, const RegisteredPin& pin, const CLSID* connectsToFilter,
              LPCWSTR connectsToPin)
{
    RegistryKey key;
    LONG error = key.Create(instance.Get(), Numbered("Pin", index));
    if (error == ERROR_SUCCESS)
        error = key.SetText("Name", com::WideToUtf8(pin.name.c_str()));
    if (error == ERROR_SUCCESS)
        error = key.SetNumber("Rendered", pin.rendered);
    if (error == ERROR_SUCCESS)
        error = key.SetNumber("Output", pin.output);
    if (error == ERROR_SUCCESS)
        error = key.SetNumber("Zero", pin.zero);
    if (error == ERROR_SUCCESS)
        error = key.SetNumber("Many", pin.many);
    if (error == ERROR_SUCCESS)
        error = key.SetText("ConnectsToFilter", GuidText(connectsToFilter));
    if (error == ERROR_SUCCESS)
        error = key.SetText("ConnectsToPin", com::WideToUtf8(connectsToPin));
    for (size_t t = 0; t < pin.types.size() && error == ERROR_SUCCESS; ++t) {
        RegistryKey type;
        error = type.Create(key.Get(), Numbered("Type", t));
        if (error == ERROR_SUCCESS)
            error = type.SetText("Major", win::GuidToString(pin.types[t].major));
        if (error == ERROR_SUCCESS)
            error = type.SetText("Minor", win::GuidToString(pin.types[t].minor));
    }
    return error;
}

std::vector<RegisteredPinType> TypesOf(UINT count, const REGPINTYPES* types)
{
    std::vector<RegisteredPinType> result;
    for (UINT i = 0; types && i < count; ++i)
        result.push_back({types[i].clsMajorType ? *types[i].clsMajorType : GUID_NULL,
                          types[i].clsMinorType ? *types[i].clsMinorType : GUID_NULL});
    return result;
}

RegisteredFilter ReadFilter(const RegistryKey& instance)
{
    RegisteredFilter filter;
    instance.Guid("CLSID", filter.clsid);
    std::string name;
    instance.Text("FriendlyName", name);
    filter.name = com::Utf8ToWide(name);
    instance.Number("Merit", filter.merit);
    for (const std::string& pinKey : instance.SubKeys()) {
        RegistryKey key;
        if (key.Open(instance.Get(), pinKey) != ERROR_SUCCESS)
            continue;
        RegisteredPin pin;
        std::string pinName;
        key.Text("Name", pinName);
        pin.name = com::Utf8ToWide(pinName);
        DWORD flag = 0;
        pin.rendered = key.Number("Rendered", flag) && flag;
        pin.output = key.Number("Output", flag) && flag;
        pin.zero = key.Number("Zero", flag) && flag;
        pin.many = key.Number("Many", flag) && flag;
        for (const std::string& typeKey : key.SubKeys()) {
            RegistryKey type;
            RegisteredPinType entry{GUID_NULL, GUID_NULL};
            if (type.Open(key.Get(), typeKey) == ERROR_SUCCESS) {
                type.Guid("Major", entry.major);
                type.Guid("Minor", entry.minor);
                pin.types.push_back(entry);
            }
        }
        filter.pins.push_back(std::move(pin));
    }
    return filter;
}

bool Fits(REFGUID registered, REFGUID wanted, bool exact)
{
    if (exact)
        return registered == wanted;
    return registered == GUID_NULL || wanted == GUID_NULL || registered == wanted;
}

} // namespace

std::string InstancesKey(REFCLSID category) { return "CLSID\\" + win::GuidToString(category) + "\\Instance"; }

std::vector<std::string> InstanceNames(REFCLSID category)
{
    RegistryKey key;
    if (key.Open(HKEY_CLASSES_ROOT, InstancesKey(category)) != ERROR_SUCCESS)
        return {};
    return key.SubKeys();
}

bool DescribeFilter(REFCLSID clsid, LPCWSTR name, const REGFILTER2& description, RegisteredFilter& filter)
{
    filter = RegisteredFilter{};
    filter.clsid = clsid;
    filter.name = name ? name : u"";
    filter.merit = description.dwMerit;
    if (description.dwVersion == 1) {
        for (ULONG i = 0; i < description.cPins && description.rgPins; ++i) {
            const REGFILTERPINS& record = description.rgPins[i];
            RegisteredPin pin;
            pin.name = record.strName ? record.strName : u"";
            pin.rendered = record.bRendered;
            pin.output = record.bOutput;
            pin.zero = record.bZero;
            pin.many = record.bMany;
            pin.types = TypesOf(record.nMediaTypes, record.lpMediaType);
            filter.pins.push_back(std::move(pin));
        }
        return true;
    }
    if (description.dwVersion == 2) {
        for (ULONG i = 0; i < description.cPins2 && description.rgPins2; ++i) {
            const REGFILTERPINS2& record = description.rgPins2[i];
            RegisteredPin pin;
            pin.name = com::Utf8ToWide(Numbered("Pin", i));
            pin.rendered = record.dwFlags & REG_PINFLAG_B_RENDERER;
            pin.output = record.dwFlags & REG_PINFLAG_B_OUTPUT;
            pin.zero = record.dwFlags & REG_PINFLAG_B_ZERO;
            pin.many = record.dwFlags & REG_PINFLAG_B_MANY;
            pin.types = TypesOf(record.nMediaTypes, record.lpMediaType);
            filter.pins.push_back(std::move(pin));
        }
        return true;
    }
    return false;
}

HRESULT WriteFilter(REFCLSID clsid, LPCWSTR name, REFCLSID category, const std::string& instance,
                    const REGFILTER2& description)
{
    RegisteredFilter filter;
    if (!DescribeFilter(clsid, name, description, filter))
        return E_INVALIDARG;
    std::string path = InstancesKey(category) + "\\" + instance;
    RegDeleteTreeA(HKEY_CLASSES_ROOT, path.c_str());
    RegistryKey key;
    LONG error = key.Create(HKEY_CLASSES_ROOT, path);
    if (error == ERROR_SUCCESS)
        error = key.SetText("FriendlyName", com::WideToUtf8(name));
    if (error == ERROR_SUCCESS)
        error = key.SetText("CLSID", win::GuidToString(clsid));
    if (error == ERROR_SUCCESS)
        error = key.SetNumber("Merit", description.dwMerit);
    for (size_t i = 0; i < filter.pins.size() && error == ERROR_SUCCESS; ++i) {
        const REGFILTERPINS* record = description.dwVersion == 1 ? &description.rgPins[i] : nullptr;
        error = WritePin(key, i, filter.pins[i], record ? record->clsConnectsToFilter : nullptr,
                         record ? record->strConnectsToPin : nullptr);
    }
    return FromRegistry(error);
}

HRESULT RegisterFilter(REFCLSID clsid, LPCWSTR name, const CLSID* category, const REGFILTER2& description)
{
    return WriteFilter(clsid, name ? name : u"", category ? *category : CLSID_LegacyAmFilterCategory,
                       win::GuidToString(clsid), description);
}

HRESULT UnregisterFilter(const CLSID* category, REFCLSID clsid)
{
    REFCLSID where = category ? *category : CLSID_LegacyAmFilterCategory;
    LONG error = RegDeleteTreeA(HKEY_CLASSES_ROOT, (InstancesKey(where) + "\\" + win::GuidToString(clsid)).c_str());
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
}

namespace {

struct SystemRecords {
    std::mutex lock;
    std::vector<RegisteredFilter> filters;
};

SystemRecords& System()
{
    static SystemRecords* records = new SystemRecords; // read by objects released during exit
    return *records;
}

} // namespace

void AddSystemFilterRecord(RegisteredFilter filter)
{
    SystemRecords& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    for (RegisteredFilter& known : system.filters) {
        if (known.clsid == filter.clsid) {
            known = std::move(filter);
            return;
        }
    }
    system.filters.push_back(std::move(filter));
}

bool FindSystemFilterRecord(REFCLSID clsid, RegisteredFilter& filter)
{
    SystemRecords& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    for (const RegisteredFilter& known : system.filters) {
        if (known.clsid == clsid) {
            filter = known;
            return true;
        }
    }
    return false;
}

std::vector<RegisteredFilter> RegisteredFilters(REFCLSID category)
{
    std::vector<RegisteredFilter> filters;
    RegistryKey instances;
    if (instances.Open(HKEY_CLASSES_ROOT, InstancesKey(category)) == ERROR_SUCCESS) {
        for (const std::string& name : instances.SubKeys()) {
            RegistryKey instance;
            if (instance.Open(instances.Get(), name) == ERROR_SUCCESS)
                filters.push_back(ReadFilter(instance));
        }
    }
    if (category != CLSID_LegacyAmFilterCategory)
        return filters;
    SystemRecords& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    for (const RegisteredFilter& own : system.filters) {
        bool registered = std::any_of(filters.begin(), filters.end(),
                                      [&](const RegisteredFilter& f) { return f.clsid == own.clsid; });
        if (!registered)
            filters.push_back(own);
    }
    return filters;
}

bool PinTakes(const RegisteredPin& pin, REFGUID major, REFGUID minor, bool exact)
{
    if (pin.types.empty())
        return !exact;
    for (const RegisteredPinType& type : pin.types)
        if (Fits(type.major, major, exact) && Fits(type.minor, minor, exact))
            return true;
    return false;
}

bool FilterTakes(const RegisteredFilter& filter, bool output, REFGUID major, REFGUID minor)
{
    for (const RegisteredPin& pin : filter.pins)
        if (pin.output == output && PinTakes(pin, major, minor, false))
            return true;
    return false;
}

} // namespace dshow
