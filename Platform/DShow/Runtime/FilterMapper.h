#pragma once
// The filter mapper (CLSID_FilterMapper2): registers filters and
// categories in the filter store and finds the registered filters that fit
// a query, best merit first.

#include "Platform/Com/Unknown.h"

namespace dshow {

HRESULT CreateFilterMapper(REFIID riid, void** object);

} // namespace dshow
