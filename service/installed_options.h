#pragma once
// The installed service's options. The installer writes the values a user
// gave at install time (store country, lookup address) into the service's
// command line; a value the service cannot take must not keep it from
// starting, so such a value is left out (its option keeps its default) and
// the refusal is handed back to be reported.

#include <string>
#include <vector>

#include "service/service_options.h"

namespace catalogue {

struct InstalledOptions {
    ServiceOptions options;
    std::vector<std::string> refused;  // one sentence per value left out
};

// Parses as ParseServiceOptions does, but a refused value of --country or
// --lookup-url is left out. Throws std::invalid_argument for any other error.
InstalledOptions ParseInstalledServiceOptions(const std::vector<std::string>& arguments);

}  // namespace catalogue
