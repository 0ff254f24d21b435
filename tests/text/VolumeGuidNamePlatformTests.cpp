// The character classes of IsVolumeGuidName against the C runtime's, which the test replaced:
// case-insensitive comparison with each letter of "Volume{" and the hexadecimal digit after it,
// for every UTF-16 code unit.
#include "core/Utf16.h"
#include "text/VolumeGuidName.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <cwctype>
#include <string>

using namespace scrutel;

namespace {

// What the runtime's test was: _wcsnicmp(name, L"Volume{", 7) == 0 && iswxdigit(name[7]).
bool RuntimeVolumeGuidName(const wchar_t* name) {
    return _wcsnicmp(name, L"Volume{", 7) == 0 && iswxdigit(name[7]);
}

TEST(IsVolumeGuidName, AgreesWithTheRuntimeForEveryCodeUnitInEveryPlace) {
    int differences = 0;
    for (int place = 0; place <= 7; ++place) {
        for (int32_t c = 0; c <= 0xFFFF; ++c) {
            // A name that matches everywhere except, perhaps, at place.
            std::wstring name = L"Volume{a}";
            name[place] = static_cast<wchar_t>(c);
            const bool runtime = RuntimeVolumeGuidName(name.c_str());
            if (IsVolumeGuidName(U16(name.c_str())) != runtime && ++differences <= 10)
                ADD_FAILURE() << "U+" << std::hex << c << " at " << std::dec << place << ": the runtime says "
                              << runtime;
        }
    }
    EXPECT_EQ(differences, 0);
}

} // namespace
