#include "Win32/Utils/MediaTime.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "Platform/Win/Kernel/Crt.h"

namespace {

constexpr double kMaxDword = 4294967295.0;

// Truncation toward zero into a signed 64-bit count; values beyond its range
// saturate and NaN gives 0, because the plain conversion is undefined there.
LONGLONG TruncateToInt64(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9223372036854775807.0)
        return std::numeric_limits<LONGLONG>::max();
    if (value <= -9223372036854775808.0)
        return std::numeric_limits<LONGLONG>::min();
    return static_cast<LONGLONG>(value);
}

// Truncation toward zero into an unsigned 32-bit count, saturating at both
// ends (negative values and NaN give 0).
DWORD TruncateToDword(double value)
{
    if (!(value > 0.0))
        return 0;
    if (value >= kMaxDword)
        return 0xFFFFFFFFu;
    return static_cast<DWORD>(value);
}

DWORD DivideBy60(DWORD& field)
{
    DWORD quotient = field / 60;
    field %= 60;
    return quotient;
}

DWORD ValidDivisor(DWORD unitsPerSecond)
{
    return unitsPerSecond != 0 ? unitsPerSecond : CMediaTime::kMicroseconds;
}

// One "%ld" conversion as the formatted-input functions do it: leading white
// space, an optional sign, then decimal digits. Stops at the terminator, so it
// never reads past the text. Saturates at the 32-bit range of the Windows
// `long` the stored texts were written with.
bool ScanLong(const char*& p, LONG& value)
{
    const char* q = p;
    while (*q == ' ' || (*q >= '\t' && *q <= '\r'))
        ++q;
    bool negative = false;
    if (*q == '+' || *q == '-') {
        negative = *q == '-';
        ++q;
    }
    if (*q < '0' || *q > '9')
        return false;
    LONGLONG magnitude = 0;
    for (; *q >= '0' && *q <= '9'; ++q) {
        if (magnitude <= 0x80000000LL)
            magnitude = magnitude * 10 + (*q - '0');
    }
    LONGLONG signedValue = negative ? -magnitude : magnitude;
    if (signedValue > 0x7FFFFFFFLL)
        signedValue = 0x7FFFFFFFLL;
    if (signedValue < -0x80000000LL)
        signedValue = -0x80000000LL;
    value = static_cast<LONG>(signedValue);
    p = q;
    return true;
}

// The divisor after a '/': an unsigned decimal number as strtoul reads it.
// Returns 0 when there is no usable number (none, negative, beyond 32 bits).
DWORD ScanDivisor(const char* p)
{
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    if (*p == '+')
        ++p;
    if (*p < '0' || *p > '9')
        return 0;
    ULONGLONG value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<ULONGLONG>(*p - '0');
        if (value > 0xFFFFFFFFull)
            return 0;
    }
    return static_cast<DWORD>(value);
}

} // namespace

CMediaTime::CMediaTime(DWORD hours, DWORD minutes, DWORD seconds, double units, DWORD unitsPerSecond)
    : m_nHours(hours),
      m_nMinutes(minutes),
      m_nSeconds(seconds),
      m_dUnits(units),
      m_nUnitsPerSecond(ValidDivisor(unitsPerSecond))
{
    Normalize();
}

CMediaTime CMediaTime::FromMilliseconds(double milliseconds)
{
    CMediaTime time;
    time.m_dUnits = milliseconds * 1000.0;
    time.NormalizeFromUnits();
    return time;
}

void CMediaTime::SetSeconds(double seconds)
{
    m_dUnits = static_cast<double>(m_nUnitsPerSecond) * seconds;
    NormalizeFromUnits();
}

DWORD CMediaTime::SplitWholeSeconds()
{
    // Non-finite units would poison every later sum; a negative total below
    // one second is held as zero by design, and one further below is too.
    if (!std::isfinite(m_dUnits) || m_dUnits < 0.0) {
        m_dUnits = 0.0;
        return 0;
    }
    const double divisor = static_cast<double>(ValidDivisor(m_nUnitsPerSecond));
    DWORD whole = TruncateToDword(m_dUnits / divisor);
    m_dUnits -= static_cast<double>(whole) * divisor;
    if (m_dUnits < 0.0)
        m_dUnits = 0.0;
    return whole;
}

void CMediaTime::Normalize()
{
    m_nSeconds += SplitWholeSeconds();
    m_nMinutes += DivideBy60(m_nSeconds);
    m_nHours += DivideBy60(m_nMinutes);
}

void CMediaTime::NormalizeFromUnits()
{
    m_nSeconds = SplitWholeSeconds();
    m_nMinutes = DivideBy60(m_nSeconds);
    m_nHours = DivideBy60(m_nMinutes);
}

double CMediaTime::WholeSeconds() const
{
    return (static_cast<double>(m_nHours) * 60.0 + static_cast<double>(m_nMinutes)) * 60.0 +
           static_cast<double>(m_nSeconds);
}

