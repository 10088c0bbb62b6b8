#pragma once
// A small HTTP/1.x server for loopback use by tools and tests: it listens on one
// address and port, reads each request under hard limits (a 400 answer for
// anything malformed or oversized), hands it to a callback and closes the
// connection after the answer ("Connection: close").
//
//   httpd::Server server([](const httpd::Request& r) {
//       return httpd::Response::WithBody(200, "text/plain", r.path);
//   });
//   server.Start();              // listening when it returns; serves on a thread
//   ... connect to 127.0.0.1:server.Port() ...
//   server.Stop();               // or let the destructor do it

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "service/http/connection.h"
#include "service/http/http_message.h"
#include "service/http/socket.h"

namespace httpd {

// Called once per connection that carried a request (even a malformed one),
// after the answer: the request line made printable, and the status sent
// (0 when none was sent). Calls never overlap.
using RequestLogger = std::function<void(std::string_view requestLine, int status)>;

struct ServerOptions {
    std::string bindAddress = "127.0.0.1";  // numeric IPv4 or IPv6 address to listen on
    std::uint16_t port = 0;                 // 0: any free port (see Server::Port)
    Limits limits;
    std::size_t maxConnections = 32;        // served at once; more get a 503
    RequestLogger logger;                   // optional
};

class Server {
public:
    // The handler runs on connection threads, possibly several at once: it must
    // be safe to call concurrently.
    explicit Server(Handler handler, ServerOptions options = {});
    ~Server();  // Stop()
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds and listens (throws SocketError when that fails, e.g. the port is
    // taken), then accepts on a background thread. Throws std::logic_error when
    // already started.
    void Start();

    // Stops accepting, ends the open connections (a waiting read gives up within
    // about 100 ms) and joins every thread. Safe to call more than once.
    void Stop();

    // Asks the threads to end without waiting for them: several servers asked
    // first and then stopped end in the time of one.
    void RequestStop() { stopping_ = true; }

    // The port listened on; valid after Start().
    std::uint16_t Port() const { return port_; }
    const std::string& BindAddress() const { return options_.bindAddress; }

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void AcceptLoop();
    void StartWorker(Socket connection);
    void ReapWorkers(bool all);
    void Log(const Exchange& exchange);

    Handler handler_;
    ServerOptions options_;
    Socket listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    std::list<Worker> workers_;  // touched by the accept thread, and by Stop() after it ended
    std::mutex logMutex_;
};

}  // namespace httpd
