// Parsing of the range options: every kind's records, relative forms against a fixed clock,
// the locale's date order, and every message exactly as the user sees it.
#include "command/RangeParse.h"
#include "select/RangeMatch.h"

#include "HostTesting.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;

namespace {

constexpr uint64_t Max64 = UINT64_MAX;

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

// Owns the records parsed by one test.
struct OwnedRanges {
    RangeSet set;
    ~OwnedRanges() { FreeRangeSet(set); }
    std::vector<const RangeRecord*> Records() const {
        std::vector<const RangeRecord*> list;
        for (const RangeRecord* r = set.first; r; r = r->next)
            list.push_back(r);
        return list;
    }
};

struct ParseOutcome {
    int result = -9;
    std::wstring err;
    std::wstring out;
    std::wstring argumentAfter; // the argument as the parser left it
};

ParseOutcome Parse(const std::wstring& argument, OwnedRanges& ranges) {
    std::vector<wchar_t> buffer(argument.begin(), argument.end());
    buffer.push_back(0);
    ParseOutcome outcome;
    Capture capture;
    outcome.result = ParseRangeOption(buffer.data(), ranges.set);
    outcome.err = capture.err();
    outcome.out = capture.out();
    outcome.argumentAfter = buffer.data();
    return outcome;
}

// Wednesday 15 May 2024, 14:37:42.500 local time.
SYSTEMTIME FixedNow() {
    SYSTEMTIME st{};
    st.wYear = 2024;
    st.wMonth = 5;
    st.wDayOfWeek = 3;
    st.wDay = 15;
    st.wHour = 14;
    st.wMinute = 37;
    st.wSecond = 42;
    st.wMilliseconds = 500;
    return st;
}
constexpr uint32_t NowSecond = 14 * 3600 + 37 * 60;

class RangeParse : public ::testing::Test {
  protected:
    void SetUp() override {
        HostSetBatch(nullptr, 0);
        SYSTEMTIME now = FixedNow();
        SetRangeClock(&now);
        SetLocaleDateOrderOverride(0);
        SetRangeAllocationLimit(-1);
    }
    void TearDown() override {
        SetRangeClock(nullptr);
        SetLocaleDateOrderOverride(-1);
        SetRangeAllocationLimit(-1);
    }
    static uint32_t Today() { return OracleDay(2024, 5, 15); }
};

std::wstring Message(const std::wstring& text) {
    return L"Scrutel plugin: " + text + L"\r\n";
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

TEST(LocaleDateOrder, OverrideTakesPrecedenceAndCanBeLifted) {
    wchar_t text[16] = {};
    ASSERT_NE(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDATE, text, 16), 0);
    const int fromLocale = DateOrderFromText(text);
    SetLocaleDateOrderOverride(1);
    EXPECT_EQ(LocaleDateOrder(), 1);
    SetLocaleDateOrderOverride(2);
    EXPECT_EQ(LocaleDateOrder(), 2);
    SetLocaleDateOrderOverride(-1);
    EXPECT_EQ(LocaleDateOrder(), fromLocale);
}

// Run with the environment of a day-month-year locale, for example
//   LC_ALL=de_DE.UTF-8 SCRUTEL_EXPECT_DATE_ORDER=1 command_tests --gtest_filter=LocaleDateOrder.*
// (Wine takes the user locale from LC_ALL). Without SCRUTEL_EXPECT_DATE_ORDER the locale of the
// run is not known, and the order is tested through the override instead.
TEST(LocaleDateOrder, FollowsTheUserLocaleOfTheProcess) {
    wchar_t expected[8] = {};
    if (GetEnvironmentVariableW(L"SCRUTEL_EXPECT_DATE_ORDER", expected, 8) == 0)
        GTEST_SKIP() << "SCRUTEL_EXPECT_DATE_ORDER is not set: the locale of this run is not known";
    SetLocaleDateOrderOverride(-1);
    const int order = DateOrderFromText(expected);
    ASSERT_EQ(LocaleDateOrder(), order);
    // "3/4/24" read month-day-year, day-month-year and year-month-day.
    const uint32_t days[3] = {OracleDay(2024, 3, 4), OracleDay(2024, 4, 3), OracleDay(2003, 4, 24)};
    RangeSet set;
    std::wstring argument = L"/[d3/4/24,3/4/24]";
    ASSERT_EQ(ParseRangeOption(argument.data(), set), 0);
    ASSERT_NE(set.first, nullptr);
    EXPECT_EQ(set.first->fromDay, days[order]);
    EXPECT_EQ(set.first->toDay, days[order]);
    FreeRangeSet(set);
}

TEST(RangeClock, FixedClockIsReturnedUntilLifted) {
    SYSTEMTIME fixed = FixedNow();
    SetRangeClock(&fixed);
    SYSTEMTIME got = RangeLocalTime();
    EXPECT_EQ(got.wYear, 2024);
    EXPECT_EQ(got.wHour, 14);
    EXPECT_EQ(got.wMinute, 37);
    SetRangeClock(nullptr);
    SYSTEMTIME real{};
    GetLocalTime(&real);
    got = RangeLocalTime();
    EXPECT_EQ(got.wYear, real.wYear);
}

// ---------------------------------------------------------------------------------------------
// Dispatcher

TEST_F(RangeParse, DispatcherMessagesShowTheWholeArgumentInUpperCase) {
    struct Row {
        const wchar_t* argument;
        const wchar_t* message;
    };
    const Row rows[] = {
        {L"/[q1]", L"Unknown range type: \"/[Q1]\""},
        {L"/[]", L"Unknown range type: \"/[]\""},
        {L"/![z]", L"Unknown range type: \"/![Z]\""},
        {L"/[s1", L"Range option must end with ']': \"/[S1\""},
        {L"/[", L"Range option must end with ']': \"/[\""},
        {L"/[w:mon] ", L"Range option must end with ']': \"/[W:MON] \""},
        {L"/![!*.bak]", L"Reverse exclusion range not supported: \"/![!*.BAK]\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(row.message));
        EXPECT_EQ(outcome.out, L"");
        EXPECT_EQ(ranges.set.first, nullptr);
    }
}

TEST_F(RangeParse, BodyOfOnlyTheClosingBracketAddsNothing) {
    const wchar_t* arguments[] = {L"/[s]", L"/[t]",  L"/[d]",  L"/[w]",  L"/[i]", L"/[o]",
                                  L"/[!]", L"/[s:]", L"/[S=]", L"/![s]", L"/![t]"};
    for (const wchar_t* argument : arguments) {
        SCOPED_TRACE(argument);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(argument, ranges);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, L"");
        EXPECT_EQ(ranges.set.first, nullptr);
    }
}

TEST_F(RangeParse, KindLetterInEitherCase) {
    OwnedRanges ranges;
    const wchar_t* arguments[] = {L"/[S1]", L"/[T9:00]", L"/[D-1]", L"/[W:mon]", L"/[I:x]", L"/[O:x]"};
    for (const wchar_t* argument : arguments)
        ASSERT_EQ(Parse(argument, ranges).result, 0) << argument;
    std::wstring kinds;
    for (const RangeRecord* r : ranges.Records())
        kinds += r->kind;
    EXPECT_EQ(kinds, L"OIWDTS");
}

TEST_F(RangeParse, RecordsAreKeptNewestFirst) {
    OwnedRanges ranges;
    ASSERT_EQ(Parse(L"/[s1k]", ranges).result, 0);
    ASSERT_EQ(Parse(L"/[!*.tmp]", ranges).result, 0);
    ASSERT_EQ(Parse(L"/[w:mon]", ranges).result, 0);
    auto records = ranges.Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]->kind, L'W');
    EXPECT_EQ(records[1]->kind, L'!');
    EXPECT_EQ(records[2]->kind, L'S');
    FreeRangeSet(ranges.set);
    EXPECT_EQ(ranges.set.first, nullptr);
    FreeRangeSet(ranges.set); // freeing an empty set is harmless
}

