#include "Platform/Outside/WindowsMedia/WindowsMedia.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "Platform/DShow/Api/Guids.h"
#include "Platform/Outside/Encoding/EncodedFile.h"
#include "Platform/Win/Base/Utf.h"

extern "C" {
#include <libavutil/mathematics.h>
}

namespace wmf {
namespace {

struct ProfileRow {
    const char* name;
    const char* description;
    // 0 x 0: an audio-only profile.
    int width;
    int height;
    int rateNum;
    int rateDen;
    int videoKbps;
    int sampleRate;
    int channels;
    // Windows Media Audio 2 takes no less than 24 Kb/s.
    int audioKbps;
    // Seconds between key frames.
    int keySeconds;
};

// The system profiles, from modem to broadband.
constexpr ProfileRow kProfiles[] = {
    {"Video for dial-up modems (56 Kbps)", "160 x 120 at 15 fps, 28 Kbps video, 24 Kbps mono audio", 160, 120, 15, 1,
     28, 22050, 1, 24, 10},
    {"Video for single-channel ISDN (64 Kbps)", "176 x 144 at 15 fps, 36 Kbps video, 24 Kbps mono audio", 176, 144,
     15, 1, 36, 22050, 1, 24, 10},
    {"Video for dual-channel ISDN (128 Kbps)", "240 x 176 at 15 fps, 96 Kbps video, 32 Kbps stereo audio", 240, 176,
     15, 1, 96, 44100, 2, 32, 8},
    {"Video for LAN, cable modem or xDSL (256 Kbps)", "320 x 240 at 15 fps, 200 Kbps video, 48 Kbps stereo audio",
     320, 240, 15, 1, 200, 44100, 2, 48, 8},
    {"Video for LAN, cable modem or xDSL (384 Kbps)", "320 x 240 at 30 fps, 320 Kbps video, 64 Kbps stereo audio",
     320, 240, 30, 1, 320, 44100, 2, 64, 8},
    {"Video for broadband (768 Kbps)", "320 x 240 at 30 fps, 700 Kbps video, 64 Kbps stereo audio", 320, 240, 30, 1,
     700, 44100, 2, 64, 5},
    {"Video for broadband (1.5 Mbps)", "640 x 480 at 30 fps, 1400 Kbps video, 96 Kbps stereo audio", 640, 480, 30, 1,
     1400, 44100, 2, 96, 5},
    {"Video for NTSC television (2 Mbps)", "720 x 480 at 29.97 fps, 1870 Kbps video, 128 Kbps stereo audio", 720,
     480, 30000, 1001, 1870, 44100, 2, 128, 5},
    {"Video for PAL television (2 Mbps)", "720 x 576 at 25 fps, 1870 Kbps video, 128 Kbps stereo audio", 720, 576, 25,
     1, 1870, 44100, 2, 128, 5},
    {"High quality video (3 Mbps)", "640 x 480 at 29.97 fps, 3000 Kbps video, 160 Kbps stereo audio", 640, 480,
     30000, 1001, 3000, 44100, 2, 160, 4},
    {"Audio for dial-up modems (32 Kbps)", "Audio only, 32 Kbps stereo", 0, 0, 0, 1, 0, 44100, 2, 32, 0},
    {"Audio near CD quality (128 Kbps)", "Audio only, 128 Kbps stereo", 0, 0, 0, 1, 0, 44100, 2, 128, 0},
};

bool HasVideo(const ProfileRow& row)
{
    return row.width > 0;
}

std::u16string Wide(const char* text)
{
    return win::Utf8ToUtf16(text);
}

HRESULT CopyText(const char* text, WCHAR* out, DWORD* length)
{
    if (length == nullptr)
        return E_POINTER;
    const std::u16string wide = Wide(text);
    const DWORD needed = static_cast<DWORD>(wide.size() + 1);
    if (out == nullptr) {
        *length = needed;
        return S_OK;
    }
    if (*length < needed) {
        *length = needed;
        return E_INVALIDARG;
    }
    std::memcpy(out, wide.c_str(), needed * sizeof(WCHAR));
    *length = needed;
    return S_OK;
}

// The time of one frame in 100 ns units.
REFERENCE_TIME FrameTimeOf(const ProfileRow& row)
{
    return row.rateNum > 0 ? av_rescale(UNITS, row.rateDen, row.rateNum) : 0;
}

class Stream final : public StreamConfig {
public:
    Stream(const ProfileRow& row, bool video) : m_row(row), m_video(video) {}

    HRESULT GetStreamType(GUID* type) override
    {
        if (type == nullptr)
            return E_POINTER;
        *type = m_video ? MEDIATYPE_Video : MEDIATYPE_Audio;
        return S_OK;
    }

    HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) override
    {
        if (size == nullptr)
            return E_POINTER;
        const DWORD format = m_video ? sizeof(VIDEOINFOHEADER) : sizeof(WAVEFORMATEX);
        const DWORD needed = sizeof(WM_MEDIA_TYPE) + format;
        if (type == nullptr) {
            *size = needed;
            return S_OK;
        }
        if (*size < needed) {
            *size = needed;
            return E_INVALIDARG;
        }
        std::memset(type, 0, needed);
        BYTE* block = reinterpret_cast<BYTE*>(type) + sizeof(WM_MEDIA_TYPE);
        type->cbFormat = format;
        type->pbFormat = block;
        if (m_video) {
            type->majortype = MEDIATYPE_Video;
            type->formattype = FORMAT_VideoInfo;
            type->bTemporalCompression = TRUE;
            VIDEOINFOHEADER info{};
            info.rcSource = {0, 0, m_row.width, m_row.height};
            info.rcTarget = info.rcSource;
            info.dwBitRate = static_cast<DWORD>(m_row.videoKbps) * 1000;
            info.AvgTimePerFrame = FrameTimeOf(m_row);
            info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info.bmiHeader.biWidth = m_row.width;
            info.bmiHeader.biHeight = m_row.height;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 24;
            info.bmiHeader.biCompression = 0x32564D57; // 'WMV2'
            std::memcpy(block, &info, sizeof info);
        } else {
            type->majortype = MEDIATYPE_Audio;
            type->formattype = FORMAT_WaveFormatEx;
            type->bFixedSizeSamples = TRUE;
            WAVEFORMATEX wave{};
            wave.wFormatTag = 0x0161; // Windows Media Audio 2
            wave.nChannels = static_cast<WORD>(m_row.channels);
            wave.nSamplesPerSec = static_cast<DWORD>(m_row.sampleRate);
            wave.nAvgBytesPerSec = static_cast<DWORD>(m_row.audioKbps) * 1000 / 8;
            wave.wBitsPerSample = 16;
            std::memcpy(block, &wave, sizeof wave);
        }
        *size = needed;
        return S_OK;
    }

private:
    const ProfileRow& m_row;
    bool m_video;
};

class SystemProfile final : public Profile {
public:
    explicit SystemProfile(const ProfileRow& row) : m_row(row) {}
    const ProfileRow& Row() const { return m_row; }

    HRESULT GetName(WCHAR* name, DWORD* length) override { return CopyText(m_row.name, name, length); }
    HRESULT GetDescription(WCHAR* text, DWORD* length) override
    {
        return CopyText(m_row.description, text, length);
    }
    HRESULT GetStreamCount(DWORD* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        *count = HasVideo(m_row) ? 2 : 1;
        return S_OK;
    }
    HRESULT GetStream(DWORD index, StreamConfig** stream) override
    {
        if (stream == nullptr)
            return E_POINTER;
        DWORD count = 0;
        GetStreamCount(&count);
        if (index >= count)
            return E_INVALIDARG;
        *stream = new Stream(m_row, index == 1);
        return S_OK;
    }

private:
    const ProfileRow& m_row;
};

class Input final : public InputProps {
public:
    explicit Input(bool video) : m_video(video) {}
    bool Video() const { return m_video; }
    bool IsSet() const { return m_set; }
    const WAVEFORMATEX& Wave() const { return m_wave; }
    const BITMAPINFOHEADER& Picture() const { return m_picture; }

    HRESULT GetType(GUID* type) override
    {
        if (type == nullptr)
            return E_POINTER;
        *type = m_video ? MEDIATYPE_Video : MEDIATYPE_Audio;
        return S_OK;
    }

