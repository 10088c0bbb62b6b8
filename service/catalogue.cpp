#include "service/catalogue.h"

#include "service/http/text.h"
#include "service/details_page.h"
#include "service/local_time.h"
#include "service/page.h"
#include "service/page_language.h"

namespace catalogue {

namespace {

// The policy of the page without lookups, as its own <meta> element states it.
constexpr std::string_view kListPagePolicy = "default-src 'none'; style-src 'unsafe-inline'";

// Names that always mean this machine's loopback, whatever the bind addresses.
const char* const kLoopbackNames[] = {"localhost", "127.0.0.1", "[::1]"};

httpd::Response PlainText(int status, std::string body) {
    return httpd::Response::WithBody(status, "text/plain; charset=utf-8", std::move(body));
}

// "80" or the listening port, as the text after the colon of an authority.
bool IsOwnPort(std::string_view text, std::uint16_t port) { return text == "80" || text == std::to_string(port); }

std::vector<std::string> OwnNames(const CatalogueOptions& options) {
    std::vector<std::string> names(std::begin(kLoopbackNames), std::end(kLoopbackNames));
    names.emplace_back(OwnName());
    for (const std::string& address : options.bindAddresses) {
        names.push_back(httpd::UrlHost(address));
    }
    return names;
}

std::size_t HostHeaderCount(const httpd::Request& request) {
    std::size_t count = 0;
    for (const httpd::Header& header : request.headers) {
        if (httpd::EqualsNoCase(header.name, "Host")) ++count;
    }
    return count;
}

bool IsTokenText(std::string_view text) {
    if (text.size() != kTokenLength) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

// Every page: kept by no cache (it lives an hour, at an address that is its
// only secret), and shown in no frame, which only a header can forbid.
void AddPageHeaders(httpd::Response& response, std::string_view policy) {
    response.headers.push_back({"Cache-Control", "no-store"});
    response.headers.push_back({"Content-Security-Policy", std::string(policy) + "; frame-ancestors 'none'"});
}

}  // namespace

std::string_view OwnName() { return VANTREL_SERVICE_HOST; }

bool IsOwnHost(std::string_view host, const std::vector<std::string>& names, std::uint16_t port) {
    // The port follows the last colon after the name; an IPv6 address has
    // colons of its own inside its brackets.
    const std::size_t bracket = host.rfind(']');
    const std::size_t colon = host.find(':', bracket == std::string_view::npos ? 0 : bracket);
    const std::string_view name = host.substr(0, colon);
    if (colon != std::string_view::npos && !IsOwnPort(host.substr(colon + 1), port)) return false;
    for (const std::string& own : names) {
        if (httpd::EqualsNoCase(name, own)) return true;
    }
    return false;
}

bool IsCrossSite(const httpd::Request& request, const std::vector<std::string>& names, std::uint16_t port) {
    if (const std::string* site = request.FindHeader("Sec-Fetch-Site")) {
        if (!httpd::EqualsNoCase(*site, "same-origin") && !httpd::EqualsNoCase(*site, "none")) return true;
    }
    if (const std::string* origin = request.FindHeader("Origin")) {
        constexpr std::string_view kScheme = "http://";
        const std::string_view text = *origin;
        if (text.size() <= kScheme.size() || !httpd::EqualsNoCase(text.substr(0, kScheme.size()), kScheme)) return true;
        if (!IsOwnHost(text.substr(kScheme.size()), names, port)) return true;
    }
    return false;
}

std::string PageKey(const Dataset& dataset) {
    std::string key;
    for (const std::string& identifier : dataset.identifiers) key += identifier + ",";
    return key + "#" + std::to_string(dataset.dropped) + "#" + std::to_string(dataset.overLimit);
}

Catalogue::Catalogue(CatalogueOptions options, PageStore::Now now)
        : options_(std::move(options)), names_(OwnNames(options_)), store_(options_.store, std::move(now)) {
    while (!options_.pageBase.empty() && options_.pageBase.back() == '/') options_.pageBase.pop_back();
}

void Catalogue::SetPort(std::uint16_t port) {
    std::lock_guard<std::mutex> lock(mutex_);
    options_.port = port;
}

PageStore::Clock::time_point Catalogue::DropExpiredPages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return store_.DropExpired();
}

std::optional<int> RefreshSeconds(const lookup::LookupView& view) {
    if (view.held != 0 && view.holdLeft > lookup::Clock::duration::zero()) {
        const auto left = std::chrono::ceil<std::chrono::seconds>(view.holdLeft).count();
        return static_cast<int>(std::max<long long>(left, kRefreshSeconds));
    }
    if (view.loading != 0) return kRefreshSeconds;
    return std::nullopt;
}

std::size_t Catalogue::PageCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return store_.Count();
}

