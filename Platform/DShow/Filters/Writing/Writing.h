#pragma once
// The writing family of system filters: the AVI multiplexer and the file
// writer, the DV video encoder and the DV multiplexer, and the placeholders
// the start-up check creates. Listed in the writing table
// (WritingFilters.cpp).

#include <string>

#include "Platform/DShow/Filters/FilterHelpers.h"
#include "Platform/DShow/Filters/SystemFilters.h"

namespace dshow {

HRESULT CreateAviMux(REFIID riid, void** object);
HRESULT CreateFileWriter(REFIID riid, void** object);
HRESULT CreateDvEncoder(REFIID riid, void** object);
HRESULT CreateDvMux(REFIID riid, void** object);
HRESULT CreateDvPatchFilter(REFIID riid, void** object);
HRESULT CreatePlaceholder(REFIID riid, void** object);
HRESULT CreateIndeoEncoder(REFIID riid, void** object);
HRESULT CreateVidScale(REFIID riid, void** object);
HRESULT CreateMediaPlacer(REFIID riid, void** object);
HRESULT CreateTimeWarp(REFIID riid, void** object);

// An FFmpeg error (negative AVERROR) as an HRESULT: a full disk as
// ERROR_DISK_FULL, anything else as E_FAIL.
HRESULT WriteErrorResult(int error);

// The first step of GetMediaType for a pin that offers one type once
// `ready`: S_OK for position 0; E_UNEXPECTED while not ready, E_INVALIDARG
// or VFW_S_NO_MORE_ITEMS for other positions.
HRESULT OnlyType(int position, bool ready);

// Answers IMediaSeeking and IMediaPosition on an output pin by passing them
// to the pin connected to `input` (made on first use into `holder`, which
// the pin releases); E_NOINTERFACE for other interfaces.
HRESULT QuerySeekingThrough(IUnknown* owner, IPin* input, IUnknown*& holder, REFIID riid, void** object);

// The file name the file writer behind `output` was given, as a native
// path; empty (and a failure) when the pin is not connected to a filter
// offering IFileSinkFilter or it has no name yet.
HRESULT GetSinkFileName(IPin* output, std::string& path);

} // namespace dshow
