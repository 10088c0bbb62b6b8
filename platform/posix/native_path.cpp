#include <cerrno>
#include <cstdint>

#include "platform/posix/native_path.h"
#include "platform/strings.h"
#include "platform/system_error.h"

namespace platform::posix {

std::string ToNativePath(std::u16string_view path) {
    std::string native = WideToUtf8(path);
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
}

std::u16string FromNativePath(std::string_view path) {
    std::u16string wide = Utf8ToWide(path);
    for (char16_t& c : wide) {
        if (c == u'/') c = u'\\';
    }
    return wide;
}

std::uint32_t ErrnoToSystemError(int error) {
    switch (error) {
    case ENOENT:
        return kErrorFileNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return kErrorAccessDenied;
    case EWOULDBLOCK:
        return kErrorSharingViolation;
    case EEXIST:
        return kErrorFileExists;
    case ENOSPC:
        return kErrorDiskFull;
    default:
        return 0x20000000u | static_cast<std::uint32_t>(error);  // customer bit: a raw errno
    }
}

}  // namespace platform::posix
