// Parsing of the range options: every kind's records, relative forms against a fixed clock,
// the date orders, and every message exactly as the user sees it.
#include "command/RangeParse.h"

#include "command/ArgumentErrorText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace scrutel;
using command_tests::ErrorText;

namespace {

constexpr uint64_t Max64 = UINT64_MAX;

// The day number by the standard library's calendar: whole days since 1 January 1601, plus 1.
uint32_t OracleDay(unsigned year, unsigned month, unsigned day) {
    using namespace std::chrono;
    const sys_days date{std::chrono::year(static_cast<int>(year)) / std::chrono::month(month) /
                        std::chrono::day(day)};
    const sys_days first{std::chrono::year(1601) / January / 1};
    EXPECT_TRUE(year_month_day(date).ok());
    return static_cast<uint32_t>((date - first).count()) + 1;
}

// The records parsed by one test.
struct OwnedRanges {
    RangeSet set;
    std::vector<const RangeRecord*> Records() const {
        std::vector<const RangeRecord*> list;
        for (const RangeRecord& r : set.records)
            list.push_back(&r);
        return list;
    }
    const RangeRecord* First() const { return set.records.empty() ? nullptr : &set.records.front(); }
};

// Wednesday 15 May 2024, 14:37:42 local time, month-day-year order.
ParseContext FixedContext(int dateOrder = 0) {
    ParseContext context;
    context.dateOrder = dateOrder;
    context.now = {2024, 5, 15, 14, 37, 42};
    return context;
}
constexpr uint32_t NowSecond = 14 * 3600 + 37 * 60;

struct ParseOutcome {
    int result = -9;
    U16String err;
    U16String out;
    U16String argumentAfter; // the argument as the parser left it
};

ParseOutcome Parse(const U16String& argument, OwnedRanges& ranges,
                   const ParseContext& context = FixedContext()) {
    const U16String text = argument;
    ParseOutcome outcome;
    ParseStatus status = ParseRangeOption(text, ranges.set, context);
    outcome.result = status ? status->result : 0;
    outcome.err = ErrorText(status);
    outcome.out = status && status->help != HelpTopic::None ? u"(help)" : u"";
    outcome.argumentAfter = text;
    return outcome;
}

class RangeParse : public ::testing::Test {
  protected:
    static uint32_t Today() { return OracleDay(2024, 5, 15); }
};

U16String Message(const U16String& text) {
    return u"Scrutel plugin: " + text + u"\r\n";
}

// ---------------------------------------------------------------------------------------------
// Dispatcher

TEST_F(RangeParse, DispatcherMessagesShowTheWholeArgumentInUpperCase) {
    struct Row {
        const char16_t* argument;
        const char16_t* message;
    };
    const Row rows[] = {
        {u"/[q1]", u"Unknown range type: \"/[Q1]\""},
        {u"/[]", u"Unknown range type: \"/[]\""},
        {u"/![z]", u"Unknown range type: \"/![Z]\""},
        {u"/[s1", u"Range option must end with ']': \"/[S1\""},
        {u"/[", u"Range option must end with ']': \"/[\""},
        {u"/[w:mon] ", u"Range option must end with ']': \"/[W:MON] \""},
        {u"/![!*.bak]", u"Reverse exclusion range not supported: \"/![!*.BAK]\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(row.message));
        EXPECT_EQ(outcome.out, u"");
        EXPECT_EQ(ranges.First(), nullptr);
    }
}

TEST_F(RangeParse, BodyOfOnlyTheClosingBracketAddsNothing) {
    const char16_t* arguments[] = {u"/[s]", u"/[t]",  u"/[d]",  u"/[w]",  u"/[i]", u"/[o]",
                                   u"/[!]", u"/[s:]", u"/[S=]", u"/![s]", u"/![t]"};
    for (const char16_t* argument : arguments) {
        SCOPED_TRACE(Utf8FromU16(argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(argument, ranges);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, u"");
        EXPECT_EQ(ranges.First(), nullptr);
    }
}

TEST_F(RangeParse, KindLetterInEitherCase) {
    OwnedRanges ranges;
    const char16_t* arguments[] = {u"/[S1]", u"/[T9:00]", u"/[D-1]", u"/[W:mon]", u"/[I:x]", u"/[O:x]"};
    for (const char16_t* argument : arguments)
        ASSERT_EQ(Parse(argument, ranges).result, 0) << Utf8FromU16(argument);
    U16String kinds;
    for (const RangeRecord* r : ranges.Records())
        kinds += r->kind;
    EXPECT_EQ(kinds, u"OIWDTS");
}

TEST_F(RangeParse, RecordsAreKeptNewestFirst) {
    OwnedRanges ranges;
    ASSERT_EQ(Parse(u"/[s1k]", ranges).result, 0);
    ASSERT_EQ(Parse(u"/[!*.tmp]", ranges).result, 0);
    ASSERT_EQ(Parse(u"/[w:mon]", ranges).result, 0);
    auto records = ranges.Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]->kind, u'W');
    EXPECT_EQ(records[1]->kind, u'!');
    EXPECT_EQ(records[2]->kind, u'S');
}

TEST_F(RangeParse, EmptyArgumentIsRefused) {
    OwnedRanges ranges;
    ParseOutcome outcome = Parse(u"", ranges);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.err, Message(u"Range option must end with ']': \"\""));
    EXPECT_FALSE(ParseDescriptionRange(u"", false, false, ranges.set, FixedContext()));
    EXPECT_EQ(ranges.First(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Sizes

TEST_F(RangeParse, SizeRanges) {
    struct Row {
        const char16_t* argument;
        uint64_t low, high;
        int negate;
    };
    const Row rows[] = {
        {u"/[s2K,1K]", 1024, 2048, 0},
        {u"/[s1K,2K]", 1024, 2048, 0},
        {u"/[s1k,2k]", 1000, 2000, 0},
        {u"/[s1K]", 1024, Max64, 0},
        {u"/[s1k]", 1000, Max64, 0},
        {u"/[s1M]", 1048576, Max64, 0},
        {u"/[s1m]", 1000000, Max64, 0},
        {u"/[s,100]", 0, 100, 0},
        {u"/[s100,]", 100, Max64, 0},
        {u"/[s100,+50]", 100, 150, 0},
        {u"/[s100+50]", 100, 150, 0},
        {u"/[s+50]", 0, 50, 0},
        {u"/[s1k2k]", 1000, 2000, 0},
        {u"/[s1K2K]", 1024, 2048, 0},
        {u"/[s:5]", 5, Max64, 0},
        {u"/[s=5,7]", 5, 7, 0},
        {u"/[s1G,1g]", 1000000000ull, 1073741824ull, 0},
        {u"/[s1T]", 1ull << 40, Max64, 0},
        {u"/[s1t]", 1000000000000ull, Max64, 0},
        {u"/[s1P]", 1ull << 50, Max64, 0},
        {u"/[s1p]", 1000000000000000ull, Max64, 0},
        {u"/[s1K,+1k]", 1024, 2024, 0},
        {u"/![s1M]", 1048576, Max64, 1},
        {u"/[s18446744073709551615]", Max64, Max64, 0},
        {u"/[s18446744073709551615,+5]", Max64, Max64, 0},
        {u"/[s16383P]", 16383ull << 50, Max64, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, u"");
        auto records = ranges.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]->kind, u'S');
        EXPECT_EQ(records[0]->low, row.low);
        EXPECT_EQ(records[0]->high, row.high);
        EXPECT_EQ(records[0]->negate, row.negate);
    }
}

TEST_F(RangeParse, BadSizeRangesShowTheTextAfterTheKindLetter) {
    struct Row {
        const char16_t* argument;
        const char16_t* shown;
    };
    const Row rows[] = {
        {u"/[s10x]", u"10X]"},
        {u"/[s1,2,3]", u"1,2,3]"},
        {u"/[s1kk]", u"1KK]"},
        {u"/[s+]", u"+]"},
        {u"/[s:1 2]", u":1 2]"},
        {u"/[s-5]", u"-5]"},
        {u"/[s1,+]", u"1,+]"},
        // Sizes that do not fit 64 bits are refused rather than wrapped.
        {u"/[s18446744073709551616]", u"18446744073709551616]"},
        {u"/[s16384P]", u"16384P]"},
        {u"/![s1q]", u"1Q]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(U16String(u"Bad size range: \"") + row.shown + u"\""));
        EXPECT_EQ(ranges.First(), nullptr);
    }
}

