#include "Platform/Display/PngFile.h"

#include <cstdio>
#include <fstream>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace display {

namespace {

struct ContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

bool WriteWhole(const std::string& path, const uint8_t* data, size_t size)
{
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
        if (!out) {
            std::remove(partial.c_str());
            return false;
        }
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

} // namespace

bool WritePng(const std::string& path, const DWORD* pixels, LONG width, LONG height, size_t stride)
{
    if (!pixels || width <= 0 || height <= 0 || stride < static_cast<size_t>(width))
        return false;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    if (!codec)
        return false;
    std::unique_ptr<AVCodecContext, ContextFree> context(avcodec_alloc_context3(codec));
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!context || !frame || !packet)
        return false;
    context->width = width;
    context->height = height;
    context->pix_fmt = AV_PIX_FMT_RGB24;
    context->time_base = AVRational{1, 1};
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return false;
    frame->format = AV_PIX_FMT_RGB24;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return false;
    for (LONG y = 0; y < height; ++y) {
        const DWORD* from = pixels + static_cast<size_t>(y) * stride;
        uint8_t* to = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
        for (LONG x = 0; x < width; ++x) {
            to[3 * x] = static_cast<uint8_t>(from[x] >> 16);
            to[3 * x + 1] = static_cast<uint8_t>(from[x] >> 8);
            to[3 * x + 2] = static_cast<uint8_t>(from[x]);
        }
    }
    if (avcodec_send_frame(context.get(), frame.get()) < 0 || avcodec_send_frame(context.get(), nullptr) < 0)
        return false;
    if (avcodec_receive_packet(context.get(), packet.get()) < 0)
        return false;
    return WriteWhole(path, packet->data, static_cast<size_t>(packet->size));
}

} // namespace display
