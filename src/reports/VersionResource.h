// The version-resource section's parts: the report of one version block and its labelled lines.
#pragma once
#include <cstddef>
#include <vector>

namespace scrutel {

// Prints the labelled lines of a version block (string values and the binary file version)
// and an empty line after them when any was printed. 0, or ABORTED.
int VersionResourceReport(const std::vector<std::byte>& block);

// Prints label's value (looked up under the label without its white space) as a label line.
// -1 empty label; 1 the value is missing or blank (nothing printed); else 0 or ABORTED.
int PrintVersionValue(const std::vector<std::byte>& block, const wchar_t* label);

} // namespace scrutel
