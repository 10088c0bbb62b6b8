#pragma once
// Windows-style paths inside the program, native paths on POSIX: "\" becomes "/".

#include <string>
#include <string_view>

namespace platform::posix {

std::string ToNativePath(std::u16string_view path);
std::u16string FromNativePath(std::string_view path);
// errno as the Windows error number that the rest of the program expects.
std::uint32_t ErrnoToSystemError(int error);

}  // namespace platform::posix
