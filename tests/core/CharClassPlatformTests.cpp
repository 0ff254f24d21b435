// The fixed classes and folding of core/CharClass.h against the C runtime that the command has
// always used, in its C locale, for every UTF-16 code unit: white space is its iswspace, and the
// folding is exactly what its towupper and towlower change.
#include "core/CharClass.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cwctype>

using namespace scrutel;

TEST(IsWhiteSpace, IsTheRuntimesIswspaceForEveryCodeUnit) {
    int differences = 0;
    for (int32_t c = 0; c <= 0xFFFF; ++c) {
        const bool runtime = iswspace(static_cast<wint_t>(c)) != 0;
        if (IsWhiteSpace(c) != runtime && ++differences <= 10)
            ADD_FAILURE() << "U+" << std::hex << c << ": iswspace says " << runtime;
    }
    EXPECT_EQ(differences, 0);
}

TEST(AsciiUpper, FoldsAsTheRuntimesTowupperAndTowlowerForEveryCodeUnit) {
    int differences = 0;
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const char16_t unit = static_cast<char16_t>(c);
        const auto upper = static_cast<char16_t>(towupper(static_cast<wint_t>(c)));
        const auto lower = static_cast<char16_t>(towlower(static_cast<wint_t>(c)));
        // towlower takes each letter AsciiUpper gives back to where it came from, and nothing else.
        const bool capital = unit >= u'A' && unit <= u'Z';
        const bool lowerAgrees = capital ? lower != unit && AsciiUpper(lower) == unit : lower == unit;
        if ((AsciiUpper(unit) != upper || !lowerAgrees) && ++differences <= 10)
            ADD_FAILURE() << "U+" << std::hex << c << ": towupper U+" << static_cast<unsigned>(upper)
                          << ", towlower U+" << static_cast<unsigned>(lower);
    }
    EXPECT_EQ(differences, 0);
}
