#pragma once
// CTime and CTimeSpan over 64-bit seconds. A CTime is an instant (seconds
// since 1970-01-01 UTC); its calendar parts are read in the C library's
// local time zone, as MFC reads them.

#include <ctime>

#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WinTypes.h"

static_assert(sizeof(std::time_t) == 8, "CTime needs a 64-bit time_t");

class CTimeSpan {
public:
    CTimeSpan() = default;
    CTimeSpan(std::time_t time) : m_timeSpan(time) {}
    CTimeSpan(LONG lDays, int nHours, int nMins, int nSecs);

    LONGLONG GetDays() const { return m_timeSpan / (24 * 3600); }
    LONGLONG GetTotalHours() const { return m_timeSpan / 3600; }
    LONG GetHours() const { return static_cast<LONG>(GetTotalHours() - GetDays() * 24); }
    LONGLONG GetTotalMinutes() const { return m_timeSpan / 60; }
    LONG GetMinutes() const { return static_cast<LONG>(GetTotalMinutes() - GetTotalHours() * 60); }
    LONGLONG GetTotalSeconds() const { return m_timeSpan; }
    LONG GetSeconds() const { return static_cast<LONG>(GetTotalSeconds() - GetTotalMinutes() * 60); }

    // %D days, %H hours (two digits), %M minutes, %S seconds, %% a percent
    // sign. Any other "%x" is copied as it stands.
    CString Format(LPCSTR pFormat) const;

    CTimeSpan operator-(CTimeSpan timeSpan) const { return m_timeSpan - timeSpan.m_timeSpan; }
    CTimeSpan operator+(CTimeSpan timeSpan) const { return m_timeSpan + timeSpan.m_timeSpan; }
    CTimeSpan operator-() const { return -m_timeSpan; }
    const CTimeSpan& operator+=(CTimeSpan timeSpan);
    const CTimeSpan& operator-=(CTimeSpan timeSpan);
    bool operator==(CTimeSpan timeSpan) const { return m_timeSpan == timeSpan.m_timeSpan; }
    bool operator!=(CTimeSpan timeSpan) const { return m_timeSpan != timeSpan.m_timeSpan; }
    bool operator<(CTimeSpan timeSpan) const { return m_timeSpan < timeSpan.m_timeSpan; }
    bool operator>(CTimeSpan timeSpan) const { return m_timeSpan > timeSpan.m_timeSpan; }
    bool operator<=(CTimeSpan timeSpan) const { return m_timeSpan <= timeSpan.m_timeSpan; }
    bool operator>=(CTimeSpan timeSpan) const { return m_timeSpan >= timeSpan.m_timeSpan; }

private:
    std::time_t m_timeSpan = 0;
};

class CTime {
public:
    static CTime PASCAL GetCurrentTime();

    CTime() = default;
    CTime(std::time_t time) : m_time(time) {}
    // Local calendar time; nDST < 0 lets the C library decide whether
    // daylight saving applies. Out-of-range parts are normalised (month 13 is
    // January of the next year) as mktime does.
    CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1);
    CTime(WORD wDosDate, WORD wDosTime, int nDST = -1);
    // A SYSTEMTIME in local time; a year before 1900 (an unset structure)
    // gives time 0.
    CTime(const SYSTEMTIME& sysTime, int nDST = -1);
    // A FILETIME is UTC and gives that instant exactly.
    CTime(const FILETIME& fileTime, int nDST = -1);

    std::time_t GetTime() const { return m_time; }
    // With a null argument the result lives in storage of the calling
    // thread until its next call.
    struct tm* GetLocalTm(struct tm* ptm = nullptr) const;
    struct tm* GetGmtTm(struct tm* ptm = nullptr) const;
    BOOL GetAsSystemTime(SYSTEMTIME& timeDest) const;

    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const; // 1 = Sunday

    // strftime codes, in local time or UTC.
    CString Format(LPCSTR pFormat) const;
    CString FormatGmt(LPCSTR pFormat) const;

    CTimeSpan operator-(CTime time) const { return m_time - time.m_time; }
    CTime operator-(CTimeSpan timeSpan) const { return m_time - timeSpan.GetTotalSeconds(); }
    CTime operator+(CTimeSpan timeSpan) const { return m_time + timeSpan.GetTotalSeconds(); }
    const CTime& operator+=(CTimeSpan timeSpan);
    const CTime& operator-=(CTimeSpan timeSpan);
    bool operator==(CTime time) const { return m_time == time.m_time; }
    bool operator!=(CTime time) const { return m_time != time.m_time; }
    bool operator<(CTime time) const { return m_time < time.m_time; }
    bool operator>(CTime time) const { return m_time > time.m_time; }
    bool operator<=(CTime time) const { return m_time <= time.m_time; }
    bool operator>=(CTime time) const { return m_time >= time.m_time; }

private:
    std::time_t m_time = 0;
};
