#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Win/User/Clipboard.h"
#include "Platform/Win/Win32.h"
#include "tests/support/TempDir.h"
#include "Win32/Utils/Profile.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

HWND Owner() { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x51)); }

// The bytes Save writes for `profile`.
std::string SavedText(CProfile& profile)
{
    TempDir dir;
    EXPECT_EQ(profile.Save(dir.File("saved.sbd").c_str()), 0);
    return ReadFile(dir.File("saved.sbd"));
}

// A profile read from `text`, with Load's result.
struct Loaded {
    std::unique_ptr<CProfile> profile = std::make_unique<CProfile>();
    int result = 0;
};

Loaded LoadedFrom(const std::string& text)
{
    TempDir dir;
    Loaded loaded;
    loaded.result = loaded.profile->Load(dir.Write("in.sbd", text).c_str());
    return loaded;
}

// Saves `profile` and reads the file back into a new profile.
std::unique_ptr<CProfile> RoundTripped(CProfile& profile)
{
    Loaded loaded = LoadedFrom(SavedText(profile));
    EXPECT_EQ(loaded.result, 0);
    return std::move(loaded.profile);
}

std::string StringOf(const CProfile& profile, LPCSTR section, LPCSTR entry)
{
    LPSTR text = profile.GetString(section, entry);
    std::string value = text ? text : "<missing>";
    delete[] text;
    return value;
}

std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

TEST(ProfileWrite, WritesSectionsEntriesAndCommentsInTheirTextForm)
{
    CProfile profile;
    profile.SetHeader("; Clips");
    profile.SetSection("Scene1");
    profile.SetString("Scene1", "Name", "a;b");
    profile.SetMediaTime("Scene1", "Length", CMediaTime(0, 0, 5));
    EXPECT_EQ(SavedText(profile), "; Clips\r\n\r\n[Scene1]\r\nName=a\\;b\r\nLength=00:05.000 ms\r\n\r\n");
}

TEST(ProfileWrite, EntryCommentsFollowATab)
{
    CProfile profile;
    profile.SetValue("S", "Key", "v", "why");
    profile.SetSection("S", "; about S");
    EXPECT_EQ(SavedText(profile), "\r\n[S]\r\n; about S\r\nKey=v\t; why\r\n\r\n");
}

TEST(ProfileWrite, LongLinesAreWrappedBeforeBlanks)
{
    std::string words;
    while (words.size() < 200)
        words += "word" + std::to_string(words.size()) + " ";
    words.pop_back();
    CProfile profile;
    profile.SetString("S", "Text", words.c_str());
    std::vector<std::string> lines = LinesOf(SavedText(profile));
    // "", "[S]", the segments, "".
    ASSERT_GE(lines.size(), 2u + 3u + 1u);
    std::string joined;
    for (size_t i = 2; i + 1 < lines.size(); ++i) {
        std::string segment = lines[i];
        bool last = i + 2 == lines.size();
        if (!last) {
            ASSERT_EQ(segment.back(), '\\') << segment;
            segment.pop_back();
            EXPECT_LE(segment.size(), 78u);
            EXPECT_EQ(lines[i + 1][0], ' ') << "each break falls before a blank";
        }
        joined += segment;
    }
    EXPECT_EQ(joined, "Text=" + words);
    EXPECT_EQ(StringOf(*RoundTripped(profile), "S", "Text"), words);
}

TEST(ProfileWrite, LongLinesWithoutBlanksAreBrokenEvery78Characters)
{
    std::string value(200, 'x');
    CProfile profile;
    profile.SetValue("S", "K", value.c_str());
    std::vector<std::string> lines = LinesOf(SavedText(profile));
    ASSERT_EQ(lines.size(), 2u + 3u + 1u);
    EXPECT_EQ(lines[2], "K=" + std::string(76, 'x') + "\\");
    EXPECT_EQ(lines[3], std::string(78, 'x') + "\\");
    EXPECT_EQ(lines[4], std::string(46, 'x'));
    EXPECT_EQ(RoundTripped(profile)->GetValue("S", "K"), value);
}

TEST(ProfileWrite, SaveFailuresLeaveTheFlagSet)
{
    TempDir dir;
    CProfile profile;
    profile.SetInt("S", "A", 1);
    EXPECT_EQ(profile.Save(dir.File("no/such/folder/x.sbd").c_str()), -3);
    EXPECT_EQ(profile.Save(dir.Path().c_str()), -3) << "a folder is no file";
    EXPECT_EQ(profile.Save(nullptr), -3);
    EXPECT_TRUE(profile.IsModified());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << "no temporary file is left behind";
}

