// The floor for a tree report: what any tool must do at least per file under this platform. It
// walks a tree (every folder listed once), opens and reads each file, computes its CRC-32 and MD5
// and writes one line per file through a 64 KiB buffered writer to standard output. It prints the
// number of files and its own time to standard error.
//   FloorWalkBench.exe ROOT
#include "reports/Crc.h"

#include <windows.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

class BufferedWriter {
  public:
    explicit BufferedWriter(HANDLE out) : out_(out) { buffer_.reserve(Capacity); }
    ~BufferedWriter() { Flush(); }
    void Write(const char* text, size_t length) {
        if (buffer_.size() + length > Capacity) Flush();
        buffer_.insert(buffer_.end(), text, text + length);
    }
    void Flush() {
        DWORD written = 0;
        if (!buffer_.empty())
            WriteFile(out_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr);
        buffer_.clear();
    }

  private:
    static constexpr size_t Capacity = 65536;
    HANDLE out_;
    std::vector<char> buffer_;
};

struct Walk {
    HCRYPTPROV provider = 0;
    BufferedWriter* out = nullptr;
    std::vector<unsigned char> block = std::vector<unsigned char>(32768);
    unsigned long long files = 0;
};

void ReportOne(Walk& walk, const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    uint32_t crc = 0xFFFFFFFFu;
    HCRYPTHASH md5 = 0;
    CryptCreateHash(walk.provider, CALG_MD5, 0, 0, &md5);
    DWORD got = 0;
    while (ReadFile(file, walk.block.data(), static_cast<DWORD>(walk.block.size()), &got, nullptr) && got) {
        crc = scrutel::Crc32Update(crc, walk.block.data(), got);
        CryptHashData(md5, walk.block.data(), got, 0);
    }
    CloseHandle(file);
    BYTE digest[16] = {};
    DWORD length = sizeof digest;
    CryptGetHashParam(md5, HP_HASHVAL, digest, &length, 0);
    CryptDestroyHash(md5);
    char line[1200];
    int n = std::snprintf(line, sizeof line, "%08X ", ~crc);
    for (DWORD i = 0; i < length; ++i)
        n += std::snprintf(line + n, sizeof line - n, "%02X", digest[i]);
    int name = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, line + n + 1,
                                   static_cast<int>(sizeof line) - n - 4, nullptr, nullptr);
    line[n] = ' ';
    // The converted name ends with its terminator: the line end goes in its place.
    n += name > 0 ? name : 1;
    line[n++] = '\r';
    line[n++] = '\n';
    walk.out->Write(line, static_cast<size_t>(n));
    ++walk.files;
}

void WalkFolder(Walk& walk, const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> subfolders;
    do {
        const wchar_t* name = entry.cFileName;
        if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            subfolders.push_back(folder + L"\\" + name);
        else
            ReportOne(walk, folder + L"\\" + name);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    for (const std::wstring& sub : subfolders)
        WalkFolder(walk, sub);
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) return 2;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    BufferedWriter out(GetStdHandle(STD_OUTPUT_HANDLE));
    Walk walk;
    walk.out = &out;
    if (!CryptAcquireContextW(&walk.provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return 1;
    WalkFolder(walk, argv[1]);
    out.Flush();
    CryptReleaseContext(walk.provider, 0);
    QueryPerformanceCounter(&end);
    double seconds =
        static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::fprintf(stderr, "%llu files in %.3f s\n", walk.files, seconds);
    return walk.files ? 0 : 1;
}
