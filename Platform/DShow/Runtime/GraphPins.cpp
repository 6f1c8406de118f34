#include "Platform/DShow/Runtime/GraphPins.h"

#include <set>

#include "Platform/DShow/BaseClasses/MediaType.h"

namespace dshow {

PinList PinsOf(IBaseFilter* filter)
{
    PinList pins;
    com::ComPtr<IEnumPins> enumerator;
    if (!filter || FAILED(filter->EnumPins(enumerator.Receive())) || !enumerator)
        return pins;
    IPin* pin = nullptr;
    while (enumerator->Next(1, &pin, nullptr) == S_OK)
        pins.push_back(com::ComPtr<IPin>::Adopt(pin));
    return pins;
}

PinList PinsOf(IBaseFilter* filter, PIN_DIRECTION direction)
{
    PinList pins;
    for (com::ComPtr<IPin>& pin : PinsOf(filter))
        if (IsDirection(pin.Get(), direction))
            pins.push_back(pin);
    return pins;
}

PinList FreePinsOf(IBaseFilter* filter, PIN_DIRECTION direction)
{
    PinList pins;
    for (com::ComPtr<IPin>& pin : PinsOf(filter, direction))
        if (!PeerOf(pin.Get()))
            pins.push_back(pin);
    return pins;
}

com::ComPtr<IPin> PeerOf(IPin* pin)
{
    com::ComPtr<IPin> peer;
    if (pin && FAILED(pin->ConnectedTo(peer.Receive())))
        peer.Reset();
    return peer;
}

com::ComPtr<IBaseFilter> OwnerOf(IPin* pin)
{
    PIN_INFO info{};
    if (!pin || FAILED(pin->QueryPinInfo(&info)))
        return {};
    return com::ComPtr<IBaseFilter>::Adopt(info.pFilter);
}

bool IsDirection(IPin* pin, PIN_DIRECTION direction)
{
    PIN_DIRECTION actual;
    return pin && SUCCEEDED(pin->QueryDirection(&actual)) && actual == direction;
}

std::vector<com::ComPtr<IBaseFilter>> DownstreamOf(IBaseFilter* filter)
{
    std::vector<com::ComPtr<IBaseFilter>> filters;
    for (com::ComPtr<IPin>& pin : PinsOf(filter, PINDIR_OUTPUT))
        if (com::ComPtr<IPin> peer = PeerOf(pin.Get()))
            if (com::ComPtr<IBaseFilter> owner = OwnerOf(peer.Get()))
                filters.push_back(owner);
    return filters;
}

bool Reaches(IBaseFilter* from, IBaseFilter* target)
{
    std::set<IBaseFilter*> seen;
    std::vector<com::ComPtr<IBaseFilter>> pending{com::ComPtr<IBaseFilter>(from)};
    while (!pending.empty()) {
        com::ComPtr<IBaseFilter> filter = pending.back();
        pending.pop_back();
        if (filter.Get() == target)
            return true;
        if (!seen.insert(filter.Get()).second)
            continue;
        for (com::ComPtr<IBaseFilter>& next : DownstreamOf(filter.Get()))
            pending.push_back(next);
    }
    return false;
}

std::vector<std::pair<GUID, GUID>> TypesOf(IPin* pin)
{
    std::vector<std::pair<GUID, GUID>> types;
    com::ComPtr<IEnumMediaTypes> enumerator;
    if (!pin || FAILED(pin->EnumMediaTypes(enumerator.Receive())) || !enumerator)
        return types;
    AM_MEDIA_TYPE* type = nullptr;
    while (enumerator->Next(1, &type, nullptr) == S_OK && type) {
        types.emplace_back(type->majortype, type->subtype);
        DeleteMediaType(type);
        type = nullptr;
    }
    return types;
}

} // namespace dshow
