#pragma once
// A text file's whole text (its lines, each followed by CR LF; text_file.h),
// read piece by piece, for readers that stop as soon as they know their answer.
// The characters are exactly those of WholeText(LoadTextLines(path)), wherever
// the pieces are cut: through a byte-order mark, a multi-byte sequence, a
// surrogate pair or a CR LF pair.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// Turns a file's bytes, handed over in order in pieces of any size, into the
// file's whole text. Bytes that do not yet fix their characters (the first
// bytes before the mark is known, a cut sequence, an odd byte of UTF-16, a CR
// whose LF may follow) wait for the next piece or for Finish.
class WholeTextDecoder {
public:
    // Appends to `text` the characters of the whole text that the bytes so far fix.
    void Add(std::span<const std::uint8_t> bytes, std::u16string& text);
    // The file has ended: appends the remaining characters.
    void Finish(std::u16string& text);
    // True once the text has ended (a NUL, or Finish): later bytes add nothing.
    bool Ended() const { return ended_; }

private:
    enum class Encoding { Undecided, Utf16Le, Utf16Be, Utf8, Ansi };

    void ChooseEncoding(bool last);
    std::size_t DecodePending(bool last, std::u16string& chars) const;
    void AppendCharacters(std::u16string_view chars, std::u16string& text);
    void EndText(std::u16string& text);

    Encoding encoding_ = Encoding::Undecided;
    std::string pending_;  // bytes not decoded yet
    bool ended_ = false;
    bool afterCr_ = false;   // the last character was a CR: an LF right after it belongs to its break
    bool lineOpen_ = false;  // characters stand after the last line break
};

// Called with each piece of the whole text in order; returns false to stop reading.
using WholeTextConsumer = std::function<bool(std::u16string_view piece)>;

// Reads the file by the one text-file rule (see LoadTextLines), `pieceSize`
// bytes at a time, and hands the whole text to `consume` until it returns false
// or the text ends. Throws EFOpenError exactly as LoadTextLines does, and
// EReadError when the file ends before the size it had when opened.
void ReadWholeText(std::u16string_view path, std::size_t pieceSize, const WholeTextConsumer& consume);

}  // namespace platform
