#pragma once
// Pictures in memory and their conversion from one pixel format to another
// through swscale, at the same size.

#include <cstdint>

#include "Platform/Av/Pointers.h"

namespace av {

// The scaler's flags the conversions use unless told otherwise.
constexpr int kConvertFlags = SWS_BILINEAR | SWS_ACCURATE_RND;

// A picture of `format` at `width` x `height` with buffers of its own, or
// null when they cannot be had.
FramePtr AllocatePicture(AVPixelFormat format, int width, int height);

// Converts `picture` to `target` into the planes `to`, rows `strides` bytes
// apart. The full-range ("J") YUV formats, on either side, are given to the
// scaler as their plain formats with the range set, which is how it wants
// them, and a picture marked full range is read as full range. Only the
// picture's own bytes of each row are written, so `to` needs no slack: the
// scaler works in a padded picture of its own. False when the scaler cannot
// be made or does not convert every row.
bool ConvertPicture(const AVFrame* picture, AVPixelFormat target, uint8_t* const to[4], const int strides[4],
                    int flags = kConvertFlags);

// The same into a new picture of `target`, marked full range when `target`
// is a full-range format; null on failure.
FramePtr ConvertPicture(const AVFrame* picture, AVPixelFormat target, int flags = kConvertFlags);

} // namespace av
