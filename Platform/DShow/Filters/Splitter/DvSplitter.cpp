// The DV splitter: takes an interleaved DV stream ('iavs', DIF frames
// with their sound inside) and gives the frames as DV video ("DVVidOut0")
// and their sound as 16-bit PCM ("AudOut00"), read out of each frame with
// FFmpeg's DV demuxer. With both outputs connected each delivers from a
// thread of its own: a sink that holds its pin's sample until it is asked
// for it (the grab sinks) then never holds up the other stream.

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/DShow/Filters/FilterHelpers.h"
#include "Platform/DShow/Filters/Playback.h"
#include "Platform/DShow/Filters/Splitter/DeliveryQueue.h"

namespace dshow {
namespace {

constexpr REFERENCE_TIME kNtscFrame = 333667;
constexpr REFERENCE_TIME kPalFrame = 400000;

struct DvFormat {
    bool pal = false;
    int sampleRate = 48000;
};

DvFormat FormatOf(const CMediaType& type)
{
    DvFormat format;
    if (*type.FormatType() == FORMAT_DvInfo && type.FormatLength() >= sizeof(DVINFO)) {
        const auto* info = reinterpret_cast<const DVINFO*>(type.Format());
        format.pal = (info->dwDVVAuxSrc >> 16) & 0x20;
        static const int kRates[] = {48000, 44100, 32000};
        DWORD rate = (info->dwDVAAuxSrc >> 27) & 7;
        format.sampleRate = rate < 3 ? kRates[rate] : 48000;
    }
    return format;
}

// The sound of one DIF frame, as interleaved 16-bit stereo.
struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t position = 0;
    static int Read(void* opaque, uint8_t* buffer, int wanted)
    {
        auto* self = static_cast<MemoryReader*>(opaque);
        size_t left = self->size - self->position;
        if (left == 0)
            return AVERROR_EOF;
        size_t n = std::min(left, static_cast<size_t>(wanted));
        std::memcpy(buffer, self->data + self->position, n);
        self->position += n;
        return static_cast<int>(n);
    }
};

bool FrameSound(const uint8_t* frame, size_t size, std::vector<uint8_t>& pcm, int& rate)
{
    pcm.clear();
    MemoryReader reader{frame, size};
    constexpr int kBuffer = 16384;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBuffer));
    AVIOContext* io = buffer ? avio_alloc_context(buffer, kBuffer, 0, &reader, &MemoryReader::Read, nullptr, nullptr)
                             : nullptr;
    AVFormatContext* context = io ? avformat_alloc_context() : nullptr;
    bool ok = false;
    if (context) {
        context->pb = io;
        context->flags |= AVFMT_FLAG_CUSTOM_IO;
        if (avformat_open_input(&context, "", av_find_input_format("dv"), nullptr) >= 0) {
            av::PacketPtr packet(av_packet_alloc());
            // The demuxer makes its sound streams as it meets them; the
            // first carries the first stereo pair.
            int audio = -1;
            while (packet && av_read_frame(context, packet.get()) >= 0) {
                const AVCodecParameters* codec = context->streams[packet->stream_index]->codecpar;
                if (codec->codec_type == AVMEDIA_TYPE_AUDIO && (audio < 0 || audio == packet->stream_index)) {
                    audio = packet->stream_index;
                    rate = codec->sample_rate;
                    if (codec->ch_layout.nb_channels == 2)
                        pcm.insert(pcm.end(), packet->data, packet->data + packet->size);
                }
                av_packet_unref(packet.get());
            }
            ok = true;
            avformat_close_input(&context);
        }
    } else if (!io && buffer) {
        av_free(buffer);
    }
    if (io) {
        av_free(io->buffer);
        avio_context_free(&io);
    }
    if (context)
        avformat_free_context(context);
    return ok;
}

class DvSplitter;