    HRESULT SetMediaType(const WM_MEDIA_TYPE* type) override
    {
        if (type == nullptr)
            return E_POINTER;
        if (type->pbFormat == nullptr)
            return NS_E_INVALID_INPUT_FORMAT;
        if (m_video) {
            if (type->majortype != MEDIATYPE_Video || type->subtype != MEDIASUBTYPE_RGB24 ||
                type->formattype != FORMAT_VideoInfo || type->cbFormat < sizeof(VIDEOINFOHEADER))
                return NS_E_INVALID_INPUT_FORMAT;
            VIDEOINFOHEADER info;
            std::memcpy(&info, type->pbFormat, sizeof info);
            const BITMAPINFOHEADER& bih = info.bmiHeader;
            if (bih.biBitCount != 24 || bih.biCompression != 0 || bih.biWidth <= 0 || bih.biHeight == 0 ||
                bih.biWidth > 4096 || bih.biHeight > 4096 || bih.biHeight < -4096)
                return NS_E_INVALID_INPUT_FORMAT;
            m_picture = bih;
        } else {
            if (type->majortype != MEDIATYPE_Audio || type->subtype != MEDIASUBTYPE_PCM ||
                type->formattype != FORMAT_WaveFormatEx || type->cbFormat < 16)
                return NS_E_INVALID_INPUT_FORMAT;
            WAVEFORMATEX wave{};
            std::memcpy(&wave, type->pbFormat, 16);
            if (wave.wFormatTag != WAVE_FORMAT_PCM || wave.wBitsPerSample != 16 || wave.nChannels < 1 ||
                wave.nChannels > 2 || wave.nSamplesPerSec < 8000 || wave.nSamplesPerSec > 96000 ||
                wave.nBlockAlign != wave.nChannels * 2)
                return NS_E_INVALID_INPUT_FORMAT;
            m_wave = wave;
        }
        m_set = true;
        return S_OK;
    }

private:
    bool m_video;
    bool m_set = false;
    WAVEFORMATEX m_wave{};
    BITMAPINFOHEADER m_picture{};
};

class Sample final : public Buffer {
public:
    explicit Sample(DWORD size) : m_bytes(size), m_length(size) {}
    HRESULT GetBufferAndLength(BYTE** data, DWORD* length) override
    {
        if (data == nullptr || length == nullptr)
            return E_POINTER;
        *data = m_bytes.data();
        *length = m_length;
        return S_OK;
    }
    HRESULT GetMaxLength(DWORD* length) override
    {
        if (length == nullptr)
            return E_POINTER;
        *length = static_cast<DWORD>(m_bytes.size());
        return S_OK;
    }
    HRESULT SetLength(DWORD length) override
    {
        if (length > m_bytes.size())
            return E_INVALIDARG;
        m_length = length;
        return S_OK;
    }
    const BYTE* Data() const { return m_bytes.data(); }
    DWORD Length() const { return m_length; }

private:
    std::vector<BYTE> m_bytes;
    DWORD m_length;
};

// Samples larger than this are refused (a 4096 x 4096 24-bit picture fits).
constexpr DWORD kLargestSample = 64u << 20;

class AsfWriter final : public Writer {
public:
    HRESULT SetProfile(Profile* profile) override
    {
        if (profile == nullptr)
            return E_POINTER;
        if (m_state != State::Configuring)
            return NS_E_INVALID_REQUEST;
        m_row = &static_cast<SystemProfile*>(profile)->Row();
        m_inputs.clear();
        m_inputs.emplace_back(false);
        if (HasVideo(*m_row))
            m_inputs.emplace_back(true);
        return S_OK;
    }

    HRESULT GetInputCount(DWORD* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        *count = static_cast<DWORD>(m_inputs.size());
        return S_OK;
    }

    HRESULT GetInputProps(DWORD input, InputProps** props) override
    {
        if (props == nullptr)
            return E_POINTER;
        if (input >= m_inputs.size())
            return E_INVALIDARG;
        *props = new Input(m_inputs[input]);
        return S_OK;
    }

    HRESULT SetInputProps(DWORD input, InputProps* props) override
    {
        if (props == nullptr)
            return E_POINTER;
        if (input >= m_inputs.size() || static_cast<Input*>(props)->Video() != m_inputs[input].Video())
            return E_INVALIDARG;
        if (m_state != State::Configuring)
            return NS_E_INVALID_REQUEST;
        if (!static_cast<Input*>(props)->IsSet())
            return NS_E_INVALID_INPUT_FORMAT;
        m_inputs[input] = *static_cast<Input*>(props);
        return S_OK;
    }

    HRESULT SetOutputFilename(const WCHAR* path) override
    {
        if (path == nullptr)
            return E_POINTER;
        if (m_state != State::Configuring)
            return NS_E_INVALID_REQUEST;
        m_path = win::Utf16ToUtf8(std::u16string_view(path));
        return m_path.empty() ? E_INVALIDARG : S_OK;
    }

    HRESULT BeginWriting() override
    {
        if (m_state != State::Configuring || m_row == nullptr || m_path.empty())
            return NS_E_INVALID_REQUEST;
        for (const Input& input : m_inputs)
            if (!input.IsSet())
                return NS_E_INVALID_REQUEST;
        av_encoding::VideoSettings video;
        if (HasVideo(*m_row)) {
            video.codec = AV_CODEC_ID_WMV2;
            video.width = m_row->width;
            video.height = m_row->height;
            video.frameRate = AVRational{m_row->rateNum, m_row->rateDen};
            video.bitRate = int64_t{m_row->videoKbps} * 1000;
            video.gopSize = static_cast<int>(av_rescale(m_row->keySeconds, m_row->rateNum, m_row->rateDen));
        }
        av_encoding::AudioSettings audio;
        audio.codec = AV_CODEC_ID_WMAV2;
        audio.sampleRate = m_row->sampleRate;
        audio.channels = m_row->channels;
        audio.bitRate = int64_t{m_row->audioKbps} * 1000;
        const int result = m_file.Open(m_path, "asf", HasVideo(*m_row) ? &video : nullptr, &audio);
        if (result < 0)
            return result == AVERROR(ENOENT) || result == AVERROR(EACCES) ? E_ACCESSDENIED : E_FAIL;
        m_state = State::Writing;
        return S_OK;
    }

