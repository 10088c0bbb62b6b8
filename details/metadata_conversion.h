#pragma once
// Metadata conversion for a computer without the property-list converter: a
// binary property list becomes the XML text the converter would write for it,
// so the key lookup reads the same lines either way.

#include <optional>
#include <string>
#include <string_view>

#include "details/metadata_extraction.h"
#include "details/plist/binary_plist_reader.h"

namespace details {

// The bounds of one conversion. The converted text is read back only up to
// kMetadataSizeLimit, so nothing larger is written; neither is more text taken
// from the list, and the tree in memory holds at most a quarter of a million
// values (a few kilobytes of real metadata hold a few dozen).
inline constexpr plist::ReadLimits kMetadataReadLimits{
    .maxDepth = 512,
    .maxValues = 256 * 1024,
    .maxTextBytes = static_cast<std::uint64_t>(kMetadataSizeLimit),
};
inline constexpr std::size_t kMetadataXmlLimit = static_cast<std::size_t>(kMetadataSizeLimit);

// The converter's XML text for binary metadata; nothing when the bytes are not
// a binary property list (XML metadata is read as it is) or cannot be
// converted within the bounds (damaged, hostile or too large).
std::optional<std::string> BinaryMetadataAsXml(std::string_view bytes);

}  // namespace details
