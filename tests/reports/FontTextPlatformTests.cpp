// The font-text controls and the Mac OS Roman table against the platform that the reports were
// recorded on: its C runtime's classification of every UTF-16 code unit and its conversion of
// every Mac OS Roman byte.
#include "reports/FontNames.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>

using namespace scrutel;

// (The white space of font text is IsWhiteSpace of core/CharClass.h, checked there.)
TEST(FontTextPlatform, ControlsAgreeWithTheRuntimeForEveryCodeUnit) {
    int mismatches = 0;
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const char16_t unit = static_cast<char16_t>(c);
        const bool control = iswcntrl(static_cast<wint_t>(c)) != 0;
        if (IsFontTextControl(unit) != control && ++mismatches <= 10)
            ADD_FAILURE() << std::hex << "U+" << c << ": runtime control " << control;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(FontTextPlatform, MacRomanAgreesWithTheSystemConversionForEveryByte) {
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        wchar_t converted[2] = {};
        ASSERT_EQ(MultiByteToWideChar(10000, 0, &byte, 1, converted, 2), 1) << b;
        EXPECT_EQ(static_cast<uint16_t>(MacRomanCharacter(static_cast<uint8_t>(b))),
                  static_cast<uint16_t>(converted[0]))
            << std::hex << "byte 0x" << b;
    }
}
