#include "Win32/Utils/MediaTime.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

struct Fields {
    DWORD hours;
    DWORD minutes;
    DWORD seconds;
    double units;
    DWORD unitsPerSecond;
};

CMediaTime MicrosecondTime(DWORD hours, DWORD minutes, DWORD seconds, double units)
{
    return CMediaTime(hours, minutes, seconds, units, CMediaTime::kMicroseconds);
}

CMediaTime SecondsTime(double seconds, DWORD unitsPerSecond = CMediaTime::kMicroseconds)
{
    CMediaTime time(0, 0, 0, 0.0, unitsPerSecond);
    time.SetSeconds(seconds);
    return time;
}

// Deliberately odd fields, so that a test sees which ones Parse reached.
CMediaTime UnnormalisedMarkerTime()
{
    CMediaTime time;
    time.m_nHours = 7;
    time.m_nMinutes = 8;
    time.m_nSeconds = 9;
    time.m_dUnits = 10.0;
    time.m_nUnitsPerSecond = 30;
    return time;
}

void ExpectFields(const CMediaTime& time, const Fields& expected, const std::string& label)
{
    EXPECT_EQ(time.m_nHours, expected.hours) << label;
    EXPECT_EQ(time.m_nMinutes, expected.minutes) << label;
    EXPECT_EQ(time.m_nSeconds, expected.seconds) << label;
    EXPECT_DOUBLE_EQ(time.m_dUnits, expected.units) << label;
    EXPECT_EQ(time.m_nUnitsPerSecond, expected.unitsPerSecond) << label;
}

} // namespace

TEST(MediaTime, DefaultIsZeroMicroseconds)
{
    ExpectFields(CMediaTime(), {0, 0, 0, 0.0, 1000000}, "default");
}

TEST(MediaTime, ConstructorCarriesIntoLargerFields)
{
    struct Case {
        Fields given;
        Fields expected;
    };
    const Case cases[] = {
        {{0, 59, 59, 1500000.0, 1000000}, {1, 0, 0, 500000.0, 1000000}},
        {{0, 0, 125, 0.0, 1000000}, {0, 2, 5, 0.0, 1000000}},
        {{0, 0, 0, 3600000000.0, 1000000}, {1, 0, 0, 0.0, 1000000}},
        {{0, 0, 0, 2500.0, 1000}, {0, 0, 2, 500.0, 1000}},
        {{0, 0, 0, 75.0, 30}, {0, 0, 2, 15.0, 30}},
        {{0, 61, 0, 0.0, 1000000}, {1, 1, 0, 0.0, 1000000}},
        // Hours are never wrapped at 24.
        {{25, 0, 1, 0.0, 1000000}, {25, 0, 1, 0.0, 1000000}},
        // Carrying adds to what the fields already hold.
        {{1, 30, 50, 20000000.0, 1000000}, {1, 31, 10, 0.0, 1000000}},
        // Below zero is held as zero.
        {{0, 0, 0, -500000.0, 1000000}, {0, 0, 0, 0.0, 1000000}},
        {{0, 0, 0, -5000000.0, 1000000}, {0, 0, 0, 0.0, 1000000}},
        // A divisor of 0 would divide by zero everywhere.
        {{0, 0, 0, 1500000.0, 0}, {0, 0, 1, 500000.0, 1000000}},
    };
    for (const Case& c : cases) {
        CMediaTime time(c.given.hours, c.given.minutes, c.given.seconds, c.given.units, c.given.unitsPerSecond);
        ExpectFields(time, c.expected, std::to_string(c.given.units) + " units");
    }
}

TEST(MediaTime, NormalizeFromUnitsDiscardsTheWholeFields)
{
    CMediaTime time = MicrosecondTime(5, 6, 7, 0.0);
    time.m_dUnits = 61500000.0;
    time.NormalizeFromUnits();
    ExpectFields(time, {0, 1, 1, 500000.0, 1000000}, "from units");
}

TEST(MediaTime, NonFiniteUnitsNormaliseToZero)
{
    CMediaTime time = MicrosecondTime(0, 0, 3, 0.0);
    time.m_dUnits = std::numeric_limits<double>::infinity();
    time.Normalize();
    ExpectFields(time, {0, 0, 3, 0.0, 1000000}, "infinite units");
}

