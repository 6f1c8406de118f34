#include "Win32/Utils/FileUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <locale>
#include <stdexcept>
#include <string>

#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/System.h"
#include "tests/support/TempDir.h"

using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

struct PathCase {
    const char* base;
    const char* path;
    const char* expected;
};

std::string Relative(const char* base, const char* path)
{
    CString text(path);
    MakeRelativePath(base, text);
    return std::string(text);
}

std::string Resolved(const char* base, const char* path)
{
    CString text(path);
    ResolveRelativePath(base, text);
    return std::string(text);
}

// Sets LC_ALL, which the platform reads as the user's locale, for the life
// of the object.
class UserLocaleOverride {
public:
    explicit UserLocaleOverride(const char* name)
    {
        if (const char* old = std::getenv("LC_ALL")) {
            m_previous = old;
            m_hadPrevious = true;
        }
        SetEnvironmentVariableA("LC_ALL", name);
    }
    ~UserLocaleOverride() { SetEnvironmentVariableA("LC_ALL", m_hadPrevious ? m_previous.c_str() : nullptr); }
    UserLocaleOverride(const UserLocaleOverride&) = delete;
    UserLocaleOverride& operator=(const UserLocaleOverride&) = delete;

private:
    std::string m_previous;
    bool m_hadPrevious = false;
};

// The first installed locale whose decimal separator is a comma, or null.
const char* InstalledCommaLocale()
{
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8"}) {
        try {
            if (std::use_facet<std::numpunct<char>>(std::locale(name)).decimal_point() == ',')
                return name;
        } catch (const std::runtime_error&) {
            // Not installed.
        }
    }
    return nullptr;
}

std::string Localized(const char* text, char separator)
{
    CString value(text);
    LocalizeDecimalPointStr(value, separator);
    return std::string(value);
}

std::string LocalizedBuffer(const char* text, char separator)
{
    std::string buffer(text);
    LocalizeDecimalPoint(buffer.data(), separator);
    return buffer;
}

std::string Delocalized(const char* text, char separator)
{
    CString value(text);
    DelocalizeDecimalPoint(value, separator);
    return std::string(value);
}

std::string ReadOnlyFileIn(const TempDir& dir, const std::string& name)
{
    std::string path = dir.Write(name, "kept");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    return path;
}

} // namespace

