// The video family of system filters: the video renderer, offered to
// Render and intelligent connect for the uncompressed video it draws.

#include "Platform/DShow/Filters/SystemFilterTables.h"
#include "Platform/DShow/Filters/Video/Video.h"

namespace dshow {
namespace {

const REGPINTYPES kVideoIn[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32},
                                {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24},
                                {&MEDIATYPE_Video, &MEDIASUBTYPE_UYVY},
                                {&MEDIATYPE_Video, &MEDIASUBTYPE_YUY2}};
const REGFILTERPINS kRendererPins[] = {
    {u"Input", TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 4, kVideoIn},
};
const REGFILTER2 kRendererRecord = {1, MERIT_PREFERRED, {{1, kRendererPins}}};

} // namespace

const SystemFilter kVideoFilters[] = {
    {&CLSID_VideoRenderer, u"Video Renderer", MERIT_PREFERRED, &kRendererRecord, &CreateVideoRenderer},
};
const size_t kVideoFilterCount = sizeof kVideoFilters / sizeof kVideoFilters[0];

} // namespace dshow
