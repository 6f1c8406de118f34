#include "Platform/Win/Base/Utf.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using win::Utf8Form;

TEST(Utf, Utf8AndUtf16RoundTrip)
{
    struct Case {
        std::string narrow;
        std::u16string wide;
    };
    const Case cases[] = {
        {"Clip", u"Clip"},
        {"Caf\xC3\xA9", u"Caf\u00E9"},
        {"\xE2\x82\xAC 5", u"\u20AC 5"},
        {"\xF0\x9F\x8E\xAC", u"\U0001F3AC"}, // a surrogate pair
    };
    for (const Case& c : cases) {
        EXPECT_EQ(win::Utf8ToUtf16(c.narrow), c.wide) << c.narrow;
        EXPECT_EQ(win::Utf16ToUtf8(c.wide), c.narrow) << c.narrow;
    }
}

TEST(Utf, SequenceLengthDependsOnTheForm)
{
    struct Case {
        const char* what;
        std::string bytes;
        size_t wellFormed;
        size_t shaped;
    };
    const Case cases[] = {
        {"empty", "", 0, 0},
        {"ascii", "a", 1, 1},
        {"two bytes", "\xC3\xA9", 2, 2},
        {"three bytes", "\xE2\x82\xAC", 3, 3},
        {"four bytes", "\xF0\x9F\x8E\xAC", 4, 4},
        {"overlong two", "\xC0\x80", 0, 2},
        {"overlong three", "\xE0\x80\x80", 0, 3},
        {"overlong four", "\xF0\x80\x80\x80", 0, 4},
        {"surrogate", "\xED\xA0\x80", 0, 3},
        {"past U+10FFFF", "\xF4\x90\x80\x80", 0, 4},
        {"lead F5", "\xF5\x80\x80\x80", 0, 4},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", 0, 0},
        {"continuation", "\x80", 0, 0},
        {"cut", "\xE2\x82", 0, 0},
        {"broken", "\xE2\x28\xA1", 0, 0},
        {"FF", "\xFF", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(win::Utf8SequenceLength(c.bytes), c.wellFormed) << c.what;
        EXPECT_EQ(win::Utf8SequenceLength(c.bytes, Utf8Form::Shaped), c.shaped) << c.what;
    }
}

// The well-formed sequences are exactly the encodings of the scalar values,
// and the first two bytes of one decide it (the others are any continuation
// bytes): every pair of first bytes is checked against the encodings.
TEST(Utf, WellFormedSequencesAreExactlyTheEncodingsOfScalarValues)
{
    std::vector<std::array<size_t, 256>> lengthOf(256, std::array<size_t, 256>{});
    std::vector<int> units;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        std::string narrow;
        win::AppendUtf8(narrow, c);
        std::u16string wide;
        win::AppendUtf16(wide, c);
        units.clear();
        ASSERT_EQ(win::DecodeUtf8(narrow, &units), std::u32string(1, c)) << std::hex << static_cast<unsigned>(c);
        ASSERT_EQ(units, std::vector<int>{static_cast<int>(narrow.size())}) << std::hex << static_cast<unsigned>(c);
        ASSERT_EQ(win::DecodeUtf16(wide), std::u32string(1, c)) << std::hex << static_cast<unsigned>(c);
        if (narrow.size() > 1)
            lengthOf[static_cast<unsigned char>(narrow[0])][static_cast<unsigned char>(narrow[1])] = narrow.size();
    }
    for (int lead = 0x80; lead < 0x100; ++lead) {
        for (int second = 0; second < 0x100; ++second) {
            for (char rest : {'\x80', '\xBF'}) {
                std::string bytes = {static_cast<char>(lead), static_cast<char>(second), rest, rest};
                ASSERT_EQ(win::Utf8SequenceLength(bytes), lengthOf[lead][second]) << std::hex << lead << " " << second;
            }
        }
    }
}

