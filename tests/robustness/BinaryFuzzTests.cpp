// Fuzz targets for the binary readers: PE headers and the executable classifier, version
// resources, reparse data, packed product codes and Darwin blocks, font files and collections,
// and the EXIF date text. Real files (the build's programs, the system's libraries, Wine's fonts)
// are mutated, and random bytes are tried too; every input ends at a guard page.
#include "core/ScanSettings.h"
#include "reports/ExecutableType.h"
#include "reports/FontBuilder.h"
#include "reports/FontNames.h"
#include "reports/ImageInfo.h"
#include "reports/LinkTarget.h"
#include "reports/VersionBlock.h"
#include "reports/VersionBlockBuilder.h"
#include "reports/VersionInfo.h"
#include "robustness/FuzzInputs.h"
#include "robustness/GuardedMemory.h"
#include "support/TestSupport.h"
#include "files/ReparsePoint.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

using namespace scrutel;
using namespace robustness;

namespace {

Bytes ReadWholeFile(const std::wstring& path, size_t limit = 1u << 24) {
    Bytes bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(h, &size) && size.QuadPart > 0) {
        bytes.resize(static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, static_cast<LONGLONG>(limit))));
        DWORD got = 0;
        if (!ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) got = 0;
        bytes.resize(got);
    }
    CloseHandle(h);
    return bytes;
}

std::wstring SystemFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    return std::wstring(dir, n) + L"\\" + name;
}

// Programs to mutate: the build's own and a few system libraries (both present in every run).
std::vector<Bytes> ProgramSamples() {
    std::vector<Bytes> samples;
    const std::wstring build = testing_support::BuildDir();
    for (const std::wstring& path :
         {build + L"\\plughost.exe", build + L"\\TakeCmd.dll", build + L"\\scrutel.dll",
          SystemFile(L"kernel32.dll"), SystemFile(L"version.dll"), build + L"\\fixtures\\console32.exe"}) {
        Bytes b = ReadWholeFile(path, 8192);
        if (b.size() >= 1024) samples.push_back(std::move(b));
    }
    return samples;
}

TEST(BinaryFuzz, ExeHeaderReaderAndClassifier) {
    const std::vector<Bytes> samples = ProgramSamples();
    ASSERT_GE(samples.size(), 3u) << "the build's programs could not be read";
    // The valid samples are understood as they are.
    for (const Bytes& sample : samples) {
        GuardedMemory memory(sample);
        auto header = ParseExeHeader(ByteReader(memory.data(), memory.size()));
        ASSERT_TRUE(header.has_value());
        EXPECT_TRUE(header->machine == MachineX64 || header->machine == MachineX86) << header->machine;
    }
    auto g = FixedGenerator(30);
    const int iterations = Iterations(6000);
    int parsed = 0;
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        Bytes bytes;
        switch (Pick(g, 3)) {
        case 0:
            bytes = RandomBytes(g, 3000);
            if (bytes.size() >= 2 && Pick(g, 2) == 0) bytes[0] = 'M', bytes[1] = 'Z';
            break;
        default:
            bytes = Mutate(g, samples[Pick(g, samples.size())]);
        }
        GuardedMemory memory(bytes);
        std::optional<ExeHeader> header = ParseExeHeader(ByteReader(memory.data(), memory.size()));
        if (bytes.size() < 1024) {
            ASSERT_FALSE(header.has_value());
        }
        if (header) ++parsed;

        ExecutableFacts facts;
        facts.binaryTypeKnown = Pick(g, 2) == 0;
        facts.binaryType = Pick(g, 8);
        facts.accessDenied = Pick(g, 4) == 0;
        facts.extension = static_cast<ExecutableFacts::Extension>(Pick(g, 3));
        const uint32_t shellType = g();
        facts.header = [&] { return header; };
        facts.shellExeType = [shellType] { return shellType; };
        const int code = ClassifyExecutable(facts);
        ASSERT_GE(code, 0);
        ASSERT_LT(code, ExecutableTypeCount);
    }
    ReportIterations("ParseExeHeader + ClassifyExecutable", iterations);
    std::printf("[ fuzz     ]   (%d of them parsed as a header)\n", parsed);
}