TEST(ProfileWrite, SaveReplacesAnExistingFileWhole)
{
    TempDir dir;
    std::string path = dir.Write("doc.sbd", std::string(5000, 'z'));
    CProfile profile;
    profile.SetInt("S", "A", 1);
    ASSERT_EQ(profile.Save(path.c_str()), 0);
    EXPECT_EQ(ReadFile(path), "\r\n[S]\r\nA=1\r\n\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

// Values that break the line format unless the writer takes care: escapes,
// a final backslash (every folder path), ';', line ends.
const char* const kStringValues[] = {
    "plain",
    "",
    "a;b",
    ";",
    "line one\nline two",
    "carriage\rreturn",
    "\n\r;\\",
    "ends in a backslash\\",
    "/home/user/Media/",
    "C:\\Media\\Clips\\",
    "\\",
    "\\\\",
    "\\;",
    "back\\slash;semi\\",
    "Gr\u00fc\u00dfe",
    "x=y [not a section]",
};

TEST(ProfileRoundTrip, StringsSurviveWhateverTheyHoldOrEndWith)
{
    for (const char* value : kStringValues) {
        CProfile profile;
        profile.SetString("S", "Value", value);
        profile.SetString("S", "Next", "after");
        profile.SetString("T", "Other", value);
        std::unique_ptr<CProfile> back = RoundTripped(profile);
        EXPECT_EQ(StringOf(*back, "S", "Value"), value);
        EXPECT_EQ(StringOf(*back, "S", "Next"), "after") << "the next line was not swallowed: " << value;
        EXPECT_EQ(StringOf(*back, "T", "Other"), value);
    }
}

TEST(ProfileRoundTrip, LongStringsEndingInBackslashesSurviveWrapping)
{
    for (size_t length : {76u, 77u, 78u, 79u, 155u, 156u, 157u, 300u}) {
        std::string value(length - 1, 'p');
        value += '\\';
        for (const std::string& v : {value, std::string(length / 2, 'q') + " " + value}) {
            CProfile profile;
            profile.SetString("S", "Path", v.c_str());
            profile.SetInt("S", "After", 7);
            std::unique_ptr<CProfile> back = RoundTripped(profile);
            EXPECT_EQ(StringOf(*back, "S", "Path"), v) << length;
            EXPECT_EQ(back->GetInt("S", "After"), 7) << length;
        }
    }
}

TEST(ProfileRoundTrip, NumbersOfEveryType)
{
    CProfile profile;
    const int ints[] = {INT_MIN, -1, 0, 1, INT_MAX};
    for (int i = 0; i < 5; ++i)
        profile.SetInt("N", ("Int" + std::to_string(i)).c_str(), ints[i]);
    profile.SetUnsigned("N", "Unsigned", 0xFFFFFFFFu);
    profile.SetHex("N", "Hex", 255);
    profile.SetHex("N", "BigHex", 0xDEADBEEFu);
    profile.SetFloat("N", "Float", 2.5f);
    profile.SetFloat("N", "Negative", -1234.567f);
    profile.SetInt("N", "Bool", 3);
    profile.SetInt("N", "Byte", 300);
    EXPECT_STREQ(profile.GetValue("N", "Hex"), "ff");
    EXPECT_STREQ(profile.GetValue("N", "Float"), "2.50      ");

    std::unique_ptr<CProfile> back = RoundTripped(profile);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(back->GetInt("N", ("Int" + std::to_string(i)).c_str()), ints[i]);
    EXPECT_EQ(back->GetUnsigned("N", "Unsigned"), 0xFFFFFFFFu);
    EXPECT_EQ(back->GetHex("N", "Hex"), 255u);
    EXPECT_EQ(back->GetHex("N", "BigHex"), 0xDEADBEEFu);
    EXPECT_EQ(back->GetDouble("N", "Float"), 2.5);
    EXPECT_NEAR(back->GetDouble("N", "Negative"), -1234.57, 1e-9) << "two decimals are kept";
    EXPECT_EQ(back->GetBool("N", "Bool"), TRUE);
    EXPECT_EQ(back->GetByte("N", "Byte"), 44) << "taken as an unsigned 8-bit value";
}

TEST(ProfileRoundTrip, MediaTimesAndPoints)
{
    CProfile profile;
    profile.SetMediaTime("M", "Length", CMediaTime(0, 5, 7, 250000.0));
    profile.SetPoint("M", "Origin", CGfxPoint(-3, 7), "where");
    EXPECT_STREQ(profile.GetValue("M", "Length"), "05:07.250 ms");
    EXPECT_STREQ(profile.GetValue("M", "Origin.x"), "-3");
    EXPECT_STREQ(profile.GetEntryComment("M", "Origin.y"), "where");

    std::unique_ptr<CProfile> back = RoundTripped(profile);
    CMediaTime length = back->GetMediaTime("M", "Length");
    EXPECT_EQ(length.GetMilliseconds(), 307250);
    EXPECT_EQ(length.m_nUnitsPerSecond, CMediaTime::kMicroseconds);
    EXPECT_EQ(back->GetPoint("M", "Origin"), CGfxPoint(-3, 7));
}

LOGFONTW SampleFont(const std::u16string& face)
{
    LOGFONTW font = {};
    font.lfHeight = -21;
    font.lfWidth = 3;
    font.lfEscapement = 900;
    font.lfOrientation = -900;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.lfUnderline = 0;
    font.lfStrikeOut = 1;
    font.lfCharSet = 128;
    font.lfOutPrecision = 3;
    font.lfClipPrecision = 2;
    font.lfQuality = 2;
    font.lfPitchAndFamily = 0x12;
    std::copy(face.begin(), face.end(), font.lfFaceName);
    return font;
}

TEST(ProfileRoundTrip, LogFontIsFourteenEntriesInOrder)
{
    CProfile profile;
    profile.SetLogFont("F", "Title", SampleFont(u"Arial"), "title font");
    std::vector<std::string> names;
    for (CProfileEntry* e = profile.GetFirstSection()->m_pFirstEntry; e; e = e->m_pNext)
        names.push_back(e->m_strName);
    const std::vector<std::string> expected = {
        "Title.lfHeight", "Title.lfWidth", "Title.lfEscapement", "Title.lfOrientation", "Title.lfWeight",
        "Title.lfItalic", "Title.lfUnderline", "Title.lfStrikeOut", "Title.lfCharSet", "Title.lfOutPrecision",
        "Title.lfClipPrecision", "Title.lfQuality", "Title.lfPitchAndFamily", "Title.lfFaceName"};
    EXPECT_EQ(names, expected);
    EXPECT_STREQ(profile.GetEntryComment("F", "Title.lfHeight"), "title font");
    EXPECT_STREQ(profile.GetEntryComment("F", "Title.lfWidth"), "") << "only the height gets the comment";
    EXPECT_STREQ(profile.GetValue("F", "Title.lfCharSet"), "128");
}

TEST(ProfileRoundTrip, LogFontsSurviveWithAnyFaceName)
{
    for (const std::u16string& face : {std::u16string(u"Arial"), std::u16string(u"Face;With;Semicolons"),
                                       std::u16string(u"Gr\u00fc\u00dfe"), std::u16string(u"")}) {
        CProfile profile;
        const LOGFONTW written = SampleFont(face);
        profile.SetLogFont("F", "Font", written);
        profile.SetInt("F", "After", 1);
        LOGFONTW read;
        std::memset(&read, 0xAB, sizeof read);
        std::unique_ptr<CProfile> back = RoundTripped(profile);
        ASSERT_TRUE(back->GetLogFont("F", "Font", read));
        EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);
        EXPECT_EQ(back->GetInt("F", "After"), 1);
    }
}

TEST(ProfileRoundTrip, LongFaceNamesAreCutToThirtyOneBytes)
{
    std::u16string face(LF_FACESIZE, u'\u00e9'); // no terminator, two bytes each in UTF-8
    CProfile profile;
    profile.SetLogFont("F", "Font", SampleFont(face));
    EXPECT_EQ(std::strlen(profile.GetValue("F", "Font.lfFaceName")), 30u) << "cut where a character begins";
    LOGFONTW read = {};
    ASSERT_TRUE(profile.GetLogFont("F", "Font", read));
    EXPECT_EQ(std::u16string(read.lfFaceName), std::u16string(15, u'\u00e9'));
}

TEST(ProfileValue, SetValueEscapesWhatWouldBreakTheLine)
{
    struct Case {
        const char* value;
        const char* stored;
        const char* plain;
    } const cases[] = {
        {"a;b", "a\\;b", "a;b"},
        {";lead", "\\;lead", ";lead"},
        {"already\\;escaped", "already\\;escaped", "already;escaped"},
        {"two\nlines", "two\\nlines", "two\nlines"},
        {"cr\r", "cr\\r", "cr\r"},
    };
    for (const Case& c : cases) {
        CProfile profile;
        profile.SetValue("S", "E", c.value);
        profile.SetValueSuffixed("S", "E", ".face", c.value);
        profile.SetInt("S", "After", 5);
        EXPECT_STREQ(profile.GetValue("S", "E"), c.stored);
        std::unique_ptr<CProfile> back = RoundTripped(profile);
        EXPECT_STREQ(back->GetValue("S", "E"), c.stored) << "the text after ';' is kept";
        EXPECT_STREQ(back->GetValueSuffixed("S", "E", ".face"), c.stored);
        EXPECT_EQ(StringOf(*back, "S", "E"), c.plain);
        EXPECT_EQ(back->GetInt("S", "After"), 5);
    }
}

TEST(ProfileEscape, TablesAreAppliedLeftToRight)
{
    struct Case {
        const char* plain;
        const char* escaped;
    } const cases[] = {
        {"a\nb\rc;d\\e", "a\\nb\\rc\\;d\\\\e"},
        {"\\n", "\\\\n"},
        {"", ""},
    };
    for (const Case& c : cases) {
        LPSTR escaped = CProfile::EscapeText(c.plain);
        EXPECT_STREQ(escaped, c.escaped);
        LPSTR plain = CProfile::UnescapeText(escaped);
        EXPECT_STREQ(plain, c.plain);
        delete[] escaped;
        delete[] plain;
    }
    struct Read {
        const char* escaped;
        const char* plain;
    } const reads[] = {{"\\N\\R", "\n\r"}, {"\\x", "\\x"}, {"end\\", "end\\"}, {"\\\\\\;", "\\;"}};
    for (const Read& r : reads) {
        LPSTR plain = CProfile::UnescapeText(r.escaped);
        EXPECT_STREQ(plain, r.plain) << r.escaped;
        delete[] plain;
    }
}

TEST(ProfileRead, CrlfAndLfFilesReadTheSame)
{
    CProfile profile;
    profile.SetHeader("; header");
    profile.SetSection("A", "; section comment");
    profile.SetString("A", "Path", "C:\\x\\");
    profile.SetString("A", "Long", std::string(180, 'w').c_str(), "comment");
    profile.SetInt("B", "Number", 42);
    std::string crlf = SavedText(profile);
    std::string lf;
    for (size_t i = 0; i < crlf.size(); ++i)
        if (!(crlf[i] == '\r' && i + 1 < crlf.size() && crlf[i + 1] == '\n'))
            lf += crlf[i];
    ASSERT_NE(lf, crlf);
    Loaded fromCrlf = LoadedFrom(crlf);
    Loaded fromLf = LoadedFrom(lf);
    ASSERT_EQ(fromCrlf.result, 0);
    ASSERT_EQ(fromLf.result, 0);
    EXPECT_EQ(SavedText(*fromCrlf.profile), SavedText(*fromLf.profile));
    EXPECT_STREQ(fromLf.profile->GetHeader(), fromCrlf.profile->GetHeader());
    EXPECT_STREQ(fromLf.profile->GetSectionComment("A"), " section comment\n\n");
    EXPECT_EQ(StringOf(*fromLf.profile, "A", "Path"), "C:\\x\\");
    EXPECT_STREQ(fromLf.profile->GetEntryComment("A", "Long"), " comment\n");
}

struct LineCase {
    const char* text;
    int result;
    const char* section;
    const char* entry;
    const char* value; // null: the entry must be missing
};

const LineCase kLineCases[] = {
    {"[S]\nname = v\n", 0, "S", "name ", "v"},
    {"[S]\nname = v\n", 0, "S", "name", nullptr},
    {"[S]\nempty=\n", 0, "S", "empty", ""},
    {"[S]\nb=1\n=x\nc=2\n", -2, "S", "b", "1"},
    {"[S]\nb=1\n=x\nc=2\n", -2, "S", "c", nullptr},
    {"a=1\n[S]\n", -2, "S", "a", nullptr},
    {"[Open\nk=v\n", 0, "Open", "k", "v"},
    {"[ ]\n", -2, " ", "k", nullptr},
    {"[S]\nk=v\t; word\n", 0, "S", "k", "v"},
    {"[S]\nk=a\\;b\n", 0, "S", "k", "a\\;b"},
    {"[S] ; note\nk=v\n", 0, "S", "k", "v"},
    {"[S]\nk=;c\n", -2, "S", "k", nullptr},
    {"[S]\nk=v\\\n  continued\n", 0, "S", "k", "v  continued"},
    {"\n\n\n[S]\n\n\nk=v\n", 0, "S", "k", "v"},
    {"[S]\nk=v", 0, "S", "k", "v"},
    {"[S]\n[S]\nk=1\n", 0, "S", "k", "1"},
    {"[S]\nk\n", -2, "S", "k", nullptr},
    {"[S]\n\tk=\t v \t\n", 0, "S", "k", "v"},
    {"[S]\r\nk=v\r\n", 0, "S", "k", "v"},
};

TEST(ProfileRead, LinesAreClassifiedBySectionEntryCommentAndBlank)
{
    for (const LineCase& c : kLineCases) {
        Loaded loaded = LoadedFrom(c.text);
        EXPECT_EQ(loaded.result, c.result) << c.text;
        LPCSTR value = loaded.profile->GetValue(c.section, c.entry);
        if (c.value)
            EXPECT_STREQ(value, c.value) << c.text;
        else
            EXPECT_EQ(value, nullptr) << c.text;
        EXPECT_FALSE(loaded.profile->IsModified()) << c.text;
    }
}

TEST(ProfileRead, CommentsAttachToTheSectionBeforeThemOrFormTheHeader)
{
    Loaded loaded = LoadedFrom("; head\n\n[S]\n; first\n; second\nk=v\t; entry\n[T]\n");
    ASSERT_EQ(loaded.result, 0);
    EXPECT_STREQ(loaded.profile->GetHeader(), " head\n\n");
    EXPECT_STREQ(loaded.profile->GetSectionComment("S"), " first\n\n second\n\n");
    EXPECT_STREQ(loaded.profile->GetEntryComment("S", "k"), " entry\n");
    EXPECT_STREQ(loaded.profile->GetSectionComment("T"), "");
}

TEST(ProfileRoundTrip, CommentsComeBackAsTheReaderReadsThem)
{
    CProfile profile;
    profile.SetHeader("; Kestrelon storyboard\n; made by a test");
    const std::string longComment = "; long " + std::string(1200, 'c');
    profile.SetSection("S", longComment.c_str());
    profile.SetValue("S", "Key", "v", "why it is v");
    profile.SetValue("S", "Path", "C:\\x\\", "ends in a backslash\\");
    profile.SetInt("S", "After", 3);
    std::unique_ptr<CProfile> back = RoundTripped(profile);
    // A comment line reads as its text after ';' with its line end and one
    // newline more.
    EXPECT_STREQ(back->GetHeader(), " Kestrelon storyboard\n\n made by a test\n\n");
    EXPECT_EQ(back->GetSectionComment("S"), " long " + std::string(1200, 'c') + "\n\n");
    EXPECT_STREQ(back->GetEntryComment("S", "Key"), " why it is v\n");
    EXPECT_STREQ(back->GetValue("S", "Path"), "C:\\x\\");
    EXPECT_STREQ(back->GetEntryComment("S", "Path"), " ends in a backslash\\ \n");
    EXPECT_EQ(back->GetInt("S", "After"), 3);
}

TEST(ProfileRoundTrip, CommentsReadFromAFileDoNotSwallowTheNextSection)
{
    // A comment read from a file ends in its line end; at some lengths the
    // wrapped line would leave that line end on a segment of its own.
    for (size_t length = 60; length < 170; ++length) {
        Loaded loaded = LoadedFrom("[A]\nk=v\t;" + std::string(length, 'c') + "\n[B]\nx=1\n");
        ASSERT_EQ(loaded.result, 0);
        std::unique_ptr<CProfile> back = RoundTripped(*loaded.profile);
        EXPECT_EQ(back->GetInt("B", "x"), 1) << length;
        EXPECT_EQ(back->GetValue("A", "k"), std::string("v")) << length;
    }
}

TEST(ProfileRoundTrip, ReSavingALoadedFileKeepsItsCommentsAsComments)
{
    // Comments lose their ';' on reading; saving them again must not turn
    // them into malformed lines or sections.
    Loaded loaded = LoadedFrom("; head [Not a section]\n[S]\n; [Fake]\n; note\nk=v\n[T]\nx=1\n");
    ASSERT_EQ(loaded.result, 0);
    for (int generation = 0; generation < 3; ++generation) {
        std::unique_ptr<CProfile> back = RoundTripped(*loaded.profile);
        EXPECT_STREQ(back->GetValue("S", "k"), "v");
        EXPECT_EQ(back->GetInt("T", "x"), 1);
        EXPECT_EQ(back->GetValue("Fake", "k"), nullptr) << "a comment became a section";
        loaded.profile = std::move(back);
    }
}

TEST(ProfileRead, TheEmptyLineThatEndsASavedFileIsNoComment)
{
    CProfile withSections;
    withSections.SetInt("S", "k", 1);
    withSections.SetInt("Last", "k", 2);
    std::string saved = SavedText(withSections);
    EXPECT_EQ(saved.substr(saved.size() - 4), "\r\n\r\n");
    std::unique_ptr<CProfile> back = RoundTripped(withSections);
    EXPECT_STREQ(back->GetSectionComment("Last"), "");
    EXPECT_STREQ(back->GetSectionComment("S"), "");

    CProfile headerOnly;
    headerOnly.SetHeader("; only");
    EXPECT_STREQ(RoundTripped(headerOnly)->GetHeader(), " only\n\n");
}

TEST(ProfileRoundTrip, CommentsOnEverySectionSurviveSaveAndLoad)
{
    CProfile profile;
    profile.SetHeader("; the header");
    for (const char* name : {"A", "B", "Last"}) {
        profile.SetSection(name, (std::string("; about ") + name).c_str());
        profile.SetInt(name, "k", 1, "an entry");
    }
    std::string first = SavedText(profile);
    std::unique_ptr<CProfile> back = LoadedFrom(first).profile;
    EXPECT_STREQ(back->GetHeader(), " the header\n\n");
    for (const char* name : {"A", "B", "Last"}) {
        EXPECT_EQ(back->GetSectionComment(name), std::string(" about ") + name + "\n\n") << name;
        EXPECT_STREQ(back->GetEntryComment(name, "k"), " an entry\n") << name;
    }
    std::unique_ptr<CProfile> again = LoadedFrom(SavedText(*back)).profile;
    EXPECT_EQ(SavedText(*again), SavedText(*back)) << "a loaded document saves the same every time";
    EXPECT_STREQ(again->GetSectionComment("Last"), " about Last\n\n");
}

TEST(ProfileRead, LongCommentBlocksAreKeptWhole)
{
    std::string block, expected;
    for (int i = 0; i < 50; ++i) {
        std::string text = " comment line " + std::to_string(i) + std::string(40, '-');
        block += ";" + text + "\n";
        expected += text + "\n\n";
    }
    ASSERT_GT(expected.size(), 997u);
    Loaded loaded = LoadedFrom(block + "[S]\n" + block + "k=v\n");
    ASSERT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.profile->GetHeader(), expected);
    EXPECT_EQ(loaded.profile->GetSectionComment("S"), expected);
}

