#include "platform/stream.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/exception.h"
#include "platform/file_stream.h"

namespace platform {

std::int64_t Stream::Size() {
    const std::int64_t position = Position();
    const std::int64_t size = Seek(0, SeekOrigin::End);
    Seek(position, SeekOrigin::Begin);
    return size;
}

void Stream::ReadBuffer(void* buffer, std::size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError();
}

void Stream::WriteBuffer(const void* buffer, std::size_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError();
}

std::int64_t Stream::CopyFrom(Stream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::int64_t>(count, 1 << 16)));
    for (std::int64_t left = count; left > 0;) {
        const auto piece =
            static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size())));
        source.ReadBuffer(buffer.data(), piece);
        WriteBuffer(buffer.data(), piece);
        left -= static_cast<std::int64_t>(piece);
    }
    return count;
}

// A read of nothing may come with a null buffer (an empty vector's data()),
// which memcpy must never see, even for zero bytes.
std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
    if (count == 0 || position_ >= data_.size()) return 0;
    const std::size_t n = std::min(count, data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

std::size_t MemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return 0;
    if (position_ > data_.size()) SetSize(static_cast<std::int64_t>(position_));  // a gap after a seek past the end
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

std::int64_t MemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    const std::int64_t base = origin == SeekOrigin::Begin     ? 0
                              : origin == SeekOrigin::Current ? static_cast<std::int64_t>(position_)
                                                              : static_cast<std::int64_t>(data_.size());
    const std::int64_t target = base + offset;
    if (target < 0) throw std::out_of_range("memory stream: seek before the start");
    position_ = static_cast<std::size_t>(target);
    return target;
}

// Bytes a larger size adds read as zeros, as they would in a file.
void MemoryStream::SetSize(std::int64_t size) {
    const std::size_t oldSize = data_.size();
    data_.resize(static_cast<std::size_t>(size));
    if (data_.size() > oldSize) std::fill(data_.data() + oldSize, data_.data() + data_.size(), 0);
    position_ = std::min(position_, data_.size());
}

void MemoryStream::Clear() {
    data_.clear();
    position_ = 0;
}

void MemoryStream::SaveToFile(std::u16string_view path) const {
    FileStream file(path, kFmCreate);
    file.WriteBuffer(data_.data(), data_.size());
}

}  // namespace platform
