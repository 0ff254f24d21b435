// Test helper: untrusted input placed at the very end of a VirtualAlloc region whose next page is
// PAGE_NOACCESS, so that a reader going one byte past its input faults at once; and the iteration
// counts of the fuzz targets.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace robustness {

// Bytes (or characters) copied to the end of a readable region directly followed by a page
// that cannot be read. Not copyable.
class GuardedMemory {
  public:
    GuardedMemory() = default;
    GuardedMemory(const void* data, size_t size) { Assign(data, size); }
    explicit GuardedMemory(const std::vector<uint8_t>& bytes) { Assign(bytes.data(), bytes.size()); }
    GuardedMemory(const GuardedMemory&) = delete;
    GuardedMemory& operator=(const GuardedMemory&) = delete;
    ~GuardedMemory() { Release(); }

    // Replaces the contents; the last byte given is the last readable byte of the region.
    void Assign(const void* data, size_t size);
    const uint8_t* data() const { return data_; }
    uint8_t* data() { return data_; }
    size_t size() const { return size_; }
    // True when the page after the data really refuses reads (checked once per region).
    bool GuardActive() const;

  private:
    void Release();
    uint8_t* region_ = nullptr;
    size_t regionSize_ = 0;
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// A wide text with its terminating 0 as the last readable character before the guard page.
class GuardedText {
  public:
    explicit GuardedText(const std::wstring& text);
    wchar_t* get() { return reinterpret_cast<wchar_t*>(memory_.data()); }
    size_t length() const { return length_; }

  private:
    GuardedMemory memory_;
    size_t length_;
};

// The number of iterations of a fuzz target: shortCount, or in the long mode (environment variable
// SCRUTEL_FUZZ_ITERATIONS holding a positive number N) N / cost, never less than shortCount. cost
// is how many pure iterations one iteration of the target is worth (targets that write files).
int Iterations(int shortCount, int cost = 1);
// Prints "[ fuzz     ] <target>: <n> iterations" so that the counts show in the test output.
void ReportIterations(const char* target, int iterations);

} // namespace robustness
