#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

#include "platform/posix/native_path.h"
#include "platform/strings.h"

namespace platform {

// The descriptions Windows gives for the codes the POSIX layer produces.
std::u16string SystemErrorMessage(std::uint32_t code) {
    switch (code) {
    case 0:
        return u"The operation completed successfully.\r\n";
    case kErrorFileNotFound:
        return u"The system cannot find the file specified.\r\n";
    case kErrorPathNotFound:
        return u"The system cannot find the path specified.\r\n";
    case kErrorAccessDenied:
        return u"Access is denied.\r\n";
    case kErrorSharingViolation:
        return u"The process cannot access the file because it is being used by another process.\r\n";
    case kErrorFileExists:
        return u"The file exists.\r\n";
    case kErrorDiskFull:
        return u"There is not enough space on the disk.\r\n";
    default:
        break;
    }
    if (code & 0x20000000u) return Utf8ToWide(std::strerror(static_cast<int>(code & 0xFFFF))) + u".\r\n";
    return u"Unknown error " + ToWide(code) + u".\r\n";
}

std::uint32_t LastSystemError() { return posix::ErrnoToSystemError(errno); }

}  // namespace platform
