// Version-resource helpers shared by the link-target, version-resource and version-header sections.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace scrutel {

// Looks up a string value (e.g. L"FileVersion") in a version block from GetFileVersionInfoW,
// through the block's translation table, first listed translation first.
// 0 found (copied into output, TextOutputChars characters); 1 no translation table; 2 not found (output
// untouched); -1 missing name or output.
// This form lets VerQueryValueW walk the block, which trusts the lengths stored in it; prefer
// the sized form below for blocks read from untrusted files.
int QueryVersionString(const void* block, const wchar_t* name, wchar_t* output);
// The same lookup, bounds-checked against blockSize bytes (never reads outside the block).
int QueryVersionString(const void* block, size_t blockSize, const wchar_t* name, wchar_t* output);

// What ReadVersionBlock answers.
enum VersionBlockResult : int {
    VersionBlockRead = 0,
    VersionBlockFailed = 1,   // the read failed, or the file's resource structures are damaged
    VersionBlockNoMemory = 8, // the block cannot be allocated
    VersionBlockAbsent = 126, // the file has no version resource
};

// Reads path's version resource into block (resized to the size the system asks for), after
// checking the file's resource structures (see ResourceCheck.h): a VersionBlockResult.
int ReadVersionBlock(const wchar_t* path, std::vector<std::byte>& block);
// The same, with the resource check made from the probe's bytes (see FileProbe::VersionBlock,
// which keeps the result for the report's other sections).
class FileProbe;
int ReadVersionBlock(FileProbe& probe, std::vector<std::byte>& block);

// The four parts of the fixed record's file version, or nothing when the block has none.
std::optional<std::array<uint16_t, 4>> FixedFileVersion(const std::vector<std::byte>& block);

// Prints "    Label ..... value" (label and dots 24 characters wide) and ends it with EndLine(1).
// -1 when value is missing; otherwise 0 or ABORTED.
int PrintLabelLine(const wchar_t* label, const wchar_t* value);

} // namespace scrutel
