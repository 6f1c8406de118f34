#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/TempDir.h"
#include "Win32/Utils/Profile.h"
#include "Win32/Utils/tests/ProfileRoundTrip.h"

namespace {

using profile_test::Difference;
using testing_support::ReadFile;
using testing_support::TempDir;

struct Read {
    std::unique_ptr<CProfile> profile = std::make_unique<CProfile>();
    int result = 0;
    std::string text;
};

Read ReadFrom(const TempDir& dir, const std::string& text)
{
    Read read;
    read.text = text;
    read.result = read.profile->Load(dir.Write("in.sbd", text).c_str());
    return read;
}

// `profile` saved and loaded again.
Read Resaved(const TempDir& dir, CProfile& profile)
{
    EXPECT_EQ(profile.Save(dir.File("out.sbd").c_str()), CProfile::kOk);
    return ReadFrom(dir, ReadFile(dir.File("out.sbd")));
}

std::string Repeated(const std::string& text, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += text;
    return out;
}

// Texts the reader accepts (whole, or up to a malformed line) with what the
// writer must take care of.
const std::string kAcceptedTexts[] = {
    "[T]\nx\\\n\n=1\n[U]\nkeep=me\n",
    "[T]\nx=a\\\n\nb\n[U]\nkeep=me\n",
    "[T]\r\nx=a\\\r\n\r\n\r\nb\r\n[U]\r\nkeep=me\r\n",
    "[T]\nk=a\\\\\n\nb\n",
    "[T]\nk\\\n\n\\\n\nj=v\n",
    "[T]\nk=" + Repeated("word ", 30) + "\\\n\n" + Repeated("more ", 30) + "end\n",
    "[T]\nk=v\\\n\n  ; a comment\n",
    "[T]\nh=abc" + Repeated("\\\n\n", 60) + "b\n[U]\nkeep=me\n",
    "[T]\nname \r=v\nk=\x1a\x7f\n",
    "; head\n;\n;;x\n;  \n[S] ; dropped\n;c1\nk=v ;c\r\r\nj=w\n\n; tail\n",
    "; a comment\\\n\n\n;\n;;;x\n[S]\nk=v ;c\\\n",
    "[S]\nk=v\\",
    "[S]\nk=v\\\n",
    std::string("[S]\nab\0c=1\nk=a\0b\n", 17),
    std::string("[\0x]\nk=1\n[U]\nkeep=me\n", 21),
    std::string("[S]\n\0=1\nj=2\n", 12),
};

TEST(ProfileRoundTrip, WhatLoadReadsSaveWritesSoThatItReadsBackTheSame)
{
    for (const std::string& text : kAcceptedTexts) {
        SCOPED_TRACE(text);
        TempDir dir;
        Read first = ReadFrom(dir, text);
        ASSERT_TRUE(first.result == CProfile::kOk || first.result == CProfile::kMalformed);
        Read second = Resaved(dir, *first.profile);
        ASSERT_EQ(second.result, CProfile::kOk) << second.text;
        EXPECT_EQ(Difference(*first.profile, *second.profile), "") << second.text;
        Read third = Resaved(dir, *second.profile);
        ASSERT_EQ(third.result, CProfile::kOk) << third.text;
        EXPECT_EQ(Difference(*second.profile, *third.profile), "") << third.text;
    }
}

// A continued line followed by an empty one puts a line break into a name;
// written bare, it ended the next load there.
TEST(ProfileRoundTrip, ALineBreakInANameKeepsTheSectionsAfterIt)
{
    TempDir dir;
    Read first = ReadFrom(dir, "[T]\nx\\\n\n=1\n[U]\nkeep=me\n");
    ASSERT_EQ(first.result, CProfile::kOk);
    EXPECT_STREQ(first.profile->GetValue("T", "x\n"), "1");
    Read second = Resaved(dir, *first.profile);
    ASSERT_EQ(second.result, CProfile::kOk) << second.text;
    EXPECT_STREQ(second.profile->GetValue("T", "x\n"), "1");
    EXPECT_STREQ(second.profile->GetValue("U", "keep"), "me");
}

TEST(ProfileRead, NamesEndAtANulAndANameLeftEmptyIsMalformed)
{
    TempDir dir;
    Read cut = ReadFrom(dir, std::string("[S]\nab\0c=1\n", 11));
    EXPECT_EQ(cut.result, CProfile::kOk);
    EXPECT_STREQ(cut.profile->GetValue("S", "ab"), "1");
    Read emptySection = ReadFrom(dir, std::string("[A]\n[\0x]\nk=1\n", 13));
    EXPECT_EQ(emptySection.result, CProfile::kMalformed);
    EXPECT_TRUE(emptySection.profile->HasSection("A"));
    EXPECT_FALSE(emptySection.profile->HasSection(""));
    Read emptyEntry = ReadFrom(dir, std::string("[S]\na=1\n\0=2\n", 12));
    EXPECT_EQ(emptyEntry.result, CProfile::kMalformed);
    EXPECT_STREQ(emptyEntry.profile->GetValue("S", "a"), "1");
    EXPECT_FALSE(emptyEntry.profile->HasEntry("S", ""));
}

} // namespace
