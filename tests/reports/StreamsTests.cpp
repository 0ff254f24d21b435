// Streams: the list built from stream names (which count, how they are shown, the length rule
// and its closing mark), and the section on a real file.
#include "reports/ReportSections.h"
#include "reports/StreamList.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

struct ListCase {
    const char* label;
    std::vector<std::wstring> names;
    uint32_t count;
    std::wstring text;
};

std::wstring StreamName(size_t length, wchar_t letter) {
    return L":" + std::wstring(length, letter) + L":$DATA";
}

// Shown length of StreamName(n) is n + 6 (name, colon, "$DATA").
const ListCase ListCases[] = {
    {"main data only", {L"::$DATA"}, 0, L""},
    {"main data in other letter case", {L"::$data", L""}, 0, L""},
    {"one stream", {L"::$DATA", L":x:$DATA"}, 1, L"x:$DATA"},
    {"two streams",
     {L"::$DATA", L":x:$DATA", L":Zone.Identifier:$DATA"},
     2,
     L"x:$DATA, Zone.Identifier:$DATA"},
    {"single colon shown unchanged", {L":"}, 1, L":"},
    {"name without leading colon", {L"odd"}, 1, L"odd"},
    // 52 + 6 = 58 characters: below 59, listed.
    {"first name of 58", {StreamName(52, L'a')}, 1, std::wstring(52, L'a') + L":$DATA"},
    // 53 + 6 = 59: not below 59, so the list closes at once.
    {"first name of 59", {StreamName(53, L'a'), L":b:$DATA"}, 2, L" \u2026"},
    // 20 + 2 + 36 = 58: fits with its separator.
    {"second name fits with separator",
     {StreamName(14, L'a'), StreamName(30, L'b')},
     2,
     std::wstring(14, L'a') + L":$DATA, " + std::wstring(30, L'b') + L":$DATA"},
    // 20 + 2 + 37 = 59: the separator counts, so it does not fit.
    {"second name one too long",
     {StreamName(14, L'a'), StreamName(31, L'b'), L":c:$DATA"},
     3,
     std::wstring(14, L'a') + L":$DATA \u2026"},
    {"mark appended once, all counted",
     {StreamName(40, L'a'), StreamName(40, L'b'), StreamName(1, L'c'), StreamName(40, L'd'), L"::$DATA"},
     4,
     std::wstring(40, L'a') + L":$DATA \u2026"},
};

TEST(AddStreamName, Cases) {
    for (const ListCase& c : ListCases) {
        SCOPED_TRACE(c.label);
        StreamList list;
        for (const std::wstring& name : c.names)
            AddStreamName(list, name.c_str());
        EXPECT_EQ(list.count, c.count);
        EXPECT_EQ(std::wstring(list.text), c.text);
        EXPECT_EQ(list.length, c.text.size());
    }
}

// Names and separators stay below 59 characters whatever the names, with " …" after them.
TEST(AddStreamName, ListStaysBelowTheLimit) {
    for (size_t length = 1; length < 80; ++length) {
        StreamList list;
        for (int i = 0; i < 30; ++i)
            AddStreamName(list, StreamName(length, static_cast<wchar_t>(L'a' + i % 26)).c_str());
        EXPECT_EQ(list.count, 30u);
        std::wstring text = list.text;
        ASSERT_TRUE(list.overflowed) << length;
        ASSERT_GE(text.size(), 2u);
        EXPECT_EQ(text.substr(text.size() - 2), L" \u2026");
        EXPECT_LT(text.size() - 2, StreamListLimit) << length;
        EXPECT_EQ(text.find(L'\u2026'), text.size() - 1);
    }
}

TEST(AddStreamName, NullNameIsIgnored) {
    StreamList list;
    AddStreamName(list, nullptr);
    EXPECT_EQ(list.count, 0u);
}

TEST(StreamsSection, PlainFilePrintsNothing) {
    TempTree tree;
    std::wstring path = tree.file(L"plain.txt", "x");
    Capture capture;
    EXPECT_EQ(StreamsSection(path.c_str()), 0);
    EXPECT_EQ(StreamsSection(L""), 0);
    EXPECT_EQ(capture.out(), L"");
}

TEST(StreamsSection, FileWithOneAlternateStream) {
    TempTree tree;
    std::wstring path = tree.file(L"streams.txt", "main");
    HANDLE h = CreateFileW((path + L":x").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "this file system has no alternate data streams";
    CloseHandle(h);
    WIN32_FIND_STREAM_DATA data;
    HANDLE search = FindFirstStreamW(path.c_str(), FindStreamInfoStandard, &data, 0);
    if (search == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "FindFirstStreamW is not implemented here (Wine 8); the list is tested through "
                        "AddStreamName";
    FindClose(search);
    Capture capture;
    EXPECT_EQ(StreamsSection(path.c_str()), 0);
    EXPECT_EQ(capture.out(), L"    Streams (1):  x:$DATA\r\n\r\n");
}

} // namespace
