#include "service/lookup/lookup_client.h"

namespace lookup {

void Cancellation::Cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    for (auto& [id, action] : actions_) action();
    actions_.clear();
}

std::size_t Cancellation::Add(Action action) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t id = nextId_++;
    if (cancelled_) {
        action();
    } else {
        actions_.emplace(id, std::move(action));
    }
    return id;
}

void Cancellation::Remove(std::size_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    actions_.erase(id);
}

}  // namespace lookup
