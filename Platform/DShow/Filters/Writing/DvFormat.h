#pragma once
// The DV (IEC 61834, 25 Mbit/s) facts the DV filters share: the two
// systems' frame sizes and rates, the media types of DV video and of
// interleaved DV, the DVINFO record, and the packing of 16-bit stereo PCM
// into the audio DIF blocks of a frame.
//
// A frame is 10 (525/60) or 12 (625/50) DIF sequences of 150 blocks of 80
// bytes: a header block, two subcode blocks, three video auxiliary blocks,
// then nine groups of one audio block and fifteen video blocks. An audio
// block carries a 5-byte auxiliary pack (bytes 3 to 7) and 36 big-endian
// 16-bit words (bytes 8 to 79); the words of the left channel lie in the
// first half of the sequences, those of the right in the second, spread by
// the standard's shuffle.

#include <cstddef>
#include <cstdint>

#include "Platform/DShow/BaseClasses/BaseClasses.h"

namespace dshow {

struct DvSystem {
    bool pal;
    int height;
    LONG frameBytes;
    int sequences;
    REFERENCE_TIME frameTime;
    // Frames per second as a ratio.
    int rateNumerator;
    int rateDenominator;
};

const DvSystem& GetDvSystem(bool pal);
// The system of a frame, from the DSF bit of its header block; false when
// the bytes are too few to be a frame.
bool ReadDvSystem(const BYTE* frame, LONG size, bool& pal);

// Video / dvsd with a VIDEOINFOHEADER of the system's size.
CMediaType MakeDvVideoType(bool pal, REFERENCE_TIME frameTime);
// Interleaved / dvsd with its DVINFO.
CMediaType MakeInterleavedDvType(bool pal, DWORD audioRate);
// The auxiliary packs of a frame of that system and audio rate (0: none).
DVINFO MakeDvInfo(bool pal, DWORD audioRate);

// Whether a DV frame can hold audio of that rate (48000, 44100, 32000).
bool IsDvAudioRate(DWORD rate);
// How many sample frames of audio frame `index` carries: the rate's
// samples shared out over the frames so that no sample is lost or made up.
int DvAudioSamplesFor(bool pal, DWORD rate, int64_t index);
// Writes `count` stereo sample frames (interleaved left/right) into the
// audio blocks of `frame` with the packs that describe them; false when the
// count does not fit the system and rate.
bool PackDvAudio(BYTE* frame, bool pal, DWORD rate, const int16_t* samples, int count);

} // namespace dshow
