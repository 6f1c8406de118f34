#pragma once
// The system device enumerator (CLSID_SystemDeviceEnum): the instances of a
// category in the filter store, as monikers.

#include "Platform/Com/Unknown.h"

namespace dshow {

HRESULT CreateDeviceEnumerator(REFIID riid, void** object);

} // namespace dshow
