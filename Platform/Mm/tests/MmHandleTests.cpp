// The winmm kinds of handle through their own calls
// (tests/support/HandleKindChecks.h).

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Platform/Mm/Mm.h"
#include "tests/support/HandleKindChecks.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::As;
using testing_support::HandleAnswer;
using testing_support::HandleKindCase;
using testing_support::ValueOf;
using win::HandleKind;

constexpr DWORD kVolume = 0x12345678;

// A new file of five bytes, open for reading and writing.
HMMIO OpenFiveByteFile()
{
    static testing_support::TempDir dir;
    static int made = 0;
    std::string path = dir.File("file" + std::to_string(++made));
    HMMIO file = mmioOpenA(path.data(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    mmioWrite(file, "12345", 5);
    return file;
}

HWAVEOUT OpenDevice()
{
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
    HWAVEOUT device = nullptr;
    waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
    waveOutSetVolume(device, kVolume);
    return device;
}

const std::vector<HandleKindCase>& MmKinds()
{
    static const std::vector<HandleKindCase> cases = {
        // mmioSeek reports no error code: a bad handle gives -1.
        {"multimedia file", HandleKind::Mmio, [] { return ValueOf(OpenFiveByteFile()); },
         [](UINT_PTR h) { return HandleAnswer{mmioSeek(As<HMMIO>(h), 0, SEEK_END), 0}; },
         [](UINT_PTR h) { return mmioClose(As<HMMIO>(h), 0) == MMSYSERR_NOERROR; }, 5, {-1, 0}},
        {"wave output device", HandleKind::WaveOut, [] { return ValueOf(OpenDevice()); },
         [](UINT_PTR h) {
             DWORD volume = 0;
             const MMRESULT result = waveOutGetVolume(As<HWAVEOUT>(h), &volume);
             return HandleAnswer{result == MMSYSERR_NOERROR ? static_cast<long long>(volume) : -1, result};
         },
         [](UINT_PTR h) { return waveOutClose(As<HWAVEOUT>(h)) == MMSYSERR_NOERROR; }, kVolume,
         {-1, MMSYSERR_INVALHANDLE}},
    };
    return cases;
}

class MmHandleKinds : public testing::Test {
protected:
    // The devices play on the null device: no sound card is asked.
    static void SetUpTestSuite() { setenv("SDL_AUDIODRIVER", "kestrelon-none", 1); }
};

TEST_F(MmHandleKinds, ClosedMadeUpAndOtherKindsHandlesAreRefused)
{
    testing_support::ExpectEveryKindRefuses(MmKinds());
}

TEST_F(MmHandleKinds, ACloseWhileAnotherThreadUsesTheHandleKeepsTheObjectUntilTheUseEnds)
{
    testing_support::ExpectEveryKindOutlivesACloseInUse(MmKinds());
}

} // namespace
