#pragma once
// The result codes, handles and four-character codes shared by winmm's
// parts.

#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinTypes.h"

using MMRESULT = UINT;
using FOURCC = DWORD;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

constexpr FOURCC MakeFourCC(char a, char b, char c, char d)
{
    return static_cast<FOURCC>(static_cast<BYTE>(a)) | static_cast<FOURCC>(static_cast<BYTE>(b)) << 8 |
           static_cast<FOURCC>(static_cast<BYTE>(c)) << 16 | static_cast<FOURCC>(static_cast<BYTE>(d)) << 24;
}
#define mmioFOURCC(a, b, c, d) MakeFourCC(a, b, c, d)
