#pragma once
// UTF-8 output of the character encodings property lists hold.

#include <cstdint>
#include <string>
#include <string_view>

namespace plist {

// Appends one code point; surrogates and values above U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// Bytes 0x80-0xFF of an 8-bit string object taken as ISO 8859-1.
std::string Latin1ToUtf8(std::string_view bytes);

// UTF-16 big-endian code units (an even byte count); a lone surrogate becomes U+FFFD.
std::string Utf16BigEndianToUtf8(std::string_view bytes);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

}  // namespace plist
