#pragma once
// Resources: the compiled resource modules (".kres", written by the resource
// compiler of Resources/) and the Win32 calls that read them.
//
// LoadLibraryA of "reslang.dll", "ResNoTrans.dll" or "ResBmp.DLL" opens
// "reslang.kres", "ResNoTrans.kres" or "ResBmp.kres" in win::ModuleFolder();
// a missing or damaged file makes LoadLibraryA fail with ERROR_MOD_NOT_FOUND.
// Resource data has the Windows layout of its type and stays valid, read
// only, until the module is freed. A shared library loaded with LoadLibrary
// carries its resources in the compiled module file beside it, named as the
// library with the extension ".kres" ("Switcher.so", "Switcher.kres"):
// lookups through the library's handle read that file. Lookups in modules
// without resources (the program, libraries without such a file) or with
// unknown handles fail cleanly.

#include <string>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"

inline LPSTR const RT_CURSOR = MAKEINTRESOURCEA(1);
inline LPSTR const RT_BITMAP = MAKEINTRESOURCEA(2);
inline LPSTR const RT_ICON = MAKEINTRESOURCEA(3);
inline LPSTR const RT_MENU = MAKEINTRESOURCEA(4);
inline LPSTR const RT_DIALOG = MAKEINTRESOURCEA(5);
inline LPSTR const RT_STRING = MAKEINTRESOURCEA(6);
inline LPSTR const RT_FONTDIR = MAKEINTRESOURCEA(7);
inline LPSTR const RT_FONT = MAKEINTRESOURCEA(8);
inline LPSTR const RT_ACCELERATOR = MAKEINTRESOURCEA(9);
inline LPSTR const RT_RCDATA = MAKEINTRESOURCEA(10);
inline LPSTR const RT_MESSAGETABLE = MAKEINTRESOURCEA(11);
inline LPSTR const RT_GROUP_CURSOR = MAKEINTRESOURCEA(12);
inline LPSTR const RT_GROUP_ICON = MAKEINTRESOURCEA(14);
inline LPSTR const RT_VERSION = MAKEINTRESOURCEA(16);
inline LPSTR const RT_DLGINCLUDE = MAKEINTRESOURCEA(17);
inline LPSTR const RT_PLUGPLAY = MAKEINTRESOURCEA(19);
inline LPSTR const RT_VXD = MAKEINTRESOURCEA(20);
inline LPSTR const RT_ANICURSOR = MAKEINTRESOURCEA(21);
inline LPSTR const RT_ANIICON = MAKEINTRESOURCEA(22);
inline LPSTR const RT_HTML = MAKEINTRESOURCEA(23);

// Names and types are ordinals (MAKEINTRESOURCE), "#<number>" texts, or
// names compared without regard to ASCII case. A null module means the
// program. Failures: ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND,
// ERROR_RESOURCE_DATA_NOT_FOUND (a module without resources) or
// ERROR_INVALID_HANDLE.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
// Every module is language-neutral: the language is not looked at.
HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language);
// 0 when the resource is not one of that module's.
DWORD SizeofResource(HMODULE module, HRSRC resource);
// As on Win32, the handle is the data's address; LockResource returns it.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
// Resources are freed with their module; always FALSE, as on Win32.
BOOL FreeResource(HGLOBAL data);
// Copies at most size - 1 bytes of the UTF-8 text (never splitting a
// character) and a terminator; returns the bytes copied, 0 when the string
// is missing or empty (the buffer then holds "").
int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size);

inline HRSRC FindResource(HMODULE m, LPCSTR n, LPCSTR t) { return FindResourceA(m, n, t); }
inline HRSRC FindResourceEx(HMODULE m, LPCSTR t, LPCSTR n, WORD l) { return FindResourceExA(m, t, n, l); }
inline int LoadString(HINSTANCE m, UINT id, LPSTR b, int s) { return LoadStringA(m, id, b, s); }

namespace win {

// Makes LoadLibraryA(windowsName) open the compiled module file `fileName`
// in ModuleFolder() (looked up each time the module is loaded).
void RegisterResourceModule(const std::string& windowsName, const std::string& fileName);
// Registers the program's three modules ("reslang.dll", "ResNoTrans.dll",
// "ResBmp.DLL"); the runtime does so when it is loaded.
void RegisterProgramResourceModules();
// True when the module is a compiled resource module.
bool IsResourceModule(HMODULE module);
// The loaded resource modules, in the order their names were registered.
std::vector<HMODULE> LoadedResourceModules();

// The bytes of one resource, or {nullptr, 0} when it is missing.
struct ResourceBytes {
    const BYTE* data = nullptr;
    DWORD size = 0;
    explicit operator bool() const { return data != nullptr; }
};
ResourceBytes FindResourceBytes(HMODULE module, LPCSTR name, LPCSTR type);
// The dialog template (DLGTEMPLATE or DLGTEMPLATEEX) the dialog layer builds
// dialogs from.
ResourceBytes FindDialogTemplate(HMODULE module, LPCSTR name);
// The menu template (MENUITEMTEMPLATEHEADER and items) LoadMenu builds from.
ResourceBytes FindMenuTemplate(HMODULE module, LPCSTR name);
// The accelerator table (8-byte ACCELTABLEENTRY records).
ResourceBytes FindAcceleratorTable(HMODULE module, LPCSTR name);
// A bitmap as a packed DIB (BITMAPINFOHEADER, colour table, bits), which
// LoadBitmap turns into a GDI bitmap.
ResourceBytes FindBitmapBits(HMODULE module, LPCSTR name);
// The rest of the resource of `module` (or of any loaded resource module)
// whose data holds `address`, from `address` to its end; empty when no
// resource holds it. Lets a call given only a pointer to a template read no
// further than its resource.
ResourceBytes ResourceHolding(HMODULE module, const void* address);
// The whole string, however long; false when it is missing or empty.
bool LoadStringText(HMODULE module, UINT id, std::string& text);

} // namespace win
