#include "app/library_discovery.h"

#include <algorithm>

#include "app/paths.h"
#include "app/url_decode.h"
#include "platform/codepage.h"

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

std::u16string LibraryFilePath(std::u16string_view musicFolder) {
    return std::u16string(musicFolder) + std::u16string(kLibraryFileSuffix);
}

std::u16string MediaFolderFromLibraryText(std::u16string_view libraryText) {
    const std::size_t prefix = libraryText.find(kMediaUrlPrefix);
    if (prefix == std::u16string_view::npos) return {};

    // The end marker must lie wholly inside the window; one that is cut off by
    // the window's end does not count.
    const std::u16string_view window = libraryText.substr(prefix + kMediaUrlPrefix.size(), kMediaUrlWindow);
    const std::size_t end = window.find(kMediaUrlEnd);
    if (end == std::u16string_view::npos) return {};

    // The escapes stand for bytes, which are read back in the ANSI code page:
    // an escaped UTF-8 sequence becomes the ANSI characters of its bytes.
    const std::string decoded = UrlDecode(platform::WideToAnsi(window.substr(0, end)));
    std::u16string folder = platform::AnsiToWide(decoded);
    std::replace(folder.begin(), folder.end(), u'/', u'\\');
    return folder;
}

std::u16string PackageFolder(std::u16string_view mediaFolder) {
    return EnsureTrailingBackslash(mediaFolder) + std::u16string(kPackageSubfolder);
}

}  // namespace app
