#pragma once
// Between FFmpeg's streams and DirectShow's media types: the types each
// kind of splitter gives a stream (FOURCC video and wave-format audio out
// of AVI and QuickTime, MPEG payloads out of the MPEG splitters, ASF
// stream types out of the ASF reader), and back, the codec and parameters
// a decoder reads from a type's format block.

#include "Platform/Av/Pointers.h"
#include "Platform/DShow/BaseClasses/BaseClasses.h"

namespace dshow {

enum class StreamFlavour { Avi, Mpeg1, Mpeg2, QuickTime, Wave, Asf };

// The FOURCC subtype {code-0000-0010-8000-00AA00389B71}.
GUID FourccSubtype(DWORD code);

// FFmpeg's time in `base` as 100 ns units.
REFERENCE_TIME ToReferenceTime(int64_t value, AVRational base);

// The type a splitter of `flavour` offers for the stream; false when it
// offers none (a codec it does not carry, a stream that is not video or
// audio).
bool MediaTypeForStream(const AVStream& stream, StreamFlavour flavour, CMediaType& type);

// The codec and parameters a compressed video or audio type carries:
// width, height, sample rate, channels, codec tag and extradata. False
// for a type no decoder here takes.
bool CodecForMediaType(const CMediaType& type, AVCodecParameters& parameters);

// The frame duration a video type names, 0 when it names none.
REFERENCE_TIME FrameDurationOf(const CMediaType& type);
// The BITMAPINFOHEADER of a video type's format block, or null.
const BITMAPINFOHEADER* BitmapHeaderOf(const CMediaType& type);

// A PCM type: 16-bit (or 8-bit) integer samples.
void MakePcmType(CMediaType& type, int sampleRate, int channels, int bits);

} // namespace dshow
