#include "Platform/Display/testing/GoldenPng.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "Platform/Display/PngFile.h"

namespace display_test {

namespace {

int Channel(DWORD pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

bool Differs(DWORD a, DWORD b)
{
    for (int shift : {0, 8, 16})
        if (std::abs(Channel(a, shift) - Channel(b, shift)) > kGoldenChannelTolerance)
            return true;
    return false;
}

} // namespace

::testing::AssertionResult MatchesGoldenPng(const std::string& shot, const std::string& folder,
                                            const std::string& name)
{
    const std::string golden = folder + "/" + name + ".png";
    if (const char* update = std::getenv("KESTRELON_UPDATE_GOLDEN"); update && *update == '1') {
        std::error_code error;
        std::filesystem::copy_file(shot, golden, std::filesystem::copy_options::overwrite_existing, error);
        if (error)
            return ::testing::AssertionFailure() << "cannot write " << golden << ": " << error.message();
        return ::testing::AssertionSuccess();
    }
    std::vector<DWORD> expected;
    std::vector<DWORD> actual;
    LONG expectedWidth = 0;
    LONG expectedHeight = 0;
    LONG width = 0;
    LONG height = 0;
    if (!display::ReadPng(golden, &expected, &expectedWidth, &expectedHeight))
        return ::testing::AssertionFailure() << golden << " is missing: run with KESTRELON_UPDATE_GOLDEN=1 to make it";
    if (!display::ReadPng(shot, &actual, &width, &height))
        return ::testing::AssertionFailure() << "the snapshot " << shot << " cannot be read";
    if (width != expectedWidth || height != expectedHeight)
        return ::testing::AssertionFailure() << name << ": the snapshot is " << width << " x " << height
                                             << ", the golden picture " << expectedWidth << " x " << expectedHeight;
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < actual.size(); ++i)
        if (Differs(actual[i], expected[i]) && differing++ == 0)
            first = i;
    if (differing == 0)
        return ::testing::AssertionSuccess();
    const std::filesystem::path kept = std::filesystem::temp_directory_path() / ("kestrelon-golden-" + name + ".png");
    std::filesystem::copy_file(shot, kept, std::filesystem::copy_options::overwrite_existing);
    return ::testing::AssertionFailure() << name << ": " << differing << " pixels differ, the first at ("
                                         << first % static_cast<size_t>(width) << ", "
                                         << first / static_cast<size_t>(width) << "); the snapshot is "
                                         << kept.string();
}

} // namespace display_test
