// The compound-file check against the platform: documents its structured storage writes, the
// hostile reproducers, and the sections that stand behind the check.
#include "output/LineOutput.h"
#include "reports/CompoundFileCheck.h"
#include "reports/CompoundFileGate.h"
#include "reports/FileProbe.h"
#include "reports/ReportSections.h"
#include "support/TestSupport.h"

#include "support/ByteWriting.h"

#include "support/ComTest.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <propidl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

using Bytes = std::vector<uint8_t>;

using testing_support::Put32;

std::span<const std::byte> View(const Bytes& b) {
    return {reinterpret_cast<const std::byte*>(b.data()), b.size()};
}

// ---- Documents the platform writes

constexpr FMTID SummaryFormat = {
    0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};

class CompoundFileOnDisk : public testing_support::ComTest {
  protected:
    // A document written by the platform's structured storage with a title and an author.
    static bool WriteDocument(const std::wstring& path, DWORD flags, const wchar_t* title) {
        IStorage* storage = nullptr;
        if (FAILED(StgCreateStorageEx(path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                      STGFMT_STORAGE, 0, nullptr, nullptr, IID_IStorage,
                                      reinterpret_cast<void**>(&storage))))
            return false;
        IPropertySetStorage* sets = nullptr;
        IPropertyStorage* summary = nullptr;
        bool ok =
            SUCCEEDED(storage->QueryInterface(IID_IPropertySetStorage, reinterpret_cast<void**>(&sets))) &&
            SUCCEEDED(sets->Create(SummaryFormat, nullptr, flags,
                                   STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, &summary));
        if (ok) {
            PROPSPEC specs[3] = {};
            PROPVARIANT values[3];
            for (auto& v : values)
                PropVariantInit(&v);
            specs[0].ulKind = specs[1].ulKind = specs[2].ulKind = PRSPEC_PROPID;
            specs[0].propid = 2;
            values[0].vt = VT_LPWSTR;
            values[0].pwszVal = const_cast<wchar_t*>(title);
            // 8-bit strings in 8-bit sets, wide strings in UTF-16 sets, as document writers do.
            specs[1].propid = 4;
            if (flags & PROPSETFLAG_ANSI) {
                values[1].vt = VT_LPSTR;
                values[1].pszVal = const_cast<char*>("Ann Author");
            } else {
                values[1].vt = VT_LPWSTR;
                values[1].pwszVal = const_cast<wchar_t*>(L"Ann Author");
            }
            specs[2].propid = 14;
            values[2].vt = VT_I4;
            values[2].lVal = 3;
            ok = SUCCEEDED(summary->WriteMultiple(3, specs, values, 2)) &&
                 SUCCEEDED(summary->Commit(STGC_DEFAULT));
        }
        if (summary) summary->Release();
        if (sets) sets->Release();
        storage->Commit(STGC_DEFAULT);
        storage->Release();
        return ok;
    }

    static Bytes ReadAll(const std::wstring& path) {
        Bytes bytes;
        HANDLE h =
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return bytes;
        LARGE_INTEGER size{};
        GetFileSizeEx(h, &size);
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!bytes.empty() && !ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
            got = 0;
        bytes.resize(got);
        CloseHandle(h);
        return bytes;
    }

    TempTree tree_;
};

std::wstring Line(const std::wstring& label, const std::wstring& value) {
    return L"    " + label + L" " + std::wstring(24 - label.size(), L'.') + L" " + value + L"\r\n";
}

