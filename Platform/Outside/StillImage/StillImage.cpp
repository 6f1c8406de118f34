#include "Platform/Outside/StillImage/StillImage.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/Win/Kernel/Memory.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace {

using av::FramePtr;

struct Signature {
    size_t offset;
    std::string_view bytes;
    AVCodecID codec;
};

// Signatures that identify a format on their own; checked before the
// extension so that a picture with the wrong extension still loads.
constexpr Signature kStrongSignatures[] = {
    {0, "BM", AV_CODEC_ID_BMP},
    {0, "\xFF\xD8\xFF", AV_CODEC_ID_MJPEG},
    {0, "\x89PNG\r\n\x1A\n", AV_CODEC_ID_PNG},
    {0, "II*\0", AV_CODEC_ID_TIFF},
    {0, "MM\0*", AV_CODEC_ID_TIFF},
    {0, "GIF87a", AV_CODEC_ID_GIF},
    {0, "GIF89a", AV_CODEC_ID_GIF},
    {0, "qoif", AV_CODEC_ID_QOI},
    {0, "\x59\xA6\x6A\x95", AV_CODEC_ID_SUNRAST},
    {2048, "PCD_IPI", AV_CODEC_ID_PHOTOCD},
};

struct ExtensionCodec {
    std::string_view extension;
    AVCodecID codec;
};

// Formats without a signature of their own.
constexpr ExtensionCodec kExtensionCodecs[] = {
    {"tga", AV_CODEC_ID_TARGA}, {"vda", AV_CODEC_ID_TARGA}, {"icb", AV_CODEC_ID_TARGA},
    {"vst", AV_CODEC_ID_TARGA}, {"pcx", AV_CODEC_ID_PCX},   {"pcd", AV_CODEC_ID_PHOTOCD},
    {"sgi", AV_CODEC_ID_SGI},   {"rgb", AV_CODEC_ID_SGI},   {"ras", AV_CODEC_ID_SUNRAST},
    {"xbm", AV_CODEC_ID_XBM},   {"xwd", AV_CODEC_ID_XWD},   {"dpx", AV_CODEC_ID_DPX},
    {"pix", AV_CODEC_ID_ALIAS_PIX},
};

struct FormatName {
    AVCodecID codec;
    const char* name;
};

constexpr FormatName kFormatNames[] = {
    {AV_CODEC_ID_BMP, "BMP"},     {AV_CODEC_ID_MJPEG, "JPEG"},     {AV_CODEC_ID_PNG, "PNG"},
    {AV_CODEC_ID_TIFF, "TIFF"},   {AV_CODEC_ID_GIF, "GIF"},        {AV_CODEC_ID_TARGA, "TGA"},
    {AV_CODEC_ID_PCX, "PCX"},     {AV_CODEC_ID_PHOTOCD, "PCD"},    {AV_CODEC_ID_QOI, "QOI"},
    {AV_CODEC_ID_SUNRAST, "RAS"}, {AV_CODEC_ID_SGI, "SGI"},        {AV_CODEC_ID_PBM, "PBM"},
    {AV_CODEC_ID_PGM, "PGM"},     {AV_CODEC_ID_PPM, "PPM"},        {AV_CODEC_ID_PAM, "PAM"},
    {AV_CODEC_ID_XBM, "XBM"},     {AV_CODEC_ID_XWD, "XWD"},        {AV_CODEC_ID_DPX, "DPX"},
    {AV_CODEC_ID_ALIAS_PIX, "PIX"},
};

struct TiffCompression {
    DWORD code;
    const char* name;
};

constexpr TiffCompression kTiffCompressions[] = {
    {1, "UNCOMPRESSED"}, {2, "CCITT RLE"}, {3, "CCITT G3"}, {4, "CCITT G4"},    {5, "LZW"},
    {6, "JPEG"},         {7, "JPEG"},      {8, "DEFLATE"},  {32773, "PACKBITS"}, {32946, "DEFLATE"},
};

bool Matches(const std::vector<BYTE>& data, const Signature& signature)
{
    return data.size() >= signature.offset + signature.bytes.size()
        && std::memcmp(data.data() + signature.offset, signature.bytes.data(), signature.bytes.size()) == 0;
}

