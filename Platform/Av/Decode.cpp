#include "Platform/Av/Decode.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace av {

namespace {

// AV_EF_EXPLODE would catch more damage, but it also refuses the TIFF tags
// FFmpeg itself writes; the flags a decoder sets on its frame are enough.
bool IsWhole(const AVFrame* picture)
{
    return picture->decode_error_flags == 0 && (picture->flags & AV_FRAME_FLAG_CORRUPT) == 0 && picture->width > 0
        && picture->height > 0 && picture->format >= 0 && picture->data[0] != nullptr;
}

} // namespace

int DecodeNextFrame(AVFormatContext* input, int stream, AVCodecContext* decoder, AVFrame* frame, int packetLimit)
{
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return AVERROR(ENOMEM);
    bool draining = false;
    for (int read = 0;;) {
        const int received = avcodec_receive_frame(decoder, frame);
        if (received == 0 || received == AVERROR_EOF || draining)
            return received;
        // EAGAIN asks for more, and any other failure here was a damaged
        // packet, which is passed over: both read on.
        if ((packetLimit > 0 && read == packetLimit) || av_read_frame(input, packet.get()) < 0) {
            avcodec_send_packet(decoder, nullptr);
            draining = true;
            continue;
        }
        ++read;
        if (packet->stream_index == stream)
            avcodec_send_packet(decoder, packet.get());
        av_packet_unref(packet.get());
    }
}

int DecodePicture(AVCodecContext* decoder, std::span<const uint8_t> bytes, AVFrame* picture)
{
    if (bytes.size() > static_cast<size_t>(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE))
        return AVERROR(ERANGE);
    // A packet of its own: decoders read up to AV_INPUT_BUFFER_PADDING_SIZE
    // bytes past the end, which the caller's buffer need not have.
    PacketPtr packet(av_packet_alloc());
    if (!packet || av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0)
        return AVERROR(ENOMEM);
    if (!bytes.empty())
        std::memcpy(packet->data, bytes.data(), bytes.size());
    packet->flags |= AV_PKT_FLAG_KEY;

    int result = avcodec_send_packet(decoder, packet.get());
    if (result >= 0) {
        result = avcodec_receive_frame(decoder, picture);
        if (result == AVERROR(EAGAIN)) {
            avcodec_send_packet(decoder, nullptr);
            result = avcodec_receive_frame(decoder, picture);
        }
    }
    if (result < 0 || !IsWhole(picture)) {
        av_frame_unref(picture);
        return AVERROR_INVALIDDATA;
    }
    return 0;
}

} // namespace av
