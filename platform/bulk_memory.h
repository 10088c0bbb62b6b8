#pragma once
// Memory for large structures that are filled at once and released in one
// piece (a loaded archive directory). Where the system offers large pages for
// such blocks, they are used: filling a block then costs far fewer page faults.
// A few recently released blocks are kept by each thread and handed out again
// for a request of the same size class: a program that opens one archive after
// another (the show-details command) then fills pages it already has instead
// of faulting fresh ones in for every archive.

#include <cstddef>
#include <new>

namespace platform {

// A block of `bytes` bytes, uninitialised (a recycled one holds old bytes);
// throws std::bad_alloc.
void* AllocateBulk(std::size_t bytes);
// Releases a block from AllocateBulk of the same size.
void FreeBulk(void* block, std::size_t bytes) noexcept;

namespace bulk_detail {
// Blocks from this size up to kMaxRecycled are made in size classes of
// quarter steps between powers of two, and kept for reuse up to kMaxKept
// bytes and kMaxKeptBlocks blocks a thread.
inline constexpr std::size_t kMinRecycled = std::size_t{64} << 10;
inline constexpr std::size_t kMaxRecycled = std::size_t{16} << 20;
inline constexpr std::size_t kMaxKept = std::size_t{32} << 20;
inline constexpr std::size_t kMaxKeptBlocks = 8;
// The size a block for `bytes` is made with: at most a quarter more.
std::size_t SizeClass(std::size_t bytes) noexcept;
// What the calling thread keeps now.
std::size_t KeptBytes() noexcept;
std::size_t KeptBlocks() noexcept;
// Bytes the calling thread has asked AllocateBulk for since it started, in all:
// what a piece of work allocates is the difference across it.
std::size_t RequestedBytes() noexcept;
// The system's blocks (posix/, win32/).
void* SystemAllocate(std::size_t bytes);
void SystemFree(void* block, std::size_t bytes) noexcept;
}  // namespace bulk_detail

template <typename T>
struct BulkAllocator {
    using value_type = T;
    BulkAllocator() = default;
    template <typename U>
    BulkAllocator(const BulkAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(AllocateBulk(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { FreeBulk(p, n * sizeof(T)); }
    template <typename U>
    bool operator==(const BulkAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace platform
