#include "archive/text_arena.h"

#include <algorithm>
#include <cstring>

namespace archive {

// A request that does not fit the last block starts a new one, at least as
// large as the request; what was left of the old block stays unused. Each
// block is twice the last, and past the first at least a large page, so the
// storage grows with what it holds: a small directory takes one small block,
// a large one a few large blocks, about twice what was kept at most.
void* TextArena::AllocateInNewBlock(std::size_t bytes) {
    const std::size_t grown = std::clamp(nextBlockBytes_, kMinBlockBytes, std::max(limit_, kMinBlockBytes));
    capacity_ = std::max(bytes, grown);
    blocks_.emplace_back(static_cast<std::uint8_t*>(platform::AllocateBulk(capacity_)), BlockDeleter{capacity_});
    nextBlockBytes_ = std::max(capacity_ <= SIZE_MAX / 2 ? 2 * capacity_ : capacity_, kLargeBlockBytes);
    used_ = bytes;
    return blocks_.back().get();
}

std::u16string_view TextArena::Keep(std::u16string_view text) {
    if (text.empty()) return {};
    char16_t* target = AllocateUnits(text.size());
    std::memcpy(target, text.data(), text.size() * sizeof(char16_t));
    return {target, text.size()};
}

std::string_view TextArena::Keep(std::string_view bytes) {
    if (bytes.empty()) return {};
    auto* target = static_cast<char*>(Allocate(bytes.size(), 1));
    std::memcpy(target, bytes.data(), bytes.size());
    return {target, bytes.size()};
}

std::span<const std::uint8_t> TextArena::Keep(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return {};
    auto* target = static_cast<std::uint8_t*>(Allocate(bytes.size(), 1));
    std::memcpy(target, bytes.data(), bytes.size());
    return {target, bytes.size()};
}

void TextArena::Clear() {
    blocks_.clear();
    used_ = 0;
    capacity_ = 0;
    nextBlockBytes_ = kMinBlockBytes;
    limit_ = SIZE_MAX;
}

}  // namespace archive
