#include <filesystem>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "Platform/Mfc/Mfc.h"
#include "tests/support/TempDir.h"

using testing_support::TempDir;

namespace {

// A folder with three files and a sub-folder.
void MakeSampleFolder(const TempDir& dir)
{
    dir.Write("a.txt", "1");
    dir.Write("b.txt", "22");
    dir.Write("c.dat", "333");
    std::filesystem::create_directory(dir.File("sub"));
}

// Runs MFC's loop over `pattern` and counts how often each name is current.
std::map<std::string, int> VisitCounts(const char* pattern)
{
    std::map<std::string, int> seen;
    CFileFind find;
    BOOL more = find.FindFile(pattern);
    while (more) {
        more = find.FindNextFile();
        ++seen[static_cast<LPCSTR>(find.GetFileName())];
    }
    return seen;
}

} // namespace

TEST(MfcFileFind, LoopVisitsEveryEntryExactlyOnce)
{
    TempDir dir;
    MakeSampleFolder(dir);
    struct Case {
        std::string pattern;
        std::map<std::string, int> expected;
    };
    const Case cases[] = {
        {dir.File("*"), {{".", 1}, {"..", 1}, {"a.txt", 1}, {"b.txt", 1}, {"c.dat", 1}, {"sub", 1}}},
        {dir.File("*.*"), {{".", 1}, {"..", 1}, {"a.txt", 1}, {"b.txt", 1}, {"c.dat", 1}, {"sub", 1}}},
        {dir.File("*.txt"), {{"a.txt", 1}, {"b.txt", 1}}},
        {dir.File("c.dat"), {{"c.dat", 1}}},
        {dir.File("*.none"), {}},
        {dir.File("missing/*"), {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VisitCounts(c.pattern.c_str()), c.expected) << c.pattern;
}

TEST(MfcFileFind, FindNextFileReportsWhetherMoreFollow)
{
    TempDir dir;
    dir.Write("only.bin", "x");
    CFileFind find;
    ASSERT_TRUE(find.FindFile(dir.File("only.bin").c_str()));
    EXPECT_FALSE(find.FindNextFile()); // the single entry is current, none follow
    EXPECT_STREQ(find.GetFileName(), "only.bin");
    EXPECT_FALSE(find.FindNextFile()); // stays on the last entry
    EXPECT_STREQ(find.GetFileName(), "only.bin");
    find.Close();
    EXPECT_FALSE(find.FindNextFile());
}

TEST(MfcFileFind, EntryDescribesTheFoundFile)
{
    TempDir dir;
    MakeSampleFolder(dir);
    CFileFind find;
    ASSERT_TRUE(find.FindFile(dir.File("*").c_str()));
    EXPECT_STREQ(find.GetRoot(), dir.Path().c_str());
    std::map<std::string, int> checked;
    BOOL more = TRUE;
    while (more) {
        more = find.FindNextFile();
        std::string name = static_cast<LPCSTR>(find.GetFileName());
        EXPECT_STREQ(find.GetFilePath(), dir.File(name).c_str());
        EXPECT_EQ(find.IsDots(), name == "." || name == "..") << name;
        if (name == "sub" || find.IsDots()) {
            EXPECT_TRUE(find.IsDirectory()) << name;
        } else {
            EXPECT_FALSE(find.IsDirectory()) << name;
            EXPECT_EQ(find.GetLength(), name == "a.txt" ? 1u : name == "b.txt" ? 2u : 3u) << name;
            EXPECT_TRUE(find.MatchesMask(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE |
                                         FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_READONLY))
                << name;
            EXPECT_FALSE(find.IsHidden()) << name;
        }
        if (name == "c.dat") {
            EXPECT_STREQ(find.GetFileTitle(), "c");
        }
        FILETIME written{};
        CTime writtenTime;
        EXPECT_TRUE(find.GetLastWriteTime(&written)) << name;
        EXPECT_TRUE(find.GetLastWriteTime(writtenTime)) << name;
        EXPECT_EQ(CTime(written), writtenTime) << name;
        CTimeSpan age = CTime::GetCurrentTime() - writtenTime;
        if (!find.IsDots()) {
            EXPECT_LT(age.GetTotalSeconds() < 0 ? -age.GetTotalSeconds() : age.GetTotalSeconds(), 24 * 3600) << name;
        }
        EXPECT_TRUE(find.GetCreationTime(writtenTime));
        EXPECT_TRUE(find.GetLastAccessTime(writtenTime));
        ++checked[name];
    }
    EXPECT_EQ(checked.size(), 6u);
}

TEST(MfcFileFind, NullNameSearchesTheCurrentFolder)
{
    TempDir dir;
    MakeSampleFolder(dir);
    char previous[4096];
    ASSERT_GT(GetCurrentDirectoryA(sizeof previous, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().c_str()));
    std::map<std::string, int> seen = VisitCounts(nullptr);
    CFileFind find;
    ASSERT_TRUE(find.FindFile("sub/../*.txt"));
    find.FindNextFile();
    CString root = find.GetRoot();
    CString path = find.GetFilePath();
    SetCurrentDirectoryA(previous);

    EXPECT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen["a.txt"], 1);
    EXPECT_STREQ(root, dir.Path().c_str());
    EXPECT_EQ(path.Left(static_cast<int>(dir.Path().size()) + 1), CString((dir.Path() + "/").c_str()));
}

TEST(MfcFileFind, MissingFolderFindsNothing)
{
    TempDir dir;
    CFileFind find;
    EXPECT_FALSE(find.FindFile(dir.File("nowhere/*.*").c_str()));
    EXPECT_FALSE(find.FindNextFile());
}

#ifdef NDEBUG
TEST(MfcFileFind, QuestionsBeforeTheFirstEntryAnswerEmpty)
{
    TempDir dir;
    dir.Write("a.txt", "1");
    CFileFind find;
    EXPECT_TRUE(find.GetFileName().IsEmpty());
    ASSERT_TRUE(find.FindFile(dir.File("*.txt").c_str()));
    EXPECT_TRUE(find.GetFileName().IsEmpty());
    EXPECT_EQ(find.GetLength(), 0u);
    EXPECT_FALSE(find.IsDirectory());
    FILETIME time;
    EXPECT_FALSE(find.GetLastWriteTime(&time));
}
#else
TEST(MfcFileFindDeathTest, QuestionsBeforeTheFirstEntryAssertInDebug)
{
    CFileFind find;
    EXPECT_DEATH(find.GetFileName(), "Assertion failed");
}
#endif
