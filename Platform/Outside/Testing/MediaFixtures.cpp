#include "Platform/Outside/Testing/MediaFixtures.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <utility>

#include "Platform/Av/Av.h"
#include "Platform/Outside/Testing/Probe.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace media_fixtures {

namespace {

using av::CodecPtr;
using av::FramePtr;

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

FramePtr MakeRgbPicture(int width, int height)
{
    FramePtr frame = av::AllocatePicture(AV_PIX_FMT_RGB24, width, height);
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
    FramePtr frame = av::AllocatePicture(AV_PIX_FMT_PAL8, width, height);
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

bool EncodeStill(const StillEncoding& encoding, int width, int height, std::vector<unsigned char>& bytes)
{
    CodecPtr encoder;
    const int opened = av::OpenEncoder(encoding.codec, encoder, [&](AVCodecContext& context) {
        context.width = width;
        context.height = height;
        context.pix_fmt = encoding.format;
        context.time_base = AVRational{1, 25};
        if (encoding.codec == AV_CODEC_ID_MJPEG) {
            context.flags |= AV_CODEC_FLAG_QSCALE;
            context.global_quality = FF_QP2LAMBDA * 2;
            context.color_range = AVCOL_RANGE_JPEG;
        }
        if (encoding.tiffCompression != nullptr)
            av_opt_set(context.priv_data, "compression_algo", encoding.tiffCompression, 0);
    });
    if (opened < 0)
        return false;
    FramePtr rgb = MakeRgbPicture(width, height);
    FramePtr frame;
    if (encoding.format == AV_PIX_FMT_PAL8)
        frame = MakePalettePicture(width, height);
    else if (rgb && encoding.format == AV_PIX_FMT_RGB24)
        frame = std::move(rgb);
    else if (rgb)
        frame = av::ConvertPicture(rgb.get(), encoding.format);
    if (!frame)
        return false;
    if (encoding.codec == AV_CODEC_ID_MJPEG)
        frame->quality = encoder->global_quality;
    return av::EncodePicture(encoder.get(), frame.get(), bytes) == 0;
}

bool EncodeAndWrite(AVFormatContext* output, AVCodecContext* encoder, AVStream* stream, const AVFrame* frame)
{
    return av::Encode(encoder, frame, [&](AVPacket* packet) {
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        return av_interleaved_write_frame(output, packet);
    }) == 0;
}

// Opens the encoder and gives the output a stream of what it makes.
CodecPtr OpenStreamEncoder(AVCodecID codec, AVFormatContext* output, AVStream*& stream, const av::CodecSetup& setup)
{
    CodecPtr encoder;
    if (av::OpenEncoder(codec, encoder, setup) < 0)
        return nullptr;
    stream = avformat_new_stream(output, nullptr);
    if (stream == nullptr || avcodec_parameters_from_context(stream->codecpar, encoder.get()) < 0)
        return nullptr;
    stream->time_base = encoder->time_base;
    return encoder;
}

CodecPtr OpenVideoEncoder(const RealMediaClip& clip, AVFormatContext* output, AVStream*& stream)
{
    return OpenStreamEncoder(AV_CODEC_ID_RV10, output, stream, [&](AVCodecContext& context) {
        context.width = clip.width;
        context.height = clip.height;
        context.pix_fmt = AV_PIX_FMT_YUV420P;
        context.time_base = AVRational{1, clip.framesPerSecond};
        context.framerate = AVRational{clip.framesPerSecond, 1};
        context.bit_rate = 400000;
        context.gop_size = 5;
        if (output->oformat->flags & AVFMT_GLOBALHEADER)
            context.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    });
}

CodecPtr OpenAudioEncoder(AVFormatContext* output, AVStream*& stream)
{
    return OpenStreamEncoder(AV_CODEC_ID_AC3, output, stream, [](AVCodecContext& context) {
        context.sample_fmt = AV_SAMPLE_FMT_FLTP;
        context.sample_rate = 44100;
        av_channel_layout_default(&context.ch_layout, 1);
        context.bit_rate = 64000;
        context.time_base = AVRational{1, context.sample_rate};
    });
}

bool WriteVideoFrames(const RealMediaClip& clip, AVFormatContext* output, AVCodecContext* encoder, AVStream* stream)
{
    FramePtr rgb = MakeRgbPicture(clip.width, clip.height);
    FramePtr frame = rgb ? av::ConvertPicture(rgb.get(), AV_PIX_FMT_YUV420P) : nullptr;
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

constexpr double kToneHz = 440.0;
constexpr double kToneLevel = 0.5;

double ToneAt(std::int64_t sample, int rate)
{
    return kToneLevel * std::sin(2.0 * std::numbers::pi * kToneHz * static_cast<double>(sample) / rate);
}

void PutLe(std::vector<unsigned char>& bytes, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void PutTag(std::vector<unsigned char>& bytes, const char* tag)
{
    for (const char* c = tag; *c != '\0'; ++c)
        bytes.push_back(static_cast<unsigned char>(*c));
}

std::uint32_t GetLe(const unsigned char* at, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return value;
}

bool WriteWavTone(const std::string& path, const SoundClip& clip)
{
    const int bits = clip.kind == SoundKind::Wav8 ? 8 : 16;
    const auto frames = static_cast<std::int64_t>(std::llround(clip.seconds * clip.sampleRate));
    const auto blockAlign = static_cast<std::uint32_t>(clip.channels * bits / 8);
    const auto dataBytes = static_cast<std::uint32_t>(frames * blockAlign);
    std::vector<unsigned char> bytes;
    bytes.reserve(44 + dataBytes);
    PutTag(bytes, "RIFF");
    PutLe(bytes, 36 + dataBytes, 4);
    PutTag(bytes, "WAVEfmt ");
    PutLe(bytes, 16, 4);
    PutLe(bytes, 1, 2);
    PutLe(bytes, static_cast<std::uint32_t>(clip.channels), 2);
    PutLe(bytes, static_cast<std::uint32_t>(clip.sampleRate), 4);
    PutLe(bytes, static_cast<std::uint32_t>(clip.sampleRate) * blockAlign, 4);
    PutLe(bytes, blockAlign, 2);
    PutLe(bytes, static_cast<std::uint32_t>(bits), 2);
    PutTag(bytes, "data");
    PutLe(bytes, dataBytes, 4);
    for (std::int64_t i = 0; i < frames; ++i) {
        const double value = ToneAt(i, clip.sampleRate);
        for (int channel = 0; channel < clip.channels; ++channel) {
            if (bits == 8)
                bytes.push_back(static_cast<unsigned char>(std::lround(128.0 + 127.0 * value)));
            else
                PutLe(bytes, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(32767.0 * value))), 2);
        }
    }
    return WriteBytes(path, bytes);
}

// Fills sample `index` of every channel of `frame` with the tone at
// `sample`, in the frame's own sample format.
bool PutToneSample(AVFrame& frame, int index, double value)
{
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const int channels = frame.ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    for (int channel = 0; channel < channels; ++channel) {
        const int plane = planar ? channel : 0;
        const int slot = planar ? index : index * channels + channel;
        switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_S16:
            reinterpret_cast<std::int16_t*>(frame.data[plane])[slot] =
                static_cast<std::int16_t>(std::lround(32767.0 * value));
            break;
        case AV_SAMPLE_FMT_S32:
            reinterpret_cast<std::int32_t*>(frame.data[plane])[slot] =
                static_cast<std::int32_t>(std::lround(2147483647.0 * value));
            break;
        case AV_SAMPLE_FMT_FLT:
            reinterpret_cast<float*>(frame.data[plane])[slot] = static_cast<float>(value);
            break;
        default:
            return false;
        }
    }
    return true;
}

struct SoundEncoding {
    SoundKind kind;
    AVCodecID codec;
    const char* muxer;
    int bitRate;
};

constexpr SoundEncoding kSoundEncodings[] = {
    {SoundKind::Mp3, AV_CODEC_ID_MP3, "mp3", 64000},
    {SoundKind::Mp2, AV_CODEC_ID_MP2, "mp2", 128000},
    {SoundKind::Ac3, AV_CODEC_ID_AC3, "ac3", 96000},
    {SoundKind::WavImaAdpcm, AV_CODEC_ID_ADPCM_IMA_WAV, "wav", 0},
    {SoundKind::WavMsAdpcm, AV_CODEC_ID_ADPCM_MS, "wav", 0},
    {SoundKind::WavAlaw, AV_CODEC_ID_PCM_ALAW, "wav", 0},
    {SoundKind::WavMulaw, AV_CODEC_ID_PCM_MULAW, "wav", 0},
    {SoundKind::WavMp3, AV_CODEC_ID_MP3, "wav", 64000},
    {SoundKind::Wma, AV_CODEC_ID_WMAV2, "asf", 64000},
};

bool WriteEncodedTone(const std::string& path, const SoundClip& clip, const SoundEncoding& encoding)
{
    av::OutputPtr output;
    if (av::CreateOutput(path, output, encoding.muxer) < 0)
        return false;
    const AVCodec* codec = avcodec_find_encoder(encoding.codec);
    if (codec == nullptr || codec->sample_fmts == nullptr)
        return false;
    AVStream* stream = nullptr;
    CodecPtr encoder = OpenStreamEncoder(encoding.codec, output.get(), stream, [&](AVCodecContext& context) {
        context.sample_fmt = codec->sample_fmts[0];
        context.sample_rate = clip.sampleRate;
        av_channel_layout_default(&context.ch_layout, clip.channels);
        context.bit_rate = encoding.bitRate;
        context.time_base = AVRational{1, clip.sampleRate};
    });
    if (!encoder || av::OpenOutputFile(output.get()) < 0 || avformat_write_header(output.get(), nullptr) < 0)
        return false;
    FramePtr frame(av_frame_alloc());
    if (!frame)
        return false;
    const int frameSize = encoder->frame_size > 0 ? encoder->frame_size : 1024;
    const bool smallLast = (codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
    const auto samples = static_cast<std::int64_t>(std::llround(clip.seconds * clip.sampleRate));
    for (std::int64_t done = 0; done < samples; done += frameSize) {
        const auto left = static_cast<int>(std::min<std::int64_t>(frameSize, samples - done));
        av_frame_unref(frame.get());
        frame->format = encoder->sample_fmt;
        frame->sample_rate = encoder->sample_rate;
        frame->nb_samples = smallLast ? left : frameSize;
        if (av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout) < 0
            || av_frame_get_buffer(frame.get(), 0) < 0)
            return false;
        for (int i = 0; i < frame->nb_samples; ++i) {
            if (!PutToneSample(*frame, i, i < left ? ToneAt(done + i, clip.sampleRate) : 0.0))
                return false;
        }
        frame->pts = done;
        if (!EncodeAndWrite(output.get(), encoder.get(), stream, frame.get()))
            return false;
    }
    return EncodeAndWrite(output.get(), encoder.get(), stream, nullptr) && av_write_trailer(output.get()) >= 0;
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
    av::OutputPtr output;
    if (av::CreateOutput(path, output, "rm") < 0)
        return false;
    const std::pair<const char*, const std::string*> texts[] = {
        {"title", &clip.title}, {"author", &clip.author}, {"copyright", &clip.copyright}, {"comment", &clip.comment}};
    for (const auto& [key, value] : texts) {
        if (!value->empty())
            av_dict_set(&output->metadata, key, value->c_str(), 0);
    }
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    CodecPtr video = clip.video ? OpenVideoEncoder(clip, output.get(), videoStream) : nullptr;
    CodecPtr audio = clip.audio ? OpenAudioEncoder(output.get(), audioStream) : nullptr;
    if ((clip.video && !video) || (clip.audio && !audio))
        return false;
    if (av::OpenOutputFile(output.get()) < 0)
        return false;
    if (avformat_write_header(output.get(), nullptr) < 0)
        return false;
    if (video && !WriteVideoFrames(clip, output.get(), video.get(), videoStream))
        return false;
    if (audio && !WriteSilence(clip, output.get(), audio.get(), audioStream))
        return false;
    return av_write_trailer(output.get()) >= 0;
}

bool WriteSound(const std::string& path, const SoundClip& clip)
{
    if (clip.kind == SoundKind::Wav16 || clip.kind == SoundKind::Wav8)
        return WriteWavTone(path, clip);
    for (const SoundEncoding& encoding : kSoundEncodings) {
        if (encoding.kind == clip.kind)
            return WriteEncodedTone(path, clip, encoding);
    }
    return false;
}

bool ProbeSound(const std::string& path, ProbedSound& sound)
{
    av::InputPtr input;
    if (av::OpenInput(path, input) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0)
        return false;
    const int stream = av::FindStream(input.get(), AVMEDIA_TYPE_AUDIO);
    if (stream < 0)
        return false;
    const AVCodecParameters* parameters = input->streams[stream]->codecpar;
    CodecPtr decoder;
    FramePtr frame(av_frame_alloc());
    if (!frame || av::OpenDecoder(parameters, decoder) < 0)
        return false;
    std::int64_t samples = 0;
    while (av::DecodeNextFrame(input.get(), stream, decoder.get(), frame.get()) == 0) {
        samples += frame->nb_samples;
        av_frame_unref(frame.get());
    }
    sound.sampleRate = decoder->sample_rate;
    sound.channels = decoder->ch_layout.nb_channels;
    const AVSampleFormat format = decoder->sample_fmt;
    sound.bits = format == AV_SAMPLE_FMT_U8 || format == AV_SAMPLE_FMT_U8P ? 8 : 16;
    sound.seconds = sound.sampleRate > 0 ? static_cast<double>(samples) / sound.sampleRate : 0.0;
    return sound.sampleRate > 0 && sound.channels > 0;
}

bool ReadWavFileInfo(const std::string& path, WavFileInfo& info)
{
    const std::vector<unsigned char> bytes = ReadBytes(path);
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    bool format = false;
    bool data = false;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::uint32_t size = GetLe(bytes.data() + at + 4, 4);
        const unsigned char* body = bytes.data() + at + 8;
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && size >= 16 && at + 8 + 16 <= bytes.size()) {
            info.formatTag = static_cast<int>(GetLe(body, 2));
            info.channels = static_cast<int>(GetLe(body + 2, 2));
            info.sampleRate = GetLe(body + 4, 4);
            info.bytesPerSecond = GetLe(body + 8, 4);
            info.blockAlign = static_cast<int>(GetLe(body + 12, 2));
            info.bits = static_cast<int>(GetLe(body + 14, 2));
            format = true;
        } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            info.dataBytes = size;
            info.sizesAgree = GetLe(bytes.data() + 4, 4) + 8 == bytes.size() && at + 8 + size == bytes.size();
            data = true;
            break;
        }
        at += 8 + size + (size & 1);
    }
    return format && data;
}

