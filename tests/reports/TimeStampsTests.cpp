// Time stamps: the text of the fields, the three zone modes in a fixed zone with daylight-saving
// time, and the time-stamp section on real files whose times were set.
#include "reports/FileProbe.h"
#include "reports/ReportSections.h"
#include "reports/TimeFormat.h"

#include "core/ScanSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

FILETIME Stamp(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms) {
    SYSTEMTIME s{year, month, 0, day, hour, minute, second, ms};
    FILETIME f{};
    EXPECT_TRUE(SystemTimeToFileTime(&s, &f));
    return f;
}

// Central European rules: UTC+1, UTC+2 from the last Sunday of March 02:00 to the last Sunday
// of October 03:00.
TIME_ZONE_INFORMATION Berlin() {
    TIME_ZONE_INFORMATION zone{};
    zone.Bias = -60;
    zone.StandardBias = 0;
    zone.DaylightBias = -60;
    zone.StandardDate = SYSTEMTIME{0, 10, 0, 5, 3, 0, 0, 0};
    zone.DaylightDate = SYSTEMTIME{0, 3, 0, 5, 2, 0, 0, 0};
    return zone;
}

std::wstring Text(const SYSTEMTIME& fields, bool fractional, bool utc) {
    wchar_t out[64];
    EXPECT_GT(FormatStampFields(fields, fractional, utc, out, 64), 0);
    return out;
}

