#include "Platform/Outside/Encoding/EncodedFile.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "Platform/Av/Encode.h"
#include "Platform/Av/Picture.h"
#include "Platform/Av/TempFile.h"

extern "C" {
#include <libavutil/mathematics.h>
}

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace av_encoding {
namespace {

struct FifoFree {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

} // namespace

struct EncodedFile::State {
    av::TempFile file;
    av::OutputPtr output;
    av::CodecPtr video;
    av::CodecPtr audio;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    av::ScalerPtr scaler;
    av::ResamplerPtr resampler;
    int resamplerRate = 0;
    int resamplerChannels = 0;
    std::unique_ptr<AVAudioFifo, FifoFree> fifo;
    int64_t videoFrames = 0;
    int64_t lastPicture = -1;
    int64_t audioSamples = 0;
    // A write failed: the file is no longer whole.
    int failure = 0;

    int Deliver(AVCodecContext* encoder, AVStream* stream, AVPacket* packet)
    {
        packet->stream_index = stream->index;
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        return av_interleaved_write_frame(output.get(), packet);
    }

    int Send(AVCodecContext* encoder, AVStream* stream, const AVFrame* frame)
    {
        if (failure != 0)
            return failure;
        const int result =
            av::Encode(encoder, frame, [&](AVPacket* packet) { return Deliver(encoder, stream, packet); });
        if (result < 0)
            failure = result;
        return result;
    }

    // Encodes whole encoder frames from the FIFO; at the end the rest,
    // padded with silence when the encoder takes only whole frames.
    int EncodeFifo(bool last)
    {
        const int frameSize = audio->frame_size > 0 ? audio->frame_size : 1024;
        const bool padLast = (audio->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) == 0;
        while (av_audio_fifo_size(fifo.get()) >= frameSize || (last && av_audio_fifo_size(fifo.get()) > 0)) {
            const int available = av_audio_fifo_size(fifo.get());
            const int count = available < frameSize ? available : frameSize;
            av::FramePtr frame(av_frame_alloc());
            if (!frame)
                return AVERROR(ENOMEM);
            frame->format = audio->sample_fmt;
            frame->sample_rate = audio->sample_rate;
            av_channel_layout_copy(&frame->ch_layout, &audio->ch_layout);
            frame->nb_samples = padLast ? frameSize : count;
            int result = av_frame_get_buffer(frame.get(), 0);
            if (result < 0)
                return result;
            av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, audio->ch_layout.nb_channels,
                                   audio->sample_fmt);
            if (av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->extended_data), count) != count)
                return AVERROR(EIO);
            frame->pts = audioSamples;
            audioSamples += count;
            result = Send(audio.get(), audioStream, frame.get());
            if (result < 0)
                return result;
        }
        return 0;
    }

    // Resamples into the FIFO; null input drains the resampler.
    int Resample(const uint8_t* pcm, int samples)
    {
        const int room = swr_get_out_samples(resampler.get(), samples);
        if (room < 0)
            return room;
        if (room == 0)
            return 0;
        uint8_t** planes = nullptr;
        int result = av_samples_alloc_array_and_samples(&planes, nullptr, audio->ch_layout.nb_channels, room,
                                                        audio->sample_fmt, 0);
        if (result < 0)
            return result;
        const uint8_t* in[1] = {pcm};
        const int converted = swr_convert(resampler.get(), planes, room, pcm != nullptr ? in : nullptr, samples);
        result = converted;
        if (converted > 0 && av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(planes), converted) != converted)
            result = AVERROR(ENOMEM);
        av_freep(&planes[0]);
        av_freep(&planes);
        return result < 0 ? result : 0;
    }
};

EncodedFile::EncodedFile() = default;

EncodedFile::~EncodedFile()
{
    Abandon();
}

bool EncodedFile::IsOpen() const
{
    return m_state != nullptr;
}

bool EncodedFile::HasVideo() const
{
    return m_state != nullptr && m_state->video != nullptr;
}

bool EncodedFile::HasAudio() const
{
    return m_state != nullptr && m_state->audio != nullptr;
}

int64_t EncodedFile::VideoFrames() const
{
    return m_state != nullptr ? m_state->videoFrames : 0;
}

int64_t EncodedFile::AudioSamples() const
{
    return m_state != nullptr ? m_state->audioSamples : 0;
}

