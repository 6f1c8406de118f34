// The Grabwell library: the video, audio and quick grab filters.

#include "Filters/Common/SetupRecords.h"
#include "Filters/Grabwell/GrabFilter.h"

CFactoryTemplate g_Templates[] = {
    {u"Kestrelon Video Grab", &CLSID_VideoGrab, &CGrabFilter::CreateVideo, nullptr, &plugin_setup::kVideoGrab},
    {u"Kestrelon Audio Grab", &CLSID_AudioGrab, &CGrabFilter::CreateAudio, nullptr, &plugin_setup::kAudioGrab},
    {u"Kestrelon Quick Grab", &CLSID_QuickGrab, &CGrabFilter::CreateQuick, nullptr, &plugin_setup::kQuickGrab},
};
int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];

extern "C" HRESULT DllRegisterServer() { return AMovieDllRegisterServer2(TRUE); }
extern "C" HRESULT DllUnregisterServer() { return AMovieDllRegisterServer2(FALSE); }
