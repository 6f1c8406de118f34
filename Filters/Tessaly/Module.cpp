// The Tessaly library: the discard sink and the duplicating allocator.

#include "Filters/Common/SetupRecords.h"
#include "Filters/Tessaly/DupAllocator.h"
#include "Filters/Tessaly/Sewer.h"

CFactoryTemplate g_Templates[] = {
    {u"Sewer", &CLSID_Sewer, &CSewerFilter::CreateInstance, nullptr, &plugin_setup::kSewer},
    {u"QOR KL Dupallocator", &CLSID_DupAllocator, &CDupAllocator::CreateInstance, nullptr, nullptr},
};
int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];

extern "C" HRESULT DllRegisterServer() { return AMovieDllRegisterServer2(TRUE); }
extern "C" HRESULT DllUnregisterServer() { return AMovieDllRegisterServer2(FALSE); }
