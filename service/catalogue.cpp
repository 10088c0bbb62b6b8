#include "service/catalogue.h"

#include <cstdint>
#include <cstdio>

#include "service/dataset.h"
#include "service/page.h"

namespace catalogue {

namespace {

constexpr std::size_t kMaxHostLength = 255;
constexpr std::size_t kTokenLength = 16;

bool IsHostNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

bool IsPort(std::string_view text) {
    if (text.empty() || text.size() > 5) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

httpd::Response PlainText(int status, std::string body) {
    return httpd::Response::WithBody(status, "text/plain; charset=utf-8", std::move(body));
}

}  // namespace

bool IsUsableHost(std::string_view host) {
    if (host.empty() || host.size() > kMaxHostLength) return false;
    std::string_view name = host;
    std::string_view port;
    if (host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos || close == 1) return false;
        for (char c : host.substr(1, close - 1)) {
            if (!IsHexDigit(c) && !(c >= 'A' && c <= 'F') && c != ':' && c != '.') return false;
        }
        const std::string_view rest = host.substr(close + 1);
        if (rest.empty()) return true;
        return rest.front() == ':' && IsPort(rest.substr(1));
    }
    const std::size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
        name = host.substr(0, colon);
        port = host.substr(colon + 1);
        if (!IsPort(port)) return false;
    }
    if (name.empty()) return false;
    for (char c : name) {
        if (!IsHostNameChar(c)) return false;
    }
    return true;
}

std::string PageToken(const Dataset& dataset) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a offset basis
    auto mix = [&hash](char c) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;  // FNV prime
    };
    for (const std::string& identifier : dataset.identifiers) {
        for (char c : identifier) mix(c);
        mix(',');
    }
    for (char c : "#" + std::to_string(dataset.dropped)) mix(c);
    char buffer[kTokenLength + 1];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(hash));
    return buffer;
}

Catalogue::Catalogue(CatalogueOptions options) : options_(std::move(options)) {
    while (!options_.pageBase.empty() && options_.pageBase.back() == '/') options_.pageBase.pop_back();
    if (options_.maxPages == 0) options_.maxPages = 1;
}

void Catalogue::SetFallbackAuthority(std::string authority) {
    std::lock_guard<std::mutex> lock(mutex_);
    options_.fallbackAuthority = std::move(authority);
}

std::size_t Catalogue::PageCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pages_.size();
}

httpd::Response Catalogue::Handle(const httpd::Request& request) {
    if (request.method != "GET" && request.method != "HEAD") {
        httpd::Response response = httpd::Response::Status(405);
        response.headers.push_back({"Allow", "GET, HEAD"});
        return response;
    }
    const std::string_view path = request.path;
    if (path == kSubmitPath) return Submit(request);
    if (path.size() == kPagePrefix.size() + kTokenLength + kPageSuffix.size() && path.starts_with(kPagePrefix) &&
        path.ends_with(kPageSuffix)) {
        return ServePage(path.substr(kPagePrefix.size(), kTokenLength));
    }
    return httpd::Response::Status(404);
}

httpd::Response Catalogue::Submit(const httpd::Request& request) {
    const std::optional<std::string> list = QueryParameter(request.query, "dataset");
    if (!list) return PlainText(400, "The query needs a dataset parameter: dataset=ID,ID,...\n");
    const Dataset dataset = ParseDataset(*list);
    const std::string token = PageToken(dataset);
    StorePage(token, RenderPage(dataset));
    return PlainText(200, PageBase(request) + std::string(kPagePrefix) + token + std::string(kPageSuffix));
}

httpd::Response Catalogue::ServePage(std::string_view token) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = pages_.find(token);
    if (it == pages_.end()) return httpd::Response::Status(404);
    return httpd::Response::WithBody(200, "text/html; charset=utf-8", it->second);
}

// The address goes back to the client, which hands it to its shell: only a
// host that is plainly a host name goes into it, never text the client made up.
std::string Catalogue::PageBase(const httpd::Request& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!options_.pageBase.empty()) return options_.pageBase;
    const std::string host = request.Host();
    return "http://" + (IsUsableHost(host) ? host : options_.fallbackAuthority);
}

void Catalogue::StorePage(const std::string& token, std::string html) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pages_.count(token) != 0) return;  // the same list: the same page
    pages_.emplace(token, std::move(html));
    order_.push_back(token);
    while (order_.size() > options_.maxPages) {
        pages_.erase(order_.front());
        order_.pop_front();
    }
}

}  // namespace catalogue
