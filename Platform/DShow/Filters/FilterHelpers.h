#pragma once
// Small pieces the system filters share: sizing an allocator and passing
// stream events on to several output pins.

#include <initializer_list>

#include "Platform/DShow/BaseClasses/BaseClasses.h"

namespace dshow {

// Asks for at least `buffers` buffers of `size` bytes; E_FAIL when the
// allocator gives smaller ones.
inline HRESULT SetBuffers(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request, long buffers, long size)
{
    request->cBuffers = std::max<long>(request->cBuffers, buffers);
    request->cbBuffer = std::max<long>(request->cbBuffer, size);
    if (request->cbAlign <= 0)
        request->cbAlign = 1;
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer >= size ? S_OK : E_FAIL;
}

// Calls `deliver` on each connected pin of `pins`.
template <typename Pin, typename Deliver> void ForConnected(std::initializer_list<Pin*> pins, Deliver deliver)
{
    for (Pin* pin : pins)
        if (pin->IsConnected())
            deliver(pin);
}

} // namespace dshow
