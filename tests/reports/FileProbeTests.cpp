// The per-file probe and what the report builds on it: the first bytes read once (whole for a
// small file), the snapshot taken before reading, the handle given up and taken again, checksums
// from the probe equal to a fresh read at every size around the head and block boundaries, the
// gates that spare a system reader for files whose bytes rule it out (each with a file on both
// sides), and the answers a command keeps.
#include "reports/FileProbe.h"

#include "core/ScanSettings.h"
#include "reports/ChecksumSet.h"
#include "reports/CompoundFileGate.h"
#include "reports/ExecutableType.h"
#include "core/ReportMemo.h"
#include "reports/ReportSections.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::RandomBytes;
using testing_support::SourceFixture;
using testing_support::TempTree;

TEST(FileProbe, ReadsASmallFileWholeAndALargeOneUpToTheHead) {
    TempTree tree;
    struct Case {
        size_t size;
        size_t head;
        bool whole;
    } cases[] = {{0, 0, true},
                 {1, 1, true},
                 {ProbeHeadBytes - 1, ProbeHeadBytes - 1, true},
                 {ProbeHeadBytes, ProbeHeadBytes, false},
                 {ProbeHeadBytes + 1, ProbeHeadBytes, false},
                 {3 * ProbeHeadBytes, ProbeHeadBytes, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::vector<uint8_t> bytes = RandomBytes(c.size, static_cast<unsigned>(c.size));
        std::wstring path = tree.file(L"f" + std::to_wstring(c.size) + L".bin", bytes);
        FileProbe probe(path.c_str());
        std::span<const std::byte> head;
        ASSERT_TRUE(probe.Head(head));
        ASSERT_EQ(head.size(), c.head);
        EXPECT_EQ(memcmp(head.data(), bytes.data(), c.head), 0);
        // A file exactly as long as the head is not known to end there: more may follow.
        EXPECT_EQ(probe.HeadIsWholeFile(), c.whole);
        uint64_t size = 0, lastWrite = 0;
        ASSERT_TRUE(probe.OpenedSnapshot(size, lastWrite));
        EXPECT_EQ(size, c.size);
        EXPECT_NE(lastWrite, 0u);
    }
}

TEST(FileProbe, AMissingFileOrAFolderHasNoHandleAndNoBytes) {
    TempTree tree;
    std::wstring missing = tree.path(L"missing.txt");
    FileProbe probe(missing.c_str());
    std::span<const std::byte> head;
    EXPECT_EQ(probe.Handle(), nullptr);
    EXPECT_FALSE(probe.Head(head));
    EXPECT_FALSE(probe.HeadIsWholeFile());
    EXPECT_EQ(probe.Attributes(), nullptr);

    std::wstring folder = tree.dir(L"folder");
    FileProbe folderProbe(folder.c_str());
    EXPECT_EQ(folderProbe.Handle(), nullptr);
    ASSERT_NE(folderProbe.Attributes(), nullptr);
    EXPECT_TRUE(folderProbe.Attributes()->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FileProbe, AReleasedHandleLetsAnExclusiveOpenThroughAndIsTakenAgainOnNeed) {
    TempTree tree;
    std::wstring path = tree.file(L"a.txt", std::string("some text"));
    FileProbe probe(path.c_str());
    std::span<const std::byte> head;
    ASSERT_TRUE(probe.Head(head));
    // While the probe holds the file, an open that shares nothing fails, as a system reader's would.
    HANDLE exclusive = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(exclusive, INVALID_HANDLE_VALUE);
    if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);
    probe.ReleaseHandle();
    exclusive = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    CloseHandle(exclusive);
    // The bytes stay, and the handle comes back when asked for.
    ASSERT_TRUE(probe.Head(head));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(head.data()), head.size()), "some text");
    EXPECT_NE(probe.Handle(), nullptr);
}

