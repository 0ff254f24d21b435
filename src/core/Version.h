// The plugin's version, defined once for the load message, the plugin information record, the
// usage text and the _FHVER variable.
#pragma once

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

inline constexpr unsigned VersionMajor = SCRUTEL_VERSION_MAJOR;
inline constexpr unsigned VersionMinor = SCRUTEL_VERSION_MINOR;
inline constexpr unsigned VersionBuild = SCRUTEL_VERSION_BUILD;
inline constexpr unsigned VersionRevision = SCRUTEL_VERSION_REVISION;
inline constexpr const char* VersionText = SCRUTEL_VERSION_TEXT;

} // namespace scrutel
