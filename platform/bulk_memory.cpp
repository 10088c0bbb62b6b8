#include "platform/bulk_memory.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define VANTREL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTREL_ASAN 1
#endif
#endif
#if defined(VANTREL_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace platform {
namespace {

bool Recycled(std::size_t bytes) noexcept {
    return bytes >= bulk_detail::kMinRecycled && bytes <= bulk_detail::kMaxRecycled;
}

}  // namespace

namespace bulk_detail {

std::size_t SizeClass(std::size_t bytes) noexcept {
    if (!Recycled(bytes)) return bytes;
    const std::size_t step = std::bit_ceil(bytes) / 8;
    return (bytes + step - 1) / step * step;
}

}  // namespace bulk_detail

namespace {

using bulk_detail::kMaxKept;
using bulk_detail::kMaxKeptBlocks;

static_assert(bulk_detail::kMaxRecycled <= kMaxKept, "a recycled block always fits what a thread keeps");

// A kept block's bytes may not be touched until it is handed out again; the
// sanitizer build is told so, and reports a use of a released block as such.
void MarkKept(void* block, std::size_t bytes) noexcept {
#if defined(VANTREL_ASAN)
    ASAN_POISON_MEMORY_REGION(block, bytes);
#else
    (void)block;
    (void)bytes;
#endif
}

void MarkInUse(void* block, std::size_t bytes) noexcept {
#if defined(VANTREL_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(block, bytes);
#else
    (void)block;
    (void)bytes;
#endif
}

// The released blocks a thread keeps, oldest first; what passes the bounds
// goes back to the system, the oldest first.
class RecycleBin {
public:
    RecycleBin() = default;
    RecycleBin(const RecycleBin&) = delete;
    RecycleBin& operator=(const RecycleBin&) = delete;
    ~RecycleBin() {
        for (std::size_t i = 0; i < count_; ++i) Release(kept_[i]);
    }

    void* Take(std::size_t size) noexcept {
        for (std::size_t i = count_; i-- > 0;) {
            if (kept_[i].size != size) continue;
            void* block = kept_[i].block;
            keptBytes_ -= size;
            std::move(kept_ + i + 1, kept_ + count_, kept_ + i);
            --count_;
            MarkInUse(block, size);
            return block;
        }
        return nullptr;
    }

    std::size_t Bytes() const noexcept { return keptBytes_; }
    std::size_t Count() const noexcept { return count_; }

    // `size` is a size class of a recycled block, so it always fits the bound.
    void Keep(void* block, std::size_t size) noexcept {
        while (count_ == kMaxKeptBlocks || keptBytes_ + size > kMaxKept) {
            Release(kept_[0]);
            keptBytes_ -= kept_[0].size;
            std::move(kept_ + 1, kept_ + count_, kept_);
            --count_;
        }
        MarkKept(block, size);
        kept_[count_++] = {block, size};
        keptBytes_ += size;
    }

private:
    struct Block {
        void* block;
        std::size_t size;
    };

    static void Release(const Block& kept) noexcept {
        MarkInUse(kept.block, kept.size);
        bulk_detail::SystemFree(kept.block, kept.size);
    }

    Block kept_[kMaxKeptBlocks] = {};
    std::size_t count_ = 0;
    std::size_t keptBytes_ = 0;
};

RecycleBin& Bin() {
    thread_local RecycleBin bin;
    return bin;
}

}  // namespace

namespace {
thread_local std::size_t requestedBytes = 0;
}  // namespace

std::size_t bulk_detail::KeptBytes() noexcept { return Bin().Bytes(); }
std::size_t bulk_detail::KeptBlocks() noexcept { return Bin().Count(); }
std::size_t bulk_detail::RequestedBytes() noexcept { return requestedBytes; }

void* AllocateBulk(std::size_t bytes) {
    requestedBytes += bytes;
    if (!Recycled(bytes)) return bulk_detail::SystemAllocate(bytes);
    const std::size_t size = bulk_detail::SizeClass(bytes);
    if (void* block = Bin().Take(size)) return block;
    return bulk_detail::SystemAllocate(size);
}

void FreeBulk(void* block, std::size_t bytes) noexcept {
    if (block == nullptr) return;
    if (!Recycled(bytes)) {
        bulk_detail::SystemFree(block, bytes);
        return;
    }
    Bin().Keep(block, bulk_detail::SizeClass(bytes));
}

}  // namespace platform
