// The Reverbix library: the audio effect and resampling filter and its two
// property pages.

#include "Filters/Common/SetupRecords.h"
#include "Filters/Reverbix/Reverbix.h"
#include "Filters/Reverbix/ReverbixPages.h"

CFactoryTemplate g_Templates[] = {
    {u"Reverbix", &CLSID_Reverbix, &CReverbixFilter::CreateInstance, nullptr, &plugin_setup::kReverbix},
    {u"Reverbix Property Page", &CLSID_ReverbixSettingsPage, &CReverbixPage::CreateInstance, nullptr, nullptr},
    {u"Reverbix Property Page", &CLSID_ReverbixEqualiserPage, &CReverbixEqualizerPage::CreateInstance, nullptr, nullptr},
};
int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];

extern "C" HRESULT DllRegisterServer() { return AMovieDllRegisterServer2(TRUE); }
extern "C" HRESULT DllUnregisterServer() { return AMovieDllRegisterServer2(FALSE); }
