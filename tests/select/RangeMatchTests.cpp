// Evaluation of range records against real directory entries whose sizes and times are set on
// disk, and the description lookup through the host's DESCRIPT.ION support.
#include "command/RangeParse.h"
#include "select/RangeMatch.h"

#include "HostTesting.h"
#include "gateway/HostExports.h"
#include "files/Owner.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

struct LocalTime {
    WORD year, month, day, hour, minute, second;
};

FILETIME UtcFromLocal(const LocalTime& t) {
    SYSTEMTIME st{};
    st.wYear = t.year;
    st.wMonth = t.month;
    st.wDay = t.day;
    st.wHour = t.hour;
    st.wMinute = t.minute;
    st.wSecond = t.second;
    FILETIME local{}, utc{};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &local));
    EXPECT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    return utc;
}

// Sets the file's times (null: unchanged) with SetFileTime.
void SetTimes(const std::wstring& path, const FILETIME* creation, const FILETIME* access,
              const FILETIME* write) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << testing_support::ToUtf8(path);
    BOOL ok = SetFileTime(h, creation, access, write);
    CloseHandle(h);
    ASSERT_TRUE(ok);
}

void SetWriteTime(const std::wstring& path, const LocalTime& t) {
    FILETIME utc = UtcFromLocal(t);
    SetTimes(path, nullptr, nullptr, &utc);
}

void SetSize(const std::wstring& path, uint64_t size) {
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(size);
    BOOL ok = SetFilePointerEx(h, distance, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    ASSERT_TRUE(ok);
}

WIN32_FIND_DATAW FindData(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(path.c_str(), &data);
    EXPECT_NE(find, INVALID_HANDLE_VALUE) << testing_support::ToUtf8(path);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    return data;
}

// Parsing relative forms never happens here, but keep "today" fixed all the same: 15 May 2024,
// 12:00, month-day-year.
ParseContext Context() {
    ParseContext context;
    context.dateOrder = 0;
    context.now = {2024, 5, 15, 12, 0, 0};
    return context;
}

// The records of a list of range arguments, parsed in order (so the last one is tested first).
class Ranges {
  public:
    explicit Ranges(std::initializer_list<const wchar_t*> arguments) {
        for (const wchar_t* argument : arguments) {
            ParseStatus status = ParseRangeOption(U16(argument), set_, Context());
            EXPECT_FALSE(status) << testing_support::ToUtf8(argument);
        }
    }
    std::span<const RangeRecord> records() const { return set_.records; }
    const RangeRecord& first() const { return set_.records.front(); }

  private:
    RangeSet set_;
};

class RangeMatch : public ::testing::Test {
  protected:
    void SetUp() override {
        HostSetBatch(nullptr, 0);
        directory_ = tree_.root() + L"\\";
    }
    // 0 passes, 1 rejected.
    int Match(const std::wstring& name, const Ranges& ranges) {
        WIN32_FIND_DATAW data = FindData(tree_.path(name));
        return RangeMatches(&data, directory_.c_str(), ranges.records());
    }

    TempTree tree_;
    std::wstring directory_;
};

TEST_F(RangeMatch, MissingEntryOrDirectory) {
    tree_.file(L"a.txt", "x");
    WIN32_FIND_DATAW data = FindData(tree_.path(L"a.txt"));
    Ranges ranges{L"/[s1]"};
    EXPECT_EQ(RangeMatches(nullptr, directory_.c_str(), ranges.records()), -1);
    EXPECT_EQ(RangeMatches(&data, nullptr, ranges.records()), -1);
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), ranges.records()), 0);
}

TEST_F(RangeMatch, EmptySetPassesEveryEntry) {
    tree_.file(L"a.txt", "");
    tree_.file(L"b.bak", "xyz");
    for (const wchar_t* name : {L"a.txt", L"b.bak"}) {
        WIN32_FIND_DATAW data = FindData(tree_.path(name));
        EXPECT_EQ(RangeMatches(&data, directory_.c_str(), RangeSet{}.records), 0);
    }
}

