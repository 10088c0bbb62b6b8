#include "inspector/output_stream.h"

#include <stdexcept>

namespace vantrel_zip {

std::size_t OutputStream::Write(const void* buffer, std::size_t count) {
    if (!out_.write(static_cast<const char*>(buffer), static_cast<std::streamsize>(count))) return 0;
    written_ += static_cast<std::int64_t>(count);
    return count;
}

std::int64_t OutputStream::Seek(std::int64_t offset, platform::SeekOrigin origin) {
    const std::int64_t target = origin == platform::SeekOrigin::Current ? written_ + offset
                                : origin == platform::SeekOrigin::End   ? written_ + offset
                                                                        : offset;
    if (target != written_) throw std::runtime_error("the output cannot be repositioned");
    return written_;
}

}  // namespace vantrel_zip