TEST_F(RangeParse, MissingArgumentIsRefusedQuietly) {
    OwnedRanges ranges;
    Capture capture;
    EXPECT_EQ(ParseRangeOption(nullptr, ranges.set), -1);
    EXPECT_EQ(ParseDescriptionRange(nullptr, false, false, ranges.set), -1);
    EXPECT_EQ(capture.err(), L"");
    EXPECT_EQ(ranges.set.first, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Sizes

TEST_F(RangeParse, SizeRanges) {
    struct Row {
        const wchar_t* argument;
        uint64_t low, high;
        int negate;
    };
    const Row rows[] = {
        {L"/[s2K,1K]", 1024, 2048, 0},
        {L"/[s1K,2K]", 1024, 2048, 0},
        {L"/[s1k,2k]", 1000, 2000, 0},
        {L"/[s1K]", 1024, Max64, 0},
        {L"/[s1k]", 1000, Max64, 0},
        {L"/[s1M]", 1048576, Max64, 0},
        {L"/[s1m]", 1000000, Max64, 0},
        {L"/[s,100]", 0, 100, 0},
        {L"/[s100,]", 100, Max64, 0},
        {L"/[s100,+50]", 100, 150, 0},
        {L"/[s100+50]", 100, 150, 0},
        {L"/[s+50]", 0, 50, 0},
        {L"/[s1k2k]", 1000, 2000, 0},
        {L"/[s1K2K]", 1024, 2048, 0},
        {L"/[s:5]", 5, Max64, 0},
        {L"/[s=5,7]", 5, 7, 0},
        {L"/[s1G,1g]", 1000000000ull, 1073741824ull, 0},
        {L"/[s1T]", 1ull << 40, Max64, 0},
        {L"/[s1t]", 1000000000000ull, Max64, 0},
        {L"/[s1P]", 1ull << 50, Max64, 0},
        {L"/[s1p]", 1000000000000000ull, Max64, 0},
        {L"/[s1K,+1k]", 1024, 2024, 0},
        {L"/![s1M]", 1048576, Max64, 1},
        {L"/[s18446744073709551615]", Max64, Max64, 0},
        {L"/[s18446744073709551615,+5]", Max64, Max64, 0},
        {L"/[s16383P]", 16383ull << 50, Max64, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, L"");
        auto records = ranges.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]->kind, L'S');
        EXPECT_EQ(records[0]->low, row.low);
        EXPECT_EQ(records[0]->high, row.high);
        EXPECT_EQ(records[0]->negate, row.negate);
    }
}

