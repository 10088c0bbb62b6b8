#include "platform/text_file.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/file_stream.h"
#include "platform/strings.h"

namespace platform {
namespace {

std::u16string DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned hi = bigEndian ? bytes[i] : bytes[i + 1];
        const unsigned lo = bigEndian ? bytes[i + 1] : bytes[i];
        text += static_cast<char16_t>((hi << 8) | lo);
    }
    return text;
}

std::u16string DecodeBytes(std::span<const std::uint8_t> bytes) {
    const auto startsWith = [&](std::initializer_list<std::uint8_t> mark) {
        return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
    };
    if (startsWith({0xFF, 0xFE})) return DecodeUtf16(bytes.subspan(2), false);
    if (startsWith({0xFE, 0xFF})) return DecodeUtf16(bytes.subspan(2), true);
    const auto chars = [](std::span<const std::uint8_t> b) {
        return std::string_view(reinterpret_cast<const char*>(b.data()), b.size());
    };
    if (startsWith({0xEF, 0xBB, 0xBF})) return Utf8ToWide(chars(bytes.subspan(3)));
    return AnsiToWide(chars(bytes));
}

}  // namespace

std::u16string DecodeText(std::span<const std::uint8_t> bytes) {
    std::u16string text = DecodeBytes(bytes);
    if (const auto nul = text.find(u'\0'); nul != std::u16string::npos) text.resize(nul);
    return text;
}

std::optional<std::u16string_view> LineReader::Next() {
    if (position_ >= text_.size()) return std::nullopt;
    const std::size_t start = position_;
    const std::size_t end = std::min(text_.find_first_of(u"\r\n", start), text_.size());
    position_ = end + 1;
    if (end + 1 < text_.size() && text_[end] == u'\r' && text_[end + 1] == u'\n') ++position_;
    return text_.substr(start, end - start);
}

TextLines SplitLines(std::u16string_view text) {
    TextLines lines;
    LineReader reader(text);
    while (const auto line = reader.Next()) lines.emplace_back(*line);
    return lines;
}

TextLines DecodeTextLines(std::span<const std::uint8_t> bytes) { return SplitLines(DecodeText(bytes)); }

std::u16string LoadText(std::u16string_view path, std::int64_t maxBytes) {
    FileStream file(path, kFmOpenRead | kFmShareDenyWrite);
    const std::int64_t size = file.Size();
    if (size > maxBytes) throw ESizeLimitError(maxBytes);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.ReadBuffer(bytes.data(), bytes.size());
    return DecodeText(bytes);
}

TextLines LoadTextLines(std::u16string_view path) { return SplitLines(LoadText(path)); }

std::u16string WholeText(const TextLines& lines) {
    std::u16string text;
    for (const auto& line : lines) {
        text += line;
        text += u"\r\n";
    }
    return text;
}

}  // namespace platform
