// The Switcher library: the stream switcher and its two property pages.

#include "Filters/Common/SetupRecords.h"
#include "Filters/Switcher/Switcher.h"
#include "Filters/Switcher/SwitcherPages.h"

CFactoryTemplate g_Templates[] = {
    {u"QOR Switcher", &CLSID_QORSwitcher, &CQORSwitcher::CreateInstance, nullptr, &plugin_setup::kSwitcher},
    {u"Switcher PropertyPage", &CLSID_SwitcherEventPage, &CSwitcherEventPage::CreateInstance, nullptr, nullptr},
    {u"Switcher Meida Type PropertyPage", &CLSID_SwitcherMediaTypePage, &CSwitcherMediaTypePage::CreateInstance,
     nullptr, nullptr},
};
int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];

extern "C" HRESULT DllRegisterServer() { return AMovieDllRegisterServer2(TRUE); }
extern "C" HRESULT DllUnregisterServer() { return AMovieDllRegisterServer2(FALSE); }
