#pragma once
// The creation functions of the playback system filters, listed in the
// playback table (PlaybackFilters.cpp).

#include "Platform/DShow/Filters/SystemFilters.h"

namespace dshow {

HRESULT CreateNullRenderer(REFIID riid, void** object);

} // namespace dshow
