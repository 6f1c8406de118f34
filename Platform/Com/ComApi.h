#pragma once
// The COM runtime: initialisation, object creation for in-process servers,
// task memory, and the text form of GUIDs.
//
// CoCreateInstance looks a class identifier up first in the process's
// built-in classes (com::RegisterBuiltinClass; the DirectShow runtime's own
// objects live there), then in the registry under
// HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32, whose default value is the
// path of a module. The module is loaded with LoadLibraryA and asked
// through its DllGetClassObject export; it stays loaded until
// CoFreeUnusedLibraries (or the last CoUninitialize) finds that its
// DllCanUnloadNow answers S_OK.
//
// Unlike Windows, creating objects does not require CoInitialize: a
// plug-in module carries its own copy of this runtime, which cannot see
// whether the program initialised the thread.

#include <string>

#include "Platform/Com/Unknown.h"
#include "Platform/Win/Base/WinTypes.h"

using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_DISABLE_OLE1DDE = 0x4;
constexpr DWORD COINIT_SPEED_OVER_MEMORY = 0x8;

constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);
// What DllRegisterServer answers when it cannot write its registration.
constexpr HRESULT SELFREG_E_TYPELIB = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);

using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID clsid, REFIID riid, LPVOID* object);
using LPFNCANUNLOADNOW = HRESULT (*)();

// S_OK the first time on a thread, S_FALSE when the thread was already
// initialised with the same model, RPC_E_CHANGED_MODE with another.
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD flags);
// Balances one successful CoInitialize(Ex); the last one in the process
// frees the modules that can be unloaded.
void CoUninitialize();

// E_POINTER for a null out-pointer (which is set to null first),
// REGDB_E_CLASSNOTREG for an unknown class or a context without
// CLSCTX_INPROC_SERVER, CO_E_DLLNOTFOUND when the module cannot be loaded,
// CO_E_ERRORINDLL when it lacks DllGetClassObject, and whatever the
// module's class object answers otherwise (CLASS_E_CLASSNOTAVAILABLE,
// E_NOINTERFACE, CLASS_E_NOAGGREGATION ...).
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID riid, LPVOID* object);
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID serverInfo, REFIID riid, LPVOID* object);
void CoFreeUnusedLibraries();

// Task memory is the C heap: blocks may be freed by any module.
LPVOID CoTaskMemAlloc(SIZE_T bytes);
LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T bytes);
void CoTaskMemFree(LPVOID block);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in UTF-16. StringFromGUID2
// returns the characters written with the terminator (39), or 0 when the
// buffer is too small.
int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int size);
// The text in task memory, which the caller frees with CoTaskMemFree.
HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text);
HRESULT StringFromIID(REFIID iid, LPOLESTR* text);
// Braced GUID text only (no program identifiers): CO_E_CLASSSTRING for
// anything else, E_INVALIDARG from IIDFromString.
HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
HRESULT IIDFromString(LPCOLESTR text, LPIID iid);

namespace com {

// Makes `clsid` creatable in this process without the registry: the getter
// behaves like a module's DllGetClassObject. Later registrations replace
// earlier ones.
void RegisterBuiltinClass(REFCLSID clsid, LPFNGETCLASSOBJECT getter);
void UnregisterBuiltinClass(REFCLSID clsid);

// The module path registered for `clsid`, empty when there is none.
std::string InprocServerPath(REFCLSID clsid);

// UTF-16 and UTF-8 conversions for the layers above.
std::u16string Utf8ToWide(const std::string& text);
std::string WideToUtf8(const OLECHAR* text);

} // namespace com
