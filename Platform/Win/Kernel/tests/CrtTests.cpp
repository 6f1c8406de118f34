#include <gtest/gtest.h>

#include <string>

#include "Platform/Win/Kernel/Crt.h"

namespace {

std::u16string ToWide(const std::string& text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string ToNarrow(const std::u16string& wide)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

TEST(Crt, Utf8AndUtf16RoundTrip)
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
        EXPECT_EQ(ToWide(c.narrow), c.wide) << c.narrow;
        EXPECT_EQ(ToNarrow(c.wide), c.narrow) << c.narrow;
    }
}

TEST(Crt, ConversionSizesAndErrors)
{
    // A length of -1 counts the terminator.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    char16_t small[2];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    EXPECT_EQ(ToWide("a\xFF" "b"), u"a\uFFFD" "b");
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);

    const char16_t lone[] = {u'x', 0xD800, u'y'};
    BOOL usedDefault = FALSE;
    char out[16];
    int n = WideCharToMultiByte(CP_UTF8, 0, lone, 3, out, sizeof out, nullptr, &usedDefault);
    EXPECT_EQ(std::string(out, static_cast<size_t>(n)), "x\xEF\xBF\xBDy");
    EXPECT_TRUE(usedDefault);
}

TEST(Crt, CodePage1252IsWindows1252BothWays)
{
    struct Case {
        std::string narrow;
        std::u16string wide;
    };
    const Case cases[] = {
        {"caf\xE9", u"caf\u00E9"},
        {"\x80 5", u"\u20AC 5"},
        {"\xFF" "es", u"\u00FF" "es"},
        {"\x9C\x81", u"\u0153\u0081"},
    };
    for (const Case& c : cases) {
        char16_t wide[16];
        const int n = MultiByteToWideChar(CP_WINDOWS_1252, 0, c.narrow.data(), static_cast<int>(c.narrow.size()), wide, 16);
        EXPECT_EQ(std::u16string(wide, static_cast<size_t>(n)), c.wide) << c.narrow;
        char narrow[16];
        BOOL usedDefault = TRUE;
        const int m = WideCharToMultiByte(CP_WINDOWS_1252, 0, c.wide.data(), static_cast<int>(c.wide.size()), narrow, 16,
                                          nullptr, &usedDefault);
        EXPECT_EQ(std::string(narrow, static_cast<size_t>(m)), c.narrow);
        EXPECT_FALSE(usedDefault);
    }
    BOOL usedDefault = FALSE;
    char out[4];
    const int n = WideCharToMultiByte(CP_WINDOWS_1252, 0, u"\u4E2D", 1, out, 4, nullptr, &usedDefault);
    EXPECT_EQ(std::string(out, static_cast<size_t>(n)), "?");
    EXPECT_TRUE(usedDefault);
}

TEST(Crt, IntegerToText)
{
    char buffer[72];
    EXPECT_STREQ(_itoa(-42, buffer, 10), "-42");
    EXPECT_STREQ(_itoa(-1, buffer, 16), "ffffffff");
    EXPECT_STREQ(_itoa(255, buffer, 2), "11111111");
    EXPECT_STREQ(_ultoa(4000000000u, buffer, 10), "4000000000");
    EXPECT_STREQ(_i64toa(-9000000000LL, buffer, 10), "-9000000000");
    EXPECT_EQ(_atoi64("123456789012"), 123456789012LL);
}

TEST(Crt, StringHelpers)
{
    EXPECT_EQ(_stricmp("Clip.AVI", "clip.avi"), 0);
    EXPECT_LT(_stricmp("a", "B"), 0);
    EXPECT_EQ(_strnicmp("ABCx", "abcy", 3), 0);
    EXPECT_EQ(lstrcmpiA("MP3", "mp3"), 0);
    EXPECT_EQ(lstrcmpA("a", "b"), -1);

    char dest[5];
    lstrcpynA(dest, "storyboard", sizeof dest);
    EXPECT_STREQ(dest, "stor");

    char upper[] = "Caf\xC3\xA9 mix";
    EXPECT_STREQ(_strupr(upper), "CAF\xC3\xA9 MIX") << "only ASCII letters fold";

    char fitted[4];
    EXPECT_EQ(_snprintf(fitted, sizeof fitted, "%d", 1234), 4) << "an exact fit has no terminator";
    EXPECT_EQ(_snprintf(fitted, sizeof fitted, "%d", 12345), -1);

    EXPECT_TRUE(_ismbcdigit('7'));
    EXPECT_FALSE(_ismbcdigit('x'));
    EXPECT_EQ(_getmbcp(), 65001);
}

} // namespace
