// The playback family of system filters: names, class identifiers, merits
// and the pins and types the filter mapper matches them by.

#include "Platform/DShow/Filters/Playback.h"
#include "Platform/DShow/Filters/SystemFilterTables.h"

namespace dshow {
namespace {

} // namespace

const SystemFilter kPlaybackFilters[] = {
    // Takes anything, so it is never offered by type: callers add it by
    // class identifier.
    {&CLSID_NullRenderer, u"Null Renderer", MERIT_DO_NOT_USE, nullptr, &CreateNullRenderer},
};
const size_t kPlaybackFilterCount = sizeof kPlaybackFilters / sizeof kPlaybackFilters[0];

} // namespace dshow
