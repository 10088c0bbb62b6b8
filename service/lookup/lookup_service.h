#pragma once
// Looks identifiers up at the store in the background and keeps the answers.
//
// Request() queues what the cache does not hold and returns at once; a few
// worker threads send the queue in batches (one call for up to kBatchSize
// identifiers of one country), at most kMaxCallsAtOnce at a time and within
// the store's documented pace for the whole service (RateLimit). A 429 or 503
// holds every call back for its Retry-After (a minute when it gives none).
// View() says what is known of each identifier; it asks again for those whose
// last lookup failed a while ago. Stop() ends every call under way.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "service/lookup/details_cache.h"
#include "service/lookup/lookup_client.h"
#include "service/lookup/rate_limit.h"

namespace lookup {

inline constexpr std::size_t kBatchSize = 100;
inline constexpr std::size_t kMaxCallsAtOnce = 3;
inline constexpr std::size_t kCallsPerMinute = 20;

struct LookupConfig {
    std::string baseUrl;  // "https://itunes.apple.com/lookup": the query is added
    std::size_t batchSize = kBatchSize;
    std::size_t maxCallsAtOnce = kMaxCallsAtOnce;
    std::size_t callsPerMinute = kCallsPerMinute;
    std::chrono::seconds defaultHold{60};       // a 429 or 503 without Retry-After
    std::chrono::seconds maxHold{3600};         // a longer Retry-After is cut to this
    std::chrono::seconds retryFailedAfter{30};  // a failed identifier is asked again on a view after this
    FetchLimits fetch;
    CacheLimits cache;
};

enum class IdState { kFound, kMissing, kLoading, kFailed };

struct IdView {
    IdState state = IdState::kLoading;
    std::shared_ptr<const AppDetails> app;  // for kFound
};

struct LookupView {
    std::vector<IdView> ids;  // in the order asked
    std::size_t found = 0, missing = 0, loading = 0, failed = 0;
    bool storeAnswered = true;  // false: the last call failed (unreachable, refused, rate limit, not JSON)
};

struct LookupStats {
    std::size_t calls = 0;        // calls started
    std::size_t failedCalls = 0;  // calls without a usable answer
    std::size_t cachedEntries = 0;
    std::size_t cachedBytes = 0;
};

class LookupService {
public:
    LookupService(LookupConfig config, std::unique_ptr<LookupClient> client, Now now = Clock::now);
    ~LookupService();  // Stop()
    LookupService(const LookupService&) = delete;
    LookupService& operator=(const LookupService&) = delete;

    // Queues the identifiers that are neither cached, queued nor under way. Never blocks on the network.
    void Request(const std::string& country, const std::vector<std::string>& ids);

    // What is known of each identifier now; queues again those whose lookup failed over retryFailedAfter ago.
    LookupView View(const std::string& country, const std::vector<std::string>& ids);

    // Ends the calls under way and the workers; returns within about a second. Safe to call twice.
    void Stop();

    LookupStats Stats();
    // Changes whenever an answer or a failure is recorded.
    std::uint64_t Generation();
    const LookupConfig& Config() const { return config_; }

    // The call's address for a batch: baseUrl?id=1,2,3&country=cc&entity=software.
    std::string CallUrl(const std::string& country, const std::vector<std::string>& ids) const;

private:
    struct Batch {
        std::string country;
        std::vector<std::string> ids;
    };
    void Work();
    bool TakeBatch(std::unique_lock<std::mutex>& lock, Batch& batch);
    void Record(const Batch& batch, const FetchResult& result);
    void RecordFailure(const Batch& batch);
    void QueueLocked(const std::string& country, const std::string& id);

    LookupConfig config_;
    std::unique_ptr<LookupClient> client_;
    Now now_;
    Cancellation cancellation_;
    std::mutex mutex_;
    std::condition_variable wake_;
    DetailsCache cache_;
    RateLimit rate_;
    std::deque<std::string> queue_;                              // "cc:id", oldest first
    std::unordered_set<std::string> pending_;                    // queued or under way
    std::unordered_map<std::string, Clock::time_point> failed_;  // last failure of each key
    bool lastCallFailed_ = false;
    bool stopping_ = false;
    LookupStats stats_;
    std::uint64_t generation_ = 0;
    std::vector<std::thread> workers_;
};

}  // namespace lookup
