#pragma once
// The COM base of the DirectShow base classes: object counting, the
// aggregatable CUnknown and the helpers its users write QueryInterface with.
//
// A CUnknown's own identity is the IUnknown returned by GetInnerUnknown();
// interfaces of a derived class forward IUnknown to GetOwner(), which is
// the outer object when the object is aggregated and the inner unknown
// otherwise (DECLARE_IUNKNOWN writes those three methods).

#include "Platform/Com/Com.h"
#include "Platform/Win/Kernel/Sync.h"

// Object names are for diagnostics only.
#define NAME(x) (x)

#define CheckPointer(p, ret)                                                                                         \
    {                                                                                                                \
        if ((p) == nullptr)                                                                                          \
            return (ret);                                                                                            \
    }

// Counts the live objects of a module, for DllCanUnloadNow.
class CBaseObject {
public:
    explicit CBaseObject(LPCTSTR name);
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;
    virtual ~CBaseObject();

    static LONG ObjectsActive() { return m_cObjects; }

private:
    static LONG volatile m_cObjects;

protected:
    LPCTSTR m_pName;
};

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
public:
    CUnknown(LPCTSTR name, LPUNKNOWN outer);
    CUnknown(LPCTSTR name, LPUNKNOWN outer, HRESULT* result);
    ~CUnknown() override;

    // IID_IUnknown gives the inner unknown; derived classes add their
    // interfaces and call this for the rest.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    LPUNKNOWN GetOwner() const { return m_pUnknown; }
    LPUNKNOWN GetInnerUnknown() { return &m_inner; }

private:
    com::InnerUnknown m_inner;
    const LPUNKNOWN m_pUnknown;

protected:
    volatile LONG m_cRef;
};

// Hands out `unknown` with a new reference; the usual tail of a
// NonDelegatingQueryInterface.
HRESULT GetInterface(LPUNKNOWN unknown, void** object);

// A copy of `text` in task memory.
HRESULT AMGetWideString(LPCWSTR text, LPWSTR* copy);

// The IUnknown methods of a class that derives from COM interfaces,
// handed to the owner.
#define DECLARE_IUNKNOWN                                                                                             \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override                                    \
    {                                                                                                                \
        return GetOwner()->QueryInterface(riid, object);                                                            \
    }                                                                                                                \
    ULONG STDMETHODCALLTYPE AddRef() override { return GetOwner()->AddRef(); }                                       \
    ULONG STDMETHODCALLTYPE Release() override { return GetOwner()->Release(); }
