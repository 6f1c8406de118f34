#pragma once
// Device-independent bitmaps as FFmpeg pictures: the layer's compressors
// and AVI streams take DIB bits (8-bit with the colour table that follows
// the header, 16-bit 5-5-5, 24-bit BGR, 32-bit BGRX; bottom-up unless the
// height is negative). Internal to the layer.

#include "Platform/Av/Pointers.h"
#include "Platform/Vfw/VfwTypes.h"

namespace vfw {

// Bytes of one DIB row: whole 32-bit words.
DWORD DibStride(LONG width, WORD bitCount);

// FFmpeg's pixel format for a BI_RGB DIB of that depth, AV_PIX_FMT_NONE for
// others.
AVPixelFormat DibPixelFormat(WORD bitCount);

// The bits converted to `target`, or null (an unknown depth, no memory).
av::FramePtr ConvertDib(const BITMAPINFOHEADER& header, const void* bits, AVPixelFormat target);

} // namespace vfw
