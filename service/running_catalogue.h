#pragma once
// The catalogue answering on every bind address, all at one port: the
// catalogue's pages behind the HTTP server, with the service's limits. Both
// the console form and the Windows service run one.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "service/catalogue.h"
#include "service/http/http_server.h"
#include "service/service_options.h"

namespace catalogue {

// Connections served at once (see httpd::ServerOptions::maxConnections).
inline constexpr std::size_t kMaxConnections = 4096;

// Hears one line about the store lookups (lookup::LookupConfig::log).
using LookupLog = std::function<void(const std::string& line)>;

// A listener that could not be set up: which address, and the system's error code.
using ListenError = httpd::ListenError;
using httpd::Authority;

// The catalogue answering on every bind address, all at one port.
class RunningCatalogue {
public:
    // `onFailure` (optional) hears, on the server's thread, that the service
    // can no longer take connections; it has then stopped serving. `lookupLog`
    // (optional) hears the store lookups' failures and holds, on any thread.
    RunningCatalogue(const ServiceOptions& options, httpd::RequestLogger logger,
                     httpd::FailureHandler onFailure = nullptr, LookupLog lookupLog = nullptr);
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

}  // namespace catalogue
