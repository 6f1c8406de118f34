#include "Platform/Outside/Testing/MediaFixtures.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace media_fixtures {

namespace {

struct ContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScalerFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct OutputFree {
    void operator()(AVFormatContext* c) const
    {
        if (c->pb != nullptr)
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
using ContextPtr = std::unique_ptr<AVCodecContext, ContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

struct StillEncoding {
    StillKind kind;
    AVCodecID codec;
    AVPixelFormat format;
    // TIFF compression option, or null.
    const char* tiffCompression;
};

constexpr StillEncoding kEncodings[] = {
    {StillKind::Bmp24, AV_CODEC_ID_BMP, AV_PIX_FMT_BGR24, nullptr},
    {StillKind::Bmp8, AV_CODEC_ID_BMP, AV_PIX_FMT_PAL8, nullptr},
    {StillKind::Jpeg, AV_CODEC_ID_MJPEG, AV_PIX_FMT_YUVJ444P, nullptr},
    {StillKind::Png24, AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, nullptr},
    {StillKind::Png8, AV_CODEC_ID_PNG, AV_PIX_FMT_PAL8, nullptr},
    {StillKind::TiffPackBits, AV_CODEC_ID_TIFF, AV_PIX_FMT_RGB24, "packbits"},
    {StillKind::TiffLzw, AV_CODEC_ID_TIFF, AV_PIX_FMT_RGB24, "lzw"},
    {StillKind::TiffRaw, AV_CODEC_ID_TIFF, AV_PIX_FMT_RGB24, "raw"},
    {StillKind::Gif, AV_CODEC_ID_GIF, AV_PIX_FMT_PAL8, nullptr},
    {StillKind::Tga24, AV_CODEC_ID_TARGA, AV_PIX_FMT_BGR24, nullptr},
    {StillKind::Tga8, AV_CODEC_ID_TARGA, AV_PIX_FMT_PAL8, nullptr},
    {StillKind::Pcx24, AV_CODEC_ID_PCX, AV_PIX_FMT_RGB24, nullptr},
    {StillKind::Pcx8, AV_CODEC_ID_PCX, AV_PIX_FMT_PAL8, nullptr},
};

int QuadrantIndex(int x, int y, int width, int height)
{
    return (y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0);
}

FramePtr MakeFrame(AVPixelFormat format, int width, int height)
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        return nullptr;
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    return frame;
}

FramePtr MakeRgbPicture(int width, int height)
{
    FramePtr frame = MakeFrame(AV_PIX_FMT_RGB24, width, height);
    if (!frame)
        return nullptr;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
        for (int x = 0; x < width; ++x) {
            const Rgb colour = PictureColorAt(x, y, width, height);
            row[3 * x] = colour.r;
            row[3 * x + 1] = colour.g;
            row[3 * x + 2] = colour.b;
        }
    }
    return frame;
}

FramePtr MakePalettePicture(int width, int height)
{
    FramePtr frame = MakeFrame(AV_PIX_FMT_PAL8, width, height);
    if (!frame)
        return nullptr;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
        for (int x = 0; x < width; ++x)
            row[x] = static_cast<uint8_t>(QuadrantIndex(x, y, width, height));
    }
    for (int i = 0; i < 256; ++i) {
        const Rgb colour = FixturePaletteEntry(i);
        const uint32_t argb = 0xFF000000u | uint32_t{colour.r} << 16 | uint32_t{colour.g} << 8 | colour.b;
        std::memcpy(frame->data[1] + 4 * i, &argb, sizeof argb);
    }
    return frame;
}

// The RGB picture in another format; full-range YUV targets are given to
// the scaler as their plain formats with the range set.
FramePtr ConvertPicture(const AVFrame* rgb, AVPixelFormat target)
{
    FramePtr frame = MakeFrame(target, rgb->width, rgb->height);
    if (!frame)
        return nullptr;
    AVPixelFormat scalerTarget = target;
    bool fullRange = false;
    if (target == AV_PIX_FMT_YUVJ444P) {
        scalerTarget = AV_PIX_FMT_YUV444P;
        fullRange = true;
    } else if (target == AV_PIX_FMT_YUVJ420P) {
        scalerTarget = AV_PIX_FMT_YUV420P;
        fullRange = true;
    }
    std::unique_ptr<SwsContext, ScalerFree> scaler(sws_getContext(rgb->width, rgb->height, AV_PIX_FMT_RGB24, rgb->width,
                                                                  rgb->height, scalerTarget, SWS_BILINEAR | SWS_ACCURATE_RND,
                                                                  nullptr, nullptr, nullptr));
    if (!scaler)
        return nullptr;
    if (fullRange) {
        const int* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
        sws_setColorspaceDetails(scaler.get(), coefficients, 1, coefficients, 1, 0, 1 << 16, 1 << 16);
        frame->color_range = AVCOL_RANGE_JPEG;
    }
    if (sws_scale(scaler.get(), rgb->data, rgb->linesize, 0, rgb->height, frame->data, frame->linesize) != rgb->height)
        return nullptr;
    return frame;
}

