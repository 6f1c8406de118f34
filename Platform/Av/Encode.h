#pragma once
// Packets out of FFmpeg's encoders: the send/receive loop of a stream, and
// the one packet of a still-image encoder.

#include <cstdint>
#include <functional>
#include <vector>

#include "Platform/Av/Pointers.h"

namespace av {

// Takes each packet an encoder gives: 0 to go on, or an error that stops
// the loop. The callback may keep the packet's data (av_packet_move_ref) or
// hand it on (av_interleaved_write_frame takes it); what is left of the
// packet is released after the callback returns.
using PacketSink = std::function<int(AVPacket*)>;

// Sends `frame` to `encoder` (null: the end of the stream, which drains it)
// and hands every packet the encoder then has to `deliver`. Answers 0, or
// the first failure of the encoder or of `deliver`.
int Encode(AVCodecContext* encoder, const AVFrame* frame, const PacketSink& deliver);

// Encodes one picture with a still-image encoder (PNG, BMP, JPEG, TIFF and
// the like), whose one packet is the whole file, into `bytes`.
int EncodePicture(AVCodecContext* encoder, const AVFrame* picture, std::vector<uint8_t>& bytes);

} // namespace av
