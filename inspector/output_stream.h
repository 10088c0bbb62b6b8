#pragma once
// A write-only stream over the command's output, so that a member goes out as
// it is decoded: memory stays flat whatever the member's size.

#include <cstdint>
#include <ostream>

#include "platform/stream.h"

namespace vantrel_zip {

class OutputStream final : public platform::Stream {
public:
    explicit OutputStream(std::ostream& out) : out_(out) {}

    std::size_t Read(void*, std::size_t) override { return 0; }
    // Takes all or, once the output has failed, nothing.
    std::size_t Write(const void* buffer, std::size_t count) override;
    // Only the current position can be asked for or set: what is out is out.
    std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override;
    void SetSize(std::int64_t) override {}
    std::int64_t Size() override { return written_; }

private:
    std::ostream& out_;
    std::int64_t written_ = 0;
};

}  // namespace vantrel_zip
