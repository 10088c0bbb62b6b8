#include "service/lookup/lookup_service.h"

#include <algorithm>

#include "service/lookup/store_id.h"
#include "service/lookup/store_response.h"

namespace lookup {

namespace {

// Failures remembered at most; past it the record starts afresh (those
// identifiers are then simply looked up again on the next view).
constexpr std::size_t kMaxFailuresKept = 20000;

bool SameOwner(const Interest& a, const Interest& b) { return !a.owner_before(b) && !b.owner_before(a); }

bool Wanted(const std::vector<Interest>& wanters) {
    return std::any_of(wanters.begin(), wanters.end(), [](const Interest& wanter) { return !wanter.expired(); });
}

// Adds `wanter` once, dropping the wanters that are gone.
void AddWanter(std::vector<Interest>& wanters, const Interest& wanter) {
    std::erase_if(wanters, [](const Interest& w) { return w.expired(); });
    for (const Interest& w : wanters) {
        if (SameOwner(w, wanter)) return;
    }
    wanters.push_back(wanter);
}

std::string Seconds(Clock::duration duration) {
    return std::to_string(std::chrono::ceil<std::chrono::seconds>(duration).count()) + " s";
}

// What went wrong with a call, for the log.
std::string FailureText(const FetchResult& result) {
    if (result.outcome != FetchResult::Outcome::kAnswered) return result.error;
    if (result.status != 200) return "HTTP " + std::to_string(result.status);
    return "an answer that is not the store's lookup JSON";
}

}  // namespace

void LookupView::Add(IdView item) {
    switch (item.state) {
    case IdState::kFound:
        ++found;
        break;
    case IdState::kMissing:
        ++missing;
        break;
    case IdState::kLoading:
        ++loading;
        break;
    case IdState::kHeld:
        ++held;
        break;
    case IdState::kFailed:
        ++failed;
        break;
    case IdState::kUnqueued:
        ++unqueued;
        break;
    case IdState::kNotAStoreId:
        ++notStoreIds;
        break;
    }
    ids.push_back(std::move(item));
}

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

std::string LookupService::CallUrl(const std::string& country, const std::vector<std::string>& values) const {
    std::string url = config_.baseUrl + (config_.baseUrl.find('?') == std::string::npos ? "?" : "&") + "id=";
    for (std::size_t i = 0; i < values.size(); ++i) url += (i == 0 ? "" : ",") + values[i];
    return url + "&country=" + country + "&entity=software";
}

bool LookupService::HeldLocked(Clock::time_point now) const { return rate_.HeldUntil() > now; }

// Drops the queued identifiers no page wants any more, once per caller's
// call at most (`pruned`), when the queue is full.
LookupService::Queued LookupService::QueueLocked(const std::string& country, const std::string& value,
                                                 const Interest& wanter, bool& pruned) {
    std::string key = LookupKey(country, value);
    if (underWay_.contains(key)) return Queued::kYes;
    if (const auto queued = queued_.find(key); queued != queued_.end()) {
        AddWanter(queued->second->wanters, wanter);
        return Queued::kYes;
    }
    if (queue_.size() >= config_.maxWaiting && !pruned) {
        pruned = true;
        DropUnwanted();
    }
    if (queue_.size() >= config_.maxWaiting) return Queued::kNoRoom;
    failed_.erase(key);
    queue_.push_back(Waiting{country, value, {wanter}});
    queued_.emplace(std::move(key), std::prev(queue_.end()));
    ++generation_;
    wake_.notify_one();
    return Queued::kYes;
}

void LookupService::DropUnwanted() {
    for (auto entry = queue_.begin(); entry != queue_.end();) {
        if (Wanted(entry->wanters)) {
            ++entry;
            continue;
        }
        queued_.erase(LookupKey(entry->country, entry->value));
        entry = queue_.erase(entry);
    }
}

void LookupService::Request(const std::string& country, const std::vector<std::string>& ids, const Interest& wanter) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopping_) return;
    bool pruned = false;
    std::size_t noRoom = 0;
    for (const std::string& id : ids) {
        const std::optional<std::string> value = StoreIdValue(id);
        if (!value || cache_.Find(country, *value)) continue;
        if (QueueLocked(country, *value, wanter, pruned) == Queued::kNoRoom) ++noRoom;
    }
    if (noRoom != 0) NoteNoRoom(noRoom);
    WriteNotes(lock);
}

