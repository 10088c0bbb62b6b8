#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "platform/exception.h"
#include "platform/posix/native_path.h"

namespace platform {
namespace {

int AccessFlags(std::uint16_t mode) {
    switch (mode & 0x3) {
    case kFmOpenWrite:
        return O_WRONLY;
    case kFmOpenReadWrite:
        return O_RDWR;
    default:
        return O_RDONLY;
    }
}

// POSIX has no share modes; advisory locks stand in for them between streams of
// this program: "deny none" takes no lock, a reader that denies writers shares
// its lock with other such readers, and every other sharing takes the file alone.
int LockFor(std::uint16_t mode) {
    const std::uint16_t share = mode & 0x70;
    if (share == kFmShareDenyNone) return 0;
    if (share == kFmShareDenyWrite && (mode & 0x3) == kFmOpenRead) return LOCK_SH;
    return LOCK_EX;
}

}  // namespace

void FileHandleTraits::Close(Type handle) noexcept { ::close(static_cast<int>(handle)); }

FileStream::FileStream(std::u16string_view path, std::uint16_t mode) : path_(path) {
    const std::string native = posix::ToNativePath(path);
    const bool create = (mode & kFmCreate) == kFmCreate;
    const int flags = create ? (O_RDWR | O_CREAT) : AccessFlags(mode);
    const int fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
    const auto fail = [&](int error) {
        const std::uint32_t code = posix::ErrnoToSystemError(error);
        if (create) throw EFCreateError(path, code);
        throw EFOpenError(path, code);
    };
    if (fd < 0) fail(errno);
    file_.reset(fd);
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) fail(EACCES);
    const int lock = create ? LOCK_EX : LockFor(mode);
    if (lock != 0 && ::flock(fd, lock | LOCK_NB) != 0) fail(errno);
    if (create && ::ftruncate(fd, 0) != 0) fail(errno);
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(static_cast<int>(file_.get()), static_cast<char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t FileStream::Write(const void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(static_cast<int>(file_.get()), static_cast<const char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::int64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    const off_t position = ::lseek(static_cast<int>(file_.get()), offset, whence);
    if (position < 0) throw std::runtime_error("file stream: seek failed");
    return position;
}

std::int64_t FileStream::Size() {
    struct stat info {};
    if (::fstat(static_cast<int>(file_.get()), &info) != 0) throw std::runtime_error("file stream: size unknown");
    return info.st_size;
}

void FileStream::SetSize(std::int64_t size) {
    const std::int64_t position = Position();
    if (::ftruncate(static_cast<int>(file_.get()), size) != 0) throw EWriteError();
    if (position > size) Seek(size, SeekOrigin::Begin);
}

}  // namespace platform
