#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "Platform/Mfc/Mfc.h"

namespace {

struct StringCase {
    const char* name;
    const char* input;
    std::function<CString(CString&)> op;
    const char* expected;
};

void ExpectCases(const std::vector<StringCase>& cases)
{
    for (const StringCase& c : cases) {
        CString s(c.input);
        EXPECT_STREQ(c.op(s), c.expected) << c.name;
    }
}

struct IntCase {
    const char* name;
    const char* input;
    std::function<int(CString&)> op;
    int expected;
    const char* after; // the string after the call
};

void ExpectCases(const std::vector<IntCase>& cases)
{
    for (const IntCase& c : cases) {
        CString s(c.input);
        EXPECT_EQ(c.op(s), c.expected) << c.name;
        EXPECT_STREQ(s, c.after) << c.name;
    }
}

} // namespace

TEST(MfcString, ConstructorsBuildTheExpectedText)
{
    CString copied("copy");
    EXPECT_STREQ(CString(), "");
    EXPECT_STREQ(CString("abc"), "abc");
    EXPECT_STREQ(CString('x', 3), "xxx");
    EXPECT_STREQ(CString('x', -2), "");
    EXPECT_STREQ(CString("abcdef", 3), "abc");
    EXPECT_STREQ(CString(static_cast<LPCSTR>(nullptr)), "");
    EXPECT_STREQ(CString(copied), "copy");
    EXPECT_EQ(CString("h\xC3\xA9").GetLength(), 3); // bytes, not characters
}

TEST(MfcString, MissingStringResourceGivesEmptyString)
{
    EXPECT_TRUE(CString(MAKEINTRESOURCE(64999)).IsEmpty());
}

