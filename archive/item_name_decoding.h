#pragma once
// Member names from their stored bytes: ASCII as is, well-formed UTF-8 as
// UTF-8, anything else from the OEM code page (or the ANSI one where the name
// is not taken as OEM).

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace archive {

// Every multi-byte sequence is well-formed UTF-8: lead C2-DF with one
// continuation byte, E0 A0-BF, E1-EF, F0 90-BF, F1-F3, F4 80-8F with theirs.
bool IsWellFormedUtf8(std::span<const std::uint8_t> bytes);

// The name of an item from its stored bytes (all of them, zero bytes too).
// UTF-8 is recognised on the bytes as stored; only a name that is not UTF-8 is
// decoded from the OEM code page when `oemNames` (ZIP end record found, OEM
// file names on and the UTF-8 flag, bit 11, clear), else from the ANSI one.
std::u16string DecodeItemName(std::span<const std::uint8_t> bytes, bool oemNames);

// The name of a Unicode Path block (0x7075: version 1, the CRC-32 of the
// stored name bytes, the name in UTF-8), or nothing when the block's version
// is not 1, its CRC-32 is not that of `storedName`, or its name is empty or
// not well-formed UTF-8.
std::optional<std::u16string> UnicodePathName(std::span<const std::uint8_t> block,
                                              std::span<const std::uint8_t> storedName);

}  // namespace archive
