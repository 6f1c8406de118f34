#include "Platform/Display/PngFile.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/Win/Kernel/Files.h"

namespace display {

namespace {

// Writes a ".partial" file beside `path` and moves it over `path` only once
// it is written whole, so a failed snapshot leaves no file and an older one
// intact.
bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::string partial = path + ".partial";
    HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // A packet's size is an int, so the bytes fit one call.
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    const BOOL closed = CloseHandle(file);
    if (!wrote || !closed || written != bytes.size()
        || !MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(partial.c_str());
        return false;
    }
    return true;
}

void CopyRgbRows(const DWORD* pixels, LONG width, LONG height, size_t stride, AVFrame* picture)
{
    for (LONG y = 0; y < height; ++y) {
        const DWORD* from = pixels + static_cast<size_t>(y) * stride;
        uint8_t* to = picture->data[0] + static_cast<ptrdiff_t>(y) * picture->linesize[0];
        for (LONG x = 0; x < width; ++x) {
            to[3 * x] = static_cast<uint8_t>(from[x] >> 16);
            to[3 * x + 1] = static_cast<uint8_t>(from[x] >> 8);
            to[3 * x + 2] = static_cast<uint8_t>(from[x]);
        }
    }
}

} // namespace

bool WritePng(const std::string& path, const DWORD* pixels, LONG width, LONG height, size_t stride)
{
    if (!pixels || width <= 0 || height <= 0 || stride < static_cast<size_t>(width))
        return false;
    av::CodecPtr encoder;
    const int opened = av::OpenEncoder(AV_CODEC_ID_PNG, encoder, [&](AVCodecContext& context) {
        context.width = width;
        context.height = height;
        context.pix_fmt = AV_PIX_FMT_RGB24;
        context.time_base = AVRational{1, 1};
    });
    if (opened < 0)
        return false;
    av::FramePtr picture = av::AllocatePicture(AV_PIX_FMT_RGB24, width, height);
    if (!picture)
        return false;
    CopyRgbRows(pixels, width, height, stride, picture.get());
    std::vector<uint8_t> bytes;
    return av::EncodePicture(encoder.get(), picture.get(), bytes) == 0 && WriteWhole(path, bytes);
}

bool ReadPng(const std::string& path, std::vector<DWORD>* pixels, LONG* width, LONG* height)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    av::CodecPtr decoder;
    av::FramePtr decoded(av_frame_alloc());
    if (bytes.empty() || !decoded || av::OpenDecoder(AV_CODEC_ID_PNG, decoder) < 0 ||
        av::DecodePicture(decoder.get(), bytes, decoded.get()) < 0)
        return false;
    av::FramePtr rgb = decoded->format == AV_PIX_FMT_RGB24
                           ? std::move(decoded)
                           : av::ConvertPicture(decoded.get(), AV_PIX_FMT_RGB24, SWS_POINT);
    if (!rgb)
        return false;
    *width = rgb->width;
    *height = rgb->height;
    pixels->resize(static_cast<size_t>(rgb->width) * static_cast<size_t>(rgb->height));
    for (int y = 0; y < rgb->height; ++y) {
        const uint8_t* row = rgb->data[0] + static_cast<ptrdiff_t>(y) * rgb->linesize[0];
        DWORD* to = pixels->data() + static_cast<size_t>(y) * static_cast<size_t>(rgb->width);
        for (int x = 0; x < rgb->width; ++x)
            to[x] = (DWORD{row[3 * x]} << 16) | (DWORD{row[3 * x + 1]} << 8) | row[3 * x + 2];
    }
    return true;
}

} // namespace display
