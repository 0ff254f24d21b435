// A helper shared by the report sections: a file's directory entry looked up by its path.
#pragma once
#include <windows.h>

#include <cstddef>

namespace scrutel {

// Fills record with the directory entry of path. 1 when found; 0 when the search finds nothing
// or an entry of another name; -1 for a missing record, an empty path, or wildcards in the name.
int ReadFindData(const wchar_t* path, WIN32_FIND_DATAW* record);

} // namespace scrutel
