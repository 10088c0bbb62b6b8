#pragma once
// The start-up steps that find the iTunes media folder and fix the run-wide
// folders. None of them needs a window; FormCreate calls them in order.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace app {

inline constexpr std::u16string_view kLibraryFileSuffix = u"\\iTunes\\iTunes Music Library.xml";
// The name that iTunes 10.8 and later write; the older name beside it may be a
// copy that iTunes no longer updates.
inline constexpr std::u16string_view kNewerLibraryFileSuffix = u"\\iTunes\\iTunes Library.xml";
// The media folder iTunes makes when no library file names one: iTunes 9 and
// later, then the earlier versions.
inline constexpr std::u16string_view kDefaultMediaFolders[] = {u"\\iTunes\\iTunes Media\\",
                                                               u"\\iTunes\\iTunes Music\\"};
inline constexpr std::u16string_view kMediaUrlPrefix = u"file://localhost/";
// How many characters after the prefix may hold the folder and its end marker.
inline constexpr std::size_t kMediaUrlWindow = 260;
inline constexpr std::u16string_view kMediaUrlEnd = u"</string>";
inline constexpr std::u16string_view kPackageSubfolder = u"Mobile Applications\\";
inline constexpr std::u16string_view kConverterSubpath = u"Apple\\Apple Application Support\\plutil.exe";
inline constexpr std::u16string_view kCommonProgramFilesVariable = u"CommonProgramFiles";
// Where a 64-bit program finds the Common Files of 32-bit programs, into which a
// 32-bit Apple Application Support installs the converter.
inline constexpr std::u16string_view kCommonProgramFilesX86Variable = u"CommonProgramFiles(x86)";
// The longest temporary-folder path that fits the system call's 260-character buffer.
inline constexpr std::size_t kMaxTempFolderLength = 259;

// The temporary folder as the system reports it, ending in "\". A path too
// long for the 260-character buffer counts as no folder, which gives "\".
std::u16string TempFolderFrom(std::u16string_view systemTempPath);

// The variable's value (missing counts as empty) with a trailing "\", then the
// converter's place under it.
std::u16string ConverterPathFrom(const std::optional<std::u16string>& commonProgramFiles);

// The converter's place under "CommonProgramFiles" when a file is there, else
// its place under "CommonProgramFiles(x86)" when one is there; else the first.
std::u16string FindConverterPath(const std::optional<std::u16string>& commonProgramFiles,
                                 const std::optional<std::u16string>& commonProgramFilesX86);

// The music folder followed by "\iTunes\iTunes Music Library.xml".
std::u16string LibraryFilePath(std::u16string_view musicFolder);

// The library file to read: "iTunes Library.xml" when it exists and was written
// no earlier than "iTunes Music Library.xml" (or that one is missing), else
// the latter, whether it exists or not.
std::u16string ChooseLibraryFile(std::u16string_view musicFolder);

// Whether neither library file exists (one that exists but cannot be opened
// does not count as missing).
bool NoLibraryFile(std::u16string_view musicFolder);

// The default media folder that holds a "Mobile Applications" folder, ending
// in "\"; the empty text when neither does.
std::u16string DefaultMediaFolder(std::u16string_view musicFolder);

// The two readings of the media-folder address. Every escape stands for its
// byte; `ansi` reads all bytes in the ANSI code page, as always. `utf8` is
// the reading of the escapes' bytes and of every other character's UTF-8
// bytes as UTF-8, when they are valid UTF-8 and hold a byte above 0x7F (so a
// folder named outside the ANSI code page stays whole); empty otherwise. Both
// have "/" replaced by "\", with the network-share form applied.
struct MediaUrlReadings {
    std::u16string ansi;
    std::u16string utf8;
};

// The readings of the first "file://localhost/" address in the library
// file's whole text (or in the part of it that ReadMediaUrlText keeps): at most
// 260 characters after the prefix, cut before the first "</string>" that lies
// wholly inside them. Both empty when there is no address or no complete end
// marker. Throws EUrlDecodeError on a malformed escape, with the position
// counted in the ANSI reading's bytes. `networkShares`: see FolderFromUrlPath.
MediaUrlReadings ReadMediaUrl(std::u16string_view libraryText, bool networkShares);

// The UTF-8 reading when there is one, unless that folder does not exist
// while the ANSI reading's does; else the ANSI reading.
std::u16string ChooseMediaFolder(const MediaUrlReadings& readings,
                                 bool (*folderExists)(std::u16string_view folder));

// A decoded address path as a folder: "/" replaced by "\". Where the system
// has network shares, a path that begins with exactly one "/", a server name
// and another "/" (iTunes' form of a share) becomes "\\server\...".
std::u16string FolderFromUrlPath(std::u16string path, bool networkShares);

// The media folder named by the library file's text: ChooseMediaFolder of
// ReadMediaUrl, with the system's network shares and its folders on disk.
std::u16string MediaFolderFromLibraryText(std::u16string_view libraryText);

// The media folder of the user's iTunes library, from the music folder. iTunes
// 12.2 and later write no library file unless asked to: without either file,
// the default media folder when it holds a "Mobile Applications" folder.
// Otherwise MediaFolderFromLibraryText of the chosen library file, read by
// ReadMediaUrlText: its open error (EFOpenError) and decoding errors pass.
std::u16string FindMediaFolder(std::u16string_view musicFolder);

// The media folder with one trailing "\" followed by "Mobile Applications\".
std::u16string PackageFolder(std::u16string_view mediaFolder);

}  // namespace app