TEST_F(RangeMatch, SizeBoundariesOfOneMebibyte) {
    struct File {
        const wchar_t* name;
        uint64_t size;
    };
    const File files[] = {{L"below", 1048575}, {L"exact", 1048576}, {L"above", 1048577}};
    for (const File& f : files) {
        tree_.file(f.name);
        SetSize(tree_.path(f.name), f.size);
    }
    struct Row {
        const wchar_t* argument;
        int below, exact, above;
    };
    const Row rows[] = {
        {L"/[s1M]", 1, 0, 0},        {L"/[s,1M]", 0, 0, 1}, {L"/![s1M]", 0, 1, 1},
        {L"/[s1M,1M]", 1, 0, 1},     {L"/[s1m]", 0, 0, 0},  {L"/[s1048576,+1]", 1, 0, 0},
        {L"/![s,1048575]", 1, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        Ranges ranges{row.argument};
        EXPECT_EQ(Match(L"below", ranges), row.below);
        EXPECT_EQ(Match(L"exact", ranges), row.exact);
        EXPECT_EQ(Match(L"above", ranges), row.above);
    }
}

TEST_F(RangeMatch, SizeAboveFourGibibytesUsesBothHalves) {
    // The find data of a 5 GiB file (sparse files are not needed to test the arithmetic).
    tree_.file(L"big");
    WIN32_FIND_DATAW data = FindData(tree_.path(L"big"));
    data.nFileSizeHigh = 1;
    data.nFileSizeLow = 0x40000000;
    Ranges atLeast5G{L"/[s5G]"};
    Ranges atMost4G{L"/[s,4G]"};
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), atLeast5G.records()), 0);
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), atMost4G.records()), 1);
}

TEST_F(RangeMatch, TimeOfDayOfTheLastWrite) {
    struct File {
        const wchar_t* name;
        LocalTime time;
    };
    const File files[] = {
        {L"early", {2024, 5, 2, 8, 59, 59}},
        {L"start", {2024, 5, 2, 9, 0, 0}},
        {L"last", {2024, 5, 2, 17, 0, 59}},
        {L"late", {2024, 5, 2, 17, 1, 0}},
    };
    for (const File& f : files) {
        tree_.file(f.name, "t");
        SetWriteTime(tree_.path(f.name), f.time);
    }
    struct Row {
        const wchar_t* argument;
        int early, start, last, late;
    };
    const Row rows[] = {
        {L"/[t9:00,17:00]", 1, 0, 0, 1},
        {L"/[t9:00:00,17:00:00]", 1, 0, 1, 1},
        {L"/![t9:00,17:00]", 0, 1, 1, 0},
        {L"/[t17:00:59,17:01]", 1, 1, 0, 0},
        // The stamp letter chooses the time: last-write is the default and "W".
        {L"/[tw:9:00,17:00]", 1, 0, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        Ranges ranges{row.argument};
        EXPECT_EQ(Match(L"early", ranges), row.early);
        EXPECT_EQ(Match(L"start", ranges), row.start);
        EXPECT_EQ(Match(L"last", ranges), row.last);
        EXPECT_EQ(Match(L"late", ranges), row.late);
    }
}

TEST_F(RangeMatch, TimeOfDayOfTheLastAccess) {
    tree_.file(L"f", "t");
    FILETIME write = UtcFromLocal({2024, 5, 2, 20, 0, 0});
    FILETIME access = UtcFromLocal({2024, 5, 2, 10, 30, 0});
    SetTimes(tree_.path(L"f"), nullptr, &access, &write);
    WIN32_FIND_DATAW data = FindData(tree_.path(L"f"));
    if (CompareFileTime(&data.ftLastAccessTime, &access) != 0)
        GTEST_SKIP() << "the file system did not keep the last-access time that was set";
    Ranges byAccess{L"/[ta:10:00,11:00]"};
    Ranges byWrite{L"/[t10:00,11:00]"};
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), byAccess.records()), 0);
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), byWrite.records()), 1);
}