TEST_F(RangeParse, MessageShowsTheTextInUpperCaseAndLeavesTheArgumentAlone) {
    OwnedRanges ranges;
    ParseOutcome outcome = Parse(u"/[s10x]", ranges);
    EXPECT_EQ(outcome.err, Message(u"Bad size range: \"10X]\""));
    EXPECT_EQ(outcome.argumentAfter, u"/[s10x]");
    // A successful parse leaves the argument alone (the size suffixes are case-sensitive).
    outcome = Parse(u"/[s1k]", ranges);
    EXPECT_EQ(outcome.argumentAfter, u"/[s1k]");
}

// ---------------------------------------------------------------------------------------------
// Times of day (now is 14:37; seconds of now are dropped)

TEST_F(RangeParse, TimeRanges) {
    struct Row {
        const char16_t* argument;
        uint32_t from, to;
        uint16_t stamp;
        int negate;
    };
    const uint32_t h = 3600, m = 60;
    const Row rows[] = {
        {u"/[t9:00,17:00]", 9 * h, 17 * h + 59, 0, 0},
        {u"/[t9:00:00,17:00:00]", 9 * h, 17 * h, 0, 0},
        {u"/[t17:00,9:00]", 9 * h, 17 * h + 59, 0, 0},
        {u"/[t17:00:00,9:00]", 9 * h, 17 * h, 0, 0},
        {u"/[t1:00p,2:00p]", 13 * h, 14 * h + 59, 0, 0},
        {u"/[t12:30P,12:30A]", 30 * m, 12 * h + 30 * m + 59, 0, 0},
        {u"/[t7.05pm,23.59]", 19 * h + 5 * m, 23 * h + 59 * m + 59, 0, 0},
        {u"/[t11:15AM,11:15:30am]", 11 * h + 15 * m, 11 * h + 15 * m + 30, 0, 0},
        {u"/[t0.0.0,23.59.59]", 0, 86399, 0, 0},
        {u"/[t:]", NowSecond, NowSecond + 59, 0, 0},
        {u"/[t9:00]", 9 * h, NowSecond + 59, 0, 0},
        {u"/[t9:00,]", 9 * h, NowSecond + 59, 0, 0},
        // A first bound later than now is exchanged with it; 16:00 keeps its minute's end.
        {u"/[t16:00]", NowSecond, 16 * h + 59, 0, 0},
        {u"/[t16:00:30]", NowSecond, 16 * h + 30, 0, 0},
        {u"/[t,9:00]", 9 * h, NowSecond + 59, 0, 0},
        {u"/[t+30]", NowSecond, NowSecond + 30 * m + 59, 0, 0},
        {u"/[t-30]", NowSecond - 30 * m, NowSecond + 59, 0, 0},
        {u"/[t-1000]", 0, NowSecond + 59, 0, 0},
        {u"/[t9:00,+90]", 9 * h, 10 * h + 30 * m + 59, 0, 0},
        // "-n" counts minutes too and stops at midnight.
        {u"/[t9:00,-90]", 7 * h + 30 * m, 9 * h + 59, 0, 0},
        {u"/[t0:30,-90]", 0, 30 * m + 59, 0, 0},
        {u"/[t0:00:30,-1]", 0, 30, 0, 0},
        {u"/[t0:30:10,-1]", 29 * m + 10, 30 * m + 10, 0, 0},
        // "+n" wraps at midnight.
        {u"/[t23:30,+60]", 30 * m, 23 * h + 30 * m + 59, 0, 0},
        {u"/[t23:30,+2880]", 23 * h + 30 * m, 23 * h + 30 * m + 59, 0, 0},
        {u"/[t9:00,+18446744073709551615]", 9 * h, 21 * h + 15 * m + 59, 0, 0},
        {u"/[ta:10:00,11:00]", 10 * h, 11 * h + 59, 1, 0},
        {u"/[tC=10:00,11:00]", 10 * h, 11 * h + 59, 2, 0},
        {u"/[tw10:00,11:00]", 10 * h, 11 * h + 59, 0, 0},
        {u"/![t9:00,17:00]", 9 * h, 17 * h + 59, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, u"");
        auto records = ranges.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]->kind, u'T');
        EXPECT_EQ(records[0]->fromSecond, row.from);
        EXPECT_EQ(records[0]->toSecond, row.to);
        EXPECT_EQ(records[0]->stamp, row.stamp);
        EXPECT_EQ(records[0]->negate, row.negate);
    }
}

