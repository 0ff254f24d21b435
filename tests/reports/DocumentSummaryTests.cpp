// The document-summary section: values of every listed type from compound files made in the
// test, the editing-time and date forms, files that print nothing, and old workbooks.
#include "output/LineOutput.h"
#include "reports/DocumentSummary.h"
#include "reports/FileProbe.h"
#include "reports/ReportSections.h"
#include "support/TestSupport.h"

#include "support/ComTest.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <propidl.h>

#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

constexpr FMTID SummaryFormat = {
    0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};
constexpr uint64_t UnitsPerSecond = 10000000u;

std::wstring Line(const std::wstring& label, const std::wstring& value) {
    return L"    " + label + L" " + std::wstring(24 - label.size(), L'.') + L" " + value + L"\r\n";
}

// ---- Pure formatting

TEST(FormatEditTime, HoursMinutesSeconds) {
    const struct {
        const char* label;
        uint64_t seconds;
        uint64_t extraUnits;
        std::wstring text;
    } cases[] = {
        {"zero", 0, 0, L"00:00:00"},
        {"ninety minutes", 90 * 60, 0, L"01:30:00"},
        {"one hundred hours", 100 * 3600, 0, L"100:00:00"},
        {"fractions dropped", 59, UnitsPerSecond - 1, L"00:00:59"},
        {"mixed", 3 * 3600 + 25 * 60 + 7, 5, L"03:25:07"},
        {"more than a day", 30 * 3600 + 1, 0, L"30:00:01"},
    };
    for (const auto& c : cases) {
        wchar_t out[64];
        FormatEditTime(c.seconds * UnitsPerSecond + c.extraUnits, out, 64);
        EXPECT_EQ(std::wstring(out), c.text) << c.label;
    }
    wchar_t out[64];
    FormatEditTime(UINT64_MAX, out, 64);
    EXPECT_EQ(std::wstring(out), L"512409557:36:10");
}

PROPVARIANT Variant(VARTYPE type) {
    PROPVARIANT v;
    PropVariantInit(&v);
    v.vt = type;
    return v;
}

FILETIME TimeOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME st = {year, month, 0, day, hour, minute, second, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

// The platform's local-time conversion, as the oracle for dates.
std::wstring LocalText(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME st;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &st);
    wchar_t out[64];
    _snwprintf(out, 64, L"%04u-%02u-%02u %02u:%02u.%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
               st.wSecond);
    return out;
}

TEST(FormatSummaryValue, EachType) {
    char ansi[] = "Quarterly report";
    wchar_t wide[] = L"Caf\u00E9 \u20AC";
    FILETIME created = TimeOf(2020, 5, 6, 14, 3, 22);
    struct Case {
        const char* label;
        PROPVARIANT value;
        PROPID id;
        std::wstring text;
    };
    std::vector<Case> cases;
    auto add = [&](const char* label, PROPVARIANT v, PROPID id, std::wstring text) {
        cases.push_back({label, v, id, text});
    };
    PROPVARIANT v = Variant(VT_I2);
    v.iVal = -12;
    add("VT_I2", v, 14, L"-12");
    v = Variant(VT_I4);
    v.lVal = -2147483647 - 1;
    add("VT_I4", v, 14, L"-2147483648");
    v = Variant(VT_UI2);
    v.uiVal = 65535;
    add("VT_UI2", v, 15, L"65535");
    v = Variant(VT_UI4);
    v.ulVal = 4294967295u;
    add("VT_UI4", v, 16, L"4294967295");
    v = Variant(VT_LPSTR);
    v.pszVal = ansi;
    add("VT_LPSTR", v, 2, L"Quarterly report");
    v = Variant(VT_LPSTR);
    v.pszVal = nullptr;
    add("VT_LPSTR without text", v, 2, L"");
    v = Variant(VT_LPWSTR);
    v.pwszVal = wide;
    add("VT_LPWSTR", v, 3, wide);
    v = Variant(VT_FILETIME);
    v.filetime.dwLowDateTime = static_cast<DWORD>(90ull * 60 * UnitsPerSecond);
    v.filetime.dwHighDateTime = static_cast<DWORD>((90ull * 60 * UnitsPerSecond) >> 32);
    add("edit time", v, 10, L"01:30:00");
    v = Variant(VT_FILETIME);
    v.filetime = created;
    add("creation time", v, 12, LocalText(created));
    v = Variant(VT_FILETIME);
    v.filetime.dwLowDateTime = 0xFFFFFFFFu;
    v.filetime.dwHighDateTime = 0xFFFFFFFFu;
    add("time the platform cannot convert", v, 13, L"");
    v = Variant(VT_R8);
    v.dblVal = 1.5;
    add("VT_R8 not shown", v, 14, L"");
    v = Variant(VT_BOOL);
    v.boolVal = VARIANT_TRUE;
    add("VT_BOOL not shown", v, 14, L"");
    add("VT_EMPTY", Variant(VT_EMPTY), 2, L"");
    for (const auto& c : cases) {
        wchar_t out[SummaryTextCapacity] = L"unchanged";
        FormatSummaryValue(c.value, c.id, out, SummaryTextCapacity);
        EXPECT_EQ(std::wstring(out), c.text) << c.label;
    }
    ASSERT_EQ(LocalText(created).size(), 19u);
}

