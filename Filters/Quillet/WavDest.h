#pragma once
// The WAV writer: passes audio through unchanged as the byte stream of a
// RIFF/WAVE file. Every output sample is stamped with its byte position in
// the file (behind the space left for the header), and when streaming stops
// the header is written at the start of the file through the IStream of
// the pin downstream (a file writer).

#include <vector>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"

class CQORWavDestOutputPin : public CTransformOutputPin {
public:
    CQORWavDestOutputPin(CTransformFilter* filter, HRESULT* result);

    // Only the stream type of a WAVE file.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
};

class CQORWavDestFilter : public CTransformFilter {
public:
    CQORWavDestFilter(LPUNKNOWN outer, HRESULT* result);
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

    // The file header for a format block and a data count: RIFF, WAVE,
    // the format chunk (padded to an even size) and the data chunk's head.
    // The RIFF size counts the pad byte that follows an odd data count.
    static std::vector<BYTE> Header(const BYTE* format, ULONG formatSize, ULONG dataCount);

private:
    ULONG m_dataCount = 0;
    ULONG m_headerSize = 0;
};
