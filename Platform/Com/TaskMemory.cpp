#include <cstdlib>
#include <cstring>
#include <string>

#include "Platform/Com/ComApi.h"
#include "Platform/Win/Base/GuidText.h"
#include "Platform/Win/Kernel/Crt.h"

LPVOID CoTaskMemAlloc(SIZE_T bytes) { return std::malloc(bytes ? bytes : 1); }

LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T bytes) { return std::realloc(block, bytes ? bytes : 1); }

void CoTaskMemFree(LPVOID block) { std::free(block); }

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int size)
{
    std::string text = win::GuidToString(guid);
    if (!buffer || size < static_cast<int>(text.size()) + 1)
        return 0;
    for (size_t i = 0; i < text.size(); ++i)
        buffer[i] = static_cast<OLECHAR>(text[i]);
    buffer[text.size()] = 0;
    return static_cast<int>(text.size()) + 1;
}

HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text)
{
    if (!text)
        return E_INVALIDARG;
    *text = static_cast<LPOLESTR>(CoTaskMemAlloc(39 * sizeof(OLECHAR)));
    if (!*text)
        return E_OUTOFMEMORY;
    StringFromGUID2(clsid, *text, 39);
    return S_OK;
}

HRESULT StringFromIID(REFIID iid, LPOLESTR* text) { return StringFromCLSID(iid, text); }

// Narrows GUID text; anything outside ASCII cannot be part of one.
static bool NarrowGuidText(LPCOLESTR text, std::string& out)
{
    if (!text)
        return false;
    for (; *text; ++text) {
        if (*text > 0x7F || out.size() > 40)
            return false;
        out += static_cast<char>(*text);
    }
    return true;
}

HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid)
{
    if (!clsid)
        return E_INVALIDARG;
    std::string narrow;
    if (!NarrowGuidText(text, narrow) || !win::GuidFromString(narrow, clsid))
        return CO_E_CLASSSTRING;
    return S_OK;
}

HRESULT IIDFromString(LPCOLESTR text, LPIID iid)
{
    if (!iid)
        return E_INVALIDARG;
    std::string narrow;
    if (!NarrowGuidText(text, narrow) || !win::GuidFromString(narrow, iid))
        return E_INVALIDARG;
    return S_OK;
}

namespace com {

std::u16string Utf8ToWide(const std::string& text)
{
    if (text.empty())
        return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string WideToUtf8(const OLECHAR* text)
{
    if (!text || !*text)
        return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return {};
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), length, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(length - 1));
    return narrow;
}

} // namespace com
