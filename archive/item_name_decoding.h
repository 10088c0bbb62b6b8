#pragma once
// Member names from their stored bytes: the optional OEM-to-ANSI step, then
// ASCII as is, well-formed UTF-8 as UTF-8, anything else as ANSI.

#include <cstdint>
#include <span>
#include <string>

namespace archive {

// The system's OEM-to-ANSI conversion over the bytes up to the first zero byte
// (as over a zero-terminated buffer); bytes from the zero on are kept.
std::string OemNameToAnsi(std::span<const std::uint8_t> bytes);

// Every multi-byte sequence is well-formed UTF-8: lead C2-DF with one
// continuation byte, E0 A0-BF, E1-EF, F0 90-BF, F1-F3, F4 80-8F with theirs.
bool IsWellFormedUtf8(std::span<const std::uint8_t> bytes);

// The name of a central directory item. `oemToAnsi`: ZIP end record found,
// OEM file names on and the UTF-8 flag (bit 11) clear.
std::u16string DecodeItemName(std::span<const std::uint8_t> bytes, bool oemToAnsi);

}  // namespace archive
