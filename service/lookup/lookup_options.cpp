#include "service/lookup/lookup_options.h"

#include <stdexcept>

namespace lookup {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string LowerText(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Lower(c);
    return out;
}

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
    parts.scheme = LowerText(url.substr(0, schemeEnd));
    if (parts.scheme != "http" && parts.scheme != "https") return std::nullopt;
    const std::string_view rest = url.substr(schemeEnd + 3);
    const std::string authority = LowerText(rest.substr(0, rest.find_first_of("/?")));
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

std::optional<std::string> NormalizeCountry(std::string_view text) {
    if (text.size() != 2) return std::nullopt;
    std::string code = LowerText(text);
    for (char c : code) {
        if (c < 'a' || c > 'z') return std::nullopt;
    }
    return code;
}

std::string ResolveCountry(const LookupOptions& options) {
    if (!options.country.empty()) return options.country;
    if (std::optional<std::string> region = NormalizeCountry(SystemRegion())) return *region;
    return std::string(kFallbackCountry);
}

std::string_view LookupUsageText() {
    return "  --lookup-url URL  the store's lookup address (default https://itunes.apple.com/lookup;\n"
           "                    http only for a loopback host)\n"
           "  --no-lookup       look nothing up: pages list the identifiers with their store links only\n"
           "  --country CC      store country of the lookups (default: this computer's region, else us)\n";
}

bool TakeLookupOption(const std::vector<std::string>& arguments, std::size_t& i, LookupOptions& options) {
    const std::string& option = arguments[i];
    if (option == "--no-lookup") {
        options.enabled = false;
        return true;
    }
    if (option != "--lookup-url" && option != "--country") return false;
    if (i + 1 >= arguments.size()) throw std::invalid_argument("missing value: " + option);
    const std::string& value = arguments[++i];
    if (option == "--country") {
        const std::optional<std::string> country = NormalizeCountry(value);
        if (!country) throw std::invalid_argument("--country needs a two-letter country code: " + value);
        options.country = *country;
        return true;
    }
    const std::optional<UrlParts> parts = SplitUrl(value);
    if (!parts) throw std::invalid_argument("--lookup-url needs an http:// or https:// address: " + value);
    if (parts->scheme != "https" && !parts->loopback)
        throw std::invalid_argument("--lookup-url needs https unless the host is a loopback address: " + value);
    options.url = value;
    return true;
}

}  // namespace lookup