void QuietMediaLogs()
{
    av::QuietLogs();
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

// The DV playback benchmark's clip and its direct decoding.
namespace {

constexpr int kDvWidth = 720;
constexpr int kDvHeight = 480;

void DrawTextured(AVFrame* frame, int n)
{
    for (int y = 0; y < kDvHeight; ++y)
        for (int x = 0; x < kDvWidth; ++x)
            frame->data[0][y * frame->linesize[0] + x] =
                static_cast<uint8_t>(16 + ((x * 3 + y * 5 + n * 7) ^ (x * y)) % 220);
    for (int plane = 1; plane < 3; ++plane)
        for (int y = 0; y < kDvHeight; ++y)
            for (int x = 0; x < kDvWidth / 4; ++x)
                frame->data[plane][y * frame->linesize[plane] + x] = static_cast<uint8_t>(64 + (x + y + n * plane) % 128);
}

constexpr int kBenchSampleRate = 48000;

// Sample frames of 48 kHz sound up to the start of picture `n` at 29.97.
int64_t SamplesBefore(int64_t n)
{
    return n * kBenchSampleRate * 1001 / 30000;
}

bool WriteDvClip(const std::string& path, int frames, int first, bool sound, bool soundStoredLate = false)
{
    av::OutputPtr output;
    CodecPtr encoder;
    if (av::CreateOutput(path, output, "avi") < 0 ||
        av::OpenEncoder(AV_CODEC_ID_DVVIDEO, encoder, [](AVCodecContext& c) {
            c.width = kDvWidth;
            c.height = kDvHeight;
            c.pix_fmt = AV_PIX_FMT_YUV411P;
            c.time_base = {1001, 30000};
        }) < 0)
        return false;
    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    if (!stream)
        return false;
    avcodec_parameters_from_context(stream->codecpar, encoder.get());
    stream->codecpar->codec_tag = MKTAG('d', 'v', 's', 'd');
    stream->time_base = encoder->time_base;
    AVStream* audio = sound ? avformat_new_stream(output.get(), nullptr) : nullptr;
    if (audio != nullptr) {
        audio->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
        audio->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
        audio->codecpar->sample_rate = kBenchSampleRate;
        av_channel_layout_default(&audio->codecpar->ch_layout, 2);
        audio->codecpar->bits_per_coded_sample = 16;
        // Without a bit rate the AVI muxer declares a quarter of the sound's
        // real block rate and stores most of it after the last picture.
        if (!soundStoredLate)
            audio->codecpar->bit_rate = static_cast<int64_t>(kBenchSampleRate) * 4 * 8;
        audio->codecpar->block_align = 4;
        audio->time_base = {1, kBenchSampleRate};
    } else if (sound) {
        return false;
    }
    if (av::OpenOutputFile(output.get()) < 0 || avformat_write_header(output.get(), nullptr) < 0)
        return false;
    FramePtr frame = av::AllocatePicture(AV_PIX_FMT_YUV411P, kDvWidth, kDvHeight);
    av::PacketPtr block(av_packet_alloc());
    if (!frame || !block)
        return false;
    auto write = [&](AVPacket* packet) {
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        return av_interleaved_write_frame(output.get(), packet);
    };
    for (int n = 0; n < frames; ++n) {
        DrawTextured(frame.get(), n + first);
        frame->pts = n;
        if (av::Encode(encoder.get(), frame.get(), write) < 0)
            return false;
        if (audio != nullptr) {
            const int64_t start = SamplesBefore(n);
            const auto count = static_cast<int>(SamplesBefore(n + 1) - start);
            const std::vector<uint8_t> pcm = Tone(count, 2, kBenchSampleRate, start);
            if (av_new_packet(block.get(), static_cast<int>(pcm.size())) < 0)
                return false;
            std::memcpy(block->data, pcm.data(), pcm.size());
            block->pts = start;
            block->duration = count;
            block->stream_index = audio->index;
            if (av_interleaved_write_frame(output.get(), block.get()) < 0)
                return false;
        }
    }
    return av::Encode(encoder.get(), nullptr, write) >= 0 && av_write_trailer(output.get()) >= 0;
}

} // namespace

bool WriteDvBenchmarkClip(const std::string& path, int frames)
{
    return WriteDvClip(path, frames, 0, false);
}

bool WriteDvBenchmarkClipWithSound(const std::string& path, int frames, int first)
{
    return WriteDvClip(path, frames, first, true);
}

bool WriteDvClipWithSoundStoredLate(const std::string& path, int frames)
{
    return WriteDvClip(path, frames, 0, true, true);
}

namespace {

// Decodes the first video stream of a file with libavcodec, frame by frame
// in presentation order, converting each to bottom-up BGR24 rows of
// DWORD-aligned stride at the coded size the way the playback decoder does
// (bilinear scaler), when asked. `each` gets the frame number and the rows
// (empty when not converted) and answers whether to go on; `opened` is the
// moment the file and its decoder were open, before the first read.
template <typename Each>
bool DecodeVideoFrames(const std::string& path, bool toRgb24, int& width, int& height, Each each,
                       std::chrono::steady_clock::time_point* opened = nullptr)
{
    av::InputPtr input;
    CodecPtr decoder;
    FramePtr frame(av_frame_alloc());
    if (!frame || av::OpenInput(path, input) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0)
        return false;
    const int stream = av::FindStream(input.get(), AVMEDIA_TYPE_VIDEO);
    if (stream < 0 || av::OpenDecoder(input->streams[stream]->codecpar, decoder) < 0)
        return false;
    width = input->streams[stream]->codecpar->width;
    height = input->streams[stream]->codecpar->height;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> rgb;
    if (toRgb24)
        rgb.resize(static_cast<size_t>(stride) * height);
    av::ScalerPtr scaler;
    if (opened)
        *opened = std::chrono::steady_clock::now();
    for (int n = 0; av::DecodeNextFrame(input.get(), stream, decoder.get(), frame.get()) == 0; ++n) {
        if (toRgb24) {
            scaler.reset(sws_getCachedContext(scaler.release(), frame->width, frame->height,
                                              static_cast<AVPixelFormat>(frame->format), width, height,
                                              AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr));
            if (!scaler)
                return false;
            uint8_t* planes[4] = {rgb.data() + static_cast<size_t>(stride) * (height - 1), nullptr, nullptr, nullptr};
            int strides[4] = {-stride, 0, 0, 0};
            sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
        }
        av_frame_unref(frame.get());
        if (!each(n, rgb))
            return true;
    }
    return true;
}

} // namespace

bool DecodeVideoDirectly(const std::string& path, bool toRgb24, int& frames, double& seconds)
{
    frames = 0;
    seconds = 0;
    int width = 0, height = 0;
    std::chrono::steady_clock::time_point begin;
    if (!DecodeVideoFrames(
            path, toRgb24, width, height,
            [&frames](int, const std::vector<uint8_t>&) {
                ++frames;
                return true;
            },
            &begin))
        return false;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    return frames > 0;
}

bool DecodeReferenceFrame(const std::string& path, int frame, ReferencePicture& picture)
{
    picture = ReferencePicture{};
    bool found = false;
    const bool decoded = DecodeVideoFrames(path, true, picture.width, picture.height,
                                           [&](int n, const std::vector<uint8_t>& rgb) {
                                               if (n < frame)
                                                   return true;
                                               picture.bits = rgb;
                                               found = true;
                                               return false;
                                           });
    picture.stride = (picture.width * 3 + 3) & ~3;
    return decoded && found;
}

bool ForEachReferenceFrame(const std::string& path,
                           const std::function<bool(int frame, const ReferencePicture& picture)>& each)
{
    ReferencePicture picture;
    return DecodeVideoFrames(path, true, picture.width, picture.height, [&](int n, const std::vector<uint8_t>& rgb) {
        picture.stride = (picture.width * 3 + 3) & ~3;
        picture.bits = rgb;
        return each(n, picture);
    });
}

Rgb ReferencePicture::At(int x, int y) const
{
    const unsigned char* p = bits.data() + static_cast<size_t>(height - 1 - y) * stride + 3 * x;
    return Rgb{p[2], p[1], p[0]};
}

bool TranscodeToMpeg2Directly(const std::vector<std::string>& clips, int encodeFrames, std::int64_t bitRate,
                              std::int64_t audioBitRate, int& decoded, double& seconds)
{
    decoded = 0;
    seconds = 0;
    CodecPtr video;
    CodecPtr sound;
    if (av::OpenEncoder(AV_CODEC_ID_MPEG2VIDEO, video, [&](AVCodecContext& c) {
            c.width = kDvWidth;
            c.height = kDvHeight;
            c.pix_fmt = AV_PIX_FMT_YUV420P;
            c.time_base = {1001, 30000};
            c.framerate = {30000, 1001};
            c.bit_rate = bitRate;
            c.gop_size = 12;
            c.max_b_frames = 2;
            c.rc_max_rate = std::max<std::int64_t>(bitRate, 9000000);
            c.rc_buffer_size = 1835008;
        }) < 0 ||
        av::OpenEncoder(AV_CODEC_ID_MP2, sound, [&](AVCodecContext& c) {
            c.sample_fmt = AV_SAMPLE_FMT_S16;
            c.sample_rate = kBenchSampleRate;
            av_channel_layout_default(&c.ch_layout, 2);
            c.bit_rate = audioBitRate;
            c.time_base = {1, kBenchSampleRate};
        }) < 0)
        return false;
    FramePtr picture = av::AllocatePicture(AV_PIX_FMT_YUV420P, kDvWidth, kDvHeight);
    FramePtr block(av_frame_alloc());
    FramePtr frame(av_frame_alloc());
    if (!picture || !block || !frame)
        return false;
    block->nb_samples = sound->frame_size;
    block->format = AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&block->ch_layout, 2);
    if (av_frame_get_buffer(block.get(), 0) < 0)
        return false;
    // A second of the tone, taken round and round.
    const std::vector<uint8_t> tone = Tone(kBenchSampleRate, 2, kBenchSampleRate);
    const int stride = kDvWidth * 3;
    std::vector<uint8_t> rgb(static_cast<size_t>(stride) * kDvHeight);
    av::ScalerPtr toRgb;
    av::ScalerPtr toYuv(sws_getContext(kDvWidth, kDvHeight, AV_PIX_FMT_BGR24, kDvWidth, kDvHeight,
                                       AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!toYuv)
        return false;
    const auto drop = [](AVPacket*) { return 0; };
    std::int64_t samples = 0;
    int encoded = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (const std::string& clip : clips) {
        av::InputPtr input;
        CodecPtr decoder;
        if (av::OpenInput(clip, input) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0)
            return false;
        const int stream = av::FindStream(input.get(), AVMEDIA_TYPE_VIDEO);
        if (stream < 0 || av::OpenDecoder(input->streams[stream]->codecpar, decoder) < 0)
            return false;
        while (av::DecodeNextFrame(input.get(), stream, decoder.get(), frame.get()) == 0) {
            ++decoded;
            toRgb.reset(sws_getCachedContext(toRgb.release(), frame->width, frame->height,
                                             static_cast<AVPixelFormat>(frame->format), kDvWidth, kDvHeight,
                                             AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr));
            uint8_t* bottom[4] = {rgb.data() + static_cast<size_t>(stride) * (kDvHeight - 1), nullptr, nullptr,
                                  nullptr};
            int up[4] = {-stride, 0, 0, 0};
            sws_scale(toRgb.get(), frame->data, frame->linesize, 0, frame->height, bottom, up);
            av_frame_unref(frame.get());
            if (encoded >= encodeFrames)
                continue;
            const uint8_t* rows[4] = {bottom[0], nullptr, nullptr, nullptr};
            if (av_frame_make_writable(picture.get()) < 0)
                return false;
            sws_scale(toYuv.get(), rows, up, 0, kDvHeight, picture->data, picture->linesize);
            picture->pts = encoded;
            if (av::Encode(video.get(), picture.get(), drop) < 0)
                return false;
            ++encoded;
            for (; samples + block->nb_samples <= SamplesBefore(encoded); samples += block->nb_samples) {
                if (av_frame_make_writable(block.get()) < 0)
                    return false;
                for (int i = 0; i < block->nb_samples; ++i)
                    std::memcpy(block->data[0] + i * 4, &tone[static_cast<size_t>((samples + i) % kBenchSampleRate) * 4], 4);
                block->pts = samples;
                if (av::Encode(sound.get(), block.get(), drop) < 0)
                    return false;
            }
        }
    }
    if (av::Encode(video.get(), nullptr, drop) < 0 || av::Encode(sound.get(), nullptr, drop) < 0)
        return false;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    return encoded == encodeFrames;
}

bool ReadBackMediaFile(const std::string& path, ReadBackFile& file)
{
    file = ReadBackFile{};
    av::InputPtr input;
    if (av::OpenInput(path, input) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0)
        return false;
    const int video = av::FindStream(input.get(), AVMEDIA_TYPE_VIDEO);
    const int audio = av::FindStream(input.get(), AVMEDIA_TYPE_AUDIO);
    if (video >= 0) {
        const AVCodecParameters* p = input->streams[video]->codecpar;
        file.videoCodec = avcodec_get_name(p->codec_id);
        file.width = p->width;
        file.height = p->height;
        file.depth = p->bits_per_coded_sample;
    }
    int align = 1;
    if (audio >= 0) {
        const AVCodecParameters* p = input->streams[audio]->codecpar;
        file.audio = true;
        file.audioCodec = avcodec_get_name(p->codec_id);
        file.audioRate = p->sample_rate;
        file.audioChannels = p->ch_layout.nb_channels;
        align = std::max(p->block_align, 1);
    }
    av::PacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == video && packet->size > 0) {
            file.videoPackets.emplace_back(packet->data, packet->data + packet->size);
        } else if (audio >= 0 && packet->stream_index == audio) {
            file.audioSamples += packet->size / align;
            file.audioBytes.insert(file.audioBytes.end(), packet->data, packet->data + packet->size);
            const size_t count = static_cast<size_t>(packet->size) / 2;
            const size_t at = file.audio16.size();
            file.audio16.resize(at + count);
            std::memcpy(file.audio16.data() + at, packet->data, count * 2);
        }
        av_packet_unref(packet.get());
    }
    return true;
}

} // namespace media_fixtures
