#include "service/service.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>

#include "service/dataset.h"
#include "service/line_writer.h"
#include "service/lookup_setup.h"

namespace catalogue {

namespace {

// The longest submission taken: four times the identifiers a page lists, each
// of kMaxIdentifierDigits digits with its comma, and room for the method, the
// host (a proxy receives the absolute form), the path and the version. A list
// over the page's limit thus still gets its page, which names the rest as over
// the limit; the server's budget for unfinished requests bounds what many such
// lines at once can hold.
constexpr std::size_t kSubmissionLineBytes = 4 * kMaxIdentifiers * (kMaxIdentifierDigits + 1) + 1024;

std::filesystem::path Utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::uint64_t ParseNumber(const std::string& option, const std::string& text, std::uint64_t maximum) {
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > maximum)
            throw std::invalid_argument("bad number for " + option + ": " + text);
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
    return std::string(
               "usage: vantrel-catalogue [--port N] [--bind ADDRESS]... [--log FILE] [--port-file FILE]\n"
               "                         [--page-base URL] [--any-host] [--service | --set-recovery]\n"
               "                         [--lookup-url URL | --no-lookup] [--country CC]\n"
               "  --port N          port to listen on (default 80; 0 picks a free one)\n"
               "  --bind ADDRESS    IPv4 or IPv6 address to listen on, may be repeated\n"
               "                    (default 127.0.0.1; as a service 127.0.0.1 and ::1)\n"
               "  --log FILE        also append every request line to FILE\n"
               "  --port-file FILE  write the listening port to FILE once ready\n"
               "  --page-base URL   start of page addresses (default: http://" VANTREL_SERVICE_HOST
               " and the port unless 80)\n"
               "  --any-host        for tests and demos only: answer requests for any host name,\n"
               "                    standing as a program's HTTP proxy (default: only this service's names)\n"
               "  --service         run under the Windows service control manager\n"
               "  --set-recovery    give the installed Windows service its recovery actions (the installer's step)\n") +
           std::string(lookup::LookupUsageText());
}

ServiceOptions ParseServiceOptions(const std::vector<std::string>& arguments) {
    ServiceOptions options;
    bool bindGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (lookup::TakeLookupOption(arguments, i, options.lookup)) continue;
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option == "--service") {
            options.service = true;
            continue;
        }
        if (option == "--set-recovery") {
            options.setRecovery = true;
            continue;
        }
        if (option == "--any-host") {
            options.anyHost = true;
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
        } else {
            throw std::invalid_argument("unknown option: " + option);
        }
    }
    if (options.service && options.setRecovery)
        throw std::invalid_argument("--service and --set-recovery exclude each other");
    if (options.service && !bindGiven) options.bindAddresses = kLoopbackAddresses;
    return options;
}

namespace {

httpd::ServerOptions ServerOptionsFor(const ServiceOptions& options, httpd::RequestLogger logger,
                                      httpd::FailureHandler onFailure) {
    httpd::ServerOptions serverOptions;
    serverOptions.bindAddresses = options.bindAddresses;
    serverOptions.port = options.port;
    // A submission of four times the identifiers a page lists, each of the
    // greatest length, in the absolute form a proxy receives, fits the request line.
    serverOptions.limits.maxRequestLine = kSubmissionLineBytes;
    serverOptions.limits.maxHeadBytes = kSubmissionLineBytes + serverOptions.limits.maxHeadBytes;
    // Idle connections cost a few hundred bytes each here: a crowd of them
    // (slowloris) waits inside, running into its deadline, rather than in the
    // system's queue in front of the program's request.
    serverOptions.maxConnections = kMaxConnections;
    serverOptions.logger = std::move(logger);
    serverOptions.onFailure = std::move(onFailure);
    return serverOptions;
}

CatalogueOptions CatalogueOptionsFor(const ServiceOptions& options) {
    CatalogueOptions catalogueOptions;
    catalogueOptions.pageBase = options.pageBase;
    catalogueOptions.port = options.port;
    catalogueOptions.bindAddresses = options.bindAddresses;
    catalogueOptions.anyHost = options.anyHost;
    SetUpLookups(catalogueOptions, options.lookup);
    return catalogueOptions;
}

}  // namespace