Bytes BuiltVersionBlock() {
    using namespace version_test;
    Node root = Block(FixedRecord(1, 2, 3, 4),
                      {{u"040904B0",
                        {Text(u"FileDescription", u"A description"), Text(u"FileVersion", u"1.2.3.4"),
                         Text(u"LegalCopyright", u"\u00a9 nobody"), Text(u"ProductVersion", u"")}},
                       {u"000004E4", {Text(u"FileVersion", u"other")}}},
                      {{0x0409, 0x04B0}, {0x0000, 0x04E4}});
    return Encode(root);
}

TEST(BinaryFuzz, VersionResourcesBoundsChecked) {
    std::vector<Bytes> samples = {BuiltVersionBlock()};
    for (const std::wstring& path : {SystemFile(L"kernel32.dll"), SystemFile(L"version.dll")}) {
        std::vector<std::byte> block;
        if (ReadVersionBlock(path.c_str(), block) == 0) {
            const uint8_t* p = reinterpret_cast<const uint8_t*>(block.data());
            samples.emplace_back(p, p + block.size());
        }
    }
    {
        GuardedMemory memory(samples[0]);
        wchar_t output[1024];
        ASSERT_EQ(QueryVersionString(memory.data(), memory.size(), L"FileDescription", output), 0);
        ASSERT_EQ(std::wstring(output), L"A description");
    }
    const wchar_t* const names[] = {L"FileDescription", L"FileVersion", L"LegalCopyright",
                                    L"ProductVersion",  L"CompanyName", L"",
                                    L"Translation"};
    const char16_t* const subBlocks[] = {u"\\",
                                         u"\\VarFileInfo\\Translation",
                                         u"\\StringFileInfo\\040904B0\\FileVersion",
                                         u"\\StringFileInfo",
                                         u"\\\\",
                                         u""};
    auto g = FixedGenerator(31);
    const int iterations = Iterations(5000);
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        Bytes bytes = Pick(g, 5) == 0 ? RandomBytes(g, 600) : Mutate(g, samples[Pick(g, samples.size())]);
        GuardedMemory memory(bytes);
        ByteReader reader(memory.data(), memory.size());
        const wchar_t* name = names[Pick(g, std::size(names))];
        // A sentinel that a failed lookup must leave alone.
        GuardedMemory outMemory(std::vector<uint8_t>(1024 * sizeof(wchar_t), 0));
        wchar_t* output = reinterpret_cast<wchar_t*>(outMemory.data());
        wcscpy(output, L"untouched");
        const int rc = QueryVersionString(memory.data(), memory.size(), name, output);
        ASSERT_TRUE(rc == 0 || rc == 1 || rc == 2 || (rc == -1 && !*name)) << "result " << rc;
        ASSERT_LT(wcsnlen(output, 1024), 1024u);
        if (rc != 0) {
            ASSERT_EQ(std::wstring(output), L"untouched");
        }
        auto value = FindVersionValue(reader, subBlocks[Pick(g, std::size(subBlocks))]);
        if (value && !value->data.empty()) {
            const std::byte* first = value->data.data();
            ASSERT_GE(reinterpret_cast<const uint8_t*>(first), memory.data());
            ASSERT_LE(reinterpret_cast<const uint8_t*>(first) + value->data.size(),
                      memory.data() + memory.size());
        }
        FixedFileVersionParts(reader);
    }
    ReportIterations("QueryVersionString (sized) + FindVersionValue + FixedFileVersionParts", iterations);
}

Bytes Le16(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8)};
}
Bytes Le32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
void Append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

// A reparse buffer of a symbolic link or mount point with substitute and print names.
Bytes NameReparse(uint32_t tag, const std::wstring& substitute, const std::wstring& print, uint32_t flags) {
    Bytes names = AsBytes(substitute);
    Bytes printBytes = AsBytes(print);
    Bytes body;
    Append(body, Le16(0));
    Append(body, Le16(static_cast<uint32_t>(names.size())));
    Append(body, Le16(static_cast<uint32_t>(names.size())));
    Append(body, Le16(static_cast<uint32_t>(printBytes.size())));
    if (tag == ReparseTagSymlink) Append(body, Le32(flags));
    Append(body, names);
    Append(body, printBytes);
    Bytes b = Le32(tag);
    Append(b, Le16(static_cast<uint32_t>(body.size())));
    Append(b, Le16(0));
    Append(b, body);
    return b;
}