TEST(ProfileRead, UnreadableFilesLeaveTheProfileAsItWas)
{
    TempDir dir;
    std::string oversized = dir.File("huge.sbd");
    std::filesystem::resize_file(dir.Write("huge.sbd", "[S]\n"), CProfile::kMaxFileSize + 1);
    for (const std::string& path : {dir.File("missing.sbd"), dir.Path(), oversized}) {
        CProfile profile;
        profile.SetInt("Keep", "k", 1);
        EXPECT_EQ(profile.Load(path.c_str()), -1) << path;
        EXPECT_EQ(profile.GetInt("Keep", "k"), 1) << path;
        EXPECT_TRUE(profile.IsModified()) << path;
    }
    CProfile profile;
    EXPECT_EQ(profile.Load(nullptr), -1);
}

TEST(ProfileRead, TruncatedFilesKeepWhatWasReadAndStayUsable)
{
    Loaded loaded = LoadedFrom("[S]\nk=v\n[T");
    EXPECT_EQ(loaded.result, -2);
    EXPECT_STREQ(loaded.profile->GetValue("S", "k"), "v");
    EXPECT_FALSE(loaded.profile->HasSection("T"));
    loaded.profile->SetInt("T", "added", 3);
    EXPECT_EQ(RoundTripped(*loaded.profile)->GetInt("T", "added"), 3);
}