int EncodedFile::Open(const std::string& target, const char* format, const VideoSettings* video,
                      const AudioSettings* audio, const std::map<std::string, std::string>& metadata,
                      const std::map<std::string, std::string>& muxerOptions)
{
    Abandon();
    if (video == nullptr && audio == nullptr)
        return AVERROR(EINVAL);
    auto state = std::make_unique<State>();
    int result = state->file.Create(target);
    if (result < 0)
        return result;
    result = av::CreateOutput(state->file.Path(), state->output, format);
    if (result < 0)
        return result;
    AVFormatContext* output = state->output.get();
    const bool globalHeader = (output->oformat->flags & AVFMT_GLOBALHEADER) != 0;

    if (video != nullptr) {
        const AVCodec* codec = avcodec_find_encoder(video->codec);
        if (codec == nullptr || video->width <= 0 || video->height <= 0 || video->frameRate.num <= 0 ||
            video->frameRate.den <= 0)
            return AVERROR(EINVAL);
        result = av::OpenEncoder(video->codec, state->video, [&](AVCodecContext& context) {
            context.width = video->width;
            context.height = video->height;
            context.pix_fmt = codec->pix_fmts != nullptr ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
            context.time_base = av_inv_q(video->frameRate);
            context.framerate = video->frameRate;
            context.bit_rate = video->bitRate;
            context.gop_size = video->gopSize;
            context.max_b_frames = video->maxBFrames;
            context.sample_aspect_ratio = video->sampleAspect;
            if (globalHeader)
                context.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
            if (video->extra)
                video->extra(context);
        });
        if (result < 0)
            return result;
        state->videoStream = avformat_new_stream(output, nullptr);
        if (state->videoStream == nullptr)
            return AVERROR(ENOMEM);
        result = avcodec_parameters_from_context(state->videoStream->codecpar, state->video.get());
        if (result < 0)
            return result;
        // The encoder's buffer and rate figures, which the MPEG muxers
        // write into the system header.
        for (int i = 0; i < state->video->nb_coded_side_data; ++i) {
            const AVPacketSideData& data = state->video->coded_side_data[i];
            uint8_t* copy = av_stream_new_side_data(state->videoStream, data.type, data.size);
            if (copy == nullptr)
                return AVERROR(ENOMEM);
            std::memcpy(copy, data.data, data.size);
        }
        state->videoStream->time_base = state->video->time_base;
        state->videoStream->avg_frame_rate = video->frameRate;
        state->videoStream->sample_aspect_ratio = video->sampleAspect;
    }

    if (audio != nullptr) {
        const AVCodec* codec = avcodec_find_encoder(audio->codec);
        if (codec == nullptr || audio->sampleRate <= 0 || audio->channels < 1 || audio->channels > 2)
            return AVERROR(EINVAL);
        result = av::OpenEncoder(audio->codec, state->audio, [&](AVCodecContext& context) {
            context.sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
            context.sample_rate = audio->sampleRate;
            av_channel_layout_default(&context.ch_layout, audio->channels);
            context.bit_rate = audio->bitRate;
            context.time_base = AVRational{1, audio->sampleRate};
            if (globalHeader)
                context.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        });
        if (result < 0)
            return result;
        state->audioStream = avformat_new_stream(output, nullptr);
        if (state->audioStream == nullptr)
            return AVERROR(ENOMEM);
        result = avcodec_parameters_from_context(state->audioStream->codecpar, state->audio.get());
        if (result < 0)
            return result;
        state->audioStream->time_base = state->audio->time_base;
        state->fifo.reset(
            av_audio_fifo_alloc(state->audio->sample_fmt, state->audio->ch_layout.nb_channels, 4096));
        if (!state->fifo)
            return AVERROR(ENOMEM);
    }

    for (const auto& [key, value] : metadata)
        av_dict_set(&output->metadata, key.c_str(), value.c_str(), 0);
    result = av::OpenOutputFile(output);
    if (result < 0)
        return result;
    AVDictionary* options = nullptr;
    for (const auto& [key, value] : muxerOptions)
        av_dict_set(&options, key.c_str(), value.c_str(), 0);
    result = avformat_write_header(output, &options);
    av_dict_free(&options);
    if (result < 0)
        return result;
    m_state = std::move(state);
    return 0;
}

