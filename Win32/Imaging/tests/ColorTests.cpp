#include "Win32/Imaging/Color.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

namespace {

std::string Describe(const CRGBColor& c)
{
    return "(" + std::to_string(c.m_r) + ", " + std::to_string(c.m_g) + ", " + std::to_string(c.m_b) + ")";
}

void ExpectRGB(const CRGBColor& actual, int r, int g, int b, const std::string& label)
{
    EXPECT_EQ(actual.m_r, r) << label;
    EXPECT_EQ(actual.m_g, g) << label;
    EXPECT_EQ(actual.m_b, b) << label;
}

void ExpectHSL(const CHSLColor& actual, double hue, double saturation, double lightness, const std::string& label)
{
    EXPECT_NEAR(actual.m_dHue, hue, 1e-12) << label;
    EXPECT_NEAR(actual.m_dSaturation, saturation, 1e-12) << label;
    EXPECT_NEAR(actual.m_dLightness, lightness, 1e-12) << label;
}

// A target of each kind holding a value that no conversion below produces,
// so that a test sees whether it was written.
std::unique_ptr<CColor> StaleTargetOfKind(int kind)
{
    switch (kind) {
    case CColor::kRGB:
        return std::make_unique<CRGBColor>(9, 9, 9);
    case CColor::kRGBI:
        return std::make_unique<CRGBIColor>(9, 9, 9, 5);
    case CColor::kGray:
        return std::make_unique<CGrayColor>(9);
    default:
        return std::make_unique<CHSLColor>(0.9, 0.9, 0.9);
    }
}

} // namespace

TEST(Color, KindsAreNumberedInOrder)
{
    EXPECT_EQ(CRGBColor().GetKind(), 0);
    EXPECT_EQ(CRGBIColor().GetKind(), 1);
    EXPECT_EQ(CGrayColor().GetKind(), 2);
    EXPECT_EQ(CHSLColor().GetKind(), 3);
}

