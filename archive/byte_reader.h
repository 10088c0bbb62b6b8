#pragma once
// A bounds-checked little-endian reader over a borrowed byte span. Every read
// past the end throws platform::EReadError, as a short stream read would.

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/exception.h"

namespace archive {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Offset() const { return offset_; }
    std::size_t Remaining() const { return bytes_.size() - offset_; }

    std::uint8_t U8() { return static_cast<std::uint8_t>(Little(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Little(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Little(4)); }
    std::uint64_t U64() { return Little(8); }
    std::int64_t I64() { return static_cast<std::int64_t>(Little(8)); }

    // The next `count` bytes, borrowed from the span.
    std::span<const std::uint8_t> Take(std::size_t count) {
        Require(count);
        const auto piece = bytes_.subspan(offset_, count);
        offset_ += count;
        return piece;
    }
    void Skip(std::size_t count) { Take(count); }

private:
    void Require(std::size_t count) const {
        if (count > Remaining()) throw platform::EReadError();
    }
    std::uint64_t Little(std::size_t width) {
        Require(width);
        std::uint64_t value = 0;
        for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes_[offset_ + i];
        offset_ += width;
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};

// Little-endian values at a fixed offset of a span that is known to be long enough.
inline std::uint16_t LoadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}
inline std::uint32_t LoadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

}  // namespace archive
