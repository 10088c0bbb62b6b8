#pragma once
// The system's own description of an error code (Windows error numbers on both
// platforms: the POSIX layer translates errno into them at its boundary).

#include <cstdint>
#include <string>

namespace platform {

inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorFileExists = 80;
inline constexpr std::uint32_t kErrorDiskFull = 112;

// Text as FormatMessage gives it, without inserts; may end in blanks and a dot.
std::u16string SystemErrorMessage(std::uint32_t code);

// The calling thread's last error (GetLastError, or errno translated).
std::uint32_t LastSystemError();

}  // namespace platform
