#include "Platform/Vfw/Acm.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/Win/Kernel/HandleTable.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace vfw {

namespace {

struct Decodable {
    WORD tag;
    AVCodecID codec;
};

constexpr Decodable kDecodable[] = {
    {WAVE_FORMAT_ADPCM, AV_CODEC_ID_ADPCM_MS},        {WAVE_FORMAT_IMA_ADPCM, AV_CODEC_ID_ADPCM_IMA_WAV},
    {WAVE_FORMAT_ALAW, AV_CODEC_ID_PCM_ALAW},         {WAVE_FORMAT_MULAW, AV_CODEC_ID_PCM_MULAW},
    {WAVE_FORMAT_MPEGLAYER3, AV_CODEC_ID_MP3},        {WAVE_FORMAT_MPEG, AV_CODEC_ID_MP2},
    {WAVE_FORMAT_IEEE_FLOAT, AV_CODEC_ID_PCM_F32LE},
};

AVCodecID DecoderOf(WORD tag)
{
    for (const Decodable& entry : kDecodable)
        if (entry.tag == tag)
            return entry.codec;
    return AV_CODEC_ID_NONE;
}

bool PcmSampleFormat(const WAVEFORMATEX& format, AVSampleFormat& sampleFormat)
{
    if (format.wFormatTag != WAVE_FORMAT_PCM)
        return false;
    if (format.wBitsPerSample == 8)
        sampleFormat = AV_SAMPLE_FMT_U8;
    else if (format.wBitsPerSample == 16)
        sampleFormat = AV_SAMPLE_FMT_S16;
    else if (format.wBitsPerSample == 32)
        sampleFormat = AV_SAMPLE_FMT_S32;
    else
        return false;
    return true;
}

bool Plausible(const WAVEFORMATEX& format)
{
    return format.nChannels >= 1 && format.nChannels <= 8 && format.nSamplesPerSec >= 1000
           && format.nSamplesPerSec <= 384000 && format.nBlockAlign > 0;
}

// One conversion: a decoder when the source is not PCM, then the
// resampler into the destination's PCM, with output the caller's buffer
// had no room for kept for the next call.
class Stream {
public:
    MMRESULT Open(const WAVEFORMATEX& src, const BYTE* extra, const WAVEFORMATEX& dst);
    MMRESULT Convert(ACMSTREAMHEADER& header, DWORD flags);
    DWORD SourceToDestination(DWORD bytes) const;
    DWORD DestinationToSource(DWORD bytes) const;

private:
    double SourceFramesIn(DWORD bytes) const;
    bool Resample(const uint8_t* const* planes, int frames, AVSampleFormat format);
    bool DecodePacket(const uint8_t* data, int size);

