// The Video for Windows kinds of handle through their own calls
// (tests/support/HandleKindChecks.h).

#include <gtest/gtest.h>

#include <vector>

#include "Platform/Vfw/Vfw.h"
#include "tests/support/HandleKindChecks.h"

namespace {

using testing_support::As;
using testing_support::HandleAnswer;
using testing_support::HandleKindCase;
using testing_support::ValueOf;
using win::HandleKind;

// 8-bit mono at 22050 Hz made 16-bit stereo at 44100 Hz.
HACMSTREAM OpenConversion()
{
    WAVEFORMATEX in{WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0};
    WAVEFORMATEX out{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    HACMSTREAM stream = nullptr;
    acmStreamOpen(&stream, nullptr, &in, &out, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME);
    return stream;
}

const std::vector<HandleKindCase>& VfwKinds()
{
    static const std::vector<HandleKindCase> cases = {
        {"audio conversion stream", HandleKind::AcmStream, [] { return ValueOf(OpenConversion()); },
         [](UINT_PTR h) {
             DWORD source = 0;
             const MMRESULT result = acmStreamSize(As<HACMSTREAM>(h), 176400, &source, ACM_STREAMSIZEF_DESTINATION);
             return HandleAnswer{result == MMSYSERR_NOERROR ? static_cast<long long>(source) : -1, result};
         },
         [](UINT_PTR h) { return acmStreamClose(As<HACMSTREAM>(h), 0) == MMSYSERR_NOERROR; }, 22050,
         {-1, MMSYSERR_INVALHANDLE}},
        // ICM calls answer with their code alone.
        {"video compressor", HandleKind::Compressor,
         [] { return ValueOf(ICOpen(ICTYPE_VIDEO, mmioFOURCC('c', 'v', 'i', 'd'), ICMODE_QUERY)); },
         [](UINT_PTR h) {
             ICINFO info{};
             return HandleAnswer{ICGetInfo(As<HIC>(h), &info, sizeof info), 0};
         },
         [](UINT_PTR h) { return ICClose(As<HIC>(h)) == ICERR_OK; }, sizeof(ICINFO), {ICERR_BADHANDLE, 0}},
    };
    return cases;
}

TEST(VfwHandleKinds, ClosedMadeUpAndOtherKindsHandlesAreRefused)
{
    testing_support::ExpectEveryKindRefuses(VfwKinds());
}

TEST(VfwHandleKinds, ACloseWhileAnotherThreadUsesTheHandleKeepsTheObjectUntilTheUseEnds)
{
    testing_support::ExpectEveryKindOutlivesACloseInUse(VfwKinds());
}

} // namespace