TEST(Utf, DecodingUtf8ReplacesEachByteThatStartsNoSequence)
{
    struct Case {
        const char* what;
        std::string bytes;
        std::u32string text;
        std::vector<int> units;
    };
    const Case cases[] = {
        {"stray byte", "a\xFF" "b", U"a\uFFFDb", {1, 1, 1}},
        {"cut sequence", "\xE2\x82", U"\uFFFD\uFFFD", {1, 1}},
        {"mixed widths", "\xC3\xA9x\xF0\x9F\x8E\xAC", U"\u00E9x\U0001F3AC", {2, 1, 4}},
        {"encoded surrogate", "\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD", {1, 1, 1}},
        {"overlong", "\xC0\x80", U"\uFFFD\uFFFD", {1, 1}},
        {"empty", "", U"", {}},
    };
    for (const Case& c : cases) {
        std::vector<int> units;
        EXPECT_EQ(win::DecodeUtf8(c.bytes, &units), c.text) << c.what;
        EXPECT_EQ(units, c.units) << c.what;
    }
}

TEST(Utf, DecodingUtf16ReplacesLoneSurrogates)
{
    struct Case {
        const char* what;
        std::u16string units16;
        std::u32string text;
        std::vector<int> units;
    };
    const Case cases[] = {
        {"pair", u"\U0001F3AC", U"\U0001F3AC", {2}},
        {"lone high", {u'x', 0xD800, u'y'}, U"x\uFFFDy", {1, 1, 1}},
        {"high at the end", {u'x', 0xD800}, U"x\uFFFD", {1, 1}},
        {"low before high", {0xDC00, 0xD800}, U"\uFFFD\uFFFD", {1, 1}},
    };
    for (const Case& c : cases) {
        std::vector<int> units;
        EXPECT_EQ(win::DecodeUtf16(c.units16, &units), c.text) << c.what;
        EXPECT_EQ(units, c.units) << c.what;
        EXPECT_EQ(win::IsWellFormedUtf16(c.units16), c.text.find(win::kReplacementCharacter) == std::u32string::npos)
            << c.what;
    }
}

TEST(Utf, EncodingWritesWhatIsNoScalarValueAsTheReplacement)
{
    const std::u32string unencodable = {0xD800, 0xDFFF, 0x110000};
    EXPECT_EQ(win::EncodeUtf8(unencodable), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(win::EncodeUtf16(unencodable), u"\uFFFD\uFFFD\uFFFD");
}

TEST(Utf, WellFormedUtf8HasASequenceAtEveryStep)
{
    EXPECT_TRUE(win::IsWellFormedUtf8(""));
    EXPECT_TRUE(win::IsWellFormedUtf8("Caf\xC3\xA9 \xF0\x9F\x8E\xAC"));
    EXPECT_FALSE(win::IsWellFormedUtf8("Caf\xC3"));
    EXPECT_FALSE(win::IsWellFormedUtf8("\xC0\x80"));
}

TEST(Utf, CutLengthNeverEndsInsideASequence)
{
    struct Case {
        std::string text;
        size_t maxBytes;
        size_t expected;
    };
    const Case cases[] = {
        {"abc", 5, 3},
        {"abc", 2, 2},
        {"a\xC3\xA9", 2, 1},
        {"a\xE2\x82\xAC", 3, 1},
        {"a\xE2\x82\xAC", 4, 4},
        {"\xC3\xA9", 0, 0},
        {"\x80\x80\x80", 2, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(win::Utf8CutLength(c.text, c.maxBytes), c.expected) << c.text << " / " << c.maxBytes;
}

TEST(Utf, PrefixLengthCountsTheBytesThatStartCharacters)
{
    struct Case {
        std::string text;
        size_t characters;
        size_t expected;
    };
    const Case cases[] = {
        {"abcdef", 3, 3},
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 3, 6},
        {"ab", 3, 2},
        {"\x80" "abcd", 3, 4}, // a leading continuation byte starts nothing
        {"", 3, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(win::Utf8PrefixLength(c.text, c.characters), c.expected) << c.text;
}

} // namespace
