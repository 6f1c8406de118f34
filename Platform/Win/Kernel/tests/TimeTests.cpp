#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "Platform/Win/Kernel/System.h"
#include "Platform/Win/Kernel/Time.h"

namespace {

// Switches the C library's time zone for the life of the object.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old, m_had = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string m_old;
    bool m_had = false;
};

SYSTEMTIME MakeSystemTime(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0,
                          WORD milliseconds = 0)
{
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    st.wMilliseconds = milliseconds;
    return st;
}

ULONGLONG Ticks(const FILETIME& time) { return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

FILETIME FromTicks(ULONGLONG ticks) { return FILETIME{DWORD(ticks & 0xFFFFFFFFu), DWORD(ticks >> 32)}; }

constexpr ULONGLONG kTicksPerHour = 36000000000ull;

TEST(Time, SystemTimeRoundTrips)
{
    struct Case {
        SYSTEMTIME time;
        ULONGLONG ticks;
        WORD dayOfWeek;
    };
    const Case cases[] = {
        {MakeSystemTime(1601, 1, 1), 0, 1},
        {MakeSystemTime(1900, 3, 1), 94405824000000000ull, 4},
        {MakeSystemTime(1970, 1, 1), 116444736000000000ull, 4},
        {MakeSystemTime(2000, 2, 29, 12, 34, 56, 789), 125963012967890000ull, 2},
        {MakeSystemTime(2038, 1, 19, 3, 14, 8), 137919572480000000ull, 2},
        {MakeSystemTime(30827, 12, 31, 23, 59, 59, 999), 9223149887999990000ull, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time.wYear);
        FILETIME fileTime{};
        ASSERT_TRUE(SystemTimeToFileTime(&c.time, &fileTime));
        EXPECT_EQ(Ticks(fileTime), c.ticks);
        SYSTEMTIME back{};
        ASSERT_TRUE(FileTimeToSystemTime(&fileTime, &back));
        SYSTEMTIME expected = c.time;
        expected.wDayOfWeek = c.dayOfWeek;
        EXPECT_EQ(std::memcmp(&back, &expected, sizeof back), 0)
            << back.wYear << "-" << back.wMonth << "-" << back.wDay << " " << back.wHour << ":" << back.wMinute
            << ":" << back.wSecond << "." << back.wMilliseconds << " day " << back.wDayOfWeek;
    }
}

TEST(Time, InvalidSystemTimesAreRejected)
{
    const SYSTEMTIME cases[] = {
        MakeSystemTime(2001, 0, 1),           MakeSystemTime(2001, 13, 1),       MakeSystemTime(2001, 1, 0),
        MakeSystemTime(2001, 2, 29),          MakeSystemTime(1900, 2, 29),       MakeSystemTime(2001, 4, 31),
        MakeSystemTime(2001, 1, 32),          MakeSystemTime(2001, 1, 1, 24),    MakeSystemTime(2001, 1, 1, 0, 60),
        MakeSystemTime(2001, 1, 1, 0, 0, 60), MakeSystemTime(2001, 1, 1, 0, 0, 0, 1000),
        MakeSystemTime(1600, 12, 31),         MakeSystemTime(30828, 1, 1),
    };
    for (const SYSTEMTIME& st : cases) {
        SCOPED_TRACE(testing::Message() << st.wYear << "-" << st.wMonth << "-" << st.wDay << " " << st.wHour << ":"
                                        << st.wMinute << ":" << st.wSecond << "." << st.wMilliseconds);
        FILETIME fileTime{0x1234, 0x5678};
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&st, &fileTime));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    SYSTEMTIME leapDay = MakeSystemTime(2000, 2, 29);
    leapDay.wDayOfWeek = 6; // wrong, and ignored
    FILETIME fileTime{};
    EXPECT_TRUE(SystemTimeToFileTime(&leapDay, &fileTime));
}

TEST(Time, FileTimeToSystemTimeRejectsTimesPastTheRange)
{
    FILETIME negative = FromTicks(0x8000000000000000ull);
    SYSTEMTIME st{};
    EXPECT_FALSE(FileTimeToSystemTime(&negative, &st));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(FileTimeToSystemTime(nullptr, &st));
}

