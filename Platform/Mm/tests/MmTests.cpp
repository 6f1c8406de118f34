// winmm: wave output on the null device, multimedia timers and RIFF files
// through mmio.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "Platform/Mm/Mm.h"
#include "Platform/Win/Kernel/Sync.h"
#include "tests/support/TempDir.h"

namespace {

constexpr DWORD kLongWait = 10000;

WAVEFORMATEX Pcm(int rate, int channels, int bits)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = static_cast<WORD>(bits);
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    return format;
}

class WaveOut : public testing::Test {
protected:
    // The tests play on the null device: no sound card is asked.
    static void SetUpTestSuite() { setenv("SDL_AUDIODRIVER", "kestrelon-none", 1); }
};

struct Completions {
    std::mutex lock;
    std::vector<WAVEHDR*> done;
    int opens = 0;
    int closes = 0;
    HANDLE allDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    size_t expected = 0;
    ~Completions() { CloseHandle(allDone); }
};

void CALLBACK OnWave(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR)
{
    auto* seen = reinterpret_cast<Completions*>(instance);
    std::lock_guard<std::mutex> guard(seen->lock);
    if (message == WOM_OPEN)
        ++seen->opens;
    else if (message == WOM_CLOSE)
        ++seen->closes;
    else if (message == WOM_DONE) {
        seen->done.push_back(reinterpret_cast<WAVEHDR*>(param1));
        if (seen->done.size() == seen->expected)
            SetEvent(seen->allDone);
    }
}

TEST_F(WaveOut, BuffersPlayInOrderAndThePositionCountsThem)
{
    WAVEFORMATEX format = Pcm(8000, 1, 16);
    Completions seen;
    seen.expected = 3;
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&OnWave),
                          reinterpret_cast<DWORD_PTR>(&seen), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    std::vector<std::vector<char>> data(3, std::vector<char>(800));
    WAVEHDR headers[3]{};
    for (int i = 0; i < 3; ++i) {
        headers[i].lpData = data[i].data();
        headers[i].dwBufferLength = 800;
        EXPECT_EQ(waveOutWrite(device, &headers[i], sizeof(WAVEHDR)), WAVERR_UNPREPARED);
        ASSERT_EQ(waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(device, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(WaitForSingleObject(seen.allDone, kLongWait), WAIT_OBJECT_0);
    EXPECT_EQ(seen.done, (std::vector<WAVEHDR*>{&headers[0], &headers[1], &headers[2]}));
    for (WAVEHDR& header : headers) {
        EXPECT_TRUE(header.dwFlags & WHDR_DONE);
        EXPECT_FALSE(header.dwFlags & WHDR_INQUEUE);
        EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    MMTIME time{};
    time.wType = TIME_BYTES;
    ASSERT_EQ(waveOutGetPosition(device, &time, sizeof time), MMSYSERR_NOERROR);
    EXPECT_EQ(time.u.cb, 2400u);
    time.wType = TIME_SAMPLES;
    waveOutGetPosition(device, &time, sizeof time);
    EXPECT_EQ(time.u.sample, 1200u);
    time.wType = TIME_MS;
    waveOutGetPosition(device, &time, sizeof time);
    EXPECT_EQ(time.u.ms, 150u);
    ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(seen.opens, 1);
    EXPECT_EQ(seen.closes, 1);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveOut, PausedBuffersWaitAndResetReturnsThemAtPositionZero)
{
    WAVEFORMATEX format = Pcm(11025, 2, 8);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(event), 0, CALLBACK_EVENT),
              MMSYSERR_NOERROR);
    ASSERT_EQ(WaitForSingleObject(event, kLongWait), WAIT_OBJECT_0) << "the open is signalled";
    ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
    std::vector<char> data(22050, 0x7F); // a second
    WAVEHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(data.size());
    waveOutPrepareHeader(device, &header, sizeof header);
    ASSERT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_TRUE(header.dwFlags & WHDR_INQUEUE);
    EXPECT_EQ(waveOutClose(device), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof header), WAVERR_STILLPLAYING);
    MMTIME time{};
    time.wType = TIME_BYTES;
    waveOutGetPosition(device, &time, sizeof time);
    EXPECT_EQ(time.u.cb, 0u) << "nothing plays while paused";

    ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    EXPECT_EQ(WaitForSingleObject(event, kLongWait), WAIT_OBJECT_0);
    EXPECT_TRUE(header.dwFlags & WHDR_DONE);
    EXPECT_FALSE(header.dwFlags & WHDR_INQUEUE);
    waveOutGetPosition(device, &time, sizeof time);
    EXPECT_EQ(time.u.cb, 0u);
    waveOutUnprepareHeader(device, &header, sizeof header);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    CloseHandle(event);
}