std::size_t Catalogue::StoredBytes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return store_.Bytes();
}

httpd::Response Catalogue::Handle(const httpd::Request& request) {
    std::uint16_t port = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        port = options_.port;
    }
    // A request without any host (HTTP/1.0 may leave it out) cannot come from a browser.
    const std::string host = request.Host();
    if (!options_.anyHost && !host.empty() && !IsOwnHost(host, names_, port)) {
        return PlainText(421, "This service answers only for its own names, such as localhost.\n");
    }
    if (HostHeaderCount(request) > 1) return httpd::Response::Status(400);  // which one would a proxy have read?
    if (request.method != "GET" && request.method != "HEAD") {
        httpd::Response response = httpd::Response::Status(405);
        response.headers.push_back({"Allow", "GET, HEAD"});
        return response;
    }
    const std::string_view path = request.path;
    if (path == kSubmitPath) {
        if (IsCrossSite(request, names_, port)) {
            return PlainText(403, "Submissions from other sites are not taken.\n");
        }
        return Submit(request);
    }
    if (path.size() == kPagePrefix.size() + kTokenLength + kPageSuffix.size() && path.starts_with(kPagePrefix) &&
        path.ends_with(kPageSuffix)) {
        return ServePage(path.substr(kPagePrefix.size(), kTokenLength), request);
    }
    return httpd::Response::Status(404);
}

httpd::Response Catalogue::Submit(const httpd::Request& request) {
    const std::optional<std::string> list = QueryParameter(request.query, "dataset");
    if (!list) return PlainText(400, "The query needs a dataset parameter: dataset=ID,ID,...\n");
    auto dataset = std::make_shared<const Dataset>(ParseDataset(*list));
    httpd::Response response;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // With lookups the page is made at each view; without, in the language
        // a view asks for. The list is kept for it.
        const bool lookups = options_.lookups != nullptr;
        const std::string token = store_.Put(
            PageKey(*dataset), [&dataset, lookups] { return lookups ? std::string() : RenderPage(*dataset); }, dataset);
        response = PlainText(200, PageBase() + std::string(kPagePrefix) + token + std::string(kPageSuffix));
        // The list the store keeps (a page submitted again keeps its first one):
        // the queue's entries for it live as long as the page does.
        if (lookups) {
            const std::optional<PageStore::StoredPage> stored = store_.FindPage(token);
            dataset = stored ? stored->dataset : nullptr;
        }
    }
    // Only queued here: the calls to the store run on the lookup service's threads.
    if (options_.lookups && dataset) options_.lookups->Request(options_.country, dataset->identifiers, dataset);
    return response;
}

httpd::Response Catalogue::ServePage(std::string_view token, const httpd::Request& request) {
    if (!IsTokenText(token)) return httpd::Response::Status(404);
    std::lock_guard<std::mutex> lock(mutex_);
    std::optional<PageStore::StoredPage> page = store_.FindPage(token);
    if (!page) return httpd::Response::Status(404);
    if (page->dataset && options_.lookups) return ServeDetails(token, std::move(*page), request);
    if (page->dataset) return ServeLinkList(token, *page, request);
    httpd::Response response = httpd::Response::WithBody(200, "text/html; charset=utf-8", {});
    AddPageHeaders(response, kListPagePolicy);
    response.sharedBody = page->html;
    return response;
}

