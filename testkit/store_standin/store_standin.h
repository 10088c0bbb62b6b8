#pragma once
// A stand-in for the store's public lookup, on the loopback, for tests, the
// demo and the benchmark: GET /lookup?id=1,2&country=cc&entity=software answers
// {"resultCount":N,"results":[...]} with the records it was given for those
// identifiers (in the order asked; identifiers it has none for are left out,
// as the store does), and GET /icons/<name>.png a generated icon (IconPng of
// the name). On demand it
// answers slowly, with 429 (with or without Retry-After), 500, a body that is
// not JSON, a body of 100 MB, or never at all.
//
// Each connection is served by a thread of its own with blocking sockets, so
// a connection that is never answered holds nothing else up.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "service/http/socket.h"
#include "testkit/store_standin/png_icon.h"

namespace standin {

enum class Behaviour {
    kAnswer,       // the records asked for
    kTooMany,      // 429, with Retry-After when retryAfter is not empty
    kUnavailable,  // 503, likewise
    kServerError,  // 500
    kNotJson,      // 200 with an HTML error page
    kHuge,         // 200 with a body of 100 MB (sent while the client reads)
    kSilent,       // takes the request and never answers, until Stop()
};

// One lookup request as it arrived.
struct LookupCall {
    std::string target;
    std::vector<std::string> ids;
    std::string country;
    std::string headers;  // the request's header lines, as sent
};

class StandinStore {
public:
    StandinStore();   // listens on 127.0.0.1 at a free port; throws httpd::SocketError
    ~StandinStore();  // Stop()
    StandinStore(const StandinStore&) = delete;
    StandinStore& operator=(const StandinStore&) = delete;

    std::uint16_t Port() const { return port_; }
    std::string Origin() const;     // "http://127.0.0.1:PORT"
    std::string LookupUrl() const;  // Origin() + "/lookup"

    // The record (a JSON object's text, taken as it is) answered for `id`.
    void SetRecord(const std::string& id, std::string recordJson);
    void SetBehaviour(Behaviour behaviour, std::string retryAfter = {});
    void SetDelayMs(int delayMs);  // before each lookup answer
    // Called with the target of every request as it arrives (icons too), on
    // the connection's thread; set it before the first request.
    void SetRequestObserver(std::function<void(const std::string&)> observer);

    std::vector<LookupCall> Calls();
    std::size_t CallCount();
    std::size_t MostAtOnce();  // lookups being answered at the same time, at most

    // Closes every connection, the silent ones too; returns when every thread has ended.
    void Stop();

private:
    void Accept();
    void Serve(httpd::Socket connection);
    std::string LookupAnswer(const LookupCall& call);
    bool Wait(int milliseconds);  // false when stopping

    httpd::Socket listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable stopped_;
    std::map<std::string, std::string> records_;
    Behaviour behaviour_ = Behaviour::kAnswer;
    std::string retryAfter_;
    int delayMs_ = 0;
    std::function<void(const std::string&)> observer_;
    std::vector<LookupCall> calls_;
    std::size_t atOnce_ = 0, mostAtOnce_ = 0;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
};

// Text as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

// A record in the store's shape for an app named `name` (every field the page
// shows, with plausible values); `artworkUrl` as given.
std::string TypicalRecord(const std::string& id, const std::string& name, const std::string& artworkUrl);

}  // namespace standin
