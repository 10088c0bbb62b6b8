#pragma once
// Sequential reading of stream bytes for the record parsers: the next n bytes
// are handed out from memory, or platform::EReadError is thrown when the
// stream has fewer, exactly as a short read of the stream would.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/byte_buffer.h"
#include "platform/stream.h"

namespace archive {

// Reads the stream from `start` in chunks of `chunkSize` bytes and hands out
// pieces from memory, so that many small records cost a few large reads.
// Requests are served as if read one by one from the stream: one that runs
// past the end of the stream throws EReadError.
class BufferedStreamReader {
public:
    BufferedStreamReader(platform::Stream& stream, std::int64_t start, std::size_t chunkSize);
    // The next `count` bytes; valid until the next call. Throws EReadError.
    // Inline: a directory load takes three or four pieces per item.
    std::span<const std::uint8_t> Take(std::size_t count) {
        if (count > buffer_.size() - offset_) Refill(count);
        const std::span<const std::uint8_t> piece(buffer_.data() + offset_, count);
        offset_ += count;
        return piece;
    }
    // Position in the stream of the next byte to hand out.
    std::int64_t Position() const { return bufferStart_ + static_cast<std::int64_t>(offset_); }

private:
    void Refill(std::size_t count);

    platform::Stream& stream_;
    std::int64_t streamSize_;
    std::size_t chunkSize_;
    std::int64_t bufferStart_;
    platform::ByteBuffer buffer_;  // filled by reads
    std::size_t offset_ = 0;
};

// Reads `target.size()` bytes at the stream position; false when the stream ends
// first (the bytes that did arrive are consumed). Other errors of the stream pass on.
bool ReadFully(platform::Stream& stream, std::span<std::uint8_t> target);

}  // namespace archive
