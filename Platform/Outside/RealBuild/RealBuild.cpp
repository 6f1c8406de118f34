#include "Platform/Outside/RealBuild/RealBuild.h"

#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "Platform/Outside/Encoding/EncodedFile.h"

extern "C" {
#include <libavutil/mathematics.h>
}

namespace rmbe {
namespace {

// Frame times come in whole microseconds (66667 for 15 frames a second): a
// rate within 0.01 % of a whole number, or of one over 1.001 (29.97), is
// taken as that rate, so that the file declares it.
AVRational FrameRateOf(float framesPerSecond)
{
    const double rate = framesPerSecond;
    const double whole = std::round(rate);
    if (std::abs(rate - whole) <= whole * 1e-4)
        return AVRational{static_cast<int>(whole), 1};
    const double ntsc = std::round(rate * 1.001);
    if (std::abs(rate - ntsc / 1.001) <= ntsc * 1e-4)
        return AVRational{static_cast<int>(ntsc) * 1000, 1001};
    return av_d2q(rate, 1001000);
}

struct Audience {
    int videoKbps;
    // AC-3 takes no less than 32 Kb/s.
    int monoKbps;
    int stereoKbps;
};

// Bit rates per audience; with several audiences the fastest wins.
constexpr Audience kAudiences[RMBE_AUDIENCES] = {
    {16, 32, 64}, {24, 32, 64}, {32, 32, 64}, {64, 48, 96}, {180, 64, 128}, {300, 96, 192},
};

// The audio pin asks for 50 ms of sound per sample.
constexpr int kSuggestedMs = 50;

bool CopyText(const char* text, std::string& to, size_t limit)
{
    if (text == nullptr)
        return false;
    to.assign(text, strnlen(text, limit));
    return true;
}

class EngineImpl;

class MediaSample final : public Sample {
public:
    HRESULT Set(const BYTE* data, DWORD size, DWORD timeMs, DWORD flags) override
    {
        if (data == nullptr && size != 0)
            return E_POINTER;
        m_data = data;
        m_size = size;
        m_timeMs = timeMs;
        m_flags = flags;
        return S_OK;
    }
    const BYTE* m_data = nullptr;
    DWORD m_size = 0;
    DWORD m_timeMs = 0;
    DWORD m_flags = 0;
};

class InputPin final : public Pin {
public:
    InputPin(EngineImpl& engine, bool video) : m_engine(engine), m_video(video) {}
    HRESULT GetMimeType(char* mime, DWORD size) override
    {
        const char* type = m_video ? kVideoMime : kAudioMime;
        if (mime == nullptr)
            return E_POINTER;
        if (size < std::strlen(type) + 1)
            return E_INVALIDARG;
        std::memcpy(mime, type, std::strlen(type) + 1);
        return S_OK;
    }
    HRESULT SetAudioProperties(int channels, int sampleRate, int bitsPerSample) override;
    HRESULT GetSuggestedInputSize(DWORD* bytes) override;
    HRESULT SetVideoProperties(int width, int height, float framesPerSecond) override;
    HRESULT Encode(Sample* sample) override;

    bool m_set = false;
    int m_channels = 0;
    int m_sampleRate = 0;
    int m_width = 0;
    int m_height = 0;
    AVRational m_rate{0, 1};

private:
    EngineImpl& m_engine;
    bool m_video;
};

class Clip final : public ClipProperties {
public:
    HRESULT SetTitle(const char* text) override { return CopyText(text, m_title, 255) ? S_OK : E_POINTER; }
    HRESULT SetAuthor(const char* text) override { return CopyText(text, m_author, 259) ? S_OK : E_POINTER; }
    HRESULT SetCopyright(const char* text) override
    {
        return CopyText(text, m_copyright, 259) ? S_OK : E_POINTER;
    }
    HRESULT SetFlag(int flag, int) override { return flag >= 0 && flag < 5 ? S_OK : E_INVALIDARG; }
    HRESULT SetOutputFilename(const char* path) override
    {
        return CopyText(path, m_path, 4096) && !m_path.empty() ? S_OK : E_INVALIDARG;
    }
    std::string m_title;
    std::string m_author;
    std::string m_copyright;
    std::string m_path;
};

class Targets final : public TargetSettings {
public:
    HRESULT SetVideoQuality(int quality) override { return Set(quality, 3, m_quality); }
    HRESULT SetAudioContent(int content) override { return Set(content, 3, m_content); }
    HRESULT RemoveAllTargetAudiences() override
    {
        m_audiences = 0;
        return S_OK;
    }
    HRESULT AddTargetAudience(int audience) override
    {
        if (audience < 0 || audience >= RMBE_AUDIENCES)
            return E_INVALIDARG;
        m_audiences |= 1 << audience;
        return S_OK;
    }
    // The fastest audience chosen; 0 without one.
    int Fastest() const
    {
        for (int audience = RMBE_AUDIENCES - 1; audience > 0; --audience)
            if ((m_audiences & (1 << audience)) != 0)
                return audience;
        return 0;
    }
    int m_quality = 0;
    int m_content = 0;

private:
    static HRESULT Set(int value, int highest, int& to)
    {
        if (value < 0 || value > highest)
            return E_INVALIDARG;
        to = value;
        return S_OK;
    }
    int m_audiences = 1;
};

class EngineImpl final : public Engine {
public:
    EngineImpl() : m_audio(*this, false), m_video(*this, true) {}