TEST(ProfileState, TheModifiedFlagFollowsTheSetters)
{
    CProfile profile;
    EXPECT_FALSE(profile.IsModified());
    profile.SetHeader(nullptr);
    EXPECT_FALSE(profile.IsModified()) << "emptying an empty header changes nothing";
    profile.SetSection("S");
    EXPECT_TRUE(profile.IsModified());
    TempDir dir;
    ASSERT_EQ(profile.Save(dir.File("a.sbd").c_str()), 0);
    EXPECT_FALSE(profile.IsModified());
    profile.SetSection("S");
    EXPECT_FALSE(profile.IsModified()) << "the section exists";
    profile.SetValue("S", "E", nullptr);
    EXPECT_TRUE(profile.IsModified()) << "a new entry";
    profile.Clear();
    EXPECT_FALSE(profile.IsModified());
    profile.SetValue("S", "E", "x");
    ASSERT_EQ(profile.Save(dir.File("a.sbd").c_str()), 0);
    profile.SetValue("S", "E", "x");
    EXPECT_TRUE(profile.IsModified()) << "set again with the same text";
}

TEST(ProfileGetters, MissingEntriesGiveTheDefaults)
{
    CProfile profile;
    profile.SetInt("S", "present", 1);
    EXPECT_EQ(profile.GetValue("S", "absent"), nullptr);
    EXPECT_EQ(profile.GetValue("Absent", "present"), nullptr);
    EXPECT_EQ(profile.GetString("S", "absent"), nullptr);
    EXPECT_EQ(profile.GetInt("S", "absent"), 0);
    EXPECT_EQ(profile.GetBool("S", "absent"), FALSE);
    EXPECT_EQ(profile.GetByte("S", "absent"), 0);
    EXPECT_EQ(profile.GetUnsigned("S", "absent"), 0u);
    EXPECT_EQ(profile.GetHex("S", "absent"), 0u);
    EXPECT_EQ(profile.GetDouble("S", "absent"), 0.0);
    CMediaTime time = profile.GetMediaTime("S", "absent");
    EXPECT_EQ(time.GetTotalUnits(), 0.0);
    EXPECT_EQ(time.m_nUnitsPerSecond, CMediaTime::kMicroseconds);
    EXPECT_EQ(profile.GetPoint("S", "absent"), CGfxPoint(0, 0));
    LOGFONTW font = SampleFont(u"Keep");
    LOGFONTW untouched = font;
    EXPECT_FALSE(profile.GetLogFont("S", "absent", font));
    EXPECT_EQ(std::memcmp(&font, &untouched, sizeof font), 0);
    EXPECT_FALSE(profile.HasEntry("S", "absent"));
    EXPECT_TRUE(profile.HasEntry("S", "present"));
    EXPECT_FALSE(profile.HasEntry(nullptr, "present"));
    EXPECT_EQ(profile.GetValue(nullptr, nullptr), nullptr);
}

