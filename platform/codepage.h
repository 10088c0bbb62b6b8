#pragma once
// The system's 8-bit code pages. On Windows the real ANSI and OEM code pages;
// on POSIX the defaults of a Western installation: Windows-1252 and code page 437.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

std::u16string AnsiToWide(std::string_view text);
// For text that arrives in pieces: how many leading bytes AnsiToWide turns into
// the same characters whatever bytes follow them. Every byte in a single-byte
// code page; in one whose characters take several bytes, see AfterLastAsciiPair.
std::size_t AnsiWholeCharacters(std::string_view bytes);
// The end of the last two consecutive bytes below 0x80, or 0 when there are
// none. In the system's multi-byte code pages a byte below 0x80 never leads a
// longer character, so whatever character holds the first of the two ends with
// it, and the second stands alone: the characters end right after the pair.
std::size_t AfterLastAsciiPair(std::string_view bytes);
// Characters the ANSI code page cannot hold become "?".
std::string WideToAnsi(std::u16string_view text);
// Decodes text in the system's OEM code page, each byte to its own character
// (zero bytes included): no detour through the ANSI code page, which lacks
// most of the OEM page's upper half.
std::u16string OemToWide(std::string_view text);

}  // namespace platform
