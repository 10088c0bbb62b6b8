#pragma once
// A connection's buffered request bytes that keep their own share of a
// total held by every connection together. Each change of the bytes (an
// append, the release, the buffer's end) brings the total up to date at once,
// so no path of a connection's life can leave the total wrong: it is always
// the sum of the live buffers' memory.

#include <cstddef>
#include <string>
#include <string_view>

namespace httpd {

class InputBuffer {
public:
    // `total` must outlive the buffer; it is touched by the owner's thread only.
    explicit InputBuffer(std::size_t& total) : total_(&total) {}
    ~InputBuffer() { *total_ -= share_; }
    InputBuffer(const InputBuffer&) = delete;
    InputBuffer& operator=(const InputBuffer&) = delete;

    void Append(const char* bytes, std::size_t count) {
        bytes_.append(bytes, count);
        Recount();
    }
    // Frees the bytes (they are done with).
    void Release() {
        std::string().swap(bytes_);
        Recount();
    }

    std::string_view View() const { return bytes_; }
    std::size_t Size() const { return bytes_.size(); }
    bool Empty() const { return bytes_.empty(); }
    // The memory this buffer counts for: none once empty (a released string
    // keeps only its inline room).
    std::size_t Share() const { return share_; }

private:
    void Recount() {
        const std::size_t now = bytes_.empty() ? 0 : bytes_.capacity();
        *total_ = *total_ - share_ + now;
        share_ = now;
    }

    std::size_t* total_;
    std::size_t share_ = 0;
    std::string bytes_;
};

}  // namespace httpd
