#pragma once
// Clocks and calendar time. FILETIME counts 100 ns intervals since
// 1601-01-01 UTC; local time follows the C library's time zone.

#include "Platform/Win/Base/WinTypes.h"

// Milliseconds since an arbitrary start (a monotonic clock), wrapping at 2^32.
DWORD GetTickCount();
ULONGLONG GetTickCount64();
// The multimedia timer's milliseconds: the same clock as GetTickCount.
DWORD timeGetTime();
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

void GetSystemTime(LPSYSTEMTIME time);
void GetLocalTime(LPSYSTEMTIME time);
void GetSystemTimeAsFileTime(LPFILETIME time);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
BOOL FileTimeToLocalFileTime(const FILETIME* utc, LPFILETIME local);
BOOL LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc);
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);

void Sleep(DWORD milliseconds);

namespace win {
// Conversions between FILETIME and Unix time (seconds and nanoseconds).
FILETIME FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds = 0);
std::int64_t UnixSecondsFromFileTime(const FILETIME& time);
} // namespace win
