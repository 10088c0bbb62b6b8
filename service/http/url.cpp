#include "service/http/url.h"

#include "service/http/text.h"

namespace httpd {

namespace {

bool IsUrlCharacter(char c) {
    return c > 0x20 && c < 0x7F && c != '"' && c != '\'' && c != '<' && c != '>' && c != '\\' && c != '`' && c != '{' &&
           c != '}' && c != '|' && c != '^' && c != '#' && c != '@';
}

bool IsHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '[' || c == ']' || c == ':';
}

bool IsPort(std::string_view text) {
    if (text.empty() || text.size() > 5) return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value >= 1 && value <= 65535;
}

}  // namespace

bool IsLoopbackHost(std::string_view host) {
    if (host == "localhost" || host == "[::1]") return true;
    if (!host.starts_with("127.")) return false;
    int dots = 0;
    for (char c : host) {
        if (c == '.') {
            ++dots;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return dots == 3;
}

std::optional<UrlParts> SplitUrl(std::string_view url) {
    for (char c : url) {
        if (!IsUrlCharacter(c)) return std::nullopt;
    }
    UrlParts parts;
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos) return std::nullopt;
    parts.scheme = AsciiLower(url.substr(0, schemeEnd));
    if (parts.scheme != "http" && parts.scheme != "https") return std::nullopt;
    const std::string_view rest = url.substr(schemeEnd + 3);
    const std::string authority = AsciiLower(rest.substr(0, rest.find_first_of("/?")));
    const std::size_t bracket = authority.rfind(']');
    const std::size_t colon = authority.find(':', bracket == std::string::npos ? 0 : bracket);
    parts.host = authority.substr(0, colon);
    if (parts.host.empty() || (colon != std::string::npos && !IsPort(std::string_view(authority).substr(colon + 1))))
        return std::nullopt;
    for (char c : parts.host) {
        if (!IsHostCharacter(c)) return std::nullopt;
    }
    if (parts.host.find(':') != std::string::npos && (parts.host.front() != '[' || parts.host.back() != ']'))
        return std::nullopt;
    parts.origin = parts.scheme + "://" + authority;
    parts.loopback = IsLoopbackHost(parts.host);
    return parts;
}

}  // namespace httpd