TEST(FileUtilsPaths, MakeRelativePathRewritesPathsBelowTheBasesTopFolder)
{
    const PathCase cases[] = {
        {"/Clips/Stories/", "/Clips/Stories/a.avi", "$\\a.avi"},
        {"/Clips/Stories/", "/Clips/a.avi", "$\\..\\a.avi"},
        {"/Clips/Stories/Deep/", "/Clips/a.avi", "$\\..\\..\\a.avi"},
        {"/Clips/Stories/", "/Clips/Stories/media/b c.avi", "$\\media\\b c.avi"},
        {"/Clips/Stories/", "/Clips/Other/a.avi", "$\\..\\Other\\a.avi"},
        {"/Clips/Stories/", "/Clips/StoriesOld/a.avi", "$\\..\\StoriesOld\\a.avi"},
        {"/Clips/Stories/", "/Clips/Stories", "$\\..\\Stories"},
        {"/Clips/", "/Clips/a.avi", "$\\a.avi"},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(Relative(c.base, c.path), c.expected) << c.base << " + " << c.path;
}

TEST(FileUtilsPaths, MakeRelativePathKeepsPathsOutsideTheBasesTopFolder)
{
    // The top-level folder stands for the drive: another one, a file lying
    // in "/" itself, or a stored Windows path stays absolute.
    const PathCase cases[] = {
        {"/Clips/Stories/", "/Media/a.avi", "/Media/a.avi"},
        {"/Clips/Stories/", "/a.avi", "/a.avi"},
        {"/Clips/Stories/", "C:\\Clips\\Stories\\a.avi", "C:\\Clips\\Stories\\a.avi"},
        {"/Clips/Stories/", "a.avi", "a.avi"},
        {"/Clips/Stories/", "", ""},
        {"/", "/Clips/a.avi", "/Clips/a.avi"},
        {"", "/Clips/a.avi", "/Clips/a.avi"},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(Relative(c.base, c.path), c.expected) << c.base << " + " << c.path;
}

TEST(FileUtilsPaths, MakeRelativePathComparesFolderNamesWithCase)
{
    EXPECT_EQ(Relative("/Clips/Stories/", "/clips/Stories/a.avi"), "/clips/Stories/a.avi");
    EXPECT_EQ(Relative("/Clips/Stories/", "/Clips/stories/a.avi"), "$\\..\\stories\\a.avi");
}

TEST(FileUtilsPaths, MakeRelativePathEndsForBasesWithoutTrailingOrWithDoubledSeparators)
{
    const PathCase cases[] = {
        {"/Clips/Stories", "/Clips/a.avi", "$\\..\\a.avi"},
        {"/Clips/Stories", "/Clips/Stories/a.avi", "$\\a.avi"},
        {"/Clips//Stories/", "/Clips/a.avi", "$\\..\\a.avi"},
        {"//Clips/Stories//", "/Clips/Stories/x/a.avi", "$\\x\\a.avi"},
        {"/Clips", "/Clips/a.avi", "$\\a.avi"},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(Relative(c.base, c.path), c.expected) << c.base << " + " << c.path;
}

TEST(FileUtilsPaths, NullBaseLeavesThePathAlone)
{
    CString path("/Clips/a.avi");
    MakeRelativePath(nullptr, path);
    EXPECT_EQ(std::string(path), "/Clips/a.avi");
    CString stored("$\\a.avi");
    ResolveRelativePath(nullptr, stored);
    EXPECT_EQ(std::string(stored), "$\\a.avi");
}

TEST(FileUtilsPaths, ResolveRelativePathGivesNativePathsBelowTheBase)
{
    const PathCase cases[] = {
        {"/Clips/Stories/", "$\\a.avi", "/Clips/Stories/a.avi"},
        {"/Clips/Stories/", "$\\..\\a.avi", "/Clips/a.avi"},
        {"/Clips/Stories/", "$/../a.avi", "/Clips/a.avi"},
        {"/Clips/Stories/", "$\\..\\media\\clip.avi", "/Clips/media/clip.avi"},
        {"/Clips/Stories", "$\\media\\b.avi", "/Clips/Stories/media/b.avi"},
        {"/Clips/Stories//", "$\\..\\a.avi", "/Clips/a.avi"},
        {"/", "$\\x.avi", "/x.avi"},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(Resolved(c.base, c.path), c.expected) << c.base << " + " << c.path;
}

TEST(FileUtilsPaths, SurplusParentStepsStopAtTheRoot)
{
    EXPECT_EQ(Resolved("/A/", "$\\..\\..\\..\\x.avi"), "/x.avi");
    EXPECT_EQ(Resolved("/A/B/", "$\\..\\..\\..\\..\\x.avi"), "/x.avi");
    // Above the base's first folder, and ".." inside an absolute base.
    EXPECT_EQ(Resolved("/A/B/", "$\\..\\..\\x.avi"), "/x.avi");
    EXPECT_EQ(Resolved("/A/B/../C/", "$\\..\\x.avi"), "/A/x.avi");
    EXPECT_EQ(Resolved("/", "$\\..\\x.avi"), "/x.avi");
}

// A document opened by a relative name resolves its media against the
// folder it really lies in: the base is made absolute against the current
// folder, and ".." climbs above the folders the name shows.
TEST(FileUtilsPaths, ARelativeBaseIsTakenFromTheCurrentFolder)
{
    TempDir dir;
    std::filesystem::create_directories(dir.File("project/out"));
    char previous[4096] = {};
    ASSERT_GT(GetCurrentDirectoryA(sizeof previous, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.File("project").c_str()));
    const std::string project = std::filesystem::current_path().string();
    const std::string above = std::filesystem::path(project).parent_path().string();
    struct Case {
        const char* base;
        const char* path;
        std::string expected;
    };
    const Case cases[] = {
        {"out/", "$\\..\\media\\clip.avi", project + "/media/clip.avi"},
        {"out", "$\\clip.avi", project + "/out/clip.avi"},
        {"./out/", "$\\..\\media\\clip.avi", project + "/media/clip.avi"},
        {"out/../out/", "$\\..\\media\\clip.avi", project + "/media/clip.avi"},
        {"out/", "$\\..\\..\\x.avi", above + "/x.avi"},
        {"out/", "$\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\x.avi", "/x.avi"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Resolved(c.base, c.path), c.expected) << c.base << " + " << c.path;
    SetCurrentDirectoryA(previous);
}

TEST(FileUtilsPaths, ResolveRelativePathKeepsEveryOtherPath)
{
    const PathCase cases[] = {
        {"/Clips/", "C:\\Clips\\a.avi", "C:\\Clips\\a.avi"},
        {"/Clips/", "\\\\server\\share\\a.avi", "\\\\server\\share\\a.avi"},
        {"/Clips/", "/Media/a.avi", "/Media/a.avi"},
        {"/Clips/", "$a.avi", "$a.avi"},
        {"/Clips/", "a$\\b.avi", "a$\\b.avi"},
        {"/Clips/", "", ""},
        {"", "$\\a.avi", "$\\a.avi"},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(Resolved(c.base, c.path), c.expected) << c.base << " + " << c.path;
}

TEST(FileUtilsPaths, RelativeThenResolvedGivesThePathBack)
{
    const PathCase cases[] = {
        {"/Clips/Stories/", "/Clips/Stories/a.avi", nullptr},
        {"/Clips/Stories/", "/Clips/a.avi", nullptr},
        {"/Clips/Stories/Deep/", "/Clips/Other/media/a b.avi", nullptr},
        {"/Clips/Stories", "/Clips/a.avi", nullptr},
        {"/Clips/", "/Clips/x/y/z.wav", nullptr},
    };
    for (const PathCase& c : cases) {
        std::string stored = Relative(c.base, c.path);
        ASSERT_EQ(stored.rfind("$\\", 0), 0u) << c.path;
        EXPECT_EQ(stored.find('/'), std::string::npos) << "stored form uses backslashes: " << stored;
        EXPECT_EQ(Resolved(c.base, stored.c_str()), c.path) << c.base << " + " << c.path;
    }
}

TEST(FileUtilsPaths, RoundTripReachesTheSameFileOnDisk)
{
    TempDir dir;
    std::filesystem::create_directories(dir.File("project/stories"));
    std::string media = dir.Write("media.avi", "frames");
    std::string base = dir.File("project/stories/");
    CString path(media.c_str());
    MakeRelativePath(base.c_str(), path);
    EXPECT_EQ(std::string(path), "$\\..\\..\\media.avi");
    ResolveRelativePath(base.c_str(), path);
    EXPECT_TRUE(FileExists(path)) << std::string(path);
}

TEST(FileUtilsPaths, WindowsAbsolutePathsAreRecognised)
{
    for (const char* path : {"C:\\Clips\\a.avi", "d:/clips/a.avi", "C:", "\\\\server\\share\\a.avi"})
        EXPECT_TRUE(IsWindowsAbsolutePath(path)) << path;
    for (const char* path : {"/Clips/a.avi", "$\\..\\a.avi", "a.avi", "1:\\a", "\\a.avi", ""})
        EXPECT_FALSE(IsWindowsAbsolutePath(path)) << path;
    EXPECT_FALSE(IsWindowsAbsolutePath(nullptr));
}

TEST(FileUtilsPaths, StripToFileNameKeepsTheNameAfterTheLastSeparator)
{
    struct Case {
        const char* path;
        const char* expected;
        int position;
    } const cases[] = {
        {"/Clips/Stories/a.avi", "a.avi", 14},
        {"Stories/a.avi", "a.avi", 7},
        {"/Clips/", "", 6},
        {"a.avi", "a.avi", -1},
        {"/a.avi", "/a.avi", 0},
        {"", "", -1},
    };
    for (const Case& c : cases) {
        CString path(c.path);
        EXPECT_EQ(StripToFileName(path), c.position) << c.path;
        EXPECT_EQ(std::string(path), c.expected) << c.path;
    }
}

TEST(FileUtilsPaths, StripToDirectoryKeepsTheFolderWithItsSeparator)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/Clips/Stories/a.avi", "/Clips/Stories/"},
        {"Stories/a.avi", "Stories/"},
        {"/Clips/", "/Clips/"},
        {"a.avi", "a.avi"},
        {"/a.avi", "/a.avi"},
        {"", ""},
    };
    for (const auto& [path, expected] : cases) {
        CString text(path);
        StripToDirectory(text);
        EXPECT_EQ(std::string(text), expected) << path;
    }
}

TEST(FileUtilsFiles, FileSizeByNameReportsSizesPastFourGigabytes)
{
    TempDir dir;
    std::string big = dir.Write("big.avi", "");
    constexpr ULONGLONG kSize = (5ull << 30) + 7;
    std::filesystem::resize_file(big, kSize);
    EXPECT_EQ(GetFileSizeByName(big.c_str()), kSize);
    EXPECT_EQ(GetFileSizeByName(dir.Write("small.avi", "12345").c_str()), 5u);
}

TEST(FileUtilsFiles, FileSizeByNameIsZeroForWhatCannotBeOpened)
{
    TempDir dir;
    EXPECT_EQ(GetFileSizeByName(dir.File("missing.avi").c_str()), 0u);
    EXPECT_EQ(GetFileSizeByName(""), 0u);
    EXPECT_EQ(GetFileSizeByName(nullptr), 0u);
}

TEST(FileUtilsFiles, FileExistsForFilesAndFolders)
{
    TempDir dir;
    std::string file = dir.Write("a.avi", "x");
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_TRUE(FileExistsStr(CString(file.c_str())));
    EXPECT_TRUE(FileExists(dir.Path().c_str()));
    EXPECT_FALSE(FileExists(dir.File("b.avi").c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(nullptr));
}

TEST(FileUtilsFiles, NewFileInAWritableFolderIsWritableAndNotLeftBehind)
{
    TempDir dir;
    std::string name = dir.File("new.avi");
    EXPECT_TRUE(IsPathWritable(name.c_str()));
    EXPECT_FALSE(std::filesystem::exists(name));
}

TEST(FileUtilsFiles, ExistingWritableFileIsWritableAndUntouched)
{
    TempDir dir;
    std::string name = dir.Write("old.avi", "contents");
    EXPECT_TRUE(IsPathWritable(name.c_str()));
    EXPECT_EQ(ReadFile(name), "contents");
}

TEST(FileUtilsFiles, ReadOnlyFileIsNotWritable)
{
    TempDir dir;
    std::string name = ReadOnlyFileIn(dir, "locked.avi");
    EXPECT_FALSE(IsPathWritable(name.c_str()));
    EXPECT_EQ(ReadFile(name), "kept");
}

TEST(FileUtilsFiles, NamesThatCannotBeWrittenAreNotWritable)
{
    TempDir dir;
    EXPECT_FALSE(IsPathWritable(dir.File("no/such/folder/a.avi").c_str()));
    EXPECT_FALSE(IsPathWritable(dir.Path().c_str()));
    EXPECT_FALSE(IsPathWritable(""));
    EXPECT_FALSE(IsPathWritable(nullptr));
}

TEST(FileUtilsFiles, DiskFreeBytesForFoldersAndFilesStillToBeMade)
{
    TempDir dir;
    ULONGLONG folder = 0;
    ASSERT_TRUE(GetDiskFreeBytes(dir.Path().c_str(), &folder));
    EXPECT_GT(folder, 0u);
    ULONGLONG future = 0;
    ASSERT_TRUE(GetDiskFreeBytes(dir.File("captures/Capture000.avi").c_str(), &future));
    EXPECT_GT(future, 0u);
    ULONGLONG current = 0;
    EXPECT_TRUE(GetDiskFreeBytes("", &current));
    EXPECT_FALSE(GetDiskFreeBytes(dir.Path().c_str(), nullptr));
}

TEST(FileUtilsExtensions, ExtensionsAreComparedWithoutCase)
{
    struct Case {
        const char* name;
        BOOL mp2, mp3, cda, mpeg2;
    } const cases[] = {
        {"/a/song.mp2", TRUE, FALSE, FALSE, FALSE},
        {"/a/song.MP3", FALSE, TRUE, FALSE, FALSE},
        {"Track01.cda", FALSE, FALSE, TRUE, FALSE},
        {"movie.m2p", FALSE, FALSE, FALSE, TRUE},
        {"movie.M2S", FALSE, FALSE, FALSE, TRUE},
        {"movie.mpv", FALSE, FALSE, FALSE, TRUE},
        {"movie.Mpeg2", FALSE, FALSE, FALSE, TRUE},
        {"movie.mpg", FALSE, FALSE, FALSE, FALSE},
        {"song.mp3.wav", FALSE, FALSE, FALSE, FALSE},
        {"mp3", FALSE, FALSE, FALSE, FALSE},
        {"song.", FALSE, FALSE, FALSE, FALSE},
        {"", FALSE, FALSE, FALSE, FALSE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsMp2Extension(c.name), c.mp2) << c.name;
        EXPECT_EQ(IsMp3Extension(c.name), c.mp3) << c.name;
        EXPECT_EQ(IsCdaExtension(c.name), c.cda) << c.name;
        EXPECT_EQ(IsMpeg2Extension(c.name), c.mpeg2) << c.name;
    }
    EXPECT_FALSE(IsMp3Extension(nullptr));
}

TEST(FileUtilsParity, EvenAndOddIncludingNegativesAndLimits)
{
    for (int n : {0, 2, -2, 4096, std::numeric_limits<int>::min()}) {
        EXPECT_TRUE(IsEven(n)) << n;
        EXPECT_FALSE(IsOdd(n)) << n;
    }
    for (int n : {1, -1, 3, 4095, std::numeric_limits<int>::max()}) {
        EXPECT_TRUE(IsOdd(n)) << n;
        EXPECT_FALSE(IsEven(n)) << n;
    }
}

TEST(FileUtilsLocale, PointsAfterDigitsBecomeTheSeparator)
{
    const std::pair<const char*, const char*> cases[] = {
        {"2.5", "2,5"},
        {"12.25 and 3.0", "12,25 and 3,0"},
        {"1.2.3", "1,2,3"},
        {".5", ".5"},
        {"a.b", "a.b"},
        {"v.1", "v.1"},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(Localized(text, ','), expected) << text;
        EXPECT_EQ(LocalizedBuffer(text, ','), expected) << text;
    }
}

TEST(FileUtilsLocale, SeparatorsAfterDigitsBecomePoints)
{
    const std::pair<const char*, const char*> cases[] = {
        {"2,5", "2.5"},
        {"12,25 and 3,0", "12.25 and 3.0"},
        {",5", ",5"},
        {"a,b", "a,b"},
        {"2.5", "2.5"},
        {"", ""},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Delocalized(text, ','), expected) << text;
}

TEST(FileUtilsLocale, APointSeparatorChangesNothing)
{
    EXPECT_EQ(Localized("2.5", '.'), "2.5");
    EXPECT_EQ(LocalizedBuffer("2.5", '.'), "2.5");
    EXPECT_EQ(Delocalized("2,5", '.'), "2,5");
    LocalizeDecimalPoint(nullptr, ',');
}

TEST(FileUtilsLocale, TheCLocaleUsesAPoint)
{
    UserLocaleOverride locale("C");
    EXPECT_EQ(GetUserDecimalSeparator(), '.');
    CString text("2.5");
    LocalizeDecimalPointStr(text);
    EXPECT_EQ(std::string(text), "2.5");
}

TEST(FileUtilsLocale, ACommaLocaleLocalisesThroughThePlatform)
{
    const char* name = InstalledCommaLocale();
    if (!name)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    UserLocaleOverride locale(name);
    EXPECT_EQ(GetUserDecimalSeparator(), ',');
    CString text("2.5 s");
    LocalizeDecimalPointStr(text);
    EXPECT_EQ(std::string(text), "2,5 s");
    char buffer[] = "0.75";
    LocalizeDecimalPoint(buffer);
    EXPECT_STREQ(buffer, "0,75");
    DelocalizeDecimalPoint(text);
    EXPECT_EQ(std::string(text), "2.5 s");
}

TEST(FileUtilsDateTime, ShortDateBlankTimeWithoutSeconds)
{
    UserLocaleOverride locale("C");
    CString text;
    FormatDateTime(text, CTime(2004, 3, 7, 14, 5, 9));
    EXPECT_EQ(std::string(text), "03/07/04 14:05");
}

TEST(FileUtilsDateTime, TimesBeyondTheCalendarGiveNoText)
{
    CString text("old");
    FormatDateTime(text, CTime(static_cast<std::time_t>(-400000000000LL)));
    EXPECT_TRUE(text.IsEmpty());
}
