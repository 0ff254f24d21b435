// Document summary helpers: the text of one summary-information value.
#pragma once
#include <windows.h>
#include <propidl.h>

#include <cstddef>
#include <cstdint>

namespace scrutel {

constexpr size_t SummaryTextCapacity = 1024;

// An editing time in 100-nanosecond units as "hh:mm:ss" (hours not reduced modulo 24).
void FormatEditTime(uint64_t units, wchar_t* output, size_t capacity);

// The text of a summary-information value of property id into output (capacity characters):
// numbers in decimal, 8-bit strings from the ANSI code page, wide strings copied, the editing
// time (property 10) as a duration and other times in local time as "YYYY-MM-DD hh:mm.ss".
// Other types, a time the platform cannot convert and a string that does not fit give "".
void FormatSummaryValue(const PROPVARIANT& value, PROPID id, wchar_t* output, size_t capacity);

// Reads property id from the summary-information property set and prints it under label:
// ABORTED when output was interrupted (checked before reading), 1 when the property cannot be
// read, 2 when it has no printable text, otherwise the result of EndLine; -1 for a missing
// object or label.
int PrintSummaryProperty(IPropertyStorage* storage, PROPID id, const wchar_t* label);

} // namespace scrutel
