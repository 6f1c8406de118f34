#include "Platform/DShow/Runtime/FilterMapper.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/Api/Guids.h"
#include "Platform/Win/Registry/Registry.h"

namespace dshow {
namespace {

DEFINE_GUID(CLSID_CDeviceMoniker, 0x4315D437, 0x5B8C, 0x11D0, 0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86);

std::string InstancesKey(REFCLSID category) { return "CLSID\\" + win::GuidToString(category) + "\\Instance"; }

std::string Numbered(const char* prefix, size_t n)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s%02zu", prefix, n);
    return text;
}

// An open registry key, closed with the object.
class Key {
public:
    Key() = default;
    ~Key()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    LONG Create(HKEY parent, const std::string& path)
    {
        return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                               &m_key, nullptr);
    }
    LONG Open(HKEY parent, const std::string& path) { return RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &m_key); }
    HKEY Get() const { return m_key; }

    LONG SetText(const char* name, const std::string& text)
    {
        return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1));
    }
    LONG SetNumber(const char* name, DWORD value)
    {
        return RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    bool Text(const char* name, std::string& text) const
    {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
            return false;
        text.assign(size, '\0');
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
            ERROR_SUCCESS)
            return false;
        text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
        return true;
    }
    bool Number(const char* name, DWORD& value) const
    {
        DWORD type = 0, size = sizeof value;
        return RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                   ERROR_SUCCESS &&
               type == REG_DWORD;
    }
    bool Guid(const char* name, GUID& guid) const
    {
        std::string text;
        return Text(name, text) && win::GuidFromString(text, &guid);
    }
    std::vector<std::string> SubKeys() const
    {
        std::vector<std::string> names;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD size = sizeof name;
            if (RegEnumKeyExA(m_key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, size);
        }
        return names;
    }

private:
    HKEY m_key = nullptr;
};

HRESULT FromRegistry(LONG error) { return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error); }

std::string GuidText(const CLSID* guid) { return win::GuidToString(guid ? *guid : GUID_NULL); }

