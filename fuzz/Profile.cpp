// The profile document (storyboards, item settings, clipboard text): the
// reader and every getter take any bytes, and whatever the reader accepts
// the writer writes so that it reads back the same (ProfileRoundTrip.h).

#include <fstream>
#include <iterator>
#include <string>

#include "Win32/Utils/Profile.h"
#include "Win32/Utils/tests/ProfileRoundTrip.h"
#include "fuzz/FuzzSupport.h"

namespace {

std::string ReadBack(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}


} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input = fuzz::WriteScratchFile("input.sbd", data, size);
    CProfile first;
    const int loaded = first.Load(input.c_str());
    FUZZ_CHECK(loaded == CProfile::kOk || loaded == CProfile::kMalformed, std::to_string(loaded));
    profile_test::ReadEverything(first);

    // Saved and read back, twice: the same sections, entries, names and
    // values, the same comment text.
    const std::string output = fuzz::ScratchFolder() + "/output.sbd";
    const CProfile* previous = &first;
    CProfile second;
    CProfile third;
    for (CProfile* next : {&second, &third}) {
        FUZZ_CHECK(const_cast<CProfile*>(previous)->Save(output.c_str()) == CProfile::kOk, output);
        const std::string written = ReadBack(output);
        FUZZ_CHECK(next->Load(output.c_str()) == CProfile::kOk, written);
        const std::string difference = profile_test::Difference(*previous, *next);
        FUZZ_CHECK(difference.empty(), difference + "\nin\n" + written);
        previous = next;
    }
    return 0;
}
