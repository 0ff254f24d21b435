// Reparse data buffers turned into the paths they lead to: every offset and length is checked
// against the bytes the file system returned before a name is read.
#include "files/ReparseData.h"

#include "core/CharClass.h"

#include <optional>

namespace scrutel {

namespace {

constexpr U16View NtPrefix = u"\\??\\";
constexpr U16View NtUncPrefix = u"\\??\\UNC\\";

// UTF-16 text of byteLength bytes at offset, or nothing when it leaves the buffer or has an
// odd length.
std::optional<U16String> ReadName(const ByteReader& r, size_t offset, size_t byteLength) {
    if (byteLength % 2) return std::nullopt;
    auto bytes = r.bytes(offset, byteLength);
    if (!bytes) return std::nullopt;
    U16String name(byteLength / 2, u'\0');
    ByteReader text(*bytes);
    for (size_t i = 0; i < name.size(); ++i)
        name[i] = static_cast<char16_t>(*text.u16le(2 * i));
    return name;
}

// A NUL-terminated UTF-16 string starting at offset; offset is moved past the terminator.
std::optional<U16String> ReadTerminated(const ByteReader& r, size_t& offset) {
    U16String s;
    for (;;) {
        auto c = r.u16le(offset);
        if (!c) return std::nullopt;
        offset += 2;
        if (*c == 0) return s;
        s.push_back(static_cast<char16_t>(*c));
    }
}

// The text naming a tag this reader does not follow, as the variable function prints it.
U16String UnsupportedTagText(uint32_t tag) {
    static const char16_t hex[] = u"0123456789ABCDEF";
    U16String text = u"ReparseData-\u2192ReparseTag = 0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text.push_back(hex[(tag >> shift) & 0xF]);
    text.push_back(u'\n');
    return text;
}

ReparseData Failure(int result) {
    ReparseData d;
    d.result = result;
    return d;
}

} // namespace

ReparseData InterpretReparseData(const ByteReader& buffer) {
    auto tag = buffer.u32le(0);
    auto dataLength = buffer.u16le(4);
    if (!tag || !dataLength) return Failure(ReparseMalformed);
    ReparseData d;
    d.tag = *tag;
    if (*tag != ReparseTagSymlink && *tag != ReparseTagMountPoint && *tag != ReparseTagAppExecLink) {
        d.result = ReparseUnsupportedTag;
        d.text = UnsupportedTagText(*tag);
        return d;
    }
    // Everything after the 8-byte header must lie inside the stated data length, and the
    // stated length inside what the system returned.
    if (!buffer.has(8, *dataLength)) return Failure(ReparseMalformed);
    ByteReader data = buffer.sub(0, 8 + size_t{*dataLength});

    if (*tag == ReparseTagAppExecLink) {
        size_t offset = 12;
        if (!data.u32le(8)) return Failure(ReparseMalformed);
        std::optional<U16String> s;
        for (int i = 0; i < 3; ++i) {
            s = ReadTerminated(data, offset);
            if (!s) return Failure(ReparseMalformed);
        }
        if (s->empty()) return Failure(ReparseMalformed);
        d.result = 0;
        d.text = *s;
        return d;
    }

    auto nameOffset = data.u16le(8);
    auto nameLength = data.u16le(10);
    if (!nameOffset || !nameLength) return Failure(ReparseMalformed);
    size_t pathBuffer = *tag == ReparseTagSymlink ? 20 : 16;
    std::optional<uint32_t> flags;
    if (*tag == ReparseTagSymlink) {
        flags = data.u32le(16);
        if (!flags) return Failure(ReparseMalformed);
    }
    auto name = ReadName(data, pathBuffer + *nameOffset, *nameLength);
    if (!name) return Failure(ReparseMalformed);
    U16View view(*name);

    if (*tag == ReparseTagMountPoint) {
        if (view.size() <= NtPrefix.size() || view.substr(0, NtPrefix.size()) != NtPrefix)
            return Failure(ReparseBadArguments);
        d.result = 0;
        d.text = U16String(view.substr(NtPrefix.size()));
        return d;
    }

    if (*flags & 1) {
        d.relative = true;
        d.text = *name;
    } else if (view.size() > NtUncPrefix.size() &&
               EqualsIgnoringCase(view.substr(0, NtUncPrefix.size()), NtUncPrefix)) {
        // "\??\UNC\server\share" is the network path "\\server\share".
        d.text = u"\\\\" + U16String(view.substr(NtUncPrefix.size()));
    } else if (view.substr(0, NtPrefix.size()) == NtPrefix) {
        d.text = U16String(view.substr(NtPrefix.size()));
    } else {
        d.text = *name;
    }
    if (d.text.empty()) return Failure(ReparseMalformed);
    d.result = 0;
    return d;
}

U16View LinkDirectory(U16View linkPath) {
    size_t separator = linkPath.find_last_of(u"\\/");
    if (separator != U16View::npos) return linkPath.substr(0, separator + 1);
    size_t colon = linkPath.find(u':');
    if (colon != U16View::npos) return linkPath.substr(0, colon + 1);
    return {};
}

} // namespace scrutel