double CMediaTime::GetTotalUnits() const
{
    return WholeSeconds() * static_cast<double>(m_nUnitsPerSecond) + m_dUnits;
}

double CMediaTime::GetTotalMicroseconds() const
{
    return WholeSeconds() * 1000000.0 + m_dUnits * 1000000.0 / static_cast<double>(ValidDivisor(m_nUnitsPerSecond));
}

double CMediaTime::GetSeconds() const
{
    return GetTotalMicroseconds() * 0.000001;
}

LONGLONG CMediaTime::GetMilliseconds() const
{
    return TruncateToInt64(GetTotalMicroseconds() * 0.001 + 0.5);
}

LONGLONG CMediaTime::GetReferenceTime() const
{
    return TruncateToInt64(GetTotalMicroseconds() * 10.0 + 0.5);
}

LONGLONG CMediaTime::ToCount(double rate) const
{
    return TruncateToInt64(GetSeconds() * rate);
}

DWORD CMediaTime::GetField(int index) const
{
    switch (index) {
    case 0:
        return m_nHours;
    case 1:
        return m_nMinutes;
    case 2:
        return m_nSeconds;
    case 3:
        return TruncateToDword(m_dUnits);
    case 4:
        return m_nUnitsPerSecond;
    default:
        return 0;
    }
}

CMediaTime CMediaTime::operator+(const CMediaTime& other) const
{
    if (m_nUnitsPerSecond == other.m_nUnitsPerSecond)
        return CMediaTime(0, 0, 0, GetTotalUnits() + other.GetTotalUnits(), m_nUnitsPerSecond);
    CMediaTime sum;
    sum.SetSeconds(GetSeconds() + other.GetSeconds());
    return sum;
}

CMediaTime CMediaTime::operator-(const CMediaTime& other) const
{
    if (m_nUnitsPerSecond == other.m_nUnitsPerSecond)
        return CMediaTime(0, 0, 0, GetTotalUnits() - other.GetTotalUnits(), m_nUnitsPerSecond);
    CMediaTime difference;
    difference.SetSeconds(GetSeconds() - other.GetSeconds());
    return difference;
}

CMediaTime CMediaTime::MinusUnits(LONG units) const
{
    return CMediaTime(0, 0, 0, GetTotalUnits() - units, m_nUnitsPerSecond);
}

CMediaTime CMediaTime::operator*(LONG factor) const
{
    return CMediaTime(0, 0, 0, GetTotalUnits() * factor, m_nUnitsPerSecond);
}

CMediaTime CMediaTime::operator/(double divisor) const
{
    // Division by zero yields an infinite count, which normalises to zero.
    return CMediaTime(0, 0, 0, GetTotalUnits() / divisor, m_nUnitsPerSecond);
}

CMediaTime& CMediaTime::operator+=(const CMediaTime& other)
{
    const double otherUnits = m_nUnitsPerSecond == other.m_nUnitsPerSecond
                                  ? other.GetTotalUnits()
                                  : static_cast<double>(m_nUnitsPerSecond) * other.GetSeconds();
    m_dUnits = GetTotalUnits() + otherUnits;
    NormalizeFromUnits();
    return *this;
}

CMediaTime& CMediaTime::operator-=(const CMediaTime& other)
{
    const double otherUnits = m_nUnitsPerSecond == other.m_nUnitsPerSecond
                                  ? other.GetTotalUnits()
                                  : static_cast<double>(m_nUnitsPerSecond) * other.GetSeconds();
    m_dUnits = GetTotalUnits() - otherUnits;
    NormalizeFromUnits();
    return *this;
}

CMediaTime& CMediaTime::AddSeconds(double seconds)
{
    m_dUnits = GetTotalUnits() + static_cast<double>(m_nUnitsPerSecond) * seconds;
    NormalizeFromUnits();
    return *this;
}

CMediaTime& CMediaTime::SubtractUnits(LONG units)
{
    m_dUnits = GetTotalUnits() - units;
    NormalizeFromUnits();
    return *this;
}

int CMediaTime::CompareFields(const CMediaTime& other) const
{
    if (m_nHours != other.m_nHours)
        return m_nHours < other.m_nHours ? -1 : 1;
    if (m_nMinutes != other.m_nMinutes)
        return m_nMinutes < other.m_nMinutes ? -1 : 1;
    if (m_nSeconds != other.m_nSeconds)
        return m_nSeconds < other.m_nSeconds ? -1 : 1;
    return 0;
}

bool CMediaTime::operator<(const CMediaTime& other) const
{
    if (int order = CompareFields(other))
        return order < 0;
    if (m_nUnitsPerSecond == other.m_nUnitsPerSecond)
        return m_dUnits < other.m_dUnits;
    return m_dUnits / ValidDivisor(m_nUnitsPerSecond) < other.m_dUnits / ValidDivisor(other.m_nUnitsPerSecond);
}

