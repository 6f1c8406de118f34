// The default audio renderer: PCM through the wave output device. With a
// clock in the graph it plays in real time, paced by the device, and
// offers the graph its reference clock; without one it takes every sample
// at once, so a graph runs as fast as it can. IBasicAudio sets the
// device volume in hundredths of a decibel (-10000 silent, 0 full).

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "Platform/DShow/Filters/Playback.h"
#include "Platform/DShow/Filters/Renderers/RendererBase.h"
#include "Platform/DShow/Runtime/SystemClock.h"
#include "Platform/Mm/Mm.h"

namespace dshow {
namespace {

// How much sound may wait in the device before Receive blocks.
constexpr int kQueuedMilliseconds = 300;

struct Buffer {
    WAVEHDR header{};
    std::vector<char> data;
};

class AudioRenderer final : public RendererBase, public IBasicAudio, public IReferenceClock {
public:
    explicit AudioRenderer(REFCLSID clsid) : RendererBase(NAME("Audio Renderer"), clsid, u"Audio Input pin (rendered)")
    {
        CreateSystemClock(IID_IReferenceClock, reinterpret_cast<void**>(&m_clock));
    }
    ~AudioRenderer() override
    {
        CloseDevice();
        if (m_clock)
            m_clock->Release();
    }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IBasicAudio)
            return GetInterface(static_cast<IBasicAudio*>(this), object);
        if (riid == IID_IDispatch)
            return GetInterface(static_cast<IDispatch*>(static_cast<IBasicAudio*>(this)), object);
        if (riid == IID_IReferenceClock && m_clock)
            return GetInterface(static_cast<IReferenceClock*>(this), object);
        return RendererBase::NonDelegatingQueryInterface(riid, object);
    }

