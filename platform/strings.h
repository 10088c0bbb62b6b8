#pragma once
// Small text helpers shared by every layer. Wide text is UTF-16 throughout.

#include <cstddef>
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
// Utf8ToWide for text that arrives in pieces: appends the characters of the
// leading bytes whose decoding no later byte can change and returns how many
// bytes that was. A sequence cut by the piece's end waits for the next piece,
// unless `last`: then every byte is decoded, as Utf8ToWide does at the text's end.
std::size_t AppendUtf8AsWide(std::string_view bytes, bool last, std::u16string& out);
std::string WideToUtf8(std::u16string_view text);

// Appends one code point as UTF-8; surrogates and values above U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// Decimal text of a number, for captions.
std::u16string ToWide(long long value);

}  // namespace platform
