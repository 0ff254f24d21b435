// Fuzz targets for argument text: splitting, every switch parser, the range options, list files
// read from random files, and description lines through the host's @descript. Fixed generator
// states and bounded iterations; inputs lie against a guard page.
#include "command/ArgumentReport.h"
#include "command/RangeClock.h"
#include "command/RangeParse.h"
#include "select/RangeMatch.h"
#include "command/SplitArguments.h"
#include "command/Switches.h"
#include "gateway/HostExports.h"
#include "robustness/FuzzInputs.h"
#include "robustness/GuardedMemory.h"
#include "select/ListFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace scrutel;
using namespace robustness;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

const std::vector<std::wstring> kArgumentPieces = {
    L" ",   L"  ",  L"\t",  L"\"",         L"/",   L"//",       L"/S",  L"/S/P",    L"/[", L"]",
    L"/![", L"!",   L"@",   L"http://",    L"a",   L"file.txt", L"*",   L"?",       L";",  L"|",
    L"/A:", L"/C:", L"/O:", L"/T:",        L"/N:", L"/W:",      L"/P:", L"/S:",     L",",  L"+",
    L"-",   L"0x",  L"0o",  L"4294967296", L"99",  L"\u2014",   L"\\",  L"\\\\?\\", L"~",  L":"};

// Every argument lies inside argText, ends with its 0 and has its recorded length.
void ExpectSoundTable(const ArgTable& table, int count) {
    ASSERT_GE(count, -1);
    ASSERT_LE(count, MaxArguments);
    if (count < 0) return;
    ASSERT_EQ(table.argCount, count);
    for (int i = 0; i < count; ++i) {
        const char16_t* p = table.argPointers[i];
        ASSERT_GE(p, table.argText);
        ASSERT_LT(p, table.argText + HostExpandChars);
        const size_t room = static_cast<size_t>(table.argText + HostExpandChars - p);
        const size_t length = wcsnlen(Wide(p), room);
        ASSERT_LT(length, room) << "argument " << i << " has no terminator inside argText";
        ASSERT_EQ(static_cast<size_t>(table.argLengths[i]), length) << "argument " << i;
    }
}

// A parser's answer as the driver prints it: the command's result (0 when it goes on; 2 for a
// help text that ends the command with 0, as the parsers' results were once numbered).
int Printed(const ParseStatus& status) {
    if (!status) return 0;
    int result = ReportArgumentError(*status);
    return status->help != HelpTopic::None && result == 0 ? 2 : result;
}

TEST(ArgumentFuzz, SplitArgumentsKeepsEveryArgumentInsideItsTable) {
    auto table = std::make_unique<ArgTable>();
    auto g = FixedGenerator(1);
    const int iterations = Iterations(4000);
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        // Mostly texts under the 8192-character limit, some well over it.
        const size_t limit = Pick(g, 8) == 0 ? 20000 : 600;
        GuardedText text(RandomText(g, kArgumentPieces, limit));
        Capture capture; // the overflow message
        ParseStatus status = SplitArguments(U16(text.get()), *table);
        int count = status ? -1 : table->argCount;
        Printed(status);
        ASSERT_NO_FATAL_FAILURE(ExpectSoundTable(*table, count));
        if (count < 0) {
            EXPECT_NE(capture.err(), L"");
        }
    }
    ReportIterations("SplitArguments", iterations);
}

struct SwitchParser {
    const char* name;
    const wchar_t* prefix;
    std::vector<std::wstring> pieces;
    // Runs the parser on the argument and checks its outputs; returns its answer.
    std::function<ParseStatus(U16View)> run;
    std::vector<int> results;
};

