#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace platform {

// Bytes whose new part is left uninitialised, for buffers whose every byte is
// written before it is read. Unlike a vector (even one with an allocator that
// skips the zeroing), growing and freeing it walks no element, which
// instrumented and unoptimised builds would pay for byte by byte.
class ByteBuffer {
public:
    ByteBuffer() = default;
    explicit ByteBuffer(std::size_t size) { resize(size); }
    // A buffer moved from is empty.
    ByteBuffer(ByteBuffer&& other) noexcept
            : bytes_(std::move(other.bytes_)),
              size_(std::exchange(other.size_, 0)),
              capacity_(std::exchange(other.capacity_, 0)) {}
    ByteBuffer& operator=(ByteBuffer&& other) noexcept {
        bytes_ = std::move(other.bytes_);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        return *this;
    }

    std::uint8_t* data() noexcept { return bytes_.get(); }
    const std::uint8_t* data() const noexcept { return bytes_.get(); }
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }

    // Keeps the first bytes up to the smaller size; storage grows at least
    // twofold, so that growing by small writes stays linear.
    void resize(std::size_t size);
    // Size 0; the storage stays for the next use.
    void clear() noexcept { size_ = 0; }

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace platform