TEST(MediaTime, FromMillisecondsGivesMicrosecondValues)
{
    struct Case {
        double milliseconds;
        Fields expected;
    };
    const Case cases[] = {
        {0.0, {0, 0, 0, 0.0, 1000000}},
        {1500.0, {0, 0, 1, 500000.0, 1000000}},
        {3723004.5, {1, 2, 3, 4500.0, 1000000}},
        {0.25, {0, 0, 0, 250.0, 1000000}},
        {-3.0, {0, 0, 0, 0.0, 1000000}},
    };
    for (const Case& c : cases)
        ExpectFields(CMediaTime::FromMilliseconds(c.milliseconds), c.expected, std::to_string(c.milliseconds));
}

TEST(MediaTime, SetSecondsKeepsTheDivisor)
{
    ExpectFields(SecondsTime(2.5, 30), {0, 0, 2, 15.0, 30}, "30 per second");
    ExpectFields(SecondsTime(3661.25, 1000), {1, 1, 1, 250.0, 1000}, "1000 per second");
}

TEST(MediaTime, ConversionsRoundToTheNearestUnit)
{
    struct Case {
        const char* label;
        CMediaTime time;
        LONGLONG milliseconds;
        LONGLONG referenceTime;
    };
    const Case cases[] = {
        {"1.0005 s", MicrosecondTime(0, 0, 1, 500.0), 1001, 10005000},
        {"1.0004999 s", MicrosecondTime(0, 0, 1, 499.9), 1000, 10004999},
        {"1 us", MicrosecondTime(0, 0, 0, 1.0), 0, 10},
        {"0.05 us", MicrosecondTime(0, 0, 0, 0.05), 0, 1},
        {"1 h", MicrosecondTime(1, 0, 0, 0.0), 3600000, 36000000000LL},
        {"12 frames at 30", CMediaTime(0, 0, 5, 12.0, 30), 5400, 54000000},
        {"250 ms at 1000", CMediaTime(0, 0, 0, 250.0, 1000), 250, 2500000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.time.GetMilliseconds(), c.milliseconds) << c.label;
        EXPECT_EQ(c.time.GetReferenceTime(), c.referenceTime) << c.label;
    }
}

TEST(MediaTime, TotalsCountEveryField)
{
    CMediaTime time(1, 2, 3, 15.0, 30);
    EXPECT_DOUBLE_EQ(time.GetTotalUnits(), 3723.0 * 30 + 15);
    EXPECT_DOUBLE_EQ(time.GetTotalMicroseconds(), 3723500000.0);
    EXPECT_DOUBLE_EQ(time.GetSeconds(), 3723.5);
}