TEST(ArgumentFuzz, SwitchParsersReturnOnlyTheirDocumentedResults) {
    uint32_t mask = 0, values = 0, walkFlags = 0, hashMask = 0, omitMask = 0;
    PauseSettings pause;
    uint32_t timeFlags = 0, maxWidth = 0;
    int noHighlight = 0, minDepth = 0, maxDepth = 0, showSummary = 0;
    int32_t zone = 0;
    const std::vector<SwitchParser> parsers = {
        {"ParseAttributeOption",
         L"/A:",
         {L"R", L"H", L"S", L"D", L"A", L"-", L"+", L"_", L"?"},
         [&](U16View t) { return ParseAttributeOption(t, mask, values); },
         {0, 1}},
        {"ParseSuboptions",
         L"/N:",
         {L"C", L"D", L"F", L"J", L"Z", L"?", L"x"},
         [&](U16View t) { return ParseSuboptions(t, walkFlags, noHighlight); },
         {0, 1, 2}},
        {"ParseSubdirOption",
         L"/S",
         {L":", L"+", L"0", L"1", L"9", L"4294967295", L"-", L"x"},
         [&](U16View t) { return ParseSubdirOption(t, walkFlags, minDepth, maxDepth); },
         {0, 1}},
        {"ParsePauseOption",
         L"/P",
         {L":", L",", L"0", L"5", L"M", L"m", L"99999999999", L"0x1F", L"x"},
         [&](U16View t) { return ParsePauseOption(t, pause); },
         {0, 1}},
        {"ParseHashList",
         L"/C:",
         {L"CRC32", L"CKSUM", L"MD5", L"SHA1", L"SHA256", L"SHA512", L",", L"?", L"X"},
         [&](U16View t) { return ParseHashList(SystemUpperCase(t), hashMask); },
         {0, 1, 2}},
        {"ParseOmitLetters",
         L"/O:",
         {L"A", L"C", L"K", L"@", L"?", L"Q", L"Z", L"1", L"-"},
         [&](U16View t) { return ParseOmitLetters(t, omitMask, walkFlags, showSummary); },
         {0, 1, 2}},
        {"ParseTimeLetters",
         L"/T:",
         {L"A", L"C", L"M", L"D", L"L", L"U", L"F", L"?", L"x"},
         [&](U16View t) { return ParseTimeLetters(t, timeFlags, zone); },
         {0, 1, 2}},
        {"ParseMaxWidth",
         L"/W",
         {L":", L"0", L"64", L"2048", L"2049", L"0x40", L"99999999999", L"-"},
         [&](U16View t) { return ParseMaxWidth(t, maxWidth); },
         {0, 1}},
    };
    auto g = FixedGenerator(2);
    const int iterations = Iterations(1500);
    for (const SwitchParser& parser : parsers) {
        SCOPED_TRACE(parser.name);
        for (int i = 0; i < iterations; ++i) {
            SCOPED_TRACE(i);
            std::wstring text = Pick(g, 8) == 0 ? RandomText(g, kArgumentPieces, 40)
                                                : parser.prefix + RandomText(g, parser.pieces, 24);
            GuardedText guarded(text);
            Capture capture;
            int rc = Printed(parser.run(U16View(U16(guarded.get()), guarded.length())));
            ASSERT_NE(std::find(parser.results.begin(), parser.results.end(), rc), parser.results.end())
                << "result " << rc;
            ASSERT_LT(wcsnlen(guarded.get(), guarded.length() + 1), guarded.length() + 1);
            if (rc == 1) {
                EXPECT_NE(capture.err() + capture.out(), L"") << "failure without a message";
            }
        }
        ReportIterations(parser.name, iterations);
    }
    // Values each parser documents, whatever text it was given.
    EXPECT_TRUE(maxWidth == 0 || (maxWidth >= 64 && maxWidth <= 2048)) << maxWidth;
    EXPECT_TRUE(zone >= 0 && zone <= 2) << zone;
}

TEST(ArgumentFuzz, ReadNumberStaysInsideItsText) {
    auto g = FixedGenerator(3);
    const std::vector<std::wstring> pieces = {L"0",  L"7",          L"9",          L"0x",       L"0X",
                                              L"0o", L"0O",         L"F",          L"f",        L"g",
                                              L"8",  L"4294967295", L"4294967296", L"FFFFFFFF", L" "};
    const int iterations = Iterations(5000);
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        GuardedText text(RandomText(g, pieces, 30));
        const char16_t* start = U16(text.get());
        const char16_t* p = start;
        uint32_t value = 0;
        NumberRead read = ReadNumber(p, Pick(g, 2) == 0, value);
        ASSERT_TRUE(read == NumberRead::None || read == NumberRead::Value || read == NumberRead::Overflow);
        ASSERT_GE(p, start);
        ASSERT_LE(p, start + text.length());
        if (read == NumberRead::None) {
            EXPECT_EQ(p, start);
        }
        if (read == NumberRead::Value) {
            EXPECT_GT(p, start);
        }
    }
    ReportIterations("ReadNumber", iterations);
}

