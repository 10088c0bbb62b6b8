#include "platform/byte_buffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace platform {

void ByteBuffer::resize(std::size_t size) {
    if (size > capacity_) {
        const std::size_t doubled = capacity_ > std::numeric_limits<std::size_t>::max() / 2 ? size : capacity_ * 2;
        const std::size_t capacity = std::max(size, doubled);
        auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
        if (size_ != 0) std::memcpy(bytes.get(), bytes_.get(), size_);
        bytes_ = std::move(bytes);
        capacity_ = capacity;
    }
    size_ = size;
}

}  // namespace platform
