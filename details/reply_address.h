#pragma once
// Which replies of the catalogue service may be handed to the shell.

#include <string_view>

namespace details {

// The longest address the shell accepts (INTERNET_MAX_URL_LENGTH).
inline constexpr std::size_t kMaxShellAddressLength = 2083;

// True only for one absolute "http://" or "https://" address with a host, no
// control characters or blanks, and no longer than the shell accepts. The reply
// arrives over plain HTTP: anything else (a program, a UNC path, a document, a
// file: address) must never reach the shell's "OPEN" verb.
bool IsOpenableReplyAddress(std::u16string_view text);

}  // namespace details
