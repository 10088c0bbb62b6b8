#pragma once
// The one rule for reading a text file into lines: opened for reading, shared
// with other readers only; the byte-order mark chooses UTF-16 LE, UTF-16 BE or
// UTF-8, else the ANSI code page; lines end at CR LF, a lone CR or a lone LF; a
// NUL ends the text; a last line without break counts.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using TextLines = std::vector<std::u16string>;

// Decodes a whole file's bytes by the rule above.
TextLines DecodeTextLines(std::span<const std::uint8_t> bytes);

// Reads the file by the rule above; throws EFOpenError when it cannot be opened
// (also while another program holds it open for writing) and EReadError.
TextLines LoadTextLines(std::u16string_view path);

// Every line followed by CR LF, the last one included.
std::u16string WholeText(const TextLines& lines);

}  // namespace platform
