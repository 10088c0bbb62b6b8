#pragma once
// Reading one value out of the lines of an XML property list, as the converter
// writes them: every key element on a line of its own, its value on the next.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/exception.h"
#include "platform/text_file.h"

namespace details {

// A line index past the end of a list of lines:
// "Listenindex überschreitet das Maximum (%d)".
class EStringListError : public platform::Exception {
public:
    explicit EStringListError(std::size_t index);
};

// The text with every tag from `open` to the next `close` removed. An `open`
// without a later `close` stays, with all after it; a `close` without an
// `open` stays; of two `open`s before one `close`, the tag starts at the second
// ("a<b<c>d" gives "a<bd"). Character references are not decoded.
std::u16string StripTags(std::u16string_view text, char16_t open, char16_t close);

// The value of `key`: at the first line holding "<key>" + key + "</key>" (letters
// A-Z compared case-blind, nothing else), the next line with its tags stripped
// and trimmed. Empty when no line holds the key. Throws EStringListError when
// the key stands on the last line.
std::u16string FindPlistValue(std::u16string_view key, const platform::TextLines& lines);

// The same lookup over the lines of a whole text (split by the text-file rule),
// without a list of them: memory stays that of the text, however many lines.
std::u16string FindPlistValueInText(std::u16string_view key, std::u16string_view text);

}  // namespace details
