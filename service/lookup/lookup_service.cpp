#include "service/lookup/lookup_service.h"

#include <algorithm>

#include "service/lookup/store_response.h"

namespace lookup {

namespace {

std::string KeyOf(const std::string& country, const std::string& id) { return country + ":" + id; }

// A key's country and identifier ("de:284882215").
std::pair<std::string, std::string> SplitKey(const std::string& key) {
    const std::size_t colon = key.find(':');
    return {key.substr(0, colon), key.substr(colon + 1)};
}

// Failures remembered at most; past it the record starts afresh (those
// identifiers are then simply looked up again on the next view).
constexpr std::size_t kMaxFailuresKept = 20000;

}  // namespace

LookupService::LookupService(LookupConfig config, std::unique_ptr<LookupClient> client, Now now)
        : config_(std::move(config)),
          client_(std::move(client)),
          now_(std::move(now)),
          cache_(config_.cache, now_),
          rate_(config_.callsPerMinute) {
    config_.batchSize = std::max<std::size_t>(config_.batchSize, 1);
    const std::size_t workers = std::max<std::size_t>(config_.maxCallsAtOnce, 1);
    for (std::size_t i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
}

LookupService::~LookupService() { Stop(); }

void LookupService::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    cancellation_.Cancel();
    for (std::thread& worker : workers_) {
        if (worker.joinable()) worker.join();
    }
}

std::string LookupService::CallUrl(const std::string& country, const std::vector<std::string>& ids) const {
    std::string url = config_.baseUrl + (config_.baseUrl.find('?') == std::string::npos ? "?" : "&") + "id=";
    for (std::size_t i = 0; i < ids.size(); ++i) url += (i == 0 ? "" : ",") + ids[i];
    return url + "&country=" + country + "&entity=software";
}

void LookupService::QueueLocked(const std::string& country, const std::string& id) {
    std::string key = KeyOf(country, id);
    if (!pending_.insert(key).second) return;
    failed_.erase(key);
    queue_.push_back(std::move(key));
    ++generation_;
    wake_.notify_one();
}

void LookupService::Request(const std::string& country, const std::vector<std::string>& ids) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    for (const std::string& id : ids) {
        if (!cache_.Find(country, id)) QueueLocked(country, id);
    }
}

LookupView LookupService::View(const std::string& country, const std::vector<std::string>& ids) {
    LookupView view;
    view.ids.reserve(ids.size());
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = now_();
    for (const std::string& id : ids) {
        IdView item;
        if (std::optional<CachedAnswer> answer = cache_.Find(country, id)) {
            item.state = answer->app ? IdState::kFound : IdState::kMissing;
            item.app = std::move(answer->app);
        } else if (const auto failure = failed_.find(KeyOf(country, id));
                   failure != failed_.end() && now - failure->second < config_.retryFailedAfter) {
            item.state = IdState::kFailed;
        } else if (!stopping_) {
            QueueLocked(country, id);  // new, expired, or failed a while ago: ask (again)
            item.state = IdState::kLoading;
        } else {
            item.state = IdState::kFailed;
        }
        ++(item.state == IdState::kFound     ? view.found
           : item.state == IdState::kMissing ? view.missing
           : item.state == IdState::kLoading ? view.loading
                                             : view.failed);
        view.ids.push_back(std::move(item));
    }
    view.storeAnswered = !lastCallFailed_;
    return view;
}

LookupStats LookupService::Stats() {
    std::lock_guard<std::mutex> lock(mutex_);
    LookupStats stats = stats_;
    stats.cachedEntries = cache_.Count();
    stats.cachedBytes = cache_.Bytes();
    return stats;
}

std::uint64_t LookupService::Generation() {
    std::lock_guard<std::mutex> lock(mutex_);
    return generation_;
}

// Waits until a call may start and takes the next batch: the oldest queued
// identifier and the others of its country, in queue order. False when stopping.
bool LookupService::TakeBatch(std::unique_lock<std::mutex>& lock, Batch& batch) {
    for (;;) {
        if (stopping_) return false;
        if (queue_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const Clock::time_point now = now_();
        const Clock::time_point next = rate_.NextCall(now);
        if (next > now) {
            wake_.wait_for(lock, next - now);
            continue;
        }
        rate_.Take(now);
        ++stats_.calls;
        batch.country = SplitKey(queue_.front()).first;
        batch.ids.clear();
        for (auto key = queue_.begin(); key != queue_.end() && batch.ids.size() < config_.batchSize;) {
            auto [country, id] = SplitKey(*key);
            if (country != batch.country) {
                ++key;
                continue;
            }
            batch.ids.push_back(std::move(id));
            key = queue_.erase(key);
        }
        return true;
    }
}

void LookupService::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    Batch batch;
    while (TakeBatch(lock, batch)) {
        const std::string url = CallUrl(batch.country, batch.ids);
        lock.unlock();
        const FetchResult result = client_->Get(url, config_.fetch, cancellation_);
        lock.lock();
        Record(batch, result);
    }
}

// Called with the mutex held.
void LookupService::Record(const Batch& batch, const FetchResult& result) {
    ++generation_;
    for (const std::string& id : batch.ids) pending_.erase(KeyOf(batch.country, id));
    if (result.outcome == FetchResult::Outcome::kCancelled) return;
    if (result.outcome == FetchResult::Outcome::kAnswered && (result.status == 429 || result.status == 503)) {
        const std::chrono::seconds hold = std::min(result.retryAfter.value_or(config_.defaultHold), config_.maxHold);
        rate_.HoldUntil(now_() + hold);
    }
    std::optional<std::vector<AppDetails>> apps;
    if (result.outcome == FetchResult::Outcome::kAnswered && result.status == 200) {
        apps = ReadStoreResponse(result.body);
    }
    if (!apps) {
        RecordFailure(batch);
        return;
    }
    lastCallFailed_ = false;
    std::unordered_set<std::string> listed;
    for (AppDetails& app : *apps) {
        if (std::find(batch.ids.begin(), batch.ids.end(), app.id) == batch.ids.end()) continue;  // not asked for
        listed.insert(app.id);
        cache_.PutFound(batch.country, std::move(app));
    }
    for (const std::string& id : batch.ids) {
        failed_.erase(KeyOf(batch.country, id));
        if (!listed.contains(id)) cache_.PutMissing(batch.country, id);
    }
}

void LookupService::RecordFailure(const Batch& batch) {
    ++stats_.failedCalls;
    lastCallFailed_ = true;
    if (failed_.size() + batch.ids.size() > kMaxFailuresKept) failed_.clear();
    const Clock::time_point now = now_();
    for (const std::string& id : batch.ids) failed_[KeyOf(batch.country, id)] = now;
}

}  // namespace lookup
