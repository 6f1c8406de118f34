#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Win/Kernel/Memory.h"
#include "Platform/Win/Shell/Shell.h"
#include "Platform/Win/Shell/ShellSeams.h"
#include "Platform/Win/User/tests/UserTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace user_test;

// A temporary folder tree, removed afterwards.
class ShellFiles : public testing::Test {
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("kestrelon-shell-" + std::to_string(getpid()) + "-" +
                                              testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root);
    }
    void TearDown() override { fs::remove_all(m_root); }
    std::string Path(const std::string& relative) const { return (m_root / relative).string(); }
    void Write(const std::string& relative, const std::string& text)
    {
        fs::create_directories(fs::path(Path(relative)).parent_path());
        std::ofstream(Path(relative)) << text;
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // A double-NUL list of names.
    static std::string List(std::initializer_list<std::string> names)
    {
        std::string out;
        for (const std::string& n : names)
            out += n + '\0';
        return out + '\0';
    }
    int Run(UINT func, const std::string& from, const std::string& to, FILEOP_FLAGS flags = 0x214)
    {
        SHFILEOPSTRUCTA op{};
        op.wFunc = func;
        op.pFrom = from.c_str();
        op.pTo = to.empty() ? nullptr : to.c_str();
        op.fFlags = flags;
        return SHFileOperationA(&op);
    }
    fs::path m_root;
};

TEST_F(ShellFiles, AFolderIsCopiedAsAChildOfACreatedDestination)
{
    Write("src/Templates/a.txt", "alpha");
    Write("src/Templates/deep/b.txt", "beta");
    const std::string dest = List({Path("new/dest")});
    EXPECT_EQ(Run(FO_COPY, List({Path("src/Templates")}), dest), 0);
    EXPECT_EQ(Read(Path("new/dest/Templates/a.txt")), "alpha");
    EXPECT_EQ(Read(Path("new/dest/Templates/deep/b.txt")), "beta");

    // Several sources go into the destination, files and folders alike.
    Write("src/one.txt", "1");
    Write("src/two.txt", "2");
    EXPECT_EQ(Run(FO_COPY, List({Path("src/one.txt"), Path("src/two.txt")}), List({Path("many")})), 0);
    EXPECT_EQ(Read(Path("many/one.txt")), "1");
    EXPECT_EQ(Read(Path("many/two.txt")), "2");
    // A pattern matches within its folder.
    EXPECT_EQ(Run(FO_COPY, List({Path("src/*.txt")}), List({Path("pattern")})), 0);
    EXPECT_TRUE(fs::exists(Path("pattern/two.txt")));
}

TEST_F(ShellFiles, MissingSourcesAndDestinationsInsideTheSourceFailBeforeCopying)
{
    Write("src/a.txt", "a");
    EXPECT_NE(Run(FO_COPY, List({Path("src/a.txt"), Path("nothing.txt")}), List({Path("out")})), 0);
    EXPECT_FALSE(fs::exists(Path("out"))) << "nothing was copied";
    EXPECT_NE(Run(FO_COPY, List({Path("src")}), List({Path("src/inner")})), 0);
    EXPECT_FALSE(fs::exists(Path("src/inner")));
    EXPECT_NE(Run(FO_COPY, std::string(1, '\0') + '\0', List({Path("out")})), 0) << "an empty list";
    EXPECT_NE(SHFileOperationA(nullptr), 0);
}

TEST_F(ShellFiles, MoveRenameAndDelete)
{
    Write("a/file.txt", "x");
    EXPECT_EQ(Run(FO_MOVE, List({Path("a/file.txt")}), List({Path("b/moved.txt")})), 0);
    EXPECT_EQ(Read(Path("b/moved.txt")), "x");
    EXPECT_FALSE(fs::exists(Path("a/file.txt")));
    EXPECT_EQ(Run(FO_RENAME, List({Path("b/moved.txt")}), List({Path("b/renamed.txt")})), 0);
    EXPECT_TRUE(fs::exists(Path("b/renamed.txt")));
    Write("b/taken.txt", "y");
    EXPECT_NE(Run(FO_RENAME, List({Path("b/renamed.txt")}), List({Path("b/taken.txt")})), 0) << "the name is taken";
    EXPECT_EQ(Run(FO_DELETE, List({Path("b")}), ""), 0);
    EXPECT_FALSE(fs::exists(Path("b")));
}

