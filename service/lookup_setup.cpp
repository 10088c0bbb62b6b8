#include "service/lookup_setup.h"

namespace catalogue {

void SetUpLookups(CatalogueOptions& options, const lookup::LookupOptions& lookupOptions) {
    options.country = lookup::ResolveCountry(lookupOptions);
    options.lookups = nullptr;
    options.extraImageOrigin.clear();
    if (!lookupOptions.enabled) return;
    const std::optional<lookup::UrlParts> parts = lookup::SplitUrl(lookupOptions.url);
    if (parts && parts->loopback) options.extraImageOrigin = parts->origin;
    lookup::LookupConfig config;
    config.baseUrl = lookupOptions.url;
    options.lookups = std::make_shared<lookup::LookupService>(config, lookup::MakeSystemClient());
}

}  // namespace catalogue
