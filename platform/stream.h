#pragma once
// Byte streams: the abstract stream of the archive and details layers, and the
// in-memory stream. File streams are in file_stream.h.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/byte_buffer.h"

namespace platform {

enum class SeekOrigin { Begin, Current, End };

class Stream {
public:
    virtual ~Stream() = default;

    // Reads up to `count` bytes at the position; returns how many arrived (0 at the end).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Writes up to `count` bytes at the position; returns how many were written.
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    // Moves the position and returns the new one; throws on a failing system call.
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
    // Sets the size; the position is kept unless it lies past the new end.
    virtual void SetSize(std::int64_t size) = 0;
    virtual std::int64_t Size();

    std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::Begin); }

    // Reads exactly `count` bytes or throws EReadError.
    void ReadBuffer(void* buffer, std::size_t count);
    // Writes exactly `count` bytes or throws EWriteError.
    void WriteBuffer(const void* buffer, std::size_t count);
    // Copies `count` bytes from `source`'s position (all of it from the start when 0).
    std::int64_t CopyFrom(Stream& source, std::int64_t count);
};

class MemoryStream final : public Stream {
public:
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    void SetSize(std::int64_t size) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

    // Size and position 0.
    void Clear();
    std::span<const std::uint8_t> Data() const { return {data_.data(), data_.size()}; }
    // Creates or truncates the file and writes the whole content (EFCreateError, EWriteError).
    void SaveToFile(std::u16string_view path) const;

private:
    ByteBuffer data_;  // grown by writes: new bytes are not zeroed first
    std::size_t position_ = 0;
};

}  // namespace platform