TEST_F(RangeMatch, ThreeDayDateRangeWithAndWithoutTimes) {
    struct File {
        const wchar_t* name;
        LocalTime time;
    };
    const File files[] = {
        {L"apr30", {2024, 4, 30, 23, 59, 59}},    {L"may1start", {2024, 5, 1, 0, 0, 0}},
        {L"may1noon-", {2024, 5, 1, 11, 59, 59}}, {L"may1noon", {2024, 5, 1, 12, 0, 0}},
        {L"may2", {2024, 5, 2, 12, 0, 0}},        {L"may3eight", {2024, 5, 3, 8, 0, 59}},
        {L"may3eight+", {2024, 5, 3, 8, 1, 0}},   {L"may3end", {2024, 5, 3, 23, 59, 59}},
        {L"may4", {2024, 5, 4, 0, 0, 0}},
    };
    for (const File& f : files) {
        tree_.file(f.name, "d");
        SetWriteTime(tree_.path(f.name), f.time);
    }
    struct Row {
        const wchar_t* argument;
        int expected[9];
    };
    const Row rows[] = {
        {L"/[d2024-05-01,2024-05-03]", {1, 0, 0, 0, 0, 0, 0, 0, 1}},
        {L"/[d2024-05-01@12:00,2024-05-03@08:00]", {1, 1, 1, 0, 0, 0, 1, 1, 1}},
        // The same range written in reverse keeps each time with its day.
        {L"/[d2024-05-03@08:00,2024-05-01@12:00]", {1, 1, 1, 0, 0, 0, 1, 1, 1}},
        {L"/![d2024-05-01,2024-05-03]", {0, 1, 1, 1, 1, 1, 1, 1, 0}},
        {L"/[d2024-05-02,2024-05-02]", {1, 1, 1, 1, 0, 1, 1, 1, 1}},
        {L"/[d2024-05-03@8:00:59,2024-05-04]", {1, 1, 1, 1, 1, 0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        Ranges ranges{row.argument};
        for (size_t i = 0; i < std::size(files); ++i)
            EXPECT_EQ(Match(files[i].name, ranges), row.expected[i])
                << testing_support::ToUtf8(files[i].name);
    }
}

TEST_F(RangeMatch, DayOfWeekByLastWrite) {
    // 12 May 2024 was a Sunday, 13 May a Monday, 18 May a Saturday.
    tree_.file(L"sunday", "w");
    tree_.file(L"monday", "w");
    tree_.file(L"saturday", "w");
    SetWriteTime(tree_.path(L"sunday"), {2024, 5, 12, 23, 59, 59});
    SetWriteTime(tree_.path(L"monday"), {2024, 5, 13, 0, 0, 0});
    SetWriteTime(tree_.path(L"saturday"), {2024, 5, 18, 12, 0, 0});
    struct Row {
        const wchar_t* argument;
        int sunday, monday, saturday;
    };
    const Row rows[] = {
        {L"/[w:sun]", 0, 1, 1},     {L"/[w:mon-sat]", 1, 0, 0}, {L"/![w:sun]", 1, 0, 0},
        {L"/[w:weekend]", 0, 1, 0}, {L"/[w:weekday]", 1, 0, 1}, {L"/[w:fri-mon]", 0, 0, 0},
        {L"/[ww:7]", 0, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        Ranges ranges{row.argument};
        EXPECT_EQ(Match(L"sunday", ranges), row.sunday);
        EXPECT_EQ(Match(L"monday", ranges), row.monday);
        EXPECT_EQ(Match(L"saturday", ranges), row.saturday);
    }
}

TEST_F(RangeMatch, DayOfWeekByCreationTimeOnDisk) {
    tree_.file(L"f", "c");
    FILETIME creation = UtcFromLocal({2024, 5, 12, 10, 0, 0}); // a Sunday
    FILETIME write = UtcFromLocal({2024, 5, 15, 10, 0, 0});    // a Wednesday
    SetTimes(tree_.path(L"f"), &creation, nullptr, &write);
    WIN32_FIND_DATAW data = FindData(tree_.path(L"f"));
    if (CompareFileTime(&data.ftCreationTime, &creation) != 0)
        GTEST_SKIP() << "SetFileTime does not change creation times here (Wine keeps them); "
                        "CreationStampIsTestedOnTheFindData covers the stamp choice";
    Ranges creationSunday{L"/[wc:sun]"};
    Ranges writeSunday{L"/[w:sun]"};
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), creationSunday.records()), 0);
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), writeSunday.records()), 1);
}

