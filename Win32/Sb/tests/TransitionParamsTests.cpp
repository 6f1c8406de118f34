#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "Win32/Sb/Document/TransitionParams.h"

namespace {

TransitionParams MakeEditedParams()
{
    TransitionParams p;
    p.m_nFamily = 7;
    p.m_bAUseColor = 1;
    p.m_crAColor = RGB(0x11, 0x22, 0x33);
    p.m_fADuration = 1.5f;
    p.m_bBUseColor = 0;
    p.m_crBColor = RGB(0xAA, 0xBB, 0xCC);
    p.m_fBDuration = -2.0f;
    p.m_fOverlapDuration = 0.25f;
    p.m_nDirection = 8;
    p.m_nShape = 4;
    p.m_nStyle = 2;
    p.m_nId = 59;
    p.m_nSoftness = 10;
    return p;
}

TEST(TransitionParams, StoredFormIsFiftyTwoLittleEndianBytesInFieldOrder)
{
    const BYTE expected[52] = {
        0x07, 0x00, 0x00, 0x00, // family
        0x01, 0x00, 0x00, 0x00, // A use colour
        0x11, 0x22, 0x33, 0x00, // A colour
        0x00, 0x00, 0xC0, 0x3F, // A duration 1.5
        0x00, 0x00, 0x00, 0x00, // B use colour
        0xAA, 0xBB, 0xCC, 0x00, // B colour
        0x00, 0x00, 0x00, 0xC0, // B duration -2.0
        0x00, 0x00, 0x80, 0x3E, // overlap 0.25
        0x08, 0x00, 0x00, 0x00, // direction
        0x04, 0x00, 0x00, 0x00, // shape
        0x02, 0x00, 0x00, 0x00, // style
        0x3B, 0x00, 0x00, 0x00, // id
        0x0A, 0x00, 0x00, 0x00, // softness
    };
    BYTE stored[TransitionParams::kStoredSize];
    MakeEditedParams().Write(stored);
    EXPECT_EQ(std::memcmp(stored, expected, sizeof expected), 0);
}

TEST(TransitionParams, DefaultsAreStoredAsTwoSecondsAndWhiteB)
{
    BYTE stored[TransitionParams::kStoredSize];
    TransitionParams().Write(stored);
    const BYTE twoSeconds[4] = {0x00, 0x00, 0x00, 0x40};
    const BYTE white[4] = {0xFF, 0xFF, 0xFF, 0x00};
    EXPECT_EQ(std::memcmp(stored + 12, twoSeconds, 4), 0);
    EXPECT_EQ(std::memcmp(stored + 24, twoSeconds, 4), 0);
    EXPECT_EQ(std::memcmp(stored + 20, white, 4), 0);
}

TEST(TransitionParams, ReadGivesBackWhatWasWritten)
{
    const TransitionParams source = MakeEditedParams();
    BYTE stored[TransitionParams::kStoredSize];
    source.Write(stored);
    TransitionParams read;
    ASSERT_TRUE(read.Read(stored, sizeof stored));
    BYTE again[TransitionParams::kStoredSize];
    read.Write(again);
    EXPECT_EQ(std::memcmp(stored, again, sizeof stored), 0);
    EXPECT_EQ(read.m_fBDuration, -2.0f);
    EXPECT_EQ(read.m_nId, 59);
}

TEST(TransitionParams, ShortInputIsRefusedAndLeavesTheRecord)
{
    BYTE stored[TransitionParams::kStoredSize];
    MakeEditedParams().Write(stored);
    TransitionParams read;
    EXPECT_FALSE(read.Read(stored, 51));
    EXPECT_FALSE(read.Read(nullptr, 52));
    EXPECT_EQ(read.m_nFamily, 0);
    EXPECT_EQ(read.m_fADuration, 2.0f);
}

TEST(TransitionParams, SoftnessReadIsClampedToTheBlurRange)
{
    struct Case {
        INT stored;
        INT read;
    };
    const Case cases[] = {{0, 0}, {3, 3}, {10, 10}, {TransitionParams::kMaxSoftness, TransitionParams::kMaxSoftness},
                          {-1, 0}, {INT_MIN, 0}, {21, TransitionParams::kMaxSoftness},
                          {INT_MAX, TransitionParams::kMaxSoftness}};
    for (const Case& c : cases) {
        TransitionParams p;
        p.m_nSoftness = c.stored;
        BYTE stored[TransitionParams::kStoredSize];
        p.Write(stored);
        TransitionParams read;
        ASSERT_TRUE(read.Read(stored, sizeof stored));
        EXPECT_EQ(read.m_nSoftness, c.read) << "stored " << c.stored;
        EXPECT_EQ(TransitionParams::ClampSoftness(c.stored), c.read);
    }
}

} // namespace
