#include "Platform/Win/Kernel/Time.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <limits>
#include <sched.h>
#include <thread>

#include "Platform/Win/Kernel/System.h"

namespace {

// 100 ns intervals between 1601-01-01 and 1970-01-01, both UTC.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000;
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kTicksPerMillisecond = 10000;
constexpr std::int64_t kTicksPerDay = kTicksPerSecond * 86400;
constexpr std::int64_t kMaxTicks = std::numeric_limits<std::int64_t>::max();

std::int64_t FloorDivide(std::int64_t value, std::int64_t divisor)
{
    std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

std::uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FromTicks(std::uint64_t ticks)
{
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    std::int64_t era = FloorDivide(year, 400);
    std::int64_t yearOfEra = year - era * 400;
    std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate CivilFromDays(std::int64_t days)
{
    days += 719468;
    std::int64_t era = FloorDivide(days, 146097);
    std::int64_t dayOfEra = days - era * 146097;
    std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    unsigned day = static_cast<unsigned>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    unsigned month = static_cast<unsigned>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    return CivilDate{yearOfEra + era * 400 + (month <= 2), month, day};
}

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(unsigned year, unsigned month)
{
    constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

SYSTEMTIME SystemTimeFromTicks(std::int64_t ticks)
{
    std::int64_t sinceUnix = ticks - kUnixEpochTicks;
    std::int64_t days = FloorDivide(sinceUnix, kTicksPerDay);
    std::int64_t withinDay = sinceUnix - days * kTicksPerDay;
    CivilDate date = CivilFromDays(days);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(date.year);
    st.wMonth = static_cast<WORD>(date.month);
    st.wDay = static_cast<WORD>(date.day);
    std::int64_t sinceThursday = days + 4; // 1970-01-01 was a Thursday
    st.wDayOfWeek = static_cast<WORD>(sinceThursday - FloorDivide(sinceThursday, 7) * 7);
    st.wHour = static_cast<WORD>(withinDay / (kTicksPerSecond * 3600));
    st.wMinute = static_cast<WORD>(withinDay / (kTicksPerSecond * 60) % 60);
    st.wSecond = static_cast<WORD>(withinDay / kTicksPerSecond % 60);
    st.wMilliseconds = static_cast<WORD>(withinDay / kTicksPerMillisecond % 1000);
    return st;
}

timespec Now(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return now;
}

std::uint64_t MonotonicNanoseconds()
{
    timespec now = Now(CLOCK_MONOTONIC);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}

} // namespace

namespace win {

FILETIME FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds)
{
    __int128 ticks = static_cast<__int128>(seconds) * kTicksPerSecond + FloorDivide(nanoseconds, 100) + kUnixEpochTicks;
    if (ticks < 0)
        ticks = 0;
    if (ticks > kMaxTicks)
        ticks = kMaxTicks;
    return FromTicks(static_cast<std::uint64_t>(ticks));
}

std::int64_t UnixSecondsFromFileTime(const FILETIME& time)
{
    __int128 sinceUnix = static_cast<__int128>(Ticks(time)) - kUnixEpochTicks;
    __int128 seconds = sinceUnix / kTicksPerSecond;
    if (sinceUnix % kTicksPerSecond < 0)
        --seconds;
    return static_cast<std::int64_t>(seconds);
}

} // namespace win

ULONGLONG GetTickCount64() { return MonotonicNanoseconds() / 1000000u; }

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

DWORD timeGetTime() { return GetTickCount(); }

BOOL QueryPerformanceCounter(LARGE_INTEGER* count)
{
    if (!count) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    count->QuadPart = static_cast<LONGLONG>(MonotonicNanoseconds());
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (!frequency) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    frequency->QuadPart = 1000000000;
    return TRUE;
}

void GetSystemTimeAsFileTime(LPFILETIME time)
{
    if (!time)
        return;
    timespec now = Now(CLOCK_REALTIME);
    *time = win::FileTimeFromUnix(now.tv_sec, now.tv_nsec);
}

void GetSystemTime(LPSYSTEMTIME time)
{
    if (!time)
        return;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    *time = SystemTimeFromTicks(static_cast<std::int64_t>(Ticks(now)));
}

void GetLocalTime(LPSYSTEMTIME time)
{
    if (!time)
        return;
    FILETIME utc{};
    FILETIME local{};
    GetSystemTimeAsFileTime(&utc);
    if (!FileTimeToLocalFileTime(&utc, &local))
        local = utc;
    *time = SystemTimeFromTicks(static_cast<std::int64_t>(Ticks(local)));
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime)
{
    if (!fileTime || !systemTime || Ticks(*fileTime) > static_cast<std::uint64_t>(kMaxTicks)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *systemTime = SystemTimeFromTicks(static_cast<std::int64_t>(Ticks(*fileTime)));
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME fileTime)
{
    // The day of the week is ignored, as on Windows.
    bool valid = st && fileTime && st->wYear >= 1601 && st->wYear <= 30827 && st->wMonth >= 1 && st->wMonth <= 12 &&
                 st->wDay >= 1 && st->wDay <= DaysInMonth(st->wYear, st->wMonth) && st->wHour < 24 &&
                 st->wMinute < 60 && st->wSecond < 60 && st->wMilliseconds < 1000;
    if (!valid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay);
    std::int64_t ticks = kUnixEpochTicks + days * kTicksPerDay +
                         (st->wHour * 3600 + st->wMinute * 60 + st->wSecond) * kTicksPerSecond +
                         st->wMilliseconds * kTicksPerMillisecond;
    *fileTime = FromTicks(static_cast<std::uint64_t>(ticks));
    return TRUE;
}

// The offset of the C library's time zone at that instant, so that times in
// summer and winter each get their own offset.
BOOL FileTimeToLocalFileTime(const FILETIME* utc, LPFILETIME local)
{
    if (!utc || !local || Ticks(*utc) > static_cast<std::uint64_t>(kMaxTicks)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    time_t seconds = static_cast<time_t>(win::UnixSecondsFromFileTime(*utc));
    std::tm parts{};
    if (!localtime_r(&seconds, &parts)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::int64_t ticks = 0;
    if (__builtin_add_overflow(static_cast<std::int64_t>(Ticks(*utc)), parts.tm_gmtoff * kTicksPerSecond, &ticks) ||
        ticks < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *local = FromTicks(static_cast<std::uint64_t>(ticks));
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc)
{
    if (!local || !utc || Ticks(*local) > static_cast<std::uint64_t>(kMaxTicks)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::int64_t wallSeconds = win::UnixSecondsFromFileTime(*local);
    std::uint64_t fraction = Ticks(*local) - Ticks(win::FileTimeFromUnix(wallSeconds));
    time_t wall = static_cast<time_t>(wallSeconds);
    std::tm parts{};
    if (!gmtime_r(&wall, &parts)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    parts.tm_isdst = -1;
    errno = 0;
    time_t seconds = mktime(&parts);
    if (seconds == static_cast<time_t>(-1) && errno != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::uint64_t ticks = Ticks(win::FileTimeFromUnix(seconds)) + fraction;
    if (ticks > static_cast<std::uint64_t>(kMaxTicks)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *utc = FromTicks(ticks);
    return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b)
{
    std::uint64_t left = a ? Ticks(*a) : 0;
    std::uint64_t right = b ? Ticks(*b) : 0;
    return left < right ? -1 : left > right ? 1 : 0;
}

void Sleep(DWORD milliseconds)
{
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