std::string LowerExtension(LPCSTR path)
{
    std::string_view text(path);
    const size_t slash = text.find_last_of('/');
    const size_t dot = text.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    std::string extension(text.substr(dot + 1));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return extension;
}

// PCX has only a weak signature (a marker byte, a version, encoding 1), and
// the portable maps a two-letter one; both come after the extension table.
AVCodecID WeakSignature(const std::vector<BYTE>& data)
{
    if (data.size() >= 128 && data[0] == 0x0A && data[1] <= 5 && data[2] == 1)
        return AV_CODEC_ID_PCX;
    if (data.size() >= 3 && data[0] == 'P' && (data[2] == '\n' || data[2] == ' ' || data[2] == '\r')) {
        switch (data[1]) {
        case '1':
        case '4':
            return AV_CODEC_ID_PBM;
        case '2':
        case '5':
            return AV_CODEC_ID_PGM;
        case '3':
        case '6':
            return AV_CODEC_ID_PPM;
        case '7':
            return AV_CODEC_ID_PAM;
        default:
            break;
        }
    }
    if (data.size() >= 512 && data[0] == 0x01 && data[1] == 0xDA)
        return AV_CODEC_ID_SGI;
    return AV_CODEC_ID_NONE;
}

AVCodecID DetectCodec(const std::vector<BYTE>& data, LPCSTR path)
{
    for (const Signature& signature : kStrongSignatures) {
        if (Matches(data, signature))
            return signature.codec;
    }
    const std::string extension = LowerExtension(path);
    for (const ExtensionCodec& entry : kExtensionCodecs) {
        if (extension == entry.extension)
            return entry.codec;
    }
    return WeakSignature(data);
}

const char* FormatNameOf(AVCodecID codec)
{
    for (const FormatName& entry : kFormatNames) {
        if (entry.codec == codec)
            return entry.name;
    }
    return "";
}

INT ReadWholeFile(LPCSTR path, std::vector<BYTE>& data)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return STILLIMAGE_ERR_OPEN;
    const std::streamoff size = file.tellg();
    if (size < 0 || !file.seekg(0))
        return STILLIMAGE_ERR_READ;
    if (size == 0)
        return STILLIMAGE_ERR_FORMAT;
    if (size > STILLIMAGE_MAX_FILE)
        return STILLIMAGE_ERR_TOO_LARGE;
    try {
        data.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return STILLIMAGE_ERR_NO_MEMORY;
    }
    if (!file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size())))
        return STILLIMAGE_ERR_READ;
    return STILLIMAGE_OK;
}

// The first picture of the file, as the decoder delivers it.
INT DecodePicture(const std::vector<BYTE>& data, AVCodecID codecId, FramePtr& picture)
{
    av::CodecPtr decoder;
    const int opened = av::OpenDecoder(codecId, decoder, [](AVCodecContext& context) {
        context.max_pixels = STILLIMAGE_MAX_PIXELS;
    });
    if (opened < 0)
        return opened == AVERROR(ENOMEM) ? STILLIMAGE_ERR_NO_MEMORY : STILLIMAGE_ERR_FORMAT;
    FramePtr frame(av_frame_alloc());
    if (!frame)
        return STILLIMAGE_ERR_NO_MEMORY;
    const int decoded = av::DecodePicture(decoder.get(), data, frame.get());
    if (decoded == AVERROR(ERANGE))
        return STILLIMAGE_ERR_TOO_LARGE;
    if (decoded == AVERROR(ENOMEM))
        return STILLIMAGE_ERR_NO_MEMORY;
    if (decoded < 0)
        return STILLIMAGE_ERR_CORRUPT;
    if (frame->width > STILLIMAGE_MAX_SIDE || frame->height > STILLIMAGE_MAX_SIDE)
        return STILLIMAGE_ERR_TOO_LARGE;
    picture = std::move(frame);
    return STILLIMAGE_OK;
}

bool IsGrey(AVPixelFormat format)
{
    return format == AV_PIX_FMT_GRAY8 || format == AV_PIX_FMT_MONOWHITE || format == AV_PIX_FMT_MONOBLACK;
}

