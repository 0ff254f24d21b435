// Following zero-length execution aliases and symbolic links to the program they lead to,
// shared by the execution-alias section and the link-target section.
#pragma once
#include "core/Limits.h"
#include "reports/ReportText.h"
#include <cstddef>
#include <cstdint>
#include <functional>

namespace scrutel {

// Reads a reparse point: the signature of ReadReparseTarget, replaceable in tests.
using ReparseReader =
    std::function<int(const wchar_t* path, wchar_t* output, size_t capacity, uint32_t* tag)>;
const ReparseReader& SystemReparseReader();

// Reads path's reparse point with reader. When it is an execution alias or a symbolic link
// whose target differs from path (without regard to case) and is a file the host sizes above
// 0, copies the target into resolved (PathChars characters) and returns the tag;
// otherwise returns 0 and leaves resolved untouched.
// Prints the line that names where an alias leads: "AppX alias:" for an execution alias,
// "Symlink:" for a symbolic link, with the target (controls replaced) in quotes. In the link
// section the label is padded to line up with that section's other labels. Then EndLine(ends).
int PrintAliasLine(uint32_t tag, const wchar_t* target, const QuotePair& quotes, bool inLinkSection,
                   unsigned ends);
uint32_t FollowAlias(const wchar_t* path, wchar_t* resolved, const ReparseReader& reader);

// The execution-alias section with the quote choice taken from omitMask: 0 nothing to show,
// 1 the line was printed (resolved filled), or ABORTED.
int ExecAliasSectionQuoted(const wchar_t* path, wchar_t* resolved, uint32_t omitMask,
                           const ReparseReader& reader = SystemReparseReader());

} // namespace scrutel