TEST_F(RangeParse, BadTimeRanges) {
    struct Row {
        const char16_t* argument;
        const char16_t* shown;
    };
    const Row rows[] = {
        {u"/[t13:00P]", u"13:00P]"}, {u"/[t0:00a]", u"0:00A]"},
        {u"/[t10]", u"10]"},         {u"/[t24:00]", u"24:00]"},
        {u"/[t9:60]", u"9:60]"},     {u"/[t9:00:60]", u"9:00:60]"},
        {u"/[t9:]", u"9:]"},         {u"/[t9:00:]", u"9:00:]"},
        {u"/[t:9]", u":9]"},         {u"/[t9:00,17:00x]", u"9:00,17:00X]"},
        {u"/[t+]", u"+]"},           {u"/[t9:00,,]", u"9:00,,]"},
        {u"/[t9:00,-]", u"9:00,-]"}, {u"/[tx]", u"X]"},
        {u"/[t1:00pn]", u"1:00PN]"}, {u"/[t99999999999999999999:00]", u"99999999999999999999:00]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(U16String(u"Bad time range: \"") + row.shown + u"\""));
        EXPECT_EQ(ranges.First(), nullptr);
    }
}

TEST_F(RangeParse, NowIsTheClockOfTheContext) {
    ParseContext early = FixedContext();
    early.now.hour = 8;
    early.now.minute = 5;
    OwnedRanges ranges;
    ASSERT_EQ(Parse(u"/[t9:00]", ranges, early).result, 0);
    EXPECT_EQ(ranges.First()->fromSecond, 8u * 3600 + 5 * 60);
    EXPECT_EQ(ranges.First()->toSecond, 9u * 3600 + 59);
}

