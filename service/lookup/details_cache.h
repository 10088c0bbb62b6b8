#pragma once
// The store's answers kept in memory, per store country and identifier (by
// value, store_id.h): an app the store lists for a day, an identifier it does
// not list for a few hours. The whole is bounded in bytes; past the bound the
// entry used least recently goes first. Nothing is written to disk. Not thread-safe: its owner locks.

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "service/lookup/app_details.h"

namespace lookup {

using Clock = std::chrono::steady_clock;
using Now = std::function<Clock::time_point()>;

struct CacheLimits {
    std::size_t maxBytes = std::size_t{8} << 20;
    Clock::duration foundLife = std::chrono::hours(24);
    Clock::duration missingLife = std::chrono::hours(3);
};

// What the cache knows of one identifier: the app, or that the store does not list it.
struct CachedAnswer {
    std::shared_ptr<const AppDetails> app;  // nullptr: not listed in that country
};

class DetailsCache {
public:
    explicit DetailsCache(CacheLimits limits = {}, Now now = Clock::now);

    // The answer for (country, id) while it is fresh (and marks it used), else nullopt.
    std::optional<CachedAnswer> Find(const std::string& country, const std::string& id);

    void PutFound(const std::string& country, AppDetails app);
    void PutMissing(const std::string& country, const std::string& id);

    std::size_t Count() const { return entries_.size(); }
    std::size_t Bytes() const { return bytes_; }

private:
    struct Entry {
        std::string key;
        CachedAnswer answer;
        Clock::time_point expires;
        std::size_t bytes = 0;
    };
    void Put(const std::string& country, const std::string& id, CachedAnswer answer, Clock::duration life,
             std::size_t bytes);
    void Erase(std::list<Entry>::iterator entry);

    CacheLimits limits_;
    Now now_;
    std::list<Entry> entries_;  // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> byKey_;
    std::size_t bytes_ = 0;
};

}  // namespace lookup
