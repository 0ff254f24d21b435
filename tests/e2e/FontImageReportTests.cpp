// Whole SCRUTEL commands on font collections and images through plughost.exe: the version header
// and font blocks at two widths, and the image lines, compared byte for byte.
#include "reports/FontBuilder.h"
#include "reports/ImageBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace font_builder;
using testing_support::FromUtf8;
using testing_support::RunPlughost;
using testing_support::RunResult;
using testing_support::TempTree;

namespace {

// Every section omitted except the version header and the font section.
const std::wstring OnlyHeaderAndFonts = L"/O:ZTACDVSIPXELURN";

RunResult Scrutel(const std::wstring& args) {
    return RunPlughost(L"--transient \"" + testing_support::BuildDir() + L"\\scrutel.dll\" scrutel " + args);
}

std::wstring Line(const std::wstring& label, const std::wstring& value) {
    return L"    " + label + L" " + std::wstring(24 - label.size(), L'.') + L" " + value + L"\r\n";
}

TEST(FontReportEndToEnd, CollectionAtWidth80AndWithoutShortening) {
    const std::wstring description = L"A description of exactly sixty characters, for the width tes";
    ASSERT_EQ(description.size(), 60u);
    std::vector<std::vector<Table>> fonts = {
        {{Tag("name"),
          NameTable({Win(0, L"(c) Sample Foundry"), Win(1, L"Sample"), Win(4, L"Sample Regular"),
                     Win(5, L"Version 3.100"), Win(10, description), Win(16, L"Sample Family")})}},
        {{Tag("name"), NameTable({Win(1, L"Sample"), Win(2, L"Bold")})}},
        {{Tag("name"), NameTable({Mac(4, "Sample \xA9 Italic"), Mac(8, "Foundry")})}},
    };
    TempTree tree;
    std::wstring path = tree.file(L"family.ttc", Collection(fonts));
    std::wstring blocks2and3 = Line(L"Name", L"Sample Bold") + L"\r\n" +
                               Line(L"Name", L"Sample \u00A9 Italic") + Line(L"Manufacturer", L"Foundry") +
                               L"\r\n";
    std::wstring header =
        path + L"\r\n\r\n    \u201CSample Family\u201D \u2014 3.100\r\n    (c) Sample Foundry\r\n\r\n";
    std::wstring block1 = Line(L"Name", L"Sample Regular") + Line(L"Version", L"Version 3.100");

    RunResult narrow = Scrutel(OnlyHeaderAndFonts + L" /W:80 \"" + path + L"\"");
    EXPECT_EQ(narrow.exitCode, 0);
    EXPECT_EQ(FromUtf8(narrow.out), header + block1 +
                                        Line(L"Description", description.substr(0, 48) + L"\u2026") +
                                        L"\r\n" + blocks2and3 + L"1 matching file found.\r\n");
    RunResult wide = Scrutel(OnlyHeaderAndFonts + L" /W \"" + path + L"\"");
    EXPECT_EQ(wide.exitCode, 0);
    EXPECT_EQ(FromUtf8(wide.out), header + block1 + Line(L"Description", description) + L"\r\n" +
                                      blocks2and3 + L"1 matching file found.\r\n");
    EXPECT_EQ(wide.err, "");
}

} // namespace

namespace {

TEST(ImageReportEndToEnd, TiffWithTags) {
    TempTree tree;
    std::wstring path = tree.file(
        L"scan.tif",
        image_builder::GreyTiff(
            4, 3, {{0x013B, "Jos\xC3\xA9 Mu\xC3\xB1oz"}, {0x9003, "0000:00:00 00:00:00"}, {0x0131, "   "}}));
    RunResult run = Scrutel(L"/O:HZTACDVSPXELUQRNF \"" + path + L"\"");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(FromUtf8(run.out), path + L"\r\n\r\n" + Line(L"Image size", L"4 \u00D7 3    8 BPP") +
                                     Line(L"Date taken", L"0000-00-00 00:00:00") +
                                     Line(L"Artist", L"Jos\u00E9 Mu\u00F1oz") +
                                     L"\r\n1 matching file found.\r\n");
}

} // namespace
