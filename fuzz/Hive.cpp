// The registry's hive text: whatever the reader accepts, the writer writes
// so that it reads back as the same tree, and writing that again gives the
// same text.

#include <string>
#include <string_view>

#include "Platform/Win/Registry/Private/RegistryHive.h"
#include "fuzz/FuzzSupport.h"

using win::detail::FormatHive;
using win::detail::ParseHive;
using win::detail::RegistryKey;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RegistryKey first;
    std::string error;
    if (!ParseHive(text, first, error))
        return 0;
    const std::string written = FormatHive(first);
    RegistryKey second;
    FUZZ_CHECK(ParseHive(written, second, error), error + "\nin\n" + written);
    FUZZ_CHECK(first == second, written);
    FUZZ_CHECK(FormatHive(second) == written, written);
    return 0;
}
