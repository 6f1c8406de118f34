#pragma once
// The system reference clock (CLSID_SystemClock): a monotonic clock in
// 100 ns units whose advises are served by one thread per clock.

#include "Platform/DShow/Api/FilterInterfaces.h"

namespace dshow {

HRESULT CreateSystemClock(REFIID riid, void** object);

} // namespace dshow
