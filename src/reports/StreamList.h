// The list of alternate data streams shown in the streams section: which stream names count,
// how each is shown, and how the list is kept short.
#pragma once
#include <cstddef>
#include <cstdint>

namespace scrutel {

struct StreamList {
    static constexpr size_t Capacity = 1024;
    wchar_t text[Capacity] = {};
    size_t length = 0;
    uint32_t count = 0;      // every stream other than the main data, listed or not
    bool overflowed = false; // " …" was appended; later names are only counted
};

// Names of names and separators stay below this many characters; the closing " …" comes after.
inline constexpr size_t StreamListLimit = 59;

// Adds one stream name as the enumeration returns it (":name:$DATA"). The main data ("" or
// "::$DATA", in any letter case) is skipped. Others are counted and shown without their leading
// colon, separated by ", ", while the names and separators stay below StreamListLimit
// characters; the first name that does not fit closes the list with " …".
void AddStreamName(StreamList& list, const wchar_t* name);

} // namespace scrutel
