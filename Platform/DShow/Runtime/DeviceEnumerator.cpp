#include "Platform/DShow/Runtime/DeviceEnumerator.h"

#include <string>
#include <vector>

#include "Platform/DShow/Api/GraphInterfaces.h"
#include "Platform/DShow/BaseClasses/ComBase.h"
#include "Platform/DShow/Runtime/FilterMoniker.h"
#include "Platform/DShow/Runtime/FilterStore.h"

namespace dshow {
namespace {

class DeviceEnumerator final : public com::Object<com::Implements<ICreateDevEnum, IID_ICreateDevEnum>> {
public:
    HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** monikers, DWORD) override
    {
        CheckPointer(monikers, E_POINTER);
        *monikers = nullptr;
        std::vector<std::string> names = InstanceNames(category);
        if (names.empty())
            return S_FALSE;
        return EnumerateFilterMonikers(category, names, monikers);
    }
};

} // namespace

HRESULT CreateDeviceEnumerator(REFIID riid, void** object)
{
    return com::CreateObject<DeviceEnumerator>(riid, object);
}

} // namespace dshow
