// Tests of the recognition of volume-GUID true names: letter case, the digit after the brace and
// look-alike characters.
#include "text/VolumeGuidName.h"

#include "core/Utf16.h"

#include <gtest/gtest.h>

using namespace scrutel;

namespace {

TEST(IsVolumeGuidName, Names) {
    struct Case {
        const char16_t* name;
        bool expected;
    } cases[] = {
        {u"Volume{1b3c5d7e-0000-0000-0000-000000000000}\\file.txt", true},
        {u"volume{Abcdef01-}", true},
        {u"Volume{g123}", false},
        {u"Volume{", false},
        {u"C:\\Volume{1234}", false},
        {u"", false},
        {u"VOLUME{0}", true},
        {u"Volume{\uFF10}", true},  // fullwidth digit zero
        {u"Volume{\uFF46}", true},  // fullwidth small f
        {u"Volume{\uFF27}", false}, // fullwidth capital G
        {u"Volume{\u0660}", false}, // Arabic-Indic digit zero
        {u"Volum\u0435{1}", false}, // Cyrillic small ie in place of e
        {u"Volume(1)", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsVolumeGuidName(c.name), c.expected) << Utf8FromU16(c.name);
    EXPECT_FALSE(IsVolumeGuidName(nullptr));
}

} // namespace
