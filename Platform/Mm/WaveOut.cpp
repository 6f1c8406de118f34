#include "Platform/Mm/WaveOut.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "Platform/Win/Kernel/HandleTable.h"
#include "Platform/Win/Kernel/Sync.h"
#include "Platform/Win/User/User.h"

namespace {

using Clock = std::chrono::steady_clock;

// Each pass of the device thread plays at most this much of a buffer.
constexpr int kChunkMilliseconds = 10;
// Through SDL, how much may wait in SDL's queue ahead of the speaker.
constexpr int kLeadMilliseconds = 60;

// An open device. The device thread works through a plain pointer: the
// close joins it before the device can go.
struct WaveDevice {
    HWAVEOUT handle = nullptr; // what the reports name
    WAVEFORMATEX format{};
    DWORD callbackKind = CALLBACK_NULL;
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;

    std::mutex lock;
    std::condition_variable wake;
    std::deque<WAVEHDR*> queue;
    DWORD offset = 0;           // into the front buffer
    unsigned long long played = 0; // bytes since open or reset
    unsigned long long queuedToSdl = 0;
    unsigned generation = 0;    // changes on reset, pause and close
    bool paused = false;
    bool closing = false;       // set once, by the close that takes the handle away
    DWORD volume = 0xFFFFFFFF;
    SDL_AudioDeviceID sdl = 0;
    std::thread thread;
};

// The open devices. A call holds its device while it works, so a close on
// another thread (the program's streaming threads close what they play)
// never frees a device under it.
win::HandleTable<WaveDevice> g_devices{win::HandleKind::WaveOut};

std::shared_ptr<WaveDevice> Find(HWAVEOUT handle) { return g_devices.Find(handle); }

bool SoundCardAnswers()
{
    static const bool answers = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    return answers;
}

bool FormatSupported(const WAVEFORMATEX& format)
{
    bool pcm = format.wFormatTag == WAVE_FORMAT_PCM && (format.wBitsPerSample == 8 || format.wBitsPerSample == 16);
    bool real = format.wFormatTag == 3 && format.wBitsPerSample == 32;
    return (pcm || real) && (format.nChannels == 1 || format.nChannels == 2) && format.nSamplesPerSec >= 1000 &&
           format.nSamplesPerSec <= 192000 && format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

void Notify(WaveDevice& device, UINT message, DWORD_PTR param)
{
    switch (device.callbackKind) {
    case CALLBACK_WINDOW:
        PostMessageA(reinterpret_cast<HWND>(device.callback), message, reinterpret_cast<WPARAM>(device.handle),
                     static_cast<LPARAM>(param));
        break;
    case CALLBACK_THREAD:
        PostThreadMessageA(static_cast<DWORD>(device.callback), message,
                           reinterpret_cast<WPARAM>(device.handle), static_cast<LPARAM>(param));
        break;
    case CALLBACK_FUNCTION:
        if (device.callback)
            reinterpret_cast<LPWAVEOUTCALLBACK>(device.callback)(device.handle, message, device.instance, param,
                                                                 0);
        break;
    case CALLBACK_EVENT:
        SetEvent(reinterpret_cast<HANDLE>(device.callback));
        break;
    default:
        break;
    }
}

void MarkDone(WAVEHDR* header)
{
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
}

// The chunk scaled by the device volume (PCM 8/16 bits, float), for SDL.
void ApplyVolume(const WaveDevice& device, std::vector<char>& bytes)
{
    if (device.volume == 0xFFFFFFFF)
        return;
    double left = (device.volume & 0xFFFF) / 65535.0;
    double right = (device.volume >> 16) / 65535.0;
    int channels = device.format.nChannels;
    int width = device.format.wBitsPerSample / 8;
    size_t samples = bytes.size() / width;
    for (size_t i = 0; i < samples; ++i) {
        double gain = channels == 2 && (i % 2) ? right : left;
        char* at = bytes.data() + i * width;
        if (width == 1) {
            int value = static_cast<unsigned char>(*at) - 128;
            *at = static_cast<char>(static_cast<int>(value * gain) + 128);
        } else if (width == 2) {
            int16_t value;
            std::memcpy(&value, at, 2);
            value = static_cast<int16_t>(value * gain);
            std::memcpy(at, &value, 2);
        } else {
            float value;
            std::memcpy(&value, at, 4);
            value = static_cast<float>(value * gain);
            std::memcpy(at, &value, 4);
        }
    }
}

DWORD BytesFor(const WAVEFORMATEX& format, int milliseconds)
{
    DWORD bytes = static_cast<DWORD>(static_cast<unsigned long long>(format.nSamplesPerSec) * milliseconds / 1000) *
                  format.nBlockAlign;
    return std::max<DWORD>(bytes, format.nBlockAlign);
}

// Plays the queued buffers in order, a chunk at a time: through SDL's
// queue, kept a little ahead of the speaker, or on the null device at the
// format's rate on the steady clock.
void PlayLoop(WaveDevice* device)
{
    const DWORD chunkBytes = BytesFor(device->format, kChunkMilliseconds);
    const DWORD leadBytes = BytesFor(device->format, kLeadMilliseconds);
    const double bytesPerSecond = static_cast<double>(device->format.nSamplesPerSec) * device->format.nBlockAlign;
    Clock::time_point due = Clock::now();
    std::unique_lock<std::mutex> lock(device->lock);
    while (!device->closing) {
        if (device->paused || device->queue.empty()) {
            device->wake.wait(lock);
            due = Clock::now();
            continue;
        }
        WAVEHDR* header = device->queue.front();
        DWORD chunk = std::min(chunkBytes, header->dwBufferLength - device->offset);
        unsigned generation = device->generation;
        if (device->sdl) {
            std::vector<char> bytes(header->lpData + device->offset, header->lpData + device->offset + chunk);
            ApplyVolume(*device, bytes);
            SDL_QueueAudio(device->sdl, bytes.data(), static_cast<Uint32>(bytes.size()));
            device->queuedToSdl += chunk;
            while (!device->closing && device->generation == generation &&
                   SDL_GetQueuedAudioSize(device->sdl) > leadBytes)
                device->wake.wait_for(lock, std::chrono::milliseconds(kChunkMilliseconds / 2));
        } else {
            Clock::time_point now = Clock::now();
            if (due < now - std::chrono::milliseconds(100))
                due = now; // after a stall, keep time from now on
            due += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(chunk / bytesPerSecond));
            device->wake.wait_until(lock, due,
                                    [&] { return device->closing || device->generation != generation; });
        }
        if (device->closing || device->generation != generation)
            continue;
        device->offset += chunk;
        device->played += chunk;
        if (device->offset >= header->dwBufferLength) {
            device->queue.pop_front();
            device->offset = 0;
            MarkDone(header);
            lock.unlock();
            Notify(*device, WOM_DONE, reinterpret_cast<DWORD_PTR>(header));
            lock.lock();
        }
    }
}

bool Valid(WAVEHDR* header, UINT size) { return header && size >= sizeof(WAVEHDR); }

} // namespace

