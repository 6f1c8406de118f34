#pragma once
// The stream subtype of a file, told from its first bytes: RIFF AVI and
// WAVE, MPEG-1 and MPEG-2 pack headers, elementary MPEG video and audio,
// QuickTime atoms and raw DV. GUID_NULL for anything else (ASF among
// them), which no splitter takes, so that callers fall back to the file
// readers of their own.

#include <cstddef>
#include <cstdint>

#include "Platform/DShow/Api/DShowApi.h"

namespace dshow {

GUID SniffStreamSubtype(const uint8_t* bytes, size_t length);

} // namespace dshow