class DvOutputPin final : public CBaseOutputPin {
public:
    DvOutputPin(DvSplitter* splitter, CCritSec* lock, HRESULT* result, LPCWSTR name, bool video);
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        return SetBuffers(allocator, request, 4, m_video ? 144000 : 64 * 1024);
    }
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter*, Quality) override { return S_OK; }

    // The pass-through of seeking to the splitter's input.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    ~DvOutputPin() override
    {
        if (m_position)
            m_position->Release();
    }

    HRESULT Send(const BYTE* data, long size, REFERENCE_TIME start, REFERENCE_TIME stop, bool discontinuity)
    {
        if (!IsConnected())
            return S_OK;
        IMediaSample* sample = nullptr;
        HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr))
            return hr;
        BYTE* buffer = nullptr;
        sample->GetPointer(&buffer);
        long length = std::min<long>(size, sample->GetSize());
        std::memcpy(buffer, data, static_cast<size_t>(length));
        sample->SetActualDataLength(length);
        sample->SetTime(&start, &stop);
        sample->SetSyncPoint(TRUE);
        sample->SetDiscontinuity(discontinuity);
        if (m_queued) {
            m_queue.Sample(sample);
            hr = m_queue.Refused() ? S_FALSE : S_OK;
        } else {
            hr = Deliver(sample);
        }
        sample->Release();
        return hr;
    }
    void SendNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
    {
        m_queued ? m_queue.NewSegment(start, stop) : (void)DeliverNewSegment(start, stop, rate);
    }
    void SendEndOfStream() { m_queued ? m_queue.EndOfStream() : (void)DeliverEndOfStream(); }
    // Starts or stops the delivery thread; without it, samples are
    // delivered on the thread that sends them.
    void StartQueue(bool queued)
    {
        m_queued = queued;
        if (queued)
            m_queue.Start();
    }
    void StopQueue()
    {
        m_queue.Drop();
        m_queue.Stop();
    }
    // A flush drops what is queued; the thread stays for what follows.
    void FlushQueue()
    {
        if (!m_queued)
            return;
        StopQueue();
        m_queue.Start();
    }

private:
    DvSplitter* m_splitter;
    bool m_video;
    IUnknown* m_position = nullptr;
    std::atomic<bool> m_queued{false};
    DeliveryQueue m_queue{*this};
};

class DvInputPin final : public CBaseInputPin {
public:
    DvInputPin(DvSplitter* splitter, CCritSec* lock, HRESULT* result);
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        if (*type->Type() != MEDIATYPE_Interleaved ||
            (*type->Subtype() != MEDIASUBTYPE_dvsd && *type->Subtype() != MEDIASUBTYPE_DVSD))
            return VFW_E_TYPE_NOT_ACCEPTED;
        return *type->FormatType() == FORMAT_DvInfo || *type->FormatType() == GUID_NULL ||
                       *type->FormatType() == FORMAT_None
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    DvSplitter* m_splitter;
    std::vector<uint8_t> m_pcm;
};

class DvSplitter final : public CBaseFilter {
public:
    DvSplitter() : CBaseFilter(NAME("DV Splitter"), nullptr, &m_lock, CLSID_DVSplitter)
    {
        HRESULT hr = S_OK;
        m_input = new DvInputPin(this, &m_lock, &hr);
        m_videoOut = new DvOutputPin(this, &m_lock, &hr, u"DVVidOut0", true);
        m_audioOut = new DvOutputPin(this, &m_lock, &hr, u"AudOut00", false);
    }
    ~DvSplitter() override
    {
        delete m_input;
        delete m_videoOut;
        delete m_audioOut;
    }
    int GetPinCount() override { return 3; }
    CBasePin* GetPin(int index) override
    {
        switch (index) {
        case 0:
            return m_input;
        case 1:
            return m_videoOut;
        case 2:
            return m_audioOut;
        default:
            return nullptr;
        }
    }

    HRESULT STDMETHODCALLTYPE Pause() override
    {
        CAutoLock lock(&m_lock);
        const bool starting = m_State == State_Stopped;
        HRESULT hr = CBaseFilter::Pause();
        if (FAILED(hr) || !starting)
            return hr;
        // One connected output has nothing to be held up by.
        const bool queued = m_videoOut->IsConnected() && m_audioOut->IsConnected();
        ForConnected({m_videoOut, m_audioOut}, [&](DvOutputPin* pin) { pin->StartQueue(queued); });
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Stop() override
    {
        HRESULT hr = CBaseFilter::Stop();
        m_videoOut->StopQueue();
        m_audioOut->StopQueue();
        return hr;
    }

    DvFormat Format() const { return FormatOf(m_input->CurrentMediaType()); }
    bool InputConnected() const { return m_input->IsConnected(); }
    IPin* Input() const { return m_input; }

    CCritSec m_receiveLock;
    DvOutputPin* m_videoOut;
    DvOutputPin* m_audioOut;

private:
    CCritSec m_lock;
    DvInputPin* m_input;
};

DvOutputPin::DvOutputPin(DvSplitter* splitter, CCritSec* lock, HRESULT* result, LPCWSTR name, bool video)
    : CBaseOutputPin(NAME("DV splitter output"), splitter, lock, result, name), m_splitter(splitter), m_video(video)
{
}

HRESULT STDMETHODCALLTYPE DvOutputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) {
        if (!m_position) {
            HRESULT hr = CreatePosPassThru(GetOwner(), FALSE, m_splitter->Input(), &m_position);
            if (FAILED(hr))
                return hr;
        }
        return m_position->QueryInterface(riid, object);
    }
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
}

