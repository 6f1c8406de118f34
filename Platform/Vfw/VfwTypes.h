#pragma once
// Types shared by the AVIFile, compressor (ICM) and audio compression (ACM)
// parts of the Video for Windows layer.

#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WinTypes.h"

using FOURCC = DWORD;

// The four characters of a code, the first in the lowest byte, as they
// stand in a RIFF file.
constexpr FOURCC mmioFOURCC(char a, char b, char c, char d)
{
    return static_cast<FOURCC>(static_cast<BYTE>(a)) | static_cast<FOURCC>(static_cast<BYTE>(b)) << 8 |
           static_cast<FOURCC>(static_cast<BYTE>(c)) << 16 | static_cast<FOURCC>(static_cast<BYTE>(d)) << 24;
}

// AVIIF_KEYFRAME marks a chunk (and a compressed frame) that decodes on its own.
constexpr DWORD AVIIF_KEYFRAME = 0x00000010;
