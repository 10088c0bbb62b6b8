#pragma once
// The extra field of a central (or rebuilt) item: every block is kept; the
// zip64 block (0x0001), the Unicode name block (0x554E), the Unicode Path
// block (0x7075) and the AES block (0x9901) are interpreted.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "archive/dir_item.h"

namespace archive {

class TZFDirArray;

// Reader of a Unicode name block: "NUCX", a count N, N UTF-16LE code units.
class TUnicodeExtendedInfo {
public:
    static constexpr std::uint32_t kSignature = 0x5843554E;  // bytes "NUCX"

    // False when the block is not a complete Unicode name block.
    bool Load(std::span<const std::uint8_t> pData);

    std::uint32_t FAdditionalSignature = 0;
    std::u16string FName;
};

// The name an item's extra field gives it, when any: the last Unicode Path
// block that belongs to `storedName` (the item's name as stored), replaced by
// each complete Unicode name block in turn, wherever it stands.
std::optional<std::u16string> ExtraFieldName(TZFExtraFields field, std::span<const std::uint8_t> storedName);

// What an extra field sets besides the name, starting from the item's values.
struct ExtraFieldValues {
    bool hugeFile = false;
    bool zip64Seen = false;       // a zip64 block was met: the item has zip64 values
    TZFZip64ExtendedInfo zip64;   // ...these
    TZFCryptoAlgorithm algorithm = caPkzipClassic;
    std::uint16_t compressionMethod = 0;
};
// The blocks of `field` (of the item whose central header is `cd`) taken in
// file order: a zip64 block sets the zip64 values that its central fields
// hand over and bHugeFile, an AES block the algorithm and actual method.
ExtraFieldValues ReadExtraFieldValues(const TZFZipCentralDir& cd, TZFExtraFields field, ExtraFieldValues start);

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
