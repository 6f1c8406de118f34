// The DV Muxer: DV video frames and 16-bit stereo PCM (32, 44.1 or 48 kHz)
// in, one interleaved DV stream ('iavs', with its DVINFO) out. Each frame
// leaves with its share of the audio written into its own audio DIF blocks
// (our own packing, for every rate of both systems). A frame waits for its
// audio; when the audio has ended, or no audio pin is connected, the frame
// carries silence or no audio. Audio that runs far ahead of the video
// waits for it, so neither input can fill memory.

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/DShow/Filters/Writing/DvFormat.h"
#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {
namespace {

class DvMux;

class DvMuxInput final : public CBaseInputPin {
public:
    DvMuxInput(DvMux* mux, CCritSec* lock, HRESULT* result, LPCWSTR name, bool video);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

private:
    DvMux* m_mux;
    bool m_video;
};

class DvMuxOutput final : public CBaseOutputPin {
public:
    DvMuxOutput(DvMux* mux, CCritSec* lock, HRESULT* result);
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

private:
    DvMux* m_mux;
};

// Audio queued beyond this many seconds makes the audio input wait.
constexpr int kAudioAheadSeconds = 4;

class DvMux final : public CBaseFilter {
public:
    DvMux() : CBaseFilter(NAME("DV Muxer"), nullptr, &m_lock, CLSID_DVMux)
    {
        HRESULT hr = S_OK;
        m_video = std::make_unique<DvMuxInput>(this, &m_lock, &hr, u"Video Input", true);
        m_audio = std::make_unique<DvMuxInput>(this, &m_lock, &hr, u"Audio Input 1", false);
        m_output = std::make_unique<DvMuxOutput>(this, &m_lock, &hr);
    }

    int GetPinCount() override { return 3; }
    CBasePin* GetPin(int index) override
    {
        switch (index) {
        case 0: return m_video.get();
        case 1: return m_audio.get();
        case 2: return m_output.get();
        default: return nullptr;
        }
    }

    HRESULT STDMETHODCALLTYPE Pause() override
    {
        CAutoLock guard(&m_lock);
        if (m_State == State_Stopped) {
            std::lock_guard<std::mutex> audio(m_audioLock);
            m_samples.clear();
            m_audioEnded = false;
            m_halted = false;
            m_frame = 0;
        }
        return CBaseFilter::Pause();
    }

    HRESULT STDMETHODCALLTYPE Stop() override
    {
        Halt(true);
        CAutoLock guard(&m_lock);
        return CBaseFilter::Stop();
    }

    bool Pal() const
    {
        const CMediaType& type = m_video->CurrentMediaType();
        if (type.cbFormat < sizeof(VIDEOINFOHEADER) || !type.pbFormat)
            return false;
        return std::abs(reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biHeight) == 576;
    }
    DWORD AudioRate() const
    {
        if (!m_audio->IsConnected())
            return 0;
        return reinterpret_cast<const WAVEFORMATEX*>(m_audio->CurrentMediaType().pbFormat)->nSamplesPerSec;
    }
    bool VideoConnected() const { return m_video->IsConnected(); }

    void Halt(bool halted) { SetFlag(&DvMux::m_halted, halted); }

    HRESULT ReceiveAudio(IMediaSample* sample)
    {
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        const LONG size = sample->GetActualDataLength();
        if (data == nullptr || size < 0)
            return E_POINTER;
        const auto* samples = reinterpret_cast<const int16_t*>(data);
        std::unique_lock<std::mutex> lock(m_audioLock);
        const size_t limit = static_cast<size_t>(AudioRate()) * 2 * kAudioAheadSeconds;
        m_changed.wait(lock, [&] { return m_halted || m_samples.size() < limit || !VideoConnected(); });
        if (m_halted)
            return S_FALSE;
        m_samples.insert(m_samples.end(), samples, samples + size / 2);
        lock.unlock();
        m_changed.notify_all();
        return S_OK;
    }

    void EndAudio() { SetFlag(&DvMux::m_audioEnded, true); }

    HRESULT ReceiveVideo(IMediaSample* sample)
    {
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        const LONG size = sample->GetActualDataLength();
        bool pal = false;
        if (!ReadDvSystem(data, size, pal))
            return E_INVALIDARG;
        const LONG frameBytes = GetDvSystem(pal).frameBytes;
        const DWORD rate = AudioRate();
        std::vector<int16_t> audio;
        int count = 0;
        if (rate != 0 && IsDvAudioRate(rate)) {
            count = DvAudioSamplesFor(pal, rate, m_frame);
            std::unique_lock<std::mutex> lock(m_audioLock);
            m_changed.wait(lock, [&] {
                return m_halted || m_audioEnded || m_samples.size() >= static_cast<size_t>(count) * 2;
            });
            if (m_halted)
                return S_FALSE;
            const size_t take = std::min(m_samples.size(), static_cast<size_t>(count) * 2);
            audio.assign(m_samples.begin(), m_samples.begin() + static_cast<ptrdiff_t>(take));
            m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<ptrdiff_t>(take));
            audio.resize(static_cast<size_t>(count) * 2, 0);
            lock.unlock();
            m_changed.notify_all();
        }
        IMediaSample* out = nullptr;
        HRESULT hr = m_output->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
        if (FAILED(hr))
            return hr;
        BYTE* target = nullptr;
        out->GetPointer(&target);
        if (out->GetSize() < frameBytes) {
            out->Release();
            return E_FAIL;
        }
        std::copy(data, data + frameBytes, target);
        if (count != 0)
            PackDvAudio(target, pal, rate, audio.data(), count);
        out->SetActualDataLength(frameBytes);
        REFERENCE_TIME start = 0, stop = 0;
        if (SUCCEEDED(sample->GetTime(&start, &stop)))
            out->SetTime(&start, &stop);
        out->SetSyncPoint(TRUE);
        ++m_frame;
        hr = m_output->Deliver(out);
        out->Release();
        return hr;
    }

