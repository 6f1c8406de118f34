#pragma once
// Golden pictures of the transition tests, under fixtures/transitions
// beside this file (see tests/support/GoldenPicture.h).

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/GoldenPicture.h"

namespace transition_golden {

using testing_support::EncodePnm;

inline std::filesystem::path FixtureFolder()
{
    return std::filesystem::path(KESTRELON_SB_TESTS_DIR) / "fixtures" / "transitions";
}

inline ::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<unsigned char>& pixels,
                                                int width, int height, int channels)
{
    return testing_support::MatchesGoldenIn(FixtureFolder(), name, pixels, width, height, channels);
}

} // namespace transition_golden
