#pragma once
// Stand-ins for system filters in the tests of the layers above them: a
// system filter taken away (the class cannot be created) or replaced by a
// file source whose output pins offer the types a test names, each put
// back when the stand-in object goes.

#include <vector>

#include "Platform/DShow/BaseClasses/BaseClasses.h"

namespace playback_test {

class SystemFilterStandIn {
public:
    using Create = HRESULT (*)(REFIID riid, void** object);
    // A null `create`: the class cannot be created while the object lives.
    SystemFilterStandIn(const CLSID& clsid, Create create);
    ~SystemFilterStandIn();
    SystemFilterStandIn(const SystemFilterStandIn&) = delete;
    SystemFilterStandIn& operator=(const SystemFilterStandIn&) = delete;

private:
    CLSID m_clsid;
};

// The stand-in file source: loads any path and offers one output pin per
// type set here, each answering IMediaSeeking with a length of one second
// (it never delivers a sample).
void SetStandInSourceTypes(std::vector<CMediaType> types);
HRESULT CreateStandInSource(REFIID riid, void** object);

} // namespace playback_test
