#include "platform/codepage.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace platform {

std::u16string AnsiToWide(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return win32::FromWchar(wide);
}

std::size_t AnsiWholeCharacters(std::string_view bytes) {
    // A single-byte code page maps every byte to one character by itself. In a
    // multi-byte one (lead and trail bytes, or UTF-8 as the ANSI code page) a
    // character may still be cut, or an invalid sequence still be growing.
    static const bool singleByte = [] {
        CPINFO info{};
        return GetCPInfo(CP_ACP, &info) != FALSE && info.MaxCharSize == 1;
    }();
    return singleByte ? bytes.size() : AfterLastAsciiPair(bytes);
}

std::string WideToAnsi(std::u16string_view text) {
    if (text.empty()) return {};
    const std::wstring wide = win32::ToWchar(text);
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

// With an explicit length MultiByteToWideChar converts zero bytes like any
// other byte, and without MB_ERR_INVALID_CHARS it never fails on content.
std::u16string OemToWide(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_OEMCP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_OEMCP, 0, text.data(), size, wide.data(), length);
    return win32::FromWchar(wide);
}

}  // namespace platform
