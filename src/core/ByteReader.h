// Bounds-checked reading of untrusted bytes (PE headers, version resources, reparse data, fonts,
// list files). Every read fails cleanly when it would leave the buffer; nothing is cast onto a struct.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace scrutel {

class ByteReader {
  public:
    ByteReader() = default;
    explicit ByteReader(std::span<const std::byte> bytes) : bytes_(bytes) {}
    ByteReader(const void* data, size_t size)
        : bytes_(static_cast<const std::byte*>(data), data ? size : 0) {}

    size_t size() const { return bytes_.size(); }
    std::span<const std::byte> span() const { return bytes_; }

    // True when [offset, offset + length) lies inside the buffer; cannot wrap.
    bool has(size_t offset, size_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    std::optional<uint8_t> u8(size_t offset) const {
        if (!has(offset, 1)) return std::nullopt;
        return static_cast<uint8_t>(bytes_[offset]);
    }
    std::optional<uint16_t> u16le(size_t offset) const { return read<uint16_t, false>(offset); }
    std::optional<uint32_t> u32le(size_t offset) const { return read<uint32_t, false>(offset); }
    std::optional<uint64_t> u64le(size_t offset) const { return read<uint64_t, false>(offset); }
    std::optional<uint16_t> u16be(size_t offset) const { return read<uint16_t, true>(offset); }
    std::optional<uint32_t> u32be(size_t offset) const { return read<uint32_t, true>(offset); }
    std::optional<uint64_t> u64be(size_t offset) const { return read<uint64_t, true>(offset); }

    // The bytes [offset, offset + length), or nothing when out of range.
    std::optional<std::span<const std::byte>> bytes(size_t offset, size_t length) const {
        if (!has(offset, length)) return std::nullopt;
        return bytes_.subspan(offset, length);
    }
    // A reader over [offset, offset + length); an empty reader when out of range.
    ByteReader sub(size_t offset, size_t length) const {
        if (!has(offset, length)) return ByteReader();
        return ByteReader(bytes_.subspan(offset, length));
    }
    // A reader over [offset, end); empty when offset is out of range.
    ByteReader from(size_t offset) const {
        if (offset > bytes_.size()) return ByteReader();
        return ByteReader(bytes_.subspan(offset));
    }

  private:
    template <typename T, bool BigEndian> std::optional<T> read(size_t offset) const {
        if (!has(offset, sizeof(T))) return std::nullopt;
        uint64_t v = 0;
        for (size_t i = 0; i < sizeof(T); ++i) {
            uint64_t b = static_cast<uint8_t>(bytes_[offset + i]);
            if (BigEndian)
                v = (v << 8) | b;
            else
                v |= b << (8 * i);
        }
        return static_cast<T>(v);
    }

    std::span<const std::byte> bytes_;
};

// Multiplies two counts, failing instead of wrapping.
inline std::optional<size_t> CheckedMul(size_t a, size_t b) {
    if (a != 0 && b > SIZE_MAX / a) return std::nullopt;
    return a * b;
}
inline std::optional<size_t> CheckedAdd(size_t a, size_t b) {
    if (b > SIZE_MAX - a) return std::nullopt;
    return a + b;
}

} // namespace scrutel
