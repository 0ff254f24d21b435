// Helpers of the command and selection tests (header only, shared by both test programs): running the command
// in-process with captured output, a recording per-file handler, and scoped changes of the environment,
// current directory and standard handles.
#pragma once
#include "HostTesting.h"
#include "command/CommandDriver.h"
#include "core/ScanSettings.h"
#include "support/TestSupport.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Defined in ScrutelExport.cpp of the command tests.
int CallScrutelExport(wchar_t* argumentText);

namespace command_tests {

struct CommandRun {
    int result = -1;
    std::wstring out;
    std::wstring err;
};

// What the recording handler saw for one file.
struct HandledFile {
    std::wstring path;
    uint32_t omitMask = 0;
    scrutel::ScanSettings settings;
    std::wstring textFileTypes;
};

// Standard output (and input) on the NUL device while alive, so that no console decides the
// report width or the paging, and nothing waits for input.
class NoConsole {
  public:
    NoConsole();
    ~NoConsole();

  private:
    HANDLE oldOut_, oldIn_, nulOut_, nulIn_;
};

class CurrentDirectory {
  public:
    explicit CurrentDirectory(const std::wstring& dir);
    ~CurrentDirectory();

  private:
    std::wstring old_;
};

// Sets (or with a null value removes) an environment variable while alive.
class EnvironmentVariable {
  public:
    EnvironmentVariable(const wchar_t* name, const wchar_t* value);
    ~EnvironmentVariable();

  private:
    std::wstring name_;
    std::wstring old_;
    bool hadOld_ = false;
};

// Clears the host's batch state when the test ends.
struct BatchReset {
    ~BatchReset();
};

inline std::vector<wchar_t> HostBuffer(const std::wstring& args) {
    // The host hands the command a buffer with room to spare after the text.
    std::vector<wchar_t> buffer(args.begin(), args.end());
    buffer.resize(args.size() + 8192, 0);
    return buffer;
}

inline CommandRun RunScrutel(const std::wstring& args) {
    std::vector<wchar_t> buffer = HostBuffer(args);
    testing_support::Capture capture;
    CommandRun run;
    run.result = CallScrutelExport(buffer.data());
    run.out = capture.out();
    run.err = capture.err();
    return run;
}

inline CommandRun RunDriver(const std::wstring& args, scrutel::FileHandler handler) {
    std::vector<wchar_t> buffer = HostBuffer(args);
    testing_support::Capture capture;
    CommandRun run;
    run.result = scrutel::RunCommand(buffer.data(), handler);
    run.out = capture.out();
    run.err = capture.err();
    return run;
}

inline std::vector<HandledFile>& Handled() {
    static std::vector<HandledFile> files;
    return files;
}

inline int RecordingHandler(const wchar_t* path, uint32_t omitMask, scrutel::ScanSettings& settings) {
    HandledFile file;
    file.path = path;
    file.omitMask = omitMask;
    file.settings = settings;
    file.textFileTypes = settings.textFileTypes ? settings.textFileTypes : L"";
    Handled().push_back(file);
    ++settings.matchCount;
    return 0;
}

inline NoConsole::NoConsole() {
    oldOut_ = GetStdHandle(STD_OUTPUT_HANDLE);
    oldIn_ = GetStdHandle(STD_INPUT_HANDLE);
    nulOut_ = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          0, nullptr);
    nulIn_ = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
    SetStdHandle(STD_OUTPUT_HANDLE, nulOut_);
    SetStdHandle(STD_INPUT_HANDLE, nulIn_);
}

inline NoConsole::~NoConsole() {
    SetStdHandle(STD_OUTPUT_HANDLE, oldOut_);
    SetStdHandle(STD_INPUT_HANDLE, oldIn_);
    if (nulOut_ != INVALID_HANDLE_VALUE) CloseHandle(nulOut_);
    if (nulIn_ != INVALID_HANDLE_VALUE) CloseHandle(nulIn_);
}

inline CurrentDirectory::CurrentDirectory(const std::wstring& dir) {
    wchar_t buffer[32768];
    DWORD n = GetCurrentDirectoryW(32768, buffer);
    old_.assign(buffer, n);
    SetCurrentDirectoryW(dir.c_str());
}

inline CurrentDirectory::~CurrentDirectory() {
    SetCurrentDirectoryW(old_.c_str());
}

inline EnvironmentVariable::EnvironmentVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t buffer[32768];
    DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    if (n > 0 && n < 32768) {
        hadOld_ = true;
        old_.assign(buffer, n);
    }
    SetEnvironmentVariableW(name, value);
}

inline EnvironmentVariable::~EnvironmentVariable() {
    SetEnvironmentVariableW(name_.c_str(), hadOld_ ? old_.c_str() : nullptr);
}

inline BatchReset::~BatchReset() {
    HostSetBatch(nullptr, 0);
}

} // namespace command_tests