TEST_F(WaveOut, FormatsVolumeAndBadArguments)
{
    struct Case {
        WAVEFORMATEX format;
        MMRESULT expected;
    };
    WAVEFORMATEX wrongAlign = Pcm(44100, 2, 16);
    wrongAlign.nBlockAlign = 3;
    WAVEFORMATEX compressed = Pcm(44100, 2, 16);
    compressed.wFormatTag = 0x55;
    const Case cases[] = {
        {Pcm(11025, 1, 8), MMSYSERR_NOERROR},  {Pcm(48000, 2, 16), MMSYSERR_NOERROR},
        {Pcm(44100, 6, 16), WAVERR_BADFORMAT}, {Pcm(44100, 2, 24), WAVERR_BADFORMAT},
        {wrongAlign, WAVERR_BADFORMAT},        {compressed, WAVERR_BADFORMAT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &c.format, 0, 0, WAVE_FORMAT_QUERY), c.expected);
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, nullptr, 0, 0, 0), MMSYSERR_INVALPARAM);
    WAVEFORMATEX format = Pcm(11025, 1, 8);
    EXPECT_EQ(waveOutOpen(nullptr, 7, &format, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_BADDEVICEID);

    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, WAVE_ALLOWSYNC), MMSYSERR_NOERROR);
    DWORD volume = 0;
    ASSERT_EQ(waveOutGetVolume(device, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 0xFFFFFFFFu);
    waveOutSetVolume(device, 0x40008000);
    waveOutGetVolume(device, &volume);
    EXPECT_EQ(volume, 0x40008000u);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutPause(device), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveOut, CompletionsArriveAsThreadMessages)
{
    WAVEFORMATEX format = Pcm(8000, 1, 8);
    MSG message{};
    PeekMessageA(&message, nullptr, 0, 0, 0); // this thread's queue
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, GetCurrentThreadId(), 0, CALLBACK_THREAD),
              MMSYSERR_NOERROR);
    std::vector<char> data(160);
    WAVEHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = 160;
    waveOutPrepareHeader(device, &header, sizeof header);
    ASSERT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR);
    std::vector<UINT> seen;
    while (seen.empty() || seen.back() != MM_WOM_DONE) {
        ASSERT_GT(GetMessageA(&message, nullptr, 0, 0), 0);
        seen.push_back(message.message);
        if (message.message == MM_WOM_DONE) {
            EXPECT_EQ(reinterpret_cast<HWAVEOUT>(message.wParam), device);
            EXPECT_EQ(reinterpret_cast<WAVEHDR*>(message.lParam), &header);
        }
    }
    EXPECT_EQ(seen.front(), MM_WOM_OPEN);
    waveOutUnprepareHeader(device, &header, sizeof header);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    ASSERT_GT(GetMessageA(&message, nullptr, 0, 0), 0);
    EXPECT_EQ(message.message, MM_WOM_CLOSE);
}

struct DoneReports {
    std::atomic<int> count{0};
    HANDLE reported = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ~DoneReports() { CloseHandle(reported); }
};

void CALLBACK CountDone(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR)
{
    auto* reports = reinterpret_cast<DoneReports*>(instance);
    if (message == WOM_DONE) {
        ++reports->count;
        SetEvent(reports->reported);
    }
}

TEST_F(WaveOut, ABufferThatFinishesAsItIsWrittenIsReportedDoneOnce)
{
    WAVEFORMATEX format = Pcm(8000, 1, 8);
    DoneReports reports;
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&CountDone),
                          reinterpret_cast<DWORD_PTR>(&reports), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    std::vector<char> data(8); // a millisecond
    WAVEHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(data.size());
    ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
    constexpr int kRounds = 20;
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR) << "round " << round;
        ASSERT_EQ(WaitForSingleObject(reports.reported, kLongWait), WAIT_OBJECT_0) << "round " << round;
    }
    EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(reports.count, kRounds);
}

