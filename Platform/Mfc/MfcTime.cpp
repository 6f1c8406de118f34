#include "Platform/Mfc/MfcTime.h"

#include <cstdio>
#include <string>

#include "Platform/Win/Kernel/Time.h"

namespace {

// strftime returns 0 both for an empty result and for a full buffer, so the
// buffer grows a few times before the result is taken as empty.
CString FormatTm(LPCSTR pFormat, const std::tm* tm)
{
    if (!pFormat || !*pFormat || !tm)
        return CString();
    std::string out(256, '\0');
    for (int attempt = 0; attempt < 5; ++attempt) {
        size_t n = std::strftime(out.data(), out.size(), pFormat, tm);
        if (n > 0)
            return CString(out.data(), static_cast<int>(n));
        out.resize(out.size() * 4);
    }
    return CString();
}

std::tm LocalParts(std::time_t time)
{
    std::tm tm{};
    localtime_r(&time, &tm);
    return tm;
}

} // namespace

CTimeSpan::CTimeSpan(LONG lDays, int nHours, int nMins, int nSecs)
    : m_timeSpan(nSecs + 60 * (nMins + 60 * (nHours + static_cast<std::time_t>(24) * lDays)))
{
}

CString CTimeSpan::Format(LPCSTR pFormat) const
{
    CString out;
    if (!pFormat)
        return out;
    char number[32];
    for (const char* p = pFormat; *p; ++p) {
        if (*p != '%' || !p[1]) {
            out += *p;
            continue;
        }
        switch (*++p) {
        case '%':
            out += '%';
            break;
        case 'D':
            std::snprintf(number, sizeof number, "%lld", static_cast<long long>(GetDays()));
            out += number;
            break;
        case 'H':
            std::snprintf(number, sizeof number, "%02d", static_cast<int>(GetHours()));
            out += number;
            break;
        case 'M':
            std::snprintf(number, sizeof number, "%02d", static_cast<int>(GetMinutes()));
            out += number;
            break;
        case 'S':
            std::snprintf(number, sizeof number, "%02d", static_cast<int>(GetSeconds()));
            out += number;
            break;
        default:
            out += '%';
            out += *p;
            break;
        }
    }
    return out;
}

const CTimeSpan& CTimeSpan::operator+=(CTimeSpan timeSpan)
{
    m_timeSpan += timeSpan.m_timeSpan;
    return *this;
}

const CTimeSpan& CTimeSpan::operator-=(CTimeSpan timeSpan)
{
    m_timeSpan -= timeSpan.m_timeSpan;
    return *this;
}

CTime PASCAL CTime::GetCurrentTime() { return CTime(std::time(nullptr)); }

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST)
{
    std::tm tm{};
    tm.tm_year = nYear - 1900;
    tm.tm_mon = nMonth - 1;
    tm.tm_mday = nDay;
    tm.tm_hour = nHour;
    tm.tm_min = nMin;
    tm.tm_sec = nSec;
    tm.tm_isdst = nDST;
    m_time = std::mktime(&tm);
}

CTime::CTime(WORD wDosDate, WORD wDosTime, int nDST)
    : CTime((wDosDate >> 9) + 1980, (wDosDate >> 5) & 0xF, wDosDate & 0x1F, wDosTime >> 11, (wDosTime >> 5) & 0x3F,
            (wDosTime & 0x1F) * 2, nDST)
{
}

CTime::CTime(const SYSTEMTIME& sysTime, int nDST)
{
    if (sysTime.wYear >= 1900)
        *this = CTime(sysTime.wYear, sysTime.wMonth, sysTime.wDay, sysTime.wHour, sysTime.wMinute, sysTime.wSecond,
                      nDST);
}

CTime::CTime(const FILETIME& fileTime, int nDST) : m_time(win::UnixSecondsFromFileTime(fileTime)) { (void)nDST; }

struct tm* CTime::GetLocalTm(struct tm* ptm) const
{
    static thread_local std::tm s_tm;
    std::tm* out = ptm ? ptm : &s_tm;
    return localtime_r(&m_time, out) ? out : nullptr;
}

struct tm* CTime::GetGmtTm(struct tm* ptm) const
{
    static thread_local std::tm s_tm;
    std::tm* out = ptm ? ptm : &s_tm;
    return gmtime_r(&m_time, out) ? out : nullptr;
}

BOOL CTime::GetAsSystemTime(SYSTEMTIME& timeDest) const
{
    std::tm tm{};
    if (!localtime_r(&m_time, &tm) || tm.tm_year + 1900 < 1601 || tm.tm_year + 1900 > 30827)
        return FALSE;
    timeDest.wYear = static_cast<WORD>(tm.tm_year + 1900);
    timeDest.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    timeDest.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    timeDest.wDay = static_cast<WORD>(tm.tm_mday);
    timeDest.wHour = static_cast<WORD>(tm.tm_hour);
    timeDest.wMinute = static_cast<WORD>(tm.tm_min);
    timeDest.wSecond = static_cast<WORD>(tm.tm_sec);
    timeDest.wMilliseconds = 0;
    return TRUE;
}

int CTime::GetYear() const { return LocalParts(m_time).tm_year + 1900; }
int CTime::GetMonth() const { return LocalParts(m_time).tm_mon + 1; }
int CTime::GetDay() const { return LocalParts(m_time).tm_mday; }
int CTime::GetHour() const { return LocalParts(m_time).tm_hour; }
int CTime::GetMinute() const { return LocalParts(m_time).tm_min; }
int CTime::GetSecond() const { return LocalParts(m_time).tm_sec; }
int CTime::GetDayOfWeek() const { return LocalParts(m_time).tm_wday + 1; }

CString CTime::Format(LPCSTR pFormat) const
{
    std::tm tm{};
    return FormatTm(pFormat, localtime_r(&m_time, &tm));
}

CString CTime::FormatGmt(LPCSTR pFormat) const
{
    std::tm tm{};
    return FormatTm(pFormat, gmtime_r(&m_time, &tm));
}

const CTime& CTime::operator+=(CTimeSpan timeSpan)
{
    m_time += timeSpan.GetTotalSeconds();
    return *this;
}

const CTime& CTime::operator-=(CTimeSpan timeSpan)
{
    m_time -= timeSpan.GetTotalSeconds();
    return *this;
}
