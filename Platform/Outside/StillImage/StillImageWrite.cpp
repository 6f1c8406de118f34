#include "Platform/Outside/StillImage/StillImageWrite.h"

#include <cstdio>
#include <vector>

#include "Platform/Av/Encode.h"
#include "Platform/Av/Open.h"
#include "Platform/Av/Picture.h"
#include "Platform/Av/TempFile.h"

namespace {

// The frame as a picture over the caller's bytes (no copy): rows of a
// bottom-up frame are walked from the last one with a negative stride.
bool WrapFrame(const BITMAPINFOHEADER& header, const BYTE* bits, AVFrame& frame)
{
    const LONG width = header.biWidth;
    const LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (header.biCompression != BI_RGB || width <= 0 || height <= 0 || width > STILLIMAGE_MAX_SIDE ||
        height > STILLIMAGE_MAX_SIDE)
        return false;
    if (header.biBitCount == 24)
        frame.format = AV_PIX_FMT_BGR24;
    else if (header.biBitCount == 16)
        frame.format = AV_PIX_FMT_RGB555LE;
    else
        return false;
    const int stride = static_cast<int>((width * header.biBitCount / 8 + 3) & ~3);
    frame.width = static_cast<int>(width);
    frame.height = static_cast<int>(height);
    if (header.biHeight > 0) {
        frame.data[0] = const_cast<BYTE*>(bits) + static_cast<ptrdiff_t>(stride) * (height - 1);
        frame.linesize[0] = -stride;
    } else {
        frame.data[0] = const_cast<BYTE*>(bits);
        frame.linesize[0] = stride;
    }
    return true;
}

INT Encode(const AVFrame& frame, INT format, std::vector<uint8_t>& bytes)
{
    AVCodecID codec = AV_CODEC_ID_BMP;
    AVPixelFormat pixels = static_cast<AVPixelFormat>(frame.format);
    if (format == STILLIMAGE_FILE_JPEG) {
        codec = AV_CODEC_ID_MJPEG;
        pixels = AV_PIX_FMT_YUVJ444P;
    } else if (format == STILLIMAGE_FILE_TIFF) {
        codec = AV_CODEC_ID_TIFF;
        pixels = AV_PIX_FMT_RGB24;
    } else if (format != STILLIMAGE_FILE_BMP) {
        return STILLIMAGE_ERR_BAD_ARG;
    }
    av::CodecPtr encoder;
    if (av::OpenEncoder(codec, encoder, [&](AVCodecContext& context) {
            context.width = frame.width;
            context.height = frame.height;
            context.pix_fmt = pixels;
            context.time_base = AVRational{1, 25};
            if (codec == AV_CODEC_ID_MJPEG) {
                context.flags |= AV_CODEC_FLAG_QSCALE;
                context.global_quality = FF_QP2LAMBDA * 2;
                context.color_range = AVCOL_RANGE_JPEG;
            }
        }) < 0)
        return STILLIMAGE_ERR_BAD_ARG;
    // Always a picture of its own, top-down, in the encoder's format.
    av::FramePtr picture = av::ConvertPicture(&frame, pixels);
    if (!picture)
        return STILLIMAGE_ERR_NO_MEMORY;
    if (codec == AV_CODEC_ID_MJPEG)
        picture->quality = encoder->global_quality;
    return av::EncodePicture(encoder.get(), picture.get(), bytes) == 0 ? STILLIMAGE_OK : STILLIMAGE_ERR_CORRUPT;
}

} // namespace

INT StillImageSaveFile(LPCSTR path, const BITMAPINFOHEADER* header, const BYTE* bits, INT format)
{
    if (!path || !*path || !header || !bits)
        return STILLIMAGE_ERR_BAD_ARG;
    AVFrame frame{};
    if (!WrapFrame(*header, bits, frame))
        return STILLIMAGE_ERR_BAD_ARG;
    std::vector<uint8_t> bytes;
    if (INT result = Encode(frame, format, bytes); result != STILLIMAGE_OK)
        return result;
    av::TempFile file;
    if (file.Create(path) < 0)
        return STILLIMAGE_ERR_OPEN;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.File()) != bytes.size())
        return STILLIMAGE_ERR_OPEN;
    return file.Commit() < 0 ? STILLIMAGE_ERR_OPEN : STILLIMAGE_OK;
}
