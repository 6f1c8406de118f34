#include "Platform/Outside/RealMedia/RealMedia.h"

#include <cstdio>
#include <iterator>
#include <new>
#include <string>
#include <utility>

#include "Platform/Av/Av.h"

struct RMEDITFILE {
    av::InputPtr context;
};

namespace {

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

av::InputPtr OpenClip(const std::string& path)
{
    av::InputPtr context;
    av::OpenInput(path, context, "rm");
    return context;
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

void CopyText(LPSTR to, DWORD size, const char* from)
{
    if (size != 0)
        std::snprintf(to, size, "%s", from);
}

// The first picture of the stream that decodes, or null.
av::FramePtr DecodeFirstPicture(AVFormatContext* context, int streamIndex)
{
    av::CodecPtr decoder;
    av::FramePtr frame(av_frame_alloc());
    if (!frame || av::OpenDecoder(context->streams[streamIndex]->codecpar, decoder) < 0)
        return nullptr;
    if (av::DecodeNextFrame(context, streamIndex, decoder.get(), frame.get(), kThumbnailPacketLimit) < 0)
        return nullptr;
    return frame;
}

} // namespace

INT RMEditOpen(LPCSTR path, RMEDITFILE** file)
{
    if (file == nullptr)
        return RMEDIT_ERR_BAD_ARG;
    *file = nullptr;
    if (path == nullptr)
        return RMEDIT_ERR_BAD_ARG;
    av::InputPtr context = OpenClip(FilePath(path));
    if (!context)
        return RMEDIT_ERR_OPEN;
    auto* opened = new (std::nothrow) RMEDITFILE{std::move(context)};
    if (opened == nullptr)
        return RMEDIT_ERR_NO_MEMORY;
    *file = opened;
    return RMEDIT_OK;
}

void RMEditClose(RMEDITFILE* file)
{
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
    const AVFormatContext* context = file->context.get();
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
    av::InputPtr context = OpenClip(FilePath(url));
    if (!context)
        return FALSE;
    const int stream = av::FindStream(context.get(), AVMEDIA_TYPE_VIDEO);
    if (stream < 0)
        return FALSE;
    auto picture = DecodeFirstPicture(context.get(), stream);
    if (!picture || picture->width <= 0 || picture->height <= 0)
        return FALSE;
    const size_t stride = static_cast<size_t>(picture->width) * 3;
    auto* pixels = new (std::nothrow) BYTE[stride * static_cast<size_t>(picture->height)];
    if (pixels == nullptr)
        return FALSE;
    uint8_t* const planes[4] = {pixels, nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(stride), 0, 0, 0};
    if (!av::ConvertPicture(picture.get(), AV_PIX_FMT_BGR24, planes, strides)) {
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
