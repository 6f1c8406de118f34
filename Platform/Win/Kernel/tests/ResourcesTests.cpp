#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "Platform/Win/Kernel/Kernel.h"
#include "Platform/Win/Kernel/ResourceFormat.h"
#include "Platform/Win/Kernel/Resources.h"
#include "Platform/Win/Kernel/tests/ResourceModuleBytes.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

// Points the module folder somewhere for one test and puts it back after.
class ModuleFolderOverride {
public:
    explicit ModuleFolderOverride(const std::string& folder)
    {
        if (const char* old = std::getenv("KESTRELON_MODULE_DIR"))
            m_previous = old, m_hadPrevious = true;
        setenv("KESTRELON_MODULE_DIR", folder.c_str(), 1);
    }
    ~ModuleFolderOverride()
    {
        if (m_hadPrevious)
            setenv("KESTRELON_MODULE_DIR", m_previous.c_str(), 1);
        else
            unsetenv("KESTRELON_MODULE_DIR");
    }

private:
    std::string m_previous;
    bool m_hadPrevious = false;
};

// The fixture module compiled from tests/fixtures/resources/fixture.krc.
class ResourcesTest : public testing::Test {
protected:
    void SetUp() override
    {
        win::RegisterResourceModule("ResFixture.dll", "ResFixture.kres");
        m_module = LoadLibraryA("ResFixture.dll");
        ASSERT_NE(m_module, nullptr) << "the build compiles " KESTRELON_RESOURCE_FIXTURES "/ResFixture.kres";
    }
    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
    }

    std::vector<BYTE> Bytes(LPCSTR name, LPCSTR type) const
    {
        win::ResourceBytes found = win::FindResourceBytes(m_module, name, type);
        return found ? std::vector<BYTE>(found.data, found.data + found.size) : std::vector<BYTE>();
    }

    ModuleFolderOverride m_folder{KESTRELON_RESOURCE_FIXTURES};
    HMODULE m_module = nullptr;
};

// Reads the little-endian fields of a template in order.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, DWORD size) : m_data(data), m_size(size) {}
    WORD Word()
    {
        EXPECT_LE(m_pos + 2, m_size) << "read past the template";
        if (m_pos + 2 > m_size)
            return 0;
        WORD v = static_cast<WORD>(m_data[m_pos] | m_data[m_pos + 1] << 8);
        m_pos += 2;
        return v;
    }
    DWORD Dword()
    {
        DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    BYTE Byte()
    {
        EXPECT_LT(m_pos, m_size);
        return m_pos < m_size ? m_data[m_pos++] : 0;
    }
    // A zero-terminated UTF-16 text of ASCII characters.
    std::string Text()
    {
        std::string text;
        for (WORD c = Word(); c != 0; c = Word())
            text += static_cast<char>(c);
        return text;
    }
    // A name-or-ordinal field: "#<n>" for an ordinal, "" when absent.
    std::string Field()
    {
        WORD first = Word();
        if (first == 0)
            return "";
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        return static_cast<char>(first) + Text();
    }
    void AlignDword() { m_pos = (m_pos + 3) & ~size_t(3); }
    size_t Position() const { return m_pos; }

private:
    const BYTE* m_data;
    DWORD m_size;
    size_t m_pos = 0;
};

TEST_F(ResourcesTest, ModuleLoadsFromTheModuleFolderUnderItsWindowsName)
{
    EXPECT_TRUE(win::IsResourceModule(m_module));
    EXPECT_EQ(LoadLibraryA("C:\\Program Files\\Kestrelon\\RESFIXTURE.DLL"), m_module) << "shared and counted";
    FreeLibrary(m_module);
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(m_module, path, sizeof path);
    EXPECT_EQ(std::string(path, length), KESTRELON_RESOURCE_FIXTURES "/ResFixture.kres");
    EXPECT_EQ(GetProcAddress(m_module, "Anything"), nullptr);
    std::vector<HMODULE> loaded = win::LoadedResourceModules();
    EXPECT_NE(std::find(loaded.begin(), loaded.end(), m_module), loaded.end());
}

