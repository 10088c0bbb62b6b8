#pragma once
// The vantrel-catalogue program's options:
//
//   vantrel-catalogue [--port N] [--bind ADDRESS]... [--log FILE] [--port-file FILE]
//                     [--page-base URL] [--any-host] [--service | --set-recovery]
//                     [--lookup-url URL | --no-lookup] [--country CC]

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "service/catalogue.h"
#include "service/http/http_server.h"
#include "service/lookup/lookup_options.h"

namespace catalogue {

// The loopback addresses the installed service listens on.
inline const std::vector<std::string> kLoopbackAddresses = {httpd::kLoopbackIPv4, "::1"};

struct ServiceOptions {
    // Numeric IPv4 or IPv6 addresses, all listened on at the same port. The
    // console form listens on 127.0.0.1, the service on both loopback addresses.
    std::vector<std::string> bindAddresses = {httpd::kLoopbackIPv4};
    std::uint16_t port = kDefaultPort;  // 0: any free port (see portFile)
    std::string logFile;                // UTF-8 path; empty: standard output only
    std::string portFile;               // receives the listening port once requests are taken
    std::string pageBase;               // see CatalogueOptions::pageBase
    bool anyHost = false;               // see CatalogueOptions::anyHost
    bool help = false;
    bool service = false;      // run under the Windows service control manager
    bool setRecovery = false;  // set the installed service's recovery actions, then end
    lookup::LookupOptions lookup;  // the store lookups for the pages' details
};

// Parses the arguments (UTF-8, program name excluded). A first --bind replaces
// the default address, later ones add to it. Throws std::invalid_argument
// naming the offending argument.
ServiceOptions ParseServiceOptions(const std::vector<std::string>& arguments);

std::string UsageText();

}  // namespace catalogue
