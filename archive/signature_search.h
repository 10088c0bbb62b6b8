#pragma once
// Finds a record signature (four bytes) in a piece of an archive, as the
// recovery road scans whole files for local headers. Roads of different widths
// give the same answer: the plain byte search, and on x86 sixteen (SSE2),
// sixty-four (AVX2) or one hundred and twenty-eight (AVX-512BW) start
// positions a step, the widest the processor has.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace archive {

using Signature = std::array<std::uint8_t, 4>;

inline constexpr std::size_t kSignatureNotFound = static_cast<std::size_t>(-1);

// The signature's bytes as they lie in the file (little-endian).
constexpr Signature SignatureBytes(std::uint32_t signature) {
    return {static_cast<std::uint8_t>(signature), static_cast<std::uint8_t>(signature >> 8),
            static_cast<std::uint8_t>(signature >> 16), static_cast<std::uint8_t>(signature >> 24)};
}

// The first index at or after `from` where the whole signature lies in
// `bytes`, or kSignatureNotFound.
std::size_t FindSignature(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept;

// The roads one by one, so that each can be held against the plain one. A
// road the processor lacks (or the build does not have) is the plain road.
namespace signature_roads {
std::size_t Plain(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept;
std::size_t Sse2(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept;
std::size_t Avx2(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept;
std::size_t Avx512(std::span<const std::uint8_t> bytes, std::size_t from, const Signature& signature) noexcept;
}  // namespace signature_roads

}  // namespace archive
