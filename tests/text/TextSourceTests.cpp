// Tests of opening text sources: files (empty, missing, shared for writing, every encoding), the
// clipboard, the standard input as a pipe (read to its end or failing) and as a redirected file,
// and the pure helpers.
#include "support/TestSupport.h"
#include "text/Encoding.h"
#include "text/TextSource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace scrutel;
using testing_support::TempTree;

namespace {

using Bytes = std::vector<uint8_t>;

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Everything a closed source must have cleared.
void ExpectClosed(const TextSource& b) {
    EXPECT_EQ(b.cursor.data, nullptr);
    EXPECT_TRUE(b.name.empty());
    EXPECT_TRUE(b.tempName.empty());
    EXPECT_FALSE(b.file);
    EXPECT_FALSE(b.mapping);
    EXPECT_FALSE(b.view);
    EXPECT_FALSE(b.copy);
    EXPECT_EQ(b.cursor.size, 0u);
    EXPECT_EQ(b.cursor.position, 0u);
    EXPECT_EQ(b.cursor.bomLength, 0u);
    EXPECT_EQ(b.cursor.encoding, EncodingOem);
}

std::vector<std::wstring> ReadLines(TextSource& b) {
    std::vector<std::wstring> lines;
    wchar_t line[256];
    while (b.cursor.position < b.cursor.size && ReadLine(b.cursor, line, 256, false) == 0)
        lines.push_back(line);
    return lines;
}

TEST(OpenTextSource, MissingArguments) {
    TextSource b;
    EXPECT_EQ(OpenTextSource(nullptr, L"x.txt", 0, 0), -1);
    EXPECT_EQ(OpenTextSource(&b, nullptr, 0, 0), -1);
    EXPECT_EQ(OpenTextSource(&b, L"", 0, 0), -1);
    ExpectClosed(b);
    EXPECT_EQ(CloseTextSource(nullptr), 0);
}

TEST(OpenTextSource, ZeroLengthFileGivesEmptyAndHoldsNothing) {
    TempTree tree;
    std::wstring path = tree.file(L"empty.txt", std::string());
    TextSource b;
    EXPECT_EQ(OpenTextSource(&b, path.c_str(), 0, 0), TextErrorEmpty);
    EXPECT_EQ(b.error, TextErrorEmpty);
    ExpectClosed(b);
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the file is not held open";
}

// A section reading a file's contents asks for disk files only: a device (here the null device,
// which reads as empty) fails without a read; a disk file opens as before.
TEST(OpenTextSource, DiskFileOnlyRefusesDevices) {
    TextSource b;
    EXPECT_EQ(OpenTextSource(&b, L"\\\\.\\NUL", TextDiskFileOnly, 0), ERROR_BAD_FILE_TYPE);
    EXPECT_EQ(b.error, ERROR_BAD_FILE_TYPE);
    ExpectClosed(b);
    EXPECT_EQ(OpenTextSource(&b, L"\\\\.\\NUL", 0, 0), TextErrorEmpty)
        << "without the flag the device is read";
    ExpectClosed(b);

    TempTree tree;
    std::wstring path = tree.file(L"plain.txt", "text\r\n");
    ASSERT_EQ(OpenTextSource(&b, path.c_str(), TextDiskFileOnly, 0), 0);
    EXPECT_EQ(b.cursor.size, 6u);
    CloseTextSource(&b);
}

TEST(OpenTextSource, MissingFileGivesTheSystemError) {
    TempTree tree;
    TextSource b;
    EXPECT_EQ(OpenTextSource(&b, tree.path(L"absent.txt").c_str(), 0, 0), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(b.error, ERROR_FILE_NOT_FOUND);
    ExpectClosed(b);
}

TEST(OpenTextSource, FileOpenForWritingGivesSharingViolation) {
    TempTree tree;
    std::wstring path = tree.file(L"busy.txt", std::string("text\r\n"));
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    TextSource b;
    EXPECT_EQ(OpenTextSource(&b, path.c_str(), 0, 0), ERROR_SHARING_VIOLATION);
    ExpectClosed(b);
    CloseHandle(writer);
    EXPECT_EQ(OpenTextSource(&b, path.c_str(), 0, 0), 0) << "opens once the writer is gone";
}

TEST(OpenTextSource, FileIsMappedWithItsCanonicalNameAndClosedCleanly) {
    TempTree tree;
    std::wstring path = tree.file(L"sub\\notes.txt", std::string("one\r\ntwo\r\n"));
    SetCurrentDirectoryW(tree.path(L"sub").c_str());
    TextSource b;
    ASSERT_EQ(OpenTextSource(&b, L"notes.txt", 0, 1250), 0);
    EXPECT_EQ(b.name, path);
    EXPECT_EQ(b.cursor.size, 10u);
    EXPECT_EQ(b.cursor.codePage, 1250u);
    EXPECT_EQ(b.cursor.codePageIndex, 1u);
    EXPECT_EQ(b.cursor.replacement, 0xFFFD);
    EXPECT_EQ(b.openFlags, 0u);
    EXPECT_TRUE(b.file);
    EXPECT_TRUE(b.mapping);
    EXPECT_TRUE(b.tempName.empty());
    EXPECT_EQ(b.cursor.ebcdicCodePage, UserEbcdicCodePage());
    EXPECT_EQ(ReadLines(b), (std::vector<std::wstring>{L"one", L"two"}));
    EXPECT_FALSE(DeleteFileW(path.c_str())) << "held open while the source is open";
    EXPECT_EQ(CloseTextSource(&b), 0);
    ExpectClosed(b);
    EXPECT_EQ(b.error, 0);
    SetCurrentDirectoryW(tree.root().c_str());
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST(OpenTextSource, CodePageZeroIsTheSystemAnsiCodePage) {
    TempTree tree;
    std::wstring path = tree.file(L"a.txt", std::string("x"));
    TextSource b;
    ASSERT_EQ(OpenTextSource(&b, path.c_str(), TextDetectEbcdic, 0), 0);
    EXPECT_EQ(b.cursor.codePage, GetACP());
    EXPECT_EQ(b.cursor.codePageIndex, TextCodePageIndex(GetACP()));
    EXPECT_EQ(b.openFlags, TextDetectEbcdic);
}

TEST(OpenTextSource, ErrorSurvivesCloseAndTheNextOpenResetsIt) {
    TempTree tree;
    TextSource b;
    EXPECT_EQ(OpenTextSource(&b, tree.path(L"nothing").c_str(), 0, 0), ERROR_FILE_NOT_FOUND);
    CloseTextSource(&b);
    EXPECT_EQ(b.error, ERROR_FILE_NOT_FOUND);
    std::wstring path = tree.file(L"a.txt", std::string("x"));
    EXPECT_EQ(OpenTextSource(&b, path.c_str(), 0, 0), 0);
    EXPECT_EQ(b.error, 0);
}

// The same text written in every encoding the detector knows.
struct EncodedFile {
    const wchar_t* name;
    Bytes bytes;
    TextEncoding encoding;
    uint64_t bomLength;
};

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Units(const std::u16string& text, int width, bool bigEndian) {
    Bytes out;
    for (char16_t c : text) {
        Bytes unit(width, 0);
        unit[0] = uint8_t(c);
        unit[1] = uint8_t(c >> 8);
        if (bigEndian) std::reverse(unit.begin(), unit.end());
        out.insert(out.end(), unit.begin(), unit.end());
    }
    return out;
}

TEST(OpenTextSource, TheSameTextInEveryEncoding) {
    const std::u16string text =
        u"Caf\u00E9 au lait\r\nNa\u00EFve r\u00E9sum\u00E9 line two\r\nThird line\r\n";
    const std::vector<std::wstring> lines = {L"Caf\u00E9 au lait", L"Na\u00EFve r\u00E9sum\u00E9 line two",
                                             L"Third line"};
    std::string utf8 = testing_support::ToUtf8(std::wstring(text.begin(), text.end()));
    Bytes utf8Bytes(utf8.begin(), utf8.end());
    Bytes oem; // code page 437: e acute 0x82, i diaeresis 0x8B
    for (char16_t c : text)
        oem.push_back(c == u'\u00E9' ? 0x82 : c == u'\u00EF' ? 0x8B : uint8_t(c));
    const EncodedFile files[] = {
        {L"utf8.txt", utf8Bytes, EncodingUtf8, 0},
        {L"utf8bom.txt", Concat({{0xEF, 0xBB, 0xBF}, utf8Bytes}), EncodingUtf8, 3},
        {L"utf16le.txt", Concat({{0xFF, 0xFE}, Units(text, 2, false)}), EncodingUtf16Le, 2},
        {L"utf16be.txt", Concat({{0xFE, 0xFF}, Units(text, 2, true)}), EncodingUtf16Be, 2},
        {L"utf16plain.txt", Units(text, 2, false), EncodingUtf16Le, 0},
        {L"utf32le.txt", Concat({{0xFF, 0xFE, 0, 0}, Units(text, 4, false)}), EncodingUtf32Le, 4},
        {L"utf32be.txt", Concat({{0, 0, 0xFE, 0xFF}, Units(text, 4, true)}), EncodingUtf32Be, 4},
        {L"oem.txt", oem, EncodingOem, 0},
    };
    TempTree tree;
    for (const EncodedFile& f : files) {
        SCOPED_TRACE(testing_support::ToUtf8(f.name));
        std::wstring path = tree.file(f.name, f.bytes);
        TextSource b;
        ASSERT_EQ(OpenTextSource(&b, path.c_str(), TextDetectEbcdic, 437), 0);
        EXPECT_EQ(b.cursor.encoding, f.encoding);
        EXPECT_EQ(b.cursor.bomLength, f.bomLength);
        EXPECT_EQ(b.cursor.position, f.bomLength);
        EXPECT_EQ(ReadLines(b), lines);
        b.cursor.position = b.cursor.bomLength;
        EXPECT_EQ(CountLines(b.cursor), 3u);
        EXPECT_EQ(LineEndingKind(b.cursor), LineEndingCrLf);
    }
}

TEST(OpenTextSource, EbcdicFileWhenDetectionIsAsked) {
    std::string line =
        "\xE3\xC8\xC9\xE2\x40\xC9\xE2\x40\xC5\xC2\xC3\xC4\xC9\xC3\x40\xE3\xC5\xE7\xE3\x40\xF1\xF2\xF3"
        "\x25"; // "THIS IS EBCDIC TEXT 123" and LF
    std::string text;
    while (text.size() < 2048)
        text += line;
    TempTree tree;
    std::wstring path = tree.file(L"records.txt", text);
    TextSource b;
    ASSERT_EQ(OpenTextSource(&b, path.c_str(), TextDetectEbcdic, 0), 0);
    EXPECT_EQ(b.cursor.encoding, EncodingEbcdic);
    wchar_t first[64];
    ASSERT_EQ(ReadLine(b.cursor, first, 64, false), 0);
    EXPECT_STREQ(first, L"THIS IS EBCDIC TEXT 123");
    TextSource without;
    ASSERT_EQ(OpenTextSource(&without, path.c_str(), 0, 0), 0);
    EXPECT_EQ(without.cursor.encoding, EncodingOem);
}

TEST(OpenTextSource, DestructionClosesAnOpenSource) {
    TempTree tree;
    std::wstring path = tree.file(L"a.txt", std::string("abc"));
    {
        TextSource b;
        ASSERT_EQ(OpenTextSource(&b, path.c_str(), 0, 0), 0);
    }
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST(TextSourceHelpers, ConsoleHandles) {
    EXPECT_FALSE(IsConsoleHandle(nullptr));
    EXPECT_FALSE(IsConsoleHandle(INVALID_HANDLE_VALUE));
    TempTree tree;
    std::wstring path = tree.file(L"a.txt", std::string("x"));
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(IsConsoleHandle(file));
    CloseHandle(file);
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    EXPECT_FALSE(IsConsoleHandle(read));
    // The standard-handle numbers are looked up first.
    HANDLE saved = GetStdHandle(STD_INPUT_HANDLE);
    SetStdHandle(STD_INPUT_HANDLE, read);
    EXPECT_FALSE(IsConsoleHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-10))));
    SetStdHandle(STD_INPUT_HANDLE, saved);
    CloseHandle(read);
    CloseHandle(write);

    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "no console attached to this test run (CONOUT$ cannot be opened)";
    EXPECT_TRUE(IsConsoleHandle(console));
    CloseHandle(console);
}

// Replaces the standard input for the life of the object.
class StandardInput {
  public:
    explicit StandardInput(HANDLE replacement) : saved_(GetStdHandle(STD_INPUT_HANDLE)) {
        SetStdHandle(STD_INPUT_HANDLE, replacement);
    }
    ~StandardInput() { SetStdHandle(STD_INPUT_HANDLE, saved_); }

