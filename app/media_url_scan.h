#pragma once
// Finding the media-folder address in a library file of any size: the file's
// whole text is read piece by piece only until the part that decides the
// media folder is known (MediaFolderFromLibraryText in library_discovery.h).

#include <cstddef>
#include <string>
#include <string_view>

namespace app {

// How many bytes of the library file are read at a time.
inline constexpr std::size_t kLibraryPieceSize = 64 * 1024;

// Collects, from the whole text handed over in pieces, the part that decides
// the media folder: the first "file://localhost/" and at most 260 characters
// after it. MediaFolderFromLibraryText gives the same folder for that part as
// for the whole text.
class MediaUrlScanner {
public:
    // Takes the next piece of the whole text; false once more text cannot
    // change the answer.
    bool Add(std::u16string_view piece);
    // The deciding part so far; the empty text while no address was found.
    std::u16string_view Found() const;

private:
    bool Complete() const;

    // Before the address: the last characters that may still begin the prefix.
    // Afterwards: the prefix and what has come of the window after it.
    std::u16string text_;
    bool found_ = false;
};

// The deciding part of the library file's whole text (see MediaUrlScanner),
// read by the one text-file rule in pieces of `pieceSize` bytes. Throws
// EFOpenError when the file cannot be opened, as the whole-file reader does.
std::u16string ReadMediaUrlText(std::u16string_view libraryFile, std::size_t pieceSize = kLibraryPieceSize);

}  // namespace app