TEST_F(RangeMatch, CreationStampIsTestedOnTheFindData) {
    tree_.file(L"f", "c");
    SetWriteTime(tree_.path(L"f"), {2024, 5, 15, 10, 0, 0}); // a Wednesday
    WIN32_FIND_DATAW data = FindData(tree_.path(L"f"));
    data.ftCreationTime = UtcFromLocal({2024, 5, 12, 10, 0, 0});   // a Sunday
    data.ftLastAccessTime = UtcFromLocal({2024, 5, 18, 10, 0, 0}); // a Saturday
    struct Row {
        const wchar_t* argument;
        int expected;
    };
    const Row rows[] = {
        {L"/[wc:sun]", 0},
        {L"/[w:sun]", 1},
        {L"/[w:wed]", 0},
        {L"/[wa:sat]", 0},
        {L"/[wa:sun]", 1},
        {L"/[wc:wed]", 1},
        {L"/[dc2024-05-12,2024-05-12]", 0},
        {L"/[d2024-05-12,2024-05-12]", 1},
        {L"/[tc10:00,10:00]", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        Ranges ranges{row.argument};
        EXPECT_EQ(RangeMatches(&data, directory_.c_str(), ranges.records()), row.expected);
    }
}

TEST_F(RangeMatch, TimeThatDoesNotConvertFailsTheRecord) {
    tree_.file(L"f", "x");
    WIN32_FIND_DATAW data = FindData(tree_.path(L"f"));
    data.ftLastWriteTime.dwHighDateTime = 0xFFFFFFFF;
    data.ftLastWriteTime.dwLowDateTime = 0xFFFFFFFF;
    Ranges anyTime{L"/[t0:00,23:59]"};
    Ranges notAnyTime{L"/![t0:00,23:59]"};
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), anyTime.records()), 1);
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), notAnyTime.records()), 0);
}

TEST_F(RangeMatch, Exclusions) {
    for (const wchar_t* name : {L"a.bak", L"a.bak2", L"x.tmp", L"a.txt", L"my file.txt"})
        tree_.file(name, "e");
    struct Row {
        const wchar_t* argument;
        int bak, bak2, tmp, txt, spaced;
    };
    const Row rows[] = {
        {L"/[!*.bak]", 1, 0, 0, 0, 0},
        {L"/[!*.bak *.tmp]", 1, 0, 1, 0, 0},
        {L"/[!\"my file.txt\"]", 0, 0, 0, 0, 1},
        {L"/[!*.BAK]", 1, 0, 0, 0, 0},
        {L"/[!*]", 1, 1, 1, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        Ranges ranges{row.argument};
        EXPECT_EQ(Match(L"a.bak", ranges), row.bak);
        EXPECT_EQ(Match(L"a.bak2", ranges), row.bak2);
        EXPECT_EQ(Match(L"x.tmp", ranges), row.tmp);
        EXPECT_EQ(Match(L"a.txt", ranges), row.txt);
        EXPECT_EQ(Match(L"my file.txt", ranges), row.spaced);
    }
}

TEST_F(RangeMatch, TwoRecordsMustBothPass) {
    // "k" is the decimal kilo: at least 1000 bytes.
    tree_.file(L"big.tmp", std::string(2000, 'b'));
    tree_.file(L"big.txt", std::string(1000, 'b'));
    tree_.file(L"small.txt", std::string(999, 's'));
    Ranges ranges{L"/[s1k]", L"/[!*.tmp]"};
    EXPECT_EQ(Match(L"big.tmp", ranges), 1);
    EXPECT_EQ(Match(L"big.txt", ranges), 0);
    EXPECT_EQ(Match(L"small.txt", ranges), 1);
    // Either record alone lets through what the other rejects.
    Ranges sizeOnly{L"/[s1k]"};
    Ranges nameOnly{L"/[!*.tmp]"};
    EXPECT_EQ(Match(L"big.tmp", sizeOnly), 0);
    EXPECT_EQ(Match(L"small.txt", nameOnly), 0);
}

TEST_F(RangeMatch, AFailingRecordRejectsWhereverItStandsInTheList) {
    tree_.file(L"f.txt", "abc");
    WIN32_FIND_DATAW data = FindData(tree_.path(L"f.txt"));
    Ranges passing{L"/[s1]"};
    Ranges failing{L"/[s10]"};
    RangeRecord a = passing.first();
    RangeRecord b = failing.first();
    RangeRecord c = passing.first();
    // Failing record last, in the middle, first.
    const std::vector<RangeRecord> orders[3] = {{a, c, b}, {a, b, c}, {b, a, c}};
    for (const auto& order : orders)
        EXPECT_EQ(RangeMatches(&data, directory_.c_str(), order), 1);
    b.low = 0;
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), std::span<const RangeRecord>(&b, 1)), 0);
}