TEST(Time, UnixConversions)
{
    EXPECT_EQ(Ticks(win::FileTimeFromUnix(0)), 116444736000000000ull);
    EXPECT_EQ(Ticks(win::FileTimeFromUnix(1, 500)), 116444736010000005ull);
    EXPECT_EQ(Ticks(win::FileTimeFromUnix(-1)), 116444735990000000ull);
    EXPECT_EQ(Ticks(win::FileTimeFromUnix(-20000000000ll)), 0u) << "before 1601 clamps to the start";

    EXPECT_EQ(win::UnixSecondsFromFileTime(FromTicks(116444736019999999ull)), 1);
    EXPECT_EQ(win::UnixSecondsFromFileTime(FromTicks(116444735995000000ull)), -1) << "rounds towards the past";
    EXPECT_EQ(win::UnixSecondsFromFileTime(FromTicks(0)), -11644473600ll);
}

TEST(Time, LocalFileTimesFollowTheTimeZone)
{
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    SYSTEMTIME winter = MakeSystemTime(2021, 1, 15, 12, 0, 0, 250);
    SYSTEMTIME summer = MakeSystemTime(2021, 7, 15, 12, 0, 0, 250);
    for (const auto& [time, hours] : {std::pair{winter, 1ull}, std::pair{summer, 2ull}}) {
        SCOPED_TRACE(time.wMonth);
        FILETIME utc{}, local{}, back{};
        ASSERT_TRUE(SystemTimeToFileTime(&time, &utc));
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
        EXPECT_EQ(Ticks(local) - Ticks(utc), hours * kTicksPerHour);
        ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
        EXPECT_EQ(Ticks(back), Ticks(utc));
    }
}

TEST(Time, CurrentTimesAgree)
{
    ScopedTimeZone zone("XST-3");
    FILETIME before{}, after{};
    SYSTEMTIME system{}, local{};
    GetSystemTimeAsFileTime(&before);
    GetSystemTime(&system);
    GetLocalTime(&local);
    GetSystemTimeAsFileTime(&after);

    FILETIME systemTicks{}, localTicks{};
    ASSERT_TRUE(SystemTimeToFileTime(&system, &systemTicks));
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTicks));
    constexpr ULONGLONG kMillisecond = 10000;
    EXPECT_GE(Ticks(systemTicks) + kMillisecond, Ticks(before));
    EXPECT_LE(Ticks(systemTicks), Ticks(after));
    EXPECT_GE(Ticks(localTicks) - 3 * kTicksPerHour + kMillisecond, Ticks(before));
    EXPECT_LE(Ticks(localTicks) - 3 * kTicksPerHour, Ticks(after));

    SYSTEMTIME check{};
    ASSERT_TRUE(FileTimeToSystemTime(&systemTicks, &check));
    EXPECT_EQ(system.wDayOfWeek, check.wDayOfWeek);
}

TEST(Time, CompareFileTime)
{
    const FILETIME low = FromTicks(0x00000001FFFFFFFFull);
    const FILETIME high = FromTicks(0x0000000200000000ull);
    EXPECT_EQ(CompareFileTime(&low, &high), -1);
    EXPECT_EQ(CompareFileTime(&high, &low), 1);
    EXPECT_EQ(CompareFileTime(&low, &low), 0);
}

TEST(Time, ClocksAdvanceWithSleep)
{
    LARGE_INTEGER frequency{}, start{}, end{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 1000000000);
    ULONGLONG ticksBefore = GetTickCount64();
    ASSERT_TRUE(QueryPerformanceCounter(&start));
    Sleep(0);
    Sleep(30);
    ASSERT_TRUE(QueryPerformanceCounter(&end));
    EXPECT_GE(end.QuadPart - start.QuadPart, 30000000);
    EXPECT_GE(GetTickCount64() - ticksBefore, 30u);
    DWORD wrapped = GetTickCount();
    EXPECT_LE(DWORD(GetTickCount64()) - wrapped, 1000u) << "the same clock, wrapped";
    EXPECT_GE(timeGetTime() - DWORD(ticksBefore), 30u);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

} // namespace
