// Shared test helpers: capture of host output, temporary trees, plughost runs.
#include "support/TestSupport.h"

#include "HostTesting.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <random>
#include <vector>
#include <atomic>

namespace testing_support {

Capture::Capture() {
    HostStartCapture();
}
Capture::~Capture() {
    HostStopCapture();
}
std::wstring Capture::out() const {
    return HostCapturedText(1);
}
std::wstring Capture::err() const {
    return HostCapturedText(2);
}

static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = dir + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(dir.c_str());
}

TempTree::TempTree() {
    static std::atomic<unsigned> counter{0};
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    wchar_t name[64];
    _snwprintf(name, 64, L"scrutel-test-%lu-%u", GetCurrentProcessId(), counter++);
    root_ = std::wstring(base) + name;
    RemoveTree(root_);
    CreateDirectoryW(root_.c_str(), nullptr);
    wchar_t full[32768];
    DWORD n = GetLongPathNameW(root_.c_str(), full, 32768);
    if (n > 0 && n < 32768) root_ = full;
}

TempTree::~TempTree() {
    // Through the long form, which also reaches names a plain path cannot (devices, a trailing dot).
    RemoveTree(root_.size() > 2 && root_[1] == L':' ? L"\\\\?\\" + root_ : root_);
}

std::wstring TempTree::path(const std::wstring& relative) const {
    return root_ + L"\\" + relative;
}

std::wstring TempTree::dir(const std::wstring& relative) {
    std::wstring full = path(relative);
    for (size_t i = root_.size() + 1; i <= full.size(); ++i) {
        if (i == full.size() || full[i] == L'\\') CreateDirectoryW(full.substr(0, i).c_str(), nullptr);
    }
    return full;
}

std::wstring TempTree::file(const std::wstring& relative, const std::string& bytes) {
    return file(relative, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

std::wstring TempTree::file(const std::wstring& relative, const std::vector<uint8_t>& bytes) {
    size_t slash = relative.find_last_of(L'\\');
    if (slash != std::wstring::npos) dir(relative.substr(0, slash));
    std::wstring full = path(relative);
    HANDLE h =
        CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
    }
    return full;
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t generatorState) {
    std::mt19937 generator(generatorState);
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(generator() >> 24);
    return bytes;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::wstring SourceFixture(const std::wstring& relative) {
    std::wstring path = L"Z:";
    for (const char* c = SCRUTEL_TEST_FIXTURES; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return path + L"\\" + relative;
}

namespace {

// One handle of the system-wide handle list (SystemExtendedHandleInformation).
struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};
struct HandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry handles[1];
};
constexpr ULONG SystemExtendedHandleInformation = 64;

} // namespace

size_t HandlesOfThisProcess() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return count;
    using Query = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        NTSTATUS status =
            query(SystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<NTSTATUS>(0xC0000004L) && buffer.size() < (256u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0) return 0;
        break;
    }
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    size_t mine = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i)
        if (list->handles[i].processId == GetCurrentProcessId()) ++mine;
    return mine;
}

size_t ThreadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    size_t count = 0;
    DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == self) ++count;
    CloseHandle(snapshot);
    return count;
}

std::wstring BuildDir() {
    wchar_t exe[32768];
    DWORD n = GetModuleFileNameW(nullptr, exe, 32768);
    std::wstring path(exe, n);
    return path.substr(0, path.find_last_of(L"\\/"));
}

// Moves whatever the pipe holds now into `into`; false once the pipe is closed and empty.
static bool ReadAvailable(HANDLE pipe, std::string* into, bool* gotSome) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    while (available > 0) {
        char buffer[65536];
        DWORD got = 0;
        DWORD want = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
        if (!ReadFile(pipe, buffer, want, &got, nullptr) || got == 0) return false;
        into->append(buffer, got);
        available -= got;
        *gotSome = true;
    }
    return true;
}

RunResult RunPlughost(const std::wstring& arguments, const std::wstring& workDir,
                      const std::vector<std::wstring>& extraEnv, const std::string& stdinBytes) {
    RunResult result;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite, inRead, inWrite;
    CreatePipe(&outRead, &outWrite, &sa, 0);
    CreatePipe(&errRead, &errWrite, &sa, 0);
    CreatePipe(&inRead, &inWrite, &sa, static_cast<DWORD>(stdinBytes.size() + 4096));
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);

    // Environment block: this process's environment plus the extra entries (which win).
    std::wstring env;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        std::wstring entry = p;
        bool replaced = false;
        for (const auto& extra : extraEnv) {
            size_t eq = extra.find(L'=');
            if (eq != std::wstring::npos && _wcsnicmp(entry.c_str(), extra.c_str(), eq + 1) == 0)
                replaced = true;
        }
        if (!replaced) env += entry + L'\0';
    }
    FreeEnvironmentStringsW(block);
    for (const auto& extra : extraEnv)
        env += extra + L'\0';
    env += L'\0';

    std::wstring cmd = L"\"" + BuildDir() + L"\\plughost.exe\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> cmdLine(cmd.begin(), cmd.end());
    cmdLine.push_back(0);
    BOOL ok = CreateProcessW(nullptr, cmdLine.data(), nullptr, nullptr, TRUE,
                             CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, env.data(),
                             workDir.empty() ? nullptr : workDir.c_str(), &si, &pi);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    CloseHandle(inRead);
    if (!ok) {
        CloseHandle(outRead);
        CloseHandle(errRead);
        CloseHandle(inWrite);
        return result;
    }
    if (!stdinBytes.empty()) {
        // The pipe was made large enough to take all of it at once.
        DWORD written = 0;
        WriteFile(inWrite, stdinBytes.data(), static_cast<DWORD>(stdinBytes.size()), &written, nullptr);
    }
    CloseHandle(inWrite);
    // The output is collected by polling rather than by reading to the end of the pipes: a
    // helper process that Wine starts on the child's behalf (the desktop process, when the
    // child first needs a window, as COM's apartment does) inherits the pipes and keeps them
    // open long after the child has ended.
    const ULONGLONG deadline = GetTickCount64() + 120000;
    bool outOpen = true, errOpen = true;
    for (;;) {
        bool exited = WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
        bool gotSome = false;
        if (outOpen) outOpen = ReadAvailable(outRead, &result.out, &gotSome);
        if (errOpen) errOpen = ReadAvailable(errRead, &result.err, &gotSome);
        if (exited && !gotSome) break; // everything the child wrote has been read
        if (!outOpen && !errOpen) {
            WaitForSingleObject(
                pi.hProcess,
                static_cast<DWORD>(deadline > GetTickCount64() ? deadline - GetTickCount64() : 0));
            break;
        }
        if (GetTickCount64() > deadline) {
            TerminateProcess(pi.hProcess, 0xDEAD);
            WaitForSingleObject(pi.hProcess, 5000);
            break;
        }
        if (!gotSome) WaitForSingleObject(pi.hProcess, 2);
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    result.exitCode = code == STILL_ACTIVE ? -1 : static_cast<int>(code);
    CloseHandle(outRead);
    CloseHandle(errRead);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}

} // namespace testing_support
