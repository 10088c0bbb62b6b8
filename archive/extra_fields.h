#pragma once
// The extra field of a central (or rebuilt) item: every block is kept; the
// zip64 block (0x0001), the Unicode name block (0x554E), the Unicode Path
// block (0x7075) and the AES block (0x9901) are interpreted.

#include <cstdint>
#include <span>
#include <string>

#include "archive/dir_array.h"

namespace archive {

// Reader of a Unicode name block: "NUCX", a count N, N UTF-16LE code units.
class TUnicodeExtendedInfo {
public:
    static constexpr std::uint32_t kSignature = 0x5843554E;  // bytes "NUCX"

    // False when the block is not a complete Unicode name block.
    bool Load(std::span<const std::uint8_t> pData);

    std::uint32_t FAdditionalSignature = 0;
    std::u16string FName;
};

// Takes the extra field `field` into item `index` of `dir` (an item without a
// comment) and interprets it; `storedName` is the item's name as stored.
void ReadExtraFields(std::span<const std::uint8_t> field, TZFDirArray& dir, std::int32_t index,
                     std::span<const std::uint8_t> storedName);
// Interprets the extra field item `index` already keeps: sets bHugeFile, the
// zip64 values, ZFEncryptionAlgorithm, CompressionMethod, and its name
// (through SetItemName, native code 59): a Unicode Path block that belongs to
// `storedName` replaces the decoded name, and a Unicode name block replaces
// either.
void InterpretExtraFields(TZFDirArray& dir, std::int32_t index, std::span<const std::uint8_t> storedName);

}  // namespace archive