TEST(FileProbe, ChecksumsFromTheProbeEqualAFreshReadAroundEveryBoundary) {
    TempTree tree;
    const uint32_t all = HashCrc32 | HashCksum | HashMd5 | HashSha1 | HashSha256 | HashSha384 | HashSha512;
    HCRYPTPROV provider = AcquireDigestProvider();
    ASSERT_NE(provider, 0u);
    const size_t sizes[] = {0,
                            1,
                            ChecksumBlockBytes - 1,
                            ChecksumBlockBytes,
                            ChecksumBlockBytes + 1,
                            ProbeHeadBytes - 1,
                            ProbeHeadBytes,
                            ProbeHeadBytes + 1,
                            ProbeHeadBytes + ChecksumBlockBytes + 7,
                            5 * ProbeHeadBytes + 3};
    for (size_t size : sizes) {
        SCOPED_TRACE(size);
        std::wstring path =
            tree.file(L"c" + std::to_wstring(size), RandomBytes(size, 7u + static_cast<unsigned>(size)));
        ChecksumResults fresh, probed;
        ASSERT_EQ(ComputeFileChecksums(path.c_str(), all, fresh), 0);
        FileProbe probe(path.c_str());
        // Another section may have read the head first.
        std::span<const std::byte> head;
        ASSERT_TRUE(probe.Head(head));
        ASSERT_EQ(ComputeFileChecksums(probe, all, provider, probed), 0);
        EXPECT_EQ(probed.crc32, fresh.crc32);
        EXPECT_EQ(probed.cksum, fresh.cksum);
        ASSERT_EQ(probed.digestCount, fresh.digestCount);
        for (size_t i = 0; i < fresh.digestCount; ++i) {
            ASSERT_TRUE(probed.digests[i].ok);
            EXPECT_EQ(memcmp(probed.digests[i].value, fresh.digests[i].value, fresh.digests[i].length), 0);
        }
    }
    // The shared context outlives every file's hash objects and is still good.
    ChecksumSet after(HashMd5, StandardDigests(), provider);
    after.Update("abc", 3);
    ChecksumResults results;
    after.Finish(results);
    EXPECT_TRUE(results.digests[0].ok);
    CryptReleaseContext(provider, 0);
}

TEST(FileProbe, ChecksumsOfAFileThatCannotBeOpenedAreNotComputed) {
    TempTree tree;
    std::wstring missing = tree.path(L"gone.bin");
    FileProbe probe(missing.c_str());
    ChecksumResults results;
    EXPECT_EQ(ComputeFileChecksums(probe, HashCrc32 | HashMd5, 0, results), ChecksumCannotOpen);
}

// ---- Gates: the system reader is spared only where its answer cannot differ

TEST(ExecutableTypeGate, TheProbeGivesTheSameTypeAsThePathOnBothSidesOfTheGate) {
    TempTree tree;
    std::vector<std::wstring> paths = {tree.file(L"text.exe", std::string("not a program")),
                                       tree.file(L"plain.dll", std::string("MZ")),
                                       tree.file(L"dos.com", std::string("\xB4\x4C\xCD\x21")),
                                       tree.file(L"empty.exe", std::string()),
                                       SourceFixture(L"kinds\\exe\\console64.exe"),
                                       SourceFixture(L"kinds\\exe\\library32.dll"),
                                       SourceFixture(L"kinds\\exe\\windowed64.exe")};
    for (const std::wstring& path : paths) {
        SCOPED_TRACE(testing_support::ToUtf8(path));
        FileProbe probe(path.c_str());
        EXPECT_EQ(ExecutableTypeCode(probe), ExecutableTypeCode(path.c_str()));
    }
    FileProbe text(paths[0].c_str());
    EXPECT_EQ(ExecutableTypeCode(text), 0);
    FileProbe program(paths[4].c_str());
    EXPECT_NE(ExecutableTypeCode(program), 0);
}

TEST(SummaryReaderGate, APlainFileWithoutOtherStreamsHasNothingToFind) {
    EXPECT_FALSE(SummaryReaderMayFindAnything(false, false));
    EXPECT_TRUE(SummaryReaderMayFindAnything(false, true));
    EXPECT_TRUE(SummaryReaderMayFindAnything(true, false));
    EXPECT_TRUE(SummaryReaderMayFindAnything(true, true));
}

