#pragma once
// Base64 (RFC 4648 alphabet with "=" padding) for the data elements of XML
// property lists.

#include <optional>
#include <string>
#include <string_view>

namespace plist {

std::string EncodeBase64(std::string_view bytes);

// Decodes, skipping white space anywhere. nullopt for a character outside the
// alphabet, padding in the middle or a dangling sixth bit group.
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace plist
