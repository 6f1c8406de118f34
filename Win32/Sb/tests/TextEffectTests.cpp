#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "EffectTestSupport.h"
#include "Win32/Sb/Document/TextEffect.h"
#include "Win32/Utils/Profile.h"

namespace {

using effect_tests::EffectModules;

constexpr const char* kScene = "Scene0";
constexpr const char* kSection = "Scene0Text0";

// `from` without the entry `name` of the text section.
void CopyWithout(const CProfile& from, const std::string& name, CProfile& to)
{
    for (CProfileSection* s = from.GetFirstSection(); s != nullptr; s = s->m_pNext) {
        for (CProfileEntry* e = s->m_pFirstEntry; e != nullptr; e = e->m_pNext) {
            if (e->m_strName != name || s->m_strName != kSection)
                to.SetValue(s->m_strName.c_str(), e->m_strName.c_str(), e->m_strValue.c_str());
        }
    }
}

class TextEffectTest : public ::testing::Test {
protected:
    // Saves `effect` and loads it into a new effect.
    TextEffect RoundTrip(TextEffect& effect)
    {
        m_profile.Clear();
        effect.Save("", &m_profile, kScene, 0);
        TextEffect loaded;
        loaded.Load(&m_profile, kSection, 0);
        return loaded;
    }
    std::string StoredText() const
    {
        LPSTR value = m_profile.GetString(kSection, "Text");
        std::string text = value != nullptr ? value : "<none>";
        delete[] value;
        return text;
    }