    // IReferenceClock: the system clock's time; the null device and the
    // sound card play against the same clock.
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* time) override { return m_clock->GetTime(time); }
    HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME base, REFERENCE_TIME stream, HEVENT event,
                                         DWORD_PTR* cookie) override
    {
        return m_clock->AdviseTime(base, stream, event, cookie);
    }
    HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME start, REFERENCE_TIME period, HSEMAPHORE semaphore,
                                             DWORD_PTR* cookie) override
    {
        return m_clock->AdvisePeriodic(start, period, semaphore, cookie);
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR cookie) override { return m_clock->Unadvise(cookie); }

    // IDispatch, without type information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        CheckPointer(count, E_POINTER);
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IBasicAudio
    HRESULT STDMETHODCALLTYPE put_Volume(long volume) override
    {
        if (volume < -10000 || volume > 0)
            return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(m_bufferLock);
        m_volume = volume;
        ApplyVolume();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Volume(long* volume) override
    {
        CheckPointer(volume, E_POINTER);
        std::lock_guard<std::mutex> guard(m_bufferLock);
        *volume = m_volume;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Balance(long balance) override
    {
        if (balance < -10000 || balance > 10000)
            return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(m_bufferLock);
        m_balance = balance;
        ApplyVolume();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Balance(long* balance) override
    {
        CheckPointer(balance, E_POINTER);
        std::lock_guard<std::mutex> guard(m_bufferLock);
        *balance = m_balance;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Pause() override
    {
        HRESULT hr = RendererBase::Pause();
        std::lock_guard<std::mutex> guard(m_bufferLock);
        if (m_device)
            waveOutPause(m_device);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override
    {
        HRESULT hr = RendererBase::Run(start);
        std::lock_guard<std::mutex> guard(m_bufferLock);
        if (m_device)
            waveOutRestart(m_device);
        return hr;
    }

protected:
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        if (*type->Type() != MEDIATYPE_Audio || *type->FormatType() != FORMAT_WaveFormatEx ||
            type->FormatLength() < sizeof(WAVEFORMAT))
            return VFW_E_TYPE_NOT_ACCEPTED;
        WAVEFORMATEX format{};
        std::memcpy(&format, type->Format(), std::min<size_t>(type->FormatLength(), sizeof format));
        format.cbSize = 0;
        if (*type->Subtype() != MEDIASUBTYPE_PCM && *type->Subtype() != MEDIASUBTYPE_IEEE_FLOAT)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return waveOutOpen(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT SetMediaType(const CMediaType* type) override
    {
        std::memcpy(&m_format, type->Format(), std::min<size_t>(type->FormatLength(), sizeof m_format));
        m_format.cbSize = 0;
        return S_OK;
    }
    bool Scheduled() override { return false; }

    HRESULT Render(IMediaSample* sample) override
    {
        if (!m_pClock)
            return S_OK; // no clock: as fast as the graph can go
        if (!OpenDevice())
            return S_OK; // no device at all: the sound is dropped, the graph goes on
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        long length = sample->GetActualDataLength();
        if (length <= 0)
            return S_OK;
        std::unique_lock<std::mutex> lock(m_bufferLock);
        DWORD limit = m_format.nAvgBytesPerSec * kQueuedMilliseconds / 1000;
        m_drained.wait(lock, [&] { return m_queuedBytes < limit || m_cancelled; });
        if (m_cancelled)
            return S_FALSE;
        Buffer* buffer = TakeBuffer();
        buffer->data.assign(data, data + length);
        buffer->header = WAVEHDR{};
        buffer->header.lpData = buffer->data.data();
        buffer->header.dwBufferLength = static_cast<DWORD>(length);
        buffer->header.dwUser = reinterpret_cast<DWORD_PTR>(buffer);
        waveOutPrepareHeader(m_device, &buffer->header, sizeof(WAVEHDR));
        m_queuedBytes += static_cast<DWORD>(length);
        m_queued.push_back(buffer);
        lock.unlock();
        if (waveOutWrite(m_device, &buffer->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            std::lock_guard<std::mutex> guard(m_bufferLock);
            Finish(buffer);
        }
        return S_OK;
    }

    // The stream ends once the device has played what it was given.
    void EndOfStream() override
    {
        std::unique_lock<std::mutex> lock(m_bufferLock);
        m_drained.wait(lock, [&] { return m_queued.empty() || m_cancelled; });
    }
    void OnStop() override
    {
        Cancel();
        if (m_device)
            waveOutReset(m_device);
    }
    void OnFlush() override
    {
        Cancel();
        if (m_device)
            waveOutReset(m_device);
        std::lock_guard<std::mutex> guard(m_bufferLock);
        m_cancelled = false;
    }

private:
    void Cancel()
    {
        std::lock_guard<std::mutex> guard(m_bufferLock);
        m_cancelled = true;
        m_drained.notify_all();
    }

    bool OpenDevice()
    {
        std::lock_guard<std::mutex> guard(m_bufferLock);
        m_cancelled = m_State == State_Stopped;
        if (m_device)
            return true;
        if (waveOutOpen(&m_device, WAVE_MAPPER, &m_format, reinterpret_cast<DWORD_PTR>(&Done),
                        reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
            m_device = nullptr;
            return false;
        }
        ApplyVolume();
        if (m_State != State_Running)
            waveOutPause(m_device);
        return true;
    }
    void CloseDevice()
    {
        if (!m_device)
            return;
        waveOutReset(m_device);
        {
            std::unique_lock<std::mutex> lock(m_bufferLock);
            m_drained.wait(lock, [&] { return m_queued.empty(); });
        }
        waveOutClose(m_device);
        m_device = nullptr;
    }

    // Left and right levels from volume and balance, as amplitudes.
    void ApplyVolume()
    {
        if (!m_device)
            return;
        auto level = [](long hundredthsDb) {
            return static_cast<DWORD>(std::lround(0xFFFF * std::pow(10.0, hundredthsDb / 2000.0)));
        };
        long left = m_volume + std::min<long>(0, -m_balance);
        long right = m_volume + std::min<long>(0, m_balance);
        DWORD l = m_volume <= -10000 ? 0 : level(std::max<long>(left, -10000));
        DWORD r = m_volume <= -10000 ? 0 : level(std::max<long>(right, -10000));
        waveOutSetVolume(m_device, l | r << 16);
    }

    Buffer* TakeBuffer()
    {
        if (m_free.empty())
            m_pool.emplace_back(std::make_unique<Buffer>());
        else {
            Buffer* buffer = m_free.back();
            m_free.pop_back();
            return buffer;
        }
        return m_pool.back().get();
    }
    void Finish(Buffer* buffer)
    {
        waveOutUnprepareHeader(m_device, &buffer->header, sizeof(WAVEHDR));
        m_queuedBytes -= buffer->header.dwBufferLength;
        m_queued.erase(std::find(m_queued.begin(), m_queued.end(), buffer));
        m_free.push_back(buffer);
        m_drained.notify_all();
    }

    static void Done(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR param, DWORD_PTR)
    {
        if (message != WOM_DONE)
            return;
        auto* self = reinterpret_cast<AudioRenderer*>(instance);
        auto* header = reinterpret_cast<WAVEHDR*>(param);
        std::lock_guard<std::mutex> guard(self->m_bufferLock);
        self->Finish(reinterpret_cast<Buffer*>(header->dwUser));
    }

    IReferenceClock* m_clock = nullptr;
    WAVEFORMATEX m_format{};
    HWAVEOUT m_device = nullptr;
    std::mutex m_bufferLock;
    std::condition_variable m_drained;
    std::vector<std::unique_ptr<Buffer>> m_pool;
    std::vector<Buffer*> m_free;
    std::deque<Buffer*> m_queued;
    DWORD m_queuedBytes = 0;
    bool m_cancelled = false;
    long m_volume = 0;
    long m_balance = 0;
};

} // namespace

HRESULT CreateDirectSoundRenderer(REFIID riid, void** object)
{
    return CreateSystemObject<AudioRenderer>(riid, object, CLSID_DSoundRender);
}

HRESULT CreateWaveOutRenderer(REFIID riid, void** object)
{
    return CreateSystemObject<AudioRenderer>(riid, object, CLSID_AudioRender);
}

} // namespace dshow
