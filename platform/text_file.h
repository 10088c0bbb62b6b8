#pragma once
// The one rule for reading a text file into lines: opened for reading, shared
// with other readers only; the byte-order mark chooses UTF-16 LE, UTF-16 BE or
// UTF-8, else the ANSI code page; lines end at CR LF, a lone CR or a lone LF; a
// NUL ends the text; a last line without break counts.

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using TextLines = std::vector<std::u16string>;

// Decodes a whole file's bytes by the rule above into one text, cut at the first NUL.
std::u16string DecodeText(std::span<const std::uint8_t> bytes);

// The lines of a text by the rule above, one at a time, as views into the text
// (which must outlive them). Needs no memory of its own, however many lines.
class LineReader {
public:
    explicit LineReader(std::u16string_view text) : text_(text) {}
    // The next line without its break; nothing after the last line.
    std::optional<std::u16string_view> Next();

private:
    std::u16string_view text_;
    std::size_t position_ = 0;
};

// Decodes a whole file's bytes by the rule above.
TextLines DecodeTextLines(std::span<const std::uint8_t> bytes);

// Reads the file's text by the rule above; throws EFOpenError when it cannot be
// opened (also while another program holds it open for writing), EReadError,
// and ESizeLimitError, before reading anything, when it holds more than
// `maxBytes` bytes.
std::u16string LoadText(std::u16string_view path, std::int64_t maxBytes = std::numeric_limits<std::int64_t>::max());

// A text split into lines by the rule above.
TextLines SplitLines(std::u16string_view text);

// LoadText split into lines.
TextLines LoadTextLines(std::u16string_view path);

// Every line followed by CR LF, the last one included.
std::u16string WholeText(const TextLines& lines);

}  // namespace platform