    HRESULT EnumInputPins(DWORD index, Pin** pin) override
    {
        if (pin == nullptr)
            return E_POINTER;
        *pin = index == 0 ? static_cast<Pin*>(&m_audio) : index == 1 ? static_cast<Pin*>(&m_video) : nullptr;
        return *pin != nullptr ? S_OK : RMBE_ENUM_END;
    }

    HRESULT SetOutputMime(const char* mime, BOOL on) override
    {
        if (mime == nullptr)
            return E_POINTER;
        if (m_prepared)
            return RMBE_E_NOT_READY;
        if (std::strcmp(mime, kAudioMime) == 0)
            m_audioOn = on != 0;
        else if (std::strcmp(mime, kVideoMime) == 0)
            m_videoOn = on != 0;
        else if (std::strcmp(mime, kEventMime) == 0 || std::strcmp(mime, kImageMapMime) == 0)
            return on != 0 ? E_NOTIMPL : S_OK;
        else
            return E_INVALIDARG;
        return S_OK;
    }

    HRESULT SetOption(int, int) override { return S_OK; }
    ClipProperties* GetClipProperties() override { return &m_clip; }
    TargetSettings* GetTargetSettings() override { return &m_targets; }

    HRESULT SetMetadata(const char* name, const char* value) override
    {
        if (name == nullptr || value == nullptr)
            return E_POINTER;
        if (*name == '\0')
            return E_INVALIDARG;
        m_metadata[name] = value;
        return S_OK;
    }

    HRESULT PrepareToEncode() override
    {
        if (m_prepared || m_clip.m_path.empty() || (!m_audioOn && !m_videoOn))
            return RMBE_E_NOT_READY;
        if ((m_audioOn && !m_audio.m_set) || (m_videoOn && !m_video.m_set))
            return RMBE_E_NOT_READY;
        const Audience& audience = kAudiences[m_targets.Fastest()];
        av_encoding::VideoSettings video;
        if (m_videoOn) {
            video.codec = AV_CODEC_ID_RV20;
            video.width = m_video.m_width;
            video.height = m_video.m_height;
            video.frameRate = m_video.m_rate;
            video.bitRate = int64_t{audience.videoKbps} * 1000;
            const int quality = m_targets.m_quality;
            // Key pictures every 10 s, every 30 s for a slide show.
            video.gopSize = static_cast<int>(av_rescale(quality == 3 ? 30 : 10, m_video.m_rate.num, m_video.m_rate.den));
            video.extra = [quality](AVCodecContext& codec) {
                // Smoothest motion lets pictures blur; sharpest image keeps
                // them sharp at the cost of skipped motion.
                codec.qmax = quality == 1 ? 31 : quality == 2 ? 12 : 24;
            };
        }
        av_encoding::AudioSettings audio;
        if (m_audioOn) {
            audio.codec = AV_CODEC_ID_AC3;
            audio.sampleRate = 44100;
            audio.channels = m_targets.m_content == 3 ? 2 : 1;
            audio.bitRate = int64_t{audio.channels == 2 ? audience.stereoKbps : audience.monoKbps} * 1000;
        }
        std::map<std::string, std::string> metadata{
            {"title", m_clip.m_title}, {"author", m_clip.m_author}, {"copyright", m_clip.m_copyright}};
        std::string comment;
        for (const auto& [name, value] : m_metadata)
            comment += (comment.empty() ? "" : "\n") + name + ": " + value;
        if (!comment.empty())
            metadata["comment"] = comment;
        const int result =
            m_file.Open(m_clip.m_path, "rm", m_videoOn ? &video : nullptr, m_audioOn ? &audio : nullptr, metadata);
        if (result < 0)
            return result == AVERROR(ENOENT) || result == AVERROR(EACCES) ? E_ACCESSDENIED : E_FAIL;
        m_prepared = true;
        return S_OK;
    }