UINT waveOutGetNumDevs() { return 1; }

MMRESULT waveOutOpen(LPHWAVEOUT handle, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags)
{
    if (!format)
        return MMSYSERR_INVALPARAM;
    if (deviceId != WAVE_MAPPER && deviceId != 0)
        return MMSYSERR_BADDEVICEID;
    if (!FormatSupported(*format))
        return WAVERR_BADFORMAT;
    if (flags & WAVE_FORMAT_QUERY)
        return MMSYSERR_NOERROR;
    if (!handle)
        return MMSYSERR_INVALPARAM;
    *handle = nullptr;
    DWORD kind = flags & CALLBACK_TYPEMASK;
    if (kind != CALLBACK_NULL && kind != CALLBACK_WINDOW && kind != CALLBACK_THREAD && kind != CALLBACK_FUNCTION &&
        kind != CALLBACK_EVENT)
        return MMSYSERR_INVALFLAG;

    auto device = std::make_shared<WaveDevice>();
    std::memcpy(&device->format, format, sizeof(WAVEFORMATEX));
    device->format.cbSize = 0;
    device->callbackKind = kind;
    device->callback = callback;
    device->instance = instance;
    if (SoundCardAnswers()) {
        SDL_AudioSpec wanted{};
        wanted.freq = static_cast<int>(format->nSamplesPerSec);
        wanted.format = format->wBitsPerSample == 8 ? AUDIO_U8 : format->wBitsPerSample == 16 ? AUDIO_S16LSB
                                                                                             : AUDIO_F32LSB;
        wanted.channels = static_cast<Uint8>(format->nChannels);
        wanted.samples = 1024;
        SDL_AudioSpec obtained{};
        device->sdl = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (device->sdl)
            SDL_PauseAudioDevice(device->sdl, 0);
    }
    device->handle = g_devices.Add<HWAVEOUT>(device);
    if (!device->handle) {
        if (device->sdl)
            SDL_CloseAudioDevice(device->sdl);
        return MMSYSERR_NOMEM;
    }
    device->thread = std::thread(PlayLoop, device.get());
    *handle = device->handle;
    Notify(*device, WOM_OPEN, 0);
    return MMSYSERR_NOERROR;
}

