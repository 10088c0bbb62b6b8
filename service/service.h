#pragma once
// The vantrel-catalogue program: options, start-up and the request log.
//
//   vantrel-catalogue [--port N] [--bind ADDRESS]... [--log FILE] [--port-file FILE]
//                     [--page-base URL] [--max-pages N] [--service]
//
// In its console form every request line received is written to standard output
// (flushed at once) and, with --log, appended to FILE; messages go to standard
// error. With --service it runs under the Windows service control manager.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "service/catalogue.h"
#include "service/http/http_server.h"

namespace catalogue {

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
    std::size_t maxPages = 1000;
    bool help = false;
    bool service = false;  // run under the Windows service control manager
};

// Parses the arguments (UTF-8, program name excluded). A first --bind replaces
// the default address, later ones add to it. Throws std::invalid_argument
// naming the offending argument.
ServiceOptions ParseServiceOptions(const std::vector<std::string>& arguments);

std::string UsageText();

// A listener that could not be set up: which address, and the system's error code.
class ListenError : public std::runtime_error {
public:
    ListenError(const std::string& what, int code) : std::runtime_error(what), code_(code) {}
    int Code() const noexcept { return code_; }

private:
    int code_;
};

// The catalogue answering on every bind address, all at one port.
class RunningCatalogue {
public:
    RunningCatalogue(const ServiceOptions& options, httpd::RequestLogger logger);
    ~RunningCatalogue();  // Stop()
    RunningCatalogue(const RunningCatalogue&) = delete;  // the listeners' handlers point here
    RunningCatalogue& operator=(const RunningCatalogue&) = delete;

    // Listens on every address, or on none: throws ListenError naming the
    // address that failed (for example a port taken by another program).
    void Start();

    // Stops accepting and finishes the answers under way. Safe to call twice.
    void Stop();

    std::uint16_t Port() const;

    // "http://127.0.0.1:80/ http://[::1]:80/": where it listens.
    std::string Addresses() const;

private:
    ServiceOptions options_;
    httpd::RequestLogger logger_;
    Catalogue catalogue_;
    std::vector<std::unique_ptr<httpd::Server>> servers_;
};

// "127.0.0.1:80", "[::1]:80": an address and port as they stand in a URL.
std::string Authority(const std::string& address, std::uint16_t port);

// Runs the console form; returns only when it cannot start (exit code 1, or 2
// for bad arguments or --service on a system without services) or after
// --help (0).
int RunService(const std::vector<std::string>& arguments);

}  // namespace catalogue