TEST_F(RangeParse, BadSizeRangesShowTheTextAfterTheKindLetter) {
    struct Row {
        const wchar_t* argument;
        const wchar_t* shown;
    };
    const Row rows[] = {
        {L"/[s10x]", L"10X]"},
        {L"/[s1,2,3]", L"1,2,3]"},
        {L"/[s1kk]", L"1KK]"},
        {L"/[s+]", L"+]"},
        {L"/[s:1 2]", L":1 2]"},
        {L"/[s-5]", L"-5]"},
        {L"/[s1,+]", L"1,+]"},
        // Sizes that do not fit 64 bits are refused rather than wrapped.
        {L"/[s18446744073709551616]", L"18446744073709551616]"},
        {L"/[s16384P]", L"16384P]"},
        {L"/![s1q]", L"1Q]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(std::wstring(L"Bad size range: \"") + row.shown + L"\""));
        EXPECT_EQ(ranges.set.first, nullptr);
    }
}

TEST_F(RangeParse, MessageTextIsUpperCasedInPlace) {
    OwnedRanges ranges;
    ParseOutcome outcome = Parse(L"/[s10x]", ranges);
    EXPECT_EQ(outcome.argumentAfter, L"/[s10X]");
    // A successful parse leaves the argument alone (the size suffixes are case-sensitive).
    outcome = Parse(L"/[s1k]", ranges);
    EXPECT_EQ(outcome.argumentAfter, L"/[s1k]");
}

// ---------------------------------------------------------------------------------------------
// Times of day (now is 14:37; seconds of now are dropped)

TEST_F(RangeParse, TimeRanges) {
    struct Row {
        const wchar_t* argument;
        uint32_t from, to;
        uint16_t stamp;
        int negate;
    };
    const uint32_t h = 3600, m = 60;
    const Row rows[] = {
        {L"/[t9:00,17:00]", 9 * h, 17 * h + 59, 0, 0},
        {L"/[t9:00:00,17:00:00]", 9 * h, 17 * h, 0, 0},
        {L"/[t17:00,9:00]", 9 * h, 17 * h + 59, 0, 0},
        {L"/[t17:00:00,9:00]", 9 * h, 17 * h, 0, 0},
        {L"/[t1:00p,2:00p]", 13 * h, 14 * h + 59, 0, 0},
        {L"/[t12:30P,12:30A]", 30 * m, 12 * h + 30 * m + 59, 0, 0},
        {L"/[t7.05pm,23.59]", 19 * h + 5 * m, 23 * h + 59 * m + 59, 0, 0},
        {L"/[t11:15AM,11:15:30am]", 11 * h + 15 * m, 11 * h + 15 * m + 30, 0, 0},
        {L"/[t0.0.0,23.59.59]", 0, 86399, 0, 0},
        {L"/[t:]", NowSecond, NowSecond + 59, 0, 0},
        {L"/[t9:00]", 9 * h, NowSecond + 59, 0, 0},
        {L"/[t9:00,]", 9 * h, NowSecond + 59, 0, 0},
        // A first bound later than now is exchanged with it; 16:00 keeps its minute's end.
        {L"/[t16:00]", NowSecond, 16 * h + 59, 0, 0},
        {L"/[t16:00:30]", NowSecond, 16 * h + 30, 0, 0},
        {L"/[t,9:00]", 9 * h, NowSecond + 59, 0, 0},
        {L"/[t+30]", NowSecond, NowSecond + 30 * m + 59, 0, 0},
        {L"/[t-30]", NowSecond - 30 * m, NowSecond + 59, 0, 0},
        {L"/[t-1000]", 0, NowSecond + 59, 0, 0},
        {L"/[t9:00,+90]", 9 * h, 10 * h + 30 * m + 59, 0, 0},
        // "-n" counts minutes too and stops at midnight.
        {L"/[t9:00,-90]", 7 * h + 30 * m, 9 * h + 59, 0, 0},
        {L"/[t0:30,-90]", 0, 30 * m + 59, 0, 0},
        {L"/[t0:00:30,-1]", 0, 30, 0, 0},
        {L"/[t0:30:10,-1]", 29 * m + 10, 30 * m + 10, 0, 0},
        // "+n" wraps at midnight.
        {L"/[t23:30,+60]", 30 * m, 23 * h + 30 * m + 59, 0, 0},
        {L"/[t23:30,+2880]", 23 * h + 30 * m, 23 * h + 30 * m + 59, 0, 0},
        {L"/[t9:00,+18446744073709551615]", 9 * h, 21 * h + 15 * m + 59, 0, 0},
        {L"/[ta:10:00,11:00]", 10 * h, 11 * h + 59, 1, 0},
        {L"/[tC=10:00,11:00]", 10 * h, 11 * h + 59, 2, 0},
        {L"/[tw10:00,11:00]", 10 * h, 11 * h + 59, 0, 0},
        {L"/![t9:00,17:00]", 9 * h, 17 * h + 59, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, L"");
        auto records = ranges.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]->kind, L'T');
        EXPECT_EQ(records[0]->fromSecond, row.from);
        EXPECT_EQ(records[0]->toSecond, row.to);
        EXPECT_EQ(records[0]->stamp, row.stamp);
        EXPECT_EQ(records[0]->negate, row.negate);
    }
}

