#pragma once
// What the fuzz targets share: a scratch folder of the process's own for
// readers that take a path, and the check that turns a broken property into
// a finding (an abort that libFuzzer and the replay test both report).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

// A folder that lives as long as the process, in memory when /dev/shm is
// there; made on first use.
const std::string& ScratchFolder();
// Writes `size` bytes to `name` in the scratch folder and returns its path.
std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size);

[[noreturn]] inline void Fail(const char* what, std::string_view detail)
{
    std::fprintf(stderr, "fuzz property broken: %s\n%.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

} // namespace fuzz

#define FUZZ_CHECK(condition, detail)                                                                         \
    do {                                                                                                       \
        if (!(condition))                                                                                      \
            ::fuzz::Fail(#condition, detail);                                                                  \
    } while (0)
