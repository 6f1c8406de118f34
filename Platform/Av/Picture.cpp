#include "Platform/Av/Picture.h"

extern "C" {
#include <libavutil/imgutils.h>
}

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

// Converts into `to`, which must have the slack the scaler writes past the
// end of rows and of the last row (a few bytes for mono pictures a few
// pixels wide): the buffers of a picture AllocatePicture made.
bool Scale(const AVFrame* picture, AVPixelFormat target, uint8_t* const to[4], const int strides[4], int flags)
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
    FramePtr scratch = AllocatePicture(target, picture->width, picture->height);
    if (!scratch || !Scale(picture, target, scratch->data, scratch->linesize, flags))
        return false;
    uint8_t* planes[4] = {to[0], to[1], to[2], to[3]};
    int pitches[4] = {strides[0], strides[1], strides[2], strides[3]};
    const uint8_t* from[4] = {scratch->data[0], scratch->data[1], scratch->data[2], scratch->data[3]};
    av_image_copy(planes, pitches, from, scratch->linesize, target, picture->width, picture->height);
    return true;
}

FramePtr ConvertPicture(const AVFrame* picture, AVPixelFormat target, int flags)
{
    FramePtr converted = AllocatePicture(target, picture->width, picture->height);
    if (!converted || !Scale(picture, target, converted->data, converted->linesize, flags))
        return nullptr;
    bool fullRange = false;
    PlainFormat(target, fullRange);
    if (fullRange)
        converted->color_range = AVCOL_RANGE_JPEG;
    return converted;
}

} // namespace av
