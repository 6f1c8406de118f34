#pragma once
// Types shared by the AVIFile, compressor (ICM) and audio compression (ACM)
// parts of the Video for Windows layer; FOURCC, mmioFOURCC and MMRESULT
// are winmm's.

#include "Platform/Mm/MmTypes.h"
#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WinTypes.h"

// AVIIF_KEYFRAME marks a chunk (and a compressed frame) that decodes on its own.
constexpr DWORD AVIIF_KEYFRAME = 0x00000010;