INT StoredBits(AVCodecID codec, AVPixelFormat format)
{
    // GIF stores palette indices; FFmpeg's decoder composes its frames in
    // 32-bit colour.
    if (codec == AV_CODEC_ID_GIF)
        return 8;
    switch (format) {
    case AV_PIX_FMT_PAL8:
    case AV_PIX_FMT_GRAY8:
        return 8;
    case AV_PIX_FMT_MONOWHITE:
    case AV_PIX_FMT_MONOBLACK:
        return 1;
    case AV_PIX_FMT_RGB565LE:
    case AV_PIX_FMT_RGB565BE:
    case AV_PIX_FMT_RGB555LE:
    case AV_PIX_FMT_RGB555BE:
    case AV_PIX_FMT_BGR565LE:
    case AV_PIX_FMT_BGR565BE:
    case AV_PIX_FMT_BGR555LE:
    case AV_PIX_FMT_BGR555BE:
    case AV_PIX_FMT_RGB444LE:
    case AV_PIX_FMT_RGB444BE:
        return 16;
    default:
        break;
    }
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    if (descriptor != nullptr && (descriptor->flags & AV_PIX_FMT_FLAG_ALPHA) != 0)
        return 32;
    return 24;
}

DWORD ReadU16(const std::vector<BYTE>& data, size_t at, bool bigEndian)
{
    return bigEndian ? (DWORD{data[at]} << 8 | data[at + 1]) : (DWORD{data[at + 1]} << 8 | data[at]);
}

DWORD ReadU32(const std::vector<BYTE>& data, size_t at, bool bigEndian)
{
    return bigEndian ? (ReadU16(data, at, true) << 16 | ReadU16(data, at + 2, true))
                     : (ReadU16(data, at + 2, false) << 16 | ReadU16(data, at, false));
}

// The Compression tag (259) of the first directory; 1 when it is absent.
DWORD TiffCompressionCode(const std::vector<BYTE>& data)
{
    if (data.size() < 8)
        return 0;
    const bool bigEndian = data[0] == 'M';
    const DWORD directory = ReadU32(data, 4, bigEndian);
    if (directory > data.size() || data.size() - directory < 2)
        return 0;
    const DWORD count = ReadU16(data, directory, bigEndian);
    for (DWORD i = 0; i < count; ++i) {
        const size_t entry = size_t{directory} + 2 + size_t{i} * 12;
        if (entry + 12 > data.size())
            return 0;
        if (ReadU16(data, entry, bigEndian) != 259)
            continue;
        const DWORD type = ReadU16(data, entry + 2, bigEndian);
        return type == 4 ? ReadU32(data, entry + 8, bigEndian) : ReadU16(data, entry + 8, bigEndian);
    }
    return 1;
}

const char* CompressionName(AVCodecID codec, const std::vector<BYTE>& data)
{
    switch (codec) {
    case AV_CODEC_ID_BMP: {
        static constexpr const char* kBmp[] = {"UNCOMPRESSED", "RLE8", "RLE4", "BITFIELDS", "JPEG", "PNG"};
        const DWORD code = data.size() >= 34 ? ReadU32(data, 30, false) : 0;
        return code < std::size(kBmp) ? kBmp[code] : "UNKNOWN";
    }
    case AV_CODEC_ID_TIFF: {
        const DWORD code = TiffCompressionCode(data);
        for (const TiffCompression& entry : kTiffCompressions) {
            if (entry.code == code)
                return entry.name;
        }
        return "UNKNOWN";
    }
    case AV_CODEC_ID_TARGA:
        return data.size() > 2 && data[2] >= 9 && data[2] <= 11 ? "RLE" : "UNCOMPRESSED";
    case AV_CODEC_ID_PCX:
        return "RLE";
    case AV_CODEC_ID_PNG:
        return "DEFLATE";
    case AV_CODEC_ID_MJPEG:
        return "JPEG";
    case AV_CODEC_ID_GIF:
        return "LZW";
    default:
        return "";
    }
}

