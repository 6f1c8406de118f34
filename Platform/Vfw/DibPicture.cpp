#include "Platform/Vfw/DibPicture.h"

#include <cstdlib>
#include <cstring>

#include "Platform/Av/Picture.h"

namespace vfw {

DWORD DibStride(LONG width, WORD bitCount)
{
    return static_cast<DWORD>((static_cast<std::int64_t>(width) * bitCount + 31) / 32 * 4);
}

AVPixelFormat DibPixelFormat(WORD bitCount)
{
    switch (bitCount) {
    case 8:
        return AV_PIX_FMT_PAL8;
    case 16:
        return AV_PIX_FMT_RGB555LE;
    case 24:
        return AV_PIX_FMT_BGR24;
    case 32:
        return AV_PIX_FMT_BGR0;
    default:
        return AV_PIX_FMT_NONE;
    }
}

av::FramePtr ConvertDib(const BITMAPINFOHEADER& header, const void* bits, AVPixelFormat target)
{
    const AVPixelFormat source = DibPixelFormat(header.biBitCount);
    if (source == AV_PIX_FMT_NONE || bits == nullptr || header.biWidth <= 0 || header.biHeight == 0)
        return nullptr;
    av::FramePtr view(av_frame_alloc());
    if (!view)
        return nullptr;
    const int height = std::abs(header.biHeight);
    const int stride = static_cast<int>(DibStride(header.biWidth, header.biBitCount));
    auto* first = static_cast<uint8_t*>(const_cast<void*>(bits));
    view->format = source;
    view->width = header.biWidth;
    view->height = height;
    // Bottom-up rows are read from the last row up, with a negative stride.
    if (header.biHeight > 0) {
        view->data[0] = first + static_cast<std::ptrdiff_t>(height - 1) * stride;
        view->linesize[0] = -stride;
    } else {
        view->data[0] = first;
        view->linesize[0] = stride;
    }
    uint32_t palette[256] = {};
    if (source == AV_PIX_FMT_PAL8) {
        const DWORD used = header.biClrUsed == 0 || header.biClrUsed > 256 ? 256 : header.biClrUsed;
        const auto* colours = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(&header) + header.biSize);
        for (DWORD i = 0; i < used; ++i)
            palette[i] = 0xFF000000u | static_cast<uint32_t>(colours[i].rgbRed) << 16
                         | static_cast<uint32_t>(colours[i].rgbGreen) << 8 | colours[i].rgbBlue;
        view->data[1] = reinterpret_cast<uint8_t*>(palette);
        view->linesize[1] = 0;
    }
    av::FramePtr converted = av::ConvertPicture(view.get(), target);
    // The view owns no buffers; it only lent the DIB's.
    std::memset(view->data, 0, sizeof view->data);
    return converted;
}

} // namespace vfw