// ---------------------------------------------------------------------------------------------
// Dates (today is 15 May 2024)

struct DateRow {
    const char16_t* argument;
    uint32_t fromDay, fromSecond, toDay, toSecond;
    uint16_t stamp;
    int negate;
};

void ExpectDates(const DateRow* rows, size_t count, const ParseContext& context = FixedContext()) {
    for (size_t i = 0; i < count; ++i) {
        const DateRow& row = rows[i];
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges, context);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, u"");
        auto records = ranges.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]->kind, u'D');
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
        {u"/[d2024-01-01]", OracleDay(2024, 1, 1), 0, today, WholeDay, 0, 0},
        {u"/[d2024-05-01,2024-05-03]", may1, 0, may3, WholeDay, 0, 0},
        {u"/[d2024/05/01,2024.5.3]", may1, 0, may3, WholeDay, 0, 0},
        {u"/[d2024.05-01,2024-5/3]", may1, 0, may3, WholeDay, 0, 0},
        {u"/[dc2024-05-01@9:00,2024-05-31@17:30]", may1, 9 * 3600, may31, 17 * 3600 + 30 * 60 + 59, 2, 0},
        {u"/[d2024-05-01@12:00,2024-05-03@08:00]", may1, 12 * 3600, may3, 8 * 3600 + 59, 0, 0},
        {u"/[d2024-05-01@12:00,2024-05-03@08:00:30]", may1, 12 * 3600, may3, 8 * 3600 + 30, 0, 0},
        {u"/[d2024-05-01@1:15pm]", may1, 13 * 3600 + 15 * 60, today, WholeDay, 0, 0},
        {u"/[da:2024-05-01,2024-05-03]", may1, 0, may3, WholeDay, 1, 0},
        {u"/[dW=2024-05-01,2024-05-03]", may1, 0, may3, WholeDay, 0, 0},
        {u"/![d2024-05-01,2024-05-03]", may1, 0, may3, WholeDay, 0, 1},
        {u"/[d2024-02-29]", OracleDay(2024, 2, 29), 0, today, WholeDay, 0, 0},
        {u"/[d2000-02-29,2000-03-01]", OracleDay(2000, 2, 29), 0, OracleDay(2000, 3, 1), WholeDay, 0, 0},
        {u"/[d1601-01-01,1601-01-01]", 1, 0, 1, WholeDay, 0, 0},
        {u"/[d9999-12-31,9999-12-31]", OracleDay(9999, 12, 31), 0, OracleDay(9999, 12, 31), WholeDay, 0, 0},
    };
    ExpectDates(rows, std::size(rows));
}

TEST_F(RangeParse, DateRangesRelativeToToday) {
    const uint32_t today = Today();
    const uint32_t may10 = OracleDay(2024, 5, 10);
    const DateRow rows[] = {
        {u"/[d-7]", today - 7, 0, today, WholeDay, 0, 0},
        {u"/[d+3]", today, 0, today + 3, WholeDay, 0, 0},
        {u"/[d-0]", today, 0, today, WholeDay, 0, 0},
        {u"/[d:]", today, 0, today, WholeDay, 0, 0},
        {u"/[d,2024-05-20]", today, 0, OracleDay(2024, 5, 20), WholeDay, 0, 0},
        {u"/[d-3@9:00]", today - 3, 9 * 3600, today, WholeDay, 0, 0},
        {u"/[d-1@9:00,+0@17:00]", today - 1, 9 * 3600, today - 1, 17 * 3600 + 59, 0, 0},
        {u"/[d2024-05-10,-3]", may10 - 3, 0, may10, WholeDay, 0, 0},
        {u"/[d2024-05-10,+2@18:00]", may10, 0, may10 + 2, 18 * 3600 + 59, 0, 0},
        {u"/[d2024-05-10-3]", may10 - 3, 0, may10, WholeDay, 0, 0},
        // Relative days stop at day 0.
        {u"/[d-999999999]", 0, 0, today, WholeDay, 0, 0},
        {u"/[d2024-05-10,-99999999999]", 0, 0, may10, WholeDay, 0, 0},
    };
    ExpectDates(rows, std::size(rows));
}

