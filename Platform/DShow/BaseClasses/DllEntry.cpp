// The entry points of a plug-in module built on the base classes. Only a
// module that defines g_Templates links this file in (kestrelon_plugin links
// it into every plug-in module).

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <new>
#include <string>

#include "Platform/DShow/BaseClasses/FactoryTemplate.h"
#include "Platform/Win/Base/GuidText.h"
#include "Platform/Win/Registry/Registry.h"

namespace {

// One class factory per request, over one template.
class CClassFactory final : public IClassFactory, public CBaseObject {
public:
    explicit CClassFactory(const CFactoryTemplate* pattern)
        : CBaseObject(NAME("Class Factory")), m_pTemplate(pattern)
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        CheckPointer(object, E_POINTER);
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&m_cRef);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        CheckPointer(object, E_POINTER);
        *object = nullptr;
        // An aggregated object must hand its outer object its own IUnknown.
        if (outer && riid != IID_IUnknown)
            return E_NOINTERFACE;
        HRESULT hr = S_OK;
        CUnknown* created = nullptr;
        try {
            created = m_pTemplate->CreateInstance(outer, &hr);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        if (!created)
            return SUCCEEDED(hr) ? E_OUTOFMEMORY : hr;
        if (FAILED(hr)) {
            delete created;
            return hr;
        }
        // The reference held around the query keeps an outer object from
        // being released by an inner object made while answering it.
        created->NonDelegatingAddRef();
        hr = created->NonDelegatingQueryInterface(riid, object);
        created->NonDelegatingRelease();
        return hr;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&s_cLocked);
        else
            InterlockedDecrement(&s_cLocked);
        return S_OK;
    }

    static bool IsLocked() { return s_cLocked > 0; }

private:
    ~CClassFactory() override = default;

    static LONG volatile s_cLocked;
    LONG volatile m_cRef = 0;
    const CFactoryTemplate* m_pTemplate;
};

LONG volatile CClassFactory::s_cLocked = 0;

// The templates' initialisation routines run when the module is loaded
// and unloaded, as Windows runs them from the module's entry point.
struct InitRoutines {
    InitRoutines() { Run(TRUE); }
    ~InitRoutines() { Run(FALSE); }
    static void Run(BOOL loading)
    {
        for (int i = 0; i < g_cTemplates; ++i)
            if (g_Templates[i].m_lpfnInit)
                g_Templates[i].m_lpfnInit(loading, g_Templates[i].m_ClsID);
    }
} g_initRoutines;

std::string ModulePath()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ModulePath), &info) || !info.dli_fname)
        return {};
    char resolved[PATH_MAX];
    return realpath(info.dli_fname, resolved) ? std::string(resolved) : std::string(info.dli_fname);
}

LONG SetText(const std::string& key, const char* valueName, const std::string& text)
{
    HKEY handle = nullptr;
    LONG error = RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                 nullptr, &handle, nullptr);
    if (error != ERROR_SUCCESS)
        return error;
    error = RegSetValueExA(handle, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1));
    RegCloseKey(handle);
    return error;
}

HRESULT RegisterServer(const CFactoryTemplate& pattern, const std::string& path)
{
    std::string key = "CLSID\\" + win::GuidToString(*pattern.m_ClsID);
    LONG error = SetText(key, nullptr, com::WideToUtf8(pattern.m_Name));
    if (error == ERROR_SUCCESS)
        error = SetText(key + "\\InprocServer32", nullptr, path);
    if (error == ERROR_SUCCESS)
        error = SetText(key + "\\InprocServer32", "ThreadingModel", "Both");
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

HRESULT UnregisterServer(const CFactoryTemplate& pattern)
{
    std::string key = "CLSID\\" + win::GuidToString(*pattern.m_ClsID);
    LONG error = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
}

} // namespace

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object)
{
    CheckPointer(object, E_POINTER);
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory)
        return E_NOINTERFACE;
    for (int i = 0; i < g_cTemplates; ++i) {
        if (g_Templates[i].IsClassID(clsid)) {
            auto* factory = new CClassFactory(&g_Templates[i]);
            factory->AddRef();
            *object = static_cast<IClassFactory*>(factory);
            return S_OK;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT DllCanUnloadNow()
{
    return CClassFactory::IsLocked() || CBaseObject::ObjectsActive() > 0 ? S_FALSE : S_OK;
}

HRESULT AMovieDllRegisterServer2(BOOL registering)
{
    std::string path = ModulePath();
    if (path.empty())
        return E_FAIL;
    HRESULT result = S_OK;
    if (registering) {
        for (int i = 0; i < g_cTemplates && SUCCEEDED(result); ++i)
            result = RegisterServer(g_Templates[i], path);
        for (int i = 0; i < g_cTemplates && SUCCEEDED(result); ++i)
            if (const AMOVIESETUP_FILTER* setup = g_Templates[i].m_pAMovieSetup_Filter)
                result = AMovieSetupRegisterFilter2(setup, nullptr, TRUE);
    } else {
        for (int i = 0; i < g_cTemplates; ++i) {
            if (const AMOVIESETUP_FILTER* setup = g_Templates[i].m_pAMovieSetup_Filter) {
                HRESULT hr = AMovieSetupRegisterFilter2(setup, nullptr, FALSE);
                if (FAILED(hr) && SUCCEEDED(result))
                    result = hr;
            }
        }
        for (int i = 0; i < g_cTemplates; ++i) {
            HRESULT hr = UnregisterServer(g_Templates[i]);
            if (FAILED(hr) && SUCCEEDED(result))
                result = hr;
        }
    }
    return result;
}
