#pragma once
// The creation functions of the playback system filters, listed in the
// playback table (PlaybackFilters.cpp).

#include "Platform/DShow/Filters/SystemFilters.h"

namespace dshow {

HRESULT CreateNullRenderer(REFIID riid, void** object);
HRESULT CreateAsyncSource(REFIID riid, void** object);
HRESULT CreateDvSplitter(REFIID riid, void** object);
HRESULT CreateColourConverter(REFIID riid, void** object);
HRESULT CreateSmartTee(REFIID riid, void** object);
HRESULT CreateDirectSoundRenderer(REFIID riid, void** object);
HRESULT CreateWaveOutRenderer(REFIID riid, void** object);

} // namespace dshow
