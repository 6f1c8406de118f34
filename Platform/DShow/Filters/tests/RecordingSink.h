#pragma once
// A renderer for the playback tests: takes uncompressed video or PCM (or
// anything, when told), keeps the time, size and first bytes of every
// sample and the segment start, and passes seeking upstream.

#include <mutex>
#include <vector>

#include "Platform/DShow/BaseClasses/BaseClasses.h"
#include "Platform/DShow/Filters/Renderers/RendererBase.h"

namespace playback_test {

struct Record {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    long size = 0;
    unsigned char first[4] = {};
};

class RecordingSink : public dshow::RendererBase {
public:
    // GUID_NULL major: anything; a subtype: only that one.
    explicit RecordingSink(const GUID& major, const GUID& subtype = GUID_NULL);

    IPin* InputPin();
    std::vector<Record> Records();
    REFERENCE_TIME SegmentStart();
    CMediaType ConnectedType();
    // The samples of PCM received, by the connected format.
    long long AudioSamples();

protected:
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT Render(IMediaSample* sample) override;
    void OnNewSegment(REFERENCE_TIME start) override;

private:
    GUID m_major;
    GUID m_subtype;
    std::mutex m_recordsLock;
    std::vector<Record> m_records;
    REFERENCE_TIME m_segmentStart = 0;
};

// The filter's own reference, for a filter made with `new`.
com::ComPtr<IBaseFilter> Hold(RecordingSink* sink);

} // namespace playback_test
