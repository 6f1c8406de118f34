#include "Platform/DShow/Filters/Writing/DibPicture.h"

#include <cstdlib>

#include "Platform/Av/Picture.h"

namespace dshow {
namespace {

struct DibFormat {
    const GUID* subtype;
    AVPixelFormat format;
    int bitsPerPixel;
    bool rgb; // rows bottom-up for a positive height
};

constexpr DibFormat kFormats[] = {
    {&MEDIASUBTYPE_RGB24, AV_PIX_FMT_BGR24, 24, true},
    {&MEDIASUBTYPE_RGB32, AV_PIX_FMT_BGR0, 32, true},
    {&MEDIASUBTYPE_UYVY, AV_PIX_FMT_UYVY422, 16, false},
    {&MEDIASUBTYPE_YUY2, AV_PIX_FMT_YUYV422, 16, false},
};

const DibFormat* Find(const GUID& subtype)
{
    for (const DibFormat& format : kFormats) {
        if (*format.subtype == subtype)
            return &format;
    }
    return nullptr;
}

int Stride(const DibFormat& format, int width)
{
    return (width * format.bitsPerPixel / 8 + 3) & ~3;
}

} // namespace

AVPixelFormat DibPixelFormat(const GUID& subtype)
{
    const DibFormat* format = Find(subtype);
    return format != nullptr ? format->format : AV_PIX_FMT_NONE;
}

LONG DibImageSize(const GUID& subtype, int width, int height)
{
    const DibFormat* format = Find(subtype);
    return format != nullptr ? Stride(*format, width) * std::abs(height) : 0;
}

bool IsDibVideo(const CMediaType& type)
{
    if (*type.Type() != MEDIATYPE_Video || *type.FormatType() != FORMAT_VideoInfo ||
        type.cbFormat < sizeof(VIDEOINFOHEADER) || type.pbFormat == nullptr || Find(*type.Subtype()) == nullptr)
        return false;
    const BITMAPINFOHEADER& bitmap = VideoInfoOf(type).bmiHeader;
    return bitmap.biWidth > 0 && bitmap.biHeight != 0 && bitmap.biWidth <= 8192 && std::abs(bitmap.biHeight) <= 8192;
}

const VIDEOINFOHEADER& VideoInfoOf(const CMediaType& type)
{
    return *reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

bool DescribeDib(BYTE* bits, LONG size, const CMediaType& type, DibPicture& picture)
{
    if (!IsDibVideo(type) || bits == nullptr)
        return false;
    const DibFormat& format = *Find(*type.Subtype());
    const BITMAPINFOHEADER& bitmap = VideoInfoOf(type).bmiHeader;
    const int height = std::abs(bitmap.biHeight);
    const int stride = Stride(format, bitmap.biWidth);
    if (size < stride * height)
        return false;
    // A bottom-up bitmap is read from its last row upwards.
    const bool bottomUp = format.rgb && bitmap.biHeight > 0;
    picture = DibPicture{};
    picture.planes[0] = bottomUp ? bits + static_cast<ptrdiff_t>(stride) * (height - 1) : bits;
    picture.strides[0] = bottomUp ? -stride : stride;
    picture.width = bitmap.biWidth;
    picture.height = height;
    picture.format = format.format;
    return true;
}

DibPicture DescribeFrame(AVFrame* frame)
{
    DibPicture picture;
    for (int i = 0; i < 4; ++i) {
        picture.planes[i] = frame->data[i];
        picture.strides[i] = frame->linesize[i];
    }
    picture.width = frame->width;
    picture.height = frame->height;
    picture.format = static_cast<AVPixelFormat>(frame->format);
    return picture;
}

bool ScalePicture(av::ScalerPtr& scaler, const DibPicture& from, const DibPicture& to)
{
    scaler.reset(sws_getCachedContext(scaler.release(), from.width, from.height, from.format, to.width, to.height,
                                      to.format, av::kConvertFlags, nullptr, nullptr, nullptr));
    if (!scaler)
        return false;
    return sws_scale(scaler.get(), from.planes, from.strides, 0, from.height, to.planes, to.strides) == to.height;
}

} // namespace dshow