TEST_F(RangeParse, BadTimeRanges) {
    struct Row {
        const wchar_t* argument;
        const wchar_t* shown;
    };
    const Row rows[] = {
        {L"/[t13:00P]", L"13:00P]"}, {L"/[t0:00a]", L"0:00A]"},
        {L"/[t10]", L"10]"},         {L"/[t24:00]", L"24:00]"},
        {L"/[t9:60]", L"9:60]"},     {L"/[t9:00:60]", L"9:00:60]"},
        {L"/[t9:]", L"9:]"},         {L"/[t9:00:]", L"9:00:]"},
        {L"/[t:9]", L":9]"},         {L"/[t9:00,17:00x]", L"9:00,17:00X]"},
        {L"/[t+]", L"+]"},           {L"/[t9:00,,]", L"9:00,,]"},
        {L"/[t9:00,-]", L"9:00,-]"}, {L"/[tx]", L"X]"},
        {L"/[t1:00pn]", L"1:00PN]"}, {L"/[t99999999999999999999:00]", L"99999999999999999999:00]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(std::wstring(L"Bad time range: \"") + row.shown + L"\""));
        EXPECT_EQ(ranges.set.first, nullptr);
    }
}

TEST_F(RangeParse, NowIsReadFromTheClockAtEachParse) {
    SYSTEMTIME early = FixedNow();
    early.wHour = 8;
    early.wMinute = 5;
    SetRangeClock(&early);
    OwnedRanges ranges;
    ASSERT_EQ(Parse(L"/[t9:00]", ranges).result, 0);
    EXPECT_EQ(ranges.set.first->fromSecond, 8u * 3600 + 5 * 60);
    EXPECT_EQ(ranges.set.first->toSecond, 9u * 3600 + 59);
}

// ---------------------------------------------------------------------------------------------
// Dates (today is 15 May 2024)

struct DateRow {
    const wchar_t* argument;
    uint32_t fromDay, fromSecond, toDay, toSecond;
    uint16_t stamp;
    int negate;
};

void ExpectDates(const DateRow* rows, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const DateRow& row = rows[i];
        SCOPED_TRACE(row.argument);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, L"");
        auto records = ranges.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]->kind, L'D');
        EXPECT_EQ(records[0]->fromDay, row.fromDay);
        EXPECT_EQ(records[0]->fromSecond, row.fromSecond);
        EXPECT_EQ(records[0]->toDay, row.toDay);
        EXPECT_EQ(records[0]->toSecond, row.toSecond);
        EXPECT_EQ(records[0]->stamp, row.stamp);
        EXPECT_EQ(records[0]->negate, row.negate);
    }
}

