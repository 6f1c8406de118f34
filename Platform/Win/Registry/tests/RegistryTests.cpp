#include "Platform/Win/Registry/Registry.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

using namespace std::string_literals;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

// Points the registry at a folder of its own for the life of the object.
class FreshRegistry {
public:
    FreshRegistry()
    {
        if (const char* old = std::getenv("KESTRELON_REGISTRY_DIR"))
            m_previous = old;
        setenv("KESTRELON_REGISTRY_DIR", m_dir.Path().c_str(), 1);
        win::RegistryReset();
    }
    ~FreshRegistry()
    {
        win::SetRegistryCommitHook(nullptr);
        setenv("KESTRELON_REGISTRY_DIR", m_previous.c_str(), 1);
        win::RegistryReset();
    }

    std::string File(const std::string& name) const { return m_dir.File(name); }
    std::vector<std::string> FilesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                names.push_back(entry.path().filename().string());
        return names;
    }

private:
    TempDir m_dir;
    std::string m_previous;
};

// What a process that starts again would see: nothing held in memory.
void Restart() { win::RegistryReset(); }

HKEY CreatedKey(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    return key;
}

HKEY OpenedKey(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS) << path;
    return key;
}

LONG SetValue(HKEY key, const std::string& name, DWORD type, const std::string& data)
{
    return RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

struct StoredValue {
    LONG result = ERROR_SUCCESS;
    DWORD type = 0;
    std::string data;
};

StoredValue ValueOf(HKEY key, const std::string& name)
{
    StoredValue value;
    DWORD size = 0;
    value.result = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (value.result != ERROR_SUCCESS)
        return value;
    value.data.resize(size);
    value.result = RegQueryValueExA(key, name.c_str(), nullptr, &value.type,
                                    reinterpret_cast<BYTE*>(value.data.data()), &size);
    value.data.resize(size);
    return value;
}

std::string DefaultTextOf(HKEY key, const char* subKey)
{
    char text[256] = {};
    LONG size = sizeof text;
    EXPECT_EQ(RegQueryValueA(key, subKey, text, &size), ERROR_SUCCESS) << subKey;
    return text;
}

struct TypedValue {
    const char* name;
    DWORD type;
    std::string data;
};

const std::vector<TypedValue>& EveryKindOfValue()
{
    static const std::vector<TypedValue> values = {
        {"Text", REG_SZ, "hello\0"s},
        {"Expand", REG_EXPAND_SZ, "%HOME%\\clips\0"s},
        {"Unterminated", REG_SZ, "abc"},
        {"EmbeddedZero", REG_SZ, "a\0b\0"s},
        {"EmptyText", REG_SZ, "\0"s},
        {"NoBytesText", REG_SZ, ""},
        {"Dword", REG_DWORD, "\x2a\0\0\x80"s},
        {"BigEndian", REG_DWORD_BIG_ENDIAN, "\0\0\0\x2a"s},
        {"Qword", REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\xff"s},
        {"Binary", REG_BINARY, "\0\xff\x10"s},
        {"EmptyBinary", REG_BINARY, ""},
        {"List", REG_MULTI_SZ, "one\0two\0\0"s},
        {"ListWithEmptyItem", REG_MULTI_SZ, "a\0\0b\0\0"s},
        {"EmptyList", REG_MULTI_SZ, "\0"s},
        {"MalformedList", REG_MULTI_SZ, "x"},
        {"None", REG_NONE, ""},
        {"OddType", 0x12345678, "\x01\x02"},
        {"LargestType", 0xFFFFFFFF, "z"},
    };
    return values;
}

// Texts that need escaping in the hive file.
const std::vector<std::string>& StrangeTexts()
{
    static const std::vector<std::string> texts = {
        "say \"hi\"",
        "back\\slash\\",
        "line\nbreak\r\n",
        "tab\there",
        "\x01\x1f\x7f controls",
        "\xff\xfe\xc3 not UTF-8",
        "\xed\xa0\x80 encoded surrogate",
        "caf\xc3\xa9",
        "%HOME% [x]] @=;",
        " spaced ",
    };
    return texts;
}

TEST(RegistryValues, EveryTypeRoundTripsThroughARestart)
{
    FreshRegistry registry;
    HKEY key = CreatedKey(HKEY_CURRENT_USER, "Software\\Kestrelon\\Types");
    for (const TypedValue& value : EveryKindOfValue())
        ASSERT_EQ(SetValue(key, value.name, value.type, value.data), ERROR_SUCCESS) << value.name;
    RegCloseKey(key);

    Restart();
    key = OpenedKey(HKEY_CURRENT_USER, "software\\kestrelon\\types");
    for (const TypedValue& value : EveryKindOfValue()) {
        StoredValue stored = ValueOf(key, value.name);
        EXPECT_EQ(stored.result, ERROR_SUCCESS) << value.name;
        EXPECT_EQ(stored.type, value.type) << value.name;
        EXPECT_EQ(stored.data, value.data) << value.name;
    }
    RegCloseKey(key);

    std::string file = ReadFile(registry.File("user.reg"));
    EXPECT_EQ(file.rfind("Kestrelon Registry 1\n", 0), 0u);
    EXPECT_NE(file.find("\"Text\"=sz:\"hello\"\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\"Dword\"=dword:8000002a\n"), std::string::npos) << file;
}

TEST(RegistryValues, StrangeStringsRoundTripAsNamesAndData)
{
    FreshRegistry registry;
    HKEY key = CreatedKey(HKEY_CURRENT_USER, "Strange");
    for (const std::string& text : StrangeTexts()) {
        ASSERT_EQ(SetValue(key, text, REG_SZ, text + '\0'), ERROR_SUCCESS);
        if (text.find('\\') == std::string::npos)
            RegCloseKey(CreatedKey(key, text));
    }
    RegCloseKey(key);

    Restart();
    key = OpenedKey(HKEY_CURRENT_USER, "Strange");
    for (const std::string& text : StrangeTexts()) {
        EXPECT_EQ(ValueOf(key, text).data, text + '\0') << text;
        if (text.find('\\') == std::string::npos) {
            HKEY sub = nullptr;
            EXPECT_EQ(RegOpenKeyExA(key, text.c_str(), 0, KEY_READ, &sub), ERROR_SUCCESS) << text;
            RegCloseKey(sub);
        }
    }
    RegCloseKey(key);

    // Every line of the file is still one record: nothing broke a line.
    std::string file = ReadFile(registry.File("user.reg"));
    size_t start = file.find('\n') + 1;
    for (size_t end; (end = file.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = file.substr(start, end - start);
        EXPECT_TRUE(line.empty() || line[0] == '[' || line[0] == '"' || line[0] == '@') << line;
    }
}

TEST(RegistryNames, CompareIgnoringCaseAndKeepTheirCase)
{
    FreshRegistry registry;
    HKEY key = CreatedKey(HKEY_CURRENT_USER, "Software\\MixedCase");
    ASSERT_EQ(SetValue(key, "ValueName", REG_SZ, "first\0"s), ERROR_SUCCESS);
    ASSERT_EQ(SetValue(key, "VALUENAME", REG_SZ, "second\0"s), ERROR_SUCCESS);
    RegCloseKey(key);

    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\mixedcase", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);

    Restart();
    key = OpenedKey(HKEY_CURRENT_USER, "software");
    char name[64];
    DWORD nameSize = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "MixedCase");
    RegCloseKey(key);

    key = OpenedKey(HKEY_CURRENT_USER, "SOFTWARE\\MIXEDCASE");
    nameSize = sizeof name;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "ValueName");
    nameSize = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(ValueOf(key, "valuename").data, "second\0"s);
    RegCloseKey(key);
}

TEST(RegistryQuery, SizeQueriesAndTooSmallBuffers)
{
    FreshRegistry registry;
    HKEY key = CreatedKey(HKEY_CURRENT_USER, "Sizes");
    ASSERT_EQ(SetValue(key, "Text", REG_SZ, "abcdef\0"s), ERROR_SUCCESS);

    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 7u);

    char buffer[16] = {};
    size = 3;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    size = 7;
    ASSERT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "abcdef");

    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), nullptr),
              ERROR_INVALID_PARAMETER);

    // A string set without its terminator reports its own size and still
    // reads as text when the buffer has room.
    ASSERT_EQ(SetValue(key, "Bare", REG_SZ, "xyz"), ERROR_SUCCESS);
    std::memset(buffer, '#', sizeof buffer);
    size = sizeof buffer;
    ASSERT_EQ(RegQueryValueExA(key, "Bare", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    EXPECT_STREQ(buffer, "xyz");

    EXPECT_EQ(SetValue(key, "ShortDword", REG_DWORD, "abc"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetValue(key, "LongQword", REG_QWORD, "abcd"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetValue(key, std::string(16384, 'v'), REG_SZ, "x\0"s), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetValue(key, std::string(16383, 'v'), REG_SZ, "x\0"s), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(RegistryEnum, KeysInNameOrderValuesInOrderOfFirstSet)
{
    FreshRegistry registry;
    HKEY key = CreatedKey(HKEY_CURRENT_USER, "Enum");
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2"})
        RegCloseKey(CreatedKey(key, name));
    for (const char* name : {"z", "a", "m", "Z"})
        ASSERT_EQ(SetValue(key, name, REG_DWORD, "\1\0\0\0"s), ERROR_SUCCESS);

    std::vector<std::string> keys;
    char name[64];
    DWORD nameSize = sizeof name;
    for (DWORD i = 0; RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, nameSize = sizeof name) {
        EXPECT_EQ(nameSize, std::strlen(name));
        keys.push_back(name);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "gamma"}));
    nameSize = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, 4, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    nameSize = 5; // "Alpha" needs 6 with its terminator
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(RegEnumKeyA(key, 3, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "gamma");

    std::vector<std::string> values;
    nameSize = sizeof name;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, nameSize = sizeof name)
        values.push_back(name);
    EXPECT_EQ(values, (std::vector<std::string>{"z", "a", "m"}));

    DWORD subKeys = 0, longestKey = 0, valueCount = 0, longestName = 0, largestData = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &longestKey, nullptr, &valueCount,
                               &longestName, &largestData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 4u);
    EXPECT_EQ(longestKey, 6u);
    EXPECT_EQ(valueCount, 3u);
    EXPECT_EQ(longestName, 1u);
    EXPECT_EQ(largestData, 4u);
    RegCloseKey(key);
}

TEST(RegistryCreate, MakesIntermediateKeysAndEmptyKeysSurvive)
{
    FreshRegistry registry;
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "A\\B\\C\\", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);

    Restart();
    for (const char* path : {"A", "A\\B", "A\\B\\C"})
        RegCloseKey(OpenedKey(HKEY_CURRENT_USER, path));
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "a\\b\\c", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "A\\Missing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
}

TEST(RegistryHandles, BadPathsAndHandlesGiveErrors)
{
    FreshRegistry registry;
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "\\Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "A\\\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, std::string(256, 'k').c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(CreatedKey(HKEY_CURRENT_USER, std::string(255, 'k')));

    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x12345))), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);

    key = CreatedKey(HKEY_CURRENT_USER, "Handles");
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExA(key, nullptr, 0, KEY_READ, &again), ERROR_SUCCESS);
    EXPECT_NE(again, key);
    ASSERT_EQ(SetValue(key, "Shared", REG_SZ, "yes\0"s), ERROR_SUCCESS);
    EXPECT_EQ(ValueOf(again, "Shared").data, "yes\0"s);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ValueOf(key, "Shared").result, ERROR_INVALID_HANDLE);
    EXPECT_EQ(ValueOf(again, "Shared").data, "yes\0"s);
    RegCloseKey(again);
}

