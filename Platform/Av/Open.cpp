#include "Platform/Av/Open.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace av {

namespace {

std::string FileUrl(const char* path)
{
    return std::string("file:") + path;
}

int OpenCodec(const AVCodec* codec, const AVCodecParameters* parameters, CodecPtr& opened, const CodecSetup& setup)
{
    CodecPtr context(avcodec_alloc_context3(codec));
    if (!context)
        return AVERROR(ENOMEM);
    if (parameters != nullptr) {
        const int copied = avcodec_parameters_to_context(context.get(), parameters);
        if (copied < 0)
            return copied;
    }
    if (av_codec_is_decoder(codec))
        context->thread_count = 1;
    if (setup)
        setup(*context);
    const int result = avcodec_open2(context.get(), codec, nullptr);
    if (result < 0)
        return result;
    opened = std::move(context);
    return 0;
}

} // namespace

int OpenInput(const std::string& path, InputPtr& input, const char* format)
{
    const AVInputFormat* demuxer = nullptr;
    if (format != nullptr) {
        demuxer = av_find_input_format(format);
        if (demuxer == nullptr)
            return AVERROR_DEMUXER_NOT_FOUND;
    }
    AVFormatContext* context = nullptr;
    const int result = avformat_open_input(&context, FileUrl(path.c_str()).c_str(), demuxer, nullptr);
    if (result < 0)
        return result;
    input.reset(context);
    return 0;
}

int OpenCustomInput(const AVInputFormat* format, void* opaque, ReadCallback read, SeekCallback seek, int bufferSize,
                    InputPtr& input)
{
    auto* buffer = static_cast<uint8_t*>(av_malloc(static_cast<size_t>(bufferSize)));
    if (buffer == nullptr)
        return AVERROR(ENOMEM);
    IoContextPtr io(avio_alloc_context(buffer, bufferSize, 0, opaque, read, nullptr, seek));
    if (io == nullptr) {
        av_free(buffer);
        return AVERROR(ENOMEM);
    }
    AVFormatContext* context = avformat_alloc_context();
    if (context == nullptr)
        return AVERROR(ENOMEM);
    context->pb = io.get();
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    // A failed open frees the context, but not the I/O, which is still io's.
    const int result = avformat_open_input(&context, "", format, nullptr);
    if (result < 0)
        return result;
    io.release();
    input.reset(context);
    return 0;
}

int FindStream(const AVFormatContext* input, AVMediaType type, int nth)
{
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type != type)
            continue;
        if (nth == 0)
            return static_cast<int>(i);
        --nth;
    }
    return -1;
}

int OpenDecoder(const AVCodecParameters* parameters, CodecPtr& decoder, const CodecSetup& setup)
{
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (codec == nullptr)
        return AVERROR_DECODER_NOT_FOUND;
    return OpenCodec(codec, parameters, decoder, setup);
}

int OpenDecoder(AVCodecID codecId, CodecPtr& decoder, const CodecSetup& setup)
{
    const AVCodec* codec = avcodec_find_decoder(codecId);
    if (codec == nullptr)
        return AVERROR_DECODER_NOT_FOUND;
    return OpenCodec(codec, nullptr, decoder, setup);
}

int OpenEncoder(AVCodecID codecId, CodecPtr& encoder, const CodecSetup& setup)
{
    const AVCodec* codec = avcodec_find_encoder(codecId);
    if (codec == nullptr)
        return AVERROR_ENCODER_NOT_FOUND;
    return OpenCodec(codec, nullptr, encoder, setup);
}

int CreateOutput(const std::string& path, OutputPtr& output, const char* format)
{
    AVFormatContext* context = nullptr;
    const int result = avformat_alloc_output_context2(&context, nullptr, format, path.c_str());
    if (result < 0)
        return result;
    if (context == nullptr)
        return AVERROR(ENOMEM);
    output.reset(context);
    return 0;
}

int OpenOutputFile(AVFormatContext* output)
{
    if (output->url == nullptr)
        return AVERROR(EINVAL);
    return std::min(avio_open(&output->pb, FileUrl(output->url).c_str(), AVIO_FLAG_WRITE), 0);
}

} // namespace av