TEST(DayName, SevenNamesThenXxx) {
    const wchar_t* expected[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    for (unsigned d = 0; d < 7; ++d)
        EXPECT_STREQ(DayName(d), expected[d]);
    EXPECT_STREQ(DayName(7), L"XXX");
    EXPECT_STREQ(DayName(65535), L"XXX");
}

struct FieldCase {
    const char* label;
    SYSTEMTIME fields;
    bool fractional;
    bool utc;
    const wchar_t* text;
};

const FieldCase FieldCases[] = {
    {"plain", {2024, 3, 2, 5, 14, 7, 9, 250}, false, false, L"Tue 2024-03-05  14:07:09"},
    {"fractional", {2024, 3, 2, 5, 14, 7, 9, 250}, true, false, L"Tue 2024-03-05  14:07:09.250"},
    {"utc", {2024, 3, 2, 5, 14, 7, 9, 250}, false, true, L"Tue 2024-03-05  14:07:09  UTC"},
    {"fractional utc", {2024, 3, 2, 5, 14, 7, 9, 250}, true, true, L"Tue 2024-03-05  14:07:09.250  UTC"},
    {"zero padding", {1601, 1, 1, 1, 0, 0, 0, 7}, true, false, L"Mon 1601-01-01  00:00:00.007"},
    {"day out of range", {2024, 12, 9, 31, 23, 59, 59, 999}, true, false, L"XXX 2024-12-31  23:59:59.999"},
};

TEST(FormatStampFields, Cases) {
    for (const FieldCase& c : FieldCases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(Text(c.fields, c.fractional, c.utc), c.text);
    }
}

TEST(FormatStampFields, TooSmallBufferGivesNothing) {
    SYSTEMTIME fields{2024, 3, 2, 5, 14, 7, 9, 250};
    wchar_t out[24];
    EXPECT_EQ(FormatStampFields(fields, false, false, out, 24), -1);
    EXPECT_STREQ(out, L"");
    wchar_t exact[25];
    EXPECT_EQ(FormatStampFields(fields, false, false, exact, 25), 24);
    EXPECT_EQ(FormatStampFields(fields, true, false, exact, 25), -1);
}

struct ZoneCase {
    const char* label;
    FILETIME stamp;
    int32_t mode;
    FILETIME now;
    const wchar_t* text;
};

// The local mode follows the rule at the stamp's date; the default mode applies the offset in
// force now; UTC ignores the zone.
TEST(StampToFieldsInZone, ThreeModesAcrossDaylightSavingTime) {
    const FILETIME summer = Stamp(2024, 7, 15, 12, 0, 0, 0);
    const FILETIME winter = Stamp(2024, 1, 15, 12, 0, 0, 0);
    const FILETIME nowWinter = Stamp(2026, 12, 8, 9, 0, 0, 0);
    const FILETIME nowSummer = Stamp(2026, 6, 8, 9, 0, 0, 0);
    const ZoneCase cases[] = {
        {"summer stamp, local mode", summer, TimeZoneLocal, nowWinter, L"Mon 2024-07-15  14:00:00"},
        {"summer stamp, default mode in winter", summer, TimeZoneDefault, nowWinter,
         L"Mon 2024-07-15  13:00:00"},
        {"summer stamp, default mode in summer", summer, TimeZoneDefault, nowSummer,
         L"Mon 2024-07-15  14:00:00"},
        {"winter stamp, local mode", winter, TimeZoneLocal, nowSummer, L"Mon 2024-01-15  13:00:00"},
        {"winter stamp, default mode in summer", winter, TimeZoneDefault, nowSummer,
         L"Mon 2024-01-15  14:00:00"},
        {"winter stamp, default mode in winter", winter, TimeZoneDefault, nowWinter,
         L"Mon 2024-01-15  13:00:00"},
        {"summer stamp, utc", summer, TimeZoneUtc, nowWinter, L"Mon 2024-07-15  12:00:00"},
        {"unknown mode is the default", summer, 7, nowWinter, L"Mon 2024-07-15  13:00:00"},
        {"across midnight", Stamp(2024, 8, 31, 23, 30, 0, 0), TimeZoneLocal, nowWinter,
         L"Sun 2024-09-01  01:30:00"},
    };
    const TIME_ZONE_INFORMATION zone = Berlin();
    for (const ZoneCase& c : cases) {
        SCOPED_TRACE(c.label);
        SYSTEMTIME fields{};
        ASSERT_TRUE(StampToFieldsInZone(c.stamp, c.mode, zone, c.now, fields));
        EXPECT_EQ(Text(fields, false, false), c.text);
    }
}

TEST(StampToFields, UtcModeIsTheStampItself) {
    SYSTEMTIME fields{};
    ASSERT_TRUE(StampToFields(Stamp(2024, 3, 5, 14, 7, 9, 250), TimeZoneUtc, fields));
    EXPECT_EQ(Text(fields, true, true), L"Tue 2024-03-05  14:07:09.250  UTC");
}

TEST(StampToFields, StampBeyondTheCalendarFails) {
    SYSTEMTIME fields{};
    FILETIME huge{0xFFFFFFFFu, 0xFFFFFFFFu};
    EXPECT_FALSE(StampToFields(huge, TimeZoneUtc, fields));
}

// The real conversions of the process's own zone: whatever the zone, they agree with the
// explicit-zone functions given the current zone and time.
TEST(StampToFields, AgreesWithTheCurrentZone) {
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    for (FILETIME stamp : {Stamp(2024, 7, 15, 12, 0, 0, 0), Stamp(2024, 1, 15, 12, 0, 0, 0)}) {
        for (int32_t mode : {TimeZoneDefault, TimeZoneLocal, TimeZoneUtc}) {
            SYSTEMTIME real{}, computed{};
            ASSERT_TRUE(StampToFields(stamp, mode, real));
            ASSERT_TRUE(StampToFieldsInZone(stamp, mode, zone, now, computed));
            EXPECT_EQ(Text(real, true, false), Text(computed, true, false)) << "mode " << mode;
        }
    }
}

// Needs the process started with TZ=Europe/Berlin (Wine takes its zone from TZ at start-up).
TEST(TimeStampSection, LocalModeAgainstDefaultModeInBerlin) {
    TIME_ZONE_INFORMATION zone{};
    DWORD id = GetTimeZoneInformation(&zone);
    if (zone.Bias != -60 || zone.DaylightBias != -60 || zone.DaylightDate.wMonth != 3)
        GTEST_SKIP() << "the process's time zone is not Central European; run with TZ=Europe/Berlin";
    TempTree tree;
    std::wstring path = tree.file(L"summer.txt", "x");
    HANDLE h =
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME summer = Stamp(2024, 7, 15, 12, 0, 0, 0);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &summer));
    CloseHandle(h);
    const std::wstring nowOffsetHour = (id == TIME_ZONE_ID_DAYLIGHT) ? L"14" : L"13";
    Capture capture;
    FileProbe local(path.c_str()), byDefault(path.c_str());
    EXPECT_EQ(TimeStampSection(local, TimeZoneLocal, TimeModified), 0);
    EXPECT_EQ(TimeStampSection(byDefault, TimeZoneDefault, TimeModified), 0);
    EXPECT_EQ(capture.out(), L"    Modified:  Mon 2024-07-15  14:00:00\r\n\r\n"
                             L"    Modified:  Mon 2024-07-15  " +
                                 nowOffsetHour + L":00:00\r\n\r\n");
}

