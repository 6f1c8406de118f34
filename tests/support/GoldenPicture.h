#pragma once
// Golden pictures: binary PGM (grey) and PPM (colour) files that a test's
// results are compared with byte for byte. Setting KESTRELON_UPDATE_GOLDEN=1
// rewrites them from the current results instead of comparing; new
// pictures are checked by eye before they are kept.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

// `pixels` holds `height` rows of `width` x `channels` bytes (1 or 3,
// red-green-blue order for 3).
inline std::string EncodePnm(const std::vector<unsigned char>& pixels, int width, int height, int channels)
{
    std::ostringstream out;
    out << (channels == 1 ? "P5" : "P6") << "\n" << width << " " << height << "\n255\n";
    out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    return out.str();
}

inline ::testing::AssertionResult MatchesGoldenIn(const std::filesystem::path& folder, const std::string& name,
                                                  const std::vector<unsigned char>& pixels, int width, int height,
                                                  int channels)
{
    const std::string encoded = EncodePnm(pixels, width, height, channels);
    const std::filesystem::path path = folder / name;
    const char* update = std::getenv("KESTRELON_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << encoded;
        return ::testing::AssertionSuccess();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ::testing::AssertionFailure() << "missing golden picture " << path;
    std::ostringstream stored;
    stored << in.rdbuf();
    if (stored.str() == encoded)
        return ::testing::AssertionSuccess();
    std::size_t differing = 0;
    const std::string s = stored.str();
    for (std::size_t i = 0; i < std::min(s.size(), encoded.size()); ++i)
        differing += s[i] != encoded[i] ? 1 : 0;
    return ::testing::AssertionFailure() << name << " differs from its golden picture in " << differing
                                         << " bytes (sizes " << s.size() << " and " << encoded.size() << ")";
}

} // namespace testing_support