  private:
    HANDLE saved_;
};

std::wstring ExpectedTempName() {
    wchar_t dir[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, dir);
    std::wstring name(dir, n);
    if (!name.empty() && name.back() != L'\\' && name.back() != L'/') name += L'\\';
    wchar_t file[64];
    _snwprintf(file, 64, L"Scrutel-%04x.tmp", static_cast<unsigned>(GetCurrentProcessId()));
    return name + file;
}

TEST(OpenTextSource, StandardInputFromAPipeIsCopiedToATemporaryFile) {
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    // More than one 8192-byte piece, written while the source copies.
    std::string text;
    for (int i = 0; text.size() < 50000; ++i)
        text += "line " + std::to_string(i) + "\n";
    std::thread writer([&] {
        DWORD written = 0;
        WriteFile(write, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(write);
    });
    {
        StandardInput input(read);
        TextSource b;
        int result = OpenTextSource(&b, L"-", 0, 0);
        writer.join();
        ASSERT_EQ(result, 0);
        EXPECT_EQ(b.name, L"-");
        EXPECT_EQ(b.tempName, ExpectedTempName());
        EXPECT_TRUE(Exists(b.tempName));
        EXPECT_EQ(b.cursor.size, text.size());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.cursor.data), b.cursor.size), text);
        EXPECT_EQ(CountLines(b.cursor), static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n')));
        std::wstring temp = b.tempName;
        CloseTextSource(&b);
        EXPECT_FALSE(Exists(temp)) << "the temporary copy is deleted on close";
        ExpectClosed(b);
        // The process's own standard-input handle stays valid: the source worked on a duplicate.
        EXPECT_NE(GetFileType(read), static_cast<DWORD>(FILE_TYPE_UNKNOWN));
    }
    CloseHandle(read);
}

