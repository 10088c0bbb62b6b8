#pragma once
// The three run-wide folders. FormCreate sets them once at start-up; the
// show-details command reads them. They live until the program ends.

#include <string>

namespace app {

// The media folder followed by "Mobile Applications\", ending in "\"; empty
// when no media folder was found.
extern std::u16string MediaFolder;
// The full path of the property-list converter (its existence is not checked).
extern std::u16string ConverterPath;
// The user's temporary folder, ending in "\" ("\" alone when there is none).
extern std::u16string TempFolder;

}  // namespace app