// Counts a device's buffer reports and, when asked, holds the first one
// until released, so that another thread can act while a call of the
// device's is in the middle of reporting.
struct HeldReports {
    std::mutex lock;
    std::vector<WAVEHDR*> done;
    bool holdFirst = false;
    HANDLE arrived = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~HeldReports()
    {
        CloseHandle(arrived);
        CloseHandle(release);
    }
};

void CALLBACK HoldFirstDone(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR)
{
    auto* reports = reinterpret_cast<HeldReports*>(instance);
    if (message != WOM_DONE)
        return;
    bool hold = false;
    {
        std::lock_guard<std::mutex> guard(reports->lock);
        reports->done.push_back(reinterpret_cast<WAVEHDR*>(param1));
        hold = reports->holdFirst && reports->done.size() == 1;
    }
    if (hold) {
        SetEvent(reports->arrived);
        WaitForSingleObject(reports->release, kLongWait);
    }
}

TEST_F(WaveOut, ACloseWhileAResetIsReportingKeepsTheDeviceUntilTheResetEnds)
{
    WAVEFORMATEX format = Pcm(8000, 1, 16);
    HeldReports first;
    first.holdFirst = true;
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&HoldFirstDone),
                          reinterpret_cast<DWORD_PTR>(&first), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
    std::vector<char> data(1600);
    WAVEHDR headers[2]{};
    for (WAVEHDR& header : headers) {
        header.lpData = data.data();
        header.dwBufferLength = static_cast<DWORD>(data.size());
        ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR);
    }
    auto reset = std::async(std::launch::async, [device] { return waveOutReset(device); });
    ASSERT_EQ(WaitForSingleObject(first.arrived, kLongWait), WAIT_OBJECT_0) << "the reset reports the first buffer";
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR) << "nothing is queued any more";
    // A device opened now takes the closed one's memory, were it freed.
    HeldReports second;
    HWAVEOUT other = nullptr;
    ASSERT_EQ(waveOutOpen(&other, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&HoldFirstDone),
                          reinterpret_cast<DWORD_PTR>(&second), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    SetEvent(first.release);
    EXPECT_EQ(reset.get(), MMSYSERR_NOERROR);
    EXPECT_EQ(first.done, (std::vector<WAVEHDR*>{&headers[0], &headers[1]}))
        << "the reset reports both buffers to the device it was called on";
    EXPECT_TRUE(second.done.empty());
    EXPECT_EQ(waveOutClose(other), MMSYSERR_NOERROR);
}

// Run under ThreadSanitizer too: a write must never touch a device that a
// close on another thread has freed.
TEST_F(WaveOut, WritesRacingACloseEndRefusedAndNeverOnAFreedDevice)
{
    constexpr int kRounds = 200;
    WAVEFORMATEX format = Pcm(8000, 1, 16);
    std::vector<char> data(format.nBlockAlign); // one sample
    for (int round = 0; round < kRounds; ++round) {
        HWAVEOUT device = nullptr;
        ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        WAVEHDR header{};
        header.lpData = data.data();
        header.dwBufferLength = static_cast<DWORD>(data.size());
        ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
        std::atomic<bool> writing{false};
        auto writer = std::async(std::launch::async, [&] {
            MMRESULT result = MMSYSERR_NOERROR;
            while (result == MMSYSERR_NOERROR || result == WAVERR_STILLPLAYING) {
                result = waveOutWrite(device, &header, sizeof header);
                writing = true;
            }
            return result;
        });
        while (!writing)
            std::this_thread::yield();
        MMRESULT closed = waveOutClose(device);
        while (closed == WAVERR_STILLPLAYING) {
            waveOutReset(device);
            closed = waveOutClose(device);
        }
        EXPECT_EQ(closed, MMSYSERR_NOERROR) << "round " << round;
        EXPECT_EQ(writer.get(), MMSYSERR_INVALHANDLE) << "round " << round;
    }
}

struct Ticks {
    std::atomic<int> count{0};
    HANDLE reached = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int target = 1;
    UINT selfKill = 0;
    ~Ticks() { CloseHandle(reached); }
};

void CALLBACK OnTick(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    auto* ticks = reinterpret_cast<Ticks*>(user);
    if (++ticks->count == ticks->target) {
        if (ticks->selfKill) {
            EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
        }
        SetEvent(ticks->reached);
    }
}

