#pragma once
// Frames out of FFmpeg's decoders: the next frame of a stream in a file,
// and the one picture of a still-image file held in memory.

#include <cstdint>
#include <span>

#include "Platform/Av/Pointers.h"

namespace av {

// Decodes the next frame of stream `stream` of `input` into `frame`,
// reading packets as the decoder asks for them. Packets of other streams
// are passed over, and a packet the decoder refuses is skipped, as a player
// skips a damaged frame. When the input ends, or once `packetLimit` packets
// (0: no limit) have been read in this call, the decoder is drained of the
// frames it still holds. Answers 0 with a frame, AVERROR_EOF when the
// stream has no more, or the decoder's failure while draining.
int DecodeNextFrame(AVFormatContext* input, int stream, AVCodecContext* decoder, AVFrame* frame,
                    int packetLimit = 0);

// Decodes the one picture that `bytes` (a whole still-image file) hold with
// an open decoder. A picture comes back only whole: when the decoder
// refuses the bytes, whatever its reason, marks the picture damaged or
// gives no pixels, the answer is AVERROR_INVALIDDATA and `picture` is left
// empty. AVERROR(ERANGE) when the bytes are too many for one packet,
// AVERROR(ENOMEM) when the packet cannot be made.
int DecodePicture(AVCodecContext* decoder, std::span<const uint8_t> bytes, AVFrame* picture);

} // namespace av
