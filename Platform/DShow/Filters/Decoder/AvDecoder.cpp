#include "Platform/DShow/Filters/Decoder/AvDecoder.h"

#include <algorithm>
#include <cstring>

#include "Platform/Av/Av.h"
#include "Platform/DShow/Filters/Av/AvMediaTypes.h"
#include "Platform/DShow/Filters/FilterHelpers.h"
#include "Platform/DShow/Filters/SystemFilters.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace dshow {
namespace {

constexpr long kAudioBufferBytes = 256 * 1024;

struct VideoOutput {
    const GUID* subtype;
    AVPixelFormat pixels;
    WORD bits;
    DWORD compression;
    bool bottomUp;
};

const VideoOutput kVideoOutputs[] = {
    {&MEDIASUBTYPE_RGB24, AV_PIX_FMT_BGR24, 24, 0, true},
    {&MEDIASUBTYPE_RGB32, AV_PIX_FMT_BGR0, 32, 0, true},
    {&MEDIASUBTYPE_UYVY, AV_PIX_FMT_UYVY422, 16, 0x59565955, false},
};

const VideoOutput* OutputFor(const GUID& subtype)
{
    for (const VideoOutput& output : kVideoOutputs)
        if (*output.subtype == subtype)
            return &output;
    return nullptr;
}

class AvDecoder final : public CTransformFilter, public IIPDVDec {
public:
    explicit AvDecoder(const DecoderKind& kind) : CTransformFilter(NAME("Decoder"), nullptr, *kind.clsid), m_kind(kind)
    {
    }
    ~AvDecoder() override { avcodec_parameters_free(&m_parameters); }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IIPDVDec && m_kind.dv)
            return GetInterface(static_cast<IIPDVDec*>(this), object);
        return CTransformFilter::NonDelegatingQueryInterface(riid, object);
    }

    // IIPDVDec: takes effect at the next connection of the output.
    HRESULT STDMETHODCALLTYPE get_IPDisplay(int* display) override
    {
        CheckPointer(display, E_POINTER);
        *display = m_resolution;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_IPDisplay(int display) override
    {
        if (display < DVRESOLUTION_FULL || display > DVRESOLUTION_DC)
            return E_INVALIDARG;
        CAutoLock lock(&m_csFilter);
        m_resolution = display;
        return S_OK;
    }

    HRESULT CheckInputType(const CMediaType* in) override
    {
        bool listed = false;
        for (UINT i = 0; i < m_kind.inputTypeCount; ++i) {
            const REGPINTYPES& type = m_kind.inputTypes[i];
            listed = listed || (*type.clsMajorType == *in->Type() &&
                                (*type.clsMinorType == GUID_NULL || *type.clsMinorType == *in->Subtype()));
        }
        if (!listed)
            return VFW_E_TYPE_NOT_ACCEPTED;
        AVCodecParameters* parameters = avcodec_parameters_alloc();
        if (!parameters)
            return E_OUTOFMEMORY;
        bool known = CodecForMediaType(*in, *parameters) && avcodec_find_decoder(parameters->codec_id);
        avcodec_parameters_free(&parameters);
        return known ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override
    {
        if (direction != PINDIR_INPUT)
            return S_OK;
        avcodec_parameters_free(&m_parameters);
        m_parameters = avcodec_parameters_alloc();
        if (!m_parameters)
            return E_OUTOFMEMORY;
        if (!CodecForMediaType(*type, *m_parameters))
            return VFW_E_TYPE_NOT_ACCEPTED;
        m_frameDuration = FrameDurationOf(*type);
        return S_OK;
    }

    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (!m_pInput->IsConnected() || !m_parameters)
            return VFW_E_NOT_CONNECTED;
        if (position < 0)
            return E_INVALIDARG;
        if (m_parameters->codec_type == AVMEDIA_TYPE_AUDIO) {
            if (position > 0)
                return VFW_S_NO_MORE_ITEMS;
            MakePcmType(*type, m_parameters->sample_rate, std::min(m_parameters->ch_layout.nb_channels, 2), 16);
            return S_OK;
        }
        if (position >= static_cast<int>(std::size(kVideoOutputs)))
            return VFW_S_NO_MORE_ITEMS;
        const VideoOutput& output = kVideoOutputs[position];
        int width = 0, height = 0;
        OutputSize(width, height);
        type->InitMediaType();
        auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
        if (!info)
            return E_OUTOFMEMORY;
        std::memset(info, 0, sizeof *info);
        info->AvgTimePerFrame = m_frameDuration;
        info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info->bmiHeader.biWidth = width;
        info->bmiHeader.biHeight = height;
        info->bmiHeader.biPlanes = 1;
        info->bmiHeader.biBitCount = output.bits;
        info->bmiHeader.biCompression = output.compression;
        info->bmiHeader.biSizeImage = static_cast<DWORD>(Stride(output, width) * height);
        info->rcSource = {0, 0, width, height};
        info->rcTarget = info->rcSource;
        type->SetType(&MEDIATYPE_Video);
        type->SetSubtype(output.subtype);
        type->SetFormatType(&FORMAT_VideoInfo);
        type->SetSampleSize(info->bmiHeader.biSizeImage);
        type->SetTemporalCompression(FALSE);
        return S_OK;
    }

    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override
    {
        HRESULT hr = CheckInputType(in);
        if (FAILED(hr))
            return hr;
        if (*in->Type() == MEDIATYPE_Audio || *in->Subtype() == MEDIASUBTYPE_AsfAudioStream) {
            if (*out->Type() != MEDIATYPE_Audio || *out->Subtype() != MEDIASUBTYPE_PCM ||
                *out->FormatType() != FORMAT_WaveFormatEx || out->FormatLength() < sizeof(WAVEFORMAT))
                return VFW_E_TYPE_NOT_ACCEPTED;
            const auto* format = reinterpret_cast<const WAVEFORMATEX*>(out->Format());
            return format->wFormatTag == WAVE_FORMAT_PCM && format->wBitsPerSample == 16 &&
                           (format->nChannels == 1 || format->nChannels == 2)
                       ? S_OK
                       : VFW_E_TYPE_NOT_ACCEPTED;
        }
        const VideoOutput* output = OutputFor(*out->Subtype());
        const BITMAPINFOHEADER* bitmap = BitmapHeaderOf(*out);
        if (*out->Type() != MEDIATYPE_Video || !output || !bitmap || bitmap->biBitCount != output->bits)
            return VFW_E_TYPE_NOT_ACCEPTED;
        int width = 0, height = 0;
        OutputSize(width, height);
        return bitmap->biWidth == width && std::abs(bitmap->biHeight) == height ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        const CMediaType& type = m_pOutput->CurrentMediaType();
        long size = type.GetSampleSize() > 0 ? static_cast<long>(type.GetSampleSize()) : kAudioBufferBytes;
        if (*type.Type() == MEDIATYPE_Audio)
            size = kAudioBufferBytes;
        return SetBuffers(allocator, request, *type.Type() == MEDIATYPE_Audio ? 4 : 2, size);
    }

    HRESULT StartStreaming() override
    {
        if (!m_parameters)
            return VFW_E_NOT_CONNECTED;
        int error = av::OpenDecoder(m_parameters, m_decoder, [](AVCodecContext& context) {
            context.pkt_timebase = {1, UNITS};
            context.err_recognition = 0;
        });
        if (error < 0)
            return VFW_E_NO_DECOMPRESSOR;
        m_frame.reset(av_frame_alloc());
        m_packet.reset(av_packet_alloc());
        if (!m_frame || !m_packet)
            return E_OUTOFMEMORY;
        m_nextAudioTime = 0;
        m_anyVideo = false;
        return S_OK;
    }
    HRESULT StopStreaming() override
    {
        m_decoder.reset();
        m_scaler.reset();
        m_resampler.reset();
        return S_OK;
    }

    HRESULT Receive(IMediaSample* sample) override
    {
        if (m_pInput->SampleProps()->dwStreamId != AM_STREAM_MEDIA)
            return S_OK;
        if (!m_decoder)
            return VFW_E_WRONG_STATE;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        LONG length = sample->GetActualDataLength();
        if (length <= 0)
            return S_OK;
        m_input.resize(static_cast<size_t>(length) + AV_INPUT_BUFFER_PADDING_SIZE);
        std::memcpy(m_input.data(), data, static_cast<size_t>(length));
        std::memset(m_input.data() + length, 0, AV_INPUT_BUFFER_PADDING_SIZE);
        m_packet->data = m_input.data();
        m_packet->size = length;
        REFERENCE_TIME start = 0, stop = 0;
        HRESULT timed = sample->GetTime(&start, &stop);
        m_packet->pts = SUCCEEDED(timed) ? start : AV_NOPTS_VALUE;
        m_packet->dts = AV_NOPTS_VALUE;
        m_packet->duration = SUCCEEDED(timed) && timed != VFW_S_NO_STOP_TIME ? stop - start : 0;
        m_packet->flags = sample->IsSyncPoint() == S_OK ? AV_PKT_FLAG_KEY : 0;
        if (SUCCEEDED(timed) && m_parameters->codec_type == AVMEDIA_TYPE_AUDIO)
            m_nextAudioTime = start;
        int error = avcodec_send_packet(m_decoder.get(), m_packet.get());
        m_packet->data = nullptr;
        m_packet->size = 0;
        if (error < 0 && error != AVERROR(EAGAIN))
            return S_OK; // a damaged frame is skipped
        return DeliverFrames();
    }

    HRESULT EndOfStream() override
    {
        if (m_decoder) {
            avcodec_send_packet(m_decoder.get(), nullptr);
            DeliverFrames();
            avcodec_flush_buffers(m_decoder.get());
        }
        return CTransformFilter::EndOfStream();
    }

    HRESULT EndFlush() override
    {
        {
            CAutoLock lock(&m_csReceive);
            if (m_decoder)
                avcodec_flush_buffers(m_decoder.get());
            m_anyVideo = false;
        }
        return CTransformFilter::EndFlush();
    }

private:
    static int Stride(const VideoOutput& output, int width) { return ((width * output.bits / 8) + 3) & ~3; }

    void OutputSize(int& width, int& height) const
    {
        width = m_parameters ? m_parameters->width : 0;
        height = m_parameters ? m_parameters->height : 0;
        if (!m_kind.dv)
            return;
        switch (m_resolution) {
        case DVRESOLUTION_HALF:
            width /= 2;
            height /= 2;
            break;
        case DVRESOLUTION_QUARTER:
            width /= 4;
            height /= 4;
            break;
        case DVRESOLUTION_DC:
            height = height > 480 ? 72 : 60;
            width = 88;
            break;
        default:
            break;
        }
    }

    HRESULT DeliverFrames()
    {
        while (true) {
            int error = avcodec_receive_frame(m_decoder.get(), m_frame.get());
            if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
                return S_OK;
            if (error < 0)
                return S_OK;
            HRESULT hr = m_frame->width > 0 ? DeliverPicture() : DeliverSound();
            av_frame_unref(m_frame.get());
            if (hr != S_OK)
                return hr;
        }
    }

    HRESULT DeliverPicture()
    {
        const CMediaType& type = m_pOutput->CurrentMediaType();
        const VideoOutput* output = OutputFor(*type.Subtype());
        const BITMAPINFOHEADER* bitmap = BitmapHeaderOf(type);
        if (!output || !bitmap)
            return E_UNEXPECTED;
        int64_t pts = m_frame->best_effort_timestamp;
        // A frame without a time of its own, or repeating the last one,
        // follows the frame before.
        REFERENCE_TIME start = pts != AV_NOPTS_VALUE && (!m_anyVideo || pts > m_lastVideoTime) ? pts : m_nextVideoTime;
        m_anyVideo = true;
        m_lastVideoTime = start;
        REFERENCE_TIME duration = m_frame->pkt_duration > 0 ? m_frame->pkt_duration : m_frameDuration;
        REFERENCE_TIME stop = start + std::max<REFERENCE_TIME>(duration, 1);
        m_nextVideoTime = stop;
        if (stop <= 0)
            return S_OK; // before the segment start
        int width = bitmap->biWidth;
        int height = std::abs(bitmap->biHeight);
        m_scaler.reset(sws_getCachedContext(m_scaler.release(), m_frame->width, m_frame->height,
                                            static_cast<AVPixelFormat>(m_frame->format), width, height,
                                            output->pixels, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!m_scaler)
            return E_FAIL;
        IMediaSample* out = nullptr;
        HRESULT hr = m_pOutput->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
        if (FAILED(hr))
            return hr;
        BYTE* data = nullptr;
        out->GetPointer(&data);
        int stride = Stride(*output, width);
        if (out->GetSize() < stride * height) {
            out->Release();
            return E_FAIL;
        }
        uint8_t* planes[4] = {data, nullptr, nullptr, nullptr};
        int strides[4] = {stride, 0, 0, 0};
        if (output->bottomUp && bitmap->biHeight > 0) {
            planes[0] = data + static_cast<ptrdiff_t>(stride) * (height - 1);
            strides[0] = -stride;
        }
        sws_scale(m_scaler.get(), m_frame->data, m_frame->linesize, 0, m_frame->height, planes, strides);
        out->SetActualDataLength(stride * height);
        out->SetTime(&start, &stop);
        out->SetSyncPoint(TRUE);
        out->SetDiscontinuity(FALSE);
        hr = m_pOutput->Deliver(out);
        out->Release();
        return hr;
    }

    HRESULT DeliverSound()
    {
        const auto* format = reinterpret_cast<const WAVEFORMATEX*>(m_pOutput->CurrentMediaType().Format());
        int channels = format->nChannels;
        int rate = static_cast<int>(format->nSamplesPerSec);
        if (!m_resampler || m_resamplerFormat != m_frame->format || m_resamplerRate != m_frame->sample_rate ||
            m_resamplerChannels != m_frame->ch_layout.nb_channels) {
            AVChannelLayout layout;
            av_channel_layout_default(&layout, channels);
            SwrContext* made = nullptr;
            if (swr_alloc_set_opts2(&made, &layout, AV_SAMPLE_FMT_S16, rate, &m_frame->ch_layout,
                                    static_cast<AVSampleFormat>(m_frame->format), m_frame->sample_rate, 0,
                                    nullptr) < 0 ||
                swr_init(made) < 0) {
                swr_free(&made);
                return E_FAIL;
            }
            m_resampler.reset(made);
            m_resamplerFormat = m_frame->format;
            m_resamplerRate = m_frame->sample_rate;
            m_resamplerChannels = m_frame->ch_layout.nb_channels;
        }
        int capacity = swr_get_out_samples(m_resampler.get(), m_frame->nb_samples);
        if (capacity <= 0)
            return S_OK;
        m_pcm.resize(static_cast<size_t>(capacity) * channels * 2);
        uint8_t* out[1] = {m_pcm.data()};
        int samples = swr_convert(m_resampler.get(), out, capacity, const_cast<const uint8_t**>(m_frame->extended_data),
                                  m_frame->nb_samples);
        if (samples <= 0)
            return S_OK;
        int64_t pts = m_frame->best_effort_timestamp;
        REFERENCE_TIME start = pts != AV_NOPTS_VALUE ? pts : m_nextAudioTime;
        size_t bytes = static_cast<size_t>(samples) * channels * 2;
        size_t offset = 0;
        int blockAlign = channels * 2;
        while (offset < bytes) {
            IMediaSample* sample = nullptr;
            HRESULT hr = m_pOutput->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
            if (FAILED(hr))
                return hr;
            size_t room = static_cast<size_t>(sample->GetSize()) / blockAlign * blockAlign;
            size_t part = std::min(room, bytes - offset);
            BYTE* data = nullptr;
            sample->GetPointer(&data);
            std::memcpy(data, m_pcm.data() + offset, part);
            sample->SetActualDataLength(static_cast<LONG>(part));
            REFERENCE_TIME stop = start + static_cast<REFERENCE_TIME>(part / blockAlign) * UNITS / rate;
            sample->SetTime(&start, &stop);
            sample->SetSyncPoint(TRUE);
            hr = stop > 0 ? m_pOutput->Deliver(sample) : S_OK;
            sample->Release();
            if (hr != S_OK)
                return hr;
            start = stop;
            offset += part;
        }
        m_nextAudioTime = start;
        return S_OK;
    }

    const DecoderKind& m_kind;
    int m_resolution = DVRESOLUTION_FULL;
    AVCodecParameters* m_parameters = nullptr;
    REFERENCE_TIME m_frameDuration = 0;
    av::CodecPtr m_decoder;
    av::FramePtr m_frame;
    av::PacketPtr m_packet;
    av::ScalerPtr m_scaler;
    av::ResamplerPtr m_resampler;
    int m_resamplerFormat = -1;
    int m_resamplerRate = 0;
    int m_resamplerChannels = 0;
    std::vector<uint8_t> m_input;
    std::vector<uint8_t> m_pcm;
    REFERENCE_TIME m_nextVideoTime = 0;
    REFERENCE_TIME m_lastVideoTime = 0;
    bool m_anyVideo = false;
    REFERENCE_TIME m_nextAudioTime = 0;
};

} // namespace

HRESULT CreateAvDecoder(const DecoderKind& kind, REFIID riid, void** object)
{
    return CreateSystemObject<AvDecoder>(riid, object, kind);
}

} // namespace dshow
