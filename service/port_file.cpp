#include "service/port_file.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace catalogue {

std::filesystem::path Utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

// Written under a temporary name and then renamed.
void WritePortFile(const std::string& file, std::uint16_t port) {
    const std::filesystem::path target = Utf8Path(file);
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << port << "\n";
        if (!out.flush()) throw std::runtime_error("cannot write " + file);
    }
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    std::filesystem::rename(temporary, target);
}

}  // namespace catalogue
