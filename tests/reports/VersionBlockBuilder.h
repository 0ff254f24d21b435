// Test helper: encodes version-information blocks node by node (32-bit layout), so tests can
// build exact, odd and broken blocks without a resource compiler.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace version_test {

struct Node {
    std::u16string key;
    uint16_t type = 1;
    std::vector<uint8_t> value; // raw value bytes
    uint16_t valueLength = 0;   // as stored (characters for text, bytes for binary)
    std::vector<Node> children;
};

inline void Pad4(std::vector<uint8_t>& out, size_t base) {
    while ((out.size() - base) % 4)
        out.push_back(0);
}

inline void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void Encode(const Node& n, std::vector<uint8_t>& out) {
    size_t base = out.size();
    out.resize(base + 6);
    Put16(out, base + 2, n.valueLength);
    Put16(out, base + 4, n.type);
    for (char16_t c : n.key) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    Pad4(out, base);
    out.insert(out.end(), n.value.begin(), n.value.end());
    for (const Node& child : n.children) {
        Pad4(out, base);
        Encode(child, out);
    }
    Put16(out, base, static_cast<uint16_t>(out.size() - base));
}

inline std::vector<uint8_t> Encode(const Node& root) {
    std::vector<uint8_t> out;
    Encode(root, out);
    return out;
}

// A text value: UTF-16 with its terminator, length in characters including the terminator.
inline Node Text(const std::u16string& key, const std::u16string& text) {
    Node n{key, 1, {}, static_cast<uint16_t>(text.size() + 1), {}};
    for (char16_t c : text) {
        n.value.push_back(static_cast<uint8_t>(c));
        n.value.push_back(static_cast<uint8_t>(c >> 8));
    }
    n.value.push_back(0);
    n.value.push_back(0);
    return n;
}

inline Node Translations(const std::vector<std::pair<uint16_t, uint16_t>>& pairs) {
    Node t{u"Translation", 0, {}, static_cast<uint16_t>(pairs.size() * 4), {}};
    for (auto [language, codePage] : pairs) {
        t.value.push_back(static_cast<uint8_t>(language));
        t.value.push_back(static_cast<uint8_t>(language >> 8));
        t.value.push_back(static_cast<uint8_t>(codePage));
        t.value.push_back(static_cast<uint8_t>(codePage >> 8));
    }
    return Node{u"VarFileInfo", 1, {}, 0, {t}};
}

// The 52-byte fixed record with the given file version parts.
inline std::vector<uint8_t> FixedRecord(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    std::vector<uint8_t> r(52, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            r[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 0xFEEF04BD);
    put32(4, 0x00010000);
    put32(8, (uint32_t{a} << 16) | b);
    put32(12, (uint32_t{c} << 16) | d);
    return r;
}

// A whole block: fixed record, string tables (one per key such as u"040904B0") and translations.
struct Table {
    std::u16string key;
    std::vector<Node> values;
};
inline Node Block(const std::vector<uint8_t>& fixed, const std::vector<Table>& tables,
                  const std::vector<std::pair<uint16_t, uint16_t>>& translations) {
    Node root{u"VS_VERSION_INFO", 0, fixed, static_cast<uint16_t>(fixed.size()), {}};
    if (!tables.empty()) {
        Node strings{u"StringFileInfo", 1, {}, 0, {}};
        for (const Table& t : tables)
            strings.children.push_back(Node{t.key, 1, {}, 0, t.values});
        root.children.push_back(strings);
    }
    if (!translations.empty()) root.children.push_back(Translations(translations));
    return root;
}

} // namespace version_test