    WAVEFORMATEX m_src{};
    WAVEFORMATEX m_dst{};
    AVSampleFormat m_srcFormat = AV_SAMPLE_FMT_NONE;
    AVSampleFormat m_dstFormat = AV_SAMPLE_FMT_NONE;
    av::CodecPtr m_decoder;
    std::unique_ptr<AVCodecParserContext, void (*)(AVCodecParserContext*)> m_parser{nullptr, av_parser_close};
    av::ResamplerPtr m_resampler;
    AVSampleFormat m_resamplerInput = AV_SAMPLE_FMT_NONE;
    av::FramePtr m_frame{av_frame_alloc()};
    av::PacketPtr m_packet{av_packet_alloc()};
    std::vector<BYTE> m_pending;
};

MMRESULT Stream::Open(const WAVEFORMATEX& src, const BYTE* extra, const WAVEFORMATEX& dst)
{
    m_src = src;
    m_dst = dst;
    if (!Plausible(src) || !Plausible(dst) || !PcmSampleFormat(dst, m_dstFormat) || m_dstFormat == AV_SAMPLE_FMT_S32)
        return ACMERR_NOTPOSSIBLE;
    if (dst.nBlockAlign != dst.nChannels * dst.wBitsPerSample / 8)
        return ACMERR_NOTPOSSIBLE;
    if (PcmSampleFormat(src, m_srcFormat)) {
        if (src.nBlockAlign != src.nChannels * src.wBitsPerSample / 8)
            return ACMERR_NOTPOSSIBLE;
        return MMSYSERR_NOERROR;
    }
    const AVCodecID codec = DecoderOf(src.wFormatTag);
    if (codec == AV_CODEC_ID_NONE || !m_frame || !m_packet)
        return ACMERR_NOTPOSSIBLE;
    const int opened = av::OpenDecoder(codec, m_decoder, [&](AVCodecContext& context) {
        context.sample_rate = static_cast<int>(src.nSamplesPerSec);
        av_channel_layout_default(&context.ch_layout, src.nChannels);
        context.block_align = src.nBlockAlign;
        context.bits_per_coded_sample = src.wBitsPerSample;
        if (extra != nullptr && src.cbSize > 0) {
            context.extradata = static_cast<uint8_t*>(av_mallocz(src.cbSize + AV_INPUT_BUFFER_PADDING_SIZE));
            if (context.extradata != nullptr) {
                std::memcpy(context.extradata, extra, src.cbSize);
                context.extradata_size = src.cbSize;
            }
        }
    });
    if (opened < 0)
        return ACMERR_NOTPOSSIBLE;
    if (codec == AV_CODEC_ID_MP3 || codec == AV_CODEC_ID_MP2) {
        m_parser.reset(av_parser_init(codec));
        if (!m_parser)
            return ACMERR_NOTPOSSIBLE;
    }
    return MMSYSERR_NOERROR;
}

bool Stream::Resample(const uint8_t* const* planes, int frames, AVSampleFormat format)
{
    if (!m_resampler || m_resamplerInput != format) {
        AVChannelLayout in{};
        AVChannelLayout out{};
        av_channel_layout_default(&in, m_src.nChannels);
        av_channel_layout_default(&out, m_dst.nChannels);
        SwrContext* made = nullptr;
        const int set = swr_alloc_set_opts2(&made, &out, m_dstFormat, static_cast<int>(m_dst.nSamplesPerSec), &in,
                                            format, static_cast<int>(m_src.nSamplesPerSec), 0, nullptr);
        av::ResamplerPtr resampler(made);
        if (set < 0 || swr_init(resampler.get()) < 0)
            return false;
        m_resampler = std::move(resampler);
        m_resamplerInput = format;
    }
    const int capacity = swr_get_out_samples(m_resampler.get(), frames);
    if (capacity < 0)
        return false;
    if (capacity == 0)
        return true;
    const std::size_t before = m_pending.size();
    m_pending.resize(before + static_cast<std::size_t>(capacity) * m_dst.nBlockAlign);
    uint8_t* out[1] = {m_pending.data() + before};
    const int made = swr_convert(m_resampler.get(), out, capacity, const_cast<const uint8_t**>(planes), frames);
    m_pending.resize(before + static_cast<std::size_t>(std::max(made, 0)) * m_dst.nBlockAlign);
    return made >= 0;
}

bool Stream::DecodePacket(const uint8_t* data, int size)
{
    av_packet_unref(m_packet.get());
    m_packet->data = const_cast<uint8_t*>(data);
    m_packet->size = size;
    // A damaged packet is skipped, as a player skips it; the stream goes on.
    if (avcodec_send_packet(m_decoder.get(), m_packet.get()) < 0)
        return true;
    while (avcodec_receive_frame(m_decoder.get(), m_frame.get()) >= 0) {
        const bool resampled = Resample(m_frame->extended_data, m_frame->nb_samples,
                                        static_cast<AVSampleFormat>(m_frame->format));
        av_frame_unref(m_frame.get());
        if (!resampled)
            return false;
    }
    return true;
}

MMRESULT Stream::Convert(ACMSTREAMHEADER& header, DWORD flags)
{
    DWORD usable = header.cbSrcLength;
    if ((flags & ACM_STREAMCONVERTF_BLOCKALIGN) != 0)
        usable -= usable % m_src.nBlockAlign;
    const BYTE* source = header.pbSrc;
    if (usable > 0 && source == nullptr)
        return MMSYSERR_INVALPARAM;
    bool ok = true;
    if (!m_decoder) {
        const uint8_t* planes[1] = {source};
        const int frames = static_cast<int>(usable / m_src.nBlockAlign);
        usable = static_cast<DWORD>(frames) * m_src.nBlockAlign;
        if (frames > 0)
            ok = Resample(planes, frames, m_srcFormat);
    } else if (m_parser) {
        DWORD at = 0;
        while (ok && at < usable) {
            uint8_t* packet = nullptr;
            int packetSize = 0;
            const int used = av_parser_parse2(m_parser.get(), m_decoder.get(), &packet, &packetSize, source + at,
                                              static_cast<int>(usable - at), AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used < 0)
                break;
            at += static_cast<DWORD>(used);
            if (packetSize > 0)
                ok = DecodePacket(packet, packetSize);
            if (used == 0 && packetSize == 0)
                break;
        }
    } else {
        // ADPCM decodes one block per packet; sample formats take whole
        // frames in pieces of about 4 KiB.
        const bool blocks = m_src.wFormatTag == WAVE_FORMAT_ADPCM || m_src.wFormatTag == WAVE_FORMAT_IMA_ADPCM;
        const DWORD align = m_src.nBlockAlign;
        const DWORD piece = blocks ? align : std::max<DWORD>(4096 / align, 1) * align;
        usable -= usable % align;
        for (DWORD at = 0; ok && at < usable; at += piece)
            ok = DecodePacket(source + at, static_cast<int>(std::min(piece, usable - at)));
    }
    if (ok && (flags & ACM_STREAMCONVERTF_END) != 0 && m_resampler)
        ok = Resample(nullptr, 0, m_resamplerInput);
    if (!ok)
        return MMSYSERR_ERROR;
    const DWORD copied = std::min<DWORD>(static_cast<DWORD>(m_pending.size()), header.cbDstLength);
    if (copied > 0) {
        if (header.pbDst == nullptr)
            return MMSYSERR_INVALPARAM;
        std::memcpy(header.pbDst, m_pending.data(), copied);
        m_pending.erase(m_pending.begin(), m_pending.begin() + copied);
    }
    header.cbSrcLengthUsed = usable;
    header.cbDstLengthUsed = copied;
    header.fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

double Stream::SourceFramesIn(DWORD bytes) const
{
    if (!m_decoder)
        return static_cast<double>(bytes / m_src.nBlockAlign);
    if (m_src.nAvgBytesPerSec == 0)
        return 0.0;
    return static_cast<double>(bytes) * m_src.nSamplesPerSec / m_src.nAvgBytesPerSec;
}

DWORD Stream::SourceToDestination(DWORD bytes) const
{
    // Room for a frame of the decoder's own, the resampler's delay and the
    // output kept from earlier calls.
    const double frames = SourceFramesIn(bytes) * m_dst.nSamplesPerSec / m_src.nSamplesPerSec + 2304.0;
    const double total = frames * m_dst.nBlockAlign + static_cast<double>(m_pending.size());
    return static_cast<DWORD>(std::min(total, 4.0e9));
}

DWORD Stream::DestinationToSource(DWORD bytes) const
{
    const double frames = static_cast<double>(bytes / m_dst.nBlockAlign) * m_src.nSamplesPerSec / m_dst.nSamplesPerSec;
    double sourceBytes;
    if (!m_decoder)
        sourceBytes = frames * m_src.nBlockAlign;
    else
        sourceBytes = frames * m_src.nAvgBytesPerSec / m_src.nSamplesPerSec;
    const DWORD aligned = static_cast<DWORD>(std::min(sourceBytes, 4.0e9));
    return aligned - aligned % m_src.nBlockAlign;
}

win::HandleTable<Stream> g_streams{win::HandleKind::AcmStream};

} // namespace

} // namespace vfw

