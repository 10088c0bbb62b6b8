#pragma once
// The file that tells a starter (a test, the demo, a benchmark) which port
// the service listens on once it takes requests.

#include <cstdint>
#include <filesystem>
#include <string>

namespace catalogue {

// A UTF-8 path as the standard library takes it.
std::filesystem::path Utf8Path(const std::string& text);

// Writes the port and a line break to `file` (a UTF-8 path) so that a reader
// never sees half a number. Throws std::runtime_error or
// std::filesystem::filesystem_error.
void WritePortFile(const std::string& file, std::uint16_t port);

}  // namespace catalogue
