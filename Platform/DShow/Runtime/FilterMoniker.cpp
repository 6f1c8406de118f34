#include "Platform/DShow/Runtime/FilterMoniker.h"

#include "Platform/DShow/Api/Guids.h"
#include "Platform/DShow/BaseClasses/ComBase.h"
#include "Platform/DShow/Runtime/FilterStore.h"
#include "Platform/DShow/Runtime/RegistryKey.h"
#include "Platform/Win/Base/GuidText.h"

namespace dshow {
namespace {

DEFINE_GUID(CLSID_CDeviceMoniker, 0x4315D437, 0x5B8C, 0x11D0, 0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86);

// The system filter an instance of the legacy category names by its class
// identifier, when the registry holds no such instance.
bool SystemInstance(REFCLSID category, const std::string& instance, RegisteredFilter& filter)
{
    CLSID clsid{};
    return category == CLSID_LegacyAmFilterCategory && win::GuidFromString(instance.c_str(), &clsid) &&
           FindSystemFilterRecord(clsid, filter);
}

// A property bag over the values of one registry key; a system filter's
// bag offers its FriendlyName, CLSID and Merit.
class RegistryPropertyBag final : public com::Object<com::Implements<IPropertyBag, IID_IPropertyBag>> {
public:
    explicit RegistryPropertyBag(std::string key, const RegisteredFilter* system = nullptr) : m_key(std::move(key))
    {
        if (system)
            m_system = *system;
        m_isSystem = system != nullptr;
    }

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override
    {
        CheckPointer(name, E_POINTER);
        CheckPointer(value, E_POINTER);
        RegistryKey key;
        bool open = key.Open(HKEY_CLASSES_ROOT, m_key) == ERROR_SUCCESS;
        if (!open && !m_isSystem)
            return E_FAIL;
        std::string valueName = com::WideToUtf8(name);
        std::string text;
        DWORD number = 0;
        bool isText = open ? key.Text(valueName.c_str(), text) : SystemText(valueName, text);
        if (isText) {
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
        if (open ? key.Number(valueName.c_str(), number) : SystemNumber(valueName, number)) {
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
        RegistryKey key;
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
    bool SystemText(const std::string& name, std::string& text) const
    {
        if (name == "FriendlyName")
            text = com::WideToUtf8(m_system.name.c_str());
        else if (name == "CLSID")
            text = win::GuidToString(m_system.clsid);
        else
            return false;
        return true;
    }
    bool SystemNumber(const std::string& name, DWORD& number) const
    {
        if (name != "Merit")
            return false;
        number = m_system.merit;
        return true;
    }

    std::string m_key;
    RegisteredFilter m_system;
    bool m_isSystem = false;
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
        RegistryKey key;
        CLSID clsid{};
        RegisteredFilter system;
        if (key.Open(HKEY_CLASSES_ROOT, KeyPath()) == ERROR_SUCCESS) {
            if (!key.Guid("CLSID", clsid))
                return MK_E_NOOBJECT;
        } else if (SystemInstance(m_category, m_instance, system)) {
            clsid = system.clsid;
        } else {
            return MK_E_NOOBJECT;
        }
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, riid, object);
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** object) override
    {
        CheckPointer(object, E_POINTER);
        *object = nullptr;
        if (riid != IID_IPropertyBag)
            return E_NOINTERFACE;
        RegistryKey key;
        RegisteredFilter system;
        if (key.Open(HKEY_CLASSES_ROOT, KeyPath()) != ERROR_SUCCESS && SystemInstance(m_category, m_instance, system))
            return com::CreateObject<RegistryPropertyBag>(riid, object, KeyPath(), &system);
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

} // namespace

HRESULT CreateFilterMoniker(REFCLSID category, const std::string& instance, IMoniker** moniker)
{
    return com::CreateObject<FilterMoniker>(IID_IMoniker, reinterpret_cast<void**>(moniker), category, instance);
}

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

} // namespace dshow
