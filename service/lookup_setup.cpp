#include "service/lookup_setup.h"

#include "service/http/url.h"

namespace catalogue {

void SetUpLookups(CatalogueOptions& options, const lookup::LookupOptions& lookupOptions,
                  std::function<void(const std::string&)> log) {
    options.country = lookup::ResolveCountry(lookupOptions);
    options.lookups = nullptr;
    options.extraImageOrigin.clear();
    if (!lookupOptions.enabled) return;
    const std::optional<httpd::UrlParts> parts = httpd::SplitUrl(lookupOptions.url);
    if (parts && parts->loopback) options.extraImageOrigin = parts->origin;
    lookup::LookupConfig config;
    config.baseUrl = lookupOptions.url;
    config.log = std::move(log);
    options.lookups = std::make_shared<lookup::LookupService>(config, lookup::MakeSystemClient());
}

}  // namespace catalogue
