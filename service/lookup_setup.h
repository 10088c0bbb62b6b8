#pragma once
// Turns the service's lookup options into the catalogue's lookups: the
// system's HTTP client on the lookup address, the store country, and the
// stand-in's origin as an icon source when the address is a loopback one.

#include <functional>
#include <string>

#include "service/catalogue.h"
#include "service/lookup/lookup_options.h"

namespace catalogue {

// Sets options.lookups (null with --no-lookup), options.country and
// options.extraImageOrigin. Starts the lookup service's threads. `log` (may be
// empty) hears the lookups' failures and holds (see LookupConfig::log).
void SetUpLookups(CatalogueOptions& options, const lookup::LookupOptions& lookupOptions,
                  std::function<void(const std::string&)> log = nullptr);

}  // namespace catalogue
