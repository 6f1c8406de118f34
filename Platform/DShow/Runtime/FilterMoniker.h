#pragma once
// Monikers of the filters and devices in the filter store, named
// "@device:sw:{category}\instance". Binding one creates the filter by the
// class identifier its record holds; binding its storage gives a property
// bag over the record's values (FriendlyName, CLSID, Merit, and whatever
// else is written there).

#include <string>
#include <vector>

#include "Platform/Com/Com.h"

namespace dshow {

HRESULT CreateFilterMoniker(REFCLSID category, const std::string& instance, IMoniker** moniker);

// An enumerator of the monikers of these instances of a category.
HRESULT EnumerateFilterMonikers(REFCLSID category, const std::vector<std::string>& instances,
                                IEnumMoniker** monikers);

} // namespace dshow
