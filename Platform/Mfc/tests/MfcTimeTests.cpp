#include <string>

#include <gtest/gtest.h>

#include "Platform/Mfc/Mfc.h"

namespace {

// 1970-01-01 00:00:00 UTC as a FILETIME, plus `seconds`.
FILETIME FileTimeAtUnix(ULONGLONG seconds)
{
    ULONGLONG ticks = 116444736000000000ull + seconds * 10000000ull;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

} // namespace

TEST(MfcTimeSpan, PartsAndTotals)
{
    struct Case {
        CTimeSpan span;
        LONGLONG days, hours, minutes, seconds, totalHours, totalMinutes, totalSeconds;
    };
    const Case cases[] = {
        {CTimeSpan(1, 2, 3, 4), 1, 2, 3, 4, 26, 1563, 93784},
        {CTimeSpan(0, 0, 0, 59), 0, 0, 0, 59, 0, 0, 59},
        {CTimeSpan(0, 25, 61, 61), 1, 2, 2, 1, 26, 1562, 93721},
        {CTimeSpan(-93784), -1, -2, -3, -4, -26, -1563, -93784},
        {CTimeSpan(40000, 0, 0, 0), 40000, 0, 0, 0, 960000, 57600000, 3456000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.totalSeconds);
        EXPECT_EQ(c.span.GetDays(), c.days);
        EXPECT_EQ(c.span.GetHours(), c.hours);
        EXPECT_EQ(c.span.GetMinutes(), c.minutes);
        EXPECT_EQ(c.span.GetSeconds(), c.seconds);
        EXPECT_EQ(c.span.GetTotalHours(), c.totalHours);
        EXPECT_EQ(c.span.GetTotalMinutes(), c.totalMinutes);
        EXPECT_EQ(c.span.GetTotalSeconds(), c.totalSeconds);
    }
}

TEST(MfcTimeSpan, FormatExpandsDaysHoursMinutesSeconds)
{
    CTimeSpan span(3, 4, 5, 6);
    EXPECT_STREQ(span.Format("%D days %H:%M:%S %%"), "3 days 04:05:06 %");
    EXPECT_STREQ(span.Format("%X %"), "%X %");
    EXPECT_STREQ(span.Format(""), "");
}

TEST(MfcTimeSpan, ArithmeticAndComparisons)
{
    CTimeSpan hour(0, 1, 0, 0);
    CTimeSpan minute(0, 0, 1, 0);
    EXPECT_EQ((hour + minute).GetTotalSeconds(), 3660);
    EXPECT_EQ((hour - minute).GetTotalSeconds(), 3540);
    EXPECT_EQ((-hour).GetTotalSeconds(), -3600);
    CTimeSpan sum = hour;
    sum += minute;
    sum -= hour;
    EXPECT_TRUE(sum == minute);
    EXPECT_TRUE(minute < hour);
    EXPECT_TRUE(hour > minute);
    EXPECT_TRUE(hour >= hour && hour <= hour && hour != minute);
}

TEST(MfcTime, CalendarPartsRoundTripInLocalTime)
{
    CTime time(2003, 5, 17, 13, 45, 30);
    EXPECT_EQ(time.GetYear(), 2003);
    EXPECT_EQ(time.GetMonth(), 5);
    EXPECT_EQ(time.GetDay(), 17);
    EXPECT_EQ(time.GetHour(), 13);
    EXPECT_EQ(time.GetMinute(), 45);
    EXPECT_EQ(time.GetSecond(), 30);
    EXPECT_EQ(time.GetDayOfWeek(), 7); // a Saturday
    EXPECT_STREQ(time.Format("%Y-%m-%d %H:%M:%S %A"), "2003-05-17 13:45:30 Saturday");

    struct tm parts {};
    ASSERT_EQ(time.GetLocalTm(&parts), &parts);
    EXPECT_EQ(parts.tm_year, 103);
    ASSERT_NE(time.GetLocalTm(), nullptr);
    EXPECT_EQ(time.GetLocalTm()->tm_mday, 17);

    SYSTEMTIME st{};
    ASSERT_TRUE(time.GetAsSystemTime(st));
    EXPECT_EQ(st.wYear, 2003);
    EXPECT_EQ(st.wMonth, 5);
    EXPECT_EQ(st.wDayOfWeek, 6);
    EXPECT_EQ(st.wDay, 17);
    EXPECT_EQ(st.wHour, 13);
    EXPECT_EQ(st.wSecond, 30);
    EXPECT_EQ(CTime(st), time);

    WORD dosDate = static_cast<WORD>(((2003 - 1980) << 9) | (5 << 5) | 17);
    WORD dosTime = static_cast<WORD>((13 << 11) | (45 << 5) | (30 / 2));
    EXPECT_EQ(CTime(dosDate, dosTime), time);
}

TEST(MfcTime, OutOfRangePartsAreNormalised)
{
    EXPECT_EQ(CTime(2003, 13, 1, 0, 0, 0), CTime(2004, 1, 1, 0, 0, 0));
    EXPECT_EQ(CTime(2003, 3, 0, 12, 0, 0), CTime(2003, 2, 28, 12, 0, 0));
}

TEST(MfcTime, FileTimeIsTheUtcInstant)
{
    EXPECT_EQ(CTime(FileTimeAtUnix(0)).GetTime(), 0);
    EXPECT_EQ(CTime(FileTimeAtUnix(86400 + 61)).GetTime(), 86461);
    EXPECT_STREQ(CTime(FileTimeAtUnix(86461)).FormatGmt("%Y-%m-%d %H:%M:%S"), "1970-01-02 00:01:01");
    ASSERT_NE(CTime(0).GetGmtTm(), nullptr);
    EXPECT_EQ(CTime(0).GetGmtTm()->tm_year, 70);
}

TEST(MfcTime, UnsetSystemTimeGivesTimeZero)
{
    SYSTEMTIME unset{};
    EXPECT_EQ(CTime(unset).GetTime(), 0);
}

TEST(MfcTime, ArithmeticWithSpansAndComparisons)
{
    CTime start(2010, 6, 1, 12, 0, 0);
    CTime later = start + CTimeSpan(1, 2, 0, 0);
    EXPECT_EQ((later - start).GetTotalSeconds(), 26 * 3600);
    EXPECT_EQ(later - CTimeSpan(1, 2, 0, 0), start);
    CTime moving = start;
    moving += CTimeSpan(0, 0, 0, 30);
    moving -= CTimeSpan(0, 0, 0, 10);
    EXPECT_EQ(moving.GetTime() - start.GetTime(), 20);
    EXPECT_TRUE(start < later && later > start && start <= start && later >= later && start != later);
    CTime beyond2038(2040, 1, 1, 0, 0, 0);
    EXPECT_EQ(beyond2038.GetYear(), 2040);
    EXPECT_GT(beyond2038.GetTime(), 0x7FFFFFFF);
}

TEST(MfcTime, FormatGrowsForLongResultsAndHandlesEmpty)
{
    CTime time(0);
    std::string format;
    for (int i = 0; i < 200; ++i)
        format += "%Y";
    EXPECT_EQ(time.FormatGmt(format.c_str()).GetLength(), 800);
    EXPECT_STREQ(time.FormatGmt(""), "");
    EXPECT_STREQ(time.FormatGmt(nullptr), "");
}

TEST(MfcTime, CurrentTimeIsNow)
{
    CTime now = CTime::GetCurrentTime();
    EXPECT_GE(now.GetYear(), 2024);
}
