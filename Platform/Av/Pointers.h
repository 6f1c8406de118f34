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

// A custom I/O context (avio_alloc_context) with the buffer it reads
// through by now, which FFmpeg may have replaced with a larger one.
struct IoContextFree {
    void operator()(AVIOContext* io) const
    {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

// An input read through custom I/O (AVFMT_FLAG_CUSTOM_IO) owns that I/O,
// which avformat_close_input leaves alone: it goes after the demuxer.
struct InputClose {
    void operator()(AVFormatContext* context) const
    {
        std::unique_ptr<AVIOContext, IoContextFree> io(
            (context->flags & AVFMT_FLAG_CUSTOM_IO) != 0 ? context->pb : nullptr);
        avformat_close_input(&context);
    }
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

using IoContextPtr = std::unique_ptr<AVIOContext, IoContextFree>;
using InputPtr = std::unique_ptr<AVFormatContext, InputClose>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputClose>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFree>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFree>;

} // namespace av
