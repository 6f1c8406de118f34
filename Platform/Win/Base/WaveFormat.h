#pragma once
// The wave format record shared by the sound, AVI and DirectShow layers,
// with its Windows layout (18 bytes, packed to 2 bytes).

#include "Platform/Win/Base/WinTypes.h"

constexpr WORD WAVE_FORMAT_PCM = 1;

#pragma pack(push, 2)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
using LPWAVEFORMATEX = WAVEFORMATEX*;
using PWAVEFORMATEX = WAVEFORMATEX*;

static_assert(sizeof(WAVEFORMATEX) == 18);
