#include "Platform/Win/Kernel/Crt.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "Platform/Win/Base/Utf.h"

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Writes `value` in `radix` (2 to 36) into `buffer`, with a leading '-'
// when `negative`.
char* FormatUnsigned(ULONGLONG value, bool negative, char* buffer, int radix)
{
    if (!buffer)
        return buffer;
    if (radix < 2 || radix > 36) {
        buffer[0] = '\0';
        return buffer;
    }
    char digits[72];
    int n = 0;
    do {
        int d = static_cast<int>(value % static_cast<ULONGLONG>(radix));
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
        value /= static_cast<ULONGLONG>(radix);
    } while (value);
    char* out = buffer;
    if (negative)
        *out++ = '-';
    while (n)
        *out++ = digits[--n];
    *out = '\0';
    return buffer;
}

char* FormatSigned(LONGLONG value, char* buffer, int radix, int bits)
{
    // Negative numbers are signed only in base 10; other bases show the
    // two's complement bits, as the Windows run time does.
    if (value < 0 && radix == 10)
        return FormatUnsigned(0 - static_cast<ULONGLONG>(value), true, buffer, radix);
    ULONGLONG mask = bits == 64 ? ~0ULL : ((1ULL << bits) - 1);
    return FormatUnsigned(static_cast<ULONGLONG>(value) & mask, false, buffer, radix);
}

} // namespace

int _stricmp(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        char ca = FoldAscii(*a), cb = FoldAscii(*b);
        if (ca != cb || !ca)
            return static_cast<unsigned char>(ca) - static_cast<unsigned char>(cb);
    }
}

int _strnicmp(const char* a, const char* b, size_t count)
{
    for (; count; --count, ++a, ++b) {
        char ca = FoldAscii(*a), cb = FoldAscii(*b);
        if (ca != cb || !ca)
            return static_cast<unsigned char>(ca) - static_cast<unsigned char>(cb);
    }
    return 0;
}

char* _strupr(char* text)
{
    for (char* p = text; p && *p; ++p)
        if (*p >= 'a' && *p <= 'z')
            *p = static_cast<char>(*p - 'a' + 'A');
    return text;
}

char* _strlwr(char* text)
{
    for (char* p = text; p && *p; ++p)
        *p = FoldAscii(*p);
    return text;
}

char* _itoa(int value, char* buffer, int radix) { return FormatSigned(value, buffer, radix, 32); }
char* _ltoa(LONG value, char* buffer, int radix) { return FormatSigned(value, buffer, radix, 32); }
char* _ultoa(ULONG value, char* buffer, int radix) { return FormatUnsigned(value, false, buffer, radix); }
char* _i64toa(LONGLONG value, char* buffer, int radix) { return FormatSigned(value, buffer, radix, 64); }
char* _ui64toa(ULONGLONG value, char* buffer, int radix) { return FormatUnsigned(value, false, buffer, radix); }
LONGLONG _atoi64(const char* text) { return text ? std::strtoll(text, nullptr, 10) : 0; }

int _vsnprintf(char* buffer, size_t count, const char* format, va_list args)
{
    if (!buffer || count == 0)
        return -1;
    int n = std::vsnprintf(buffer, count, format, args);
    if (n < 0)
        return -1;
    if (static_cast<size_t>(n) >= count) {
        // The Windows variant fills the buffer without a terminator.
        return static_cast<size_t>(n) == count ? n : -1;
    }
    return n;
}

int _snprintf(char* buffer, size_t count, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = _vsnprintf(buffer, count, format, args);
    va_end(args);
    return n;
}

int _getmbcp() { return static_cast<int>(CP_UTF8); }

int _mbscmp(const unsigned char* a, const unsigned char* b)
{
    int r = std::strcmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int _mbsicmp(const unsigned char* a, const unsigned char* b)
{
    int r = _stricmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int _ismbcdigit(unsigned int c) { return c >= '0' && c <= '9'; }

int lstrlenA(LPCSTR text) { return text ? static_cast<int>(std::strlen(text)) : 0; }

LPSTR lstrcpyA(LPSTR dest, LPCSTR src)
{
    if (!dest || !src)
        return nullptr;
    return std::strcpy(dest, src);
}

LPSTR lstrcpynA(LPSTR dest, LPCSTR src, int count)
{
    if (!dest || !src || count <= 0)
        return dest;
    int i = 0;
    for (; i < count - 1 && src[i]; ++i)
        dest[i] = src[i];
    dest[i] = '\0';
    return dest;
}

LPSTR lstrcatA(LPSTR dest, LPCSTR src)
{
    if (!dest || !src)
        return nullptr;
    return std::strcat(dest, src);
}

int lstrcmpA(LPCSTR a, LPCSTR b)
{
    int r = std::strcmp(a ? a : "", b ? b : "");
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long divisor = c;
    const bool negative = (product < 0) != (divisor < 0);
    const long long magnitude = (std::llabs(product) + std::llabs(divisor) / 2) / std::llabs(divisor);
    const long long result = negative ? -magnitude : magnitude;
    if (result > 0x7FFFFFFFLL || result < -0x80000000LL)
        return -1;
    return static_cast<int>(result);
}

int lstrcmpiA(LPCSTR a, LPCSTR b)
{
    int r = _stricmp(a ? a : "", b ? b : "");
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int wvsprintfA(LPSTR buffer, LPCSTR format, va_list args)
{
    int n = std::vsnprintf(buffer, 1025, format, args);
    if (n > 1024) {
        buffer[1024] = '\0';
        n = 1024;
    }
    return n;
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    int n = wvsprintfA(buffer, format, args);
    va_end(args);
    return n;
}

int lstrlenW(LPCWSTR text)
{
    int n = 0;
    while (text && text[n])
        ++n;
    return n;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR dest, int destSize)
{
    if (!source || sourceLength == 0 || destSize < 0 || (destSize > 0 && !dest)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = sourceLength < 0 ? std::strlen(source) + 1 : static_cast<size_t>(sourceLength);
    std::string_view narrow(source, length);
    const bool singleByte = codePage == CP_WINDOWS_1252;
    if (!singleByte && (flags & MB_ERR_INVALID_CHARS) && !win::IsWellFormedUtf8(narrow)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    std::u16string wide = singleByte ? win::Windows1252ToUtf16(narrow) : win::Utf8ToUtf16(narrow);
    int needed = static_cast<int>(wide.size());
    if (destSize == 0)
        return needed;
    if (destSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dest, wide.data(), wide.size() * sizeof(char16_t));
    return needed;
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceLength, LPSTR dest, int destSize, LPCSTR,
                        LPBOOL usedDefaultChar)
{
    if (!source || sourceLength == 0 || destSize < 0 || (destSize > 0 && !dest)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int length = sourceLength < 0 ? lstrlenW(source) + 1 : sourceLength;
    std::u16string_view wide(source, static_cast<size_t>(length));
    std::string narrow;
    if (codePage == CP_WINDOWS_1252) {
        bool defaulted = false;
        narrow = win::Utf16ToWindows1252(wide, &defaulted);
        if (usedDefaultChar)
            *usedDefaultChar = defaulted ? TRUE : FALSE;
    } else {
        // A lone surrogate cannot be written as UTF-8: it becomes U+FFFD.
        if (usedDefaultChar)
            *usedDefaultChar = win::IsWellFormedUtf16(wide) ? FALSE : TRUE;
        narrow = win::Utf16ToUtf8(wide);
    }
    int needed = static_cast<int>(narrow.size());
    if (destSize == 0)
        return needed;
    if (destSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dest, narrow.data(), narrow.size());
    return needed;
}