// Called with the mutex held. The page without lookups, kept in the language
// last asked for (its tag; the English one, made at submission, has none).
httpd::Response Catalogue::ServeLinkList(std::string_view token, const PageStore::StoredPage& page,
                                         const httpd::Request& request) {
    const Language language = ChooseLanguage(request.HeaderValue("Accept-Language"));
    const std::string tag = language == Language::kEnglish ? std::string() : std::string(LanguageTag(language));
    std::shared_ptr<const std::string> html = page.html;
    if (page.tag != tag) {
        store_.Replace(token, tag, RenderPage(*page.dataset, language));
        const std::optional<PageStore::StoredPage> stored = store_.FindPage(token);
        if (!stored) return httpd::Response::Status(404);  // over the store's bound by itself
        html = stored->html;
    }
    httpd::Response response = httpd::Response::WithBody(200, "text/html; charset=utf-8", {});
    AddPageHeaders(response, kListPagePolicy);
    response.headers.push_back({"Vary", "Accept-Language"});
    response.headers.push_back({"Content-Language", std::string(LanguageTag(language))});
    response.sharedBody = html;
    return response;
}

// Called with the mutex held (the lookup service never waits on it: see
// lookup_service.h). A page made when every lookup had ended is kept with its
// language and the lookups' generation, and served again as long as nothing
// was learnt since; any other page is made afresh at each view.
httpd::Response Catalogue::ServeDetails(std::string_view token, PageStore::StoredPage page,
                                        const httpd::Request& request) {
    const Language language = ChooseLanguage(request.HeaderValue("Accept-Language"));
    const std::string prefix = std::string(LanguageTag(language)) + ":";
    DetailsPageContext context{language, options_.country, options_.extraImageOrigin, {}};
    httpd::Response response = httpd::Response::WithBody(200, "text/html; charset=utf-8", {});
    response.headers.push_back({"Content-Language", std::string(LanguageTag(language))});
    response.headers.push_back({"Vary", "Accept-Language"});
    AddPageHeaders(response, DetailsPagePolicy(context));
    if (page.tag == prefix + std::to_string(options_.lookups->Generation())) {
        response.sharedBody = page.html;
        return response;
    }
    // The text about to be replaced is let go first: held here, it would count
    // in the store as an answer's still being sent, beside its successor.
    page.html.reset();
    const lookup::LookupView view = options_.lookups->View(options_.country, page.dataset->identifiers, page.dataset);
    if (view.holdLeft > lookup::Clock::duration::zero())
        context.holdEnds = LocalClockTime(std::chrono::system_clock::now() + view.holdLeft);
    const bool complete = !view.Waiting() && view.failed == 0 && view.unqueued == 0;
    store_.Replace(token, complete ? prefix + std::to_string(options_.lookups->Generation()) : std::string(),
                   RenderDetailsPage(*page.dataset, view, context));
    const std::optional<PageStore::StoredPage> stored = store_.FindPage(token);
    if (!stored) return httpd::Response::Status(404);  // over the store's bound by itself
    response.sharedBody = stored->html;
    if (const std::optional<int> refresh = RefreshSeconds(view)) {
        response.headers.push_back({"Refresh", std::to_string(*refresh)});
    }
    return response;
}

void Catalogue::StopLookups() {
    if (options_.lookups) options_.lookups->Stop();
}

// Called with the mutex held.
std::string Catalogue::PageBase() const {
    if (!options_.pageBase.empty()) return options_.pageBase;
    return "http://" + std::string(OwnName()) + (options_.port == 80 ? "" : ":" + std::to_string(options_.port));
}

}  // namespace catalogue
