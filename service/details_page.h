#pragma once
// The page about a submission's apps with the store's details: per identifier,
// in the order submitted, the app's icon, name, developer, category, price,
// rating, current version and its date, size, minimum iOS version, age rating
// and store link; or that the store does not list it; or that it is still
// being looked up, held back by the store, or not queued for want of room. Every text from the store is escaped; the page is one file
// without script whose content policy lets in only its own style and icons
// from the allowed image origins.

#include <string>
#include <string_view>

#include "service/dataset.h"
#include "service/lookup/lookup_service.h"
#include "service/page_language.h"

namespace catalogue {

// The store's image host, the only one whose icons a page shows (https only).
inline constexpr std::string_view kStoreImageSource = "https://*.mzstatic.com";

struct DetailsPageContext {
    Language language = Language::kEnglish;
    std::string country = "us";
    // One more origin whose icons are shown ("http://127.0.0.1:8123": the
    // stand-in store when the lookup address is a loopback one); empty: none.
    std::string extraImageOrigin;
    // While the store holds the calls back: when the hold ends, as the
    // computer's clock shows it ("14:33"); empty: no hold.
    std::string holdEnds;
};

// The page's content policy (its <meta> element's, and the header's with framing forbidden besides).
std::string DetailsPagePolicy(const DetailsPageContext& context);

// Whether a page may show the icon at `url`: https on the store's image host,
// or on the extra origin; and nothing in it that would need escaping.
bool IsAllowedArtwork(std::string_view url, std::string_view extraImageOrigin);

// The store page to link: the answer's trackViewUrl when it is https on the
// store's own site, else the page's usual address for the identifier.
std::string StoreLink(const lookup::AppDetails& app);

// A complete UTF-8 HTML document. `view` holds one entry per identifier of `dataset`.
std::string RenderDetailsPage(const Dataset& dataset, const lookup::LookupView& view,
                              const DetailsPageContext& context);

}  // namespace catalogue
