#pragma once
// The catalogue service's answers: "/input/submit.php?dataset=ID,..." stores a
// page listing the identifiers and answers with that page's absolute address;
// "/apps/<token>.html" serves a stored page. Whatever host an absolute-form
// target names is answered as if this were that host, so the service can also
// stand as an HTTP proxy for its clients.

#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "service/dataset.h"
#include "service/http/http_message.h"

namespace catalogue {

inline constexpr std::string_view kSubmitPath = "/input/submit.php";
inline constexpr std::string_view kPagePrefix = "/apps/";
inline constexpr std::string_view kPageSuffix = ".html";

struct CatalogueOptions {
    // Scheme and authority of page addresses ("http://127.0.0.1:8080"); empty:
    // "http://" and the host the request named.
    std::string pageBase;
    // Authority used when the request names no usable host ("127.0.0.1:80").
    std::string fallbackAuthority = "127.0.0.1";
    // Pages kept; the oldest is forgotten beyond this.
    std::size_t maxPages = 1000;
};

// Whether a Host header or target authority may go into an address: a name or
// IPv4 address of letters, digits, ".", "-", "_", or a bracketed IPv6 address,
// with an optional ":port".
bool IsUsableHost(std::string_view host);

// The page name of a submission: 16 hex digits of the 64-bit FNV-1a hash of its
// identifiers and dropped count, so the same list always gets the same address.
std::string PageToken(const Dataset& dataset);

class Catalogue {
public:
    explicit Catalogue(CatalogueOptions options);

    // Answers one request. Safe to call from several threads at once.
    httpd::Response Handle(const httpd::Request& request);

    // Replaces the fallback authority (once the listening port is known).
    void SetFallbackAuthority(std::string authority);

    std::size_t PageCount();

private:
    httpd::Response Submit(const httpd::Request& request);
    httpd::Response ServePage(std::string_view token);
    std::string PageBase(const httpd::Request& request);
    void StorePage(const std::string& token, std::string html);

    CatalogueOptions options_;
    std::mutex mutex_;
    std::map<std::string, std::string, std::less<>> pages_;  // token -> HTML
    std::deque<std::string> order_;                          // tokens, oldest first
};

}  // namespace catalogue