TEST_F(RangeMatch, OwnerThatCannotBeLookedUpIsEmptyText) {
    // An entry whose file does not exist: the owner lookup fails, and the pattern is compared
    // with an empty text.
    tree_.file(L"real", "o");
    WIN32_FIND_DATAW data = FindData(tree_.path(L"real"));
    wcscpy(data.cFileName, L"vanished");
    struct Row {
        const wchar_t* argument;
        int expected;
    };
    const Row rows[] = {{L"/[o:]", 0}, {L"/![o:]", 1}, {L"/[o:*]", 0}, {L"/[o:?*]", 1}, {L"/![o:?*]", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        Ranges ranges{row.argument};
        EXPECT_EQ(RangeMatches(&data, directory_.c_str(), ranges.records()), row.expected);
    }
}

TEST_F(RangeMatch, OwnerOfARealFile) {
    tree_.file(L"mine", "o");
    wchar_t owner[8192] = {};
    if (LookupOwner(tree_.path(L"mine").c_str(), owner) != 0)
        GTEST_SKIP() << "the owner lookup gives no owner for a new file here";
    std::wstring exact = std::wstring(L"/[o:") + owner + L"]";
    std::wstring negated = std::wstring(L"/![o:") + owner + L"]";
    Ranges matching{exact.c_str()};
    Ranges notMatching{negated.c_str()};
    Ranges other{L"/[o:NOBODY\\nobody]"};
    Ranges anyDomain{L"/[o:*\\*]"};
    EXPECT_EQ(Match(L"mine", matching), 0);
    EXPECT_EQ(Match(L"mine", notMatching), 1);
    EXPECT_EQ(Match(L"mine", other), 1);
    EXPECT_EQ(Match(L"mine", anyDomain), 0);
}

// ---------------------------------------------------------------------------------------------
// Descriptions

TEST_F(RangeMatch, DescriptionsFromTheIndexFile) {
    tree_.file(L"a.txt", "a");
    tree_.file(L"b.txt", "b");
    tree_.file(L"c.txt", "c");
    tree_.file(L"my file.txt", "m");
    tree_.file(L"DESCRIPT.ION", "a.txt First DRAFT of the plan\r\nc.txt Final version\r\n"
                                "\"my file.txt\" another draft\r\n");
    struct Row {
        const wchar_t* argument;
        int a, b, c, spaced;
    };
    const Row rows[] = {
        {L"/[i:*draft*]", 0, 1, 1, 0},
        {L"/![i:*draft*]", 1, 0, 0, 1},
        {L"/[i:Final*]", 1, 1, 0, 1},
        // A file without a description has the empty text.
        {L"/[i:]", 1, 0, 1, 1},
        {L"/![i:]", 0, 1, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        Ranges ranges{row.argument};
        EXPECT_EQ(Match(L"a.txt", ranges), row.a);
        EXPECT_EQ(Match(L"b.txt", ranges), row.b);
        EXPECT_EQ(Match(L"c.txt", ranges), row.c);
        EXPECT_EQ(Match(L"my file.txt", ranges), row.spaced);
    }
}

TEST_F(RangeMatch, DescriptionSwitchFormKeepsItsBracket) {
    tree_.file(L"a.txt", "a");
    tree_.file(L"DESCRIPT.ION", "a.txt notes]\r\n");
    RangeSet set;
    std::wstring withBracket = L":*]";
    std::wstring plain = L":*s";
    ASSERT_FALSE(ParseDescriptionRange(U16(withBracket), false, false, set, Context()));
    WIN32_FIND_DATAW data = FindData(tree_.path(L"a.txt"));
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), set.records), 0);
    set = RangeSet{};
    ASSERT_FALSE(ParseDescriptionRange(U16(plain), false, false, set, Context()));
    EXPECT_EQ(RangeMatches(&data, directory_.c_str(), set.records), 1);
}

