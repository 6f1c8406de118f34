#include "Platform/Win/Base/GuidText.h"

#include <cstdio>
#include <cstring>
#include <tuple>

bool operator<(const GUID& a, const GUID& b)
{
    if (a.Data1 != b.Data1)
        return a.Data1 < b.Data1;
    if (a.Data2 != b.Data2)
        return a.Data2 < b.Data2;
    if (a.Data3 != b.Data3)
        return a.Data3 < b.Data3;
    return std::memcmp(a.Data4, b.Data4, 8) < 0;
}

namespace win {

std::string GuidToString(REFGUID g)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2), static_cast<unsigned>(g.Data3),
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads `digits` hex digits at `pos`, advancing it.
static bool ReadHex(std::string_view text, size_t& pos, int digits, DWORD& value)
{
    value = 0;
    for (int i = 0; i < digits; ++i, ++pos) {
        int d = HexDigit(text[pos]);
        if (d < 0)
            return false;
        value = (value << 4) | static_cast<DWORD>(d);
    }
    return true;
}

bool GuidFromString(std::string_view text, GUID* out)
{
    if (text.size() != 38 || text.front() != '{' || text.back() != '}')
        return false;
    GUID g{};
    size_t pos = 1;
    DWORD v = 0;
    if (!ReadHex(text, pos, 8, v) || text[pos++] != '-')
        return false;
    g.Data1 = v;
    if (!ReadHex(text, pos, 4, v) || text[pos++] != '-')
        return false;
    g.Data2 = static_cast<WORD>(v);
    if (!ReadHex(text, pos, 4, v) || text[pos++] != '-')
        return false;
    g.Data3 = static_cast<WORD>(v);
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && text[pos++] != '-')
            return false;
        if (!ReadHex(text, pos, 2, v))
            return false;
        g.Data4[i] = static_cast<BYTE>(v);
    }
    *out = g;
    return true;
}

} // namespace win
