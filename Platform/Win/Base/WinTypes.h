#pragma once
// Exact-width Win32 types, handle types, basic macros and plain structures.
// Widths follow the Windows ABI, not the host's: LONG is 32 bits even though
// `long` is 64 bits here, and every persisted structure is read and written
// field by field by its owner.

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define APIENTRY
#define WINAPIV
#define STDAPI_(t) extern "C" t
#define STDMETHODCALLTYPE
#define FAR
#define NEAR
#define CONST const
#define IN
#define OUT
#define OPTIONAL

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using ULONG = std::uint32_t;
using USHORT = std::uint16_t;
using UCHAR = std::uint8_t;
using LONG = std::int32_t;
using INT = std::int32_t;
using BOOL = std::int32_t;
using BOOLEAN = std::uint8_t;
using SHORT = std::int16_t;
using CHAR = char;
using WCHAR = char16_t;
using TCHAR = char;
using FLOAT = float;
using DOUBLE = double;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using DWORDLONG = std::uint64_t;
using LONG64 = std::int64_t;
using ULONG64 = std::uint64_t;
using DWORD64 = std::uint64_t;
using INT64 = std::int64_t;
using UINT64 = std::uint64_t;
using INT32 = std::int32_t;
using UINT32 = std::uint32_t;
using INT16 = std::int16_t;
using UINT16 = std::uint16_t;
using INT8 = std::int8_t;
using UINT8 = std::uint8_t;

using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using SSIZE_T = std::ptrdiff_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

using HRESULT = LONG;
using COLORREF = DWORD;
using ATOM = WORD;
using LCID = DWORD;
using LANGID = WORD;
using ACCESS_MASK = DWORD;
using REGSAM = ACCESS_MASK;

using PVOID = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using PSTR = char*;
using PCSTR = const char*;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;
using PWSTR = char16_t*;
using PCWSTR = const char16_t*;
using LPTSTR = char*;
using LPCTSTR = const char*;
using LPBYTE = BYTE*;
using PBYTE = BYTE*;
using LPWORD = WORD*;
using LPDWORD = DWORD*;
using PDWORD = DWORD*;
using LPLONG = LONG*;
using PLONG = LONG*;
using LPINT = INT*;
using LPUINT = UINT*;
using LPBOOL = BOOL*;
using PULONG = ULONG*;

using HANDLE = void*;
using PHANDLE = HANDLE*;
using LPHANDLE = HANDLE*;
using HGLOBAL = HANDLE;
using HLOCAL = HANDLE;

// Handle types are distinct pointer types so that the compiler catches a
// window passed where a module is expected.
#define DECLARE_HANDLE(name) \
    struct name##__ { int unused; }; \
    using name = name##__*
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HKEY);
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HICON);
DECLARE_HANDLE(HBITMAP);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HPEN);
DECLARE_HANDLE(HFONT);
DECLARE_HANDLE(HPALETTE);
DECLARE_HANDLE(HRGN);
DECLARE_HANDLE(HRSRC);
DECLARE_HANDLE(HACCEL);
DECLARE_HANDLE(HMONITOR);
using HMODULE = HINSTANCE;
using HCURSOR = HICON;
using HGDIOBJ = void*;
using PHKEY = HKEY*;

// A procedure address is cast to its real type before the call; `void (*)()`
// is the one function type that converts to any other without a warning.
using FARPROC = void (*)();
using PROC = FARPROC;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef NULL
#define NULL nullptr
#endif

constexpr DWORD MAX_PATH = 260;
constexpr DWORD INFINITE = 0xFFFFFFFFu;
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

constexpr WORD LOWORD(DWORD_PTR v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(DWORD_PTR v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(DWORD_PTR v) { return static_cast<BYTE>(v & 0xFF); }
constexpr BYTE HIBYTE(DWORD_PTR v) { return static_cast<BYTE>((v >> 8) & 0xFF); }
constexpr DWORD MAKELONG(DWORD lo, DWORD hi) { return (lo & 0xFFFF) | ((hi & 0xFFFF) << 16); }
constexpr WORD MAKEWORD(DWORD lo, DWORD hi) { return static_cast<WORD>((lo & 0xFF) | ((hi & 0xFF) << 8)); }
constexpr LPARAM MAKELPARAM(DWORD lo, DWORD hi) { return static_cast<LPARAM>(static_cast<LONG>(MAKELONG(lo, hi))); }
constexpr WPARAM MAKEWPARAM(DWORD lo, DWORD hi) { return static_cast<WPARAM>(MAKELONG(lo, hi)); }
constexpr LRESULT MAKELRESULT(DWORD lo, DWORD hi) { return static_cast<LRESULT>(static_cast<LONG>(MAKELONG(lo, hi))); }

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) { return static_cast<COLORREF>(r | (g << 8) | (b << 16)); }
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

// Not constexpr: a reinterpret_cast is never a constant expression, which
// clang enforces.
inline LPSTR MAKEINTRESOURCEA(UINT_PTR id) { return reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<WORD>(id))); }
inline LPSTR MAKEINTRESOURCE(UINT_PTR id) { return MAKEINTRESOURCEA(id); }
inline bool IS_INTRESOURCE(const void* p) { return (reinterpret_cast<UINT_PTR>(p) >> 16) == 0; }


struct POINT {
    LONG x;
    LONG y;
};
using LPPOINT = POINT*;
using PPOINT = POINT*;

struct POINTS {
    SHORT x;
    SHORT y;
};

struct SIZE {
    LONG cx;
    LONG cy;
};
using LPSIZE = SIZE*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;
using PRECT = RECT*;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
using LPFILETIME = FILETIME*;
using PFILETIME = FILETIME*;

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
using LPSYSTEMTIME = SYSTEMTIME*;
using PSYSTEMTIME = SYSTEMTIME*;

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};
using PLARGE_INTEGER = LARGE_INTEGER*;

union ULARGE_INTEGER {
    struct {
        DWORD LowPart;
        DWORD HighPart;
    } u;
    ULONGLONG QuadPart;
};
using PULARGE_INTEGER = ULARGE_INTEGER*;

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using PSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