class ShellFolders : public ShellFiles {
protected:
    void SetUp() override
    {
        ShellFiles::SetUp();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR", "KESTRELON_DATA_DIR"}) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
    }
    void TearDown() override
    {
        for (const auto& [name, value] : m_saved)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        ShellFiles::TearDown();
    }
    static std::string Folder(int csidl)
    {
        char path[MAX_PATH] = {};
        return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "(failed)";
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(ShellFolders, FoldersFollowTheXdgVariables)
{
    setenv("HOME", Path("home").c_str(), 1);
    EXPECT_EQ(Folder(CSIDL_PERSONAL), Path("home")) << "no documents folder: home";
    EXPECT_EQ(Folder(CSIDL_APPDATA), Path("home") + "/.config");
    Write("home/.config/user-dirs.dirs", "# made by xdg-user-dirs\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
    fs::create_directories(Path("home/Docs"));
    EXPECT_EQ(Folder(CSIDL_PERSONAL), Path("home/Docs"));
    setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
    EXPECT_EQ(Folder(CSIDL_APPDATA), Path("config"));
    setenv("XDG_DOCUMENTS_DIR", Path("direct").c_str(), 1);
    EXPECT_EQ(Folder(CSIDL_PERSONAL), Path("direct"));
    setenv("KESTRELON_DATA_DIR", Path("data/").c_str(), 1);
    EXPECT_EQ(Folder(CSIDL_COMMON_APPDATA), Path("data"));
    EXPECT_EQ(Folder(0x77), "(failed)");
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, nullptr), E_INVALIDARG);
}

TEST(ShellExecute, HandsTheLauncherOneArgumentUnchanged)
{
    std::vector<std::string> seen;
    win::shell::SetLauncher([&](const std::vector<std::string>& argv) {
        seen = argv;
        return true;
    });
    const char* url = "https://example.org/publish?a=1&b=$(rm -rf ~);`x` 'q'";
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL));
    EXPECT_GT(result, 32);
    EXPECT_EQ(seen, (std::vector<std::string>{"xdg-open", url}));
    EXPECT_LE(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "print", url, nullptr, nullptr, 1)), 32);
    EXPECT_LE(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, nullptr, "", nullptr, nullptr, 1)), 32);

    win::shell::SetLauncher([](const std::vector<std::string>&) { return false; });
    EXPECT_LE(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", url, nullptr, nullptr, 1)), 32);

    // The real launcher with no opener on the path.
    win::shell::SetLauncher({});
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent-folder", 1);
    EXPECT_LE(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", url, nullptr, nullptr, 1)), 32);
    setenv("PATH", path.c_str(), 1);
}

class Drops : public UserTest {};

std::string List2() { return std::string("/a/b.avi\0/c d.wav\0\0", 19); }

HGLOBAL Block(const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

std::string Record(DWORD offset, const std::string& names)
{
    DROPFILES header{offset, POINT{3, 4}, FALSE, FALSE};
    return std::string(reinterpret_cast<const char*>(&header), sizeof header) + names;
}

TEST_F(Drops, AnInjectedDropReachesTheAcceptingAncestor)
{
    HWND top = MakeTopLevel(RECT{100, 100, 400, 300});
    HWND child = MakeChild(top, RECT{10, 10, 200, 150}, 7);
    HWND grandChild = MakeChild(child, RECT{5, 5, 100, 100}, 8);
    DragAcceptFiles(child, TRUE);
    PumpUntilIdle();
    ClearLog();
    const std::vector<std::string> names{"/media/clip one.avi", "/media/\xff\xfe-not-utf8.wav"};
    ASSERT_TRUE(win::user::InjectFileDrop(names, POINT{100 + 10 + 5 + 20, 100 + 10 + 5 + 30}));
    PumpUntilIdle();
    auto drops = ReceivedOf(WM_DROPFILES);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].window, child);
    HDROP drop = reinterpret_cast<HDROP>(drops[0].wParam);
    ASSERT_EQ(DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0), 2u);
    char name[MAX_PATH] = {};
    EXPECT_EQ(DragQueryFileA(drop, 1, nullptr, 0), names[1].size());
    DragQueryFileA(drop, 1, name, sizeof name);
    EXPECT_EQ(std::string(name), names[1]) << "the bytes as they are";
    char small[6] = {};
    EXPECT_EQ(DragQueryFileA(drop, 0, small, sizeof small), 5u);
    EXPECT_STREQ(small, "/medi") << "cut and ended";
    EXPECT_EQ(DragQueryFileA(drop, 2, name, sizeof name), 0u);
    POINT at{};
    EXPECT_TRUE(DragQueryPoint(drop, &at));
    EXPECT_EQ(at.x, 25);
    EXPECT_EQ(at.y, 35);
    DragFinish(drop);
    (void)grandChild;

    // No accepting window: nothing is delivered.
    DragAcceptFiles(child, FALSE);
    EXPECT_FALSE(win::user::InjectFileDrop(names, POINT{130, 150}));
}

TEST_F(Drops, DamagedRecordsCountNoNames)
{
    struct Case {
        const char* what;
        std::string bytes;
        UINT count;
    } cases[] = {
        {"whole", Record(20, List2()), 2},
        {"short", std::string("\x14\x00\x00", 3), 0},
        {"offset past the end", Record(400, List2()), 0},
        {"offset inside the header", Record(4, List2()), 0},
        {"no final NUL", Record(20, std::string("/a\0/b", 5)), 0},
        {"empty list", Record(20, std::string(1, '\0')), 0},
    };
    for (const Case& c : cases) {
        HGLOBAL block = Block(c.bytes);
        EXPECT_EQ(DragQueryFileA(reinterpret_cast<HDROP>(block), 0xFFFFFFFFu, nullptr, 0), c.count) << c.what;
        GlobalFree(block);
    }
    EXPECT_EQ(DragQueryFileA(nullptr, 0xFFFFFFFFu, nullptr, 0), 0u);
}

TEST_F(Drops, ClipboardDropRecordsRoundTrip)
{
    HWND owner = MakeTopLevel(RECT{0, 0, 50, 50});
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HDROP made = win::shell::MakeDrop({"/a/one.ksb", "/b/two.avi"}, POINT{0, 0});
    ASSERT_NE(SetClipboardData(CF_HDROP, reinterpret_cast<HANDLE>(made)), nullptr);
    CloseClipboard();
    ASSERT_TRUE(OpenClipboard(owner));
    HDROP got = reinterpret_cast<HDROP>(GetClipboardData(CF_HDROP));
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(DragQueryFileA(got, 0xFFFFFFFFu, nullptr, 0), 2u);
    char name[MAX_PATH] = {};
    DragQueryFileA(got, 1, name, sizeof name);
    EXPECT_STREQ(name, "/b/two.avi");
    CloseClipboard();
}

} // namespace
