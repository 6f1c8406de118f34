// The writing family of system filters: names, class identifiers and
// merits. None is offered by type: their callers add them by class
// identifier.

#include "Platform/DShow/Filters/SystemFilterTables.h"
#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {

const SystemFilter kWritingFilters[] = {
    {&CLSID_AviDest, u"AVI Mux", MERIT_DO_NOT_USE, nullptr, &CreateAviMux},
    {&CLSID_FileWriter, u"File writer", MERIT_DO_NOT_USE, nullptr, &CreateFileWriter},
};
const size_t kWritingFilterCount = sizeof kWritingFilters / sizeof kWritingFilters[0];

} // namespace dshow
