#pragma once
// Looks identifiers up at the store in the background and keeps the answers.
//
// Request() queues what the cache does not hold and returns at once; a few
// worker threads send the queue in batches (one call for up to kBatchSize
// identifiers of one country), at most kMaxCallsAtOnce at a time and within
// the store's documented pace for the whole service (RateLimit). Identifiers
// are asked and kept by value (store_id.h).
//
// The queue is bounded for the whole service (maxWaiting, besides the
// identifiers of held calls that go back into it): what does not fit is not
// queued, and its view says so. Each queued identifier remembers who
// wants it (a weak reference to the page's list, whose owner is the page
// store): once no page that wants it is left, it leaves the queue unasked.
// The service never calls out to its callers with its lock held, so a caller
// may hold a lock of its own around any call here.
//
// A 429 or 503 holds every call back for its Retry-After (a minute when it
// gives none, an hour at most); the identifiers of that call go back to the
// front of the queue and are asked when the hold ends. View() says what is
// known of each identifier and how long a hold still lasts; it asks again for
// those whose last call failed a while ago. Stop() ends every call under way.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "service/lookup/details_cache.h"
#include "service/lookup/event_throttle.h"
#include "service/lookup/lookup_client.h"
#include "service/lookup/rate_limit.h"

namespace lookup {

inline constexpr std::size_t kBatchSize = 100;
inline constexpr std::size_t kMaxCallsAtOnce = 3;
inline constexpr std::size_t kCallsPerMinute = 20;
// Identifiers waiting for a call, for the whole service: five minutes of calls at the store's pace.
inline constexpr std::size_t kMaxWaiting = 10000;

struct LookupConfig {
    std::string baseUrl;  // "https://itunes.apple.com/lookup": the query is added
    std::size_t batchSize = kBatchSize;
    std::size_t maxCallsAtOnce = kMaxCallsAtOnce;
    std::size_t callsPerMinute = kCallsPerMinute;
    std::size_t maxWaiting = kMaxWaiting;
    std::chrono::seconds defaultHold{60};       // a 429 or 503 without Retry-After
    std::chrono::seconds maxHold{3600};         // a longer Retry-After is cut to this
    std::chrono::seconds retryFailedAfter{30};  // a failed identifier is asked again on a view after this
    FetchLimits fetch;
    CacheLimits cache;
    // Hears failed calls, holds and identifiers that found no room, one line
    // per kind of event a minute at most; called on a worker's or a caller's
    // thread with no lock of the service held. Optional.
    std::function<void(const std::string& line)> log;
};

enum class IdState {
    kFound,
    kMissing,      // the store does not list it
    kLoading,      // queued or under way
    kHeld,         // queued while the store has asked for no calls
    kFailed,       // the last call failed; asked again on a view after retryFailedAfter
    kUnqueued,     // no room in the queue: asked again on a later view
    kNotAStoreId,  // too long to be a store identifier: never asked
};

struct IdView {
    IdState state = IdState::kLoading;
    std::shared_ptr<const AppDetails> app;  // for kFound
};

struct LookupView {
    std::vector<IdView> ids;  // in the order asked
    std::size_t found = 0, missing = 0, loading = 0, held = 0, failed = 0, unqueued = 0, notStoreIds = 0;
    Clock::duration holdLeft{};  // while positive, the store has asked for no calls for this long

    void Add(IdView item);
    // Whether any identifier's answer may still come without a view asking again.
    bool Waiting() const { return loading + held != 0; }
};

// Whom a queued identifier is for: the page's list (any shared object); once
// it is gone, the identifier is no longer wanted by that page.
using Interest = std::weak_ptr<const void>;

class LookupService {
public:
    LookupService(LookupConfig config, std::unique_ptr<LookupClient> client, Now now = Clock::now);
    ~LookupService();  // Stop()
    LookupService(const LookupService&) = delete;
    LookupService& operator=(const LookupService&) = delete;

    // Queues for `wanter` the identifiers that are neither cached nor under way, as far as the queue has room.
    // Never blocks on the network.
    void Request(const std::string& country, const std::vector<std::string>& ids, const Interest& wanter);

    // What is known of each identifier now. Queues for `wanter` again those new,
    // expired, without room before, or failed over retryFailedAfter ago.
    LookupView View(const std::string& country, const std::vector<std::string>& ids, const Interest& wanter);

    // Ends the calls under way and the workers; returns within about a second. Safe to call twice.
    void Stop();

    // Changes whenever an answer or a failure is recorded or an identifier queued.
    std::uint64_t Generation();

    // The call's address for a batch: baseUrl?id=1,2,3&country=cc&entity=software.
    std::string CallUrl(const std::string& country, const std::vector<std::string>& values) const;

private:
    struct Waiting {
        std::string country;
        std::string value;
        std::vector<Interest> wanters;
    };
    struct Batch {
        std::string country;
        std::vector<Waiting> items;
    };
    enum class Queued { kYes, kNoRoom };
    enum EventKind : std::size_t { kCallFailed, kHold, kNoRoom, kEventKinds };

    void Work();
    bool TakeBatch(std::unique_lock<std::mutex>& lock, Batch& batch);
    void Record(Batch& batch, const FetchResult& result);
    void RecordAnswer(const Batch& batch, std::vector<AppDetails> apps);
    void RecordFailure(const Batch& batch, const FetchResult& result);
    void HoldBack(Batch& batch, const FetchResult& result);
    IdView ViewOf(const std::string& country, const std::string& id, const Interest& wanter, Clock::time_point now,
                  bool& pruned);
    Queued QueueLocked(const std::string& country, const std::string& value, const Interest& wanter, bool& pruned);
    void DropUnwanted();
    void NoteLocked(EventKind kind, std::string line);
    void NoteNoRoom(std::size_t count);
    void WriteNotes(std::unique_lock<std::mutex>& lock);
    bool HeldLocked(Clock::time_point now) const;

    LookupConfig config_;
    std::unique_ptr<LookupClient> client_;
    Now now_;
    Cancellation cancellation_;
    std::mutex mutex_;
    std::condition_variable wake_;
    DetailsCache cache_;
    RateLimit rate_;
    std::list<Waiting> queue_;                                              // oldest first
    std::unordered_map<std::string, std::list<Waiting>::iterator> queued_;  // by LookupKey
    std::unordered_set<std::string> underWay_;                              // keys of the calls under way
    std::unordered_map<std::string, Clock::time_point> failed_;             // last failure of each key
    EventThrottle throttle_;
    std::vector<std::string> notes_;  // lines for config_.log, written once the lock is let go
    bool stopping_ = false;
    std::uint64_t generation_ = 0;
    std::vector<std::thread> workers_;
};

}  // namespace lookup
