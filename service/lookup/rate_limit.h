#pragma once
// The pace of calls to the store for the whole service: at most a number of
// calls in any minute, and none at all while the store has asked to be left
// alone (a 429 or 503 with its Retry-After). Not thread-safe: its owner locks.

#include <chrono>
#include <cstddef>
#include <deque>

namespace lookup {

class RateLimit {
public:
    using Clock = std::chrono::steady_clock;

    explicit RateLimit(std::size_t callsPerMinute) : callsPerMinute_(callsPerMinute == 0 ? 1 : callsPerMinute) {}

    // The earliest time a call may start: `now` when one may start at once.
    Clock::time_point NextCall(Clock::time_point now);

    // A call starts at `now` (the caller has waited for NextCall).
    void Take(Clock::time_point now);

    // No call before `until` (a later hold wins over an earlier one).
    void HoldUntil(Clock::time_point until);

    Clock::time_point HeldUntil() const { return heldUntil_; }

private:
    void Prune(Clock::time_point now);

    std::size_t callsPerMinute_;
    std::deque<Clock::time_point> recent_;  // starts of the calls of the last minute, oldest first
    Clock::time_point heldUntil_{};
};

}  // namespace lookup
