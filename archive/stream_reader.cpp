#include "archive/stream_reader.h"

#include <algorithm>

#include "platform/exception.h"
#include "platform/stream.h"

namespace archive {

BufferedStreamReader::BufferedStreamReader(platform::Stream& stream, std::int64_t start, std::size_t chunkSize)
        : stream_(stream), streamSize_(stream.Size()), chunkSize_(chunkSize), bufferStart_(start) {}

// Starts a new buffer at the current position, large enough for `count` bytes
// and at most a chunk (or what is left of the stream) beyond that.
void BufferedStreamReader::Refill(std::size_t count) {
    const std::int64_t position = Position();
    const std::int64_t left = position < 0 ? 0 : std::max<std::int64_t>(streamSize_ - position, 0);
    if (position < 0 || static_cast<std::uint64_t>(left) < count) throw platform::EReadError();
    const auto want =
        static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(std::max(count, chunkSize_))));
    buffer_.resize(want);
    stream_.SetPosition(position);
    stream_.ReadBuffer(buffer_.data(), want);
    bufferStart_ = position;
    offset_ = 0;
}

bool ReadFully(platform::Stream& stream, std::span<std::uint8_t> target) {
    std::size_t arrived = 0;
    while (arrived < target.size()) {
        const std::size_t got = stream.Read(target.data() + arrived, target.size() - arrived);
        if (got == 0) return false;
        arrived += got;
    }
    return true;
}

}  // namespace archive
