#pragma once
// A fresh folder under the system's temporary folder for one test, removed with
// everything in it when the test ends. Paths are Windows-style on both platforms.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending in "\".
    const std::u16string& Path() const { return path_; }
    std::u16string File(std::u16string_view name) const { return path_ + std::u16string(name); }

    // Writes bytes to a file in the folder (creating sub-folders) and returns its path.
    std::u16string Write(std::u16string_view name, std::string_view bytes) const;
    std::u16string MakeFolder(std::u16string_view name) const;

private:
    std::u16string path_;
};

std::string ReadFileBytes(std::u16string_view path);

// Sets a file's last-write time to `age` before now.
void SetFileAge(std::u16string_view path, std::chrono::seconds age);

}  // namespace testing_support
