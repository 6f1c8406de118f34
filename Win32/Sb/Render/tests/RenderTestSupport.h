#pragma once
// Helpers of the renderer tests: the golden pictures under fixtures/ beside
// this file (the build names the folder), and the shared frames and modules of the effect tests.

#include <filesystem>
#include <string>

#include "Win32/Sb/tests/EffectTestSupport.h"
#include "tests/support/GoldenPicture.h"

namespace render_tests {

inline ::testing::AssertionResult MatchesGolden(const std::string& name, CIplImage& image)
{
    const std::filesystem::path folder = std::filesystem::path(KESTRELON_SB_RENDER_TESTS_DIR) / "fixtures";
    const IplImage* pixels = image.GetImage();
    return testing_support::MatchesGoldenIn(folder, name, effect_tests::RgbPixels(image), pixels->width,
                                            pixels->height, 3);
}

} // namespace render_tests