Bytes AliasReparse() {
    Bytes body = Le32(3);
    for (const wchar_t* s :
         {L"Package_1.0_x64__abc", L"Package!App", L"C:\\Program Files\\App\\app.exe", L"0"}) {
        Append(body, AsBytes(s));
        Append(body, Le16(0));
    }
    Bytes b = Le32(ReparseTagAppExecLink);
    Append(b, Le16(static_cast<uint32_t>(body.size())));
    Append(b, Le16(0));
    Append(b, body);
    return b;
}

TEST(BinaryFuzz, ReparseDataGivesOnlyDocumentedResults) {
    const std::vector<Bytes> samples = {
        NameReparse(ReparseTagSymlink, L"\\??\\C:\\target\\file.txt", L"C:\\target\\file.txt", 0),
        NameReparse(ReparseTagSymlink, L"..\\relative.txt", L"..\\relative.txt", 1),
        NameReparse(ReparseTagSymlink, L"\\??\\UNC\\server\\share", L"\\\\server\\share", 0),
        NameReparse(ReparseTagMountPoint, L"\\??\\C:\\mounted", L"C:\\mounted", 0), AliasReparse()};
    {
        GuardedMemory memory(samples[0]);
        ReparseData d = InterpretReparseData(ByteReader(memory.data(), memory.size()));
        ASSERT_EQ(d.result, 0);
        ASSERT_EQ(d.text, u"C:\\target\\file.txt");
        GuardedMemory alias(samples[4]);
        d = InterpretReparseData(ByteReader(alias.data(), alias.size()));
        ASSERT_EQ(d.result, 0);
        ASSERT_EQ(d.text, u"C:\\Program Files\\App\\app.exe");
    }
    auto g = FixedGenerator(32);
    const int iterations = Iterations(8000);
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        Bytes bytes = Pick(g, 5) == 0 ? RandomBytes(g, 200) : Mutate(g, samples[Pick(g, samples.size())]);
        GuardedMemory memory(bytes);
        ReparseData d = InterpretReparseData(ByteReader(memory.data(), memory.size()));
        ASSERT_TRUE(d.result == 0 || d.result == ReparseBadArguments || d.result == ReparseUnsupportedTag ||
                    d.result == ReparseMalformed)
            << "result " << d.result;
        if (d.result == 0) {
            ASSERT_FALSE(d.text.empty());
            ASSERT_LE(d.text.size(), bytes.size() / 2);
        }
        if (d.result == ReparseUnsupportedTag) {
            ASSERT_EQ(d.text.rfind(u"ReparseData-", 0), 0u);
        }
    }
    ReportIterations("InterpretReparseData", iterations);
}

const std::wstring kPackedAlphabet =
    L"!$%&'()*+,-.0123456789=?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`abcdefghijklmnopqrstuvwxyz{}~";

// Packs four 32-bit groups the way product codes are packed: five base-85 digits per group,
// least significant first.
std::wstring Pack(const uint32_t (&groups)[4]) {
    std::wstring packed;
    for (uint32_t value : groups) {
        uint64_t v = value;
        for (int k = 0; k < 5; ++k) {
            packed.push_back(kPackedAlphabet[v % 85]);
            v /= 85;
        }
    }
    return packed;
}

