#pragma once
// The writing family of system filters: the AVI multiplexer and the file
// writer, the DV video encoder and the DV multiplexer, and the placeholders
// the start-up check creates. Listed in the writing table
// (WritingFilters.cpp).

#include <string>

#include "Platform/DShow/Filters/SystemFilters.h"

namespace dshow {

HRESULT CreateAviMux(REFIID riid, void** object);
HRESULT CreateFileWriter(REFIID riid, void** object);
HRESULT CreateDvEncoder(REFIID riid, void** object);
HRESULT CreateDvMux(REFIID riid, void** object);
HRESULT CreateDvPatchFilter(REFIID riid, void** object);
HRESULT CreatePlaceholder(REFIID riid, void** object);

// An FFmpeg error (negative AVERROR) as an HRESULT: a full disk as
// ERROR_DISK_FULL, anything else as E_FAIL.
HRESULT WriteErrorResult(int error);

// Sets `allocator` up for at least `count` buffers of at least `bytes`
// each, raising `request`; a failure when it gives smaller buffers.
HRESULT SetUpBuffers(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request, LONG count, LONG bytes);

// The file name the file writer behind `output` was given, as a native
// path; empty (and a failure) when the pin is not connected to a filter
// offering IFileSinkFilter or it has no name yet.
HRESULT GetSinkFileName(IPin* output, std::string& path);

} // namespace dshow
