#pragma once
// The objects behind PAVIFILE and PAVISTREAM: counted references with one
// virtual operation per AVIFile call, made by the reading and the writing
// sides of the layer. Internal to the layer.

#include <atomic>

#include "Platform/Vfw/AviFile.h"

struct IAVIStream {
    virtual ~IAVIStream() = default;
    virtual HRESULT Info(AVISTREAMINFO& info) = 0;
    virtual HRESULT ReadFormat(LONG position, LPVOID format, LONG* size) = 0;
    virtual HRESULT Read(LONG start, LONG samples, LPVOID buffer, LONG cb, LONG* bytes, LONG* samplesRead) = 0;
    virtual HRESULT SetFormat(LONG, const void*, LONG) { return AVIERR_READONLY; }
    virtual HRESULT Write(LONG, LONG, const void*, LONG, DWORD, LONG*, LONG*) { return AVIERR_READONLY; }
    // The file a written stream belongs to (null for read streams).
    virtual IAVIFile* File() { return nullptr; }

    std::atomic<ULONG> m_refs{1};
};

struct IAVIFile {
    virtual ~IAVIFile() = default;
    virtual HRESULT Info(AVIFILEINFO& info) = 0;
    virtual HRESULT GetStream(PAVISTREAM* stream, DWORD type, LONG index) = 0;
    virtual HRESULT CreateStream(PAVISTREAM*, const AVISTREAMINFO*) { return AVIERR_READONLY; }
    // Whole files are interleaved by time when asked before the first write.
    virtual void SetInterleaved() {}

    std::atomic<ULONG> m_refs{1};
};

namespace vfw {

// The reading side: an open file, or an AVIERR code.
HRESULT OpenAviForReading(const char* path, PAVIFILE* file);
// The writing side: a new, empty file at `path`.
HRESULT CreateAviForWriting(const char* path, PAVIFILE* file);
// A stream compressing into `source`.
HRESULT MakeCompressedStream(PAVISTREAM source, const AVICOMPRESSOPTIONS& options, PAVISTREAM* compressed);

} // namespace vfw