HRESULT DvOutputPin::CheckMediaType(const CMediaType* type)
{
    CMediaType mine;
    if (FAILED(GetMediaType(0, &mine)))
        return VFW_E_NOT_CONNECTED;
    return *type->Type() == *mine.Type() && *type->Subtype() == *mine.Subtype() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvOutputPin::GetMediaType(int position, CMediaType* type)
{
    if (!m_splitter->InputConnected())
        return VFW_E_NOT_CONNECTED;
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    DvFormat format = m_splitter->Format();
    type->InitMediaType();
    if (!m_video) {
        auto* wave = reinterpret_cast<WAVEFORMATEX*>(type->AllocFormatBuffer(sizeof(WAVEFORMATEX)));
        std::memset(wave, 0, sizeof *wave);
        wave->wFormatTag = WAVE_FORMAT_PCM;
        wave->nChannels = 2;
        wave->nSamplesPerSec = static_cast<DWORD>(format.sampleRate);
        wave->wBitsPerSample = 16;
        wave->nBlockAlign = 4;
        wave->nAvgBytesPerSec = wave->nSamplesPerSec * 4;
        type->SetType(&MEDIATYPE_Audio);
        type->SetSubtype(&MEDIASUBTYPE_PCM);
        type->SetFormatType(&FORMAT_WaveFormatEx);
        type->SetSampleSize(4);
        return S_OK;
    }
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    std::memset(info, 0, sizeof *info);
    info->AvgTimePerFrame = format.pal ? kPalFrame : kNtscFrame;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = 720;
    info->bmiHeader.biHeight = format.pal ? 576 : 480;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biCompression = MEDIASUBTYPE_dvsd.Data1;
    info->bmiHeader.biSizeImage = format.pal ? 144000 : 120000;
    type->SetType(&MEDIATYPE_Video);
    type->SetSubtype(&MEDIASUBTYPE_dvsd);
    type->SetFormatType(&FORMAT_VideoInfo);
    type->SetSampleSize(info->bmiHeader.biSizeImage);
    return S_OK;
}

DvInputPin::DvInputPin(DvSplitter* splitter, CCritSec* lock, HRESULT* result)
    : CBaseInputPin(NAME("DV splitter input"), splitter, lock, result, u"Input"), m_splitter(splitter)
{
}

HRESULT STDMETHODCALLTYPE DvInputPin::Receive(IMediaSample* sample)
{
    CAutoLock lock(&m_splitter->m_receiveLock);
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    long size = sample->GetActualDataLength();
    REFERENCE_TIME start = 0, stop = 0;
    bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
    bool discontinuity = sample->IsDiscontinuity() == S_OK;
    HRESULT video = m_splitter->m_videoOut->Send(data, size, start, timed ? stop : start + 1, discontinuity);
    HRESULT audio = S_OK;
    int rate = m_splitter->Format().sampleRate;
    if (m_splitter->m_audioOut->IsConnected() && FrameSound(data, static_cast<size_t>(size), m_pcm, rate) &&
        !m_pcm.empty()) {
        REFERENCE_TIME end = start + static_cast<REFERENCE_TIME>(m_pcm.size() / 4) * UNITS / rate;
        audio = m_splitter->m_audioOut->Send(m_pcm.data(), static_cast<long>(m_pcm.size()), start, end,
                                             discontinuity);
    }
    // One output refusing more does not stop the other.
    if (FAILED(video) && FAILED(audio))
        return video;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DvInputPin::EndOfStream()
{
    CAutoLock lock(&m_splitter->m_receiveLock);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    ForConnected({m_splitter->m_videoOut, m_splitter->m_audioOut}, [&](DvOutputPin* pin) { pin->SendEndOfStream(); });
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DvInputPin::BeginFlush()
{
    HRESULT hr = CBaseInputPin::BeginFlush();
    ForConnected({m_splitter->m_videoOut, m_splitter->m_audioOut}, [&](DvOutputPin* pin) {
        pin->DeliverBeginFlush();
        pin->FlushQueue();
    });
    return hr;
}

HRESULT STDMETHODCALLTYPE DvInputPin::EndFlush()
{
    CAutoLock lock(&m_splitter->m_receiveLock);
    ForConnected({m_splitter->m_videoOut, m_splitter->m_audioOut}, [&](DvOutputPin* pin) { pin->DeliverEndFlush(); });
    return CBaseInputPin::EndFlush();
}

HRESULT STDMETHODCALLTYPE DvInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    CBaseInputPin::NewSegment(start, stop, rate);
    ForConnected({m_splitter->m_videoOut, m_splitter->m_audioOut}, [&](DvOutputPin* pin) { pin->SendNewSegment(start, stop, rate); });
    return S_OK;
}

} // namespace

HRESULT CreateDvSplitter(REFIID riid, void** object) { return CreateSystemObject<DvSplitter>(riid, object); }

} // namespace dshow
