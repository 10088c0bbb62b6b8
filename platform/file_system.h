#pragma once
// Files and folders at Windows-style paths ("\" separators). The POSIX layer
// maps such paths to native ones at its boundary.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kFileAttributeHidden = 0x02;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeArchive = 0x20;

bool FileExists(std::u16string_view path);       // an existing file, not a folder
bool DirectoryExists(std::u16string_view path);  // an existing folder

// When the file was last written, in 100-nanosecond steps since 1601-01-01
// UTC (the system's file time); nothing when there is no such file.
std::optional<std::int64_t> LastWriteTime(std::u16string_view path);

struct FoundEntry {
    std::u16string name;  // file name only, no folder
    std::uint32_t attributes = 0;
};

// Every entry matching the pattern ("folder\*.ipa"), as FindFirstFileW and
// FindNextFileW return them: files and folders alike, hidden ones included, in
// the system's order. A pattern that matches nothing gives an empty list.
std::vector<FoundEntry> FindEntries(std::u16string_view pattern);

// Whether paths can name network shares as "\\server\share\..." (Windows).
// The POSIX layer's paths are its own absolute paths, which begin with one "\"
// and name no server.
bool NetworkSharePaths();

// Whether the path lies on a removable drive (DRIVE_REMOVABLE).
bool IsRemovableDrive(std::u16string_view path);

// Deletes a file; false when it could not be deleted.
bool DeleteFileAt(std::u16string_view path);

}  // namespace platform
