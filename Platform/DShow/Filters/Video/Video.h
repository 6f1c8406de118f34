#pragma once
// The video family of system filters: the video renderer. Listed in the
// video table (VideoFilters.cpp).

#include "Platform/DShow/Filters/SystemFilters.h"

namespace dshow {

HRESULT CreateVideoRenderer(REFIID riid, void** object);

} // namespace dshow
