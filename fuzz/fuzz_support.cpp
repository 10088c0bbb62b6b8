#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/file_stream.h"
#include "platform/strings.h"

namespace fuzz {

namespace {

std::string ScratchFolder() {
    if (std::filesystem::is_directory("/dev/shm")) return "/dev/shm";
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

}  // namespace

ScratchFile::ScratchFile(std::string_view name)
        : native_(ScratchFolder() + "/vantrel-fuzz-" + std::to_string(::getpid()) + "-" + std::string(name)),
          path_(platform::Utf8ToWide(native_)) {
    for (char16_t& c : path_) {
        if (c == u'/') c = u'\\';
    }
}

ScratchFile::~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(native_, ignored);
}

void ScratchFile::Write(std::span<const std::uint8_t> bytes) const {
    platform::FileStream file(path_, platform::kFmCreate);
    file.WriteBuffer(bytes.data(), bytes.size());
}

std::string_view AsChars(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::u16string AsUtf16(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    }
    return text;
}

}  // namespace fuzz
