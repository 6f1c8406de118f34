// The Generic library: the scene detector and its property page.

#include "Filters/Common/SetupRecords.h"
#include "Filters/Generic/SceneDetector.h"
#include "Filters/Generic/SceneDetectorPage.h"

CFactoryTemplate g_Templates[] = {
    {u"KL Scene Detector", &CLSID_SceneDetector, &CSceneDetectorFilter::CreateInstance, nullptr,
     &plugin_setup::kSceneDetector},
    {u"Special Effects", &CLSID_SceneDetectorPage, &CSceneDetectorPage::CreateInstance, nullptr, nullptr},
};
int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];

extern "C" HRESULT DllRegisterServer() { return AMovieDllRegisterServer2(TRUE); }
extern "C" HRESULT DllUnregisterServer() { return AMovieDllRegisterServer2(FALSE); }
