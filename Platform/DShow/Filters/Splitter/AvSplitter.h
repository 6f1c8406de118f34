#pragma once
// The demultiplexer over libavformat, registered under every splitter
// class: each registration names the stream subtypes its input takes (or
// reads a file itself through IFileSourceFilter), the demuxer that reads
// them and the flavour of the output types it offers. Output pins answer
// IMediaSeeking; after a seek, sample times restart from zero at the new
// start, which the new segment names.

#include "Platform/DShow/Filters/Av/AvMediaTypes.h"

namespace dshow {

struct SplitterKind {
    const CLSID* clsid;
    LPCWSTR name;
    // The MEDIATYPE_Stream subtypes the input pin takes, GUID_NULL ended;
    // null for a file source.
    const GUID* const* inputSubtypes;
    StreamFlavour flavour;
    // A type-1 DV stream ('iavs') comes out as one interleaved pin.
    bool interleavedDv;
    // File sources: the demuxers they accept (FFmpeg names, comma
    // separated), probed from the file.
    const char* fileDemuxers;
};

HRESULT CreateAvSplitter(const SplitterKind& kind, REFIID riid, void** object);

} // namespace dshow
