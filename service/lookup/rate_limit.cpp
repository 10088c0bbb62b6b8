#include "service/lookup/rate_limit.h"

#include <algorithm>

namespace lookup {

namespace {
constexpr auto kWindow = std::chrono::minutes(1);
}

void RateLimit::Prune(Clock::time_point now) {
    while (!recent_.empty() && recent_.front() + kWindow <= now) recent_.pop_front();
}

RateLimit::Clock::time_point RateLimit::NextCall(Clock::time_point now) {
    Prune(now);
    Clock::time_point next = std::max(now, heldUntil_);
    if (recent_.size() >= callsPerMinute_) {
        // The call that leaves the window makes room for one more.
        next = std::max(next, recent_[recent_.size() - callsPerMinute_] + kWindow);
    }
    return next;
}

void RateLimit::Take(Clock::time_point now) {
    Prune(now);
    recent_.push_back(now);
}

void RateLimit::HoldUntil(Clock::time_point until) { heldUntil_ = std::max(heldUntil_, until); }

}  // namespace lookup
