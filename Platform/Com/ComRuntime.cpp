#include "Platform/Com/ComApi.h"

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "Platform/Win/Base/GuidText.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Registry/Registry.h"

namespace {

// A module loaded for one of its classes, kept until it may be unloaded.
struct ServerModule {
    HMODULE module = nullptr;
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    LPFNCANUNLOADNOW canUnloadNow = nullptr;
};

struct Runtime {
    // Recursive: a module's DllGetClassObject may itself create objects.
    std::recursive_mutex lock;
    std::map<CLSID, LPFNGETCLASSOBJECT> builtins;
    std::map<std::string, ServerModule> modules; // by path
    int initialisations = 0;
};

Runtime& State()
{
    static Runtime* runtime = new Runtime; // used by objects released during exit
    return *runtime;
}

// Per thread: how often CoInitialize(Ex) succeeded and with which model.
thread_local int t_initCount = 0;
thread_local DWORD t_model = 0;

DWORD ModelOf(DWORD flags) { return flags & COINIT_APARTMENTTHREADED; }

std::string ReadDefaultValue(const std::string& subKey)
{
    LONG size = 0;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, subKey.c_str(), nullptr, &size) != ERROR_SUCCESS || size <= 1)
        return {};
    std::string text(static_cast<size_t>(size), '\0');
    if (RegQueryValueA(HKEY_CLASSES_ROOT, subKey.c_str(), text.data(), &size) != ERROR_SUCCESS)
        return {};
    text.resize(text.find('\0'));
    return text;
}

// Loads (or finds) the module at `path`; null when it cannot be had.
HRESULT LoadServer(Runtime& r, const std::string& path, ServerModule** server)
{
    auto it = r.modules.find(path);
    if (it == r.modules.end()) {
        HMODULE module = LoadLibraryA(path.c_str());
        if (!module)
            return CO_E_DLLNOTFOUND;
        ServerModule entry;
        entry.module = module;
        entry.getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
        entry.canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(module, "DllCanUnloadNow"));
        if (!entry.getClassObject) {
            FreeLibrary(module);
            return CO_E_ERRORINDLL;
        }
        it = r.modules.emplace(path, entry).first;
    }
    *server = &it->second;
    return S_OK;
}

// Unloads every module whose DllCanUnloadNow agrees; modules without that
// export stay loaded, as Windows keeps them.
void FreeUnused(Runtime& r)
{
    for (auto it = r.modules.begin(); it != r.modules.end();) {
        ServerModule& server = it->second;
        if (server.canUnloadNow && server.canUnloadNow() == S_OK) {
            FreeLibrary(server.module);
            it = r.modules.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(LPVOID, DWORD flags)
{
    if (t_initCount > 0 && t_model != ModelOf(flags))
        return RPC_E_CHANGED_MODE;
    t_model = ModelOf(flags);
    Runtime& r = State();
    std::lock_guard<std::recursive_mutex> guard(r.lock);
    ++r.initialisations;
    return t_initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (t_initCount == 0)
        return;
    --t_initCount;
    Runtime& r = State();
    std::lock_guard<std::recursive_mutex> guard(r.lock);
    if (--r.initialisations == 0)
        FreeUnused(r);
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID, REFIID riid, LPVOID* object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!(context & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;
    Runtime& r = State();
    LPFNGETCLASSOBJECT builtin = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(r.lock);
        if (auto it = r.builtins.find(clsid); it != r.builtins.end())
            builtin = it->second;
    }
    if (builtin)
        return builtin(clsid, riid, object);

    std::string path = com::InprocServerPath(clsid);
    if (path.empty())
        return REGDB_E_CLASSNOTREG;
    // The lock is held across DllGetClassObject so that CoFreeUnusedLibraries
    // cannot unload the module before its class object holds it loaded.
    std::lock_guard<std::recursive_mutex> guard(r.lock);
    ServerModule* server = nullptr;
    HRESULT hr = LoadServer(r, path, &server);
    if (FAILED(hr))
        return hr;
    return server->getClassObject(clsid, riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID riid, LPVOID* object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(outer, riid, object);
    factory->Release();
    return hr;
}

void CoFreeUnusedLibraries()
{
    Runtime& r = State();
    std::lock_guard<std::recursive_mutex> guard(r.lock);
    FreeUnused(r);
}

namespace com {

void RegisterBuiltinClass(REFCLSID clsid, LPFNGETCLASSOBJECT getter)
{
    Runtime& r = State();
    std::lock_guard<std::recursive_mutex> guard(r.lock);
    r.builtins[clsid] = getter;
}

void UnregisterBuiltinClass(REFCLSID clsid)
{
    Runtime& r = State();
    std::lock_guard<std::recursive_mutex> guard(r.lock);
    r.builtins.erase(clsid);
}

std::string InprocServerPath(REFCLSID clsid)
{
    return ReadDefaultValue("CLSID\\" + win::GuidToString(clsid) + "\\InprocServer32");
}

} // namespace com
