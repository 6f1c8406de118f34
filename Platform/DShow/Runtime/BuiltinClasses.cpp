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

template <CreatorFactory::Creator create> HRESULT GetBuiltinClassObject(REFCLSID, REFIID riid, LPVOID* object)
{
    static CreatorFactory factory(create);
    return factory.QueryInterface(riid, object);
}

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
    {&CLSID_FilterGraph, &GetBuiltinClassObject<&CreateFilterGraph>},
    {&CLSID_FilterGraphNoThread, &GetBuiltinClassObject<&CreateFilterGraph>},
    {&CLSID_SystemClock, &GetBuiltinClassObject<&CreateSystemClock>},
    {&CLSID_FilterMapper2, &GetBuiltinClassObject<&CreateFilterMapper>},
    {&CLSID_SystemDeviceEnum, &GetBuiltinClassObject<&CreateDeviceEnumerator>},
    {&CLSID_MemoryAllocator, &GetBuiltinClassObject<&CreateMemoryAllocatorObject>},
};

} // namespace

HRESULT STDMETHODCALLTYPE CreatorFactory::QueryInterface(REFIID riid, void** object)
{
    CheckPointer(object, E_POINTER);
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CreatorFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    CheckPointer(object, E_POINTER);
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return m_create(riid, object);
}

void RegisterBuiltinClasses()
{
    for (const BuiltinClass& entry : kBuiltinClasses)
        com::RegisterBuiltinClass(*entry.clsid, entry.getClassObject);
}

} // namespace dshow
