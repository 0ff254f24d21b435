// Helpers shared by the report sections: a file's directory entry looked up by its path, and
// number texts with the host's thousands separators.
#pragma once
#include <windows.h>

#include <cstddef>

namespace scrutel {

// Fills record with the directory entry of path. 1 when found; 0 when the search finds nothing
// or an entry of another name; -1 for a missing record, an empty path, or wildcards in the name.
int ReadFindData(const wchar_t* path, WIN32_FIND_DATAW* record);

// Rewrites a number text in place with the host's thousands separators ("%@comma[...]").
// 0 on success; -1 for a missing text; 1 when the text is longer than 8182 characters; 2 when
// the host's expansion fails; 3 when the result would not fit in capacity characters (with its
// terminator). On every non-zero result the text is left unchanged.
int FormatWithCommas(wchar_t* text, size_t capacity);

} // namespace scrutel
