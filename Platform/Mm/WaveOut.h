#pragma once
// Wave output: one device, the wave mapper, played through SDL2 audio, or,
// when no audio device answers, through a null device that consumes the
// queued buffers at the format's rate on the system clock (so positions,
// completions and timing behave as with a sound card, in silence).
// Completed buffers are reported by window message, event, thread message
// or function, as opened.

#include "Platform/Mm/MmTypes.h"

DECLARE_HANDLE(HWAVEOUT);
using LPHWAVEOUT = HWAVEOUT*;

constexpr UINT WAVE_MAPPER = static_cast<UINT>(-1);

// waveOutOpen flags.
constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_WINDOW = 0x00010000;
constexpr DWORD CALLBACK_TASK = 0x00020000;
constexpr DWORD CALLBACK_THREAD = CALLBACK_TASK;
constexpr DWORD CALLBACK_FUNCTION = 0x00030000;
constexpr DWORD CALLBACK_EVENT = 0x00050000;
constexpr DWORD WAVE_FORMAT_QUERY = 0x0001;
constexpr DWORD WAVE_ALLOWSYNC = 0x0002;
constexpr DWORD WAVE_MAPPED = 0x0004;

// Messages: to a window or thread as MM_WOM_*, to a function as WOM_*.
constexpr UINT MM_WOM_OPEN = 0x3BB;
constexpr UINT MM_WOM_CLOSE = 0x3BC;
constexpr UINT MM_WOM_DONE = 0x3BD;
constexpr UINT WOM_OPEN = MM_WOM_OPEN;
constexpr UINT WOM_CLOSE = MM_WOM_CLOSE;
constexpr UINT WOM_DONE = MM_WOM_DONE;

// WAVEHDR flags.
constexpr DWORD WHDR_DONE = 0x01;
constexpr DWORD WHDR_PREPARED = 0x02;
constexpr DWORD WHDR_BEGINLOOP = 0x04;
constexpr DWORD WHDR_ENDLOOP = 0x08;
constexpr DWORD WHDR_INQUEUE = 0x10;

struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};
using LPWAVEHDR = WAVEHDR*;
using PWAVEHDR = WAVEHDR*;

// MMTIME formats.
constexpr UINT TIME_MS = 0x0001;
constexpr UINT TIME_SAMPLES = 0x0002;
constexpr UINT TIME_BYTES = 0x0004;

struct MMTIME {
    UINT wType;
    union {
        DWORD ms;
        DWORD sample;
        DWORD cb;
        DWORD ticks;
    } u;
};
using LPMMTIME = MMTIME*;

using LPWAVEOUTCALLBACK = void (*)(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                   DWORD_PTR param2);

UINT waveOutGetNumDevs();
// Opens the device for PCM (8 or 16 bits, 1 or 2 channels) or IEEE float
// (32 bits) at any rate; WAVERR_BADFORMAT for anything else. With
// WAVE_FORMAT_QUERY only the format is checked.
MMRESULT waveOutOpen(LPHWAVEOUT device, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags);
// WAVERR_STILLPLAYING while buffers are queued. The handle is refused from
// then on; a call another thread made on it before ends on the device.
MMRESULT waveOutClose(HWAVEOUT device);
MMRESULT waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT waveOutPause(HWAVEOUT device);
MMRESULT waveOutRestart(HWAVEOUT device);
// Returns every queued buffer as done and the position to 0.
MMRESULT waveOutReset(HWAVEOUT device);
// The position played since the open or the last reset, in bytes,
// samples or milliseconds (TIME_BYTES for any other request).
MMRESULT waveOutGetPosition(HWAVEOUT device, LPMMTIME time, UINT size);
// Left volume in the low word, right in the high word, 0..0xFFFF.
MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume);
MMRESULT waveOutGetVolume(HWAVEOUT device, LPDWORD volume);

namespace mm {
// Whether opened devices play through a sound card (false: the null
// device).
bool WaveOutHasSoundCard();
} // namespace mm
