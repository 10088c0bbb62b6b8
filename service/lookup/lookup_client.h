#pragma once
// One GET to the store's lookup address. posix/curl_client.cpp (libcurl) and
// win32/winhttp_client.cpp (WinHTTP, the system's proxy settings and TLS)
// implement it; CMake picks one.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace lookup {

// Lets another thread end calls under way: Cancel() sets the flag (which
// libcurl's progress callback reads) and runs every registered action (WinHTTP
// closes the request handle, which ends a blocking call at once).
class Cancellation {
public:
    using Action = std::function<void()>;

    void Cancel();
    bool Cancelled() const { return cancelled_.load(); }

    // Runs `action` on Cancel(), or at once when already cancelled; the id is
    // for Remove. The action runs with the registry's lock held: keep it short.
    std::size_t Add(Action action);
    void Remove(std::size_t id);

private:
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::map<std::size_t, Action> actions_;
    std::size_t nextId_ = 0;
};

struct FetchLimits {
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds totalTimeout{20000};  // the whole call, connect included
    std::size_t maxBodyBytes = std::size_t{4} << 20;
};

struct FetchResult {
    enum class Outcome {
        kAnswered,   // `status` and `body` hold the answer
        kFailed,     // no answer: no network, refused, timed out, TLS, a body over the bound
        kCancelled,  // Cancellation::Cancel ended it
    };
    Outcome outcome = Outcome::kFailed;
    int status = 0;
    std::string body;
    std::optional<std::chrono::seconds> retryAfter;  // a Retry-After as a delay (retry_after.h), when given
    std::string error;                               // for the log: what failed
};

class LookupClient {
public:
    virtual ~LookupClient() = default;
    // Blocks for at most limits.totalTimeout (and about a second longer when
    // cancelled); sends no cookie and follows no redirect.
    virtual FetchResult Get(const std::string& url, const FetchLimits& limits, Cancellation& cancellation) = 0;
};

// The system's client (libcurl or WinHTTP).
std::unique_ptr<LookupClient> MakeSystemClient();

}  // namespace lookup