TEST(MediaTime, ToCountTruncates)
{
    struct Case {
        double seconds;
        double rate;
        LONGLONG count;
    };
    const Case cases[] = {
        {0.999, 25.0, 24},
        {1.0, 25.0, 25},
        {2.0, 29.97, 59},
        {0.0, 25.0, 0},
        {10.0, 44100.0, 441000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SecondsTime(c.seconds).ToCount(c.rate), c.count) << c.seconds << " s at " << c.rate;
}

TEST(MediaTime, GetFieldByIndex)
{
    const CMediaTime time(1, 2, 3, 4.75, 30);
    const DWORD expected[] = {1, 2, 3, 4, 30, 0};
    const int indices[] = {0, 1, 2, 3, 4, 5};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(time.GetField(indices[i]), expected[i]) << "index " << indices[i];
    EXPECT_EQ(time.GetField(-1), 0u);
}

TEST(MediaTime, AdditionCarriesToTheHour)
{
    CMediaTime sum = MicrosecondTime(0, 59, 59, 500000.0) + MicrosecondTime(0, 0, 0, 500000.0);
    ExpectFields(sum, {1, 0, 0, 0.0, 1000000}, "sum");
}

TEST(MediaTime, NewValueArithmeticWithMixedDivisorsGivesMicroseconds)
{
    const CMediaTime milliseconds(0, 0, 1, 250.0, 1000);
    const CMediaTime microseconds = MicrosecondTime(0, 0, 2, 500000.0);
    ExpectFields(milliseconds + microseconds, {0, 0, 3, 750000.0, 1000000}, "ms + us");
    ExpectFields(microseconds + milliseconds, {0, 0, 3, 750000.0, 1000000}, "us + ms");
    ExpectFields(microseconds - milliseconds, {0, 0, 1, 250000.0, 1000000}, "us - ms");
    // The operands are left alone.
    ExpectFields(milliseconds, {0, 0, 1, 250.0, 1000}, "left operand");
}

TEST(MediaTime, NewValueArithmeticWithEqualDivisorsKeepsThem)
{
    struct Case {
        const char* label;
        CMediaTime result;
        Fields expected;
    };
    const CMediaTime frames(0, 0, 1, 20.0, 30);
    const Case cases[] = {
        {"+", frames + CMediaTime(0, 0, 0, 15.0, 30), {0, 0, 2, 5.0, 30}},
        {"-", frames - CMediaTime(0, 0, 0, 25.0, 30), {0, 0, 0, 25.0, 30}},
        {"- to below zero", frames - CMediaTime(0, 0, 5, 0.0, 30), {0, 0, 0, 0.0, 30}},
        {"MinusUnits", frames.MinusUnits(21), {0, 0, 0, 29.0, 30}},
        {"*", frames * 3, {0, 0, 5, 0.0, 30}},
        {"/", frames / 2.0, {0, 0, 0, 25.0, 30}},
        {"/ 0", frames / 0.0, {0, 0, 0, 0.0, 30}},
    };
    for (const Case& c : cases)
        ExpectFields(c.result, c.expected, c.label);
}

TEST(MediaTime, InPlaceArithmeticKeepsItsOwnDivisor)
{
    struct Case {
        const char* label;
        CMediaTime result;
        Fields expected;
    };
    const CMediaTime microseconds = MicrosecondTime(0, 0, 2, 500000.0);
    const Case cases[] = {
        {"ms += us", CMediaTime(0, 0, 1, 250.0, 1000) += microseconds, {0, 0, 3, 750.0, 1000}},
        {"ms -= us", CMediaTime(0, 0, 5, 0.0, 1000) -= microseconds, {0, 0, 2, 500.0, 1000}},
        {"us += us", MicrosecondTime(0, 59, 59, 0.0) += microseconds, {1, 0, 1, 500000.0, 1000000}},
        {"AddSeconds", CMediaTime(0, 0, 1, 0.0, 30).AddSeconds(59.5), {0, 1, 0, 15.0, 30}},
        {"SubtractUnits", CMediaTime(0, 1, 0, 0.0, 30).SubtractUnits(15), {0, 0, 59, 15.0, 30}},
        {"-= to below zero", MicrosecondTime(0, 0, 1, 0.0) -= MicrosecondTime(0, 0, 3, 0.0), {0, 0, 0, 0.0, 1000000}},
    };
    for (const Case& c : cases)
        ExpectFields(c.result, c.expected, c.label);
}

TEST(MediaTime, InPlaceAdditionOfItself)
{
    CMediaTime time = MicrosecondTime(0, 0, 40, 0.0);
    time += time;
    ExpectFields(time, {0, 1, 20, 0.0, 1000000}, "doubled");
}

TEST(MediaTime, ComparisonsGoFieldByField)
{
    struct Case {
        const char* label;
        CMediaTime left;
        CMediaTime right;
        bool less, lessEqual, greater, greaterEqual, equal;
    };
    const Case cases[] = {
        {"0.5 s at 1000 vs 1000000", CMediaTime(0, 0, 0, 500.0, 1000), MicrosecondTime(0, 0, 0, 500000.0),
         false, true, false, true, true},
        {"equal microseconds", MicrosecondTime(1, 2, 3, 4.0), MicrosecondTime(1, 2, 3, 4.0),
         false, true, false, true, true},
        {"smaller units", MicrosecondTime(1, 2, 3, 4.0), MicrosecondTime(1, 2, 3, 5.0),
         true, true, false, false, false},
        {"mixed divisors, larger fraction", CMediaTime(0, 0, 1, 16.0, 30), MicrosecondTime(0, 0, 1, 500000.0),
         false, false, true, true, false},
        {"hours decide before minutes", MicrosecondTime(1, 0, 0, 0.0), MicrosecondTime(0, 59, 59, 999999.0),
         false, false, true, true, false},
        {"seconds decide before units", CMediaTime(0, 0, 1, 0.0, 30), MicrosecondTime(0, 0, 0, 999999.0),
         false, false, true, true, false},
        {"a third: exact at 3, inexact in microseconds", CMediaTime(0, 0, 0, 1.0, 3),
         MicrosecondTime(0, 0, 0, 333333.0), false, false, true, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.left < c.right, c.less) << c.label;
        EXPECT_EQ(c.left <= c.right, c.lessEqual) << c.label;
        EXPECT_EQ(c.left > c.right, c.greater) << c.label;
        EXPECT_EQ(c.left >= c.right, c.greaterEqual) << c.label;
        EXPECT_EQ(c.left == c.right, c.equal) << c.label;
        EXPECT_EQ(c.left != c.right, !c.equal) << c.label;
    }
}

TEST(MediaTime, EqualsUnitsComparesTheTotal)
{
    const CMediaTime time(0, 0, 2, 5.0, 30);
    EXPECT_TRUE(time.EqualsUnits(65));
    EXPECT_FALSE(time.EqualsUnits(64));
    EXPECT_TRUE(CMediaTime().EqualsUnits(0));
}

TEST(MediaTime, FormatWritesTheStoredTextForm)
{
    struct Case {
        CMediaTime time;
        BOOL withSuffix;
        const char* text;
    };
    const Case cases[] = {
        {MicrosecondTime(1, 2, 3, 4500.0), TRUE, "01:02:03.004 ms"},
        {MicrosecondTime(0, 5, 7, 250000.0), TRUE, "05:07.250 ms"},
        {MicrosecondTime(0, 5, 7, 250000.0), FALSE, "05:07.250 "},
        {CMediaTime(0, 0, 5, 12.0, 30), TRUE, "00:05.012 /30"},
        {CMediaTime(0, 0, 5, 12.0, 30), FALSE, "00:05.012 "},
        {MicrosecondTime(25, 0, 1, 0.0), TRUE, "25:00:01.000 ms"},
        {SecondsTime(0.0009999), TRUE, "00:00.000 ms"},
        {CMediaTime(0, 0, 0, 250.0, 1000), TRUE, "00:00.250 ms"},
        {CMediaTime(0, 0, 0, 1234.0, 44100), TRUE, "00:00.1234 /44100"},
        // The unsigned fields print as unsigned on this 64-bit `long`.
        {MicrosecondTime(4294967295u, 0, 0, 0.0), TRUE, "4294967295:00:00.000 ms"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.time.Format(c.withSuffix), c.text);
}

TEST(MediaTime, FormatIntoCallerStringReplacesItsText)
{
    std::string text = "old contents that are longer";
    MicrosecondTime(0, 1, 2, 3000.0).Format(text, TRUE);
    EXPECT_EQ(text, "01:02.003 ms");

    CString stored = "old";
    MicrosecondTime(0, 1, 2, 3000.0).Format(stored, FALSE);
    EXPECT_STREQ(static_cast<LPCSTR>(stored), "01:02.003 ");
}

TEST(MediaTime, FormatIntoSmallBufferTruncatesAndTerminates)
{
    const CMediaTime time = MicrosecondTime(0, 5, 7, 250000.0);
    char buffer[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(time.Format(buffer, sizeof buffer, TRUE), 12u);
    EXPECT_STREQ(buffer, "05:07");

    char untouched = 'x';
    EXPECT_EQ(time.Format(&untouched, 0, TRUE), 12u);
    EXPECT_EQ(untouched, 'x');
}

TEST(MediaTime, ParseReadsTheTextForm)
{
    struct Case {
        const char* text;
        Fields expected;
    };
    // Every case starts from 7 h 8 min 9 s and 10 units at 30 per second.
    const Case cases[] = {
        {"1:02:03.004 ms", {1, 2, 3, 4000.0, 1000000}},
        {"01:02:03.004 MS", {1, 2, 3, 4000.0, 1000000}},
        {"00:05.012 /30", {7, 0, 5, 12.0, 30}},
        {"00:05.012 /44100", {7, 0, 5, 12.0, 44100}},
        {"00:01.5 us", {7, 0, 1, 5.0, 1000000}},
        {"05:07.5 ms", {7, 5, 7, 5000.0, 1000000}},
        // Not normalised.
        {"00:75.000 ms", {7, 0, 75, 0.0, 1000000}},
        // Without a colon the first number is the minutes; the point ends it.
        {"5.250 ms", {7, 5, 9, 0.0, 1000000}},
        // Without a suffix the divisor stays.
        {"05:07.250 ", {7, 5, 7, 250.0, 30}},
        {"1:02:03.004", {1, 2, 3, 4.0, 30}},
    };
    for (const Case& c : cases) {
        CMediaTime time = UnnormalisedMarkerTime();
        time.Parse(c.text);
        ExpectFields(time, c.expected, c.text);
    }
}

TEST(MediaTime, ParseOfPartialOrBadTextKeepsTheFieldsItDoesNotReach)
{
    struct Case {
        const char* text;
        Fields expected;
    };
    const Case cases[] = {
        {"", {7, 8, 9, 0.0, 30}},
        {"garbage", {7, 8, 9, 0.0, 30}},
        {"12", {7, 12, 9, 0.0, 30}},
        {"12:", {7, 12, 9, 0.0, 30}},
        {"12:34", {7, 12, 34, 0.0, 30}},
        {"12:34.", {7, 12, 34, 0.0, 30}},
        {"1:2:", {1, 2, 9, 0.0, 30}},
        {"1:2:3", {1, 2, 3, 0.0, 30}},
        {"1::3.4", {1, 8, 9, 0.0, 30}},
        {"m", {7, 8, 9, 0.0, 30}},
        {"ms", {7, 8, 9, 0.0, 1000000}},
        // A slash without a usable number leaves the divisor.
        {"00:01.5 /", {7, 0, 1, 5.0, 30}},
        {"00:01.5 /x", {7, 0, 1, 5.0, 30}},
        {"00:01.5 /0", {7, 0, 1, 5.0, 30}},
        {"00:01.5 /-25", {7, 0, 1, 5.0, 30}},
        {"00:01.5 /99999999999", {7, 0, 1, 5.0, 30}},
        // Numbers beyond 32 bits saturate instead of overflowing.
        {"99999999999999999999:01.0", {7, 0x7FFFFFFF, 1, 0.0, 30}},
        // A negative field is taken as its 32-bit pattern, as the stored
        // form was always read.
        {"-1:00.000", {7, 0xFFFFFFFF, 0, 0.0, 30}},
    };
    for (const Case& c : cases) {
        CMediaTime time = UnnormalisedMarkerTime();
        time.Parse(c.text);
        ExpectFields(time, c.expected, c.text);
    }
}

TEST(MediaTime, ParseOfNullChangesNothing)
{
    CMediaTime time = UnnormalisedMarkerTime();
    time.Parse(nullptr);
    ExpectFields(time, {7, 8, 9, 10.0, 30}, "null");
}

TEST(MediaTime, FormatThenParseRoundTrips)
{
    struct Case {
        CMediaTime time;
        Fields expected;
    };
    const Case cases[] = {
        // Microseconds come back truncated to whole milliseconds.
        {MicrosecondTime(1, 2, 3, 4567.0), {1, 2, 3, 4000.0, 1000000}},
        {MicrosecondTime(0, 5, 7, 250000.0), {0, 5, 7, 250000.0, 1000000}},
        {MicrosecondTime(123, 59, 59, 999999.0), {123, 59, 59, 999000.0, 1000000}},
        // Milliseconds come back as microseconds of the same time.
        {CMediaTime(0, 0, 3, 250.0, 1000), {0, 0, 3, 250000.0, 1000000}},
        // Other divisors come back exactly to whole units.
        {CMediaTime(0, 0, 5, 12.0, 30), {0, 0, 5, 12.0, 30}},
        {CMediaTime(2, 0, 0, 44099.0, 44100), {2, 0, 0, 44099.0, 44100}},
    };
    for (const Case& c : cases) {
        const std::string text = c.time.Format(TRUE);
        CMediaTime parsed;
        parsed.Parse(text.c_str());
        ExpectFields(parsed, c.expected, text);
    }
}
