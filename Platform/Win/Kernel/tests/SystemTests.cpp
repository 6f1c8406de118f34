#include <gtest/gtest.h>

#include <clocale>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "Platform/Win/Base/GuidText.h"
#include "Platform/Win/Kernel/Kernel.h"
#include "Platform/Win/Kernel/RuntimeFolder.h"

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old, m_had = true;
        setenv(name, value, 1);
    }
    ~ScopedEnv()
    {
        if (m_had)
            setenv(m_name.c_str(), m_old.c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

private:
    std::string m_name, m_old;
    bool m_had = false;
};

SYSTEMTIME MakeTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD weekday)
{
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    st.wDayOfWeek = weekday;
    return st;
}

TEST(System, EnvironmentVariables)
{
    ASSERT_TRUE(SetEnvironmentVariableA("KESTRELON_SYSTEM_TEST", "value"));
    char buffer[16];
    EXPECT_EQ(GetEnvironmentVariableA("KESTRELON_SYSTEM_TEST", buffer, sizeof buffer), 5u);
    EXPECT_STREQ(buffer, "value");
    char tiny[3];
    EXPECT_EQ(GetEnvironmentVariableA("KESTRELON_SYSTEM_TEST", tiny, sizeof tiny), 6u) << "size needed";

    char expanded[64];
    DWORD n = ExpandEnvironmentStringsA("[%KESTRELON_SYSTEM_TEST%|%NO_SUCH_VARIABLE_X%|100%]", expanded,
                                        sizeof expanded);
    EXPECT_STREQ(expanded, "[value|%NO_SUCH_VARIABLE_X%|100%]");
    EXPECT_EQ(n, std::string(expanded).size() + 1);

    ASSERT_TRUE(SetEnvironmentVariableA("KESTRELON_SYSTEM_TEST", nullptr));
    EXPECT_EQ(GetEnvironmentVariableA("KESTRELON_SYSTEM_TEST", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
}

TEST(System, UserAndVersion)
{
    char name[256];
    DWORD size = sizeof name;
    ASSERT_TRUE(GetUserNameA(name, &size));
    EXPECT_EQ(size, std::string(name).size() + 1);
    DWORD tooSmall = 1;
    EXPECT_FALSE(GetUserNameA(name, &tooSmall));
    EXPECT_EQ(tooSmall, size);

    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(&version));
    EXPECT_EQ(version.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_GE(version.dwMajorVersion, 4u);
}

TEST(System, LocaleTextsInTheCLocale)
{
    ScopedEnv all("LC_ALL", "C");
    char separator[2];
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator), 2);
    EXPECT_STREQ(separator, ".");
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, nullptr, 0), 2) << "size query";
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, 0x7777, separator, sizeof separator), 0);

    SYSTEMTIME st = MakeTime(2026, 3, 7, 14, 5, 9, 6);
    char text[128];
    ASSERT_GT(GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, text, sizeof text), 0);
    EXPECT_STREQ(text, "14:05");
    ASSERT_GT(GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, sizeof text), 0);
    EXPECT_STREQ(text, "03/07/26");
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(System, PictureFormats)
{
    SYSTEMTIME st = MakeTime(2026, 3, 7, 14, 5, 9, 6);
    struct Case {
        const char* picture;
        const char* expected;
        bool date;
    };
    const Case cases[] = {
        {"dd/MM/yyyy", "07/03/2026", true},
        {"d MMM yy", "7 Mar 26", true},
        {"dddd, MMMM d", "Saturday, March 7", true},
        {"'Day' d", "Day 7", true},
        {"hh:mm tt", "02:05 PM", false},
        {"H:mm:ss", "14:05:09", false},
    };
    for (const Case& c : cases) {
        char text[128];
        int n = c.date ? GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, c.picture, text, sizeof text)
                       : GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, c.picture, text, sizeof text);
        EXPECT_GT(n, 0) << c.picture;
        EXPECT_STREQ(text, c.expected) << c.picture;
    }
}

TEST(System, DebugOutputReachesTheSink)
{
    static std::vector<std::string> lines;
    lines.clear();
    win::SetDebugSink([](const char* text) { lines.push_back(text); });
    OutputDebugStringA("CAMPlayControl::Play entered\n");
    OutputDebugStringA(nullptr);
    win::SetDebugSink(nullptr);
    OutputDebugStringA("not captured\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "CAMPlayControl::Play entered\n");
}

TEST(System, CloseHandleRejectsUnknownHandles)
{
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(0x7777000)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_TRUE(CloseHandle(GetCurrentProcess())) << "pseudo handles need no closing";
}

TEST(System, OpenProcessFindsRunningProcessesOnly)
{
    HANDLE self = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, GetCurrentProcessId());
    ASSERT_NE(self, nullptr);
    EXPECT_TRUE(CloseHandle(self));
    for (DWORD missing : {0u, 0x7FFFFFFEu, 0xFFFFFFFFu}) {
        SetLastError(0);
        EXPECT_EQ(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, missing), nullptr) << missing;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << missing;
    }
}

TEST(System, RuntimeFolderIsPrivateToTheUser)
{
    {
        ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/test/");
        EXPECT_EQ(win::RuntimeFolder(), "/run/user/test");
    }
    std::string saved = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
    unsetenv("XDG_RUNTIME_DIR");
    std::string folder = win::RuntimeFolder();
    if (!saved.empty())
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    EXPECT_EQ(folder, "/tmp/kestrelon-" + std::to_string(geteuid()));
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(System, GuidTextForm)
{
    const GUID g = {0x12345678, 0x9ABC, 0xDEF0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    EXPECT_EQ(win::GuidToString(g), "{12345678-9ABC-DEF0-0123-456789ABCDEF}");
    GUID parsed{};
    ASSERT_TRUE(win::GuidFromString("{12345678-9abc-def0-0123-456789abcdef}", &parsed));
    EXPECT_EQ(parsed, g);
    for (const char* bad : {"", "12345678-9ABC-DEF0-0123-456789ABCDEF", "{12345678-9ABC-DEF0-0123-456789ABCDEG}",
                            "{12345678-9ABC-DEF00123-456789ABCDEF}", "{12345678-9ABC-DEF0-0123-456789ABCDEF"}) {
        EXPECT_FALSE(win::GuidFromString(bad, &parsed)) << bad;
    }
    EXPECT_TRUE(GUID_NULL < g);
    EXPECT_FALSE(g < g);
    EXPECT_NE(g, GUID_NULL);
}

} // namespace