class TimeStampFile : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = tree_.file(L"stamped.txt", "x");
        HANDLE h = CreateFileW(path_.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        FILETIME modified = Stamp(2024, 3, 5, 14, 7, 9, 250);
        FILETIME accessed = Stamp(2025, 11, 30, 8, 15, 0, 0);
        ASSERT_TRUE(SetFileTime(h, nullptr, &accessed, &modified));
        CloseHandle(h);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &data));
        created_ = data.ftCreationTime;
    }
    std::wstring Section(int32_t mode, uint32_t flags, int* rc = nullptr) {
        Capture capture;
        FileProbe probe(path_.c_str());
        int result = TimeStampSection(probe, mode, flags);
        if (rc) *rc = result;
        return capture.out();
    }
    TempTree tree_;
    std::wstring path_;
    FILETIME created_{};
};

TEST_F(TimeStampFile, ModifiedInUtcWithFractions) {
    int rc = -5;
    EXPECT_EQ(Section(TimeZoneUtc, TimeModified | TimeFractional, &rc),
              L"    Modified:  Tue 2024-03-05  14:07:09.250  UTC\r\n\r\n");
    EXPECT_EQ(rc, 0);
}

TEST_F(TimeStampFile, ModifiedInUtcWithoutFractions) {
    EXPECT_EQ(Section(TimeZoneUtc, TimeModified), L"    Modified:  Tue 2024-03-05  14:07:09  UTC\r\n\r\n");
}

// Only the selected stamps, always created, modified, accessed, with the labels' blanks.
TEST_F(TimeStampFile, SelectedStampsInFixedOrder) {
    SYSTEMTIME c{};
    ASSERT_TRUE(FileTimeToSystemTime(&created_, &c));
    wchar_t createdText[64];
    FormatStampFields(c, false, true, createdText, 64);
    const std::wstring createdLine = std::wstring(L"    Created:   ") + createdText + L"\r\n";
    const std::wstring modifiedLine = L"    Modified:  Tue 2024-03-05  14:07:09  UTC\r\n";
    const std::wstring accessedLine = L"    Accessed:  Sun 2025-11-30  08:15:00  UTC\r\n";
    EXPECT_EQ(Section(TimeZoneUtc, TimeAccess | TimeCreation), createdLine + accessedLine + L"\r\n");
    EXPECT_EQ(Section(TimeZoneUtc, TimeAccess | TimeModified), modifiedLine + accessedLine + L"\r\n");
    EXPECT_EQ(Section(TimeZoneUtc, TimeAccess | TimeModified | TimeCreation),
              createdLine + modifiedLine + accessedLine + L"\r\n");
    EXPECT_EQ(Section(TimeZoneUtc, TimeAccess), accessedLine + L"\r\n");
}

TEST_F(TimeStampFile, NoStampSelectedPrintsNothing) {
    int rc = -5;
    EXPECT_EQ(Section(TimeZoneUtc, 0, &rc), L"");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Section(TimeZoneUtc, TimeFractional, &rc), L"");
    EXPECT_EQ(rc, 0);
}

TEST(TimeStampSection, MissingFileAndArguments) {
    TempTree tree;
    Capture capture;
    std::wstring none = tree.path(L"none.txt");
    FileProbe missing(none.c_str()), noPath(nullptr), emptyPath(L"");
    EXPECT_EQ(TimeStampSection(missing, TimeZoneUtc, TimeModified), 1);
    EXPECT_EQ(TimeStampSection(noPath, TimeZoneUtc, TimeModified), -1);
    EXPECT_EQ(TimeStampSection(emptyPath, TimeZoneUtc, TimeModified), -1);
    EXPECT_EQ(capture.out(), L"");
}

struct NoneCase {
    const char* label;
    int32_t mode;
    bool fractional;
};

// A stamp of 0 is "(none)" in every mode, without "  UTC" or fractions.
TEST(PrintTimeStamp, ZeroStampIsNone) {
    const NoneCase cases[] = {
        {"utc", TimeZoneUtc, true}, {"local", TimeZoneLocal, false}, {"default", 0, true}};
    for (const NoneCase& c : cases) {
        SCOPED_TRACE(c.label);
        Capture capture;
        EXPECT_EQ(PrintTimeStamp(FILETIME{0, 0}, L"    Created:   ", c.mode, c.fractional), 0);
        EXPECT_EQ(capture.out(), L"    Created:   (none)\r\n");
    }
}

TEST(PrintTimeStamp, UnconvertibleStampIsNone) {
    Capture capture;
    PrintTimeStamp(FILETIME{0xFFFFFFFFu, 0xFFFFFFFFu}, L"    Accessed:  ", TimeZoneUtc, false);
    EXPECT_EQ(capture.out(), L"    Accessed:  (none)\r\n");
}

} // namespace
