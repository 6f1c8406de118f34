#include "Platform/Com/Moniker.h"

#include <algorithm>

namespace com {

HRESULT CopyToTaskMemory(const std::u16string& text, LPOLESTR* out)
{
    *out = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!*out)
        return E_OUTOFMEMORY;
    std::copy(text.begin(), text.end(), *out);
    (*out)[text.size()] = 0;
    return S_OK;
}

HRESULT SimpleMoniker::Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker** reduced)
{
    if (!reduced)
        return E_POINTER;
    *reduced = this;
    AddRef();
    return MK_S_REDUCED_TO_SELF;
}

HRESULT SimpleMoniker::ComposeWith(IMoniker*, BOOL, IMoniker** composite)
{
    if (composite)
        *composite = nullptr;
    return E_NOTIMPL;
}

HRESULT SimpleMoniker::Enum(BOOL, IEnumMoniker** monikers)
{
    if (!monikers)
        return E_POINTER;
    *monikers = nullptr;
    return S_OK;
}

HRESULT SimpleMoniker::Inverse(IMoniker** inverse)
{
    if (inverse)
        *inverse = nullptr;
    return MK_E_NOINVERSE;
}

HRESULT SimpleMoniker::CommonPrefixWith(IMoniker*, IMoniker** prefix)
{
    if (prefix)
        *prefix = nullptr;
    return MK_E_NOPREFIX;
}

HRESULT SimpleMoniker::RelativePathTo(IMoniker*, IMoniker** relative)
{
    if (relative)
        *relative = nullptr;
    return E_NOTIMPL;
}

HRESULT SimpleMoniker::ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG* eaten, IMoniker** result)
{
    if (eaten)
        *eaten = 0;
    if (result)
        *result = nullptr;
    return MK_E_SYNTAX;
}

} // namespace com
