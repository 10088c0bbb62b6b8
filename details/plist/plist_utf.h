#pragma once
// UTF-8 output of the character encodings property lists hold.

#include <string>
#include <string_view>

#include "platform/strings.h"

namespace plist {

using platform::AppendUtf8;   // one code point; surrogates and values above U+10FFFF become U+FFFD
using platform::IsValidUtf8;  // well-formed UTF-8: no overlong forms, no surrogates

// Bytes 0x80-0xFF of an 8-bit string object taken as ISO 8859-1.
std::string Latin1ToUtf8(std::string_view bytes);

// UTF-16 big-endian code units (an even byte count); a lone surrogate becomes U+FFFD.
std::string Utf16BigEndianToUtf8(std::string_view bytes);

}  // namespace plist