    EffectModules m_modules;
    CProfile m_profile;
};

TEST_F(TextEffectTest, BlanksAtTheEndsAreKeptThroughTheMarkerByte)
{
    struct Case {
        std::string text;
        std::string stored;
    };
    const Case cases[] = {
        {"  word ", "\xFF word\xFF"},
        {" ", "\xFF"},
        {"plain", "plain"},
        {"\xC3\xBF" "es", "\xC3\xBF" "es"}, // a real y-diaeresis at the start
        {"A\r\n\r\nB", "A\r\n\r\nB"},
    };
    for (const Case& c : cases) {
        TextEffect effect;
        effect.SetTextUtf8(c.text);
        TextEffect loaded = RoundTrip(effect);
        EXPECT_EQ(StoredText(), c.stored) << c.text;
        EXPECT_EQ(loaded.GetTextUtf8(), c.text);
    }
}

TEST_F(TextEffectTest, OlderSingleByteTextsAreReadAsWindows1252)
{
    TextEffect effect;
    effect.Save("", &m_profile, kScene, 0);
    // An older writer's text: a blank marker at the start, a real
    // y-diaeresis and e-acute inside.
    m_profile.SetString(kSection, "Text", "\xFFgar\xE7on \xFF\xE9");
    TextEffect loaded;
    loaded.Load(&m_profile, kSection, 0);
    EXPECT_EQ(loaded.GetTextUtf8(), " gar\xC3\xA7on \xC3\xBF\xC3\xA9");
}

TEST_F(TextEffectTest, AMissingTextEntryReadsAsOneBlank)
{
    TextEffect effect;
    effect.SetTextUtf8("x");
    effect.Save("", &m_profile, kScene, 0);
    CProfile copy;
    CopyWithout(m_profile, "Text", copy);
    TextEffect loaded;
    loaded.SetTextUtf8("before");
    loaded.Load(&copy, kSection, 0);
    EXPECT_EQ(loaded.GetTextUtf8(), " ");
}

TEST_F(TextEffectTest, ATextLongerThanTheBufferIsCutAtACharacterBoundary)
{
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "\xE2\x82\xAC"; // three bytes each
    TextEffect effect;
    effect.SetTextUtf8(text);
    EXPECT_EQ(std::u16string(effect.m_szText).size(), 3000u);
    TextEffect loaded = RoundTrip(effect);
    EXPECT_EQ(StoredText().size(), 3999u);
    EXPECT_EQ(loaded.GetTextUtf8(), text.substr(0, 3999));

    std::u16string wide(5000, u'w');
    effect.SetText(wide.c_str());
    EXPECT_EQ(std::u16string(effect.m_szText).size(), static_cast<size_t>(TextEffect::kMaxText - 1));
}

TEST_F(TextEffectTest, EveryStoredFieldComesBack)
{
    TextEffect effect;
    effect.SetTextUtf8("Line one\r\nLine two");
    effect.m_nTextAlign = 2;
    effect.m_nStyleFlags = 0x53;
    effect.m_dOffsetPercent = 12.5;
    effect.m_dEdgePercent = 8;
    effect.m_dOffsetAngle = -57;
    effect.m_dOutlineFraction = 0.05;
    effect.m_lf.lfHeight = -30;
    effect.m_lf.lfWeight = 700;
    for (int i = 0; i < 4; ++i) {
        effect.SetKeyTime(effect_tests::Milliseconds(1000.0 * i), i);
        effect.m_keyStates[i].m_crColor1 = 0x10203040u + static_cast<DWORD>(i);
        effect.m_keyStates[i].m_crColor2 = 0x7F00FF00u;
        effect.m_keyStates[i].m_crColor3 = 0xFF0000FFu;
        effect.m_keyStates[i].m_nAnchor = 0x0401;
        effect.m_keyStates[i].m_fX = 0.25f * static_cast<float>(i);
        effect.m_keyStates[i].m_fY = 1.0f;
        effect.m_keyStates[i].m_fExtra1 = 0.5f;
    }
    TextEffect loaded = RoundTrip(effect);
    EXPECT_EQ(loaded.GetTextUtf8(), "Line one\r\nLine two");
    EXPECT_EQ(loaded.m_nTextAlign, 2);
    EXPECT_EQ(loaded.m_nStyleFlags, 0x53);
    EXPECT_DOUBLE_EQ(loaded.m_dOffsetPercent, 12.5);
    EXPECT_DOUBLE_EQ(loaded.m_dEdgePercent, 8.0);
    EXPECT_DOUBLE_EQ(loaded.m_dOffsetAngle, -57.0);
    EXPECT_DOUBLE_EQ(loaded.m_dOutlineFraction, 0.05);
    EXPECT_EQ(loaded.m_lf.lfHeight, -30);
    EXPECT_EQ(loaded.m_lf.lfWeight, 700);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(loaded.GetKeyTime(i).GetMilliseconds(), 1000 * i);
        EXPECT_EQ(loaded.m_keyStates[i].m_crColor1, effect.m_keyStates[i].m_crColor1);
        EXPECT_EQ(loaded.m_keyStates[i].m_crColor2, 0x7F00FF00u);
        EXPECT_EQ(loaded.m_keyStates[i].m_crColor3, 0xFF0000FFu);
        EXPECT_EQ(loaded.m_keyStates[i].m_nAnchor, 0x0401);
        EXPECT_FLOAT_EQ(loaded.m_keyStates[i].m_fX, 0.25f * static_cast<float>(i));
        EXPECT_FLOAT_EQ(loaded.m_keyStates[i].m_fExtra1, 0.5f);
    }
    EXPECT_EQ(m_profile.GetInt(kScene, "Text"), 1);
}

TEST_F(TextEffectTest, WithoutTheEdgeEntryOnlyTheOffsetIsRead)
{
    TextEffect effect;
    effect.m_dOffsetPercent = 9;
    effect.m_dEdgePercent = 5;
    effect.m_dOffsetAngle = 30;
    effect.m_dOutlineFraction = 0.1;
    effect.Save("", &m_profile, kScene, 0);
    CProfile older;
    CopyWithout(m_profile, "Softness", older);
    TextEffect loaded;
    loaded.Load(&older, kSection, 0);
    EXPECT_DOUBLE_EQ(loaded.m_dOffsetPercent, 9.0);
    EXPECT_EQ(loaded.m_dEdgePercent, 0.0);
    EXPECT_EQ(loaded.m_dOffsetAngle, 0.0);
    EXPECT_EQ(loaded.m_dOutlineFraction, 0.0);
}

