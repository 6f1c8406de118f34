#include "Win32/Imaging/ColorAdjust.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr ColorAdjustPath kPaths[] = {ColorAdjustPath::OnePixel, ColorAdjustPath::Sse2};

const char* NameOf(ColorAdjustPath path)
{
    return path == ColorAdjustPath::Sse2 ? "SSE2" : "one pixel";
}

std::vector<BYTE> RandomPixels(int count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<BYTE> bytes(static_cast<std::size_t>(count) * 3);
    for (BYTE& b : bytes)
        b = static_cast<BYTE>(random() % 256);
    return bytes;
}

struct Settings {
    double contrast;
    double brightness;
    double saturation;
    double red;
    double green;
    double blue;
};

std::vector<BYTE> Adjusted(ColorAdjustPath path, std::vector<BYTE> pixels, const Settings& s)
{
    SetColorAdjustPathForTesting(path);
    AdjustColorPixels(static_cast<int>(pixels.size() / 3), pixels.data(), s.contrast, s.brightness, s.saturation,
                      s.red, s.green, s.blue);
    return pixels;
}

// Each test forces paths through the hook; the process goes back to the
// processor's choice afterwards.
class ColorAdjustTest : public testing::Test {
protected:
    void TearDown() override { SetColorAdjustPathForTesting(ColorAdjustPath::Auto); }

    static bool Skip(ColorAdjustPath path) { return !IsColorAdjustPathAvailable(path); }
};

const Settings kNeutral{50, 50, 50, 50, 50, 50};

} // namespace

TEST(ColorAdjustGains, WorkingValuesFollowTheCurves)
{
    struct Case {
        const char* label;
        Settings settings;
        ColorAdjustGains expected;
    };
    const Case cases[] = {
        {"neutral", kNeutral, {256, 0, 256, 0, 0, 0}},
        {"lowest", {0, 0, 0, 0, 0, 0}, {32, -65536, 0, -256, -256, -256}},
        {"highest", {100, 100, 100, 100, 100, 100}, {2048, 65536, 2048, 256, 256, 256}},
        {"contrast and brightness 20", {20, 20, 50, 50, 50, 50}, {73, -39321, 256, 0, 0, 0}},
        {"contrast and brightness 80", {80, 80, 50, 50, 50, 50}, {891, 39321, 256, 0, 0, 0}},
        {"saturation 49.5", {50, 50, 49.5, 50, 50, 50}, {256, 0, 253, 0, 0, 0}},
        {"saturation 50.5", {50, 50, 50.5, 50, 50, 50}, {256, 0, 261, 0, 0, 0}},
        {"offsets", {50, 50, 50, 75, 25, 50.09765625}, {256, 0, 256, 128, -128, 0}},
    };
    for (const Case& c : cases) {
        const Settings& s = c.settings;
        const ColorAdjustGains g = ComputeColorAdjustGains(s.contrast, s.brightness, s.saturation, s.red, s.green, s.blue);
        EXPECT_EQ(g.contrastGain, c.expected.contrastGain) << c.label;
        EXPECT_EQ(g.brightness, c.expected.brightness) << c.label;
        EXPECT_EQ(g.saturationGain, c.expected.saturationGain) << c.label;
        EXPECT_EQ(g.redOffset, c.expected.redOffset) << c.label;
        EXPECT_EQ(g.greenOffset, c.expected.greenOffset) << c.label;
        EXPECT_EQ(g.blueOffset, c.expected.blueOffset) << c.label;
    }
}

TEST(ColorAdjustGains, ParametersOutsideTheScaleAreClamped)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const ColorAdjustGains high = ComputeColorAdjustGains(150, 1e9, 400, 101, 200, 1e300);
    EXPECT_EQ(high.contrastGain, 2048);
    EXPECT_EQ(high.brightness, 65536);
    EXPECT_EQ(high.saturationGain, 2048);
    EXPECT_EQ(high.redOffset, 256);
    EXPECT_EQ(high.blueOffset, 256);
    const ColorAdjustGains low = ComputeColorAdjustGains(-5, nan, -1, -1e9, nan, -0.5);
    EXPECT_EQ(low.contrastGain, 32);
    EXPECT_EQ(low.brightness, -65536);
    EXPECT_EQ(low.saturationGain, 0);
    EXPECT_EQ(low.redOffset, -256);
    EXPECT_EQ(low.greenOffset, -256);
}

TEST(ColorAdjustGains, EffectOffsetsComeOutAsWholeLevels)
{
    // The frame image maps an offset argument v onto (v + 256) x 50 / 256.
    for (int v = -256; v <= 256; ++v)
        ASSERT_EQ(ComputeColorAdjustGains(50, 50, 50, (v + 256.0) * 0.1953125, 50, 50).redOffset, v) << v;
}

TEST_F(ColorAdjustTest, NeutralSettingsLeavePixelsUnchangedOnEveryPath)
{
    for (ColorAdjustPath path : kPaths) {
        if (Skip(path))
            continue;
        for (int count = 0; count <= 40; ++count) {
            const std::vector<BYTE> pixels = RandomPixels(count, count + 1);
            EXPECT_EQ(Adjusted(path, pixels, kNeutral), pixels) << NameOf(path) << ", " << count << " pixels";
        }
        std::vector<BYTE> extremes = {0, 0, 0, 255, 255, 255, 0, 255, 0, 255, 0, 255, 1, 254, 128};
        EXPECT_EQ(Adjusted(path, extremes, kNeutral), extremes) << NameOf(path);
    }
}

