// The tree keeps its rooms: every #include points down (or sideways within
// a room), private headers stay private, and third-party and POSIX headers
// stay in the platform rooms that own them.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/layout/LayoutRules.h"
#include "tests/support/TempDir.h"

namespace {

TEST(Layout, EveryIncludeOfTheTreeKeepsTheRooms)
{
    std::vector<layout::Violation> found = layout::CheckTree(KESTRELON_SOURCE_DIR, layout::ProjectRules());
    for (const layout::Violation& violation : found)
        ADD_FAILURE() << layout::Describe(violation);
    EXPECT_TRUE(found.empty());
}

TEST(Layout, TheBuildsRoomsAreTheTablesRows)
{
    std::ifstream in(KESTRELON_LAYOUT_ROOMS);
    ASSERT_TRUE(in) << KESTRELON_LAYOUT_ROOMS;
    std::vector<std::string> built;
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            built.push_back(line);
    for (const std::string& difference : layout::CompareWithBuild(layout::ProjectRules(), built))
        ADD_FAILURE() << difference;
}

// A small tree of its own, so that each rule is seen to fail.
layout::Rules TinyRules()
{
    layout::Rules rules;
    rules.rooms = {
        {"P/Low", {}},
        {"P/High", {"P/Low"}},
        {"P", {"P/High"}},
        {"S", {"P"}, true},
        {"S/Top", {"S"}, true},
    };
    rules.packages = {{"Shown", {"shown/"}, {"P/Low"}, true}, {"Kept", {"kept.h"}, {"P/Low"}, false}};
    rules.hiddenFromSystem = {"P/Low/Inner"};
    rules.testSupport = {"T"};
    return rules;
}

struct Case {
    const char* file;
    const char* text;
    const char* expected; // a part of the message, or "" for none
    int line = 1;
};

void Put(const testing_support::TempDir& top, const std::string& name, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(top.File(name)).parent_path());
    top.Write(name, text);
}

TEST(Layout, EachRuleReportsItsFileAndLine)
{
    const Case cases[] = {
        {"P/High/a.cpp", "#include \"P/Low/x.h\"\n", ""},
        {"P/Low/b.cpp", "// first line\n#include \"P/High/y.h\"\n", "does not stand on", 2},
        {"P/High/c.cpp", "#include \"P/Low/Private/z.h\"\n", "private header"},
        {"P/Low/d.cpp", "#include \"P/Low/Private/z.h\"\n", ""},
        {"P/tests/e.cpp", "#include \"P/Low/Private/z.h\"\n#include <gtest/gtest.h>\n", ""},
        {"S/f.cpp", "#include <unistd.h>\n", "non-standard header <unistd.h>"},
        {"S/g.cpp", "#include <vector>\n#include <emmintrin.h>\n#include \"P/High/y.h\"\n", ""},
        {"S/h.cpp", "#include <shown/api.h>\n", "non-standard header"},
        {"S/i.cpp", "#include \"P/Low/Inner/w.h\"\n", "inner room"},
        {"P/High/j.cpp", "#include <shown/api.h>\n", ""},
        {"P/High/k.cpp", "#include <kept.h>\n", "belongs to other rooms"},
        {"P/Low/l.cpp", "#include <kept.h>\n#include <unistd.h>\n", ""},
        {"P/High/m.cpp", "#include <gtest/gtest.h>\n", "only tests"},
        {"S/n.cpp", "  #  include \"P/Low/x.h\"  // spaces and comments are fine\n", ""},
        {"S/tests/o.cpp", "#include \"T/fixture.h\"\n", ""},
        {"S/p.cpp", "#include \"T/fixture.h\"\n", "only tests"},
        {"S/Top/q.cpp", "#include \"S/v.h\"\n", ""},
        {"S/r.cpp", "#include \"S/Top/t.h\"\n", "does not stand on"},
    };
    for (const Case& c : cases) {
        testing_support::TempDir top;
        for (const char* header :
             {"P/Low/x.h", "P/High/y.h", "P/Low/Private/z.h", "P/Low/Inner/w.h", "T/fixture.h", "S/v.h", "S/Top/t.h"})
            Put(top, header, "");
        Put(top, c.file, c.text);
        std::vector<layout::Violation> found = layout::CheckTree(top.Path(), TinyRules());
        if (*c.expected == '\0') {
            EXPECT_TRUE(found.empty()) << c.file << ": " << (found.empty() ? "" : layout::Describe(found[0]));
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << c.file;
        EXPECT_EQ(found[0].file, c.file);
        EXPECT_EQ(found[0].line, c.line) << c.file;
        EXPECT_NE(found[0].message.find(c.expected), std::string::npos) << layout::Describe(found[0]);
    }
}

TEST(Layout, TheTableAndTheBuildDisagreeingIsReportedRoomByRoom)
{
    const struct {
        std::vector<std::string> built;
        std::vector<std::string> expected; // a part of each message, in order
    } cases[] = {
        {{"P/Low", "P/High", "P", "S", "S/Top"}, {}},
        {{"P/Low", "P/High", "P", "S"}, {"row S/Top is no room"}},
        {{"P/Low", "P/High", "P", "S", "S/Top", "Q"}, {"room Q has no row"}},
        {{"P", "S", "S/Top", "Q"}, {"row P/High is no room", "row P/Low is no room", "room Q has no row"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> found = layout::CompareWithBuild(TinyRules(), c.built);
        ASSERT_EQ(found.size(), c.expected.size()) << (found.empty() ? "" : found[0]);
        for (size_t i = 0; i < found.size(); ++i)
            EXPECT_NE(found[i].find(c.expected[i]), std::string::npos) << found[i];
    }
    layout::Rules twice = TinyRules();
    twice.rooms.push_back({"S", {}});
    std::vector<std::string> found = layout::CompareWithBuild(twice, {"P/Low", "P/High", "P", "S", "S/Top"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find("row S twice"), std::string::npos) << found[0];
}

} // namespace
