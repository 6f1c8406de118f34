#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/Vfw/Acm.h"
#include "Platform/Vfw/AviObjects.h"

namespace vfw {

namespace {

// What one file may hold in memory of its audio.
constexpr std::size_t kMaxAudioBytes = std::size_t{1} << 30;

struct TagOfCodec {
    AVCodecID codec;
    WORD tag;
};

constexpr TagOfCodec kTags[] = {
    {AV_CODEC_ID_PCM_U8, WAVE_FORMAT_PCM},          {AV_CODEC_ID_PCM_S16LE, WAVE_FORMAT_PCM},
    {AV_CODEC_ID_PCM_S24LE, WAVE_FORMAT_PCM},       {AV_CODEC_ID_PCM_S32LE, WAVE_FORMAT_PCM},
    {AV_CODEC_ID_ADPCM_MS, WAVE_FORMAT_ADPCM},      {AV_CODEC_ID_ADPCM_IMA_WAV, WAVE_FORMAT_IMA_ADPCM},
    {AV_CODEC_ID_PCM_ALAW, WAVE_FORMAT_ALAW},       {AV_CODEC_ID_PCM_MULAW, WAVE_FORMAT_MULAW},
    {AV_CODEC_ID_MP3, WAVE_FORMAT_MPEGLAYER3},      {AV_CODEC_ID_MP2, WAVE_FORMAT_MPEG},
    {AV_CODEC_ID_PCM_F32LE, WAVE_FORMAT_IEEE_FLOAT},
};

WORD TagOf(const AVCodecParameters& parameters)
{
    if (parameters.codec_tag != 0 && parameters.codec_tag <= 0xFFFF)
        return static_cast<WORD>(parameters.codec_tag);
    for (const TagOfCodec& entry : kTags)
        if (entry.codec == parameters.codec_id)
            return entry.tag;
    return 0;
}

struct StreamData {
    DWORD type = 0;
    AVISTREAMINFO info{};
    std::vector<BYTE> format;
    // Audio: the stream's bytes; a sample is info.dwSampleSize of them.
    std::vector<BYTE> bytes;
};

struct FileData {
    AVIFILEINFO info{};
    std::vector<StreamData> streams;
};

void CopyName(char* to, std::size_t capacity, const char* from)
{
    std::strncpy(to, from, capacity - 1);
    to[capacity - 1] = '\0';
}

// The WAVEFORMATEX of an audio stream and its extra bytes, or false when
// the stream's parameters make no sense.
bool DescribeAudio(const AVCodecParameters& parameters, StreamData& stream)
{
    const int channels = parameters.ch_layout.nb_channels;
    if (channels < 1 || channels > 8 || parameters.sample_rate <= 0 || parameters.sample_rate > 384000
        || parameters.block_align < 0 || parameters.extradata_size < 0 || parameters.extradata_size > 0xFFFF)
        return false;
    WAVEFORMATEX format{};
    format.wFormatTag = TagOf(parameters);
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(parameters.sample_rate);
    format.wBitsPerSample = static_cast<WORD>(parameters.bits_per_coded_sample);
    format.nBlockAlign = static_cast<WORD>(parameters.block_align > 0 ? parameters.block_align : 1);
    if (format.wFormatTag == WAVE_FORMAT_PCM) {
        if (format.wBitsPerSample == 0 || format.wBitsPerSample % 8 != 0)
            return false;
        format.nBlockAlign = static_cast<WORD>(channels * format.wBitsPerSample / 8);
        format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    } else {
        format.nAvgBytesPerSec = static_cast<DWORD>(std::clamp<std::int64_t>(parameters.bit_rate / 8, 1, 0x7FFFFFFF));
    }
    format.cbSize = static_cast<WORD>(format.wFormatTag == WAVE_FORMAT_PCM ? 0 : parameters.extradata_size);
    stream.format.resize(sizeof format + format.cbSize);
    std::memcpy(stream.format.data(), &format, sizeof format);
    if (format.cbSize > 0)
        std::memcpy(stream.format.data() + sizeof format, parameters.extradata, format.cbSize);
    AVISTREAMINFO& info = stream.info;
    info.fccType = streamtypeAUDIO;
    info.dwScale = format.nBlockAlign;
    info.dwRate = format.nAvgBytesPerSec;
    info.dwSampleSize = format.nBlockAlign;
    info.dwQuality = 0xFFFFFFFF;
    CopyName(info.szName, sizeof info.szName, "Audio");
    stream.type = streamtypeAUDIO;
    return true;
}

bool DescribeVideo(const AVStream& source, StreamData& stream)
{
    const AVCodecParameters& parameters = *source.codecpar;
    if (parameters.width <= 0 || parameters.height <= 0)
        return false;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = parameters.width;
    header.biHeight = parameters.height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(parameters.bits_per_coded_sample > 0 ? parameters.bits_per_coded_sample : 24);
    header.biCompression = parameters.codec_id == AV_CODEC_ID_RAWVIDEO ? BI_RGB : parameters.codec_tag;
    stream.format.resize(sizeof header);
    std::memcpy(stream.format.data(), &header, sizeof header);
    AVISTREAMINFO& info = stream.info;
    info.fccType = streamtypeVIDEO;
    info.fccHandler = parameters.codec_tag;
    AVRational rate = source.avg_frame_rate.num > 0 ? source.avg_frame_rate : source.r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = AVRational{15, 1};
    info.dwRate = static_cast<DWORD>(rate.num);
    info.dwScale = static_cast<DWORD>(rate.den);
    info.dwQuality = 0xFFFFFFFF;
    info.rcFrame = RECT{0, 0, parameters.width, parameters.height};
    CopyName(info.szName, sizeof info.szName, "Video");
    stream.type = streamtypeVIDEO;
    return true;
}

HRESULT Load(const char* path, FileData& file)
{
    av::InputPtr input;
    if (av::OpenInput(path, input) < 0)
        return AVIERR_FILEOPEN;
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        return AVIERR_BADFORMAT;
    // FFmpeg's stream index against ours; -1 for streams passed over.
    std::vector<int> ours(input->nb_streams, -1);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream& source = *input->streams[i];
        StreamData stream;
        const bool usable = source.codecpar->codec_type == AVMEDIA_TYPE_AUDIO ? DescribeAudio(*source.codecpar, stream)
                            : source.codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? DescribeVideo(source, stream)
                                                                                 : false;
        if (!usable)
            continue;
        ours[i] = static_cast<int>(file.streams.size());
        file.streams.push_back(std::move(stream));
    }
    if (file.streams.empty())
        return AVIERR_BADFORMAT;
    av::PacketPtr packet(av_packet_alloc());
    if (!packet)
        return AVIERR_MEMORY;
    std::size_t held = 0;
    std::vector<DWORD> frames(file.streams.size(), 0);
    std::vector<DWORD> largest(file.streams.size(), 0);
    for (;;) {
        const int read = av_read_frame(input.get(), packet.get());
        if (read == AVERROR_EOF)
            break;
        // A damaged tail ends the file where the damage starts: what came
        // before is kept, as a truncated file's data is.
        if (read < 0)
            break;
        const int index = packet->stream_index >= 0 && static_cast<unsigned>(packet->stream_index) < ours.size()
                              ? ours[static_cast<std::size_t>(packet->stream_index)]
                              : -1;
        if (index >= 0 && packet->size > 0) {
            StreamData& stream = file.streams[static_cast<std::size_t>(index)];
            largest[static_cast<std::size_t>(index)] =
                std::max(largest[static_cast<std::size_t>(index)], static_cast<DWORD>(packet->size));
            if (stream.type == streamtypeAUDIO) {
                held += static_cast<std::size_t>(packet->size);
                if (held > kMaxAudioBytes)
                    return AVIERR_MEMORY;
                stream.bytes.insert(stream.bytes.end(), packet->data, packet->data + packet->size);
            } else {
                ++frames[static_cast<std::size_t>(index)];
            }
        }
        av_packet_unref(packet.get());
    }
    AVIFILEINFO& info = file.info;
    info.dwCaps = AVIFILECAPS_CANREAD | AVIFILECAPS_ALLKEYFRAMES;
    info.dwFlags = AVIFILEINFO_HASINDEX;
    info.dwStreams = static_cast<DWORD>(file.streams.size());
    // The file's time base is its first video stream's, or without video its
    // first stream's.
    const auto base = std::find_if(file.streams.begin(), file.streams.end(),
                                   [](const StreamData& s) { return s.type == streamtypeVIDEO; });
    const StreamData& timing = base != file.streams.end() ? *base : file.streams.front();
    info.dwScale = std::max<DWORD>(timing.info.dwScale, 1);
    info.dwRate = std::max<DWORD>(timing.info.dwRate, 1);
    const char* type = std::strcmp(input->iformat->name, "wav") == 0 ? "WAVE" : "AVI";
    CopyName(info.szFileType, sizeof info.szFileType, type);
    double seconds = 0.0;
    for (std::size_t i = 0; i < file.streams.size(); ++i) {
        StreamData& stream = file.streams[i];
        AVISTREAMINFO& s = stream.info;
        if (stream.type == streamtypeAUDIO) {
            s.dwLength = static_cast<DWORD>(stream.bytes.size() / s.dwSampleSize);
            stream.bytes.resize(static_cast<std::size_t>(s.dwLength) * s.dwSampleSize);
            info.dwMaxBytesPerSec += s.dwRate;
        } else {
            s.dwLength = frames[i];
            info.dwWidth = std::max<DWORD>(info.dwWidth, static_cast<DWORD>(s.rcFrame.right));
            info.dwHeight = std::max<DWORD>(info.dwHeight, static_cast<DWORD>(s.rcFrame.bottom));
        }
        s.dwSuggestedBufferSize = largest[i];
        info.dwSuggestedBufferSize = std::max(info.dwSuggestedBufferSize, largest[i]);
        seconds = std::max(seconds, static_cast<double>(s.dwLength) * s.dwScale / std::max<DWORD>(s.dwRate, 1));
    }
    info.dwLength = static_cast<DWORD>(std::llround(seconds * info.dwRate / std::max<DWORD>(info.dwScale, 1)));
    return AVIERR_OK;
}

class ReadStream final : public IAVIStream {
public:
    ReadStream(std::shared_ptr<const FileData> file, std::size_t index) : m_file(std::move(file)), m_index(index) {}