TEST_F(RangeParse, DateRangesYearFirst) {
    const uint32_t today = Today();
    const uint32_t may1 = OracleDay(2024, 5, 1), may3 = OracleDay(2024, 5, 3), may31 = OracleDay(2024, 5, 31);
    const DateRow rows[] = {
        {L"/[d2024-01-01]", OracleDay(2024, 1, 1), 0, today, WholeDay, 0, 0},
        {L"/[d2024-05-01,2024-05-03]", may1, 0, may3, WholeDay, 0, 0},
        {L"/[d2024/05/01,2024.5.3]", may1, 0, may3, WholeDay, 0, 0},
        {L"/[d2024.05-01,2024-5/3]", may1, 0, may3, WholeDay, 0, 0},
        {L"/[dc2024-05-01@9:00,2024-05-31@17:30]", may1, 9 * 3600, may31, 17 * 3600 + 30 * 60 + 59, 2, 0},
        {L"/[d2024-05-01@12:00,2024-05-03@08:00]", may1, 12 * 3600, may3, 8 * 3600 + 59, 0, 0},
        {L"/[d2024-05-01@12:00,2024-05-03@08:00:30]", may1, 12 * 3600, may3, 8 * 3600 + 30, 0, 0},
        {L"/[d2024-05-01@1:15pm]", may1, 13 * 3600 + 15 * 60, today, WholeDay, 0, 0},
        {L"/[da:2024-05-01,2024-05-03]", may1, 0, may3, WholeDay, 1, 0},
        {L"/[dW=2024-05-01,2024-05-03]", may1, 0, may3, WholeDay, 0, 0},
        {L"/![d2024-05-01,2024-05-03]", may1, 0, may3, WholeDay, 0, 1},
        {L"/[d2024-02-29]", OracleDay(2024, 2, 29), 0, today, WholeDay, 0, 0},
        {L"/[d2000-02-29,2000-03-01]", OracleDay(2000, 2, 29), 0, OracleDay(2000, 3, 1), WholeDay, 0, 0},
        {L"/[d1601-01-01,1601-01-01]", 1, 0, 1, WholeDay, 0, 0},
        {L"/[d9999-12-31,9999-12-31]", OracleDay(9999, 12, 31), 0, OracleDay(9999, 12, 31), WholeDay, 0, 0},
    };
    ExpectDates(rows, std::size(rows));
}

TEST_F(RangeParse, DateRangesRelativeToToday) {
    const uint32_t today = Today();
    const uint32_t may10 = OracleDay(2024, 5, 10);
    const DateRow rows[] = {
        {L"/[d-7]", today - 7, 0, today, WholeDay, 0, 0},
        {L"/[d+3]", today, 0, today + 3, WholeDay, 0, 0},
        {L"/[d-0]", today, 0, today, WholeDay, 0, 0},
        {L"/[d:]", today, 0, today, WholeDay, 0, 0},
        {L"/[d,2024-05-20]", today, 0, OracleDay(2024, 5, 20), WholeDay, 0, 0},
        {L"/[d-3@9:00]", today - 3, 9 * 3600, today, WholeDay, 0, 0},
        {L"/[d-1@9:00,+0@17:00]", today - 1, 9 * 3600, today - 1, 17 * 3600 + 59, 0, 0},
        {L"/[d2024-05-10,-3]", may10 - 3, 0, may10, WholeDay, 0, 0},
        {L"/[d2024-05-10,+2@18:00]", may10, 0, may10 + 2, 18 * 3600 + 59, 0, 0},
        {L"/[d2024-05-10-3]", may10 - 3, 0, may10, WholeDay, 0, 0},
        // Relative days stop at day 0.
        {L"/[d-999999999]", 0, 0, today, WholeDay, 0, 0},
        {L"/[d2024-05-10,-99999999999]", 0, 0, may10, WholeDay, 0, 0},
    };
    ExpectDates(rows, std::size(rows));
}

// Exchanged bounds keep each time, and its seconds rule, with the day it was written with.
TEST_F(RangeParse, DateRangesWrittenInReverseAreExchangedWithTheirTimes) {
    const uint32_t may1 = OracleDay(2024, 5, 1), may3 = OracleDay(2024, 5, 3);
    const DateRow rows[] = {
        {L"/[d2024-05-03,2024-05-01]", may1, 0, may3, WholeDay, 0, 0},
        {L"/[d2024-05-03@08:00,2024-05-01@12:00]", may1, 12 * 3600, may3, 8 * 3600 + 59, 0, 0},
        {L"/[d2024-05-03,2024-05-01@12:00]", may1, 12 * 3600, may3, WholeDay, 0, 0},
        {L"/[d2024-05-03@08:00:30,2024-05-01]", may1, 0, may3, 8 * 3600 + 30, 0, 0},
        // Same day: a missing time counts as later than any time.
        {L"/[d2024-05-01,2024-05-01@12:00]", may1, 12 * 3600, may1, WholeDay, 0, 0},
        {L"/[d2024-05-01@9:00,2024-05-01]", may1, 9 * 3600, may1, WholeDay, 0, 0},
        {L"/[d2024-05-01@12:00,2024-05-01@9:00]", may1, 9 * 3600, may1, 12 * 3600 + 59, 0, 0},
        {L"/[d2024-05-01@9:00:30,2024-05-01@9:00]", may1, 9 * 3600, may1, 9 * 3600 + 30, 0, 0},
    };
    ExpectDates(rows, std::size(rows));
}