TEST(RegistryDelete, KeyWithSubKeysIsRefusedAndTreesGoWhole)
{
    FreshRegistry registry;
    RegCloseKey(CreatedKey(HKEY_CURRENT_USER, "Parent\\Child\\Grandchild"));
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Parent"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Parent\\Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "parent\\child\\grandchild"), ERROR_SUCCESS);

    HKEY child = OpenedKey(HKEY_CURRENT_USER, "Parent\\Child");
    ASSERT_EQ(SetValue(child, "v", REG_SZ, "x\0"s), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueA(child, "V"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(child, "v"), ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Parent"), ERROR_SUCCESS);
    EXPECT_EQ(ValueOf(child, "v").result, ERROR_KEY_DELETED);
    // A key made again under the same path is a different key.
    HKEY remade = CreatedKey(HKEY_CURRENT_USER, "Parent\\Child");
    EXPECT_EQ(ValueOf(child, "v").result, ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Parent\\Child"), ERROR_SUCCESS);
    RegCloseKey(remade);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Parent"), ERROR_SUCCESS);
    EXPECT_EQ(SetValue(child, "v", REG_SZ, "x\0"s), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);

    Restart();
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Parent", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryClassesRoot, IsTheMachineSoftwareClassesKey)
{
    FreshRegistry registry;
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, ".avi", REG_SZ, "AVIFile", 0), ERROR_SUCCESS);
    EXPECT_EQ(DefaultTextOf(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.avi"), "AVIFile");

    ASSERT_EQ(RegSetValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{1}", REG_SZ, "Filter", 0), ERROR_SUCCESS);
    Restart();
    EXPECT_EQ(DefaultTextOf(HKEY_CLASSES_ROOT, "clsid\\{1}"), "Filter");
    EXPECT_TRUE(std::filesystem::exists(registry.File("machine.reg")));
    EXPECT_FALSE(std::filesystem::exists(registry.File("user.reg")));
}

TEST(RegistryDefaultValue, IsTextOfTheSubKey)
{
    FreshRegistry registry;
    EXPECT_EQ(RegSetValueA(HKEY_CURRENT_USER, "Doc", REG_DWORD, "x", 0), ERROR_INVALID_PARAMETER);
    ASSERT_EQ(RegSetValueA(HKEY_CURRENT_USER, "Doc\\Shell", REG_SZ, "open", 0), ERROR_SUCCESS);
    LONG size = 0;
    ASSERT_EQ(RegQueryValueA(HKEY_CURRENT_USER, "Doc\\Shell", nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 5);
    char text[8];
    size = 2;
    EXPECT_EQ(RegQueryValueA(HKEY_CURRENT_USER, "Doc\\Shell", text, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(DefaultTextOf(HKEY_CURRENT_USER, "Doc"), "");
    size = sizeof text;
    EXPECT_EQ(RegQueryValueA(HKEY_CURRENT_USER, "Nowhere", text, &size), ERROR_FILE_NOT_FOUND);
}

void ExitBeforeRename(const char*, const char*) { _exit(7); }

TEST(RegistryPersistence, CrashBetweenWriteAndRenameKeepsTheOldHive)
{
    FreshRegistry registry;
    HKEY key = CreatedKey(HKEY_CURRENT_USER, "Crash");
    ASSERT_EQ(SetValue(key, "Value", REG_SZ, "old\0"s), ERROR_SUCCESS);
    size_t reportsBefore = win::RegistryDamageReports().size();

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        win::SetRegistryCommitHook(ExitBeforeRename);
        SetValue(key, "Value", REG_SZ, "new\0"s);
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(registry.FilesStartingWith("user.reg.tmp-").size(), 1u);

    Restart();
    EXPECT_EQ(ValueOf(key, "Value").data, "old\0"s);
    EXPECT_EQ(win::RegistryDamageReports().size(), reportsBefore);

    ASSERT_EQ(SetValue(key, "Value", REG_SZ, "newer\0"s), ERROR_SUCCESS);
    EXPECT_TRUE(registry.FilesStartingWith("user.reg.tmp-").empty());
    RegCloseKey(key);
}

TEST(RegistryPersistence, DamagedHiveIsSetAsideReportedAndReplaced)
{
    const std::vector<std::string> damaged = {
        "\x7f" "ELF not a registry\0\xff"s,
        "Kestrelon Registry 1\n[Good]\n\"x\"=bogus:1\n",
        "Kestrelon Registry 1\n[Bad\\\\Path]\n",
        "Kestrelon Registry 1\n\"outside\"=dword:1\n",
        "",
    };
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(bytes);
        FreshRegistry registry;
        std::string hive = registry.File("user.reg");
        {
            std::FILE* out = std::fopen(hive.c_str(), "wb");
            ASSERT_NE(out, nullptr);
            std::fwrite(bytes.data(), 1, bytes.size(), out);
            std::fclose(out);
        }
        size_t reportsBefore = win::RegistryDamageReports().size();

        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Good", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);

        std::vector<std::string> reports = win::RegistryDamageReports();
        ASSERT_EQ(reports.size(), reportsBefore + 1);
        EXPECT_NE(reports.back().find(hive), std::string::npos) << reports.back();
        std::vector<std::string> aside = registry.FilesStartingWith("user.reg.damaged-");
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(ReadFile(registry.File(aside[0])), bytes);

        RegCloseKey(CreatedKey(HKEY_CURRENT_USER, "Fresh"));
        Restart();
        RegCloseKey(OpenedKey(HKEY_CURRENT_USER, "Fresh"));
        EXPECT_EQ(win::RegistryDamageReports().size(), reportsBefore + 1);
    }
}

// A key name holding an escaped backslash was written back bare, which the
// next process refused: the whole hive was set aside.
TEST(RegistryPersistence, AKeyNameWithAnEscapedBackslashSurvivesAnUnrelatedSave)
{
    FreshRegistry registry;
    const std::string hive = registry.File("user.reg");
    {
        std::FILE* out = std::fopen(hive.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        const std::string text = "Kestrelon Registry 1\n[a%5c]\n[Settings]\n\"Keep\"=dword:0000002a\n";
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
    }
    const size_t reportsBefore = win::RegistryDamageReports().size();
    HKEY other = CreatedKey(HKEY_CURRENT_USER, "Other");
    ASSERT_EQ(SetValue(other, "x", REG_DWORD, "\1\0\0\0"s), ERROR_SUCCESS);
    RegCloseKey(other);
    Restart();

    HKEY settings = OpenedKey(HKEY_CURRENT_USER, "Settings");
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegQueryValueExA(settings, "Keep", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 42u);
    RegCloseKey(settings);
    char name[16];
    EXPECT_EQ(RegEnumKeyA(HKEY_CURRENT_USER, 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "a\\");
    EXPECT_EQ(win::RegistryDamageReports().size(), reportsBefore);
    EXPECT_TRUE(registry.FilesStartingWith("user.reg.damaged-").empty());
}

// Sets `count` values named after `who` in HKCU\Race; true when all took.
bool SetManyValues(const std::string& who, int count)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Race", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        DWORD number = static_cast<DWORD>(i);
        ok &= SetValue(key, who + std::to_string(i), REG_DWORD, std::string(reinterpret_cast<char*>(&number), 4)) ==
              ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return ok;
}

TEST(RegistryThreads, ThreadsWritingTogetherLoseNothing)
{
    FreshRegistry registry;
    constexpr int kCount = 25;
    std::vector<std::thread> threads;
    std::atomic<bool> ok{true};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            if (!SetManyValues("thread" + std::to_string(t) + "-", kCount))
                ok = false;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_TRUE(ok);
    Restart();
    HKEY key = OpenedKey(HKEY_CURRENT_USER, "Race");
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 4u * kCount);
    RegCloseKey(key);
}

TEST(RegistryPersistence, TwoProcessesWritingTogetherLoseNothing)
{
    FreshRegistry registry;
    constexpr int kCount = 100;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char start;
        close(go[1]);
        bool ok = read(go[0], &start, 1) == 1 && SetManyValues("child", kCount);
        _exit(ok ? 0 : 1);
    }
    close(go[0]);
    ASSERT_EQ(write(go[1], "!", 1), 1);
    close(go[1]);
    EXPECT_TRUE(SetManyValues("parent", kCount));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    HKEY key = OpenedKey(HKEY_CURRENT_USER, "Race");
    for (const char* who : {"child", "parent"})
        for (int i = 0; i < kCount; ++i)
            EXPECT_EQ(ValueOf(key, who + std::to_string(i)).result, ERROR_SUCCESS) << who << i;
    RegCloseKey(key);

    Restart();
    key = OpenedKey(HKEY_CURRENT_USER, "Race");
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u * kCount);
    RegCloseKey(key);
}

} // namespace