bool CMediaTime::operator<=(const CMediaTime& other) const
{
    if (int order = CompareFields(other))
        return order < 0;
    if (m_nUnitsPerSecond == other.m_nUnitsPerSecond)
        return m_dUnits <= other.m_dUnits;
    return m_dUnits / ValidDivisor(m_nUnitsPerSecond) <= other.m_dUnits / ValidDivisor(other.m_nUnitsPerSecond);
}

bool CMediaTime::operator>(const CMediaTime& other) const
{
    return other < *this;
}

bool CMediaTime::operator>=(const CMediaTime& other) const
{
    return other <= *this;
}

bool CMediaTime::operator==(const CMediaTime& other) const
{
    if (CompareFields(other) != 0)
        return false;
    if (m_nUnitsPerSecond == other.m_nUnitsPerSecond)
        return m_dUnits == other.m_dUnits;
    return static_cast<double>(m_nUnitsPerSecond) * other.m_dUnits ==
           static_cast<double>(other.m_nUnitsPerSecond) * m_dUnits;
}

bool CMediaTime::EqualsUnits(LONG units) const
{
    return GetTotalUnits() == static_cast<double>(units);
}

size_t CMediaTime::Format(char* buffer, size_t size, BOOL withSuffix) const
{
    DWORD count = TruncateToDword(m_dUnits);
    char suffix[16];
    if (m_nUnitsPerSecond == kMicroseconds) {
        std::strcpy(suffix, "ms");
        count /= 1000;
    } else if (m_nUnitsPerSecond == kMilliseconds) {
        std::strcpy(suffix, "ms");
    } else {
        std::snprintf(suffix, sizeof suffix, "/%lu", static_cast<unsigned long>(m_nUnitsPerSecond));
    }
    if (!withSuffix)
        suffix[0] = '\0';

    // The fields are unsigned 32-bit; widening them to the 64-bit `long` of
    // this platform keeps the digits the stored texts have always had. The
    // count is written with "%.3li", which prints what the traditional
    // "%03.3li" prints (the '0' flag is ignored with a precision).
    int length;
    if (m_nHours != 0)
        length = std::snprintf(buffer, size, "%02li:%02li:%02li.%.3li %s", static_cast<long>(m_nHours),
                               static_cast<long>(m_nMinutes), static_cast<long>(m_nSeconds),
                               static_cast<long>(count), suffix);
    else
        length = std::snprintf(buffer, size, "%02li:%02li.%.3li %s", static_cast<long>(m_nMinutes),
                               static_cast<long>(m_nSeconds), static_cast<long>(count), suffix);
    return length < 0 ? 0 : static_cast<size_t>(length);
}

void CMediaTime::Format(CString& text, BOOL withSuffix) const
{
    std::string formatted;
    Format(formatted, withSuffix);
    text = formatted.c_str();
}

void CMediaTime::Format(std::string& text, BOOL withSuffix) const
{
    // Ten digits for each of four fields, separators and the longest suffix.
    char buffer[96];
    size_t length = Format(buffer, sizeof buffer, withSuffix);
    text.assign(buffer, length < sizeof buffer ? length : sizeof buffer - 1);
}

std::string CMediaTime::Format(BOOL withSuffix) const
{
    std::string text;
    Format(text, withSuffix);
    return text;
}

void CMediaTime::Parse(const char* text)
{
    if (text == nullptr)
        return;

    double factor = 1.0;
    const size_t length = std::strlen(text);
    const char* tail = length >= 2 ? text + length - 2 : nullptr;
    if (tail != nullptr && _strnicmp(tail, "ms", 2) == 0) {
        m_nUnitsPerSecond = kMicroseconds;
        factor = 1000.0;
    } else if (tail != nullptr && _strnicmp(tail, "us", 2) == 0) {
        m_nUnitsPerSecond = kMicroseconds;
    } else if (const char* slash = std::strchr(text, '/')) {
        if (DWORD divisor = ScanDivisor(slash + 1))
            m_nUnitsPerSecond = divisor;
    }

    // The fields the text reaches are stored one by one, as the formatted-input
    // conversions would; the first mismatch ends the reading.
    DWORD* fields[3];
    int fieldCount;
    if (std::strchr(text, ':') == std::strrchr(text, ':')) {
        fields[0] = &m_nMinutes;
        fields[1] = &m_nSeconds;
        fieldCount = 2;
    } else {
        fields[0] = &m_nHours;
        fields[1] = &m_nMinutes;
        fields[2] = &m_nSeconds;
        fieldCount = 3;
    }

    m_dUnits = 0.0;
    const char* p = text;
    for (int i = 0; i < fieldCount; ++i) {
        LONG value;
        if (!ScanLong(p, value))
            return;
        *fields[i] = static_cast<DWORD>(value);
        const char separator = i + 1 < fieldCount ? ':' : '.';
        if (*p != separator)
            return;
        ++p;
    }
    LONG fraction;
    if (ScanLong(p, fraction))
        m_dUnits = static_cast<double>(static_cast<DWORD>(fraction)) * factor;
}