TEST_F(RangeParse, DatesFollowTheLocaleOrderUnlessYearFirst) {
    struct Row {
        int order;
        const wchar_t* argument;
        WORD y, m, d;
    };
    const Row rows[] = {
        {1, L"/[d3/4/24,3/4/24]", 2024, 4, 3},        {1, L"/[d2024/4/3,2024/4/3]", 2024, 4, 3},
        {0, L"/[d3/4/24,3/4/24]", 2024, 3, 4},        {0, L"/[d2024/4/3,2024/4/3]", 2024, 4, 3},
        {2, L"/[d24/4/3,24/4/3]", 2024, 4, 3},        {2, L"/[d2024/4/3,2024/4/3]", 2024, 4, 3},
        {0, L"/[d2/29/00,2/29/00]", 2000, 2, 29},     {0, L"/[d1/2/79,1/2/79]", 2079, 1, 2},
        {0, L"/[d1/2/80,1/2/80]", 1980, 1, 2},        {0, L"/[d1/2/99,1/2/99]", 1999, 1, 2},
        {1, L"/[d29.2.2024,29.2.2024]", 2024, 2, 29}, {1, L"/[d31-12-1999,31-12-1999]", 1999, 12, 31},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "order " << row.order);
        SetLocaleDateOrderOverride(row.order);
        const uint32_t day = OracleDay(row.y, row.m, row.d);
        const DateRow expected{row.argument, day, 0, day, WholeDay, 0, 0};
        ExpectDates(&expected, 1);
    }
}

TEST_F(RangeParse, BadDates) {
    struct Row {
        int order;
        const wchar_t* argument;
        const wchar_t* message;
    };
    const Row rows[] = {
        {0, L"/[d2023-02-29]", L"Bad date1 in range: \"2023-02-29]\""},
        {0, L"/[d1900-02-29]", L"Bad date1 in range: \"1900-02-29]\""},
        {0, L"/[d2/29/99]", L"Bad date1 in range: \"2/29/99]\""},
        {1, L"/[d31/4/24]", L"Bad date1 in range: \"31/4/24]\""},
        {0, L"/[d2024-13-01]", L"Bad date1 in range: \"2024-13-01]\""},
        {0, L"/[d2024-00-01]", L"Bad date1 in range: \"2024-00-01]\""},
        {0, L"/[d2024-05-00]", L"Bad date1 in range: \"2024-05-00]\""},
        {0, L"/[d1600-01-01]", L"Bad date1 in range: \"1600-01-01]\""},
        {0, L"/[d1/1/10000]", L"Bad date1 in range: \"1/1/10000]\""},
        {0, L"/[d2024-05]", L"Bad date1 in range: \"2024-05]\""},
        {0, L"/[d2024 05 01]", L"Bad date1 in range: \"2024 05 01]\""},
        {0, L"/[dx]", L"Bad date1 in range: \"X]\""},
        {0, L"/[d+]", L"Bad date1 in range: \"+]\""},
        {0, L"/[d2024-05-01@25:00]", L"Bad date1 (time) in range: \"2024-05-01@25:00]\""},
        {0, L"/[d2024-05-01@9]", L"Bad date1 (time) in range: \"2024-05-01@9]\""},
        {0, L"/[d-1@]", L"Bad date1 (time) in range: \"-1@]\""},
        {0, L"/[d2024-05-01,2024-05-0x]", L"Bad date2 in range: \"2024-05-01,2024-05-0X]\""},
        {0, L"/[d2024-05-01,x]", L"Bad date2 in range: \"2024-05-01,X]\""},
        {0, L"/[d2024-05-01,,]", L"Bad date2 in range: \"2024-05-01,,]\""},
        {0, L"/[d2024-05-01,2024-02-30]", L"Bad date2 in range: \"2024-05-01,2024-02-30]\""},
        {0, L"/[d2024-05-01,+x]", L"Bad date2 in range: \"2024-05-01,+X]\""},
        {0, L"/[d2024-05-01,2024-05-03@7]", L"Bad date2 (time) in range: \"2024-05-01,2024-05-03@7]\""},
        {0, L"/[d2024-05-01,-1@13:00p]", L"Bad date2 (time) in range: \"2024-05-01,-1@13:00P]\""},
        {0, L"/[d2024-05-01,2024-05-03x]", L"Bad date range: \"2024-05-01,2024-05-03X]\""},
        {0, L"/[d2024-05-01,2024-05-03@9:00 ]", L"Bad date range: \"2024-05-01,2024-05-03@9:00 ]\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        SetLocaleDateOrderOverride(row.order);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(row.message));
        EXPECT_EQ(ranges.set.first, nullptr);
    }
}

// ---------------------------------------------------------------------------------------------
// Days of the week

TEST_F(RangeParse, DayOfWeekMasks) {
    struct Row {
        const wchar_t* argument;
        uint16_t mask;
        uint16_t stamp;
    };
    const Row rows[] = {
        {L"/[w:sat,sun]", 0x41, 0},
        {L"/[w:weekend]", 0x41, 0},
        {L"/[w:Weekends]", 0x41, 0},
        {L"/![w:weekend]", 0x3E, 0},
        {L"/[w:WEEKDAY]", 0x3E, 0},
        {L"/[w:weekdays]", 0x3E, 0},
        {L"/[w:fri-mon]", 0x63, 0},
        {L"/[w:mon..wed]", 0x0E, 0},
        {L"/[w:sat-sat]", 0x40, 0},
        {L"/[w:sun-sat]", 0x7F, 0},
        {L"/[w:7]", 0x01, 0},
        {L"/[w:0]", 0x01, 0},
        {L"/[w:3]", 0x08, 0},
        {L"/[w:1-5]", 0x3E, 0},
        {L"/[w:5-0]", 0x61, 0},
        {L"/[w:Sunday;Tuesday]", 0x05, 0},
        {L"/[w=su, tu\tth;sa]", 0x55, 0},
        {L"/[w:mon,mon]", 0x02, 0},
        {L"/[w:weekday,sun]", 0x3F, 0},
        {L"/[wc:sun]", 0x01, 2},
        {L"/[WA=mon]", 0x02, 1},
        {L"/[ww:fr]", 0x20, 0},
        {L"/![w:mon-fri]", 0x41, 0},
        {L"/![wc:sun]", 0x7E, 2},
        {L"/[w:,mon;]", 0x02, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, L"");
        auto records = ranges.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]->kind, L'W');
        EXPECT_EQ(records[0]->dayMask, row.mask);
        EXPECT_EQ(records[0]->stamp, row.stamp);
        EXPECT_EQ(records[0]->negate, 0);
    }
}

