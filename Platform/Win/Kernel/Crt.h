#pragma once
// The C run-time and string helpers of the Windows toolchain that the
// program uses, over the C library. Narrow text is UTF-8; wide text is
// UTF-16. Case-insensitive comparisons fold ASCII letters only.

#include <cstdarg>
#include <cstddef>

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Kernel/System.h"

int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, size_t count);
inline int stricmp(const char* a, const char* b) { return _stricmp(a, b); }
inline int strnicmp(const char* a, const char* b, size_t n) { return _strnicmp(a, b, n); }
char* _strupr(char* text);
char* _strlwr(char* text);
char* _itoa(int value, char* buffer, int radix);
char* _ltoa(LONG value, char* buffer, int radix);
char* _ultoa(ULONG value, char* buffer, int radix);
char* _i64toa(LONGLONG value, char* buffer, int radix);
char* _ui64toa(ULONGLONG value, char* buffer, int radix);
LONGLONG _atoi64(const char* text);
// Like snprintf, but with no terminator when the text fills the buffer;
// returns -1 when it did not fit.
int _snprintf(char* buffer, size_t count, const char* format, ...) __attribute__((format(printf, 3, 4)));
int _vsnprintf(char* buffer, size_t count, const char* format, va_list args);

// Multibyte helpers: the code page is UTF-8 (65001), in which every byte
// below 0x80 is a character of its own.
int _getmbcp();
int _mbscmp(const unsigned char* a, const unsigned char* b);
int _mbsicmp(const unsigned char* a, const unsigned char* b);
int _ismbcdigit(unsigned int c);

// a * b / c with a 64-bit intermediate, rounded to nearest (halves away
// from zero); -1 when c is 0 or the result leaves 32 bits.
int MulDiv(int a, int b, int c);

int lstrlenA(LPCSTR text);
LPSTR lstrcpyA(LPSTR dest, LPCSTR src);
// Copies at most count - 1 characters and always terminates.
LPSTR lstrcpynA(LPSTR dest, LPCSTR src, int count);
LPSTR lstrcatA(LPSTR dest, LPCSTR src);
int lstrcmpA(LPCSTR a, LPCSTR b);
int lstrcmpiA(LPCSTR a, LPCSTR b);
inline int lstrlen(LPCSTR t) { return lstrlenA(t); }
inline LPSTR lstrcpy(LPSTR d, LPCSTR s) { return lstrcpyA(d, s); }
inline LPSTR lstrcpyn(LPSTR d, LPCSTR s, int n) { return lstrcpynA(d, s, n); }
inline LPSTR lstrcat(LPSTR d, LPCSTR s) { return lstrcatA(d, s); }
inline int lstrcmp(LPCSTR a, LPCSTR b) { return lstrcmpA(a, b); }
inline int lstrcmpi(LPCSTR a, LPCSTR b) { return lstrcmpiA(a, b); }
// At most 1024 characters, as on Windows.
int wsprintfA(LPSTR buffer, LPCSTR format, ...) __attribute__((format(printf, 2, 3)));
int wvsprintfA(LPSTR buffer, LPCSTR format, va_list args);

int lstrlenW(LPCWSTR text);

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_WINDOWS_1252 = 1252;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
// Code page 1252 is Windows-1252 (older files' texts); every other code page
// is treated as UTF-8. A source length of -1 includes the terminator; a
// destination size of 0 asks for the size needed. Invalid UTF-8 bytes
// become U+FFFD (or fail with MB_ERR_INVALID_CHARS).
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR dest, int destSize);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR dest, int destSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);
