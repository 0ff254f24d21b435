// Walks version-information blocks through ByteReader: every node length, key and value is
// checked against the node that contains it, so a lying length can only shorten what is read.
#include "reports/VersionBlock.h"

#include "core/Limits.h"

#include <algorithm>

namespace scrutel {

namespace {

constexpr size_t FixedRecordBytes = 52;

size_t Align4(size_t offset) {
    return (offset + 3) & ~size_t{3};
}

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// One node of the block: [start, end) clipped to its parent, with its key's position and its
// value's position and size.
struct Node {
    size_t start = 0;
    size_t end = 0;
    size_t keyStart = 0;
    size_t keyChars = 0;
    size_t valueStart = 0;
    size_t valueBytes = 0;
    size_t childrenStart = 0;
    uint16_t valueLength = 0;
    uint16_t type = 0;
};

// Reads the node at start, which must lie before parentEnd. Nothing when the header does not
// fit, the node claims fewer than its header's 6 bytes, or its key is not terminated.
std::optional<Node> ReadNode(const ByteReader& r, size_t start, size_t parentEnd) {
    auto length = r.u16le(start);
    auto valueLength = r.u16le(start + 2);
    auto type = r.u16le(start + 4);
    if (!length || !valueLength || !type || *length < 6) return std::nullopt;
    Node n;
    n.start = start;
    n.end = start + *length;
    if (n.end > parentEnd) n.end = parentEnd;
    n.valueLength = *valueLength;
    n.type = *type;
    n.keyStart = start + 6;
    size_t pos = n.keyStart;
    for (;;) {
        if (pos + 2 > n.end) return std::nullopt;
        auto c = r.u16le(pos);
        if (!c) return std::nullopt;
        if (*c == 0) break;
        pos += 2;
    }
    n.keyChars = (pos - n.keyStart) / 2;
    n.valueStart = start + Align4(pos + 2 - start);
    if (n.valueStart > n.end) n.valueStart = n.end;
    size_t declared = n.type == 1 ? size_t{n.valueLength} * 2 : size_t{n.valueLength};
    n.valueBytes = declared <= n.end - n.valueStart ? declared : n.end - n.valueStart;
    n.childrenStart = start + Align4(n.valueStart + declared - start);
    return n;
}

bool KeyEquals(const ByteReader& r, const Node& n, U16View key) {
    if (n.keyChars != key.size()) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        auto c = r.u16le(n.keyStart + 2 * i);
        if (!c || FoldAscii(static_cast<char16_t>(*c)) != FoldAscii(key[i])) return false;
    }
    return true;
}

std::optional<Node> FindChild(const ByteReader& r, const Node& parent, U16View key) {
    size_t pos = parent.childrenStart;
    while (pos < parent.end) {
        auto child = ReadNode(r, pos, parent.end);
        if (!child) return std::nullopt;
        if (KeyEquals(r, *child, key)) return child;
        // Lengths of at least 6 always move forward, so the walk ends.
        size_t next = pos + Align4(*r.u16le(pos));
        if (next <= pos) return std::nullopt;
        pos = next;
    }
    return std::nullopt;
}

// The text of a value: UTF-16 up to its terminator or the end of its bytes. Nothing when it
// does not fit an output of TextOutputChars characters.
bool CopyText(const VersionValue& v, char16_t* output) {
    if (v.valueLength == 0) {
        output[0] = 0;
        return true;
    }
    ByteReader text(v.data);
    size_t count = 0;
    char16_t buffer[TextOutputChars];
    for (;;) {
        auto c = text.u16le(count * 2);
        if (!c || *c == 0) break;
        if (count + 1 >= TextOutputChars) return false;
        buffer[count++] = static_cast<char16_t>(*c);
    }
    buffer[count] = 0;
    std::copy_n(buffer, count + 1, output);
    return true;
}

} // namespace

std::optional<VersionValue> FindVersionValue(const ByteReader& block, U16View subBlock) {
    // The 16-bit layout has its key where the 32-bit one has the type word.
    auto typeByte = block.u8(4);
    if (!typeByte || *typeByte >= 0x20) return std::nullopt;
    auto node = ReadNode(block, 0, block.size());
    if (!node) return std::nullopt;
    size_t i = 0;
    while (i < subBlock.size()) {
        if (subBlock[i] == u'\\') {
            ++i;
            continue;
        }
        size_t j = subBlock.find(u'\\', i);
        if (j == U16View::npos) j = subBlock.size();
        node = FindChild(block, *node, subBlock.substr(i, j - i));
        if (!node) return std::nullopt;
        i = j;
    }
    VersionValue v;
    v.valueLength = node->valueLength;
    v.type = node->type;
    if (auto bytes = block.bytes(node->valueStart, node->valueBytes)) v.data = *bytes;
    return v;
}

int LookupVersionString(const ByteReader& block, const char16_t* name, char16_t* output) {
    if (!name || !output) return -1;
    auto table = FindVersionValue(block, u"\\VarFileInfo\\Translation");
    if (!table || table->valueLength == 0) return 1;
    ByteReader entries(table->data);
    U16View nameView(name);
    for (size_t offset = 0; entries.has(offset, 4); offset += 4) {
        uint16_t language = *entries.u16le(offset);
        uint16_t codePage = *entries.u16le(offset + 2);
        char16_t path[TextOutputChars];
        static const char16_t hex[] = u"0123456789ABCDEF";
        U16View prefix = u"\\StringFileInfo\\";
        size_t total = prefix.size() + 8 + 1 + nameView.size();
        if (total >= TextOutputChars) return 2;
        size_t p = 0;
        for (char16_t c : prefix)
            path[p++] = c;
        for (int shift = 12; shift >= 0; shift -= 4)
            path[p++] = hex[(language >> shift) & 0xF];
        for (int shift = 12; shift >= 0; shift -= 4)
            path[p++] = hex[(codePage >> shift) & 0xF];
        path[p++] = u'\\';
        for (char16_t c : nameView)
            path[p++] = c;
        path[p] = 0;
        auto value = FindVersionValue(block, U16View(path, p));
        if (value && CopyText(*value, output)) return 0;
    }
    return 2;
}

std::optional<std::array<uint16_t, 4>> FixedFileVersionParts(const ByteReader& block) {
    auto root = FindVersionValue(block, u"\\");
    if (!root || root->data.size() < FixedRecordBytes) return std::nullopt;
    ByteReader fixed(root->data);
    uint32_t high = *fixed.u32le(8);
    uint32_t low = *fixed.u32le(12);
    return std::array<uint16_t, 4>{static_cast<uint16_t>(high >> 16), static_cast<uint16_t>(high & 0xFFFF),
                                   static_cast<uint16_t>(low >> 16), static_cast<uint16_t>(low & 0xFFFF)};
}

} // namespace scrutel