MMRESULT acmFormatSuggest(HACMDRIVER, const WAVEFORMATEX* src, WAVEFORMATEX* dst, DWORD cbDst, DWORD flags)
{
    if (src == nullptr || dst == nullptr || cbDst < sizeof(PCMWAVEFORMAT))
        return MMSYSERR_INVALPARAM;
    const bool tagFixed = (flags & ACM_FORMATSUGGESTF_WFORMATTAG) != 0;
    if (tagFixed && dst->wFormatTag != WAVE_FORMAT_PCM)
        return ACMERR_NOTPOSSIBLE;
    if (src->wFormatTag != WAVE_FORMAT_PCM && vfw::DecoderOf(src->wFormatTag) == AV_CODEC_ID_NONE)
        return ACMERR_NOTPOSSIBLE;
    if (!vfw::Plausible(*src))
        return ACMERR_NOTPOSSIBLE;
    WAVEFORMATEX suggestion{};
    suggestion.wFormatTag = WAVE_FORMAT_PCM;
    suggestion.nChannels = (flags & ACM_FORMATSUGGESTF_NCHANNELS) != 0 ? dst->nChannels : src->nChannels;
    suggestion.nSamplesPerSec =
        (flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) != 0 ? dst->nSamplesPerSec : src->nSamplesPerSec;
    if ((flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) != 0)
        suggestion.wBitsPerSample = dst->wBitsPerSample;
    else if (src->wFormatTag == WAVE_FORMAT_PCM && (src->wBitsPerSample == 8 || src->wBitsPerSample == 16))
        suggestion.wBitsPerSample = src->wBitsPerSample;
    else
        suggestion.wBitsPerSample = 16;
    if (suggestion.wBitsPerSample != 8 && suggestion.wBitsPerSample != 16)
        return ACMERR_NOTPOSSIBLE;
    suggestion.nBlockAlign = static_cast<WORD>(suggestion.nChannels * suggestion.wBitsPerSample / 8);
    suggestion.nAvgBytesPerSec = suggestion.nSamplesPerSec * suggestion.nBlockAlign;
    std::memcpy(dst, &suggestion, std::min<DWORD>(cbDst, sizeof suggestion));
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamOpen(HACMSTREAM* phas, HACMDRIVER, const WAVEFORMATEX* src, const WAVEFORMATEX* dst,
                       const WAVEFILTER* filter, DWORD_PTR, DWORD_PTR, DWORD flags)
{
    if (phas != nullptr)
        *phas = nullptr;
    if (src == nullptr || dst == nullptr || filter != nullptr)
        return MMSYSERR_INVALPARAM;
    if ((flags & ACM_STREAMOPENF_ASYNC) != 0)
        return MMSYSERR_INVALFLAG;
    const bool query = (flags & ACM_STREAMOPENF_QUERY) != 0;
    if (!query && phas == nullptr)
        return MMSYSERR_INVALPARAM;
    auto stream = std::make_shared<vfw::Stream>();
    const auto* extra = src->wFormatTag == WAVE_FORMAT_PCM ? nullptr : reinterpret_cast<const BYTE*>(src + 1);
    if (const MMRESULT opened = stream->Open(*src, extra, *dst); opened != MMSYSERR_NOERROR)
        return opened;
    if (query)
        return MMSYSERR_NOERROR;
    *phas = vfw::g_streams.Add<HACMSTREAM>(std::move(stream));
    return *phas ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
}

MMRESULT acmStreamSize(HACMSTREAM has, DWORD cbInput, DWORD* pdwOutputBytes, DWORD flags)
{
    const auto stream = vfw::g_streams.Find(has);
    if (!stream)
        return MMSYSERR_INVALHANDLE;
    if (pdwOutputBytes == nullptr)
        return MMSYSERR_INVALPARAM;
    *pdwOutputBytes = (flags & ACM_STREAMSIZEF_DESTINATION) != 0 ? stream->DestinationToSource(cbInput)
                                                                 : stream->SourceToDestination(cbInput);
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD)
{
    if (!vfw::g_streams.Find(has))
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header->cbStruct < sizeof(ACMSTREAMHEADER))
        return MMSYSERR_INVALPARAM;
    header->fdwStatus = ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD flags)
{
    const auto stream = vfw::g_streams.Find(has);
    if (!stream)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header->cbStruct < sizeof(ACMSTREAMHEADER))
        return MMSYSERR_INVALPARAM;
    if ((header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) == 0)
        return ACMERR_UNPREPARED;
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    return stream->Convert(*header, flags);
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD)
{
    if (!vfw::g_streams.Find(has))
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr)
        return MMSYSERR_INVALPARAM;
    if ((header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) == 0)
        return ACMERR_UNPREPARED;
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM has, DWORD)
{
    return vfw::g_streams.Remove(has) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}
