#include "app/library_discovery.h"

#include <algorithm>

#include "app/media_url_scan.h"
#include "app/paths.h"
#include "app/url_decode.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/strings.h"

namespace app {

std::u16string TempFolderFrom(std::u16string_view systemTempPath) {
    // The system call fills a buffer of 260 characters; a longer path does not
    // fit and would leave a truncated, unusable folder. Treat it as missing.
    if (systemTempPath.size() > kMaxTempFolderLength) return EnsureTrailingBackslash(u"");
    return EnsureTrailingBackslash(systemTempPath);
}

std::u16string ConverterPathFrom(const std::optional<std::u16string>& commonProgramFiles) {
    return EnsureTrailingBackslash(commonProgramFiles.value_or(u"")) + std::u16string(kConverterSubpath);
}

std::u16string FindConverterPath(const std::optional<std::u16string>& commonProgramFiles,
                                 const std::optional<std::u16string>& commonProgramFilesX86) {
    std::u16string path = ConverterPathFrom(commonProgramFiles);
    if (!platform::FileExists(path) && commonProgramFilesX86) {
        std::u16string path32 = ConverterPathFrom(commonProgramFilesX86);
        if (platform::FileExists(path32)) return path32;
    }
    return path;
}

std::u16string LibraryFilePath(std::u16string_view musicFolder) {
    return std::u16string(musicFolder) + std::u16string(kLibraryFileSuffix);
}

std::u16string ChooseLibraryFile(std::u16string_view musicFolder) {
    const std::u16string older = LibraryFilePath(musicFolder);
    std::u16string newer = std::u16string(musicFolder) + std::u16string(kNewerLibraryFileSuffix);
    const std::optional<std::int64_t> newerWritten = platform::LastWriteTime(newer);
    if (!newerWritten) return older;
    const std::optional<std::int64_t> olderWritten = platform::LastWriteTime(older);
    return !olderWritten || *newerWritten >= *olderWritten ? newer : older;
}

bool NoLibraryFile(std::u16string_view musicFolder) {
    return !platform::FileExists(LibraryFilePath(musicFolder)) &&
           !platform::FileExists(std::u16string(musicFolder) + std::u16string(kNewerLibraryFileSuffix));
}

std::u16string DefaultMediaFolder(std::u16string_view musicFolder) {
    for (const std::u16string_view suffix : kDefaultMediaFolders) {
        std::u16string folder = std::u16string(musicFolder) + std::u16string(suffix);
        if (platform::DirectoryExists(folder + std::u16string(kPackageSubfolder))) return folder;
    }
    return {};
}

std::u16string FolderFromUrlPath(std::u16string path, bool networkShares) {
    // "/server/share/...": one slash, a name without separators, another slash.
    if (networkShares && path.size() > 2 && path[0] == u'/' && path[1] != u'/') {
        const std::size_t serverEnd = path.find_first_of(u"/\\:", 1);
        if (serverEnd != std::u16string::npos && path[serverEnd] == u'/') path.insert(0, 1, u'/');
    }
    std::replace(path.begin(), path.end(), u'/', u'\\');
    return path;
}

namespace {

// The address between the prefix and the end marker, or nothing.
std::optional<std::u16string_view> CutMediaUrl(std::u16string_view libraryText) {
    const std::size_t prefix = libraryText.find(kMediaUrlPrefix);
    if (prefix == std::u16string_view::npos) return std::nullopt;
    // The end marker must lie wholly inside the window; one that is cut off by
    // the window's end does not count.
    const std::u16string_view window = libraryText.substr(prefix + kMediaUrlPrefix.size(), kMediaUrlWindow);
    const std::size_t end = window.find(kMediaUrlEnd);
    if (end == std::u16string_view::npos) return std::nullopt;
    return window.substr(0, end);
}

bool HasByteAbove7F(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
}

// iTunes escapes every byte of a UTF-8 name, so the escapes' bytes make UTF-8
// text: read as such, a name outside the ANSI code page reaches the file
// search whole. The escapes are ASCII, so decoding the UTF-8 form of the
// address gives each escape's byte and every other character's UTF-8 bytes.
std::u16string Utf8Reading(std::u16string_view url, bool networkShares) {
    std::string bytes;
    try {
        bytes = UrlDecode(platform::WideToUtf8(url));
    } catch (const EUrlDecodeError&) {
        return {};  // malformed only in this reading (a character the ANSI one maps to a digit)
    }
    if (!HasByteAbove7F(bytes) || !platform::IsValidUtf8(bytes)) return {};
    return FolderFromUrlPath(platform::Utf8ToWide(bytes), networkShares);
}

}  // namespace

MediaUrlReadings ReadMediaUrl(std::u16string_view libraryText, bool networkShares) {
    const std::optional<std::u16string_view> url = CutMediaUrl(libraryText);
    if (!url) return {};
    // The escapes stand for bytes, which are read back in the ANSI code page:
    // an escaped UTF-8 sequence becomes the ANSI characters of its bytes. A
    // malformed escape fails here, with this reading's position.
    MediaUrlReadings readings;
    readings.ansi = FolderFromUrlPath(platform::AnsiToWide(UrlDecode(platform::WideToAnsi(*url))), networkShares);
    readings.utf8 = Utf8Reading(*url, networkShares);
    return readings;
}

std::u16string ChooseMediaFolder(const MediaUrlReadings& readings, bool (*folderExists)(std::u16string_view folder)) {
    if (readings.utf8.empty() || readings.utf8 == readings.ansi) return readings.ansi;
    if (!folderExists(readings.utf8) && folderExists(readings.ansi)) return readings.ansi;
    return readings.utf8;
}

std::u16string MediaFolderFromLibraryText(std::u16string_view libraryText) {
    return ChooseMediaFolder(ReadMediaUrl(libraryText, platform::NetworkSharePaths()), platform::DirectoryExists);
}

std::u16string FindMediaFolder(std::u16string_view musicFolder) {
    if (NoLibraryFile(musicFolder)) {
        std::u16string folder = DefaultMediaFolder(musicFolder);
        if (!folder.empty()) return folder;
    }
    // The library file is read only as far as the media-folder address, which
    // a large library holds near its top, before its tracks.
    return MediaFolderFromLibraryText(ReadMediaUrlText(ChooseLibraryFile(musicFolder)));
}

std::u16string PackageFolder(std::u16string_view mediaFolder) {
    return EnsureTrailingBackslash(mediaFolder) + std::u16string(kPackageSubfolder);
}

}  // namespace app
