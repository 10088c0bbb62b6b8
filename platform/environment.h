#pragma once
// The process environment and the user's well-known folders.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The variable's value, or nothing when it is not set.
std::optional<std::u16string> EnvironmentVariable(std::u16string_view name);

// GetTempPathW semantics: the temporary folder with a trailing "\", however long;
// the empty text when the system reports none.
std::u16string TempFolderPath();

inline constexpr int kCsidlMyMusic = 13;

// The special folder's file-system path (CSIDL number); the empty text when the
// folder is unknown or has no file-system path.
std::u16string SpecialFolderPath(int csidl);

}  // namespace platform
