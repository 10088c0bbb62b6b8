#pragma once
// Storage for the directory's names, comments and extra fields: text is
// copied into blocks that double in size as they fill, and handed out as
// views that stay valid until Clear. Blocks are never moved, so growth does
// not invalidate a view, and the whole directory's text is released in a few
// frees.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/bulk_memory.h"

namespace archive {

class TextArena {
public:
    static constexpr std::size_t kMinBlockBytes = 64 * 1024;
    // The second block and later ones are at least this large: bulk memory
    // backs blocks from this size on with large pages where the system has
    // them, so a large directory's names fault in a few pages, not hundreds.
    static constexpr std::size_t kLargeBlockBytes = std::size_t{2} << 20;

    TextArena() = default;
    TextArena(const TextArena&) = delete;
    TextArena& operator=(const TextArena&) = delete;

    // Room for `units` UTF-16 code units, uninitialised, valid until Clear.
    char16_t* AllocateUnits(std::size_t units) {
        return static_cast<char16_t*>(Allocate(units * sizeof(char16_t), alignof(char16_t)));
    }
    // Room for `bytes` bytes at `alignment` (a power of two), uninitialised.
    void* AllocateBytes(std::size_t bytes, std::size_t alignment) { return Allocate(bytes, alignment); }
    std::u16string_view Keep(std::u16string_view text);
    std::string_view Keep(std::string_view bytes);
    std::span<const std::uint8_t> Keep(std::span<const std::uint8_t> bytes);

    // Blocks double in size as they fill (the second is at least
    // kLargeBlockBytes); none grows past `bytes` (what the rest of the source
    // can still need), nor starts below kMinBlockBytes.
    void LimitBlockBytes(std::size_t bytes) { limit_ = bytes; }
    void Clear();
    std::size_t BlockCount() const { return blocks_.size(); }

private:
    // Inline where the last block has room, as it has for nearly every name.
    void* Allocate(std::size_t bytes, std::size_t alignment) {
        const std::size_t at = (used_ + alignment - 1) & ~(alignment - 1);
        if (blocks_.empty() || at > capacity_ || bytes > capacity_ - at) return AllocateInNewBlock(bytes);
        used_ = at + bytes;
        return blocks_.back().get() + at;
    }
    void* AllocateInNewBlock(std::size_t bytes);

    struct BlockDeleter {
        std::size_t bytes;
        void operator()(std::uint8_t* block) const noexcept { platform::FreeBulk(block, bytes); }
    };
    std::vector<std::unique_ptr<std::uint8_t[], BlockDeleter>> blocks_;
    std::size_t used_ = 0;      // bytes used in the last block
    std::size_t capacity_ = 0;  // size of the last block
    std::size_t nextBlockBytes_ = kMinBlockBytes;
    std::size_t limit_ = SIZE_MAX;
};

}  // namespace archive
