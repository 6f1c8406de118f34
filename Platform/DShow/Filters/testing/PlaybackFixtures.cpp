#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "Platform/Av/Av.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace playback_test {
namespace {

void Fill(AVFrame* frame, int level)
{
    for (int plane = 0; plane < 4 && frame->data[plane]; ++plane) {
        int height = plane == 0 ? frame->height : AV_CEIL_RSHIFT(frame->height, 1);
        if (frame->format == AV_PIX_FMT_YUV411P && plane > 0)
            height = frame->height;
        for (int y = 0; y < height; ++y)
            std::memset(frame->data[plane] + static_cast<ptrdiff_t>(y) * frame->linesize[plane],
                        plane == 0 ? level : 128, static_cast<size_t>(frame->linesize[plane]));
    }
}

// Luma plus a pattern of the seed and the frame number.
void Texture(AVFrame* frame, int seed, int number)
{
    for (int y = 0; y < frame->height; ++y) {
        uint8_t* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
        for (int x = 0; x < frame->width; ++x) {
            const unsigned mix = static_cast<unsigned>(x * 13 + y * 7 * seed + number * 29 + (x * y) % (seed + 11));
            row[x] = static_cast<uint8_t>(std::min(235, 40 + static_cast<int>(mix % 160)));
        }
    }
}

// The frame number in eight bars across the top quarter of the luma.
void Number(AVFrame* frame, int number)
{
    for (int y = 0; y < frame->height / 4; ++y) {
        uint8_t* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
        for (int x = 0; x < frame->width; ++x)
            row[x] = (number >> (x * 8 / frame->width) & 1) != 0 ? 235 : 16;
    }
}

// The sound sample `index` of a clip: the tone, or a click at each second.
double SoundAt(const Clip& clip, int64_t index, double& phase)
{
    if (clip.clicks)
        return index % clip.sampleRate < 4 ? 0.7 : 0.0;
    const double value = 0.3 * std::sin(phase);
    phase += 2 * M_PI * 440 / clip.sampleRate;
    return value;
}

struct Writer {
    av::OutputPtr output;
    av::CodecPtr video;
    av::CodecPtr audio;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;