const wchar_t* const kValidRanges[] = {L"/[s100,2000]",
                                       L"/[s1k,2M]",
                                       L"/[s+100]",
                                       L"/![s0,10]",
                                       L"/[t08:00,17:30]",
                                       L"/[tc10:00,+30]",
                                       L"/[d3/4/24,3/9/24]",
                                       L"/[da2024-01-01,today]",
                                       L"/[d-7]",
                                       L"/[w:mon-fri]",
                                       L"/![w:weekend]",
                                       L"/[w:7]",
                                       L"/[i*draft*]",
                                       L"/![i\"two words\"]",
                                       L"/[o:root]",
                                       L"/![o:nobody]",
                                       L"/[!*.bak *.tmp]",
                                       L"/[!\"a b\" c]",
                                       L"/[dw2024/2/29@12:00,now]"};

TEST(ArgumentFuzz, RangeOptionsGiveSoundRecordsOrAMessage) {
    auto g = FixedGenerator(4);
    const std::vector<std::wstring> pieces = {
        L"s",    L"d",  L"t",  L"w:", L"i",   L"o",     L"!",   L"]", L",",
        L"+",    L"-",  L"1",  L"31", L"12",  L"/",     L":",   L"k", L"M",
        L"G",    L"T",  L"a",  L"c",  L"now", L"today", L"mon", L"*", L"99999999999999999999",
        L"2024", L"0x", L"\"", L" ",  L"@"};
    ParseContext context = SystemParseContext();
    context.now = {2024, 3, 4, 12, 0, 0};
    const int iterations = Iterations(4000);
    int withRecord = 0;
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        std::wstring text;
        if (Pick(g, 2) == 0) {
            text = (Pick(g, 3) == 0 ? L"/![" : L"/[") + RandomText(g, pieces, 40);
            if (Pick(g, 2) == 0) text += L"]";
        } else {
            // A well-formed option of each kind, then a few characters changed.
            text = kValidRanges[Pick(g, std::size(kValidRanges))];
            for (uint32_t k = Pick(g, 3); k > 0; --k)
                text[2 + Pick(g, static_cast<uint32_t>(text.size() - 2))] = pieces[Pick(g, pieces.size())][0];
        }
        GuardedText guarded(text);
        RangeSet set;
        Capture capture;
        int rc = Printed(ParseRangeOption(U16View(U16(guarded.get()), guarded.length()), set, context));
        ASSERT_TRUE(rc == 0 || rc == 1) << "result " << rc;
        if (rc == 1) {
            // Every message of the range parser has the form "<what>: \"<argument>\"\r\n".
            const std::wstring err = capture.err();
            EXPECT_EQ(err.rfind(L"Scrutel plugin: ", 0), 0u) << testing::PrintToString(err);
            EXPECT_TRUE(err.size() >= 3 && err.compare(err.size() - 3, 3, L"\"\r\n") == 0)
                << testing::PrintToString(err);
            EXPECT_TRUE(set.records.empty()) << "a failed option left a record";
        } else {
            EXPECT_EQ(capture.err(), L"");
            // "/[s]" and the like add nothing; otherwise every record is sound.
            if (!set.records.empty()) ++withRecord;
            for (const RangeRecord& record : set.records) {
                const RangeRecord* r = &record;
                EXPECT_NE(std::wstring(L"STDWIO!").find(r->kind), std::wstring::npos) << int(r->kind);
                if (r->kind == L'T') {
                    EXPECT_LT(r->fromSecond, 86400u);
                    EXPECT_LT(r->toSecond, 86400u);
                }
                if (r->kind == L'W') {
                    EXPECT_LT(r->dayMask, 0x80u);
                    EXPECT_NE(r->dayMask, 0u);
                }
                if (r->kind == L'I' || r->kind == L'O' || r->kind == L'!') {
                    EXPECT_LT(r->pattern.size(), 8192u);
                }
                EXPECT_LE(r->stamp, 2u);
            }
        }
    }
    ReportIterations("ParseRangeOption", iterations);
    std::printf("[ fuzz     ]   (%d of them added records)\n", withRecord);
    EXPECT_GT(withRecord, iterations / 5) << "the generator hardly reaches a valid option";
}

// List files of random bytes: a result from the documented set, and every name handed on is
// a terminated path of at most 32767 characters.
int g_listHandled = 0;
int ListHandler(const wchar_t* path, uint32_t, ScanSettings& settings) {
    if (!path || wcsnlen(path, 32768) >= 32768) return 99; // reported by the test as a failure
    ++g_listHandled;
    ++settings.matchCount;
    return 0;
}

