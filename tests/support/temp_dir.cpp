#include "tests/support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/environment.h"
#include "platform/strings.h"

namespace testing_support {
namespace {

std::filesystem::path Native(std::u16string_view path) {
    std::u16string copy(path);
#ifndef _WIN32
    for (char16_t& c : copy) {
        if (c == u'\\') c = u'/';
    }
#endif
    return std::filesystem::path(copy);
}

}  // namespace

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = platform::TempFolderPath() + u"vantrel-test-" + platform::ToWide(stamp) + u"-" +
            platform::ToWide(counter++) + u"\\";
    std::filesystem::create_directories(Native(path_));
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(Native(path_), ignored);
}

std::u16string TempDir::Write(std::u16string_view name, std::string_view bytes) const {
    const std::u16string path = File(name);
    const auto native = Native(path);
    std::filesystem::create_directories(native.parent_path());
    std::ofstream out(native, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write test file");
    return path;
}

std::u16string TempDir::MakeFolder(std::u16string_view name) const {
    const std::u16string path = File(name);
    std::filesystem::create_directories(Native(path));
    return path;
}

std::string ReadFileBytes(std::u16string_view path) {
    std::ifstream in(Native(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void SetFileAge(std::u16string_view path, std::chrono::seconds age) {
    std::filesystem::last_write_time(Native(path), std::filesystem::file_time_type::clock::now() - age);
}

}  // namespace testing_support
