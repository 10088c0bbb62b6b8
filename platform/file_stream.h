#pragma once
// File streams over the system's files, opened with the file-open modes of the
// archive layer: the low two bits are the access, bits 4-6 the sharing, and
// kFmCreate creates or truncates the file.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/stream.h"
#include "platform/unique_handle.h"

namespace platform {

inline constexpr std::uint16_t kFmOpenRead = 0x0000;
inline constexpr std::uint16_t kFmOpenWrite = 0x0001;
inline constexpr std::uint16_t kFmOpenReadWrite = 0x0002;
inline constexpr std::uint16_t kFmShareCompat = 0x0000;  // no sharing at all
inline constexpr std::uint16_t kFmShareExclusive = 0x0010;
inline constexpr std::uint16_t kFmShareDenyWrite = 0x0020;
inline constexpr std::uint16_t kFmShareDenyRead = 0x0030;
inline constexpr std::uint16_t kFmShareDenyNone = 0x0040;
inline constexpr std::uint16_t kFmCreate = 0xFF00;

struct FileHandleTraits {
    using Type = std::intptr_t;  // a HANDLE on Windows, a file descriptor on POSIX
    static constexpr Type Invalid() { return -1; }
    static void Close(Type handle) noexcept;
};
using FileHandle = UniqueHandle<FileHandleTraits>;

class FileStream final : public Stream {
public:
    // Opens (or with kFmCreate creates or truncates) the file at a Windows-style path.
    // Throws EFOpenError (or EFCreateError) with the system's reason.
    FileStream(std::u16string_view path, std::uint16_t mode);

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    void SetSize(std::int64_t size) override;
    std::int64_t Size() override;

    const std::u16string& Path() const { return path_; }

private:
    std::u16string path_;
    FileHandle file_;
};

}  // namespace platform
