// The runtime's own classes, creatable through CoCreateInstance without
// the registry. The file is linked into every program that uses the
// runtime (the build asks for KestrelonDShowBuiltins), so that its static
// registration runs.

#include "Platform/DShow/Allocator.h"
#include "Platform/DShow/FilterGraph.h"
#include "Platform/DShow/FilterMapper.h"
#include "Platform/DShow/SystemClock.h"

namespace dshow {
namespace {

using Creator = HRESULT (*)(REFIID riid, void** object);

// A class factory over a creation function; it lives as long as the
// process, so its reference count is not kept.
template <Creator create> class BuiltinFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        CheckPointer(object, E_POINTER);
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        CheckPointer(object, E_POINTER);
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return create(riid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    static HRESULT GetClassObject(REFCLSID, REFIID riid, LPVOID* object)
    {
        static BuiltinFactory factory;
        return factory.QueryInterface(riid, object);
    }
};

HRESULT CreateMemoryAllocatorObject(REFIID riid, void** object)
{
    IMemAllocator* allocator = nullptr;
    HRESULT hr = CreateMemoryAllocator(&allocator);
    if (FAILED(hr))
        return hr;
    hr = allocator->QueryInterface(riid, object);
    allocator->Release();
    return hr;
}

struct Registration {
    Registration()
    {
        com::RegisterBuiltinClass(CLSID_FilterGraph, &BuiltinFactory<&CreateFilterGraph>::GetClassObject);
        com::RegisterBuiltinClass(CLSID_FilterGraphNoThread, &BuiltinFactory<&CreateFilterGraph>::GetClassObject);
        com::RegisterBuiltinClass(CLSID_SystemClock, &BuiltinFactory<&CreateSystemClock>::GetClassObject);
        com::RegisterBuiltinClass(CLSID_FilterMapper2, &BuiltinFactory<&CreateFilterMapper>::GetClassObject);
        com::RegisterBuiltinClass(CLSID_SystemDeviceEnum, &BuiltinFactory<&CreateDeviceEnumerator>::GetClassObject);
        com::RegisterBuiltinClass(CLSID_MemoryAllocator,
                                  &BuiltinFactory<&CreateMemoryAllocatorObject>::GetClassObject);
    }
} g_registration;

} // namespace
} // namespace dshow

// Named by the build so that the linker keeps this file.
extern "C" void KestrelonDShowBuiltins() {}
