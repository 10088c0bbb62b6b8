#pragma once
// Small helpers for the program's Windows-style paths.

#include <string>
#include <string_view>

namespace app {

// The text unchanged when it is non-empty and ends in "\"; otherwise the text
// with "\" appended (so the empty text gives "\").
std::u16string EnsureTrailingBackslash(std::u16string_view path);

}  // namespace app