TEST_F(RangeParse, BadDayOfWeekRanges) {
    struct Row {
        const wchar_t* argument;
        const wchar_t* message;
    };
    const Row rows[] = {
        {L"/[w:8]", L"Bad day-of-the-week range: \":8]\""},
        {L"/[w:x]", L"Bad day-of-the-week range: \":X]\""},
        {L"/[wmon]", L"Bad day-of-the-week range: \"MON]\""},
        {L"/[wc]", L"Bad day-of-the-week range: \"C]\""},
        {L"/[w:s]", L"Bad day-of-the-week range: \":S]\""},
        {L"/[w:12]", L"Bad day-of-the-week range: \":12]\""},
        {L"/[w:1x]", L"Bad day-of-the-week range: \":1X]\""},
        {L"/[w:weekend-mon]", L"Bad day-of-the-week range: \":WEEKEND-MON]\""},
        {L"/[w:mon-weekend]", L"Bad day-of-the-week range: \":MON-WEEKEND]\""},
        {L"/[w:mon-wed-fri]", L"Bad day-of-the-week range: \":MON-WED-FRI]\""},
        {L"/[w:mon-wed.]", L"Bad day-of-the-week range: \":MON-WED.]\""},
        {L"/[w:mon.wed]", L"Bad day-of-the-week range: \":MON.WED]\""},
        {L"/[w:mon-]", L"Bad day-of-the-week range: \":MON-]\""},
        {L"/[w:-mon]", L"Bad day-of-the-week range: \":-MON]\""},
        {L"/[w:mon]x]", L"Bad day-of-the-week range: \":MON]X]\""},
        {L"/![w:weekday,weekend]", L"Empty day-of-the-week range: \":WEEKDAY,WEEKEND]\""},
        {L"/![w:sun-sat]", L"Empty day-of-the-week range: \":SUN-SAT]\""},
        // An empty list would select nothing; it is refused like an empty negated list.
        {L"/[w:]", L"Empty day-of-the-week range: \":]\""},
        {L"/[w:, ;]", L"Empty day-of-the-week range: \":, ;]\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(row.message));
        EXPECT_EQ(ranges.set.first, nullptr);
    }
}

TEST_F(RangeParse, DayWordOfMoreThan1023CharactersIsRefused) {
    OwnedRanges ranges;
    std::wstring longest = L"/[w:su" + std::wstring(1021, L'n') + L"]";
    ParseOutcome outcome = Parse(longest, ranges);
    ASSERT_EQ(outcome.result, 0);
    EXPECT_EQ(ranges.set.first->dayMask, 0x01);
    std::wstring tooLong = L"/[w:su" + std::wstring(1022, L'n') + L"]";
    outcome = Parse(tooLong, ranges);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.err, Message(L"Bad day-of-the-week range: \":SU" + std::wstring(1022, L'N') + L"]\""));
}

// ---------------------------------------------------------------------------------------------
// Descriptions and owners

TEST_F(RangeParse, DescriptionAndOwnerPatterns) {
    struct Row {
        const wchar_t* argument;
        wchar_t kind;
        const wchar_t* pattern;
        int negate;
    };
    const Row rows[] = {
        {L"/[i:*draft*]", L'I', L"*draft*", 0},
        {L"/[I=*Draft*]", L'I', L"*Draft*", 0},
        {L"/![i:*draft*]", L'I', L"*draft*", 1},
        {L"/[i*x*]", L'I', L"*x*", 0},
        {L"/[i::x]", L'I', L":x", 0},
        {L"/[i:a]]", L'I', L"a]", 0},
        {L"/[i:]", L'I', L"", 0},
        {L"/[o:]", L'O', L"", 0},
        {L"/[o:VM\\root]", L'O', L"VM\\root", 0},
        {L"/![O=*Admin*]", L'O', L"*Admin*", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, L"");
        auto records = ranges.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]->kind, row.kind);
        EXPECT_STREQ(records[0]->Pattern(), row.pattern);
        EXPECT_EQ(records[0]->negate, row.negate);
    }
}

