#include <gtest/gtest.h>

#include <filesystem>

#include "Platform/Win/Kernel/Kernel.h"
#include "Platform/Win/Kernel/ModuleImage.h"
#include "tests/support/TempDir.h"

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

namespace {

int LocalFunction() { return 3; }

TEST(Modules, ModuleHandleFromAnAddressNamesTheLibraryOrTheProgram)
{
    HMODULE module = LoadLibraryA(KESTRELON_TEST_MODULE);
    ASSERT_NE(module, nullptr);
    auto answer = reinterpret_cast<LPCSTR>(GetProcAddress(module, "TestModuleAnswer"));
    HMODULE found = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, answer, &found));
    EXPECT_EQ(found, module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_NE(GetProcAddress(module, "TestModuleAnswer"), nullptr) << "the lookup counted a reference";
    EXPECT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   answer, &found));
    EXPECT_EQ(found, module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleA(KESTRELON_TEST_MODULE), nullptr) << "the uncounted lookup took none";

    EXPECT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCSTR>(&LocalFunction), &found));
    EXPECT_EQ(found, GetModuleHandleA(nullptr)) << "the program's own code";
    EXPECT_EQ(LocalFunction(), 3);
    EXPECT_FALSE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, nullptr, &found));
    EXPECT_EQ(found, nullptr);
    EXPECT_FALSE(GetModuleHandleExA(0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Modules, ALibraryReadsTheResourceModuleBesideIt)
{
    namespace fs = std::filesystem;
    testing_support::TempDir folder;
    const std::string library = folder.File("Carrier.so");
    fs::copy_file(KESTRELON_TEST_MODULE, library);
    fs::copy_file(std::string(KESTRELON_RESOURCE_FIXTURES) + "/ResFixture.kres", folder.File("Carrier.kres"));
    const std::string bare = folder.File("Bare.so");
    fs::copy_file(KESTRELON_TEST_MODULE, bare);

    HMODULE carrier = LoadLibraryA(library.c_str());
    ASSERT_NE(carrier, nullptr);
    char text[32] = {};
    EXPECT_EQ(LoadStringA(carrier, 17, text, sizeof text), 9);
    EXPECT_STREQ(text, "Seventeen");
    EXPECT_NE(FindResourceA(carrier, MAKEINTRESOURCEA(7), RT_RCDATA), nullptr);
    EXPECT_NE(GetProcAddress(carrier, "TestModuleAnswer"), nullptr) << "still the library";

    HMODULE plain = LoadLibraryA(bare.c_str());
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(FindResourceA(plain, MAKEINTRESOURCEA(7), RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
    EXPECT_EQ(LoadStringA(plain, 17, text, sizeof text), 0);
    EXPECT_TRUE(FreeLibrary(carrier));
    EXPECT_TRUE(FreeLibrary(plain));
}

} // namespace