TEST_F(ResourcesTest, StringsLoadAsUtf8)
{
    struct Case {
        UINT id;
        const char* text;
    } const cases[] = {
        {1, "One"}, {17, "Seventeen"}, {100, "Gr\xc3\xbc\xc3\x9f" "e"}, {101, "Tab\tand\nnewline"},
    };
    for (const Case& c : cases) {
        char buffer[64] = "junk";
        EXPECT_EQ(LoadStringA(m_module, c.id, buffer, sizeof buffer), static_cast<int>(std::strlen(c.text))) << c.id;
        EXPECT_STREQ(buffer, c.text) << c.id;
        std::string whole;
        EXPECT_TRUE(win::LoadStringText(m_module, c.id, whole));
        EXPECT_EQ(whole, c.text);
    }
}

TEST_F(ResourcesTest, MissingOrEmptyStringsGiveZeroAndAnEmptyBuffer)
{
    // 2 shares a block with 1; 102 is empty; 5000 has no block at all.
    for (UINT id : {2u, 102u, 5000u, 65535u}) {
        char buffer[16] = "junk";
        EXPECT_EQ(LoadStringA(m_module, id, buffer, sizeof buffer), 0) << id;
        EXPECT_STREQ(buffer, "") << id;
    }
}

TEST_F(ResourcesTest, LongStringsAreCutWithoutSplittingACharacter)
{
    char buffer[4];
    EXPECT_EQ(LoadStringA(m_module, 17, buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "Sev");
    // "Grüße": 'ü' takes bytes 2 and 3, so a 4-byte buffer holds only "Gr".
    EXPECT_EQ(LoadStringA(m_module, 100, buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "Gr");
    EXPECT_EQ(LoadStringA(m_module, 1, buffer, 0), 0);
    EXPECT_EQ(LoadStringA(m_module, 1, nullptr, 10), 0);
}

TEST_F(ResourcesTest, LookupsInModulesWithoutResourcesFailCleanly)
{
    struct Case {
        HMODULE module;
        DWORD error;
    } const cases[] = {
        {nullptr, ERROR_RESOURCE_DATA_NOT_FOUND},
        {GetModuleHandleA(nullptr), ERROR_RESOURCE_DATA_NOT_FOUND},
        {reinterpret_cast<HMODULE>(0x12345678), ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases) {
        char buffer[8] = "junk";
        EXPECT_EQ(LoadStringA(c.module, 1, buffer, sizeof buffer), 0);
        EXPECT_STREQ(buffer, "");
        SetLastError(0);
        EXPECT_EQ(FindResourceA(c.module, MAKEINTRESOURCE(241), RT_BITMAP), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(ResourcesTest, FindResourceByOrdinalNumberTextAndNameWithoutRegardToCase)
{
    HRSRC byOrdinal = FindResourceA(m_module, MAKEINTRESOURCE(241), RT_BITMAP);
    ASSERT_NE(byOrdinal, nullptr);
    EXPECT_EQ(FindResourceA(m_module, "#241", RT_BITMAP), byOrdinal);
    EXPECT_EQ(FindResourceExA(m_module, RT_BITMAP, "#241", 0x0409), byOrdinal);
    HRSRC byName = FindResourceA(m_module, "skinframe", RT_BITMAP);
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(FindResourceA(m_module, "SKINFRAME", "#2"), byName);

    // A packed DIB: the BMP file without its 14-byte file header.
    std::string file = ReadFile(std::string(KESTRELON_RESOURCE_FIXTURE_SOURCES) + "/tiny.bmp");
    ASSERT_EQ(file.size(), 70u);
    EXPECT_EQ(SizeofResource(m_module, byOrdinal), 56u);
    HGLOBAL loaded = LoadResource(m_module, byOrdinal);
    ASSERT_NE(loaded, nullptr);
    const BYTE* bits = static_cast<const BYTE*>(LockResource(loaded));
    EXPECT_EQ(std::memcmp(bits, file.data() + 14, 56), 0);
    EXPECT_FALSE(FreeResource(loaded));
    win::ResourceBytes raw = win::FindBitmapBits(m_module, "SkinFrame");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw.size, 56u);
}

TEST_F(ResourcesTest, CustomTypesHoldTheirFileUnchanged)
{
    std::string file = ReadFile(std::string(KESTRELON_RESOURCE_FIXTURE_SOURCES) + "/frame.bin");
    for (LPCSTR type : {"FRAME_STYLE", "frame_style"}) {
        HRSRC found = FindResourceA(m_module, MAKEINTRESOURCE(1), type);
        ASSERT_NE(found, nullptr) << type;
        ASSERT_EQ(SizeofResource(m_module, found), file.size());
        EXPECT_EQ(std::memcmp(LockResource(LoadResource(m_module, found)), file.data(), file.size()), 0);
    }
    std::vector<BYTE> rcdata = Bytes(MAKEINTRESOURCE(7), RT_RCDATA);
    EXPECT_EQ(std::string(rcdata.begin(), rcdata.end()), file);
}

TEST_F(ResourcesTest, MissingTypesAndNamesReportWhichIsMissing)
{
    struct Case {
        LPCSTR name;
        LPCSTR type;
        DWORD error;
    } const cases[] = {
        {MAKEINTRESOURCE(999), RT_BITMAP, ERROR_RESOURCE_NAME_NOT_FOUND},
        {MAKEINTRESOURCE(241), RT_HTML, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"NoSuchName", RT_BITMAP, ERROR_RESOURCE_NAME_NOT_FOUND},
        {MAKEINTRESOURCE(1), "NO_SUCH_TYPE", ERROR_RESOURCE_TYPE_NOT_FOUND},
        {nullptr, RT_BITMAP, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"", RT_BITMAP, ERROR_RESOURCE_NAME_NOT_FOUND},
        {MAKEINTRESOURCE(241), nullptr, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"#0", RT_BITMAP, ERROR_RESOURCE_NAME_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(FindResourceA(m_module, c.name, c.type), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(ResourcesTest, ForeignResourceHandlesAreRefused)
{
    HRSRC found = FindResourceA(m_module, MAKEINTRESOURCE(241), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    int local = 0;
    auto bogus = reinterpret_cast<HRSRC>(&local);
    EXPECT_EQ(SizeofResource(m_module, bogus), 0u);
    EXPECT_EQ(LoadResource(m_module, bogus), nullptr);
    EXPECT_EQ(SizeofResource(GetModuleHandleA(nullptr), found), 0u);
    EXPECT_EQ(LoadResource(nullptr, found), nullptr);
}

TEST_F(ResourcesTest, DialogTemplateHasTheWindowsLayout)
{
    win::ResourceBytes found = win::FindDialogTemplate(m_module, MAKEINTRESOURCE(200));
    ASSERT_TRUE(found);
    TemplateReader r(found.data, found.size);
    // DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, and DS_SETFONT for the FONT line.
    EXPECT_EQ(r.Dword(), 0x80C800C0u);
    EXPECT_EQ(r.Dword(), 0u);
    EXPECT_EQ(r.Word(), 4) << "controls";
    for (int expected : {0, 0, 200, 100})
        EXPECT_EQ(static_cast<SHORT>(r.Word()), expected);
    EXPECT_EQ(r.Field(), "") << "menu";
    EXPECT_EQ(r.Field(), "") << "class";
    EXPECT_EQ(r.Text(), "Sample");
    EXPECT_EQ(r.Word(), 8);
    EXPECT_EQ(r.Text(), "MS Sans Serif");

    struct Control {
        DWORD style;
        SHORT x, y, cx, cy;
        WORD id;
        const char* windowClass;
        const char* text;
    } const controls[] = {
        {0x50010001, 140, 80, 50, 14, 1, "#128", "OK"},
        {0x50020000, 7, 7, 40, 8, 0xFFFF, "#130", "Name:"},
        {0x50810080, 50, 7, 100, 12, 1001, "#129", ""},
        {0x50010008, 7, 30, 100, 15, 1002, "msctls_trackbar32", ""},
    };
    for (const Control& c : controls) {
        r.AlignDword();
        EXPECT_EQ(r.Position() % 4, 0u);
        EXPECT_EQ(r.Dword(), c.style) << c.windowClass;
        EXPECT_EQ(r.Dword(), 0u);
        for (SHORT v : {c.x, c.y, c.cx, c.cy})
            EXPECT_EQ(static_cast<SHORT>(r.Word()), v);
        EXPECT_EQ(r.Word(), c.id);
        EXPECT_EQ(r.Field(), c.windowClass);
        EXPECT_EQ(r.Field(), c.text);
        EXPECT_EQ(r.Word(), 0) << "creation data";
    }
    EXPECT_EQ(r.Position(), found.size);
}

TEST_F(ResourcesTest, ExtendedDialogTemplateHasTheWindowsLayout)
{
    win::ResourceBytes found = win::FindDialogTemplate(m_module, MAKEINTRESOURCE(201));
    ASSERT_TRUE(found);
    TemplateReader r(found.data, found.size);
    EXPECT_EQ(r.Word(), 1);
    EXPECT_EQ(r.Word(), 0xFFFF);
    EXPECT_EQ(r.Dword(), 0u) << "help id";
    EXPECT_EQ(r.Dword(), 0u) << "extended style";
    EXPECT_EQ(r.Dword(), 0x40000040u) << "WS_CHILD | DS_SETFONT";
    EXPECT_EQ(r.Word(), 2);
    for (int expected : {10, 20, 100, 50})
        EXPECT_EQ(static_cast<SHORT>(r.Word()), expected);
    EXPECT_EQ(r.Field(), "");
    EXPECT_EQ(r.Field(), "");
    EXPECT_EQ(r.Text(), "");
    EXPECT_EQ(r.Word(), 9);
    EXPECT_EQ(r.Word(), 700);
    EXPECT_EQ(r.Byte(), 1);
    EXPECT_EQ(r.Byte(), 2);
    EXPECT_EQ(r.Text(), "Arial");

    r.AlignDword();
    EXPECT_EQ(r.Dword(), 77u) << "help id";
    EXPECT_EQ(r.Dword(), 0x200u) << "WS_EX_CLIENTEDGE";
    EXPECT_EQ(r.Dword(), 0x50000000u) << "NOT WS_TABSTOP removed the push button's tab stop";
    for (int expected : {10, 10, 40, 14})
        EXPECT_EQ(static_cast<SHORT>(r.Word()), expected);
    EXPECT_EQ(r.Dword(), 1u);
    EXPECT_EQ(r.Field(), "#128");
    EXPECT_EQ(r.Field(), "Go");
    EXPECT_EQ(r.Word(), 0);

    r.AlignDword();
    r.Dword();
    r.Dword();
    EXPECT_EQ(r.Dword(), 0x50000003u) << "SS_ICON";
    for (int expected : {60, 10, 0, 0})
        EXPECT_EQ(static_cast<SHORT>(r.Word()), expected);
    EXPECT_EQ(r.Dword(), 0xFFFFFFFFu) << "-1 fills the 32-bit id";
    EXPECT_EQ(r.Field(), "#130");
    EXPECT_EQ(r.Field(), "#121") << "an icon named by number";
    EXPECT_EQ(r.Word(), 0);
}

TEST_F(ResourcesTest, MenuTemplateHasTheWindowsLayout)
{
    win::ResourceBytes found = win::FindMenuTemplate(m_module, MAKEINTRESOURCE(128));
    ASSERT_TRUE(found);
    TemplateReader r(found.data, found.size);
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Word(), 0x0010) << "MF_POPUP";
    EXPECT_EQ(r.Text(), "&File");
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Word(), 57600);
    EXPECT_EQ(r.Text(), "&New\tCtrl+N");
    EXPECT_EQ(r.Word(), 0) << "separator";
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Text(), "");
    EXPECT_EQ(r.Word(), 0x0081) << "MF_GRAYED | MF_END";
    EXPECT_EQ(r.Word(), 57665);
    EXPECT_EQ(r.Text(), "E&xit");
    EXPECT_EQ(r.Word(), 0x4080) << "MF_HELP | MF_END";
    EXPECT_EQ(r.Word(), 57670);
    EXPECT_EQ(r.Text(), "&Help");
    EXPECT_EQ(r.Position(), found.size);
}

TEST_F(ResourcesTest, AcceleratorTableHasTheWindowsLayout)
{
    win::ResourceBytes found = win::FindAcceleratorTable(m_module, MAKEINTRESOURCE(128));
    ASSERT_TRUE(found);
    ASSERT_EQ(found.size, 32u);
    TemplateReader r(found.data, found.size);
    struct Entry {
        WORD flags, key, id;
    } const entries[] = {
        {0x09, 'N', 57600},   // FVIRTKEY | FCONTROL
        {0x01, 0x2E, 57632},  // VK_DELETE
        {0x00, 3, 57634},     // "^C"
        {0x90, 'a', 57635},   // FALT and the last entry's 0x80
    };
    for (const Entry& e : entries) {
        EXPECT_EQ(r.Word(), e.flags);
        EXPECT_EQ(r.Word(), e.key);
        EXPECT_EQ(r.Word(), e.id);
        EXPECT_EQ(r.Word(), 0);
    }
}

TEST_F(ResourcesTest, IconAndCursorGroupsNameTheirImages)
{
    std::vector<BYTE> group = Bytes(MAKEINTRESOURCE(121), RT_GROUP_ICON);
    ASSERT_EQ(group.size(), 6u + 14u);
    TemplateReader icons(group.data(), static_cast<DWORD>(group.size()));
    EXPECT_EQ(icons.Word(), 0);
    EXPECT_EQ(icons.Word(), 1);
    EXPECT_EQ(icons.Word(), 1);
    EXPECT_EQ(icons.Byte(), 1);
    EXPECT_EQ(icons.Byte(), 1);
    icons.Word();
    EXPECT_EQ(icons.Word(), 1) << "planes";
    EXPECT_EQ(icons.Word(), 32) << "bits";
    EXPECT_EQ(icons.Dword(), 48u);
    WORD image = icons.Word();
    EXPECT_EQ(Bytes(MAKEINTRESOURCE(image), RT_ICON).size(), 48u);

    std::vector<BYTE> cursors = Bytes(MAKEINTRESOURCE(245), RT_GROUP_CURSOR);
    ASSERT_EQ(cursors.size(), 6u + 14u);
    TemplateReader c(cursors.data(), static_cast<DWORD>(cursors.size()));
    EXPECT_EQ(c.Word(), 0);
    EXPECT_EQ(c.Word(), 2);
    EXPECT_EQ(c.Word(), 1);
    EXPECT_EQ(c.Word(), 1) << "width";
    EXPECT_EQ(c.Word(), 2) << "height of colour and mask";
    EXPECT_EQ(c.Word(), 1);
    EXPECT_EQ(c.Word(), 32);
    EXPECT_EQ(c.Dword(), 52u);
    std::vector<BYTE> cursor = Bytes(MAKEINTRESOURCE(c.Word()), RT_CURSOR);
    ASSERT_EQ(cursor.size(), 52u);
    EXPECT_EQ(cursor[0], 3) << "hot spot x";
    EXPECT_EQ(cursor[2], 4) << "hot spot y";
}

TEST(ResourcesModules, MissingModuleFileMakesLoadLibraryFail)
{
    TempDir empty;
    ModuleFolderOverride folder(empty.Path());
    for (const char* name : {"reslang.dll", "ResNoTrans.dll", "ResBmp.DLL"}) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryA(name), nullptr) << name;
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND) << name;
    }
    EXPECT_TRUE(win::LoadedResourceModules().empty());
}

// A valid module file of one RT_STRING block, to damage field by field.
std::string ValidModuleFile()
{
    return ReadFile(std::string(KESTRELON_RESOURCE_FIXTURES) + "/ResFixture.kres");
}

void PutDword(std::string& file, size_t at, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        file[at + i] = static_cast<char>(value >> (8 * i));
}

TEST(ResourcesModules, DamagedModuleFilesAreRefused)
{
    namespace rf = win::resfile;
    const std::string valid = ValidModuleFile();
    ASSERT_GT(valid.size(), rf::kHeaderSize + rf::kEntrySize);
    struct Case {
        const char* what;
        std::string file;
    };
    auto with = [&](size_t at, DWORD value) {
        std::string file = valid;
        PutDword(file, at, value);
        return file;
    };
    const size_t entry = rf::kHeaderSize;
    const Case cases[] = {
        {"empty file", ""},
        {"truncated header", valid.substr(0, 10)},
        {"wrong magic", "XRES" + valid.substr(4)},
        {"unknown version", with(4, 2)},
        {"more entries than the file holds", with(8, 0x10000000)},
        {"name pool beyond the end", with(12, static_cast<DWORD>(valid.size()))},
        {"data beyond the end", with(entry + 12, static_cast<DWORD>(valid.size()))},
        {"data size beyond the end", with(entry + 16, 0xFFFFFFF0)},
        {"ordinal zero", with(entry + 4, 0)},
        {"ordinal above 16 bits", with(entry + 4, 0x10000)},
        {"name outside the pool", with(entry + 4, rf::kNamed | 0x7FFF)},
        {"truncated data", valid.substr(0, valid.size() - 8)},
        {"data at an odd offset", resource_test::ModuleFile({{2, 1, resource_test::InfoHeader(1, 1, 24) + "rgb_"}}, 1)},
        {"data two bytes off its boundary", resource_test::ModuleFile({{10, 1, "abcd"}}, 2)},
    };
    TempDir folder;
    ModuleFolderOverride override(folder.Path());
    win::RegisterResourceModule("ResDamaged.dll", "ResDamaged.kres");
    for (const Case& c : cases) {
        folder.Write("ResDamaged.kres", c.file);
        SetLastError(0);
        HMODULE module = LoadLibraryA("ResDamaged.dll");
        EXPECT_EQ(module, nullptr) << c.what;
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND) << c.what;
        if (module)
            FreeLibrary(module);
    }
    folder.Write("ResDamaged.kres", valid);
    HMODULE module = LoadLibraryA("ResDamaged.dll");
    EXPECT_NE(module, nullptr) << "the undamaged file loads";
    FreeLibrary(module);
}

struct CompileResult {
    int status = -1;
    std::string errors;
    bool wroteModule = false;
};

CompileResult Compile(const TempDir& folder, const std::string& source)
{
    folder.Write("source.krc", source);
    std::string module = folder.File("out.kres");
    std::remove(module.c_str());
    std::string command = std::string(KESTRELON_RESCOMP) + " -o " + module + " " + folder.File("source.krc") +
                          " 2>" + folder.File("errors.txt");
    int raw = std::system(command.c_str());
    CompileResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.errors = ReadFile(folder.File("errors.txt"));
    result.wroteModule = win::PathExists(module.c_str());
    return result;
}

TEST(ResourcesCompiler, SourceMistakesAreReportedWithTheirLineAndWriteNoModule)
{
    struct Case {
        const char* source;
        int line;
        const char* message;
    } const cases[] = {
        {"STRINGTABLE\nBEGIN\n  1 \"a\"\n  1 \"b\"\nEND\n", 4, "string 1 is defined twice"},
        {"STRINGTABLE BEGIN\n 1 \"open\nEND\n", 2, "string is not closed"},
        {"STRINGTABLE BEGIN 1 \"\\xff\" END\n", 1, "not valid UTF-8"},
        {"\n\n5 DIALOG 0, 0, 10, 10 BEGIN BUTTONX \"a\", 1, 0, 0, 1, 1 END\n", 3, "a control statement is expected"},
        {"5 DIALOG 0, 0, 10, 10\nSTYLE WS_NOSUCH\nBEGIN END\n", 2, "unknown symbol WS_NOSUCH"},
        {"5 DIALOG 0, 0, 10, 70000 BEGIN END\n", 1, "height 70000 is out of range"},
        {"1 BITMAP \"missing.bmp\"\n", 1, "cannot read"},
        {"1 BITMAP \"source.krc\"\n", 1, "not a BMP file"},
        {"1 MENU BEGIN END\n", 1, "at least one item"},
        {"1 MENU BEGIN\nPOPUP \"x\" BEGIN MENUITEM \"y\", 1\n", 3, "END or '}' missing"},
        {"1 ACCELERATORS BEGIN \"ab\", 1 END\n", 1, "one character"},
        {"#define A 1\n#define A 2\n", 2, "already defined"},
        {"1 RCDATA \"source.krc\"\n1 RCDATA \"source.krc\"\n", 2, "defined twice"},
        {"@\n", 1, "unexpected character"},
    };
    TempDir folder;
    for (const Case& c : cases) {
        CompileResult result = Compile(folder, c.source);
        EXPECT_EQ(result.status, 1) << c.source;
        EXPECT_NE(result.errors.find(":" + std::to_string(c.line) + ": error: "), std::string::npos)
            << c.source << "\n" << result.errors;
        EXPECT_NE(result.errors.find(c.message), std::string::npos) << c.source << "\n" << result.errors;
        EXPECT_FALSE(result.wroteModule) << c.source;
    }
}

TEST(ResourcesCompiler, SameSourcesGiveTheSameModule)
{
    TempDir folder;
    const char* source = "STRINGTABLE { 3 \"c\" 1 \"a\" }\nB RCDATA \"source.krc\"\nA RCDATA \"source.krc\"\n";
    ASSERT_EQ(Compile(folder, source).status, 0);
    std::string first = ReadFile(folder.File("out.kres"));
    ASSERT_EQ(Compile(folder, source).status, 0);
    EXPECT_EQ(ReadFile(folder.File("out.kres")), first);
}

} // namespace
