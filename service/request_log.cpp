#include "service/request_log.h"

#include <stdexcept>
#include <system_error>

namespace catalogue {

std::string CutForLog(std::string_view line, std::size_t maxBytes) {
    if (line.size() <= maxBytes) return std::string(line);
    return std::string(line.substr(0, maxBytes)) + " ... (cut, " + std::to_string(line.size()) + " bytes in all)";
}

RotatingLogFile::RotatingLogFile(std::filesystem::path path, std::uintmax_t maxBytes)
        : path_(std::move(path)), older_(path_), maxBytes_(maxBytes) {
    older_ += ".1";
    file_.open(path_, std::ios::binary | std::ios::app);
    if (!file_) throw std::runtime_error("cannot open the log file");
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path_, error);
    size_ = error ? 0 : size;
}

// A text larger than the whole size (never, with lines cut by CutForLog) is
// written to a fresh file all the same: nothing is split.
bool RotatingLogFile::Write(std::string_view text) {
    if (size_ != 0 && size_ + text.size() > maxBytes_) Rotate();
    if (!file_.is_open()) return false;
    file_.write(text.data(), static_cast<std::streamsize>(text.size()));
    size_ += text.size();
    return static_cast<bool>(file_.flush());
}

// The file is closed before it is renamed (Windows renames no open file).
void RotatingLogFile::Rotate() {
    file_.close();
    std::error_code ignored;
    std::filesystem::remove(older_, ignored);
    std::filesystem::rename(path_, older_, ignored);
    file_.clear();
    file_.open(path_, std::ios::binary | std::ios::trunc);
    size_ = 0;
}

}  // namespace catalogue
