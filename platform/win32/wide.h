#pragma once
// UTF-16 text between the portable layers (char16_t) and Win32 (wchar_t, 16 bits here).

#include <string>
#include <string_view>

namespace platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide characters are UTF-16 code units");

inline std::wstring ToWchar(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string FromWchar(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }
inline std::u16string FromWchar(const wchar_t* text) { return text ? FromWchar(std::wstring_view(text)) : u""; }

}  // namespace platform::win32
