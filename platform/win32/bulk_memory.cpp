#include "platform/bulk_memory.h"

namespace platform {

// Large pages need a privilege an ordinary user does not hold: the heap it is.
void* bulk_detail::SystemAllocate(std::size_t bytes) { return ::operator new(bytes); }

void bulk_detail::SystemFree(void* block, std::size_t) noexcept { ::operator delete(block); }

}  // namespace platform
