#pragma once
// The tables of the system filters, one per family, each defined in its
// family's folder and added by RegisterSystemFilters.

#include "Platform/DShow/Filters/SystemFilters.h"

namespace dshow {

// Reading and decoding files: source, splitters, decoders, converters,
// tee and renderers.
extern const SystemFilter kPlaybackFilters[];
extern const size_t kPlaybackFilterCount;

} // namespace dshow
