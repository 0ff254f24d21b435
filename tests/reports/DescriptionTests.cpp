// Description section: descriptions from the folder's description index through the host.
#include "reports/ReportSections.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

struct DescriptionCase {
    const char* label;
    std::wstring file;
    std::wstring output;
};

TEST(DescriptionSection, FromTheDescriptionIndex) {
    TempTree tree;
    tree.file(L"DESCRIPT.ION", "first.txt A fine file\r\n"
                               "\"with blank.txt\" Quoted name\r\n"
                               "blank.txt    \r\n"
                               "100%done.txt Percent in the name\r\n"
                               "%PATH%.txt Not the search path\r\n"
                               "UPPER.TXT Letter case does not matter\r\n"
                               "esc.txt Red\x1b[31m text\x07 and a \x08"
                               "back\r\n"
                               "rlo.txt \xe2\x80\xae"
                               "evil\xe2\x80\xac\r\n");
    const DescriptionCase cases[] = {
        {"plain name", L"first.txt", L"    4DOS file description:  A fine file\r\n\r\n"},
        {"quoted name with a blank", L"with blank.txt", L"    4DOS file description:  Quoted name\r\n\r\n"},
        {"blank description", L"blank.txt", L""},
        {"no entry", L"other.txt", L""},
        {"percent sign in the name", L"100%done.txt",
         L"    4DOS file description:  Percent in the name\r\n\r\n"},
        {"variable-like name", L"%PATH%.txt", L"    4DOS file description:  Not the search path\r\n\r\n"},
        {"letter case", L"upper.txt", L"    4DOS file description:  Letter case does not matter\r\n\r\n"},
        {"controls named", L"esc.txt",
         L"    4DOS file description:  Red<U+001B>[31m text<U+0007> and a <U+0008>back\r\n\r\n"},
        {"direction override named", L"rlo.txt", L"    4DOS file description:  <U+202E>evil<U+202C>\r\n\r\n"},
    };
    for (const DescriptionCase& c : cases) {
        SCOPED_TRACE(c.label);
        std::wstring path = tree.file(c.file, "x");
        Capture capture;
        int rc = DescriptionOfFile(path.c_str());
        EXPECT_EQ(capture.out(), c.output);
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(capture.err(), L"");
    }
}

TEST(DescriptionSection, NoIndexPrintsNothing) {
    TempTree tree;
    std::wstring path = tree.file(L"lonely.txt", "x");
    Capture capture;
    EXPECT_EQ(DescriptionOfFile(path.c_str()), 0);
    EXPECT_EQ(capture.out(), L"");
}

// (The report asks whether a name is a file before any section runs.)
TEST(DescriptionSection, NotAFile) {
    TempTree tree;
    std::wstring dir = tree.dir(L"folder");
    Capture capture;
    EXPECT_EQ(DescriptionOfFile(dir.c_str()), 0);
    EXPECT_EQ(DescriptionOfFile(tree.path(L"missing.txt").c_str()), 0);
    EXPECT_EQ(DescriptionOfFile(L""), -1);
    EXPECT_EQ(DescriptionOfFile(nullptr), -1);
    EXPECT_EQ(capture.out(), L"");
}

} // namespace
