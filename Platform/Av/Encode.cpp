#include "Platform/Av/Encode.h"

#include <cerrno>

namespace av {

int Encode(AVCodecContext* encoder, const AVFrame* frame, const PacketSink& deliver)
{
    int result = avcodec_send_frame(encoder, frame);
    if (result < 0)
        return result;
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return AVERROR(ENOMEM);
    for (;;) {
        result = avcodec_receive_packet(encoder, packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            return result;
        result = deliver(packet.get());
        av_packet_unref(packet.get());
        if (result < 0)
            return result;
    }
}

int EncodePicture(AVCodecContext* encoder, const AVFrame* picture, std::vector<uint8_t>& bytes)
{
    int result = avcodec_send_frame(encoder, picture);
    if (result >= 0)
        result = avcodec_send_frame(encoder, nullptr);
    if (result < 0)
        return result;
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return AVERROR(ENOMEM);
    result = avcodec_receive_packet(encoder, packet.get());
    if (result < 0)
        return result;
    bytes.assign(packet->data, packet->data + packet->size);
    return 0;
}

} // namespace av
