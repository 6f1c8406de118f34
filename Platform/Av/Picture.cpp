#include "Platform/Av/Picture.h"

namespace av {

namespace {

struct FullRangeFormat {
    AVPixelFormat full;
    AVPixelFormat plain;
};

constexpr FullRangeFormat kFullRangeFormats[] = {
    {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUV420P}, {AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUV422P},
    {AV_PIX_FMT_YUVJ444P, AV_PIX_FMT_YUV444P}, {AV_PIX_FMT_YUVJ440P, AV_PIX_FMT_YUV440P},
    {AV_PIX_FMT_YUVJ411P, AV_PIX_FMT_YUV411P},
};

// The format the scaler is given for `format`; `fullRange` says whether
// `format` was a full-range one.
AVPixelFormat PlainFormat(AVPixelFormat format, bool& fullRange)
{
    for (const FullRangeFormat& entry : kFullRangeFormats) {
        if (entry.full == format) {
            fullRange = true;
            return entry.plain;
        }
    }
    fullRange = false;
    return format;
}

} // namespace

FramePtr AllocatePicture(AVPixelFormat format, int width, int height)
{
    FramePtr picture(av_frame_alloc());
    if (!picture)
        return nullptr;
    picture->format = format;
    picture->width = width;
    picture->height = height;
    if (av_frame_get_buffer(picture.get(), 0) < 0)
        return nullptr;
    return picture;
}

bool ConvertPicture(const AVFrame* picture, AVPixelFormat target, uint8_t* const to[4], const int strides[4], int flags)
{
    bool sourceFull = false;
    bool targetFull = false;
    const AVPixelFormat source = PlainFormat(static_cast<AVPixelFormat>(picture->format), sourceFull);
    const AVPixelFormat plainTarget = PlainFormat(target, targetFull);
    sourceFull = sourceFull || picture->color_range == AVCOL_RANGE_JPEG;
    ScalerPtr scaler(sws_getContext(picture->width, picture->height, source, picture->width, picture->height,
                                    plainTarget, flags, nullptr, nullptr, nullptr));
    if (!scaler)
        return false;
    if (sourceFull || targetFull) {
        const int* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
        sws_setColorspaceDetails(scaler.get(), coefficients, sourceFull ? 1 : 0, coefficients, targetFull ? 1 : 0, 0,
                                 1 << 16, 1 << 16);
    }
    return sws_scale(scaler.get(), picture->data, picture->linesize, 0, picture->height, to, strides)
        == picture->height;
}

FramePtr ConvertPicture(const AVFrame* picture, AVPixelFormat target, int flags)
{
    FramePtr converted = AllocatePicture(target, picture->width, picture->height);
    if (!converted || !ConvertPicture(picture, target, converted->data, converted->linesize, flags))
        return nullptr;
    bool fullRange = false;
    PlainFormat(target, fullRange);
    if (fullRange)
        converted->color_range = AVCOL_RANGE_JPEG;
    return converted;
}

} // namespace av
