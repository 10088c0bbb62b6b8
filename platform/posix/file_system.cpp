#include "platform/file_system.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/native_path.h"
#include "platform/strings.h"

namespace platform {
namespace {

bool StatPath(std::u16string_view path, struct stat& info) {
    return ::stat(posix::ToNativePath(path).c_str(), &info) == 0;
}

// The system's pattern match as FindFirstFileW applies it: "*" and "?", letters
// compared without case.
bool PatternMatches(std::u16string_view pattern, std::u16string_view name) {
    std::size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

}  // namespace

bool FileExists(std::u16string_view path) {
    struct stat info {};
    return StatPath(path, info) && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(std::u16string_view path) {
    struct stat info {};
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool NetworkSharePaths() { return false; }

std::optional<std::int64_t> LastWriteTime(std::u16string_view path) {
    struct stat info {};
    if (!StatPath(path, info) || S_ISDIR(info.st_mode)) return std::nullopt;
    // Seconds from 1601 to the Unix epoch, as Windows counts file times.
    constexpr std::int64_t kEpochDifference = 11644473600;
    return (static_cast<std::int64_t>(info.st_mtim.tv_sec) + kEpochDifference) * 10000000 + info.st_mtim.tv_nsec / 100;
}

std::vector<FoundEntry> FindEntries(std::u16string_view pattern) {
    const std::size_t slash = pattern.find_last_of(u"\\/");
    const std::u16string folder =
        slash == std::u16string_view::npos ? u"." : std::u16string(pattern.substr(0, slash + 1));
    const std::u16string_view namePattern = slash == std::u16string_view::npos ? pattern : pattern.substr(slash + 1);

    std::vector<FoundEntry> entries;
    DIR* dir = ::opendir(posix::ToNativePath(folder).c_str());
    if (dir == nullptr) return entries;
    while (const dirent* entry = ::readdir(dir)) {
        const std::u16string name = Utf8ToWide(entry->d_name);
        if (!PatternMatches(namePattern, name)) continue;
        FoundEntry found{name, 0};
        struct stat info {};
        const std::u16string full = (slash == std::u16string_view::npos ? u"" : folder) + name;
        if (StatPath(full, info)) {
            found.attributes = S_ISDIR(info.st_mode) ? kFileAttributeDirectory : kFileAttributeArchive;
            if ((info.st_mode & S_IWUSR) == 0) found.attributes |= kFileAttributeReadOnly;
        }
        if (!name.empty() && name[0] == u'.' && name != u"." && name != u"..") found.attributes |= kFileAttributeHidden;
        entries.push_back(std::move(found));
    }
    ::closedir(dir);
    return entries;
}

bool IsRemovableDrive(std::u16string_view) { return false; }

bool DeleteFileAt(std::u16string_view path) { return ::unlink(posix::ToNativePath(path).c_str()) == 0; }

}  // namespace platform