TEST(ProfileGetters, NumbersAreReadAsTheRunTimeReadsThem)
{
    struct Case {
        const char* text;
        int asInt;
        DWORD asUnsigned;
        DWORD asHex;
        double asDouble;
    } const cases[] = {
        {"12abc", 12, 12, 0x12ABC, 12.0},
        {"  -5", -5, 0xFFFFFFFBu, 0xFFFFFFFBu, -5.0},
        {"99999999999", INT_MAX, 0xFFFFFFFFu, 0xFFFFFFFFu, 99999999999.0},
        {"0xFF", 0, 0, 255, 0.0},
        {"zz", 0, 0, 0, 0.0},
        {"2.50      ", 2, 2, 0x2, 2.5},
        {"-1e3", -1, 0xFFFFFFFFu, 0xFFFFFE1Du, -1000.0},
        {"+7", 7, 7, 7, 7.0},
    };
    for (const Case& c : cases) {
        CProfile profile;
        profile.SetValue("S", "k", c.text);
        EXPECT_EQ(profile.GetInt("S", "k"), c.asInt) << c.text;
        EXPECT_EQ(profile.GetUnsigned("S", "k"), c.asUnsigned) << c.text;
        EXPECT_EQ(profile.GetHex("S", "k"), c.asHex) << c.text;
        EXPECT_EQ(profile.GetDouble("S", "k"), c.asDouble) << c.text;
        EXPECT_EQ(profile.GetBool("S", "k"), c.asInt != 0) << c.text;
    }
}