TEST(FormatSummaryValue, StringsThatDoNotFitAreAbsent) {
    std::string longAnsi(2000, 'a');
    std::wstring longWide(1024, L'w');
    std::wstring fits(1023, L'w');
    PROPVARIANT v = Variant(VT_LPSTR);
    v.pszVal = longAnsi.data();
    wchar_t out[SummaryTextCapacity];
    FormatSummaryValue(v, 2, out, SummaryTextCapacity);
    EXPECT_STREQ(out, L"");
    v = Variant(VT_LPWSTR);
    v.pwszVal = longWide.data();
    FormatSummaryValue(v, 2, out, SummaryTextCapacity);
    EXPECT_STREQ(out, L"");
    v.pwszVal = fits.data();
    FormatSummaryValue(v, 2, out, SummaryTextCapacity);
    EXPECT_EQ(std::wstring(out), fits);
}

// ---- Compound files made for the tests

struct Value {
    PROPID id;
    PROPVARIANT value;
};

class DocumentSummaryTest : public testing_support::ComTest {
  protected:
    // A compound file with a summary-information property set holding values; flags are the
    // property set's flags (PROPSETFLAG_ANSI for 8-bit strings stored as such).
    static bool MakeDocument(const std::wstring& path, const std::vector<Value>& values,
                             DWORD flags = PROPSETFLAG_DEFAULT, bool withSummary = true) {
        IStorage* storage = nullptr;
        if (FAILED(StgCreateStorageEx(path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                      STGFMT_STORAGE, 0, nullptr, nullptr, IID_IStorage,
                                      reinterpret_cast<void**>(&storage))))
            return false;
        bool ok = true;
        if (withSummary) {
            IPropertySetStorage* sets = nullptr;
            ok = SUCCEEDED(storage->QueryInterface(IID_IPropertySetStorage, reinterpret_cast<void**>(&sets)));
            IPropertyStorage* summary = nullptr;
            if (ok)
                ok = SUCCEEDED(sets->Create(SummaryFormat, nullptr, flags,
                                            STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, &summary));
            // All values in one call, as a document's writer does.
            std::vector<PROPSPEC> specs(values.size());
            std::vector<PROPVARIANT> variants(values.size());
            for (size_t i = 0; i < values.size(); ++i) {
                specs[i].ulKind = PRSPEC_PROPID;
                specs[i].propid = values[i].id;
                variants[i] = values[i].value;
            }
            if (ok && !values.empty())
                ok = SUCCEEDED(summary->WriteMultiple(static_cast<ULONG>(values.size()), specs.data(),
                                                      variants.data(), 2));
            if (summary) {
                summary->Commit(STGC_DEFAULT);
                summary->Release();
            }
            if (sets) sets->Release();
        }
        storage->Commit(STGC_DEFAULT);
        storage->Release();
        return ok;
    }

    // Whether the platform itself opens the file's summary-information property set.
    static bool PlatformCanOpenSummary(const std::wstring& path) {
        IStorage* storage = nullptr;
        if (FAILED(StgOpenStorageEx(path.c_str(), STGM_READ | STGM_SHARE_EXCLUSIVE, STGFMT_ANY, 0, nullptr,
                                    nullptr, IID_IStorage, reinterpret_cast<void**>(&storage))))
            return false;
        IPropertySetStorage* sets = nullptr;
        IPropertyStorage* summary = nullptr;
        bool ok =
            SUCCEEDED(storage->QueryInterface(IID_IPropertySetStorage, reinterpret_cast<void**>(&sets))) &&
            SUCCEEDED(sets->Open(SummaryFormat, STGM_READ | STGM_SHARE_EXCLUSIVE, &summary));
        if (summary) summary->Release();
        if (sets) sets->Release();
        storage->Release();
        return ok;
    }

    static std::wstring Run(const std::wstring& path, int* result) {
        Capture capture;
        FileProbe probe(path.c_str());
        *result = DocumentSummarySection(probe);
        return capture.out();
    }

    TempTree tree_;
};