INT LoadPicture(LPCSTR path, std::vector<BYTE>& data, AVCodecID& codec, FramePtr& picture)
{
    if (path == nullptr)
        return STILLIMAGE_ERR_BAD_ARG;
    INT result = ReadWholeFile(path, data);
    if (result != STILLIMAGE_OK)
        return result;
    codec = DetectCodec(data, path);
    if (codec == AV_CODEC_ID_NONE)
        return STILLIMAGE_ERR_FORMAT;
    return DecodePicture(data, codec, picture);
}

LONG RowBytes(LONG width, INT bits)
{
    return static_cast<LONG>((static_cast<LONGLONG>(width) * bits + 31) / 32 * 4);
}

bool AllocateBits(STILLBITMAP* bitmap, LONG width, LONG height, INT bits)
{
    const LONG stride = RowBytes(width, bits);
    bitmap->Bits = new (std::nothrow) BYTE[static_cast<size_t>(stride) * static_cast<size_t>(height)]();
    if (bitmap->Bits == nullptr)
        return false;
    bitmap->Width = width;
    bitmap->Height = height;
    bitmap->BitsPerPixel = bits;
    bitmap->BytesPerLine = stride;
    return true;
}

bool Convert(const AVFrame* frame, AVPixelFormat target, STILLBITMAP* bitmap)
{
    uint8_t* const planes[4] = {bitmap->Bits, nullptr, nullptr, nullptr};
    const int strides[4] = {bitmap->BytesPerLine, 0, 0, 0};
    return av::ConvertPicture(frame, target, planes, strides, av::kConvertFlags | SWS_FULL_CHR_H_INT);
}

INT FillBitmap(const AVFrame* frame, STILLBITMAP* bitmap)
{
    const auto format = static_cast<AVPixelFormat>(frame->format);
    if (format == AV_PIX_FMT_PAL8) {
        if (frame->data[1] == nullptr)
            return STILLIMAGE_ERR_CORRUPT;
        if (!AllocateBits(bitmap, frame->width, frame->height, 8))
            return STILLIMAGE_ERR_NO_MEMORY;
        for (LONG y = 0; y < bitmap->Height; ++y)
            std::memcpy(bitmap->Bits + static_cast<size_t>(y) * bitmap->BytesPerLine,
                        frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0], static_cast<size_t>(bitmap->Width));
        for (int i = 0; i < 256; ++i) {
            uint32_t argb;
            std::memcpy(&argb, frame->data[1] + 4 * i, sizeof argb);
            bitmap->Palette[i] = RGBQUAD{static_cast<BYTE>(argb), static_cast<BYTE>(argb >> 8),
                                         static_cast<BYTE>(argb >> 16), 0};
        }
        bitmap->ColorCount = 256;
        return STILLIMAGE_OK;
    }
    if (IsGrey(format)) {
        if (!AllocateBits(bitmap, frame->width, frame->height, 8))
            return STILLIMAGE_ERR_NO_MEMORY;
        if (!Convert(frame, AV_PIX_FMT_GRAY8, bitmap))
            return STILLIMAGE_ERR_CORRUPT;
        for (int i = 0; i < 256; ++i) {
            const BYTE level = static_cast<BYTE>(i);
            bitmap->Palette[i] = RGBQUAD{level, level, level, 0};
        }
        bitmap->ColorCount = 256;
        return STILLIMAGE_OK;
    }
    if (!AllocateBits(bitmap, frame->width, frame->height, 24))
        return STILLIMAGE_ERR_NO_MEMORY;
    return Convert(frame, AV_PIX_FMT_BGR24, bitmap) ? STILLIMAGE_OK : STILLIMAGE_ERR_CORRUPT;
}

void CopyText(char* to, size_t size, const char* from)
{
    std::snprintf(to, size, "%s", from);
}

} // namespace

INT StillImageGetFileInfo(LPCSTR path, STILLFILEINFO* info)
{
    if (info == nullptr)
        return STILLIMAGE_ERR_BAD_ARG;
    std::vector<BYTE> data;
    AVCodecID codec = AV_CODEC_ID_NONE;
    FramePtr picture;
    const INT result = LoadPicture(path, data, codec, picture);
    if (result != STILLIMAGE_OK)
        return result;
    *info = STILLFILEINFO{};
    info->Width = picture->width;
    info->Height = picture->height;
    info->BitsPerPixel = StoredBits(codec, static_cast<AVPixelFormat>(picture->format));
    info->SizeDisk = static_cast<LONGLONG>(data.size());
    CopyText(info->Format, sizeof info->Format, FormatNameOf(codec));
    CopyText(info->Compression, sizeof info->Compression, CompressionName(codec, data));
    return STILLIMAGE_OK;
}