// Exchanged bounds keep each time, and its seconds rule, with the day it was written with.
TEST_F(RangeParse, DateRangesWrittenInReverseAreExchangedWithTheirTimes) {
    const uint32_t may1 = OracleDay(2024, 5, 1), may3 = OracleDay(2024, 5, 3);
    const DateRow rows[] = {
        {u"/[d2024-05-03,2024-05-01]", may1, 0, may3, WholeDay, 0, 0},
        {u"/[d2024-05-03@08:00,2024-05-01@12:00]", may1, 12 * 3600, may3, 8 * 3600 + 59, 0, 0},
        {u"/[d2024-05-03,2024-05-01@12:00]", may1, 12 * 3600, may3, WholeDay, 0, 0},
        {u"/[d2024-05-03@08:00:30,2024-05-01]", may1, 0, may3, 8 * 3600 + 30, 0, 0},
        // Same day: a missing time counts as later than any time.
        {u"/[d2024-05-01,2024-05-01@12:00]", may1, 12 * 3600, may1, WholeDay, 0, 0},
        {u"/[d2024-05-01@9:00,2024-05-01]", may1, 9 * 3600, may1, WholeDay, 0, 0},
        {u"/[d2024-05-01@12:00,2024-05-01@9:00]", may1, 9 * 3600, may1, 12 * 3600 + 59, 0, 0},
        {u"/[d2024-05-01@9:00:30,2024-05-01@9:00]", may1, 9 * 3600, may1, 9 * 3600 + 30, 0, 0},
    };
    ExpectDates(rows, std::size(rows));
}

TEST_F(RangeParse, DatesFollowTheLocaleOrderUnlessYearFirst) {
    struct Row {
        int order;
        const char16_t* argument;
        unsigned y, m, d;
    };
    const Row rows[] = {
        {1, u"/[d3/4/24,3/4/24]", 2024, 4, 3},        {1, u"/[d2024/4/3,2024/4/3]", 2024, 4, 3},
        {0, u"/[d3/4/24,3/4/24]", 2024, 3, 4},        {0, u"/[d2024/4/3,2024/4/3]", 2024, 4, 3},
        {2, u"/[d24/4/3,24/4/3]", 2024, 4, 3},        {2, u"/[d2024/4/3,2024/4/3]", 2024, 4, 3},
        {0, u"/[d2/29/00,2/29/00]", 2000, 2, 29},     {0, u"/[d1/2/79,1/2/79]", 2079, 1, 2},
        {0, u"/[d1/2/80,1/2/80]", 1980, 1, 2},        {0, u"/[d1/2/99,1/2/99]", 1999, 1, 2},
        {1, u"/[d29.2.2024,29.2.2024]", 2024, 2, 29}, {1, u"/[d31-12-1999,31-12-1999]", 1999, 12, 31},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "order " << row.order);
        const uint32_t day = OracleDay(row.y, row.m, row.d);
        const DateRow expected{row.argument, day, 0, day, WholeDay, 0, 0};
        ExpectDates(&expected, 1, FixedContext(row.order));
    }
}

TEST_F(RangeParse, BadDates) {
    struct Row {
        int order;
        const char16_t* argument;
        const char16_t* message;
    };
    const Row rows[] = {
        {0, u"/[d2023-02-29]", u"Bad date1 in range: \"2023-02-29]\""},
        {0, u"/[d1900-02-29]", u"Bad date1 in range: \"1900-02-29]\""},
        {0, u"/[d2/29/99]", u"Bad date1 in range: \"2/29/99]\""},
        {1, u"/[d31/4/24]", u"Bad date1 in range: \"31/4/24]\""},
        {0, u"/[d2024-13-01]", u"Bad date1 in range: \"2024-13-01]\""},
        {0, u"/[d2024-00-01]", u"Bad date1 in range: \"2024-00-01]\""},
        {0, u"/[d2024-05-00]", u"Bad date1 in range: \"2024-05-00]\""},
        {0, u"/[d1600-01-01]", u"Bad date1 in range: \"1600-01-01]\""},
        {0, u"/[d1/1/10000]", u"Bad date1 in range: \"1/1/10000]\""},
        {0, u"/[d2024-05]", u"Bad date1 in range: \"2024-05]\""},
        {0, u"/[d2024 05 01]", u"Bad date1 in range: \"2024 05 01]\""},
        {0, u"/[dx]", u"Bad date1 in range: \"X]\""},
        {0, u"/[d+]", u"Bad date1 in range: \"+]\""},
        {0, u"/[d2024-05-01@25:00]", u"Bad date1 (time) in range: \"2024-05-01@25:00]\""},
        {0, u"/[d2024-05-01@9]", u"Bad date1 (time) in range: \"2024-05-01@9]\""},
        {0, u"/[d-1@]", u"Bad date1 (time) in range: \"-1@]\""},
        {0, u"/[d2024-05-01,2024-05-0x]", u"Bad date2 in range: \"2024-05-01,2024-05-0X]\""},
        {0, u"/[d2024-05-01,x]", u"Bad date2 in range: \"2024-05-01,X]\""},
        {0, u"/[d2024-05-01,,]", u"Bad date2 in range: \"2024-05-01,,]\""},
        {0, u"/[d2024-05-01,2024-02-30]", u"Bad date2 in range: \"2024-05-01,2024-02-30]\""},
        {0, u"/[d2024-05-01,+x]", u"Bad date2 in range: \"2024-05-01,+X]\""},
        {0, u"/[d2024-05-01,2024-05-03@7]", u"Bad date2 (time) in range: \"2024-05-01,2024-05-03@7]\""},
        {0, u"/[d2024-05-01,-1@13:00p]", u"Bad date2 (time) in range: \"2024-05-01,-1@13:00P]\""},
        {0, u"/[d2024-05-01,2024-05-03x]", u"Bad date range: \"2024-05-01,2024-05-03X]\""},
        {0, u"/[d2024-05-01,2024-05-03@9:00 ]", u"Bad date range: \"2024-05-01,2024-05-03@9:00 ]\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges, FixedContext(row.order));
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(row.message));
        EXPECT_EQ(ranges.First(), nullptr);
    }
}

