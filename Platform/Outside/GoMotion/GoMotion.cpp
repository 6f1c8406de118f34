#include "Platform/Outside/GoMotion/GoMotion.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <string>

#include "Platform/Outside/Encoding/EncodedFile.h"
#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WaveFormat.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace {

using av_encoding::AudioSettings;
using av_encoding::EncodedFile;
using av_encoding::VideoSettings;

struct Context {
    EncodedFile file;
    int width = 0;
    int height = 0;
    WAVEFORMATEX audio{};
    DWORD pictures = 0;
};

// Video CD: fixed rates, fixed sizes.
constexpr int64_t kVcdVideoRate = 1150000;
constexpr int64_t kVcdAudioRate = 224000;
constexpr int kVcdSampleRate = 44100;
// DVD players' limits for the video rate control.
constexpr int64_t kDvdMaxRate = 9000000;
constexpr int kDvdBufferSize = 1835008;
constexpr int kDvdSampleRate = 48000;
// MP2 rates per channel in units of 8 kb/s: 32..192 kb/s, legal for one and
// for two channels.
constexpr int kAudioRates[] = {4, 6, 7, 8, 10, 12, 14, 16, 20, 24};

bool FrameRateOf(int code, AVRational& rate)
{
    static const AVRational rates[] = {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}};
    if (code < 1 || code > 5)
        return false;
    rate = rates[code - 1];
    return true;
}

AVRational SampleAspectOf(int code)
{
    switch (code) {
    case 8:
        return {59, 54};
    case 12:
        return {10, 11};
    default:
        return {1, 1};
    }
}

int VideoFormatOf(int word)
{
    return word == 1 || word == 2 ? word : 5;
}

Context* ContextOf(void* context)
{
    return static_cast<Context*>(context);
}

} // namespace

void* GoMotionCreateContext()
{
    return new Context;
}

int OpenGoMotionEncoder(void* handle, const INT_PTR openRecord[GOMOTION_OPEN_WORDS],
                        const INT32 params[GOMOTION_PARAM_WORDS])
{
    Context* context = ContextOf(handle);
    if (context == nullptr || openRecord == nullptr || params == nullptr)
        return GOMOTION_ERR_ARG;
    if (context->file.IsOpen())
        return GOMOTION_ERR_STATE;
    const auto* picture = reinterpret_cast<const BITMAPINFOHEADER*>(openRecord[GOMOTION_OPEN_VIDEO_FORMAT]);
    const auto* sound = reinterpret_cast<const WAVEFORMATEX*>(openRecord[GOMOTION_OPEN_AUDIO_FORMAT]);
    const auto* path = reinterpret_cast<const char*>(openRecord[GOMOTION_OPEN_PATH]);
    const bool hasVideo = openRecord[GOMOTION_OPEN_HAS_VIDEO] != 0;
    const bool hasAudio = openRecord[GOMOTION_OPEN_HAS_AUDIO] != 0;
    if (path == nullptr || *path == '\0' || (!hasVideo && !hasAudio))
        return GOMOTION_ERR_ARG;
    const int variant = params[GOMOTION_PARAM_VARIANT];
    if (variant < 0 || variant > 2)
        return GOMOTION_ERR_ARG;
    const bool vcd = variant == 2;

    VideoSettings video;
    if (hasVideo) {
        if (picture == nullptr || picture->biBitCount != 24 || picture->biCompression != BI_RGB ||
            picture->biWidth <= 0 || picture->biHeight <= 0 || picture->biWidth % 2 != 0 ||
            picture->biHeight % 2 != 0 || picture->biWidth > 4096 || picture->biHeight > 4096)
            return GOMOTION_ERR_ARG;
        if (!FrameRateOf(params[GOMOTION_PARAM_RATE_CODE], video.frameRate))
            return GOMOTION_ERR_ARG;
        if (vcd && (picture->biWidth != 352 || (picture->biHeight != 240 && picture->biHeight != 288)))
            return GOMOTION_ERR_ARG;
        const int64_t bitRate = vcd ? kVcdVideoRate : params[GOMOTION_PARAM_BIT_RATE];
        if (bitRate < 100000 || bitRate > 15000000)
            return GOMOTION_ERR_ARG;
        video.codec = variant == 0 ? AV_CODEC_ID_MPEG2VIDEO : AV_CODEC_ID_MPEG1VIDEO;
        video.width = picture->biWidth;
        video.height = picture->biHeight;
        video.bitRate = bitRate;
        video.gopSize = params[GOMOTION_PARAM_GOP] > 0 ? params[GOMOTION_PARAM_GOP] : (vcd ? 15 : 12);
        video.maxBFrames = params[GOMOTION_PARAM_SPACING] > 1 ? params[GOMOTION_PARAM_SPACING] - 1 : 0;
        if (video.maxBFrames > 4 || video.gopSize > 300)
            return GOMOTION_ERR_ARG;
        video.sampleAspect = SampleAspectOf(params[GOMOTION_PARAM_ASPECT]);
        const int format = VideoFormatOf(params[GOMOTION_PARAM_VIDEO_FORMAT]);
        video.extra = [variant, bitRate, format](AVCodecContext& codec) {
            if (variant == 2) {
                codec.rc_min_rate = bitRate;
                codec.rc_max_rate = bitRate;
                codec.rc_buffer_size = 40 * 1024 * 8;
            } else if (variant == 0) {
                codec.rc_max_rate = bitRate > kDvdMaxRate ? bitRate : kDvdMaxRate;
                codec.rc_buffer_size = kDvdBufferSize;
                av_opt_set_int(codec.priv_data, "video_format", format, 0);
            } else {
                // A constant rate, declared in the sequence header, with the
                // decoder buffer of constrained-parameter streams (or a
                // quarter second of pictures at higher rates).
                codec.rc_min_rate = bitRate;
                codec.rc_max_rate = bitRate;
                codec.rc_buffer_size = static_cast<int>(std::max<int64_t>(40 * 1024 * 8, bitRate / 4));
            }
        };
    }

    AudioSettings audio;
    if (hasAudio) {
        if (sound == nullptr || sound->wFormatTag != WAVE_FORMAT_PCM || sound->wBitsPerSample != 16 ||
            sound->nChannels < 1 || sound->nChannels > 2 || sound->nSamplesPerSec < 8000 ||
            sound->nSamplesPerSec > 96000 || sound->nBlockAlign != sound->nChannels * 2)
            return GOMOTION_ERR_ARG;
        const int index = params[GOMOTION_PARAM_AUDIO_RATE];
        if (!vcd && (index < 0 || index >= static_cast<int>(std::size(kAudioRates))))
            return GOMOTION_ERR_ARG;
        audio.codec = AV_CODEC_ID_MP2;
        audio.channels = vcd || params[GOMOTION_PARAM_STEREO] != 0 ? 2 : 1;
        // DVD players take MPEG audio at 48 kHz only.
        audio.sampleRate = vcd ? kVcdSampleRate : variant == 0 ? kDvdSampleRate : params[GOMOTION_PARAM_SAMPLE_RATE];
        audio.bitRate = vcd ? kVcdAudioRate : int64_t{kAudioRates[vcd ? 0 : index]} * 8000 * audio.channels;
        context->audio = *sound;
    }

    std::map<std::string, std::string> options;
    if (variant == 0)
        options["muxrate"] = "10080000";
    static const char* const formats[] = {"dvd", "mpeg", "vcd"};
    const int result = context->file.Open(path, formats[variant], hasVideo ? &video : nullptr,
                                          hasAudio ? &audio : nullptr, {}, options);
    if (result < 0)
        return GOMOTION_ERR_OPEN;
    context->width = video.width;
    context->height = video.height;
    context->pictures = 0;
    return GOMOTION_OK;
}

