#pragma once
// Name masks of the archive search: "*" and "?" wildcards over UTF-16 code units,
// the file-mask rules for dots and "*.*", the attribute filter, and mask lists.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace archive {

// An ordered list of masks, such as the component's file and exclusion masks.
using MaskList = std::vector<std::u16string>;

// Matches `name` against `mask` ("*" any run, "?" one code unit). A rest of the mask
// that is exactly "*" or "*.*" matches any rest of the name, with or without a dot.
// With `caseInsensitive` only the ASCII letters are folded. Never throws.
bool WildcardMatch(std::u16string_view name, std::u16string_view mask, bool caseInsensitive);

// The file-mask rules on top of WildcardMatch (always case-insensitive): an empty mask
// matches nothing, the first "*.*" counts as "*", and a mask ending in "." selects
// names without an extension.
bool MatchFileMask(std::u16string_view name, std::u16string_view mask);

// True unless the item carries the hidden, system, volume or directory bit (0x1E)
// and `findAttr` lacks it.
bool AttributesMatch(std::uint32_t attributes, std::int32_t findAttr);

// True when one mask of `fileMasks` matches `name` and no mask of `exclusionMasks` does.
bool MatchesMaskLists(std::u16string_view name, const MaskList& fileMasks, const MaskList& exclusionMasks);

// The extension of a path: the text from its last "." behind the last "\", "/" or ":".
std::u16string_view FileExtension(std::u16string_view path);

}  // namespace archive
