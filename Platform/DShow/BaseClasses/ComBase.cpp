#include "Platform/DShow/BaseClasses/ComBase.h"

#include <cstring>

LONG volatile CBaseObject::m_cObjects = 0;

CBaseObject::CBaseObject(LPCTSTR name) : m_pName(name) { InterlockedIncrement(&m_cObjects); }

CBaseObject::~CBaseObject() { InterlockedDecrement(&m_cObjects); }

CUnknown::CUnknown(LPCTSTR name, LPUNKNOWN outer)
    : CBaseObject(name), m_inner(this), m_pUnknown(outer ? outer : &m_inner), m_cRef(0)
{
}

CUnknown::CUnknown(LPCTSTR name, LPUNKNOWN outer, HRESULT*) : CUnknown(name, outer) {}

CUnknown::~CUnknown() = default;

HRESULT STDMETHODCALLTYPE CUnknown::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    CheckPointer(object, E_POINTER);
    if (riid == IID_IUnknown)
        return GetInterface(&m_inner, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingAddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingRelease()
{
    LONG left = InterlockedDecrement(&m_cRef);
    if (left == 0) {
        // A reference held during destruction keeps QueryInterface and
        // Release calls made by the destructor from deleting twice.
        InterlockedIncrement(&m_cRef);
        delete this;
        return 0;
    }
    return static_cast<ULONG>(left > 1 ? left : 1);
}

HRESULT GetInterface(LPUNKNOWN unknown, void** object)
{
    CheckPointer(object, E_POINTER);
    *object = unknown;
    unknown->AddRef();
    return S_OK;
}

HRESULT AMGetWideString(LPCWSTR text, LPWSTR* copy)
{
    CheckPointer(copy, E_POINTER);
    *copy = nullptr;
    CheckPointer(text, E_POINTER);
    size_t length = 0;
    while (text[length])
        ++length;
    *copy = static_cast<LPWSTR>(CoTaskMemAlloc((length + 1) * sizeof(WCHAR)));
    if (!*copy)
        return E_OUTOFMEMORY;
    std::memcpy(*copy, text, (length + 1) * sizeof(WCHAR));
    return S_OK;
}
