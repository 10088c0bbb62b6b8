#include "platform/limited_stream.h"

#include "platform/exception.h"

namespace platform {

// The check comes before the write, so the target never holds a byte past the
// limit, and the caller's memory never grows beyond it.
std::size_t LimitedStream::Write(const void* buffer, std::size_t count) {
    const std::int64_t position = target_.Position();
    if (count > static_cast<std::uint64_t>(limit_) || position > limit_ - static_cast<std::int64_t>(count)) {
        throw ESizeLimitError(limit_);
    }
    return target_.Write(buffer, count);
}

void LimitedStream::SetSize(std::int64_t size) {
    if (size > limit_) throw ESizeLimitError(limit_);
    target_.SetSize(size);
}

}  // namespace platform
