#include "tools/catalogue_service/service.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "tools/catalogue_service/catalogue.h"
#include "tools/catalogue_service/dataset.h"
#include "tools/http_server/http_server.h"

namespace catalogue {

namespace {

// The longest submission a page can list: kMaxIdentifiers identifiers of
// kMaxIdentifierDigits digits, each with its comma, and room for the method,
// the host (a proxy receives the absolute form), the path and the version.
constexpr std::size_t kSubmissionLineBytes = kMaxIdentifiers * (kMaxIdentifierDigits + 1) + 1024;

std::filesystem::path Utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::uint64_t ParseNumber(const std::string& option, const std::string& text, std::uint64_t maximum) {
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > maximum) throw std::invalid_argument("bad number for " + option + ": " + text);
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (text.empty() || value > maximum) throw std::invalid_argument("bad number for " + option + ": " + text);
    return value;
}

// The port is written under a temporary name and then renamed, so a reader
// never sees half a number.
void WritePortFile(const std::string& file, std::uint16_t port) {
    const std::filesystem::path target = Utf8Path(file);
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << port << "\n";
        if (!out.flush()) throw std::runtime_error("cannot write " + file);
    }
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    std::filesystem::rename(temporary, target);
}

}  // namespace

std::string UsageText() {
    return "usage: vantrel-catalogue [--port N] [--bind ADDRESS] [--log FILE] [--port-file FILE]\n"
           "                         [--page-base URL] [--max-pages N]\n"
           "  --port N          port to listen on (default 80; 0 picks a free one)\n"
           "  --bind ADDRESS    IPv4 address to listen on (default 127.0.0.1)\n"
           "  --log FILE        also append every request line to FILE\n"
           "  --port-file FILE  write the listening port to FILE once ready\n"
           "  --page-base URL   start of page addresses (default: http:// and the requested host)\n"
           "  --max-pages N     pages kept before the oldest is forgotten (default 1000)\n";
}

ServiceOptions ParseServiceOptions(const std::vector<std::string>& arguments) {
    ServiceOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (i + 1 >= arguments.size()) throw std::invalid_argument("unknown option or missing value: " + option);
        const std::string& value = arguments[++i];
        if (option == "--port") {
            options.port = static_cast<std::uint16_t>(ParseNumber(option, value, 65535));
        } else if (option == "--bind") {
            options.bindAddress = value;
        } else if (option == "--log") {
            options.logFile = value;
        } else if (option == "--port-file") {
            options.portFile = value;
        } else if (option == "--page-base") {
            if (value.rfind("http://", 0) != 0 && value.rfind("https://", 0) != 0) {
                throw std::invalid_argument("--page-base needs an http:// or https:// address");
            }
            options.pageBase = value;
        } else if (option == "--max-pages") {
            options.maxPages = static_cast<std::size_t>(ParseNumber(option, value, 1000000));
        } else {
            throw std::invalid_argument("unknown option: " + option);
        }
    }
    return options;
}

int RunService(const std::vector<std::string>& arguments) {
    ServiceOptions options;
    try {
        options = ParseServiceOptions(arguments);
    } catch (const std::invalid_argument& error) {
        std::cerr << "vantrel-catalogue: " << error.what() << "\n" << UsageText();
        return 2;
    }
    if (options.help) {
        std::cout << UsageText();
        return 0;
    }
    std::ofstream log;
    if (!options.logFile.empty()) {
        log.open(Utf8Path(options.logFile), std::ios::binary | std::ios::app);
        if (!log) {
            std::cerr << "vantrel-catalogue: cannot open " << options.logFile << "\n";
            return 1;
        }
    }
    Catalogue catalogue({options.pageBase, options.bindAddress, options.maxPages});
    httpd::ServerOptions serverOptions;
    serverOptions.bindAddress = options.bindAddress;
    serverOptions.port = options.port;
    // A submission of the most identifiers a page lists, each of the greatest
    // length, in the absolute form a proxy receives, fits the request line.
    serverOptions.limits.maxRequestLine = kSubmissionLineBytes;
    serverOptions.limits.maxHeadBytes = kSubmissionLineBytes + serverOptions.limits.maxHeadBytes;
    serverOptions.logger = [&log](std::string_view line, int) {
        std::cout << line << std::endl;  // endl: the log is read while the service runs
        if (log.is_open()) log << line << std::endl;
    };
    httpd::Server server([&catalogue](const httpd::Request& request) { return catalogue.Handle(request); },
                         serverOptions);
    try {
        server.Start();
        catalogue.SetFallbackAuthority(options.bindAddress + ":" + std::to_string(server.Port()));
        if (!options.portFile.empty()) WritePortFile(options.portFile, server.Port());
    } catch (const std::exception& error) {
        std::cerr << "vantrel-catalogue: " << error.what() << "\n";
        return 1;
    }
    std::cerr << "vantrel-catalogue: listening on http://" << options.bindAddress << ":" << server.Port() << "/"
              << std::endl;
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));  // ends with the process
}

}  // namespace catalogue
