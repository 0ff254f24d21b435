// The product's name and version, defined once for the load message, the plugin information
// record, the error prefix, the usage text and the _FHVER and _CLVER variables.
#pragma once

#define SCRUTEL_PRODUCT_NAME "Scrutel"

#define SCRUTEL_VERSION_MAJOR 1
#define SCRUTEL_VERSION_MINOR 0
#define SCRUTEL_VERSION_BUILD 16
#define SCRUTEL_VERSION_REVISION 5

#define SCRUTEL_VERSION_TEXT2(text) #text
#define SCRUTEL_VERSION_TEXT1(a, b, c, d)                                                                    \
    SCRUTEL_VERSION_TEXT2(a)                                                                                 \
    "." SCRUTEL_VERSION_TEXT2(b) "." SCRUTEL_VERSION_TEXT2(c) "." SCRUTEL_VERSION_TEXT2(d)
// "1.0.16.5"
#define SCRUTEL_VERSION_TEXT                                                                                 \
    SCRUTEL_VERSION_TEXT1(SCRUTEL_VERSION_MAJOR, SCRUTEL_VERSION_MINOR, SCRUTEL_VERSION_BUILD,               \
                          SCRUTEL_VERSION_REVISION)

namespace scrutel {

inline constexpr const wchar_t* ProductName = L"" SCRUTEL_PRODUCT_NAME;

inline constexpr unsigned VersionMajor = SCRUTEL_VERSION_MAJOR;
inline constexpr unsigned VersionMinor = SCRUTEL_VERSION_MINOR;
inline constexpr unsigned VersionBuild = SCRUTEL_VERSION_BUILD;
inline constexpr unsigned VersionRevision = SCRUTEL_VERSION_REVISION;
inline constexpr const char* VersionText = SCRUTEL_VERSION_TEXT;
inline constexpr const wchar_t* VersionTextWide = L"" SCRUTEL_VERSION_TEXT;
// The second fixed version string, which _CLVER gives.
inline constexpr const char* SecondVersionText = "1.1.2.2";

} // namespace scrutel
