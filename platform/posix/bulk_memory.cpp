#include "platform/bulk_memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace platform {
namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;

std::size_t RoundUp(std::size_t bytes) { return (bytes + kPage - 1) & ~(kPage - 1); }

}  // namespace

// Blocks of a large page or more are mapped on large-page boundaries and
// marked for large pages (the kernel decides; without them the block is an
// ordinary mapping). The mapping ends with the block, so that its last part,
// short of a whole large page, takes small pages rather than a large one that
// would be cleared and counted whole. Smaller blocks come from the heap.
void* bulk_detail::SystemAllocate(std::size_t bytes) {
    if (bytes < kLargePage) return ::operator new(bytes);
    const std::size_t size = RoundUp(bytes);
    void* mapped = ::mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kLargePage - 1) & ~(std::uintptr_t{kLargePage} - 1);
    if (aligned > start) ::munmap(mapped, aligned - start);
    const std::uintptr_t end = start + size + kLargePage;
    if (end > aligned + size) ::munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void bulk_detail::SystemFree(void* block, std::size_t bytes) noexcept {
    if (bytes < kLargePage) {
        ::operator delete(block);
        return;
    }
    ::munmap(block, RoundUp(bytes));
}

}  // namespace platform