TEST(BinaryFuzz, PackedGuidsDecodeOrFailCleanly) {
    auto g = FixedGenerator(33);
    const int iterations = Iterations(10000);
    int decoded = 0;
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        std::wstring text;
        uint32_t groups[4] = {g(), g(), g(), g()};
        const bool valid = Pick(g, 2) == 0;
        if (valid) {
            text = Pack(groups);
            if (Pick(g, 3) == 0) text += RandomText(g, {}, 10); // trailing text is ignored
        } else {
            text =
                RandomText(g, {kPackedAlphabet.substr(Pick(g, 80), 5), L"~~~~~", L"}}}}}", L"\"", L" "}, 24);
        }
        GuardedText packed(text);
        GuardedMemory outMemory(std::vector<uint8_t>(39 * sizeof(wchar_t), 0));
        wchar_t* output = reinterpret_cast<wchar_t*>(outMemory.data());
        wcscpy(output, L"untouched");
        const int rc = DecodePackedGuid(packed.get(), output);
        ASSERT_TRUE(rc == 0 || rc == 10 || rc == 11 || rc == 12) << "result " << rc;
        if (rc != 0) {
            ASSERT_EQ(std::wstring(output), L"untouched");
            ASSERT_FALSE(valid);
            continue;
        }
        ++decoded;
        ASSERT_EQ(wcsnlen(output, 39), 38u);
        ASSERT_EQ(output[0], L'{');
        ASSERT_EQ(output[37], L'}');
        if (valid) {
            wchar_t expected[39];
            _snwprintf(expected, 39, L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", groups[0],
                       groups[1] & 0xFFFF, groups[1] >> 16, groups[2] & 0xFF, (groups[2] >> 8) & 0xFF,
                       (groups[2] >> 16) & 0xFF, groups[2] >> 24, groups[3] & 0xFF, (groups[3] >> 8) & 0xFF,
                       (groups[3] >> 16) & 0xFF, groups[3] >> 24);
            expected[38] = 0;
            ASSERT_EQ(std::wstring(output), std::wstring(expected));
        }
    }
    ReportIterations("DecodePackedGuid", iterations);
    std::printf("[ fuzz     ]   (%d of them decoded)\n", decoded);
}

TEST(BinaryFuzz, DarwinBlocksStayInsideTheirBytes) {
    Bytes sample = Le32(0x314);
    Append(sample, Le32(0xA0000006));
    Bytes ansi(260, 0), wide(520, 0);
    const std::string text = "w_NZ(-ptg!xPVh7R2K)CPOSTALCOUNTER>QA8hL3bh3Vj@Yif)4";
    std::copy(text.begin(), text.end(), ansi.begin());
    for (size_t k = 0; k < text.size(); ++k)
        wide[2 * k] = static_cast<uint8_t>(text[k]);
    Append(sample, ansi);
    Append(sample, wide);
    {
        GuardedMemory memory(sample);
        DarwinDescriptors d = ReadDarwinBlock(ByteReader(memory.data(), memory.size()));
        ASSERT_EQ(d.ansi, text);
        ASSERT_EQ(Utf8FromU16(d.wide), text);
    }
    auto g = FixedGenerator(34);
    const int iterations = Iterations(4000);
    for (int i = 0; i < iterations; ++i) {
        Bytes bytes = Pick(g, 5) == 0 ? RandomBytes(g, 900) : Mutate(g, sample);
        GuardedMemory memory(bytes);
        DarwinDescriptors d = ReadDarwinBlock(ByteReader(memory.data(), memory.size()));
        ASSERT_LE(d.ansi.size(), 260u) << i;
        ASSERT_LE(d.wide.size(), 260u) << i;
    }
    ReportIterations("ReadDarwinBlock", iterations);
}

// The tables of a single font file, so that real fonts can be rebuilt into a collection.
std::vector<font_builder::Table> FontTables(const Bytes& font) {
    std::vector<font_builder::Table> tables;
    ByteReader r(font.data(), font.size());
    const uint32_t count = r.u16be(4).value_or(0);
    for (uint32_t k = 0; k < count; ++k) {
        auto tag = r.u32be(12 + 16 * k), offset = r.u32be(12 + 16 * k + 8),
             length = r.u32be(12 + 16 * k + 12);
        if (!tag || !offset || !length || !r.has(*offset, *length)) continue;
        tables.push_back({*tag, Bytes(font.begin() + *offset, font.begin() + *offset + *length)});
    }
    return tables;
}

