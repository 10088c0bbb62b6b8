#pragma once
// Reader of binary property lists ("bplist00"): the trailer, the offset table
// and the typed objects it points to. Every count, offset and reference is
// checked against the bytes before use; hostile input gives a PlistError,
// never a read outside the buffer, an endless loop or unbounded memory.

#include <string_view>

#include "testkit/plutil/plist_value.h"

namespace plist {

// Whether the bytes start with the binary property-list signature.
bool LooksLikeBinaryPlist(std::string_view bytes);

// The top object with everything it refers to. Throws PlistError on malformed
// input, reference cycles, nesting deeper than 512 or more than a million
// values in the expanded tree (objects shared by many containers count once
// per use, so a small file cannot expand without bound).
Value ReadBinaryPlist(std::string_view bytes);

}  // namespace plist