// ---------------------------------------------------------------------------------------------
// Days of the week

TEST_F(RangeParse, DayOfWeekMasks) {
    struct Row {
        const char16_t* argument;
        uint16_t mask;
        uint16_t stamp;
    };
    const Row rows[] = {
        {u"/[w:sat,sun]", 0x41, 0},
        {u"/[w:weekend]", 0x41, 0},
        {u"/[w:Weekends]", 0x41, 0},
        {u"/![w:weekend]", 0x3E, 0},
        {u"/[w:WEEKDAY]", 0x3E, 0},
        {u"/[w:weekdays]", 0x3E, 0},
        {u"/[w:fri-mon]", 0x63, 0},
        {u"/[w:mon..wed]", 0x0E, 0},
        {u"/[w:sat-sat]", 0x40, 0},
        {u"/[w:sun-sat]", 0x7F, 0},
        {u"/[w:7]", 0x01, 0},
        {u"/[w:0]", 0x01, 0},
        {u"/[w:3]", 0x08, 0},
        {u"/[w:1-5]", 0x3E, 0},
        {u"/[w:5-0]", 0x61, 0},
        {u"/[w:Sunday;Tuesday]", 0x05, 0},
        {u"/[w=su, tu\tth;sa]", 0x55, 0},
        {u"/[w:mon,mon]", 0x02, 0},
        {u"/[w:weekday,sun]", 0x3F, 0},
        {u"/[wc:sun]", 0x01, 2},
        {u"/[WA=mon]", 0x02, 1},
        {u"/[ww:fr]", 0x20, 0},
        {u"/![w:mon-fri]", 0x41, 0},
        {u"/![wc:sun]", 0x7E, 2},
        {u"/[w:,mon;]", 0x02, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, u"");
        auto records = ranges.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]->kind, u'W');
        EXPECT_EQ(records[0]->dayMask, row.mask);
        EXPECT_EQ(records[0]->stamp, row.stamp);
        EXPECT_EQ(records[0]->negate, 0);
    }
}