    HRESULT EndVideo() { return m_output->DeliverEndOfStream(); }
    HRESULT BeginFlushVideo()
    {
        Halt(true);
        return m_output->DeliverBeginFlush();
    }
    HRESULT EndFlushVideo()
    {
        {
            std::lock_guard<std::mutex> lock(m_audioLock);
            m_samples.clear();
        }
        Halt(false);
        return m_output->DeliverEndFlush();
    }

private:
    // Sets a flag the waiting inputs read, and wakes them.
    void SetFlag(bool DvMux::*flag, bool value)
    {
        {
            std::lock_guard<std::mutex> lock(m_audioLock);
            this->*flag = value;
        }
        m_changed.notify_all();
    }

    CCritSec m_lock;
    std::unique_ptr<DvMuxInput> m_video;
    std::unique_ptr<DvMuxInput> m_audio;
    std::unique_ptr<DvMuxOutput> m_output;

    std::mutex m_audioLock;
    std::condition_variable m_changed;
    std::deque<int16_t> m_samples; // interleaved left/right
    bool m_audioEnded = false;
    bool m_halted = false;
    int64_t m_frame = 0; // touched by the video thread only
};

DvMuxInput::DvMuxInput(DvMux* mux, CCritSec* lock, HRESULT* result, LPCWSTR name, bool video)
    : CBaseInputPin(NAME("DV Muxer input"), mux, lock, result, name), m_mux(mux), m_video(video)
{
}

HRESULT DvMuxInput::CheckMediaType(const CMediaType* type)
{
    if (m_video) {
        const bool dv = *type->Type() == MEDIATYPE_Video &&
                        (*type->Subtype() == MEDIASUBTYPE_dvsd || *type->Subtype() == MEDIASUBTYPE_DVSD) &&
                        *type->FormatType() == FORMAT_VideoInfo && type->cbFormat >= sizeof(VIDEOINFOHEADER) &&
                        type->pbFormat;
        return dv ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (*type->Type() != MEDIATYPE_Audio || *type->FormatType() != FORMAT_WaveFormatEx ||
        type->cbFormat < sizeof(PCMWAVEFORMAT) || !type->pbFormat)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
    return wave->wFormatTag == WAVE_FORMAT_PCM && wave->nChannels == 2 && wave->wBitsPerSample == 16 &&
                   IsDvAudioRate(wave->nSamplesPerSec)
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT STDMETHODCALLTYPE DvMuxInput::Receive(IMediaSample* sample)
{
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_video ? m_mux->ReceiveVideo(sample) : m_mux->ReceiveAudio(sample);
}

HRESULT STDMETHODCALLTYPE DvMuxInput::EndOfStream()
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    if (m_video)
        return m_mux->EndVideo();
    m_mux->EndAudio();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DvMuxInput::BeginFlush()
{
    HRESULT hr = CBaseInputPin::BeginFlush();
    return m_video ? m_mux->BeginFlushVideo() : hr;
}

HRESULT STDMETHODCALLTYPE DvMuxInput::EndFlush()
{
    HRESULT hr = CBaseInputPin::EndFlush();
    return m_video ? m_mux->EndFlushVideo() : hr;
}

DvMuxOutput::DvMuxOutput(DvMux* mux, CCritSec* lock, HRESULT* result)
    : CBaseOutputPin(NAME("DV Muxer output"), mux, lock, result, u"Output"), m_mux(mux)
{
}

HRESULT DvMuxOutput::CheckMediaType(const CMediaType* type)
{
    if (!m_mux->VideoConnected())
        return VFW_E_NOT_CONNECTED;
    return *type->Type() == MEDIATYPE_Interleaved && *type->Subtype() == MEDIASUBTYPE_dvsd ? S_OK
                                                                                          : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvMuxOutput::GetMediaType(int position, CMediaType* type)
{
    if (HRESULT hr = OnlyType(position, m_mux->VideoConnected()); hr != S_OK)
        return hr;
    *type = MakeInterleavedDvType(m_mux->Pal(), m_mux->AudioRate());
    return type->pbFormat ? S_OK : E_OUTOFMEMORY;
}

HRESULT DvMuxOutput::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    return SetBuffers(allocator, request, 2, GetDvSystem(true).frameBytes);
}

} // namespace

HRESULT CreateDvMux(REFIID riid, void** object) { return CreateSystemObject<DvMux>(riid, object); }

} // namespace dshow
