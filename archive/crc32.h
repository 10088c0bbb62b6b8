#pragma once
// The APPNOTE check sum of member data: the reflected CRC-32 with polynomial
// 0xEDB88320 (ISO 3309, ITU-T V.42), start value 0xFFFFFFFF, final value
// complemented. Three roads give the same result: the plain byte-by-byte loop
// through one 256-entry table, sixteen bytes a step through sixteen tables,
// and, on processors with carry-less multiplication, folding 64 bytes a step.

#include <cstddef>
#include <cstdint>
#include <span>

namespace archive {

// Start value of a running check sum; the finished value is the running one complemented.
inline constexpr std::uint32_t kCrcStart = 0xFFFFFFFFu;

// One byte into the running value (also the key schedule of traditional encryption).
std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t byte) noexcept;

// Feeds `data` into the running value `crc` and returns the new running value,
// by the fastest road the processor offers.
std::uint32_t UpdateCrc32(std::uint32_t crc, std::span<const std::uint8_t> data) noexcept;

// The finished check sum of `data` (start value, update, complement).
std::uint32_t Crc32(std::span<const std::uint8_t> data) noexcept;

// The roads one by one, so that each can be held against the plain one.
namespace crc32_roads {
std::uint32_t Plain(std::uint32_t crc, std::span<const std::uint8_t> data) noexcept;
std::uint32_t Sliced(std::uint32_t crc, std::span<const std::uint8_t> data) noexcept;
// Whether this processor has the carry-less multiplication Folded needs.
bool HasFolding() noexcept;
// Falls back on Sliced where HasFolding is false.
std::uint32_t Folded(std::uint32_t crc, std::span<const std::uint8_t> data) noexcept;
}  // namespace crc32_roads

}  // namespace archive