TEST(MmTimer, OneShotAndPeriodicTimersFireUntilKilled)
{
    EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
    Ticks once;
    UINT oneShot = timeSetEvent(5, 1, &OnTick, reinterpret_cast<DWORD_PTR>(&once), TIME_ONESHOT);
    ASSERT_NE(oneShot, 0u);
    ASSERT_EQ(WaitForSingleObject(once.reached, kLongWait), WAIT_OBJECT_0);

    Ticks periodic;
    periodic.target = 4;
    UINT id = timeSetEvent(2, 1, &OnTick, reinterpret_cast<DWORD_PTR>(&periodic), TIME_PERIODIC);
    ASSERT_EQ(WaitForSingleObject(periodic.reached, kLongWait), WAIT_OBJECT_0);
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    int after = periodic.count;
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOCANDO);
    Sleep(20);
    EXPECT_EQ(periodic.count, after) << "no tick after the kill returned";
    EXPECT_EQ(once.count, 1);

    Ticks selfKilled;
    selfKilled.target = 2;
    selfKilled.selfKill = 1;
    timeSetEvent(2, 1, &OnTick, reinterpret_cast<DWORD_PTR>(&selfKilled), TIME_PERIODIC);
    ASSERT_EQ(WaitForSingleObject(selfKilled.reached, kLongWait), WAIT_OBJECT_0);

    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    UINT eventTimer = timeSetEvent(3, 1, reinterpret_cast<LPTIMECALLBACK>(event), 0,
                                   TIME_ONESHOT | TIME_CALLBACK_EVENT_SET);
    ASSERT_NE(eventTimer, 0u);
    EXPECT_EQ(WaitForSingleObject(event, kLongWait), WAIT_OBJECT_0);
    CloseHandle(event);
    EXPECT_EQ(timeSetEvent(0, 1, &OnTick, 0, TIME_ONESHOT), 0u);
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOERROR);
}

TEST(MmIo, RiffChunksAreWrittenWithTheirSizesAndReadBack)
{
    testing_support::TempDir dir;
    std::string path = dir.File("tone.wav");
    HMMIO file = mmioOpenA(path.data(), nullptr, MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
    ASSERT_TRUE(file);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioCreateChunk(file, &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
    MMCKINFO fmt{};
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    fmt.cksize = 16;
    ASSERT_EQ(mmioCreateChunk(file, &fmt, 0), MMSYSERR_NOERROR);
    WAVEFORMATEX format = Pcm(11025, 1, 8);
    EXPECT_EQ(mmioWrite(file, reinterpret_cast<const char*>(&format), 16), 16);
    ASSERT_EQ(mmioAscend(file, &fmt, 0), MMSYSERR_NOERROR);
    MMCKINFO data{};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioCreateChunk(file, &data, 0), MMSYSERR_NOERROR);
    const char samples[5] = {1, 2, 3, 4, 5};
    EXPECT_EQ(mmioWrite(file, samples, 5), 5);
    ASSERT_EQ(mmioAscend(file, &data, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioAscend(file, &riff, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);

    file = mmioOpenA(path.data(), nullptr, MMIO_READ);
    ASSERT_TRUE(file);
    EXPECT_EQ(mmioSeek(file, 0, SEEK_END), 12 + 8 + 16 + 8 + 6) << "the odd data chunk is padded";
    mmioSeek(file, 0, SEEK_SET);
    MMCKINFO wave{};
    wave.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(file, &wave, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(wave.cksize, 4u + 8 + 16 + 8 + 6);
    MMCKINFO found{};
    found.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(file, &found, &wave, MMIO_FINDCHUNK), MMSYSERR_NOERROR) << "past the fmt chunk";
    EXPECT_EQ(found.cksize, 5u);
    char back[5] = {};
    EXPECT_EQ(mmioRead(file, back, 5), 5);
    EXPECT_EQ(std::string(back, 5), std::string(samples, 5));
    ASSERT_EQ(mmioAscend(file, &found, 0), MMSYSERR_NOERROR);
    MMCKINFO missing{};
    missing.ckid = mmioFOURCC('L', 'I', 'S', 'T');
    EXPECT_EQ(mmioDescend(file, &missing, &wave, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);

    MMIOINFO info{};
    std::string nowhere = dir.File("missing.wav");
    EXPECT_EQ(mmioOpenA(nowhere.data(), &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, MMIOERR_FILENOTFOUND);
    EXPECT_EQ(mmioStringToFOURCCA("avi", 0), mmioFOURCC('a', 'v', 'i', ' '));
}

} // namespace