PROPVARIANT Ansi(const char* text) {
    PROPVARIANT v = Variant(VT_LPSTR);
    v.pszVal = const_cast<char*>(text);
    return v;
}
PROPVARIANT Wide(const wchar_t* text) {
    PROPVARIANT v = Variant(VT_LPWSTR);
    v.pwszVal = const_cast<wchar_t*>(text);
    return v;
}
PROPVARIANT Time(uint64_t units) {
    PROPVARIANT v = Variant(VT_FILETIME);
    v.filetime.dwLowDateTime = static_cast<DWORD>(units);
    v.filetime.dwHighDateTime = static_cast<DWORD>(units >> 32);
    return v;
}
PROPVARIANT Time(const FILETIME& ft) {
    PROPVARIANT v = Variant(VT_FILETIME);
    v.filetime = ft;
    return v;
}
template <typename T> PROPVARIANT Number(VARTYPE type, T n) {
    PROPVARIANT v = Variant(type);
    switch (type) {
    case VT_I2:
        v.iVal = static_cast<SHORT>(n);
        break;
    case VT_UI2:
        v.uiVal = static_cast<USHORT>(n);
        break;
    case VT_I4:
        v.lVal = static_cast<LONG>(n);
        break;
    default:
        v.ulVal = static_cast<ULONG>(n);
        break;
    }
    return v;
}

TEST_F(DocumentSummaryTest, WordProcessorDocument) {
    FILETIME created = TimeOf(2020, 5, 6, 14, 3, 22);
    FILETIME saved = TimeOf(2021, 11, 30, 23, 59, 58);
    std::vector<Value> values = {
        {18, Wide(L"Sample Writer 7")},
        {2, Ansi("Quarterly report")},
        {3, Wide(L"Sales in the north")},
        {4, Ansi("Ann Author")},
        {5, Ansi("   ")}, // blank: no line
        {6, Wide(L"")},   // empty: no line
        {7, Number(VT_UI2, 7)},
        {8, Wide(L"Bob Editor")},
        {9, Ansi("42")},
        {10, Time(90ull * 60 * UnitsPerSecond)},
        {12, Time(created)},
        {13, Time(saved)},
        {14, Number(VT_I4, 12)},
        {15, Number(VT_I2, -3)},
        {16, Number(VT_UI4, 4000000000u)},
    };
    std::wstring path = tree_.path(L"report.doc");
    ASSERT_TRUE(MakeDocument(path, values, PROPSETFLAG_ANSI));
    int result = 99;
    EXPECT_EQ(Run(path, &result), Line(L"Title", L"Quarterly report") +
                                      Line(L"Subject", L"Sales in the north") +
                                      Line(L"Author", L"Ann Author") + Line(L"Template", L"7") +
                                      Line(L"Last Author", L"Bob Editor") + Line(L"Revision Number", L"42") +
                                      Line(L"Edit Time", L"01:30:00") + Line(L"Created", LocalText(created)) +
                                      Line(L"Last Saved", LocalText(saved)) + Line(L"Page Count", L"12") +
                                      Line(L"Word Count", L"-3") + Line(L"Char Count", L"4000000000") +
                                      Line(L"App Name", L"Sample Writer 7") + L"\r\n");
    EXPECT_EQ(result, 0);
}

TEST_F(DocumentSummaryTest, EditTimeOfOneHundredHoursAndAnsiPropertySet) {
    std::vector<Value> values = {{2, Ansi("Plain title")}, {10, Time(100ull * 3600 * UnitsPerSecond)}};
    std::wstring path = tree_.path(L"long.xls");
    ASSERT_TRUE(MakeDocument(path, values, PROPSETFLAG_ANSI));
    int result = 99;
    EXPECT_EQ(Run(path, &result),
              Line(L"Title", L"Plain title") + Line(L"Edit Time", L"100:00:00") + L"\r\n");
}

TEST_F(DocumentSummaryTest, ValuesOfOtherTypesAreSkipped) {
    PROPVARIANT real = Variant(VT_R8);
    real.dblVal = 2.5;
    PROPVARIANT flag = Variant(VT_BOOL);
    flag.boolVal = VARIANT_TRUE;
    std::wstring path = tree_.path(L"types.doc");
    ASSERT_TRUE(MakeDocument(path, {{11, real}, {14, flag}, {16, Number(VT_UI4, 5)}}, PROPSETFLAG_ANSI));
    if (!PlatformCanOpenSummary(path))
        GTEST_SKIP()
            << "this platform's structured storage cannot read back the property set it wrote with "
               "VT_R8 and VT_BOOL values (Wine 8 reports an invalid header); FormatSummaryValue covers "
               "these types";
    int result = 99;
    EXPECT_EQ(Run(path, &result), Line(L"Char Count", L"5") + L"\r\n");
}

