#pragma once
// Reader of binary property lists ("bplist00"): the trailer, the offset table
// and the typed objects it points to. Every count, offset and reference is
// checked against the bytes before use; hostile input gives a PlistError,
// never a read outside the buffer, an endless loop or unbounded memory.

#include <cstdint>
#include <string_view>

#include "details/plist/plist_value.h"

namespace plist {

// Whether the bytes start with the binary property-list signature.
bool LooksLikeBinaryPlist(std::string_view bytes);

// How far one list may expand. Objects shared by many containers count once
// per use, so a small file cannot expand without bound.
struct ReadLimits {
    int maxDepth = 512;
    std::uint64_t maxValues = 1000000;
    std::uint64_t maxTextBytes = 64 * 1024 * 1024;  // strings and data of the expanded tree
};

// The top object with everything it refers to. Throws PlistError on malformed
// input, reference cycles, or a tree past the limits.
Value ReadBinaryPlist(std::string_view bytes, const ReadLimits& limits = {});

}  // namespace plist
