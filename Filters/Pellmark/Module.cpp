// The Pellmark library: the still-image capture renderer and the sequence
// capture renderer and source.

#include "Filters/Common/SetupRecords.h"
#include "Filters/Pellmark/ImgCap.h"
#include "Filters/Pellmark/SeqCap.h"

CFactoryTemplate g_Templates[] = {
    {u"Kestrelon SeqCap Filter", &CLSID_SeqCapRenderer, &CSeqCapFilter::CreateInstance, nullptr,
     &plugin_setup::kSeqCapRenderer},
    {u"Kestrelon SeqCap Source Filter", &CLSID_SeqCapSource, &CSeqCapSource::CreateInstance, nullptr,
     &plugin_setup::kSeqCapSource},
    {u"Kestrelon ImgCap Source Filter", &CLSID_ImgCapRenderer, &CImgCapFilter::CreateInstance, nullptr,
     &plugin_setup::kImgCapRenderer},
};
int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];

extern "C" HRESULT DllRegisterServer() { return AMovieDllRegisterServer2(TRUE); }
extern "C" HRESULT DllUnregisterServer() { return AMovieDllRegisterServer2(FALSE); }
