#pragma once
// The wave format record shared by the sound, AVI and DirectShow layers,
// with its Windows layout (18 bytes, packed to 2 bytes).

#include "Platform/Win/Base/WinTypes.h"

constexpr WORD WAVE_FORMAT_PCM = 1;

#pragma pack(push, 2)
// The 14-byte header every wave format starts with.
struct WAVEFORMAT {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
};

// The 16-byte PCM format: the header and the sample width.
struct PCMWAVEFORMAT {
    WAVEFORMAT wf;
    WORD wBitsPerSample;
};

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

using LPPCMWAVEFORMAT = PCMWAVEFORMAT*;

static_assert(sizeof(WAVEFORMAT) == 14);
static_assert(sizeof(PCMWAVEFORMAT) == 16);
static_assert(sizeof(WAVEFORMATEX) == 18);