IdView LookupService::ViewOf(const std::string& country, const std::string& id, const Interest& wanter,
                             Clock::time_point now, bool& pruned) {
    IdView item;
    const std::optional<std::string> value = StoreIdValue(id);
    if (!value) {
        item.state = IdState::kNotAStoreId;
        return item;
    }
    if (std::optional<CachedAnswer> answer = cache_.Find(country, *value)) {
        item.state = answer->app ? IdState::kFound : IdState::kMissing;
        item.app = std::move(answer->app);
        return item;
    }
    const std::string key = LookupKey(country, *value);
    const auto failure = failed_.find(key);
    if (stopping_ || (failure != failed_.end() && now - failure->second < config_.retryFailedAfter)) {
        item.state = IdState::kFailed;
    } else if (QueueLocked(country, *value, wanter, pruned) == Queued::kNoRoom) {
        item.state = IdState::kUnqueued;  // new, expired, or failed a while ago, and no room
    } else {
        item.state = HeldLocked(now) && !underWay_.contains(key) ? IdState::kHeld : IdState::kLoading;
    }
    return item;
}

LookupView LookupService::View(const std::string& country, const std::vector<std::string>& ids,
                               const Interest& wanter) {
    LookupView view;
    view.ids.reserve(ids.size());
    std::unique_lock<std::mutex> lock(mutex_);
    const Clock::time_point now = now_();
    bool pruned = false;
    for (const std::string& id : ids) view.Add(ViewOf(country, id, wanter, now, pruned));
    if (HeldLocked(now)) view.holdLeft = rate_.HeldUntil() - now;
    if (view.unqueued != 0) NoteNoRoom(view.unqueued);
    WriteNotes(lock);
    return view;
}

std::uint64_t LookupService::Generation() {
    std::lock_guard<std::mutex> lock(mutex_);
    return generation_;
}

// Waits until a call may start and takes the next batch: the oldest queued
// identifier that a page still wants and the others of its country, in queue
// order. Identifiers that no page wants any more leave the queue unasked.
// False when stopping.
bool LookupService::TakeBatch(std::unique_lock<std::mutex>& lock, Batch& batch) {
    for (;;) {
        if (stopping_) return false;
        while (!queue_.empty() && !Wanted(queue_.front().wanters)) {
            queued_.erase(LookupKey(queue_.front().country, queue_.front().value));
            queue_.pop_front();
        }
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
        batch.country = queue_.front().country;
        batch.items.clear();
        for (auto entry = queue_.begin(); entry != queue_.end() && batch.items.size() < config_.batchSize;) {
            if (entry->country != batch.country) {
                ++entry;
                continue;
            }
            std::string key = LookupKey(entry->country, entry->value);
            queued_.erase(key);
            if (Wanted(entry->wanters)) {
                underWay_.insert(std::move(key));
                batch.items.push_back(std::move(*entry));
            }
            entry = queue_.erase(entry);
        }
        return true;
    }
}

void LookupService::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    Batch batch;
    while (TakeBatch(lock, batch)) {
        std::vector<std::string> values;
        for (const Waiting& item : batch.items) values.push_back(item.value);
        const std::string url = CallUrl(batch.country, values);
        lock.unlock();
        const FetchResult result = client_->Get(url, config_.fetch, cancellation_);
        lock.lock();
        Record(batch, result);
        WriteNotes(lock);
    }
}

