#pragma once
// The start-up steps that find the iTunes media folder and fix the run-wide
// folders. None of them needs a window; FormCreate calls them in order.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace app {

inline constexpr std::u16string_view kLibraryFileSuffix = u"\\iTunes\\iTunes Music Library.xml";
inline constexpr std::u16string_view kMediaUrlPrefix = u"file://localhost/";
// How many characters after the prefix may hold the folder and its end marker.
inline constexpr std::size_t kMediaUrlWindow = 260;
inline constexpr std::u16string_view kMediaUrlEnd = u"</string>";
inline constexpr std::u16string_view kPackageSubfolder = u"Mobile Applications\\";
inline constexpr std::u16string_view kConverterSubpath = u"Apple\\Apple Application Support\\plutil.exe";
inline constexpr std::u16string_view kCommonProgramFilesVariable = u"CommonProgramFiles";
// The longest temporary-folder path that fits the system call's 260-character buffer.
inline constexpr std::size_t kMaxTempFolderLength = 259;

// The temporary folder as the system reports it, ending in "\". A path too
// long for the 260-character buffer counts as no folder, which gives "\".
std::u16string TempFolderFrom(std::u16string_view systemTempPath);

// The variable's value (missing counts as empty) with a trailing "\", then the
// converter's place under it.
std::u16string ConverterPathFrom(const std::optional<std::u16string>& commonProgramFiles);

// The music folder followed by "\iTunes\iTunes Music Library.xml".
std::u16string LibraryFilePath(std::u16string_view musicFolder);

// The media folder named by the first "file://localhost/" address in the
// library file's whole text (or in the part of it that ReadMediaUrlText keeps):
// at most 260 characters after the prefix, cut before the first "</string>" that
// lies wholly inside them, URL-decoded through the ANSI code page (both ways),
// "/" replaced by "\". The empty text when there is no address or no complete
// end marker. Throws EUrlDecodeError on a malformed escape.
std::u16string MediaFolderFromLibraryText(std::u16string_view libraryText);

// The media folder with one trailing "\" followed by "Mobile Applications\".
std::u16string PackageFolder(std::u16string_view mediaFolder);

}  // namespace app
