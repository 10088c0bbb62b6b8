#pragma once
// Small text helpers shared by every layer. Wide text is UTF-16 throughout.

#include <string>
#include <string_view>

namespace platform {

// Removes every leading and trailing character whose code is at most U+0020.
std::u16string Trim(std::u16string_view text);

// A double quote, the text with every double quote doubled, a double quote.
std::u16string QuoteString(std::u16string_view text);

// Lower-casing for comparisons: only the ASCII letters A to Z change.
std::u16string LowerAscii(std::u16string_view text);
std::string LowerAscii(std::string_view text);
char16_t LowerAscii(char16_t c);

// UTF-8 <-> UTF-16; malformed input becomes U+FFFD, lone surrogates likewise.
std::u16string Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::u16string_view text);

// Appends one code point as UTF-8; surrogates and values above U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// Decimal text of a number, for captions.
std::u16string ToWide(long long value);

}  // namespace platform