void StillImageInitBitmap(STILLBITMAP* bitmap)
{
    if (bitmap != nullptr)
        *bitmap = STILLBITMAP{};
}

INT StillImageLoadFile(LPCSTR path, STILLBITMAP* bitmap)
{
    if (bitmap == nullptr)
        return STILLIMAGE_ERR_BAD_ARG;
    StillImageFreeBitmap(bitmap);
    std::vector<BYTE> data;
    AVCodecID codec = AV_CODEC_ID_NONE;
    FramePtr picture;
    INT result = LoadPicture(path, data, codec, picture);
    if (result == STILLIMAGE_OK)
        result = FillBitmap(picture.get(), bitmap);
    if (result != STILLIMAGE_OK)
        StillImageFreeBitmap(bitmap);
    return result;
}

INT StillImageColorRes(STILLBITMAP* bitmap, INT bitsPerPixel)
{
    if (bitmap == nullptr || bitmap->Bits == nullptr || bitsPerPixel != 24)
        return STILLIMAGE_ERR_BAD_ARG;
    if (bitmap->BitsPerPixel == 24)
        return STILLIMAGE_OK;
    STILLBITMAP expanded{};
    if (!AllocateBits(&expanded, bitmap->Width, bitmap->Height, 24))
        return STILLIMAGE_ERR_NO_MEMORY;
    for (LONG y = 0; y < bitmap->Height; ++y) {
        const BYTE* from = bitmap->Bits + static_cast<size_t>(y) * bitmap->BytesPerLine;
        BYTE* to = expanded.Bits + static_cast<size_t>(y) * expanded.BytesPerLine;
        for (LONG x = 0; x < bitmap->Width; ++x) {
            const RGBQUAD& colour = bitmap->Palette[from[x]];
            to[3 * x] = colour.rgbBlue;
            to[3 * x + 1] = colour.rgbGreen;
            to[3 * x + 2] = colour.rgbRed;
        }
    }
    StillImageFreeBitmap(bitmap);
    *bitmap = expanded;
    return STILLIMAGE_OK;
}

HGLOBAL StillImageToPackedDib(const STILLBITMAP* bitmap)
{
    if (bitmap == nullptr || bitmap->Bits == nullptr || (bitmap->BitsPerPixel != 8 && bitmap->BitsPerPixel != 24))
        return nullptr;
    const DWORD colours = bitmap->BitsPerPixel == 8 ? static_cast<DWORD>(bitmap->ColorCount > 0 ? bitmap->ColorCount : 256) : 0;
    const size_t table = colours * sizeof(RGBQUAD);
    const size_t pixels = static_cast<size_t>(bitmap->BytesPerLine) * static_cast<size_t>(bitmap->Height);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + table + pixels);
    if (block == nullptr)
        return nullptr;
    auto* base = static_cast<BYTE*>(GlobalLock(block));
    if (base == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = bitmap->Width;
    header.biHeight = bitmap->Height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitmap->BitsPerPixel);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(pixels);
    header.biClrUsed = colours;
    header.biClrImportant = colours;
    std::memcpy(base, &header, sizeof header);
    if (table != 0)
        std::memcpy(base + sizeof header, bitmap->Palette, table);
    BYTE* rows = base + sizeof header + table;
    for (LONG y = 0; y < bitmap->Height; ++y)
        std::memcpy(rows + static_cast<size_t>(bitmap->Height - 1 - y) * bitmap->BytesPerLine,
                    bitmap->Bits + static_cast<size_t>(y) * bitmap->BytesPerLine, static_cast<size_t>(bitmap->BytesPerLine));
    GlobalUnlock(block);
    return block;
}

void StillImageFreeBitmap(STILLBITMAP* bitmap)
{
    if (bitmap == nullptr)
        return;
    delete[] bitmap->Bits;
    *bitmap = STILLBITMAP{};
}
