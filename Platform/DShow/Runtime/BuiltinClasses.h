#pragma once
// The runtime's own classes (filter graph, system clock, filter mapper,
// device enumerator, memory allocator), created by class identifier
// without the registry.

#include "Platform/Com/Unknown.h"

namespace dshow {

// A class factory over a creation function; it lives as long as the
// process, so its reference count is not kept.
class CreatorFactory final : public IClassFactory {
public:
    using Creator = HRESULT (*)(REFIID riid, void** object);

    explicit CreatorFactory(Creator create) : m_create(create) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    Creator m_create;
};

// Makes every built-in class creatable through CoCreateInstance; the
// runtime does so when it is loaded.
void RegisterBuiltinClasses();

} // namespace dshow
