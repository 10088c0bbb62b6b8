#include "platform/text_file.h"

#include "platform/codepage.h"
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

TextLines DecodeTextLines(std::span<const std::uint8_t> bytes) {
    std::u16string text = DecodeBytes(bytes);
    if (const auto nul = text.find(u'\0'); nul != std::u16string::npos) text.resize(nul);

    TextLines lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') continue;
        lines.emplace_back(text, start, i - start);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text, start);
    return lines;
}

TextLines LoadTextLines(std::u16string_view path) {
    FileStream file(path, kFmOpenRead | kFmShareDenyWrite);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
    file.ReadBuffer(bytes.data(), bytes.size());
    return DecodeTextLines(bytes);
}

std::u16string WholeText(const TextLines& lines) {
    std::u16string text;
    for (const auto& line : lines) {
        text += line;
        text += u"\r\n";
    }
    return text;
}

}  // namespace platform
