#pragma once
// The system's 8-bit code pages. On Windows the real ANSI and OEM code pages;
// on POSIX the defaults of a Western installation: Windows-1252 and code page 437.

#include <string>
#include <string_view>

namespace platform {

std::u16string AnsiToWide(std::string_view text);
// Characters the ANSI code page cannot hold become "?".
std::string WideToAnsi(std::u16string_view text);
// Re-encodes OEM bytes as ANSI bytes (OemToCharBuffA): unmappable bytes become "?"
// or their nearest ANSI look-alike, as the system decides.
std::string ConvertOemToAnsi(std::string_view text);

}  // namespace platform