    HRESULT Info(AVISTREAMINFO& info) override
    {
        info = Data().info;
        return AVIERR_OK;
    }

    HRESULT ReadFormat(LONG, LPVOID format, LONG* size) override
    {
        if (size == nullptr)
            return AVIERR_BADPARAM;
        const auto& bytes = Data().format;
        const auto full = static_cast<LONG>(bytes.size());
        if (format != nullptr)
            std::memcpy(format, bytes.data(), static_cast<std::size_t>(std::clamp<LONG>(*size, 0, full)));
        *size = full;
        return AVIERR_OK;
    }

    HRESULT Read(LONG start, LONG samples, LPVOID buffer, LONG cb, LONG* bytes, LONG* samplesRead) override
    {
        if (bytes != nullptr)
            *bytes = 0;
        if (samplesRead != nullptr)
            *samplesRead = 0;
        const StreamData& data = Data();
        if (data.type != streamtypeAUDIO)
            return AVIERR_UNSUPPORTED;
        const auto size = static_cast<std::int64_t>(data.info.dwSampleSize);
        const auto length = static_cast<std::int64_t>(data.info.dwLength);
        if (start < 0 || start >= length)
            return AVIERR_OK;
        std::int64_t count = samples == AVISTREAMREAD_CONVENIENT ? length - start : std::max<LONG>(samples, 0);
        count = std::min(count, length - start);
        if (buffer != nullptr) {
            const std::int64_t room = std::max<LONG>(cb, 0) / size;
            if (count > 0 && room == 0)
                return AVIERR_BUFFERTOOSMALL;
            count = std::min(count, room);
            std::memcpy(buffer, data.bytes.data() + start * size, static_cast<std::size_t>(count * size));
        }
        if (bytes != nullptr)
            *bytes = static_cast<LONG>(count * size);
        if (samplesRead != nullptr)
            *samplesRead = static_cast<LONG>(count);
        return AVIERR_OK;
    }

private:
    const StreamData& Data() const { return m_file->streams[m_index]; }

