#pragma once
// The vantrel-catalogue program: options, start-up and the request log.
//
//   vantrel-catalogue [--port N] [--bind ADDRESS]... [--log FILE] [--port-file FILE]
//                     [--page-base URL] [--any-host] [--service | --set-recovery]
//                     [--lookup-url URL | --no-lookup] [--country CC]
//
// In its console form every request line received is written to standard output
// and, with --log, appended to FILE, each by a thread of its own that drops
// lines rather than hold the service when its output is not read; messages go
// to standard error. With --service it runs under the Windows service control
// manager; --set-recovery (the installer's step) gives the installed service
// its recovery actions.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "service/catalogue.h"
#include "service/http/http_server.h"
#include "service/lookup/lookup_options.h"

namespace catalogue {

// Connections served at once (see httpd::ServerOptions::maxConnections).
inline constexpr std::size_t kMaxConnections = 4096;

// The loopback addresses the installed service listens on.
inline const std::vector<std::string> kLoopbackAddresses = {"127.0.0.1", "::1"};

struct ServiceOptions {
    // Numeric IPv4 or IPv6 addresses, all listened on at the same port. The
    // console form listens on 127.0.0.1, the service on both loopback addresses.
    std::vector<std::string> bindAddresses = {"127.0.0.1"};
    std::uint16_t port = 80;  // 0: any free port (see portFile)
    std::string logFile;      // UTF-8 path; empty: standard output only
    std::string portFile;     // receives the listening port once requests are taken
    std::string pageBase;     // see CatalogueOptions::pageBase
    bool anyHost = false;     // see CatalogueOptions::anyHost
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

// A listener that could not be set up: which address, and the system's error code.
using ListenError = httpd::ListenError;
using httpd::Authority;

// The catalogue answering on every bind address, all at one port.
class RunningCatalogue {
public:
    // `onFailure` (optional) hears, on the server's thread, that the service
    // can no longer take connections; it has then stopped serving.
    RunningCatalogue(const ServiceOptions& options, httpd::RequestLogger logger,
                     httpd::FailureHandler onFailure = nullptr);
    ~RunningCatalogue();                                 // Stop()
    RunningCatalogue(const RunningCatalogue&) = delete;  // the server's handler points here
    RunningCatalogue& operator=(const RunningCatalogue&) = delete;

    // Listens on every address, or on none: throws ListenError naming the
    // address that failed (for example a port taken by another program).
    void Start();

    // Stops accepting and closes every connection, whatever its clients do:
    // returns within about 100 ms. Safe to call twice.
    void Stop();

    std::uint16_t Port() const;

    // "http://127.0.0.1:80/ http://[::1]:80/": where it listens.
    std::string Addresses() const;

    Catalogue& Pages() { return catalogue_; }

private:
    ServiceOptions options_;
    Catalogue catalogue_;
    httpd::Server server_;
    bool started_ = false;
};

// Runs the console form; returns only when it cannot start (exit code 1, or 2
// for bad arguments or --service / --set-recovery on a system without
// services) or after --help (0). A listener that fails later ends the process
// with exit code 1.
int RunService(const std::vector<std::string>& arguments);

}  // namespace catalogue
