#include "Platform/Com/OleAuto.h"

#include <cstdlib>
#include <cstring>

namespace {

// The block behind a BSTR: the byte length, then the text and a terminator.
constexpr size_t kPrefix = sizeof(DWORD);

DWORD* HeaderOf(BSTR text) { return reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(text) - kPrefix); }

size_t Length(const OLECHAR* text)
{
    size_t n = 0;
    while (text[n])
        ++n;
    return n;
}

} // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length)
{
    size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
    if (bytes > 0x7FFFFFF0u)
        return nullptr;
    auto* block = static_cast<BYTE*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
    if (!block)
        return nullptr;
    *reinterpret_cast<DWORD*>(block) = static_cast<DWORD>(bytes);
    auto* result = reinterpret_cast<BSTR>(block + kPrefix);
    if (text)
        std::memcpy(result, text, bytes);
    else
        std::memset(result, 0, bytes);
    result[length] = 0;
    return result;
}

BSTR SysAllocString(const OLECHAR* text)
{
    if (!text)
        return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(Length(text)));
}

void SysFreeString(BSTR text)
{
    if (text)
        std::free(HeaderOf(text));
}

UINT SysStringByteLen(BSTR text) { return text ? *HeaderOf(text) : 0; }

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

void VariantInit(VARIANT* v)
{
    if (!v)
        return;
    std::memset(v, 0, sizeof *v);
    v->vt = VT_EMPTY;
}

// Types whose value lives in the variant itself (or is not owned by it).
static bool IsPlainType(VARTYPE vt)
{
    if (vt & VT_BYREF)
        return true;
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_ERROR:
    case VT_BOOL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
        return true;
    default:
        return false;
    }
}

static bool IsKnownType(VARTYPE vt)
{
    return IsPlainType(vt) || vt == VT_BSTR || vt == VT_UNKNOWN || vt == VT_DISPATCH;
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v)
        return E_INVALIDARG;
    if (!IsKnownType(v->vt))
        return DISP_E_BADVARTYPE;
    if (v->vt == VT_BSTR)
        SysFreeString(v->bstrVal);
    else if (v->vt == VT_UNKNOWN && v->punkVal)
        v->punkVal->Release();
    else if (v->vt == VT_DISPATCH && v->pdispVal)
        v->pdispVal->Release();
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* source)
{
    if (!dest || !source)
        return E_INVALIDARG;
    if (!IsKnownType(source->vt))
        return DISP_E_BADVARTYPE;
    if (dest == source)
        return S_OK;
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr))
        return hr;
    *dest = *source;
    if (source->vt == VT_BSTR && source->bstrVal) {
        dest->bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
        if (!dest->bstrVal) {
            VariantInit(dest);
            return E_OUTOFMEMORY;
        }
    } else if (source->vt == VT_UNKNOWN && source->punkVal) {
        source->punkVal->AddRef();
    } else if (source->vt == VT_DISPATCH && source->pdispVal) {
        source->pdispVal->AddRef();
    }
    return S_OK;
}
