#pragma once
// A stream over another stream that may not grow past a limit.

#include <cstdint>

#include "platform/stream.h"

namespace platform {

// Passes reads, seeks and writes on to `target` (not owned), but a write or a
// size change that would put any byte at or beyond offset `limit` throws
// ESizeLimitError and changes nothing. A producer writing into it (an archive
// extraction) is thereby stopped as soon as its output outgrows the limit.
class LimitedStream final : public Stream {
public:
    LimitedStream(Stream& target, std::int64_t limit) : target_(target), limit_(limit) {}

    std::size_t Read(void* buffer, std::size_t count) override { return target_.Read(buffer, count); }
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override { return target_.Seek(offset, origin); }
    void SetSize(std::int64_t size) override;
    std::int64_t Size() override { return target_.Size(); }

private:
    Stream& target_;
    std::int64_t limit_;
};

}  // namespace platform
