// The Quillet library: the WAV writer.

#include "Filters/Common/SetupRecords.h"
#include "Filters/Quillet/WavDest.h"

CFactoryTemplate g_Templates[] = {
    {u"QOR WAV Dest", &CLSID_WavDest, &CQORWavDestFilter::CreateInstance, nullptr, &plugin_setup::kWavDest},
};
int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];

extern "C" HRESULT DllRegisterServer() { return AMovieDllRegisterServer2(TRUE); }
extern "C" HRESULT DllUnregisterServer() { return AMovieDllRegisterServer2(FALSE); }