TEST_F(DocumentSummaryTest, FilesThatPrintNothing) {
    std::wstring noSummary = tree_.path(L"bare.doc");
    ASSERT_TRUE(MakeDocument(noSummary, {}, PROPSETFLAG_DEFAULT, false));
    std::wstring blanks = tree_.path(L"blanks.doc");
    ASSERT_TRUE(MakeDocument(blanks, {{2, Ansi(" ")}, {4, Wide(L"\t")}}));
    struct Case {
        const char* label;
        std::wstring path;
        int result;
    } cases[] = {
        {"plain text file", tree_.file(L"notes.txt", std::string("plain text\r\n")), 0},
        {"compound file without summary information", noSummary, 0},
        {"only blank values", blanks, 0},
        {"missing file", tree_.path(L"missing.doc"), 0},
        {"empty path", L"", -1},
    };
    for (const auto& c : cases) {
        int result = 99;
        EXPECT_EQ(Run(c.path, &result), L"") << c.label;
        EXPECT_EQ(result, c.result) << c.label;
    }
    Capture capture;
    FileProbe noPath(nullptr);
    EXPECT_EQ(DocumentSummarySection(noPath), -1);
}

TEST_F(DocumentSummaryTest, FileHeldOpenExclusivelyPrintsNothing) {
    std::wstring path = tree_.path(L"held.doc");
    ASSERT_TRUE(MakeDocument(path, {{2, Ansi("Held")}}, PROPSETFLAG_ANSI));
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int result = 99;
    std::wstring out = Run(path, &result);
    CloseHandle(h);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(result, 0);
    // Once released, the same file is reported.
    EXPECT_EQ(Run(path, &result), Line(L"Title", L"Held") + L"\r\n");
}

TEST_F(DocumentSummaryTest, InterruptionBeforeTheFirstPropertyEndsTheSection) {
    std::wstring path = tree_.path(L"stop.doc");
    ASSERT_TRUE(MakeDocument(path, {{2, Ansi("Title")}, {4, Ansi("Author")}}));
    Output().paging.interrupted = 1;
    int result = 0;
    std::wstring out = Run(path, &result);
    std::wstring plain = tree_.file(L"plain.txt", std::string("x"));
    int plainResult = 0;
    std::wstring plainOut = Run(plain, &plainResult);
    Output().paging.interrupted = 0;
    EXPECT_EQ(result, ABORTED);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(plainResult, ABORTED);
    EXPECT_EQ(plainOut, L"");
    // The objects were released: the file can be deleted.
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

// Workbooks whose old writers left junk in the high 32 bits of version-3 stream sizes (of the
// root entry, the summary stream or both), which readers ignore: their summaries are shown.
TEST_F(DocumentSummaryTest, OldWorkbooksWithJunkInTheHighSizeBits) {
    auto created = [](uint64_t units) {
        FILETIME ft = {static_cast<DWORD>(units), static_cast<DWORD>(units >> 32)};
        return Line(L"Created", LocalText(ft));
    };
    const std::wstring kawait = Line(L"Author", L"kawait") + Line(L"Last Author", L"kawait");
    const std::wstring app = Line(L"App Name", L"Microsoft Excel") + L"\r\n";
    const struct {
        const wchar_t* file;
        std::wstring expected;
        bool shiftJisAuthors; // shown only where the platform converts them
    } rows[] = {
        {L"test.xls", kawait + created(0x01C06A71BFE9E780) + app, false},
        {L"Rich.xls", kawait + created(0x01C0D05B65821880) + app, false},
        {L"test_sizes_cleared.xls", kawait + created(0x01C06A71BFE9E780) + app, false},
        {L"k95_rootsize_highjunk.xls", created(0x01C022DAF2E9D700) + app, true},
        {L"k95_sumsize_highjunk.xls", created(0x01C022DAF2E9D700) + app, true},
    };
    for (const auto& row : rows) {
        std::wstring path = testing_support::SourceFixture(std::wstring(L"workbooks\\") + row.file);
        Capture capture;
        FileProbe probe(path.c_str());
        EXPECT_EQ(DocumentSummarySection(probe), 0) << testing_support::ToUtf8(row.file);
        std::wstring out = capture.out();
        if (row.shiftJisAuthors) {
            // Where the platform converts the authors (Wine 8 drops them): both lines, first.
            size_t rest = out.find(L"    Created ");
            if (rest != std::wstring::npos && rest > 0) {
                EXPECT_EQ(out.rfind(L"    Author ", 0), 0u) << testing_support::ToUtf8(out);
                EXPECT_NE(out.find(L"    Last Author "), std::wstring::npos) << testing_support::ToUtf8(out);
                out.erase(0, rest);
            }
        }
        EXPECT_EQ(out, row.expected) << testing_support::ToUtf8(row.file);
    }
}

TEST(PrintSummaryProperty, MissingArguments) {
    EXPECT_EQ(PrintSummaryProperty(nullptr, 2, L"Title"), -1);
}

} // namespace
