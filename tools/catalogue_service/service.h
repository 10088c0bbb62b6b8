#pragma once
// The vantrel-catalogue program: options, start-up and the request log.
//
//   vantrel-catalogue [--port N] [--bind ADDRESS] [--log FILE] [--port-file FILE]
//                     [--page-base URL] [--max-pages N]
//
// Every request line received is written to standard output (flushed at once)
// and, with --log, appended to FILE; messages go to standard error.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace catalogue {

struct ServiceOptions {
    std::string bindAddress = "127.0.0.1";
    std::uint16_t port = 80;  // 0: any free port (see portFile)
    std::string logFile;      // UTF-8 path; empty: standard output only
    std::string portFile;     // receives the listening port once requests are taken
    std::string pageBase;     // see CatalogueOptions::pageBase
    std::size_t maxPages = 1000;
    bool help = false;
};

// Parses the arguments (UTF-8, program name excluded). Throws
// std::invalid_argument naming the offending argument.
ServiceOptions ParseServiceOptions(const std::vector<std::string>& arguments);

std::string UsageText();

// Runs the service; returns only when it cannot start (exit code 1, or 2 for
// bad arguments) or after --help (0).
int RunService(const std::vector<std::string>& arguments);

}  // namespace catalogue