// Called with the mutex held.
void LookupService::Record(Batch& batch, const FetchResult& result) {
    ++generation_;
    for (const Waiting& item : batch.items) underWay_.erase(LookupKey(batch.country, item.value));
    if (result.outcome == FetchResult::Outcome::kCancelled) return;
    const bool answered = result.outcome == FetchResult::Outcome::kAnswered;
    if (answered && (result.status == 429 || result.status == 503)) {
        HoldBack(batch, result);
        return;
    }
    std::optional<std::vector<AppDetails>> apps;
    if (answered && result.status == 200) apps = ReadStoreResponse(result.body);
    if (apps) {
        RecordAnswer(batch, std::move(*apps));
    } else {
        RecordFailure(batch, result);
    }
}

void LookupService::RecordAnswer(const Batch& batch, std::vector<AppDetails> apps) {
    std::unordered_set<std::string> listed;
    for (AppDetails& app : apps) {
        const bool asked = std::any_of(batch.items.begin(), batch.items.end(),
                                       [&app](const Waiting& item) { return item.value == app.id; });
        if (!asked) continue;
        listed.insert(app.id);
        cache_.PutFound(batch.country, std::move(app));
    }
    for (const Waiting& item : batch.items) {
        failed_.erase(LookupKey(batch.country, item.value));
        if (!listed.contains(item.value)) cache_.PutMissing(batch.country, item.value);
    }
}

void LookupService::RecordFailure(const Batch& batch, const FetchResult& result) {
    NoteLocked(kCallFailed, "a call to the store failed (" + FailureText(result) + "); its identifiers (" +
                                std::to_string(batch.items.size()) + ") are asked again on a view " +
                                Seconds(config_.retryFailedAfter) + " or more later");
    if (failed_.size() + batch.items.size() > kMaxFailuresKept) failed_.clear();
    const Clock::time_point now = now_();
    for (const Waiting& item : batch.items) failed_[LookupKey(batch.country, item.value)] = now;
}

// A 429 or 503: no call before the store's time, and this call's identifiers
// back at the front of the queue, to be asked first when the hold ends.
void LookupService::HoldBack(Batch& batch, const FetchResult& result) {
    const std::chrono::seconds asked = result.retryAfter.value_or(config_.defaultHold);
    const std::chrono::seconds hold = std::clamp(asked, std::chrono::seconds(0), config_.maxHold);
    rate_.HoldUntil(now_() + hold);
    NoteLocked(kHold, "the store asked for no calls for " + Seconds(hold) + " (HTTP " + std::to_string(result.status) +
                          (result.retryAfter ? ", Retry-After" : ", no Retry-After") +
                          "); the identifiers of that call (" + std::to_string(batch.items.size()) +
                          ") wait for its end");
    for (auto item = batch.items.rbegin(); item != batch.items.rend(); ++item) {
        std::string key = LookupKey(batch.country, item->value);
        if (queued_.contains(key) || !Wanted(item->wanters)) continue;
        queue_.push_front(std::move(*item));
        queued_.emplace(std::move(key), queue_.begin());
    }
    wake_.notify_all();
}

void LookupService::NoteNoRoom(std::size_t count) {
    NoteLocked(kNoRoom, "the queue is full (" + std::to_string(queue_.size()) + " identifiers waiting); " +
                            std::to_string(count) + " found no room and are queued on a later view");
}

void LookupService::NoteLocked(EventKind kind, std::string line) {
    if (!config_.log) return;
    std::size_t leftOut = 0;
    if (!throttle_.Allow(kind, now_(), leftOut)) return;
    if (leftOut != 0) line += " (" + std::to_string(leftOut) + " more like it since the last such line)";
    notes_.push_back("lookups: " + std::move(line));
}

// Writes the lines noted so far with the lock let go, then takes it again.
void LookupService::WriteNotes(std::unique_lock<std::mutex>& lock) {
    if (notes_.empty()) return;
    std::vector<std::string> lines;
    lines.swap(notes_);
    lock.unlock();
    for (const std::string& line : lines) config_.log(line);
    lock.lock();
}

}  // namespace lookup
