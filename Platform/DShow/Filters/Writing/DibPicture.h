#pragma once
// Uncompressed video frames as the writing filters see them: the bytes of
// a sample laid out as its VIDEOINFOHEADER says (RGB rows bottom-up when
// the height is positive, DWORD-aligned; packed YUV top-down), described
// for swscale, which converts and scales them.

#include "Platform/Av/Pointers.h"
#include "Platform/DShow/BaseClasses/BaseClasses.h"

namespace dshow {

struct DibPicture {
    uint8_t* planes[4] = {};
    int strides[4] = {};
    int width = 0;
    int height = 0;
    AVPixelFormat format = AV_PIX_FMT_NONE;
};

// The pixel format of an uncompressed video subtype (RGB24, RGB32, UYVY,
// YUY2); AV_PIX_FMT_NONE for others.
AVPixelFormat DibPixelFormat(const GUID& subtype);
// The bytes a frame of that size and subtype takes.
LONG DibImageSize(const GUID& subtype, int width, int height);
// Whether `type` is uncompressed video with a VIDEOINFOHEADER the filters
// can read.
bool IsDibVideo(const CMediaType& type);
const VIDEOINFOHEADER& VideoInfoOf(const CMediaType& type);
// `bits` of `size` bytes as a picture of `type`; false when too few bytes.
bool DescribeDib(BYTE* bits, LONG size, const CMediaType& type, DibPicture& picture);
// The planes of an FFmpeg frame.
DibPicture DescribeFrame(AVFrame* frame);
// Converts and scales `from` into `to` with a scaler kept between calls.
bool ScalePicture(av::ScalerPtr& scaler, const DibPicture& from, const DibPicture& to);

} // namespace dshow
