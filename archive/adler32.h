#pragma once
// Adler-32 (RFC 1950), the check of a zlib stream's trailer. The extraction
// reads a member's deflate data as a zlib stream and compares a trailer that
// follows them with this sum of the output, sixteen bytes a step where the
// processor has SSSE3, by zlib's routine otherwise.

#include <cstdint>
#include <span>

namespace archive {

inline constexpr std::uint32_t kAdlerStart = 1;

// Feeds `data` into the running sum `adler` and returns the new sum.
std::uint32_t UpdateAdler32(std::uint32_t adler, std::span<const std::uint8_t> data) noexcept;

// The plain byte-by-byte definition, for tests.
std::uint32_t PlainAdler32(std::uint32_t adler, std::span<const std::uint8_t> data) noexcept;

}  // namespace archive
