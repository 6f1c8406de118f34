#pragma once
// The in-place transform of the Generic library: the base design, with the
// fast sample copy when the two sides use different allocators, the time
// each Transform took in processor cycles, and sample times counted from
// the input's segment start.

#include <atomic>

#include "Platform/DShow/DShow.h"

class CInPlaceCopyFilter : public CTransInPlaceFilter {
public:
    CInPlaceCopyFilter(LPCTSTR name, LPUNKNOWN outer, REFCLSID clsid, HRESULT* result);

    HRESULT Receive(IMediaSample* sample) override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    DWORD LastTransformCycles() const { return m_cycles; }

protected:
    IMediaSample* Copy(IMediaSample* source) override;
    // The sample's times plus the segment start; a negative stop makes
    // both 0.
    HRESULT SampleTimes(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* stop);

    bool m_mmx;
    std::atomic<DWORD> m_cycles{0};
    std::atomic<REFERENCE_TIME> m_segmentStart{0};
    std::atomic<REFERENCE_TIME> m_segmentStop{0};
};