TEST(OpenTextSource, EmptyPipeGivesEmptyAndLeavesNoTemporaryFile) {
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    CloseHandle(write);
    {
        StandardInput input(read);
        TextSource b;
        EXPECT_EQ(OpenTextSource(&b, L"-", 0, 0), TextErrorEmpty);
        ExpectClosed(b);
        EXPECT_FALSE(Exists(ExpectedTempName()));
    }
    CloseHandle(read);
}

// A read that fails before the end is not the end of the input: the open fails with the read's
// error, and no temporary copy stays behind. Here the standard input is the write end of a pipe,
// which cannot be read at all.
TEST(OpenTextSource, StandardInputThatCannotBeReadFailsWithTheReadError) {
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(write, "a.txt\r\n", 7, &written, nullptr));
    {
        StandardInput input(write);
        TextSource b;
        EXPECT_EQ(OpenTextSource(&b, L"-", 0, 0), ERROR_ACCESS_DENIED);
        EXPECT_EQ(b.error, ERROR_ACCESS_DENIED);
        ExpectClosed(b);
        EXPECT_FALSE(Exists(ExpectedTempName()));
    }
    CloseHandle(write);
    CloseHandle(read);
}

// A pipe whose server disconnects after the first text has been read: the rest of the input is
// lost, so the open fails instead of giving the shortened text.
TEST(OpenTextSource, PipeBrokenAfterSomeTextFailsInsteadOfGivingAShortenedText) {
    const std::wstring name = L"\\\\.\\pipe\\scrutel-text-source-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536,
                                     65536, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    HANDLE client = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    std::thread writer([&] {
        DWORD written = 0;
        WriteFile(server, "a.txt\r\n", 7, &written, nullptr);
        // Returns once the reader has taken the text; the reader's next read then fails.
        FlushFileBuffers(server);
        DisconnectNamedPipe(server);
    });
    {
        StandardInput input(client);
        TextSource b;
        int result = OpenTextSource(&b, L"-", 0, 0);
        writer.join();
        EXPECT_EQ(result, ERROR_PIPE_NOT_CONNECTED);
        EXPECT_EQ(b.error, ERROR_PIPE_NOT_CONNECTED);
        ExpectClosed(b);
        EXPECT_FALSE(Exists(ExpectedTempName()));
    }
    CloseHandle(client);
    CloseHandle(server);
}