TEST(MfcString, FormatFollowsPrintfRules)
{
    CString s;
    s.Format("%d-%05.1f-%s-%x-%c-%%", 42, 3.14159, "txt", 255, 'Q');
    EXPECT_STREQ(s, "42-003.1-txt-ff-Q-%");

    std::string longText(5000, 'z');
    s.Format("[%s]", longText.c_str());
    EXPECT_EQ(s.GetLength(), 5002);

    s = "abc";
    s.Format("%s%s", static_cast<LPCSTR>(s), static_cast<LPCSTR>(s));
    EXPECT_STREQ(s, "abcabc");

    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(MfcString, MidLeftRightClampOutOfRangeArguments)
{
    ExpectCases({
        {"Mid(1,3)", "hello", [](CString& s) { return s.Mid(1, 3); }, "ell"},
        {"Mid negative start", "hello", [](CString& s) { return s.Mid(-2, 3); }, "hel"},
        {"Mid count past end", "hello", [](CString& s) { return s.Mid(3, 100); }, "lo"},
        {"Mid start past end", "hello", [](CString& s) { return s.Mid(10, 2); }, ""},
        {"Mid negative count", "hello", [](CString& s) { return s.Mid(2, -1); }, ""},
        {"Mid(2)", "hello", [](CString& s) { return s.Mid(2); }, "llo"},
        {"Mid(-1)", "hello", [](CString& s) { return s.Mid(-1); }, "hello"},
        {"Mid(len)", "hello", [](CString& s) { return s.Mid(5); }, ""},
        {"Left(2)", "hello", [](CString& s) { return s.Left(2); }, "he"},
        {"Left negative", "hello", [](CString& s) { return s.Left(-1); }, ""},
        {"Left past end", "hello", [](CString& s) { return s.Left(99); }, "hello"},
        {"Right(2)", "hello", [](CString& s) { return s.Right(2); }, "lo"},
        {"Right negative", "hello", [](CString& s) { return s.Right(-3); }, ""},
        {"Right past end", "hello", [](CString& s) { return s.Right(99); }, "hello"},
        {"Mid of empty", "", [](CString& s) { return s.Mid(0, 1); }, ""},
    });
}

TEST(MfcString, FindReportsByteIndexOrMinusOne)
{
    ExpectCases({
        {"char", "hello", [](CString& s) { return s.Find('l'); }, 2, "hello"},
        {"char from start", "hello", [](CString& s) { return s.Find('l', 3); }, 3, "hello"},
        {"char after last", "hello", [](CString& s) { return s.Find('l', 4); }, -1, "hello"},
        {"char missing", "hello", [](CString& s) { return s.Find('z'); }, -1, "hello"},
        {"char negative start", "hello", [](CString& s) { return s.Find('h', -1); }, -1, "hello"},
        {"char start past end", "hello", [](CString& s) { return s.Find('h', 9); }, -1, "hello"},
        {"string", "hello", [](CString& s) { return s.Find("lo"); }, 3, "hello"},
        {"string from start", "abcabc", [](CString& s) { return s.Find("bc", 2); }, 4, "abcabc"},
        {"empty string", "hello", [](CString& s) { return s.Find(""); }, 0, "hello"},
        {"empty string at end", "hello", [](CString& s) { return s.Find("", 5); }, 5, "hello"},
        {"string start past end", "hello", [](CString& s) { return s.Find("l", 6); }, -1, "hello"},
        {"null string", "hello", [](CString& s) { return s.Find(static_cast<LPCSTR>(nullptr)); }, -1, "hello"},
        {"ReverseFind", "hello", [](CString& s) { return s.ReverseFind('l'); }, 3, "hello"},
        {"ReverseFind missing", "hello", [](CString& s) { return s.ReverseFind('z'); }, -1, "hello"},
        {"FindOneOf", "hello", [](CString& s) { return s.FindOneOf("xyo"); }, 4, "hello"},
        {"FindOneOf empty set", "hello", [](CString& s) { return s.FindOneOf(""); }, -1, "hello"},
    });
}

TEST(MfcString, TrimRemovesWhitespaceOneCharOrASet)
{
    ExpectCases({
        {"TrimLeft()", " \t\r\nab c \n", [](CString& s) { s.TrimLeft(); return s; }, "ab c \n"},
        {"TrimRight()", " \t\r\nab c \n", [](CString& s) { s.TrimRight(); return s; }, " \t\r\nab c"},
        {"TrimLeft(char)", "xxabx", [](CString& s) { s.TrimLeft('x'); return s; }, "abx"},
        {"TrimRight(char)", "xxabx", [](CString& s) { s.TrimRight('x'); return s; }, "xxab"},
        {"TrimLeft(set)", "yxyab", [](CString& s) { s.TrimLeft("xy"); return s; }, "ab"},
        {"TrimRight(set)", "abxyyx", [](CString& s) { s.TrimRight("xy"); return s; }, "ab"},
        {"all trimmed", "  \t ", [](CString& s) { s.TrimRight(); return s; }, ""},
        {"all trimmed by set", "xyx", [](CString& s) { s.TrimLeft("xy"); return s; }, ""},
        {"UTF-8 bytes are not space", "\xC2\xA0 ", [](CString& s) { s.TrimRight(); return s; }, "\xC2\xA0"},
    });
}

TEST(MfcString, ReplaceRemoveInsertDeleteReportCountsAndLengths)
{
    ExpectCases({
        {"Replace string", "aaaa", [](CString& s) { return s.Replace("aa", "b"); }, 2, "bb"},
        {"Replace growing", "banana", [](CString& s) { return s.Replace("an", "anan"); }, 2, "banananana"},
        {"Replace by nothing", "banana", [](CString& s) { return s.Replace("a", ""); }, 3, "bnn"},
        {"Replace by null", "banana", [](CString& s) { return s.Replace("a", nullptr); }, 3, "bnn"},
        {"Replace empty", "abc", [](CString& s) { return s.Replace("", "x"); }, 0, "abc"},
        {"Replace missing", "abc", [](CString& s) { return s.Replace("z", "x"); }, 0, "abc"},
        {"Replace char", "banana", [](CString& s) { return s.Replace('a', 'o'); }, 3, "bonono"},
        {"Replace char by itself", "banana", [](CString& s) { return s.Replace('a', 'a'); }, 0, "banana"},
        {"Remove", "banana", [](CString& s) { return s.Remove('a'); }, 3, "bnn"},
        {"Insert char before start", "abc", [](CString& s) { return s.Insert(-5, 'x'); }, 4, "xabc"},
        {"Insert string past end", "abc", [](CString& s) { return s.Insert(99, "yz"); }, 5, "abcyz"},
        {"Insert string inside", "abc", [](CString& s) { return s.Insert(1, "yz"); }, 5, "ayzbc"},
        {"Insert own text", "ab", [](CString& s) { return s.Insert(1, static_cast<LPCSTR>(s)); }, 4, "aabb"},
        {"Delete one", "abc", [](CString& s) { return s.Delete(1); }, 2, "ac"},
        {"Delete past end", "abc", [](CString& s) { return s.Delete(1, 99); }, 1, "a"},
        {"Delete negative index", "abc", [](CString& s) { return s.Delete(-3, 1); }, 2, "bc"},
        {"Delete index past end", "abc", [](CString& s) { return s.Delete(5, 1); }, 3, "abc"},
        {"Delete zero", "abc", [](CString& s) { return s.Delete(1, 0); }, 3, "abc"},
    });
}

TEST(MfcString, GetBufferAndReleaseBufferSetTheLength)
{
    CString s("abc");
    char* p = s.GetBuffer(10);
    EXPECT_STREQ(p, "abc"); // the old text is in the buffer, then zeros
    std::memcpy(p, "helloworld", 11);
    s.ReleaseBuffer();
    EXPECT_STREQ(s, "helloworld");
    EXPECT_EQ(s.GetLength(), 10);

    s.GetBuffer(0);
    s.ReleaseBuffer(3);
    EXPECT_STREQ(s, "hel");

    s = "abcdef";
    EXPECT_STREQ(s.GetBuffer(2), "abcdef"); // a smaller minimum keeps the text
    s.ReleaseBuffer();
    EXPECT_STREQ(s, "abcdef");

    s = "ab";
    p = s.GetBufferSetLength(4);
    EXPECT_EQ(s.GetLength(), 4);
    p[2] = 'c';
    p[3] = 'd';
    s.ReleaseBuffer(4);
    EXPECT_STREQ(s, "abcd");

    p = s.GetBuffer(8);
    p[1] = '\0';
    s.ReleaseBuffer();
    EXPECT_STREQ(s, "a");

    s = "keep";
    s.FreeExtra();
    s.LockBuffer()[0] = 'K';
    s.UnlockBuffer();
    EXPECT_STREQ(s, "Keep");
}

TEST(MfcString, ComparisonsOrderByUnsignedBytes)
{
    CString abc("abc");
    EXPECT_TRUE(abc == "abc");
    EXPECT_TRUE("abc" == abc);
    EXPECT_TRUE(abc == CString("abc"));
    EXPECT_TRUE(abc != "abd");
    EXPECT_TRUE("abd" != abc);
    EXPECT_TRUE(abc < "abd");
    EXPECT_TRUE("abb" < abc);
    EXPECT_TRUE(abc > "ab");
    EXPECT_TRUE("b" > abc);
    EXPECT_TRUE(abc <= "abc");
    EXPECT_TRUE(abc >= "abc");
    EXPECT_TRUE(CString("B") < "a");
    EXPECT_TRUE(CString("\xC3\xA9") > "z");
    EXPECT_TRUE(CString() == static_cast<LPCSTR>(nullptr));

    EXPECT_LT(abc.Compare("abd"), 0);
    EXPECT_GT(abc.Compare("ab"), 0);
    EXPECT_EQ(abc.Compare("abc"), 0);
    EXPECT_EQ(CString("ABC").CompareNoCase("abc"), 0);
    EXPECT_LT(CString("ABC").CompareNoCase("abd"), 0);
    EXPECT_NE(CString("\xC3\x89").CompareNoCase("\xC3\xA9"), 0); // É and é: not ASCII
    EXPECT_EQ(CString("Abc").CollateNoCase("aBC"), 0);
    EXPECT_EQ(abc.Collate("abc"), 0);
}

TEST(MfcString, CaseMappingTouchesOnlyAscii)
{
    CString s("H\xC3\xA9llo W\xC3\xB6rld");
    s.MakeUpper();
    EXPECT_STREQ(s, "H\xC3\xA9LLO W\xC3\xB6RLD");
    s.MakeLower();
    EXPECT_STREQ(s, "h\xC3\xA9llo w\xC3\xB6rld");
}

TEST(MfcString, MakeReverseKeepsUtf8SequencesWhole)
{
    ExpectCases({
        {"ascii", "abc", [](CString& s) { s.MakeReverse(); return s; }, "cba"},
        {"utf-8", "a\xC3\xA9\xE2\x82\xAC" "b", [](CString& s) { s.MakeReverse(); return s; },
         "b\xE2\x82\xAC\xC3\xA9" "a"},
        {"stray byte", "\xFFx", [](CString& s) { s.MakeReverse(); return s; }, "x\xFF"},
        {"cut sequence", "x\xE2\x82", [](CString& s) { s.MakeReverse(); return s; }, "\x82\xE2x"},
    });
}

TEST(MfcString, SpanIncludingAndExcluding)
{
    ExpectCases({
        {"including", "123abc", [](CString& s) { return s.SpanIncluding("0123456789"); }, "123"},
        {"including none", "abc", [](CString& s) { return s.SpanIncluding("0123456789"); }, ""},
        {"excluding", "ab;cd", [](CString& s) { return s.SpanExcluding(";,"); }, "ab"},
        {"excluding none", "abcd", [](CString& s) { return s.SpanExcluding(";,"); }, "abcd"},
    });
}

TEST(MfcString, ConcatenationAndAppendAcceptTheirOwnText)
{
    CString s("ab");
    EXPECT_STREQ(s + "c", "abc");
    EXPECT_STREQ("c" + s, "cab");
    EXPECT_STREQ(s + 'c', "abc");
    EXPECT_STREQ('c' + s, "cab");
    EXPECT_STREQ(s + s, "abab");
    s += s;
    EXPECT_STREQ(s, "abab");
    s += static_cast<LPCSTR>(s);
    EXPECT_STREQ(s, "abababab");
    s = static_cast<LPCSTR>(s) + 4;
    EXPECT_STREQ(s, "abab");
    s += 'x';
    s += static_cast<LPCSTR>(nullptr);
    EXPECT_STREQ(s, "ababx");
    s = 'q';
    EXPECT_STREQ(s, "q");
    s.Empty();
    EXPECT_TRUE(s.IsEmpty());
}

TEST(MfcString, CharacterAccessInRange)
{
    CString s("abc");
    EXPECT_EQ(s.GetAt(1), 'b');
    EXPECT_EQ(s[2], 'c');
    s.SetAt(0, 'X');
    EXPECT_STREQ(s, "Xbc");
}

#ifdef NDEBUG
TEST(MfcString, OutOfRangeAccessIsHarmlessInRelease)
{
    CString s("abc");
    EXPECT_EQ(s.GetAt(3), '\0');
    EXPECT_EQ(s[-1], '\0');
    s.SetAt(9, 'x');
    EXPECT_STREQ(s, "abc");
}
#else
TEST(MfcStringDeathTest, OutOfRangeAccessAssertsInDebug)
{
    CString s("abc");
    EXPECT_DEATH(s.GetAt(3), "Assertion failed");
    EXPECT_DEATH(s.SetAt(-1, 'x'), "Assertion failed");
}
#endif
