#pragma once
// A small writer of binary property lists ("bplist00") for test fixtures:
// metadata files as app packages carry them, and hand-made broken ones.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct PlistNode {
    enum class Kind { kBoolean, kInteger, kReal, kDate, kString, kData, kArray, kDict };
    Kind kind = Kind::kString;
    bool boolean = false;
    std::int64_t integer = 0;
    double real = 0;                // kReal; kDate: seconds since 2001-01-01 00:00:00 UTC
    std::string text;               // kString: UTF-8; kData: bytes
    std::vector<std::string> keys;  // kDict, parallel to items
    std::vector<PlistNode> items;   // kArray elements, kDict values
};

PlistNode PlistBool(bool value);
PlistNode PlistInt(std::int64_t value);
PlistNode PlistReal(double value);
PlistNode PlistDate(double secondsSince2001);
PlistNode PlistString(std::string utf8);
PlistNode PlistData(std::string bytes);
PlistNode PlistArray(std::vector<PlistNode> items);
PlistNode PlistDict(std::vector<std::pair<std::string, PlistNode>> entries);

// The binary property list of the tree: every node and every key its own
// object, the top object first; ASCII strings as 8-bit objects, others as
// UTF-16; integers, references and offsets in the fewest bytes that hold them.
std::string WriteBinaryPlist(const PlistNode& top);

// Low level, for broken files: signature, the given object encodings in order
// (object i is objects[i]), an offset table with `offsetSize`-byte entries and
// the trailer naming `refSize`, the object count and `top`.
std::string AssembleBinaryPlist(const std::vector<std::string>& objects, unsigned refSize, std::uint64_t top,
                                unsigned offsetSize = 0 /* 0: the fewest bytes */);

// Big-endian bytes of a number, for hand-made object encodings.
std::string BigEndian(std::uint64_t value, unsigned size);

}  // namespace testing_support
