#pragma once
// The parts of an http(s) address that the service takes from its options and
// from the store's answers: checked strictly, since either may end up in a page.

#include <optional>
#include <string>
#include <string_view>

namespace httpd {

struct UrlParts {
    std::string scheme;  // "http" or "https"
    std::string host;    // lower case; IPv6 in brackets
    std::string origin;  // "scheme://authority"
    bool loopback = false;
};

// nullopt unless `url` is http(s)://host[:port][/path...] in plain printable
// ASCII without user name, quote, blank, backslash or fragment.
std::optional<UrlParts> SplitUrl(std::string_view url);

// Whether `host` is "localhost", an address in 127.0.0.0/8 or [::1].
bool IsLoopbackHost(std::string_view host);

}  // namespace httpd