TEST_F(RangeParse, BadDayOfWeekRanges) {
    struct Row {
        const char16_t* argument;
        const char16_t* message;
    };
    const Row rows[] = {
        {u"/[w:8]", u"Bad day-of-the-week range: \":8]\""},
        {u"/[w:x]", u"Bad day-of-the-week range: \":X]\""},
        {u"/[wmon]", u"Bad day-of-the-week range: \"MON]\""},
        {u"/[wc]", u"Bad day-of-the-week range: \"C]\""},
        {u"/[w:s]", u"Bad day-of-the-week range: \":S]\""},
        {u"/[w:12]", u"Bad day-of-the-week range: \":12]\""},
        {u"/[w:1x]", u"Bad day-of-the-week range: \":1X]\""},
        {u"/[w:weekend-mon]", u"Bad day-of-the-week range: \":WEEKEND-MON]\""},
        {u"/[w:mon-weekend]", u"Bad day-of-the-week range: \":MON-WEEKEND]\""},
        {u"/[w:mon-wed-fri]", u"Bad day-of-the-week range: \":MON-WED-FRI]\""},
        {u"/[w:mon-wed.]", u"Bad day-of-the-week range: \":MON-WED.]\""},
        {u"/[w:mon.wed]", u"Bad day-of-the-week range: \":MON.WED]\""},
        {u"/[w:mon-]", u"Bad day-of-the-week range: \":MON-]\""},
        {u"/[w:-mon]", u"Bad day-of-the-week range: \":-MON]\""},
        {u"/[w:mon]x]", u"Bad day-of-the-week range: \":MON]X]\""},
        {u"/![w:weekday,weekend]", u"Empty day-of-the-week range: \":WEEKDAY,WEEKEND]\""},
        {u"/![w:sun-sat]", u"Empty day-of-the-week range: \":SUN-SAT]\""},
        // An empty list would select nothing; it is refused like an empty negated list.
        {u"/[w:]", u"Empty day-of-the-week range: \":]\""},
        {u"/[w:, ;]", u"Empty day-of-the-week range: \":, ;]\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(row.message));
        EXPECT_EQ(ranges.First(), nullptr);
    }
}

TEST_F(RangeParse, DayWordOfMoreThan1023CharactersIsRefused) {
    OwnedRanges ranges;
    U16String longest = u"/[w:su" + U16String(1021, u'n') + u"]";
    ParseOutcome outcome = Parse(longest, ranges);
    ASSERT_EQ(outcome.result, 0);
    EXPECT_EQ(ranges.First()->dayMask, 0x01);
    U16String tooLong = u"/[w:su" + U16String(1022, u'n') + u"]";
    outcome = Parse(tooLong, ranges);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.err, Message(u"Bad day-of-the-week range: \":SU" + U16String(1022, u'N') + u"]\""));
}

// ---------------------------------------------------------------------------------------------
// Descriptions and owners

TEST_F(RangeParse, DescriptionAndOwnerPatterns) {
    struct Row {
        const char16_t* argument;
        char16_t kind;
        const char16_t* pattern;
        int negate;
    };
    const Row rows[] = {
        {u"/[i:*draft*]", u'I', u"*draft*", 0},
        {u"/[I=*Draft*]", u'I', u"*Draft*", 0},
        {u"/![i:*draft*]", u'I', u"*draft*", 1},
        {u"/[i*x*]", u'I', u"*x*", 0},
        {u"/[i::x]", u'I', u":x", 0},
        {u"/[i:a]]", u'I', u"a]", 0},
        {u"/[i:]", u'I', u"", 0},
        {u"/[o:]", u'O', u"", 0},
        {u"/[o:VM\\root]", u'O', u"VM\\root", 0},
        {u"/![O=*Admin*]", u'O', u"*Admin*", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, u"");
        auto records = ranges.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]->kind, row.kind);
        EXPECT_EQ(records[0]->pattern, row.pattern);
        EXPECT_EQ(records[0]->negate, row.negate);
    }
}

TEST_F(RangeParse, DescriptionSwitchFormsKeepTheBracket) {
    struct Row {
        const char16_t* text;
        bool negated;
        bool strip;
        const char16_t* pattern; // null: no record
    };
    const Row rows[] = {
        {u":*draft*", false, false, u"*draft*"},
        {u":*draft*]", false, false, u"*draft*]"},
        {u":*draft*]", false, true, u"*draft*"},
        {u"=Keep This", true, false, u"Keep This"},
        {u":", false, false, u""},
        {u"]", false, false, nullptr},
        {u"", true, false, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.text));
        OwnedRanges ranges;
        const U16String text = row.text;
        ParseStatus status = ParseDescriptionRange(text, row.negated, row.strip, ranges.set, FixedContext());
        EXPECT_EQ(status ? status->result : 0, 0);
        EXPECT_EQ(ErrorText(status), u"");
        EXPECT_EQ(text, row.text);
        if (!row.pattern) {
            EXPECT_EQ(ranges.First(), nullptr);
            continue;
        }
        ASSERT_NE(ranges.First(), nullptr);
        EXPECT_EQ(ranges.First()->kind, u'I');
        EXPECT_EQ(ranges.First()->pattern, row.pattern);
        EXPECT_EQ(ranges.First()->negate, row.negated ? 1 : 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Exclusions

TEST_F(RangeParse, ExclusionPatterns) {
    struct Row {
        const char16_t* argument;
        std::vector<U16String> newestFirst;
    };
    const Row rows[] = {
        {u"/[!*.bak *.tmp]", {u"*.tmp", u"*.bak"}},
        {u"/[!*.bak]", {u"*.bak"}},
        {u"/[!\"my file.txt\" *.tmp]", {u"*.tmp", u"my file.txt"}},
        {u"/[!my\" \"file.txt]", {u"my file.txt"}},
        {u"/[!  a \t  b  ]", {u"b", u"a"}},
        {u"/[!\"  a b  \"]", {u"a b"}},
        {u"/[!a]b]", {u"a]b"}},
        {u"/[!\"\" x]", {u"x"}},
        {u"/[!\"\"]", {}},
        {u"/[! ]", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseOutcome outcome = Parse(row.argument, ranges);
        ASSERT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.err, u"");
        std::vector<U16String> patterns;
        for (const RangeRecord* r : ranges.Records()) {
            EXPECT_EQ(r->kind, u'!');
            EXPECT_EQ(r->negate, 0);
            patterns.push_back(r->pattern);
        }
        EXPECT_EQ(patterns, row.newestFirst);
    }
}

TEST_F(RangeParse, ExclusionPatternIsCutAt8191Characters) {
    OwnedRanges ranges;
    U16String argument = u"/[!" + U16String(9000, u'x') + u" y]";
    ASSERT_EQ(Parse(argument, ranges).result, 0);
    auto records = ranges.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]->pattern, u"y");
    EXPECT_EQ(records[1]->pattern, U16String(8191, u'x'));
}