TEST_F(RangeMatch, LookupDescriptionResults) {
    std::wstring a = tree_.file(L"a.txt", "a");
    std::wstring odd = tree_.file(L"100%PATH%[x],y.txt", "o");
    tree_.file(L"DESCRIPT.ION", "a.txt First draft\r\n\"100%PATH%[x],y.txt\" odd name\r\n");
    wchar_t output[8192];

    wmemset(output, L'?', 8192);
    EXPECT_EQ(LookupDescription(a.c_str(), output), 0);
    EXPECT_STREQ(output, L"First draft");

    // "%" in a name is not expanded, and brackets and commas do not end the argument.
    wmemset(output, L'?', 8192);
    EXPECT_EQ(LookupDescription(odd.c_str(), output), 0);
    EXPECT_STREQ(output, L"odd name");

    wcscpy(output, L"unchanged");
    EXPECT_EQ(LookupDescription(tree_.path(L"missing.txt").c_str(), output), 2);
    EXPECT_STREQ(output, L"unchanged");
    EXPECT_EQ(LookupDescription(L"", output), 2);
    EXPECT_EQ(LookupDescription(a.c_str(), nullptr), -1);
    EXPECT_EQ(LookupDescription(nullptr, output), -1);
    std::vector<wchar_t> shared(a.begin(), a.end());
    shared.resize(8192, 0);
    EXPECT_EQ(LookupDescription(shared.data(), shared.data()), -1);
}

TEST_F(RangeMatch, LookupDescriptionRestoresStandardErrorAndWritesNothing) {
    std::wstring a = tree_.file(L"a.txt", "a");
    HANDLE before = GetStdHandle(STD_ERROR_HANDLE);
    wchar_t output[8192] = {};
    Capture capture;
    EXPECT_EQ(LookupDescription(a.c_str(), output), 0);
    EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE), before);
    EXPECT_EQ(capture.err(), L"");
    EXPECT_EQ(capture.out(), L"");
    EXPECT_STREQ(output, L"");
}

TEST(DescriptionExpression, NameGoesInQuotesWithPercentDoubled) {
    std::vector<wchar_t> buffer(8192, L'?');
    EXPECT_EQ(DescriptionExpression(L"C:\\d\\100%done [1],2.txt", buffer.data()), 0);
    EXPECT_STREQ(buffer.data(), L"%@descript[\"C:\\d\\100%%done [1],2.txt\"]");
}

TEST(DescriptionExpression, MustFitTheBufferAfterDoubling) {
    // "%@descript[\"" is 12 characters, "\"]" and the terminating 0 take 3: 8177 remain.
    std::vector<wchar_t> buffer(8192, L'?');
    std::wstring fits = L"C:\\" + std::wstring(8174, L'x');
    EXPECT_EQ(DescriptionExpression(fits.c_str(), buffer.data()), 0);
    EXPECT_EQ(wcslen(buffer.data()), 8191u);
    std::wstring tooLong = fits + L"x";
    EXPECT_EQ(DescriptionExpression(tooLong.c_str(), buffer.data()), 111);
    std::wstring doubled = L"C:\\" + std::wstring(4087, L'%');
    EXPECT_EQ(DescriptionExpression(doubled.c_str(), buffer.data()), 0);
    doubled += L"%";
    EXPECT_EQ(DescriptionExpression(doubled.c_str(), buffer.data()), 111);
}

TEST_F(RangeMatch, LookupDescriptionOfAPathTooLongForTheExpression) {
    // An existing folder reached through pairs of "<name of 200 %>\..": the path is short
    // enough for the file system, but with every "%" doubled it does not fit the expression.
    std::wstring folder = std::wstring(200, L'%');
    tree_.dir(folder);
    std::wstring path = tree_.root();
    for (int i = 0; i < 21; ++i)
        path += L"\\" + folder + L"\\..";
    if (!QueryIsFileOrDirectory(path.c_str()))
        GTEST_SKIP() << "the file system does not resolve a path of " << path.size()
                     << " characters with \"..\" parts; DescriptionExpression covers the limit";
    wchar_t output[8192];
    wcscpy(output, L"unchanged");
    EXPECT_EQ(LookupDescription(path.c_str(), output), 111);
    EXPECT_STREQ(output, L"unchanged");
}

} // namespace
