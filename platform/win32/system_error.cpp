#include "platform/system_error.h"

#include <windows.h>

#include "platform/strings.h"
#include "platform/win32/wide.h"

namespace platform {

std::u16string SystemErrorMessage(std::uint32_t code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) return u"Unknown error " + ToWide(code) + u".";
    std::u16string text = win32::FromWchar(std::wstring_view(buffer, length));
    LocalFree(buffer);
    return text;
}

std::uint32_t LastSystemError() { return GetLastError(); }

}  // namespace platform
