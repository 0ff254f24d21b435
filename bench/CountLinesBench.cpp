// Benchmark of CountLines: counts the lines of a large text file through a TextSource and reports
// the throughput. With a file argument it measures that file; without one it writes 100 MiB test
// files (UTF-8 with LF, ASCII with CR LF, UTF-16LE with a mark) to the temporary directory,
// measures each and deletes them. Not part of the test suite.
#include "text/Encoding.h"
#include "text/TextSource.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace scrutel;

namespace {

double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Lines of varying length (10 to 109 characters), like source code or logs.
std::string MakeText(size_t bytes, const char* ending, bool accented) {
    std::string text;
    text.reserve(bytes + 256);
    unsigned state = 12345;
    while (text.size() < bytes) {
        state = state * 1103515245u + 12345u;
        size_t length = 10 + (state >> 16) % 100;
        for (size_t i = 0; i < length; ++i) {
            if (accented && i % 17 == 5)
                text += "\xC3\xA9";
            else
                text += static_cast<char>('a' + (i * 7 + length) % 26);
        }
        text += ending;
    }
    return text;
}

std::string ToUtf16Le(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    out.reserve(ascii.size() * 2 + 2);
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

int Measure(const std::wstring& path, const char* label) {
    TextSource source;
    double openStart = Seconds();
    int opened = OpenTextSource(&source, path.c_str(), TextDetectEbcdic, 0);
    double openTime = Seconds() - openStart;
    if (opened != 0) {
        std::printf("%s: cannot open (%d)\n", label, opened);
        return 1;
    }
    wchar_t encoding[1024];
    TextCursor& text = source.cursor;
    EncodingName(text.encoding, static_cast<int64_t>(text.bomLength), encoding);
    double best = 1e30;
    uint64_t lines = 0;
    for (int run = 0; run < 5; ++run) {
        double start = Seconds();
        lines = CountLines(text);
        double elapsed = Seconds() - start;
        if (elapsed < best) best = elapsed;
    }
    double mib = static_cast<double>(text.size) / (1024.0 * 1024.0);
    std::printf("%-22s %-20ls %8.1f MiB %10llu lines  open %6.1f ms  count best of 5 %7.1f ms  %7.0f MiB/s\n",
                label, encoding, mib, static_cast<unsigned long long>(lines), openTime * 1000, best * 1000,
                mib / best);
    CloseTextSource(&source);
    return 0;
}

} // namespace

int main() {
    // Wide arguments without the wide entry point, which the benchmark build does not select.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc > 1) {
        int result = Measure(argv[1], "file");
        LocalFree(argv);
        return result;
    }
    if (argv) LocalFree(argv);

    wchar_t dir[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, dir);
    std::wstring base(dir, n);
    const size_t size = 100u * 1024 * 1024;
    struct Variant {
        const char* label;
        const wchar_t* name;
        std::string bytes;
    };
    std::vector<Variant> variants;
    variants.push_back({"UTF-8, LF", L"countlines-utf8.txt", MakeText(size, "\n", true)});
    variants.push_back({"ASCII, CR LF", L"countlines-crlf.txt", MakeText(size, "\r\n", false)});
    variants.push_back(
        {"UTF-16LE, CR LF", L"countlines-utf16.txt", ToUtf16Le(MakeText(size / 2, "\r\n", false))});
    int result = 0;
    for (const Variant& v : variants) {
        std::wstring path = base + v.name;
        if (!WriteWholeFile(path, v.bytes)) {
            std::printf("%s: cannot write the test file\n", v.label);
            result = 1;
            continue;
        }
        result |= Measure(path, v.label);
        DeleteFileW(path.c_str());
    }
    return result;
}