TEST(Color, ValuesPackAsColorRef)
{
    struct Case {
        const char* label;
        const CColor& color;
        COLORREF value;
    };
    const CRGBColor rgb(1, 2, 3);
    const CRGBIColor rgbi(1, 2, 3, 1);
    const CRGBIColor paletteRelative(1, 2, 3, 0x102);
    const CGrayColor gray(7);
    const CHSLColor cyan(0.5, 1.0, 0.5);
    const CRGBColor lowBytes(256 + 5, -1, 512);
    const Case cases[] = {
        {"RGB", rgb, 0x00030201u},
        {"RGB plus index", rgbi, 0x01030201u},
        {"only the low byte of the index", paletteRelative, 0x02030201u},
        {"grey", gray, 0x00070707u},
        {"HSL", cyan, 0x00FFFF00u},
        {"channels keep their low 8 bits", lowBytes, 0x0000FF05u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.color.GetValue(), c.value) << c.label;
}

TEST(Color, RGBFromColorRefTakesRedFromTheLowByte)
{
    ExpectRGB(CRGBColor(static_cast<COLORREF>(0x01332211u)), 0x11, 0x22, 0x33, "COLORREF");
}

TEST(Color, ChannelsStartWithBlue)
{
    struct Case {
        const char* label;
        const CColor& color;
        int index;
        int channel;
    };
    const CRGBColor rgb(10, 20, 30);
    const CRGBIColor rgbi(10, 20, 30, 2);
    const CGrayColor gray(42);
    const CHSLColor red(0.0, 1.0, 0.5);
    const CHSLColor cyan(0.5, 1.0, 0.5);
    const Case cases[] = {
        {"RGB", rgb, 0, 30}, {"RGB", rgb, 1, 20}, {"RGB", rgb, 2, 10}, {"RGB", rgb, 3, 0}, {"RGB", rgb, -1, 0},
        {"RGBI", rgbi, 0, 30}, {"RGBI", rgbi, 2, 10}, {"RGBI", rgbi, 3, 0},
        {"grey", gray, 0, 42}, {"grey", gray, 2, 42}, {"grey", gray, 9, 42},
        // HSL channels are those of its RGB conversion.
        {"HSL red", red, 0, 0}, {"HSL red", red, 2, 255}, {"HSL cyan", cyan, 0, 255},
        {"HSL cyan", cyan, 1, 255}, {"HSL cyan", cyan, 2, 0}, {"HSL cyan", cyan, 3, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.color.GetChannel(c.index), c.channel) << c.label << " index " << c.index;
}

TEST(Color, GrayFormulaRoundsHalvesUp)
{
    struct Case {
        CRGBColor color;
        int level;
    };
    const Case cases[] = {
        {CRGBColor(255, 0, 0), 77},   {CRGBColor(10, 20, 30), 18}, {CRGBColor(255, 255, 255), 255},
        {CRGBColor(0, 0, 0), 0},      {CRGBColor(1, 1, 1), 1},     {CRGBColor(0, 255, 0), 150},
        {CRGBColor(0, 0, 255), 28},   {CRGBColor(0, 255, 255), 179},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GrayLevelOf(c.color), c.level) << Describe(c.color);
}

TEST(Color, RGBToHSLTable)
{
    struct Case {
        CRGBColor color;
        double hue, saturation, lightness;
    };
    const Case cases[] = {
        // Reds with green equal to blue lie at a full turn.
        {CRGBColor(255, 0, 0), 1.0, 1.0, 0.5},
        {CRGBColor(128, 0, 0), 1.0, 1.0, 64.0 / 255.0},
        {CRGBColor(255, 128, 128), 1.0, 1.0, 383.0 / 510.0},
        {CRGBColor(0, 255, 0), 1.0 / 3.0, 1.0, 0.5},
        {CRGBColor(0, 0, 255), 2.0 / 3.0, 1.0, 0.5},
        {CRGBColor(255, 255, 0), 1.0 / 6.0, 1.0, 0.5},
        {CRGBColor(0, 255, 255), 0.5, 1.0, 0.5},
        {CRGBColor(255, 0, 255), 5.0 / 6.0, 1.0, 0.5},
        {CRGBColor(128, 128, 128), 0.0, 0.0, 128.0 / 255.0},
        {CRGBColor(0, 0, 0), 0.0, 0.0, 0.0},
        {CRGBColor(255, 255, 255), 0.0, 0.0, 1.0},
    };
    for (const Case& c : cases)
        ExpectHSL(HSLOf(c.color), c.hue, c.saturation, c.lightness, Describe(c.color));
}

TEST(Color, HSLToRGBTable)
{
    struct Case {
        const char* label;
        CHSLColor color;
        int r, g, b;
    };
    const Case cases[] = {
        {"red", CHSLColor(0.0, 1.0, 0.5), 255, 0, 0},
        {"cyan", CHSLColor(0.5, 1.0, 0.5), 0, 255, 255},
        {"green", CHSLColor(1.0 / 3.0, 1.0, 0.5), 0, 255, 0},
        {"blue", CHSLColor(2.0 / 3.0, 1.0, 0.5), 0, 0, 255},
        {"half lightness grey", CHSLColor(0.3, 0.0, 0.5), 128, 128, 128},
        {"black", CHSLColor(0.0, 0.0, 0.0), 0, 0, 0},
        {"white", CHSLColor(0.0, 1.0, 1.0), 255, 255, 255},
        // A full turn is red again instead of "no sextant" (black).
        {"hue 1.0", CHSLColor(1.0, 1.0, 0.5), 255, 0, 0},
        {"hue below 0 wraps", CHSLColor(-0.25, 1.0, 0.5), 128, 0, 255},
        {"hue above 1 wraps", CHSLColor(1.5, 1.0, 0.5), 0, 255, 255},
        {"NaN hue is hue 0", CHSLColor(std::numeric_limits<double>::quiet_NaN(), 1.0, 0.5), 255, 0, 0},
        // Out-of-range lightness saturates at white instead of wrapping.
        {"lightness 1.5", CHSLColor(0.0, 1.0, 1.5), 255, 255, 255},
        {"negative lightness", CHSLColor(0.0, 1.0, -0.5), 0, 0, 0},
    };
    for (const Case& c : cases)
        ExpectRGB(c.color.ToRGB(), c.r, c.g, c.b, c.label);
}

TEST(Color, RedHuesSurviveTheRoundTripThroughHSL)
{
    const CRGBColor reds[] = {
        CRGBColor(255, 0, 0),     CRGBColor(128, 0, 0),     CRGBColor(1, 0, 0),
        CRGBColor(255, 128, 128), CRGBColor(200, 50, 50),   CRGBColor(255, 254, 254),
    };
    for (const CRGBColor& red : reds) {
        const CHSLColor hsl = HSLOf(red);
        ExpectRGB(hsl.ToRGB(), red.m_r, red.m_g, red.m_b, Describe(red));
        EXPECT_EQ(hsl.GetValue(), red.GetValue()) << Describe(red);
    }
}

TEST(Color, EveryRGBOnAGridSurvivesTheRoundTripThroughHSL)
{
    int failures = 0;
    for (int r = 0; r <= 255; r += 15) {
        for (int g = 0; g <= 255; g += 15) {
            for (int b = 0; b <= 255; b += 15) {
                const CRGBColor color(r, g, b);
                const CRGBColor back = HSLOf(color).ToRGB();
                if (back != color && ++failures <= 5)
                    ADD_FAILURE() << Describe(color) << " came back as " << Describe(back);
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(Color, ConvertToWritesEveryKind)
{
    struct Case {
        const char* label;
        const CColor& source;
        COLORREF rgb;   // what RGB and RGB-plus-index targets receive
        int gray;
    };
    const CRGBColor rgb(255, 0, 0);
    const CRGBIColor rgbi(1, 2, 3, 9);
    const CGrayColor gray(100);
    const CHSLColor hsl(0.5, 1.0, 0.5);
    const Case cases[] = {
        {"RGB", rgb, 0x0000FFu, 77},
        {"RGB plus index", rgbi, 0x030201u, 2},
        {"grey", gray, 0x646464u, 100},
        {"HSL", hsl, 0xFFFF00u, 179},
    };
    for (const Case& c : cases) {
        for (int kind = 0; kind <= 3; ++kind) {
            std::unique_ptr<CColor> target = StaleTargetOfKind(kind);
            ASSERT_TRUE(c.source.ConvertTo(kind, target.get())) << c.label << " to kind " << kind;
            if (kind == CColor::kRGB || kind == CColor::kRGBI) {
                // The index is always 0 after a conversion.
                EXPECT_EQ(target->GetValue(), c.rgb) << c.label << " to kind " << kind;
            } else if (kind == CColor::kGray) {
                EXPECT_EQ(static_cast<CGrayColor&>(*target).m_nLevel, c.gray) << c.label;
            } else {
                EXPECT_EQ(target->GetValue(), c.source.GetValue() & 0xFFFFFFu) << c.label << " to HSL";
            }
        }
    }
}

TEST(Color, ConvertToHSLKeepsTheExactFields)
{
    CHSLColor target;
    ASSERT_TRUE(CHSLColor(0.123, 0.456, 0.789).ConvertTo(CColor::kHSL, &target));
    ExpectHSL(target, 0.123, 0.456, 0.789, "HSL to HSL");

    ASSERT_TRUE(CGrayColor(51).ConvertTo(CColor::kHSL, &target));
    ExpectHSL(target, 0.0, 0.0, 0.2, "grey to HSL");
}

TEST(Color, ConvertToRefusesAMismatchedTarget)
{
    struct Case {
        const char* label;
        int kind;
        int targetKind;
    };
    const Case cases[] = {
        {"kind RGB, grey target", CColor::kRGB, CColor::kGray},
        {"kind RGB, RGB-plus-index target", CColor::kRGB, CColor::kRGBI},
        {"kind HSL, RGB target", CColor::kHSL, CColor::kRGB},
        {"unknown kind", 7, CColor::kRGB},
        {"negative kind", -1, CColor::kRGB},
    };
    const CRGBColor source(1, 2, 3);
    for (const Case& c : cases) {
        std::unique_ptr<CColor> target = StaleTargetOfKind(c.targetKind);
        const COLORREF before = target->GetValue();
        EXPECT_FALSE(source.ConvertTo(c.kind, target.get())) << c.label;
        EXPECT_EQ(target->GetValue(), before) << c.label;
    }
    EXPECT_FALSE(source.ConvertTo(CColor::kRGB, nullptr));
}

TEST(Color, CloneCopiesKindAndValue)
{
    const CRGBColor rgb(1, 2, 3);
    const CRGBIColor rgbi(4, 5, 6, 1);
    const CGrayColor gray(7);
    const CHSLColor hsl(0.25, 0.5, 0.75);
    const CColor* originals[] = {&rgb, &rgbi, &gray, &hsl};
    for (const CColor* original : originals) {
        std::unique_ptr<CColor> copy(original->Clone());
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy.get(), original);
        EXPECT_EQ(copy->GetKind(), original->GetKind());
        EXPECT_EQ(copy->GetValue(), original->GetValue());
    }
    std::unique_ptr<CRGBIColor> typed(rgbi.Clone());
    EXPECT_EQ(typed->m_nIndex, 1u);
}

TEST(Color, EqualityComparesTheFieldsOfTheKind)
{
    EXPECT_TRUE(CRGBColor(1, 2, 3) == CRGBColor(1, 2, 3));
    EXPECT_TRUE(CRGBColor(1, 2, 3) != CRGBColor(1, 2, 4));
    EXPECT_TRUE(CRGBIColor(1, 2, 3, 1) == CRGBIColor(1, 2, 3, 1));
    EXPECT_TRUE(CRGBIColor(1, 2, 3, 1) != CRGBIColor(1, 2, 3, 2));
    EXPECT_TRUE(CRGBIColor(1, 2, 3, 1) != CRGBIColor(0, 2, 3, 1));
    EXPECT_TRUE(CGrayColor(7) == CGrayColor(7));
    EXPECT_TRUE(CGrayColor(7) != CGrayColor(8));
}

TEST(Color, AssignmentCopiesEveryField)
{
    CRGBIColor target(9, 9, 9, 9);
    const CRGBIColor source(1, 2, 3, 2);
    target = source;
    EXPECT_EQ(target, source);
    target = target;
    EXPECT_EQ(target, source);
}

TEST(Color, GlobalConstantsHoldTheSixteenColours)
{
    struct Case {
        const char* label;
        const CRGBColor& color;
        int r, g, b;
    };
    const Case cases[] = {
        {"black", g_rgbBlack, 0, 0, 0},
        {"white", g_rgbWhite, 255, 255, 255},
        {"light grey", g_rgbLightGray, 192, 192, 192},
        {"grey", g_rgbGray, 128, 128, 128},
        {"red", g_rgbRed, 255, 0, 0},
        {"dark red", g_rgbDarkRed, 128, 0, 0},
        {"green", g_rgbGreen, 0, 255, 0},
        {"dark green", g_rgbDarkGreen, 0, 128, 0},
        {"blue", g_rgbBlue, 0, 0, 255},
        {"dark blue", g_rgbDarkBlue, 0, 0, 128},
        {"magenta", g_rgbMagenta, 255, 0, 255},
        {"dark magenta", g_rgbDarkMagenta, 128, 0, 128},
        {"cyan", g_rgbCyan, 0, 255, 255},
        {"dark cyan", g_rgbDarkCyan, 0, 128, 128},
        {"yellow", g_rgbYellow, 255, 255, 0},
        {"second grey", g_rgbGray2, 128, 128, 128},
    };
    for (const Case& c : cases) {
        ExpectRGB(c.color, c.r, c.g, c.b, c.label);
        EXPECT_EQ(c.color.GetKind(), CColor::kRGB) << c.label;
    }
}
