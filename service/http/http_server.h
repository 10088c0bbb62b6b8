#pragma once
// A small HTTP/1.x server for loopback use: it listens on one or more
// addresses at one port, reads each request under hard limits (a 400 answer
// for anything malformed or oversized), hands it to a callback and closes the
// connection after the answer ("Connection: close").
//
//   httpd::Server server([](const httpd::Request& r) {
//       return httpd::Response::WithBody(200, "text/plain", r.path);
//   });
//   server.Start();              // listening when it returns; serves on a thread
//   ... connect to 127.0.0.1:server.Port() ...
//   server.Stop();               // or let the destructor do it
//
// One thread serves every connection over non-blocking sockets, so no client
// can hold it: each connection has a deadline for its whole request and one
// for its whole answer. At the connection cap, the oldest connection whose
// request has not arrived whole is dropped to make room for a newcomer; only
// when every place is taken by a request already being answered is the
// newcomer refused (503), which costs the same however many connections there
// are. With nothing to do the thread sleeps: until a connection, the next
// deadline that is due (a connection's, or the owner's housekeeping), or the
// stop, which wakes it at once.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "service/http/connection.h"
#include "service/http/http_message.h"
#include "service/http/socket.h"

namespace httpd {

// Called on the server's thread once per connection that carried bytes (even a
// malformed request), when its answer is written or it ends: the request line
// made printable, and the status of the answer (0 when none was made). It must
// not block: the server waits for it.
using RequestLogger = std::function<void(std::string_view requestLine, int status)>;

// Called once, on the server's thread, when the server can no longer take
// connections (a listener broke); the server then closes everything and ends.
using FailureHandler = std::function<void(const std::string& message, int code)>;

// Called on the server's thread at the start and then whenever the time it
// last returned has come: does the owner's timed work (dropping expired
// pages, say) and returns when it is next due (Clock::time_point::max() for
// never). An exception asks again after the longest sleep.
using Housekeeping = std::function<Clock::time_point(Clock::time_point now)>;

// The address listened on unless told otherwise.
inline const std::string kLoopbackIPv4 = "127.0.0.1";

struct ServerOptions {
    // Numeric IPv4 or IPv6 addresses, all listened on at one port.
    std::vector<std::string> bindAddresses = {kLoopbackIPv4};
    std::uint16_t port = 0;  // 0: any free port (see Server::Port)
    Limits limits;
    std::size_t maxConnections = 512;                     // requests received or answered at once
    std::size_t maxBufferedInput = std::size_t{4} << 20;  // request bytes held, all connections together
    RequestLogger logger;                                 // optional
    FailureHandler onFailure;                             // optional
    Housekeeping housekeeping;                            // optional
};

// A listener that could not be set up: the address, and the system's error code.
class ListenError : public std::runtime_error {
public:
    ListenError(const std::string& what, int code) : std::runtime_error(what), code_(code) {}
    int Code() const noexcept { return code_; }

private:
    int code_;
};

class Server {
public:
    // The handler and the logger run on the server's one thread: they must
    // answer without waiting on anything slow.
    explicit Server(Handler handler, ServerOptions options = {});
    ~Server();  // Stop()
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Listens on every address, or on none: throws ListenError naming the
    // address that failed (e.g. its port is taken). Then serves on a
    // background thread. Throws std::logic_error when already started.
    void Start();

    // Stops accepting, closes every connection (answers under way are cut off)
    // and joins the thread, which never waits on a client: the stop wakes it,
    // so this returns at once. Safe to call more than once, from any thread
    // but the server's own.
    void Stop();

    // The port listened on; valid after Start().
    std::uint16_t Port() const { return port_; }
    const std::vector<std::string>& BindAddresses() const { return options_.bindAddresses; }

    // How often the loop's wait has ended so far (for work, a deadline or the
    // stop), for tests and measurements; safe from any thread.
    std::uint64_t WakeUps() const { return wakeUps_.load(); }

private:
    struct Entry;

    void Run();
    void BuildPollItems(Clock::time_point now);
    void AddListenerItems();
    int PollTimeoutMs(Clock::time_point now) const;
    void ServeConnections(std::size_t polled, Clock::time_point now);
    void ServeEntry(Entry& entry, const PollItem& item, Clock::time_point now);
    void RunHousekeeping(Clock::time_point now);
    void AcceptAll(std::size_t listener, Clock::time_point now);
    void Admit(Socket socket, Clock::time_point now);
    void AdmitWaiting(Clock::time_point now);
    void Take(Socket socket, Clock::time_point now);
    void Refuse(Socket socket, Clock::time_point now);
    bool ShedOldestReceiving();
    void Settle(Entry& entry);
    void KeepInputWithinBudget();
    void EnforceDeadlines(Clock::time_point now);
    void Sweep();
    void Fail(const std::string& message, int code);
    void CloseAll();

    Handler handler_;
    ServerOptions options_;
    std::vector<Socket> listeners_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    Waker waker_;
    std::atomic<std::uint64_t> wakeUps_{0};
    std::thread thread_;

    // Touched by the server's thread only (and by Stop() once it has ended).
    std::size_t bufferedInput_ = 0;             // request bytes held by all entries (kept by each connection)
    std::vector<Entry> entries_;                // in order of arrival
    std::vector<PollItem> pollItems_;           // the entries', then the polled listeners'
    std::vector<std::size_t> polledListeners_;  // which listeners were polled
    std::vector<Socket> waiting_;               // newcomers that found no place last turn
    std::size_t counted_ = 0;                   // entries holding a place under maxConnections
    std::size_t shedFrom_ = 0;                  // where the search for an entry to shed starts
    Clock::time_point acceptPausedUntil_{};
    Clock::time_point housekeepingDue_{};  // when options_.housekeeping is next called
    Clock::duration acceptPause_{};
};

// "127.0.0.1:80", "[::1]:80": an address and port as they stand in a URL.
std::string Authority(const std::string& address, std::uint16_t port);

}  // namespace httpd
