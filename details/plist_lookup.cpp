#include "details/plist_lookup.h"

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

std::u16string FindPlistValue(std::u16string_view key, const platform::TextLines& lines) {
    const std::u16string pattern = u"<key>" + platform::LowerAscii(key) + u"</key>";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (platform::LowerAscii(lines[i]).find(pattern) == std::u16string::npos) continue;
        if (i + 1 >= lines.size()) throw EStringListError(i + 1);
        return platform::Trim(StripTags(lines[i + 1], u'<', u'>'));
    }
    return {};
}

}  // namespace details
