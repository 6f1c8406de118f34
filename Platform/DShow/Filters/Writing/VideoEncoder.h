#pragma once
// VideoEncoder: the base of the encoders among the writing filters. It
// takes uncompressed frames (RGB24, RGB32, UYVY, YUY2), scales and converts
// each to what its codec wants with swscale and encodes it with libavcodec
// into one output sample, a key frame. Derived encoders say which codec,
// picture and output type they make.

#include <functional>
#include <mutex>

#include "Platform/Av/Pointers.h"
#include "Platform/DShow/BaseClasses/BaseClasses.h"

namespace dshow {

class VideoEncoder : public CTransformFilter {
public:
    VideoEncoder(LPCTSTR name, REFCLSID clsid) : CTransformFilter(name, nullptr, clsid) {}

    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

protected:
    struct Target {
        AVCodecID codec = AV_CODEC_ID_NONE;
        AVPixelFormat format = AV_PIX_FMT_NONE;
        int width = 0;
        int height = 0;
        AVRational timeBase{1, 25};
        // Further settings of the codec context (quality and the like).
        std::function<void(AVCodecContext&)> setup;
    };
    // What the frames are encoded into, for the connected input.
    virtual Target EncodeTarget() = 0;
    // The largest sample the encoder makes.
    virtual LONG OutputBytes() = 0;

private:
    std::mutex m_codecLock;
    av::CodecPtr m_encoder;
    av::FramePtr m_picture;
    av::ScalerPtr m_scaler;
};

} // namespace dshow
