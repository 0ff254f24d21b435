// Which files the text encoding section reports on.
#pragma once

namespace scrutel {

// True when the extension of path (from its last "." after the last "/", "\\" or ":") stands in
// textFileTypes, a "|"-separated list of extensions with their dots. Letter case matters.
bool IsTextFileType(const wchar_t* path, const wchar_t* textFileTypes);

} // namespace scrutel