    int Write(AVCodecContext* encoder, AVStream* stream, const AVFrame* frame)
    {
        return av::Encode(encoder, frame, [&](AVPacket* packet) {
            // A video packet lasts one frame; QuickTime drops a last
            // sample without a duration.
            if (packet->duration == 0 && encoder->codec_type == AVMEDIA_TYPE_VIDEO)
                packet->duration = 1;
            av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            return av_interleaved_write_frame(output.get(), packet);
        });
    }
};

bool Open(Writer& w, const std::string& path, const Clip& clip)
{
    if (av::CreateOutput(path, w.output, clip.container) < 0)
        return false;
    bool global = (w.output->oformat->flags & AVFMT_GLOBALHEADER) != 0;
    if (clip.video) {
        const AVCodec* codec = avcodec_find_encoder_by_name(clip.video);
        if (!codec || av::OpenEncoder(codec->id, w.video, [&](AVCodecContext& c) {
                c.width = clip.width;
                c.height = clip.height;
                c.pix_fmt = av_get_pix_fmt(clip.pixels);
                c.time_base = {clip.rateDen, clip.rateNum};
                c.framerate = {clip.rateNum, clip.rateDen};
                c.gop_size = 5;
                c.max_b_frames = 0;
                c.bit_rate = 2000000;
                c.color_range = AVCOL_RANGE_MPEG;
                if (global)
                    c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
                c.strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
            }) < 0)
            return false;
        w.videoStream = avformat_new_stream(w.output.get(), nullptr);
        avcodec_parameters_from_context(w.videoStream->codecpar, w.video.get());
        w.videoStream->time_base = w.video->time_base;
        if (clip.codecTag)
            w.videoStream->codecpar->codec_tag = clip.codecTag;
    }
    if (clip.audio) {
        const AVCodec* codec = avcodec_find_encoder_by_name(clip.audio);
        if (!codec || av::OpenEncoder(codec->id, w.audio, [&](AVCodecContext& c) {
                c.sample_rate = clip.sampleRate;
                av_channel_layout_default(&c.ch_layout, clip.channels);
                c.sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
                c.time_base = {1, clip.sampleRate};
                c.bit_rate = 128000;
                if (global)
                    c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
            }) < 0)
            return false;
        w.audioStream = avformat_new_stream(w.output.get(), nullptr);
        avcodec_parameters_from_context(w.audioStream->codecpar, w.audio.get());
        w.audioStream->time_base = w.audio->time_base;
    }
    return av::OpenOutputFile(w.output.get()) >= 0 && avformat_write_header(w.output.get(), nullptr) >= 0;
}

bool WriteAll(Writer& w, const Clip& clip)
{
    double seconds = static_cast<double>(clip.frames) * clip.rateDen / clip.rateNum;
    int64_t videoNext = 0;
    int64_t audioNext = 0;
    int64_t audioTotal = static_cast<int64_t>(seconds * clip.sampleRate + 0.5);
    double phase = 0;
    while (true) {
        double videoTime = w.video && videoNext < clip.frames ? static_cast<double>(videoNext) * clip.rateDen /
                                                                    clip.rateNum
                                                              : 1e9;
        double audioTime = w.audio && audioNext < audioTotal ? static_cast<double>(audioNext) / clip.sampleRate
                                                             : 1e9;
        if (videoTime >= 1e9 && audioTime >= 1e9)
            break;
        if (videoTime <= audioTime) {
            av::FramePtr frame = av::AllocatePicture(w.video->pix_fmt, clip.width, clip.height);
            if (!frame)
                return false;
            Fill(frame.get(), LevelOf(static_cast<int>(videoNext)));
            if (clip.texture != 0)
                Texture(frame.get(), clip.texture, static_cast<int>(videoNext));
            if (clip.numbered)
                Number(frame.get(), static_cast<int>(videoNext));
            frame->pts = videoNext++;
            if (w.Write(w.video.get(), w.videoStream, frame.get()) < 0)
                return false;
        } else {
            int size = w.audio->frame_size > 0 ? w.audio->frame_size : 1024;
            if (!(w.audio->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) && w.audio->frame_size > 0 &&
                audioNext + size > audioTotal && w.audio->codec_id != AV_CODEC_ID_PCM_S16LE) {
                // The last whole frame: fixed-size encoders are given only those.
                audioNext = audioTotal;
                continue;
            }
            size = static_cast<int>(std::min<int64_t>(size, audioTotal - audioNext));
            av::FramePtr frame(av_frame_alloc());
            frame->format = w.audio->sample_fmt;
            frame->nb_samples = size;
            frame->sample_rate = clip.sampleRate;
            av_channel_layout_copy(&frame->ch_layout, &w.audio->ch_layout);
            if (av_frame_get_buffer(frame.get(), 0) < 0)
                return false;
            for (int i = 0; i < size; ++i) {
                const double value = SoundAt(clip, audioNext + i, phase);
                for (int c = 0; c < clip.channels; ++c) {
                    switch (w.audio->sample_fmt) {
                    case AV_SAMPLE_FMT_S16:
                        reinterpret_cast<int16_t*>(frame->data[0])[i * clip.channels + c] =
                            static_cast<int16_t>(value * 32767);
                        break;
                    case AV_SAMPLE_FMT_S16P:
                        reinterpret_cast<int16_t*>(frame->data[c])[i] = static_cast<int16_t>(value * 32767);
                        break;
                    case AV_SAMPLE_FMT_FLTP:
                        reinterpret_cast<float*>(frame->data[c])[i] = static_cast<float>(value);
                        break;
                    case AV_SAMPLE_FMT_FLT:
                        reinterpret_cast<float*>(frame->data[0])[i * clip.channels + c] = static_cast<float>(value);
                        break;
                    default:
                        return false;
                    }
                }
            }
            frame->pts = audioNext;
            audioNext += size;
            if (w.Write(w.audio.get(), w.audioStream, frame.get()) < 0)
                return false;
        }
    }
    if (w.video && w.Write(w.video.get(), w.videoStream, nullptr) < 0)
        return false;
    if (w.audio && w.Write(w.audio.get(), w.audioStream, nullptr) < 0)
        return false;
    return av_write_trailer(w.output.get()) >= 0;
}

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes = 4)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