TEST(OpenTextSource, StandardInputFromARedirectedFileIsMappedDirectly) {
    TempTree tree;
    std::wstring path = tree.file(L"input.txt", std::string("\xFF\xFE"
                                                            "a\0\r\0\n\0b\0",
                                                            10));
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    {
        StandardInput input(file);
        TextSource b;
        ASSERT_EQ(OpenTextSource(&b, L"-", 0, 0), 0);
        EXPECT_TRUE(b.tempName.empty()) << "no copy for a file";
        EXPECT_EQ(b.cursor.encoding, EncodingUtf16Le);
        EXPECT_EQ(b.cursor.bomLength, 2u);
        EXPECT_EQ(ReadLines(b), (std::vector<std::wstring>{L"a", L"b"}));
        CloseTextSource(&b);
    }
    // The handle that was standard input is still open after the source closed.
    BY_HANDLE_FILE_INFORMATION info;
    EXPECT_TRUE(GetFileInformationByHandle(file, &info));
    CloseHandle(file);
}

TEST(OpenTextSource, TemporaryCopyThatCannotBeCreatedFailsWithTheSystemError) {
    // The copy's name depends only on the process: while one exists, a second cannot be made.
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    DWORD written = 0;
    WriteFile(write, "x\n", 2, &written, nullptr);
    CloseHandle(write);
    StandardInput input(read);
    TextSource first;
    ASSERT_EQ(OpenTextSource(&first, L"-", 0, 0), 0);
    HANDLE read2 = nullptr, write2 = nullptr;
    ASSERT_TRUE(CreatePipe(&read2, &write2, nullptr, 0));
    WriteFile(write2, "y\n", 2, &written, nullptr);
    CloseHandle(write2);
    SetStdHandle(STD_INPUT_HANDLE, read2);
    TextSource second;
    EXPECT_EQ(OpenTextSource(&second, L"-", 0, 0), ERROR_SHARING_VIOLATION);
    ExpectClosed(second);
    EXPECT_TRUE(Exists(first.tempName)) << "the failed open must not delete the other source's copy";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(first.cursor.data), first.cursor.size), "x\n");
    CloseTextSource(&first);
    CloseHandle(read2);
    CloseHandle(read);
}

