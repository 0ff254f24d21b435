// The system's side of the range options: day numbers against the system's own calendar, the
// locale's date order and the local clock as they reach the parsers' context.
#include "command/RangeClock.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace scrutel;

namespace {

// The day number by the system's own calendar: whole days since 1 January 1601, plus 1.
uint32_t OracleDay(WORD year, WORD month, WORD day) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    FILETIME ft{};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    ULARGE_INTEGER value;
    value.LowPart = ft.dwLowDateTime;
    value.HighPart = ft.dwHighDateTime;
    return static_cast<uint32_t>(value.QuadPart / 864000000000ull) + 1;
}

// ---------------------------------------------------------------------------------------------
// Calendar

TEST(DayNumber, MatchesTheSystemCalendar) {
    struct Row {
        WORD y, m, d;
        uint32_t expected;
        int weekday; // 0 Sunday
    };
    const Row rows[] = {
        {1601, 1, 1, 1, 1},       {1601, 12, 31, 365, 1},     {1602, 1, 1, 366, 2},
        {1700, 3, 1, 36219, 1},   {1900, 2, 28, 109266, 3},   {1900, 3, 1, 109267, 4},
        {2000, 2, 29, 145791, 2}, {2000, 3, 1, 145792, 3},    {2024, 2, 29, 154557, 4},
        {2024, 5, 15, 154633, 3}, {9999, 12, 31, 3067671, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.y << "-" << row.m << "-" << row.d);
        EXPECT_EQ(DayNumber(row.y, row.m, row.d), row.expected);
        EXPECT_EQ(DayNumber(row.y, row.m, row.d), OracleDay(row.y, row.m, row.d));
        EXPECT_EQ(static_cast<int>(DayNumber(row.y, row.m, row.d) % 7), row.weekday);
    }
}

TEST(DayNumber, EveryFirstOfMonthOverFourHundredYearsAgreesWithTheSystem) {
    for (WORD year = 1896; year <= 2304; ++year)
        for (WORD month = 1; month <= 12; ++month)
            ASSERT_EQ(DayNumber(year, month, 1), OracleDay(year, month, 1)) << year << "-" << month;
}

TEST(DaysInMonth, LeapYearRules) {
    EXPECT_EQ(DaysInMonth(2024, 2), 29u);
    EXPECT_EQ(DaysInMonth(2023, 2), 28u);
    EXPECT_EQ(DaysInMonth(1900, 2), 28u);
    EXPECT_EQ(DaysInMonth(2000, 2), 29u);
    EXPECT_EQ(DaysInMonth(2024, 4), 30u);
    EXPECT_EQ(DaysInMonth(2024, 12), 31u);
    EXPECT_EQ(DaysInMonth(2024, 0), 0u);
    EXPECT_EQ(DaysInMonth(2024, 13), 0u);
}

TEST(LocaleDateOrder, TextOfTheLocaleSetting) {
    struct Row {
        const wchar_t* text;
        int expected;
    };
    const Row rows[] = {{L"0", 0}, {L"1", 1},  {L"2", 2},  {L"3", 0},  {L"", 0},
                        {L"x", 0}, {L"1x", 0}, {L"12", 0}, {L"-1", 0}, {L"02", 2}};
    for (const Row& row : rows)
        EXPECT_EQ(DateOrderFromText(row.text), row.expected) << row.text;
    EXPECT_EQ(DateOrderFromText(nullptr), 0);
}

TEST(LocaleDateOrder, IsTheLocaleSettingAndReachesTheParseContext) {
    wchar_t text[16] = {};
    ASSERT_NE(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDATE, text, 16), 0);
    const int fromLocale = DateOrderFromText(text);
    EXPECT_EQ(LocaleDateOrder(), fromLocale);
    EXPECT_EQ(SystemParseContext().dateOrder, fromLocale);
}

// Run with the environment of a day-month-year locale, for example
//   LC_ALL=de_DE.UTF-8 SCRUTEL_EXPECT_DATE_ORDER=1 command_tests --gtest_filter=LocaleDateOrder.*
// (Wine takes the user locale from LC_ALL). Without SCRUTEL_EXPECT_DATE_ORDER the locale of the
// run is not known, and the order is tested through the override instead.
TEST(LocaleDateOrder, FollowsTheUserLocaleOfTheProcess) {
    wchar_t expected[8] = {};
    if (GetEnvironmentVariableW(L"SCRUTEL_EXPECT_DATE_ORDER", expected, 8) == 0)
        GTEST_SKIP() << "SCRUTEL_EXPECT_DATE_ORDER is not set: the locale of this run is not known";
    const int order = DateOrderFromText(expected);
    ASSERT_EQ(LocaleDateOrder(), order);
    // "3/4/24" read month-day-year, day-month-year and year-month-day.
    const uint32_t days[3] = {OracleDay(2024, 3, 4), OracleDay(2024, 4, 3), OracleDay(2003, 4, 24)};
    RangeSet set;
    ASSERT_FALSE(ParseRangeOption(u"/[d3/4/24,3/4/24]", set, SystemParseContext()));
    ASSERT_EQ(set.records.size(), 1u);
    EXPECT_EQ(set.records[0].fromDay, days[order]);
    EXPECT_EQ(set.records[0].toDay, days[order]);
}

TEST(RangeClock, ContextCarriesTheLocalClock) {
    SYSTEMTIME before{};
    GetLocalTime(&before);
    const CivilTime got = SystemParseContext().now;
    SYSTEMTIME after{};
    GetLocalTime(&after);
    // The two readings around it agree unless the day turned in between.
    if (before.wDay == after.wDay) {
        EXPECT_EQ(got.year, before.wYear);
        EXPECT_EQ(got.month, before.wMonth);
        EXPECT_EQ(got.day, before.wDay);
        EXPECT_GE(got.hour * 3600u + got.minute * 60u + got.second,
                  before.wHour * 3600u + before.wMinute * 60u + before.wSecond);
        EXPECT_LE(got.hour * 3600u + got.minute * 60u + got.second,
                  after.wHour * 3600u + after.wMinute * 60u + after.wSecond);
    }
}

} // namespace