// ---------------------------------------------------------------------------------------------
// Allocation failures

TEST_F(RangeParse, AllocationFailureMessages) {
    struct Row {
        const char16_t* argument;
        const char16_t* message;
    };
    const Row rows[] = {
        {u"/[s1]", u"Can\u2019t allocate size range structure"},
        {u"/[t9:00]", u"Can\u2019t allocate time range structure"},
        {u"/[d-1]", u"Can\u2019t allocate date range structure"},
        {u"/[w:mon]", u"Can\u2019t allocate DOW range structure"},
        {u"/[i:x]", u"Can\u2019t allocate description range structure"},
        {u"/[o:x]", u"Can\u2019t allocate owner range structure"},
        {u"/[!x]", u"Can\u2019t allocate exclusion range structure"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Utf8FromU16(row.argument));
        OwnedRanges ranges;
        ParseContext noRoom = FixedContext();
        noRoom.recordLimit = 0;
        ParseOutcome outcome = Parse(row.argument, ranges, noRoom);
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.err, Message(row.message));
        EXPECT_EQ(ranges.First(), nullptr);
        // The argument is not shown and so stays as written.
        EXPECT_EQ(outcome.argumentAfter, row.argument);
    }
}

TEST_F(RangeParse, ExclusionRecordsAddedBeforeAFailureStayInTheList) {
    OwnedRanges ranges;
    ParseContext roomForOne = FixedContext();
    roomForOne.recordLimit = 1;
    ParseOutcome outcome = Parse(u"/[!a b c]", ranges, roomForOne);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.err, Message(u"Can\u2019t allocate exclusion range structure"));
    auto records = ranges.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]->pattern, u"a");
}

// ---------------------------------------------------------------------------------------------
// An argument is a view: what follows it is not read

TEST(RangeArgumentViews, ParsersReadNothingPastTheirView) {
    struct Row {
        const char* label;
        U16String argument;
        U16String after;   // would change the outcome if read
        bool description;  // ParseDescriptionRange (not negated, bracket kept) instead of ParseRangeOption
        U16String records; // kind and pattern (or low bound) of each record, newest first
    };
    const Row rows[] = {
        {"size", u"/[s1k]", u"x]", false, u"S1000;"},
        {"exclusions", u"/[!a b]", u" c]", false, u"!b;!a;"},
        {"day of week", u"/[w:mon]", u"x]", false, u"W2;"},
        {"description switch", u":abc", u"def", true, u"Iabc;"},
        {"description range", u"/[i:abc]", u"d]", false, u"Iabc;"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        auto parse = [&](U16View text) {
            RangeSet set;
            ParseStatus status = row.description
                                     ? ParseDescriptionRange(text, false, false, set, FixedContext())
                                     : ParseRangeOption(text, set, FixedContext());
            if (status) return u"error: " + ErrorText(status);
            U16String records;
            for (const RangeRecord& r : set.records) {
                records += r.kind;
                if (r.kind == u'S') records += U16FromAscii(std::to_string(r.low));
                if (r.kind == u'W') records += U16FromAscii(std::to_string(r.dayMask));
                records += r.pattern + u";";
            }
            return records;
        };
        // A copy of exactly the argument's length: the address sanitizer reports any read past it.
        const std::vector<char16_t> exact(row.argument.begin(), row.argument.end());
        EXPECT_EQ(parse(U16View(exact.data(), exact.size())), row.records);
        const U16String longer = row.argument + row.after;
        EXPECT_EQ(parse(U16View(longer).substr(0, row.argument.size())), row.records);
    }
}

} // namespace
