#pragma once
// The APPNOTE check sum of member data: the reflected CRC-32 with polynomial
// 0xEDB88320 (ISO 3309, ITU-T V.42), computed byte by byte through one 256-entry
// table (long runs in four interleaved lanes that are joined afterwards).

#include <cstddef>
#include <cstdint>
#include <span>

namespace archive {

// Start value of a running check sum; the finished value is the running one complemented.
inline constexpr std::uint32_t kCrcStart = 0xFFFFFFFFu;

// One byte into the running value (also the key schedule of traditional encryption).
std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t byte) noexcept;

// Feeds `data` into the running value `crc` and returns the new running value.
std::uint32_t UpdateCrc32(std::uint32_t crc, std::span<const std::uint8_t> data) noexcept;

// The finished check sum of `data` (start value, update, complement).
std::uint32_t Crc32(std::span<const std::uint8_t> data) noexcept;

}  // namespace archive