// ---- Clipboard

bool PutClipboardText(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool ok = false;
    if (global) {
        auto* p = static_cast<wchar_t*>(GlobalLock(global));
        wmemcpy(p, text.c_str(), text.size() + 1);
        GlobalUnlock(global);
        ok = SetClipboardData(CF_UNICODETEXT, global) != nullptr;
        if (!ok) GlobalFree(global);
    }
    CloseClipboard();
    return ok;
}

TEST(OpenTextSource, ClipboardFailuresGiveMinusOne) {
    // Whatever the clipboard holds or lacks, a failure is -1 and leaves nothing open.
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    for (const wchar_t* name : {L"clip:", L"CLIP:", L"Clip:"}) {
        TextSource b;
        EXPECT_EQ(OpenTextSource(&b, name, 0, 0), -1) << "empty or unavailable clipboard";
        EXPECT_EQ(b.error, -1);
        ExpectClosed(b);
    }
}

TEST(OpenTextSource, ClipboardTextInAnyLetterCase) {
    if (!PutClipboardText(L"first\r\nsecond"))
        GTEST_SKIP() << "the clipboard is unavailable (Wine needs a display for it); the failure path is "
                        "covered by ClipboardFailuresGiveMinusOne";
    TextSource b;
    ASSERT_EQ(OpenTextSource(&b, L"CLIP:", 0, 0), 0);
    EXPECT_EQ(b.name, L"CLIP:");
    EXPECT_EQ(b.cursor.encoding, EncodingUtf16Le);
    EXPECT_EQ(b.cursor.size, 26u);
    EXPECT_EQ(b.cursor.bomLength, 0u);
    EXPECT_FALSE(b.file);
    EXPECT_FALSE(b.mapping);
    EXPECT_EQ(ReadLines(b), (std::vector<std::wstring>{L"first", L"second"}));
    CloseTextSource(&b);
    ExpectClosed(b);

    ASSERT_TRUE(PutClipboardText(L"\uFEFFmarked"));
    ASSERT_EQ(OpenTextSource(&b, L"clip:", 0, 0), 0);
    EXPECT_EQ(b.cursor.bomLength, 2u);
    EXPECT_EQ(b.cursor.position, 2u);
    EXPECT_EQ(ReadLines(b), (std::vector<std::wstring>{L"marked"}));
}

} // namespace

