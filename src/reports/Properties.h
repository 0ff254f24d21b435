// Windows-properties helpers: the value formats and the printing of a property store's values.
#pragma once
#include <cstddef>
#include <cstdint>

struct IPropertyStore;

namespace scrutel {

// A duration in 100-nanosecond units as "h:mm:ss" (hours not reduced modulo 24).
void FormatDuration(uint64_t units, wchar_t* output, size_t capacity);
// A track number in unsigned decimal.
void FormatTrackNumber(uint32_t number, wchar_t* output, size_t capacity);

// Prints the section's properties that store has a value for, then an empty line when any was
// printed. 0 when nothing was printed, otherwise the result of the last EndLine; ABORTED when
// output was interrupted; -1 without a store.
int PrintPropertyStore(IPropertyStore* store);

// Opens a file's property store into *store (an IPropertyStore); the section uses the system's
// SHGetPropertyStoreFromParsingName.
using PropertyStoreOpener = long (*)(const wchar_t* path, void** store);
// The Windows-properties section with its store opener given. propertySystem is the command's
// memory of whether the property system exists: a platform that answers E_NOTIMPL once is not
// asked again, for any file, during the command (under Wine each refusal costs about 1.5 ms).
int PropertiesSectionWith(const wchar_t* path, int32_t& propertySystem, PropertyStoreOpener open);

} // namespace scrutel