bool EncodeStill(const StillEncoding& encoding, int width, int height, std::vector<unsigned char>& bytes)
{
    const AVCodec* codec = avcodec_find_encoder(encoding.codec);
    if (codec == nullptr)
        return false;
    ContextPtr context(avcodec_alloc_context3(codec));
    PacketPtr packet(av_packet_alloc());
    if (!context || !packet)
        return false;
    context->width = width;
    context->height = height;
    context->pix_fmt = encoding.format;
    context->time_base = AVRational{1, 25};
    if (encoding.codec == AV_CODEC_ID_MJPEG) {
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA * 2;
        context->color_range = AVCOL_RANGE_JPEG;
    }
    if (encoding.tiffCompression != nullptr)
        av_opt_set(context->priv_data, "compression_algo", encoding.tiffCompression, 0);
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return false;
    FramePtr rgb = MakeRgbPicture(width, height);
    FramePtr frame;
    if (encoding.format == AV_PIX_FMT_PAL8)
        frame = MakePalettePicture(width, height);
    else if (rgb && encoding.format == AV_PIX_FMT_RGB24)
        frame = std::move(rgb);
    else if (rgb)
        frame = ConvertPicture(rgb.get(), encoding.format);
    if (!frame)
        return false;
    if (encoding.codec == AV_CODEC_ID_MJPEG)
        frame->quality = context->global_quality;
    if (avcodec_send_frame(context.get(), frame.get()) < 0 || avcodec_send_frame(context.get(), nullptr) < 0)
        return false;
    if (avcodec_receive_packet(context.get(), packet.get()) < 0)
        return false;
    bytes.assign(packet->data, packet->data + packet->size);
    return true;
}

bool EncodeAndWrite(AVFormatContext* output, AVCodecContext* encoder, AVStream* stream, const AVFrame* frame)
{
    if (avcodec_send_frame(encoder, frame) < 0)
        return false;
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return false;
    while (avcodec_receive_packet(encoder, packet.get()) >= 0) {
        av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (av_interleaved_write_frame(output, packet.get()) < 0)
            return false;
    }
    return true;
}

ContextPtr OpenVideoEncoder(const RealMediaClip& clip, AVFormatContext* output, AVStream*& stream)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_RV10);
    ContextPtr context(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
    stream = avformat_new_stream(output, nullptr);
    if (!context || stream == nullptr)
        return nullptr;
    context->width = clip.width;
    context->height = clip.height;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, clip.framesPerSecond};
    context->framerate = AVRational{clip.framesPerSecond, 1};
    context->bit_rate = 400000;
    context->gop_size = 5;
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(context.get(), codec, nullptr) < 0 || avcodec_parameters_from_context(stream->codecpar, context.get()) < 0)
        return nullptr;
    stream->time_base = context->time_base;
    return context;
}

ContextPtr OpenAudioEncoder(AVFormatContext* output, AVStream*& stream)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AC3);
    ContextPtr context(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
    stream = avformat_new_stream(output, nullptr);
    if (!context || stream == nullptr)
        return nullptr;
    context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    context->sample_rate = 44100;
    av_channel_layout_default(&context->ch_layout, 1);
    context->bit_rate = 64000;
    context->time_base = AVRational{1, context->sample_rate};
    if (avcodec_open2(context.get(), codec, nullptr) < 0 || avcodec_parameters_from_context(stream->codecpar, context.get()) < 0)
        return nullptr;
    stream->time_base = context->time_base;
    return context;
}

bool WriteVideoFrames(const RealMediaClip& clip, AVFormatContext* output, AVCodecContext* encoder, AVStream* stream)
{
    FramePtr rgb = MakeRgbPicture(clip.width, clip.height);
    FramePtr frame = rgb ? ConvertPicture(rgb.get(), AV_PIX_FMT_YUV420P) : nullptr;
    if (!frame)
        return false;
    for (int i = 0; i < clip.frames; ++i) {
        if (av_frame_make_writable(frame.get()) < 0)
            return false;
        frame->pts = i;
        if (!EncodeAndWrite(output, encoder, stream, frame.get()))
            return false;
    }
    return EncodeAndWrite(output, encoder, stream, nullptr);
}

bool WriteSilence(const RealMediaClip& clip, AVFormatContext* output, AVCodecContext* encoder, AVStream* stream)
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        return false;
    frame->format = encoder->sample_fmt;
    frame->nb_samples = encoder->frame_size;
    frame->sample_rate = encoder->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0)
        return false;
    const int64_t samples = static_cast<int64_t>(clip.frames) * encoder->sample_rate / clip.framesPerSecond;
    for (int64_t done = 0; done < samples; done += encoder->frame_size) {
        if (av_frame_make_writable(frame.get()) < 0)
            return false;
        for (int plane = 0; plane < frame->ch_layout.nb_channels; ++plane)
            std::memset(frame->data[plane], 0, static_cast<size_t>(frame->nb_samples) * sizeof(float));
        frame->pts = done;
        if (!EncodeAndWrite(output, encoder, stream, frame.get()))
            return false;
    }
    return EncodeAndWrite(output, encoder, stream, nullptr);
}

} // namespace

