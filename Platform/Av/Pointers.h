#pragma once
// Owning pointers for the FFmpeg objects the media layers hold, each freed
// by the call FFmpeg pairs with its allocation.

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace av {

struct InputClose {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

// An output context owns the file it writes to once avio_open has opened it.
struct OutputClose {
    void operator()(AVFormatContext* context) const
    {
        if (context->pb != nullptr)
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};

struct CodecFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};

struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

struct ScalerFree {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};

struct ResamplerFree {
    void operator()(SwrContext* resampler) const { swr_free(&resampler); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputClose>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputClose>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFree>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFree>;

} // namespace av
