#pragma once
// The audio compression manager (ACM): a PCM form for a compressed wave
// format, and conversion streams from PCM or a decodable format (IMA and
// Microsoft ADPCM, A-law, mu-law, MPEG layers 1-3, float) to PCM of any
// rate, 8 or 16 bits and 1 or 2 channels. Backed by FFmpeg's decoders and
// resampler; there is no encoding to compressed formats.

#include "Platform/Vfw/VfwTypes.h"
#include "Platform/Win/Base/WaveFormat.h"

DECLARE_HANDLE(HACMDRIVER);
DECLARE_HANDLE(HACMSTREAM);
using LPHACMSTREAM = HACMSTREAM*;

constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_BUSY = 513;
constexpr MMRESULT ACMERR_UNPREPARED = 514;
constexpr MMRESULT ACMERR_CANCELED = 515;

constexpr WORD WAVE_FORMAT_ADPCM = 0x0002;
constexpr WORD WAVE_FORMAT_IEEE_FLOAT = 0x0003;
constexpr WORD WAVE_FORMAT_ALAW = 0x0006;
constexpr WORD WAVE_FORMAT_MULAW = 0x0007;
constexpr WORD WAVE_FORMAT_IMA_ADPCM = 0x0011;
constexpr WORD WAVE_FORMAT_MPEG = 0x0050;
constexpr WORD WAVE_FORMAT_MPEGLAYER3 = 0x0055;

constexpr DWORD ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000;
constexpr DWORD ACM_FORMATSUGGESTF_NCHANNELS = 0x00020000;
constexpr DWORD ACM_FORMATSUGGESTF_NSAMPLESPERSEC = 0x00040000;
constexpr DWORD ACM_FORMATSUGGESTF_WBITSPERSAMPLE = 0x00080000;

constexpr DWORD ACM_STREAMOPENF_QUERY = 0x00000001;
constexpr DWORD ACM_STREAMOPENF_ASYNC = 0x00000002;
constexpr DWORD ACM_STREAMOPENF_NONREALTIME = 0x00000004;

constexpr DWORD ACM_STREAMSIZEF_SOURCE = 0x00000000;
constexpr DWORD ACM_STREAMSIZEF_DESTINATION = 0x00000001;

constexpr DWORD ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
constexpr DWORD ACM_STREAMCONVERTF_START = 0x00000010;
constexpr DWORD ACM_STREAMCONVERTF_END = 0x00000020;

constexpr DWORD ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
constexpr DWORD ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;
constexpr DWORD ACMSTREAMHEADER_STATUSF_INQUEUE = 0x00100000;

struct ACMSTREAMHEADER {
    DWORD cbStruct;
    DWORD fdwStatus;
    DWORD_PTR dwUser;
    LPBYTE pbSrc;
    DWORD cbSrcLength;
    DWORD cbSrcLengthUsed;
    DWORD_PTR dwSrcUser;
    LPBYTE pbDst;
    DWORD cbDstLength;
    DWORD cbDstLengthUsed;
    DWORD_PTR dwDstUser;
    DWORD dwReservedDriver[15];
};
using LPACMSTREAMHEADER = ACMSTREAMHEADER*;

// The filter argument of acmStreamOpen; no filters exist, so it is always
// null.
struct WAVEFILTER;

// With ACM_FORMATSUGGESTF_WFORMATTAG and a PCM tag in `dst`: the PCM form
// of `src` (its rate and channels, 16 bits; PCM stays as it is). The other
// suggestion flags fix the destination's channels, rate or width.
// ACMERR_NOTPOSSIBLE when `src` cannot be decoded.
MMRESULT acmFormatSuggest(HACMDRIVER had, const WAVEFORMATEX* src, WAVEFORMATEX* dst, DWORD cbDst, DWORD flags);
MMRESULT acmStreamOpen(HACMSTREAM* phas, HACMDRIVER had, const WAVEFORMATEX* src, const WAVEFORMATEX* dst,
                       const WAVEFILTER* filter, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
// An upper bound of the output of `cbInput` source bytes (SOURCE), or the
// source bytes that give about `cbInput` output bytes (DESTINATION).
MMRESULT acmStreamSize(HACMSTREAM has, DWORD cbInput, DWORD* pdwOutputBytes, DWORD flags);
MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD flags);
// Converts the header's source (whole source blocks with BLOCKALIGN) into
// its destination. Output beyond the destination's length is kept for the
// next call; END drains the resampler.
MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD flags);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD flags);
MMRESULT acmStreamClose(HACMSTREAM has, DWORD flags);
