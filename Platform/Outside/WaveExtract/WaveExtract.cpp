#include "Platform/Outside/WaveExtract/WaveExtract.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/Sync.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/samplefmt.h>
}

namespace {

constexpr DWORD kWavHeaderSize = 44;
// RIFF sizes are 32-bit: the data may not pass this.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - kWavHeaderSize;
constexpr LONGLONG kUnitsPerSecond = 10000000;

void PutLe(std::uint8_t* at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The 44-byte header of a PCM WAV file: RIFF, a 16-byte "fmt " chunk and
// the head of the "data" chunk, written field by field.
void MakeWavHeader(std::uint8_t* header, int channels, int rate, int bits, std::uint32_t dataBytes)
{
    const std::uint32_t blockAlign = static_cast<std::uint32_t>(channels * (bits / 8));
    std::copy_n("RIFF", 4, header);
    PutLe(header + 4, 36 + dataBytes, 4);
    std::copy_n("WAVEfmt ", 8, header + 8);
    PutLe(header + 16, 16, 4);
    PutLe(header + 20, 1, 2);
    PutLe(header + 22, static_cast<std::uint32_t>(channels), 2);
    PutLe(header + 24, static_cast<std::uint32_t>(rate), 4);
    PutLe(header + 28, static_cast<std::uint32_t>(rate) * blockAlign, 4);
    PutLe(header + 32, blockAlign, 2);
    PutLe(header + 34, static_cast<std::uint32_t>(bits), 2);
    std::copy_n("data", 4, header + 36);
    PutLe(header + 40, dataBytes, 4);
}

// The WAV file under construction: a temporary file beside the target,
// unique to this process and conversion, moved over the target only when
// complete and deleted otherwise.
class WavFileWriter {
public:
    ~WavFileWriter() { Abandon(); }

    bool Begin(const std::string& target, int channels, int rate, int bits)
    {
        static std::atomic<unsigned> s_counter{0};
        m_target = target;
        m_channels = channels;
        m_rate = rate;
        m_bits = bits;
        for (int attempt = 0; attempt < 100 && m_file == INVALID_HANDLE_VALUE; ++attempt) {
            char suffix[64];
            std::snprintf(suffix, sizeof suffix, ".~%u-%u.part", static_cast<unsigned>(GetCurrentProcessId()),
                          s_counter.fetch_add(1));
            m_temp = target + suffix;
            m_file = CreateFileA(m_temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (m_file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
                return false;
        }
        if (m_file == INVALID_HANDLE_VALUE)
            return false;
        std::uint8_t header[kWavHeaderSize];
        MakeWavHeader(header, channels, rate, bits, 0);
        return WriteAll(header, sizeof header);
    }

    bool Write(const std::uint8_t* bytes, std::size_t count)
    {
        if (m_dataBytes + count > kMaxDataBytes)
            return false;
        m_dataBytes += count;
        return WriteAll(bytes, count);
    }

    std::uint64_t DataBytes() const { return m_dataBytes; }

    // Completes the header and moves the file over the target.
    bool Commit()
    {
        std::uint8_t header[kWavHeaderSize];
        MakeWavHeader(header, m_channels, m_rate, m_bits, static_cast<std::uint32_t>(m_dataBytes));
        if (SetFilePointer(m_file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER
            || !WriteAll(header, sizeof header) || !FlushFileBuffers(m_file))
            return false;
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
        if (!MoveFileExA(m_temp.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING))
            return false;
        m_temp.clear();
        return true;
    }

    void Abandon()
    {
        if (m_file != INVALID_HANDLE_VALUE) {
            CloseHandle(m_file);
            m_file = INVALID_HANDLE_VALUE;
        }
        if (!m_temp.empty()) {
            DeleteFileA(m_temp.c_str());
            m_temp.clear();
        }
    }

private:
    bool WriteAll(const std::uint8_t* bytes, std::size_t count)
    {
        while (count > 0) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
            DWORD written = 0;
            if (!WriteFile(m_file, bytes, chunk, &written, nullptr) || written == 0)
                return false;
            bytes += written;
            count -= written;
        }
        return true;
    }

    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::string m_target;
    std::string m_temp;
    int m_channels = 0;
    int m_rate = 0;
    int m_bits = 16;
    std::uint64_t m_dataBytes = 0;
};

// The stop event as the media library made it; a conversion without one
// cannot be stopped.
class StopEvent {
public:
    StopEvent() : m_event(OpenEventA(SYNCHRONIZE, FALSE, AUDIO_CONVERSION_STOP_EVENT)) {}
    ~StopEvent()
    {
        if (m_event != nullptr)
            CloseHandle(m_event);
    }
    StopEvent(const StopEvent&) = delete;
    StopEvent& operator=(const StopEvent&) = delete;

    bool IsSet() const { return m_event != nullptr && WaitForSingleObject(m_event, 0) == WAIT_OBJECT_0; }

private:
    HANDLE m_event;
};

// Converts decoded frames into interleaved samples of the output format at
// the output rate; rebuilt when the frames' own format changes midway.
class SampleConverter {
public:
    SampleConverter(const AVChannelLayout& layout, AVSampleFormat format, int rate)
        : m_format(format), m_rate(rate)
    {
        av_channel_layout_copy(&m_layout, &layout);
    }
    ~SampleConverter()
    {
        av_channel_layout_uninit(&m_layout);
        av_channel_layout_uninit(&m_inLayout);
    }
    SampleConverter(const SampleConverter&) = delete;
    SampleConverter& operator=(const SampleConverter&) = delete;

    // The frame's samples (a null frame drains what the converter holds)
    // appended to `out`; false when the conversion fails.
    bool Convert(const AVFrame* frame, std::vector<std::uint8_t>& out)
    {
        if (frame != nullptr && !Matches(*frame) && !Rebuild(*frame))
            return false;
        if (!m_resampler)
            return true;
        const int inSamples = frame != nullptr ? frame->nb_samples : 0;
        const int capacity = swr_get_out_samples(m_resampler.get(), inSamples);
        if (capacity < 0)
            return false;
        if (capacity == 0)
            return true;
        const int bytesPerFrame = m_layout.nb_channels * av_get_bytes_per_sample(m_format);
        const std::size_t used = out.size();
        out.resize(used + static_cast<std::size_t>(capacity) * static_cast<std::size_t>(bytesPerFrame));
        std::uint8_t* target = out.data() + used;
        const auto** input = frame != nullptr ? const_cast<const std::uint8_t**>(frame->extended_data) : nullptr;
        const int made = swr_convert(m_resampler.get(), &target, capacity, input, inSamples);
        if (made < 0)
            return false;
        out.resize(used + static_cast<std::size_t>(made) * static_cast<std::size_t>(bytesPerFrame));
        return true;
    }

    int BytesPerFrame() const { return m_layout.nb_channels * av_get_bytes_per_sample(m_format); }

private:
    bool Matches(const AVFrame& frame) const
    {
        return m_resampler && frame.format == m_inFormat && frame.sample_rate == m_inRate
            && av_channel_layout_compare(&frame.ch_layout, &m_inLayout) == 0;
    }

    bool Rebuild(const AVFrame& frame)
    {
        m_resampler.reset();
        av_channel_layout_uninit(&m_inLayout);
        if (av_channel_layout_copy(&m_inLayout, &frame.ch_layout) < 0)
            return false;
        // A layout FFmpeg does not know by its order is taken as the default
        // one of its channel count.
        if (m_inLayout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&m_inLayout, m_inLayout.nb_channels);
        m_inFormat = frame.format;
        m_inRate = frame.sample_rate > 0 ? frame.sample_rate : m_rate;
        SwrContext* made = nullptr;
        if (swr_alloc_set_opts2(&made, &m_layout, m_format, m_rate, &m_inLayout,
                                static_cast<AVSampleFormat>(m_inFormat), m_inRate, 0, nullptr) < 0)
            return false;
        m_resampler.reset(made);
        return swr_init(made) >= 0;
    }

    AVChannelLayout m_layout{};
    AVSampleFormat m_format;
    int m_rate;
    AVChannelLayout m_inLayout{};
    int m_inFormat = -1;
    int m_inRate = 0;
    av::ResamplerPtr m_resampler;
};

// The samples [first, end) of the output, at the output rate.
struct SampleWindow {
    std::int64_t first = 0;
    std::int64_t end = std::numeric_limits<std::int64_t>::max();
};

SampleWindow WindowOf(LONGLONG start, LONGLONG stop, int rate)
{
    SampleWindow window;
    window.first = start > 0 ? av_rescale(start, rate, kUnitsPerSecond) : 0;
    if (stop > 0)
        window.end = av_rescale(stop, rate, kUnitsPerSecond);
    return window;
}

class Extraction {
public:
    bool Run(const std::string& source, const std::string& target, LONGLONG start, LONGLONG stop)
    {
        if (!Open(source))
            return false;
        const SampleWindow window = WindowOf(start, stop, m_rate);
        if (window.end <= window.first)
            return false;
        if (!m_writer.Begin(target, m_channels, m_rate, m_bits))
            return false;
        if (window.first > 0)
            SeekBefore(start);
        if (!Copy(window) || m_writer.DataBytes() == 0)
            return false;
        // A stop that came while the last samples were read still leaves
        // no target.
        if (m_stop.IsSet())
            return false;
        return m_writer.Commit();
    }

private:
    bool Open(const std::string& source)
    {
        // Raw MPEG audio tells its rate and channels only once frames are read.
        if (av::OpenInput(source, m_input) < 0 || avformat_find_stream_info(m_input.get(), nullptr) < 0)
            return false;
        m_stream = av::FindStream(m_input.get(), AVMEDIA_TYPE_AUDIO);
        if (m_stream < 0)
            return false;
        const AVCodecParameters* parameters = m_input->streams[m_stream]->codecpar;
        if (av::OpenDecoder(parameters, m_decoder) < 0)
            return false;
        m_rate = m_decoder->sample_rate;
        m_channels = m_decoder->ch_layout.nb_channels;
        if (m_rate <= 0 || m_channels <= 0 || m_channels > 0xFFFF)
            return false;
        const AVSampleFormat decoded = m_decoder->sample_fmt;
        const bool eightBit = decoded == AV_SAMPLE_FMT_U8 || decoded == AV_SAMPLE_FMT_U8P;
        m_bits = eightBit ? 8 : 16;
        AVChannelLayout layout{};
        av_channel_layout_default(&layout, m_channels);
        const AVSampleFormat written = eightBit ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
        m_converter = std::make_unique<SampleConverter>(layout, written, m_rate);
        av_channel_layout_uninit(&layout);
        m_frame.reset(av_frame_alloc());
        return m_frame != nullptr;
    }

    // Lands on or before the start; the samples before it are cut from the
    // frames by their time stamps.
    void SeekBefore(LONGLONG start)
    {
        const std::int64_t at = start / 10;
        if (av_seek_frame(m_input.get(), -1, at, AVSEEK_FLAG_BACKWARD) >= 0) {
            avcodec_flush_buffers(m_decoder.get());
            m_bSeeked = true;
        }
    }

    // The output sample the frame starts at: its time stamp after a seek
    // (once), then the count of samples so far.
    std::int64_t PositionOf(const AVFrame& frame)
    {
        if (!m_bSeeked)
            return m_position;
        m_bSeeked = false;
        const AVStream* stream = m_input->streams[m_stream];
        std::int64_t stamp = frame.best_effort_timestamp;
        if (stamp == AV_NOPTS_VALUE)
            return m_position;
        if (stream->start_time != AV_NOPTS_VALUE)
            stamp -= stream->start_time;
        m_position = std::max<std::int64_t>(0, av_rescale_q(stamp, stream->time_base, AVRational{1, m_rate}));
        return m_position;
    }

    bool Copy(const SampleWindow& window)
    {
        std::vector<std::uint8_t> samples;
        for (;;) {
            if (m_stop.IsSet())
                return false;
            const int decoded = av::DecodeNextFrame(m_input.get(), m_stream, m_decoder.get(), m_frame.get());
            const bool ended = decoded == AVERROR_EOF;
            if (decoded < 0 && !ended)
                return false;
            samples.clear();
            if (ended) {
                if (!m_converter->Convert(nullptr, samples))
                    return false;
            } else {
                PositionOf(*m_frame);
                const bool converted = m_converter->Convert(m_frame.get(), samples);
                av_frame_unref(m_frame.get());
                if (!converted)
                    return false;
            }
            if (!Keep(samples, window))
                return false;
            if (ended || m_position >= window.end)
                return true;
        }
    }

    // Writes the part of `samples` (starting at the current position) that
    // lies in the window, and moves the position past them.
    bool Keep(const std::vector<std::uint8_t>& samples, const SampleWindow& window)
    {
        const int frameBytes = m_converter->BytesPerFrame();
        const auto count = static_cast<std::int64_t>(samples.size() / static_cast<std::size_t>(frameBytes));
        const std::int64_t from = std::max(m_position, window.first);
        const std::int64_t to = std::min(m_position + count, window.end);
        bool written = true;
        if (to > from) {
            written = m_writer.Write(samples.data() + (from - m_position) * frameBytes,
                                     static_cast<std::size_t>((to - from) * frameBytes));
        }
        m_position += count;
        return written;
    }

    av::InputPtr m_input;
    av::CodecPtr m_decoder;
    av::FramePtr m_frame;
    std::unique_ptr<SampleConverter> m_converter;
    int m_stream = -1;
    int m_rate = 0;
    int m_channels = 0;
    int m_bits = 16;
    std::int64_t m_position = 0;
    bool m_bSeeked = false;
    StopEvent m_stop;
    WavFileWriter m_writer;
};

} // namespace

BOOL AMExtractWaveFile(CString& source, CString& target, LONGLONG start, LONGLONG stop)
{
    if (source.IsEmpty() || target.IsEmpty())
        return FALSE;
    Extraction extraction;
    return extraction.Run(static_cast<LPCSTR>(source), static_cast<LPCSTR>(target), start, stop) ? TRUE : FALSE;
}
