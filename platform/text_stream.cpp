#include "platform/text_stream.h"

#include <algorithm>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_stream.h"
#include "platform/strings.h"

namespace platform {
namespace {

// The longest byte-order mark: the encoding is chosen once this many bytes
// (or the whole file, when it is shorter) have come.
constexpr std::size_t kLongestMark = 3;

bool StartsWith(std::string_view bytes, std::string_view mark) {
    return bytes.size() >= mark.size() && bytes.substr(0, mark.size()) == mark;
}

// Decodes whole code units; an odd byte waits, and at the end is dropped.
std::size_t AppendUtf16(std::string_view bytes, bool bigEndian, std::u16string& chars) {
    const std::size_t whole = bytes.size() - bytes.size() % 2;
    for (std::size_t i = 0; i < whole; i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        const unsigned hi = bigEndian ? first : second;
        const unsigned lo = bigEndian ? second : first;
        chars += static_cast<char16_t>((hi << 8) | lo);
    }
    return whole;
}

}  // namespace

void WholeTextDecoder::Add(std::span<const std::uint8_t> bytes, std::u16string& text) {
    if (ended_) return;
    pending_.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    ChooseEncoding(false);
    if (encoding_ == Encoding::Undecided) return;
    std::u16string chars;
    pending_.erase(0, DecodePending(false, chars));
    AppendCharacters(chars, text);
}

void WholeTextDecoder::Finish(std::u16string& text) {
    if (ended_) return;
    ChooseEncoding(true);
    std::u16string chars;
    DecodePending(true, chars);
    pending_.clear();
    AppendCharacters(chars, text);
    EndText(text);
}

// The marks are tested in the whole-file reader's order: FF FE, FE FF, EF BB BF.
void WholeTextDecoder::ChooseEncoding(bool last) {
    if (encoding_ != Encoding::Undecided || (!last && pending_.size() < kLongestMark)) return;
    if (StartsWith(pending_, "\xFF\xFE")) {
        encoding_ = Encoding::Utf16Le;
        pending_.erase(0, 2);
    } else if (StartsWith(pending_, "\xFE\xFF")) {
        encoding_ = Encoding::Utf16Be;
        pending_.erase(0, 2);
    } else if (StartsWith(pending_, "\xEF\xBB\xBF")) {
        encoding_ = Encoding::Utf8;
        pending_.erase(0, 3);
    } else {
        encoding_ = Encoding::Ansi;
    }
}

// Appends the characters of the pending bytes that no later byte can change
// (all of them when `last`) and returns how many bytes they took.
std::size_t WholeTextDecoder::DecodePending(bool last, std::u16string& chars) const {
    switch (encoding_) {
    case Encoding::Utf16Le:
        return AppendUtf16(pending_, false, chars);
    case Encoding::Utf16Be:
        return AppendUtf16(pending_, true, chars);
    case Encoding::Utf8:
        return AppendUtf8AsWide(pending_, last, chars);
    case Encoding::Ansi: {
        const std::size_t whole = last ? pending_.size() : AnsiWholeCharacters(pending_);
        chars += AnsiToWide(std::string_view(pending_).substr(0, whole));
        return whole;
    }
    case Encoding::Undecided:
        break;
    }
    return 0;
}

// The lines joined as the whole text joins them: every break (CR LF, lone CR,
// lone LF) becomes CR LF, and a NUL ends the text.
void WholeTextDecoder::AppendCharacters(std::u16string_view chars, std::u16string& text) {
    const auto ordinary = [](char16_t c) { return c > u'\r' || (c != u'\0' && c != u'\r' && c != u'\n'); };
    for (std::size_t i = 0; i < chars.size();) {
        // The characters between breaks go over in one piece.
        const std::size_t run = i;
        while (i < chars.size() && ordinary(chars[i])) ++i;
        if (i > run) {
            text.append(chars.substr(run, i - run));
            lineOpen_ = true;
            afterCr_ = false;
            if (i == chars.size()) return;
        }
        const char16_t c = chars[i++];
        if (c == u'\0') {
            EndText(text);
            return;
        }
        if (c == u'\n' && afterCr_) {
            afterCr_ = false;
            continue;
        }
        afterCr_ = c == u'\r';
        text += u"\r\n";
        lineOpen_ = false;
    }
}

// A last line without break still counts: it gets its CR LF.
void WholeTextDecoder::EndText(std::u16string& text) {
    if (lineOpen_) text += u"\r\n";
    lineOpen_ = false;
    ended_ = true;
}

void ReadWholeText(std::u16string_view path, std::size_t pieceSize, const WholeTextConsumer& consume) {
    FileStream file(path, kFmOpenRead | kFmShareDenyWrite);
    // The whole-file reader reads the size the file had when opened, and fails
    // when fewer bytes arrive: so does this one, as far as it reads.
    std::int64_t left = file.Size();
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(pieceSize, 1));
    WholeTextDecoder decoder;
    std::u16string text;
    while (!decoder.Ended()) {
        text.clear();
        if (left == 0) {
            decoder.Finish(text);
        } else {
            const auto count = static_cast<std::size_t>(std::min<std::int64_t>(left, std::ssize(bytes)));
            file.ReadBuffer(bytes.data(), count);
            left -= static_cast<std::int64_t>(count);
            decoder.Add(std::span(bytes.data(), count), text);
        }
        if (!text.empty() && !consume(text)) return;
    }
}

}  // namespace platform
