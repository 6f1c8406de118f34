// The Corvane library: the push source.

#include "Filters/Common/SetupRecords.h"
#include "Filters/Corvane/PushSource.h"

CFactoryTemplate g_Templates[] = {
    {u"QOR Source", &CLSID_QORSource, &CQORSourceFilter::CreateInstance, nullptr, &plugin_setup::kQORSource},
};
int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];

extern "C" HRESULT DllRegisterServer() { return AMovieDllRegisterServer2(TRUE); }
extern "C" HRESULT DllUnregisterServer() { return AMovieDllRegisterServer2(FALSE); }
