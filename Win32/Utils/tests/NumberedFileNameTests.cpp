#include "Win32/Utils/NumberedFileName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "tests/support/TempDir.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

using testing_support::LoadedResourceModules;
using testing_support::TempDir;

namespace {

std::string Next(const std::string& stem, const char* extension, int& counter, BOOL overwrite)
{
    return std::string(NextNumberedFileName(CString(stem.c_str()), CString(extension), counter, overwrite));
}

std::string Escaped(const std::string& text)
{
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

// The number of a name "<prefix>NNN<suffix>", or -1 when it has another form.
int NumberIn(const std::string& name, const std::string& prefix, const std::string& suffix)
{
    std::smatch match;
    std::regex form(Escaped(prefix) + R"((\d{3}))" + Escaped(suffix));
    if (!std::regex_match(name, match, form))
        return -1;
    return std::stoi(match[1].str());
}

void MakeReadOnly(const std::string& path)
{
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
}

} // namespace

TEST(NumberedFileName, TakenNameIsSkippedAndTheCounterWrapsToZero)
{
    TempDir dir;
    dir.Write("clip998.avi", "taken");
    int counter = 998;
    EXPECT_EQ(Next(dir.File("clip"), ".avi", counter, FALSE), dir.File("clip999.avi"));
    EXPECT_EQ(counter, 0);
}

TEST(NumberedFileName, CounterOutsideTheRangeStartsAtZero)
{
    TempDir dir;
    for (int start : {1000, 5000, -1}) {
        int counter = start;
        EXPECT_EQ(Next(dir.File("clip"), ".avi", counter, FALSE), dir.File("clip000.avi")) << start;
        EXPECT_EQ(counter, 1) << start;
    }
}

TEST(NumberedFileName, OverwriteHandsOutAnExistingWritableName)
{
    TempDir dir;
    dir.Write("clip005.avi", "old");
    int counter = 5;
    EXPECT_EQ(Next(dir.File("clip"), ".avi", counter, TRUE), dir.File("clip005.avi"));
    EXPECT_EQ(counter, 6);
}

TEST(NumberedFileName, OverwriteSkipsAReadOnlyName)
{
    TempDir dir;
    MakeReadOnly(dir.Write("clip005.avi", "old"));
    int counter = 5;
    EXPECT_EQ(Next(dir.File("clip"), ".avi", counter, TRUE), dir.File("clip006.avi"));
    EXPECT_EQ(counter, 7);
}

TEST(NumberedFileName, ThousandUnusableNamesGiveAnEmptyName)
{
    TempDir dir;
    int counter = 123;
    EXPECT_EQ(Next(dir.File("missing/clip"), ".avi", counter, FALSE), "");
    EXPECT_EQ(counter, 123);
}

TEST(NumberedFileName, NothingIsLeftOnDiskByTheSearch)
{
    TempDir dir;
    int counter = 0;
    Next(dir.File("clip"), ".avi", counter, FALSE);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(NumberedFileName, StemIsTheBaseWithoutExtensionInTheFolder)
{
    TempDir dir;
    struct Case {
        std::string folder;
        std::string base;
        std::string expected;
    } const cases[] = {
        {dir.Path() + "/", "Take.xyz", dir.File("Take000.wav")},
        {dir.Path(), "Take", dir.File("Take000.wav")},
        {dir.Path(), "My.Take.avi", dir.File("My.Take000.wav")},
        {dir.Path(), ".hidden", dir.File(".hidden000.wav")},
        {"/nowhere", dir.File("Abs.avi"), dir.File("Abs000.wav")},
        {dir.File("a.b"), "clip", dir.File("a.b/clip000.wav")},
    };
    std::filesystem::create_directories(dir.File("a.b"));
    for (const Case& c : cases) {
        int counter = 0;
        CString name = MakeNumberedFileName(c.folder.c_str(), c.base.c_str(), ".wav", counter, FALSE);
        EXPECT_EQ(std::string(name), c.expected) << c.folder << " + " << c.base;
    }
}

TEST(NumberedFileName, CaptureNamesUseTheModuleTextsAndTheirOwnCounter)
{
    LoadedResourceModules modules(KESTRELON_PROGRAM_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    TempDir dir;
    std::string first(MakeNumberedCaptureFileName(dir.Path().c_str(), "", FALSE));
    int number = NumberIn(first, dir.File("Capture"), ".avi");
    ASSERT_GE(number, 0) << first;
    std::string second(MakeNumberedCaptureFileName(dir.Path().c_str(), "Take", FALSE));
    EXPECT_EQ(NumberIn(second, dir.File("Take"), ".avi"), (number + 1) % 1000) << second;
}

TEST(NumberedFileName, StillImageAndAudioNamesUseTheirExtensions)
{
    LoadedResourceModules modules(KESTRELON_PROGRAM_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    TempDir dir;
    const char* folder = dir.Path().c_str();
    EXPECT_GE(NumberIn(std::string(MakeNumberedStillFileName(folder, "")), dir.File("Capture"), ".bmp"), 0);
    EXPECT_GE(NumberIn(std::string(MakeNumberedImageFileName(folder, "Frame", "")), dir.File("Frame"), ".bmp"), 0);
    EXPECT_GE(NumberIn(std::string(MakeNumberedImageFileName(folder, "Frame", ".png")), dir.File("Frame"), ".png"),
              0);
    EXPECT_GE(NumberIn(std::string(MakeNumberedAudioFileName(folder, "Track", FALSE)), dir.File("Track"), ".wav"),
              0);
}
