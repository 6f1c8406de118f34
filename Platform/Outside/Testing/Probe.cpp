#include "Platform/Outside/Testing/Probe.h"

#include "Platform/Av/Av.h"

#include <cmath>
#include <filesystem>

namespace media_fixtures {
namespace {

// Decodes stream `index` of a fresh reading of the file to its end.
void Decode(const std::string& path, int index, ProbedStream& probed)
{
    av::InputPtr input;
    if (av::OpenInput(path, input) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0)
        return;
    av::CodecPtr decoder;
    if (av::OpenDecoder(input->streams[index]->codecpar, decoder) < 0)
        return;
    av::FramePtr frame(av_frame_alloc());
    const AVRational timeBase = input->streams[index]->time_base;
    while (av::DecodeNextFrame(input.get(), index, decoder.get(), frame.get()) == 0) {
        if (probed.decoded == 0 && frame->best_effort_timestamp != AV_NOPTS_VALUE)
            probed.firstTime = static_cast<double>(frame->best_effort_timestamp) * av_q2d(timeBase);
        probed.decoded += probed.video ? 1 : frame->nb_samples;
        av_frame_unref(frame.get());
    }
}

} // namespace

const ProbedStream* ProbedFile::Video() const
{
    for (const ProbedStream& stream : streams)
        if (stream.video)
            return &stream;
    return nullptr;
}

const ProbedStream* ProbedFile::Audio() const
{
    for (const ProbedStream& stream : streams)
        if (!stream.video)
            return &stream;
    return nullptr;
}

ProbedFile ProbeFile(const std::string& path)
{
    ProbedFile probed;
    av::QuietLogs();
    av::InputPtr input;
    if (av::OpenInput(path, input) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0)
        return probed;
    probed.opened = true;
    probed.format = input->iformat->name;
    if (input->duration != AV_NOPTS_VALUE)
        probed.duration = static_cast<double>(input->duration) / AV_TIME_BASE;
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(input->metadata, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr)
        probed.metadata[entry->key] = entry->value;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* stream = input->streams[i];
        const AVCodecParameters* parameters = stream->codecpar;
        if (parameters->codec_type != AVMEDIA_TYPE_VIDEO && parameters->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        ProbedStream out;
        out.video = parameters->codec_type == AVMEDIA_TYPE_VIDEO;
        out.codec = avcodec_get_name(parameters->codec_id);
        out.width = parameters->width;
        out.height = parameters->height;
        if (stream->avg_frame_rate.num > 0)
            out.frameRate = av_q2d(stream->avg_frame_rate);
        else if (stream->r_frame_rate.num > 0)
            out.frameRate = av_q2d(stream->r_frame_rate);
        out.sampleRate = parameters->sample_rate;
        out.channels = parameters->ch_layout.nb_channels;
        out.bitRate = parameters->bit_rate;
        Decode(path, static_cast<int>(i), out);
        probed.streams.push_back(out);
    }
    return probed;
}

std::vector<uint8_t> MovingPicture(int width, int height, int index, int stride)
{
    if (stride == 0)
        stride = width * 3;
    std::vector<uint8_t> bits(static_cast<size_t>(stride) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = &bits[static_cast<size_t>(y) * stride + x * 3];
            pixel[0] = static_cast<uint8_t>((x + index * 4) & 0xFF);
            pixel[1] = static_cast<uint8_t>((y * 2) & 0xFF);
            pixel[2] = static_cast<uint8_t>(((x / 16 + y / 16 + index) % 2) * 200);
        }
    return bits;
}

std::vector<uint8_t> Tone(int samples, int channels, int sampleRate, int64_t first)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(samples) * channels * 2);
    auto* out = reinterpret_cast<int16_t*>(bytes.data());
    for (int i = 0; i < samples; ++i) {
        const double phase = 2 * M_PI * 440.0 * static_cast<double>(first + i) / sampleRate;
        const auto value = static_cast<int16_t>(std::lround(8000 * std::sin(phase)));
        for (int c = 0; c < channels; ++c)
            out[i * channels + c] = value;
    }
    return bytes;
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

} // namespace media_fixtures
