// Colour operations of the stand-in host: colour texts read by ParseColors, the attribute that
// GetAttribute reports when output is not a console, and the attribute SetColors records.
#include "HostTesting.h"
#include "gateway/HostExports.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct ColourCase {
    const char* label;
    const wchar_t* text;
    int result;
    int foreground;
    int background;
};

const ColourCase kColourCases[] = {
    {"one colour", L"red", 0, 4, -1},
    {"black is zero", L"black", 0, 0, -1},
    {"bright colour", L"bright red", 0, 12, -1},
    {"letter case ignored", L"BRIGHT Yellow on blue", 0, 14, 1},
    {"every name: blue", L"blue on black", 0, 1, 0},
    {"every name: green", L"green on cyan", 0, 2, 3},
    {"every name: magenta", L"magenta on white", 0, 5, 7},
    {"grey is white", L"grey on black", 0, 7, 0},
    {"gray is white", L"Gray on Cyan", 0, 7, 3},
    {"bright background", L"white on bright black", 0, 7, 8},
    {"bright both", L"bright white on bright magenta", 0, 15, 13},
    {"default background", L"green on default", 0, 2, 64},
    {"default background, any case", L"bright cyan ON DEFAULT", 0, 11, 64},
    {"extra blanks and tabs", L"  red \t on   green  ", 0, 4, 2},
    {"unknown colour", L"purple", 1, -1, -1},
    {"unknown background", L"red on purple", 1, -1, -1},
    {"empty text", L"", 1, -1, -1},
    {"blanks only", L"   ", 1, -1, -1},
    {"background without foreground", L"on blue", 1, -1, -1},
    {"on without a colour", L"red on", 1, -1, -1},
    {"two colours without on", L"red blue", 1, -1, -1},
    {"bright alone", L"bright", 1, -1, -1},
    {"bright default", L"red on bright default", 1, -1, -1},
    {"default foreground", L"default", 1, -1, -1},
    {"words left over", L"red on blue extra", 1, -1, -1},
    {"hexadecimal is not a colour text", L"0x1E", 1, -1, -1},
};

TEST(HostColours, ParseColorsTable) {
    for (const ColourCase& c : kColourCases) {
        SCOPED_TRACE(c.label);
        int foreground = 99, background = 99;
        EXPECT_EQ(ParseColors(c.text, &foreground, &background), c.result);
        EXPECT_EQ(foreground, c.foreground);
        EXPECT_EQ(background, c.background);
    }
}

TEST(HostColours, ParseColorsWithoutTextOrOutputs) {
    int foreground = 5, background = 5;
    EXPECT_NE(ParseColors(nullptr, &foreground, &background), 0);
    EXPECT_EQ(foreground, -1);
    EXPECT_EQ(background, -1);
    EXPECT_EQ(ParseColors(L"red on blue", nullptr, nullptr), 0);
}

TEST(HostColours, AttributeIsGreyOnBlackWhenOutputIsNoConsole) {
    testing_support::TempTree tree;
    HANDLE file =
        CreateFileW(tree.path(L"out.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, file);
    unsigned normal = 0, inverse = 0;
    GetAttribute(&normal, &inverse);
    SetStdHandle(STD_OUTPUT_HANDLE, saved);
    CloseHandle(file);
    EXPECT_EQ(normal, 0x07u);
    EXPECT_EQ(inverse, 0x70u);
    GetAttribute(nullptr, nullptr); // no outputs: nothing to write
}

TEST(HostColours, SetColorsRecordsTheAttribute) {
    const int attributes[] = {0x1E, 0x07, 0x0F, 0};
    for (int attribute : attributes) {
        SetColors(attribute);
        EXPECT_EQ(HostLastSetColors(), attribute);
    }
    tty_yield(0);
    EXPECT_EQ(HostLastSetColors(), 0);
}

} // namespace
