#pragma once
// The request log of the console form: each line cut to a length worth
// reading, and the --log file bounded: when it would pass its size, it
// becomes FILE.1 (replacing the older one there) and FILE starts afresh, so
// the two together never hold much more than twice that size.

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace catalogue {

// Longer lines are cut to this many bytes and say so.
inline constexpr std::size_t kMaxLoggedLineBytes = 2048;
// The size of each of the two log files, at most.
inline constexpr std::uintmax_t kLogFileBytes = std::uintmax_t{4} << 20;

// `line` as it stands, or its first maxBytes bytes followed by
// " ... (cut, N bytes in all)".
std::string CutForLog(std::string_view line, std::size_t maxBytes = kMaxLoggedLineBytes);

class RotatingLogFile {
public:
    // Appends to `path` (a file already there keeps its lines and counts
    // towards the size). Throws std::runtime_error when it cannot be opened.
    explicit RotatingLogFile(std::filesystem::path path, std::uintmax_t maxBytes = kLogFileBytes);

    // Appends `text` (whole lines), first moving the file aside when the text
    // would take it past its size. False when writing failed.
    bool Write(std::string_view text);

private:
    void Rotate();

    std::filesystem::path path_;
    std::filesystem::path older_;
    std::uintmax_t maxBytes_;
    std::uintmax_t size_ = 0;
    std::ofstream file_;
};

}  // namespace catalogue
