// The version header's lines: a file's description and version, and its legal notice.
#pragma once
#include <cstdint>

namespace scrutel {

// Prints the description/version line and the legal-notice line (cut to maxWidth - 5 characters
// when maxWidth is not 0) for the given strings, then an empty line when anything was printed.
// Returns the number of lines printed (0 to 2), or ABORTED.
int PrintVersionHeaderLines(const wchar_t* description, const wchar_t* version, const wchar_t* legal,
                            int quoteFlag, uint32_t maxWidth);

} // namespace scrutel
