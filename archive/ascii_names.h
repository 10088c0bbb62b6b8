#pragma once
// Names of ASCII bytes, the common case in a directory, are checked and
// widened to UTF-16 unit for unit. Two roads give the same result: the plain
// byte-by-byte loop and, where the processor has SSE2, sixteen bytes a step.

#include <cstddef>
#include <cstdint>
#include <span>

namespace archive {

// True when every byte is below 0x80.
bool IsAsciiName(std::span<const std::uint8_t> bytes) noexcept;
// Writes bytes.size() code units to `units`, each byte's value as it stands.
void WidenAsciiName(std::span<const std::uint8_t> bytes, char16_t* units) noexcept;

// The roads one by one, so that each can be held against the plain one.
namespace ascii_roads {
bool PlainIsAscii(std::span<const std::uint8_t> bytes) noexcept;
void PlainWiden(std::span<const std::uint8_t> bytes, char16_t* units) noexcept;
// Fall back on the plain road where the processor has no SSE2.
bool WideIsAscii(std::span<const std::uint8_t> bytes) noexcept;
void WideWiden(std::span<const std::uint8_t> bytes, char16_t* units) noexcept;
}  // namespace ascii_roads

}  // namespace archive
