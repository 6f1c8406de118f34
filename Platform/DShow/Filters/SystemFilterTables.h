#pragma once
// The tables of the system filters, one per family, each defined in its
// family's folder and added by RegisterSystemFilters.

#include "Platform/DShow/Filters/SystemFilters.h"

namespace dshow {

// Reading and decoding files: source, splitters, decoders, converters,
// tee and renderers.
extern const SystemFilter kPlaybackFilters[];
extern const size_t kPlaybackFilterCount;

// Writing files: AVI and DV multiplexers, file writer, DV encoder and the
// placeholders created by class identifier.
extern const SystemFilter kWritingFilters[];
extern const size_t kWritingFilterCount;

// Showing video: the video renderer.
extern const SystemFilter kVideoFilters[];
extern const size_t kVideoFilterCount;

} // namespace dshow
