#include "service/lookup/event_throttle.h"

namespace lookup {

bool EventThrottle::Allow(std::size_t kind, Clock::time_point now, std::size_t& leftOut) {
    Kind& state = kinds_[kind];
    if (state.written && now - state.last < interval_) {
        ++state.leftOut;
        return false;
    }
    leftOut = state.leftOut;
    state = Kind{now, true, 0};
    return true;
}

}  // namespace lookup
