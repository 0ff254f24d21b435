// Shell links: what a ".lnk" file points to (a path with arguments, a shell item, or an
// installed product) and the link-target section's seams.
#pragma once
#include "core/Limits.h"
#include "core/ByteReader.h"
#include "reports/AdvertisedShortcut.h"
#include "reports/ExecAlias.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace scrutel {

inline constexpr size_t DescriptorChars = 1024;

// What ResolveShellLink found.
enum ShellLinkResult : int {
    LinkUnresolved = 0,
    LinkPath = 1,      // target holds the path, arguments the link's arguments
    LinkShellItem = 2, // target holds "<display name>"
    LinkAdvertised = 3 // target holds "<<product name>>" or "<<{product code}>>"
};

// Reads the shell link at linkPath. target holds PathChars characters, arguments (when
// given) HostExpandChars. Returns a ShellLinkResult, or -1 without a target buffer or link path.
int ResolveShellLink(const wchar_t* linkPath, wchar_t* target, wchar_t* arguments);

// The version summary of a program: the description and the version text (TextOutputChars
// characters each) and whether the fixed version is other than 0.0.0.0. An empty or blank version text
// is replaced by the numeric file version.
bool ReadVersionSummary(const wchar_t* path, wchar_t* description, wchar_t* versionText);

// The link-target section with a replaceable reparse reader (for the alias of the target).
int LinkTargetSectionWith(const wchar_t* path, uint32_t omitMask, const ReparseReader& reader);

} // namespace scrutel