// The handle goes at once; the device itself when the last call that found
// it before the close ends.
MMRESULT waveOutClose(HWAVEOUT handle)
{
    const std::shared_ptr<WaveDevice> device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    {
        std::lock_guard<std::mutex> guard(device->lock);
        if (device->closing)
            return MMSYSERR_INVALHANDLE; // another thread's close came first
        if (!device->queue.empty())
            return WAVERR_STILLPLAYING;
        device->closing = true;
        ++device->generation;
    }
    g_devices.Remove(handle);
    device->wake.notify_all();
    if (device->thread.joinable())
        device->thread.join();
    SDL_AudioDeviceID sdl = 0;
    {
        std::lock_guard<std::mutex> guard(device->lock);
        std::swap(sdl, device->sdl);
    }
    if (sdl)
        SDL_CloseAudioDevice(sdl);
    Notify(*device, WOM_CLOSE, 0);
    return MMSYSERR_NOERROR;
}

// A header's flags are read and written under its device's lock: the
// device thread marks a queued header done while the program looks.
MMRESULT waveOutPrepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size)
{
    const std::shared_ptr<WaveDevice> device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!Valid(header, size) || !header->lpData)
        return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> guard(device->lock);
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size)
{
    const std::shared_ptr<WaveDevice> device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!Valid(header, size))
        return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> guard(device->lock);
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT size)
{
    const std::shared_ptr<WaveDevice> device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!Valid(header, size))
        return MMSYSERR_INVALPARAM;
    // Decided under the lock: once queued, the header is the device
    // thread's, which may finish and report it as soon as the lock goes.
    bool doneAtOnce = false;
    {
        std::lock_guard<std::mutex> guard(device->lock);
        // Found as another thread closed it: nothing would play the buffer.
        if (device->closing)
            return MMSYSERR_INVALHANDLE;
        if (!(header->dwFlags & WHDR_PREPARED))
            return WAVERR_UNPREPARED;
        if (header->dwFlags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        // A buffer of a partial sample frame plays its whole frames only.
        header->dwBufferLength -= header->dwBufferLength % device->format.nBlockAlign;
        header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        header->lpNext = nullptr;
        doneAtOnce = header->dwBufferLength == 0;
        if (doneAtOnce)
            MarkDone(header);
        else
            device->queue.push_back(header);
    }
    if (doneAtOnce)
        Notify(*device, WOM_DONE, reinterpret_cast<DWORD_PTR>(header));
    device->wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutPause(HWAVEOUT handle)
{
    const std::shared_ptr<WaveDevice> device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    std::lock_guard<std::mutex> guard(device->lock);
    if (!device->paused) {
        device->paused = true;
        ++device->generation;
        if (device->sdl)
            SDL_PauseAudioDevice(device->sdl, 1);
    }
    device->wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutRestart(HWAVEOUT handle)
{
    const std::shared_ptr<WaveDevice> device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    std::lock_guard<std::mutex> guard(device->lock);
    if (device->paused) {
        device->paused = false;
        if (device->sdl)
            SDL_PauseAudioDevice(device->sdl, 0);
    }
    device->wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT handle)
{
    const std::shared_ptr<WaveDevice> device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    std::deque<WAVEHDR*> returned;
    {
        std::lock_guard<std::mutex> guard(device->lock);
        returned.swap(device->queue);
        device->offset = 0;
        device->played = 0;
        device->queuedToSdl = 0;
        ++device->generation;
        if (device->sdl)
            SDL_ClearQueuedAudio(device->sdl);
        for (WAVEHDR* header : returned)
            MarkDone(header);
    }
    device->wake.notify_all();
    for (WAVEHDR* header : returned)
        Notify(*device, WOM_DONE, reinterpret_cast<DWORD_PTR>(header));
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetPosition(HWAVEOUT handle, LPMMTIME time, UINT size)
{
    const std::shared_ptr<WaveDevice> device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!time || size < sizeof(MMTIME))
        return MMSYSERR_INVALPARAM;
    unsigned long long bytes;
    {
        std::lock_guard<std::mutex> guard(device->lock);
        bytes = device->played;
        if (device->sdl) {
            unsigned long long waiting = SDL_GetQueuedAudioSize(device->sdl);
            bytes = device->queuedToSdl > waiting ? device->queuedToSdl - waiting : 0;
        }
    }
    unsigned long long samples = bytes / device->format.nBlockAlign;
    switch (time->wType) {
    case TIME_SAMPLES:
        time->u.sample = static_cast<DWORD>(samples);
        break;
    case TIME_MS:
        time->u.ms = static_cast<DWORD>(samples * 1000 / device->format.nSamplesPerSec);
        break;
    default:
        time->wType = TIME_BYTES;
        time->u.cb = static_cast<DWORD>(bytes);
        break;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutSetVolume(HWAVEOUT handle, DWORD volume)
{
    const std::shared_ptr<WaveDevice> device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    std::lock_guard<std::mutex> guard(device->lock);
    device->volume = volume;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetVolume(HWAVEOUT handle, LPDWORD volume)
{
    const std::shared_ptr<WaveDevice> device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (!volume)
        return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> guard(device->lock);
    *volume = device->volume;
    return MMSYSERR_NOERROR;
}

namespace mm {
bool WaveOutHasSoundCard() { return SoundCardAnswers(); }
} // namespace mm