TEST_F(CompoundFileOnDisk, DocumentsThePlatformWritesPassAndStillReport) {
    const struct {
        const char* label;
        DWORD flags;
    } rows[] = {{"UTF-16 property set", PROPSETFLAG_DEFAULT}, {"8-bit property set", PROPSETFLAG_ANSI}};
    for (const auto& row : rows) {
        std::wstring path = tree_.path(L"written.doc");
        ASSERT_TRUE(WriteDocument(path, row.flags, L"Written here")) << row.label;
        Bytes bytes = ReadAll(path);
        ASSERT_FALSE(bytes.empty()) << row.label;
        CompoundFileCheck check = CheckCompoundFile(View(bytes));
        EXPECT_EQ(check.fault, CompoundFault::None) << row.label;
        EXPECT_EQ(check.propertyFault, PropertySetFault::None) << row.label;
        EXPECT_TRUE(check.structureSound) << row.label;
        EXPECT_EQ(check.summary, PropertySetState::Sound) << row.label;
        EXPECT_TRUE(MayHandToCompoundFileReader(path.c_str(), CompoundFileReader::SummaryProperties))
            << row.label;
        EXPECT_TRUE(MayHandToCompoundFileReader(path.c_str(), CompoundFileReader::PropertyStore))
            << row.label;
        Capture capture;
        FileProbe probe(path.c_str());
        EXPECT_EQ(DocumentSummarySection(probe), 0) << row.label;
        EXPECT_EQ(capture.out(), Line(L"Title", L"Written here") + Line(L"Author", L"Ann Author") +
                                     Line(L"Page Count", L"3") + L"\r\n")
            << row.label;
    }
}

// The same document with its Author's length set to 0 in the file: refused before the platform
// reads it, so the section prints nothing and returns normally.
TEST_F(CompoundFileOnDisk, DamagedCopyOfAWrittenDocumentPrintsNothing) {
    std::wstring path = tree_.path(L"written.doc");
    ASSERT_TRUE(WriteDocument(path, PROPSETFLAG_ANSI, L"Title"));
    Bytes bytes = ReadAll(path);
    // The 8-bit author "Ann Author" is stored with its length 11 just before it.
    const std::string marker = "Ann Author";
    auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
    ASSERT_NE(at, bytes.end());
    size_t offset = static_cast<size_t>(at - bytes.begin());
    ASSERT_GE(offset, 4u);
    ASSERT_EQ(bytes[offset - 4], marker.size() + 1);
    Put32(bytes, offset - 4, 0);
    std::wstring damaged = tree_.file(L"damaged.doc", bytes);
    CompoundFileCheck check = CheckCompoundFile(View(bytes));
    EXPECT_EQ(check.propertyFault, PropertySetFault::StringLength);
    EXPECT_FALSE(MayHandToCompoundFileReader(damaged.c_str(), CompoundFileReader::SummaryProperties));
    Capture capture;
    FileProbe probe(damaged.c_str());
    EXPECT_EQ(DocumentSummarySection(probe), 0);
    EXPECT_EQ(capture.out(), L"");
}

TEST_F(CompoundFileOnDisk, FilesThatAreNotCompoundFilesAreHandedOver) {
    const struct {
        const char* label;
        std::wstring path;
    } rows[] = {
        {"text file", tree_.file(L"notes.txt", std::string("plain text\r\n"))},
        {"empty file", tree_.file(L"empty.doc", std::string())},
        {"missing file", tree_.path(L"missing.doc")},
        {"three signature bytes", tree_.file(L"short.doc", Bytes{0xD0, 0xCF, 0x11})},
    };
    for (const auto& row : rows) {
        EXPECT_TRUE(MayHandToCompoundFileReader(row.path.c_str(), CompoundFileReader::SummaryProperties))
            << row.label;
        EXPECT_TRUE(MayHandToCompoundFileReader(row.path.c_str(), CompoundFileReader::PropertyStore))
            << row.label;
    }
    // Four signature bytes and nothing else: checked, and refused.
    std::wstring stub = tree_.file(L"stub.doc", Bytes{0xD0, 0xCF, 0x11, 0xE0});
    EXPECT_FALSE(MayHandToCompoundFileReader(stub.c_str(), CompoundFileReader::SummaryProperties));
}

// ---- The reproducers

std::wstring HostileRoot() {
    return testing_support::SourceFixture(L"hostile\\");
}

