#include "details/reply_address.h"

#include "platform/strings.h"

namespace details {
namespace {

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && platform::LowerAscii(text.substr(0, prefix.size())) == prefix;
}

// Space and below, DEL, and the C1 controls.
bool IsControlOrBlank(char16_t c) { return c <= u' ' || (c >= 0x7F && c <= 0x9F); }

}  // namespace

bool IsOpenableReplyAddress(std::u16string_view text) {
    if (text.empty() || text.size() > kMaxShellAddressLength) return false;
    for (char16_t c : text) {
        if (IsControlOrBlank(c)) return false;
    }
    std::u16string_view rest;
    if (StartsWithNoCase(text, u"http://"))
        rest = text.substr(7);
    else if (StartsWithNoCase(text, u"https://"))
        rest = text.substr(8);
    else
        return false;
    // The authority: up to the first "/", "?" or "#"; it must name a host.
    const std::size_t end = rest.find_first_of(u"/?#");
    const std::u16string_view authority = rest.substr(0, end);
    const std::size_t at = authority.rfind(u'@');
    const std::u16string_view host = at == std::u16string_view::npos ? authority : authority.substr(at + 1);
    return !host.empty() && host[0] != u':' && host.find(u'\\') == std::u16string_view::npos;
}

}  // namespace details