RunningCatalogue::RunningCatalogue(const ServiceOptions& options, httpd::RequestLogger logger,
                                   httpd::FailureHandler onFailure)
        : options_(options),
          catalogue_(CatalogueOptionsFor(options)),
          server_([this](const httpd::Request& request) { return catalogue_.Handle(request); },
                  ServerOptionsFor(options, std::move(logger), std::move(onFailure))) {}

RunningCatalogue::~RunningCatalogue() { Stop(); }

void RunningCatalogue::Start() {
    server_.Start();
    catalogue_.SetPort(server_.Port());
    started_ = true;
}

void RunningCatalogue::Stop() {
    server_.Stop();
    catalogue_.StopLookups();
    started_ = false;
}

std::uint16_t RunningCatalogue::Port() const { return started_ ? server_.Port() : 0; }

std::string RunningCatalogue::Addresses() const {
    std::string text;
    for (const std::string& address : server_.BindAddresses()) {
        if (!text.empty()) text += " ";
        text += "http://" + Authority(address, server_.Port()) + "/";
    }
    return text;
}

namespace {

// The end of the console form once it has served: the process ends at once,
// without the flushing of standard streams at exit, which would wait on a
// console that nobody reads.
[[noreturn]] void EndProcess(int code) {
    std::fflush(stderr);
    std::_Exit(code);
}

bool WriteToStdout(std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

// Waits until the service fails (it never ends otherwise).
struct FailureSignal {
    std::mutex mutex;
    std::condition_variable failed;
    std::string message;
    bool set = false;
};

}  // namespace

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
    if (options.service || options.setRecovery) {
        std::cerr << "vantrel-catalogue: --service and --set-recovery are for Windows services only\n";
        return 2;
    }
    auto log = std::make_shared<std::ofstream>();
    if (!options.logFile.empty()) {
        log->open(Utf8Path(options.logFile), std::ios::binary | std::ios::app);
        if (!*log) {
            std::cerr << "vantrel-catalogue: cannot open " << options.logFile << "\n";
            return 1;
        }
    }
    LineWriter console(WriteToStdout, "vantrel-catalogue");
    std::unique_ptr<LineWriter> logFile;
    if (log->is_open()) {
        const auto writeToFile = [log](std::string_view text) {
            return static_cast<bool>(log->write(text.data(), static_cast<std::streamsize>(text.size())).flush());
        };
        logFile = std::make_unique<LineWriter>(writeToFile, "vantrel-catalogue");
    }
    FailureSignal failure;
    RunningCatalogue catalogue(
        options,
        [&console, &logFile](std::string_view line, int) {
            console.Post(line);
            if (logFile) logFile->Post(line);
        },
        [&failure](const std::string& message, int code) {
            std::lock_guard<std::mutex> lock(failure.mutex);
            failure.message = message + " (error " + std::to_string(code) + ")";
            failure.set = true;
            failure.failed.notify_all();
        });
    try {
        catalogue.Start();
        if (!options.portFile.empty()) WritePortFile(options.portFile, catalogue.Port());
    } catch (const std::exception& error) {
        std::cerr << "vantrel-catalogue: " << error.what() << "\n";
        return 1;
    }
    std::cerr << "vantrel-catalogue: listening on " << catalogue.Addresses() << std::endl;
    std::unique_lock<std::mutex> lock(failure.mutex);
    failure.failed.wait(lock, [&failure] { return failure.set; });
    std::cerr << "vantrel-catalogue: " << failure.message << "; the service has stopped\n";
    logFile.reset();  // the file's lines are written, as far as a second allows
    EndProcess(1);
}

}  // namespace catalogue
