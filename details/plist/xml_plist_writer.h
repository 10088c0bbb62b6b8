#pragma once
// Writes a property list as XML in the layout of the platform's own converter:
// XML declaration, PLIST DOCTYPE, <plist version="1.0">, one element per line,
// nesting shown by tabs, each <key> on its own line with its value's element on
// the next, dictionary keys in sorted order.

#include <cstddef>
#include <cstdint>
#include <string>

#include "details/plist/plist_value.h"

namespace plist {

// The whole document, UTF-8, lines ending in "\n". Throws PlistError when it
// would be longer than `maxBytes`.
std::string WriteXmlPlist(const Value& top, std::size_t maxBytes = SIZE_MAX);

}  // namespace plist