TEST(SummaryReaderGate, EachSideOfTheGateReportsAsBefore) {
    TempTree tree;
    std::wstring plain = tree.file(L"plain.doc", std::string("just text, no compound file"));
    EXPECT_FALSE(HasOtherDataStreams(plain.c_str()));
    FileProbe plainProbe(plain.c_str());
    EXPECT_FALSE(MayHandToSummaryReader(plainProbe));

    std::wstring document = SourceFixture(L"kinds\\doc\\summary.doc");
    FileProbe documentProbe(document.c_str());
    EXPECT_TRUE(MayHandToSummaryReader(documentProbe));

    // A damaged compound file (its signature, then nothing sound) stays refused.
    std::string damaged("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    damaged.append(600, '\xFF');
    std::wstring broken = tree.file(L"broken.doc", damaged);
    FileProbe brokenProbe(broken.c_str());
    EXPECT_FALSE(MayHandToSummaryReader(brokenProbe));

    for (const std::wstring& path : {plain, document, broken}) {
        SCOPED_TRACE(testing_support::ToUtf8(path));
        std::wstring fresh, byProbe;
        {
            Capture capture;
            FileProbe unopened(path.c_str());
            DocumentSummarySection(unopened);
            fresh = capture.out();
        }
        {
            Capture capture;
            FileProbe probe(path.c_str());
            std::span<const std::byte> head;
            probe.Head(head); // the probe is open, as when earlier sections read it
            DocumentSummarySection(probe);
            byProbe = capture.out();
        }
        EXPECT_EQ(byProbe, fresh);
    }
}

TEST(SummaryReaderGate, TheDocumentsSummaryIsReadWhileTheProbeHoldsTheFile) {
    std::wstring document = SourceFixture(L"kinds\\doc\\summary.doc");
    Capture capture;
    FileProbe probe(document.c_str());
    ASSERT_NE(probe.Handle(), nullptr);
    DocumentSummarySection(probe);
    EXPECT_NE(capture.out().find(L"    Title ................... Quarterly figures\r\n"), std::wstring::npos);
}

// ---- Answers kept for the command

TEST(ReportMemo, FileTypesAndOwnersAreAskedOnceAndShownAlike) {
    TempTree tree;
    std::wstring first = tree.file(L"one.txt", std::string("1"));
    std::wstring second = tree.file(L"two.TXT", std::string("2"));
    ReportMemo memo;
    std::wstring plain, remembered, again;
    {
        Capture capture;
        FileTypeSection(first.c_str(), 1, nullptr);
        plain = capture.out();
    }
    {
        Capture capture;
        FileTypeSection(first.c_str(), 1, &memo);
        FileTypeSection(second.c_str(), 1, &memo);
        remembered = capture.out();
    }
    EXPECT_EQ(memo.fileTypes.size(), 1u); // one extension, whatever its letter case
    EXPECT_EQ(remembered, plain + plain);

    {
        Capture capture;
        FileProbe one(first.c_str()), two(second.c_str());
        AttributesSection(one, &memo);
        AttributesSection(two, &memo);
        again = capture.out();
    }
    std::wstring withoutMemo;
    {
        Capture capture;
        FileProbe one(first.c_str()), two(second.c_str());
        AttributesSection(one, nullptr);
        AttributesSection(two, nullptr);
        withoutMemo = capture.out();
    }
    EXPECT_EQ(again, withoutMemo);
    EXPECT_LE(memo.accounts.size(), 1u);
}

TEST(ReportMemo, OneCryptoContextServesTheCommand) {
    ReportMemo memo;
    HCRYPTPROV first = CommandDigestProvider(memo);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(CommandDigestProvider(memo), first);
}

TEST(FileProbe, TextFromTheProbesBytesReportsAsTextFromTheFile) {
    TempTree tree;
    std::vector<std::wstring> paths;
    for (const wchar_t* name :
         {L"ascii-crlf.txt", L"ascii-lf.txt", L"ascii-cr.log", L"mixed-endings.csv", L"utf8.txt",
          L"utf8-bom.ini", L"utf16le-bom.txt", L"utf16be-bom.txt", L"utf16le-nobom.xml", L"latin1.htm",
          L"batch.bat", L"binary.txt", L"empty.txt", L"notes.dat"})
        paths.push_back(SourceFixture(std::wstring(L"kinds\\text\\") + name));
    std::string large;
    while (large.size() <= ProbeHeadBytes)
        large += "a line of text that repeats\r\n";
    paths.push_back(tree.file(L"large.txt", large)); // longer than the head: read from the file
    const wchar_t* types = BuiltInTextFileTypes;
    for (const std::wstring& path : paths) {
        SCOPED_TRACE(testing_support::ToUtf8(path));
        std::wstring byPath, byProbe;
        {
            Capture capture;
            TextEncodingReport(path.c_str(), types);
            byPath = capture.out();
        }
        {
            Capture capture;
            FileProbe probe(path.c_str());
            TextEncodingReport(probe, types);
            byProbe = capture.out();
        }
        EXPECT_EQ(byProbe, byPath);
        if (path.find(L"empty") == std::wstring::npos && path.find(L".dat") == std::wstring::npos) {
            EXPECT_NE(byPath.find(L"Text encoding"), std::wstring::npos);
        }
    }
}
