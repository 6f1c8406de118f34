#include <gtest/gtest.h>

#include "Platform/Win/Win32.h"

namespace {

using AnswerFn = int (*)();

TEST(Modules, LoadsByPathAndFindsProceduresByNameAndOrdinal)
{
    HMODULE module = LoadLibraryA(KESTRELON_TEST_MODULE);
    ASSERT_NE(module, nullptr);
    auto answer = reinterpret_cast<AnswerFn>(GetProcAddress(module, "TestModuleAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    auto seventh = reinterpret_cast<AnswerFn>(GetProcAddress(module, MAKEINTRESOURCE(7)));
    ASSERT_NE(seventh, nullptr);
    EXPECT_EQ(seventh(), 7);
    EXPECT_EQ(GetProcAddress(module, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(Modules, AliasMapsWindowsNameWithoutRegardToCaseOrFolder)
{
    win::RegisterModuleAlias("TestAlias.DLL", KESTRELON_TEST_MODULE);
    HMODULE first = LoadLibraryA("testalias.dll");
    ASSERT_NE(first, nullptr);
    HMODULE second = LoadLibraryA("C:\\Windows\\TESTALIAS.DLL");
    EXPECT_EQ(first, second) << "a loaded module is shared and counted";
    EXPECT_EQ(GetModuleHandleA("TestAlias.dll"), first);

    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(first, path, sizeof path);
    EXPECT_EQ(std::string(path, length), KESTRELON_TEST_MODULE);

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_NE(GetProcAddress(second, "TestModuleAnswer"), nullptr) << "one reference is left";
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_FALSE(FreeLibrary(second));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Modules, UnknownWindowsLibrariesAreMissing)
{
    for (const char* name : {"RDYWARNT.DLL", "QOR32.DLL", "akrip.dll"}) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryA(name), nullptr) << name;
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND) << name;
    }
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(0x1234), "x"), nullptr);
}

TEST(Modules, FactoriesProvideModulesOfOtherKinds)
{
    struct TableImage : win::ModuleImage {
        FARPROC GetProc(const char* name) override
        {
            return std::string(name) == "Answer" ? reinterpret_cast<FARPROC>(+[]() -> int { return 5; }) : nullptr;
        }
        std::string Path() const override { return "/virtual/table.mod"; }
    };
    win::RegisterModuleFactory("table.dll", [] { return std::make_unique<TableImage>(); });
    HMODULE module = LoadLibraryA("TABLE.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(reinterpret_cast<AnswerFn>(GetProcAddress(module, "Answer"))(), 5);
    EXPECT_NE(dynamic_cast<TableImage*>(win::ModuleImageOf(module)), nullptr);
    FreeLibrary(module);

    win::RegisterModuleFactory("absent.dll", [] { return std::unique_ptr<win::ModuleImage>(); });
    EXPECT_EQ(LoadLibraryA("absent.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(Modules, ProgramModuleNamesTheRunningExecutable)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::string(path, length), win::ProgramPath());
    EXPECT_EQ(win::ModuleFolder(), win::ProgramPath().substr(0, win::ProgramPath().rfind('/') + 1));

    char tiny[4];
    EXPECT_EQ(GetModuleFileNameA(nullptr, tiny, sizeof tiny), sizeof tiny);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(tiny[3], '\0');
}

} // namespace