// Every font reader on one file's bytes: documented values and terminated, bounded outputs.
void ExerciseFontReaders(const GuardedMemory& memory, std::mt19937& g) {
    const void* data = memory.data();
    const size_t size = memory.size();
    const uint32_t count = FontCollectionCount(data, size);
    ASSERT_LE(count, FontMaxCollectionCount);
    const uint32_t fonts = count == 0 ? 1 : count;
    for (uint32_t index = 0; index < fonts && index < 4; ++index) {
        size_t offset = 0;
        if (!FontOffset(data, size, index, &offset)) continue;
        // The offset is the collection's entry as stored; the readers below must refuse it when
        // it lies outside the file.
        NameTableLocation location;
        const int found = FindNameTable(data, size, offset, &location);
        ASSERT_TRUE(found == 0 || found == 1) << found;
        if (offset >= size) {
            ASSERT_EQ(found, 0) << "a name table found in a font that starts past the end";
        }
        if (found) FontTableChecksum(data, size, location.offset, location.length);
        const int usable = LocateUsableNameTable(data, size, offset, &location);
        ASSERT_TRUE(usable == 0 || usable == 1) << usable;
        if (!usable) {
            if (!found) continue;
        } else {
            ASSERT_LE(uint64_t{location.offset} + location.length, size);
        }
        const uint32_t ids[] = {1, 2, 4, 5, 16, 17, FontCompositeName, 0xFFFF};
        const size_t capacity = 1 + Pick(g, 300);
        GuardedMemory outMemory(std::vector<uint8_t>(capacity * sizeof(wchar_t), 0xCD));
        wchar_t* output = reinterpret_cast<wchar_t*>(outMemory.data());
        const int rc =
            ReadFontName(data, size, location.offset, location.length, ids[Pick(g, std::size(ids))], output,
                         capacity, Pick(g, 2) ? 0 : 1 + Pick(g, 80));
        ASSERT_TRUE(rc == -1 || rc == 0 || rc == 1) << rc;
        ASSERT_LT(wcsnlen(output, capacity), capacity);
    }
    wchar_t description[1024], version[1024], legal[1024];
    const int strings = FontHeaderStringsFromBytes(data, size, description, version, legal);
    ASSERT_GE(strings, 0);
    ASSERT_LE(strings, 3);
    for (const wchar_t* s : {description, version, legal})
        ASSERT_LT(wcsnlen(s, 1024), 1024u);
    testing_support::Capture capture;
    const int report = ReportFontsFromBytes(data, size, Pick(g, 2) ? 0 : 64 + Pick(g, 200));
    ASSERT_TRUE(report == 0 || report == ABORTED) << report;
}

TEST(BinaryFuzz, FontFilesAndCollections) {
    const wchar_t* const files[] = {
        L"Z:\\usr\\share\\wine\\fonts\\courier.ttf", L"Z:\\usr\\share\\wine\\fonts\\marlett.ttf",
        L"Z:\\usr\\share\\wine\\fonts\\small_fonts.ttf", L"Z:\\usr\\share\\wine\\fonts\\tahoma.ttf"};
    std::vector<Bytes> samples;
    for (const wchar_t* path : files) {
        Bytes b = ReadWholeFile(path, 1u << 20);
        if (b.size() >= FontMinFileSize) samples.push_back(std::move(b));
    }
    if (samples.size() < 2) GTEST_SKIP() << "Wine's fonts (package fonts-wine) are not installed";
    // Collections of the real fonts' tables, and one built from naming tables only.
    samples.push_back(font_builder::Collection({FontTables(samples[0]), FontTables(samples[1])}));
    samples.push_back(font_builder::Collection({FontTables(samples[1]), FontTables(samples[0])}, 2));
    samples.push_back(font_builder::FontWithNames(
        {font_builder::Win(1, L"Family"), font_builder::Win(2, L"Bold"), font_builder::Win(5, L"Version 1.0"),
         font_builder::Mac(0, "Copyright")}));
    {
        GuardedMemory memory(samples[samples.size() - 3]);
        ASSERT_EQ(FontCollectionCount(memory.data(), memory.size()), 2u);
        wchar_t d[1024], v[1024], l[1024];
        ASSERT_GE(FontHeaderStringsFromBytes(memory.data(), memory.size(), d, v, l), 1);
    }
    auto g = FixedGenerator(35);
    const int iterations = Iterations(800);
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        Bytes bytes;
        switch (Pick(g, 4)) {
        case 0:
            bytes = RandomBytes(g, 6000);
            if (bytes.size() >= 12 && Pick(g, 2) == 0) { // a collection header over noise
                const uint8_t head[] = {'t', 't', 'c', 'f', 0, 1,
                                        0,   0,   0,   0,   0, static_cast<uint8_t>(Pick(g, 130))};
                std::copy(std::begin(head), std::end(head), bytes.begin());
            }
            break;
        default:
            bytes = Mutate(g, samples[Pick(g, samples.size())]);
        }
        GuardedMemory memory(bytes);
        ASSERT_NO_FATAL_FAILURE(ExerciseFontReaders(memory, g));
    }
    ReportIterations("font readers (collection count, offsets, name table, names, header, report)",
                     iterations);
}