void PatchLe(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A type-1 DV AVI around raw DIF frames: hdrl with one 'iavs' stream whose
// format is a DVINFO, movi of '00__' chunks and an idx1.
bool WriteInterleavedAvi(const std::string& path, const std::vector<std::vector<uint8_t>>& frames, bool pal)
{
    const uint32_t frameSize = pal ? 144000 : 120000;
    const uint32_t scale = pal ? 1 : 1001, rate = pal ? 25 : 30000;
    const uint32_t width = 720, height = pal ? 576 : 480;
    std::vector<uint8_t> f;
    PutTag(f, "RIFF");
    PutLe(f, 0);
    PutTag(f, "AVI ");
    PutTag(f, "LIST");
    size_t hdrlSize = f.size();
    PutLe(f, 0);
    PutTag(f, "hdrl");
    PutTag(f, "avih");
    PutLe(f, 56);
    PutLe(f, static_cast<uint32_t>(1000000ull * scale / rate));
    PutLe(f, frameSize * rate / scale);
    PutLe(f, 0);
    PutLe(f, 0x10); // AVIF_HASINDEX
    PutLe(f, static_cast<uint32_t>(frames.size()));
    PutLe(f, 0);
    PutLe(f, 1);
    PutLe(f, frameSize);
    PutLe(f, width);
    PutLe(f, height);
    for (int i = 0; i < 4; ++i)
        PutLe(f, 0);
    PutTag(f, "LIST");
    size_t strlSize = f.size();
    PutLe(f, 0);
    PutTag(f, "strl");
    PutTag(f, "strh");
    PutLe(f, 56);
    PutTag(f, "iavs");
    PutTag(f, "dvsd");
    PutLe(f, 0);
    PutLe(f, 0);
    PutLe(f, 0);
    PutLe(f, scale);
    PutLe(f, rate);
    PutLe(f, 0);
    PutLe(f, static_cast<uint32_t>(frames.size()));
    PutLe(f, frameSize);
    PutLe(f, 0xFFFFFFFF);
    PutLe(f, 0);
    PutLe(f, 0, 2);
    PutLe(f, 0, 2);
    PutLe(f, width, 2);
    PutLe(f, height, 2);
    PutTag(f, "strf");
    PutLe(f, 32);
    // DVINFO: the AAUX source pack says 48 kHz, the VAUX one the system.
    PutLe(f, 0xC0C00000u);
    PutLe(f, 0);
    PutLe(f, 0xC0C00000u);
    PutLe(f, 0);
    PutLe(f, pal ? 0x00200000u : 0);
    PutLe(f, 0);
    PutLe(f, 0);
    PutLe(f, 0);
    PatchLe(f, strlSize, static_cast<uint32_t>(f.size() - strlSize - 4));
    PatchLe(f, hdrlSize, static_cast<uint32_t>(f.size() - hdrlSize - 4));
    PutTag(f, "LIST");
    size_t moviSize = f.size();
    PutLe(f, 0);
    PutTag(f, "movi");
    std::vector<uint32_t> offsets;
    for (const std::vector<uint8_t>& frame : frames) {
        offsets.push_back(static_cast<uint32_t>(f.size() - moviSize - 4));
        PutTag(f, "00__");
        PutLe(f, static_cast<uint32_t>(frame.size()));
        f.insert(f.end(), frame.begin(), frame.end());
        if (frame.size() & 1)
            f.push_back(0);
    }
    PatchLe(f, moviSize, static_cast<uint32_t>(f.size() - moviSize - 4));
    PutTag(f, "idx1");
    PutLe(f, static_cast<uint32_t>(16 * frames.size()));
    for (size_t i = 0; i < frames.size(); ++i) {
        PutTag(f, "00__");
        PutLe(f, 0x10);
        PutLe(f, offsets[i]);
        PutLe(f, static_cast<uint32_t>(frames[i].size()));
    }
    PatchLe(f, 4, static_cast<uint32_t>(f.size() - 8));
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
    return static_cast<bool>(out);
}

} // namespace

bool WriteClip(const std::string& path, const Clip& clip)
{
    Writer w;
    return Open(w, path, clip) && WriteAll(w, clip);
}

Clip DvClip(int frames, bool pal)
{
    Clip clip;
    clip.video = "dvvideo";
    clip.pixels = pal ? "yuv420p" : "yuv411p";
    clip.width = 720;
    clip.height = pal ? 576 : 480;
    clip.rateNum = pal ? 25 : 30000;
    clip.rateDen = pal ? 1 : 1001;
    clip.frames = frames;
    clip.audio = "pcm_s16le";
    clip.sampleRate = 48000;
    clip.channels = 2;
    clip.container = "avi";
    clip.codecTag = MKTAG('d', 'v', 's', 'd');
    return clip;
}

bool WriteDvAvi(const std::string& path, int type, int frames, bool pal)
{
    return WriteDvAvi(path, type, DvClip(frames, pal));
}

bool WriteDvAvi(const std::string& path, int type, const Clip& dv)
{
    Clip clip = dv;
    const bool pal = clip.height == 576;
    if (type == 2)
        return WriteClip(path, clip);
    // Type 1: DIF frames with their sound from FFmpeg's DV muxer, wrapped.
    std::string raw = path + ".dv";
    clip.container = "dv";
    clip.codecTag = 0;
    if (!WriteClip(raw, clip))
        return false;
    std::ifstream in(raw, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(raw.c_str());
    size_t frameSize = pal ? 144000 : 120000;
    std::vector<std::vector<uint8_t>> dif;
    for (size_t at = 0; at + frameSize <= bytes.size(); at += frameSize)
        dif.emplace_back(bytes.begin() + static_cast<ptrdiff_t>(at),
                         bytes.begin() + static_cast<ptrdiff_t>(at + frameSize));
    return !dif.empty() && WriteInterleavedAvi(path, dif, pal);
}

bool WriteTexturedDvAvi(const std::string& path, int frames, bool pal, int texture)
{
    Clip clip = DvClip(frames, pal);
    clip.texture = texture;
    return WriteClip(path, clip);
}

} // namespace playback_test
