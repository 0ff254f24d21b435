// Shared test helpers: capture of host output, temporary trees, UTF conversion and running
// plughost.exe end to end.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// Captures what the stand-in host writes while alive.
class Capture {
  public:
    Capture();
    ~Capture();
    std::wstring out() const;
    std::wstring err() const;
};

// A fresh temporary directory removed with everything in it afterwards.
class TempTree {
  public:
    TempTree();
    ~TempTree();
    const std::wstring& root() const { return root_; }
    // Full path of a relative name.
    std::wstring path(const std::wstring& relative) const;
    // Creates a file (and its folders) with the given bytes; returns its full path.
    std::wstring file(const std::wstring& relative, const std::string& bytes = {});
    std::wstring file(const std::wstring& relative, const std::vector<uint8_t>& bytes);
    std::wstring dir(const std::wstring& relative);

  private:
    std::wstring root_;
};

std::string ToUtf8(const std::wstring& text);
// n pseudo-random bytes, the same for the same generator state.
std::vector<uint8_t> RandomBytes(size_t n, uint32_t generatorState);
std::wstring FromUtf8(const std::string& text);

// Directory of the running test program (the build folder, holding scrutel.dll and plughost.exe).
std::wstring BuildDir();
// The Windows name of a file or folder under the source tree's tests/fixtures ("hostile\\" for
// the reproducer files), reached through the drive that maps the host's root.
std::wstring SourceFixture(const std::wstring& relative);

// The number of handles this process holds now: GetProcessHandleCount where it works; under Wine
// it answers 0, and the system's handle list (which Wine does keep) is counted instead. 0 when
// neither can tell.
size_t HandlesOfThisProcess();
// The number of threads this process has now.
size_t ThreadsOfThisProcess();

struct RunResult {
    int exitCode = -1;
    std::string out; // raw bytes written to standard output
    std::string err;
};
// Runs plughost.exe with the given command line (after the program name), in workDir
// (default: current directory), with optional extra environment "NAME=VALUE" entries, and
// standard input from stdinBytes.
RunResult RunPlughost(const std::wstring& arguments, const std::wstring& workDir = L"",
                      const std::vector<std::wstring>& extraEnv = {}, const std::string& stdinBytes = {});

} // namespace testing_support
