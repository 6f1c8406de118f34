#pragma once
// Helpers of the filter graph manager for walking filters and pins.

#include <vector>

#include "Platform/Com/ComPtr.h"
#include "Platform/DShow/Api/FilterInterfaces.h"

namespace dshow {

using PinList = std::vector<com::ComPtr<IPin>>;

// The filter's pins in enumeration order, all or those of one direction.
PinList PinsOf(IBaseFilter* filter);
PinList PinsOf(IBaseFilter* filter, PIN_DIRECTION direction);
// The pins of one direction that are not connected.
PinList FreePinsOf(IBaseFilter* filter, PIN_DIRECTION direction);
com::ComPtr<IPin> PeerOf(IPin* pin);
com::ComPtr<IBaseFilter> OwnerOf(IPin* pin);
bool IsDirection(IPin* pin, PIN_DIRECTION direction);
// The filters fed by the filter's connected output pins.
std::vector<com::ComPtr<IBaseFilter>> DownstreamOf(IBaseFilter* filter);
// Whether `target` is `from` or lies downstream of it.
bool Reaches(IBaseFilter* from, IBaseFilter* target);
// The major type and subtype of every type the pin enumerates.
std::vector<std::pair<GUID, GUID>> TypesOf(IPin* pin);

} // namespace dshow
