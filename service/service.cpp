#include "service/service.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "service/dataset.h"

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
    return "usage: vantrel-catalogue [--port N] [--bind ADDRESS]... [--log FILE] [--port-file FILE]\n"
           "                         [--page-base URL] [--max-pages N] [--service]\n"
           "  --port N          port to listen on (default 80; 0 picks a free one)\n"
           "  --bind ADDRESS    IPv4 or IPv6 address to listen on, may be repeated\n"
           "                    (default 127.0.0.1; as a service 127.0.0.1 and ::1)\n"
           "  --log FILE        also append every request line to FILE\n"
           "  --port-file FILE  write the listening port to FILE once ready\n"
           "  --page-base URL   start of page addresses (default: http:// and the requested host)\n"
           "  --max-pages N     pages kept before the oldest is forgotten (default 1000)\n"
           "  --service         run under the Windows service control manager\n";
}

ServiceOptions ParseServiceOptions(const std::vector<std::string>& arguments) {
    ServiceOptions options;
    bool bindGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option == "--service") {
            options.service = true;
            continue;
        }
        if (i + 1 >= arguments.size()) throw std::invalid_argument("unknown option or missing value: " + option);
        const std::string& value = arguments[++i];
        if (option == "--port") {
            options.port = static_cast<std::uint16_t>(ParseNumber(option, value, 65535));
        } else if (option == "--bind") {
            if (!bindGiven) options.bindAddresses.clear();
            bindGiven = true;
            options.bindAddresses.push_back(value);
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
    if (options.service && !bindGiven) options.bindAddresses = kLoopbackAddresses;
    return options;
}

std::string Authority(const std::string& address, std::uint16_t port) {
    const bool ipv6 = address.find(':') != std::string::npos;
    return (ipv6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

RunningCatalogue::RunningCatalogue(const ServiceOptions& options, httpd::RequestLogger logger)
    : options_(options),
      logger_(std::move(logger)),
      catalogue_({options.pageBase, Authority(options.bindAddresses.front(), options.port), options.maxPages}) {}

RunningCatalogue::~RunningCatalogue() { Stop(); }

// The first listener fixes the port (a free one for port 0); the others take
// the same, so one address answers on every loopback.
void RunningCatalogue::Start() {
    std::uint16_t port = options_.port;
    for (const std::string& address : options_.bindAddresses) {
        httpd::ServerOptions serverOptions;
        serverOptions.bindAddress = address;
        serverOptions.port = port;
        // A submission of the most identifiers a page lists, each of the greatest
        // length, in the absolute form a proxy receives, fits the request line.
        serverOptions.limits.maxRequestLine = kSubmissionLineBytes;
        serverOptions.limits.maxHeadBytes = kSubmissionLineBytes + serverOptions.limits.maxHeadBytes;
        serverOptions.logger = logger_;
        auto server = std::make_unique<httpd::Server>(
            [this](const httpd::Request& request) { return catalogue_.Handle(request); }, serverOptions);
        try {
            server->Start();
        } catch (const httpd::SocketError& error) {
            Stop();
            throw ListenError("cannot listen on " + Authority(address, port) + ": " + error.what(), error.Code());
        }
        port = server->Port();
        servers_.push_back(std::move(server));
    }
    catalogue_.SetFallbackAuthority(Authority(options_.bindAddresses.front(), port));
}

void RunningCatalogue::Stop() {
    for (auto& server : servers_) server->RequestStop();
    for (auto& server : servers_) server->Stop();
    servers_.clear();
}

std::uint16_t RunningCatalogue::Port() const { return servers_.empty() ? 0 : servers_.front()->Port(); }

std::string RunningCatalogue::Addresses() const {
    std::string text;
    for (const auto& server : servers_) {
        if (!text.empty()) text += " ";
        text += "http://" + Authority(server->BindAddress(), server->Port()) + "/";
    }
    return text;
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
    if (options.service) {
        std::cerr << "vantrel-catalogue: --service runs only under the Windows service control manager\n";
        return 2;
    }
    std::ofstream log;
    if (!options.logFile.empty()) {
        log.open(Utf8Path(options.logFile), std::ios::binary | std::ios::app);
        if (!log) {
            std::cerr << "vantrel-catalogue: cannot open " << options.logFile << "\n";
            return 1;
        }
    }
    RunningCatalogue catalogue(options, [&log](std::string_view line, int) {
        std::cout << line << std::endl;  // endl: the log is read while the service runs
        if (log.is_open()) log << line << std::endl;
    });
    try {
        catalogue.Start();
        if (!options.portFile.empty()) WritePortFile(options.portFile, catalogue.Port());
    } catch (const std::exception& error) {
        std::cerr << "vantrel-catalogue: " << error.what() << "\n";
        return 1;
    }
    std::cerr << "vantrel-catalogue: listening on " << catalogue.Addresses() << std::endl;
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));  // ends with the process
}

}  // namespace catalogue
