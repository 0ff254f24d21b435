// Guard-page memory for the fuzz targets and the iteration counts of their short and long modes.
#include "robustness/GuardedMemory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace robustness {

namespace {

size_t PageSize() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwPageSize;
}

} // namespace

void GuardedMemory::Assign(const void* data, size_t size) {
    Release();
    const size_t page = PageSize();
    const size_t readable = (size + page - 1) / page * page + page; // at least one readable page
    regionSize_ = readable + page;
    region_ =
        static_cast<uint8_t*>(VirtualAlloc(nullptr, regionSize_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!region_) throw std::runtime_error("VirtualAlloc failed");
    DWORD old = 0;
    if (!VirtualProtect(region_ + readable, page, PAGE_NOACCESS, &old)) {
        Release();
        throw std::runtime_error("VirtualProtect failed");
    }
    data_ = region_ + readable - size;
    size_ = size;
    if (size) std::memcpy(data_, data, size);
}

bool GuardedMemory::GuardActive() const {
    if (!region_) return false;
    MEMORY_BASIC_INFORMATION info{};
    if (!VirtualQuery(data_ + size_, &info, sizeof info)) return false;
    return info.Protect == PAGE_NOACCESS && info.BaseAddress == data_ + size_;
}

void GuardedMemory::Release() {
    if (region_) VirtualFree(region_, 0, MEM_RELEASE);
    region_ = nullptr;
    data_ = nullptr;
    size_ = 0;
    regionSize_ = 0;
}

GuardedText::GuardedText(const std::wstring& text) : length_(text.size()) {
    std::wstring copy = text;
    copy.push_back(L'\0');
    memory_.Assign(copy.data(), copy.size() * sizeof(wchar_t));
}

int Iterations(int shortCount, int cost) {
    const char* value = std::getenv("SCRUTEL_FUZZ_ITERATIONS");
    if (!value || !*value) return shortCount;
    char* end = nullptr;
    long long asked = std::strtoll(value, &end, 10);
    if (*end || asked <= 0) return shortCount;
    long long scaled = asked / (cost > 0 ? cost : 1);
    if (scaled < shortCount) scaled = shortCount;
    if (scaled > 100000000) scaled = 100000000;
    return static_cast<int>(scaled);
}

void ReportIterations(const char* target, int iterations) {
    std::printf("[ fuzz     ] %s: %d iterations\n", target, iterations);
    std::fflush(stdout);
}

} // namespace robustness
