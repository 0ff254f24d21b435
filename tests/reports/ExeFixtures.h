// Test helper: paths of the executable fixtures that the build places in fixtures/ next to the
// test programs, and reading a fixture's bytes.
#pragma once
#include "support/TestSupport.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace exe_fixtures {

inline std::wstring Path(const wchar_t* name) {
    return testing_support::BuildDir() + L"\\fixtures\\" + name;
}

inline std::vector<uint8_t> Bytes(const wchar_t* name) {
    std::vector<uint8_t> bytes;
    HANDLE h =
        CreateFileW(Path(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(h, &size) && size.QuadPart < (1 << 24)) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
            got != bytes.size())
            bytes.clear();
    }
    CloseHandle(h);
    return bytes;
}

} // namespace exe_fixtures
