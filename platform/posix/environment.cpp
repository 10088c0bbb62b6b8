#include "platform/environment.h"

#include <cstdlib>
#include <fstream>

#include "platform/posix/native_path.h"
#include "platform/strings.h"

namespace platform {
namespace {

std::optional<std::string> NativeVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

// XDG_MUSIC_DIR="$HOME/Music" as ~/.config/user-dirs.dirs writes it.
std::optional<std::string> XdgMusicFolder(const std::string& home) {
    const std::string config = NativeVariable("XDG_CONFIG_HOME").value_or(home + "/.config");
    std::ifstream dirs(config + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_MUSIC_DIR=\"";
    while (std::getline(dirs, line)) {
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        if (!value.empty() && value[0] == '/') return value;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::u16string> EnvironmentVariable(std::u16string_view name) {
    const auto value = NativeVariable(WideToUtf8(name).c_str());
    if (!value) return std::nullopt;
    return Utf8ToWide(*value);
}

std::u16string TempFolderPath() {
    std::string folder;
    for (const char* name : {"TMP", "TEMP", "TMPDIR"}) {
        if (auto value = NativeVariable(name); value && !value->empty()) {
            folder = *value;
            break;
        }
    }
    if (folder.empty()) folder = "/tmp";
    if (folder.back() != '/') folder += '/';
    return posix::FromNativePath(folder);
}

std::u16string SpecialFolderPath(int csidl) {
    if (csidl != kCsidlMyMusic) return {};
    const auto home = NativeVariable("HOME");
    if (!home || home->empty()) return {};
    std::string music = XdgMusicFolder(*home).value_or(*home + "/Music");
    while (music.size() > 1 && music.back() == '/') music.pop_back();
    return posix::FromNativePath(music);
}

}  // namespace platform
