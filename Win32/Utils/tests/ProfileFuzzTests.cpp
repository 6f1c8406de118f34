#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "Win32/Utils/Profile.h"
#include "Win32/Utils/tests/ProfileRoundTrip.h"

namespace {

using testing_support::ReadFile;
using profile_test::ReadEverything;
using testing_support::TempDir;

// Runs that want longer fuzzing set KESTRELON_PROFILE_FUZZ_ITERATIONS.
int Iterations(int fallback)
{
    const char* text = std::getenv("KESTRELON_PROFILE_FUZZ_ITERATIONS");
    int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

// Valid profile texts to mutate: what Save writes (CRLF, wrapped lines,
// escapes, comments) and hand-written LF files.
std::vector<std::string> SeedTexts(const TempDir& dir)
{
    CProfile profile;
    profile.SetHeader("; Kestrelon storyboard\n; second line");
    profile.SetSection("Header", "; the header section");
    profile.SetValue("Header", "FileType", "Storyboard");
    profile.SetInt("Header", "Version", 3, "format version");
    profile.SetString("Scene1", "Media", "$\\..\\media\\clip.avi");
    profile.SetString("Scene1", "Folder", "C:\\Media\\");
    profile.SetString("Scene1", "Title", std::string(150, 't').c_str());
    profile.SetString("Scene1", "Words", "a b c d e f g h i j k l m n o p q r s t u v w x y z 1 2 3 4 5 6 7 8 9 0 "
                                         "the quick brown fox jumps over the lazy dog;\n\r\\");
    profile.SetMediaTime("Scene1", "Length", CMediaTime(0, 1, 2, 345000.0));
    profile.SetFloat("Scene1", "Speed", 1.25f);
    profile.SetPoint("Scene1", "Pos", CGfxPoint(-4, 9));
    LOGFONTW font = {};
    font.lfHeight = -21;
    font.lfFaceName[0] = u'A';
    profile.SetLogFont("Text", "Font", font, "font of the title");
    profile.Save(dir.File("seed.sbd").c_str());
    return {
        ReadFile(dir.File("seed.sbd")),
        "; comment\n[S]\nk=v\nname = value ; note\n[T]\nx=1\\\n continued\n\n\n[U\nz=\n",
        "[A]\r\nkey=va\\;lue\t; c\r\n\r\n[B]\r\n",
    };
}

std::string Mutated(const std::vector<std::string>& seeds, std::mt19937& random)
{
    static const char kInteresting[] = {'\\', '\n', '\r', ';', '[', ']', '=', ' ', '\t', '\0', '\x1a', '\xff', 'x'};
    auto pick = [&](size_t n) { return n == 0 ? size_t(0) : std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    std::string text = seeds[pick(seeds.size())];
    int rounds = 1 + static_cast<int>(pick(8));
    for (int r = 0; r < rounds; ++r) {
        size_t at = pick(text.size() + 1);
        switch (pick(8)) {
        case 0: // flip a bit
            if (!text.empty())
                text[pick(text.size())] ^= static_cast<char>(1 << pick(8));
            break;
        case 1: // insert a byte that matters to the format
            text.insert(at, 1, kInteresting[pick(sizeof kInteresting)]);
            break;
        case 2: // insert a random byte
            text.insert(at, 1, static_cast<char>(pick(256)));
            break;
        case 3: // delete a range
            text.erase(at, pick(40));
            break;
        case 4: // duplicate a range
            if (!text.empty()) {
                size_t from = pick(text.size());
                text.insert(at, text.substr(from, pick(200)));
            }
            break;
        case 5: // cut the file short
            text.resize(at);
            break;
        case 6: // splice in part of another seed
        {
            const std::string& other = seeds[pick(seeds.size())];
            size_t from = pick(other.size());
            text.insert(at, other.substr(from, pick(300)));
            break;
        }
        default: // a long run of one byte
            text.insert(at, pick(6000), kInteresting[pick(sizeof kInteresting)]);
            break;
        }
    }
    return text;
}


TEST(ProfileFuzz, MutatedProfilesNeverBreakTheReader)
{
    TempDir dir;
    std::vector<std::string> seeds = SeedTexts(dir);
    std::mt19937 random(20240611);
    const std::string input = dir.File("input.sbd");
    const std::string output = dir.File("output.sbd");
    const int iterations = Iterations(3000);
    for (int i = 0; i < iterations; ++i) {
        std::string text = Mutated(seeds, random);
        dir.Write("input.sbd", text);
        CProfile profile;
        int result = profile.Load(input.c_str());
        ASSERT_TRUE(result == 0 || result == -2) << "input " << i << " gave " << result;
        ReadEverything(profile);
        // The document stays usable: it can be changed, saved and read again.
        profile.SetString("Fuzz", "Value", "C:\\after\\");
        ASSERT_EQ(profile.Save(output.c_str()), 0) << "input " << i;
        CProfile again;
        int reread = again.Load(output.c_str());
        ASSERT_TRUE(reread == 0 || reread == -2) << "input " << i;
        if (reread == 0) {
            LPSTR value = again.GetString("Fuzz", "Value");
            EXPECT_STREQ(value, "C:\\after\\") << "input " << i;
            delete[] value;
        }
    }
}

TEST(ProfileFuzz, RandomStringValuesRoundTrip)
{
    TempDir dir;
    std::mt19937 random(7);
    const std::string path = dir.File("values.sbd");
    const int iterations = Iterations(3000) / 3;
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
    for (int i = 0; i < iterations; ++i) {
        std::string value;
        size_t length = std::uniform_int_distribution<size_t>(0, 400)(random);
        for (size_t k = 0; k < length; ++k) {
            static const char kBytes[] = "\\;\n\r \t[]=#abcXYZ019\xc3\xa9\xff";
            value += kBytes[std::uniform_int_distribution<size_t>(0, sizeof kBytes - 2)(random)];
        }
        // The reader trims blanks around values, so the expected value has none.
        while (!value.empty() && isSpace(value.front()) && value.front() != '\n' && value.front() != '\r')
            value.erase(value.begin());
        while (!value.empty() && isSpace(value.back()) && value.back() != '\n' && value.back() != '\r')
            value.pop_back();
        CProfile profile;
        profile.SetString("S", "V", value.c_str());
        profile.SetInt("S", "Next", i);
        ASSERT_EQ(profile.Save(path.c_str()), 0);
        CProfile back;
        ASSERT_EQ(back.Load(path.c_str()), 0) << "value " << i;
        LPSTR read = back.GetString("S", "V");
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(std::string(read), value) << "value " << i;
        delete[] read;
        EXPECT_EQ(back.GetInt("S", "Next"), i);
    }
}

struct KeptCase {
    const char* what;
    std::string text;
    int result;
    const char* section;
    const char* entry;
    bool present;
    std::string value;
};

std::string Repeated(const char* segment, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += segment;
    return text;
}

// Inputs the fuzzing found worth keeping.
const KeptCase kKeptCases[] = {
    {"empty file", "", 0, "S", "k", false, ""},
    {"a lone backslash", "\\", -2, "S", "k", false, ""},
    {"a continued empty line", "\\\n", 0, "S", "k", false, ""},
    {"an opening bracket", "[", -2, "S", "k", false, ""},
    {"a bracket and a newline", "[\n", -2, "S", "k", false, ""},
    {"only an equals sign", "=", -2, "S", "k", false, ""},
    {"carriage returns only", "\r\r\r", 0, "S", "k", false, ""},
    {"backslash at the end of the file", "[S]\nk=v\\", 0, "S", "k", true, "v\\"},
    {"CRLF continuation at the end", "[S]\nk=v\\\r\n", 0, "S", "k", true, "v"},
    {"NUL inside a value", std::string("[S]\nk=a\0b\n", 10), 0, "S", "k", true, "a"},
    {"a line of 5000 characters", "[S]\nk=" + std::string(5000, 'x') + "\n", 0, "S", "k", true, std::string(5000, 'x')},
    {"backslashes before a name", "[S]\n" + std::string(2000, '\\') + "k=v\n", 0, "S", "k", false, ""},
    {"a thousand continued empty lines", "[S]\n" + Repeated("\\\n", 1000) + "k=v\n", 0, "S", "k", true, "v"},
    {"a comment of 5000 characters", "[S]\n;" + std::string(5000, 'c') + "\nk=1\n", 0, "S", "k", true, "1"},
    {"section name of high bytes", "[\xff\xfe]\nk=1\n", 0, "\xff\xfe", "k", true, "1"},
    {"end-of-file character", "[S]\nk=a\x1a" "b\n", 0, "S", "k", true, "a\x1a" "b"},
    {"name without equals", "[S]\nk\n", -2, "S", "k", false, ""},
    {"bracket inside a name", "[S]\nk[0]=1\n", 0, "S", "k[0]", true, "1"},
    {"a comment inside the brackets", "[S;x]\nk=1\n", -2, "S", "k", false, ""},
};

TEST(ProfileFuzz, KeptInputsReadAsExpected)
{
    for (const KeptCase& c : kKeptCases) {
        TempDir dir;
        CProfile profile;
        int result = profile.Load(dir.Write("kept.sbd", c.text).c_str());
        EXPECT_EQ(result, c.result) << c.what;
        LPCSTR value = profile.GetValue(c.section, c.entry);
        if (c.present)
            EXPECT_EQ(value ? std::string(value) : "<missing>", c.value) << c.what;
        else
            EXPECT_EQ(value, nullptr) << c.what;
        ReadEverything(profile);
        EXPECT_EQ(profile.Save(dir.File("out.sbd").c_str()), 0) << c.what;
    }
}

} // namespace
