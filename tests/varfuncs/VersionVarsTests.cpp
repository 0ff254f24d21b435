// Tests of _FHVER and _CLVER: the fixed version strings and the missing-buffer result.
#include "varfuncs/VarFunctions.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

TEST(VersionVariablesTest, Strings) {
    struct Row {
        const char* label;
        int (*function)(wchar_t*);
        const wchar_t* text;
    } rows[] = {{"_fhver", ScrutelFhver, L"1.0.16.5"}, {"_clver", ScrutelClver, L"1.1.2.2"}};
    for (const Row& row : rows) {
        std::vector<wchar_t> buffer(8192, L'#');
        EXPECT_EQ(row.function(buffer.data()), 0) << row.label;
        EXPECT_STREQ(buffer.data(), row.text) << row.label;
        // Only the text and its terminator are written.
        EXPECT_EQ(buffer[wcslen(row.text) + 1], L'#') << row.label;
        EXPECT_EQ(row.function(nullptr), -1) << row.label;
    }
}
