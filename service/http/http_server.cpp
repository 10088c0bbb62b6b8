#include "service/http/http_server.h"

#include <stdexcept>

namespace httpd {

namespace {

constexpr int kAcceptSliceMs = 100;  // how often the accept loop looks at the stop flag
constexpr int kBacklog = 64;

}  // namespace

Server::Server(Handler handler, ServerOptions options) : handler_(std::move(handler)), options_(std::move(options)) {}

Server::~Server() { Stop(); }

void Server::Start() {
    if (acceptThread_.joinable()) throw std::logic_error("httpd::Server already started");
    listener_ = ListenTcp(options_.bindAddress, options_.port, kBacklog);
    port_ = LocalPort(listener_);
    stopping_ = false;
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

void Server::Stop() {
    stopping_ = true;
    if (acceptThread_.joinable()) acceptThread_.join();
    ReapWorkers(true);
    listener_.reset();
}

void Server::AcceptLoop() {
    while (!stopping_.load()) {
        ReapWorkers(false);
        const WaitResult wait = WaitReadable(listener_, kAcceptSliceMs);
        if (wait == WaitResult::kTimeout) continue;
        if (wait == WaitResult::kError) break;  // the listener itself is broken
        Socket connection = AcceptConnection(listener_);
        if (!connection) continue;  // the client gave up before we took it
        if (workers_.size() >= options_.maxConnections) {
            AnswerAndClose(std::move(connection), Response::Status(503), false);
            continue;
        }
        StartWorker(std::move(connection));
    }
}

void Server::StartWorker(Socket connection) {
    auto finished = std::make_shared<std::atomic<bool>>(false);
    // The socket moves into the thread, which owns and closes it.
    std::thread thread([this, finished, socket = std::move(connection)]() mutable {
        Log(ServeConnection(std::move(socket), handler_, options_.limits, stopping_));
        finished->store(true);
    });
    workers_.push_back({std::move(thread), std::move(finished)});
}

void Server::ReapWorkers(bool all) {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (all || it->finished->load()) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

void Server::Log(const Exchange& exchange) {
    if (!options_.logger || (exchange.requestLine.empty() && exchange.status == 0)) return;
    std::lock_guard<std::mutex> lock(logMutex_);
    try {
        options_.logger(exchange.requestLine, exchange.status);
    } catch (...) {
        // A failing log must not take the connection thread (and the process) down.
    }
}

}  // namespace httpd