TEST(TextEffect, TheShadowDistanceDefaultUsesTheFontHeightsMagnitude)
{
    EXPECT_NEAR(TextOutlinePercent(-21), 300.0 / 21.0, 1e-9);
    EXPECT_NEAR(TextOutlinePercent(21), 300.0 / 21.0, 1e-9);
    EXPECT_EQ(TextOutlinePercent(0), 0.0);
}

TEST_F(TextEffectTest, MotionPresetOneFadesThroughTheScene)
{
    TextEffect effect;
    EXPECT_EQ(effect.ApplyPreset(10000, 1), 1);
    const LONGLONG keys[] = {0, 1000, 9000, 10000};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(effect.GetKeyTime(i).GetMilliseconds(), keys[i]) << i;
    const DWORD transparency1[] = {255, 0, 0, 255};
    const DWORD transparency3[] = {255, 128, 128, 255};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(effect.m_keyStates[i].m_crColor1 >> 24, transparency1[i]) << i;
        EXPECT_EQ(effect.m_keyStates[i].m_crColor2 >> 24, transparency1[i]) << i;
        EXPECT_EQ(effect.m_keyStates[i].m_crColor3 >> 24, transparency3[i]) << i;
        EXPECT_EQ(effect.m_keyStates[i].m_crColor1 & 0xFFFFFF, 0xFFFFFFu);
    }
}

TEST_F(TextEffectTest, StylePresetHundredTakesTheFontsOffsetAndReadsBackRounded)
{
    TextEffect effect;
    effect.m_dEdgePercent = 7;
    EXPECT_EQ(effect.ApplyPreset(5000, 100), 1);
    EXPECT_NEAR(effect.m_dOffsetPercent, 14.2857, 1e-4);
    EXPECT_EQ(effect.m_dEdgePercent, 0.0);
    EXPECT_EQ(effect.m_keyStates[2].m_crColor3, 0x7F000000u);
    TextEffect loaded = RoundTrip(effect);
    EXPECT_DOUBLE_EQ(loaded.m_dOffsetPercent, 14.29);
}

TEST(TextEffect, StylePresetsAboveTheTableChangeNothing)
{
    struct Case {
        INT preset;
        INT result;
        double outline;
        double angle;
    };
    const Case cases[] = {{108, 1, 0.05, 0}, {113, 1, 0.05, -105}, {118, 1, 0.05, 0}, {119, 0, 0, 0}, {500, 0, 0, 0}};
    for (const Case& c : cases) {
        TextEffect effect;
        effect.m_nStyleFlags = 0;
        EXPECT_EQ(effect.ApplyPreset(1000, c.preset), c.result) << c.preset;
        EXPECT_DOUBLE_EQ(effect.m_dOutlineFraction, c.outline) << c.preset;
        EXPECT_DOUBLE_EQ(effect.m_dOffsetAngle, c.angle) << c.preset;
        EXPECT_EQ(effect.m_nStyleFlags, c.result ? 0x13 : 0) << c.preset;
    }
}

TEST(TextEffect, PlacementOfAHoldStateMovesBothHoldStates)
{
    TextEffect effect;
    effect.SetStatePlacement(1, 6);
    for (int state : {1, 2}) {
        EXPECT_EQ(effect.m_keyStates[state].m_fX, 0.0f);
        EXPECT_EQ(effect.m_keyStates[state].m_fY, 0.0f);
    }
    INT column = -1;
    INT row = -1;
    effect.GetStatePlacement(1, &column, &row);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 0);
    EXPECT_EQ(effect.m_keyStates[0].m_fX, 0.5f);
    effect.SetStatePlacement(0, 42);
    EXPECT_EQ(effect.m_keyStates[0].m_fX, 1.0f);
    EXPECT_EQ(effect.m_keyStates[0].m_fY, 0.0f);
}

