#pragma once
// The GoMotion MPEG encoder's context API, as the MPEG writer calls it: a
// context, an open call with a 21-word open record and 25 parameter words,
// one call per bottom-up 24-bit picture and one per block of PCM audio, and
// a close that finishes the file. The encoder writes the file named in the
// open record itself, under a temporary name of its own until the close
// completes it. Backed by FFmpeg's MPEG-1/MPEG-2 video and MP2 encoders and
// its MPEG system and program stream muxers.

#include <cstdint>

#include "Platform/Win/Base/WinTypes.h"

// Results: 0 or one of these (negative).
constexpr int GOMOTION_OK = 0;
constexpr int GOMOTION_ERR_ARG = -1;
// The file or the encoders could not be opened with the parameters.
constexpr int GOMOTION_ERR_OPEN = -2;
constexpr int GOMOTION_ERR_ENCODE = -3;
// Not open, or already open.
constexpr int GOMOTION_ERR_STATE = -4;

// The open record: 21 pointer-sized words, zero unless listed.
constexpr int GOMOTION_OPEN_WORDS = 21;
// Points to the BITMAPINFOHEADER of the pictures (24-bit BI_RGB).
constexpr int GOMOTION_OPEN_VIDEO_FORMAT = 0;
// Points to the WAVEFORMATEX of the audio blocks (16-bit PCM).
constexpr int GOMOTION_OPEN_AUDIO_FORMAT = 1;
constexpr int GOMOTION_OPEN_HAS_VIDEO = 8;
constexpr int GOMOTION_OPEN_HAS_AUDIO = 9;
// Points to the file name (a NUL-terminated text).
constexpr int GOMOTION_OPEN_PATH = 10;

// The parameter words the encoder reads; the others are ignored.
constexpr int GOMOTION_PARAM_WORDS = 25;
// Pictures from one key picture to the next.
constexpr int GOMOTION_PARAM_GOP = 0;
// Distance between reference pictures (3: two B pictures between).
constexpr int GOMOTION_PARAM_SPACING = 1;
// 0 MPEG-2 program stream (DVD: sound resampled to 48 kHz), 1 MPEG-1
// system stream, 2 Video CD (fixed rates: 1150 kb/s video, 224 kb/s MP2 at
// 44.1 kHz stereo; 352 x 240 or 352 x 288 only).
constexpr int GOMOTION_PARAM_VARIANT = 2;
// MPEG frame_rate_code 1..5: 23.976, 24, 25, 29.97, 30.
constexpr int GOMOTION_PARAM_RATE_CODE = 3;
// Video bits per second.
constexpr int GOMOTION_PARAM_BIT_RATE = 4;
// MPEG-1 pel aspect code: 1 square, 8 625-line (PAL), 12 525-line (NTSC).
constexpr int GOMOTION_PARAM_ASPECT = 8;
// 1 PAL, 2 NTSC, anything else unspecified.
constexpr int GOMOTION_PARAM_VIDEO_FORMAT = 9;
// 0 mono, anything else stereo.
constexpr int GOMOTION_PARAM_STEREO = 11;
// 0..9: MP2 bit rate per channel, 32..192 kb/s.
constexpr int GOMOTION_PARAM_AUDIO_RATE = 12;
constexpr int GOMOTION_PARAM_SAMPLE_RATE = 13;
constexpr int GOMOTION_PARAM_TOTAL_FRAMES = 22;

// One block of PCM audio in the open record's audio format.
struct GoMotionAudioFrame {
    const BYTE* pData;
    DWORD cbData;
};

void* GoMotionCreateContext();
int OpenGoMotionEncoder(void* context, const INT_PTR openRecord[GOMOTION_OPEN_WORDS],
                        const INT32 params[GOMOTION_PARAM_WORDS]);
// `bits` holds height rows of width x 3 bytes, bottom row first; `flags` is 0.
// `out` receives the count of pictures encoded.
int CompressVideoFrame(void* context, const BYTE* bits, int flags, DWORD* out);
// `out` receives the count of audio bytes taken.
int CompressAudioFrame(void* context, const GoMotionAudioFrame* frame, DWORD* out);
// Finishes the file; it then replaces the file named at open.
int CloseGoMotionEncoder(void* context);
// Frees the context; a file not closed is dropped.
void GoMotionDeleteContext(void* context);
