#include "details/plist_lookup.h"

#include <optional>

#include "platform/strings.h"

namespace details {

EStringListError::EStringListError(std::size_t index)
        : platform::Exception(u"Listenindex \u00fcberschreitet das Maximum (" +
                              platform::ToWide(static_cast<long long>(index)) + u")") {}

std::u16string StripTags(std::u16string_view text, char16_t open, char16_t close) {
    constexpr auto npos = std::u16string_view::npos;
    std::u16string result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t tagStart = text.find(open, pos);
        if (tagStart == npos) {
            result += text.substr(pos);
            break;
        }
        const std::size_t tagEnd = text.find(close, tagStart + 1);
        if (tagEnd == npos) {
            result += text.substr(pos);  // an unclosed tag stays as text
            break;
        }
        // A second open before the close starts the tag; the first stays as text.
        const std::size_t nextOpen = text.find(open, tagStart + 1);
        const std::size_t cut = (nextOpen != npos && nextOpen < tagEnd) ? nextOpen : tagStart;
        result += text.substr(pos, cut - pos);
        pos = tagEnd + 1;
    }
    return result;
}

namespace {

// The lookup over lines handed out one at a time by `nextLine` (an optional
// view; empty after the last line), so that a whole text needs no line list.
template <typename NextLine>
std::u16string FindValueInLines(std::u16string_view key, NextLine nextLine) {
    const std::u16string pattern = u"<key>" + platform::LowerAscii(key) + u"</key>";
    for (std::size_t index = 0;; ++index) {
        const std::optional<std::u16string_view> line = nextLine();
        if (!line) return {};
        if (platform::LowerAscii(*line).find(pattern) == std::u16string::npos) continue;
        const std::optional<std::u16string_view> value = nextLine();
        if (!value) throw EStringListError(index + 1);
        return platform::Trim(StripTags(*value, u'<', u'>'));
    }
}

}  // namespace

std::u16string FindPlistValue(std::u16string_view key, const platform::TextLines& lines) {
    std::size_t next = 0;
    return FindValueInLines(key, [&]() -> std::optional<std::u16string_view> {
        if (next == lines.size()) return std::nullopt;
        return lines[next++];
    });
}

std::u16string FindPlistValueInText(std::u16string_view key, std::u16string_view text) {
    platform::LineReader reader(text);
    return FindValueInLines(key, [&reader] { return reader.Next(); });
}

}  // namespace details
