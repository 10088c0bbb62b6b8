#pragma once
// Memory for large structures that are filled at once and released in one
// piece (a loaded archive directory). Where the system offers large pages for
// such blocks, they are used: filling a block then costs far fewer page faults.

#include <cstddef>
#include <new>

namespace platform {

// A block of `bytes` bytes, uninitialised; throws std::bad_alloc.
void* AllocateBulk(std::size_t bytes);
// Releases a block from AllocateBulk of the same size.
void FreeBulk(void* block, std::size_t bytes) noexcept;

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
