#include "Win32/Utils/SafeSave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/System.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

// The names in `dir`, so that a test can see no temporary file was left.
std::vector<std::string> NamesIn(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    return names;
}

BOOL WriteText(CSafeSave& save, const std::string& text) { return save.Write(text.data(), text.size()); }

TEST(SafeSave, SaveFileSafelyReplacesTheWholeFile)
{
    TempDir dir;
    std::string path = dir.Write("doc.sbd", std::string(5000, 'z'));
    const std::string text = "new content";
    ASSERT_TRUE(SaveFileSafely(path.c_str(), text.data(), text.size()));
    EXPECT_EQ(ReadFile(path), text);
    EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"doc.sbd"});
}

TEST(SafeSave, SaveFileSafelyCreatesAMissingFile)
{
    TempDir dir;
    std::string path = dir.File("new.bin");
    ASSERT_TRUE(SaveFileSafely(path.c_str(), "", 0));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(ReadFile(path), "");
}

TEST(SafeSave, InterleavedSavesOfOneFileBothSucceedAndTheLastCommitWins)
{
    TempDir dir;
    std::string path = dir.Write("doc.sbd", "old");
    CSafeSave a;
    CSafeSave b;
    ASSERT_TRUE(a.Begin(path.c_str()));
    ASSERT_TRUE(b.Begin(path.c_str()));
    EXPECT_NE(a.GetTempPath(), b.GetTempPath());
    EXPECT_TRUE(WriteText(a, "from A"));
    EXPECT_TRUE(WriteText(b, "from B"));
    EXPECT_EQ(ReadFile(path), "old") << "nothing shows before a commit";

    EXPECT_TRUE(a.Commit());
    EXPECT_EQ(ReadFile(path), "from A");
    EXPECT_TRUE(b.Commit());
    EXPECT_EQ(ReadFile(path), "from B");
    EXPECT_EQ(b.GetError(), ERROR_SUCCESS);
    EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"doc.sbd"});
}

TEST(SafeSave, AFailedCommitLeavesTheOldFileAndNoTemporaryFile)
{
    TempDir dir;
    std::string path = dir.Write("doc.sbd", "old");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    CSafeSave save;
    ASSERT_TRUE(save.Begin(path.c_str()));
    EXPECT_TRUE(WriteText(save, "new"));
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(save.Commit());
    EXPECT_EQ(save.GetError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(save.IsOpen());
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"doc.sbd"});
    EXPECT_FALSE(SaveFileSafely(path.c_str(), "new", 3));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"doc.sbd"});
}

TEST(SafeSave, AnAbandonedSaveLeavesTheOldFileAndNoTemporaryFile)
{
    TempDir dir;
    std::string path = dir.Write("doc.sbd", "old");
    {
        CSafeSave dropped;
        ASSERT_TRUE(dropped.Begin(path.c_str()));
        EXPECT_TRUE(WriteText(dropped, "never committed"));
    }
    CSafeSave abandoned;
    ASSERT_TRUE(abandoned.Begin(path.c_str()));
    EXPECT_TRUE(WriteText(abandoned, "never committed"));
    abandoned.Abandon();
    EXPECT_FALSE(abandoned.Commit()) << "nothing is open after Abandon";
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"doc.sbd"});
}

TEST(SafeSave, ASaveThatCannotStartReportsWhy)
{
    TempDir dir;
    struct Case {
        std::string path;
        DWORD error;
    };
    const Case cases[] = {
        {dir.File("no/such/folder/doc.sbd"), ERROR_PATH_NOT_FOUND},
        {"", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        CSafeSave save;
        EXPECT_FALSE(save.Begin(c.path.c_str())) << c.path;
        EXPECT_EQ(save.GetError(), c.error) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
        EXPECT_FALSE(save.IsOpen()) << c.path;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// What a save killed before its commit leaves: a temporary file of a
// process that has ended.
std::string TempName(const std::string& target, const std::string& process, const std::string& number)
{
    return target + ".~" + process + "-" + number + ".tmp";
}

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
    return text;
}

// No process has an id this large.
constexpr char kEndedProcess[] = "7ffffffe";

TEST(SafeSave, TemporaryFilesOfKilledSavesOfTheTargetAreRemovedByTheNextSave)
{
    TempDir dir;
    std::string path = dir.Write("doc.sbd", "old");
    const std::string own = Hex(GetCurrentProcessId());
    dir.Write(TempName("doc.sbd", kEndedProcess, "0"), "half written");
    dir.Write(TempName("doc.sbd", kEndedProcess, "1f"), "");
    dir.Write(TempName("doc.sbd", own, "fffffff0"), "left by an earlier run of this process id");
    // Other files, and the saves of a process still running, stay.
    const std::vector<std::string> kept = {
        "doc.sbd",
        TempName("doc.sbd", "1", "2"),
        TempName("other.sbd", kEndedProcess, "0"),
        "doc.sbd.~notes.tmp",
        "doc.sbd.~7ffffffe-0.tmp.bak",
        "doc.sbd.bak",
    };
    for (const std::string& name : kept)
        if (name != "doc.sbd")
            dir.Write(name, "keep");

    ASSERT_TRUE(SaveFileSafely(path.c_str(), "new", 3));
    EXPECT_EQ(ReadFile(path), "new");
    std::vector<std::string> names = NamesIn(dir);
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = kept;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

TEST(SafeSave, ASaveStillOpenKeepsItsTemporaryFileWhileTheSameFileIsSavedAgain)
{
    TempDir dir;
    std::string path = dir.Write("doc.sbd", "old");
    CSafeSave open;
    ASSERT_TRUE(open.Begin(path.c_str()));
    EXPECT_TRUE(WriteText(open, "from the open save"));
    ASSERT_TRUE(SaveFileSafely(path.c_str(), "between", 7));
    EXPECT_EQ(ReadFile(path), "between");
    EXPECT_TRUE(std::filesystem::exists(open.GetTempPath()));
    EXPECT_TRUE(open.Commit());
    EXPECT_EQ(ReadFile(path), "from the open save");
    EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"doc.sbd"});
}

TEST(SafeSave, TheTemporaryFileLiesBesideTheTarget)
{
    TempDir dir;
    std::string path = dir.File("doc.sbd");
    CSafeSave save;
    ASSERT_TRUE(save.Begin(path.c_str()));
    EXPECT_EQ(std::filesystem::path(save.GetTempPath()).parent_path(), std::filesystem::path(dir.Path()));
    EXPECT_TRUE(std::filesystem::exists(save.GetTempPath()));
    EXPECT_NE(save.GetHandle(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(std::filesystem::exists(path)) << "the target is not touched before the commit";
}

} // namespace
