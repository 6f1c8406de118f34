#pragma once
// The program's one time value: whole hours, minutes and seconds plus the
// part below one second as a real count of units, where the number of units
// per second travels with the value (microseconds unless the creator says
// otherwise). Value semantics, no heap storage.

#include <cstddef>
#include <string>

#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WinTypes.h"

class CMediaTime {
public:
    static constexpr DWORD kMicroseconds = 1000000;
    static constexpr DWORD kMilliseconds = 1000;

    CMediaTime() = default;
    // Carries surplus units, seconds and minutes into the larger fields.
    // A divisor of 0 would make every conversion divide by zero, so it
    // becomes kMicroseconds.
    CMediaTime(DWORD hours, DWORD minutes, DWORD seconds, double units = 0.0,
               DWORD unitsPerSecond = kMicroseconds);

    // A microsecond value of `milliseconds`.
    static CMediaTime FromMilliseconds(double milliseconds);

    // Keeps the divisor; negative counts give zero.
    void SetSeconds(double seconds);

    double GetTotalUnits() const;
    double GetTotalMicroseconds() const;
    double GetSeconds() const;
    // Rounded to nearest, halves upward.
    LONGLONG GetMilliseconds() const;
    // Rounded count of 100 ns.
    LONGLONG GetReferenceTime() const;
    // Whole periods of `rate` per second, truncated (no rounding).
    LONGLONG ToCount(double rate) const;
    // 0 hours, 1 minutes, 2 seconds, 3 the units truncated, 4 units per
    // second; any other index yields 0.
    DWORD GetField(int index) const;

    // Same divisors: a value with that divisor. Different divisors: a
    // microsecond value.
    CMediaTime operator+(const CMediaTime& other) const;
    CMediaTime operator-(const CMediaTime& other) const;
    CMediaTime MinusUnits(LONG units) const;
    CMediaTime operator*(LONG factor) const;
    // A divisor of 0 gives zero.
    CMediaTime operator/(double divisor) const;

    // In place: the value keeps its own divisor.
    CMediaTime& operator+=(const CMediaTime& other);
    CMediaTime& operator-=(const CMediaTime& other);
    CMediaTime& AddSeconds(double seconds);
    CMediaTime& SubtractUnits(LONG units);

    // Field by field (hours, minutes, seconds, then the fraction), so only
    // meaningful for normalised values.
    bool operator<(const CMediaTime& other) const;
    bool operator<=(const CMediaTime& other) const;
    bool operator>(const CMediaTime& other) const;
    bool operator>=(const CMediaTime& other) const;
    bool operator==(const CMediaTime& other) const;
    bool operator!=(const CMediaTime& other) const { return !(*this == other); }
    bool EqualsUnits(LONG units) const;

    // The stored text form: "[HH:]MM:SS.nnn ms" for microsecond and
    // millisecond values, "[HH:]MM:SS.nnn /N" for N units per second, where
    // nnn counts milliseconds, or units of 1/N s. Sub-millisecond parts of
    // microsecond values are dropped. Without the suffix the text still ends
    // in one blank.
    void Format(CString& text, BOOL withSuffix) const;
    void Format(std::string& text, BOOL withSuffix) const;
    std::string Format(BOOL withSuffix = TRUE) const;
    // Writes at most size - 1 characters and a terminator (nothing when size
    // is 0); returns the length of the whole text, as snprintf does.
    size_t Format(char* buffer, size_t size, BOOL withSuffix) const;

    // Reads the text form back without normalising. Never fails: fields the
    // text does not reach keep their values; when no fraction count is read
    // the units become 0. A null text changes nothing; a divisor text of 0
    // or beyond 32 bits leaves the divisor as it was.
    void Parse(const char* text);

    void Normalize();
    void NormalizeFromUnits();

    DWORD m_nHours = 0;
    DWORD m_nMinutes = 0;
    DWORD m_nSeconds = 0;
    double m_dUnits = 0.0;
    DWORD m_nUnitsPerSecond = kMicroseconds;

private:
    DWORD SplitWholeSeconds();
    double WholeSeconds() const;
    int CompareFields(const CMediaTime& other) const;
};