int CompressVideoFrame(void* handle, const BYTE* bits, int, DWORD* out)
{
    Context* context = ContextOf(handle);
    if (context == nullptr || bits == nullptr)
        return GOMOTION_ERR_ARG;
    if (!context->file.HasVideo())
        return GOMOTION_ERR_STATE;
    const int result = context->file.WriteVideo(bits, context->width, context->height, context->width * 3, true,
                                                context->pictures);
    if (result < 0)
        return GOMOTION_ERR_ENCODE;
    ++context->pictures;
    if (out != nullptr)
        *out = context->pictures;
    return GOMOTION_OK;
}

int CompressAudioFrame(void* handle, const GoMotionAudioFrame* frame, DWORD* out)
{
    Context* context = ContextOf(handle);
    if (context == nullptr || frame == nullptr || (frame->pData == nullptr && frame->cbData != 0))
        return GOMOTION_ERR_ARG;
    if (!context->file.HasAudio())
        return GOMOTION_ERR_STATE;
    if (frame->cbData % context->audio.nBlockAlign != 0)
        return GOMOTION_ERR_ARG;
    const int result = context->file.WriteAudio(frame->pData, frame->cbData,
                                                static_cast<int>(context->audio.nSamplesPerSec),
                                                context->audio.nChannels);
    if (result < 0)
        return GOMOTION_ERR_ENCODE;
    if (out != nullptr)
        *out = frame->cbData;
    return GOMOTION_OK;
}

int CloseGoMotionEncoder(void* handle)
{
    Context* context = ContextOf(handle);
    if (context == nullptr)
        return GOMOTION_ERR_ARG;
    if (!context->file.IsOpen())
        return GOMOTION_ERR_STATE;
    return context->file.Finish() < 0 ? GOMOTION_ERR_ENCODE : GOMOTION_OK;
}

void GoMotionDeleteContext(void* handle)
{
    delete ContextOf(handle);
}
