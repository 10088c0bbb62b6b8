#include "app/url_decode.h"

#include "platform/codepage.h"
#include "platform/strings.h"

namespace app {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The runtime's two German messages. The first one is a format string whose
// "%%" renders as "%", so the text the user reads shows "(%XX)".
[[noreturn]] void ThrowTruncatedEscape(std::size_t position) {
    throw EUrlDecodeError(u"Fehler beim Decodieren eines im URL-Stil (%XX) codierten Strings bei Position " +
                          platform::ToWide(static_cast<long long>(position)));
}

[[noreturn]] void ThrowInvalidEscape(std::string_view escape, std::size_t position) {
    // The offending bytes are shown as the system's ANSI code page reads them.
    throw EUrlDecodeError(u"Ung\u00fcltiger URL-codiertes Zeichen (" + platform::AnsiToWide(escape) +
                          u") bei Position " + platform::ToWide(static_cast<long long>(position)));
}

}  // namespace

std::string UrlDecode(std::string_view text) {
    // Everything after a NUL byte is not part of the input.
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);

    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            decoded += ' ';
        } else if (c != '%') {
            decoded += c;
        } else if (i + 1 < text.size() && text[i + 1] == '%') {
            decoded += '%';
            ++i;
        } else if (i + 2 >= text.size()) {
            ThrowTruncatedEscape(i + 1);
        } else {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0) ThrowInvalidEscape(text.substr(i, 3), i + 1);
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        }
    }
    return decoded;
}

}  // namespace app
