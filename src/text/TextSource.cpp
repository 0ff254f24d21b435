// Opening and closing text sources: files mapped read-only, a copy of the clipboard's Unicode
// text, and the standard input, which is first copied to a temporary file when it is a console
// or a pipe (neither can be mapped).
#include "text/TextSource.h"
#include "core/Limits.h"
#include "core/Utf16.h"
#include "core/Version.h"

#include "files/UntrustedFile.h"
#include "gateway/HostGateway.h"
#include "text/Encoding.h"
#include "text/ReadOutcome.h"
#include "text/VolumeGuidName.h"

#include <cwchar>
#include <new>
#include <vector>

namespace scrutel {

namespace {

constexpr DWORD CopyPieceBytes = 8192;

static_assert(ReadErrorHandleEof == ERROR_HANDLE_EOF && ReadErrorBrokenPipe == ERROR_BROKEN_PIPE &&
                  ReadErrorMoreData == ERROR_MORE_DATA,
              "the read outcomes use the system's error codes");

// Releases what the source holds (view before mapping before file, so the temporary copy can be
// deleted afterwards) and resets every field, error included.
void ReleaseAll(TextSource& b) {
    b.cursor.data = nullptr;
    b.view.reset();
    b.copy.reset();
    b.mapping.reset();
    b.file.reset();
    if (!b.tempName.empty()) ::DeleteFileW(b.tempName.c_str());
    b.tempName.clear();
    b.tempName.shrink_to_fit();
    b.name.clear();
    b.name.shrink_to_fit();
    b.error = 0;
    b.cursor = TextCursor{};
    b.sourceSize = 0;
    b.openFlags = 0;
}

// The failure exit of OpenTextSource: nothing stays open, only error survives.
int Fail(TextSource& b, int32_t error) {
    ReleaseAll(b);
    b.error = error;
    return error;
}

bool AllTimesZero(const BY_HANDLE_FILE_INFORMATION& info) {
    auto zero = [](const FILETIME& t) { return t.dwLowDateTime == 0 && t.dwHighDateTime == 0; };
    return zero(info.ftCreationTime) && zero(info.ftLastAccessTime) && zero(info.ftLastWriteTime);
}

// Writes the prompt for console input straight to the console device, bypassing the host's
// output (which may be redirected).
void WriteConsolePrompt() {
    static constexpr wchar_t prompt[] = L"Reading text from the console: (^Z ends)\r\n";
    FileHandle console(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!console) return;
    DWORD written = 0;
    ::WriteConsoleW(console.get(), prompt, static_cast<DWORD>(wcslen(prompt)), &written, nullptr);
}

int OpenClipboardText(TextSource& b) {
    if (!::OpenClipboard(::GetConsoleWindow())) return Fail(b, -1);
    struct ClipboardCloser {
        ~ClipboardCloser() { ::CloseClipboard(); }
    } closer;
    HANDLE global = ::GetClipboardData(CF_UNICODETEXT);
    if (!global) return Fail(b, -1);
    const auto* text = static_cast<const wchar_t*>(::GlobalLock(global));
    if (!text) return Fail(b, -1);
    struct Unlocker {
        HANDLE global;
        ~Unlocker() { ::GlobalUnlock(global); }
    } unlocker{global};
    // Another program filled this memory: never read past its allocation, terminator or not.
    size_t capacity = ::GlobalSize(global) / sizeof(wchar_t);
    size_t length = wcsnlen(text, capacity);
    if (length == 0) return Fail(b, -1);
    void* copy = ::HeapAlloc(::GetProcessHeap(), 0, (length + 1) * sizeof(wchar_t));
    if (!copy) return Fail(b, -1);
    b.copy.reset(copy);
    auto* target = static_cast<wchar_t*>(copy);
    wmemcpy(target, text, length);
    target[length] = 0;
    b.cursor.data = static_cast<const uint8_t*>(copy);
    b.cursor.size = static_cast<uint64_t>(length) * 2;
    b.cursor.encoding = EncodingUtf16Le;
    if (b.cursor.size >= 2 && b.cursor.data[0] == 0xFF && b.cursor.data[1] == 0xFE)
        b.cursor.position = b.cursor.bomLength = 2;
    return 0;
}

// Copies the whole input from source into a new temporary file, which becomes b.file. source is
// the console handle (not owned) or b.file itself. A read that fails before the normal end fails
// the open with its error: the copy would be a shortened text.
int CopyToTemporaryFile(TextSource& b, HANDLE source, bool sourceIsConsole) {
    std::vector<wchar_t> directory(PathChars, 0);
    DWORD length = ::GetTempPathW(static_cast<DWORD>(PathChars), directory.data());
    if (length == 0 || length >= PathChars) {
        DWORD error = length == 0 ? ::GetLastError() : ERROR_BUFFER_OVERFLOW;
        return Fail(b, static_cast<int32_t>(error));
    }
    std::wstring tempName(directory.data(), length);
    wchar_t last = tempName.back();
    if (last != L'/' && last != L'\\' && last != L':') tempName += L'\\';
    wchar_t fileName[64] = {};
    _snwprintf(fileName, 63, L"%s-%04x.tmp", ProductName, static_cast<unsigned>(::GetCurrentProcessId()));
    tempName += fileName;

    std::vector<uint8_t> piece(CopyPieceBytes);
    FileHandle temp(::CreateFileW(tempName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!temp) {
        // Not ours (another open source may hold a copy of that name): nothing to delete.
        DWORD error = ::GetLastError();
        return Fail(b, static_cast<int32_t>(error));
    }
    b.tempName = std::move(tempName);

    for (;;) {
        DWORD got = 0;
        BOOL read = ::ReadFile(source, piece.data(), CopyPieceBytes, &got, nullptr);
        DWORD readError = read ? 0 : ::GetLastError();
        ReadOutcome outcome = ClassifyRead(read != 0, got, readError);
        if (outcome == ReadOutcome::End) break;
        if (outcome == ReadOutcome::Failed) {
            // The copy would be a shortened text: fail the open as any unreadable source does.
            if (readError == 0) readError = ERROR_READ_FAULT;
            temp.reset();
            return Fail(b, static_cast<int32_t>(readError));
        }
        DWORD written = 0;
        if (!::WriteFile(temp.get(), piece.data(), got, &written, nullptr) || written != got) {
            DWORD error = ::GetLastError();
            if (error == 0) error = ERROR_WRITE_FAULT;
            temp.reset();
            return Fail(b, static_cast<int32_t>(error));
        }
    }
    if (!sourceIsConsole) b.file.reset();
    b.file = std::move(temp);
    ::FlushFileBuffers(b.file.get());
    ::SetFilePointer(b.file.get(), 0, nullptr, FILE_BEGIN);
    return 0;
}

void SetUpCodePages(TextSource& b, const wchar_t* source, uint32_t flags, uint32_t codePage) {
    b.cursor.codePage = codePage ? codePage : ::GetACP();
    b.cursor.codePageIndex = TextCodePageIndex(b.cursor.codePage);
    b.cursor.ebcdicCodePage = UserEbcdicCodePage();
    b.cursor.ebcdicIndex = EbcdicCodePageIndex(b.cursor.ebcdicCodePage);
    b.cursor.replacement = 0xFFFD;
    b.openFlags = flags;
    b.name = source;
}

int OpenSource(TextSource& b, const wchar_t* source, uint32_t flags, uint32_t codePage) {
    SetUpCodePages(b, source, flags, codePage);

    if (_wcsicmp(source, L"clip:") == 0) return OpenClipboardText(b);

    HANDLE console = nullptr; // the console input handle when "-" reads from a console
    if (wcscmp(source, L"-") == 0) {
        HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
        if (IsConsoleHandle(input)) {
            console = input;
            WriteConsolePrompt();
        } else if (input && input != INVALID_HANDLE_VALUE) {
            // Work on a duplicate: closing the source must not close the process's standard input,
            // whose handle value the host keeps using.
            HANDLE duplicate = nullptr;
            if (!::DuplicateHandle(::GetCurrentProcess(), input, ::GetCurrentProcess(), &duplicate, 0, FALSE,
                                   DUPLICATE_SAME_ACCESS)) {
                DWORD error = ::GetLastError();
                return Fail(b, static_cast<int32_t>(error));
            }
            b.file.reset(duplicate);
        } else {
            return Fail(b, ERROR_INVALID_HANDLE);
        }
    } else {
        std::vector<wchar_t> trueName(PathChars, 0);
        gateway::QueryTrueName(source, trueName.data());
        trueName[PathChars - 1] = 0;
        std::wstring canonical = trueName.data();
        if (IsVolumeGuidName(U16(canonical.c_str()))) canonical.insert(0, L"\\\\.\\");
        b.name = std::move(canonical);
        if (flags & TextDiskFileOnly) {
            UntrustedFile opened = OpenUntrustedFile(b.name.c_str(), UntrustedSharing::ReadOnly);
            if (!opened.file) return Fail(b, static_cast<int32_t>(opened.error));
            b.file = std::move(opened.file);
        } else {
            // A source the user names, such as a list file, may be a device or a pipe on purpose.
            b.file.reset(::CreateFileW(b.name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       0, nullptr));
            if (!b.file) {
                DWORD error = ::GetLastError();
                return Fail(b, static_cast<int32_t>(error));
            }
        }
    }

    HANDLE current = console ? console : b.file.get();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(current, &info)) info = BY_HANDLE_FILE_INFORMATION{};
    if (AllTimesZero(info)) {
        int result = CopyToTemporaryFile(b, current, console != nullptr);
        if (result != 0) return result;
        info = BY_HANDLE_FILE_INFORMATION{};
        if (!::GetFileInformationByHandle(b.file.get(), &info)) {
            DWORD error = ::GetLastError();
            return Fail(b, static_cast<int32_t>(error));
        }
    }

    b.cursor.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (b.cursor.size == 0) return Fail(b, TextErrorEmpty);
    b.sourceSize = b.cursor.size;
    if (flags & TextHeadOnly) {
        auto head = static_cast<size_t>(DetectionBytes(b.cursor.size));
        void* copy = ::HeapAlloc(::GetProcessHeap(), 0, head);
        if (!copy) return Fail(b, ERROR_NOT_ENOUGH_MEMORY);
        b.copy.reset(copy);
        b.cursor.data = static_cast<const uint8_t*>(copy);
        size_t got = 0;
        while (got < head) {
            int64_t n = ReadTextPiece(b, static_cast<uint8_t*>(copy) + got, head - got);
            if (n < 0) {
                DWORD error = ::GetLastError();
                return Fail(b, static_cast<int32_t>(error ? error : ERROR_READ_FAULT));
            }
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        if (got == 0) return Fail(b, TextErrorEmpty);
        b.cursor.size = got;
        if (got < head) b.sourceSize = got; // the file shrank: what was read is the text
        DetectEncoding(b, (flags & TextDetectEbcdic) != 0);
        return 0;
    }
    if (b.cursor.size > SIZE_MAX) return Fail(b, ERROR_NOT_ENOUGH_MEMORY);

    b.mapping.reset(::CreateFileMappingW(b.file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!b.mapping) {
        DWORD error = ::GetLastError();
        return Fail(b, static_cast<int32_t>(error));
    }
    b.view.reset(::MapViewOfFile(b.mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!b.view) {
        DWORD error = ::GetLastError();
        return Fail(b, static_cast<int32_t>(error));
    }
    b.cursor.data = static_cast<const uint8_t*>(b.view.get());
    DetectEncoding(b, (flags & TextDetectEbcdic) != 0);
    return 0;
}

} // namespace

TextSource::~TextSource() {
    CloseTextSource(this);
}

uint32_t UserEbcdicCodePage() {
    return EbcdicCodePageForLocale(::GetUserDefaultLCID());
}

bool IsConsoleHandle(HANDLE handle) {
    if (!handle) return false;
    auto value = reinterpret_cast<intptr_t>(handle);
    if (value == static_cast<intptr_t>(static_cast<int32_t>(STD_INPUT_HANDLE)) ||
        value == static_cast<intptr_t>(static_cast<int32_t>(STD_OUTPUT_HANDLE)) ||
        value == static_cast<intptr_t>(static_cast<int32_t>(STD_ERROR_HANDLE)))
        handle = ::GetStdHandle(static_cast<DWORD>(value));
    if (!handle || handle == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) != 0;
}

TextEncoding DetectEncoding(TextSource& b, bool ebcdic) {
    if (b.cursor.data && !b.mapping && !b.file && _wcsicmp(b.name.c_str(), L"clip:") == 0) {
        b.cursor.bomLength =
            (b.cursor.size >= 2 && b.cursor.data[0] == 0xFF && b.cursor.data[1] == 0xFE) ? 2 : 0;
        if (b.cursor.position < b.cursor.bomLength) b.cursor.position = b.cursor.bomLength;
        b.cursor.encoding = EncodingUtf16Le;
        return b.cursor.encoding;
    }
    return DetectEncoding(b.cursor, ebcdic);
}

int OpenTextSource(TextSource* source, const wchar_t* name, uint32_t flags, uint32_t codePage) {
    if (!source || !name || !*name) return -1;
    ReleaseAll(*source);
    try {
        return OpenSource(*source, name, flags, codePage);
    } catch (const std::bad_alloc&) {
        return Fail(*source, ERROR_NOT_ENOUGH_MEMORY);
    }
}

int OpenTextSourceOnBytes(TextSource* source, const wchar_t* name, const uint8_t* data, size_t size,
                          uint32_t flags, uint32_t codePage) {
    if (!source || !name || !*name || (!data && size)) return -1;
    ReleaseAll(*source);
    try {
        TextSource& b = *source;
        SetUpCodePages(b, name, flags, codePage);
        b.cursor.size = b.sourceSize = size;
        if (b.cursor.size == 0) return Fail(b, TextErrorEmpty);
        b.cursor.data = data;
        DetectEncoding(b, (flags & TextDetectEbcdic) != 0);
        return 0;
    } catch (const std::bad_alloc&) {
        return Fail(*source, ERROR_NOT_ENOUGH_MEMORY);
    }
}

int64_t ReadTextPiece(TextSource& source, uint8_t* buffer, size_t capacity) {
    if (!source.file || !buffer) return -1;
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(capacity < (1u << 30) ? capacity : (1u << 30));
    if (!::ReadFile(source.file.get(), buffer, want, &got, nullptr)) return -1;
    return got;
}

int CloseTextSource(TextSource* source) {
    if (!source) return 0;
    int32_t error = source->error;
    ReleaseAll(*source);
    source->error = error;
    return 0;
}

} // namespace scrutel
