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

std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
        value.remove_suffix(1);
    if (value.empty() || value.size() > 9) return std::nullopt;
    long long seconds = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return std::nullopt;
        seconds = seconds * 10 + (c - '0');
    }
    return std::chrono::seconds(seconds);
}

}  // namespace lookup