TEST_F(RangeParse, DescriptionSwitchFormsKeepTheBracket) {
    struct Row {
        const wchar_t* text;
        bool negated;
        bool strip;
        const wchar_t* pattern; // null: no record
    };
    const Row rows[] = {
        {L":*draft*", false, false, L"*draft*"},
        {L":*draft*]", false, false, L"*draft*]"},
        {L":*draft*]", false, true, L"*draft*"},
        {L"=Keep This", true, false, L"Keep This"},
        {L":", false, false, L""},
        {L"]", false, false, nullptr},
        {L"", true, false, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        OwnedRanges ranges;
        std::wstring text = row.text;
        Capture capture;
        EXPECT_EQ(ParseDescriptionRange(text.data(), row.negated, row.strip, ranges.set), 0);
        EXPECT_EQ(capture.err(), L"");
        if (!row.pattern) {
            EXPECT_EQ(ranges.set.first, nullptr);
            continue;
        }
        ASSERT_NE(ranges.set.first, nullptr);
        EXPECT_EQ(ranges.set.first->kind, L'I');
        EXPECT_STREQ(ranges.set.first->Pattern(), row.pattern);
        EXPECT_EQ(ranges.set.first->negate, row.negated ? 1 : 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Exclusions

TEST_F(RangeParse, ExclusionPatterns) {
    struct Row {
        const wchar_t* argument;
        std::vector<std::wstring> newestFirst;
    };
    const Row rows[] = {
        {L"/[!*.bak *.tmp]", {L"*.tmp", L"*.bak"}},
        {L"/[!*.bak]", {L"*.bak"}},
        {L"/[!\"my file.txt\" *.tmp]", {L"*.tmp", L"my file.txt"}},
        {L"/[!my\" \"file.txt]", {L"my file.txt"}},
        {L"/[!  a \t  b  ]", {L"b", L"a"}},
        {L"/[!\"  a b  \"]", {L"a b"}},
        {L"/[!a]b]", {L"a]b"}},
        {L"/[!\"\" x]", {L"x"}},
        {L"/[!\"\"]", {}},
        {L"/[! ]", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, L"");
        std::vector<std::wstring> patterns;
        for (const RangeRecord* r : ranges.Records()) {
            EXPECT_EQ(r->kind, L'!');
            EXPECT_EQ(r->negate, 0);
            patterns.push_back(r->Pattern());
        }
        EXPECT_EQ(patterns, row.newestFirst);
    }
}

TEST_F(RangeParse, ExclusionPatternIsCutAt8191Characters) {
    OwnedRanges ranges;
    std::wstring argument = L"/[!" + std::wstring(9000, L'x') + L" y]";
    ASSERT_EQ(Parse(argument, ranges).result, 0);
    auto records = ranges.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_STREQ(records[0]->Pattern(), L"y");
    EXPECT_EQ(std::wstring(records[1]->Pattern()), std::wstring(8191, L'x'));
}

// ---------------------------------------------------------------------------------------------
// Allocation failures

TEST_F(RangeParse, AllocationFailureMessages) {
    struct Row {
        const wchar_t* argument;
        const wchar_t* message;
    };
    const Row rows[] = {
        {L"/[s1]", L"Can\u2019t allocate size range structure"},
        {L"/[t9:00]", L"Can\u2019t allocate time range structure"},
        {L"/[d-1]", L"Can\u2019t allocate date range structure"},
        {L"/[w:mon]", L"Can\u2019t allocate DOW range structure"},
        {L"/[i:x]", L"Can\u2019t allocate description range structure"},
        {L"/[o:x]", L"Can\u2019t allocate owner range structure"},
        {L"/[!x]", L"Can\u2019t allocate exclusion range structure"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        OwnedRanges ranges;
        SetRangeAllocationLimit(0);
        ParseOutcome outcome = Parse(row.argument, ranges);
        SetRangeAllocationLimit(-1);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(row.message));
        EXPECT_EQ(ranges.set.first, nullptr);
        // The argument is not shown and so stays as written.
        EXPECT_EQ(outcome.argumentAfter, row.argument);
    }
}

TEST_F(RangeParse, ExclusionRecordsAddedBeforeAFailureStayInTheList) {
    OwnedRanges ranges;
    SetRangeAllocationLimit(1);
    ParseOutcome outcome = Parse(L"/[!a b c]", ranges);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.err, Message(L"Can\u2019t allocate exclusion range structure"));
    auto records = ranges.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_STREQ(records[0]->Pattern(), L"a");
}

} // namespace