// A source over bytes held by the test, named as an open would name it.
void Borrow(TextSource& b, const std::string& bytes, const wchar_t* name) {
    b.cursor.data = reinterpret_cast<const uint8_t*>(bytes.data());
    b.cursor.size = bytes.size();
    b.cursor.codePage = 1252;
    b.cursor.codePageIndex = TextCodePageIndex(1252);
    b.cursor.ebcdicCodePage = 1140;
    b.cursor.ebcdicIndex = EbcdicCodePageIndex(1140);
    b.name = name;
}

TEST(DetectEncoding, ClipboardBufferStaysUtf16Le) {
    const std::string plain("a\0b\0", 4), markedBytes("\xFF\xFE\x41\0", 4);
    TextSource t;
    Borrow(t, plain, L"CLIP:");
    EXPECT_EQ(DetectEncoding(t, true), EncodingUtf16Le);
    EXPECT_EQ(t.cursor.bomLength, 0u);
    TextSource marked;
    Borrow(marked, markedBytes, L"clip:");
    EXPECT_EQ(DetectEncoding(marked, true), EncodingUtf16Le);
    EXPECT_EQ(marked.cursor.bomLength, 2u);
    EXPECT_EQ(marked.cursor.position, 2u);
}

TEST(DetectEncoding, OnlyTheClipboardIgnoresTheBytes) {
    const std::string text = "plain text";
    struct Case {
        const wchar_t* name;
        TextEncoding expected;
    } cases[] = {{L"clip:", EncodingUtf16Le}, {L"Clip:", EncodingUtf16Le}, {L"clip", EncodingOem},
                 {L"clip:x", EncodingOem},    {L"a.txt", EncodingOem},     {L"", EncodingOem}};
    for (const Case& c : cases) {
        TextSource b;
        Borrow(b, text, c.name);
        EXPECT_EQ(DetectEncoding(b, true), c.expected)
            << "name " << testing::PrintToString(std::wstring(c.name));
    }
}

TEST(OpenTextSourceOnBytes, DetectsAsTheFileOpenDoesAndBorrowsTheBytes) {
    TempTree tree;
    const std::string utf8 = "\xEF\xBB\xBF"
                             "caf\xC3\xA9\r\nline two\r\n";
    std::wstring path = tree.file(L"u.txt", utf8);
    TextSource fromFile, fromBytes;
    ASSERT_EQ(OpenTextSource(&fromFile, path.c_str(), TextDetectEbcdic, 0), 0);
    ASSERT_EQ(OpenTextSourceOnBytes(&fromBytes, path.c_str(), reinterpret_cast<const uint8_t*>(utf8.data()),
                                    utf8.size(), TextDetectEbcdic, 0),
              0);
    EXPECT_EQ(fromBytes.cursor.encoding, fromFile.cursor.encoding);
    EXPECT_EQ(fromBytes.cursor.bomLength, fromFile.cursor.bomLength);
    EXPECT_EQ(fromBytes.cursor.codePage, fromFile.cursor.codePage);
    EXPECT_EQ(fromBytes.cursor.size, utf8.size());
    EXPECT_EQ(fromBytes.cursor.data, reinterpret_cast<const uint8_t*>(utf8.data()));
    CloseTextSource(&fromBytes); // the borrowed bytes stay the caller's
    EXPECT_EQ(utf8.substr(3, 3), "caf");

    TextSource empty;
    EXPECT_EQ(OpenTextSourceOnBytes(&empty, L"e.txt", nullptr, 0, 0, 0), TextErrorEmpty);
    EXPECT_EQ(OpenTextSourceOnBytes(&empty, L"e.txt", nullptr, 5, 0, 0), -1);
}
