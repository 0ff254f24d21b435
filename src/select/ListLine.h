// What one line of a list file names: the line without its surrounding blanks and its quotes, or
// nothing for blank lines and comments.
#pragma once
#include "core/Utf16.h"

namespace scrutel {

// Removes leading and trailing blank characters (IsWhiteSpace of core/CharClass.h) in place. A null
// line is left alone.
void TrimSpaces(char16_t* line);

// The file name a list line gives, to be resolved to a full path: the line without its leading and
// trailing blanks and without any quote character (blanks inside quotes stay). Empty for a line of
// blanks, a comment (a line whose first non-blank character is ':') and a line that is nothing but
// quotes once trimmed. Names are taken literally: no wildcard or other character is special.
U16String ListLineName(U16View line);
// The same into name, whose storage is reused from line to line.
void ListLineName(U16View line, U16String& name);

} // namespace scrutel