TEST(BinaryFuzz, FontTextCleaning) {
    auto g = FixedGenerator(36);
    const std::vector<std::wstring> pieces = {L" ", L"\t", L"\r", L"\n", L"\x01", L"a", L"\u2026", L"\u00a0"};
    const int iterations = Iterations(5000);
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        const std::wstring text = RandomText(g, pieces, 120);
        const size_t capacity = text.size() + 1;
        GuardedText guarded(text);
        const int changed = CleanFontText(guarded.get(), capacity);
        ASSERT_GE(changed, 0);
        ASSERT_LE(static_cast<size_t>(changed), text.size());
        const size_t length = wcsnlen(guarded.get(), capacity);
        ASSERT_LT(length, capacity);
        for (size_t k = 0; k < length; ++k)
            ASSERT_FALSE(guarded.get()[k] == L'\t' || guarded.get()[k] == L'\r' || guarded.get()[k] == L'\n');
        const size_t n = Pick(g, 130);
        const int cut = TruncateWithEllipsis(guarded.get(), n);
        ASSERT_TRUE(cut == 0 || cut == 1);
        if (cut == 1) {
            ASSERT_EQ(wcslen(guarded.get()), n);
        }
    }
    ReportIterations("CleanFontText + TruncateWithEllipsis", iterations);
}

TEST(BinaryFuzz, ExifDateText) {
    auto g = FixedGenerator(37);
    const std::vector<std::wstring> pieces = {L"2000", L"1999", L"0000", L"9999",  L":",  L" ",
                                              L"12",   L"31",   L"00",   L"60",    L"24", L"02",
                                              L"29",   L"-",    L"1",    L"\u0660"};
    const std::wstring valid = L"2000:01:01 12:34:56";
    const int iterations = Iterations(10000);
    int dates = 0;
    for (int i = 0; i < iterations; ++i) {
        SCOPED_TRACE(i);
        std::wstring text;
        if (Pick(g, 2) == 0) {
            text = valid;
            for (uint32_t k = 1 + Pick(g, 3); k > 0; --k)
                text[Pick(g, static_cast<uint32_t>(text.size()))] = L"0123456789: -"[Pick(g, 13)];
            if (Pick(g, 5) == 0) text.resize(Pick(g, static_cast<uint32_t>(text.size())));
        } else {
            text = RandomText(g, pieces, 30);
        }
        GuardedText guarded(text);
        const size_t capacity = 32 + Pick(g, 8);
        GuardedMemory outMemory(std::vector<uint8_t>(capacity * sizeof(wchar_t), 0xEE));
        wchar_t* output = reinterpret_cast<wchar_t*>(outMemory.data());
        const int rc = FormatDateTaken(guarded.get(), output, capacity);
        ASSERT_TRUE(rc == 0 || rc == 1 || rc == 2) << rc;
        if (rc != 0) {
            ASSERT_LT(wcsnlen(output, capacity), capacity);
            ++dates;
        }
        if (rc == 1) {
            ASSERT_EQ(wcslen(output), 24u) << testing::PrintToString(std::wstring(output));
        }
    }
    ReportIterations("FormatDateTaken", iterations);
    std::printf("[ fuzz     ]   (%d of them gave a date line)\n", dates);

    // Property bytes: UTF-8 or the ANSI code page, always a terminated output.
    const int decodeIterations = Iterations(5000);
    for (int i = 0; i < decodeIterations; ++i) {
        Bytes bytes = RandomBytes(g, 80);
        GuardedMemory memory(bytes);
        const size_t capacity = 1 + Pick(g, 100);
        GuardedMemory outMemory(std::vector<uint8_t>(capacity * sizeof(wchar_t), 0xEE));
        wchar_t* output = reinterpret_cast<wchar_t*>(outMemory.data());
        DecodePropertyText(memory.data(), memory.size(), output, capacity);
        ASSERT_LT(wcsnlen(output, capacity), capacity) << i;
    }
    ReportIterations("DecodePropertyText", decodeIterations);
}

} // namespace