TEST_F(ColorAdjustTest, BothPathsGiveTheSamePixels)
{
    if (Skip(ColorAdjustPath::Sse2))
        GTEST_SKIP() << "no grouped path in this build";
    const Settings cases[] = {
        {20, 20, 50.5, 50, 50, 50}, {80, 80, 100, 100, 0, 30}, {100, 0, 100, 50, 50, 50},
        {0, 100, 0, 0, 100, 50},    {37.5, 61, 12, 48, 52, 99}, {50, 50, 49.5, 50.1953125, 50, 49},
    };
    const std::vector<BYTE> pixels = RandomPixels(1003, 42);
    for (const Settings& s : cases) {
        const std::vector<BYTE> single = Adjusted(ColorAdjustPath::OnePixel, pixels, s);
        const std::vector<BYTE> grouped = Adjusted(ColorAdjustPath::Sse2, pixels, s);
        ASSERT_EQ(single.size(), grouped.size());
        for (std::size_t i = 0; i < single.size(); ++i)
            ASSERT_EQ(single[i], grouped[i]) << "contrast " << s.contrast << " saturation " << s.saturation << " byte "
                                             << i;
    }
}

TEST_F(ColorAdjustTest, NoPathWritesPastTheLastPixel)
{
    const Settings strong{100, 100, 100, 100, 100, 100};
    for (ColorAdjustPath path : kPaths) {
        if (Skip(path))
            continue;
        SetColorAdjustPathForTesting(path);
        for (int count = 1; count <= 40; ++count) {
            std::vector<BYTE> buffer = RandomPixels(count + 16, count);
            const std::vector<BYTE> before = buffer;
            AdjustColorPixels(count, buffer.data(), strong.contrast, strong.brightness, strong.saturation, strong.red,
                              strong.green, strong.blue);
            for (std::size_t i = static_cast<std::size_t>(count) * 3; i < buffer.size(); ++i)
                ASSERT_EQ(buffer[i], before[i]) << NameOf(path) << ", " << count << " pixels, byte " << i;
        }
    }
}

TEST_F(ColorAdjustTest, OnePixelResultsFollowTheFormula)
{
    struct Case {
        const char* label;
        Settings settings;
        std::vector<BYTE> expected;
    };
    // The pixel is blue 10, green 200, red 50: luminance 34280 / 256.
    const Case cases[] = {
        {"saturation 0 turns grey", {50, 50, 0, 50, 50, 50}, {133, 133, 133}},
        {"grey plus offsets", {50, 50, 0, 60, 50, 40}, {82, 133, 184}},
        {"low contrast and brightness", {20, 20, 50.5, 50, 50, 50}, {0, 43, 0}},
        {"red 100 clamps", {50, 50, 50, 100, 50, 50}, {10, 200, 255}},
    };
    for (ColorAdjustPath path : kPaths) {
        if (Skip(path))
            continue;
        for (const Case& c : cases) {
            std::vector<BYTE> pixels;
            for (int i = 0; i < 19; ++i)
                pixels.insert(pixels.end(), {10, 200, 50});
            const std::vector<BYTE> result = Adjusted(path, pixels, c.settings);
            for (int i = 0; i < 19; ++i)
                EXPECT_EQ(std::vector<BYTE>(result.begin() + 3 * i, result.begin() + 3 * i + 3), c.expected)
                    << NameOf(path) << ": " << c.label << ", pixel " << i;
        }
    }
}

TEST_F(ColorAdjustTest, ProcessorChoosesTheGroupedPathWhereItExists)
{
    SetColorAdjustPathForTesting(ColorAdjustPath::Auto);
    const ColorAdjustPath chosen = GetColorAdjustPath();
    EXPECT_EQ(chosen, IsColorAdjustPathAvailable(ColorAdjustPath::Sse2) ? ColorAdjustPath::Sse2
                                                                          : ColorAdjustPath::OnePixel);
    AdjustColorPixels(4, nullptr, 0, 0, 0, 0, 0, 0);
}

TEST_F(ColorAdjustTest, WildWorkingValuesAreHeldToTheirRanges)
{
    ColorAdjustGains wild;
    wild.contrastGain = 1 << 20;
    wild.brightness = -(1 << 30);
    wild.saturationGain = 100000;
    wild.redOffset = 9999;
    const ColorAdjustGains held = ComputeColorAdjustGains(100, 0, 100, 100, 50, 50);
    for (ColorAdjustPath path : kPaths) {
        if (Skip(path))
            continue;
        SetColorAdjustPathForTesting(path);
        std::vector<BYTE> fromWild = RandomPixels(33, 5);
        std::vector<BYTE> fromHeld = fromWild;
        ApplyColorAdjustment(wild, 33, fromWild.data());
        ApplyColorAdjustment(held, 33, fromHeld.data());
        EXPECT_EQ(fromWild, fromHeld) << NameOf(path);
    }
}