TEST(ArgumentFuzz, ListFilesOfRandomBytesInEveryEncoding) {
    TempTree tree;
    tree.file(L"a.txt", "a");
    tree.file(L"b b.txt", "b");
    auto g = FixedGenerator(5);
    const std::string valid = "a.txt\r\n\"b b.txt\"\n  a.txt  \r\n\r\nmissing.txt\n";
    const std::vector<Bytes> samples = {Bytes(valid.begin(), valid.end()),
                                        [&] { // UTF-16 with its mark
                                            Bytes b = {0xFF, 0xFE};
                                            for (char c : valid)
                                                b.insert(b.end(), {static_cast<uint8_t>(c), 0});
                                            return b;
                                        }(),
                                        [&] { // UTF-8 with its mark and a name beyond ASCII
                                            Bytes b = {0xEF, 0xBB, 0xBF};
                                            std::string s = valid + "\xC3\xA9t\xC3\xA9.txt\n";
                                            b.insert(b.end(), s.begin(), s.end());
                                            return b;
                                        }()};
    const int iterations = Iterations(150, 40);
    const std::wstring list = tree.path(L"list.lst");
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        Bytes bytes = Pick(g, 2) == 0 ? RandomBytes(g, 4096) : Mutate(g, samples[Pick(g, 3)]);
        tree.file(L"list.lst", bytes);
        ScanSettings settings;
        g_listHandled = 0;
        Capture capture;
        int rc = ReadListFile(list.c_str(), 0, settings, ListHandler,
                              Pick(g, 2) ? uint32_t{WalkQuietNotFound} : 0u);
        ASSERT_TRUE(rc == 0 || rc == 2) << "result " << rc;
        ASSERT_EQ(settings.matchCount, static_cast<uint32_t>(g_listHandled));
    }
    ReportIterations("ReadListFile", iterations);
}

// The host's @descript over random description files: the result is 0 or 1, the buffer stays
// terminated, and a valid line for the file keeps giving its description whatever noise stands
// on the lines around it.
TEST(ArgumentFuzz, DescriptionLinesThroughTheHost) {
    TempTree tree;
    const std::wstring file = tree.file(L"named.txt", "x");
    auto g = FixedGenerator(6);
    const std::vector<std::wstring> pieces = {L"named.txt",   L"\"named.txt\"",
                                              L" ",           L"\r\n",
                                              L"\n",          L"\r",
                                              L"\x04",        L"%",
                                              L"%%",          L"[",
                                              L"]",           L"\"",
                                              L"%@descript[", L"\t",
                                              L"\u00e9",      L"other.txt"};
    const int iterations = Iterations(150, 40);
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        const bool planted = Pick(g, 2) == 0;
        std::wstring noise = RandomText(g, pieces, 600);
        // A noise line that names the file first would win; keep the planted line first.
        std::wstring text = planted ? L"named.txt Planted description\r\n" + noise : noise;
        std::string bytes;
        if (Pick(g, 2) == 0) {
            bytes = testing_support::ToUtf8(text);
        } else {
            bytes = "\xFF\xFE";
            for (wchar_t c : text) {
                bytes.push_back(static_cast<char>(c & 0xFF));
                bytes.push_back(static_cast<char>(c >> 8));
            }
        }
        tree.file(L"DESCRIPT.ION", bytes);
        std::vector<wchar_t> buffer(8192, 0);
        std::wstring expression = L"%@descript[" + file + L"]";
        wmemcpy(buffer.data(), expression.data(), expression.size());
        Capture capture;
        int rc = ExpandVariables(buffer.data(), 1);
        ASSERT_TRUE(rc == 0 || rc == 1) << "result " << rc;
        ASSERT_LT(wcsnlen(buffer.data(), 8192), 8192u);
        if (planted) {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(std::wstring(buffer.data()), L"Planted description");
        }
        wchar_t output[8192];
        int lookup = LookupDescription(file.c_str(), output);
        ASSERT_TRUE(lookup == 0 || lookup == 1 || lookup == 111) << "result " << lookup;
        if (lookup == 0) {
            ASSERT_LT(wcsnlen(output, 8192), 8192u);
        }
        if (planted) {
            EXPECT_EQ(lookup, 0);
            EXPECT_EQ(std::wstring(output), L"Planted description");
        }
    }
    ReportIterations("@descript and LookupDescription", iterations);
}

} // namespace
