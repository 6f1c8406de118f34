#pragma once
// IUnknown, IClassFactory and the pieces of aggregation: an aggregatable
// object answers its outer object through a non-delegating unknown, and
// forwards everything else to the outer object.

#include "Platform/Win/Base/Guid.h"
#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Base/WinTypes.h"

DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

using SCODE = LONG;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
using LPUNKNOWN = IUnknown*;

struct IClassFactory : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;
};
using LPCLASSFACTORY = IClassFactory*;

// The three operations of an object's own identity, which an aggregated
// object keeps apart from the IUnknown it shares with its outer object.
struct INonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};
using PNDUNKNOWN = INonDelegatingUnknown*;

namespace com {

// A real IUnknown in front of a non-delegating unknown. An aggregatable
// object hands this to its outer object (and uses it as its own identity
// when it is not aggregated), instead of reinterpreting the non-delegating
// interface as an IUnknown, which is undefined behaviour in C++.
class InnerUnknown final : public IUnknown {
public:
    explicit InnerUnknown(INonDelegatingUnknown* inner) : m_inner(inner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        return m_inner->NonDelegatingQueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return m_inner->NonDelegatingAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_inner->NonDelegatingRelease(); }

private:
    INonDelegatingUnknown* m_inner;
};

} // namespace com