const std::vector<StillKindInfo>& StillKinds()
{
    static const std::vector<StillKindInfo> kinds = {
        {StillKind::Bmp24, "Bmp24", "bmp", 24, false, false},
        {StillKind::Bmp8, "Bmp8", "bmp", 8, false, true},
        {StillKind::Jpeg, "Jpeg", "jpg", 24, true, false},
        {StillKind::Png24, "Png24", "png", 24, false, false},
        {StillKind::Png8, "Png8", "png", 8, false, true},
        {StillKind::TiffPackBits, "TiffPackBits", "tif", 24, false, false},
        {StillKind::TiffLzw, "TiffLzw", "tif", 24, false, false},
        {StillKind::TiffRaw, "TiffRaw", "tif", 24, false, false},
        {StillKind::Gif, "Gif", "gif", 8, false, true},
        {StillKind::Tga24, "Tga24", "tga", 24, false, false},
        {StillKind::Tga8, "Tga8", "tga", 8, false, true},
        {StillKind::Pcx24, "Pcx24", "pcx", 24, false, false},
        {StillKind::Pcx8, "Pcx8", "pcx", 8, false, true},
    };
    return kinds;
}

const StillKindInfo& InfoOf(StillKind kind)
{
    for (const StillKindInfo& info : StillKinds()) {
        if (info.kind == kind)
            return info;
    }
    return StillKinds().front();
}

Rgb PictureColorAt(int x, int y, int width, int height)
{
    return FixturePaletteEntry(QuadrantIndex(x, y, width, height));
}

Rgb FixturePaletteEntry(int index)
{
    static constexpr Rgb kQuadrants[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    if (index >= 0 && index < 4)
        return kQuadrants[index];
    return Rgb{static_cast<unsigned char>(index), static_cast<unsigned char>(255 - index),
               static_cast<unsigned char>(index / 2)};
}

bool WriteStill(const std::string& path, StillKind kind, int width, int height)
{
    for (const StillEncoding& encoding : kEncodings) {
        if (encoding.kind != kind)
            continue;
        std::vector<unsigned char> bytes;
        return EncodeStill(encoding, width, height, bytes) && WriteBytes(path, bytes);
    }
    return false;
}

bool WriteBitfields565Bmp(const std::string& path, int width, int height)
{
    const uint32_t stride = (static_cast<uint32_t>(width) * 2 + 3) / 4 * 4;
    const uint32_t pixels = stride * static_cast<uint32_t>(height);
    const uint32_t offset = 14 + 40 + 12;
    std::vector<unsigned char> bytes;
    auto put16 = [&bytes](uint32_t v) {
        bytes.push_back(static_cast<unsigned char>(v));
        bytes.push_back(static_cast<unsigned char>(v >> 8));
    };
    auto put32 = [&put16](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    bytes.push_back('B');
    bytes.push_back('M');
    put32(offset + pixels);
    put32(0);
    put32(offset);
    put32(40);
    put32(static_cast<uint32_t>(width));
    put32(static_cast<uint32_t>(height));
    put16(1);
    put16(16);
    put32(3);
    put32(pixels);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    put32(0xF800);
    put32(0x07E0);
    put32(0x001F);
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = PictureColorAt(x, row, width, height);
            put16(static_cast<uint32_t>(c.r >> 3) << 11 | static_cast<uint32_t>(c.g >> 2) << 5 | (c.b >> 3));
        }
        for (uint32_t pad = static_cast<uint32_t>(width) * 2; pad < stride; ++pad)
            bytes.push_back(0);
    }
    return WriteBytes(path, bytes);
}

bool WriteRealMedia(const std::string& path, const RealMediaClip& clip)
{
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "rm", path.c_str()) < 0 || raw == nullptr)
        return false;
    std::unique_ptr<AVFormatContext, OutputFree> output(raw);
    const std::pair<const char*, const std::string*> texts[] = {
        {"title", &clip.title}, {"author", &clip.author}, {"copyright", &clip.copyright}, {"comment", &clip.comment}};
    for (const auto& [key, value] : texts) {
        if (!value->empty())
            av_dict_set(&output->metadata, key, value->c_str(), 0);
    }
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    ContextPtr video = clip.video ? OpenVideoEncoder(clip, output.get(), videoStream) : nullptr;
    ContextPtr audio = clip.audio ? OpenAudioEncoder(output.get(), audioStream) : nullptr;
    if ((clip.video && !video) || (clip.audio && !audio))
        return false;
    const std::string url = "file:" + path;
    if (avio_open(&output->pb, url.c_str(), AVIO_FLAG_WRITE) < 0)
        return false;
    if (avformat_write_header(output.get(), nullptr) < 0)
        return false;
    if (video && !WriteVideoFrames(clip, output.get(), video.get(), videoStream))
        return false;
    if (audio && !WriteSilence(clip, output.get(), audio.get(), audioStream))
        return false;
    return av_write_trailer(output.get()) >= 0;
}

void QuietMediaLogs()
{
    av_log_set_level(AV_LOG_QUIET);
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace media_fixtures