TEST(TextEffect, AnchorsFollowThePositions)
{
    struct Case {
        INT holdCell;
        INT entryCell;
        INT holdAnchor;
        INT entryAnchor;
    };
    // Cells: 0..2 top row, 6..8 bottom row; position codes run the other
    // way (0 is bottom left).
    const Case cases[] = {
        {4, 4, 0x0202, 0x0202}, {7, 4, 0x0102, 0x0202}, {1, 7, 0x0402, 0x0402},
        {4, 3, 0x0202, 0x0204}, {6, 0, 0x0101, 0x0101},
    };
    for (const Case& c : cases) {
        TextEffect effect;
        effect.SetStatePlacement(1, c.holdCell);
        effect.SetStatePlacement(0, c.entryCell);
        effect.UpdateAnchors();
        EXPECT_EQ(effect.m_keyStates[1].m_nAnchor, c.holdAnchor) << c.holdCell;
        EXPECT_EQ(effect.m_keyStates[2].m_nAnchor, c.holdAnchor) << c.holdCell;
        EXPECT_EQ(effect.m_keyStates[0].m_nAnchor, c.entryAnchor) << c.holdCell << " " << c.entryCell;
    }
}

TEST_F(TextEffectTest, TheOlderLayoutReadsPartsWithClampedCells)
{
    m_profile.SetValue(kSection, "TitleText", "Old title");
    m_profile.SetValue(kSection, "TitleStart", "500");
    struct Part {
        const char* name;
        const char* color;
        const char* opacity;
        const char* cell;
        const char* seconds;
    };
    const Part parts[] = {{"Intro", "16711680", "100", "1", "1.0"},
                          {"Hold", "65280", "50", "99", "2.0"},
                          {"HoldEnd", "255", "0", "2", "3.0"},
                          {"Outro", "255", "0", "-5", "4.0"}};
    for (const Part& p : parts) {
        const std::string name = p.name;
        m_profile.SetValue(kSection, (name + "Color").c_str(), p.color);
        m_profile.SetValue(kSection, (name + "Opacity").c_str(), p.opacity);
        m_profile.SetValue(kSection, (name + "Cell").c_str(), p.cell);
        m_profile.SetValue(kSection, (name + "Seconds").c_str(), p.seconds);
    }
    m_profile.SetValue(kSection, "IntroShown", "1");
    TextEffect effect;
    effect.Load(&m_profile, kSection, 0);
    EXPECT_EQ(effect.GetTextUtf8(), "Old title");
    EXPECT_EQ(effect.m_nStyleFlags, 0x30);
    // 0xRRGGBB 0xFF0000 is red; opacity 50 % is transparency 128.
    EXPECT_EQ(effect.m_keyStates[0].m_crColor1, RGB(255, 0, 0));
    EXPECT_EQ(effect.m_keyStates[1].m_crColor1, RGB(0, 255, 0) | 128u << 24);
    EXPECT_EQ(effect.m_keyStates[2].m_crColor1, effect.m_keyStates[1].m_crColor1);
    EXPECT_EQ(effect.m_keyStates[3].m_crColor1, RGB(0, 0, 255) | 255u << 24);
    // Cell 99 is clamped to 8 (x 1, y 1), -5 to 0 (the centre).
    EXPECT_EQ(effect.m_keyStates[1].m_fX, 1.0f);
    EXPECT_EQ(effect.m_keyStates[1].m_fY, 1.0f);
    EXPECT_EQ(effect.m_keyStates[3].m_fX, 0.5f);
    const LONGLONG keys[] = {500, 1500, 3500, 10500};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(effect.GetKeyTime(i).GetMilliseconds(), keys[i]) << i;
    // The older section names no font.
    ASSERT_EQ(m_modules.Messages().size(), 1u);
}

TEST(TextEffect, PresetTablesAnswerForRowsOutsideWithRowZero)
{
    EXPECT_EQ(GetTextEffectPresetCount(), 19);
    EXPECT_EQ(GetTextMotionPresetCount(), 9);
    EXPECT_EQ(GetTextEffectPresetNumber(18), 118);
    EXPECT_EQ(GetTextEffectPresetNumber(19), 100);
    EXPECT_EQ(GetTextEffectPresetNameId(-1), 61429);
    EXPECT_EQ(GetTextMotionPresetThumbnailId(8), 931);
    EXPECT_EQ(GetTextMotionPresetIndex(9), 0);
}

} // namespace
