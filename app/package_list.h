#pragma once
// The list of app packages in the package folder, as the window's rows show them.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace app {

inline constexpr std::u16string_view kPackagePattern = u"*.ipa";
inline constexpr std::u16string_view kPackageExtension = u".ipa";

// The name cut before its last "." ("My.App 1.2.ipa" gives "My.App 1.2"); a
// name without "." stays whole.
std::u16string NameWithoutExtension(std::u16string_view fileName);

// The names (without extension) of every entry matching "*.ipa" in the folder,
// files and folders alike, in the order of the system's directory search. An
// empty folder text searches the process's current folder.
std::vector<std::u16string> ListPackageNames(std::u16string_view packageFolder);

// "Total: " + count + " Apps": the caption of the total entry in every language.
std::u16string TotalCaption(std::size_t count);

}  // namespace app
