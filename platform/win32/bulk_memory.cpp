#include "platform/bulk_memory.h"

namespace platform {

// Large pages need a privilege an ordinary user does not hold: the heap it is.
void* AllocateBulk(std::size_t bytes) { return ::operator new(bytes); }

void FreeBulk(void* block, std::size_t) noexcept { ::operator delete(block); }

}  // namespace platform
