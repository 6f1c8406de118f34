#pragma once
// DibTransform: the base of the transforms whose output is the input's
// uncompressed video with, perhaps, another size or frame rate (VidScale,
// the time warp): it checks and offers the types and sizes the buffers.

#include "Platform/DShow/BaseClasses/BaseClasses.h"

namespace dshow {

class DibTransform : public CTransformFilter {
public:
    DibTransform(LPCTSTR name, REFCLSID clsid) : CTransformFilter(name, nullptr, clsid) {}

    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

protected:
    // The output frames' size for the input `in`; the input's own unless a
    // derived filter changes it.
    virtual void OutputSize(const CMediaType& in, int& width, int& height);
    // The output's frame time; the input's unless a derived filter changes it.
    virtual REFERENCE_TIME OutputFrameTime();
    // The connected input's frame time (1/25 s when it gives none).
    REFERENCE_TIME InputFrameTime();
};

} // namespace dshow