LONG WritePin(Key& instance, size_t index, const RegisteredPin& pin, const CLSID* connectsToFilter,
              LPCWSTR connectsToPin)
{
    Key key;
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
        Key type;
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

RegisteredFilter ReadFilter(const Key& instance)
{
    RegisteredFilter filter;
    instance.Guid("CLSID", filter.clsid);
    std::string name;
    instance.Text("FriendlyName", name);
    filter.name = com::Utf8ToWide(name);
    instance.Number("Merit", filter.merit);
    for (const std::string& pinKey : instance.SubKeys()) {
        Key key;
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
            Key type;
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

bool PinTakes(const RegisteredPin& pin, REFGUID major, REFGUID minor, bool exact)
{
    if (pin.types.empty())
        return !exact;
    for (const RegisteredPinType& type : pin.types)
        if (Fits(type.major, major, exact) && Fits(type.minor, minor, exact))
            return true;
    return false;
}

// A property bag over the values of one registry key.
class RegistryPropertyBag final : public com::Object<com::Implements<IPropertyBag, IID_IPropertyBag>> {
public:
    explicit RegistryPropertyBag(std::string key) : m_key(std::move(key)) {}

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override
    {
        CheckPointer(name, E_POINTER);
        CheckPointer(value, E_POINTER);
        Key key;
        if (key.Open(HKEY_CLASSES_ROOT, m_key) != ERROR_SUCCESS)
            return E_FAIL;
        std::string valueName = com::WideToUtf8(name);
        std::string text;
        DWORD number = 0;
        if (key.Text(valueName.c_str(), text)) {
            if (value->vt != VT_EMPTY && value->vt != VT_BSTR)
                return DISP_E_TYPEMISMATCH;
            std::u16string wide = com::Utf8ToWide(text);
            BSTR copy = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
            if (!copy)
                return E_OUTOFMEMORY;
            VariantClear(value);
            value->vt = VT_BSTR;
            value->bstrVal = copy;
            return S_OK;
        }
        if (key.Number(valueName.c_str(), number)) {
            if (value->vt != VT_EMPTY && value->vt != VT_I4 && value->vt != VT_UI4)
                return DISP_E_TYPEMISMATCH;
            VARTYPE type = value->vt == VT_UI4 ? VT_UI4 : VT_I4;
            VariantClear(value);
            value->vt = type;
            value->ulVal = number;
            return S_OK;
        }
        return E_INVALIDARG;
    }

    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override
    {
        CheckPointer(name, E_POINTER);
        CheckPointer(value, E_POINTER);
        Key key;
        LONG error = key.Create(HKEY_CLASSES_ROOT, m_key);
        if (error != ERROR_SUCCESS)
            return FromRegistry(error);
        std::string valueName = com::WideToUtf8(name);
        switch (value->vt) {
        case VT_BSTR:
            return FromRegistry(key.SetText(valueName.c_str(), com::WideToUtf8(value->bstrVal)));
        case VT_I4:
        case VT_UI4:
            return FromRegistry(key.SetNumber(valueName.c_str(), value->ulVal));
        default:
            return DISP_E_TYPEMISMATCH;
        }
    }

private:
    std::string m_key;
};

// Names one registered filter or device: "@device:sw:{category}\instance".
class FilterMoniker final
    : public com::Object<com::Implements<com::SimpleMoniker, IID_IMoniker, IID_IPersistStream, IID_IPersist>> {
public:
    FilterMoniker(const CLSID& category, std::string instance) : m_category(category), m_instance(std::move(instance))
    {
    }

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override
    {
        CheckPointer(clsid, E_POINTER);
        *clsid = CLSID_CDeviceMoniker;
        return S_OK;
    }

    // Creates the filter by the class identifier the instance names.
    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** object) override
    {
        CheckPointer(object, E_POINTER);
        *object = nullptr;
        Key key;
        CLSID clsid{};
        if (key.Open(HKEY_CLASSES_ROOT, KeyPath()) != ERROR_SUCCESS || !key.Guid("CLSID", clsid))
            return MK_E_NOOBJECT;
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, riid, object);
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** object) override
    {
        CheckPointer(object, E_POINTER);
        *object = nullptr;
        if (riid != IID_IPropertyBag)
            return E_NOINTERFACE;
        return com::CreateObject<RegistryPropertyBag>(riid, object, KeyPath());
    }
    HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) override
    {
        CheckPointer(other, E_INVALIDARG);
        LPOLESTR theirs = nullptr;
        if (FAILED(other->GetDisplayName(nullptr, nullptr, &theirs)) || !theirs)
            return S_FALSE;
        bool same = std::u16string(theirs) == DisplayName();
        CoTaskMemFree(theirs);
        return same ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Hash(DWORD* hash) override
    {
        CheckPointer(hash, E_POINTER);
        DWORD h = 0;
        for (char16_t c : DisplayName())
            h = h * 31 + c;
        *hash = h;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) override
    {
        CheckPointer(name, E_POINTER);
        return com::CopyToTaskMemory(DisplayName(), name);
    }
    HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* kind) override
    {
        CheckPointer(kind, E_POINTER);
        *kind = MKSYS_NONE;
        return S_FALSE;
    }

private:
    std::string KeyPath() const { return InstancesKey(m_category) + "\\" + m_instance; }
    std::u16string DisplayName() const
    {
        return com::Utf8ToWide("@device:sw:" + win::GuidToString(m_category) + "\\" + m_instance);
    }

    CLSID m_category;
    std::string m_instance;
};

HRESULT CreateFilterMoniker(REFCLSID category, const std::string& instance, IMoniker** moniker)
{
    return com::CreateObject<FilterMoniker>(IID_IMoniker, reinterpret_cast<void**>(moniker), category, instance);
}

// An enumerator of the monikers of these instances of a category.
HRESULT EnumerateFilterMonikers(REFCLSID category, const std::vector<std::string>& instances,
                                IEnumMoniker** monikers)
{
    CheckPointer(monikers, E_POINTER);
    *monikers = nullptr;
    std::vector<com::ComPtr<IMoniker>> named(instances.size());
    for (size_t i = 0; i < instances.size(); ++i)
        if (HRESULT hr = CreateFilterMoniker(category, instances[i], named[i].Receive()); FAILED(hr))
            return hr;
    return com::CreateObject<com::MonikerEnumerator>(IID_IEnumMoniker, reinterpret_cast<void**>(monikers),
                                                     com::Snapshot<IMoniker>(std::move(named)));
}

std::vector<std::string> InstanceNames(REFCLSID category)
{
    Key key;
    if (key.Open(HKEY_CLASSES_ROOT, InstancesKey(category)) != ERROR_SUCCESS)
        return {};
    return key.SubKeys();
}

