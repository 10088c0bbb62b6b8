#pragma once
// At most one log line per kind of event in an interval (a minute): an
// operator learns that the store failed or held the calls back without a line
// for every call. The lines left out are counted and named by the next one.
// Not thread-safe: its owner locks.

#include <chrono>
#include <cstddef>
#include <unordered_map>

namespace lookup {

class EventThrottle {
public:
    using Clock = std::chrono::steady_clock;

    explicit EventThrottle(Clock::duration interval = std::chrono::minutes(1)) : interval_(interval) {}

    // Whether a line of `kind` may be written at `now`; if so, `leftOut` is
    // how many of that kind were not written since the last one. A line not
    // allowed is counted.
    bool Allow(std::size_t kind, Clock::time_point now, std::size_t& leftOut);

private:
    struct Kind {
        Clock::time_point last{};
        bool written = false;
        std::size_t leftOut = 0;
    };
    Clock::duration interval_;
    std::unordered_map<std::size_t, Kind> kinds_;
};

}  // namespace lookup
