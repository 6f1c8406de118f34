#pragma once
// Modules: shared libraries loaded with dlopen, found by the Windows names
// the program asks for.
//
// LoadLibraryA looks a name up in this order: the alias table (a Windows
// module name such as "reslang.dll" mapped to one of our modules, matched
// without regard to case and folder), a path containing '/', which is opened
// as given, and finally "lib<stem>.so" and "<name>" in the module folder
// (the program's folder, or $KESTRELON_MODULE_DIR). Names of Windows system
// or vendor libraries that we do not provide fail with ERROR_MOD_NOT_FOUND,
// so the program's "library missing" paths run. The module images behind
// the handles, and the tables of names that other layers fill, are in
// ModuleImage.h.

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Kernel/System.h"

HMODULE LoadLibraryA(LPCSTR name);
constexpr DWORD LOAD_LIBRARY_AS_DATAFILE = 0x2;
HMODULE LoadLibraryExA(LPCSTR name, HANDLE reserved, DWORD flags);
BOOL FreeLibrary(HMODULE module);
// Names, or ordinals passed as MAKEINTRESOURCE values (looked up as
// "ordinal_<n>").
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// Null asks for the program itself.
HMODULE GetModuleHandleA(LPCSTR name);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
// GetModuleHandleExA flags.
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_PIN = 0x1;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT = 0x2;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 0x4;
// GetModuleHandleA that may count a reference (unless UNCHANGED_REFCOUNT).
// With FROM_ADDRESS, `name` is an address inside a module: the loaded
// library whose file holds it, else the program (its own code and the
// platform runtime it shares with every module). FALSE with a null module
// for an address no module holds.
BOOL GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE* module);
inline HMODULE LoadLibrary(LPCSTR name) { return LoadLibraryA(name); }
inline HMODULE LoadLibraryEx(LPCSTR name, HANDLE r, DWORD f) { return LoadLibraryExA(name, r, f); }
inline HMODULE GetModuleHandle(LPCSTR name) { return GetModuleHandleA(name); }
inline DWORD GetModuleFileName(HMODULE m, LPSTR b, DWORD s) { return GetModuleFileNameA(m, b, s); }