// The clipboard's format-129 block: a 4-byte little-endian length and text.
std::string ClipboardBlock()
{
    std::string bytes;
    if (!OpenClipboard(Owner()))
        return bytes;
    if (HGLOBAL block = GetClipboardData(CF_DSPTEXT)) {
        bytes.assign(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return bytes;
}

void PutOnClipboard(UINT format, const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!bytes.empty()) {
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    ASSERT_TRUE(OpenClipboard(Owner()));
    EmptyClipboard();
    SetClipboardData(format, block);
    CloseClipboard();
}

void EmptyTheClipboard()
{
    ASSERT_TRUE(OpenClipboard(Owner()));
    EmptyClipboard();
    CloseClipboard();
}

std::string LengthPrefixed(const std::string& text, DWORD length)
{
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>(length >> (8 * i));
    return bytes + text;
}

void FillSample(CProfile& profile)
{
    profile.SetHeader("; Clips");
    profile.SetString("Scene1", "Name", "a;b");
    profile.SetString("Scene1", "Folder", "C:\\Media\\");
    profile.SetMediaTime("Scene1", "Length", CMediaTime(0, 0, 5));
    profile.SetInt("Transition2", "Kind", 17);
}

TEST(ProfileClipboard, CopyPutsTheSavedTextBehindItsLength)
{
    EmptyTheClipboard();
    CProfile profile;
    FillSample(profile);
    std::string saved = SavedText(profile);
    profile.SetInt("Transition2", "Kind", 17);
    ASSERT_TRUE(profile.IsModified());
    ASSERT_TRUE(profile.CopyToClipboard(Owner()));
    EXPECT_TRUE(profile.IsModified()) << "copying is no save";
    EXPECT_TRUE(profile.IsClipboardAvailable(Owner()));
    EXPECT_EQ(ClipboardBlock(), LengthPrefixed(saved, static_cast<DWORD>(saved.size())));
}

TEST(ProfileClipboard, PasteReadsACopiedProfile)
{
    CProfile source;
    FillSample(source);
    ASSERT_TRUE(source.CopyToClipboard(Owner()));
    CProfile target;
    target.SetInt("Old", "k", 1);
    ASSERT_TRUE(target.PasteFromClipboard(Owner()));
    EXPECT_FALSE(target.HasSection("Old")) << "pasting replaces the content";
    EXPECT_FALSE(target.IsModified());
    EXPECT_EQ(StringOf(target, "Scene1", "Name"), "a;b");
    EXPECT_EQ(StringOf(target, "Scene1", "Folder"), "C:\\Media\\");
    EXPECT_EQ(target.GetMediaTime("Scene1", "Length").GetMilliseconds(), 5000);
    EXPECT_EQ(target.GetInt("Transition2", "Kind"), 17);
    EXPECT_TRUE(target.PasteFromClipboard(Owner())) << "the clipboard keeps its data";
}

TEST(ProfileClipboard, PasteWithoutTheFormatLeavesTheProfile)
{
    EmptyTheClipboard();
    CProfile profile;
    profile.SetInt("Keep", "k", 9);
    EXPECT_FALSE(profile.IsClipboardAvailable(Owner()));
    EXPECT_FALSE(profile.PasteFromClipboard(Owner()));
    EXPECT_EQ(profile.GetInt("Keep", "k"), 9);
    PutOnClipboard(CF_TEXT, "[S]\r\nk=1\r\n");
    EXPECT_FALSE(profile.PasteFromClipboard(Owner()));
    EXPECT_EQ(profile.GetInt("Keep", "k"), 9);
}

TEST(ProfileClipboard, ShortForeignOrMalformedBlocksAreRejected)
{
    struct Case {
        const char* what;
        std::string bytes;
    } const cases[] = {
        {"length beyond the block", LengthPrefixed("[S]\r\nk=1\r\n", 4000)},
        {"foreign text without a length", "[S]\r\nk=1\r\n and more foreign text"},
        {"block shorter than a length", std::string("\x01\x00", 2)},
        {"malformed profile text", LengthPrefixed("[S]\r\n=broken\r\n", 14)},
        {"binary data", LengthPrefixed(std::string("\x00\xff\x10[=;\\", 7), 7)},
    };
    for (const Case& c : cases) {
        PutOnClipboard(CF_DSPTEXT, c.bytes);
        CProfile profile;
        profile.SetInt("Keep", "k", 9);
        EXPECT_FALSE(profile.PasteFromClipboard(Owner())) << c.what;
        EXPECT_EQ(profile.GetInt("Keep", "k"), 9) << c.what;
        EXPECT_FALSE(profile.HasSection("S")) << c.what;
    }
}

// Points $TMPDIR at a folder of the test's and makes the current directory
// one that no file can be made in.
class ProfileTemporaryFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("TMPDIR"))
            m_oldTmp = old;
        SetEnvironmentVariableA("TMPDIR", m_temp.Path().c_str());
        m_oldCwd = std::filesystem::current_path();
        std::filesystem::create_directory(m_work.File("gone"));
        std::filesystem::current_path(m_work.File("gone"));
        std::filesystem::remove(m_work.File("gone"));
    }
    void TearDown() override
    {
        std::filesystem::current_path(m_oldCwd);
        SetEnvironmentVariableA("TMPDIR", m_oldTmp.empty() ? nullptr : m_oldTmp.c_str());
    }

    TempDir m_temp;
    TempDir m_work;
    std::string m_oldTmp;
    std::filesystem::path m_oldCwd;
};

TEST_F(ProfileTemporaryFolderTest, ClipboardCopyAndPasteUseTheTemporaryFolder)
{
    CProfile source;
    FillSample(source);
    EXPECT_TRUE(source.CopyToClipboard(Owner())) << "the current directory cannot hold a file";
    CProfile target;
    EXPECT_TRUE(target.PasteFromClipboard(Owner()));
    EXPECT_EQ(target.GetInt("Transition2", "Kind"), 17);
    EXPECT_TRUE(std::filesystem::is_empty(m_temp.Path())) << "the temporary files were deleted";
}

} // namespace
