#include "service/running_catalogue.h"

#include "service/dataset.h"
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

httpd::ServerOptions ServerOptionsFor(const ServiceOptions& options, httpd::RequestLogger logger,
                                      httpd::FailureHandler onFailure, httpd::Housekeeping housekeeping) {
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
    // Expired pages go when their hour is over, with no request needed: the
    // loop sleeps until then.
    serverOptions.housekeeping = std::move(housekeeping);
    return serverOptions;
}

CatalogueOptions CatalogueOptionsFor(const ServiceOptions& options, LookupLog lookupLog) {
    CatalogueOptions catalogueOptions;
    catalogueOptions.pageBase = options.pageBase;
    catalogueOptions.port = options.port;
    catalogueOptions.bindAddresses = options.bindAddresses;
    catalogueOptions.anyHost = options.anyHost;
    SetUpLookups(catalogueOptions, options.lookup, std::move(lookupLog));
    return catalogueOptions;
}

}  // namespace

RunningCatalogue::RunningCatalogue(const ServiceOptions& options, httpd::RequestLogger logger,
                                   httpd::FailureHandler onFailure, LookupLog lookupLog)
        : options_(options),
          catalogue_(CatalogueOptionsFor(options, std::move(lookupLog))),
          server_([this](const httpd::Request& request) { return catalogue_.Handle(request); },
                  ServerOptionsFor(options, std::move(logger), std::move(onFailure),
                                   [this](httpd::Clock::time_point) { return catalogue_.DropExpiredPages(); })) {}

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

}  // namespace catalogue