    HRESULT CreateSample(Sample** sample) override
    {
        if (sample == nullptr)
            return E_POINTER;
        *sample = new MediaSample;
        return S_OK;
    }

    HRESULT DoneEncoding(ProgressSink* sink) override
    {
        if (!m_prepared || m_done)
            return RMBE_E_NOT_READY;
        m_done = true;
        if (sink != nullptr) {
            sink->OnStart();
            sink->OnProgress(0);
        }
        const int result = m_file.Finish();
        if (sink != nullptr) {
            if (result == 0)
                sink->OnProgress(100);
            sink->OnDone();
        }
        return result < 0 ? E_FAIL : S_OK;
    }

    bool Prepared() const { return m_prepared && !m_done; }
    av_encoding::EncodedFile& File() { return m_file; }

private:
    InputPin m_audio;
    InputPin m_video;
    bool m_audioOn = true;
    bool m_videoOn = true;
    bool m_prepared = false;
    bool m_done = false;
    Clip m_clip;
    Targets m_targets;
    std::map<std::string, std::string> m_metadata;
    av_encoding::EncodedFile m_file;
};

HRESULT InputPin::SetAudioProperties(int channels, int sampleRate, int bitsPerSample)
{
    if (m_video)
        return E_NOTIMPL;
    if (m_engine.Prepared())
        return RMBE_E_NOT_READY;
    if (channels < 1 || channels > 2 || sampleRate < 8000 || sampleRate > 96000 || bitsPerSample != 16)
        return E_INVALIDARG;
    m_channels = channels;
    m_sampleRate = sampleRate;
    m_set = true;
    return S_OK;
}

HRESULT InputPin::GetSuggestedInputSize(DWORD* bytes)
{
    if (bytes == nullptr)
        return E_POINTER;
    if (m_video)
        return E_NOTIMPL;
    if (!m_set)
        return RMBE_E_NOT_READY;
    *bytes = static_cast<DWORD>(m_sampleRate * kSuggestedMs / 1000 * m_channels * 2);
    return S_OK;
}

HRESULT InputPin::SetVideoProperties(int width, int height, float framesPerSecond)
{
    if (!m_video)
        return E_NOTIMPL;
    if (m_engine.Prepared())
        return RMBE_E_NOT_READY;
    if (width < 16 || height < 16 || width > 4096 || height > 4096 || width % 4 != 0 || height % 4 != 0 ||
        !(framesPerSecond >= 1.0f && framesPerSecond <= 60.0f))
        return E_INVALIDARG;
    m_width = width;
    m_height = height;
    m_rate = FrameRateOf(framesPerSecond);
    m_set = true;
    return S_OK;
}

HRESULT InputPin::Encode(Sample* sample)
{
    if (sample == nullptr)
        return E_POINTER;
    if (!m_engine.Prepared())
        return RMBE_E_NOT_READY;
    const auto* media = static_cast<const MediaSample*>(sample);
    int result = 0;
    if (m_video) {
        if (!m_engine.File().HasVideo())
            return RMBE_E_NOT_READY;
        const int stride = (m_width * 3 + 3) & ~3;
        if (media->m_size < static_cast<DWORD>(stride) * static_cast<DWORD>(m_height))
            return E_INVALIDARG;
        result = m_engine.File().WriteVideoAt(media->m_data, m_width, m_height, stride, true, media->m_timeMs,
                                              AVRational{1, 1000});
    } else {
        if (!m_engine.File().HasAudio())
            return RMBE_E_NOT_READY;
        if (media->m_size % static_cast<DWORD>(m_channels * 2) != 0)
            return E_INVALIDARG;
        result = m_engine.File().WriteAudio(media->m_data, media->m_size, m_sampleRate, m_channels);
    }
    return result < 0 ? E_FAIL : S_OK;
}

} // namespace

HRESULT SetDLLAccessPath(const char* block)
{
    if (block == nullptr)
        return E_POINTER;
    if (*block == '\0')
        return E_INVALIDARG;
    for (const char* entry = block; *entry != '\0'; entry += std::strlen(entry) + 1)
        if (std::strchr(entry, '=') == nullptr)
            return E_INVALIDARG;
    return S_OK;
}

HRESULT CreateBuildEngine(Engine** engine)
{
    if (engine == nullptr)
        return E_POINTER;
    *engine = new EngineImpl;
    return S_OK;
}

} // namespace rmbe