int EncodedFile::WriteVideo(const uint8_t* bits, int width, int height, int stride, bool bottomUp, int64_t pts)
{
    if (!HasVideo())
        return AVERROR(EINVAL);
    if (bits == nullptr || width <= 0 || height <= 0 || stride < width * 3)
        return AVERROR(EINVAL);
    State& state = *m_state;
    AVCodecContext* encoder = state.video.get();
    SwsContext* scaler = sws_getCachedContext(state.scaler.release(), width, height, AV_PIX_FMT_BGR24,
                                              encoder->width, encoder->height, encoder->pix_fmt,
                                              av::kConvertFlags, nullptr, nullptr, nullptr);
    state.scaler.reset(scaler);
    if (scaler == nullptr)
        return AVERROR(EINVAL);
    av::FramePtr picture = av::AllocatePicture(encoder->pix_fmt, encoder->width, encoder->height);
    if (!picture)
        return AVERROR(ENOMEM);
    const uint8_t* source[4] = {bottomUp ? bits + static_cast<ptrdiff_t>(height - 1) * stride : bits};
    const int strides[4] = {bottomUp ? -stride : stride};
    if (sws_scale(scaler, source, strides, 0, height, picture->data, picture->linesize) != encoder->height)
        return AVERROR(EINVAL);
    picture->pts = pts;
    const int result = state.Send(encoder, state.videoStream, picture.get());
    if (result == 0) {
        ++state.videoFrames;
        state.lastPicture = pts;
    }
    return result;
}

int EncodedFile::WriteVideoAt(const uint8_t* bits, int width, int height, int stride, bool bottomUp, int64_t time,
                              AVRational unit)
{
    if (!HasVideo())
        return AVERROR(EINVAL);
    const int64_t picture =
        av_rescale_q_rnd(time, unit, m_state->video->time_base, static_cast<AVRounding>(AV_ROUND_NEAR_INF));
    if (picture <= m_state->lastPicture)
        return 0;
    return WriteVideo(bits, width, height, stride, bottomUp, picture);
}

int EncodedFile::WriteAudio(const uint8_t* pcm, size_t bytes, int sampleRate, int channels)
{
    if (!HasAudio())
        return AVERROR(EINVAL);
    if ((pcm == nullptr && bytes != 0) || sampleRate <= 0 || channels < 1 || channels > 2 ||
        bytes % static_cast<size_t>(channels * 2) != 0)
        return AVERROR(EINVAL);
    State& state = *m_state;
    if (state.failure != 0)
        return state.failure;
    if (bytes == 0)
        return 0;
    if (!state.resampler || state.resamplerRate != sampleRate || state.resamplerChannels != channels) {
        if (state.resampler) {
            // A new input format: what the old one still holds goes first.
            const int result = state.Resample(nullptr, 0);
            if (result < 0)
                return result;
        }
        AVChannelLayout layout;
        av_channel_layout_default(&layout, channels);
        SwrContext* resampler = nullptr;
        int result = swr_alloc_set_opts2(&resampler, &state.audio->ch_layout, state.audio->sample_fmt,
                                         state.audio->sample_rate, &layout, AV_SAMPLE_FMT_S16, sampleRate, 0,
                                         nullptr);
        state.resampler.reset(resampler);
        if (result < 0)
            return result;
        result = swr_init(resampler);
        if (result < 0)
            return result;
        state.resamplerRate = sampleRate;
        state.resamplerChannels = channels;
    }
    const int result = state.Resample(pcm, static_cast<int>(bytes / static_cast<size_t>(channels * 2)));
    if (result < 0)
        return result;
    return state.EncodeFifo(false);
}

int EncodedFile::Finish()
{
    if (!IsOpen())
        return AVERROR(EINVAL);
    State& state = *m_state;
    int result = state.failure;
    if (result == 0 && state.audio) {
        if (state.resampler)
            result = state.Resample(nullptr, 0);
        if (result == 0)
            result = state.EncodeFifo(true);
        if (result == 0)
            result = state.Send(state.audio.get(), state.audioStream, nullptr);
    }
    if (result == 0 && state.video)
        result = state.Send(state.video.get(), state.videoStream, nullptr);
    if (result == 0)
        result = av_write_trailer(state.output.get());
    if (result == 0 && state.output->pb != nullptr) {
        avio_flush(state.output->pb);
        result = state.output->pb->error;
        const int closed = avio_closep(&state.output->pb);
        if (result == 0)
            result = closed;
    }
    if (result == 0)
        result = state.file.Commit();
    m_state.reset();
    return result < 0 ? result : 0;
}

void EncodedFile::Abandon()
{
    m_state.reset();
}

} // namespace av_encoding
