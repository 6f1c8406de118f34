#pragma once
// The registry: keys and typed values in hives kept in readable text files.
//
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE each have a file ("user.reg",
// "machine.reg") in $KESTRELON_REGISTRY_DIR, else $XDG_CONFIG_HOME/Kestrelon,
// else ~/.config/Kestrelon. HKEY_CLASSES_ROOT is the view of
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes. Key and value names compare without
// regard to ASCII case and keep the case they were made with.
//
// Every change locks the hive file, re-reads it when another process has
// changed it, applies the change and writes the whole hive to a temporary
// file that is renamed over the old one: a crash leaves either the old or
// the new hive, and two processes never lose each other's values. A hive
// file that cannot be read is reported through OutputDebugString, renamed
// to "<file>.damaged-<time>" and replaced by an empty hive.

#include <string>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Kernel/System.h"

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u)))

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_LITTLE_ENDIAN = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = 0x20019;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Access masks are accepted and not enforced. Results are Win32 error codes.
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LONG RegCloseKey(HKEY key);
LONG RegFlushKey(HKEY key);
// With null data only the type and size are returned; a buffer too small
// gives ERROR_MORE_DATA and the size needed. Strings include their
// terminating zero.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
// The default (unnamed) value of a sub key, as text.
LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, PLONG dataSize);
LONG RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD dataSize);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);
// Fails with ERROR_ACCESS_DENIED when the key still has sub keys.
LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
// Deletes a key with everything below it.
LONG RegDeleteTreeA(HKEY key, LPCSTR subKey);
// Sub keys in ascending order of their names (ignoring case).
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR keyClass,
                   LPDWORD classSize, PFILETIME lastWriteTime);
LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize);
// Values in the order they were first set.
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize);
LONG RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                      LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength,
                      LPDWORD maxValueLength, LPDWORD securityDescriptor, PFILETIME lastWriteTime);

inline LONG RegOpenKeyEx(HKEY k, LPCSTR s, DWORD o, REGSAM a, PHKEY r) { return RegOpenKeyExA(k, s, o, a, r); }
inline LONG RegCreateKeyEx(HKEY k, LPCSTR s, DWORD r, LPSTR c, DWORD o, REGSAM a, LPSECURITY_ATTRIBUTES sa, PHKEY res,
                           LPDWORD d)
{
    return RegCreateKeyExA(k, s, r, c, o, a, sa, res, d);
}
inline LONG RegQueryValueEx(HKEY k, LPCSTR n, LPDWORD r, LPDWORD t, LPBYTE d, LPDWORD s)
{
    return RegQueryValueExA(k, n, r, t, d, s);
}
inline LONG RegSetValueEx(HKEY k, LPCSTR n, DWORD r, DWORD t, const BYTE* d, DWORD s)
{
    return RegSetValueExA(k, n, r, t, d, s);
}
inline LONG RegDeleteValue(HKEY k, LPCSTR n) { return RegDeleteValueA(k, n); }
inline LONG RegDeleteKey(HKEY k, LPCSTR s) { return RegDeleteKeyA(k, s); }
inline LONG RegEnumKeyEx(HKEY k, DWORD i, LPSTR n, LPDWORD ns, LPDWORD r, LPSTR c, LPDWORD cs, PFILETIME t)
{
    return RegEnumKeyExA(k, i, n, ns, r, c, cs, t);
}
inline LONG RegEnumValue(HKEY k, DWORD i, LPSTR n, LPDWORD ns, LPDWORD r, LPDWORD t, LPBYTE d, LPDWORD ds)
{
    return RegEnumValueA(k, i, n, ns, r, t, d, ds);
}

namespace win {

// The folder holding the hive files, with a trailing '/'.
std::string RegistryFolder();
// Forgets what is held in memory so that the next call reads the hive files
// again; used when the folder changes (tests) and by a restart.
void RegistryReset();
// Reports of damaged hives set aside since start, one line each.
std::vector<std::string> RegistryDamageReports();

// Test hook: called after a hive's temporary file is complete and before it
// is renamed over the hive.
using RegistryCommitHook = void (*)(const char* tempPath, const char* hivePath);
void SetRegistryCommitHook(RegistryCommitHook hook);

} // namespace win
