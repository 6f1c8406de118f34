#pragma once
// Last error, debug output, environment, user and version queries, locale
// texts, and the handle calls shared by every kernel object.

#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Base/WinTypes.h"

DWORD GetLastError();
void SetLastError(DWORD error);

BOOL CloseHandle(HANDLE handle);
constexpr DWORD DUPLICATE_CLOSE_SOURCE = 1;
constexpr DWORD DUPLICATE_SAME_ACCESS = 2;
// Within this process only: the source and target processes must be
// GetCurrentProcess().
BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, LPHANDLE target, DWORD access,
                     BOOL inherit, DWORD options);

// Goes to the debug sink when one is installed, else to standard error when
// KESTRELON_DEBUG is set (like a debugger that may or may not be attached).
void OutputDebugStringA(LPCSTR text);
inline void OutputDebugString(LPCSTR text) { OutputDebugStringA(text); }

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value);
// Expands %NAME% references; unknown names are left as they stand.
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR dest, DWORD size);
inline DWORD GetEnvironmentVariable(LPCSTR n, LPSTR b, DWORD s) { return GetEnvironmentVariableA(n, b, s); }
inline BOOL SetEnvironmentVariable(LPCSTR n, LPCSTR v) { return SetEnvironmentVariableA(n, v); }

BOOL GetUserNameA(LPSTR buffer, LPDWORD size);
BOOL GetComputerNameA(LPSTR buffer, LPDWORD size);
inline BOOL GetUserName(LPSTR b, LPDWORD s) { return GetUserNameA(b, s); }
LPSTR GetCommandLineA();
DWORD GetCurrentProcessId();
HANDLE GetCurrentProcess();
constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
// A handle to the running process `processId`, or null with
// ERROR_INVALID_PARAMETER when no process has that id. The handle only
// says that the process was there; CloseHandle closes it.
HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId);

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
using OSVERSIONINFO = OSVERSIONINFOA;
using LPOSVERSIONINFOA = OSVERSIONINFOA*;
// Reports an NT-family system (5.1, build 2600): every capability check the
// program makes against the version passes.
BOOL GetVersionExA(LPOSVERSIONINFOA info);
inline BOOL GetVersionEx(LPOSVERSIONINFOA info) { return GetVersionExA(info); }

// Locale. The user's locale is the C library's LC_NUMERIC / LC_TIME locale
// as set from the environment.
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr DWORD LOCALE_SDECIMAL = 0x0E;
constexpr DWORD LOCALE_STHOUSAND = 0x0F;
constexpr DWORD LOCALE_SSHORTDATE = 0x1F;
constexpr DWORD LOCALE_STIMEFORMAT = 0x1003;
constexpr DWORD LOCALE_IDEFAULTANSICODEPAGE = 0x1004;
constexpr DWORD DATE_SHORTDATE = 0x1;
constexpr DWORD DATE_LONGDATE = 0x2;
constexpr DWORD TIME_NOMINUTESORSECONDS = 0x1;
constexpr DWORD TIME_NOSECONDS = 0x2;
constexpr DWORD TIME_NOTIMEMARKER = 0x4;
constexpr DWORD TIME_FORCE24HOURFORMAT = 0x8;
LCID GetUserDefaultLCID();
LANGID GetUserDefaultLangID();
LANGID GetSystemDefaultLangID();
// Returns the characters written including the terminator, 0 on failure
// (ERROR_INSUFFICIENT_BUFFER when the text does not fit). A size of 0
// asks for the size needed.
int GetLocaleInfoA(LCID locale, DWORD type, LPSTR data, int size);
int GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCSTR format, LPSTR out, int size);
int GetTimeFormatA(LCID locale, DWORD flags, const SYSTEMTIME* time, LPCSTR format, LPSTR out, int size);

// Diagnostics sink: every OutputDebugString line also goes here when set
// (the program's log and tests use it). Pass null to remove.
namespace win {
using DebugSink = void (*)(const char* text);
void SetDebugSink(DebugSink sink);
} // namespace win
