// The Chirpex library: the DV beep remover and its property page.

#include "Filters/Chirpex/BeepRemover.h"
#include "Filters/Chirpex/ChirpexPage.h"
#include "Filters/Common/SetupRecords.h"

CFactoryTemplate g_Templates[] = {
    {u"Chirpex", &CLSID_Chirpex, &CChirpexFilter::CreateInstance, nullptr, &plugin_setup::kChirpex},
    {u"Chirpex Property Page", &CLSID_ChirpexPage, &CChirpexPage::CreateInstance, nullptr, nullptr},
};
int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];

extern "C" HRESULT DllRegisterServer() { return AMovieDllRegisterServer2(TRUE); }
extern "C" HRESULT DllUnregisterServer() { return AMovieDllRegisterServer2(FALSE); }
