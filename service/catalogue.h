#pragma once
// The catalogue service's answers: "/input/submit.php?dataset=ID,..." stores a
// page listing the identifiers and answers with that page's absolute address;
// "/apps/<token>.html" serves a stored page.
//
// With lookups, a submission also hands its identifiers to the lookup service
// (which works in the background: the answer does not wait for it), and a page
// is made at each view from what the lookups know, in the browser's language;
// while lookups are under way it tells the browser to reload it in a moment.
//
// It answers only requests addressed to itself: a Host (or absolute-form
// authority) that is not one of its own names gets a 421, so that a web page
// whose name is made to point at the loopback (DNS rebinding) reaches nothing.
// A submission that a browser marks as coming from another site is refused
// (403). The address it answers is built from its own name, never from the
// request.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/dataset.h"
#include "service/http/http_message.h"
#include "service/lookup/lookup_service.h"
#include "service/page_store.h"

namespace catalogue {

// The port the service listens on unless told otherwise: HTTP's own, so page
// addresses need none.
inline constexpr std::uint16_t kDefaultPort = 80;

inline constexpr std::string_view kSubmitPath = "/input/submit.php";
inline constexpr std::string_view kPagePrefix = "/apps/";
inline constexpr std::string_view kPageSuffix = ".html";

// The name the program sends its request to (the build's service host,
// "localhost" in the release): the service's own name in the addresses it answers.
std::string_view OwnName();

struct CatalogueOptions {
    // Scheme and authority of page addresses ("http://127.0.0.1:8080"); empty:
    // "http://" and OwnName(), with the port unless it is 80.
    std::string pageBase;
    std::uint16_t port = kDefaultPort;  // the port listened on
    // Listening addresses ("127.0.0.1", "::1"), accepted as host names besides
    // the loopback names and OwnName().
    std::vector<std::string> bindAddresses;
    // For tests and the demo only, where the service stands as the program's
    // HTTP proxy: requests for any host are answered.
    bool anyHost = false;
    PageStoreLimits store;
    // Looks the identifiers up for their details; null: pages list the identifiers only.
    std::shared_ptr<lookup::LookupService> lookups;
    std::string country = "us";    // the store country of the lookups
    std::string extraImageOrigin;  // see DetailsPageContext::extraImageOrigin
};

// Seconds after which a page with lookups under way asks to be loaded again.
inline constexpr int kRefreshSeconds = 3;

// The Refresh a details page carries: kRefreshSeconds while lookups are under
// way, the rest of the store's hold (kRefreshSeconds at least) while it holds
// identifiers of the page back, none when no answer is on its way.
std::optional<int> RefreshSeconds(const lookup::LookupView& view);

// Whether `host` (a Host header or a target's authority) is one of `names`
// (ASCII case-blind; IPv6 addresses in brackets) with no port, port 80 or `port`.
bool IsOwnHost(std::string_view host, const std::vector<std::string>& names, std::uint16_t port);

// Whether a browser says the request comes from another site: a
// Sec-Fetch-Site other than "same-origin" or "none" (a typed address), or an
// Origin that is not "http://" and one of `names` (as IsOwnHost). The
// program's own request carries neither header.
bool IsCrossSite(const httpd::Request& request, const std::vector<std::string>& names, std::uint16_t port);

// The key of a submission's page: the same list (with the same counts of
// entries left out) gives the same key.
std::string PageKey(const Dataset& dataset);

class Catalogue {
public:
    explicit Catalogue(CatalogueOptions options, PageStore::Now now = PageStore::Clock::now);

    // Answers one request. Safe to call from several threads at once.
    httpd::Response Handle(const httpd::Request& request);

    // The port listened on, once known (port 0 picks one).
    void SetPort(std::uint16_t port);

    // Drops the pages whose life has passed; returns when the next one's does.
    PageStore::Clock::time_point DropExpiredPages();

    // Ends the lookups under way (see LookupService::Stop).
    void StopLookups();

    std::size_t PageCount();
    std::size_t StoredBytes();

private:
    httpd::Response Submit(const httpd::Request& request);
    httpd::Response ServePage(std::string_view token, const httpd::Request& request);
    httpd::Response ServeLinkList(std::string_view token, const PageStore::StoredPage& page,
                                  const httpd::Request& request);
    httpd::Response ServeDetails(std::string_view token, PageStore::StoredPage page, const httpd::Request& request);
    std::string PageBase() const;

    CatalogueOptions options_;
    std::vector<std::string> names_;  // host names that address this service
    std::mutex mutex_;
    PageStore store_;
};

}  // namespace catalogue