class FilterMapper final : public com::Object<com::Implements<IFilterMapper2, IID_IFilterMapper2>> {
public:
    HRESULT STDMETHODCALLTYPE CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) override
    {
        Key key;
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


public:
    static HRESULT WriteFilter(REFCLSID clsid, LPCWSTR name, REFCLSID category, const std::string& instance,
                               const REGFILTER2& description)
    {
        std::string path = InstancesKey(category) + "\\" + instance;
        RegDeleteTreeA(HKEY_CLASSES_ROOT, path.c_str());
        Key key;
        LONG error = key.Create(HKEY_CLASSES_ROOT, path);
        if (error == ERROR_SUCCESS)
            error = key.SetText("FriendlyName", com::WideToUtf8(name));
        if (error == ERROR_SUCCESS)
            error = key.SetText("CLSID", win::GuidToString(clsid));
        if (error == ERROR_SUCCESS)
            error = key.SetNumber("Merit", description.dwMerit);
        if (description.dwVersion == 1) {
            for (ULONG i = 0; i < description.cPins && description.rgPins && error == ERROR_SUCCESS; ++i) {
                const REGFILTERPINS& record = description.rgPins[i];
                RegisteredPin pin;
                pin.name = record.strName ? record.strName : u"";
                pin.rendered = record.bRendered;
                pin.output = record.bOutput;
                pin.zero = record.bZero;
                pin.many = record.bMany;
                pin.types = TypesOf(record.nMediaTypes, record.lpMediaType);
                error = WritePin(key, i, pin, record.clsConnectsToFilter, record.strConnectsToPin);
            }
        } else if (description.dwVersion == 2) {
            for (ULONG i = 0; i < description.cPins2 && description.rgPins2 && error == ERROR_SUCCESS; ++i) {
                const REGFILTERPINS2& record = description.rgPins2[i];
                RegisteredPin pin;
                pin.name = com::Utf8ToWide(Numbered("Pin", i));
                pin.rendered = record.dwFlags & REG_PINFLAG_B_RENDERER;
                pin.output = record.dwFlags & REG_PINFLAG_B_OUTPUT;
                pin.zero = record.dwFlags & REG_PINFLAG_B_ZERO;
                pin.many = record.dwFlags & REG_PINFLAG_B_MANY;
                pin.types = TypesOf(record.nMediaTypes, record.lpMediaType);
                error = WritePin(key, i, pin, nullptr, nullptr);
            }
        } else {
            return E_INVALIDARG;
        }
        return FromRegistry(error);
    }
};

class DeviceEnumerator final : public com::Object<com::Implements<ICreateDevEnum, IID_ICreateDevEnum>> {
public:
    HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** monikers, DWORD) override
    {
        CheckPointer(monikers, E_POINTER);
        *monikers = nullptr;
        std::vector<std::string> names = InstanceNames(category);
        if (names.empty())
            return S_FALSE;
        return EnumerateFilterMonikers(category, names, monikers);
    }
};

} // namespace

HRESULT RegisterFilter(REFCLSID clsid, LPCWSTR name, const CLSID* category, const REGFILTER2& description)
{
    return FilterMapper::WriteFilter(clsid, name ? name : u"", category ? *category : CLSID_LegacyAmFilterCategory,
                                     win::GuidToString(clsid), description);
}

HRESULT UnregisterFilter(const CLSID* category, REFCLSID clsid)
{
    REFCLSID where = category ? *category : CLSID_LegacyAmFilterCategory;
    LONG error = RegDeleteTreeA(HKEY_CLASSES_ROOT, (InstancesKey(where) + "\\" + win::GuidToString(clsid)).c_str());
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
}

std::vector<RegisteredFilter> RegisteredFilters(REFCLSID category)
{
    std::vector<RegisteredFilter> filters;
    Key instances;
    if (instances.Open(HKEY_CLASSES_ROOT, InstancesKey(category)) != ERROR_SUCCESS)
        return filters;
    for (const std::string& name : instances.SubKeys()) {
        Key instance;
        if (instance.Open(instances.Get(), name) == ERROR_SUCCESS)
            filters.push_back(ReadFilter(instance));
    }
    return filters;
}

bool FilterTakes(const RegisteredFilter& filter, bool output, REFGUID major, REFGUID minor)
{
    for (const RegisteredPin& pin : filter.pins)
        if (pin.output == output && PinTakes(pin, major, minor, false))
            return true;
    return false;
}

HRESULT CreateFilterMapper(REFIID riid, void** object)
{
    return com::CreateObject<FilterMapper>(riid, object);
}

HRESULT CreateDeviceEnumerator(REFIID riid, void** object)
{
    return com::CreateObject<DeviceEnumerator>(riid, object);
}

} // namespace dshow