    HRESULT AllocateSample(DWORD size, Buffer** sample) override
    {
        if (sample == nullptr)
            return E_POINTER;
        if (size == 0 || size > kLargestSample)
            return E_INVALIDARG;
        *sample = new Sample(size);
        return S_OK;
    }

    HRESULT WriteSample(DWORD input, QWORD time, DWORD, Buffer* buffer) override
    {
        if (buffer == nullptr)
            return E_POINTER;
        if (m_state != State::Writing)
            return NS_E_INVALID_REQUEST;
        if (input >= m_inputs.size())
            return E_INVALIDARG;
        const auto* sample = static_cast<const Sample*>(buffer);
        const Input& props = m_inputs[input];
        int result = 0;
        if (props.Video()) {
            const BITMAPINFOHEADER& bih = props.Picture();
            const int height = bih.biHeight < 0 ? -bih.biHeight : bih.biHeight;
            const int stride = (bih.biWidth * 3 + 3) & ~3;
            if (sample->Length() < static_cast<DWORD>(stride) * static_cast<DWORD>(height))
                return E_INVALIDARG;
            result = m_file.WriteVideoAt(sample->Data(), bih.biWidth, height, stride, bih.biHeight > 0,
                                         static_cast<int64_t>(time), AVRational{1, static_cast<int>(UNITS)});
        } else {
            const WAVEFORMATEX& wave = props.Wave();
            if (sample->Length() % wave.nBlockAlign != 0)
                return E_INVALIDARG;
            result = m_file.WriteAudio(sample->Data(), sample->Length(), static_cast<int>(wave.nSamplesPerSec),
                                       wave.nChannels);
        }
        return result < 0 ? E_FAIL : S_OK;
    }

    HRESULT Flush() override { return m_state == State::Writing ? S_OK : NS_E_INVALID_REQUEST; }

    HRESULT EndWriting() override
    {
        if (m_state == State::Ended)
            return S_OK;
        if (m_state != State::Writing)
            return NS_E_INVALID_REQUEST;
        m_state = State::Ended;
        return m_file.Finish() < 0 ? E_FAIL : S_OK;
    }

private:
    enum class State { Configuring, Writing, Ended };
    State m_state = State::Configuring;
    const ProfileRow* m_row = nullptr;
    std::vector<Input> m_inputs;
    std::string m_path;
    av_encoding::EncodedFile m_file;
};

// The first bytes of every ASF file: the header object's GUID.
constexpr BYTE kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

bool IsAsfFile(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    BYTE start[16] = {};
    const bool read = std::fread(start, 1, sizeof start, file) == sizeof start;
    std::fclose(file);
    return read && std::memcmp(start, kAsfHeader, sizeof start) == 0;
}

class FileIndexer final : public Indexer {
public:
    ~FileIndexer() override
    {
        if (m_worker.joinable())
            m_worker.join();
    }

    HRESULT StartIndexing(const WCHAR* path, StatusCallback* callback, void* context) override
    {
        if (path == nullptr || callback == nullptr)
            return E_POINTER;
        if (m_worker.joinable())
            return NS_E_INVALID_REQUEST;
        if (!IsAsfFile(win::Utf16ToUtf8(std::u16string_view(path))))
            return E_INVALIDARG;
        callback->AddRef();
        m_worker = std::thread([callback, context] {
            callback->OnStatus(WMT_CLOSED, S_OK, WMT_TYPE_DWORD, nullptr, context);
            callback->Release();
        });
        return S_OK;
    }

private:
    std::thread m_worker;
};

} // namespace

DWORD GetSystemProfileCount()
{
    return static_cast<DWORD>(std::size(kProfiles));
}

HRESULT LoadSystemProfile(DWORD index, Profile** profile)
{
    if (profile == nullptr)
        return E_POINTER;
    *profile = nullptr;
    if (index >= GetSystemProfileCount())
        return E_INVALIDARG;
    *profile = new SystemProfile(kProfiles[index]);
    return S_OK;
}

HRESULT CreateWriter(Writer** writer)
{
    if (writer == nullptr)
        return E_POINTER;
    *writer = new AsfWriter;
    return S_OK;
}

HRESULT CreateIndexer(Indexer** indexer)
{
    if (indexer == nullptr)
        return E_POINTER;
    *indexer = new FileIndexer;
    return S_OK;
}

} // namespace wmf