const wchar_t* const HostileOleFiles[] = {
    L"ole_lpstr_len0_crash\\lpstr0.doc",         L"ole_vector_assert\\vt_1002.doc",
    L"ole_vector_assert\\vt_1003.doc",           L"ole_vector_assert\\vt_101e.doc",
    L"ole_vector_assert\\vt_2002.doc",           L"ole_vector_assert\\vt_2003.doc",
    L"ole_vector_assert\\vt_3003.doc",           L"ole_vector_count_memory\\vector_ffffffff.doc",
    L"ole_fat_loop_memory\\dir_selfloop.doc",    L"ole_fat_loop_memory\\secshift12.doc",
    L"ole_fat_loop_memory\\stream_selfloop.doc", L"from_campaign\\ole\\f_dir_selfloop.doc",
    L"from_campaign\\ole\\f_stream_loop2.doc",   L"from_campaign\\ole\\f_stream_selfloop.doc",
    L"from_campaign\\ole\\h_secshift12.doc",     L"from_campaign\\ole\\installer_msi_fl17.msi",
    L"from_campaign\\ole\\p_lpstr_0.doc",        L"from_campaign\\ole\\p_vt_weird.doc",
};

class HostileOle : public CompoundFileOnDisk {
  protected:
    // Copies of the reproducers in the test's own tree; false when the reproducers are missing.
    bool CopyReproducers(std::vector<std::wstring>& copies) {
        if (GetFileAttributesW((HostileRoot() + L"README.md").c_str()) == INVALID_FILE_ATTRIBUTES)
            return false;
        for (const wchar_t* name : HostileOleFiles) {
            std::wstring source = HostileRoot() + name;
            std::wstring flat = name;
            for (wchar_t& c : flat)
                if (c == L'\\') c = L'_';
            std::wstring target = tree_.path(flat);
            if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) return false;
            SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
            copies.push_back(target);
        }
        return true;
    }
};

TEST_F(HostileOle, EveryReproducerFailsTheCheck) {
    std::vector<std::wstring> copies;
    if (!CopyReproducers(copies))
        GTEST_SKIP() << "the reproducers under tests/fixtures/hostile are not present";
    for (const std::wstring& path : copies) {
        Bytes bytes = ReadAll(path);
        ASSERT_FALSE(bytes.empty()) << testing_support::ToUtf8(path);
        CompoundFileCheck check = CheckCompoundFile(View(bytes));
        EXPECT_FALSE(CompoundFileFitFor(check, CompoundFileReader::SummaryProperties, [](uint16_t) {
            return true;
        })) << testing_support::ToUtf8(path);
        EXPECT_FALSE(MayHandToCompoundFileReader(path.c_str(), CompoundFileReader::SummaryProperties))
            << testing_support::ToUtf8(path);
    }
    // The valid document with control characters in its title still passes.
    std::wstring valid = tree_.path(L"p_lpstr_ctrl.doc");
    ASSERT_TRUE(
        CopyFileW((HostileRoot() + L"control_chars\\p_lpstr_ctrl.doc").c_str(), valid.c_str(), FALSE));
    SetFileAttributesW(valid.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(MayHandToCompoundFileReader(valid.c_str(), CompoundFileReader::SummaryProperties));
}

// The whole command over every reproducer, then a valid document: the process survives and the
// last file is still reported with its summary.
TEST_F(HostileOle, CommandSurvivesAndReportsTheNextFile) {
    std::vector<std::wstring> copies;
    if (!CopyReproducers(copies))
        GTEST_SKIP() << "the reproducers under tests/fixtures/hostile are not present";
    std::wstring valid = tree_.path(L"zz_valid.doc");
    ASSERT_TRUE(WriteDocument(valid, PROPSETFLAG_ANSI, L"Still reported"));
    std::wstring dll = testing_support::BuildDir() + L"\\scrutel.dll";
    testing_support::RunResult run = testing_support::RunPlughost(
        L"--transient \"" + dll + L"\" scrutel /O:ACDEFHILNPRTUVXZ *", tree_.root());
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("zz_valid.doc"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Title ................... Still reported"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(std::to_string(copies.size() + 1) + " matching files found."), std::string::npos)
        << run.out;
}

} // namespace
