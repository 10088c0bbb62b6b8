#include "service/lookup/details_cache.h"

#include "service/lookup/store_id.h"

namespace lookup {

namespace {

// Bookkeeping of one entry besides its record: the list node, the map slot and the key twice.
std::size_t OverheadBytes(const std::string& key) { return 128 + 2 * key.size(); }

}  // namespace

DetailsCache::DetailsCache(CacheLimits limits, Now now) : limits_(limits), now_(std::move(now)) {}

std::optional<CachedAnswer> DetailsCache::Find(const std::string& country, const std::string& id) {
    const auto found = byKey_.find(LookupKey(country, id));
    if (found == byKey_.end()) return std::nullopt;
    const auto entry = found->second;
    if (now_() >= entry->expires) {
        Erase(entry);
        return std::nullopt;
    }
    entries_.splice(entries_.begin(), entries_, entry);
    return entry->answer;
}

void DetailsCache::PutFound(const std::string& country, AppDetails app) {
    const std::string id = app.id;
    const std::size_t bytes = app.Bytes();
    Put(country, id, CachedAnswer{std::make_shared<const AppDetails>(std::move(app))}, limits_.foundLife, bytes);
}

void DetailsCache::PutMissing(const std::string& country, const std::string& id) {
    Put(country, id, CachedAnswer{}, limits_.missingLife, 0);
}

void DetailsCache::Put(const std::string& country, const std::string& id, CachedAnswer answer, Clock::duration life,
                       std::size_t bytes) {
    std::string key = LookupKey(country, id);
    if (const auto old = byKey_.find(key); old != byKey_.end()) Erase(old->second);
    bytes += OverheadBytes(key);
    if (bytes > limits_.maxBytes) return;
    while (bytes_ + bytes > limits_.maxBytes && !entries_.empty()) Erase(std::prev(entries_.end()));
    entries_.push_front(Entry{std::move(key), std::move(answer), now_() + life, bytes});
    byKey_.emplace(entries_.front().key, entries_.begin());
    bytes_ += bytes;
}

void DetailsCache::Erase(std::list<Entry>::iterator entry) {
    bytes_ -= entry->bytes;
    byKey_.erase(entry->key);
    entries_.erase(entry);
}

}  // namespace lookup
