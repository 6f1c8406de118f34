// The runtime's own classes, creatable through CoCreateInstance without
// the registry.

#include "Platform/DShow/Runtime/BuiltinClasses.h"

#include "Platform/DShow/BaseClasses/Allocator.h"
#include "Platform/DShow/Runtime/DeviceEnumerator.h"
#include "Platform/DShow/Runtime/FilterGraph.h"
#include "Platform/DShow/Runtime/FilterMapper.h"
#include "Platform/DShow/Runtime/SystemClock.h"

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

struct BuiltinClass {
    const CLSID* clsid;
    LPFNGETCLASSOBJECT getClassObject;
};

const BuiltinClass kBuiltinClasses[] = {
    {&CLSID_FilterGraph, &BuiltinFactory<&CreateFilterGraph>::GetClassObject},
    {&CLSID_FilterGraphNoThread, &BuiltinFactory<&CreateFilterGraph>::GetClassObject},
    {&CLSID_SystemClock, &BuiltinFactory<&CreateSystemClock>::GetClassObject},
    {&CLSID_FilterMapper2, &BuiltinFactory<&CreateFilterMapper>::GetClassObject},
    {&CLSID_SystemDeviceEnum, &BuiltinFactory<&CreateDeviceEnumerator>::GetClassObject},
    {&CLSID_MemoryAllocator, &BuiltinFactory<&CreateMemoryAllocatorObject>::GetClassObject},
};

} // namespace

void RegisterBuiltinClasses()
{
    for (const BuiltinClass& entry : kBuiltinClasses)
        com::RegisterBuiltinClass(*entry.clsid, entry.getClassObject);
}

} // namespace dshow
