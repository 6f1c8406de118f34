// The writing family of system filters: names, class identifiers and
// merits. None is offered by type: their callers add them by class
// identifier.

#include "Platform/DShow/Filters/SystemFilterTables.h"
#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {

const SystemFilter kWritingFilters[] = {
    {&CLSID_AviDest, u"AVI Mux", MERIT_DO_NOT_USE, nullptr, &CreateAviMux},
    {&CLSID_FileWriter, u"File writer", MERIT_DO_NOT_USE, nullptr, &CreateFileWriter},
    {&CLSID_DVVideoEnc, u"DV Video Encoder", MERIT_DO_NOT_USE, nullptr, &CreateDvEncoder},
    {&CLSID_DVMux, u"DV Muxer", MERIT_DO_NOT_USE, nullptr, &CreateDvMux},
    {&CLSID_DVPatchFilter, u"DV-Patch Filter", MERIT_DO_NOT_USE, nullptr, &CreateDvPatchFilter},
    {&CLSID_QklawrPlaceholder, u"qklawr.ax", MERIT_DO_NOT_USE, nullptr, &CreatePlaceholder},
    {&CLSID_IndeoEncoder, u"Indeo Encoder", MERIT_DO_NOT_USE, nullptr, &CreateIndeoEncoder},
    {&CLSID_VidScale, u"VidScale", MERIT_DO_NOT_USE, nullptr, &CreateVidScale},
    {&CLSID_MediaPlacer, u"MediaPlacer", MERIT_DO_NOT_USE, nullptr, &CreateMediaPlacer},
    {&CLSID_TimeWarp, u"Time Warp", MERIT_DO_NOT_USE, nullptr, &CreateTimeWarp},
};
const size_t kWritingFilterCount = sizeof kWritingFilters / sizeof kWritingFilters[0];

} // namespace dshow
