#include "Platform/Outside/RealMedia/RealMedia.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

struct RMEDITFILE {
    AVFormatContext* context = nullptr;
};

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
struct FormatClose {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatClose>;

// The demuxer's names for the four clip texts, by RMEDIT_TEXT_* kind.
constexpr const char* kTextKeys[] = {"title", "author", "copyright", "comment"};

// A clip whose first pictures do not decode is not searched to its end.
constexpr int kThumbnailPacketLimit = 500;

std::string FilePath(LPCSTR url)
{
    std::string path(url);
    if (path.rfind("file:", 0) == 0)
        path.erase(0, 5);
    return path;
}

FormatPtr OpenClip(const std::string& path)
{
    const AVInputFormat* format = av_find_input_format("rm");
    if (format == nullptr)
        return nullptr;
    // The "file:" protocol keeps a path with ':' or '%' from being read as
    // another protocol or an image sequence.
    const std::string url = "file:" + path;
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, url.c_str(), format, nullptr) < 0)
        return nullptr;
    return FormatPtr(context);
}

DWORD DurationMs(const AVFormatContext* context)
{
    if (context->duration > 0)
        return static_cast<DWORD>(av_rescale(context->duration, 1000, AV_TIME_BASE));
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (stream->duration > 0)
            return static_cast<DWORD>(av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000}));
    }
    return 0;
}

int FirstVideoStream(const AVFormatContext* context)
{
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        if (context->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            return static_cast<int>(i);
    }
    return -1;
}

void CopyText(LPSTR to, DWORD size, const char* from)
{
    if (size != 0)
        std::snprintf(to, size, "%s", from);
}

// The first picture of the stream that decodes, or null.
std::unique_ptr<AVFrame, FrameFree> DecodeFirstPicture(AVFormatContext* context, int streamIndex)
{
    const AVCodecParameters* parameters = context->streams[streamIndex]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (codec == nullptr)
        return nullptr;
    std::unique_ptr<AVCodecContext, ContextFree> decoder(avcodec_alloc_context3(codec));
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    if (!decoder || !packet || !frame || avcodec_parameters_to_context(decoder.get(), parameters) < 0)
        return nullptr;
    decoder->thread_count = 1;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return nullptr;
    for (int read = 0; read < kThumbnailPacketLimit && av_read_frame(context, packet.get()) >= 0; ++read) {
        const bool ours = packet->stream_index == streamIndex;
        const int sent = ours ? avcodec_send_packet(decoder.get(), packet.get()) : 0;
        av_packet_unref(packet.get());
        if (ours && sent >= 0 && avcodec_receive_frame(decoder.get(), frame.get()) >= 0)
            return frame;
    }
    avcodec_send_packet(decoder.get(), nullptr);
    if (avcodec_receive_frame(decoder.get(), frame.get()) >= 0)
        return frame;
    return nullptr;
}

} // namespace

INT RMEditOpen(LPCSTR path, RMEDITFILE** file)
{
    if (file == nullptr)
        return RMEDIT_ERR_BAD_ARG;
    *file = nullptr;
    if (path == nullptr)
        return RMEDIT_ERR_BAD_ARG;
    FormatPtr context = OpenClip(FilePath(path));
    if (!context)
        return RMEDIT_ERR_OPEN;
    auto* opened = new (std::nothrow) RMEDITFILE;
    if (opened == nullptr)
        return RMEDIT_ERR_NO_MEMORY;
    opened->context = context.release();
    *file = opened;
    return RMEDIT_OK;
}

void RMEditClose(RMEDITFILE* file)
{
    if (file == nullptr)
        return;
    avformat_close_input(&file->context);
    delete file;
}

INT RMEditGetText(RMEDITFILE* file, INT kind, LPSTR buffer, DWORD size)
{
    if (file == nullptr || buffer == nullptr || kind < 0 || kind >= static_cast<INT>(std::size(kTextKeys)))
        return RMEDIT_ERR_BAD_ARG;
    const AVDictionaryEntry* entry = av_dict_get(file->context->metadata, kTextKeys[kind], nullptr, 0);
    CopyText(buffer, size, entry != nullptr ? entry->value : "");
    return RMEDIT_OK;
}

INT RMEditGetStreamInfo(RMEDITFILE* file, RMSTREAMINFO* info)
{
    if (file == nullptr || info == nullptr)
        return RMEDIT_ERR_BAD_ARG;
    *info = RMSTREAMINFO{};
    const AVFormatContext* context = file->context;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters* parameters = context->streams[i]->codecpar;
        if (parameters->codec_type == AVMEDIA_TYPE_AUDIO)
            info->bHasAudio = TRUE;
        if (parameters->codec_type == AVMEDIA_TYPE_VIDEO && !info->bHasVideo) {
            info->bHasVideo = TRUE;
            info->nVideoWidth = parameters->width;
            info->nVideoHeight = parameters->height;
        }
    }
    info->nDurationMs = DurationMs(context);
    return RMEDIT_OK;
}

INT RMEditGetProperty(RMEDITFILE* file, INT index, LPSTR name, DWORD nameSize, LPSTR value, DWORD valueSize)
{
    if (file == nullptr || name == nullptr || value == nullptr || index < 0)
        return RMEDIT_ERR_BAD_ARG;
    const AVDictionaryEntry* entry = nullptr;
    for (INT i = 0; i <= index; ++i) {
        entry = av_dict_get(file->context->metadata, "", entry, AV_DICT_IGNORE_SUFFIX);
        if (entry == nullptr)
            return RMEDIT_ERR_NO_ITEM;
    }
    CopyText(name, nameSize, entry->key);
    CopyText(value, valueSize, entry->value);
    return RMEDIT_OK;
}

BOOL GetRealThumb(LPCSTR url, BYTE** bits, INT* width, INT* height, INT* durationMs)
{
    if (url == nullptr || bits == nullptr || width == nullptr || height == nullptr || durationMs == nullptr)
        return FALSE;
    *bits = nullptr;
    FormatPtr context = OpenClip(FilePath(url));
    if (!context)
        return FALSE;
    const int stream = FirstVideoStream(context.get());
    if (stream < 0)
        return FALSE;
    auto picture = DecodeFirstPicture(context.get(), stream);
    if (!picture || picture->width <= 0 || picture->height <= 0)
        return FALSE;
    const size_t stride = static_cast<size_t>(picture->width) * 3;
    auto* pixels = new (std::nothrow) BYTE[stride * static_cast<size_t>(picture->height)];
    if (pixels == nullptr)
        return FALSE;
    std::unique_ptr<SwsContext, ScalerFree> scaler(sws_getContext(
        picture->width, picture->height, static_cast<AVPixelFormat>(picture->format), picture->width,
        picture->height, AV_PIX_FMT_BGR24, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    uint8_t* planes[4] = {pixels, nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(stride), 0, 0, 0};
    if (!scaler || sws_scale(scaler.get(), picture->data, picture->linesize, 0, picture->height, planes, strides)
                       != picture->height) {
        delete[] pixels;
        return FALSE;
    }
    *bits = pixels;
    *width = picture->width;
    *height = picture->height;
    *durationMs = static_cast<INT>(DurationMs(context.get()));
    return TRUE;
}

void CleanupRealThumb(BYTE* bits)
{
    delete[] bits;
}