    std::shared_ptr<const FileData> m_file;
    std::size_t m_index;
};

class ReadFile final : public IAVIFile {
public:
    explicit ReadFile(std::shared_ptr<const FileData> data) : m_data(std::move(data)) {}

    HRESULT Info(AVIFILEINFO& info) override
    {
        info = m_data->info;
        return AVIERR_OK;
    }

    HRESULT GetStream(PAVISTREAM* stream, DWORD type, LONG index) override
    {
        LONG seen = 0;
        for (std::size_t i = 0; i < m_data->streams.size(); ++i) {
            if (type != 0 && m_data->streams[i].type != type)
                continue;
            if (seen++ == index) {
                *stream = new (std::nothrow) ReadStream(m_data, i);
                return *stream != nullptr ? AVIERR_OK : AVIERR_MEMORY;
            }
        }
        return AVIERR_NODATA;
    }

private:
    std::shared_ptr<const FileData> m_data;
};

} // namespace

HRESULT OpenAviForReading(const char* path, PAVIFILE* file)
{
    auto data = std::make_shared<FileData>();
    try {
        if (const HRESULT loaded = Load(path, *data); loaded != AVIERR_OK)
            return loaded;
    } catch (const std::bad_alloc&) {
        return AVIERR_MEMORY;
    }
    *file = new (std::nothrow) ReadFile(std::move(data));
    return *file != nullptr ? AVIERR_OK : AVIERR_MEMORY;
}

} // namespace vfw
