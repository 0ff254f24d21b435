// Tests of the EXIF "date taken" text: valid dates across the calendar's range, impossible ones
// shown as read, and values not in the EXIF form.
#include "reports/ExifDate.h"

#include <gtest/gtest.h>

#include <string>

using namespace scrutel;

namespace {

struct DateCase {
    const char* label;
    std::u16string value;
    int result;
    std::u16string text;
};

} // namespace

TEST(FormatDateTaken, FormsOfTheExifDate) {
    const DateCase cases[] = {
        {"valid", u"2000:01:01 12:34:56", 1, u"Sat 2000-01-01  12:34:56"},
        {"first day of the range", u"1601:01:01 00:00:00", 1, u"Mon 1601-01-01  00:00:00"},
        {"last day of the range", u"9999:12:31 23:59:59", 1, u"Fri 9999-12-31  23:59:59"},
        {"leap day of a year divisible by 400", u"2000:02:29 08:00:00", 1, u"Tue 2000-02-29  08:00:00"},
        {"leap day of a year divisible by 4", u"2024:02:29 08:00:00", 1, u"Thu 2024-02-29  08:00:00"},
        {"a Sunday", u"2023:12:31 10:11:12", 1, u"Sun 2023-12-31  10:11:12"},
        {"all zero", u"0000:00:00 00:00:00", 2, u"0000-00-00 00:00:00"},
        {"February 29 of a century year", u"1900:02:29 12:00:00", 2, u"1900-02-29 12:00:00"},
        {"February 29 of a common year", u"2023:02:29 12:00:00", 2, u"2023-02-29 12:00:00"},
        {"April 31", u"2021:04:31 12:00:00", 2, u"2021-04-31 12:00:00"},
        {"month 13", u"2021:13:01 12:00:00", 2, u"2021-13-01 12:00:00"},
        {"day 0", u"2021:01:00 12:00:00", 2, u"2021-01-00 12:00:00"},
        {"hour 24", u"2021:01:01 24:00:00", 2, u"2021-01-01 24:00:00"},
        {"minute 60", u"2021:01:01 23:60:00", 2, u"2021-01-01 23:60:00"},
        {"second 60", u"2021:01:01 23:59:60", 2, u"2021-01-01 23:59:60"},
        {"year 1600", u"1600:12:31 23:59:59", 2, u"1600-12-31 23:59:59"},
        {"trailing character", u"2000:01:01 12:34:56Z", 0, u""},
        {"dashes", u"2000-01-01 12:34:56", 0, u""},
        {"T separator", u"2000:01:01T12:34:56", 0, u""},
        {"short", u"2000:01:01 12:34", 0, u""},
        {"letter for a digit", u"2000:0a:01 12:34:56", 0, u""},
        {"full-width digit", u"2000:01:01 12:34:5\uFF16", 0, u""},
        {"not available", u"N/A", 0, u""},
        {"empty", u"", 0, u""},
    };
    for (const auto& c : cases) {
        char16_t out[64] = u"unchanged";
        EXPECT_EQ(FormatDateTaken(c.value.c_str(), out, 64), c.result) << c.label;
        EXPECT_EQ(std::u16string(out), c.text) << c.label;
    }
}
