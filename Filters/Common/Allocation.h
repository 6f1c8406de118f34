#pragma once
// Buffer negotiation as the plug-ins' output pins do it: the properties
// asked for are set on the allocator, whose own error is returned
// unchanged, and an allocator that grants smaller buffers (or, when told,
// fewer) is refused with E_FAIL.

#include "Platform/DShow/DShow.h"

namespace plugin_allocation {

inline HRESULT SetProperties(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* wanted, bool fewerRefused = false)
{
    if (wanted->cbAlign <= 0)
        wanted->cbAlign = 1;
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(wanted, &actual);
    if (FAILED(hr))
        return hr;
    if (actual.cbBuffer < wanted->cbBuffer || (fewerRefused && actual.cBuffers < wanted->cBuffers))
        return E_FAIL;
    return S_OK;
}

} // namespace plugin_allocation
